// The real game under a virtual X server: keys from xdotool, screenshots
// compared with the replay tool's snapshots of the same screens, the end by
// Esc, the error box, and the pacing on the title screen from the game's
// frame log.

#include "ports/Texts.h"
#include "support/Bitmaps.h"
#include "support/Support.h"

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

// The screen: the 640 x 480 picture at scale 2, letterboxed.
constexpr int screenW = 1600, screenH = 1000;
constexpr int offsetX = (screenW - 1280) / 2, offsetY = (screenH - 960) / 2;

const fs::path dataDir = RUZOZ_DATA_DIR;

std::string missingTools() {
  std::string missing;
  for (const char *tool : {"Xvfb", "xdotool", "import", "xwininfo"})
    if (FindProgram(tool).empty())
      missing += std::string(" ") + tool;
  return missing;
}

class OnXvfb : public testing::Test {
protected:
  void SetUp() override {
    const std::string missing = missingTools();
    ASSERT_TRUE(missing.empty()) << "needed on PATH:" << missing
                                 << " (Debian: xvfb xdotool imagemagick x11-utils)";
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    xvfb = StartProcess(
        {FindProgram("Xvfb"), "-displayfd", std::to_string(fds[1]), "-screen", "0",
         std::to_string(screenW) + "x" + std::to_string(screenH) + "x24", "-nolisten", "tcp"},
        scratch.path(), {}, scratch.path() / "xvfb.out", scratch.path() / "xvfb.err");
    ::close(fds[1]);
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
      number += c;
    ::close(fds[0]);
    ASSERT_FALSE(number.empty()) << ReadText(scratch.path() / "xvfb.err");
    display = ":" + number;
  }

  void TearDown() override {
    KillProcess(game);
    KillProcess(xvfb);
  }

  ProcessResult x(const std::vector<std::string> &argv) {
    std::vector<std::string> full = argv;
    full[0] = FindProgram(full[0]);
    return RunProcess(full, scratch.path(), {{"DISPLAY", display}}, 20);
  }

  void startGame(const fs::path &dir) {
    game = StartProcess({RUZOZ_GAME}, dir,
                        {{"DISPLAY", display},
                         {"SDL_AUDIODRIVER", "dummy"}, // no sound card here
                         {"RUZOZ_FRAME_LOG", (scratch.path() / "frames.log").string()}},
                        scratch.path() / "game.out", scratch.path() / "game.err");
    ASSERT_GT(game, 0);
  }

  int endOfGame(double seconds) {
    int code = -99;
    if (WaitProcess(game, seconds, code))
      game = 0;
    return code;
  }

  Image snapshot(const std::string &name, const std::string &script, int frame) {
    const fs::path keysFile = scratch.path() / (name + ".keys");
    const fs::path shot = scratch.path() / (name + ".bmp");
    std::ofstream(keysFile) << script;
    const ProcessResult r =
        RunProcess({RUZOZ_REPLAY, "--frames", std::to_string(frame + 1), "--input",
                    keysFile.string(), "--snapshot", std::to_string(frame) + ":" + shot.string()},
                   dataDir, {{"SDL_AUDIODRIVER", "dummy"}}, 60);
    EXPECT_TRUE(r.exited && r.exitCode == 0) << r.err;
    Image image;
    std::string error;
    EXPECT_TRUE(ReadBmp(shot, image, error)) << error;
    return image;
  }

  std::vector<std::uint8_t> screenshot() {
    const fs::path file = scratch.path() / "screen.rgb";
    const ProcessResult r = x({"import", "-window", "root", "-depth", "8", "rgb:" + file.string()});
    if (!r.exited || r.exitCode != 0)
      return {};
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
  }

  // Screen pixels (each of the 2 x 2 of a picture pixel) that differ from
  // the picture, among the picture pixels where `use` holds.
  static int mismatches(const std::vector<std::uint8_t> &screen, const Image &picture,
                        const std::vector<bool> &use) {
    if (screen.size() != static_cast<std::size_t>(screenW) * screenH * 3)
      return -1;
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        if (!use.empty() && !use[y * 640 + x])
          continue;
        const Rgb want = picture.at(x, y);
        for (int d = 0; d < 4; ++d) {
          const std::size_t at = 3 * (static_cast<std::size_t>(offsetY + 2 * y + d / 2) * screenW +
                                      offsetX + 2 * x + d % 2);
          if (screen[at] != want.r || screen[at + 1] != want.g || screen[at + 2] != want.b)
            ++wrong;
        }
      }
    return wrong;
  }

  // Waits until the screen shows the picture (where `use` holds).
  bool waitForScreen(const Image &picture, const std::vector<bool> &use = {}, double seconds = 15) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
      if (mismatches(screenshot(), picture, use) == 0)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < deadline);
    lastMismatches = mismatches(screenshot(), picture, use);
    return false;
  }

  void key(const std::string &keys) {
    const ProcessResult r = x({"xdotool", "key", "--delay", "60", keys});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }

  std::string windowSize() {
    const ProcessResult id =
        x({"xdotool", "search", "--name", std::string("^") + texts::windowTitle + "$"});
    std::istringstream ids(id.out);
    std::string first;
    ids >> first;
    const ProcessResult g = x({"xdotool", "getwindowgeometry", first});
    const auto at = g.out.find("Geometry: ");
    return at == std::string::npos ? "" : g.out.substr(at + 10, g.out.find('\n', at) - at - 10);
  }

  // The pixels every play frame shows alike, whatever the world: the opaque
  // parts of the frame of Leer cells and of the HUD labels drawn over it.
  static std::vector<bool> staticPlayPixels() {
    Image leer, font;
    std::string error;
    EXPECT_TRUE(ReadBmp(dataDir / "Leer.bmp", leer, error)) << error;
    EXPECT_TRUE(ReadBmp(dataDir / "Zeichensatz.bmp", font, error)) << error;
    std::vector<bool> mask(640 * 480, false);
    const Rgb white{255, 255, 255};
    auto mark = [&](const Image &from, int left, int top, int width, int height, int x, int y) {
      for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
          if (!(from.at(left + i, top + j) == white))
            mask[(y + j) * 640 + x + i] = true;
    };
    for (int i = 0; i < 20; ++i) {
      mark(leer, 0, 0, 32, 32, 32 * i, 0);
      mark(leer, 0, 0, 32, 32, 32 * i, 448);
    }
    for (int j = 0; j < 15; ++j) {
      mark(leer, 0, 0, 32, 32, 0, 32 * j);
      mark(leer, 0, 0, 32, 32, 608, 32 * j);
    }
    // Labels cover the frame; the numbers beside them change.
    const struct {
      const char *text;
      int x, y;
    } labels[] = {{"U F O S :", 32, 448},
                  {"Punkte :", 32, 16},
                  {"Schild :", 336, 16},
                  {"Munition :", 336, 448}};
    for (const auto &label : labels)
      for (int k = 0; label.text[k] != 0; ++k) {
        const int code = label.text[k];
        for (int j = 0; j < 16; ++j)
          for (int i = 0; i < 16; ++i)
            mask[(label.y + j) * 640 + label.x + 16 * k + i] = false;
        mark(font, 16 * (code % 32), 16 * (code / 32 - 1), 16, 16, label.x + 16 * k, label.y);
      }
    for (int y : {16, 448})
      for (int x : {192, 512})
        for (int j = 0; j < 16; ++j)
          for (int i = 0; i < 80; ++i)
            mask[(y + j) * 640 + x + i] = false;
    return mask;
  }

  ScratchDir scratch;
  std::string display;
  int xvfb = 0;
  int game = 0;
  int lastMismatches = 0;
};

TEST_F(OnXvfb, KeysLeadThroughTheScreensAndEscapeEndsWithZero) {
  const Image title = snapshot("title", "", 0);
  const Image story = snapshot("story", "0 down 13\n", 0);
  const Image bare = snapshot("bare", "0 down 13\n0 down 32\n", 0);
  const Image play = snapshot("play", "1 down 32\n", 10);
  const std::vector<bool> still = staticPlayPixels();
  ASSERT_GT(std::count(still.begin(), still.end(), true), 5000);

  startGame(dataDir);
  ASSERT_TRUE(waitForScreen(title)) << lastMismatches << " pixels off the title";

  key("Return");
  ASSERT_TRUE(waitForScreen(story)) << lastMismatches << " pixels off the story screen";
  key("space");
  ASSERT_TRUE(waitForScreen(bare)) << lastMismatches << " pixels off the bare title";
  key("space");
  ASSERT_TRUE(waitForScreen(title)) << lastMismatches << " pixels off the title";
  key("space");
  ASSERT_TRUE(waitForScreen(play, still)) << lastMismatches << " pixels off the play screen";

  const std::vector<std::uint8_t> beforeKeys = screenshot();
  for (const char *k : {"Left", "Up", "Up", "Shift_L", "Right", "Down", "Shift_R"})
    key(k);
  x({"xdotool", "keydown", "Left", "sleep", "0.4", "keyup", "Left"});
  ASSERT_TRUE(waitForScreen(play, still)) << "still playing";
  EXPECT_NE(screenshot(), beforeKeys) << "the world moves";

  // Alt+Enter: a window of the largest whole scale, and back; no story.
  key("alt+Return");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(windowSize(), "1280x960");
  key("alt+Return");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_EQ(windowSize(), "1600x1000");
  ASSERT_TRUE(waitForScreen(play, still)) << "still playing after Alt+Enter";

  key("Escape");
  EXPECT_EQ(endOfGame(10), 0) << ReadText(scratch.path() / "game.err");
}

TEST_F(OnXvfb, TheTitleRunsAtSixtyFramesASecond) {
  const Image title = snapshot("title", "", 0);
  startGame(dataDir);
  ASSERT_TRUE(waitForScreen(title)) << lastMismatches << " pixels off the title";
  // Nothing else touches the display from here to Esc.
  std::this_thread::sleep_for(std::chrono::seconds(5));
  key("Escape");
  ASSERT_EQ(endOfGame(10), 0) << ReadText(scratch.path() / "game.err");

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
  const double median = gaps[gaps.size() / 2];
  const double p90 = gaps[gaps.size() * 9 / 10];
  std::printf("[ measure  ] frame start spacing over %zu frames: min %.3f median %.3f p90 %.3f "
              "p99 %.3f max %.3f ms\n",
              gaps.size(), gaps.front(), median, p90, gaps[gaps.size() * 99 / 100], gaps.back());
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
  // The text reaches stderr just before the box opens.
  for (int i = 0; i < 200 && ReadText(scratch.path() / "game.err").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ReadText(scratch.path() / "game.err"),
            std::string(texts::windowTitle) + ": " + texts::imageFailed + "\n");

  // The box: a small viewable window with the game's caption.
  std::string box;
  for (int i = 0; i < 100 && box.empty(); ++i) {
    std::istringstream tree(x({"xwininfo", "-root", "-tree"}).out);
    for (std::string line; std::getline(tree, line);) {
      if (line.find(std::string("\"") + texts::windowTitle + "\"") == std::string::npos)
        continue;
      std::istringstream fields(line);
      std::string id;
      fields >> id;
      if (x({"xwininfo", "-id", id}).out.find("IsViewable") != std::string::npos)
        box = id;
    }
    if (box.empty())
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_FALSE(box.empty()) << "no message box";
  int code = -99;
  EXPECT_FALSE(WaitProcess(game, 0.5, code)) << "the box waits for the user";
  x({"xdotool", "windowfocus", "--sync", box});
  key("Return");
  EXPECT_EQ(endOfGame(10), 1);
}

} // namespace
