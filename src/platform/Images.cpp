#include "platform/SdlObjects.h"
#include "platform/Window.h"
#include "ports/DataFile.h"

#include <algorithm>
#include <vector>

namespace ruzoz::platform {

namespace {

constexpr Uint16 colorKey = 0xFFFF;
// The nearest colour to white that is not the key.
constexpr Uint16 almostWhite = 0xFFDF;
// Zeichensatz.bmp, the font sheet.
constexpr int fontImage = 23;

int imagesHeld = 0;
bool imageRle = true;

SDL_Surface *sdlSurface(const Surface &surface) {
  return static_cast<SDL_Surface *>(surface.pixels);
}

// Reducing to 16 bits turns near-white into the key colour; only pure white
// in the file may be transparent.
void keepNearWhiteOpaque(SDL_Surface *file, SDL_Surface *image) {
  bool keyed = false;
  for (int y = 0; y < image->h && !keyed; ++y) {
    const auto *row = reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(image->pixels) +
                                                       y * image->pitch);
    keyed = std::find(row, row + image->w, colorKey) != row + image->w;
  }
  if (!keyed) // nothing became the key: no second conversion (the two pictures)
    return;
  SDL_Surface *exact = SDL_ConvertSurfaceFormat(file, SDL_PIXELFORMAT_RGB888, 0);
  if (exact == nullptr)
    return;
  for (int y = 0; y < image->h; ++y) {
    auto *out = reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(image->pixels) + y * image->pitch);
    const auto *in = reinterpret_cast<const Uint32 *>(static_cast<const Uint8 *>(exact->pixels) +
                                                      y * exact->pitch);
    for (int x = 0; x < image->w; ++x)
      if (out[x] == colorKey && (in[x] & 0xFFFFFF) != 0xFFFFFF)
        out[x] = almostWhite;
  }
  SDL_FreeSurface(exact);
}

// SDL allocates and clears the picture a header claims before it reads a
// pixel: a few damaged bytes could ask for gigabytes. Far beyond any image
// the game can draw.
constexpr Sint64 maxImagePixels = 4096 * 4096;

bool plausibleImageSize(const std::vector<std::uint8_t> &file) {
  if (file.size() < 26)
    return true; // too short for SDL too
  auto le = [&file](int at, int bytes) {
    Uint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
      value = value << 8 | file[at + i];
    return value;
  };
  const bool core = le(14, 4) == 12; // 16-bit sizes
  const Sint64 width = core ? Sint64(le(18, 2)) : Sint64(Sint32(le(18, 4)));
  const Sint64 height = core ? Sint64(le(20, 2)) : Sint64(Sint32(le(22, 4)));
  return (width < 0 ? -width : width) * (height < 0 ? -height : height) <= maxImagePixels;
}

class BackBufferVideo final : public Video {
public:
  bool LoadImage(const char *fileName, Surface &out) override {
    std::vector<std::uint8_t> bytes;
    if (backBuffer == nullptr || !ReadDataFile(fileName, DataKind::image, bytes) ||
        !plausibleImageSize(bytes))
      return false;
    SDL_Surface *file =
        SDL_LoadBMP_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
    if (file == nullptr)
      return false;
    if (file->w <= 0 || file->h <= 0) {
      SDL_FreeSurface(file);
      return false;
    }
    SDL_Surface *image = SDL_ConvertSurfaceFormat(file, backBufferFormat, 0);
    if (image != nullptr)
      keepNearWhiteOpaque(file, image);
    SDL_FreeSurface(file);
    if (image == nullptr)
      return false;
    out.width = image->w;
    out.height = image->h;
    out.pixels = image;
    ++imagesHeld;
    return true;
  }

  void ReleaseImage(Surface &surface) override {
    if (surface.pixels == nullptr)
      return;
    SDL_FreeSurface(sdlSurface(surface));
    surface.pixels = nullptr;
    --imagesHeld;
  }

  void SetColorKey(Surface &surface) override {
    SDL_Surface *image = sdlSurface(surface);
    if (image == nullptr)
      return;
    SDL_SetColorKey(image, SDL_TRUE, colorKey);
    // Glyphs are cells of one sheet, and an RLE blit of a cell walks every
    // encoded row above it: for the font the plain keyed copy is faster.
    SDL_SetSurfaceRLE(image, imageRle && surface.number != fontImage ? 1 : 0);
    // SDL builds the blit (and the run-length encoding) on the first blit;
    // do it now, so that no frame allocates. The one pixel is put back.
    if (backBuffer != nullptr) {
      const Uint16 saved = backBufferRow(0)[0];
      SDL_Rect source{0, 0, 1, 1};
      SDL_Rect target{0, 0, 1, 1};
      SDL_BlitSurface(image, &source, backBuffer, &target);
      backBufferRow(0)[0] = saved;
    }
  }

  void Blit(const Surface &image, int x, int y, const SourceRect *cell, int) override {
    if (backBuffer == nullptr || image.pixels == nullptr)
      return;
    SDL_Rect target{x, y, 0, 0};
    if (cell == nullptr) {
      SDL_BlitSurface(sdlSurface(image), nullptr, backBuffer, &target);
      return;
    }
    SDL_Rect source{cell->left, cell->top, cell->right - cell->left, cell->bottom - cell->top};
    SDL_BlitSurface(sdlSurface(image), &source, backBuffer, &target);
  }

  void Flip() override { PresentBackBuffer(); }
};

} // namespace

int ImagesHeld() { return imagesHeld; }

Video &ScreenVideo() {
  static BackBufferVideo screen;
  return screen;
}

void SetImageRle(bool on) { imageRle = on; }

} // namespace ruzoz::platform
