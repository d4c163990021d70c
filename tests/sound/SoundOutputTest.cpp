// The SDL audio output: its converter, and its mix recorded by SDL's disk
// driver. Odd formats go through the real start-up in tests/reliability.

#include "platform/Audio.h"
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
