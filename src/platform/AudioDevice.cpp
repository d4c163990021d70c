#include "platform/AudioDevice.h"

#include "audio/SoundEffects.h"

#include <SDL.h>

#include <algorithm>

namespace ruzoz::platform {

namespace {

SDL_AudioDeviceID device = 0;
SDL_AudioSpec obtained{};
bool subsystemUp = false;
bool lost = false;
// Read by the callback under the device lock.
MusicRenderer musicRenderer = nullptr;
void *musicContext = nullptr;

void Callback(void *, Uint8 *stream, int len) {
  MixOutput(reinterpret_cast<float *>(stream), len / int(sizeof(float) * mixChannels));
}

bool OpenDefault() {
  SDL_AudioSpec want{};
  want.freq = mixRate;
  want.format = AUDIO_F32SYS;
  want.channels = mixChannels;
  want.samples = mixFrames;
  want.callback = Callback;
  // No allowed changes: SDL converts our mix to whatever the hardware takes.
  device = SDL_OpenAudioDevice(nullptr, 0, &want, &obtained, 0);
  if (!device)
    return false;
  lost = false;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void CloseDevice() {
  if (device)
    SDL_CloseAudioDevice(device);
  device = 0;
  obtained = SDL_AudioSpec{};
}

} // namespace

void SetMusicRenderer(MusicRenderer renderer, void *context) {
  LockAudio();
  musicRenderer = renderer;
  musicContext = context;
  UnlockAudio();
}

void LockAudio() {
  if (device)
    SDL_LockAudioDevice(device);
}

void UnlockAudio() {
  if (device)
    SDL_UnlockAudioDevice(device);
}

bool OpenAudioDevice() {
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

void CloseAudioDevice() {
  CloseDevice();
  if (subsystemUp)
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  subsystemUp = false;
  lost = false;
}

bool ReopenAudioDevice() {
  if (!subsystemUp)
    return OpenAudioDevice();
  CloseDevice();
  return OpenDefault();
}

unsigned AudioDeviceId() { return device; }

bool AudioDeviceTakesMix() {
  return device && obtained.freq == mixRate && obtained.format == AUDIO_F32SYS &&
         obtained.channels == mixChannels && obtained.samples > 0;
}

void MarkAudioDeviceLost() { lost = true; }

bool AudioDeviceLost() {
  if (!subsystemUp)
    return false;
  return lost || !device || SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED;
}

void MixOutput(float *out, int frames) {
  std::fill(out, out + frames * mixChannels, 0.0f);
  if (musicRenderer)
    musicRenderer(out, frames, musicContext);
  MixEffects(out, frames);
  for (int i = 0; i < frames * mixChannels; ++i)
    out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

} // namespace ruzoz::platform
