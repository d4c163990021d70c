// The sound step of start-up and the five effect buffers, on a fake output.

#include "audio/SoundEffects.h"
#include "audio/Sound.h"
#include "ports/Texts.h"
#include "support/FakeAudioOutput.h"
#include "support/Support.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace ruzoz;
using namespace testsupport;

// Sample k of effect i is i * 1000 + k + 1 (+ offset): every value tells
// which effect and which position it came from.
int FramesOf(int effect) { return 40 * (effect + 1); }
int Sample(int effect, int k, int offset = 0) { return effect * 1000 + k + 1 + offset; }
float Level(int effect, int k, int offset = 0) { return float(Sample(effect, k, offset)) / 32768; }

void Write(int effect, int offset = 0) {
  std::vector<int> samples;
  for (int k = 0; k < FramesOf(effect); ++k)
    samples.push_back(Sample(effect, k, offset));
  WriteFile(effectFiles[effect], PcmWave(1, 44100, samples));
}

// Closing must come while the buffers still exist: it stops the mixing.
struct Output : FakeAudioOutput {
  void Close() override {
    FakeAudioOutput::Close();
    missingAtClose = int(std::count(std::begin(effectBuffers), std::end(effectBuffers), nullptr));
  }
  int missingAtClose = -1;
};

class Effects : public ::testing::Test {
protected:
  void SetUp() override {
    for (int i = 0; i < effectCount; ++i)
      Write(i);
    errorMessage = nullptr;
  }
  // Every test ends with a started sound step: released twice, the output
  // is closed once, before the buffers go.
  void TearDown() override {
    ReleaseSound();
    ReleaseSound();
    EXPECT_EQ(output.closes, 1);
    EXPECT_EQ(output.missingAtClose, 0);
    EXPECT_EQ(std::count(std::begin(effectBuffers), std::end(effectBuffers), nullptr), effectCount);
    EXPECT_EQ(output.effects, nullptr);
  }
  // The left channel of `frames` mixed frames.
  std::vector<float> Pull(int frames) {
    std::vector<float> out(std::size_t(frames) * 2), left;
    output.Mix(out.data(), frames);
    for (int f = 0; f < frames; ++f)
      left.push_back(out[2 * f]);
    return left;
  }

  ScratchDir dir;
  InDirectory in{dir.path()};
  Output output;
};

// The output failing; the files it cannot use go through the real start-up
// (tests/reliability).
TEST_F(Effects, StartUpStoresTheFailingStepsText) {
  const struct {
    const char *what;
    bool Output::*fails;
    const char *text;
  } cases[] = {
      {"no output", &Output::openWorks, texts::soundDeviceFailed},
      {"mix refused", &Output::acceptsMix, texts::soundFormatFailed},
      {"conversion fails", &Output::convertWorks, texts::soundFailed},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    Output broken;
    broken.*c.fails = false;
    EXPECT_FALSE(InitSound(broken));
    EXPECT_STREQ(errorMessage, c.text);
    ReleaseSound();
    EXPECT_EQ(broken.closes, broken.opens - !broken.openWorks) << "what was opened is closed";
  }
  errorMessage = nullptr;
  ASSERT_TRUE(InitSound(output));
  EXPECT_EQ(errorMessage, nullptr);
  for (int i = 0; i < effectCount; ++i)
    EXPECT_EQ(effectBuffers[i]->Frames(), std::size_t(FramesOf(i)));
}

TEST_F(Effects, AnEffectPlaysOnceAtATimeAndGunShotNeverSounds) {
  ASSERT_TRUE(InitSound(output));
  const int n = FramesOf(sfxDrip);
  PlaySoundEffect(sfxDrip);
  EXPECT_FLOAT_EQ(Pull(10)[9], Level(sfxDrip, 9));
  PlaySoundEffect(sfxDrip);
  std::vector<float> rest = Pull(n);
  for (int k = 10; k < n; ++k)
    ASSERT_FLOAT_EQ(rest[k - 10], Level(sfxDrip, k)) << "neither restarted nor doubled";
  EXPECT_EQ(rest[n - 10], 0.0f) << "ends after one pass";
  PlaySoundEffect(sfxDrip);
  EXPECT_FLOAT_EQ(Pull(n)[0], Level(sfxDrip, 0)) << "ended: starts again";

  PlaySoundEffect(sfxGet);
  Pull(5);
  for (int index : {int(sfxKollision), int(sfxGunShot), effectCount, -1})
    PlaySoundEffect(index);
  std::vector<float> both = Pull(3);
  for (int k = 0; k < 3; ++k)
    EXPECT_FLOAT_EQ(both[k], Level(sfxGet, k + 5) + Level(sfxKollision, k)) << "they add";
  EXPECT_EQ(output.lockDepth, 0);
}

TEST_F(Effects, ALostOutputIsReopenedWithBuffersFromTheFilesByTheNextEffect) {
  ASSERT_TRUE(InitSound(output));
  const int converted = output.conversions;
  for (int i = 0; i < effectCount; ++i)
    Write(i, 7); // the files changed meanwhile
  output.lost = true;
  EXPECT_TRUE(effectBuffers[sfxGet]->GetStatus() & SoundBuffer::statusLost);
  output.reopenWorks = false;
  PlaySoundEffect(sfxSchaden);
  EXPECT_EQ(output.conversions, converted) << "nothing re-created while it stays lost";
  EXPECT_EQ(Pull(1)[0], 0.0f);

  output.reopenWorks = true;
  PlaySoundEffect(sfxGunShot); // looks for the loss, stays silent
  EXPECT_EQ(output.reopens, 2);
  EXPECT_EQ(output.conversions, converted + effectCount);
  EXPECT_EQ(Pull(1)[0], 0.0f);
  output.lost = true;
  PlaySoundEffect(sfxGet);
  EXPECT_FLOAT_EQ(Pull(FramesOf(sfxGet))[0], Level(sfxGet, 0, 7)) << "new, played in that call";
  EXPECT_EQ(errorMessage, nullptr);

  // A file gone by then: the text is kept for shutdown, the game goes on.
  std::filesystem::remove("Get.wav");
  output.lost = true;
  PlaySoundEffect(sfxDrip);
  EXPECT_STREQ(errorMessage, texts::bufferFailed);
  EXPECT_FLOAT_EQ(Pull(1)[0], Level(sfxDrip, 0, 7));
}

} // namespace
