// Sound never stops the game. The audio output taken away (as SDL reports a
// removed device) on the title and in a scripted game: the music moves to
// the default output at once, the game goes on, the next effect it plays
// re-creates the five buffers. Without a SoundFont: effects, no music.

#include "shell/Replay.h"

#include "audio/Sound.h"
#include "audio/SoundEffects.h"
#include "platform/Audio.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "ports/Texts.h"
#include "shell/StartUp.h"
#include "support/DataFolder.h"

#include "support/SdlEvents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

namespace {

using namespace ruzoz;

// SDL's disk driver writes the output here as the mix is: stereo float.
std::filesystem::path recording;

// Whether the recording's last `seconds` (all of it: 0) are not silent.
bool Sounds(double seconds = 0) {
  const std::vector<float> samples = testsupport::ReadFloats(recording);
  const std::size_t tail = seconds > 0 ? std::size_t(44100 * seconds) * 2 : samples.size();
  return std::any_of(samples.end() - std::min(samples.size(), tail), samples.end(),
                     [](float s) { return std::fabs(s) > 1e-4f; });
}

// With the game held and its effects over, the music still sounds. The
// file starts anew at each reopen.
bool MusicSounds() {
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  return Sounds(0.5);
}

void UseDiskOutput(const testsupport::DataCopy &dir) {
  platform::UseHeadlessDrivers();
  recording = dir / "output.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
}

struct Game {
  long long lostAt = -1;
  const SoundBuffer *before[effectCount] = {};
  int restores = 0;
};

void LoseOutput() {
  testsupport::SimulateEvent(testsupport::SimulatedEvent::audioRemoved);
  for (Message message; platform::EventInput().TakeMessage(message);)
    continue;
}

void AfterFrame(long long frame, void *context) {
  Game &game = *static_cast<Game *>(context);
  AudioOutput &output = platform::DeviceAudioOutput();
  const int effects = replay::recordedSound().EffectCount();
  if (game.lostAt >= 0 && !output.IsLost()) {
    // Restored in this frame: by an effect it played, into new buffers.
    EXPECT_GT(effects, 0) << frame << ": came back without an effect being played";
    for (int i = 0; i < effectCount; ++i)
      EXPECT_TRUE(effectBuffers[i] && effectBuffers[i].get() != game.before[i])
          << frame << " " << i;
    EXPECT_TRUE(output.AcceptsMix()) << frame;
    EXPECT_EQ(errorMessage, nullptr) << frame;
    EXPECT_TRUE(MusicSounds()) << frame << ": no music after the restore";
    ++game.restores;
    game.lostAt = -1;
  }
  EXPECT_FALSE(game.lostAt >= 0 && effects > 0) << frame << ": played, and still lost";
  if (frame != 10 && frame != 1500 && frame != 4500)
    return;
  EXPECT_TRUE(MusicSounds()) << frame << ": no music before the loss";
  const std::uintmax_t recorded = std::filesystem::file_size(recording);
  for (int i = 0; i < effectCount; ++i)
    game.before[i] = effectBuffers[i].get();
  // A capture device or another output going away changes nothing.
  platform::NoteAudioDeviceRemoved(platform::AudioDeviceId(), true);
  platform::NoteAudioDeviceRemoved(platform::AudioDeviceId() + 1, false);
  EXPECT_FALSE(output.IsLost()) << frame;
  LoseOutput();
  for (int i = 0; i < effectCount; ++i)
    EXPECT_TRUE(effectBuffers[i]->GetStatus() & SoundBuffer::statusLost) << frame << " " << i;
  // On the title no effect plays for long, and the music does not wait.
  EXPECT_LT(std::filesystem::file_size(recording), recorded) << frame << ": not reopened at once";
  EXPECT_TRUE(MusicSounds()) << frame << ": no music on the new output";
  EXPECT_EQ(replay::recordedSound().EffectCount(), effects) << frame;
  game.lostAt = frame;
  if (frame != 10)
    return;
  // No output to move to (a folder can't be recorded into): the music waits
  // for an output device to come.
  setenv("SDL_DISKAUDIOFILE", recording.parent_path().c_str(), 1);
  LoseOutput();
  EXPECT_EQ(platform::AudioDeviceId(), 0u);
  setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
  platform::NoteAudioDeviceAdded(true);
  EXPECT_EQ(platform::AudioDeviceId(), 0u) << "a microphone is no output";
  platform::NoteAudioDeviceAdded(false);
  EXPECT_TRUE(MusicSounds()) << "no music on the output that came";
}

TEST(AudioDeviceLoss, MusicMovesAtOnceTheNextEffectRestoresTheBuffersAndTheGameGoesOn) {
  testsupport::DataCopy dir;
  testsupport::InDirectory in(dir.path());
  std::ifstream keys(std::string(RUZOZ_GOLDEN_DIR) + "/autopilot_game.keys");
  std::vector<replay::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(replay::parseScript(keys, events, error)) << error;

  UseDiskOutput(dir);
  ASSERT_TRUE(StartUp()) << errorMessage;

  Game game;
  replay::beginRecording();
  EXPECT_EQ(replay::runReplay(8000, events, nullptr, AfterFrame, &game), 8000)
      << "the game goes on to the end of its script";
  replay::endRecording();
  EXPECT_EQ(game.restores, 3) << "and not lost at the end";
  EXPECT_EQ(errorMessage, nullptr);

  ShutDown();
  platform::EndVideo();
  EXPECT_EQ(platform::AudioDeviceId(), 0u) << "the output closed";
}

// One line says where the game looked and what to set, and the game plays
// on without music (the system's own SoundFont is not taken instead).
TEST(SoundFontMissing, StartUpSaysWhereItLookedAndPlaysOnWithEffectsOnly) {
  ASSERT_NE(platform::FindSoundFont(nullptr), "") << "install timgm6mb-soundfont";
  testsupport::DataCopy dir;
  testsupport::InDirectory in(dir.path());
  UseDiskOutput(dir);
  setenv("SDL_SOUNDFONTS", (dir / "gone.sf2").c_str(), 1);
  testing::internal::CaptureStderr();
  const bool started = StartUp();
  std::string err = testing::internal::GetCapturedStderr();
  // SDL's disk driver announces itself in two lines.
  for (int line = 0; line < 2 && err.rfind("CRITICAL: ", 0) == 0; ++line)
    err.erase(0, err.find('\n') + 1);
  EXPECT_TRUE(started) << errorMessage;
  EXPECT_EQ(err, "music off: no SoundFont at " + (dir / "gone.sf2").string() +
                     "; set SDL_SOUNDFONTS=/path/to/file.sf2\n");
  PlayMusic(); // Space on the title
  SetMusicRepeats(999);
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_FALSE(Sounds()) << "music";
  PlaySoundEffect(sfxGet);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(Sounds()) << "no effect";
  ShutDown();
  platform::EndVideo();
  unsetenv("SDL_SOUNDFONTS");
}

} // namespace
