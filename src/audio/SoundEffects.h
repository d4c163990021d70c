#pragma once
// The five effect buffers: each holds one wave file's samples, converted once
// to the mix format, and plays once at a time. Platform-free: the output
// device is an interface that the platform layer (or a test) provides.

#include "audio/Wave.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ruzoz {

constexpr int effectCount = 5;
// The mix: interleaved stereo float frames at the device's rate.
constexpr int effectChannels = 2;

// The file of each effect, indexed by SoundEffectIndex.
extern const char *const effectFiles[effectCount];

// The output the effects sound on. Its mixing thread pulls MixEffects while
// holding the device lock.
class SoundDevice {
public:
  virtual ~SoundDevice() = default;
  // Opens the default output and starts mixing; false when there is none.
  virtual bool Open() = 0;
  // True when the opened output takes the mix as it is.
  virtual bool AcceptsMix() = 0;
  virtual void Close() = 0;
  // The output went away; Reopen brings the default output back.
  virtual bool IsLost() = 0;
  virtual bool Reopen() = 0;
  // Sample data of `format` into interleaved stereo float at the mix rate.
  virtual bool CanConvert(const WaveFormat &format) = 0;
  virtual bool Convert(const WaveFormat &format, const std::uint8_t *bytes, std::uint32_t count,
                       std::vector<float> &out) = 0;
  // Serialise with the mixing thread.
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
};

// One static voice. Written once (Lock, copy, Unlock); Play starts it from
// the beginning unless it is still sounding.
class SoundBuffer {
public:
  static constexpr std::uint32_t statusPlaying = 0x1;
  static constexpr std::uint32_t statusLost = 0x2;

  // Null when `bytes` of `format` can't make a buffer on `device`.
  static std::unique_ptr<SoundBuffer> Create(SoundDevice &device, const WaveFormat &format,
                                             std::uint32_t bytes);

  // Write access to the whole buffer in the file's format.
  bool Lock(std::uint8_t **region, std::uint32_t *length);
  // Converts the `written` bytes into the voice.
  bool Unlock(std::uint8_t *region, std::uint32_t written);
  std::uint32_t GetStatus() const;
  bool Restore();
  void Play();

  // Mixing thread, device lock held.
  void MixInto(float *out, int frames);
  std::size_t Frames() const { return samples.size() / effectChannels; }

private:
  SoundBuffer(SoundDevice &device, const WaveFormat &format, std::uint32_t bytes)
      : device(device), format(format), bytes(bytes) {}

  SoundDevice &device;
  WaveFormat format;
  std::uint32_t bytes;
  std::unique_ptr<std::uint8_t[]> staging;
  std::vector<float> samples;
  std::size_t position = 0;
  std::atomic<bool> playing{false};
};

// Null while there is no device.
extern SoundDevice *soundDevice;
extern std::unique_ptr<SoundBuffer> effectBuffers[effectCount];

// The sound step of start-up on `device`; false with errorMessage set.
bool InitSound(SoundDevice &device);
// Loads the five files and makes a new buffer for each, replacing (and
// releasing) the buffer before it.
bool CreateSoundBuffers();
bool RestoreSoundBuffers();
// Behind PlaySoundEffect: lost check, restore, play.
void PlayEffectBuffer(int index);
// Adds every sounding effect into `out`. Mixing thread, device lock held.
void MixEffects(float *out, int frames);

} // namespace ruzoz
