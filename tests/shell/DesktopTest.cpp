// The game on a desktop: a virtual X server of 1366 x 768, with Debian's
// openbox as the window manager where it matters. The window's class and
// icon as task bars read them, the window wholly on the screen with its
// frame, the picture following a resize, and a signal closing the error box.
// Without sound or music: EdgesTest.cpp.

#include "ports/Texts.h"
#include "support/Bitmaps.h"
#include "support/Support.h"
#include "support/XServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace testsupport;
namespace texts = ruzoz::texts;

namespace {

constexpr int screenW = 1366, screenH = 768;
const fs::path dataDir = RUZOZ_DATA_DIR;

class OnDesktop : public XServerTest {
protected:
  void SetUp() override {
    StartX(screenW, screenH, {"Xvfb", "xdotool", "xprop", "xwininfo", "import", "openbox"});
  }

  void startWindowManager() {
    windowManager = StartProcess({FindProgram("openbox")}, scratch.path(), {{"DISPLAY", display}},
                                 scratch.path() / "openbox.out", scratch.path() / "openbox.err");
    // Ready when it owns the screen's window manager selection.
    for (int i = 0; i < 100; ++i, SleepMs(50))
      if (x({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") !=
          std::string::npos)
        return;
    FAIL() << "openbox did not start: " << ReadText(scratch.path() / "openbox.err");
  }

  // The game's window, once it is mapped (when `window`).
  std::string startGame(const fs::path &dir, const std::vector<std::string> &args,
                        bool window = true) {
    std::vector<std::string> argv{RUZOZ_GAME};
    argv.insert(argv.end(), args.begin(), args.end());
    game = StartProcess(argv, dir, {{"DISPLAY", display}, {"SDL_AUDIODRIVER", "dummy"}},
                        scratch.path() / "game.out", scratch.path() / "game.err");
    if (!window)
      return "";
    const ProcessResult found = x({"xdotool", "search", "--sync", "--onlyvisible", "--name",
                                   std::string("^") + texts::windowTitle + "$"});
    return found.out.substr(0, found.out.find('\n'));
  }

  // x, y, width, height of the window's inside on the screen.
  std::vector<int> geometry(const std::string &window) {
    const std::string info = x({"xwininfo", "-id", window}).out;
    std::vector<int> g;
    for (const char *field :
         {"Absolute upper-left X:", "Absolute upper-left Y:", "Width:", "Height:"}) {
      const auto at = info.find(field);
      g.push_back(at == std::string::npos ? -1 : std::stoi(info.substr(at + std::strlen(field))));
    }
    return g;
  }

  // The window's pixels, RGB, row by row.
  std::string pixels(const std::string &window) {
    const fs::path file = scratch.path() / "window.rgb";
    const ProcessResult r = x({"import", "-window", window, "-depth", "8", "rgb:" + file.string()});
    return r.exitCode != 0 ? "" : ReadText(file);
  }
};

// The menu entry's StartupWMClass, which task bars match the window by.
std::string menuEntryClass() {
  std::ifstream entry(fs::path(RUZOZ_SOURCE_DIR) / "packaging/ruzoz.desktop");
  for (std::string line; std::getline(entry, line);)
    if (line.rfind("StartupWMClass=", 0) == 0)
      return line.substr(15);
  return "";
}

TEST_F(OnDesktop, TheWindowHasTheMenuEntrysClassAndTheGamesIcon) {
  const std::string window = startGame(dataDir, {"--window"});
  ASSERT_FALSE(window.empty()) << ReadText(scratch.path() / "game.err");
  const std::string wmClass = menuEntryClass();
  ASSERT_EQ(wmClass, "ruzoz");
  EXPECT_EQ(x({"xprop", "-id", window, "WM_CLASS"}).out,
            "WM_CLASS(STRING) = \"" + wmClass + "\", \"" + wmClass + "\"\n");
  const std::string icon = x({"xprop", "-id", window, "_NET_WM_ICON"}).out;
  EXPECT_NE(icon.find("Icon (64 x 64)"), std::string::npos) << icon.substr(0, 200);
  // Not an empty square: the ship's colours.
  EXPECT_GT(std::count(icon.begin(), icon.end(), '\n'), 40);
}

TEST_F(OnDesktop, UnderAWindowManagerTheWindowLiesOnTheScreenAndThePictureFollowsItsSize) {
  startWindowManager();
  const std::string window = startGame(dataDir, {"--window"});
  ASSERT_FALSE(window.empty()) << ReadText(scratch.path() / "game.err");
  std::smatch m;
  std::string extents;
  for (int i = 0;
       i < 100 && !std::regex_search(extents, m, std::regex(R"((\d+), (\d+), (\d+), (\d+))"));
       ++i, SleepMs(50))
    extents = x({"xprop", "-id", window, "_NET_FRAME_EXTENTS"}).out;
  ASSERT_EQ(m.size(), 5u) << extents;
  const int left = std::stoi(m[1]), right = std::stoi(m[2]), top = std::stoi(m[3]),
            bottom = std::stoi(m[4]);
  ASSERT_GT(top, 0) << "openbox gave no title bar";
  SleepMs(500);
  const std::vector<int> g = geometry(window);
  // The frame wholly on the screen, the inside the largest 4:3 that fits.
  EXPECT_GE(g[0] - left, 0);
  EXPECT_GE(g[1] - top, 0);
  EXPECT_LE(g[0] + g[2] + right, screenW);
  EXPECT_LE(g[1] + g[3] + bottom, screenH);
  EXPECT_EQ(g[3], screenH - top - bottom);
  EXPECT_EQ(g[2], g[3] * 4 / 3);

  // Any size from 640 x 480 up; no largest size.
  const std::string hints = x({"xprop", "-id", window, "WM_NORMAL_HINTS"}).out;
  EXPECT_NE(hints.find("minimum size: 640 by 480"), std::string::npos) << hints;
  const auto most = hints.find("maximum size: ");
  EXPECT_TRUE(most == std::string::npos || std::stol(hints.substr(most + 14)) >= 1 << 20) << hints;
  EXPECT_NE(x({"xprop", "-id", window, "_NET_WM_ALLOWED_ACTIONS"}).out.find("MAXIMIZE_VERT"),
            std::string::npos);

  // Resized to 1000 x 480: the 640 x 480 picture at (180, 0), pixel for
  // pixel the title, black beside it.
  const std::string keys = (scratch.path() / "none.keys").string();
  std::ofstream(keys) << "";
  const ProcessResult snap =
      RunProcess({RUZOZ_REPLAY, "--frames", "5", "--input", keys, "--snapshot",
                  "4:" + (scratch.path() / "title.bmp").string()},
                 dataDir, {{"SDL_AUDIODRIVER", "dummy"}}, 60);
  ASSERT_EQ(snap.exitCode, 0) << snap.err;
  Image title;
  std::string error;
  ASSERT_TRUE(ReadBmp(scratch.path() / "title.bmp", title, error)) << error;
  ASSERT_EQ(x({"xdotool", "windowsize", window, "1000", "480"}).exitCode, 0);
  int wrong = -1;
  for (int i = 0; i < 40 && wrong != 0; ++i, SleepMs(100)) {
    const std::string shot = pixels(window);
    if (shot.size() != 1000u * 480 * 3)
      continue;
    wrong = 0;
    for (int y = 0; y < 480; ++y)
      for (int col = 0; col < 1000; ++col) {
        const Rgb want = col >= 180 && col < 820 ? title.at(col - 180, y) : Rgb{0, 0, 0};
        wrong += shot.compare(3 * (std::size_t(y) * 1000 + col), 3,
                              {char(want.r), char(want.g), char(want.b)}) != 0;
      }
  }
  EXPECT_EQ(wrong, 0) << "pixels off the title in 1000 x 480";
}

TEST_F(OnDesktop, SigtermEndsAGameWhoseFailureBoxIsOpenWithinASecond) {
  ScratchDir empty;
  // The window shows only for a moment before the box.
  startGame(empty.path(), {}, false);
  const std::string box = waitForBox(200);
  ASSERT_FALSE(box.empty()) << "no message box: " << ReadText(scratch.path() / "game.err");
  int code = -99;
  ASSERT_FALSE(WaitProcess(game, 0.3, code)) << "the box waits for the user";
  const auto sent = std::chrono::steady_clock::now();
  ::kill(game, SIGTERM);
  ASSERT_TRUE(WaitProcess(game, 1.0, code)) << "still running a second after SIGTERM";
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  game = 0;
  std::printf("[ measure  ] ended %.0f ms after SIGTERM\n", took * 1000);
  EXPECT_EQ(code, 1) << "the failed start-up's code";
  EXPECT_EQ(x({"xwininfo", "-id", box}).out.find("IsViewable"), std::string::npos)
      << "the box is still shown";
}

} // namespace
