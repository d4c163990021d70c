#include "platform/BitmapFile.h"

#include <SDL.h>

namespace ruzoz::platform {

namespace {

bool fail(std::string *error) {
  if (error != nullptr)
    *error = SDL_GetError();
  return false;
}

} // namespace

bool SaveBmp(const char *path, const RgbImage &image, std::string *error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3) {
    if (error != nullptr)
      *error = "no picture of that size";
    return false;
  }
  // SDL writes a surface without alpha or key as 24 bits a pixel, bottom-up.
  SDL_Surface *surface =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t *>(image.rgb.data()), image.width,
                                         image.height, 24, image.width * 3, SDL_PIXELFORMAT_RGB24);
  if (surface == nullptr)
    return fail(error);
  const bool saved = SDL_SaveBMP(surface, path) == 0;
  SDL_FreeSurface(surface);
  return saved || fail(error);
}

bool LoadBmp(const char *path, RgbImage &image, std::string *error) {
  SDL_Surface *file = SDL_LoadBMP(path);
  if (file == nullptr)
    return fail(error);
  // Through 32 bits, as the game's loader decides which pixels are white:
  // SDL widens some formats differently on the way to 24 bits.
  SDL_Surface *rgb = SDL_ConvertSurfaceFormat(file, SDL_PIXELFORMAT_RGB888, 0);
  SDL_FreeSurface(file);
  if (rgb == nullptr)
    return fail(error);
  image.width = rgb->w;
  image.height = rgb->h;
  image.rgb.resize(static_cast<std::size_t>(rgb->w) * rgb->h * 3);
  std::uint8_t *out = image.rgb.data();
  for (int y = 0; y < rgb->h; ++y) {
    const auto *row =
        reinterpret_cast<const Uint32 *>(static_cast<const Uint8 *>(rgb->pixels) + y * rgb->pitch);
    for (int x = 0; x < rgb->w; ++x) {
      *out++ = static_cast<std::uint8_t>(row[x] >> 16);
      *out++ = static_cast<std::uint8_t>(row[x] >> 8);
      *out++ = static_cast<std::uint8_t>(row[x]);
    }
  }
  SDL_FreeSurface(rgb);
  return true;
}

} // namespace ruzoz::platform
