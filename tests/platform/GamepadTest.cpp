// Game controllers as the keyboard: which control is which key, the
// repeat while held, the dead zone, Esc only from Back and Start together;
// then the same through SDL's queue with a virtual controller.

#include "platform/Gamepad.h"
#include "platform/Events.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace ruzoz;
using platform::PadKeys;

namespace {

std::string describe(const Message &m) {
  return m.kind == MessageKind::keyDown ? "down " + std::to_string(m.virtualKey) : "other";
}

std::vector<std::string> takeAll(PadKeys &pads, std::uint64_t now) {
  std::vector<std::string> taken;
  Message message;
  while (pads.Take(now, message))
    taken.push_back(describe(message));
  return taken;
}

using Seen = std::vector<std::string>;
const std::string left = "down 37", up = "down 38", right = "down 39", shift = "down 16",
                  space = "down 32", enter = "down 13", escape = "down 27";

TEST(PadKeys, ControlsAreKeysPressedAndLetGo) {
  using A = PadKeys::Axis;
  struct Step {
    const char *what;
    std::function<void(PadKeys &)> act;
    Seen seen;
  };
  PadKeys pads;
  const Step steps[] = {
      {"D-pad left", [](PadKeys &p) { p.Set(0, PadKeys::dpadLeft, true, 0); }, {left}},
      {"stick left too: still one key", [](PadKeys &p) { p.Move(0, A::leftX, -30000, 0); }, {}},
      {"D-pad let go, stick holds", [](PadKeys &p) { p.Set(0, PadKeys::dpadLeft, false, 0); }, {}},
      {"stick in the dead zone's edge: held still",
       [](PadKeys &p) { p.Move(0, A::leftX, -13000, 0); },
       {}},
      {"stick back to the centre", [](PadKeys &p) { p.Move(0, A::leftX, -12000, 0); }, {"other"}},
      {"stick short of half way", [](PadKeys &p) { p.Move(0, A::leftY, -16000, 0); }, {}},
      {"stick up", [](PadKeys &p) { p.Move(0, A::leftY, -20000, 0); }, {up}},
      {"A beside it", [](PadKeys &p) { p.Set(0, PadKeys::buttonA, true, 0); }, {shift}},
      {"and the trigger", [](PadKeys &p) { p.Move(0, A::rightTrigger, 32767, 0); }, {}},
      {"A let go, the trigger holds", [](PadKeys &p) { p.Set(0, PadKeys::buttonA, false, 0); }, {}},
      {"stick from up to right in one move",
       [](PadKeys &p) {
         p.Move(0, A::leftY, 0, 0);
         p.Move(0, A::leftX, 32767, 0);
       },
       {"other", right}},
      {"a second pad's Back", [](PadKeys &p) { p.Set(1, PadKeys::back, true, 0); }, {enter}},
      {"first pad unplugged", [](PadKeys &p) { p.Release(0); }, {"other", "other"}},
      {"Start on the other pad: Back and Start is Esc",
       [](PadKeys &p) { p.Set(1, PadKeys::start, true, 0); },
       {escape}},
      {"Start alone on the first pad", [](PadKeys &p) { p.Set(0, PadKeys::start, true, 0); }, {}},
  };
  for (const Step &step : steps) {
    step.act(pads);
    EXPECT_EQ(takeAll(pads, 0), step.seen) << step.what;
  }
  PadKeys fresh;
  fresh.Set(0, PadKeys::start, true, 0);
  EXPECT_EQ(takeAll(fresh, 0), Seen{space}) << "Start alone is Space";
}

TEST(PadKeys, AHeldKeyRepeatsThirtyTimesASecondAfterHalfASecond) {
  PadKeys pads;
  EXPECT_EQ(pads.UntilRepeat(0), -1);
  pads.Set(0, PadKeys::buttonA, true, 1000);
  EXPECT_EQ(takeAll(pads, 1000), Seen{shift});
  EXPECT_EQ(pads.UntilRepeat(1100), 400);
  int repeats = 0;
  for (std::uint64_t now = 1000; now <= 2500; ++now)
    repeats += static_cast<int>(takeAll(pads, now).size());
  EXPECT_EQ(repeats, 31); // at 1500, then every 1/30 s up to 2500
  // A loop that comes late gets one repeat, not the ones it missed.
  EXPECT_EQ(takeAll(pads, 4000), Seen{shift});
  EXPECT_GT(pads.UntilRepeat(4000), 0);

  // The newest key repeats; letting it go stops the repeat though another is held.
  pads.Set(0, PadKeys::dpadUp, true, 4000);
  EXPECT_EQ(takeAll(pads, 4600), (Seen{up, up}));
  pads.Set(0, PadKeys::dpadUp, false, 4600);
  EXPECT_EQ(takeAll(pads, 9000), Seen{"other"});
  EXPECT_EQ(pads.UntilRepeat(9000), -1);
}

// --- Through SDL's queue --------------------------------------------------

class VirtualPad : public testing::Test {
protected:
  void SetUp() override {
    platform::UseHeadlessDrivers();
    // The dummy window never has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Each poll reads the controller (no pause after a round of polls).
    SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
    ASSERT_TRUE(platform::InitVideo());
    SDL_VirtualJoystickDesc pad{};
    pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    pad.naxes = SDL_CONTROLLER_AXIS_MAX;
    pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    device = SDL_JoystickAttachVirtualEx(&pad);
    ASSERT_GE(device, 0) << SDL_GetError();
    joystick = SDL_JoystickOpen(device);
    ASSERT_NE(joystick, nullptr);
    EXPECT_EQ(messages(), Seen{}) << "plugging in is no message";
  }
  void TearDown() override {
    SDL_JoystickClose(joystick);
    platform::EndVideo();
  }

  Seen messages() {
    Seen seen;
    Message message;
    while (input.TakeMessage(message))
      seen.push_back(describe(message));
    return seen;
  }
  Seen button(SDL_GameControllerButton which, bool down) {
    SDL_JoystickSetVirtualButton(joystick, which, down ? 1 : 0);
    return messages();
  }

  Input &input = platform::EventInput();
  int device = -1;
  SDL_Joystick *joystick = nullptr;
};

TEST_F(VirtualPad, ButtonsAndStickAreTheGamesKeys) {
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_UP, true), Seen{up});
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_UP, false), Seen{"other"});
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_B, true), Seen{}) << "a button of no key";
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_RIGHTX, 30000);
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, 8000);
  EXPECT_EQ(messages(), Seen{}) << "the right stick and the dead zone";
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, -32768);
  EXPECT_EQ(messages(), Seen{left});
  SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767);
  EXPECT_EQ(messages(), Seen{shift});
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_BACK, true), Seen{enter});
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_START, true), Seen{escape});
  // Unplugged while held: the keys are let go.
  SDL_JoystickClose(joystick);
  joystick = nullptr;
  SDL_JoystickDetachVirtual(device);
  EXPECT_FALSE(messages().empty());
  EXPECT_EQ(platform::Pads().UntilRepeat(SDL_GetTicks64()), -1);
}

TEST_F(VirtualPad, AWaitWakesUpForTheNextRepeat) {
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, true), Seen{shift});
  const auto start = std::chrono::steady_clock::now();
  input.WaitForMessage(3000);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(400));
  EXPECT_LT(waited, std::chrono::milliseconds(1500));
  Message message;
  ASSERT_TRUE(input.TakeMessage(message));
  EXPECT_EQ(describe(message), shift);
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, false), Seen{"other"});
}

} // namespace
