#include "platform/Window.h"

#include "platform/Gamepad.h"
#include "platform/SdlObjects.h"
#include "ports/Texts.h"

#include <algorithm>
#include <cstdio>

namespace ruzoz::platform {

SDL_Window *gameWindow = nullptr;

namespace {

bool isDriver(const char *driver, const char *name) {
  return driver != nullptr && SDL_strcasecmp(driver, name) == 0;
}

// The dummy and offscreen drivers have no screen a box could appear on.
bool boxCanBeSeen() {
  const char *driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr)
    driver = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  return !isDriver(driver, "dummy") && !isDriver(driver, "offscreen");
}

} // namespace

bool InitVideo() {
  if (SDL_Init(SDL_INIT_VIDEO) != 0)
    return false;
  // Without game controllers the keyboard still plays.
  OpenGamepads();
  return true;
}

void DesktopSize(int &width, int &height) {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
    width = mode.w;
    height = mode.h;
  } else {
    width = screenWidth;
    height = screenHeight;
  }
}

bool CreateGameWindow(int width, int height) {
  gameWindow = SDL_CreateWindow(texts::windowTitle, 0, 0, width, height,
                                SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
  return gameWindow != nullptr;
}

void ShowGameWindow() {
  if (gameWindow == nullptr)
    return;
  SDL_ShowWindow(gameWindow);
  SDL_RaiseWindow(gameWindow);
}

void HideGameWindow() {
  if (gameWindow != nullptr)
    SDL_HideWindow(gameWindow);
}

void ToggleFullScreen() {
  if (gameWindow == nullptr)
    return;
  const int display = std::max(0, SDL_GetWindowDisplayIndex(gameWindow));
  if ((SDL_GetWindowFlags(gameWindow) & SDL_WINDOW_FULLSCREEN) == 0) {
    // Back to the borderless window over the whole desktop first: without
    // a window manager, nobody else would resize it.
    SDL_Rect desktop;
    if (SDL_GetDisplayBounds(display, &desktop) == 0) {
      SDL_SetWindowBordered(gameWindow, SDL_FALSE);
      SDL_SetWindowPosition(gameWindow, desktop.x, desktop.y);
      SDL_SetWindowSize(gameWindow, desktop.w, desktop.h);
    }
    SDL_SetWindowFullscreen(gameWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
    return;
  }
  EnterWindowedMode();
}

bool EnterWindowedMode() {
  if (gameWindow == nullptr)
    return false;
  const int display = std::max(0, SDL_GetWindowDisplayIndex(gameWindow));
  SDL_Rect room{0, 0, screenWidth, screenHeight};
  if (SDL_GetDisplayUsableBounds(display, &room) != 0) {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(display, &mode) == 0)
      room = SDL_Rect{0, 0, mode.w, mode.h};
  }
  if (SDL_SetWindowFullscreen(gameWindow, 0) != 0)
    return false;
  SDL_SetWindowBordered(gameWindow, SDL_TRUE);
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(gameWindow, &top, &left, &bottom, &right) == 0) {
    room.w -= left + right;
    room.h -= top + bottom;
  }
  const PictureArea area = PlacePicture(room.w, room.h, integerScale);
  SDL_SetWindowSize(gameWindow, area.width, area.height);
  SDL_SetWindowPosition(gameWindow, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                        SDL_WINDOWPOS_CENTERED_DISPLAY(display));
  return true;
}

void EndVideo() {
  CloseGamepads();
  if (gameWindow != nullptr) {
    SDL_DestroyWindow(gameWindow);
    gameWindow = nullptr;
  }
  SDL_Quit();
}

void ShowErrorBox(const char *text) {
  std::fprintf(stderr, "%s: %s\n", texts::windowTitle, text);
  std::fflush(stderr);
  if (boxCanBeSeen())
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, texts::windowTitle, text, nullptr);
}

} // namespace ruzoz::platform
