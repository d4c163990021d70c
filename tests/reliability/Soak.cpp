// ruzoz-soak: a long game of random keys through the replay engine, on the
// real start-up in the current directory (a data folder), checking after
// every frame that the world model holds its invariants and that the game
// thread allocates nothing once start-up is done.
//
//   ruzoz-soak --frames N [--seed S] [--repeat] [--keys FILE]
//
// --repeat plays the same keys a second time from the start-up state and
// requires the same trace, frame by frame. --keys writes the key script, so
// that ruzoz-replay can play a failing game again. Prints one summary line
// ("trace HASH" included, to compare builds); exit 0 when all held.

#include "Replay.h"

#include "game/World.h"
#include "platform/Headless.h"
#include "platform/Window.h"
#include "shell/Errors.h"
#include "shell/StartUp.h"
#include "shell/WindowProc.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <pthread.h>
#include <string>
#include <vector>

using namespace ruzoz;

// Allocations of the game thread after start-up. Other threads (audio, the
// synthesizer) are free to allocate.
namespace {

std::atomic<bool> countingAllocations{false};
pthread_t gameThread;
std::atomic<long> allocationsAfterStartUp{0};
constexpr int framesNoted = 8;
long long framesOfAllocations[framesNoted];
long long currentFrame = -1;

void NoteAllocation() {
  if (countingAllocations.load(std::memory_order_relaxed) &&
      pthread_equal(pthread_self(), gameThread)) {
    const long count = allocationsAfterStartUp++;
    if (count < framesNoted)
      framesOfAllocations[count] = currentFrame;
    // For a debugger: where the first one comes from.
    if (count == 0 && std::getenv("RUZOZ_SOAK_TRAP_ALLOCATION") != nullptr)
      std::abort();
  }
}

void *Allocate(std::size_t size) {
  NoteAllocation();
  if (void *p = std::malloc(size == 0 ? 1 : size))
    return p;
  throw std::bad_alloc();
}

void *AllocateAligned(std::size_t size, std::align_val_t align) {
  NoteAllocation();
  void *p = nullptr;
  if (posix_memalign(&p, std::max(sizeof(void *), std::size_t(align)), size == 0 ? 1 : size) == 0)
    return p;
  throw std::bad_alloc();
}

} // namespace

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
  NoteAllocation();
  return std::malloc(size == 0 ? 1 : size);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
  NoteAllocation();
  return std::malloc(size == 0 ? 1 : size);
}
void *operator new(std::size_t size, std::align_val_t align) {
  return AllocateAligned(size, align);
}
void *operator new[](std::size_t size, std::align_val_t align) {
  return AllocateAligned(size, align);
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void *p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void *p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t, std::align_val_t) noexcept { std::free(p); }

#ifdef RUZOZ_SOAK_COUNT_MALLOC
// Without a sanitizer owning malloc, the C allocations (SDL, the C library)
// count too.
extern "C" {
void *__libc_malloc(std::size_t);
void *__libc_calloc(std::size_t, std::size_t);
void *__libc_realloc(void *, std::size_t);
void *malloc(std::size_t size) {
  NoteAllocation();
  return __libc_malloc(size);
}
void *calloc(std::size_t count, std::size_t size) {
  NoteAllocation();
  return __libc_calloc(count, size);
}
void *realloc(void *p, std::size_t size) {
  NoteAllocation();
  return __libc_realloc(p, size);
}
}
#endif

namespace {

// --- the random game ------------------------------------------------------

struct KeyChoice {
  int weight;
  int key; // 0: a message that is not a key-down
};
// Arrows most, then Shift; Space and Enter move between title, story and
// play; other messages release the arrows. Never Esc.
constexpr KeyChoice keyChoices[] = {{15, vkLeft},  {15, vkRight}, {20, vkUp},
                                    {8, vkDown},   {17, vkShift}, {10, vkSpace},
                                    {5, vkReturn}, {8, 0},        {2, 'A'}};

std::vector<replay::ScriptEvent> RandomKeys(long long frames, std::uint64_t seed) {
  std::vector<replay::ScriptEvent> events;
  events.reserve(std::size_t(frames / 4) + 16);
  std::uint64_t state = seed;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return std::uint32_t(state >> 33);
  };
  int total = 0;
  for (const KeyChoice &c : keyChoices)
    total += c.weight;
  for (long long frame = 0; frame < frames; ++frame) {
    if (next() % 5 != 0)
      continue;
    int pick = int(next() % std::uint32_t(total));
    const KeyChoice *choice = keyChoices;
    while (pick >= choice->weight)
      pick -= (choice++)->weight;
    replay::ScriptEvent event;
    event.frame = frame;
    event.message = choice->key == 0 ? Message{MessageKind::other, 0}
                                     : Message{MessageKind::keyDown, choice->key};
    events.push_back(event);
  }
  return events;
}

bool WriteKeys(const char *path, const std::vector<replay::ScriptEvent> &events) {
  std::FILE *out = std::fopen(path, "w");
  if (out == nullptr)
    return false;
  std::fprintf(out, "# ruzoz-soak random game\n");
  for (const replay::ScriptEvent &e : events) {
    if (e.message.kind == MessageKind::keyDown)
      std::fprintf(out, "%lld down %d\n", e.frame, e.message.virtualKey);
    else
      std::fprintf(out, "%lld other\n", e.frame);
  }
  return std::fclose(out) == 0;
}

// --- the trace, hashed as it is written -------------------------------------

struct TraceHash {
  std::uint64_t hash = 0xcbf29ce484222325ull;
};

ssize_t HashWrite(void *cookie, const char *data, std::size_t size) {
  auto &trace = *static_cast<TraceHash *>(cookie);
  trace.hash = replay::fnv1a(data, size, trace.hash);
  return ssize_t(size);
}

// A trace sink that keeps no bytes: its buffer is given before start-up.
std::FILE *OpenTraceHash(TraceHash &trace) {
  static char buffer[1 << 16];
  cookie_io_functions_t functions{nullptr, HashWrite, nullptr, nullptr};
  std::FILE *file = fopencookie(&trace, "w", functions);
  if (file != nullptr)
    std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
  return file;
}

// --- the invariants ---------------------------------------------------------

struct Soak {
  long long violations = 0;
  long long titleFrames = 0;
  long long playFrames = 0;
  long long fullChecks = 0;
  std::FILE *trace = nullptr;
  TraceHash *traceHash = nullptr;
  std::vector<std::uint64_t> *frameHashes = nullptr; // trace hash after each frame
};

void Violation(Soak &soak, long long frame, const char *what, double value) {
  if (soak.violations++ < 20)
    std::fprintf(stderr, "ruzoz-soak: frame %lld: %s (%.17g)\n", frame, what, value);
}

bool KindAllowed(double kind) {
  if (!std::isfinite(kind) || kind != std::floor(kind))
    return false;
  return (kind >= 0 && kind <= 8) || (kind >= 801 && kind <= 900) || (kind >= 1000 && kind <= 1035);
}

void CheckLevel(Soak &soak, long long frame, const Level &level) {
  for (const WorldObject &o : level.objects) {
    if (!KindAllowed(o.kind))
      Violation(soak, frame, "object kind outside its ranges", o.kind);
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
  (g.playing ? soak.playFrames : soak.titleFrames) += 1;
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
  if (!g.playing || frame % 64 == 0) {
    ++soak.fullChecks;
    for (const Level &level : levels)
      CheckLevel(soak, frame, level);
  }

  if (soak.frameHashes != nullptr) {
    std::fflush(soak.trace);
    (*soak.frameHashes)[std::size_t(frame)] = soak.traceHash->hash;
  }
  currentFrame = frame + 1;
}

struct Options {
  long long frames = 100000;
  std::uint64_t seed = 1;
  bool repeat = false;
  const char *keysPath = nullptr;
};

bool ParseOptions(int argc, char **argv, Options &options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--frames" && hasValue)
      options.frames = std::atoll(argv[++i]);
    else if (arg == "--seed" && hasValue)
      options.seed = std::strtoull(argv[++i], nullptr, 10);
    else if (arg == "--keys" && hasValue)
      options.keysPath = argv[++i];
    else if (arg == "--repeat")
      options.repeat = true;
    else
      return false;
  }
  return options.frames > 0;
}

// One game from the start-up state; the trace hash after each frame.
long long Play(const std::vector<replay::ScriptEvent> &events, long long frames, Soak &soak,
               std::vector<std::uint64_t> &hashes) {
  TraceHash traceHash;
  soak.trace = OpenTraceHash(traceHash);
  soak.traceHash = &traceHash;
  soak.frameHashes = &hashes;
  currentFrame = 0;
  countingAllocations = true;
  replay::beginRecording();
  const long long ran = replay::runReplay(frames, events, soak.trace, CheckFrame, &soak);
  replay::endRecording();
  countingAllocations = false;
  std::fclose(soak.trace);
  soak.trace = nullptr;
  return ran;
}

} // namespace

int main(int argc, char **argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: ruzoz-soak --frames N [--seed S] [--repeat] [--keys FILE]\n");
    return 2;
  }
  const std::vector<replay::ScriptEvent> events = RandomKeys(options.frames, options.seed);
  if (options.keysPath != nullptr && !WriteKeys(options.keysPath, events)) {
    std::fprintf(stderr, "ruzoz-soak: cannot write %s\n", options.keysPath);
    return 2;
  }
  std::vector<std::uint64_t> first(std::size_t(options.frames), 0);
  std::vector<std::uint64_t> second(options.repeat ? std::size_t(options.frames) : 0, 0);

  platform::UseHeadlessDrivers();
  if (!StartUp()) {
    std::fprintf(stderr, "ruzoz-soak: start-up failed: %s\n",
                 errorMessage != nullptr ? errorMessage : "?");
    ShutDown();
    platform::EndVideo();
    return 1;
  }
  const auto started = std::chrono::steady_clock::now();
  Soak soak;
  gameThread = pthread_self();
  long long ran = Play(events, options.frames, soak, first);
  long long differingFrame = -1;
  if (options.repeat && ran == options.frames) {
    resetAll();
    Soak again;
    ran += Play(events, options.frames, again, second);
    soak.violations += again.violations;
    for (long long f = 0; f < options.frames && differingFrame < 0; ++f)
      if (first[std::size_t(f)] != second[std::size_t(f)])
        differingFrame = f;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ShutDown();
  platform::EndVideo();

  std::printf("ruzoz-soak: seed %" PRIu64 ", %lld frames (%lld title, %lld play), %.1f s, "
              "%lld full checks, %ld allocations after start-up, trace %016" PRIx64 "\n",
              options.seed, ran, soak.titleFrames, soak.playFrames, seconds, soak.fullChecks,
              allocationsAfterStartUp.load(), first.empty() ? 0 : first.back());
  bool ok = soak.violations == 0;
  if (ran != options.frames * (options.repeat ? 2 : 1)) {
    std::fprintf(stderr, "ruzoz-soak: only %lld frames ran\n", ran);
    ok = false;
  }
  if (allocationsAfterStartUp > 0) {
    std::fprintf(stderr, "ruzoz-soak: the game thread allocated after start-up, in frames");
    for (long i = 0; i < std::min<long>(allocationsAfterStartUp, framesNoted); ++i)
      std::fprintf(stderr, " %lld", framesOfAllocations[i]);
    std::fprintf(stderr, "%s (RUZOZ_SOAK_TRAP_ALLOCATION=1 aborts at the first)\n",
                 allocationsAfterStartUp > framesNoted ? " ..." : "");
    ok = false;
  }
  if (differingFrame >= 0) {
    std::fprintf(stderr, "ruzoz-soak: the second game's trace differs from frame %lld on\n",
                 differingFrame);
    ok = false;
  }
  if (soak.titleFrames == 0 || soak.playFrames == 0) {
    std::fprintf(stderr, "ruzoz-soak: title and play frames were not both played\n");
    ok = false;
  }
  return ok ? 0 : 1;
}
