#include "audio/SoundEffects.h"
#include "audio/Audio.h"
#include "audio/Sound.h"
#include "shell/Errors.h"

#include "FakeSoundDevice.h"
#include "TestWaves.h"

#include <gtest/gtest.h>

namespace {

using namespace soundtest;
using namespace ruzoz;

// Sample k of effect i is i * 1000 + k + 1 (+ offset): every value tells
// which effect and which position it came from.
int FramesOf(int effect) { return 40 * (effect + 1); }
float Level(int effect, int k, int offset = 0) {
  return float(effect * 1000 + k + 1 + offset) / 32768;
}

class Effects : public ::testing::Test {
protected:
  void SetUp() override {
    for (int i = 0; i < effectCount; ++i)
      Write(i);
    errorMessage = nullptr;
  }
  void TearDown() override {
    ReleaseSound();
    errorMessage = nullptr;
  }
  static void Write(int i, int offset = 0) {
    std::vector<std::int16_t> samples;
    for (int k = 0; k < FramesOf(i); ++k)
      samples.push_back(std::int16_t(i * 1000 + k + 1 + offset));
    WriteBytes(effectFiles[i], PcmWave(1, 44100, samples));
  }
  // Mixes `frames`; the left channel, checked equal to the right.
  std::vector<float> Pull(int frames) {
    std::vector<float> out(std::size_t(frames) * 2), left;
    MixEffects(out.data(), frames);
    for (int f = 0; f < frames; ++f) {
      EXPECT_EQ(out[2 * f], out[2 * f + 1]) << "centred";
      left.push_back(out[2 * f]);
    }
    return left;
  }
  bool Playing(int i) { return effectBuffers[i]->GetStatus() & SoundBuffer::statusPlaying; }

  ScratchDir dir;
  FakeSoundDevice device;
};

TEST_F(Effects, StartUpFillsFiveBuffersOrStoresTheFailingStepsText) {
  ASSERT_TRUE(InitSound(device));
  for (int i = 0; i < effectCount; ++i)
    EXPECT_EQ(effectBuffers[i]->Frames(), std::size_t(FramesOf(i)));
  EXPECT_EQ(device.lockDepth, 0);
  ReleaseSound();

  device.openWorks = false;
  EXPECT_FALSE(InitSound(device));
  EXPECT_STREQ(errorMessage, "DirectSoundCreate FAILED");
  EXPECT_EQ(soundDevice, nullptr);
  device.openWorks = true;
  device.acceptsMix = false;
  EXPECT_FALSE(InitSound(device));
  EXPECT_STREQ(errorMessage, "SetCooperativeLevel FAILED");
  ReleaseSound();
  EXPECT_EQ(device.closes, 2) << "the opened device is released";
  device.acceptsMix = true;
  device.convertWorks = false;
  EXPECT_FALSE(InitSound(device));
  EXPECT_STREQ(errorMessage, "Error Loading Sound");
}

TEST_F(Effects, AMissingFileFailsItsBufferAfterTheOnesBefore) {
  for (int missing = 0; missing < effectCount; ++missing) {
    std::filesystem::remove(effectFiles[missing]);
    EXPECT_FALSE(InitSound(device));
    EXPECT_STREQ(errorMessage, "CreateBuffer FAILED");
    for (int i = 0; i < effectCount; ++i)
      EXPECT_EQ(effectBuffers[i] != nullptr, i < missing) << missing << " " << i;
    ReleaseSound();
    Write(missing);
  }
}

TEST_F(Effects, FormatsThatWouldPlayAsNoiseFailBufferCreation) {
  const Bytes data = Chunk("data", Samples16({1, 2, 3, 4}));
  Bytes badAlign = Fmt(1, 2, 44100, 16);
  badAlign[12] = 2;
  const std::pair<const char *, Bytes> cases[] = {
      {"ADPCM", Form("RIFF", "WAVE", {Chunk("fmt ", Fmt(2, 1, 44100, 4)), data})},
      {"no channels", Form("RIFF", "WAVE", {Chunk("fmt ", Fmt(1, 0, 44100, 16)), data})},
      {"rate 0", Form("RIFF", "WAVE", {Chunk("fmt ", Fmt(1, 1, 0, 16)), data})},
      {"24-bit", Form("RIFF", "WAVE", {Chunk("fmt ", Fmt(1, 1, 44100, 24)), data})},
      {"wrong block size", Form("RIFF", "WAVE", {Chunk("fmt ", badAlign), data})},
      {"no samples", PcmWave(1, 44100, {})},
      {"less than a frame",
       Form("RIFF", "WAVE", {Chunk("fmt ", Fmt(1, 2, 44100, 16)), Chunk("data", {1, 2})})},
  };
  for (const auto &[what, file] : cases) {
    WriteBytes("Get.wav", file);
    EXPECT_FALSE(InitSound(device)) << what;
    EXPECT_STREQ(errorMessage, "CreateBuffer FAILED") << what;
    ReleaseSound();
  }
}

TEST_F(Effects, AnEffectPlaysOnceFromTheStartAndASecondPlayWhileSoundingChangesNothing) {
  ASSERT_TRUE(InitSound(device));
  const int n = FramesOf(sfxDrip);
  PlaySoundEffect(sfxDrip);
  EXPECT_TRUE(Playing(sfxDrip));
  EXPECT_FLOAT_EQ(Pull(10)[9], Level(sfxDrip, 9));
  PlaySoundEffect(sfxDrip);
  std::vector<float> rest = Pull(n);
  for (int k = 10; k < n; ++k)
    ASSERT_FLOAT_EQ(rest[k - 10], Level(sfxDrip, k)) << "neither restarted nor doubled";
  EXPECT_EQ(rest[n - 10], 0.0f) << "ends after one pass";
  EXPECT_FALSE(Playing(sfxDrip));
  PlaySoundEffect(sfxDrip);
  EXPECT_FLOAT_EQ(Pull(1)[0], Level(sfxDrip, 0)) << "ended: starts again";
  EXPECT_EQ(device.lockDepth, 0);
}

TEST_F(Effects, DifferentEffectsAddAndGunShotOrBadIndicesStaySilent) {
  ASSERT_TRUE(InitSound(device));
  PlaySoundEffect(sfxGet);
  Pull(5);
  for (int index : {int(sfxKollision), int(sfxGunShot), effectCount, -1})
    PlaySoundEffect(index);
  std::vector<float> both = Pull(3);
  for (int k = 0; k < 3; ++k)
    EXPECT_FLOAT_EQ(both[k], Level(sfxGet, k + 5) + Level(sfxKollision, k));
  EXPECT_FALSE(Playing(sfxGunShot));
}

TEST_F(Effects, ALostBufferRecreatesAllFiveFromTheFilesAndThenPlays) {
  ASSERT_TRUE(InitSound(device));
  const int converted = device.conversions;
  SoundBuffer *before[effectCount];
  for (int i = 0; i < effectCount; ++i) {
    before[i] = effectBuffers[i].get();
    Write(i, 7); // the files changed meanwhile
  }
  device.lost = true;
  EXPECT_TRUE(effectBuffers[sfxGet]->GetStatus() & SoundBuffer::statusLost);
  PlaySoundEffect(sfxGunShot); // index 0 only looks for the loss
  EXPECT_EQ(device.reopens, 1);
  EXPECT_EQ(device.conversions, converted + effectCount);
  for (int i = 0; i < effectCount; ++i)
    EXPECT_NE(effectBuffers[i].get(), before[i]) << i;
  EXPECT_EQ(Pull(1)[0], 0.0f);

  device.lost = true;
  PlaySoundEffect(sfxGet);
  EXPECT_EQ(device.reopens, 2);
  EXPECT_FLOAT_EQ(Pull(1)[0], Level(sfxGet, 0, 7)) << "the new buffer plays in the same call";
  EXPECT_EQ(errorMessage, nullptr);
}

TEST_F(Effects, AFailedRestoreStaysSilentAndTheNextPlayTriesAgain) {
  ASSERT_TRUE(InitSound(device));
  const int converted = device.conversions;
  device.lost = true;
  device.reopenWorks = false;
  PlaySoundEffect(sfxSchaden);
  EXPECT_EQ(device.conversions, converted) << "nothing re-created";
  EXPECT_EQ(Pull(1)[0], 0.0f);
  device.reopenWorks = true;
  PlaySoundEffect(sfxSchaden);
  EXPECT_FLOAT_EQ(Pull(1)[0], Level(sfxSchaden, 0));

  // A file gone by then: the text is kept for shutdown, the game goes on.
  std::filesystem::remove("Get.wav");
  device.lost = true;
  PlaySoundEffect(sfxDrip);
  EXPECT_STREQ(errorMessage, "CreateBuffer FAILED");
  EXPECT_FLOAT_EQ(Pull(1)[0], Level(sfxDrip, 0));
}

TEST_F(Effects, ReleaseSoundClosesOnceAndUnhooks) {
  ASSERT_TRUE(InitSound(device));
  ReleaseSound();
  ReleaseSound();
  EXPECT_EQ(device.closes, 1);
  EXPECT_EQ(audioHooks.playEffect, nullptr);
  for (auto &buffer : effectBuffers)
    EXPECT_EQ(buffer, nullptr);
  PlaySoundEffect(sfxDrip);
}

} // namespace
