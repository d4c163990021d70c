// Start-up and shutdown: in this process under SDL's dummy drivers, and the
// real game binary in prepared folders.

#include "TestSupport.h"

#include "game/World.h"
#include "graphics/Display.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/Headless.h"
#include "platform/Window.h"
#include "screens/Screens.h"
#include "shell/Errors.h"
#include "shell/StartUp.h"
#include "shell/WindowProc.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace ruzoz;
using namespace shelltest;

namespace {

const std::map<std::string, std::string> dummyDrivers = {{"SDL_VIDEODRIVER", "dummy"},
                                                         {"SDL_AUDIODRIVER", "dummy"}};

bool contentBuilt() {
  return fs::exists(fs::path(RUZOZ_DATA_DIR) / "titelbild.bmp") &&
         fs::exists(fs::path(RUZOZ_DATA_DIR) / "Explosion1.bmp");
}

void expectAllReleased() {
  const platform::DisplayStatus status = platform::CurrentDisplayStatus();
  EXPECT_FALSE(status.directDraw);
  EXPECT_FALSE(status.primarySurface);
  EXPECT_FALSE(status.backBuffer);
  EXPECT_EQ(status.images, 0);
  for (int n = 1; n <= imageCount; ++n)
    EXPECT_EQ(surfaceSlot(n), nullptr) << imageFileName(n);
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

TEST_F(StartUpInProcess, AnEmptyFolderStopsAtTheImagesAndShutDownTwiceIsSafe) {
  EXPECT_FALSE(StartUp());
  EXPECT_STREQ(errorMessage, "Error Loading Image");
  const platform::DisplayStatus status = platform::CurrentDisplayStatus();
  EXPECT_TRUE(status.directDraw);
  EXPECT_TRUE(status.primarySurface);
  EXPECT_TRUE(status.backBuffer);
  EXPECT_EQ(status.images, 0);

  EXPECT_EQ(shutDownOutput(), "Ruzoz - Odedozida: Error Loading Image\n");
  EXPECT_EQ(errorMessage, nullptr);
  expectAllReleased();

  EXPECT_EQ(shutDownOutput(), "");
  expectAllReleased();
}

TEST_F(StartUpInProcess, WithoutLeerTheThirteenImagesBeforeItAreLoadedThenReleased) {
  WriteNominalImages(dir.path(), "Leer.bmp");
  EXPECT_FALSE(StartUp());
  EXPECT_STREQ(errorMessage, "Error Loading Image");
  EXPECT_EQ(platform::CurrentDisplayStatus().images, 13);
  for (int n = 1; n <= 13; ++n)
    EXPECT_NE(surfaceSlot(n), nullptr) << imageFileName(n);
  EXPECT_EQ(shutDownOutput(), "Ruzoz - Odedozida: Error Loading Image\n");
  expectAllReleased();
}

TEST_F(StartUpInProcess, AFailureAfterTheImagesReleasesAllForty) {
  WriteNominalImages(dir.path()); // but no sound files
  EXPECT_FALSE(StartUp());
  ASSERT_NE(errorMessage, nullptr);
  const std::string text = errorMessage;
  EXPECT_NE(text, "Error Loading Image");
  EXPECT_EQ(platform::CurrentDisplayStatus().images, imageCount);
  EXPECT_EQ(shutDownOutput(), "Ruzoz - Odedozida: " + text + "\n");
  expectAllReleased();
}

TEST_F(StartUpInProcess, TheRealContentStartsAndEscapeShutsEverythingDown) {
  if (!contentBuilt())
    GTEST_SKIP() << "no content in " << RUZOZ_DATA_DIR << " (build the ruzoz_data target)";
  InDirectory data{RUZOZ_DATA_DIR};
  ASSERT_TRUE(StartUp()) << (errorMessage ? errorMessage : "");
  EXPECT_EQ(platform::CurrentDisplayStatus().images, imageCount);
  for (int i = 0; i < 3; ++i)
    runFrame();
  ASSERT_TRUE(platform::SimulateKeyDown("Escape"));
  while (!quitPosted && platform::TakeEvent()) {
  }
  EXPECT_TRUE(quitPosted);
  EXPECT_EQ(quitCode, 0);
  expectAllReleased();
  EXPECT_EQ(shutDownOutput(), "");
}

ProcessResult runGame(const fs::path &dir, std::map<std::string, std::string> env) {
  return RunProcess({RUZOZ_GAME}, dir, env, 30);
}

TEST(GameBinary, InAnEmptyFolderItReportsTheImagesAndExitsWithOne) {
  ScratchDir dir;
  const ProcessResult r = runGame(dir.path(), dummyDrivers);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Ruzoz - Odedozida: Error Loading Image\n");
}

TEST(GameBinary, WithOneImageMissingItReportsTheImagesAndExitsWithOne) {
  ScratchDir dir;
  WriteNominalImages(dir.path(), "titelbild.bmp");
  const ProcessResult r = runGame(dir.path(), dummyDrivers);
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Ruzoz - Odedozida: Error Loading Image\n");
}

TEST(GameBinary, WithoutAUsableDisplayTheFirstStepFails) {
  ScratchDir dir;
  const ProcessResult r =
      runGame(dir.path(), {{"SDL_VIDEODRIVER", "no-such-driver"}, {"SDL_AUDIODRIVER", "dummy"}});
  ASSERT_TRUE(r.exited);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Ruzoz - Odedozida: Error Registering Window Class\n");
}

TEST(GameBinary, ATerminationRequestIsAClosedWindowAndEndsWithZero) {
  if (!contentBuilt())
    GTEST_SKIP() << "no content in " << RUZOZ_DATA_DIR << " (build the ruzoz_data target)";
  ScratchDir scratch;
  const int pid = StartProcess({RUZOZ_GAME}, RUZOZ_DATA_DIR, dummyDrivers, scratch.path() / "out",
                               scratch.path() / "err");
  ASSERT_GT(pid, 0);
  int code = -1;
  // Still running after a second: it started and is in its loop.
  ASSERT_FALSE(WaitProcess(pid, 1.0, code)) << ReadText(scratch.path() / "err");
  ::kill(pid, SIGTERM); // SDL turns it into its quit event
  const bool ended = WaitProcess(pid, 10, code);
  if (!ended)
    KillProcess(pid);
  ASSERT_TRUE(ended);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadText(scratch.path() / "err").find("Ruzoz - Odedozida:"), std::string::npos);
}

} // namespace
