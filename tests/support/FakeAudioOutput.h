#pragma once
// An audio output without a device: opens and closes on request, can be
// marked lost, converts 16-bit PCM to stereo float (no resampling: use
// 44100 Hz) and mixes its sources only when a test calls Mix.

#include "ports/Sound.h"

#include <algorithm>

namespace testsupport {

class FakeAudioOutput : public ruzoz::AudioOutput {
public:
  bool Open() override { return ++opens, open = openWorks; }
  bool AcceptsMix() override { return open && acceptsMix; }
  void Close() override { ++closes, open = lost = false; }
  bool IsLost() override { return lost; }
  bool Reopen() override { return ++reopens, lost = !reopenWorks, open = reopenWorks; }
  bool CanConvert(const ruzoz::WaveFormat &f) override {
    return f.formatTag == ruzoz::waveFormatPcm && f.bitsPerSample == 16 &&
           (f.channels == 1 || f.channels == 2);
  }
  bool Convert(const ruzoz::WaveFormat &f, const std::uint8_t *bytes, std::uint32_t count,
               std::vector<float> &out) override {
    ++conversions;
    out.clear();
    for (std::uint32_t at = 0; convertWorks && at + 2 <= count; at += 2)
      out.insert(out.end(), 3 - f.channels,
                 float(std::int16_t(bytes[at] | bytes[at + 1] << 8)) / 32768);
    return convertWorks && CanConvert(f);
  }
  void SetMusicSource(ruzoz::MixSource *source) override { music = source; }
  void SetEffectsSource(ruzoz::MixSource *source) override { effects = source; }
  void Lock() override { ++locks, ++lockDepth; }
  void Unlock() override { --lockDepth; }

  // The device thread's work for one buffer: silence, the music (which may
  // overwrite), the effects (which add), clamped to full scale.
  void Mix(float *out, int frames) {
    std::fill(out, out + frames * ruzoz::mixChannels, 0.0f);
    Lock();
    if (music)
      music->MixInto(out, frames);
    if (effects)
      effects->MixInto(out, frames);
    Unlock();
    for (int i = 0; i < frames * ruzoz::mixChannels; ++i)
      out[i] = std::clamp(out[i], -1.0f, 1.0f);
  }

  bool openWorks = true, acceptsMix = true, reopenWorks = true, convertWorks = true;
  bool open = false, lost = false;
  int opens = 0, closes = 0, reopens = 0, conversions = 0, locks = 0, lockDepth = 0;
  ruzoz::MixSource *music = nullptr, *effects = nullptr;
};

} // namespace testsupport
