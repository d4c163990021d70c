// The wave reader, the effect buffers on a fake output, and the SDL output
// (its mix recorded by SDL's disk driver). Odd formats: tests/reliability.

#include "audio/Sound.h"
#include "audio/MMIO.h"
#include "audio/SoundEffects.h"
#include "audio/Wave.h"
#include "platform/Audio.h"
#include "ports/Texts.h"
#include "ports/WaveConvert.h"
#include "support/FakeAudioOutput.h"
#include "support/Support.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <set>
#include <thread>
#include <tuple>

namespace {

using namespace ruzoz;
using namespace testsupport;

struct Case {
  const char *what;
  Bytes file;
  std::uint32_t rate = 0; // of a 16-bit format; 0: no format
  Bytes data = {};
};

TEST(WaveReader, AnswersWhatTheChunksSayAndNothingFromOutsideTheImage) {
  const Bytes samples = Samples16({1, -2, 300, -400, 32767, -32768});
  const Bytes good = PcmWave(2, 22050, {1, -2, 300, -400, 32767, -32768});
  const Bytes fmt = Fmt(1, 1, 44100, 16), data = Chunk("data", {1, 2});
  const Bytes list = Chunk("LIST", Cat({{'I', 'N', 'F', 'O'}, Chunk("INAM", {'z', 0})}));
  const Bytes claims200 = {'R', 'I', 'F', 'F', 200, 0, 0, 0, 'W', 'A', 'V', 'E'};
  const Case cases[] = {
      {"plain", good, 22050, samples},
      // The odd chunks' pad bytes: a walk that ignores them loses the rest.
      {"any order, odd and LIST chunks first",
       Riff({Chunk("junk", {1, 2, 3}), Chunk("data", {7, 8, 9}), list, Fmt(1, 1, 11025, 16)}),
       11025,
       {7, 8, 9}},
      {"short fmt chunk ending the image", Riff({data, Fmt(1, 1, 8000, 16)}), 8000, {1, 2}},
      {"a rate of three bytes", Riff({Fmt(1, 1, 88200, 16), data}), 88200, {1, 2}},
      {"last chunk claims past the form", Riff({fmt, Chunk("data", {1, 2, 3, 4}, 6)}), 44100},
      {"cut in the data", Bytes(good.begin(), good.end() - 3)},
      {"cut in a header", Bytes(good.begin(), good.begin() + 40)},
      {"form claims more", Cat({claims200, fmt, data})},
      {"form without room for its type", {'R', 'I', 'F', 'F', 2, 0, 0, 0, 'W', 'A'}},
      {"a chunk claims 4 GiB", Riff({Chunk("data", {1, 2}, 0xFFFFFFFF), fmt})},
      {"size wraps past 4 GiB", Riff({Chunk("junk", {0, 0}, 0xFFFFFFF0), fmt, data})},
      {"not RIFF", Cat({{'R', 'I', 'F', 'X'}, Bytes(good.begin() + 4, good.end())})},
      {"not WAVE", Chunk("RIFF", Cat({{'A', 'V', 'I', ' '}, fmt, data}))},
      {"chunks after the form", Cat({Riff({Chunk("junk", {})}), fmt, data})},
  };
  ScratchDir dir;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(dir.path() / "test.wav", c.file);
    Wave wave;
    ASSERT_TRUE(wave.Load((dir.path() / "test.wav").c_str())) << "any non-empty file loads";
    EXPECT_EQ(Bytes(wave.Data(), wave.Data() + wave.Size()), c.file);
    WaveFormat format{.channels = 7};
    const bool hasFormat = wave.GetFormat(format);
    EXPECT_EQ(std::tuple(hasFormat, format.samplesPerSec, format.bitsPerSample, wave.GetDataSize()),
              std::tuple(c.rate != 0, c.rate, c.rate ? 16 : 0, c.data.size()));

    std::uint8_t *fresh = nullptr;
    EXPECT_EQ(wave.ReadData(&fresh, 1), c.data.size()) << "a new block ignores the cap";
    std::unique_ptr<std::uint8_t[]> owned(fresh);
    EXPECT_EQ(fresh != nullptr, !c.data.empty());
    EXPECT_EQ(fresh ? Bytes(fresh, fresh + c.data.size()) : Bytes{}, c.data);
    // A caller's block: exactly its cap, from the chunk's start, nothing past.
    const std::uint32_t cap = std::uint32_t(c.data.size() / 2);
    Bytes block(cap + 1, 0xA5);
    std::uint8_t *into = block.data();
    EXPECT_EQ(wave.ReadData(&into, cap), cap);
    EXPECT_EQ(block, Cat({Bytes(c.data.begin(), c.data.begin() + cap), {0xA5}}));
  }
}

TEST(WaveReader, ReadsStopAtTheImageEnd) {
  const Bytes image = Chunk("odd ", {1, 2, 3});
  MMIO io(MemoryFileInfo{image.data(), std::uint32_t(image.size())});
  ChunkRecord chunk;
  ASSERT_EQ(io.Descend(chunk, 0), MMIO::ok);
  std::uint8_t buffer[8] = {};
  const int first = io.Read(buffer, 8), second = io.Read(buffer, 8);
  io.Close();
  EXPECT_EQ(std::tuple(first, second, io.Read(buffer, 1)), std::tuple(4, 0, -1))
      << "three bytes and the pad, then nothing, then closed";
}

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
    EXPECT_EQ(std::pair(output.closes, output.missingAtClose), std::pair(1, 0));
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

// The output failing (damaged files: tests/reliability).
TEST_F(Effects, StartUpStoresTheFailingStepsText) {
  const struct {
    const char *what;
    bool Output::*fails;
    const char *text;
  } cases[] = {{"no output", &Output::openWorks, texts::soundDeviceFailed},
               {"mix refused", &Output::acceptsMix, texts::soundFormatFailed},
               {"conversion fails", &Output::convertWorks, texts::soundFailed}};
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
  ASSERT_TRUE(InitSound(output) && !errorMessage);
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
  EXPECT_EQ(std::pair(output.reopens, output.conversions), std::pair(2, converted + effectCount));
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

// The one converter both builds use.
TEST(WaveConvert, ResamplesToExactLengthKeepingEndsAndLevel) {
  std::vector<float> out;
  const Bytes ramp = Samples16({0, 8192, 16384, -16384});
  ASSERT_TRUE(ConvertWave(Pcm(1, 22050, 16), ramp.data(), 8, out));
  // Every second frame is a recorded one; the last recorded frame's right side.
  ASSERT_EQ(out.size(), 16u);
  EXPECT_EQ(std::tuple(out[0], out[4], out[13]), std::tuple(0.0f, 0.25f, -0.5f));
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
struct Steady : MixSource {
  explicit Steady(bool adds) : adds(adds) {}
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
  Steady music(false), effects(true);
  music.value = 0.25f;
  sdl.SetMusicSource(&music), sdl.SetEffectsSource(&effects);
  ASSERT_TRUE(sdl.Open());
  ASSERT_TRUE(sdl.AcceptsMix()) << "the recording is the mix as it is";
  for (auto [m, e] : {std::pair{0.25f, 0.0f}, {0.25f, 0.5f}, {0.8f, 0.5f}}) {
    music.value = m, effects.value = e;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
  }
  sdl.Close();
  sdl.SetMusicSource(nullptr), sdl.SetEffectsSource(nullptr);

  const std::vector<float> samples = ReadFloats(recording);
  std::set<float> levels(samples.begin(), samples.end());
  levels.erase(0.0f); // before the first callback
  EXPECT_EQ(levels, (std::set<float>{0.25f, 0.75f, 1.0f})) << "the last clamped";
  EXPECT_TRUE(music.sawOnlyExpected && effects.sawOnlyExpected);
}

} // namespace
