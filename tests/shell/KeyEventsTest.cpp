// SDL's events through the real queue as the game's messages: key codes, the
// Alt rule, and which events are other messages or the end of the game.

#include "platform/Events.h"
#include "platform/Window.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace ruzoz;
using platform::SimulatedEvent;

namespace {

class Events : public testing::Test {
protected:
  void SetUp() override {
    platform::UseHeadlessDrivers();
    ASSERT_TRUE(platform::InitVideo());
    Message message;
    while (input.TakeMessage(message)) {
    }
  }
  void TearDown() override { platform::EndVideo(); }

  Input &input = platform::EventInput();
};

struct Row {
  const char *key; // null: `event` instead of a key-down
  bool alt, repeat;
  MessageKind kind;
  int virtualKey;
  SimulatedEvent event = SimulatedEvent::keyUp;
};

constexpr MessageKind down = MessageKind::keyDown, other = MessageKind::other,
                      destroy = MessageKind::destroy;

const Row rows[] = {
    {"Left", false, false, down, vkLeft},
    {"Up", false, false, down, vkUp},
    {"Right", false, false, down, vkRight},
    {"Down", false, false, down, vkDown},
    {"Up", false, true, down, vkUp}, // auto-repeats count
    {"Left Shift", false, false, down, vkShift},
    {"Right Shift", false, false, down, vkShift},
    {"Space", false, true, down, vkSpace},
    {"Return", false, false, down, vkReturn},
    {"Keypad Enter", false, false, down, vkReturn},
    {"Escape", false, false, down, vkEscape},
    {"A", false, false, down, 'A'},
    {"Z", false, false, down, 'Z'},
    {"0", false, false, down, '0'},
    {"9", false, false, down, '9'},
    // SDL gives Backspace, Tab and Delete ASCII codes (8, 9, 127): they must
    // not pass through as such.
    {"Tab", false, false, down, vkUnmapped},
    {"Backspace", false, false, down, vkUnmapped},
    {"Delete", false, false, down, vkUnmapped},
    {"F1", false, false, down, vkUnmapped},
    {"Left Ctrl", false, false, down, vkUnmapped},
    {"Left Alt", false, false, down, vkUnmapped},
    {"Keypad 8", false, false, down, vkUnmapped},
    {"Keypad +", false, false, down, vkUnmapped},
    {"-", false, false, down, vkUnmapped},
    {"Home", false, false, down, vkUnmapped},
    // Alt+key is the system's: Alt+Enter must not open the story.
    {"Return", true, false, other, 0},
    {"Return", true, true, other, 0},
    {"Keypad Enter", true, false, other, 0},
    {"Left Shift", true, false, other, 0},
    {"Left", true, false, other, 0},
    {"Escape", true, false, other, 0},
    {nullptr, false, false, other, 0, SimulatedEvent::keyUp},
    {nullptr, false, false, other, 0, SimulatedEvent::textInput},
    {nullptr, false, false, other, 0, SimulatedEvent::mouseMotion},
    {nullptr, false, false, other, 0, SimulatedEvent::windowExposed},
    {nullptr, false, false, other, 0, SimulatedEvent::audioRemoved},
    {nullptr, false, false, destroy, 0, SimulatedEvent::windowClose},
    {nullptr, false, false, destroy, 0, SimulatedEvent::quit},
};

TEST_F(Events, EachEventIsOneMessageOfTheTable) {
  for (const Row &row : rows) {
    const std::string what =
        row.key != nullptr
            ? std::string(row.alt ? "Alt+" : "") + row.key + (row.repeat ? " (repeat)" : "")
            : "event " + std::to_string(static_cast<int>(row.event));
    ASSERT_TRUE(row.key != nullptr ? platform::SimulateKeyDown(row.key, row.alt, row.repeat)
                                   : platform::SimulateEvent(row.event))
        << what;
    Message message;
    ASSERT_TRUE(input.TakeMessage(message)) << what;
    EXPECT_EQ(message.kind, row.kind) << what;
    EXPECT_EQ(message.virtualKey, row.virtualKey) << what;
    EXPECT_FALSE(input.TakeMessage(message)) << what << " gave a second message";
  }
}

TEST_F(Events, AWaitEndsEarlyForAWaitingMessageAndLeavesItQueued) {
  ASSERT_TRUE(platform::SimulateKeyDown("Up"));
  auto start = std::chrono::steady_clock::now();
  input.WaitForMessage(500);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  Message message;
  ASSERT_TRUE(input.TakeMessage(message));
  EXPECT_EQ(message.virtualKey, vkUp);

  EXPECT_FALSE(input.TakeMessage(message));
  start = std::chrono::steady_clock::now();
  input.WaitForMessage(30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(28));
}

} // namespace
