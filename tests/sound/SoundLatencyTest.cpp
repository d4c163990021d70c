// Records the device output with SDL's disk driver while effects are played
// and measures from the recording how long after its call each one starts.

#include "audio/Audio.h"
#include "audio/Sound.h"
#include "audio/SoundEffects.h"
#include "platform/AudioDevice.h"
#include "shell/Errors.h"

#include "TestWaves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace {

using namespace soundtest;
using Clock = std::chrono::steady_clock;
namespace platform = ruzoz::platform;

// The music slot doubles as a clock: each callback notes where its buffer
// starts in the stream and when it was made (fixed table, no allocation).
struct Callback {
  long firstFrame;
  Clock::time_point made;
};
Callback callbacks[1000];
std::atomic<int> made{0};
long mixed = 0;
// Marks the first mixed frame: the recording may begin with silence that
// SDL wrote before the device was unpaused.
constexpr float marker = 0.5f;

void NoteCallback(float *out, int frames, void *) {
  if (made == 0)
    out[0] = marker;
  if (made < int(std::size(callbacks)))
    callbacks[made] = {mixed, Clock::now()}, ++made;
  mixed += frames;
}

TEST(EffectLatency, EachEffectSoundsWithin20msOfItsCall) {
  ScratchDir dir;
  const auto recording = dir.path / "output.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
  for (const char *file : ruzoz::effectFiles)
    std::filesystem::copy_file(std::filesystem::path(RUZOZ_DATA_DIR) / file, file);

  platform::SetMusicRenderer(NoteCallback, nullptr);
  ASSERT_TRUE(ruzoz::InitSound()) << ruzoz::errorMessage;
  std::this_thread::sleep_for(std::chrono::milliseconds(80));
  struct Call {
    int effect, sleepMs; // longer than the effect: each starts in silence
    Clock::time_point at{}, back{};
  } calls[] = {{1, 333}, {3, 627}, {4, 401}, {2, 873}, {1, 305}, {3, 613}, {4, 389}, {1, 317}};
  for (Call &call : calls) {
    call.at = Clock::now();
    ruzoz::PlaySoundEffect(call.effect);
    call.back = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(call.sleepMs));
  }
  ruzoz::ReleaseSound();
  platform::SetMusicRenderer(nullptr, nullptr);

  const Bytes raw = ReadBytes(recording); // the mix as it is: stereo float
  std::vector<float> left(raw.size() / 8);
  for (std::size_t f = 0; f < left.size(); ++f)
    std::memcpy(&left[f], raw.data() + 8 * f, 4);
  const long shift = long(std::find(left.begin(), left.end(), marker) - left.begin());
  ASSERT_GE(long(left.size()), shift + mixed) << "the recording holds the session";
  const int n = made;
  auto firstMadeFrom = [&](Clock::time_point t) {
    return int(std::find_if(callbacks, callbacks + n, [&](auto &c) { return c.made >= t; }) -
               callbacks);
  };
  double worst = 0;
  for (const Call &call : calls) {
    const int from = firstMadeFrom(call.at), handedOver = firstMadeFrom(call.back);
    ASSERT_LT(handedOver, n);
    long onset = callbacks[from].firstFrame;
    while (onset < mixed && std::fabs(left[onset + shift]) < 1e-5f)
      ++onset;
    // In the first buffer mixed after the hand-over, if not before.
    EXPECT_LT(onset, callbacks[handedOver].firstFrame + platform::mixFrames) << call.effect;
    int k = from;
    while (k + 1 < n && callbacks[k + 1].firstFrame <= onset)
      ++k;
    const double ms =
        std::chrono::duration<double, std::milli>(callbacks[k].made - call.at).count() +
        1000.0 * double(onset - callbacks[k].firstFrame) / platform::mixRate;
    EXPECT_LE(ms, 20.0) << "effect " << call.effect;
    worst = std::max(worst, ms);
  }
  std::printf("worst effect latency: %.2f ms over %zu calls\n", worst, std::size(calls));
}

} // namespace
