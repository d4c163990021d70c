// The one bitmap reader against SDL's (the game's own images, of the kind
// sdl-24: GoldenFrames in DisplayTest).

#include "ports/BitmapImage.h"
#include "support/Bitmaps.h"
#include "support/Support.h"

#include <gtest/gtest.h>

#include <bit>
#include <tuple>

using namespace ruzoz;
using namespace testsupport;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Returns the file's bytes.
Bytes expectSdlsPixels(const fs::path &file) {
  const std::string text = ReadText(file);
  const Bytes bytes(text.begin(), text.end());
  Image sdls;
  std::string error;
  EXPECT_TRUE(ReadBmp(file, sdls, error)) << error;
  Rgb565Image ours;
  EXPECT_TRUE(DecodeBitmap(bytes.data(), bytes.size(), ours));
  EXPECT_EQ(std::tie(ours.width, ours.height), std::tie(sdls.width, sdls.height));
  std::vector<std::uint16_t> expected;
  for (const Rgb &c : sdls.pixels)
    expected.push_back(Expected565(c));
  EXPECT_TRUE(ours.pixels == expected);
  return bytes;
}

void put(Bytes &b, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    b[at + i] = std::uint8_t(value >> (8 * i));
}

Rgb rgb(std::uint32_t c) {
  return Rgb{std::uint8_t(c >> 16), std::uint8_t(c >> 8 & 0xFF), std::uint8_t(c & 0xFF)};
}

// White, the near-whites that narrow to the key, the extremes of each
// channel's dropped bits, and a spread of others.
std::uint32_t colour(int x, int y) {
  static const std::uint32_t edges[] = {0xFFFFFF, 0xFEFFFF, 0xFFFEFF, 0xF8FCF8,
                                        0x070307, 0x000000, 0x08040F, 0x123456};
  return (x + y) % 3 == 0 ? edges[(x + y) % 8]
                          : std::uint32_t(x * 0x2F1D37 + y * 0x0B6D05) & 0xFFFFFF;
}

// Pixel (x, y) of colour or index f(x, y), with bit fields if `masks`; a
// negative height stores the top row first.
Bytes makeBmp(int headerSize, int bits, int width, int height, const std::vector<Rgb> &palette,
              std::uint32_t (*f)(int, int), const std::vector<std::uint32_t> &masks = {}) {
  const int rows = height < 0 ? -height : height;
  return BitmapFileBytes(headerSize, bits, masks.empty() ? 0 : 3, width, height, palette, masks,
                         BitmapRows(width, rows, bits, height < 0, f));
}

// Packs colour(x, y) into 16 or 32 bits by the masks.
template <std::uint32_t R, std::uint32_t G, std::uint32_t B> std::uint32_t packed(int x, int y) {
  const auto channel = [c = colour(x, y)](int at, std::uint32_t mask) {
    return (c >> at & 0xFF) >> (8 - std::popcount(mask)) << std::countr_zero(mask);
  };
  return channel(16, R) | channel(8, G) | channel(0, B);
}

Bytes makeRle(int bits, int width, int height, const std::vector<Rgb> &palette, Bytes runs) {
  return BitmapFileBytes(40, bits, bits == 8 ? 1 : 2, width, height, palette, {}, runs);
}

const std::vector<Rgb> palette = {rgb(0xFFFFFF), rgb(0xFEFEFE), rgb(0x102030), rgb(0xF8FCF8),
                                  rgb(0x000000), rgb(0xABCDEF), rgb(0x7F7F7F), rgb(0x0000FF)};

TEST(BitmapImage, FilesMadeByHandGiveSdlsPixels) {
  std::vector<Rgb> sixteen = palette;
  for (std::uint32_t i = 1; i <= 8; ++i)
    sixteen.push_back(rgb(0x0F1E2D * i));
  const std::pair<const char *, Bytes> files[] = {
      {"24-bit, one pixel wide", makeBmp(40, 24, 1, 3, {}, colour)},
      {"8-bit palette, core header",
       makeBmp(12, 8, 5, 3, palette, [](int x, int y) { return std::uint32_t(x * y) % 8; })},
      {"2-bit palette of three", makeBmp(40, 2, 11, 2, {palette[0], palette[2], palette[5]},
                                         [](int x, int y) { return std::uint32_t(x + y) % 3; })},
      {"1-bit palette, core header", makeBmp(12, 1, 19, 3, {rgb(0xFFFFFF), rgb(0xFFFFFE)},
                                             [](int x, int) { return std::uint32_t(x) % 2; })},
      {"16-bit BGR565, V5",
       makeBmp(124, 16, 5, 3, {}, packed<0x001F, 0x07E0, 0xF800>, {0x001F, 0x07E0, 0xF800, 0})},
      {"16-bit ARGB4444, V4", makeBmp(108, 16, 6, 3, {}, packed<0x0F00, 0x00F0, 0x000F>,
                                      {0x0F00, 0x00F0, 0x000F, 0xF000})},
      {"16-bit RGBA5551, V5", makeBmp(124, 16, 6, 2, {}, packed<0xF800, 0x07C0, 0x003E>,
                                      {0xF800, 0x07C0, 0x003E, 0x0001})},
      {"32-bit RGBX fields after the header",
       makeBmp(40, 32, 5, 3, {}, packed<0xFF000000, 0x00FF0000, 0x0000FF00>,
               {0xFF000000, 0x00FF0000, 0x0000FF00})},
      {"32-bit ABGR, V4", makeBmp(108, 32, 5, -2, {}, packed<0x000000FF, 0x0000FF00, 0x00FF0000>,
                                  {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000})},
      // Runs, an odd absolute stretch and its pad, a jump, a row ended
      // early (the rest index 0), the last rows never reached.
      {"RLE8", makeRle(8, 7, 5, palette,
                       {3, 5, 0, 3, 1, 2, 3, 0, 1, 6, 0, 0, 2, 7, 0, 0, 0, 2, 3, 1, 2, 4, 0, 1})},
      // A run into the row's padding (width 5 of 8): the three beyond are dropped.
      {"RLE8, a run into the padding", makeRle(8, 5, 2, palette, {8, 2, 0, 0, 5, 3, 0, 1})},
      // Alternating runs, odd ones too; absolute stretches of 4 and 3 (padded).
      {"RLE4",
       makeRle(4, 9, 3, sixteen, {5,    0x1F, 4,    0xE2, 0, 0, 0, 4,    0x34, 0x5A, 0, 5,
                                  0x78, 0x9B, 0xC0, 0,    0, 0, 2, 0x1D, 0,    0,    0, 1})},
      {"RLE4, an odd row end into the padding", makeRle(4, 3, 1, sixteen, {4, 0x21, 0, 1})},
  };
  const ScratchDir dir;
  for (const auto &[name, file] : files) {
    SCOPED_TRACE(name);
    WriteFile(dir.path() / "hand.bmp", file);
    expectSdlsPixels(dir.path() / "hand.bmp");
  }
}

TEST(BitmapImage, EveryKindPaintProgramsWriteGivesSdlsPixelsAndRefusesItsDamage) {
  ScratchDir dir;
  const fs::path edges = dir.path() / "edges.bmp";
  WriteBmp(edges, 37, 23, [](int x, int y) { return rgb(colour(x, y)); });
  const fs::path data = RUZOZ_DATA_DIR;
  const fs::path sources[] = {edges, data / "titelbild.bmp", data / "Alien3.bmp"};
  ASSERT_GE(BitmapKinds().size(), 17u);
  for (const BitmapKind &kind : BitmapKinds())
    for (const fs::path &source : sources) {
      SCOPED_TRACE(kind.name + " of " + source.filename().string());
      const fs::path file = dir.path() / (kind.name + "-" + source.filename().string());
      kind.make(source, file);
      EXPECT_TRUE(ReadBitmapLayout(file) == kind.layout);
      const Bytes bytes = expectSdlsPixels(file);
      Rgb565Image out;
      for (std::size_t cut : {bytes.size() - 1, bytes.size() / 2, std::size_t(60)})
        EXPECT_FALSE(DecodeBitmap(bytes.data(), cut, out)) << "cut to " << cut;
    }
}

TEST(BitmapImage, DamagedAndUnknownFilesAreRefused) {
  Rgb565Image out;
  const Bytes good = makeBmp(40, 24, 4, 4, {}, colour);
  ASSERT_TRUE(DecodeBitmap(good.data(), good.size(), out));
  const auto with = [](Bytes b, std::size_t at, std::uint32_t value, int bytes) {
    put(b, at, value, bytes);
    return b;
  };
  const Bytes fields =
      makeBmp(124, 16, 4, 2, {}, packed<0xF800, 0x07E0, 0x001F>, {0xF800, 0x07E0, 0x001F, 0});
  ASSERT_TRUE(DecodeBitmap(fields.data(), fields.size(), out));
  const Bytes eight = makeBmp(40, 8, 3, 1, palette, [](int x, int) { return std::uint32_t(x); });
  ASSERT_TRUE(DecodeBitmap(eight.data(), eight.size(), out));
  const struct {
    const char *what;
    Bytes file;
  } cases[] = {
      {"JPEG inside", with(good, 30, 4, 4)},
      {"15 bits", with(good, 28, 15, 2)},
      {"bit fields of 24 bits", with(good, 30, 3, 4)},
      {"16-bit 444 without alpha (SDL refuses it too)",
       makeBmp(124, 16, 4, 2, {}, packed<0x0F00, 0x00F0, 0x000F>, {0x0F00, 0x00F0, 0x000F, 0})},
      {"masks SDL does not know", with(fields, 54, 0xF000, 4)},
      {"bit fields in OS/2's 64-byte header", with(fields, 14, 64, 4)},
      // Runs, as no row stride bounds them by the file's size.
      {"4097 x 4096 pixels", makeRle(8, 4097, 4096, palette, {0, 1})},
      {"an index past the palette", makeBmp(40, 1, 8, 1, {rgb(0)}, [](int, int) { return 1u; })},
      {"the palette cut short", Bytes(eight.begin(), eight.begin() + 14 + 40 + 30)},
      {"the pixels cut short", Bytes(good.begin(), good.end() - 1)},
      {"RLE8: a run past the padding", makeRle(8, 5, 1, palette, {9, 1, 0, 1})},
      {"RLE8: a run above the top row", makeRle(8, 2, 1, palette, {2, 1, 0, 0, 1, 1, 0, 1})},
      {"RLE8: a jump above the top row", makeRle(8, 2, 2, palette, {0, 2, 0, 2, 1, 1, 0, 1})},
      {"RLE8: a jump past the padding", makeRle(8, 2, 2, palette, {0, 2, 4, 0, 1, 1, 0, 1})},
      {"RLE8: no end of bitmap", makeRle(8, 2, 1, palette, {2, 1})},
      {"RLE8: absolute stretch cut short", makeRle(8, 4, 1, palette, {0, 4, 1, 2})},
      {"RLE8: its pad cut off", makeRle(8, 4, 1, palette, {0, 3, 1, 2, 3})},
      {"RLE8: a colour past the table", makeRle(8, 2, 1, palette, {2, 9, 0, 1})},
      {"RLE4: a colour past the table", makeRle(4, 2, 1, palette, {2, 0x19, 0, 1})},
      {"RLE8: top row first", makeRle(8, 2, -1, palette, {2, 1, 0, 1})},
      {"RLE8 in a 4-bit file", with(makeRle(8, 2, 1, palette, {2, 1, 0, 1}), 28, 4, 2)},
      {"RLE4 in an 8-bit file", with(makeRle(4, 2, 1, palette, {2, 1, 0, 1}), 28, 8, 2)},
  };
  for (const auto &c : cases)
    EXPECT_FALSE(DecodeBitmap(c.file.data(), c.file.size(), out)) << c.what;
}

TEST(BitmapImage, TheLargestFileOfTheLargestPictureIsRead) {
  // 32 bits, a V5 header and a full colour table: the data file cap.
  ScratchDir dir;
  const int side = 4096;
  Bytes file =
      BitmapFileBytes(124, 32, 3, side, side, std::vector<Rgb>(256), {0xFF0000, 0xFF00, 0xFF, 0},
                      Bytes(std::size_t(side) * side * 4, 0x40));
  ASSERT_EQ(file.size(), largestBitmapFileBytes);
  put(file, file.size() - 4, 0xFFFFFF, 3); // the top right pixel
  const fs::path path = dir.path() / "large.bmp";
  WriteFile(path, file);
  Rgb565Image out;
  ASSERT_TRUE(LoadBitmapFile(path.c_str(), out));
  EXPECT_EQ(std::tie(out.width, out.height), std::tie(side, side));
  EXPECT_EQ(out.pixels[side - 1], colorKey);
  EXPECT_EQ(out.pixels[side], 0x4208);
  file.push_back(0);
  WriteFile(path, file);
  EXPECT_FALSE(LoadBitmapFile(path.c_str(), out));
}

} // namespace
