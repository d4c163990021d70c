#include "platform/Display.h"

#include "graphics/Display.h"
#include "platform/SdlDisplay.h"

#include <cstdio>

namespace ruzoz::platform {

SDL_Renderer *directDraw = nullptr;
SDL_Texture *primarySurface = nullptr;
SDL_Surface *backBuffer = nullptr;

namespace {

constexpr Uint32 backBufferFormat = SDL_PIXELFORMAT_RGB565;
constexpr Uint16 colorKey = 0xFFFF;
// The nearest colour to white that is not the key.
constexpr Uint16 almostWhite = 0xFFDF;

Uint32 frontFormat = SDL_PIXELFORMAT_UNKNOWN;
int imagesHeld = 0;
bool imageRle = true;

SDL_Surface *sdlSurface(const Surface &surface) {
  return static_cast<SDL_Surface *>(surface.platform);
}

Uint16 *backBufferRow(int y) {
  return reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(backBuffer->pixels) +
                                    y * backBuffer->pitch);
}

// Reducing to 16 bits turns near-white into the key colour; only pure white
// in the file may be transparent.
void keepNearWhiteOpaque(SDL_Surface *file, SDL_Surface *image) {
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

bool loadImage(const char *fileName, Surface &out) {
  if (backBuffer == nullptr)
    return false;
  SDL_Surface *file = SDL_LoadBMP(fileName);
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
  out.platform = image;
  ++imagesHeld;
  return true;
}

void releaseImage(Surface &surface) {
  if (surface.platform == nullptr)
    return;
  SDL_FreeSurface(sdlSurface(surface));
  surface.platform = nullptr;
  --imagesHeld;
}

void setColorKey(Surface &surface) {
  SDL_Surface *image = sdlSurface(surface);
  if (image == nullptr)
    return;
  SDL_SetColorKey(image, SDL_TRUE, colorKey);
  SDL_SetSurfaceRLE(image, imageRle ? 1 : 0);
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

void blit(const Surface &image, int x, int y, const SourceRect *source) {
  if (backBuffer == nullptr || image.platform == nullptr)
    return;
  SDL_Rect target{x, y, 0, 0};
  if (source == nullptr) {
    SDL_BlitSurface(sdlSurface(image), nullptr, backBuffer, &target);
    return;
  }
  SDL_Rect cell{source->left, source->top, source->right - source->left,
                source->bottom - source->top};
  SDL_BlitSurface(sdlSurface(image), &cell, backBuffer, &target);
}

void flip() {
  if (backBuffer == nullptr || primarySurface == nullptr || directDraw == nullptr)
    return;
  void *pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(primarySurface, nullptr, &pixels, &pitch) == 0) {
    SDL_ConvertPixels(screenWidth, screenHeight, backBufferFormat, backBuffer->pixels,
                      backBuffer->pitch, frontFormat, pixels, pitch);
    SDL_UnlockTexture(primarySurface);
  }
  SDL_RenderClear(directDraw);
  SDL_RenderCopy(directDraw, primarySurface, nullptr, nullptr);
  SDL_RenderPresent(directDraw);
}

bool usableFrontFormat(Uint32 format) {
  return format != SDL_PIXELFORMAT_UNKNOWN && !SDL_ISPIXELFORMAT_FOURCC(format) &&
         !SDL_ISPIXELFORMAT_INDEXED(format) && SDL_BITSPERPIXEL(format) >= 15;
}

// The window's own format if the renderer takes it (no conversion when the
// picture is drawn), else the renderer's first.
Uint32 chooseFrontFormat() {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(directDraw, &info) != 0)
    return SDL_PIXELFORMAT_ARGB8888;
  const Uint32 windowFormat = SDL_GetWindowPixelFormat(gameWindow);
  for (Uint32 i = 0; i < info.num_texture_formats; ++i)
    if (info.texture_formats[i] == windowFormat && usableFrontFormat(windowFormat))
      return windowFormat;
  for (Uint32 i = 0; i < info.num_texture_formats; ++i)
    if (usableFrontFormat(info.texture_formats[i]))
      return info.texture_formats[i];
  return SDL_PIXELFORMAT_ARGB8888;
}

// An OpenGL that rasterises on the CPU (Mesa's llvmpipe under a virtual X
// server, for one) is no acceleration: it costs several times what SDL's own
// software renderer needs for one scaled copy a frame.
bool rastersOnCpu(SDL_Renderer *renderer) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0 || SDL_strncmp(info.name, "opengl", 6) != 0)
    return false;
  using GetString = const unsigned char *(*)(unsigned);
  const auto glGetString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  if (glGetString == nullptr)
    return false;
  constexpr unsigned glRenderer = 0x1F01;
  const auto *name = reinterpret_cast<const char *>(glGetString(glRenderer));
  if (name == nullptr)
    return false;
  static const char *const cpuRasterisers[] = {"llvmpipe", "softpipe", "software rasterizer",
                                               "swrast", "swiftshader"};
  for (const char *cpu : cpuRasterisers)
    if (SDL_strcasestr(name, cpu) != nullptr)
      return true;
  return false;
}

void putLE16(unsigned char *out, unsigned value) {
  out[0] = static_cast<unsigned char>(value);
  out[1] = static_cast<unsigned char>(value >> 8);
}

void putLE32(unsigned char *out, unsigned long value) {
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace

bool CreateDirectDraw() {
  if (gameWindow == nullptr)
    return false;
  directDraw =
      SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (directDraw == nullptr)
    directDraw = SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_ACCELERATED);
  if (directDraw != nullptr && rastersOnCpu(directDraw)) {
    SDL_DestroyRenderer(directDraw);
    directDraw = nullptr;
  }
  if (directDraw == nullptr) {
    // Straight to the window system, not through a GL that may run on the
    // CPU as well.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    directDraw = SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_SOFTWARE);
  }
  return directDraw != nullptr;
}

bool SetCooperativeLevel() {
  return gameWindow != nullptr && directDraw != nullptr &&
         SDL_SetWindowFullscreen(gameWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

bool SetDisplayMode() {
  if (directDraw == nullptr)
    return false;
  // Pixel-sharp: nearest neighbour, whole-number scale, letterboxed.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  if (SDL_RenderSetLogicalSize(directDraw, screenWidth, screenHeight) != 0)
    return false;
  SDL_RenderSetIntegerScale(directDraw, SDL_TRUE);
  SDL_SetRenderDrawColor(directDraw, 0, 0, 0, 255);
  return true;
}

bool CreatePrimarySurface() {
  if (directDraw == nullptr)
    return false;
  frontFormat = chooseFrontFormat();
  primarySurface = SDL_CreateTexture(directDraw, frontFormat, SDL_TEXTUREACCESS_STREAMING,
                                     screenWidth, screenHeight);
  if (primarySurface == nullptr)
    return false;
  SDL_SetTextureBlendMode(primarySurface, SDL_BLENDMODE_NONE);
  return true;
}

bool AttachBackBuffer() {
  backBuffer = SDL_CreateRGBSurfaceWithFormat(0, screenWidth, screenHeight, 16, backBufferFormat);
  if (backBuffer == nullptr)
    return false;
  displayHooks.loadImage = loadImage;
  displayHooks.releaseImage = releaseImage;
  displayHooks.setColorKey = setColorKey;
  displayHooks.blit = blit;
  displayHooks.flip = flip;
  return true;
}

void ReleasePrimarySurface() {
  if (primarySurface != nullptr) {
    SDL_DestroyTexture(primarySurface);
    primarySurface = nullptr;
  }
  // The back buffer belongs to the front and goes with it.
  if (backBuffer != nullptr) {
    SDL_FreeSurface(backBuffer);
    backBuffer = nullptr;
  }
}

void ReleaseDirectDraw() {
  if (directDraw == nullptr)
    return;
  if (primarySurface != nullptr) { // the renderer would take it along
    SDL_DestroyTexture(primarySurface);
    primarySurface = nullptr;
  }
  SDL_DestroyRenderer(directDraw);
  directDraw = nullptr;
  if (gameWindow != nullptr) {
    SDL_SetWindowFullscreen(gameWindow, 0);
    SDL_HideWindow(gameWindow);
  }
}

DisplayStatus CurrentDisplayStatus() {
  DisplayStatus status;
  status.directDraw = directDraw != nullptr;
  status.primarySurface = primarySurface != nullptr;
  status.backBuffer = backBuffer != nullptr;
  status.images = imagesHeld;
  return status;
}

std::uint16_t BackBufferPixel(int x, int y) {
  if (backBuffer == nullptr || x < 0 || y < 0 || x >= screenWidth || y >= screenHeight)
    return 0;
  return backBufferRow(y)[x];
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

  constexpr int rowBytes = screenWidth * 3; // already a multiple of 4
  constexpr unsigned long imageBytes = static_cast<unsigned long>(rowBytes) * screenHeight;
  unsigned char header[54] = {'B', 'M'};
  putLE32(header + 2, 54 + imageBytes);
  putLE32(header + 10, 54);
  putLE32(header + 14, 40);
  putLE32(header + 18, screenWidth);
  putLE32(header + 22, screenHeight); // bottom-up
  putLE16(header + 26, 1);
  putLE16(header + 28, 24);
  putLE32(header + 34, imageBytes);
  putLE32(header + 38, 2835); // 72 dpi
  putLE32(header + 42, 2835);

  std::FILE *out = std::fopen(path, "wb");
  if (out == nullptr)
    return false;
  bool ok = std::fwrite(header, 1, sizeof header, out) == sizeof header;
  unsigned char row[rowBytes];
  for (int y = screenHeight - 1; y >= 0 && ok; --y) {
    for (int x = 0; x < screenWidth; ++x) {
      const Uint32 p = wide[y * screenWidth + x];
      row[3 * x] = static_cast<unsigned char>(p);
      row[3 * x + 1] = static_cast<unsigned char>(p >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(p >> 16);
    }
    ok = std::fwrite(row, 1, rowBytes, out) == rowBytes;
  }
  return std::fclose(out) == 0 && ok;
}

void SetImageRle(bool on) { imageRle = on; }

} // namespace ruzoz::platform
