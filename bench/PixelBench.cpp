// Frames with real pixels: the game's RGB565 back buffer and the 40 images
// from the data folder, set up by the display steps of the start-up (SDL's
// dummy video, so no window is seen). Frames are drawn without presenting;
// the present is measured on its own.
//
// Every benchmark counts the calls of malloc and its relatives made while it
// is timed (this executable defines them, so SDL's calls come here too) and
// reports them per frame as `allocs`.
//
//   pixel_bench [benchmark options]      in any folder; the data folder is
//                                        RUZOZ_DATA (default: the build's)

#include "BenchSupport.h"

#include "game/World.h"
#include "graphics/Display.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "screens/Screens.h"
#include "shell/WindowProc.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <vector>

// --- Allocation counting -------------------------------------------------

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

inline void noteAllocation() {
  if (counting.load(std::memory_order_relaxed))
    allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

extern "C" {
void *__libc_malloc(std::size_t);
void *__libc_calloc(std::size_t, std::size_t);
void *__libc_realloc(void *, std::size_t);
void *__libc_memalign(std::size_t, std::size_t);
void __libc_free(void *);

void *malloc(std::size_t size) {
  noteAllocation();
  return __libc_malloc(size);
}
void *calloc(std::size_t count, std::size_t size) {
  noteAllocation();
  return __libc_calloc(count, size);
}
void *realloc(void *block, std::size_t size) {
  noteAllocation();
  return __libc_realloc(block, size);
}
void *memalign(std::size_t alignment, std::size_t size) {
  noteAllocation();
  return __libc_memalign(alignment, size);
}
void *aligned_alloc(std::size_t alignment, std::size_t size) {
  noteAllocation();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void **out, std::size_t alignment, std::size_t size) {
  noteAllocation();
  void *block = __libc_memalign(alignment, size);
  if (block == nullptr)
    return 12; // ENOMEM
  *out = block;
  return 0;
}
void free(void *block) { __libc_free(block); }
}

using namespace ruzoz;

namespace {

// Counts allocations from construction to report().
class AllocationWatch {
public:
  AllocationWatch() {
    allocations = 0;
    counting = true;
  }
  void report(benchmark::State &state) {
    counting = false;
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations.load()),
                                                  benchmark::Counter::kAvgIterations);
  }
};

// --- The display, as the start-up makes it -----------------------------

struct BlitCall {
  int number, x, y, glyph;
};

// The screen's video, which may leave out the present and may note every
// blit.
class BenchVideo final : public Video {
public:
  bool LoadImage(const char *fileName, Surface &out) override {
    return platform::ScreenVideo().LoadImage(fileName, out);
  }
  void ReleaseImage(Surface &surface) override { platform::ScreenVideo().ReleaseImage(surface); }
  void SetColorKey(Surface &surface) override { platform::ScreenVideo().SetColorKey(surface); }
  void Blit(const Surface &image, int x, int y, const SourceRect *cell, int glyph) override {
    if (record != nullptr)
      record->push_back({image.number, x, y, glyph});
    platform::ScreenVideo().Blit(image, x, y, cell, glyph);
  }
  void Flip() override {
    if (present)
      platform::ScreenVideo().Flip();
  }

  bool present = true;
  std::vector<BlitCall> *record = nullptr;
};
BenchVideo screen;

bool displayReady = false;
int imagesRle = -1;

// A window the size of the virtual screen the game is measured on, so the
// present scales by 2 as it does there.
constexpr int windowWidth = 1600;
constexpr int windowHeight = 1000;

bool setUpDisplay(bool rle, benchmark::State &state) {
  if (!displayReady) {
    if (!bench::enterDataFolder(state, RUZOZ_DATA_DIR))
      return false;
    platform::UseHeadlessDrivers();
    displayReady = platform::InitVideo() && platform::CreateGameWindow(windowWidth, windowHeight) &&
                   platform::CreateRenderer() && platform::SetLogicalSize() &&
                   platform::CreateFront() && platform::CreateBackBuffer();
    if (!displayReady) {
      state.SkipWithError("the display steps of the start-up failed");
      return false;
    }
  }
  if (imagesRle != static_cast<int>(rle)) {
    ReleaseAllImages();
    platform::SetImageRle(rle);
    if (!LoadAllImages(screen)) {
      imagesRle = -1;
      state.SkipWithError("the images did not load");
      return false;
    }
    imagesRle = rle;
  }
  return true;
}

// Frames are drawn, not presented, while one of these lives.
class NoPresent {
public:
  NoPresent() { screen.present = false; }
  ~NoPresent() { screen.present = true; }
};

// --- Frames ---------------------------------------------------------------

void BM_TitleFramePixels(benchmark::State &state) {
  if (!setUpDisplay(true, state))
    return;
  NoPresent noPresent;
  resetAll();
  runFrame();
  AllocationWatch watch;
  for (auto _ : state)
    runFrame();
  watch.report(state);
  benchmark::DoNotOptimize(platform::BackBufferPixel(320, 240));
}
BENCHMARK(BM_TitleFramePixels)->Unit(benchmark::kMicrosecond);

void BM_PlayFramePixels(benchmark::State &state) {
  if (!setUpDisplay(state.range(0) != 0, state))
    return;
  NoPresent noPresent;
  bench::startPlay();
  long frame = 0;
  AllocationWatch watch;
  for (auto _ : state)
    bench::playFrame(frame++);
  watch.report(state);
  benchmark::DoNotOptimize(platform::BackBufferPixel(320, 240));
}
BENCHMARK(BM_PlayFramePixels)->ArgName("rle")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// --- The keyed blits of play frames alone ----------------------------------

std::vector<BlitCall> recorded;
std::vector<std::size_t> frameStarts;

// The blits of 120 play frames, as the game issues them.
void recordPlayFrames() {
  if (!frameStarts.empty())
    return;
  NoPresent noPresent;
  bench::startPlay();
  screen.record = &recorded;
  for (long frame = 0; frame < 120; ++frame) {
    frameStarts.push_back(recorded.size());
    bench::playFrame(frame);
  }
  frameStarts.push_back(recorded.size());
  screen.record = nullptr;
}

void BM_PlayFrameKeyedBlits(benchmark::State &state) {
  if (!setUpDisplay(state.range(0) != 0, state))
    return;
  recordPlayFrames();
  double pixels = 0;
  for (const BlitCall &b : recorded) {
    const Surface *image = surfaceSet[b.number];
    pixels += b.glyph >= 0 ? 16 * 16 : image->width * image->height;
  }
  const auto frames = static_cast<double>(frameStarts.size() - 1);
  std::size_t frame = 0;
  AllocationWatch watch;
  for (auto _ : state) {
    for (std::size_t i = frameStarts[frame]; i < frameStarts[frame + 1]; ++i) {
      const BlitCall &b = recorded[i];
      if (b.glyph >= 0)
        DrawFontCell(b.x, b.y, b.glyph);
      else
        DrawImage(b.x, b.y, surfaceSet[b.number]);
    }
    if (++frame == frameStarts.size() - 1)
      frame = 0;
  }
  watch.report(state);
  state.counters["blits"] = static_cast<double>(recorded.size()) / frames;
  state.counters["pixels"] = pixels / frames;
  state.counters["px/s"] =
      benchmark::Counter(pixels / frames, benchmark::Counter::kIsIterationInvariantRate);
  benchmark::DoNotOptimize(platform::BackBufferPixel(320, 240));
}
BENCHMARK(BM_PlayFrameKeyedBlits)->ArgName("rle")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// --- The present --------------------------------------------------------------

// changed:1, a back buffer that differs in every row from the one shown
// before (a scrolling play screen); changed:0, the same picture again (the
// title). Filling the back buffer is not timed.
void BM_Present(benchmark::State &state) {
  if (!setUpDisplay(true, state))
    return;
  const bool changed = state.range(0) != 0;
  std::uint16_t colour = 0x1234;
  platform::FillBackBuffer(colour);
  Flip();
  AllocationWatch watch;
  for (auto _ : state) {
    if (changed) {
      state.PauseTiming();
      colour ^= 0x0821;
      platform::FillBackBuffer(colour);
      state.ResumeTiming();
    }
    Flip();
  }
  watch.report(state);
}
BENCHMARK(BM_Present)->ArgName("changed")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) {
  // Zeros mean something only if SDL's own allocations are seen.
  allocations = 0;
  counting = true;
  const bool made = platform::CreateBackBuffer();
  counting = false;
  platform::ReleaseFront();
  if (!made || allocations == 0) {
    std::fprintf(stderr, "pixel_bench: the allocation counter does not see SDL's allocations\n");
    return 1;
  }
  return bench::runBenchmarks(argc, argv);
}
