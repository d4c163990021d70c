// The audio output taken away in the middle of a scripted game, as SDL
// reports a removed device: the game goes on, the next effect it plays
// reopens the output and re-creates the five buffers, and the music plays
// on. Twice, then the game is played to its end and shut down.

#include "Support.h"

#include "Replay.h"

#include "audio/Music.h"
#include "audio/Sound.h"
#include "audio/SoundEffects.h"
#include "game/World.h"
#include "platform/AudioDevice.h"
#include "platform/Display.h"
#include "platform/Events.h"
#include "platform/Headless.h"
#include "platform/SoundDevice.h"
#include "platform/Window.h"
#include "shell/Errors.h"
#include "shell/StartUp.h"
#include "shell/WindowProc.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace reliability {
namespace {

using namespace ruzoz;

constexpr long long lossFrames[] = {1500, 4500};

std::uint64_t MusicFrames() {
  platform::LockAudio();
  const std::uint64_t frames = musicPerformance ? musicPerformance->FramesRendered() : 0;
  platform::UnlockAudio();
  return frames;
}

// Whether the music renders at least `frames` more within a few seconds.
bool MusicAdvances(std::uint64_t frames) {
  const std::uint64_t start = MusicFrames();
  for (int i = 0; i < 300; ++i) {
    if (MusicFrames() >= start + frames)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

struct Game {
  int effectsThisFrame = 0;
  void (*replayObserver)(int) = nullptr;
  long long lostAt = -1;
  std::unique_ptr<SoundBuffer> *bufferTable = effectBuffers;
  const SoundBuffer *before[effectCount] = {};
  int restores = 0;
  std::vector<std::string> failures;

  void Fail(long long frame, const std::string &what) {
    failures.push_back("frame " + std::to_string(frame) + ": " + what);
  }
};

Game *current = nullptr;

void CountEffect(int index) {
  if (index > 0)
    ++current->effectsThisFrame;
  current->replayObserver(index);
}

void AfterFrame(long long frame, void *context) {
  Game &game = *static_cast<Game *>(context);
  SoundDevice &device = platform::DefaultSoundDevice();
  if (game.lostAt >= 0) {
    if (!device.IsLost()) {
      // Restored in this frame: by an effect it played, into new buffers.
      if (game.effectsThisFrame == 0)
        game.Fail(frame, "the output came back without an effect being played");
      for (int i = 0; i < effectCount; ++i)
        if (!effectBuffers[i] || effectBuffers[i].get() == game.before[i])
          game.Fail(frame, "buffer " + std::to_string(i) + " was not re-created");
      if (!platform::AudioDeviceTakesMix())
        game.Fail(frame, "the reopened output does not take the mix");
      if (errorMessage != nullptr)
        game.Fail(frame, std::string("a restore failed: ") + errorMessage);
      if (!MusicAdvances(4410))
        game.Fail(frame, "the music does not play after the restore");
      ++game.restores;
      game.lostAt = -1;
    } else if (game.effectsThisFrame > 0) {
      game.Fail(frame, "an effect was played and the output is still lost");
    }
  }
  game.effectsThisFrame = 0;

  for (long long loss : lossFrames) {
    if (frame != loss)
      continue;
    if (!MusicAdvances(4410))
      game.Fail(frame, "no music before the loss");
    for (int i = 0; i < effectCount; ++i)
      game.before[i] = effectBuffers[i].get();
    SDL_Event event{};
    event.adevice.type = SDL_AUDIODEVICEREMOVED;
    event.adevice.which = platform::AudioDeviceId();
    event.adevice.iscapture = 0;
    if (SDL_PushEvent(&event) != 1)
      game.Fail(frame, "cannot queue the removal");
    while (platform::TakeEvent()) {
    }
    if (!device.IsLost())
      game.Fail(frame, "the removal was not noticed");
    for (int i = 0; i < effectCount; ++i)
      if (!(effectBuffers[i]->GetStatus() & SoundBuffer::statusLost))
        game.Fail(frame, "buffer " + std::to_string(i) + " is not lost");
    game.lostAt = frame;
  }
}

class InDirectory {
public:
  explicit InDirectory(const fs::path &dir) : previous_(fs::current_path()) {
    fs::current_path(dir);
  }
  ~InDirectory() { fs::current_path(previous_); }

private:
  fs::path previous_;
};

TEST(AudioDeviceLoss, TheNextEffectReopensTheOutputAndTheGameAndMusicGoOn) {
  DataCopy dir;
  InDirectory in(dir.path());
  std::ifstream keys(std::string(RUZOZ_GOLDEN_DIR) + "/autopilot_game.keys");
  std::vector<replay::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(replay::parseScript(keys, events, error)) << error;

  resetAll();
  quitPosted = false;
  errorMessage = nullptr;
  platform::UseHeadlessDrivers();
  ASSERT_TRUE(StartUp()) << errorMessage;
  ASSERT_NE(platform::AudioDeviceId(), 0u);

  Game game;
  current = &game;
  replay::beginRecording();
  game.replayObserver = soundObserver;
  soundObserver = CountEffect;
  const long long ran = replay::runReplay(8000, events, nullptr, AfterFrame, &game);
  replay::endRecording();
  current = nullptr;

  EXPECT_EQ(ran, 8000) << "the game goes on to the end of its script";
  for (const std::string &failure : game.failures)
    ADD_FAILURE() << failure;
  EXPECT_EQ(game.restores, 2);
  EXPECT_EQ(game.lostAt, -1) << "still lost at the end";
  EXPECT_TRUE(MusicAdvances(4410));
  EXPECT_EQ(errorMessage, nullptr);

  ShutDown();
  platform::EndVideo();
  EXPECT_EQ(platform::AudioDeviceId(), 0u);
  EXPECT_EQ(platform::CurrentDisplayStatus().images, 0);
  for (const auto &buffer : effectBuffers)
    EXPECT_EQ(buffer, nullptr);
}

} // namespace
} // namespace reliability
