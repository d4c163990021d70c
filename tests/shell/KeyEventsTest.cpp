// SDL's events through the real queue as the game's messages: key codes, the
// Alt rule, and which events are other messages or the end of the game.

#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"

#include "support/SdlEvents.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

using namespace ruzoz;
using testsupport::SimulatedEvent;

namespace {

class Events : public testing::Test {
protected:
  void SetUp() override {
    platform::UseHeadlessDrivers();
    ASSERT_TRUE(platform::InitVideo());
    Message message;
    while (input.TakeMessage(message)) {
    }
    platform::KeyRepeats().Stop();
  }
  void TearDown() override { platform::EndVideo(); }

  // The one message the event just pushed became.
  void expectMessage(const std::string &what, MessageKind kind, int virtualKey) {
    Message message;
    ASSERT_TRUE(input.TakeMessage(message)) << what;
    EXPECT_EQ(message.kind, kind) << what;
    EXPECT_EQ(message.virtualKey, virtualKey) << what;
    EXPECT_FALSE(input.TakeMessage(message)) << what << " gave a second message";
  }

  Input &input = platform::EventInput();
};

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
    for (std::string key; std::getline(names, key, '|');) {
      const int code = virtualKey != 0 ? virtualKey : key[0];
      for (const bool alt : {false, true})
        for (const bool repeat : {false, true}) {
          const std::string what = (alt ? "Alt+" : "") + key + (repeat ? " (repeat)" : "");
          ASSERT_TRUE(testsupport::SimulateKeyDown(key.c_str(), alt, repeat)) << what;
          Message message;
          if (repeat)
            EXPECT_FALSE(input.TakeMessage(message)) << what;
          else
            expectMessage(what, alt ? MessageKind::other : MessageKind::keyDown, alt ? 0 : code);
        }
    }
  }
  // The window closed or the quit event end the game; the rest are other messages.
  using E = SimulatedEvent;
  for (const E event : {E::keyUp, E::textInput, E::mouseMotion, E::windowExposed, E::audioRemoved,
                        E::windowClose, E::quit}) {
    const MessageKind kind =
        event == E::windowClose || event == E::quit ? MessageKind::destroy : MessageKind::other;
    ASSERT_TRUE(testsupport::SimulateEvent(event));
    expectMessage("event " + std::to_string(static_cast<int>(event)), kind, 0);
  }
}

// The keypad steers while NumLock is off; with it on its digits are no key
// of the game's.
TEST_F(Events, TheKeypadsArrowsSteerWithNumLockOff) {
  const std::pair<const char *, int> keypad[] = {
      {"Keypad 4", vkLeft}, {"Keypad 6", vkRight}, {"Keypad 8", vkUp}, {"Keypad 2", vkDown}};
  for (const auto &[key, virtualKey] : keypad)
    for (const bool numLock : {false, true}) {
      ASSERT_TRUE(testsupport::SimulateKeyDown(key, false, false, numLock));
      expectMessage(std::string(key) + (numLock ? " with NumLock" : ""), MessageKind::keyDown,
                    numLock ? vkUnmapped : virtualKey);
    }
}

TEST_F(Events, AWaitEndsEarlyForAWaitingMessageAndLeavesItQueued) {
  ASSERT_TRUE(testsupport::SimulateKeyDown("Up"));
  auto start = std::chrono::steady_clock::now();
  input.WaitForMessage(500);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  expectMessage("Up", MessageKind::keyDown, vkUp);

  start = std::chrono::steady_clock::now();
  input.WaitForMessage(30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(28));
}

} // namespace
