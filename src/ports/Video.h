#pragma once
// What the graphics subsystem needs from a screen: image surfaces read from
// bitmap files, a keyed copy onto the back buffer and the flip. The platform
// implements it; the replay tool wraps it to see every draw.

namespace ruzoz {

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

// One loaded image. `pixels` belongs to the Video that loaded it; null for
// the nominal surfaces of headless runs.
struct Surface {
  int number = 0; // image number, 1..40
  int width = 0;
  int height = 0;
  void *pixels = nullptr;
};

struct SourceRect {
  int left, top, right, bottom;
};

class Video {
public:
  virtual ~Video() = default;
  // Fills width, height and pixels from a bitmap file; false if it cannot.
  virtual bool LoadImage(const char *fileName, Surface &out) = 0;
  virtual void ReleaseImage(Surface &surface) = 0;
  // White becomes transparent.
  virtual void SetColorKey(Surface &surface) = 0;
  // Keyed copy onto the back buffer, only for rectangles wholly inside it.
  // `cell` is null for the whole image; `glyph` is the font code drawn, -1
  // for a whole image.
  virtual void Blit(const Surface &image, int x, int y, const SourceRect *cell, int glyph) = 0;
  virtual void Flip() = 0;
};

} // namespace ruzoz
