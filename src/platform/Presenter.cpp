#include "platform/SdlObjects.h"
#include "platform/Window.h"

#include <SDL_syswm.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace ruzoz::platform {

SDL_Renderer *renderer = nullptr;
SDL_Texture *frontTexture = nullptr;

namespace {

Uint32 frontFormat = SDL_PIXELFORMAT_UNKNOWN;

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

void present() {
  if (backBuffer == nullptr || frontTexture == nullptr || renderer == nullptr)
    return;
  if (directFront && presentDirect())
    return;
  // The renderer draws over the window's pixels.
  shownOn = nullptr;
  void *pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(frontTexture, nullptr, &pixels, &pitch) == 0) {
    SDL_ConvertPixels(screenWidth, screenHeight, backBufferFormat, backBuffer->pixels,
                      backBuffer->pitch, frontFormat, pixels, pitch);
    SDL_UnlockTexture(frontTexture);
  }
  SDL_RenderClear(renderer);
  SDL_RenderCopy(renderer, frontTexture, nullptr, nullptr);
  SDL_RenderPresent(renderer);
}

bool usableFrontFormat(Uint32 format) {
  return format != SDL_PIXELFORMAT_UNKNOWN && !SDL_ISPIXELFORMAT_FOURCC(format) &&
         !SDL_ISPIXELFORMAT_INDEXED(format) && SDL_BITSPERPIXEL(format) >= 15;
}

// The window's own format if the renderer takes it (no conversion when the
// picture is drawn), else the renderer's first.
Uint32 chooseFrontFormat() {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0)
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
bool rastersOnCpu(SDL_Renderer *candidate) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(candidate, &info) != 0 || SDL_strncmp(info.name, "opengl", 6) != 0)
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

} // namespace

void PresentBackBuffer() { present(); }

bool CreateRenderer() {
  if (gameWindow == nullptr)
    return false;
  if (!xServerLacksGpu()) {
    renderer =
        SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer == nullptr)
      renderer = SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_ACCELERATED);
  }
  if (renderer != nullptr && rastersOnCpu(renderer)) {
    SDL_DestroyRenderer(renderer);
    renderer = nullptr;
  }
  if (renderer == nullptr) {
    // Straight to the window system, not through a GL that may run on the
    // CPU as well.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    renderer = SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_SOFTWARE);
    directFront = renderer != nullptr;
    if (directFront) {
      repaintWindow = true;
      SDL_AddEventWatch(noteWindowEvent, nullptr);
    }
  }
  return renderer != nullptr;
}

bool EnterFullScreen() {
  return gameWindow != nullptr && renderer != nullptr &&
         SDL_SetWindowFullscreen(gameWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
}

bool SetLogicalSize() {
  if (renderer == nullptr)
    return false;
  // Pixel-sharp: nearest neighbour, whole-number scale, letterboxed.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  if (SDL_RenderSetLogicalSize(renderer, screenWidth, screenHeight) != 0)
    return false;
  SDL_RenderSetIntegerScale(renderer, SDL_TRUE);
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  return true;
}

bool CreateFront() {
  if (renderer == nullptr)
    return false;
  frontFormat = chooseFrontFormat();
  frontTexture = SDL_CreateTexture(renderer, frontFormat, SDL_TEXTUREACCESS_STREAMING, screenWidth,
                                   screenHeight);
  if (frontTexture == nullptr)
    return false;
  SDL_SetTextureBlendMode(frontTexture, SDL_BLENDMODE_NONE);
  // SDL allocates for the window's pixels and for a conversion: here, not
  // in the first frame.
  if (directFront)
    if (SDL_Surface *screen = SDL_GetWindowSurface(gameWindow))
      makeFrontColours(screen->format);
  return true;
}

void ReleaseFront() {
  if (frontTexture != nullptr) {
    SDL_DestroyTexture(frontTexture);
    frontTexture = nullptr;
  }
  // The back buffer belongs to the front and goes with it.
  if (backBuffer != nullptr) {
    SDL_FreeSurface(backBuffer);
    backBuffer = nullptr;
  }
}

void ReleaseRenderer() {
  if (renderer == nullptr)
    return;
  if (frontTexture != nullptr) { // the renderer would take it along
    SDL_DestroyTexture(frontTexture);
    frontTexture = nullptr;
  }
  SDL_DestroyRenderer(renderer);
  renderer = nullptr;
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

} // namespace ruzoz::platform
