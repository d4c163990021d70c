// Game controllers through SDL's queue, with a virtual controller.

#include "platform/sdl/Gamepad.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace ruzoz;

namespace {

// The messages taken, as a key script names them.
using Seen = std::string;
const Seen left = "down 37;", up = "down 38;", right = "down 39;", shift = "down 16;",
           space = "down 32;", enter = "down 13;", escape = "down 27;", other = "other;", none;

std::string describe(const Message &m) {
  return m.kind == MessageKind::keyDown ? "down " + std::to_string(m.virtualKey) + ";" : other;
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
  EXPECT_EQ(platform::KeyRepeats().Until(SDL_GetTicks64()), -1);
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
