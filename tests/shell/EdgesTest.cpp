// Where a player's machine differs: no display, no sound device, the game
// played without sound or music. The desktop itself: window_desktop_test.sh;
// signals: window_replay_test.sh.

#include "ports/Texts.h"
#include "support/Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

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

} // namespace
