// Pixels on a real back buffer: loading the images, the colour key, the
// snapshot file, and whole frames of the real content (font cells too)
// against the same frame composed here from the files and the recorded blits.

#include "support/Bitmaps.h"
#include "support/Support.h"

#include "game/World.h"
#include "graphics/Display.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/SdlObjects.h"
#include "ports/Texts.h"
#include "screens/Screens.h"
#include "shell/Recorder.h"
#include "shell/WindowProc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

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

  // The nominal set with image `number` of its own, loaded.
  const Surface *loadWith(int number, int width, int height,
                          const std::function<Rgb(int, int)> &pixel) {
    WriteNominalImages(dir.path(), imageFileName(number));
    WriteBmp(dir.path() / imageFileName(number), width, height, pixel);
    EXPECT_TRUE(LoadAllImages(platform::ScreenVideo()));
    return surfaceSet[number];
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

// Sprites are keyed run-length encoded, the font plain: the same either way.
class ColourKey : public Pixels, public testing::WithParamInterface<int> {};

TEST_P(ColourKey, OnlyPureWhiteIsTransparent) {
  const int number = GetParam();
  const Rgb row[8] = {{255, 255, 255}, {250, 253, 250}, {247, 255, 255}, {255, 251, 255},
                      {0, 0, 0},       {255, 0, 0},     {8, 4, 8},       {255, 255, 255}};
  const Surface *image = loadWith(number, 8, 2, [&](int x, int y) {
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
  const std::uint16_t *pixels = platform::backBufferRow(0); // rows follow each other
  EXPECT_EQ(std::count_if(pixels, pixels + 640 * 480, [](auto p) { return p != backdrop; }), 14);
}

INSTANTIATE_TEST_SUITE_P(RunsAndPlain, ColourKey,
                         testing::Values(int(imgTitelbild), int(imgZeichensatz)));

TEST_F(Pixels, ASnapshotIsTheBackBufferAsA24BitBitmap) {
  platform::FillBackBuffer(0xF800);
  const Surface *dot = loadWith(imgKugel, 2, 1, [](int x, int) {
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

using Frame = std::vector<std::uint16_t>;

Frame backBuffer() { // its rows follow each other
  return Frame(platform::backBufferRow(0), platform::backBufferRow(0) + 640 * 480);
}

class GoldenFrames : public testing::Test {
protected:
  void SetUp() override {
    const fs::path data = RUZOZ_DATA_DIR;
    for (int n = 1; n <= imageCount; ++n) {
      std::string error;
      ASSERT_TRUE(ReadBmp(data / imageFileName(n), files[n], error)) << error;
    }
    resetAll();
    errorMessage = nullptr;
    ASSERT_TRUE(platform::CreateBackBuffer());
    InDirectory inData(data);
    ASSERT_TRUE(LoadAllImages(screen));
  }
  void TearDown() override {
    ReleaseAllImages();
    platform::ReleaseFront();
  }

  // Runs one frame and checks it against the composed one.
  void expectFrameMatchesContent(const char *what) {
    Frame expected = backBuffer();
    screen.Clear();
    runFrame();
    ASSERT_GT(screen.DrawCount(), 10) << what;
    ASSERT_EQ(screen.Overflow(), 0) << what;
    for (int i = 0; i < screen.DrawCount(); ++i)
      compose(expected, screen.Draws()[i]);
    const Frame actual = backBuffer();
    const auto wrong = std::mismatch(actual.begin(), actual.end(), expected.begin());
    EXPECT_TRUE(wrong.first == actual.end())
        << what << ": pixel " << wrong.first - actual.begin() << " is " << std::hex << *wrong.first
        << ", the content gives " << *wrong.second;
  }

  void compose(Frame &frame, const replay::DrawCall &b) const {
    const Image &image = files[b.image];
    int left = 0, top = 0, width = image.width, height = image.height;
    if (b.glyph >= 0) {
      left = 16 * (b.glyph % 32);
      top = 16 * (b.glyph / 32 - 1);
      width = height = 16;
    }
    ASSERT_TRUE(b.x >= 0 && b.y >= 0 && b.x + width <= 640 && b.y + height <= 480);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const Rgb c = image.at(left + x, top + y);
        if (!(c == Rgb{255, 255, 255}))
          frame[(b.y + y) * 640 + b.x + x] = Expected565(c);
      }
  }

  static replay::RecordingVideo screen;
  std::array<Image, imageCount + 1> files;
};

replay::RecordingVideo GoldenFrames::screen{&platform::ScreenVideo()};

TEST_F(GoldenFrames, TheTitleFrameAndAPlayFrameWithTheBeamAndTheLevelBanner) {
  expectFrameMatchesContent("title frame");
  EXPECT_EQ(screen.Draws()[0].image, imgTitelbild);
  WindowProc(Message{MessageKind::keyDown, vkSpace});
  for (int frame = 0; frame < 40; ++frame) {
    for (const auto &[at, key] : {std::pair{5, vkLeft}, {12, vkUp}, {38, vkShift}})
      if (frame == at)
        WindowProc(Message{MessageKind::keyDown, key});
    runFrame();
  }
  ASSERT_EQ(game.playing, 1);
  expectFrameMatchesContent("play frame");
  bool beam = false, banner = false, ship = false;
  for (int i = 0; i < screen.DrawCount(); ++i) {
    const replay::DrawCall &b = screen.Draws()[i];
    beam = beam || b.image == imgKugel;
    banner = banner || (b.glyph == 'L' && b.x == 256 && b.y == 232);
    ship = ship || (b.image >= imgSchiff1 && b.image < imgSchiff1 + 16 && b.x == 304);
  }
  EXPECT_TRUE(beam && banner && ship) << beam << banner << ship;
}

} // namespace
