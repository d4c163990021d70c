#pragma once
// The game window: SDL video, one window, full screen or a scaled window,
// and the message box of the error channel.

namespace ruzoz::platform {

constexpr const char *windowTitle = "Ruzoz - Odedozida";

// Brings up SDL video and events; false when there is no usable display.
bool RegisterWindowClass();
// The desktop's size in pixels (640 x 480 if it cannot be read).
void DesktopSize(int &width, int &height);
// A borderless window at (0, 0) of the given size, shown.
bool CreateGameWindow(int width, int height);
void ShowGameWindow();
// Takes the window off the screen at once; it is destroyed at exit.
void HideGameWindow();
// Alt+Enter: full screen, or a window of 640 x 480 times the largest whole
// scale that fits the desktop.
void ToggleFullScreen();
bool GameWindowExists();
// Destroys the window and ends SDL; the last thing the process does.
void EndVideo();

// The text on stderr and in a message box captioned with the window title.
// No box without a display (dummy drivers, no display server).
void ShowErrorBox(const char *text);

} // namespace ruzoz::platform
