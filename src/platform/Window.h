#pragma once
// The game window and its pixels over SDL2: start-up and shutdown steps of
// the display, the Video port, and the back buffer for snapshots and tests.

#include "ports/Video.h"

#include <cstdint>

namespace ruzoz::platform {

// Start-up steps, in their order; each false when it fails.
// SDL video and events; false when there is no usable display.
bool InitVideo();
// The desktop's size in pixels (640 x 480 if it cannot be read).
void DesktopSize(int &width, int &height);
// A borderless window at (0, 0) of the given size, titled texts::windowTitle.
bool CreateGameWindow(int width, int height);
void ShowGameWindow();
// Takes the window off the screen at once (it was closed); it is destroyed
// by EndVideo.
void HideGameWindow();
// The renderer that draws the front onto the window.
bool CreateRenderer();
// The window covers the desktop, full screen.
bool EnterFullScreen();
// Instead: a window of 640 x 480 times the largest whole scale that fits
// the desktop, centred.
bool EnterWindowedMode();
// The renderer shows 640 x 480, pixel-sharp, letterboxed.
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
// Whole-number scaling of the picture only (--integer-scale); before
// start-up.
void SetIntegerScale(bool on);

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
