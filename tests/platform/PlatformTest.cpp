// The SDL platform on its own under SDL's dummy drivers.

#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/SdlObjects.h"
#include "support/SdlEvents.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <tuple>
#include <vector>

using namespace ruzoz;
using platform::PictureArea;
using testsupport::SimulateKeyDown;

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

TEST(PlaceWindow, TheFrameLiesInTheUsableAreaAroundTheLargestPicture) {
  // The usable area, the borders (top, left, bottom, right), whole multiples
  // only; the inside's x, y, width, height. Openbox's borders are 20, 1, 5, 1.
  const int rows[][13] = {
      {0, 0, 1366, 768, 20, 1, 5, 1, 0, 188, 20, 990, 743},     // 743 high, not 768
      {0, 32, 1366, 736, 20, 1, 5, 1, 0, 209, 52, 948, 711},    // a panel at the top
      {0, 0, 1280, 800, 0, 0, 0, 0, 0, 107, 0, 1066, 800},      // no window manager
      {0, 0, 1920, 1080, 30, 0, 0, 0, 1, 320, 75, 1280, 960},   // two whole multiples fit
      {1920, 0, 1366, 768, 20, 4, 5, 1, 0, 2109, 20, 990, 743}, // a second screen
      {0, 0, 800, 500, 20, 1, 5, 1, 0, 80, 20, 640, 480}};      // too small: from the top
  for (const auto &r : rows)
    EXPECT_EQ(platform::PlaceWindow({r[0], r[1], r[2], r[3]}, {r[4], r[5], r[6], r[7]}, r[8] != 0),
              (platform::Rect{r[9], r[10], r[11], r[12]}))
        << r[2] << "x" << r[3] << " at " << r[0];
}

TEST(WaitForBlank, FromFiftyNineHertz) { // 59.94 Hz as some systems count it; 0: unknown
  for (int rate : {0, 50, 58, 59, 60, 144})
    EXPECT_EQ(platform::WaitForBlank(rate), rate >= 59) << rate;
}

std::vector<Uint32> window() {
  SDL_Surface *screen = SDL_GetWindowSurface(platform::gameWindow);
  const auto *pixels = static_cast<const Uint32 *>(screen->pixels);
  return std::vector<Uint32>(pixels, pixels + screen->pitch / 4 * screen->h);
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

// Straight into the window's pixels is the renderer's sharp picture to a few
// levels (exactly at whole multiples); a few pixels changed redraw as a whole.
TEST_F(Screen, StraightIsTheRenderersSharpPictureOnBlackAndAChangeIsAWholeDrawing) {
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      platform::backBufferRow(y)[x] =
          static_cast<std::uint16_t>((x * 37 + y * 101) * 2654435761u >> 16);
  auto present = [](bool straight) {
    SDL_FillRect(SDL_GetWindowSurface(platform::gameWindow), nullptr, 0xFFFFFFFF);
    platform::PresentStraight(straight); // and the whole window is drawn again
    platform::PresentBackBuffer();
    return window();
  };
  std::vector<Uint32> straight;
  for (const auto &[width, height, integer] : {std::tuple{1920, 1080, false},
                                               {1280, 800, false},
                                               {1280, 960, false},
                                               {1920, 1080, true},
                                               {1366, 768, false}}) {
    platform::SetIntegerScale(integer);
    SDL_SetWindowSize(platform::gameWindow, width, height);
    const PictureArea a = platform::PlacePicture(width, height, integer);
    const std::vector<Uint32> drawn = present(false);
    straight = present(true);
    int worst = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i)
      for (int shift : {0, 8, 16})
        worst = std::max(worst,
                         std::abs(int(drawn[i] >> shift & 255) - int(straight[i] >> shift & 255)));
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) +
                 (integer ? " whole" : ""));
    EXPECT_LE(worst, a.width % 640 == 0 ? 0 : 5);
    EXPECT_TRUE(a.x + a.y == 0 || ((drawn[0] | straight[0]) & 0xFFFFFF) == 0) << "black around";
  }

  for (const auto &[x, y] : {std::pair{0, 0}, {330, 17}, {331, 17}, {639, 479}, {15, 300}})
    platform::backBufferRow(y)[x] ^= 0x5555;
  platform::PresentBackBuffer();
  const std::vector<Uint32> changed = window();
  EXPECT_TRUE(changed == present(true));
  EXPECT_FALSE(changed == straight);
}

// Decided at the first present, and again only when the window changes display.
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

class Events : public testing::Test {
protected:
  void SetUp() override {
    platform::UseHeadlessDrivers();
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1"); // the dummy window has no focus
    SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");                    // each poll reads the controller
    ASSERT_TRUE(platform::InitVideo());
    messages();
    platform::KeyRepeats().Stop();
  }
  void TearDown() override {
    SDL_JoystickClose(joystick);
    platform::EndVideo();
  }

  // The messages taken, as a key script names them.
  std::string messages() {
    std::string seen;
    for (Message m; input.TakeMessage(m);)
      seen += m.kind == MessageKind::keyDown ? "down " + std::to_string(m.virtualKey) + ";"
              : m.kind == MessageKind::other ? "other;"
                                             : "destroy;";
    return seen;
  }

  void plugPad() { // SDL's virtual controller
    SDL_VirtualJoystickDesc pad{};
    pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    pad.naxes = SDL_CONTROLLER_AXIS_MAX;
    pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    device = SDL_JoystickAttachVirtualEx(&pad);
    ASSERT_GE(device, 0) << SDL_GetError();
    ASSERT_NE(joystick = SDL_JoystickOpen(device), nullptr);
    EXPECT_EQ(messages(), "") << "plugging in is no message";
  }
  std::string button(SDL_GameControllerButton which, bool down) {
    SDL_JoystickSetVirtualButton(joystick, which, down ? 1 : 0);
    return messages();
  }
  std::string axis(SDL_GameControllerAxis which, int value) {
    SDL_JoystickSetVirtualAxis(joystick, which, static_cast<Sint16>(value));
    return messages();
  }

  Input &input = platform::EventInput();
  int device = -1;
  SDL_Joystick *joystick = nullptr;
};

std::string down(int virtualKey) { return "down " + std::to_string(virtualKey) + ";"; }

// Alt+key is the system's; SDL's ASCII codes of Tab, Backspace and Delete must
// not pass through; SDL's repeats are none. Letters and digits (0): their own.
const std::pair<const char *, int> keyRows[] = {
    {"Left", vkLeft},
    {"Right", vkRight},
    {"Up", vkUp},
    {"Down", vkDown},
    {"Left Shift|Right Shift", vkShift},
    {"Space", vkSpace},
    {"Return|Keypad Enter", vkReturn},
    {"Escape", vkEscape},
    {"A|Z|0|9", 0},
    {"Tab|Backspace|Delete|F1|Left Ctrl|Left Alt|Keypad 5|Keypad +|-|Home", vkUnmapped}};

TEST_F(Events, EachEventIsOneMessageOfTheTable) {
  for (const auto &[keys, virtualKey] : keyRows) {
    std::istringstream names(keys);
    for (std::string key; std::getline(names, key, '|');)
      for (const bool alt : {false, true})
        for (const bool repeat : {false, true}) {
          ASSERT_TRUE(SimulateKeyDown(key.c_str(), alt, repeat)) << key;
          EXPECT_EQ(messages(), repeat ? ""
                                : alt  ? "other;"
                                       : down(virtualKey != 0 ? virtualKey : key[0]))
              << (alt ? "Alt+" : "") << key << (repeat ? " (repeat)" : "");
        }
  }
  // The keypad steers while NumLock is off.
  for (const auto &[key, virtualKey] : {std::pair{"Keypad 4", vkLeft},
                                        {"Keypad 6", vkRight},
                                        {"Keypad 8", vkUp},
                                        {"Keypad 2", vkDown}})
    for (const bool numLock : {false, true}) {
      ASSERT_TRUE(SimulateKeyDown(key, false, false, numLock));
      EXPECT_EQ(messages(), down(numLock ? vkUnmapped : virtualKey)) << key << " " << numLock;
    }
  using E = testsupport::SimulatedEvent;
  for (const E event :
       {E::keyUp, E::textInput, E::windowExposed, E::audioRemoved, E::windowClose, E::quit}) {
    ASSERT_TRUE(testsupport::SimulateEvent(event));
    EXPECT_EQ(messages(), event == E::windowClose || event == E::quit ? "destroy;" : "other;")
        << static_cast<int>(event);
  }
}

TEST_F(Events, AGamepadsButtonsAndStickAreTheGamesKeys) {
  plugPad();
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_UP, true), down(vkUp));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_UP, false), "other;");
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_B, true), "") << "a button of no key";
  EXPECT_EQ(axis(SDL_CONTROLLER_AXIS_RIGHTX, 30000), "") << "the right stick";
  EXPECT_EQ(axis(SDL_CONTROLLER_AXIS_LEFTX, 8000), "") << "the dead zone";
  EXPECT_EQ(axis(SDL_CONTROLLER_AXIS_LEFTX, -32768), down(vkLeft));
  EXPECT_EQ(axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767), down(vkShift));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_BACK, true), down(vkReturn));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_START, true), down(vkEscape));
  // Unplugged while held: the keys are let go.
  SDL_JoystickClose(joystick);
  joystick = nullptr;
  SDL_JoystickDetachVirtual(device);
  EXPECT_FALSE(messages().empty());
  EXPECT_EQ(platform::KeyRepeats().Until(SDL_GetTicks64()), -1);
}

// A waiting message (left queued) or the next repeat, a pad's too, ends a wait early.
TEST_F(Events, AWaitEndsForAMessageOrTheNextRepeat) {
  const auto waited = [&](int milliseconds) {
    const auto start = std::chrono::steady_clock::now();
    input.WaitForMessage(milliseconds);
    return std::chrono::steady_clock::now() - start;
  };
  using std::chrono::milliseconds;
  ASSERT_TRUE(SimulateKeyDown("Up"));
  EXPECT_LT(waited(500), milliseconds(250));
  EXPECT_EQ(messages(), down(vkUp));
  EXPECT_GE(waited(30), milliseconds(28));

  plugPad();
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, true), down(vkShift));
  const auto untilRepeat = waited(3000);
  EXPECT_GE(untilRepeat, milliseconds(400));
  EXPECT_LT(untilRepeat, milliseconds(1500));
  EXPECT_EQ(messages(), down(vkShift));
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, false), "other;");
}

} // namespace
