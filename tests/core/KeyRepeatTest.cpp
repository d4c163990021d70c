// The repeat rule with a fake clock, and the pads' controls as keys.

#include "ports/KeyRepeat.h"
#include "ports/PadKeys.h"

#include <gtest/gtest.h>

#include <string>

using namespace ruzoz;

namespace {

// The messages taken, as a key script names them.
using Seen = std::string;
const Seen left = "down 37;", up = "down 38;", right = "down 39;", shift = "down 16;",
           space = "down 32;", enter = "down 13;", escape = "down 27;", other = "other;", none;

Seen describe(const Message &m) {
  return m.kind == MessageKind::keyDown ? "down " + std::to_string(m.virtualKey) + ";" : other;
}

// What a KeyRepeat (given the time) or a PadKeys has to give now.
template <typename Source, typename... Now> Seen takeAll(Source &source, Now... now) {
  Seen taken;
  for (Message message; source.Take(now..., message);)
    taken += describe(message);
  return taken;
}

// Repeats taken by a caller that looks every millisecond over [from, to].
int repeatsBetween(KeyRepeat &repeat, std::uint64_t from, std::uint64_t to, const Seen &what) {
  int count = 0;
  for (std::uint64_t now = from; now <= to; ++now) {
    const Seen seen = takeAll(repeat, now);
    if (!seen.empty()) {
      EXPECT_EQ(seen, what) << "at " << now;
      ++count;
    }
  }
  return count;
}

constexpr Message key(int vk) { return Message{MessageKind::keyDown, vk}; }

TEST(KeyRepeat, AfterHalfASecondThirtyTimesASecondWithoutCatchingUp) {
  KeyRepeat repeat;
  EXPECT_EQ(repeat.Until(0), -1);
  repeat.Press(42, key(vkShift), 1000);
  EXPECT_EQ(repeat.Until(1100), 400);
  EXPECT_EQ(repeatsBetween(repeat, 1000, 1499, shift), 0);
  // At 1500, then every 1/30 s: 1533, 1566, 1600, ... up to 2500.
  EXPECT_EQ(repeatsBetween(repeat, 1500, 2500, shift), 31);
  // Held 2 s in all: the press and 46 repeats, as on the designed system.
  EXPECT_EQ(1 + 31 + repeatsBetween(repeat, 2501, 2999, shift), 46);
  // A caller back after a stall gets one repeat, then the grid again.
  EXPECT_EQ(takeAll(repeat, 4000) + takeAll(repeat, 4000), shift);
  EXPECT_EQ(repeat.Until(4000), 33);
  EXPECT_EQ(repeatsBetween(repeat, 4001, 4100, shift), 3);
}

TEST(KeyRepeat, TheLastKeyPressedRepeatsAndLettingItGoEndsAllRepeat) {
  KeyRepeat repeat;
  repeat.Press(1, key(vkLeft), 0);
  EXPECT_EQ(takeAll(repeat, 600), left);
  // Shift on top of Left: Shift takes the repeat over, on its own delay.
  repeat.Press(2, key(vkShift), 800);
  EXPECT_EQ(repeatsBetween(repeat, 800, 1299, left + shift), 0);
  EXPECT_EQ(repeatsBetween(repeat, 1300, 2300, shift), 31);
  // Letting go of Left, which no longer repeats, changes nothing.
  repeat.Release(1);
  EXPECT_EQ(takeAll(repeat, 2400), shift);
  // Letting go of Shift ends all repeat though Left were still held.
  repeat.Release(2);
  EXPECT_EQ(takeAll(repeat, 9000), none);
  EXPECT_EQ(repeat.Until(9000), -1);
  // A second press of the same key starts over.
  repeat.Press(3, key(vkUp), 10000);
  repeat.Press(3, key(vkUp), 10400);
  EXPECT_EQ(takeAll(repeat, 10500), none);
  EXPECT_EQ(takeAll(repeat, 10900), up);
  repeat.Stop();
  EXPECT_EQ(takeAll(repeat, 20000), none);
}

TEST(KeyRepeat, ACharacterTypedByThePressFollowsEachRepeat) {
  KeyRepeat repeat;
  repeat.Press(7, key(vkSpace), 0);
  repeat.TypedCharacter();
  EXPECT_EQ(repeat.Until(600), 0);
  EXPECT_EQ(takeAll(repeat, 600), space + other);
  // Another press forgets the character; an other message (Alt held) repeats as it is.
  repeat.Press(8, Message{}, 700);
  EXPECT_EQ(takeAll(repeat, 1200), other);
  repeat.Release(8);
  repeat.TypedCharacter(); // nothing repeats: nothing to follow
  EXPECT_EQ(takeAll(repeat, 5000), none);
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
               {'p', 0, PadKeys::start, 1, none},  // Space held by the other pad
               {'p', 8, PadKeys::start, 1, none}}; // no such pad
  KeyRepeat repeat;
  PadKeys pads(repeat);
  for (const auto &s : steps) {
    if (s.act == 'p')
      pads.Set(s.pad, PadKeys::Control(s.which), s.value != 0, 0);
    else if (s.act == 'm')
      pads.Move(s.pad, PadKeys::Axis(s.which), s.value, 0);
    else
      pads.Release(s.pad);
    EXPECT_EQ(takeAll(pads), s.seen) << &s - steps;
  }
  EXPECT_EQ(repeat.Until(0), -1) << "Esc does not repeat";
  PadKeys fresh(repeat);
  fresh.Set(0, PadKeys::start, true, 0);
  EXPECT_EQ(takeAll(fresh), space) << "Start alone";
}

TEST(PadKeys, ThePadsKeysRepeatByTheKeyboardsRule) {
  KeyRepeat repeat;
  PadKeys pads(repeat);
  pads.Set(0, PadKeys::buttonA, true, 1000);
  EXPECT_EQ(takeAll(pads), shift);
  EXPECT_EQ(repeatsBetween(repeat, 1000, 2500, shift), 31);
  // The trigger holds the same Shift: letting go of A does not end it.
  pads.Move(0, PadKeys::Axis::rightTrigger, 30000, 2500);
  pads.Set(0, PadKeys::buttonA, false, 2500);
  EXPECT_EQ(takeAll(pads), none);
  EXPECT_EQ(takeAll(repeat, 2600), shift);
  // A keyboard key pressed meanwhile takes the repeat over from the pad.
  repeat.Press(5, key(vkUp), 2600);
  pads.Move(0, PadKeys::Axis::rightTrigger, 0, 2700);
  EXPECT_EQ(takeAll(pads), other);
  EXPECT_EQ(takeAll(repeat, 3100), up);
  // And a pad's press takes it back; unplugged, the pad repeats no more.
  pads.Set(1, PadKeys::dpadDown, true, 3200);
  EXPECT_EQ(takeAll(pads), "down 40;");
  pads.Release(1);
  EXPECT_EQ(takeAll(pads), other);
  EXPECT_EQ(repeat.Until(4000), -1);
}

} // namespace
