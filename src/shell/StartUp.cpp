#include "shell/StartUp.h"

#include "audio/Sound.h"
#include "graphics/Display.h"
#include "platform/Audio.h"
#include "platform/Window.h"
#include "ports/Texts.h"

#include <cstdio>

namespace ruzoz {

namespace {

// Said with errorMessage by ShutDown.
const char *errorNote = nullptr;

bool fail(const char *text, const char *note = nullptr) {
  errorMessage = text;
  errorNote = note;
  return false;
}

} // namespace

bool StartUp(bool inWindow, SoundChoice sound) {
  errorNote = nullptr;
  // Without one, SDL would pick a driver that shows nothing and run unseen.
  if (!platform::DisplayFound())
    return fail(texts::windowClassFailed, texts::noDisplayNote);
  // The SoundFont takes longest to read: it loads while the window opens.
  if (sound == SoundChoice::all)
    platform::PrepareSynth();

  if (!platform::InitVideo())
    return fail(texts::windowClassFailed);
  int desktopWidth = 0;
  int desktopHeight = 0;
  platform::DesktopSize(desktopWidth, desktopHeight);
  if (!platform::CreateGameWindow(desktopWidth, desktopHeight))
    return fail(texts::windowFailed);
  platform::ShowGameWindow();
  if (!platform::CreateRenderer())
    return fail(texts::rendererFailed);
  if (!(inWindow ? platform::EnterWindowedMode() : platform::EnterFullScreen()))
    return fail(texts::fullScreenFailed);
  if (!platform::SetLogicalSize())
    return fail(texts::displayModeFailed);
  if (!platform::CreateFront())
    return fail(texts::surfaceFailed);
  if (!platform::CreateBackBuffer())
    return fail(texts::surfaceFailed);
  if (!LoadAllImages(platform::ScreenVideo()))
    return false;
  if (sound == SoundChoice::none)
    return true;
  if (!InitSound(platform::DeviceAudioOutput())) {
    if (errorMessage == texts::soundDeviceFailed || errorMessage == texts::soundFormatFailed)
      errorNote = texts::noSoundNote;
    return false;
  }
  if (sound == SoundChoice::effectsOnly)
    return true;
  if (!InitMusic(platform::TakeSynth(), platform::DeviceAudioOutput()))
    return false;
  return true;
}

void ShutDown() {
  ReleaseAllImages();
  platform::ReleaseFront();
  platform::ReleaseRenderer();
  ReleaseSound();
  ReleaseMusic();
  platform::DiscardPreparedSynth();
  if (errorMessage != nullptr) {
    // A failure during play (a sound restore) has no note.
    static char noted[256];
    if (errorNote != nullptr)
      std::snprintf(noted, sizeof noted, "%s (%s)", errorMessage, errorNote);
    platform::ShowErrorBox(errorNote != nullptr ? noted : errorMessage);
    errorMessage = nullptr;
    errorNote = nullptr;
  }
}

} // namespace ruzoz
