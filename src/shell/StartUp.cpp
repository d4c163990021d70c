#include "shell/StartUp.h"

#include "audio/Sound.h"
#include "graphics/Display.h"
#include "platform/Audio.h"
#include "platform/Window.h"
#include "ports/Texts.h"

namespace ruzoz {

namespace {

bool fail(const char *text) {
  errorMessage = text;
  return false;
}

} // namespace

bool StartUp(bool inWindow) {
  // The SoundFont takes longest to read: it loads while the window opens.
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
  if (!InitSound(platform::DeviceAudioOutput()))
    return false;
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
    platform::ShowErrorBox(errorMessage);
    errorMessage = nullptr;
  }
}

} // namespace ruzoz
