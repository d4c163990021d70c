// The one bitmap reader against SDL's: the same RGB565 pixels for every
// game image and for each kind of file it reads.

#include "ports/BitmapImage.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace ruzoz;

namespace {

using Bytes = std::vector<std::uint8_t>;

// What SDL's loader and converter give, white kept apart from near-white.
bool sdlPixels(const Bytes &file, Rgb565Image &out) {
  SDL_Surface *loaded = SDL_LoadBMP_RW(SDL_RWFromConstMem(file.data(), int(file.size())), 1);
  if (loaded == nullptr)
    return false;
  SDL_Surface *narrow = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB565, 0);
  SDL_Surface *wide = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
  out.width = loaded->w;
  out.height = loaded->h;
  out.pixels.clear();
  for (int y = 0; y < loaded->h; ++y)
    for (int x = 0; x < loaded->w; ++x) {
      std::uint16_t p = static_cast<std::uint16_t *>(narrow->pixels)[y * narrow->pitch / 2 + x];
      const std::uint32_t rgb = static_cast<std::uint32_t *>(wide->pixels)[y * wide->pitch / 4 + x];
      out.pixels.push_back(p == colorKey && (rgb & 0xFFFFFF) != 0xFFFFFF ? almostWhite : p);
    }
  SDL_FreeSurface(wide);
  SDL_FreeSurface(narrow);
  SDL_FreeSurface(loaded);
  return true;
}

void put(Bytes &b, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    b[at + i] = std::uint8_t(value >> (8 * i));
}

// A file of `bits` per pixel; pixel (x, y) has colour or palette index
// f(x, y). A negative height stores the top row first.
Bytes makeBmp(int headerSize, int bits, int width, int height,
              const std::vector<std::uint32_t> &palette, std::uint32_t (*f)(int, int)) {
  const int rows = height < 0 ? -height : height;
  const std::size_t stride = std::size_t((width * bits + 31) / 32) * 4;
  const bool core = headerSize == 12;
  const std::size_t entry = core ? 3 : 4;
  const std::size_t offset = 14 + headerSize + palette.size() * entry;
  Bytes b(offset + stride * rows, 0);
  put(b, 0, 'B' | 'M' << 8, 2);
  put(b, 2, std::uint32_t(b.size()), 4);
  put(b, 10, std::uint32_t(offset), 4);
  put(b, 14, headerSize, 4);
  put(b, 18, std::uint32_t(width), core ? 2 : 4);
  put(b, core ? 20 : 22, std::uint32_t(height), core ? 2 : 4);
  put(b, core ? 22 : 26, 1, 2);
  put(b, core ? 24 : 28, bits, 2);
  if (!core)
    put(b, 46, std::uint32_t(palette.size()), 4);
  for (std::size_t i = 0; i < palette.size(); ++i)
    put(b, 14 + headerSize + i * entry, palette[i], 3);
  for (int y = 0; y < rows; ++y) {
    const std::size_t row = offset + stride * std::size_t(height < 0 ? y : rows - 1 - y);
    for (int x = 0; x < width; ++x)
      if (bits >= 24)
        put(b, row + std::size_t(x) * (bits / 8), f(x, y), bits / 8);
      else
        b[row + x * bits / 8] |= std::uint8_t(f(x, y) << (8 - bits - x * bits % 8));
  }
  return b;
}

// White, the near-whites that narrow to the key, the extremes of each
// channel's dropped bits, and a spread of others.
std::uint32_t colour(int x, int y) {
  static const std::uint32_t edges[] = {0xFFFFFF, 0xFEFFFF, 0xFFFEFF, 0xF8FCF8,
                                        0x070307, 0x000000, 0x08040F, 0x123456};
  return (x + y) % 3 == 0 ? edges[(x + y) % 8]
                          : std::uint32_t(x * 0x2F1D37 + y * 0x0B6D05) & 0xFFFFFF;
}

TEST(BitmapImage, EachKindOfFileAndEveryGameImageGiveSdlsPixels) {
  const std::vector<std::uint32_t> palette = {0xFFFFFF, 0xFEFEFE, 0x102030, 0xF8FCF8,
                                              0x000000, 0xABCDEF, 0x7F7F7F, 0x0000FF};
  std::vector<std::pair<std::string, Bytes>> files = {
      {"24-bit, odd width", makeBmp(40, 24, 13, 7, {}, colour)},
      {"24-bit, top row first", makeBmp(40, 24, 6, -5, {}, colour)},
      {"24-bit, V5 header", makeBmp(124, 24, 5, 3, {}, colour)},
      {"24-bit, core header", makeBmp(12, 24, 7, 4, {}, colour)},
      {"32-bit", makeBmp(40, 32, 9, 4, {}, colour)},
      {"8-bit palette",
       makeBmp(40, 8, 11, 3, palette, [](int x, int y) { return std::uint32_t(x + y) % 8; })},
      {"4-bit palette",
       makeBmp(40, 4, 9, 3, palette, [](int x, int y) { return std::uint32_t(x * y) % 8; })},
      {"1-bit palette, core header", makeBmp(12, 1, 19, 3, {0xFFFFFF, 0xFFFFFE},
                                             [](int x, int) { return std::uint32_t(x) % 2; })},
  };
  const std::size_t kinds = files.size();
  for (const auto &entry : std::filesystem::directory_iterator(RUZOZ_DATA_DIR))
    if (entry.path().extension() == ".bmp") {
      std::ifstream in(entry.path(), std::ios::binary);
      files.emplace_back(entry.path().string(), Bytes{std::istreambuf_iterator<char>(in), {}});
    }
  EXPECT_EQ(files.size() - kinds, 40u);
  for (const auto &[name, file] : files) {
    SCOPED_TRACE(name);
    Rgb565Image ours, sdls;
    ASSERT_TRUE(sdlPixels(file, sdls));
    ASSERT_TRUE(DecodeBitmap(file.data(), file.size(), ours));
    EXPECT_EQ(std::tie(ours.width, ours.height), std::tie(sdls.width, sdls.height));
    EXPECT_TRUE(ours.pixels == sdls.pixels);
  }
}

TEST(BitmapImage, FilesItCannotReadAreRefused) {
  // Compressed, 16-bit, too large, a palette index past the palette, cut short.
  Bytes good = makeBmp(40, 24, 4, 4, {}, colour);
  Rgb565Image out;
  ASSERT_TRUE(DecodeBitmap(good.data(), good.size(), out));
  Bytes rle = good, sixteen = good, wide = good,
        outside = makeBmp(40, 1, 8, 1, {0}, [](int, int) { return 1u; });
  put(rle, 30, 1, 4);
  put(sixteen, 28, 16, 2);
  put(wide, 18, 5000, 4);
  put(wide, 22, 5000, 4);
  for (const Bytes &bad : {rle, sixteen, wide, outside, Bytes(good.begin(), good.end() - 1)})
    EXPECT_FALSE(DecodeBitmap(bad.data(), bad.size(), out));
}

} // namespace
