// SDL events through the real queue into WindowProc: key codes, the Alt
// rule, and which events are "other messages" or the end of the game.

#include "audio/Sound.h"
#include "game/World.h"
#include "platform/Events.h"
#include "platform/Headless.h"
#include "platform/Window.h"
#include "shell/WindowProc.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace ruzoz;
using platform::SimulatedEvent;

namespace {

int shutDowns = 0;
int musicRestarts = 0;

class KeyEvents : public testing::Test {
protected:
  void SetUp() override {
    resetAll();
    keys = KeyState{};
    quitPosted = false;
    shutDowns = 0;
    musicRestarts = 0;
    shutDownHandler = [] { ++shutDowns; };
    musicObserver = [] { ++musicRestarts; };
    platform::UseHeadlessDrivers();
    ASSERT_TRUE(platform::RegisterWindowClass());
    while (platform::TakeEvent()) {
    }
  }
  void TearDown() override {
    shutDownHandler = nullptr;
    musicObserver = nullptr;
    quitPosted = false;
    platform::EndVideo();
  }

  // Queues the key, then handles everything waiting.
  static void press(const char *name, bool alt = false, bool repeat = false) {
    ASSERT_TRUE(platform::SimulateKeyDown(name, alt, repeat)) << name;
    handleAll();
  }
  static void handleAll() {
    while (platform::TakeEvent()) {
    }
  }
};

TEST(VirtualKeys, GameKeysGetTheirWindowsCodes) {
  EXPECT_EQ(platform::VirtualKeyForName("Left"), 37);
  EXPECT_EQ(platform::VirtualKeyForName("Up"), 38);
  EXPECT_EQ(platform::VirtualKeyForName("Right"), 39);
  EXPECT_EQ(platform::VirtualKeyForName("Down"), 40);
  EXPECT_EQ(platform::VirtualKeyForName("Left Shift"), 16);
  EXPECT_EQ(platform::VirtualKeyForName("Right Shift"), 16);
  EXPECT_EQ(platform::VirtualKeyForName("Space"), 32);
  EXPECT_EQ(platform::VirtualKeyForName("Return"), 13);
  EXPECT_EQ(platform::VirtualKeyForName("Keypad Enter"), 13);
  EXPECT_EQ(platform::VirtualKeyForName("Escape"), 27);
}

TEST(VirtualKeys, LettersAndDigitsAreTheirUpperCaseAscii) {
  EXPECT_EQ(platform::VirtualKeyForName("A"), 'A');
  EXPECT_EQ(platform::VirtualKeyForName("Z"), 'Z');
  EXPECT_EQ(platform::VirtualKeyForName("0"), '0');
  EXPECT_EQ(platform::VirtualKeyForName("9"), '9');
}

TEST(VirtualKeys, EveryOtherKeyGetsACodeTheGameIgnores) {
  // Backspace, Tab and Delete have ASCII key codes in SDL (8, 9, 127); they
  // must not pass through as such.
  for (const char *name : {"F1", "Tab", "Backspace", "Delete", "Left Ctrl", "Left Alt", "Keypad 5",
                           "Keypad 8", "-", "Home", "Keypad +"})
    EXPECT_EQ(platform::VirtualKeyForName(name), platform::unmappedKey) << name;
}

TEST_F(KeyEvents, ArrowKeyDownsSetTheirFlagAndAutoRepeatsCount) {
  press("Left");
  EXPECT_EQ(keys.keyLeft, 1);
  press("Up");
  EXPECT_EQ(keys.keyLeft, 0);
  EXPECT_EQ(keys.keyUp, 1);
  keys.keyUp = 0;
  press("Up", false, true);
  EXPECT_EQ(keys.keyUp, 1);
}

TEST_F(KeyEvents, EveryOtherEventClearsTheArrows) {
  for (SimulatedEvent kind : {SimulatedEvent::keyUp, SimulatedEvent::textInput,
                              SimulatedEvent::mouseMotion, SimulatedEvent::windowExposed}) {
    press("Right");
    ASSERT_EQ(keys.keyRight, 1);
    ASSERT_TRUE(platform::SimulateEvent(kind));
    handleAll();
    EXPECT_EQ(keys.keyRight, 0) << static_cast<int>(kind);
    EXPECT_EQ(shutDowns, 0);
    EXPECT_FALSE(quitPosted);
  }
}

TEST_F(KeyEvents, EitherShiftFiresAndKeypadEnterOpensTheStory) {
  press("Right Shift");
  EXPECT_EQ(keys.fireRequest, 1);
  keys.fireRequest = 0;
  press("Left Shift");
  EXPECT_EQ(keys.fireRequest, 1);
  press("Keypad Enter");
  EXPECT_EQ(game.storyScreen, 1);
}

TEST_F(KeyEvents, AKeyWithAltHeldIsAnOtherMessage) {
  press("Down");
  keys.fireRequest = 0;
  press("Return", true);
  EXPECT_EQ(game.storyScreen, 0);
  EXPECT_EQ(keys.keyDown, 0);
  press("Keypad Enter", true);
  EXPECT_EQ(game.storyScreen, 0);
  press("Left Shift", true);
  EXPECT_EQ(keys.fireRequest, 0);
  press("Left", true);
  EXPECT_EQ(keys.keyLeft, 0);
  press("Escape", true);
  EXPECT_FALSE(quitPosted);
  EXPECT_EQ(shutDowns, 0);
}

TEST_F(KeyEvents, HeldSpaceRestartsTheMusicOnEveryRepeat) {
  press("Space");
  press("Space", false, true);
  press("Space", false, true);
  EXPECT_EQ(musicRestarts, 3);
  EXPECT_EQ(game.playing, 1);
}

TEST_F(KeyEvents, EscapeClosingTheWindowAndQuitAllShutDownAndQuitWithZero) {
  press("Escape");
  EXPECT_EQ(shutDowns, 1);
  EXPECT_TRUE(quitPosted);
  EXPECT_EQ(quitCode, 0);

  for (SimulatedEvent kind : {SimulatedEvent::windowClose, SimulatedEvent::quit}) {
    quitPosted = false;
    quitCode = 5;
    shutDowns = 0;
    ASSERT_TRUE(platform::SimulateEvent(kind));
    handleAll();
    EXPECT_EQ(shutDowns, 1) << static_cast<int>(kind);
    EXPECT_TRUE(quitPosted);
    EXPECT_EQ(quitCode, 0);
  }
}

TEST_F(KeyEvents, AnEmptyQueueGivesNothingAndAWaitLeavesTheEventQueued) {
  EXPECT_FALSE(platform::TakeEvent());
  press("Left");
  ASSERT_TRUE(platform::SimulateKeyDown("Up"));
  const auto start = std::chrono::steady_clock::now();
  platform::WaitForEvent(500);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  EXPECT_EQ(keys.keyUp, 0);
  ASSERT_TRUE(platform::TakeEvent());
  EXPECT_EQ(keys.keyUp, 1);
}

TEST_F(KeyEvents, AWaitOnAnEmptyQueueLastsItsTime) {
  const auto start = std::chrono::steady_clock::now();
  platform::WaitForEvent(30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(28));
}

} // namespace
