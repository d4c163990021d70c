// Where the 640 x 480 back buffer goes in a window, that it stays sharp
// both ways of presenting with black around it, when presents wait for the
// vertical blank, and the pointer over it.

#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/SdlObjects.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ruzoz;
using platform::PictureArea;

namespace {

TEST(PlacePicture, LargestFourByThreeAreaOrWholeMultiples) {
  // The window, whole multiples only; the picture's x, y, width, height, multiple.
  const int rows[][8] = {
      {1366, 768, 0, 171, 0, 1024, 768, 2},  {1920, 1080, 0, 240, 0, 1440, 1080, 3},
      {1280, 800, 0, 107, 0, 1066, 800, 2},  {1280, 960, 0, 0, 0, 1280, 960, 2},
      {1024, 1366, 0, 0, 299, 1024, 768, 2}, {320, 200, 0, 27, 0, 266, 200, 1},
      {1366, 768, 1, 363, 144, 640, 480, 1}, {1920, 1080, 1, 320, 60, 1280, 960, 2},
      {600, 400, 1, 33, 0, 533, 400, 1},     {0, 0, 0, 0, 0, 0, 0, 1}};
  for (const auto &r : rows)
    EXPECT_EQ(platform::PlacePicture(r[0], r[1], r[2] != 0),
              (PictureArea{r[3], r[4], r[5], r[6], r[7]}))
        << r[0] << " x " << r[1] << (r[2] != 0 ? " whole" : "");
}

TEST(WaitForBlank, FromFiftyNineHertz) { // 59.94 Hz as some systems count it; 0: unknown
  for (int rate : {0, 50, 58, 59, 60, 144})
    EXPECT_EQ(platform::WaitForBlank(rate), rate >= 59) << rate;
}

// A back-buffer colour as SDL widens it for the window.
Uint32 widened(std::uint16_t colour) {
  Uint32 wide = 0;
  SDL_ConvertPixels(1, 1, SDL_PIXELFORMAT_RGB565, &colour, 2, SDL_PIXELFORMAT_RGB888, &wide, 4);
  return wide & 0xFFFFFF;
}

// The window's pixels.
std::vector<Uint32> window() {
  SDL_Surface *screen = SDL_GetWindowSurface(platform::gameWindow);
  const auto *pixels = static_cast<const Uint32 *>(screen->pixels);
  return std::vector<Uint32>(pixels, pixels + screen->pitch / 4 * screen->h);
}
// One of them, without the unused byte.
Uint32 shown(int x, int y) {
  SDL_Surface *screen = SDL_GetWindowSurface(platform::gameWindow);
  return static_cast<const Uint32 *>(screen->pixels)[y * screen->pitch / 4 + x] & 0xFFFFFF;
}

class Screen : public testing::Test {
protected:
  void SetUp() override {
    platform::UseHeadlessDrivers();
    platform::PresentToWindow(true); // what is presented is checked here
    ASSERT_TRUE(platform::InitVideo() && platform::CreateGameWindow(1366, 768) &&
                platform::CreateRenderer() && platform::SetLogicalSize() &&
                platform::CreateFront() && platform::CreateBackBuffer());
  }
  void TearDown() override {
    platform::ReleaseFront();
    platform::ReleaseRenderer();
    platform::PresentStraight(true);
    platform::SetIntegerScale(false);
    platform::EndVideo();
  }
};

class Picture : public Screen, public testing::WithParamInterface<bool> {};

// Stripes of white and red one back-buffer pixel wide, along a line of the
// window through the picture: black before it, then runs of 1 to `multiple`
// pure pixels, at most two blended between, blended ones only (and enough of
// them for a linear step) where the scale is not whole.
TEST_P(Picture, StripesStaySharpAndTheBordersBlack) {
  platform::PresentStraight(GetParam());
  const Uint32 white = widened(0xFFFF), red = widened(0xF800);
  const int sizes[][3] = {
      {1366, 768, 0}, {1920, 1080, 0}, {1280, 800, 0}, {1280, 960, 0}, {1920, 1080, 1}};
  for (const auto &[width, height, integer] : sizes) {
    platform::SetIntegerScale(integer != 0);
    SDL_SetWindowSize(platform::gameWindow, width, height);
    const PictureArea a = platform::PlacePicture(width, height, integer != 0);
    for (const bool across : {true, false}) {
      for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
          platform::backBufferRow(y)[x] = (across ? x : y) % 2 == 0 ? 0xFFFF : 0xF800;
      platform::PresentBackBuffer();
      const int length = across ? a.width : a.height, stripes = across ? 640 : 480;
      auto at = [&](int i) {
        return across ? shown(a.x + i, a.y + a.height / 2) : shown(a.x + a.width / 2, a.y + i);
      };
      SCOPED_TRACE(std::to_string(width) + (across ? " across" : " down"));
      if ((across ? a.x : a.y) > 0) {
        EXPECT_EQ(at(-1) | shown(0, 0) | shown(width - 1, height - 1), 0u);
      }
      int pure = 0, blended = 0, blendedRun = 0, run = 0, longestRun = 0;
      Uint32 previous = 0;
      for (int i = 0; i < length; ++i) {
        const Uint32 pixel = at(i);
        const bool mixed = pixel != white && pixel != red;
        ASSERT_EQ(pixel >> 16, 0xFFu) << i << ": not between the two";
        ASSERT_LE(blendedRun = mixed ? blendedRun + 1 : 0, 2) << i;
        blended += mixed;
        run = mixed ? 0 : pixel == previous ? run + 1 : 1;
        pure += run == 1;
        longestRun = std::max(longestRun, run);
        previous = pixel;
      }
      EXPECT_LE(longestRun, a.multiple);
      // Below 2 pixels a stripe, a few stripes get no pure pixel of their own.
      EXPECT_GE(pure * 2, stripes * (length >= 2 * stripes ? 2 : 1));
      EXPECT_LE(blended * 2, length);
      EXPECT_TRUE(length % stripes == 0 ? blended == 0 : blended * 8 >= length) << blended;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(StraightAndThroughTheRenderer, Picture, testing::Bool());

// Straight into the window's pixels as SDL's renderer filters, to a level
// or two; and a few pixels changed give what drawing it whole gives.
TEST_F(Screen, BothWaysAgreeAndAChangeDrawsWhatAWholeDrawingDoes) {
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      platform::backBufferRow(y)[x] =
          static_cast<std::uint16_t>((x * 37 + y * 101) * 2654435761u >> 16);
  auto present = [](bool straight) {
    platform::PresentStraight(straight); // and the whole window is drawn again
    platform::PresentBackBuffer();
    return window();
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
  const std::vector<Uint32> changed = window();
  EXPECT_TRUE(changed == present(true));
  EXPECT_FALSE(changed == straight);
}

// Decided by the display at the first present, and again only when the
// window changes display.
TEST_F(Screen, TheBlankWaitFollowsTheDisplay) {
  platform::PresentStraight(false);
  SDL_DisplayMode mode;
  ASSERT_EQ(SDL_GetCurrentDisplayMode(0, &mode), 0);
  const bool wait = platform::WaitForBlank(mode.refresh_rate);
  for (const char *step : {"first", "next", "moved"}) {
    SDL_RenderSetVSync(platform::renderer, !wait);
    if (step[0] == 'm') {
      SDL_Event moved{};
      moved.type = SDL_WINDOWEVENT;
      moved.window.event = SDL_WINDOWEVENT_DISPLAY_CHANGED;
      moved.window.windowID = SDL_GetWindowID(platform::gameWindow);
      SDL_PushEvent(&moved);
    }
    platform::PresentBackBuffer();
    EXPECT_EQ(platform::PresentWaitsForBlank(), step[0] == 'n' ? !wait : wait) << step;
  }
}

TEST_F(Screen, ThePointerIsHiddenInFullScreenAndShownInAWindow) {
  ASSERT_TRUE(platform::EnterFullScreen());
  for (const int shown : {SDL_DISABLE, SDL_ENABLE, SDL_DISABLE}) {
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), shown);
    platform::ToggleFullScreen();
  }
}

} // namespace
