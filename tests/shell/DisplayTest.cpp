// Pixels on a real back buffer: loading the images, the colour key, font
// cells and the snapshot file.

#include "support/Bitmaps.h"
#include "support/Support.h"

#include "graphics/Display.h"
#include "graphics/Font.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/SdlObjects.h"
#include "ports/Texts.h"

#include <gtest/gtest.h>

#include <string>

using namespace ruzoz;
using namespace testsupport;

namespace {

constexpr std::uint16_t backdrop = 0x1234;

class Pixels : public testing::Test {
protected:
  void SetUp() override {
    errorMessage = nullptr;
    ASSERT_TRUE(platform::CreateBackBuffer());
    platform::FillBackBuffer(backdrop);
  }
  void TearDown() override {
    ReleaseAllImages();
    platform::ReleaseFront();
    errorMessage = nullptr;
  }

  // The nominal set with `file` in place of its own image, loaded.
  const Surface *loadWith(const char *file, int number, int width, int height,
                          const std::function<Rgb(int, int)> &pixel) {
    WriteNominalImages(dir.path(), file);
    WriteBmp(dir.path() / file, width, height, pixel);
    EXPECT_TRUE(LoadAllImages(platform::ScreenVideo())) << file;
    return surfaceSet[number];
  }

  // How many pixels no longer hold the backdrop.
  static int changed() {
    int count = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        count += platform::backBufferRow(y)[x] != backdrop;
    return count;
  }

  ScratchDir dir;
  InDirectory inDir{dir.path()};
};

TEST_F(Pixels, LoadingStopsAtTheFirstMissingFileAndReleasesWhatItHeld) {
  WriteNominalImages(dir.path(), "Leer.bmp");
  EXPECT_FALSE(LoadAllImages(platform::ScreenVideo()));
  EXPECT_STREQ(errorMessage, texts::imageFailed);
  for (int n = 1; n <= imageCount; ++n)
    EXPECT_EQ(surfaceSet[n] != nullptr, n < imgLeer) << n;
  EXPECT_EQ(platform::CurrentDisplayStatus().images, 13);

  ReleaseAllImages();
  EXPECT_EQ(platform::CurrentDisplayStatus().images, 0);
  EXPECT_EQ(video, nullptr);
}

// The last image run-length encoded, the first plain: every image is keyed,
// either way.
class ColourKey : public Pixels, public testing::WithParamInterface<int> {};

TEST_P(ColourKey, OnlyPureWhiteIsTransparent) {
  const int number = GetParam();

  const Rgb row[8] = {{255, 255, 255}, {250, 253, 250}, {247, 255, 255}, {255, 251, 255},
                      {0, 0, 0},       {255, 0, 0},     {8, 4, 8},       {255, 255, 255}};
  const Surface *image = loadWith(imageFileName(number), number, 8, 2, [&](int x, int y) {
    if (y == 1)
      return x == 3 ? Rgb{0, 255, 0} : Rgb{255, 255, 255};
    return row[x];
  });
  ASSERT_TRUE(image != nullptr && image->width == 8 && image->height == 2) << "the file's size";
  DrawImage(100, 50, image);
  DrawImage(300, 200, image); // the second blit takes the same path as the first
  for (int x = 0; x < 8; ++x) {
    const std::uint16_t expected = x == 0 || x == 7 ? backdrop : Expected565(row[x]);
    EXPECT_EQ(platform::backBufferRow(50)[100 + x], expected) << "x " << x;
    EXPECT_EQ(platform::backBufferRow(200)[300 + x], expected) << "x " << x;
  }
  EXPECT_EQ(platform::backBufferRow(51)[103], 0x07E0);
  EXPECT_EQ(changed(), 2 * 7);
}

INSTANTIATE_TEST_SUITE_P(LastAndFirstImage, ColourKey,
                         testing::Values(int(imgTitelbild), int(imgExplosion1)));

// The font: each cell a 14 x 14 square of a colour of its own in a white
// (transparent) frame.
Rgb cellColour(int code) {
  return Rgb{static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(255 - code), 60};
}

TEST_F(Pixels, AGlyphComesFromItsCellAndLandsWhereItIsDrawn) {
  ASSERT_NE(loadWith("Zeichensatz.bmp", imgZeichensatz, 512, 48,
                     [](int x, int y) {
                       const bool frame =
                           x % 16 == 0 || x % 16 == 15 || y % 16 == 0 || y % 16 == 15;
                       return frame ? Rgb{255, 255, 255} : cellColour(32 + (y / 16) * 32 + x / 16);
                     }),
            nullptr);
  const int glyphs[][3] = {{200, 100, 32},  {200, 100, 63},  {200, 100, 64},
                           {200, 100, 'z'}, {624, 464, 127}, {0, 0, 96}};
  for (const auto [x, y, code] : glyphs) {
    platform::FillBackBuffer(backdrop);
    DrawGlyph(x, y, code);
    EXPECT_EQ(changed(), 14 * 14) << code;
    for (int inside : {1, 14})
      EXPECT_EQ(platform::backBufferRow(y + inside)[x + inside], Expected565(cellColour(code)))
          << code;
  }
}

TEST_F(Pixels, ASnapshotIsTheBackBufferAsA24BitBitmap) {
  platform::FillBackBuffer(0xF800);
  const Surface *dot = loadWith("Kugel.bmp", imgKugel, 2, 1, [](int x, int) {
    return x == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  });
  ASSERT_NE(dot, nullptr);
  DrawImage(3, 2, dot);

  const fs::path file = dir.path() / "shot.bmp";
  ASSERT_TRUE(platform::SaveBackBuffer(file.c_str()));
  ASSERT_EQ(fs::file_size(file), 54u + 640u * 480u * 3u);
  Image shot;
  std::string error;
  ASSERT_TRUE(ReadBmp(file, shot, error)) << error;
  EXPECT_EQ(shot.at(3, 2), (Rgb{0, 0, 0}));
  EXPECT_EQ(shot.at(4, 2), (Rgb{255, 0, 0}));
  EXPECT_EQ(shot.at(639, 479), (Rgb{255, 0, 0}));
}

TEST_F(Pixels, WithoutABackBufferNothingLoadsOrDraws) {
  WriteNominalImages(dir.path());
  platform::ReleaseFront();
  EXPECT_FALSE(LoadAllImages(platform::ScreenVideo()));
  EXPECT_EQ(platform::CurrentDisplayStatus().images, 0);
  EXPECT_FALSE(platform::SaveBackBuffer((dir.path() / "none.bmp").c_str()));
  EXPECT_EQ(platform::backBuffer, nullptr);
  Flip(); // no front, no back: nothing happens
}

} // namespace
