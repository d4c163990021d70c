// Key scripts and the golden traces they replay, the autopilot, and the key
// repeat (on a fake clock) with the pads' controls as keys.

#include "shell/Replay.h"
#include "pilot/Pilot.h"
#include "ports/KeyRepeat.h"
#include "ports/PadKeys.h"
#include "support/GameFixture.h"
#include "support/Support.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace ruzoz::test {
namespace {

bool parse(const std::string &text, std::vector<replay::ScriptEvent> &events, std::string &error) {
  std::istringstream in(text);
  return replay::parseScript(in, events, error);
}

TEST(ReplayScriptTest, ParsesEventsInFrameOrderKeepingFileOrder) {
  std::vector<replay::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(parse("# comment\n\n5 down 32\r\n  \n3 other\n5 down 13\n0 down 27\n", events, error))
      << error;
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].frame, 0);
  EXPECT_EQ(events[1].message.kind, MessageKind::other);
  EXPECT_EQ(events[2].message.virtualKey, 32);
  EXPECT_EQ(events[3].message.virtualKey, 13) << "same frame keeps file order";
}

// A line of a script saved with CRLF is quoted without its CR.
TEST(ReplayScriptTest, MalformedLinesAreNamed) {
  const std::string bad[] = {"x down 32", "1 up 32",  "1 down",      "1 down -3",
                             "1 other 5", "-1 other", "1 down 32 7", "1 down 99999999"};
  for (const std::string &line : bad) {
    const char *end = (&line - bad) % 2 ? "\r\n" : "\n";
    std::vector<replay::ScriptEvent> events;
    std::string error;
    EXPECT_FALSE(parse("0 other" + (end + line) + end, events, error)) << line;
    EXPECT_TRUE(error.find("line 2") != std::string::npos && error.ends_with(": \"" + line + "\""))
        << error;
  }
}

// The game headless, in this process, on surfaces of the nominal sizes.
class GoldenTraceTest : public ::testing::TestWithParam<const char *> {};

TEST_P(GoldenTraceTest, TraceIsUnchanged) {
  const std::string base = std::string(RUZOZ_GOLDEN_DIR) + "/" + GetParam();
  std::ifstream keys(base + ".keys");
  ASSERT_TRUE(keys) << base;
  std::vector<replay::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(replay::parseScript(keys, events, error)) << error;
  const std::string expected = testsupport::ReadText(base + ".trace");
  ASSERT_FALSE(expected.empty());

  resetAll();
  InstallNominalSurfaces(nullptr);
  quitPosted = false;
  testsupport::ScratchDir dir;
  std::FILE *out = std::fopen((dir.path() / "trace").c_str(), "wb");
  ASSERT_NE(out, nullptr);
  replay::beginRecording();
  replay::runReplay(std::count(expected.begin(), expected.end(), '\n') + 10, events, out);
  replay::endRecording();
  std::fclose(out);
  quitPosted = false;

  const std::string actual = testsupport::ReadText(dir.path() / "trace");
  const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  EXPECT_TRUE(actual == expected) << "first difference at frame line "
                                  << std::count(expected.begin(), at.second, '\n');
}

INSTANTIATE_TEST_SUITE_P(Scripts, GoldenTraceTest,
                         ::testing::Values("title_navigation", "random_keys", "autopilot_game"));

// Everything a frame can change, as text.
std::string stateText() {
  const GameState &g = game;
  char text[512];
  std::snprintf(text, sizeof text,
                "P%d%d%d%d L%d %.17g %.17g %.17g %.17g H%d T%d D%d C%d,%d %d,%d S%u,%u "
                "sh%d a%u st%d u%d b%u r%u k%d%d%d%d%d w%016" PRIx64,
                g.playing, g.storyScreen, g.titleTextsHidden, g.gameInProgress, g.currentLevel,
                g.shipX, g.shipY, g.velocityX, g.velocityY, g.heading, g.thrust, g.turnDivider,
                g.cameraX, g.cameraY, g.cameraTileColumn, g.cameraTileRow, g.score, g.highScore,
                g.shield, g.ammo, g.shotTimer, g.ufoCount, g.bannerTimer, randomState, keys.keyLeft,
                keys.keyRight, keys.keyUp, keys.keyDown, keys.fireRequest,
                replay::fnv1a(levels, sizeof levels));
  return text;
}

std::string scriptLine(long long frame, const Message &m) {
  return std::to_string(frame) +
         (m.kind == MessageKind::keyDown ? " down " + std::to_string(m.virtualKey) : " other");
}

// The whole live state, kept (false) or put back (true).
void keep(bool back) {
  static struct {
    Level levels[levelCount];
    GameState game;
    KeyState keys;
    std::uint32_t random;
  } saved;
  std::memcpy(back ? levels : saved.levels, back ? saved.levels : levels, sizeof levels);
  if (back)
    game = saved.game, keys = saved.keys, randomState = saved.random;
  else
    saved.game = game, saved.keys = keys, saved.random = randomState;
}

class PilotTest : public GameTest {
protected:
  // A generated world, in play on level `level` with its crowd stirred up
  // for 200 frames, so that shots fly; the shield of a pick-up there.
  static void playOn(int level) {
    runFrame();
    key(vkSpace);
    game.currentLevel = level, game.shield = level + 3;
    for (int i = 0; i < 200; ++i)
      runFrame();
    ASSERT_TRUE(game.playing);
    clearRecording();
  }
};

// The frames the pilot runs to look ahead are put back entirely, and
// neither drawn nor heard, while the pilot fights the last level.
TEST_F(PilotTest, LookingAheadLeavesTheGameAsItWas) {
  playOn(15);
  pilot::Autopilot autopilot(1);
  Message messages[pilot::maxMessages];
  ASSERT_EQ(autopilot.Decide(1000, messages), 1) << "Space first";
  for (long long frame = 1001; frame < 1400 && game.playing; ++frame) {
    const std::string before = stateText();
    const int n = autopilot.Decide(frame, messages);
    ASSERT_EQ(stateText(), before) << frame;
    ASSERT_EQ(drawn().DrawCount(), 0) << frame;
    ASSERT_TRUE(effects().empty()) << frame;
    for (int i = 0; i < n; ++i)
      WindowProc(messages[i]);
    runFrame();
    clearRecording();
  }
  EXPECT_EQ(musicRestarts(), 0);
}

// The lookahead's frame is the game's play frame without its pictures,
// through a crowded level, a level change and the win.
TEST_F(PilotTest, TheLookaheadFrameIsThePlayFrame) {
  const struct { int level, aliens; } cases[] = {{15, -1}, {7, 4}, {15, 4}};
  for (const auto &c : cases) {
    resetAll();
    InstallNominalSurfaces(&drawn());
    playOn(c.level);
    int kept = 0; // leave that many aliens: the level is cleared at once
    for (WorldObject &o : levels[c.level].objects)
      if (c.aliens >= 0 && isAlien(o.kind) && kept++ >= c.aliens)
        o.kind = 0;
    keep(false);
    const auto steer = [](int t) {
      if (t % 15 == 0)
        key(vkShift);
      key(t % 40 < 10 ? vkLeft : t % 40 < 25 ? vkUp : vkDown);
    };
    std::vector<std::string> played;
    for (int t = 0; t < 300 && game.playing; ++t) {
      steer(t);
      runFrame();
      played.push_back(stateText());
    }
    keep(true);
    for (std::size_t t = 0; t < played.size(); ++t) {
      steer(static_cast<int>(t));
      pilot::SimulatePlayFrame();
      ASSERT_EQ(stateText(), played[t]) << "level " << c.level << ", frame " << t;
    }
    EXPECT_TRUE(c.aliens < 0 || game.currentLevel == c.level + 1) << "the level was cleared";
  }
}

// The seed's game is the won game's script in every build (Debug and the
// sanitizers' too): Space once, then only arrows, Shift and other messages.
TEST(AutopilotGoldenTrace, TheSeedGivesTheWonGamesScript) {
  resetAll();
  InstallNominalSurfaces(nullptr);
  constexpr long long frames = 20000;
  std::ifstream golden(std::string(RUZOZ_GOLDEN_DIR) + "/won_game.keys");
  std::string expected;
  for (std::string line; std::getline(golden, line);)
    if (!line.empty() && line[0] != '#' && std::stoll(line) < frames)
      expected += line + "\n";
  ASSERT_FALSE(expected.empty());

  pilot::Autopilot autopilot(1);
  std::string script;
  int spaces = 0, others = 0;
  for (long long frame = 0; frame < frames; ++frame) {
    Message messages[pilot::maxMessages];
    const int n = autopilot.Decide(frame, messages);
    for (int i = 0; i < n; ++i) {
      const Message &m = messages[i];
      const int k = m.kind == MessageKind::keyDown ? m.virtualKey : 0;
      ASSERT_TRUE(m.kind == MessageKind::other || k == vkShift || k == vkSpace ||
                  (k >= vkLeft && k <= vkDown))
          << scriptLine(frame, m);
      spaces += k == vkSpace;
      others += m.kind == MessageKind::other;
      ASSERT_EQ(k == vkSpace, spaces == 1 && script.empty()) << "Space starts the game, once";
      script += scriptLine(frame, m) + "\n";
      WindowProc(m);
    }
    runFrame();
  }
  EXPECT_TRUE(game.currentLevel > 0 && others > 0);
  EXPECT_TRUE(script == expected) << "the script differs from tests/golden/won_game.keys";
}

// After the game the title stays for tailFrames, then Esc; the arrows are
// let go meanwhile.
TEST_F(PilotTest, EscAFewSecondsAfterTheEnd) {
  playOn(3);
  pilot::Autopilot autopilot(9);
  Message messages[pilot::maxMessages];
  ASSERT_EQ(autopilot.Decide(500, messages), 1);
  WindowProc(messages[0]);
  key(vkUp);
  endGame();
  runFrame();
  std::string said;
  for (long long frame = 501; !autopilot.Finished(); ++frame) {
    ASSERT_LT(frame, 501 + pilot::tailFrames + 1);
    const int n = autopilot.Decide(frame, messages);
    for (int i = 0; i < n; ++i) {
      said += scriptLine(frame, messages[i]) + ";";
      if (messages[i].kind == MessageKind::other)
        WindowProc(messages[i]);
    }
  }
  EXPECT_EQ(said, "501 other;" + std::to_string(501 + pilot::tailFrames) + " down 27;");
  EXPECT_EQ(autopilot.Decide(2000, messages), 0);
}

struct Queue final : Input {
  std::vector<Message> messages;
  std::size_t next = 0;
  int waits = 0;
  bool TakeMessage(Message &m) override {
    return next < messages.size() && (m = messages[next++], true);
  }
  void WaitForMessage(int) override { ++waits; }
};

// The demo's input: the pilot's messages of a frame once, before anything
// of the keyboard's; of those only Esc and the window's closing pass.
TEST_F(PilotTest, DemoInputDecidesOncePerFrame) {
  runFrame();
  Queue keyboard;
  keyboard.messages = {{MessageKind::keyDown, vkLeft},
                       {MessageKind::other, 0},
                       {MessageKind::keyDown, vkEscape},
                       {MessageKind::destroy, 0}};
  long long frames = 0;
  pilot::PilotInput input(keyboard, 1, frames);
  Message m;
  ASSERT_TRUE(input.TakeMessage(m));
  EXPECT_EQ(scriptLine(frames, m), "0 down 27") << "nothing of the pilot's yet; Left dropped";
  frames = 1000;
  ASSERT_TRUE(input.TakeMessage(m));
  EXPECT_EQ(scriptLine(frames, m), "1000 down 32");
  ASSERT_TRUE(input.TakeMessage(m) && m.kind == MessageKind::destroy);
  EXPECT_FALSE(input.TakeMessage(m)) << "the frame was decided already";
  input.WaitForMessage(5);
  EXPECT_EQ(keyboard.waits, 1);
}

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

constexpr Message press(int vk) { return Message{MessageKind::keyDown, vk}; }

TEST(KeyRepeat, AfterHalfASecondThirtyTimesASecondWithoutCatchingUp) {
  KeyRepeat repeat;
  EXPECT_EQ(repeat.Until(0), -1);
  repeat.Press(42, press(vkShift), 1000);
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
  repeat.Press(1, press(vkLeft), 0);
  EXPECT_EQ(takeAll(repeat, 600), left);
  // Shift on top of Left: Shift takes the repeat over, on its own delay.
  repeat.Press(2, press(vkShift), 800);
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
  repeat.Press(3, press(vkUp), 10000);
  repeat.Press(3, press(vkUp), 10400);
  EXPECT_EQ(takeAll(repeat, 10500), none);
  EXPECT_EQ(takeAll(repeat, 10900), up);
  repeat.Stop();
  EXPECT_EQ(takeAll(repeat, 20000), none);
}

TEST(KeyRepeat, ACharacterTypedByThePressFollowsEachRepeat) {
  KeyRepeat repeat;
  repeat.Press(7, press(vkSpace), 0);
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
  repeat.Press(5, press(vkUp), 2600);
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
} // namespace ruzoz::test
