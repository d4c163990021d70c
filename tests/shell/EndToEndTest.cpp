// The real game under a virtual X server: keys from xdotool, screenshots
// against the replay tool's snapshots, Esc, the error box, and the title's
// pacing from the game's frame log.

#include "ports/Texts.h"
#include "support/Bitmaps.h"
#include "support/Support.h"
#include "support/XServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace testsupport;
namespace texts = ruzoz::texts;

namespace {

// The screen: its largest 4:3 area is the 640 x 480 picture at scale 2 (a
// whole multiple, so pixels compare exactly), with bars left and right.
constexpr int screenW = 1600, screenH = 960;
constexpr int offsetX = (screenW - 1280) / 2, offsetY = (screenH - 960) / 2;

const fs::path dataDir = RUZOZ_DATA_DIR;

class OnXvfb : public XServerTest {
protected:
  void SetUp() override { StartX(screenW, screenH, {"Xvfb", "xdotool", "import", "xwininfo"}); }

  void startGame(const fs::path &dir) {
    game = StartProcess({RUZOZ_GAME}, dir,
                        {{"DISPLAY", display},
                         {"SDL_AUDIODRIVER", "dummy"}, // no sound card here
                         {"RUZOZ_FRAME_LOG", (scratch.path() / "frames.log").string()}},
                        scratch.path() / "game.out", scratch.path() / "game.err");
    ASSERT_GT(game, 0);
  }

  int endOfGame() {
    int code = -99;
    if (WaitProcess(game, 10, code))
      game = 0;
    return code;
  }

  // The replay tool's back buffer after the script, at each of the frames.
  std::vector<Image> snapshots(const std::string &script, const std::vector<int> &frames) {
    std::ofstream(scratch.path() / "snap.keys") << script;
    std::vector<std::string> args{RUZOZ_REPLAY, "--frames", std::to_string(frames.back() + 1),
                                  "--input", (scratch.path() / "snap.keys").string()};
    for (int frame : frames)
      args.insert(args.end(),
                  {"--snapshot", std::to_string(frame) + ":" +
                                     (scratch.path() / std::to_string(frame)).string()});
    const ProcessResult r = RunProcess(args, dataDir, {{"SDL_AUDIODRIVER", "dummy"}}, 60);
    EXPECT_TRUE(r.exited && r.exitCode == 0) << r.err;
    std::vector<Image> images(frames.size());
    std::string error;
    for (std::size_t i = 0; i < frames.size(); ++i)
      EXPECT_TRUE(ReadBmp(scratch.path() / std::to_string(frames[i]), images[i], error)) << error;
    return images;
  }

  std::string screenshot() {
    const fs::path file = scratch.path() / "screen.rgb";
    const ProcessResult r = x({"import", "-window", "root", "-depth", "8", "rgb:" + file.string()});
    return r.exitCode != 0 ? "" : ReadText(file);
  }

  // Screen pixels (each of the 2 x 2 of a picture pixel) that differ from
  // the picture, among the picture pixels where `use` holds.
  static int mismatches(const std::string &screen, const Image &picture,
                        const std::vector<bool> &use) {
    if (screen.size() != static_cast<std::size_t>(screenW) * screenH * 3)
      return -1;
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        for (int d = 0; d < 4 && (use.empty() || use[y * 640 + x]); ++d) {
          const Rgb want = picture.at(x, y);
          const std::size_t at = 3 * (static_cast<std::size_t>(offsetY + 2 * y + d / 2) * screenW +
                                      offsetX + 2 * x + d % 2);
          wrong += screen.compare(at, 3, {char(want.r), char(want.g), char(want.b)}) != 0;
        }
    return wrong;
  }

  // Waits until the screen shows the picture (where `use` holds).
  ::testing::AssertionResult shows(const Image &picture, const std::vector<bool> &use = {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    for (int wrong; (wrong = mismatches(screenshot(), picture, use)) != 0; SleepMs(100))
      if (std::chrono::steady_clock::now() > deadline)
        return ::testing::AssertionFailure() << wrong << " pixels off";
    return ::testing::AssertionSuccess();
  }

  void key(const std::string &keys) {
    const ProcessResult r = x({"xdotool", "key", "--delay", "60", keys});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }

  std::string windowSize() {
    const std::string g = x({"xdotool", "search", "--name",
                             std::string("^") + texts::windowTitle + "$", "getwindowgeometry"})
                              .out;
    const auto at = g.find("Geometry: ");
    return at == std::string::npos ? "" : g.substr(at + 10, g.find('\n', at) - at - 10);
  }
};

TEST_F(OnXvfb, KeysLeadThroughTheScreensAndEscapeEndsWithZero) {
  // Title, story, bare title, title again; a play frame.
  const std::vector<Image> shot =
      snapshots("1 down 13\n2 down 32\n3 down 32\n4 down 32\n", {0, 1, 2, 3, 14});
  // What every play frame shows alike: the opaque pixels of the frame of
  // Leer cells, outside the rows the HUD writes over it.
  Image leer;
  std::string error;
  ASSERT_TRUE(ReadBmp(dataDir / "Leer.bmp", leer, error)) << error;
  std::vector<bool> still(640 * 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      still[y * 640 + x] = (y < 16 || y >= 464 || x < 32 || x >= 608) &&
                           !(leer.at(x % 32, y % 32) == Rgb{255, 255, 255});
  ASSERT_GT(std::count(still.begin(), still.end(), true), 5000);

  startGame(dataDir);
  ASSERT_TRUE(shows(shot[0])) << "the title";
  for (int i = 1; i < 5; ++i) {
    key(i == 1 ? "Return" : "space");
    ASSERT_TRUE(shows(shot[i], i == 4 ? still : std::vector<bool>())) << "screen " << i;
  }

  // Alt+Enter: a window of the largest 4:3 size, and back; no story.
  for (const char *size : {"1280x960", "1600x960"}) {
    key("alt+Return");
    SleepMs(500);
    EXPECT_EQ(windowSize(), size);
  }
  ASSERT_TRUE(shows(shot[4], still)) << "still playing after Alt+Enter";

  key("Escape");
  EXPECT_EQ(endOfGame(), 0) << ReadText(scratch.path() / "game.err");
}

TEST_F(OnXvfb, TheTitleRunsAtSixtyFramesASecond) {
  startGame(dataDir);
  // Nothing touches the display from here to Esc.
  SleepMs(6000);
  key("Escape");
  ASSERT_EQ(endOfGame(), 0) << ReadText(scratch.path() / "game.err");

  std::ifstream log(scratch.path() / "frames.log");
  std::string label;
  double perSecond = 0;
  log >> label >> perSecond;
  ASSERT_GT(perSecond, 0);
  std::vector<double> startsMs;
  for (std::int64_t s = 0, e = 0; log >> s >> e;)
    startsMs.push_back(static_cast<double>(s) * 1000.0 / perSecond);
  // The last four seconds before Esc.
  ASSERT_GT(startsMs.size(), 241u);
  std::vector<double> gaps;
  for (std::size_t i = startsMs.size() - 240; i < startsMs.size(); ++i)
    gaps.push_back(startsMs[i] - startsMs[i - 1]);
  std::sort(gaps.begin(), gaps.end());
  const double median = gaps[120], p90 = gaps[216];
  std::printf("[ measure  ] frame start spacing over 240 frames: min %.3f median %.3f p90 %.3f "
              "p99 %.3f max %.3f ms\n",
              gaps.front(), median, p90, gaps[237], gaps.back());
  EXPECT_GE(gaps.front(), 1000.0 / 60 - 0.001);
  // How close to the time the loop wakes up tells only as long as it gets a
  // processor when it wants one.
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  if (load < static_cast<double>(::sysconf(_SC_NPROCESSORS_ONLN))) {
    EXPECT_GT(median, 16.6);
    EXPECT_LT(median, 17.0);
    EXPECT_LT(p90 - gaps.front(), 1.0);
  } else {
    std::printf("[ measure  ] load %.1f: more than the processors, timing not judged\n", load);
  }
}

TEST_F(OnXvfb, AFailedStartShowsTheBoxAndEndsWithOneWhenItIsClosed) {
  ScratchDir empty;
  startGame(empty.path());
  // The text reaches stderr just before the box opens, after the line
  // naming the file.
  const std::string said = "Explosion1.bmp: cannot be opened: No such file or directory\n" +
                           std::string(texts::windowTitle) + ": " + texts::imageFailed + "\n";
  for (int i = 0; i < 200 && ReadText(scratch.path() / "game.err") != said; ++i)
    SleepMs(50);
  EXPECT_EQ(ReadText(scratch.path() / "game.err"), said);

  // The box: a small viewable window with the game's caption.
  const std::string box = waitForBox(100);
  ASSERT_FALSE(box.empty()) << "no message box";
  int code = -99;
  EXPECT_FALSE(WaitProcess(game, 0.5, code)) << "the box waits for the user";
  x({"xdotool", "windowfocus", "--sync", box});
  key("Return");
  EXPECT_EQ(endOfGame(), 1);
}

} // namespace
