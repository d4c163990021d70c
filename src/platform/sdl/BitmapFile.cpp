#include "platform/sdl/BitmapFile.h"

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
  // Each pixel widened by SDL_GetRGB, which makes all ones 255 in every
  // format: SDL's blit from 565 to 32 bits turns white into 0xFFFEFF.
  image.width = file->w;
  image.height = file->h;
  image.rgb.resize(static_cast<std::size_t>(file->w) * file->h * 3);
  std::uint8_t *out = image.rgb.data();
  const int bytes = file->format->BytesPerPixel;
  for (int y = 0; y < file->h; ++y)
    for (int x = 0; x < file->w; ++x) {
      const Uint8 *at = static_cast<const Uint8 *>(file->pixels) + y * file->pitch + x * bytes;
      Uint32 pixel = 0;
      for (int i = bytes - 1; i >= 0; --i)
        pixel = pixel << 8 | at[i];
      SDL_GetRGB(pixel, file->format, out, out + 1, out + 2);
      out += 3;
    }
  SDL_FreeSurface(file);
  return true;
}

} // namespace ruzoz::platform
