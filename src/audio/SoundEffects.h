#pragma once
// The five effect buffers: each holds one wave file's samples, converted once
// to the mix format by the output, and plays once at a time.

#include "audio/Wave.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ruzoz {

constexpr int effectCount = 5;

// The file of each effect, indexed by SoundEffectIndex.
extern const char *const effectFiles[effectCount];

// One static voice. Written once (Lock, copy, Unlock); Play starts it from
// the beginning unless it is still sounding.
class SoundBuffer {
public:
  static constexpr std::uint32_t statusPlaying = 0x1;
  static constexpr std::uint32_t statusLost = 0x2;

  // Null when `bytes` of `format` can't make a buffer on `device`.
  static std::unique_ptr<SoundBuffer> Create(AudioOutput &device, const WaveFormat &format,
                                             std::uint32_t bytes);

  // Write access to the whole buffer in the file's format.
  bool Lock(std::uint8_t **region, std::uint32_t *length);
  // Converts the `written` bytes into the voice.
  bool Unlock(std::uint8_t *region, std::uint32_t written);
  std::uint32_t GetStatus() const;
  bool Restore();
  void Play();

  // Mixing thread, output lock held.
  void MixInto(float *out, int frames);
  std::size_t Frames() const { return samples.size() / mixChannels; }

private:
  SoundBuffer(AudioOutput &device, const WaveFormat &format, std::uint32_t bytes)
      : device(device), format(format), bytes(bytes) {}

  AudioOutput &device;
  WaveFormat format;
  std::uint32_t bytes;
  std::unique_ptr<std::uint8_t[]> staging;
  std::vector<float> samples;
  std::size_t position = 0;
  std::atomic<bool> playing{false};
};

// The output InitSound opened; null while there is none.
extern AudioOutput *soundDevice;
extern std::unique_ptr<SoundBuffer> effectBuffers[effectCount];

// Loads the five files and makes a new buffer for each, replacing (and
// releasing) the buffer before it.
bool CreateSoundBuffers();
bool RestoreSoundBuffers();
// Behind PlaySoundEffect: lost check, restore, play; nothing without buffers.
void PlayEffectBuffer(int index);
// Adds every sounding effect into `out`. Mixing thread, output lock held.
void MixEffects(float *out, int frames);

} // namespace ruzoz
