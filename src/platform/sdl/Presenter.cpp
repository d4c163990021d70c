// Presenting the back buffer: the game window's renderer, its front texture
// and the enlarged picture; placing the picture (PlacePicture); the wait for
// the vertical blank. With SDL's software renderer the picture goes straight
// into the window's pixels instead (StraightPicture.cpp): one pass where the
// renderer would convert, clear and scale.

#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/SdlObjects.h"
#include "platform/sdl/StraightPicture.h"

#include <SDL_syswm.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace ruzoz::platform {

SDL_Renderer *renderer = nullptr;
SDL_Texture *frontTexture = nullptr;
bool integerScale = false;

namespace {

Uint32 frontFormat = SDL_PIXELFORMAT_UNKNOWN;

// With SDL's software renderer the picture goes straight into the window's
// pixels: one pass that converts and scales, instead of a conversion into
// the texture, a clear of the whole window and a scaled copy.
bool directFront = false;
// Set when the window may be on another display: the wait for the blank is
// decided again.
std::atomic<bool> displayMayHaveChanged{true};

bool straightAllowed = true;
// Off in headless runs: the frame is drawn and flipped, nobody sees a window.
bool presentToWindow = true;

// With the renderer: the enlarged picture (640 x 480 times the multiple),
// drawn from the front by nearest neighbour and filtered linearly onto the
// window. Null where the picture is a whole multiple.
SDL_Texture *sharpTexture = nullptr;
bool renderTargets = false;
int placedWidth = -1;
int placedHeight = -1;
PictureArea placed;

int SDLCALL noteWindowEvent(void *, SDL_Event *event) {
  if (event->type == SDL_WINDOWEVENT) {
    RepaintWholeWindow();
    if (event->window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED ||
        event->window.event == SDL_WINDOWEVENT_MOVED ||
        event->window.event == SDL_WINDOWEVENT_SHOWN)
      displayMayHaveChanged = true;
  } else if (event->type == SDL_DISPLAYEVENT) {
    displayMayHaveChanged = true;
  }
  return 0;
}

// --- The picture through the renderer --------------------------------------

// Where the picture goes on the renderer's output now; the enlarged picture
// made again when the output's size changed.
void placeOnRenderer() {
  int width = 0;
  int height = 0;
  if (!renderTargets || SDL_GetRendererOutputSize(renderer, &width, &height) != 0)
    return;
  if (width == placedWidth && height == placedHeight)
    return;
  placedWidth = width;
  placedHeight = height;
  placed = PlacePicture(width, height, integerScale);
  if (sharpTexture != nullptr) {
    SDL_DestroyTexture(sharpTexture);
    sharpTexture = nullptr;
  }
  if (placed.width == screenWidth * placed.multiple)
    return; // a whole multiple: the front is drawn as it is
  sharpTexture = SDL_CreateTexture(renderer, frontFormat, SDL_TEXTUREACCESS_TARGET,
                                   screenWidth * placed.multiple, screenHeight * placed.multiple);
  // Without it the front is enlarged straight to the area: uneven, still sharp.
  if (sharpTexture != nullptr) {
    SDL_SetTextureBlendMode(sharpTexture, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(sharpTexture, SDL_ScaleModeLinear);
  }
}

// Presents wait for the blank only on a display of 60 Hz or more.
void chooseBlankWait() {
  displayMayHaveChanged = false;
  int rate = 0;
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(gameWindow);
  if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0)
    rate = mode.refresh_rate;
  SDL_RenderSetVSync(renderer, WaitForBlank(rate) ? 1 : 0);
}

void present() {
  if (backBuffer == nullptr || frontTexture == nullptr || renderer == nullptr)
    return;
  if (directFront && straightAllowed && PresentStraightIntoWindow(frontFormat))
    return;
  // The renderer draws over the window's pixels.
  RepaintWholeWindow();
  if (displayMayHaveChanged)
    chooseBlankWait();
  void *pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(frontTexture, nullptr, &pixels, &pitch) == 0) {
    SDL_ConvertPixels(screenWidth, screenHeight, backBufferFormat, backBuffer->pixels,
                      backBuffer->pitch, frontFormat, pixels, pitch);
    SDL_UnlockTexture(frontTexture);
  }
  SDL_RenderClear(renderer);
  if (!renderTargets) {
    SDL_RenderCopy(renderer, frontTexture, nullptr, nullptr); // the logical size places it
  } else {
    placeOnRenderer();
    const SDL_Rect area{placed.x, placed.y, placed.width, placed.height};
    if (sharpTexture != nullptr && SDL_SetRenderTarget(renderer, sharpTexture) == 0) {
      SDL_RenderCopy(renderer, frontTexture, nullptr, nullptr);
      SDL_SetRenderTarget(renderer, nullptr);
      SDL_RenderCopy(renderer, sharpTexture, nullptr, &area);
    } else {
      SDL_RenderCopy(renderer, frontTexture, nullptr, &area);
    }
  }
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

// The front and the enlarged picture, which the renderer made.
void releaseTextures() {
  if (sharpTexture != nullptr) {
    SDL_DestroyTexture(sharpTexture);
    sharpTexture = nullptr;
  }
  placedWidth = placedHeight = -1;
  if (frontTexture != nullptr) {
    SDL_DestroyTexture(frontTexture);
    frontTexture = nullptr;
  }
}

} // namespace

void PresentBackBuffer() {
  if (presentToWindow)
    present();
}

void PresentToWindow(bool on) {
  presentToWindow = on;
  RepaintWholeWindow();
}

void PresentStraight(bool on) {
  straightAllowed = on;
  RepaintWholeWindow();
}

bool PresentWaitsForBlank() {
  SDL_RendererInfo info;
  return renderer != nullptr && !(directFront && straightAllowed) &&
         SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
}

void SetIntegerScale(bool on) {
  integerScale = on;
  placedWidth = -1; // placed again at the next present
  ForgetStraightPlacement();
}

PictureArea PlacePicture(int outputWidth, int outputHeight, bool integerScale) {
  PictureArea area;
  if (outputWidth <= 0 || outputHeight <= 0)
    return area;
  const int whole = std::min(outputWidth / screenWidth, outputHeight / screenHeight);
  if (integerScale && whole >= 1) {
    area.width = screenWidth * whole;
    area.height = screenHeight * whole;
  } else if (outputWidth * 3 >= outputHeight * 4) { // wider than 4:3: bars left and right
    area.height = outputHeight;
    area.width = std::max(1, outputHeight * 4 / 3);
  } else {
    area.width = outputWidth;
    area.height = std::max(1, outputWidth * 3 / 4);
  }
  area.x = (outputWidth - area.width) / 2;
  area.y = (outputHeight - area.height) / 2;
  area.multiple = std::max({1, (area.width + screenWidth - 1) / screenWidth,
                            (area.height + screenHeight - 1) / screenHeight});
  return area;
}

// A display of 59 Hz is 59.94 Hz counted down (NTSC-derived modes, as some
// systems report them): waiting there slows the game by a thousandth, and
// not waiting would tear the picture.
bool WaitForBlank(int refreshRate) { return refreshRate >= 59; }

bool CreateRenderer() {
  if (gameWindow == nullptr)
    return false;
  // Without waiting for the blank: whether to wait depends on the display
  // (chooseBlankWait, before the first present).
  if (!xServerLacksGpu())
    renderer = SDL_CreateRenderer(gameWindow, -1, SDL_RENDERER_ACCELERATED);
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
  }
  if (renderer != nullptr) {
    RepaintWholeWindow();
    displayMayHaveChanged = true;
    SDL_AddEventWatch(noteWindowEvent, nullptr);
  }
  return renderer != nullptr;
}

bool EnterFullScreen() {
  if (gameWindow == nullptr || renderer == nullptr ||
      SDL_SetWindowFullscreen(gameWindow, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
    return false;
  // Nothing to point at on the picture.
  SDL_ShowCursor(SDL_DISABLE);
  return true;
}

bool SetLogicalSize() {
  if (renderer == nullptr)
    return false;
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
  SDL_RendererInfo info;
  renderTargets =
      SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_TARGETTEXTURE) != 0;
  if (renderTargets)
    return true; // placed by hand (PlacePicture), at the first present
  // No enlarged picture to filter: whole multiples, letterboxed, by the renderer.
  if (SDL_RenderSetLogicalSize(renderer, screenWidth, screenHeight) != 0)
    return false;
  SDL_RenderSetIntegerScale(renderer, SDL_TRUE);
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
  SDL_SetTextureScaleMode(frontTexture, SDL_ScaleModeNearest);
  // SDL allocates for the window's pixels and for a conversion, and the
  // enlarged picture is made: here, not in the first frame.
  if (directFront) {
    if (SDL_Surface *screen = SDL_GetWindowSurface(gameWindow))
      PrepareStraight(screen);
  } else {
    placeOnRenderer();
  }
  return true;
}

void ReleaseFront() {
  releaseTextures();
  // The back buffer belongs to the front and goes with it.
  if (backBuffer != nullptr) {
    SDL_FreeSurface(backBuffer);
    backBuffer = nullptr;
  }
}

void ReleaseRenderer() {
  if (renderer == nullptr)
    return;
  // The renderer would take its textures along.
  releaseTextures();
  SDL_DestroyRenderer(renderer);
  renderer = nullptr;
  SDL_DelEventWatch(noteWindowEvent, nullptr);
  directFront = false;
  renderTargets = false;
  RepaintWholeWindow();
  ForgetStraightPlacement();
  if (gameWindow != nullptr) {
    SDL_SetWindowFullscreen(gameWindow, 0);
    SDL_HideWindow(gameWindow);
  }
}

} // namespace ruzoz::platform
