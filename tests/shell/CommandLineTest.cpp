// The command line and the game binary where a player's machine differs (no
// display, no sound device, --nosound, --nomusic); the inputs of --record and
// --play against a fake queue. The window game: window_*_test.sh.

#include "ports/Texts.h"
#include "shell/MainLoop.h"
#include "shell/Options.h"
#include "shell/ScriptInput.h"
#include "support/Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <fstream>
#include <sstream>

using namespace ruzoz;
using namespace testsupport;

namespace {

std::string firstLine(const std::string &text) { return text.substr(0, text.find('\n')); }

std::string usage() { return ParseCommandLine(2, std::vector<const char *>{"", "-h"}.data()).out; }

TEST(Options, EachCommandLineGivesItsOptionsOrItsAnswer) {
  // The options the game runs with (exit code -1), else the first line of
  // stdout after 0, of stderr after 2 (then the usage).
  const struct {
    std::vector<const char *> args;
    int exitCode;
    std::string said;
  } cases[] = {
      {{}, -1, "||"},
      {{"--window"}, -1, "window ||"},
      {{"--window", "--fullscreen"}, -1, "||"},
      {{"--integer-scale", "--window", "--record", "r.keys", "--play=p.keys", "--trace", "-h"},
       -1,
       "window whole r.keys|p.keys|-h"},
      {{"--nosound", "--window"}, -1, "window nosound ||"},
      {{"--nomusic"}, -1, "nomusic ||"},
      {{"--nomusic=no"}, 2, "option '--nomusic' takes no value"},
      {{"-h", "--bogus"}, 0, "Usage: ruzoz [OPTION]..."},
      {{"--version"}, 0, "ruzoz " RUZOZ_VERSION},
      {{"--bogus"}, 2, "unknown option '--bogus'"},
      {{"-x"}, 2, "unknown option '-x'"},
      {{"--window", "game.keys"}, 2, "unexpected argument 'game.keys'"},
      {{"--window", "--record"}, 2, "option '--record' needs a file name"},
      {{"--trace="}, 2, "option '--trace' needs a file name"},
      {{"--record=a", "--trace", "a"}, 2, "options '--record' and '--trace' name the same file"},
      // The demo's seed is there only when the next word is a number.
      {{"--demo"}, -1, "demo 1 ||"},
      {{"--demo=4294967295", "--trace", "t"}, -1, "demo 4294967295 ||t"},
      {{"--demo", "--window", "--demo", "0"}, -1, "window demo 0 ||"},
      {{"--demo", "x"}, 2, "unexpected argument 'x'"},
      {{"--demo", "4294967296"}, 2, "unexpected argument '4294967296'"},
      {{"--demo=-1"}, 2, "option '--demo' needs a seed of 0..4294967295, not '-1'"},
      {{"--demo", "--play", "p.keys"}, 2, "options '--demo' and '--play' both choose the keys"},
  };
  for (const auto &c : cases) {
    std::vector<const char *> argv{"ruzoz"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    argv.push_back("9"); // past argc: never read
    const CommandLine line = ParseCommandLine(static_cast<int>(argv.size()) - 1, argv.data());
    const Options &o = line.options;
    const std::string what = ::testing::PrintToString(c.args);
    EXPECT_EQ(line.exitCode, c.exitCode) << what;
    if (c.exitCode < 0)
      EXPECT_EQ(std::string(o.inWindow ? "window " : "") + (o.integerScale ? "whole " : "") +
                    (o.demo ? "demo " + std::to_string(o.demoSeed) + " " : "") +
                    (o.noSound ? "nosound " : "") + (o.noMusic ? "nomusic " : "") + o.recordPath +
                    "|" + o.playPath + "|" + o.tracePath + line.out + line.err,
                c.said)
          << what;
    else if (c.exitCode == 0)
      EXPECT_EQ(firstLine(line.out) + "|" + line.err, c.said + "|") << what;
    else
      EXPECT_EQ(line.err + "|" + line.out, "ruzoz: " + c.said + "\n" + usage() + "|") << what;
  }
}

// Each option the usage names, and the gamepad's buttons, are documented
// for players.
TEST(Options, TheReadmeAndTheManPageListEveryOptionAndTheGamepad) {
  std::string manPage = ReadText(fs::path(RUZOZ_SOURCE_DIR) / "packaging/ruzoz.6.in");
  for (std::size_t at; (at = manPage.find("\\-")) != std::string::npos;)
    manPage.erase(at, 1);
  const std::string readme = ReadText(fs::path(RUZOZ_SOURCE_DIR) / "README.md");
  std::istringstream words(usage());
  int options = 0;
  for (std::string word; words >> word;)
    if (word[0] == '-') {
      word = word.substr(0, word.find(','));
      ++options;
      EXPECT_NE(readme.find("`" + word), std::string::npos) << word << " not in the README";
      EXPECT_NE(manPage.find(word), std::string::npos) << word << " not in the man page";
    }
  EXPECT_EQ(options, 12);
  for (const char *control : {"D-pad", "left stick", "A and the right trigger", "Start", "Back"}) {
    EXPECT_NE(usage().find(control), std::string::npos) << control << " not in --help";
    EXPECT_NE(readme.find(control), std::string::npos) << control << " not in the README";
    EXPECT_NE(manPage.find(control), std::string::npos) << control << " not in the man page";
  }
}

ProcessResult runGame(std::vector<std::string> args, const Environment &env,
                      const fs::path &dir = RUZOZ_DATA_DIR) {
  args.insert(args.begin(), RUZOZ_GAME);
  return RunProcess(args, dir, env, 30);
}

// The program answers before SDL starts: with a video driver that cannot
// start, reaching the window would end with code 1 and the window's text.
TEST(GameBinary, AnswersTheCommandLineBeforeAnyWindow) {
  ScratchDir dir;
  std::ofstream(dir.path() / "bad.keys") << "0 other\n1 up\n";
  std::ofstream(dir.path() / "good.keys") << "0 other\n";
  const std::string gone = "': No such file or directory";
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string stderrFirstLine; // stdout's after 0
  } cases[] = {
      {{"--help"}, 0, "Usage: ruzoz [OPTION]..."},
      {{"--frames", "3"}, 2, "ruzoz: unknown option '--frames'"},
      {{"--play", "none.keys"}, 2, "ruzoz: cannot read key script 'none.keys" + gone},
      {{"--play", "bad.keys"},
       2,
       R"(ruzoz: bad.keys: line 2: expected "F down VK" or "F other": "1 up")"},
      {{"--record", "no/r.keys"}, 2, "ruzoz: cannot write 'no/r.keys" + gone},
      {{"--record", "r.keys", "--trace", "no/t"}, 2, "ruzoz: cannot write 'no/t" + gone},
      {{"--window", "--play", "good.keys", "--record", "r.keys", "--trace", "t.trace"},
       1,
       std::string(texts::windowTitle) + ": " + texts::windowClassFailed},
  };
  for (const auto &c : cases) {
    const ProcessResult r = runGame(
        c.args,
        {{"SDL_VIDEODRIVER", "no-such-driver"}, {"SDL_AUDIODRIVER", "dummy"}, {"DISPLAY", ""}},
        dir.path());
    const std::string what = ::testing::PrintToString(c.args);
    ASSERT_TRUE(r.exited) << what;
    EXPECT_EQ(r.exitCode, c.exitCode) << what;
    EXPECT_EQ(firstLine(c.exitCode == 0 ? r.out : r.err), c.stderrFirstLine) << what;
    // Files asked for are written only by a game that started.
    EXPECT_FALSE(fs::exists(dir.path() / "r.keys") || fs::exists(dir.path() / "t.trace")) << what;
  }
}

// The sound device refused by a driver that does not exist: the line names
// the way out (--nosound, which plays: below).
TEST(GameBinary, WithoutADisplayOrASoundDeviceOneLineSaysWhyAndItEndsWithOne) {
  const std::string title = std::string(texts::windowTitle) + ": ";
  const ProcessResult noDisplay =
      runGame({"--window"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", ""}});
  EXPECT_TRUE(noDisplay.exited && noDisplay.exitCode == 1 && noDisplay.seconds < 2.0);
  EXPECT_EQ(noDisplay.err, title + texts::windowClassFailed + " (" + texts::noDisplayNote + ")\n");
  const ProcessResult noSound =
      runGame({}, {{"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "no-such-driver"}});
  EXPECT_TRUE(noSound.exited && noSound.exitCode == 1);
  EXPECT_TRUE(
      ("\n" + noSound.err)
          .ends_with("\n" + title + texts::soundDeviceFailed + " (" + texts::noSoundNote + ")\n"))
      << noSound.err;
  EXPECT_NE(std::string(texts::noSoundNote).find("--nosound"), std::string::npos);
}

// The loudest sample that reached the sound device (SDL's disk driver: the
// mix as it is, 32-bit float stereo), -1 when no device was opened.
double loudest(std::vector<std::string> options, const std::string &script) {
  ScratchDir dir;
  std::ofstream(dir.path() / "k.keys") << script;
  options.insert(options.end(), {"--play", (dir.path() / "k.keys").string()});
  const fs::path raw = dir.path() / "out.raw";
  const ProcessResult r = runGame(options, {{"SDL_VIDEODRIVER", "dummy"},
                                            {"SDL_AUDIODRIVER", "disk"},
                                            {"SDL_DISKAUDIOFILE", raw.string()},
                                            {"SDL_DISKAUDIODELAY", "10"}});
  EXPECT_TRUE(r.exited && r.exitCode == 0) << r.err;
  if (!fs::exists(raw))
    return -1;
  const std::vector<float> samples = ReadFloats(raw);
  // The two seconds after the script at least, sounding or not.
  EXPECT_GT(samples.size(), 3u * 44100 / 2 * 2);
  double peak = 0;
  for (float s : samples)
    peak = std::max(peak, static_cast<double>(std::fabs(s)));
  return peak;
}

TEST(GameBinary, NomusicPlaysTheEffectsAloneAndNosoundOpensNoDevice) {
  const std::string title = "0 other\n";
  const std::string shot = "30 down 32\n60 down 16\n"; // a game, a shot: drip
  EXPECT_GT(loudest({}, title), 0.01) << "the music";
  EXPECT_EQ(loudest({"--nomusic"}, title), 0.0) << "no music with --nomusic";
  EXPECT_GT(loudest({"--nomusic"}, shot), 0.01) << "the effect with --nomusic";
  EXPECT_EQ(loudest({"--nosound"}, shot), -1.0) << "a device with --nosound";
}

struct FakeQueue final : Input {
  std::deque<Message> messages;
  int waits = 0;
  bool TakeMessage(Message &message) override {
    if (messages.empty())
      return false;
    message = messages.front();
    messages.pop_front();
    return true;
  }
  void WaitForMessage(int) override { ++waits; }
};

constexpr Message key(int virtualKey) { return Message{MessageKind::keyDown, virtualKey}; }
constexpr Message other{MessageKind::other, 0};
constexpr Message destroy{MessageKind::destroy, 0};

// The next message taken, as a script line would name it; "-" for none.
std::string take(Input &input) {
  Message m;
  if (!input.TakeMessage(m))
    return "-";
  return m.kind == MessageKind::keyDown ? "down " + std::to_string(m.virtualKey)
         : m.kind == MessageKind::other ? "other"
                                        : "destroy";
}

TEST(RecordingInput, PassesEveryMessageOnAndWritesItWithTheFramesRunBeforeIt) {
  FakeQueue queue;
  queue.messages = {key(vkLeft), other, key(vkEscape), destroy};
  std::FILE *out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  RecordingInput recording(queue, out);
  std::string taken;
  for (int frame : {3, 3, 5, 5, 5}) {
    framesRun = frame;
    taken += take(recording) + ";";
  }
  EXPECT_EQ(taken, "down 37;other;down 27;destroy;-;");

  std::rewind(out);
  char text[256] = {};
  EXPECT_GT(std::fread(text, 1, sizeof text - 1, out), 0u);
  std::fclose(out);
  // The closing is a comment: the script still reads (ReplayScriptTest). Each
  // signal to end writes it: window_replay_test.sh's SIGTERM, SIGINT, SIGHUP.
  EXPECT_STREQ(text, "3 down 37\n3 other\n5 down 27\n# 5 window closed\n");
}

TEST(ScriptedInput, GivesTheScriptByFrameOnlyEscAndClosingFromTheQueueAndEndsTwoSecondsLate) {
  std::istringstream script("0 down 13\n2 down 32\n2 other\n");
  std::vector<replay::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(replay::parseScript(script, events, error)) << error;
  FakeQueue queue;
  queue.messages = {key(vkSpace), other, key(vkEscape), key(vkReturn), destroy};
  ScriptedInput playing(queue, events);

  const struct {
    long long framesRun;
    const char *taken; // the messages taken in turn
    int waits;         // of the queue so far, after one more wait
  } steps[] = {
      {0, "down 13;down 27;destroy;-", 1}, {1, "-", 2}, {2, "down 32;other;-", 3}, {121, "-", 4},
      {122, "down 27;down 27", 4}, // due: no waiting
  };
  for (const auto &s : steps) {
    framesRun = s.framesRun;
    std::string taken = take(playing);
    for (const char *p = s.taken; *p != '\0'; ++p)
      if (*p == ';')
        taken += ";" + take(playing);
    playing.WaitForMessage(5);
    EXPECT_EQ(taken, s.taken) << "frame " << s.framesRun;
    EXPECT_EQ(queue.waits, s.waits) << "frame " << s.framesRun;
  }
  EXPECT_TRUE(queue.messages.empty());
}

} // namespace
