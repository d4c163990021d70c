// Whole frames from the real content, pixel by pixel: the back buffer after
// a title frame and after a play frame against the same frame composed
// here from the bitmap files and the frame's list of blits.

#include "TestSupport.h"

#include "game/World.h"
#include "graphics/Display.h"
#include "platform/Display.h"
#include "screens/Screens.h"
#include "shell/Errors.h"
#include "shell/WindowProc.h"

#include <gtest/gtest.h>

#include <array>

using namespace ruzoz;
using namespace shelltest;

namespace {

struct Blit {
  int number, x, y, glyph;
};
std::vector<Blit> blits;

void recordBlit(int number, int x, int y, int glyph) { blits.push_back({number, x, y, glyph}); }

using Frame = std::vector<std::uint16_t>;

Frame backBuffer() {
  Frame frame(640 * 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      frame[y * 640 + x] = platform::BackBufferPixel(x, y);
  return frame;
}

class GoldenFrames : public testing::Test {
protected:
  void SetUp() override {
    const fs::path data = RUZOZ_DATA_DIR;
    if (!fs::exists(data / "titelbild.bmp") || !fs::exists(data / "Explosion1.bmp"))
      GTEST_SKIP() << "no content in " << data << " (build the ruzoz_data target)";
    for (int n = 1; n <= imageCount; ++n) {
      std::string error;
      ASSERT_TRUE(ReadBmp(data / imageFileName(n), files[n], error)) << error;
    }
    resetAll();
    keys = KeyState{};
    errorMessage = nullptr;
    ASSERT_TRUE(platform::AttachBackBuffer());
    InDirectory inData(data);
    ASSERT_TRUE(LoadAllImages());
    blits.reserve(20000);
  }
  void TearDown() override {
    drawObserver = nullptr;
    ReleaseAllImages();
    platform::ReleasePrimarySurface();
  }

  // Runs one frame and checks it against the composed one.
  void expectFrameMatchesContent(const char *what) {
    Frame expected = backBuffer();
    blits.clear();
    drawObserver = recordBlit;
    runFrame();
    drawObserver = nullptr;
    ASSERT_GT(blits.size(), 10u) << what;
    for (const Blit &b : blits)
      compose(expected, b);
    const Frame actual = backBuffer();
    int wrong = 0;
    for (int i = 0; i < 640 * 480; ++i) {
      if (actual[i] != expected[i] && wrong++ < 5)
        ADD_FAILURE() << what << ": pixel (" << i % 640 << ", " << i / 640 << ") is " << std::hex
                      << actual[i] << ", the content gives " << expected[i];
    }
    EXPECT_EQ(wrong, 0) << what;
  }

  void compose(Frame &frame, const Blit &b) const {
    const Image &image = files[b.number];
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

  std::array<Image, imageCount + 1> files;
};

TEST_F(GoldenFrames, TheFirstTitleFrame) {
  expectFrameMatchesContent("title frame");
  EXPECT_EQ(blits.front().number, imgTitelbild);
}

TEST_F(GoldenFrames, TheStoryScreen) {
  runFrame();
  WindowProc(Message{MessageKind::keyDown, vkReturn});
  expectFrameMatchesContent("story frame");
}

TEST_F(GoldenFrames, APlayFrameWithTheBeamAndTheLevelBanner) {
  runFrame();
  WindowProc(Message{MessageKind::keyDown, vkSpace});
  for (int frame = 0; frame < 40; ++frame) {
    if (frame == 5)
      WindowProc(Message{MessageKind::keyDown, vkLeft});
    if (frame == 12)
      WindowProc(Message{MessageKind::keyDown, vkUp});
    if (frame == 38)
      WindowProc(Message{MessageKind::keyDown, vkShift});
    runFrame();
  }
  ASSERT_EQ(game.playing, 1);
  expectFrameMatchesContent("play frame");
  bool beam = false, banner = false, ship = false;
  for (const Blit &b : blits) {
    beam = beam || b.number == imgKugel;
    banner = banner || (b.glyph == 'L' && b.x == 256 && b.y == 232);
    ship = ship || (b.number >= imgSchiff1 && b.number < imgSchiff1 + 16 && b.x == 304);
  }
  EXPECT_TRUE(beam);
  EXPECT_TRUE(banner);
  EXPECT_TRUE(ship);
}

} // namespace
