#include "platform/Window.h"
#include "platform/sdl/BitmapFile.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/SdlObjects.h"

namespace ruzoz::platform {

SDL_Surface *backBuffer = nullptr;

bool CreateBackBuffer() {
  backBuffer = SDL_CreateRGBSurfaceWithFormat(0, screenWidth, screenHeight, 16, backBufferFormat);
  return backBuffer != nullptr;
}

DisplayStatus CurrentDisplayStatus() {
  DisplayStatus status;
  status.renderer = renderer != nullptr;
  status.front = frontTexture != nullptr;
  status.backBuffer = backBuffer != nullptr;
  status.images = ImagesHeld();
  return status;
}

void FillBackBuffer(std::uint16_t value) {
  if (backBuffer != nullptr)
    SDL_FillRect(backBuffer, nullptr, value);
}

bool SaveBackBuffer(const char *path) {
  if (backBuffer == nullptr)
    return false;
  // Widened the way a frame reaches the screen, so that a snapshot and a
  // screenshot agree.
  static Uint32 wide[screenWidth * screenHeight];
  if (SDL_ConvertPixels(screenWidth, screenHeight, backBufferFormat, backBuffer->pixels,
                        backBuffer->pitch, SDL_PIXELFORMAT_ARGB8888, wide, screenWidth * 4) != 0)
    return false;
  static RgbImage shot;
  shot.width = screenWidth;
  shot.height = screenHeight;
  shot.rgb.resize(screenWidth * screenHeight * 3);
  for (int i = 0; i < screenWidth * screenHeight; ++i) {
    shot.rgb[3 * i] = static_cast<std::uint8_t>(wide[i] >> 16);
    shot.rgb[3 * i + 1] = static_cast<std::uint8_t>(wide[i] >> 8);
    shot.rgb[3 * i + 2] = static_cast<std::uint8_t>(wide[i]);
  }
  return SaveBmp(path, shot);
}

} // namespace ruzoz::platform
