#include "audio/SoundEffects.h"

#include "audio/Sound.h"
#include "ports/Texts.h"

#include <algorithm>
#include <new>

namespace ruzoz {

const char *const effectFiles[effectCount] = {"GunShot.wav", "drip.wav", "Schaden.wav", "Get.wav",
                                              "Kollision.wav"};

AudioOutput *soundDevice = nullptr;
std::unique_ptr<SoundBuffer> effectBuffers[effectCount];

namespace {

class EffectsMix final : public MixSource {
public:
  void MixInto(float *out, int frames) override { MixEffects(out, frames); }
};
EffectsMix effectsMix;

// Puts `buffer` into entry `index`; the mixer never sees a freed buffer.
void ReplaceBuffer(int index, std::unique_ptr<SoundBuffer> buffer) {
  soundDevice->Lock();
  effectBuffers[index].swap(buffer);
  soundDevice->Unlock();
}

} // namespace

std::unique_ptr<SoundBuffer> SoundBuffer::Create(AudioOutput &device, const WaveFormat &format,
                                                 std::uint32_t bytes) {
  // Compressed or inconsistent data would only ever play as noise.
  const std::uint32_t frameBytes = std::uint32_t(format.channels) * format.bitsPerSample / 8;
  if (format.channels == 0 || format.samplesPerSec == 0 || format.bitsPerSample % 8 != 0 ||
      frameBytes == 0 || format.blockAlign != frameBytes || bytes < frameBytes)
    return nullptr;
  if (!device.CanConvert(format))
    return nullptr;
  return std::unique_ptr<SoundBuffer>(new (std::nothrow) SoundBuffer(device, format, bytes));
}

bool SoundBuffer::Lock(std::uint8_t **region, std::uint32_t *length) {
  if (!region || !length || staging || device.IsLost())
    return false;
  staging.reset(new (std::nothrow) std::uint8_t[bytes]);
  if (!staging)
    return false;
  *region = staging.get();
  *length = bytes;
  return true;
}

bool SoundBuffer::Unlock(std::uint8_t *region, std::uint32_t written) {
  if (!staging || region != staging.get() || written > bytes)
    return false;
  std::vector<float> converted;
  const std::uint32_t whole = written - written % format.blockAlign;
  bool done = whole == 0 || device.Convert(format, staging.get(), whole, converted);
  staging.reset();
  if (!done || converted.size() % mixChannels != 0)
    return false;
  device.Lock();
  samples.swap(converted);
  position = 0;
  playing = false;
  device.Unlock();
  device.VoiceLoaded(samples.data(), Frames());
  return true;
}

std::uint32_t SoundBuffer::GetStatus() const {
  std::uint32_t status = playing ? statusPlaying : 0;
  if (device.IsLost())
    status |= statusLost;
  return status;
}

bool SoundBuffer::Restore() { return !device.IsLost() || device.Reopen(); }

void SoundBuffer::Play() {
  if (device.IsLost())
    return;
  device.Lock();
  const bool starts = !playing;
  if (starts) {
    position = 0;
    playing = true;
  }
  device.Unlock();
  if (starts)
    device.VoiceStarted(samples.data());
}

void SoundBuffer::MixInto(float *out, int frames) {
  if (!playing || frames <= 0)
    return;
  const std::size_t total = Frames();
  const std::size_t n = std::min(std::size_t(frames), total - position);
  const float *from = samples.data() + position * mixChannels;
  for (std::size_t i = 0; i < n * mixChannels; ++i)
    out[i] += from[i];
  position += n;
  if (position >= total)
    playing = false;
}

bool InitSound(AudioOutput &output) {
  if (!output.Open()) {
    errorMessage = texts::soundDeviceFailed;
    return false;
  }
  soundDevice = &output;
  if (!output.AcceptsMix()) {
    errorMessage = texts::soundFormatFailed;
    return false;
  }
  output.SetEffectsSource(&effectsMix);
  return CreateSoundBuffers();
}

void ReleaseSound() {
  if (!soundDevice)
    return;
  // Closing stops the mixing thread, so the buffers can go after it.
  soundDevice->Close();
  soundDevice->SetEffectsSource(nullptr);
  for (auto &buffer : effectBuffers)
    buffer.reset();
  soundDevice = nullptr;
}

bool CreateSoundBuffers() {
  if (!soundDevice) {
    errorMessage = texts::bufferFailed;
    return false;
  }
  // All five files are read before the first buffer is made; a file that
  // can't be read leaves its Wave empty and its buffer fails below.
  Wave waves[effectCount];
  for (int i = 0; i < effectCount; ++i)
    waves[i].Load(effectFiles[i]);

  for (int i = 0; i < effectCount; ++i) {
    WaveFormat format;
    waves[i].GetFormat(format);
    auto buffer = SoundBuffer::Create(*soundDevice, format, waves[i].GetDataSize());
    if (!buffer) {
      errorMessage = texts::bufferFailed;
      return false;
    }
    SoundBuffer *fresh = buffer.get();
    ReplaceBuffer(i, std::move(buffer));

    std::uint8_t *region = nullptr;
    std::uint32_t length = 0;
    if (!fresh->Lock(&region, &length)) {
      errorMessage = texts::soundFailed;
      return false;
    }
    std::uint32_t written = waves[i].ReadData(&region, length);
    if (!fresh->Unlock(region, written)) {
      errorMessage = texts::soundFailed;
      return false;
    }
  }
  return true;
}

bool RestoreSoundBuffers() {
  for (auto &buffer : effectBuffers)
    if (buffer && !buffer->Restore())
      return false;
  return CreateSoundBuffers();
}

void PlayEffectBuffer(int index) {
  if (index < 0 || index >= effectCount || !effectBuffers[index])
    return;
  if (effectBuffers[index]->GetStatus() & SoundBuffer::statusLost)
    RestoreSoundBuffers();
  // GunShot is loaded but never sounds.
  if (index <= 0)
    return;
  // The restore may have put a new buffer in place.
  if (effectBuffers[index])
    effectBuffers[index]->Play();
}

void MixEffects(float *out, int frames) {
  for (auto &buffer : effectBuffers)
    if (buffer)
      buffer->MixInto(out, frames);
}

} // namespace ruzoz
