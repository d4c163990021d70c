// SDL's events through the real queue as the game's messages: key codes, the
// Alt rule, which events are other messages or the end of the game, a game
// controller (SDL's virtual one) as keys, and the waits between them.

#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"

#include "support/SdlEvents.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

using namespace ruzoz;
using testsupport::SimulateKeyDown;

namespace {

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

  void plugPad() {
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

// Each key, and with Alt held: Alt+key is the system's (Alt+Enter must not
// open the story). SDL gives Backspace, Tab and Delete ASCII codes (8, 9,
// 127): they must not pass through as such. SDL's own repeats are no
// message: the game makes its own.
const std::pair<const char *, int> keyRows[] = {
    {"Left", vkLeft},
    {"Right", vkRight},
    {"Up", vkUp},
    {"Down", vkDown},
    {"Left Shift|Right Shift", vkShift},
    {"Space", vkSpace},
    {"Return|Keypad Enter", vkReturn},
    {"Escape", vkEscape},
    {"A|Z|0|9", 0}, // letters and digits are their own code
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
  // The keypad steers while NumLock is off; with it on its digits are no
  // key of the game's.
  for (const auto &[key, virtualKey] : {std::pair{"Keypad 4", vkLeft},
                                        {"Keypad 6", vkRight},
                                        {"Keypad 8", vkUp},
                                        {"Keypad 2", vkDown}})
    for (const bool numLock : {false, true}) {
      ASSERT_TRUE(SimulateKeyDown(key, false, false, numLock));
      EXPECT_EQ(messages(), down(numLock ? vkUnmapped : virtualKey)) << key << " " << numLock;
    }
  // The window closed or the quit event end the game; the rest are other messages.
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

// A wait ends early for a waiting message (and leaves it queued) and for
// the next repeat, a pad's as a key's; with neither it lasts.
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
