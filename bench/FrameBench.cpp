// Cost of the game's frames without presenting them, headless (no pixels),
// and of the world generation against its one-call-at-a-time reference.
// Before timing anything, the two generations are compared from several
// generator states: a mismatch ends the run with exit code 1.
//
//   frame_bench [benchmark options]

#include "BenchSupport.h"

#include "game/Generation.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "screens/Screens.h"
#include "shell/WindowProc.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

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
  InstallNominalSurfaces(nullptr);
  for (auto _ : state)
    runFrame();
  benchmark::DoNotOptimize(randomState);
}
BENCHMARK(BM_TitleFrame)->Unit(benchmark::kMicrosecond);

// Play frames of a running game: a fresh game on level 4 with the beam firing.
void BM_PlayFrame(benchmark::State &state) {
  InstallNominalSurfaces(nullptr);
  bench::startPlay();
  long frame = 0;
  for (auto _ : state)
    bench::playFrame(frame++);
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMicrosecond);

// The same world and generator state from both generations, starting from
// `rounds` states. Each generation writes over a differently filled world,
// so a cell or slot that one of them skips shows up.
bool generationsAgree(int rounds) {
  static Level reference[levelCount];
  std::uint32_t seed = 1;
  for (int round = 0; round < rounds; ++round) {
    const std::uint32_t start = round == 0 ? 1u : round == 1 ? 0xFFFFFFFFu : seed;
    seed = seed * 2654435761u + 12345u;
    std::memset(levels, 0xA5, sizeof levels);
    randomState = start;
    generateWorldReference();
    const std::uint32_t referenceEnd = randomState;
    std::memcpy(reference, levels, sizeof levels);
    std::memset(levels, 0x5A, sizeof levels);
    randomState = start;
    generateWorld();
    if (randomState != referenceEnd || std::memcmp(reference, levels, sizeof levels) != 0) {
      std::fprintf(stderr, "frame_bench: generateWorld differs from the reference from state %u\n",
                   start);
      return false;
    }
  }
  return true;
}

} // namespace

int main(int argc, char **argv) {
  // One generation and nothing else, for counting its instructions:
  //   valgrind --tool=callgrind --toggle-collect='ruzoz::generateWorld()'
  //            frame_bench --generate-once fast        (or reference)
  if (argc == 3 && std::strcmp(argv[1], "--generate-once") == 0) {
    resetAll();
    if (std::strcmp(argv[2], "reference") == 0)
      generateWorldReference();
    else
      generateWorld();
    return 0;
  }
  constexpr int rounds = 20;
  if (!generationsAgree(rounds))
    return 1;
  std::printf("generateWorld equals generateWorldReference (world and generator state) "
              "from %d states\n",
              rounds);
  std::fflush(stdout);
  return bench::runBenchmarks(argc, argv);
}
