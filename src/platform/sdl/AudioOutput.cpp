// The one audio output: an SDL device whose callback mixes the music
// (rendered on the audio thread) and the sound effects.

#include "platform/Audio.h"
#include "platform/sdl/Desktop.h"
#include "ports/WaveConvert.h"

#include <SDL.h>

namespace ruzoz::platform {

namespace {

// Frames per callback: 10 ms, the most an effect waits for the mix.
constexpr int mixFrames = 441;

class SdlAudioOutput final : public AudioOutput {
public:
  bool Open() override {
    if (device)
      return true;
    if (!subsystemUp) {
      if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
      subsystemUp = true;
    }
    if (OpenDefault())
      return true;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystemUp = false;
    return false;
  }

  bool AcceptsMix() override {
    return device && obtained.freq == mixRate && obtained.format == AUDIO_F32SYS &&
           obtained.channels == mixChannels && obtained.samples > 0;
  }

  // Waits for the callback to end, then drops the subsystem too.
  void Close() override {
    CloseDevice();
    if (subsystemUp)
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystemUp = false;
    removed = effectsLost = false;
  }

  // For the effects: lost from a removal event until their restore reopens
  // (the music may have done that already), or while there is no device.
  bool IsLost() override {
    if (!subsystemUp)
      return false;
    return effectsLost || DeviceGone();
  }

  // Keeps the subsystem.
  bool Reopen() override {
    if (!subsystemUp)
      return Open();
    if (DeviceGone()) {
      CloseDevice();
      if (!OpenDefault())
        return false;
    }
    effectsLost = false;
    return true;
  }

  bool CanConvert(const WaveFormat &format) override { return CanConvertWave(format); }
  bool Convert(const WaveFormat &format, const std::uint8_t *bytes, std::uint32_t count,
               std::vector<float> &out) override {
    return ConvertWave(format, bytes, count, out);
  }

  void SetMusicSource(MixSource *source) override {
    Lock();
    music = source;
    Unlock();
  }

  void SetEffectsSource(MixSource *source) override {
    Lock();
    effects = source;
    Unlock();
  }

  void Lock() override {
    if (device)
      SDL_LockAudioDevice(device);
  }

  void Unlock() override {
    if (device)
      SDL_UnlockAudioDevice(device);
  }

  void NoteRemoved(unsigned deviceId, bool capture) {
    if (capture || deviceId == 0 || deviceId != device)
      return;
    effectsLost = true;
    removed = true;
    ReopenForMusic();
  }

  // Tried again when a device comes, for music left without one.
  void ReopenForMusic() {
    if (!subsystemUp || music == nullptr || !DeviceGone())
      return;
    CloseDevice();
    OpenDefault();
  }

  unsigned Id() const { return device; }

private:
  // SDL holds the device lock while it runs this.
  static void Callback(void *self, Uint8 *stream, int len) {
    auto *output = static_cast<SdlAudioOutput *>(self);
    MixOutput(reinterpret_cast<float *>(stream), len / int(sizeof(float) * mixChannels),
              output->music, output->effects);
  }

  bool OpenDefault() {
    SDL_AudioSpec want{};
    want.freq = mixRate;
    want.format = AUDIO_F32SYS;
    want.channels = mixChannels;
    want.samples = mixFrames;
    want.callback = Callback;
    want.userdata = this;
    // No allowed changes: SDL converts our mix to whatever the hardware takes.
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &obtained, 0);
    if (!device)
      return false;
    removed = false;
    SDL_PauseAudioDevice(device, 0);
    return true;
  }

  void CloseDevice() {
    if (device)
      SDL_CloseAudioDevice(device);
    device = 0;
    obtained = SDL_AudioSpec{};
  }

  // Announced removed, or SDL stopped it, or none is open.
  bool DeviceGone() {
    return removed || !device || SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED;
  }

  SDL_AudioDeviceID device = 0;
  SDL_AudioSpec obtained{};
  bool subsystemUp = false;
  bool removed = false;     // the open device was announced removed
  bool effectsLost = false; // until the effects' restore
  // Read by the callback under the device lock.
  MixSource *music = nullptr;
  MixSource *effects = nullptr;
};

SdlAudioOutput &Output() {
  static SdlAudioOutput output;
  return output;
}

} // namespace

AudioOutput &DeviceAudioOutput() { return Output(); }

void NoteAudioDeviceRemoved(unsigned deviceId, bool capture) {
  Output().NoteRemoved(deviceId, capture);
}

void NoteAudioDeviceAdded(bool capture) {
  if (!capture)
    Output().ReopenForMusic();
}

unsigned AudioDeviceId() { return Output().Id(); }

} // namespace ruzoz::platform
