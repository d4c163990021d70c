// Where a player's machine differs: no display, no sound device, the game
// played without sound or music, signals to end, where the window goes on
// the desktop and whether the pointer shows. The desktop itself (a window
// manager, the window's class and icon, the error box): DesktopTest.cpp.

#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "ports/Texts.h"
#include "support/Support.h"

#include <SDL.h>
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

std::string lastLine(std::string text) {
  if (!text.empty() && text.back() == '\n')
    text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

ProcessResult runGame(const std::vector<std::string> &args, const Environment &env,
                      const fs::path &dir = dataDir) {
  std::vector<std::string> argv{RUZOZ_GAME};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv, dir, env, 30);
}

TEST(GameBinary, WithoutADisplayItSaysSoAndEndsWithOneAtOnce) {
  const ProcessResult r =
      runGame({"--window"}, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"SDL_VIDEODRIVER", ""}});
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_LT(r.seconds, 2.0);
  EXPECT_EQ(r.err, std::string(texts::windowTitle) + ": " + texts::windowClassFailed + " (" +
                       texts::noDisplayNote + ")\n");
}

// The sound device refused (a driver that does not exist): the one line
// names the way out (which plays: NomusicPlaysTheEffectsAlone...).
TEST(GameBinary, WithoutASoundDeviceTheTextNamesNosoundWhichPlays) {
  const Environment env{{"SDL_VIDEODRIVER", "dummy"}, {"SDL_AUDIODRIVER", "no-such-driver"}};
  const ProcessResult failed = runGame({}, env);
  ASSERT_TRUE(failed.exited);
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_EQ(lastLine(failed.err), std::string(texts::windowTitle) + ": " +
                                      texts::soundDeviceFailed + " (" + texts::noSoundNote + ")");
  EXPECT_NE(lastLine(failed.err).find("--nosound"), std::string::npos);
}

// What reaches the sound device, through SDL's disk driver (the mix as it
// is, 32-bit float stereo): the loudest sample, or -1 when no device was
// opened.
double loudest(const std::vector<std::string> &options, const std::string &script) {
  ScratchDir dir;
  std::ofstream(dir.path() / "k.keys") << script;
  std::vector<std::string> args = options;
  args.insert(args.end(), {"--play", (dir.path() / "k.keys").string()});
  const fs::path raw = dir.path() / "out.raw";
  const ProcessResult r = runGame(args, {{"SDL_VIDEODRIVER", "dummy"},
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
    const bool ended = WaitProcess(game, 10.0, code);
    if (!ended)
      KillProcess(game);
    EXPECT_TRUE(ended) << "signal " << number;
    EXPECT_EQ(code, 0) << "signal " << number << ": " << ReadText(dir.path() / "err");
    const std::string recorded = ReadText(keys);
    EXPECT_NE(recorded.find(" window closed\n"), std::string::npos) << "signal " << number;
  }
}

TEST(PlaceWindow, TheFrameLiesInTheUsableAreaAroundTheLargestPicture) {
  using platform::Borders;
  using platform::Rect;
  const Borders openbox{20, 1, 5, 1}; // top, left, bottom, right
  const struct {
    Rect room;
    Borders borders;
    bool integerScale;
    Rect inside;
  } cases[] = {
      // 1366 x 768 with a title bar: 743 high, not 768.
      {{0, 0, 1366, 768}, openbox, false, {188, 20, 990, 743}},
      // A panel of 32 pixels at the top.
      {{0, 32, 1366, 736}, openbox, false, {209, 52, 948, 711}},
      // No window manager: the largest 4:3 area of the screen.
      {{0, 0, 1280, 800}, {}, false, {107, 0, 1066, 800}},
      // Whole multiples: 2 of them fit under a 30-pixel bar.
      {{0, 0, 1920, 1080}, {30, 0, 0, 0}, true, {320, 75, 1280, 960}},
      // A second screen to the right.
      {{1920, 0, 1366, 768}, openbox, false, {2108, 20, 990, 743}},
      // Too small for 640 x 480 and the frame: never less, from the top.
      {{0, 0, 800, 500}, openbox, false, {80, 20, 640, 480}},
  };
  for (const auto &c : cases) {
    const Rect r = platform::PlaceWindow(c.room, c.borders, c.integerScale);
    EXPECT_EQ(r, c.inside) << c.room.width << "x" << c.room.height << " at " << c.room.x;
    // The frame's top left never lies outside the room.
    EXPECT_GE(r.x - c.borders.left, c.room.x);
    EXPECT_GE(r.y - c.borders.top, c.room.y);
  }
}

// Under SDL's dummy driver: hidden over the full screen, shown in a window.
TEST(Pointer, HiddenInFullScreenShownInAWindow) {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
  ASSERT_TRUE(platform::InitVideo());
  ASSERT_TRUE(platform::CreateGameWindow(1280, 800));
  ASSERT_TRUE(platform::CreateRenderer());
  ASSERT_TRUE(platform::EnterFullScreen());
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  platform::ToggleFullScreen();
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  platform::ToggleFullScreen();
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  platform::ReleaseRenderer();
  platform::EndVideo();
}

} // namespace
