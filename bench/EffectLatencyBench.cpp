// Effect latency: from PlaySoundEffect to the mixer callback that mixes the
// effect's first sample. The game's real start-up runs, music included, with
// SDL's dummy video and dummy audio (which pulls a block every 10 ms like a
// device; SDL_AUDIODRIVER picks another). A probe in place of the output's
// effects source notes when an effect has started, then mixes the effects
// as before.
//
//   effect_latency_bench [benchmark options]      data folder: RUZOZ_DATA

#include "BenchSupport.h"

#include "audio/Sound.h"
#include "audio/SoundEffects.h"
#include "platform/Audio.h"
#include "platform/Events.h"
#include "ports/Texts.h"
#include "shell/StartUp.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace ruzoz;

namespace {

std::atomic<int> watched{-1};
std::atomic<std::int64_t> mixedAt{0};
std::atomic<long> callbacks{0};

// Audio thread, output lock held, after the music.
class Probe final : public MixSource {
public:
  void MixInto(float *out, int frames) override {
    callbacks.fetch_add(1);
    const int index = watched.load();
    if (index >= 0 && effectBuffers[index] &&
        (effectBuffers[index]->GetStatus() & SoundBuffer::statusPlaying) != 0) {
      mixedAt = platform::SystemClock().ReadCounter();
      watched = -1;
    }
    MixEffects(out, frames);
  }
};
Probe probe;

bool started = false;

bool startGame(benchmark::State &state) {
  if (started)
    return true;
  if (!bench::enterDataFolder(state, RUZOZ_DATA_DIR))
    return false;
  // SDL_AUDIODRIVER, when set, overrides the dummy audio of these.
  platform::UseHeadlessDrivers();
  if (!StartUp()) {
    state.SkipWithError(errorMessage != nullptr ? errorMessage : "start-up failed");
    return false;
  }
  platform::DeviceAudioOutput().SetEffectsSource(&probe);
  started = true;
  return true;
}

bool idle(int index) {
  return (effectBuffers[index]->GetStatus() & SoundBuffer::statusPlaying) == 0;
}

// One effect played per iteration, each time once the previous sound of
// that effect has ended (a sounding effect is not restarted). The wait
// before each play moves it to a new place in the mixer's 10 ms cycle.
void BM_EffectLatency(benchmark::State &state) {
  if (!startGame(state))
    return;
  Clock &clock = platform::SystemClock();
  const double perSecond = static_cast<double>(clock.CounterFrequency());
  const int index = static_cast<int>(state.range(0));
  unsigned seed = 12345;
  std::vector<double> latencies;
  latencies.reserve(static_cast<std::size_t>(state.max_iterations));
  const long callbacksBefore = callbacks.load();
  const std::int64_t begin = clock.ReadCounter();
  for (auto _ : state) {
    while (!idle(index))
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    seed = seed * 1103515245u + 12345u;
    std::this_thread::sleep_for(std::chrono::microseconds((seed >> 8) % 10'000));
    mixedAt = 0;
    const std::int64_t asked = clock.ReadCounter();
    watched = index;
    PlaySoundEffect(index);
    while (mixedAt.load() == 0)
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    const double seconds = static_cast<double>(mixedAt.load() - asked) / perSecond;
    state.SetIterationTime(seconds);
    latencies.push_back(seconds);
  }
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    state.counters["median_ms"] = 1000 * latencies[latencies.size() / 2];
    state.counters["max_ms"] = 1000 * latencies.back();
  }
  const double seconds = static_cast<double>(clock.ReadCounter() - begin) / perSecond;
  state.counters["callback_ms"] =
      1000 * seconds / static_cast<double>(callbacks.load() - callbacksBefore);
}
BENCHMARK(BM_EffectLatency)
    ->ArgName("effect")
    ->Arg(sfxDrip)
    ->UseManualTime()
    ->Iterations(25)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
