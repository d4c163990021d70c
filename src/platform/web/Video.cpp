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
#include <cstring>
#include <iterator>

namespace ruzoz::platform {

namespace {

std::uint16_t backBuffer[screenWidth * screenHeight];
bool backBufferMade = false;
bool canvasMade = false;
// The canvas's RGBA pixels (R in the lowest byte), and the back buffer they
// were widened from: a flip widens and hands on only the rows that changed
// since (the title stands still, play redraws a few dozen rows a frame).
std::uint32_t shown[screenWidth * screenHeight];
std::uint16_t shownFrom[screenWidth * screenHeight];
bool shownOnce = false;
int imagesHeld = 0;

// 5 and 6 bits widened to 8 by repeating their top bits.
constexpr std::uint8_t widen5(unsigned v) { return std::uint8_t(v << 3 | v >> 2); }
constexpr std::uint8_t widen6(unsigned v) { return std::uint8_t(v << 2 | v >> 4); }

// Four pixels a word and no early exit, so that it runs a vector at a time.
bool rowDiffers(const std::uint16_t *a, const std::uint16_t *b) {
  std::uint64_t differs = 0;
  for (int x = 0; x < screenWidth; x += 4) {
    std::uint64_t p, q;
    std::memcpy(&p, a + x, sizeof p);
    std::memcpy(&q, b + x, sizeof q);
    differs |= p ^ q;
  }
  return differs != 0;
}

void widenRow(const std::uint16_t *from, std::uint32_t *to) {
  for (int x = 0; x < screenWidth; ++x) {
    const unsigned pixel = from[x];
    to[x] = std::uint32_t(widen5(pixel >> 11)) | std::uint32_t(widen6(pixel >> 5 & 0x3F)) << 8 |
            std::uint32_t(widen5(pixel & 0x1F)) << 16 | 0xFF000000u;
  }
}

} // namespace

} // namespace ruzoz::platform

// clang-format off
// The picture fills its 4:3 box in device pixels as the Linux build draws
// it: every game pixel enlarged by the smallest whole number that reaches
// the box (nearest neighbour), then one linear step down to the box, so
// pixels stay even and sharp at any size. WebGL on a graphics card does
// both steps in one pass by that rule. In software (no card: SwiftShader,
// llvmpipe) WebGL, and the enlarged picture drawn by a canvas, cost a frame
// rate the game cannot spare: there the 640 x 480 canvas is scaled by the
// browser, pixelated (Module.ruzozPicture 'webgl' insists on WebGL).
EM_JS(int, ruzoz_page_make_canvas, (), {
  const canvas = document.getElementById('screen');
  if (!canvas) return 0;
  const screen = Module.ruzozScreen = {canvas: canvas, placed: false, width: 0, height: 0};
  let gl = canvas.getContext('webgl', {alpha: false, antialias: false, depth: false});
  if (gl && Module.ruzozPicture !== 'webgl') {
    const named = gl.getExtension('WEBGL_debug_renderer_info');
    const renderer = String(gl.getParameter(named ? named.UNMASKED_RENDERER_WEBGL : gl.RENDERER));
    if (/swiftshader|llvmpipe|software/i.test(renderer)) {
      gl.getExtension('WEBGL_lose_context').loseContext();
      gl = null;
    }
  }
  if (gl) {
    const shader = (kind, text) => {
      const made = gl.createShader(kind);
      gl.shaderSource(made, text);
      gl.compileShader(made);
      return made;
    };
    const program = gl.createProgram();
    gl.attachShader(program, shader(gl.VERTEX_SHADER,
      'attribute vec2 corner; void main() { gl_Position = vec4(corner, 0.0, 1.0); }'));
    // The enlarged line has 640 * multiple (480 * multiple) pixels; the
    // box's pixel centre falls between two of them, which are game pixels
    // p / multiple: blend those two by where it falls.
    gl.attachShader(program, shader(gl.FRAGMENT_SHADER, [
      'precision highp float;',
      'uniform sampler2D picture;',
      'uniform vec2 box;',
      'uniform float multiple;',
      // Where the linear filter between game pixels `first` and `first + 1`
      // gives the blend of the two enlarged pixels around the sample.
      'float tap(float at, float size, float source) {',
      'float enlarged = source * multiple;',
      'float centre = max(0.0, at * enlarged / size - 0.5);',
      'float pixel = floor(centre);',
      'float first = floor(pixel / multiple);',
      'float next = floor(min(pixel + 1.0, enlarged - 1.0) / multiple);',
      'return (first + 0.5 + (next > first ? centre - pixel : 0.0)) / source;',
      '}',
      'void main() {',
      'gl_FragColor = vec4(texture2D(picture, vec2(tap(gl_FragCoord.x, box.x, 640.0),',
      'tap(box.y - gl_FragCoord.y, box.y, 480.0))).rgb, 1.0);',
      '}',
    ].join(' ')));
    gl.linkProgram(program);
    if (gl.getProgramParameter(program, gl.LINK_STATUS)) {
      gl.useProgram(program);
      gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
      gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 3, -1, -1, 3]), gl.STATIC_DRAW);
      const corner = gl.getAttribLocation(program, 'corner');
      gl.enableVertexAttribArray(corner);
      gl.vertexAttribPointer(corner, 2, gl.FLOAT, false, 0, 0);
      gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.LINEAR);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.LINEAR);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
      gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, 640, 480, 0, gl.RGBA, gl.UNSIGNED_BYTE, null);
      screen.gl = {context: gl, box: gl.getUniformLocation(program, 'box'),
                   multiple: gl.getUniformLocation(program, 'multiple')};
    }
  }
  let shown = canvas;
  if (!screen.gl) {
    // A fresh canvas: one that had a WebGL context takes no 2D one.
    shown = document.createElement('canvas');
    shown.id = 'screen';
    shown.className = canvas.className;
    canvas.replaceWith(shown);
    screen.canvas = shown;
    const context = shown.getContext('2d', {alpha: false});
    if (!context) return 0;
    shown.width = 640;
    shown.height = 480;
    shown.style.imageRendering = 'pixelated';
    screen.context = context;
    shown.addEventListener('contextrestored', () => { screen.whole = true; });
  }
  // The box as the browser snaps it to device pixels.
  screen.place = () => {
    screen.placed = true;
    if (!screen.gl) return;
    const ratio = window.devicePixelRatio || 1;
    const box = shown.getBoundingClientRect();
    const width = Math.max(1, Math.round(box.right * ratio) - Math.round(box.left * ratio));
    const height = Math.max(1, Math.round(box.bottom * ratio) - Math.round(box.top * ratio));
    const gl = screen.gl.context;
    shown.width = width;
    shown.height = height;
    gl.viewport(0, 0, width, height);
    gl.uniform2f(screen.gl.box, width, height);
    gl.uniform1f(screen.gl.multiple, Math.max(1, Math.ceil(width / 640), Math.ceil(height / 480)));
  };
  const again = () => { screen.placed = false; };
  window.addEventListener('resize', again);
  document.addEventListener('fullscreenchange', again);
  if (window.ResizeObserver) new ResizeObserver(again).observe(shown);
  return 1;
});

// Rows top to bottom (exclusive) of the RGBA pixels at `rgba` changed; all
// of them are drawn again after a placing or a lost canvas. The pixels are
// read where they lie in our memory (a view made again only when the
// memory grows), not copied.
EM_JS(void, ruzoz_page_show, (const std::uint32_t *rgba, int top, int bottom), {
  const screen = Module.ruzozScreen;
  if (!screen.placed) {
    screen.place();
    screen.whole = true;
  }
  if (screen.whole) {
    screen.whole = false;
    top = 0;
    bottom = 480;
  }
  if (top >= bottom) return;
  if (screen.pixels !== HEAPU8.buffer) {
    screen.pixels = HEAPU8.buffer;
    screen.view = new Uint8Array(HEAPU8.buffer, rgba, 640 * 480 * 4);
    if (!screen.gl) screen.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, 640 * 480 * 4), 640, 480);
  }
  if (screen.gl) {
    const gl = screen.gl.context;
    gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, top, 640, bottom - top, gl.RGBA, gl.UNSIGNED_BYTE,
                     screen.view.subarray(top * 640 * 4, bottom * 640 * 4));
    gl.drawArrays(gl.TRIANGLES, 0, 3);
    return;
  }
  screen.context.putImageData(screen.image, 0, 0, 0, top, 640, bottom - top);
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
      int top = screenHeight, bottom = 0;
      for (int y = 0; y < screenHeight; ++y) {
        const std::uint16_t *row = backBuffer + y * screenWidth;
        std::uint16_t *was = shownFrom + y * screenWidth;
        if (shownOnce && !rowDiffers(row, was))
          continue;
        std::copy(row, row + screenWidth, was);
        widenRow(row, shown + y * screenWidth);
        top = std::min(top, y);
        bottom = y + 1;
      }
      shownOnce = true;
      ruzoz_page_show(shown, top, bottom);
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
