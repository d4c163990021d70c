// How the 640 x 480 back buffer fills a window: where it goes, that it
// stays sharp (each pixel a block, at most one blended line between two)
// on the window's own pixels and through the renderer, black around it;
// and when presents wait for the vertical blank.

#include "platform/Events.h"
#include "platform/SdlObjects.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ruzoz;
using platform::PictureArea;

namespace {

TEST(PlacePicture, LargestFourByThreeAreaOrWholeMultiples) {
  struct Row {
    int width, height;
    bool integer;
    PictureArea area;
  };
  const Row rows[] = {
      {1366, 768, false, {171, 0, 1024, 768, 2}},
      {1920, 1080, false, {240, 0, 1440, 1080, 3}},
      {1280, 800, false, {107, 0, 1066, 800, 2}},
      {1600, 1000, false, {133, 0, 1333, 1000, 3}},
      {1367, 769, false, {171, 0, 1025, 769, 2}},
      {1708, 961, false, {213, 0, 1281, 961, 3}}, // one past 2 x 640
      {640, 480, false, {0, 0, 640, 480, 1}},
      {1280, 960, false, {0, 0, 1280, 960, 2}},
      {1024, 1366, false, {0, 299, 1024, 768, 2}}, // upright: bars above and below
      {320, 200, false, {27, 0, 266, 200, 1}},     // smaller than the picture: shrunk
      {1366, 768, true, {363, 144, 640, 480, 1}},
      {1920, 1080, true, {320, 60, 1280, 960, 2}},
      {600, 400, true, {33, 0, 533, 400, 1}}, // no whole multiple fits
      {0, 0, false, {0, 0, 0, 0, 1}},
  };
  for (const Row &row : rows)
    EXPECT_EQ(platform::PlacePicture(row.width, row.height, row.integer), row.area)
        << row.width << " x " << row.height << (row.integer ? " whole" : "");
}

TEST(WaitForBlank, OnlyOnDisplaysOfSixtyHertz) {
  // 59: 59.94 Hz as some systems count it; 0: unknown.
  const std::pair<int, bool> rates[] = {{0, false}, {30, false}, {50, false}, {59, true},
                                        {60, true}, {75, true},  {144, true}};
  for (const auto &[rate, wait] : rates)
    EXPECT_EQ(platform::WaitForBlank(rate), wait) << rate << " Hz";
}

constexpr std::uint16_t white = 0xFFFF, red = 0xF800;
constexpr Uint32 rgbMask = 0xFFFFFF;

// A back-buffer colour as SDL widens it for the window.
Uint32 widened(std::uint16_t colour) {
  Uint32 wide = 0;
  SDL_ConvertPixels(1, 1, SDL_PIXELFORMAT_RGB565, &colour, 2, SDL_PIXELFORMAT_RGB888, &wide, 4);
  return wide & rgbMask;
}

class Picture : public testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    platform::UseHeadlessDrivers();
    ASSERT_TRUE(platform::InitVideo());
    platform::PresentStraight(GetParam());
  }
  void TearDown() override {
    platform::ReleaseFront();
    platform::ReleaseRenderer();
    platform::PresentStraight(true);
    platform::SetIntegerScale(false);
    platform::EndVideo();
  }

  void open(int width, int height) {
    ASSERT_TRUE(platform::CreateGameWindow(width, height) && platform::CreateRenderer() &&
                platform::SetLogicalSize() && platform::CreateFront() &&
                platform::CreateBackBuffer());
  }

  // Stripes of white and red, one back-buffer pixel wide, across or down.
  static void stripes(bool across) {
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        platform::backBufferRow(y)[x] = ((across ? x : y) % 2 == 0) ? white : red;
  }

  static Uint32 shown(int x, int y) {
    SDL_Surface *screen = SDL_GetWindowSurface(platform::gameWindow);
    return static_cast<const Uint32 *>(screen->pixels)[y * screen->pitch / 4 + x] & rgbMask;
  }

  // The stripes along one line of the window through the picture: every
  // stripe a block of 1 to `multiple` pure pixels or (where it gets under
  // one) a blend, at most two blended pixels in a row, some blended
  // unless the scale is whole, and black around it.
  void checkLine(const PictureArea &area, bool across) {
    const int length = across ? area.width : area.height;
    const int start = across ? area.x : area.y;
    auto at = [&](int i) {
      return across ? shown(start + i, area.y + area.height / 2)
                    : shown(area.x + area.width / 2, start + i);
    };
    std::string what = (across ? "across at " : "down at ") + std::to_string(length);
    if (start > 0) {
      EXPECT_EQ(at(-1), 0u) << what << ": the border";
    }
    const Uint32 whiteShown = widened(white), redShown = widened(red);
    int pure = 0, blended = 0, blendedRun = 0, run = 0, longestRun = 0;
    Uint32 previous = 0;
    for (int i = 0; i < length; ++i) {
      const Uint32 pixel = at(i);
      if (pixel != whiteShown && pixel != redShown) {
        ++blended;
        run = 0;
        ASSERT_EQ(pixel >> 16, 0xFFu) << what << ", pixel " << i << ": not between the two";
        ASSERT_LE(++blendedRun, 2) << what << ", pixel " << i;
        continue;
      }
      blendedRun = 0;
      run = pixel == previous ? run + 1 : 1;
      pure += run == 1;
      longestRun = std::max(longestRun, run);
      previous = pixel;
    }
    const int stripeCount = across ? 640 : 480;
    EXPECT_LE(longestRun, area.multiple) << what;
    // Below 2 pixels a stripe, a few stripes get no pure pixel of their own.
    EXPECT_GE(pure * 2, stripeCount * (length >= 2 * stripeCount ? 2 : 1)) << what;
    if (length % stripeCount != 0) {
      EXPECT_GE(blended * 8, length) << what << ": no linear step";
    } else {
      EXPECT_EQ(blended, 0) << what;
    }
    EXPECT_LE(blended * 2, length) << what;
  }
};

TEST_P(Picture, StripesStaySharpAndTheBordersBlack) {
  struct Size {
    int width, height;
    bool integer;
  };
  open(1366, 768);
  for (const Size size : {Size{1366, 768, false}, Size{1920, 1080, false}, Size{1280, 800, false},
                          Size{1280, 960, false}, Size{1920, 1080, true}}) {
    platform::SetIntegerScale(size.integer);
    SDL_SetWindowSize(platform::gameWindow, size.width, size.height);
    const PictureArea area = platform::PlacePicture(size.width, size.height, size.integer);
    for (const bool across : {true, false}) {
      stripes(across);
      platform::PresentBackBuffer();
      checkLine(area, across);
      // Corners outside the picture stay black.
      if (area.x > 0 || area.y > 0) {
        EXPECT_EQ(shown(0, 0) | shown(size.width - 1, size.height - 1), 0u);
      }
    }
  }
}

// Both ways of presenting show the same picture, to a level or two of
// rounding: the window's own pixels as SDL's renderer filters. And a few
// pixels changed give the window what drawing it whole gives.
TEST(PictureWays, TheWindowsPixelsAgreeWithTheRendererAndAfterAChange) {
  platform::UseHeadlessDrivers();
  ASSERT_TRUE(platform::InitVideo());
  ASSERT_TRUE(platform::CreateGameWindow(1366, 768) && platform::CreateRenderer() &&
              platform::SetLogicalSize() && platform::CreateFront() &&
              platform::CreateBackBuffer());
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      platform::backBufferRow(y)[x] =
          static_cast<std::uint16_t>((x * 37 + y * 101) * 2654435761u >> 16);
  auto present = [](bool straight) {
    platform::PresentStraight(straight); // and the whole window is drawn again
    platform::PresentBackBuffer();
    SDL_Surface *screen = SDL_GetWindowSurface(platform::gameWindow);
    const auto *pixels = static_cast<const Uint32 *>(screen->pixels);
    return std::vector<Uint32>(pixels, pixels + screen->pitch / 4 * screen->h);
  };
  const std::vector<Uint32> drawn = present(false), straight = present(true);
  int worst = 0;
  for (std::size_t i = 0; i < drawn.size(); ++i)
    for (int shift : {0, 8, 16})
      worst =
          std::max(worst, std::abs(int(drawn[i] >> shift & 255) - int(straight[i] >> shift & 255)));
  EXPECT_LE(worst, 2);

  for (const auto &[x, y] : {std::pair{0, 0}, {330, 17}, {331, 17}, {639, 479}, {15, 300}})
    platform::backBufferRow(y)[x] ^= 0x5555;
  platform::PresentBackBuffer();
  SDL_Surface *screen = SDL_GetWindowSurface(platform::gameWindow);
  const auto *pixels = static_cast<const Uint32 *>(screen->pixels);
  const std::vector<Uint32> changed(pixels, pixels + screen->pitch / 4 * screen->h);
  EXPECT_TRUE(changed == present(true));
  EXPECT_FALSE(changed == straight);
  platform::ReleaseFront();
  platform::ReleaseRenderer();
  platform::EndVideo();
}

INSTANTIATE_TEST_SUITE_P(StraightAndThroughTheRenderer, Picture, testing::Bool());

// The wait for the blank follows the display the window is on: decided
// again when the window changes display, not at every frame.
TEST(BlankWait, DecidedByTheDisplayAgainWhenTheWindowMoves) {
  platform::UseHeadlessDrivers();
  ASSERT_TRUE(platform::InitVideo());
  ASSERT_TRUE(platform::CreateGameWindow(800, 600) && platform::CreateRenderer() &&
              platform::SetLogicalSize() && platform::CreateFront() &&
              platform::CreateBackBuffer());
  platform::PresentStraight(false);
  SDL_DisplayMode mode;
  ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &mode), 0);
  const bool wait = platform::WaitForBlank(mode.refresh_rate);
  SDL_RenderSetVSync(platform::renderer, !wait);
  platform::PresentBackBuffer();
  EXPECT_EQ(platform::PresentWaitsForBlank(), wait) << mode.refresh_rate << " Hz";
  SDL_RenderSetVSync(platform::renderer, !wait);
  platform::PresentBackBuffer();
  EXPECT_EQ(platform::PresentWaitsForBlank(), !wait) << "decided again without a reason";

  SDL_Event moved{};
  moved.type = SDL_WINDOWEVENT;
  moved.window.event = SDL_WINDOWEVENT_DISPLAY_CHANGED;
  moved.window.windowID = SDL_GetWindowID(platform::gameWindow);
  SDL_PushEvent(&moved);
  platform::PresentBackBuffer();
  EXPECT_EQ(platform::PresentWaitsForBlank(), wait);
  platform::PresentStraight(true);
  platform::ReleaseFront();
  platform::ReleaseRenderer();
  platform::EndVideo();
}

} // namespace
