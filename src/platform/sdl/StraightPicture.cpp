// The picture straight into the window's pixels, for SDL's software
// renderer: one pass that widens the back buffer to the window's format,
// enlarges it by the whole multiple and filters it linearly down to the
// picture's area, touching only the 16-pixel blocks that changed since the
// last present. The renderer's way (Presenter.cpp) shows the same picture
// to within a level or two.

#include "platform/sdl/StraightPicture.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/SdlObjects.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace ruzoz::platform {

namespace {

// Every back-buffer colour in the window's format, made by SDL's own
// conversion, so the picture is the one the renderer would show.
Uint32 frontColour[1 << 16];
Uint32 frontColourFormat = SDL_PIXELFORMAT_UNKNOWN;
// SDL widens 5 and 6 bits to 8 as the products in widenRow do; where all
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

// Lane i of `out` is lane mask[i] of v. Clang (the fuzz build) has no
// shuffle by a mask known only at run time; a loop it vectorises does. (By
// reference, as blend.)
inline void pick(const Wide16 &v, const Wide16 &mask, Wide16 &out) {
#if defined(__clang__)
  for (int i = 0; i < 16; ++i)
    out[i] = v[mask[i] & 15];
#else
  out = __builtin_shuffle(v, mask);
#endif
}

// a + (b - a) * weight / 256 in each of the four bytes. (By reference: the
// vectors' size is not the same in every clone.)
template <class Weight>
inline void blend(const Wide16 &a, const Wide16 &b, const Weight &weight, Wide16 &out) {
  const Uint32 evenBytes = 0x00FF00FF;
  const Wide16 even = ((a & evenBytes) * (256u - weight) + (b & evenBytes) * weight) >> 8;
  const Wide16 odd = (a >> 8 & evenBytes) * (256u - weight) + (b >> 8 & evenBytes) * weight;
  out = (even & evenBytes) | (odd & ~evenBytes);
}

// --- The picture straight into the window's pixels -------------------------
//
// The two steps at once: every window pixel is one back-buffer pixel, or two
// neighbours blended where the enlarged picture's sample falls between them.

constexpr int maxStraight = 8192; // larger windows are left to the renderer
constexpr int blockWidth = 16;
constexpr int blocksPerRow = screenWidth / blockWidth;

// Window pixel `i` of `size` samples the line of `source` pixels enlarged
// `multiple` times: it is pixel `first`, blended `weight` / 256 with the next.
struct Tap {
  int first = 0;
  Uint32 weight = 0;
};
Tap tapFor(int i, int size, int source, int multiple) {
  // The sample's centre on the enlarged line, in 1 / (2 * size) pixels.
  const std::int64_t enlarged = static_cast<std::int64_t>(source) * multiple;
  const std::int64_t step = 2 * static_cast<std::int64_t>(size);
  const std::int64_t at = std::max<std::int64_t>(0, (2 * i + 1) * enlarged - size);
  const std::int64_t pixel = at / step;
  const int first = static_cast<int>(pixel / multiple);
  const int next = static_cast<int>(std::min(pixel + 1, enlarged - 1) / multiple);
  const auto weight = static_cast<Uint32>(((at % step) * 256 + step / 2) / step);
  if (first == next || weight == 0)
    return Tap{first, 0};
  if (weight >= 256)
    return Tap{next, 0};
  return Tap{first, weight};
}

// Sixteen window pixels of a row: lanes of the 16 back-buffer pixels from
// `base`, blended by `weight`; `blocks`: the back buffer's 16-pixel blocks
// they read.
struct Group {
  Wide16 first, second, weight;
  int base = 0;
  std::uint64_t blocks = 0;
};
Group groups[maxStraight / blockWidth];
Tap rowTaps[maxStraight];
PictureArea straightArea;
int straightWidth = -1;
int straightHeight = -1;
int groupCount = 0;

bool placeStraight(int width, int height) {
  if (width == straightWidth && height == straightHeight)
    return groupCount > 0;
  straightWidth = width;
  straightHeight = height;
  groupCount = 0;
  const PictureArea area = PlacePicture(width, height, integerScale);
  // Only enlargements: below 640 x 480 a sample may span more than two pixels.
  if (area.width < screenWidth || area.height < screenHeight || area.width > maxStraight ||
      area.height > maxStraight)
    return false;
  const int count = (area.width + blockWidth - 1) / blockWidth;
  for (int g = 0; g < count; ++g) {
    Group &group = groups[g];
    group.base = tapFor(g * blockWidth, area.width, screenWidth, area.multiple).first;
    int last = group.base;
    for (int lane = 0; lane < blockWidth; ++lane) {
      const int column = std::min(g * blockWidth + lane, area.width - 1);
      const Tap tap = tapFor(column, area.width, screenWidth, area.multiple);
      group.first[lane] = static_cast<Uint32>(tap.first - group.base);
      group.second[lane] = group.first[lane] + (tap.weight != 0);
      group.weight[lane] = tap.weight;
      last = std::max(last, tap.first + (tap.weight != 0));
    }
    if (last - group.base >= blockWidth)
      return false;
    group.blocks = 0;
    for (int block = group.base / blockWidth; block <= last / blockWidth; ++block)
      group.blocks |= std::uint64_t{1} << block;
  }
  for (int y = 0; y < area.height; ++y)
    rowTaps[y] = tapFor(y, area.height, screenHeight, area.multiple);
  straightArea = area;
  groupCount = count;
  return true;
}

// Back-buffer rows widened to the window's format (padded: a group may load
// past the last pixel), and two rows enlarged and filtered across.
alignas(64) Uint32 widened[screenWidth + blockWidth];
alignas(64) Wide16 across[2][maxStraight / blockWidth];
int acrossRow[2] = {-1, -1};
// The blocks of each back-buffer row that changed, one bit each (and a row
// of none past either end).
std::uint64_t changedBlocks[screenHeight + 2];

RUZOZ_WIDE_VECTORS void widenRow(const Uint16 *from, Widening w) {
  if (!w.exact) {
    for (int x = 0; x < screenWidth; ++x)
      widened[x] = frontColour[from[x]];
    return;
  }
  for (int x = 0; x < screenWidth; x += blockWidth) {
    Narrow16 narrow;
    std::memcpy(&narrow, from + x, sizeof narrow);
    const Wide16 p = __builtin_convertvector(narrow, Wide16);
    const Wide16 v = w.base | (((p >> 11) * 1053) >> 7) << w.red |
                     ((((p >> 5) & 63) * 4139) >> 10) << w.green |
                     (((p & 31) * 1053) >> 7) << w.blue;
    std::memcpy(widened + x, &v, sizeof v);
  }
}

// The groups from the first to the last that reads any of `blocks`.
bool groupSpan(std::uint64_t blocks, int &first, int &last) {
  first = 0;
  while (first < groupCount && (groups[first].blocks & blocks) == 0)
    ++first;
  last = groupCount - 1;
  while (last > first && (groups[last].blocks & blocks) == 0)
    --last;
  return first < groupCount;
}

RUZOZ_WIDE_VECTORS void filterAcross(Wide16 *out, int first, int last) {
  for (int g = first; g <= last; ++g) {
    const Group &group = groups[g];
    Wide16 line;
    std::memcpy(&line, widened + group.base, sizeof line);
    Wide16 left, right;
    pick(line, group.first, left);
    pick(line, group.second, right);
    blend(left, right, group.weight, out[g]);
  }
}

// Back-buffer row `row` - 1 (rows count from 1 in changedBlocks), enlarged
// across wherever a window row that reads it may need it.
const Wide16 *rowAcross(int row) {
  Wide16 *out = across[row & 1];
  if (acrossRow[row & 1] != row) {
    acrossRow[row & 1] = row;
    int first = 0;
    int last = 0;
    if (groupSpan(changedBlocks[row - 1] | changedBlocks[row] | changedBlocks[row + 1], first,
                  last)) {
      widenRow(backBufferRow(row - 1), widening);
      filterAcross(out, first, last);
    }
  }
  return out;
}

// A window row from back-buffer rows enlarged across: one of them, or the
// two blended. Made here, then copied in one piece: a block copy writes whole
// cache lines without reading them first, where single stores would.
alignas(64) Wide16 blendedRow[maxStraight / blockWidth];

RUZOZ_WIDE_VECTORS void blendRows(const Wide16 *upper, const Wide16 *lower, Uint32 weight,
                                  int first, int last) {
  for (int g = first; g <= last; ++g)
    blend(upper[g], lower[g], weight, blendedRow[g]);
}

void writeRow(Uint8 *out, const Wide16 *upper, const Wide16 *lower, Uint32 weight,
              std::uint64_t blocks) {
  int first = 0;
  int last = 0;
  if (!groupSpan(blocks, first, last))
    return;
  const Wide16 *row = upper;
  if (weight != 0) {
    blendRows(upper, lower, weight, first, last);
    row = blendedRow;
  }
  const int begin = first * blockWidth;
  const int end = std::min(straightArea.width, (last + 1) * blockWidth);
  std::memcpy(out + begin * 4, reinterpret_cast<const Uint32 *>(row) + begin,
              static_cast<std::size_t>(end - begin) * 4);
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

// The picture into the window's pixels by hand, only the rows and groups
// whose back-buffer pixels changed. False where this does not apply (then
// the renderer draws).
bool presentDirect(Uint32 frontFormat) {
  SDL_Surface *screen = SDL_GetWindowSurface(gameWindow);
  if (screen == nullptr || screen->format->format != frontFormat ||
      screen->format->BytesPerPixel != 4 || !makeFrontColours(screen->format) ||
      !placeStraight(screen->w, screen->h))
    return false;
  if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0)
    return false;

  const bool all = repaintWindow.exchange(false) || screen != shownOn ||
                   screen->pixels != shownPixels || screen->w != shownWidth ||
                   screen->h != shownHeight;
  if (all) {
    if (screen->pixels != shownPixels)
      populate(screen->pixels, static_cast<std::size_t>(screen->pitch) * screen->h);
    SDL_FillRect(screen, nullptr, SDL_MapRGBA(screen->format, 0, 0, 0, 255));
    shownOn = screen;
    shownPixels = screen->pixels;
    shownWidth = screen->w;
    shownHeight = screen->h;
  }
  for (int y = 0; y < screenHeight; ++y) {
    const Uint16 *from = backBufferRow(y);
    std::uint64_t blocks = 0;
    for (int block = 0; block < blocksPerRow; ++block) {
      const int x = block * blockWidth;
      if (!all && std::memcmp(from + x, shown[y] + x, blockWidth * sizeof *from) == 0)
        continue;
      std::memcpy(shown[y] + x, from + x, blockWidth * sizeof *from);
      blocks |= std::uint64_t{1} << block;
    }
    changedBlocks[y + 1] = blocks;
  }
  acrossRow[0] = acrossRow[1] = -1;

  const PictureArea &area = straightArea;
  int firstChanged = area.height;
  int lastChanged = -1;
  for (int y = 0; y < area.height; ++y) {
    const Tap tap = rowTaps[y];
    const int row = tap.first + 1;
    const std::uint64_t blocks =
        changedBlocks[row] | (tap.weight != 0 ? changedBlocks[row + 1] : 0);
    if (blocks == 0)
      continue;
    const Wide16 *upper = rowAcross(row);
    const Wide16 *lower = tap.weight != 0 ? rowAcross(row + 1) : upper;
    auto *out = static_cast<Uint8 *>(screen->pixels) +
                static_cast<std::ptrdiff_t>(area.y + y) * screen->pitch + area.x * 4;
    writeRow(out, upper, lower, tap.weight, blocks);
    firstChanged = std::min(firstChanged, y);
    lastChanged = y;
  }
  if (SDL_MUSTLOCK(screen))
    SDL_UnlockSurface(screen);

  if (all) {
    SDL_UpdateWindowSurface(gameWindow);
  } else if (lastChanged >= 0) {
    const SDL_Rect changed{area.x, area.y + firstChanged, area.width,
                           lastChanged - firstChanged + 1};
    SDL_UpdateWindowSurfaceRects(gameWindow, &changed, 1);
  }
  return true;
}

} // namespace

bool PresentStraightIntoWindow(Uint32 frontFormat) { return presentDirect(frontFormat); }

void PrepareStraight(SDL_Surface *screen) {
  makeFrontColours(screen->format);
  placeStraight(screen->w, screen->h);
}

void RepaintWholeWindow() { repaintWindow = true; }

void ForgetStraightPlacement() { straightWidth = straightHeight = -1; }

} // namespace ruzoz::platform
