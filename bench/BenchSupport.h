#pragma once
// What the benchmark programs share: the play frames they time, the data
// folder they read, and their main.

#include "game/World.h"
#include "screens/Screens.h"
#include "shell/WindowProc.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <unistd.h>

namespace ruzoz::bench {

// A fresh game on level 4 with a shield that does not run out.
inline void startPlay() {
  resetAll();
  runFrame();
  WindowProc(Message{MessageKind::keyDown, vkSpace});
  game.currentLevel = 4;
  game.shield = 1 << 30;
}

// One play frame, the beam fired every ten frames; a game that ended (the
// last level cleared) starts again.
inline void playFrame(long frame) {
  if (frame % 10 == 0) {
    keys.fireRequest = 1;
    game.ammo = 50;
  }
  runFrame();
  if (!game.playing)
    startPlay();
}

// Into RUZOZ_DATA, or the build's data folder; skips the benchmark if not.
inline bool enterDataFolder(benchmark::State &state, const char *buildData) {
  const char *data = std::getenv("RUZOZ_DATA");
  if (data == nullptr || *data == '\0')
    data = buildData;
  if (chdir(data) != 0) {
    state.SkipWithError("cannot enter the data folder (set RUZOZ_DATA)");
    return false;
  }
  return true;
}

inline int runBenchmarks(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

} // namespace ruzoz::bench
