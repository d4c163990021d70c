#include "platform/Window.h"

#include "platform/sdl/Gamepad.h"
#include "platform/sdl/SdlObjects.h"
#include "ports/Texts.h"

#include "platform/sdl/Desktop.h"
#include "platform/sdl/EndSignals.h"

#include <algorithm>
#include <cstdio>

namespace ruzoz::platform {

SDL_Window *gameWindow = nullptr;

namespace {

const unsigned char *iconPixels = nullptr;
int iconSize = 0;
// Set when a window manager was given the time to decorate the window and
// did not: there is none, and no need to wait again.
bool noDecorations = false;

bool isDriver(const char *driver, const char *name) {
  return driver != nullptr && SDL_strcasecmp(driver, name) == 0;
}

bool isSet(const char *value) { return value != nullptr && *value != '\0'; }

// The dummy and offscreen drivers have no screen a box could appear on.
bool boxCanBeSeen() {
  const char *driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr)
    driver = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  return DisplayFound() && !isDriver(driver, "dummy") && !isDriver(driver, "offscreen");
}

// The window manager adds its frame some time after the window got its
// border: until then SDL knows no border sizes, and its moves would put the
// frame's top off the screen.
Borders decorations() {
  Borders b;
  for (int waited = 0;; waited += 10) {
    if (SDL_GetWindowBordersSize(gameWindow, &b.top, &b.left, &b.bottom, &b.right) != 0)
      return Borders{};
    if (b.top != 0 || b.left != 0 || b.bottom != 0 || b.right != 0 || noDecorations)
      return b;
    if (waited >= 250) {
      noDecorations = true;
      return b;
    }
    SDL_PumpEvents();
    SDL_Delay(10);
  }
}

} // namespace

bool DisplayFound() {
  return isSet(SDL_GetHint(SDL_HINT_VIDEODRIVER)) || isSet(SDL_getenv("DISPLAY")) ||
         isSet(SDL_getenv("WAYLAND_DISPLAY"));
}

void SetWindowIcon(const unsigned char *rgba, int size) {
  iconPixels = rgba;
  iconSize = size;
}

bool InitVideo() {
  // The class the menu entry names (StartupWMClass), so that task bars give
  // the window the menu entry's icon. A class the player set stays.
  SDL_setenv("SDL_VIDEO_X11_WMCLASS", "ruzoz", 0);
  SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", "ruzoz", 0);
  SDL_SetHint(SDL_HINT_APP_NAME, "ruzoz");
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
                                SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
  // Resizable from the start: a window manager draws the frame of a
  // resizable window (with its handles) when it first decorates it, and the
  // window is placed by that frame.
  if (gameWindow != nullptr)
    SDL_SetWindowMinimumSize(gameWindow, screenWidth, screenHeight);
  if (gameWindow != nullptr && iconPixels != nullptr) {
    // SDL copies the pixels into the window's icon property.
    if (SDL_Surface *icon = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<unsigned char *>(iconPixels), iconSize, iconSize, 32, iconSize * 4,
            SDL_PIXELFORMAT_RGBA32)) {
      SDL_SetWindowIcon(gameWindow, icon);
      SDL_FreeSurface(icon);
    }
  }
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
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  EnterWindowedMode();
}

Rect PlaceWindow(const Rect &room, const Borders &borders, bool integerScale) {
  const int insideWidth = room.width - borders.left - borders.right;
  const int insideHeight = room.height - borders.top - borders.bottom;
  const PictureArea area = PlacePicture(insideWidth, insideHeight, integerScale);
  Rect r;
  r.width = std::max(screenWidth, area.width);
  r.height = std::max(screenHeight, area.height);
  r.x = room.x + borders.left + std::max(0, (insideWidth - r.width) / 2);
  r.y = room.y + borders.top + std::max(0, (insideHeight - r.height) / 2);
  return r;
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
  SDL_SetWindowMinimumSize(gameWindow, screenWidth, screenHeight);
  const Rect place = PlaceWindow(Rect{room.x, room.y, room.w, room.h}, decorations(), integerScale);
  SDL_SetWindowSize(gameWindow, place.width, place.height);
  SDL_SetWindowPosition(gameWindow, place.x, place.y);
  SDL_ShowCursor(SDL_ENABLE);
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
  if (!boxCanBeSeen() || EndSignalled())
    return;
  const BoxCloser closer;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, texts::windowTitle, text, nullptr);
}

} // namespace ruzoz::platform
