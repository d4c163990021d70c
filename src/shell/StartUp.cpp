#include "shell/StartUp.h"

#include "audio/Audio.h"
#include "graphics/Display.h"
#include "platform/Display.h"
#include "platform/MusicSynth.h"
#include "platform/Window.h"
#include "shell/Errors.h"
#include "shell/WindowProc.h"

namespace ruzoz {

namespace {

bool fail(const char *text) {
  errorMessage = text;
  return false;
}

} // namespace

bool StartUp() {
  shutDownHandler = ShutDown;
  destroyWindowHook = platform::HideGameWindow;
  platform::PrepareMusicSynth();

  if (!platform::RegisterWindowClass())
    return fail("Error Registering Window Class");
  int desktopWidth = 0;
  int desktopHeight = 0;
  platform::DesktopSize(desktopWidth, desktopHeight);
  if (!platform::CreateGameWindow(desktopWidth, desktopHeight))
    return fail("Error Creating Window");
  platform::ShowGameWindow();
  if (!platform::CreateDirectDraw())
    return fail("DirectDrawCreate FAILED");
  if (!platform::SetCooperativeLevel())
    return fail("SetCooperativeLevel FAILED");
  if (!platform::SetDisplayMode())
    return fail("Error Setting Display Mode");
  if (!platform::CreatePrimarySurface())
    return fail("CreateSurface FAILED");
  if (!platform::AttachBackBuffer())
    return fail("CreateSurface FAILED");
  if (!LoadAllImages())
    return false;
  if (!InitSound())
    return false;
  if (!InitMusic())
    return false;
  return true;
}

void ShutDown() {
  ReleaseAllImages();
  platform::ReleasePrimarySurface();
  platform::ReleaseDirectDraw();
  ReleaseSound();
  ReleaseMusic();
  platform::DiscardPreparedMusicSynth();
  if (errorMessage != nullptr) {
    platform::ShowErrorBox(errorMessage);
    errorMessage = nullptr;
  }
}

} // namespace ruzoz
