// Image files from any bytes, through the game's own loader: the shared
// bitmap reader (every kind, RLE included), the conversion to the 16-bit
// back-buffer format with near-white kept opaque, the colour key,
// whole-image and font-cell blits, release. The oracle is SDL's reading of
// the same file: what the reader takes SDL takes too, with the same pixels,
// and a pixel is transparent exactly when it is pure white in the file.

#include "FuzzSupport.h"

#include "graphics/Display.h"
#include "platform/Window.h"
#include "platform/sdl/BitmapFile.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/SdlObjects.h"
#include "ports/BitmapImage.h"

using namespace ruzoz;
using fuzz::Check;

namespace {

constexpr std::uint16_t keyColour = 0xFFFF;

void CheckKeying(const platform::RgbImage &file, const Surface &image) {
  platform::FillBackBuffer(keyColour);
  DrawImage(0, 0, &image);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t *rgb = &file.rgb[3 * (static_cast<std::size_t>(y) * file.width + x)];
      const bool white = rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255;
      Check((platform::backBufferRow(y)[x] == keyColour) == white,
            "only pure white is transparent");
    }
}

// Every pixel as SDL's reading of the file narrows to the back buffer.
void CheckPixels(const platform::RgbImage &file, const std::uint8_t *data, std::size_t size) {
  Rgb565Image decoded;
  Check(DecodeBitmap(data, size, decoded), "the reader takes what it loaded");
  for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
    const std::uint32_t r = file.rgb[3 * i], g = file.rgb[3 * i + 1], b = file.rgb[3 * i + 2];
    auto want = static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
    if (want == colorKey && (r & g & b) != 0xFF)
      want = almostWhite;
    Check(decoded.pixels[i] == want, "SDL's pixels");
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static fuzz::ScratchFile file("Fuzz.bmp");
  static const bool ready = platform::CreateBackBuffer();
  Check(ready, "no back buffer");
  const char *path = file.Write(data, size);
  Video &screen = platform::ScreenVideo();
  video = &screen;

  Surface image;
  image.number = imgKugel;
  if (!screen.LoadImage(path, image)) {
    Check(platform::CurrentDisplayStatus().images == 0, "a refused file holds no surface");
    return 0;
  }
  // Read only after the game took it: the game refuses headers that claim
  // gigabytes, SDL alone would allocate them (and it takes damaged files
  // the game refuses: runs outside the picture, colours past the table).
  platform::RgbImage reference;
  Check(platform::LoadBmp(path, reference), "loaded only what SDL reads");
  Check(image.width == reference.width && image.height == reference.height && image.width > 0 &&
            image.height > 0,
        "the surface has the file's size");
  Check(platform::CurrentDisplayStatus().images == 1, "one surface held");
  CheckPixels(reference, data, size);
  screen.SetColorKey(image);

  if (image.width <= screenWidth && image.height <= screenHeight)
    CheckKeying(reference, image);
  // Placements the drawing refuses or only just takes.
  DrawImage(-1, 0, &image);
  DrawImage(screenWidth - image.width, screenHeight - image.height, &image);
  DrawImage(screenWidth - image.width + 1, 0, &image);

  // As the font: cells anywhere in (or beyond) whatever size it has.
  surfaceSet.images[imgZeichensatz] = &image;
  const int codes[] = {0, 31, 32, 65, 95, 96, 126, 127, 255, size > 0 ? data[0] : 1};
  for (int code : codes)
    DrawFontCell(304, 224, code);
  surfaceSet.images[imgZeichensatz] = nullptr;

  screen.ReleaseImage(image);
  Check(platform::CurrentDisplayStatus().images == 0, "the surface is released");
  return 0;
}
