#pragma once
// The game window and its pixels over SDL2: start-up and shutdown steps of
// the display, the Video port, and the back buffer for snapshots and tests.

#include "ports/Video.h"

#include <cstdint>

namespace ruzoz::platform {

// Start-up steps, in their order; each false when it fails.
// Whether there is a display to show the game on: DISPLAY or WAYLAND_DISPLAY
// set, or a video driver named by SDL_VIDEODRIVER (the tools' and tests'
// dummy and offscreen ones).
bool DisplayFound();
// SDL video and events; false when there is no usable display.
bool InitVideo();
// The desktop's size in pixels (640 x 480 if it cannot be read).
void DesktopSize(int &width, int &height);
// A borderless window at (0, 0) of the given size, titled texts::windowTitle,
// of the class "ruzoz" (the menu entry's) and with the icon SetWindowIcon
// gave.
bool CreateGameWindow(int width, int height);
// The window's icon: size x size pixels of 8-bit RGBA, rows top to bottom;
// kept, not copied. Set before CreateGameWindow.
void SetWindowIcon(const unsigned char *rgba, int size);
void ShowGameWindow();
// Takes the window off the screen at once (it was closed); it is destroyed
// by EndVideo.
void HideGameWindow();
// The renderer that draws the front onto the window.
bool CreateRenderer();
// The window covers the desktop, full screen.
bool EnterFullScreen();
// Instead: a window of the largest 4:3 size that fits the desktop's usable
// area with its decorations (PlaceWindow), centred there; any size from
// 640 x 480 up by dragging, and it can be maximised.
bool EnterWindowedMode();
// The renderer shows 640 x 480, pixel-sharp, letterboxed (PlacePicture).
bool SetLogicalSize();
// The front: a 640 x 480 streaming texture in the renderer's format.
bool CreateFront();
// The RGB565 back buffer every frame is drawn into. Also works without a
// window (tests, headless tools).
bool CreateBackBuffer();

// Shutdown: the front with its back buffer, then the renderer (which also
// leaves full screen and hides the window, so a message box can be seen).
void ReleaseFront();
void ReleaseRenderer();
// Destroys the window and ends SDL; the last thing the process does.
void EndVideo();
// The text on stderr and in a message box captioned with the window title.
// No box without a display (dummy drivers, no display server).
void ShowErrorBox(const char *text);

// Alt+Enter: full screen, or the window of EnterWindowedMode.
void ToggleFullScreen();

// Whole-number scaling only (--integer-scale); set before StartUp.
void SetIntegerScale(bool on);

// Where the 640 x 480 picture goes on an output of the given size: the back
// buffer is enlarged `multiple` times by nearest neighbour, then filtered
// linearly down to width x height at (x, y); the rest is black. By default
// the largest 4:3 area, `multiple` the smallest that covers it; with whole
// numbers only, 640 x 480 times the largest multiple that fits (1 if none
// does, then shrunk like the default).
struct PictureArea {
  int x = 0, y = 0, width = 0, height = 0;
  int multiple = 1;
  bool operator==(const PictureArea &) const = default;
};
PictureArea PlacePicture(int outputWidth, int outputHeight, bool integerScale);

// Where a window goes in the desktop's usable area `room` when the window
// manager adds the given decorations: the inside of the largest 4:3 size
// that fits with them (PlacePicture; whole multiples with `integerScale`),
// centred; at least 640 x 480, at the room's top left if that does not fit.
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect &) const = default;
};
struct Borders {
  int top = 0, left = 0, bottom = 0, right = 0;
};
Rect PlaceWindow(const Rect &room, const Borders &borders, bool integerScale);

// Whether presenting waits for the vertical blank of a display of this
// refresh rate (as SDL reports it; 0 when unknown): frames are paced at
// 60 Hz by the clock, and waiting on a slower display would slow the game.
bool WaitForBlank(int refreshRate);

// The images, blits and flips on the back buffer and the front.
Video &ScreenVideo();

// The back buffer, for snapshots, tests and benchmarks.
struct DisplayStatus {
  bool renderer = false;
  bool front = false;
  bool backBuffer = false;
  int images = 0; // image surfaces currently held
};
DisplayStatus CurrentDisplayStatus();
// The back buffer in its own format; 0 outside it or when there is none.
std::uint16_t BackBufferPixel(int x, int y);
void FillBackBuffer(std::uint16_t value);
// The back buffer as a 640 x 480 24-bit BMP, widened as the screen shows it.
bool SaveBackBuffer(const char *path);
// Run-length encoded colour keys for images loaded from now on (the default,
// it blits faster); off only to measure the difference.
void SetImageRle(bool on);

} // namespace ruzoz::platform
