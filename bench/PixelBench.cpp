// Frames with real pixels: the game's RGB565 back buffer and the 40 images
// from the data folder, set up by the display steps of the start-up (SDL's
// dummy video, so no window is seen). Frames are drawn without presenting;
// the present is measured on its own.
//
// Every benchmark counts the allocations made while it is timed, SDL's
// included (bench/AllocationCounter.h), and reports them per frame as
// `allocs`.
//
//   pixel_bench [benchmark options]      in any folder; the data folder is
//                                        RUZOZ_DATA (default: the build's)

#include "AllocationCounter.h"
#include "BenchSupport.h"

#include "game/World.h"
#include "graphics/Display.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/sdl/Desktop.h"
#include "platform/sdl/SdlObjects.h"
#include "screens/Screens.h"
#include "shell/WindowProc.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

using namespace ruzoz;

namespace {

// Counts allocations from construction to report().
class AllocationWatch {
public:
  AllocationWatch() { bench::StartCountingAllocations(); }
  void report(benchmark::State &state) {
    bench::StopCountingAllocations();
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(bench::CountedAllocations()),
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
bool imagesLoaded = false;

// A window the size of the virtual screen the game is measured on, so the
// present fills 1333 x 1000 (enlarged 3 times, filtered down) as it does
// there.
constexpr int windowWidth = 1600;
constexpr int windowHeight = 1000;

bool setUpDisplay(benchmark::State &state) {
  if (!displayReady) {
    if (!bench::enterDataFolder(state, RUZOZ_DATA_DIR))
      return false;
    platform::UseHeadlessDrivers();
    platform::PresentToWindow(true); // BM_Present measures it
    displayReady = platform::InitVideo() && platform::CreateGameWindow(windowWidth, windowHeight) &&
                   platform::CreateRenderer() && platform::SetLogicalSize() &&
                   platform::CreateFront() && platform::CreateBackBuffer();
    if (!displayReady) {
      state.SkipWithError("the display steps of the start-up failed");
      return false;
    }
  }
  if (!imagesLoaded) {
    if (!LoadAllImages(screen)) {
      state.SkipWithError("the images did not load");
      return false;
    }
    imagesLoaded = true;
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
  if (!setUpDisplay(state))
    return;
  NoPresent noPresent;
  resetAll();
  runFrame();
  AllocationWatch watch;
  for (auto _ : state)
    runFrame();
  watch.report(state);
  benchmark::DoNotOptimize(platform::backBufferRow(240)[320]);
}
BENCHMARK(BM_TitleFramePixels)->Unit(benchmark::kMicrosecond);

void BM_PlayFramePixels(benchmark::State &state) {
  if (!setUpDisplay(state))
    return;
  NoPresent noPresent;
  bench::startPlay();
  long frame = 0;
  AllocationWatch watch;
  for (auto _ : state)
    bench::playFrame(frame++);
  watch.report(state);
  benchmark::DoNotOptimize(platform::backBufferRow(240)[320]);
}
BENCHMARK(BM_PlayFramePixels)->Unit(benchmark::kMicrosecond);

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
  if (!setUpDisplay(state))
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
  benchmark::DoNotOptimize(platform::backBufferRow(240)[320]);
}
BENCHMARK(BM_PlayFrameKeyedBlits)->Unit(benchmark::kMicrosecond);

// --- The present --------------------------------------------------------------

// changed:1, a back buffer that differs in every row from the one shown
// before (a scrolling play screen); changed:0, the same picture again (the
// title). Filling the back buffer is not timed.
void BM_Present(benchmark::State &state) {
  if (!setUpDisplay(state))
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
  bench::StartCountingAllocations();
  const bool made = platform::CreateBackBuffer();
  bench::StopCountingAllocations();
  platform::ReleaseFront();
  if (!made || bench::CountedAllocations() == 0) {
    std::fprintf(stderr, "pixel_bench: the allocation counter does not see SDL's allocations%s\n",
                 bench::CountsMalloc() ? "" : " (a sanitizer owns malloc)");
    return 1;
  }
  return bench::runBenchmarks(argc, argv);
}
