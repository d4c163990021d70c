#include "Sounds.h"
#include "WaveWriter.h"

#include "audio/SoundEffects.h"

#include "TestWaves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using soundgen::Clip;

// Zero crossings per second of the first channel between two times.
double Crossings(const Clip &clip, double from, double to) {
  int n = 0;
  for (auto f = std::size_t(from * clip.rate) + 1; f < std::size_t(to * clip.rate); ++f)
    n += (clip.samples[(f - 1) * clip.channels] < 0) != (clip.samples[f * clip.channels] < 0);
  return n / (to - from);
}

TEST(GeneratedSounds, AreTheGamesFilesShortBelowFullScaleAndWithoutClicks) {
  const auto clips = soundgen::MakeAllSounds(), again = soundgen::MakeAllSounds();
  ASSERT_EQ(clips.size(), std::size_t(ruzoz::effectCount));
  for (std::size_t i = 0; i < clips.size(); ++i) {
    const Clip &clip = clips[i];
    SCOPED_TRACE(clip.file);
    EXPECT_STREQ(clip.file, ruzoz::effectFiles[i]);
    const auto file = soundgen::EncodeWave(clip);
    EXPECT_EQ(file, soundgen::EncodeWave(again[i])) << "the same bytes every build";
    EXPECT_EQ(soundtest::ReadBytes(std::string(RUZOZ_DATA_DIR) + "/" + clip.file), file);
    EXPECT_TRUE(clip.rate == 44100 || clip.rate == 22050);
    EXPECT_LT(clip.samples.size(), std::size_t(clip.rate * clip.channels)) << "under a second";

    std::vector<std::int16_t> pcm((file.size() - 44) / 2);
    std::memcpy(pcm.data(), file.data() + 44, pcm.size() * 2);
    int peak = 0;
    for (std::int16_t s : pcm)
      peak = std::max(peak, std::abs(int(s)));
    EXPECT_LE(20 * std::log10(peak / 32768.0), -1.0);
    EXPECT_GE(20 * std::log10(peak / 32768.0), -12.0) << "heard over the music";
    // A click is a jump: silent first and last frames, tiny steps next to them.
    const std::size_t c = std::size_t(clip.channels), end = pcm.size() - c;
    EXPECT_EQ(pcm[0], 0);
    EXPECT_EQ(pcm[end], 0);
    EXPECT_LT(std::abs(pcm[c]) + std::abs(pcm[end - c]), 200);
  }
}

TEST(GeneratedSounds, SoundLikeTheirRoles) {
  const Clip drip = soundgen::MakeDrip(), get = soundgen::MakeGet(),
             bump = soundgen::MakeKollision(), boom = soundgen::MakeSchaden();
  EXPECT_GT(Crossings(drip, 0.0, 0.05), 4000) << "a bright zap";
  EXPECT_GT(Crossings(drip, 0.0, 0.05), 2 * Crossings(drip, 0.15, 0.2)) << "falling";
  EXPECT_LT(Crossings(bump, 0.02, 0.2), 600) << "a low knock";
  EXPECT_LT(Crossings(get, 0.005, 0.05), Crossings(get, 0.17, 0.22)) << "a rising chime";
  EXPECT_GT(Crossings(boom, 0.0, 0.05), 3000) << "a noisy burst";
  EXPECT_LT(Crossings(boom, 0.5, 0.7), 1000) << "over a low rumble";
}

} // namespace
