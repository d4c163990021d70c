// Game controllers as the keyboard, then through SDL's queue with a virtual
// controller.

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

// The messages taken, as a key script names them.
using Seen = std::string;
const Seen left = "down 37;", up = "down 38;", right = "down 39;", shift = "down 16;",
           space = "down 32;", enter = "down 13;", escape = "down 27;", other = "other;", none;

std::string describe(const Message &m) {
  return m.kind == MessageKind::keyDown ? "down " + std::to_string(m.virtualKey) + ";" : other;
}

Seen takeAll(PadKeys &pads, std::uint64_t now) {
  Seen taken;
  for (Message message; pads.Take(now, message);)
    taken += describe(message);
  return taken;
}

TEST(PadKeys, ControlsAreKeysPressedAndLetGo) {
  constexpr int x = int(PadKeys::Axis::leftX), y = int(PadKeys::Axis::leftY),
                trigger = int(PadKeys::Axis::rightTrigger);
  // 'p': control `which` of `pad` down (1) or up (0); 'm': axis `which` moved; 'u': unplugged.
  const struct {
    char act;
    int pad, which, value;
    Seen seen;
  } steps[] = {{'p', 0, PadKeys::dpadLeft, 1, left},
               {'m', 0, x, -30000, none}, // one key
               {'p', 0, PadKeys::dpadLeft, 0, none},
               {'m', 0, x, -13000, none}, // the dead zone's edge holds
               {'m', 0, x, -12000, other},
               {'m', 0, y, -16000, none}, // short of half way
               {'m', 0, y, -20000, up},
               {'p', 0, PadKeys::buttonA, 1, shift},
               {'m', 0, trigger, 32767, none},
               {'p', 0, PadKeys::buttonA, 0, none}, // the trigger holds Shift
               {'m', 0, y, 0, other},
               {'m', 0, x, 32767, right},
               {'p', 1, PadKeys::back, 1, enter},
               {'u', 0, 0, 0, other + other},
               {'p', 1, PadKeys::start, 1, escape},
               {'p', 0, PadKeys::start, 1, none}}; // Space held by the other pad
  PadKeys pads;
  for (const auto &s : steps) {
    if (s.act == 'p')
      pads.Set(s.pad, PadKeys::Control(s.which), s.value != 0, 0);
    else if (s.act == 'm')
      pads.Move(s.pad, PadKeys::Axis(s.which), s.value, 0);
    else
      pads.Release(s.pad);
    EXPECT_EQ(takeAll(pads, 0), s.seen) << &s - steps;
  }
  PadKeys fresh;
  fresh.Set(0, PadKeys::start, true, 0);
  EXPECT_EQ(takeAll(fresh, 0), space) << "Start alone";
}

TEST(PadKeys, AHeldKeyRepeatsThirtyTimesASecondAfterHalfASecond) {
  PadKeys pads;
  EXPECT_EQ(pads.UntilRepeat(0), -1);
  pads.Set(0, PadKeys::buttonA, true, 1000);
  EXPECT_EQ(takeAll(pads, 1000), shift);
  EXPECT_EQ(pads.UntilRepeat(1100), 400);
  int repeats = 0;
  for (std::uint64_t now = 1000; now <= 2500; ++now)
    repeats += takeAll(pads, now) == shift;
  EXPECT_EQ(repeats, 31); // at 1500, then every 1/30 s up to 2500
  // A loop that comes late gets one repeat, not the ones it missed.
  EXPECT_EQ(takeAll(pads, 4000), shift);
  EXPECT_GT(pads.UntilRepeat(4000), 0);

  // The newest key repeats; letting it go stops the repeat though another is held.
  pads.Set(0, PadKeys::dpadUp, true, 4000);
  EXPECT_EQ(takeAll(pads, 4600), up + up);
  pads.Set(0, PadKeys::dpadUp, false, 4600);
  EXPECT_EQ(takeAll(pads, 9000), other);
  EXPECT_EQ(pads.UntilRepeat(9000), -1);
}

class VirtualPad : public testing::Test {
protected:
  void SetUp() override {
    platform::UseHeadlessDrivers();
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1"); // the dummy window has no focus
    SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");                    // each poll reads the controller
    ASSERT_TRUE(platform::InitVideo());
    SDL_VirtualJoystickDesc pad{};
    pad.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    pad.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    pad.naxes = SDL_CONTROLLER_AXIS_MAX;
    pad.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    device = SDL_JoystickAttachVirtualEx(&pad);
    ASSERT_GE(device, 0) << SDL_GetError();
    ASSERT_NE(joystick = SDL_JoystickOpen(device), nullptr);
    EXPECT_EQ(messages(), none) << "plugging in is no message";
  }
  void TearDown() override {
    SDL_JoystickClose(joystick);
    platform::EndVideo();
  }

  Seen messages() {
    Seen seen;
    for (Message message; input.TakeMessage(message);)
      seen += describe(message);
    return seen;
  }
  Seen button(SDL_GameControllerButton which, bool down) {
    SDL_JoystickSetVirtualButton(joystick, which, down ? 1 : 0);
    return messages();
  }
  Seen axis(SDL_GameControllerAxis which, int value) {
    SDL_JoystickSetVirtualAxis(joystick, which, Sint16(value));
    return messages();
  }

  Input &input = platform::EventInput();
  int device = -1;
  SDL_Joystick *joystick = nullptr;
};

TEST_F(VirtualPad, ButtonsAndStickAreTheGamesKeys) {
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_UP, true), up);
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_DPAD_UP, false), other);
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_B, true), none) << "a button of no key";
  EXPECT_EQ(axis(SDL_CONTROLLER_AXIS_RIGHTX, 30000), none) << "the right stick";
  EXPECT_EQ(axis(SDL_CONTROLLER_AXIS_LEFTX, 8000), none) << "the dead zone";
  EXPECT_EQ(axis(SDL_CONTROLLER_AXIS_LEFTX, -32768), left);
  EXPECT_EQ(axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 32767), shift);
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_BACK, true), enter);
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_START, true), escape);
  // Unplugged while held: the keys are let go.
  SDL_JoystickClose(joystick);
  joystick = nullptr;
  SDL_JoystickDetachVirtual(device);
  EXPECT_FALSE(messages().empty());
  EXPECT_EQ(platform::Pads().UntilRepeat(SDL_GetTicks64()), -1);
}

TEST_F(VirtualPad, AWaitWakesUpForTheNextRepeat) {
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, true), shift);
  const auto start = std::chrono::steady_clock::now();
  input.WaitForMessage(3000);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(400));
  EXPECT_LT(waited, std::chrono::milliseconds(1500));
  Message message;
  ASSERT_TRUE(input.TakeMessage(message));
  EXPECT_EQ(describe(message), shift);
  EXPECT_EQ(button(SDL_CONTROLLER_BUTTON_A, false), other);
}

} // namespace
