#pragma once
// The display behind graphics/Display.h: a renderer for the game window,
// the front texture and the RGB565 back buffer every frame is drawn into.

#include <cstdint>

namespace ruzoz::platform {

// Start-up steps, each false when it fails. They need the game window,
// except AttachBackBuffer, which also works alone (tests, headless tools).
bool CreateDirectDraw();
bool SetCooperativeLevel();
bool SetDisplayMode();
bool CreatePrimarySurface();
// Creates the back buffer and hands the image, blit and flip services to
// the display seam.
bool AttachBackBuffer();

// Shutdown: the front with its back buffer, then the display object (which
// also gives up the full screen, so a message box can be seen).
void ReleasePrimarySurface();
void ReleaseDirectDraw();

struct DisplayStatus {
  bool directDraw = false;
  bool primarySurface = false;
  bool backBuffer = false;
  int images = 0; // image surfaces currently held
};
DisplayStatus CurrentDisplayStatus();

// The back buffer in its own format; 0 outside it or when there is none.
std::uint16_t BackBufferPixel(int x, int y);
void FillBackBuffer(std::uint16_t value);
// The back buffer as a 640 x 480 24-bit BMP.
bool SaveBackBuffer(const char *path);

// Run-length encoded colour keys for images loaded from now on (the default,
// it blits faster); off only to measure the difference.
void SetImageRle(bool on);

} // namespace ruzoz::platform
