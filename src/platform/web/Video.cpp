// The window in a page: a 640 x 480 canvas that shows the RGB565 back
// buffer, sharp at any size in the largest 4:3 area, and the images read by the
// shared bitmap reader and drawn by our own keyed copy.

#include "platform/Window.h"
#include "platform/web/Internal.h"
#include "ports/BitmapImage.h"
#include "ports/Texts.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace ruzoz::platform {

namespace {

std::uint16_t backBuffer[screenWidth * screenHeight];
bool backBufferMade = false;
bool canvasMade = false;
// The canvas's RGBA bytes, rebuilt at each flip.
std::uint8_t shown[screenWidth * screenHeight * 4];
int imagesHeld = 0;

// 5 and 6 bits widened to 8 by repeating their top bits.
constexpr std::uint8_t widen5(unsigned v) { return std::uint8_t(v << 3 | v >> 2); }
constexpr std::uint8_t widen6(unsigned v) { return std::uint8_t(v << 2 | v >> 4); }

} // namespace

} // namespace ruzoz::platform

// clang-format off
// The picture fills its 4:3 box in device pixels as the Linux build draws
// it: every game pixel enlarged by the smallest whole number that reaches
// the box (nearest neighbour), then one linear step down to the box, so
// pixels stay even and sharp at any size. A whole multiple is drawn as it is.
EM_JS(int, ruzoz_page_make_canvas, (), {
  const canvas = document.getElementById('screen');
  if (!canvas) return 0;
  const context = canvas.getContext('2d', {alpha: false});
  if (!context) return 0;
  const source = document.createElement('canvas');
  source.width = 640;
  source.height = 480;
  const sourceContext = source.getContext('2d', {alpha: false});
  const screen = Module.ruzozScreen = {canvas: canvas, context: context, source: source,
                                       sourceContext: sourceContext, enlarged: null,
                                       image: sourceContext.createImageData(640, 480), placed: false};
  // The box as the browser snaps it to device pixels.
  screen.place = () => {
    const ratio = window.devicePixelRatio || 1;
    const box = canvas.getBoundingClientRect();
    const width = Math.max(1, Math.round(box.right * ratio) - Math.round(box.left * ratio));
    const height = Math.max(1, Math.round(box.bottom * ratio) - Math.round(box.top * ratio));
    const multiple = Math.max(1, Math.ceil(width / 640), Math.ceil(height / 480));
    canvas.width = width;
    canvas.height = height;
    screen.enlarged = null;
    if (width !== 640 * multiple || height !== 480 * multiple) {
      const enlarged = document.createElement('canvas');
      enlarged.width = 640 * multiple;
      enlarged.height = 480 * multiple;
      screen.enlarged = enlarged.getContext('2d', {alpha: false});
      screen.enlarged.imageSmoothingEnabled = false;
    }
    context.imageSmoothingEnabled = screen.enlarged !== null;
    context.imageSmoothingQuality = 'low';
    screen.placed = true;
  };
  const again = () => { screen.placed = false; };
  window.addEventListener('resize', again);
  document.addEventListener('fullscreenchange', again);
  if (window.ResizeObserver) new ResizeObserver(again).observe(canvas);
  return 1;
});

EM_JS(void, ruzoz_page_show, (const std::uint8_t *rgba), {
  const screen = Module.ruzozScreen;
  screen.image.data.set(HEAPU8.subarray(rgba, rgba + 640 * 480 * 4));
  screen.sourceContext.putImageData(screen.image, 0, 0);
  if (!screen.placed) screen.place();
  const canvas = screen.canvas;
  let from = screen.source;
  if (screen.enlarged) {
    const enlarged = screen.enlarged.canvas;
    screen.enlarged.drawImage(from, 0, 0, enlarged.width, enlarged.height);
    from = enlarged;
  }
  screen.context.drawImage(from, 0, 0, canvas.width, canvas.height);
});

EM_JS(void, ruzoz_page_error, (const char *text), {
  if (Module.ruzozShowError) Module.ruzozShowError(UTF8ToString(text));
});

EM_JS(void, ruzoz_page_ended, (), {
  if (Module.ruzozEnded) Module.ruzozEnded();
});

// The whole page goes full screen, so that the touch pad and the page's
// notes stay. Browsers leave full screen on Esc and keep the key; where
// the keyboard can be locked, Esc reaches the game (held, it still leaves).
EM_JS(void, ruzoz_page_full_screen, (), {
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  else if (document.documentElement.requestFullscreen)
    document.documentElement.requestFullscreen().catch(() => {});
});

EM_JS(void, ruzoz_page_lock_escape, (), {
  document.addEventListener('fullscreenchange', () => {
    const keyboard = navigator.keyboard;
    if (!keyboard || !keyboard.lock) return;
    if (document.fullscreenElement) keyboard.lock(['Escape']).catch(() => {});
    else keyboard.unlock();
  });
});
// clang-format on

namespace ruzoz::platform {

namespace {

struct Picture {
  Rgb565Image image;
  bool keyed = false;
};

class PageVideo final : public Video {
public:
  bool LoadImage(const char *fileName, Surface &out) override {
    if (!backBufferMade)
      return false;
    auto *picture = new Picture;
    if (!LoadBitmapFile(fileName, picture->image)) {
      delete picture;
      return false;
    }
    out.width = picture->image.width;
    out.height = picture->image.height;
    out.pixels = picture;
    ++imagesHeld;
    return true;
  }

  void ReleaseImage(Surface &surface) override {
    if (surface.pixels == nullptr)
      return;
    delete static_cast<Picture *>(surface.pixels);
    surface.pixels = nullptr;
    --imagesHeld;
  }

  void SetColorKey(Surface &surface) override {
    if (surface.pixels != nullptr)
      static_cast<Picture *>(surface.pixels)->keyed = true;
  }

  // Clipped to both the image and the back buffer, as SDL's blit does.
  void Blit(const Surface &surface, int x, int y, const SourceRect *cell, int) override {
    if (!backBufferMade || surface.pixels == nullptr)
      return;
    const Picture &picture = *static_cast<const Picture *>(surface.pixels);
    const Rgb565Image &image = picture.image;
    int left = 0, top = 0, right = image.width, bottom = image.height;
    if (cell != nullptr) {
      left = cell->left < 0 ? 0 : cell->left;
      top = cell->top < 0 ? 0 : cell->top;
      x += left - cell->left;
      y += top - cell->top;
      right = cell->right < image.width ? cell->right : image.width;
      bottom = cell->bottom < image.height ? cell->bottom : image.height;
    }
    if (x < 0) {
      left -= x;
      x = 0;
    }
    if (y < 0) {
      top -= y;
      y = 0;
    }
    if (right - left > screenWidth - x)
      right = left + screenWidth - x;
    if (bottom - top > screenHeight - y)
      bottom = top + screenHeight - y;
    for (int row = top; row < bottom; ++row) {
      const std::uint16_t *from = image.pixels.data() + row * image.width;
      std::uint16_t *to = backBuffer + (y + row - top) * screenWidth + x - left;
      for (int column = left; column < right; ++column)
        if (!picture.keyed || from[column] != colorKey)
          to[column] = from[column];
    }
  }

  void Flip() override {
    if (!backBufferMade)
      return;
    if (canvasMade) {
      std::uint8_t *out = shown;
      for (const std::uint16_t pixel : backBuffer) {
        *out++ = widen5(pixel >> 11);
        *out++ = widen6(pixel >> 5 & 0x3F);
        *out++ = widen5(pixel & 0x1F);
        *out++ = 0xFF;
      }
      ruzoz_page_show(shown);
    }
    ++web::framesShown;
  }
};

} // namespace

// The page's window is the canvas; without a page (node, headless) there is
// only the back buffer.
bool DisplayFound() { return true; }
bool InitVideo() { return true; }
void DesktopSize(int &width, int &height) {
  width = screenWidth;
  height = screenHeight;
}
bool CreateGameWindow(int, int) {
  canvasMade = !web::headless && ruzoz_page_make_canvas() != 0;
  if (canvasMade)
    ruzoz_page_lock_escape();
  return web::headless || canvasMade;
}
void ShowGameWindow() {}
void HideGameWindow() {}
bool CreateRenderer() { return true; }
bool EnterFullScreen() { return true; }
// The page is the window.
bool EnterWindowedMode() { return true; }
bool SetLogicalSize() { return true; }
bool CreateFront() { return true; }
bool CreateBackBuffer() {
  backBufferMade = true;
  return true;
}
void ReleaseFront() { backBufferMade = false; }
void ReleaseRenderer() {}

void EndVideo() {
  web::StopAudio();
  if (!web::headless)
    ruzoz_page_ended();
}

void ShowErrorBox(const char *text) {
  std::fprintf(stderr, "%s\n", text);
  if (!web::headless)
    ruzoz_page_error(text);
}

void ToggleFullScreen() {
  if (canvasMade)
    ruzoz_page_full_screen();
}

Video &ScreenVideo() {
  static PageVideo screen;
  return screen;
}

// A 24-bit bottom-up BMP, as the native snapshot writes it.
bool SaveBackBuffer(const char *path) {
  if (!backBufferMade)
    return false;
  std::FILE *out = std::fopen(path, "wb");
  if (out == nullptr)
    return false;
  const std::uint32_t pixelBytes = screenWidth * screenHeight * 3;
  std::uint8_t header[54] = {'B', 'M'};
  const auto put = [&header](int at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
      header[at + i] = std::uint8_t(value >> (8 * i));
  };
  put(2, 54 + pixelBytes);
  put(10, 54);
  put(14, 40);
  put(18, screenWidth);
  put(22, screenHeight);
  put(26, 1 | 24 << 16);
  put(34, pixelBytes);
  bool ok = std::fwrite(header, sizeof header, 1, out) == 1;
  static std::uint8_t row[screenWidth * 3];
  for (int y = screenHeight - 1; y >= 0 && ok; --y) {
    for (int x = 0; x < screenWidth; ++x) {
      const std::uint16_t pixel = backBuffer[y * screenWidth + x];
      row[3 * x] = widen5(pixel & 0x1F);
      row[3 * x + 1] = widen6(pixel >> 5 & 0x3F);
      row[3 * x + 2] = widen5(pixel >> 11);
    }
    ok = std::fwrite(row, sizeof row, 1, out) == 1;
  }
  return std::fclose(out) == 0 && ok;
}

} // namespace ruzoz::platform

namespace ruzoz::web {

const std::uint16_t *BackBuffer() { return platform::backBuffer; }

} // namespace ruzoz::web
