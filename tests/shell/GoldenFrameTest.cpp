// Whole frames from the real content, pixel by pixel: the back buffer after
// a title and a play frame against the same frame composed here
// from the bitmap files and the frame's recorded blits.

#include "support/Bitmaps.h"
#include "support/Support.h"

#include "game/World.h"
#include "graphics/Display.h"
#include "platform/Window.h"
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
