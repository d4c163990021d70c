// The SDL audio output: its converter, and its mix recorded by SDL's disk
// driver. Odd formats go through the real start-up in tests/reliability.

#include "platform/Audio.h"
#include "ports/WaveConvert.h"
#include "support/Support.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

namespace {

using namespace ruzoz;
using namespace testsupport;

WaveFormat Pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  const auto frame = std::uint16_t(channels * bits / 8);
  return {waveFormatPcm, channels, rate, frame, bits};
}

TEST(SdlAudioOutput, ConvertsPlainFormatsWithinTheRateLimitsToStereoFloat) {
  AudioOutput &sdl = platform::DeviceAudioOutput();
  std::vector<float> out;
  const Bytes stereo = Samples16({16384, -8192}), silent8(4, 128); // 8-bit is unsigned
  ASSERT_TRUE(sdl.Convert(Pcm(2, 44100, 16), stereo.data(), 4, out));
  EXPECT_EQ(out, (std::vector<float>{0.5f, -0.25f}));
  ASSERT_TRUE(sdl.Convert(Pcm(1, 44100, 8), silent8.data(), 4, out));
  EXPECT_EQ(out, std::vector<float>(8, 0.0f));
  const Bytes mono = Samples16(std::vector<int>(2205, 16384));
  ASSERT_TRUE(sdl.Convert(Pcm(1, 22050, 16), mono.data(), 4410, out));
  EXPECT_NEAR(out.size() / 2.0, 4410.0, 8.0) << "resampled to twice the frames";
  EXPECT_NEAR(out[out.size() / 2], 0.5f, 0.01f);
  // Below 100 Hz a few bytes would resample into gigabytes.
  for (auto [rate, plays] :
       {std::pair{99u, false}, {100u, true}, {100000u, true}, {100001u, false}})
    EXPECT_EQ(sdl.CanConvert(Pcm(1, rate, 16)), plays) << rate;
}

// The one converter both builds use: exact length, the recording's own
// samples on their frames up to the last, a steady level kept, and the
// sides.
TEST(WaveConvert, ResamplesToExactLengthKeepingEndsAndLevel) {
  std::vector<float> out;
  const Bytes ramp = Samples16({0, 8192, 16384, -16384});
  ASSERT_TRUE(ConvertWave(Pcm(1, 22050, 16), ramp.data(), 8, out));
  ASSERT_EQ(out.size(), 16u);
  EXPECT_EQ(out[0], 0.0f);
  EXPECT_EQ(out[4], 0.25f) << "every second frame is a recorded one";
  EXPECT_EQ(out[13], -0.5f) << "the last recorded frame, right side";
  for (std::uint32_t rate : {11025u, 22050u, 32000u, 48000u, 96000u}) {
    const Bytes level = Samples16(std::vector<int>(2 * 1000, 12000));
    ASSERT_TRUE(ConvertWave(Pcm(2, rate, 16), level.data(), 4000, out));
    EXPECT_EQ(out.size(), 2u * (1000u * 44100u / rate)) << rate;
    for (float v : out)
      ASSERT_NEAR(v, 12000.0f / 32768.0f, 1e-6f) << rate;
  }
  const Bytes sides = Samples16({16384, -8192, 0, 16384, -8192, 0});
  ASSERT_TRUE(ConvertWave(Pcm(3, 44100, 16), sides.data(), 12, out));
  EXPECT_EQ(out, (std::vector<float>{0.5f, -0.25f, 0.5f, -0.25f}));
}

// A source putting a level into the mix: the music overwrites and must find
// silence; the effects add and must find the music.
struct Level : MixSource {
  explicit Level(bool adds) : adds(adds) {}
  void MixInto(float *out, int frames) override {
    const float level = value;
    for (int i = 0; i < frames * mixChannels; ++i) {
      sawOnlyExpected = sawOnlyExpected && (adds ? out[i] == 0.25f || out[i] == 0.8f : !out[i]);
      out[i] = adds ? out[i] + level : level;
    }
  }
  bool adds;
  std::atomic<float> value{0.0f};
  std::atomic<bool> sawOnlyExpected{true};
};

TEST(SdlAudioOutput, MixesTheMusicIntoSilenceThenAddsTheEffectsClamped) {
  ScratchDir dir;
  const auto recording = dir.path() / "output.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
  AudioOutput &sdl = platform::DeviceAudioOutput();
  Level music(false), effects(true);
  music.value = 0.25f;
  sdl.SetMusicSource(&music);
  sdl.SetEffectsSource(&effects);
  ASSERT_TRUE(sdl.Open());
  ASSERT_TRUE(sdl.AcceptsMix()) << "the recording is the mix as it is";
  for (auto [m, e] : {std::pair{0.25f, 0.0f}, {0.25f, 0.5f}, {0.8f, 0.5f}}) {
    music.value = m, effects.value = e;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  sdl.Close();
  sdl.SetMusicSource(nullptr);
  sdl.SetEffectsSource(nullptr);

  const std::string raw = ReadText(recording);
  std::set<float> levels;
  for (std::size_t at = 0; at + 4 <= raw.size(); at += 4) {
    float value;
    std::memcpy(&value, raw.data() + at, 4);
    levels.insert(value);
  }
  levels.erase(0.0f); // before the first callback
  EXPECT_EQ(levels, (std::set<float>{0.25f, 0.75f, 1.0f})) << "the last clamped";
  EXPECT_TRUE(music.sawOnlyExpected);
  EXPECT_TRUE(effects.sawOnlyExpected);
}

} // namespace
