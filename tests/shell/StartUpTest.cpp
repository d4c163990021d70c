// Start-up and shutdown: in this process under SDL's dummy drivers, and the
// game and replay binaries in prepared folders.

#include "shell/StartUp.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "ports/Texts.h"
#include "screens/Screens.h"
#include "shell/MainLoop.h"
#include "shell/Replay.h"
#include "shell/WindowProc.h"
#include "support/Bitmaps.h"
#include "support/DataFolder.h"
#include "support/Support.h"

#include "support/SdlEvents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace ruzoz;
using namespace testsupport;

namespace {

const fs::path dataDir = RUZOZ_DATA_DIR;

std::string failure(const char *text) {
  return std::string(texts::windowTitle) + ": " + text + "\n";
}

void expectAllReleased() {
  const platform::DisplayStatus status = platform::CurrentDisplayStatus();
  EXPECT_FALSE(status.renderer || status.front || status.backBuffer);
  EXPECT_EQ(status.images, 0);
  for (int n = 1; n <= imageCount; ++n)
    EXPECT_EQ(surfaceSet[n], nullptr) << imageFileName(n);
}

class StartUpInProcess : public testing::Test {
protected:
  void SetUp() override {
    resetAll();
    errorMessage = nullptr;
    quitPosted = false;
    platform::UseHeadlessDrivers();
  }
  void TearDown() override {
    ShutDown();
    platform::EndVideo();
    quitPosted = false;
  }

  // ShutDown, returning what it wrote to stderr.
  static std::string shutDownOutput() {
    testing::internal::CaptureStderr();
    ShutDown();
    return testing::internal::GetCapturedStderr();
  }

  ScratchDir dir;
  InDirectory inDir{dir.path()};
};

// A start-up failing at the sounds (after every other step) holds what
// it made; ShutDown says the text once and releases all, and twice is safe.
TEST_F(StartUpInProcess, AFailedStepIsSaidOnceByShutDownWhichReleasesAll) {
  WriteNominalImages(dir.path());
  EXPECT_FALSE(StartUp());
  EXPECT_EQ(errorMessage, texts::bufferFailed);
  const platform::DisplayStatus status = platform::CurrentDisplayStatus();
  EXPECT_TRUE(status.renderer && status.front && status.backBuffer);
  EXPECT_EQ(status.images, imageCount);
  for (const std::string &said : {failure(texts::bufferFailed), std::string()}) {
    EXPECT_EQ(shutDownOutput(), said);
    EXPECT_EQ(errorMessage, nullptr);
    expectAllReleased();
  }
}

TEST_F(StartUpInProcess, TheRealContentStartsAndEscapeThroughTheLoopShutsEverythingDown) {
  InDirectory data{dataDir};
  ASSERT_TRUE(StartUp()) << (errorMessage ? errorMessage : "");
  EXPECT_EQ(platform::CurrentDisplayStatus().images, imageCount);
  for (int i = 0; i < 3; ++i)
    runFrame();
  for (const char *key : {"Return", "Space", "Escape"})
    ASSERT_TRUE(testsupport::SimulateKeyDown(key));
  EXPECT_EQ(RunMainLoop(platform::EventInput(), platform::SystemClock()), 0);
  EXPECT_TRUE(quitPosted);
  expectAllReleased();
  EXPECT_EQ(shutDownOutput(), "");
}

// The replay tool observes the real start-up's screen and sound by wrapping
// them: its traces are the golden ones.
TEST(ReplayBinary, TheRealStartUpGivesTheGoldenTraces) {
  for (const char *name : {"title_navigation", "random_keys", "autopilot_game"}) {
    const std::string base = std::string(RUZOZ_GOLDEN_DIR) + "/" + name;
    const std::string expected = ReadText(base + ".trace");
    const long long frames = std::count(expected.begin(), expected.end(), '\n');
    const ProcessResult r = RunHeadless(
        RUZOZ_REPLAY, dataDir,
        {"--frames", std::to_string(frames + 10), "--input", base + ".keys", "--trace", "-"});
    ASSERT_TRUE(r.exited && r.exitCode == 0) << name << ": " << r.err;
    EXPECT_TRUE(r.out == expected) << name << ": the trace differs";
  }
}

std::vector<std::string> fields(const std::string &line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string f; in >> f;)
    out.push_back(f);
  return out;
}

// The golden won game: its trace has the checkpoints of won_game.checkpoints
// (every 1000th line, every line of the last level), then the win and the
// high score on the title after it.
TEST(WonGame, TheRealStartUpPlaysTheGoldenWinToItsCheckpoints) {
  const std::string golden = RUZOZ_GOLDEN_DIR;
  const ProcessResult r = RunHeadless(
      RUZOZ_REPLAY, RUZOZ_DATA_DIR,
      {"--frames", "1000000", "--input", golden + "/won_game.keys", "--trace", "-"}, 900);
  ASSERT_TRUE(r.exited && r.exitCode == 0) << r.err;
  std::vector<std::string> lines;
  std::istringstream trace(r.out);
  for (std::string line; std::getline(trace, line);)
    lines.push_back(line);

  std::istringstream expected(ReadText(golden + "/won_game.checkpoints"));
  std::string line;
  std::getline(expected, line); // what the file is
  std::getline(expected, line);
  ASSERT_EQ(line, "# lines " + std::to_string(lines.size()));
  int checked = 0;
  std::size_t lastLevel = lines.size();
  for (long long frame; expected >> frame >> line; ++checked) {
    ASSERT_LT(frame, static_cast<long long>(lines.size()));
    const std::string &got = lines[frame];
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(ruzoz::replay::fnv1a(got.data(), got.size())));
    ASSERT_EQ(hash, line) << "frame " << frame << ": " << got.substr(0, 120);
    const auto f = fields(got);
    if (lastLevel == lines.size() && f[1] == "1" && f[4] == "15")
      lastLevel = frame;
  }
  EXPECT_GT(checked, 10000);

  // The win: level index 15 cleared, "Sieg !!" for that one frame, then
  // the title folds the score into the high score.
  std::size_t won = lastLevel;
  while (won < lines.size() && fields(lines[won])[4] != "16")
    ++won;
  ASSERT_LT(won + 1, lines.size()) << "no frame reached level 16";
  const auto sieg = fields(lines[won]), title = fields(lines[won + 1]);
  EXPECT_EQ(sieg[1], "0") << "play ends with the win";
  EXPECT_NE(sieg[30], "0000000000000000") << "the frame was drawn";
  EXPECT_EQ(title[1], "0");
  EXPECT_EQ(title[16], "0");
  EXPECT_EQ(title[17], sieg[16]) << "the high score is the won game's score";
  EXPECT_NE(title[31], "-") << "a title frame";
}

} // namespace
