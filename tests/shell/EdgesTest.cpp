// Where a player's machine differs: no display, no sound device, the game
// played without sound or music, signals to end, where the window goes on
// the desktop. The desktop itself under X: EndToEndTest.cpp.

#include "platform/sdl/Desktop.h"
#include "ports/Texts.h"
#include "support/Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <thread>

using namespace ruzoz;
using namespace testsupport;

namespace {

const fs::path dataDir = RUZOZ_DATA_DIR;

ProcessResult runGame(std::vector<std::string> args, const Environment &env) {
  args.insert(args.begin(), RUZOZ_GAME);
  return RunProcess(args, dataDir, env, 30);
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
  std::ifstream in(raw, std::ios::binary);
  std::vector<float> samples(fs::file_size(raw) / sizeof(float));
  in.read(reinterpret_cast<char *>(samples.data()),
          static_cast<std::streamsize>(samples.size() * sizeof(float)));
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

// SIGTERM, SIGINT and SIGHUP end the game as a closed window: at once, exit
// code 0, the recording complete.
TEST(GameBinary, EachSignalToEndIsTheWindowClosed) {
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    ScratchDir dir;
    const fs::path keys = dir.path() / "r.keys";
    const int game = StartProcess({RUZOZ_GAME, "--record", keys.string()}, dataDir,
                                  {{"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "dummy"}},
                                  dir.path() / "out", dir.path() / "err");
    ASSERT_GT(game, 0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ::kill(game, number);
    int code = -99;
    // At once once started (milliseconds); a start-up the sanitizers slow
    // down runs to its end first.
    if (!WaitProcess(game, 10.0, code))
      KillProcess(game);
    EXPECT_EQ(code, 0) << "signal " << number << ": " << ReadText(dir.path() / "err");
    EXPECT_NE(ReadText(keys).find(" window closed\n"), std::string::npos) << "signal " << number;
  }
}

TEST(PlaceWindow, TheFrameLiesInTheUsableAreaAroundTheLargestPicture) {
  using platform::Rect;
  const platform::Borders openbox{20, 1, 5, 1}, none{},
      bar{30, 0, 0, 0}; // top, left, bottom, right
  const struct {
    Rect room;
    platform::Borders borders;
    bool integerScale;
    Rect inside;
  } cases[] = {
      {{0, 0, 1366, 768}, openbox, false, {188, 20, 990, 743}},     // 743 high, not 768
      {{0, 32, 1366, 736}, openbox, false, {209, 52, 948, 711}},    // a panel at the top
      {{0, 0, 1280, 800}, none, false, {107, 0, 1066, 800}},        // no window manager
      {{0, 0, 1920, 1080}, bar, true, {320, 75, 1280, 960}},        // two whole multiples fit
      {{1920, 0, 1366, 768}, openbox, false, {2108, 20, 990, 743}}, // a second screen
      {{0, 0, 800, 500}, openbox, false, {80, 20, 640, 480}}, // too small: never less, from the top
  };
  for (const auto &c : cases)
    EXPECT_EQ(platform::PlaceWindow(c.room, c.borders, c.integerScale), c.inside)
        << c.room.width << "x" << c.room.height << " at " << c.room.x;
}

} // namespace
