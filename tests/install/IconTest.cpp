// The icon generator: BMP reading, keying, resampling, placement and PNG.

#include "Icon.h"
#include "Bmp.h"
#include "Png.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using namespace ruzoz::icongen;

namespace {

void PutLe(std::vector<std::uint8_t> &b, std::size_t at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// rows[y] holds the top row first; the file stores rows as the sign of the
// height says. Padding bytes are 0xEE so that reading them shows.
std::vector<std::uint8_t> MakeBmp(const std::vector<std::vector<Rgba>> &rows, int bits,
                                  bool bottomUp) {
  const int height = static_cast<int>(rows.size());
  const int width = static_cast<int>(rows[0].size());
  const std::size_t bytesPerPixel = bits / 8;
  const std::size_t stride = (width * bytesPerPixel + 3) / 4 * 4;
  std::vector<std::uint8_t> b(54 + stride * height, 0xEE);
  b[0] = 'B';
  b[1] = 'M';
  PutLe(b, 2, static_cast<std::uint32_t>(b.size()), 4);
  PutLe(b, 6, 0, 4);
  PutLe(b, 10, 54, 4);
  PutLe(b, 14, 40, 4);
  PutLe(b, 18, static_cast<std::uint32_t>(width), 4);
  PutLe(b, 22, static_cast<std::uint32_t>(bottomUp ? height : -height), 4);
  PutLe(b, 26, 1, 2);
  PutLe(b, 28, static_cast<std::uint32_t>(bits), 2);
  PutLe(b, 30, 0, 4);
  for (std::size_t at = 34; at < 54; ++at)
    b[at] = 0;
  for (int row = 0; row < height; ++row) {
    const auto &line = rows[bottomUp ? height - 1 - row : row];
    for (int x = 0; x < width; ++x) {
      const std::size_t p = 54 + stride * row + bytesPerPixel * x;
      b[p] = line[x].b;
      b[p + 1] = line[x].g;
      b[p + 2] = line[x].r;
      if (bits == 32)
        b[p + 3] = 0;
    }
  }
  return b;
}

constexpr Rgba red{255, 0, 0, 255};
constexpr Rgba blue{0, 0, 255, 255};
constexpr Rgba green{0, 200, 0, 255};
constexpr Rgba gray{90, 100, 110, 255};
constexpr Rgba white{255, 255, 255, 255};

std::uint32_t BigEndian(const std::vector<std::uint8_t> &b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

} // namespace

TEST(Bmp, BottomUpRowsWithPaddingComeOutTopFirst) {
  const std::vector<std::vector<Rgba>> rows = {{red, green, blue}, {gray, blue, red}};
  const Image image = DecodeBmp(MakeBmp(rows, 24, true));
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(image.at(x, y), rows[y][x]) << x << "," << y;
}

TEST(Bmp, TopDown32BitIsRead) {
  const std::vector<std::vector<Rgba>> rows = {{red, green}, {blue, gray}, {gray, red}};
  const Image image = DecodeBmp(MakeBmp(rows, 32, false));
  ASSERT_EQ(image.height, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(image.at(x, y), rows[y][x]) << x << "," << y;
}

TEST(Bmp, KeysWhatTheGameDrawsAsTransparent) {
  // The game keys on RGB565 all ones: >= 248 red and blue, >= 252 green.
  const std::vector<std::vector<Rgba>> rows = {
      {{255, 255, 255, 255}, {248, 252, 248, 255}, {247, 255, 255, 255}, {255, 251, 255, 255}}};
  const Image image = DecodeBmp(MakeBmp(rows, 24, true));
  EXPECT_EQ(image.at(0, 0).a, 0);
  EXPECT_EQ(image.at(1, 0).a, 0);
  EXPECT_EQ(image.at(2, 0), (Rgba{247, 255, 255, 255}));
  EXPECT_EQ(image.at(3, 0), (Rgba{255, 251, 255, 255}));
}

TEST(Bmp, RejectsWhatItCannotRead) {
  const std::vector<std::vector<Rgba>> rows = {{red, green, blue}, {gray, blue, red}};
  std::vector<std::uint8_t> truncated = MakeBmp(rows, 24, true);
  truncated.resize(truncated.size() - 1);
  EXPECT_THROW(DecodeBmp(truncated), std::runtime_error);

  std::vector<std::uint8_t> rle = MakeBmp(rows, 24, true);
  PutLe(rle, 30, 1, 4);
  EXPECT_THROW(DecodeBmp(rle), std::runtime_error);

  std::vector<std::uint8_t> paletted = MakeBmp(rows, 24, true);
  PutLe(paletted, 28, 8, 2);
  EXPECT_THROW(DecodeBmp(paletted), std::runtime_error);

  std::vector<std::uint8_t> notBmp = MakeBmp(rows, 24, true);
  notBmp[0] = 'P';
  EXPECT_THROW(DecodeBmp(notBmp), std::runtime_error);

  EXPECT_THROW(DecodeBmp(std::vector<std::uint8_t>(20, 0)), std::runtime_error);
}

TEST(Resample, WholeScaleKeepsPixelArtCrisp) {
  Image source(2, 1);
  source.at(0, 0) = red;
  source.at(1, 0) = blue;
  const Image out = Resample(source, 5, 3, {2, 1, 1});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool inside = y >= 1 && x >= 1;
      const Rgba expected = !inside ? Rgba{} : x <= 2 ? red : blue;
      EXPECT_EQ(out.at(x, y), expected) << x << "," << y;
    }
}

TEST(Resample, TransparentWhiteDoesNotBleedIntoEdges) {
  // Keyed pixels keep their white colour values here on purpose.
  Image source(4, 4);
  for (Rgba &p : source.pixels)
    p = {255, 255, 255, 0};
  source.at(1, 1) = source.at(2, 1) = source.at(1, 2) = red;
  const Image out = Resample(source, 9, 9, {1.7, 0.4, 0.3});
  int partial = 0;
  for (const Rgba &p : out.pixels) {
    if (p.a == 0)
      continue;
    partial += p.a < 255;
    EXPECT_EQ(p.r, 255);
    EXPECT_EQ(p.g, 0);
    EXPECT_EQ(p.b, 0);
  }
  EXPECT_GT(partial, 0) << "the scale should have produced soft edges";
}

TEST(Resample, AveragesInLinearLight) {
  Image source(2, 2);
  source.at(0, 0) = source.at(1, 1) = {0, 0, 0, 255};
  source.at(1, 0) = source.at(0, 1) = white;
  const Image out = Resample(source, 1, 1, {0.5, 0, 0});
  // Half of full intensity in linear light is 188 in sRGB, not 128.
  EXPECT_EQ(out.at(0, 0), (Rgba{188, 188, 188, 255}));
}

TEST(Resample, IdentityKeepsEveryPixel) {
  Image source(3, 2);
  const std::vector<Rgba> colours = {red, {1, 2, 3, 255},   {254, 128, 17, 255}, gray,
                                     {},  {10, 20, 30, 255}};
  source.pixels = colours;
  const Image out = Resample(source, 3, 2, {1, 0, 0});
  EXPECT_EQ(out.pixels, colours);
}

TEST(Resample, CoverageIsConserved) {
  Image source(7, 5);
  double sourceAlpha = 0;
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      if ((x * 3 + y * 5) % 4 != 0) {
        source.at(x, y) = gray;
        sourceAlpha += 1;
      }
  const double scale = 1.7;
  const Image out = Resample(source, 16, 12, {scale, 1.25, 0.6});
  double outAlpha = 0;
  for (const Rgba &p : out.pixels)
    outAlpha += p.a / 255.0;
  const double expected = sourceAlpha * scale * scale;
  // Each output pixel rounds its alpha by at most half a step.
  EXPECT_NEAR(outAlpha, expected, 16 * 12 * 0.5 / 255.0);
}

TEST(FitIcon, CentresTheOpaquePartWithAMargin) {
  Image sprite(32, 32);
  for (int y = 10; y < 30; ++y)
    for (int x = 4; x < 14; ++x)
      sprite.at(x, y) = gray;
  for (int size : {32, 48, 64, 128}) {
    const Image icon = MakeIcon(sprite, size);
    ASSERT_EQ(icon.width, size);
    const Bounds box = OpaqueBounds(icon);
    const int margin = std::max(1, size / 32);
    EXPECT_GE(std::min({box.x0, box.y0, size - box.x1, size - box.y1}), margin) << size;
    EXPECT_LE(std::abs(box.x0 - (size - box.x1)), 1) << size;
    EXPECT_LE(std::abs(box.y0 - (size - box.y1)), 1) << size;
    // The longer side fills the space inside the margin, or nearly so when
    // it is rounded down to a whole scale.
    EXPECT_GE(box.y1 - box.y0, (size - 2 * margin) * 3 / 4) << size;
  }
}

TEST(FitIcon, PrefersWholeScalesForPixelArt) {
  Image sprite(32, 32);
  for (int y = 2; y < 31; ++y)
    for (int x = 5; x < 28; ++x)
      sprite.at(x, y) = gray;
  // 120 / 29 = 4.14: drawn at 4, every source pixel a crisp 4 x 4 block.
  const Placement p = FitIcon(sprite, 128);
  EXPECT_EQ(p.scale, 4);
  EXPECT_EQ(p.offsetX, static_cast<int>(p.offsetX));
  EXPECT_EQ(p.offsetY, static_cast<int>(p.offsetY));
  // 46 / 29 = 1.59: too far from 1, so scaled freely.
  EXPECT_NEAR(FitIcon(sprite, 48).scale, 46.0 / 29.0, 1e-12);
}

TEST(FitIcon, RefusesAnEmptySprite) {
  EXPECT_THROW(FitIcon(Image(32, 32), 48), std::runtime_error);
}

TEST(Png, ChunksChecksumsAndPixels) {
  Image image(3, 2);
  image.pixels = {red, {1, 2, 3, 4}, {}, gray, {200, 100, 50, 128}, blue};
  const std::vector<std::uint8_t> png = EncodePng(image);
  const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_GT(png.size(), 8u);
  ASSERT_EQ(std::memcmp(png.data(), signature, 8), 0);

  std::vector<std::string> types;
  std::vector<std::uint8_t> idat;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = BigEndian(png, at);
    ASSERT_LE(at + 12 + length, png.size());
    const std::string type(png.begin() + at + 4, png.begin() + at + 8);
    const uLong crc = crc32(0L, png.data() + at + 4, length + 4);
    EXPECT_EQ(BigEndian(png, at + 8 + length), crc) << type;
    if (type == "IHDR") {
      ASSERT_EQ(length, 13u);
      EXPECT_EQ(BigEndian(png, at + 8), 3u);
      EXPECT_EQ(BigEndian(png, at + 12), 2u);
      EXPECT_EQ(png[at + 16], 8); // bit depth
      EXPECT_EQ(png[at + 17], 6); // RGBA
      EXPECT_EQ(png[at + 20], 0); // not interlaced
    }
    if (type == "IDAT")
      idat.insert(idat.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
    types.push_back(type);
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  ASSERT_FALSE(types.empty());
  EXPECT_EQ(types.front(), "IHDR");
  EXPECT_EQ(types.back(), "IEND");

  std::vector<std::uint8_t> raw(2 * (1 + 3 * 4));
  uLongf rawSize = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawSize, idat.data(), idat.size()), Z_OK);
  ASSERT_EQ(rawSize, raw.size());
  for (int y = 0; y < 2; ++y) {
    ASSERT_EQ(raw[y * 13], 0) << "filter type of row " << y;
    for (int x = 0; x < 3; ++x) {
      const std::uint8_t *p = &raw[y * 13 + 1 + x * 4];
      EXPECT_EQ((Rgba{p[0], p[1], p[2], p[3]}), image.at(x, y)) << x << "," << y;
    }
  }
}

TEST(Png, SameImageSameBytes) {
  Image image(4, 4);
  image.at(1, 2) = red;
  EXPECT_EQ(EncodePng(image), EncodePng(image));
  image.at(3, 3) = blue;
  const std::vector<std::uint8_t> changed = EncodePng(image);
  image.at(3, 3) = {};
  EXPECT_NE(changed, EncodePng(image));
}
