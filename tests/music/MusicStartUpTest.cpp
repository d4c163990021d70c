#include "MusicTestSupport.h"

#include "audio/Audio.h"
#include "audio/Music.h"
#include "audio/Sound.h"
#include "game/World.h"
#include "platform/MusicSynth.h"
#include "shell/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

namespace ruzoz::music::test {
namespace {

int restarts = 0;

class MusicStartUp : public testing::Test {
protected:
  void SetUp() override {
    for (const char *file : {"Template1.tpl", "Style1.sty", "Chordmap1.cdm"})
      std::filesystem::copy_file(ContentPath(file), dir.Path() / file);
    home = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    errorMessage = nullptr;
    restarts = 0;
    musicObserver = [] { ++restarts; };
  }

  void TearDown() override {
    ReleaseMusic();
    musicObserver = nullptr;
    errorMessage = nullptr;
    unsetenv("SDL_SOUNDFONTS");
    std::filesystem::current_path(home);
  }

  bool FailsLoading(const std::string &mention) {
    testing::internal::CaptureStderr();
    const bool ok = InitMusic();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(mention), std::string::npos) << said;
    return !ok && errorMessage != nullptr && std::strcmp(errorMessage, "Error loading music") == 0;
  }

  void Render(std::uint64_t frames) { RenderFrames(*musicPerformance, frames, 441); }

  TempDir dir;
  std::filesystem::path home;
};

TEST_F(MusicStartUp, StartsTheSegmentAt160WithoutCountingARestart) {
  randomState = 777;
  ASSERT_TRUE(InitMusic());
  EXPECT_EQ(errorMessage, nullptr);
  EXPECT_TRUE(musicPerformance && musicLoader && musicComposer && musicTemplate && musicStyle &&
              musicChordMap && musicSegment);
  EXPECT_EQ(musicSegment->repeats, 999u);
  EXPECT_FALSE(musicSegment->tempoEnabled);
  EXPECT_EQ(restarts, 0) << "the first start is not a restart the game asked for";

  Render(44100);
  EXPECT_TRUE(musicPerformance->IsPlaying());
  EXPECT_EQ(musicPerformance->SegmentStartFrame(), 0u);
  EXPECT_EQ(musicPerformance->BeatMicroseconds(), 375000u);

  SetMusicRepeats(3);
  EXPECT_EQ(musicSegment->repeats, 3u);
  PlayMusic();
  EXPECT_EQ(restarts, 1);
  Render(441);
  EXPECT_EQ(musicPerformance->SegmentStartFrame(), 44160u) << "from the start, on a block";
  EXPECT_EQ(musicPerformance->BeatMicroseconds(), 375000u) << "a restart keeps 160";
  EXPECT_EQ(randomState, 777u) << "the music never draws from the game's generator";
}

class MissingFile : public MusicStartUp, public testing::WithParamInterface<const char *> {};

TEST_P(MissingFile, StopsStartUpWithErrorLoadingMusic) {
  std::filesystem::remove(GetParam());
  EXPECT_TRUE(FailsLoading(GetParam()));
  EXPECT_TRUE(musicPerformance && musicLoader && musicComposer) << "created before loading";
  EXPECT_EQ(musicSegment, nullptr);
  EXPECT_EQ(audioHooks.playMusic, nullptr);
}

INSTANTIATE_TEST_SUITE_P(EachFile, MissingFile,
                         testing::Values("Template1.tpl", "Style1.sty", "Chordmap1.cdm"));

TEST_F(MusicStartUp, MalformedFileStopsStartUpNamingFileAndLine) {
  std::ofstream("Style1.sty", std::ios::trunc)
      << "style \"s\"\npart bass channel 1 program 38 mode chord\npattern p normal\n";
  EXPECT_TRUE(FailsLoading("Style1.sty:3: expected a quoted name"));
  EXPECT_NE(musicTemplate, nullptr) << "what loaded before stays held";
  EXPECT_EQ(musicStyle, nullptr);
}

TEST_F(MusicStartUp, FailedCompositionStopsStartUp) {
  std::ofstream("Template1.tpl", std::ios::trunc)
      << "template \"t\"\nlength 4\nsignpost 1 group 7\n";
  EXPECT_TRUE(FailsLoading("group 7"));
  EXPECT_NE(musicChordMap, nullptr);
  EXPECT_EQ(musicSegment, nullptr);
}

TEST_F(MusicStartUp, UnusableSoundFontStopsStartUp) {
  std::ofstream("broken.sf2") << "not a SoundFont";
  setenv("SDL_SOUNDFONTS", (dir.Path() / "broken.sf2").c_str(), 1);
  EXPECT_TRUE(FailsLoading("broken.sf2"));
  EXPECT_EQ(musicTemplate, nullptr) << "nothing composed without instruments";
}

// Start-up reads the SoundFont ahead, on a thread; the music step takes it.
TEST_F(MusicStartUp, PreparedSynthPlaysAsAFreshOne) {
  platform::PrepareMusicSynth();
  platform::PrepareMusicSynth(); // a second call keeps the first preparation
  testing::internal::CaptureStderr();
  ASSERT_TRUE(InitMusic());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  std::vector<float> prepared;
  RenderFrames(*musicPerformance, 44100, 441, &prepared);
  ReleaseMusic();

  ASSERT_TRUE(InitMusic());
  std::vector<float> fresh;
  RenderFrames(*musicPerformance, 44100, 441, &fresh);
  ASSERT_EQ(prepared.size(), fresh.size());
  EXPECT_TRUE(prepared == fresh) << "the same music, sample for sample";
  EXPECT_GT(*std::max_element(fresh.begin(), fresh.end()), 0.01f) << "and audible";
}

TEST_F(MusicStartUp, PreparedUnusableSoundFontFailsAtTheMusicStepNotBefore) {
  std::ofstream("broken.sf2") << "not a SoundFont";
  setenv("SDL_SOUNDFONTS", (dir.Path() / "broken.sf2").c_str(), 1);
  testing::internal::CaptureStderr();
  platform::PrepareMusicSynth();
  // What the thread met stays unsaid until the step that owns it (GLib's
  // own warnings from libinstpatch's DLS probe are out of our hands).
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string early = testing::internal::GetCapturedStderr();
  EXPECT_EQ(early.find("broken.sf2"), std::string::npos) << early;
  EXPECT_EQ(early.find("fluidsynth"), std::string::npos) << early;
  EXPECT_TRUE(FailsLoading("broken.sf2: not a usable SoundFont"));
}

TEST_F(MusicStartUp, UntakenPreparationIsDroppedAndAFreshOneCanFollow) {
  platform::PrepareMusicSynth();
  platform::DiscardPreparedMusicSynth(); // a start-up that failed before music
  platform::DiscardPreparedMusicSynth();
  std::ofstream("broken.sf2") << "not a SoundFont";
  setenv("SDL_SOUNDFONTS", (dir.Path() / "broken.sf2").c_str(), 1);
  platform::PrepareMusicSynth();
  EXPECT_TRUE(FailsLoading("broken.sf2")) << "the new preparation, not the dropped one";
}

TEST_F(MusicStartUp, ReleaseEmptiesEverythingAndIsSafeAgain) {
  ReleaseMusic();
  ASSERT_TRUE(InitMusic());
  Render(4410);
  ReleaseMusic();
  EXPECT_FALSE(musicPerformance || musicLoader || musicComposer || musicTemplate || musicStyle ||
               musicChordMap || musicSegment);
  EXPECT_EQ(audioHooks.playMusic, nullptr);
  EXPECT_EQ(audioHooks.setMusicRepeats, nullptr);
  PlayMusic();
  SetMusicRepeats(999);
  ReleaseMusic();
  EXPECT_EQ(restarts, 1);
}

} // namespace
} // namespace ruzoz::music::test
