// The effects on SDL's audio device, on the dummy driver. The removal test
// builds SDL events itself, so this test sees SDL's headers.

#include "audio/Audio.h"
#include "audio/Sound.h"
#include "audio/SoundEffects.h"
#include "platform/AudioDevice.h"
#include "platform/SoundDevice.h"
#include "shell/Errors.h"

#include "FakeSoundDevice.h"
#include "TestWaves.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

using namespace soundtest;
using namespace ruzoz;

WaveFormat Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                  std::uint16_t bits) {
  return {tag, channels, rate, rate * channels * bits / 8, std::uint16_t(channels * bits / 8),
          bits};
}

TEST(SdlConversion, PlainFormatsBecomeStereoFloatAtTheMixRate) {
  SoundDevice &sdl = platform::DefaultSoundDevice();
  std::vector<float> out;
  const Bytes stereo = Samples16({16384, -8192});
  ASSERT_TRUE(sdl.Convert(Format(1, 2, 44100, 16), stereo.data(), 4, out));
  EXPECT_EQ(out, (std::vector<float>{0.5f, -0.25f}));

  const Bytes mono = Samples16(std::vector<std::int16_t>(2205, 16384));
  out.clear();
  ASSERT_TRUE(sdl.Convert(Format(1, 1, 22050, 16), mono.data(), 4410, out));
  EXPECT_NEAR(out.size() / 2.0, 4410.0, 8.0) << "resampled to twice the frames";
  EXPECT_NEAR(out[out.size() / 2], 0.5f, 0.01f);
  EXPECT_NEAR(out[out.size() / 2 + 1], 0.5f, 0.01f);

  const Bytes silent8(4, 128); // 8-bit samples are unsigned
  out.clear();
  ASSERT_TRUE(sdl.Convert(Format(1, 1, 44100, 8), silent8.data(), 4, out));
  EXPECT_EQ(out, std::vector<float>(8, 0.0f));

  EXPECT_TRUE(sdl.CanConvert(Format(3, 2, 48000, 32)));
  EXPECT_TRUE(sdl.CanConvert(Format(1, 6, 96000, 8)));
  for (const WaveFormat &f :
       {Format(1, 1, 44100, 24), Format(2, 1, 44100, 4), Format(0xFFFE, 2, 44100, 16),
        Format(1, 0, 44100, 16), Format(1, 1, 0, 16)})
    EXPECT_FALSE(sdl.CanConvert(f)) << f.formatTag << " " << f.bitsPerSample;
}

class SdlOutput : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const char *file : effectFiles)
      std::filesystem::copy_file(std::filesystem::path(RUZOZ_DATA_DIR) / file, file);
    errorMessage = nullptr;
  }
  void TearDown() override {
    ReleaseSound();
    platform::SetMusicRenderer(nullptr, nullptr);
    errorMessage = nullptr;
  }
  static void Note(Uint32 type, Uint32 which, bool capture = false) {
    SDL_Event event{};
    event.adevice.type = type;
    event.adevice.which = which;
    event.adevice.iscapture = capture;
    platform::NoteAudioDeviceEvent(event);
  }

  ScratchDir dir;
};

TEST_F(SdlOutput, StartsWithTheGeneratedSoundsOrFailsOnAMissingOne) {
  ASSERT_TRUE(InitSound()) << errorMessage;
  EXPECT_NE(platform::AudioDeviceId(), 0u);
  EXPECT_TRUE(platform::AudioDeviceTakesMix());
  // Kollision is 16-bit mono at 22.05 kHz: at 44.1 kHz it has as many frames
  // as its data has bytes.
  EXPECT_NEAR(double(effectBuffers[sfxKollision]->Frames()), Wave("Kollision.wav").GetDataSize(),
              8.0);
  ReleaseSound();
  EXPECT_EQ(platform::AudioDeviceId(), 0u);

  std::filesystem::remove("Kollision.wav");
  EXPECT_FALSE(InitSound());
  EXPECT_STREQ(errorMessage, "CreateBuffer FAILED");
}

TEST_F(SdlOutput, ARemovedDeviceIsReopenedWithNewBuffersOnTheNextPlay) {
  Note(SDL_AUDIODEVICEREMOVED, 1); // nothing open: nothing to lose
  ASSERT_TRUE(InitSound()) << errorMessage;
  const Uint32 id = platform::AudioDeviceId();
  SoundDevice &sdl = platform::DefaultSoundDevice();
  Note(SDL_AUDIODEVICEADDED, id);
  Note(SDL_AUDIODEVICEREMOVED, id, true);
  Note(SDL_AUDIODEVICEREMOVED, id + 1);
  EXPECT_FALSE(sdl.IsLost()) << "not our output";

  Note(SDL_AUDIODEVICEREMOVED, id);
  for (auto &buffer : effectBuffers)
    EXPECT_TRUE(buffer->GetStatus() & SoundBuffer::statusLost);
  SoundBuffer *before = effectBuffers[sfxSchaden].get();
  PlaySoundEffect(sfxSchaden);
  EXPECT_FALSE(sdl.IsLost());
  EXPECT_TRUE(platform::AudioDeviceTakesMix());
  EXPECT_NE(effectBuffers[sfxSchaden].get(), before);
  // Schaden lasts 0.8 s: it is sounding on the reopened device.
  EXPECT_TRUE(effectBuffers[sfxSchaden]->GetStatus() & SoundBuffer::statusPlaying);
  EXPECT_EQ(errorMessage, nullptr);
}

// The whole mix pulled by hand, effects from a fake device, no SDL device.
TEST_F(SdlOutput, MusicIsRenderedIntoSilenceAndTheEffectsAddedOverIt) {
  WriteBytes("drip.wav", PcmWave(1, 44100, std::vector<std::int16_t>(100, 16384)));
  // Outlives the test body: TearDown releases the sound on it.
  static FakeSoundDevice fake;
  ASSERT_TRUE(InitSound(fake));
  static bool sawOnlySilence;
  static float music;
  sawOnlySilence = true;
  platform::SetMusicRenderer(
      [](float *out, int frames, void *) {
        for (int i = 0; i < frames * platform::mixChannels; ++i)
          sawOnlySilence = sawOnlySilence && out[i] == 0.0f, out[i] = music;
      },
      nullptr);
  std::vector<float> out(16, 9.0f);
  auto mix = [&](float level) {
    music = level;
    platform::MixOutput(out.data(), 8);
    return out;
  };
  EXPECT_EQ(mix(0.25f), std::vector<float>(16, 0.25f));
  PlaySoundEffect(sfxDrip);
  EXPECT_EQ(mix(0.25f), std::vector<float>(16, 0.75f));
  EXPECT_EQ(mix(0.8f), std::vector<float>(16, 1.0f)) << "clamped at full scale";
  EXPECT_TRUE(sawOnlySilence) << "music first, into silence";
}

} // namespace
