#include "platform/Display.h"

#include "graphics/Display.h"
#include "platform/SdlDisplay.h"

#include <SDL_syswm.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

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

// With SDL's software renderer the picture goes straight into the window's
// pixels: one pass that converts and scales, instead of a conversion into
// the texture, a clear of the whole window and a scaled copy.
bool directFront = false;
// Every back-buffer colour in the window's format, made by SDL's own
// conversion, so the picture is the one the renderer would show.
Uint32 frontColour[1 << 16];
Uint32 frontColourFormat = SDL_PIXELFORMAT_UNKNOWN;
// SDL widens 5 and 6 bits to 8 as the products in refreshRow do; where all
// 65536 colours agree with frontColour, rows are widened by arithmetic
// (several pixels an instruction) instead of one table read per pixel.
struct Widening {
  bool exact = false;
  Uint32 base = 0;
  int red = 0, green = 0, blue = 0;
};
Widening widening;
// What the window shows, to convert only the blocks that changed.
Uint16 shown[screenHeight][screenWidth];
SDL_Surface *shownOn = nullptr;
void *shownPixels = nullptr;
int shownWidth = 0;
int shownHeight = 0;
// Set by any window event (resize, expose, ...): the whole window is drawn again.
std::atomic<bool> repaintWindow{true};

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

bool plausibleImageSize(const char *fileName) {
  SDL_RWops *file = SDL_RWFromFile(fileName, "rb");
  if (file == nullptr)
    return false;
  Uint8 header[26];
  const bool read = SDL_RWread(file, header, sizeof header, 1) == 1;
  SDL_RWclose(file);
  if (!read)
    return true; // too short for SDL too
  auto le = [&header](int at, int bytes) {
    Uint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
      value = value << 8 | header[at + i];
    return value;
  };
  const bool core = le(14, 4) == 12; // 16-bit sizes
  const Sint64 width = core ? Sint64(le(18, 2)) : Sint64(Sint32(le(18, 4)));
  const Sint64 height = core ? Sint64(le(20, 2)) : Sint64(Sint32(le(22, 4)));
  return (width < 0 ? -width : width) * (height < 0 ? -height : height) <= maxImagePixels;
}

bool loadImage(const char *fileName, Surface &out) {
  if (backBuffer == nullptr || !plausibleImageSize(fileName))
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
  // Glyphs are cells of one sheet, and an RLE blit of a cell walks every
  // encoded row above it: for the font the plain keyed copy is faster.
  SDL_SetSurfaceRLE(image, imageRle && surface.number != imgZeichensatz ? 1 : 0);
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

inline Uint32 widen(Uint32 p, const Widening &w) {
  return w.base | (((p >> 11) * 1053) >> 7) << w.red | ((((p >> 5) & 63) * 4139) >> 10) << w.green |
         (((p & 31) * 1053) >> 7) << w.blue;
}

bool makeFrontColours(SDL_PixelFormat *format) {
  if (frontColourFormat == format->format)
    return true;
  static Uint16 all[1 << 16];
  for (int i = 0; i < (1 << 16); ++i)
    all[i] = static_cast<Uint16>(i);
  if (SDL_ConvertPixels(256, 256, backBufferFormat, all, 256 * 2, format->format, frontColour,
                        256 * 4) != 0)
    return false;
  frontColourFormat = format->format;
  widening = Widening{true, frontColour[0], format->Rshift, format->Gshift, format->Bshift};
  for (Uint32 p = 0; p < (1 << 16) && widening.exact; ++p)
    widening.exact = widen(p, widening) == frontColour[p];
  return true;
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define RUZOZ_WIDE_VECTORS __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define RUZOZ_WIDE_VECTORS
#endif

using Narrow16 = Uint16 __attribute__((vector_size(2 * 16)));
using Wide16 = Uint32 __attribute__((vector_size(4 * 16)));

// One row of the back buffer into the window, `scale` times as wide and
// high, in blocks of 16 pixels: only blocks that differ from what the window
// shows (all of them if `all`) are converted. True if any was.
RUZOZ_WIDE_VECTORS bool refreshRow(const Uint16 *from, Uint16 *was, Uint8 *out, int pitch,
                                   int scale, bool all, Widening w) {
  bool changed = false;
  for (int x = 0; x < screenWidth; x += 16) {
    if (!all && std::memcmp(from + x, was + x, 16 * sizeof *from) == 0)
      continue;
    std::memcpy(was + x, from + x, 16 * sizeof *from);
    changed = true;
    auto *block = reinterpret_cast<Uint32 *>(out) + x * scale;
    if (!w.exact) {
      for (int i = 0; i < 16 * scale; ++i)
        block[i] = frontColour[from[x + i / scale]];
    } else {
      Narrow16 narrow;
      std::memcpy(&narrow, from + x, sizeof narrow);
      const Wide16 p = __builtin_convertvector(narrow, Wide16);
      const Wide16 v = w.base | (((p >> 11) * 1053) >> 7) << w.red |
                       ((((p >> 5) & 63) * 4139) >> 10) << w.green |
                       (((p & 31) * 1053) >> 7) << w.blue;
      if (scale == 1) {
        std::memcpy(block, &v, sizeof v);
      } else if (scale == 2) {
        const Wide16 left =
            __builtin_shufflevector(v, v, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7);
        const Wide16 right = __builtin_shufflevector(v, v, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13,
                                                     13, 14, 14, 15, 15);
        std::memcpy(block, &left, sizeof left);
        std::memcpy(block + 16, &right, sizeof right);
      } else {
        for (int i = 0; i < 16 * scale; ++i)
          block[i] = v[i / scale];
      }
    }
    for (int k = 1; k < scale; ++k)
      std::memcpy(reinterpret_cast<Uint8 *>(block) + k * pitch, block, 16 * 4 * scale);
  }
  return changed;
}

int SDLCALL noteWindowEvent(void *, SDL_Event *event) {
  if (event->type == SDL_WINDOWEVENT)
    repaintWindow = true;
  return 0;
}

// A new window surface is several megabytes no page of which is mapped yet:
// one call maps them all, where writing them would trap once per page.
void populate(void *pixels, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<std::uintptr_t>(pixels) & ~(page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(pixels) + bytes;
  madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)pixels;
  (void)bytes;
#endif
}

// The renderer's logical size with whole-number scale, letterboxed, done by
// hand. False where this does not apply (then the renderer draws).
bool presentDirect() {
  SDL_Surface *screen = SDL_GetWindowSurface(gameWindow);
  if (screen == nullptr || screen->format->format != frontFormat ||
      screen->format->BytesPerPixel != 4 || !makeFrontColours(screen->format))
    return false;
  const int scale = std::min(screen->w / screenWidth, screen->h / screenHeight);
  if (scale < 1)
    return false;
  if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0)
    return false;

  bool all = repaintWindow.exchange(false) || screen != shownOn || screen->pixels != shownPixels ||
             screen->w != shownWidth || screen->h != shownHeight;
  if (all) {
    if (screen->pixels != shownPixels)
      populate(screen->pixels, static_cast<std::size_t>(screen->pitch) * screen->h);
    SDL_FillRect(screen, nullptr, SDL_MapRGBA(screen->format, 0, 0, 0, 255));
    shownOn = screen;
    shownPixels = screen->pixels;
    shownWidth = screen->w;
    shownHeight = screen->h;
  }
  const int left = (screen->w - screenWidth * scale) / 2;
  const int top = (screen->h - screenHeight * scale) / 2;
  int firstChanged = screenHeight;
  int lastChanged = -1;
  for (int y = 0; y < screenHeight; ++y) {
    auto *row = static_cast<Uint8 *>(screen->pixels) +
                static_cast<std::ptrdiff_t>(top + y * scale) * screen->pitch + left * 4;
    if (!refreshRow(backBufferRow(y), shown[y], row, screen->pitch, scale, all, widening))
      continue;
    firstChanged = std::min(firstChanged, y);
    lastChanged = y;
  }
  if (SDL_MUSTLOCK(screen))
    SDL_UnlockSurface(screen);

  if (all) {
    SDL_UpdateWindowSurface(gameWindow);
  } else if (lastChanged >= 0) {
    const SDL_Rect changed{left, top + firstChanged * scale, screenWidth * scale,
                           (lastChanged - firstChanged + 1) * scale};
    SDL_UpdateWindowSurfaceRects(gameWindow, &changed, 1);
  }
  return true;
}

void flip() {
  if (backBuffer == nullptr || primarySurface == nullptr || directDraw == nullptr)
    return;
  if (directFront && presentDirect())
    return;
  // The renderer draws over the window's pixels.
  shownOn = nullptr;
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

// An X server that offers no direct rendering (no DRI, no NVIDIA GLX), as a
// virtual one, leaves OpenGL on the CPU. Asking costs one round trip; finding
// out by starting GL costs a tenth of a second or more.
bool xServerLacksGpu() {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(gameWindow, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
    return false;
  void *xlib = SDL_LoadObject("libX11.so.6");
  if (xlib == nullptr)
    return false;
  using QueryExtension = int (*)(::Display *, const char *, int *, int *, int *);
  const auto query = reinterpret_cast<QueryExtension>(SDL_LoadFunction(xlib, "XQueryExtension"));
  bool gpu = query == nullptr;
  for (const char *name : {"DRI3", "DRI2", "NV-GLX"}) {
    int opcode = 0, event = 0, error = 0;
    if (!gpu && query(info.info.x11.display, name, &opcode, &event, &error) != 0)
      gpu = true;
  }
  SDL_UnloadObject(xlib);
  return !gpu;
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
  if (!xServerLacksGpu()) {
    directDraw =
        SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (directDraw == nullptr)
      directDraw = SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_ACCELERATED);
  }
  if (directDraw != nullptr && rastersOnCpu(directDraw)) {
    SDL_DestroyRenderer(directDraw);
    directDraw = nullptr;
  }
  if (directDraw == nullptr) {
    // Straight to the window system, not through a GL that may run on the
    // CPU as well.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    directDraw = SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_SOFTWARE);
    directFront = directDraw != nullptr;
    if (directFront) {
      repaintWindow = true;
      SDL_AddEventWatch(noteWindowEvent, nullptr);
    }
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
  // SDL allocates for the window's pixels and for a conversion: here, not
  // in the first frame.
  if (directFront)
    if (SDL_Surface *screen = SDL_GetWindowSurface(gameWindow))
      makeFrontColours(screen->format);
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
  if (directFront) {
    SDL_DelEventWatch(noteWindowEvent, nullptr);
    directFront = false;
    shownOn = nullptr;
  }
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
