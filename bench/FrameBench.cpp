// Cost of the game's frames without presenting them.

#include "game/Generation.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "screens/Screens.h"
#include "shell/WindowProc.h"

#include <benchmark/benchmark.h>

using namespace ruzoz;

namespace {

void BM_GenerateWorld(benchmark::State &state) {
  resetAll();
  for (auto _ : state)
    generateWorld();
  benchmark::DoNotOptimize(randomState);
}
BENCHMARK(BM_GenerateWorld)->Unit(benchmark::kMicrosecond);

void BM_GenerateWorldReference(benchmark::State &state) {
  resetAll();
  for (auto _ : state)
    generateWorldReference();
  benchmark::DoNotOptimize(randomState);
}
BENCHMARK(BM_GenerateWorldReference)->Unit(benchmark::kMicrosecond);

void BM_TitleFrame(benchmark::State &state) {
  resetAll();
  InstallNominalSurfaces();
  for (auto _ : state)
    runFrame();
  benchmark::DoNotOptimize(randomState);
}
BENCHMARK(BM_TitleFrame)->Unit(benchmark::kMicrosecond);

// Play frames of a running game: a fresh game on level 4 with the beam firing.
void BM_PlayFrame(benchmark::State &state) {
  resetAll();
  InstallNominalSurfaces();
  runFrame();
  WindowProc(Message{MessageKind::keyDown, vkSpace});
  game.currentLevel = 4;
  game.shield = 1 << 30;
  long frames = 0;
  for (auto _ : state) {
    if (frames++ % 10 == 0) {
      keys.fireRequest = 1;
      game.ammo = 50;
    }
    runFrame();
    if (!game.playing) {
      state.PauseTiming();
      runFrame();
      WindowProc(Message{MessageKind::keyDown, vkSpace});
      game.currentLevel = 4;
      game.shield = 1 << 30;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
