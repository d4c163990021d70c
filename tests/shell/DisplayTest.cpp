// Pixels: loading the images, the colour key, the whole-image rule, font
// cells and the snapshot file, on a real back buffer.

#include "TestSupport.h"

#include "graphics/Display.h"
#include "graphics/Font.h"
#include "platform/Display.h"
#include "shell/Errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace ruzoz;
using namespace shelltest;

namespace {

constexpr std::uint16_t backdrop = 0x1234;

std::vector<std::string> triedFiles;
bool (*realLoadImage)(const char *, Surface &) = nullptr;

bool recordingLoadImage(const char *fileName, Surface &out) {
  triedFiles.emplace_back(fileName);
  return realLoadImage(fileName, out);
}

class Pixels : public testing::Test {
protected:
  void SetUp() override {
    errorMessage = nullptr;
    ASSERT_TRUE(platform::AttachBackBuffer());
    platform::FillBackBuffer(backdrop);
  }
  void TearDown() override {
    ReleaseAllImages();
    platform::ReleasePrimarySurface();
    platform::SetImageRle(true);
    errorMessage = nullptr;
  }

  // Loads one image file of the set by its name, keys it and puts it in
  // its place in the set.
  static const Surface *loadKeyed(const char *fileName) {
    Surface *surface = LoadImageSurface(fileName);
    if (surface != nullptr) {
      displayHooks.setColorKey(*surface);
      surfaceSlot(surface->number) = surface;
    }
    return surface;
  }

  struct Drawn {
    int count = 0;
    int left = 640, top = 480, right = -1, bottom = -1;
  };
  // Where the back buffer no longer holds the backdrop.
  static Drawn changed() {
    Drawn d;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        if (platform::BackBufferPixel(x, y) != backdrop) {
          ++d.count;
          d.left = std::min(d.left, x);
          d.top = std::min(d.top, y);
          d.right = std::max(d.right, x);
          d.bottom = std::max(d.bottom, y);
        }
    return d;
  }

  ScratchDir dir;
  InDirectory inDir{dir.path()};
};

TEST_F(Pixels, LoadingStopsAtTheFirstMissingFile) {
  WriteNominalImages(dir.path(), "Leer.bmp");
  triedFiles.clear();
  realLoadImage = displayHooks.loadImage;
  displayHooks.loadImage = recordingLoadImage;
  const bool loaded = LoadAllImages();
  displayHooks.loadImage = realLoadImage;

  EXPECT_FALSE(loaded);
  EXPECT_STREQ(errorMessage, "Error Loading Image");
  ASSERT_EQ(triedFiles.size(), 14u);
  EXPECT_EQ(triedFiles.front(), "Explosion1.bmp");
  EXPECT_EQ(triedFiles.back(), "Leer.bmp");
  for (int n = 1; n <= 13; ++n) {
    ASSERT_NE(surfaceSlot(n), nullptr) << n;
    EXPECT_EQ(surfaceSlot(n)->width, 32);
  }
  for (int n = 14; n <= imageCount; ++n)
    EXPECT_EQ(surfaceSlot(n), nullptr) << n;
  EXPECT_EQ(platform::CurrentDisplayStatus().images, 13);

  ReleaseAllImages();
  EXPECT_EQ(platform::CurrentDisplayStatus().images, 0);
  for (int n = 1; n <= imageCount; ++n)
    EXPECT_EQ(surfaceSlot(n), nullptr) << n;
}

std::vector<std::uint8_t> truncatedBmp(std::size_t keep) {
  std::vector<std::uint8_t> bytes = EncodeBmp(32, 32, [](int, int) { return Rgb{1, 2, 3}; });
  bytes.resize(keep);
  return bytes;
}

TEST_F(Pixels, ACorruptOrTruncatedBitmapIsALoadingError) {
  std::vector<std::uint8_t> badDepth = EncodeBmp(32, 32, [](int, int) { return Rgb{}; });
  badDepth[28] = 13;
  std::vector<std::uint8_t> zeroWidth = EncodeBmp(32, 32, [](int, int) { return Rgb{}; });
  std::memset(zeroWidth.data() + 18, 0, 4);
  const std::string text = "this is not a bitmap at all";
  const std::vector<std::vector<std::uint8_t>> broken = {
      {},
      std::vector<std::uint8_t>(text.begin(), text.end()),
      truncatedBmp(30),               // inside the header
      truncatedBmp(54),               // header, no pixels
      truncatedBmp(54 + 32 * 96 / 2), // half the pixels
      badDepth,
      zeroWidth,
  };
  for (std::size_t i = 0; i < broken.size(); ++i) {
    SCOPED_TRACE("case " + std::to_string(i));
    WriteNominalImages(dir.path());
    WriteFile(dir.path() / "Kugel.bmp", broken[i]);
    errorMessage = nullptr;
    EXPECT_FALSE(LoadAllImages());
    EXPECT_STREQ(errorMessage, "Error Loading Image");
    EXPECT_EQ(surfaceSlot(imgKugel), nullptr);
    EXPECT_EQ(platform::CurrentDisplayStatus().images, 4);
    ReleaseAllImages();
  }
}

TEST_F(Pixels, SurfacesHaveTheSizeOfTheirFileAndTooLargeImagesAreNotDrawn) {
  WriteBmp(dir.path() / "Alien1.bmp", 40, 24, [](int, int) { return Rgb{9, 9, 9}; });
  const Surface *odd = loadKeyed("Alien1.bmp");
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->width, 40);
  EXPECT_EQ(odd->height, 24);

  WriteBmp(dir.path() / "Hintergrund.bmp", 648, 480, [](int, int) { return Rgb{200, 0, 0}; });
  const Surface *wide = loadKeyed("Hintergrund.bmp");
  ASSERT_NE(wide, nullptr);
  DrawImage(0, 0, wide);
  EXPECT_EQ(changed().count, 0);
}

class ColourKey : public Pixels, public testing::WithParamInterface<bool> {};

TEST_P(ColourKey, OnlyPureWhiteIsTransparent) {
  platform::SetImageRle(GetParam());
  const Rgb row[8] = {{255, 255, 255}, {250, 253, 250}, {247, 255, 255}, {255, 251, 255},
                      {0, 0, 0},       {255, 0, 0},     {8, 4, 8},       {255, 255, 255}};
  WriteBmp(dir.path() / "Kugel.bmp", 8, 2, [&](int x, int y) {
    if (y == 1)
      return x == 3 ? Rgb{0, 255, 0} : Rgb{255, 255, 255};
    return row[x];
  });
  const Surface *image = loadKeyed("Kugel.bmp");
  ASSERT_NE(image, nullptr);
  DrawImage(100, 50, image);
  DrawImage(300, 200, image); // the second blit takes the same path as the first
  for (int x = 0; x < 8; ++x) {
    const std::uint16_t expected = x == 0 || x == 7 ? backdrop : Expected565(row[x]);
    EXPECT_EQ(platform::BackBufferPixel(100 + x, 50), expected) << "x " << x;
    EXPECT_EQ(platform::BackBufferPixel(300 + x, 200), expected) << "x " << x;
  }
  EXPECT_EQ(platform::BackBufferPixel(103, 51), 0x07E0);
  EXPECT_EQ(changed().count, 2 * 7);
}

INSTANTIATE_TEST_SUITE_P(RunLengthEncoded, ColourKey, testing::Values(true, false));

TEST_F(Pixels, AllFortyImagesAreKeyedTheFullScreenOnesToo) {
  WriteNominalImages(dir.path());
  ASSERT_TRUE(LoadAllImages());
  for (int n = 1; n <= imageCount; ++n) {
    platform::FillBackBuffer(backdrop);
    DrawImage(0, 0, surfaceSlot(n));
    // Each is a disc on white in every 32 x 32 cell.
    EXPECT_EQ(platform::BackBufferPixel(0, 0), backdrop) << imageFileName(n);
    EXPECT_NE(platform::BackBufferPixel(16, 16), backdrop) << imageFileName(n);
  }
}

TEST_F(Pixels, ASpriteIsDrawnWholeOrNotAtAll) {
  WriteBmp(dir.path() / "Kugel.bmp", 32, 32, [](int, int) { return Rgb{200, 0, 0}; });
  const Surface *sprite = loadKeyed("Kugel.bmp");
  ASSERT_NE(sprite, nullptr);

  for (auto [x, y] : {std::pair{-1, 0}, {609, 0}, {0, -1}, {0, 449}, {609, 449}, {-32, -32}}) {
    DrawImage(x, y, sprite);
    EXPECT_EQ(changed().count, 0) << x << "," << y;
  }
  for (auto [x, y] : {std::pair{0, 0}, {608, 0}, {0, 448}, {608, 448}}) {
    platform::FillBackBuffer(backdrop);
    DrawImage(x, y, sprite);
    const Drawn d = changed();
    EXPECT_EQ(d.count, 32 * 32) << x << "," << y;
    EXPECT_EQ(d.left, x);
    EXPECT_EQ(d.top, y);
    EXPECT_EQ(d.right, x + 31);
    EXPECT_EQ(d.bottom, y + 31);
  }
}

// The font: cell k holds a 14 x 14 square of a colour of its own inside a
// white (transparent) frame.
Rgb cellColour(int code) {
  return Rgb{static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(255 - code), 60};
}

TEST_F(Pixels, AGlyphComesFromItsCellAndLandsWhereItIsDrawn) {
  WriteBmp(dir.path() / "Zeichensatz.bmp", 512, 48, [](int x, int y) {
    const int code = 32 + (y / 16) * 32 + x / 16;
    const bool frame = x % 16 == 0 || x % 16 == 15 || y % 16 == 0 || y % 16 == 15;
    return frame ? Rgb{255, 255, 255} : cellColour(code);
  });
  ASSERT_NE(loadKeyed("Zeichensatz.bmp"), nullptr);

  for (int code : {32, 48, 63, 64, int{'A'}, 95, 96, int{'z'}, 127}) {
    platform::FillBackBuffer(backdrop);
    DrawGlyph(200, 100, code);
    const Drawn d = changed();
    EXPECT_EQ(d.count, 14 * 14) << code;
    EXPECT_EQ(d.left, 201) << code;
    EXPECT_EQ(d.top, 101) << code;
    EXPECT_EQ(d.right, 214) << code;
    EXPECT_EQ(d.bottom, 114) << code;
    EXPECT_EQ(platform::BackBufferPixel(207, 107), Expected565(cellColour(code))) << code;
  }

  platform::FillBackBuffer(backdrop);
  DrawGlyph(625, 100, 'A');
  DrawGlyph(0, 465, 'A');
  DrawGlyph(0, 0, 31);
  DrawGlyph(0, 0, 128);
  EXPECT_EQ(changed().count, 0);
  DrawGlyph(624, 464, 'A');
  EXPECT_EQ(changed().count, 14 * 14);
}

TEST_F(Pixels, ASnapshotIsTheBackBufferAsA24BitBitmap) {
  platform::FillBackBuffer(0xF800);
  WriteBmp(dir.path() / "Kugel.bmp", 2, 1, [](int x, int) {
    return x == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  });
  const Surface *dot = loadKeyed("Kugel.bmp");
  ASSERT_NE(dot, nullptr);
  DrawImage(3, 2, dot);

  const fs::path file = dir.path() / "shot.bmp";
  ASSERT_TRUE(platform::SaveBackBuffer(file.c_str()));
  EXPECT_EQ(fs::file_size(file), 54u + 640u * 480u * 3u);
  Image shot;
  std::string error;
  ASSERT_TRUE(ReadBmp(file, shot, error)) << error;
  ASSERT_EQ(shot.width, 640);
  ASSERT_EQ(shot.height, 480);
  EXPECT_EQ(shot.at(3, 2), (Rgb{0, 0, 0}));
  EXPECT_EQ(shot.at(4, 2), (Rgb{255, 0, 0}));
  EXPECT_EQ(shot.at(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(shot.at(639, 479), (Rgb{255, 0, 0}));
}

TEST_F(Pixels, WithoutABackBufferNothingLoadsOrDraws) {
  WriteNominalImages(dir.path());
  platform::ReleasePrimarySurface();
  EXPECT_EQ(LoadImageSurface("Kugel.bmp"), nullptr);
  EXPECT_FALSE(platform::SaveBackBuffer((dir.path() / "none.bmp").c_str()));
  EXPECT_EQ(platform::BackBufferPixel(0, 0), 0);
  Flip(); // no front, no back: nothing happens
}

} // namespace
