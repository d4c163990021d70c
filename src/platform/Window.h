#pragma once
// The game's screen, as every platform gives it (a window over SDL, the
// page's canvas): the display's start-up and shutdown steps in their order,
// the Video port, and the back buffer saved as a picture.

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
// of the class "ruzoz" (the menu entry's) and with its icon.
bool CreateGameWindow(int width, int height);
void ShowGameWindow();
// Takes the window off the screen at once (it was closed); it is destroyed
// by EndVideo.
void HideGameWindow();
// The renderer that draws the front onto the window.
bool CreateRenderer();
// The window covers the desktop, full screen.
bool EnterFullScreen();
// Instead: a window of the largest 4:3 size that fits the desktop's usable
// area with its decorations, centred there; any size from
// 640 x 480 up by dragging, and it can be maximised.
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

// The images, blits and flips on the back buffer and the front.
Video &ScreenVideo();

// The back buffer as a 640 x 480 24-bit BMP, widened as the screen shows it.
bool SaveBackBuffer(const char *path);

} // namespace ruzoz::platform
