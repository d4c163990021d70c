#include "ports/WaveConvert.h"

#include <cstring>

namespace ruzoz {

namespace {

constexpr std::uint32_t minRate = 100;
constexpr std::uint32_t maxRate = 100000;
// What a file may claim to become once converted.
constexpr std::uint64_t maxConvertedBytes = 0x0FFFFFFF;

float Sample(const WaveFormat &format, const std::uint8_t *at) {
  switch (format.bitsPerSample) {
  case 8:
    return float(at[0]) * (1.0f / 128.0f) - 1.0f;
  case 16:
    return float(std::int16_t(std::uint16_t(at[0] | at[1] << 8))) * (1.0f / 32768.0f);
  }
  const std::uint32_t bits = std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 |
                             std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24;
  if (format.formatTag == waveFormatFloat) {
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
  }
  return float(std::int32_t(bits)) * (1.0f / 2147483648.0f);
}

} // namespace

bool CanConvertWave(const WaveFormat &format) {
  const bool pcm =
      format.formatTag == waveFormatPcm &&
      (format.bitsPerSample == 8 || format.bitsPerSample == 16 || format.bitsPerSample == 32);
  const bool floats = format.formatTag == waveFormatFloat && format.bitsPerSample == 32;
  return (pcm || floats) && format.channels >= 1 && format.channels <= 8 &&
         format.samplesPerSec >= minRate && format.samplesPerSec <= maxRate;
}

bool ConvertWave(const WaveFormat &format, const std::uint8_t *bytes, std::uint32_t count,
                 std::vector<float> &out) {
  if (!CanConvertWave(format))
    return false;
  const std::uint32_t sampleBytes = format.bitsPerSample / 8;
  const std::uint32_t frameBytes = format.channels * sampleBytes;
  const std::uint64_t frames = count / frameBytes;
  const std::uint64_t rate = format.samplesPerSec;
  const std::uint64_t outFrames = frames * mixRate / rate;
  if (outFrames * mixChannels * sizeof(float) > maxConvertedBytes)
    return false;
  out.assign(std::size_t(outFrames * mixChannels), 0.0f);
  if (frames == 0)
    return true;
  const int right = format.channels == 1 ? 0 : 1;
  // Frames outside the recording repeat its first and last.
  const auto at = [&](std::int64_t frame, int channel) {
    frame = frame < 0 ? 0 : frame >= std::int64_t(frames) ? std::int64_t(frames) - 1 : frame;
    return Sample(format, bytes + frame * frameBytes + channel * sampleBytes);
  };
  for (std::uint64_t i = 0; i < outFrames; ++i) {
    // Exact positions: the i-th output frame falls at i * rate / mixRate.
    const std::int64_t first = std::int64_t(i * rate / mixRate);
    const float t = float(i * rate % mixRate) / float(mixRate);
    for (int side = 0; side < mixChannels; ++side) {
      const int channel = side == 0 ? 0 : right;
      float value = at(first, channel);
      if (t != 0.0f) {
        // Catmull-Rom: at t = 0 the sample itself, weights summing to one.
        const float p0 = at(first - 1, channel), p1 = value, p2 = at(first + 1, channel),
                    p3 = at(first + 2, channel);
        const float t2 = t * t, t3 = t2 * t;
        const float w0 = 0.5f * (-t3 + 2.0f * t2 - t);
        const float w1 = 0.5f * (3.0f * t3 - 5.0f * t2 + 2.0f);
        const float w2 = 0.5f * (-3.0f * t3 + 4.0f * t2 + t);
        const float w3 = 0.5f * (t3 - t2);
        value = w0 * p0 + w1 * p1 + w2 * p2 + w3 * p3;
      }
      out[std::size_t(i * mixChannels + side)] = value;
    }
  }
  return true;
}

} // namespace ruzoz
