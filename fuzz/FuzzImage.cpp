// Image files from any bytes, through the game's own loader: SDL's BMP
// reader, the conversion to the 16-bit back-buffer format with near-white
// kept opaque, the colour key, whole-image and font-cell blits, release.
// The oracle is SDL's reading of the same bytes from memory: a pixel is
// transparent exactly when it is pure white in the file.

#include "FuzzSupport.h"

#include "graphics/Display.h"
#include "platform/Display.h"

#include <SDL.h>

#include <cstring>

using namespace ruzoz;
using fuzz::Check;

namespace {

constexpr std::uint16_t keyColour = 0xFFFF;

bool PureWhite(const SDL_Surface *rgb, int x, int y) {
  const auto *row = static_cast<const std::uint8_t *>(rgb->pixels) + y * rgb->pitch;
  std::uint32_t pixel;
  std::memcpy(&pixel, row + 4 * x, 4);
  return (pixel & 0xFFFFFF) == 0xFFFFFF;
}

void CheckKeying(const SDL_Surface *file, const Surface &image) {
  SDL_Surface *rgb =
      SDL_ConvertSurfaceFormat(const_cast<SDL_Surface *>(file), SDL_PIXELFORMAT_RGB888, 0);
  if (rgb == nullptr)
    return;
  platform::FillBackBuffer(keyColour);
  DrawImage(0, 0, &image);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      Check((platform::BackBufferPixel(x, y) == keyColour) == PureWhite(rgb, x, y),
            "only pure white is transparent");
  SDL_FreeSurface(rgb);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static fuzz::ScratchFile file("Fuzz.bmp");
  static const bool ready = platform::AttachBackBuffer();
  Check(ready, "no back buffer");
  const char *path = file.Write(data, size);

  Surface image;
  image.number = imgKugel;
  if (!displayHooks.loadImage(path, image)) {
    Check(platform::CurrentDisplayStatus().images == 0, "a refused file holds no surface");
    return 0;
  }
  // Read only after the game took it: the game refuses headers that claim
  // gigabytes, SDL alone would allocate them.
  SDL_Surface *reference = SDL_LoadBMP_RW(SDL_RWFromConstMem(data, int(size)), 1);
  Check(reference != nullptr, "loaded only what SDL reads");
  Check(image.width == reference->w && image.height == reference->h && image.width > 0 &&
            image.height > 0,
        "the surface has the file's size");
  Check(platform::CurrentDisplayStatus().images == 1, "one surface held");
  displayHooks.setColorKey(image);

  if (image.width <= screenWidth && image.height <= screenHeight)
    CheckKeying(reference, image);
  // Placements the drawing refuses or only just takes.
  DrawImage(-1, 0, &image);
  DrawImage(screenWidth - image.width, screenHeight - image.height, &image);
  DrawImage(screenWidth - image.width + 1, 0, &image);

  // As the font: cells anywhere in (or beyond) whatever size it has.
  Surface *&font = surfaceSlot(imgZeichensatz);
  font = &image;
  const int codes[] = {0, 31, 32, 65, 95, 96, 126, 127, 255, size > 0 ? data[0] : 1};
  for (int code : codes)
    DrawFontCell(304, 224, code);
  font = nullptr;

  displayHooks.releaseImage(image);
  Check(platform::CurrentDisplayStatus().images == 0, "the surface is released");
  SDL_FreeSurface(reference);
  return 0;
}
