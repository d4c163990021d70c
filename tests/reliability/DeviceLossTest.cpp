// The audio output taken away in the middle of a scripted game, as SDL
// reports a removed device: the game goes on, the next effect it plays
// reopens the output and re-creates the five buffers, and the music plays
// on. Twice, then the game is played to its end and shut down.

#include "shell/Replay.h"

#include "audio/SoundEffects.h"
#include "platform/Audio.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "ports/Texts.h"
#include "shell/StartUp.h"
#include "support/DataFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

using namespace ruzoz;

// SDL's disk driver writes the output here as the mix is: stereo float.
std::filesystem::path recording;

// With the game held and its effects over, the output's last half second
// is not silent: the music plays. The file starts anew at each reopen.
bool MusicSounds() {
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  const std::string raw = testsupport::ReadText(recording);
  const std::size_t tail = 44100 / 2 * 8;
  for (std::size_t at = raw.size() - std::min(raw.size(), tail); at + 4 <= raw.size(); at += 4) {
    float sample;
    std::memcpy(&sample, raw.data() + at, 4);
    if (std::fabs(sample) > 1e-4f)
      return true;
  }
  return false;
}

struct Game {
  long long lostAt = -1;
  const SoundBuffer *before[effectCount] = {};
  int restores = 0;
};

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
  if (frame != 1500 && frame != 4500)
    return;
  EXPECT_TRUE(MusicSounds()) << frame << ": no music before the loss";
  for (int i = 0; i < effectCount; ++i)
    game.before[i] = effectBuffers[i].get();
  // A capture device or another output going away changes nothing.
  platform::NoteAudioDeviceRemoved(platform::AudioDeviceId(), true);
  platform::NoteAudioDeviceRemoved(platform::AudioDeviceId() + 1, false);
  EXPECT_FALSE(output.IsLost()) << frame;
  platform::SimulateEvent(platform::SimulatedEvent::audioRemoved);
  for (Message message; platform::EventInput().TakeMessage(message);)
    continue;
  for (int i = 0; i < effectCount; ++i)
    EXPECT_TRUE(effectBuffers[i]->GetStatus() & SoundBuffer::statusLost) << frame << " " << i;
  game.lostAt = frame;
}

TEST(AudioDeviceLoss, TheNextEffectReopensTheOutputAndTheGameAndMusicGoOn) {
  testsupport::DataCopy dir;
  testsupport::InDirectory in(dir.path());
  std::ifstream keys(std::string(RUZOZ_GOLDEN_DIR) + "/autopilot_game.keys");
  std::vector<replay::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(replay::parseScript(keys, events, error)) << error;

  platform::UseHeadlessDrivers();
  recording = dir / "output.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
  ASSERT_TRUE(StartUp()) << errorMessage;

  Game game;
  replay::beginRecording();
  EXPECT_EQ(replay::runReplay(8000, events, nullptr, AfterFrame, &game), 8000)
      << "the game goes on to the end of its script";
  replay::endRecording();
  EXPECT_EQ(game.restores, 2) << "and not lost at the end";
  EXPECT_EQ(errorMessage, nullptr);

  ShutDown();
  platform::EndVideo();
  EXPECT_EQ(platform::AudioDeviceId(), 0u) << "the output closed";
}

} // namespace
