#include "platform/SoundDevice.h"

#include "audio/Audio.h"
#include "platform/AudioDevice.h"

#include <SDL.h>

#include <cstring>

namespace ruzoz::platform {

namespace {

// The SDL sample format of a wave format; false for anything SDL can't read
// (compressed data, 24-bit and odd sizes).
bool SdlFormat(const WaveFormat &format, SDL_AudioFormat &sdl) {
  if (format.formatTag == waveFormatPcm) {
    switch (format.bitsPerSample) {
    case 8:
      sdl = AUDIO_U8;
      return true;
    case 16:
      sdl = AUDIO_S16LSB;
      return true;
    case 32:
      sdl = AUDIO_S32LSB;
      return true;
    }
    return false;
  }
  if (format.formatTag == waveFormatFloat && format.bitsPerSample == 32) {
    sdl = AUDIO_F32LSB;
    return true;
  }
  return false;
}

// DirectSound's limits for a secondary buffer. Below 100 Hz a few bytes of
// a file would resample into gigabytes; the size caps the converted samples.
constexpr std::uint32_t minRate = 100;
constexpr std::uint32_t maxRate = 100000;
constexpr std::size_t maxConvertedBytes = 0x0FFFFFFF;

bool BuildConverter(const WaveFormat &format, SDL_AudioCVT &cvt) {
  SDL_AudioFormat from;
  if (!SdlFormat(format, from) || format.channels == 0 || format.channels > 8 ||
      format.samplesPerSec < minRate || format.samplesPerSec > maxRate)
    return false;
  return SDL_BuildAudioCVT(&cvt, from, Uint8(format.channels), int(format.samplesPerSec),
                           AUDIO_F32SYS, mixChannels, mixRate) >= 0;
}

class SdlSoundDevice final : public SoundDevice {
public:
  bool Open() override { return OpenAudioDevice(); }
  bool AcceptsMix() override { return AudioDeviceTakesMix(); }
  void Close() override { CloseAudioDevice(); }
  bool IsLost() override { return AudioDeviceLost(); }
  bool Reopen() override { return ReopenAudioDevice(); }
  void Lock() override { LockAudio(); }
  void Unlock() override { UnlockAudio(); }

  bool CanConvert(const WaveFormat &format) override {
    SDL_AudioCVT cvt;
    return BuildConverter(format, cvt);
  }

  bool Convert(const WaveFormat &format, const std::uint8_t *bytes, std::uint32_t count,
               std::vector<float> &out) override {
    SDL_AudioCVT cvt;
    if (!BuildConverter(format, cvt) || count > maxConvertedBytes / std::uint32_t(cvt.len_mult))
      return false;
    if (count == 0) {
      out.clear();
      return true;
    }
    std::vector<std::uint8_t> work(std::size_t(count) * cvt.len_mult);
    std::memcpy(work.data(), bytes, count);
    cvt.buf = work.data();
    cvt.len = int(count);
    if (cvt.needed && SDL_ConvertAudio(&cvt) != 0)
      return false;
    const int converted = cvt.needed ? cvt.len_cvt : cvt.len;
    out.resize(std::size_t(converted) / sizeof(float));
    // A few bytes resampled down can come out as no frame at all.
    if (!out.empty())
      std::memcpy(out.data(), work.data(), out.size() * sizeof(float));
    return true;
  }
};

} // namespace

SoundDevice &DefaultSoundDevice() {
  static SdlSoundDevice device;
  return device;
}

void NoteAudioDeviceEvent(const SDL_Event &event) {
  if (event.type == SDL_AUDIODEVICEREMOVED && !event.adevice.iscapture &&
      event.adevice.which != 0 && event.adevice.which == AudioDeviceId())
    MarkAudioDeviceLost();
}

} // namespace ruzoz::platform

namespace ruzoz {

bool InitSound() { return InitSound(platform::DefaultSoundDevice()); }

} // namespace ruzoz
