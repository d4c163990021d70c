// ruzoz-soak --frames N [--seed S] [--repeat], in a data folder: a long game
// of random keys through the replay engine on the real start-up. Every frame
// the world model must hold its invariants and the game thread must not
// allocate; --repeat replays the keys from the start-up state and requires
// the same trace. One summary line (with the trace hash); exit 0 if all held.

#include "AllocationCounter.h"
#include "shell/Replay.h"

#include "game/World.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "shell/StartUp.h"

#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace ruzoz;

namespace {

// Arrows most, then Shift; Space and Enter move between title, story and
// play; other messages release the arrows. Never Esc.
std::vector<replay::ScriptEvent> RandomKeys(long long frames, std::uint64_t seed) {
  constexpr struct {
    int weight, key; // key 0: a message that is not a key-down
  } choices[] = {{15, vkLeft},  {15, vkRight}, {20, vkUp}, {8, vkDown}, {17, vkShift},
                 {10, vkSpace}, {5, vkReturn}, {8, 0},     {2, 'A'}};
  std::vector<replay::ScriptEvent> events;
  std::uint64_t state = seed;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return std::uint32_t(state >> 33);
  };
  for (long long frame = 0; frame < frames; ++frame) {
    if (next() % 5 != 0)
      continue;
    int pick = int(next() % 100); // the weights add up to 100
    const auto *choice = choices;
    while (pick >= choice->weight)
      pick -= (choice++)->weight;
    events.push_back({frame, choice->key == 0 ? Message{MessageKind::other, 0}
                                              : Message{MessageKind::keyDown, choice->key}});
  }
  return events;
}

// The trace is hashed as it is written, into a buffer given before start-up.
ssize_t HashWrite(void *hash, const char *data, std::size_t size) {
  auto &h = *static_cast<std::uint64_t *>(hash);
  h = replay::fnv1a(data, size, h);
  return ssize_t(size);
}

struct Soak {
  long long violations = 0;
  long long frames[2] = {}; // title, play
  long allocations = 0;     // by the game thread in frames
  bool allocated = false;   // the first frame that did is named
};

void Violation(Soak &soak, long long frame, const char *what, double value) {
  if (soak.violations++ < 20)
    std::fprintf(stderr, "ruzoz-soak: frame %lld: %s (%.17g)\n", frame, what, value);
}

void CheckLevel(Soak &soak, long long frame, const Level &level) {
  for (const WorldObject &o : level.objects) {
    const double k = o.kind;
    if (!std::isfinite(k) || k != std::floor(k) ||
        !((k >= 0 && k <= 8) || (k >= 801 && k <= 900) || (k >= 1000 && k <= 1035)))
      Violation(soak, frame, "object kind outside its ranges", k);
    if (!std::isfinite(o.x) || !std::isfinite(o.y) || !std::isfinite(o.vx) || !std::isfinite(o.vy))
      Violation(soak, frame, "object position or speed not finite", o.x);
  }
  for (const auto &row : level.tiles)
    for (TileCode tile : row)
      if (tile < tileEmpty || tile > tileLava)
        Violation(soak, frame, "tile code outside 0..7", tile);
}

void CheckFrame(long long frame, void *context) {
  Soak &soak = *static_cast<Soak *>(context);
  const GameState &g = game;
  ++soak.frames[g.playing];
  auto range = [&](double value, double low, double high, const char *what) {
    if (!(value >= low && value <= high))
      Violation(soak, frame, what, value);
  };
  range(g.heading, 0, 15, "heading outside 0..15");
  range(g.cameraX, 0, 3231, "camera x outside the ship's field");
  range(g.cameraY, 0, 3231, "camera y outside the ship's field");
  range(g.cameraTileColumn, 0, 100, "camera tile column outside the map");
  range(g.cameraTileRow, 0, 100, "camera tile row outside the map");
  range(g.velocityX, -5, 5, "x speed beyond 5");
  range(g.velocityY, -5, 5, "y speed beyond 5");
  range(g.currentLevel, 0, g.playing ? 15 : 16, "level outside 0..15");
  range(g.ammo, 0, 50, "ammunition beyond 50");
  range(g.shotTimer, 0, g.shotDuration, "shot timer beyond the shot");
  range(g.ufoCount, 0, slotCount, "alien count outside 0..1000");
  range(g.bannerTimer, 0, 100, "banner timer beyond 100");
  if (g.playing) {
    range(g.shield, 1, 18, "a game in play without shield");
    range(g.shipX, -30, 3262, "ship x far outside its field");
    range(g.shipY, -30, 3262, "ship y far outside its field");
  }
  for (std::uint8_t flag : {keys.keyLeft, keys.keyRight, keys.keyUp, keys.keyDown, keys.fireRequest,
                            g.playing, g.storyScreen, g.titleTextsHidden})
    range(flag, 0, 1, "a flag that is neither 0 nor 1");
  // The update touches only the level in play; a title frame rebuilds all.
  if (g.currentLevel >= 0 && g.currentLevel < levelCount)
    CheckLevel(soak, frame, levels[g.currentLevel]);
  if (!g.playing || frame % 64 == 0)
    for (const Level &level : levels)
      CheckLevel(soak, frame, level);
  if (!soak.allocated && bench::CountedAllocations() > 0) {
    soak.allocated = true;
    std::fprintf(stderr, "ruzoz-soak: frame %lld: the game thread allocated\n", frame);
  }
}

// One game from the start-up state; returns the frames run.
long long Play(const std::vector<replay::ScriptEvent> &events, long long frames, Soak &soak,
               std::uint64_t &traceHash) {
  static char buffer[1 << 16];
  traceHash = 0xcbf29ce484222325ull;
  std::FILE *trace = fopencookie(&traceHash, "w", {nullptr, HashWrite, nullptr, nullptr});
  if (trace == nullptr)
    return 0;
  std::setvbuf(trace, buffer, _IOFBF, sizeof buffer);
  bench::StartCountingAllocations(true); // the audio threads may allocate
  replay::beginRecording();
  const long long ran = replay::runReplay(frames, events, trace, CheckFrame, &soak);
  replay::endRecording();
  bench::StopCountingAllocations();
  soak.allocations += bench::CountedAllocations();
  std::fclose(trace);
  return ran;
}

} // namespace

int main(int argc, char **argv) {
  long long frames = 0;
  std::uint64_t seed = 1;
  bool repeat = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--frames" && i + 1 < argc)
      frames = std::atoll(argv[++i]);
    else if (arg == "--seed" && i + 1 < argc)
      seed = std::strtoull(argv[++i], nullptr, 10);
    else if (arg == "--repeat")
      repeat = true;
    else
      frames = 0;
  }
  if (frames <= 0) {
    std::fprintf(stderr, "usage: ruzoz-soak --frames N [--seed S] [--repeat]\n");
    return 2;
  }
  const std::vector<replay::ScriptEvent> events = RandomKeys(frames, seed);

  platform::UseHeadlessDrivers();
  if (!StartUp()) {
    ShutDown(); // says why
    platform::EndVideo();
    return 1;
  }
  const auto started = std::chrono::steady_clock::now();
  Soak soak;
  std::uint64_t trace = 0, again = 0;
  long long ran = Play(events, frames, soak, trace);
  if (repeat && ran == frames) {
    resetAll();
    ran += Play(events, frames, soak, again);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ShutDown();
  platform::EndVideo();

  std::printf("ruzoz-soak: seed %" PRIu64 ", %lld frames (%lld title, %lld play), %.1f s, "
              "%ld allocations in frames, trace %016" PRIx64 "\n",
              seed, ran, soak.frames[0], soak.frames[1], seconds, soak.allocations, trace);
  bool ok = true;
  auto check = [&ok](bool held, const char *what) {
    if (!held) {
      std::fprintf(stderr, "ruzoz-soak: %s\n", what);
      ok = false;
    }
  };
  check(soak.violations == 0, "the world model broke its invariants");
  check(ran == frames * (repeat ? 2 : 1), "not every frame ran");
  check(soak.allocations == 0, "the game thread allocated in frames");
  check(!repeat || again == trace, "the second game's trace differs");
  check(soak.frames[0] > 0 && soak.frames[1] > 0, "title and play frames were not both played");
  return ok ? 0 : 1;
}
