#include "platform/Window.h"
#include "platform/sdl/SdlObjects.h"
#include "ports/BitmapImage.h"

#include <cstring>

namespace ruzoz::platform {

namespace {

// Zeichensatz.bmp, the font sheet.
constexpr int fontImage = 23;

int imagesHeld = 0;

SDL_Surface *sdlSurface(const Surface &surface) {
  return static_cast<SDL_Surface *>(surface.pixels);
}

class BackBufferVideo final : public Video {
public:
  // Read and converted by the one bitmap reader every platform shares.
  bool LoadImage(const char *fileName, Surface &out) override {
    Rgb565Image picture;
    if (backBuffer == nullptr || !LoadBitmapFile(fileName, picture))
      return false;
    SDL_Surface *image =
        SDL_CreateRGBSurfaceWithFormat(0, picture.width, picture.height, 16, backBufferFormat);
    if (image == nullptr)
      return false;
    for (int y = 0; y < picture.height; ++y)
      std::memcpy(static_cast<Uint8 *>(image->pixels) + y * image->pitch,
                  picture.pixels.data() + std::size_t(y) * picture.width,
                  std::size_t(picture.width) * 2);
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
    SDL_SetSurfaceRLE(image, surface.number != fontImage ? 1 : 0);
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

} // namespace ruzoz::platform
