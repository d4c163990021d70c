// Wave files from any bytes: the chunk walk behind GetFormat, GetDataSize
// and ReadData, then the effect buffer they fill, exactly as start-up makes
// it, on the game's own SDL converter.

#include "FuzzSupport.h"

#include "audio/SoundEffects.h"
#include "audio/Wave.h"
#include "platform/Audio.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

using namespace ruzoz;
using fuzz::Check;

namespace {

bool Contains(const std::uint8_t *image, std::size_t size, const std::uint8_t *part,
              std::size_t length) {
  return length == 0 || memmem(image, size, part, length) != nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static fuzz::ScratchFile file("Fuzz.wav");
  Wave wave;
  const bool loaded = wave.Load(file.Write(data, size));
  Check(loaded == (size > 0), "a readable non-empty file loads, an empty one does not");
  WaveFormat format;
  const bool hasFormat = wave.GetFormat(format);
  const std::uint32_t dataSize = wave.GetDataSize();
  if (!loaded) {
    Check(!hasFormat && dataSize == 0, "an empty Wave answers nothing");
    return 0;
  }
  Check(wave.Size() == size && std::memcmp(wave.Data(), data, size) == 0,
        "the image is the file byte for byte");
  // RIFF header (12), chunk header (8): a data chunk lies inside the image.
  Check(dataSize == 0 || std::uint64_t(dataSize) + 20 <= size, "data chunk inside the image");

  std::uint8_t *whole = nullptr;
  const std::uint32_t wholeCount = wave.ReadData(&whole, 0);
  std::unique_ptr<std::uint8_t[]> owned(whole);
  Check(wholeCount == dataSize, "a new block receives the whole data chunk");
  Check((whole != nullptr) == (dataSize > 0), "a block exactly when there is data");
  Check(Contains(data, size, whole, wholeCount), "the data comes from the image");

  // A caller block smaller than the chunk: exactly the cap, the same bytes.
  const std::uint32_t cap = dataSize / 2;
  std::vector<std::uint8_t> part(cap + 1, 0xA5);
  std::uint8_t *region = part.data();
  const std::uint32_t partCount = wave.ReadData(&region, cap);
  Check(partCount == cap, "a caller block gets exactly its cap");
  Check(region == part.data() && part[cap] == 0xA5, "nothing written past the cap");
  Check(cap == 0 || std::memcmp(part.data(), whole, cap) == 0, "the cap takes the chunk's start");

  // The effect buffer, as CreateSoundBuffers fills it.
  AudioOutput &device = platform::DeviceAudioOutput();
  std::unique_ptr<SoundBuffer> buffer = SoundBuffer::Create(device, format, dataSize);
  if (!buffer)
    return 0;
  Check(hasFormat && dataSize > 0, "no buffer without a format and data");
  std::uint8_t *locked = nullptr;
  std::uint32_t length = 0;
  Check(buffer->Lock(&locked, &length), "a made buffer can be locked");
  Check(length == dataSize, "the buffer holds the data chunk");
  const std::uint32_t written = wave.ReadData(&locked, length);
  Check(written == dataSize, "the data chunk fills the buffer");
  if (buffer->Unlock(locked, written)) {
    // Stereo float at the mix rate: frames in, scaled by the rate, give
    // the frames out, to within the resampler's rounding.
    const double framesIn = double(written / format.blockAlign);
    const double expected = framesIn * 44100.0 / double(format.samplesPerSec);
    Check(double(buffer->Frames()) <= expected * 1.01 + 64.0, "no more frames than the rate gives");
  }
  return 0;
}
