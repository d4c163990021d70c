// Cost of drawing into the back buffer: keyed sprites with and without
// run-length encoding, and whole title and play frames (without the
// present). Uses the content in the data folder, or stand-in images.

#include "TestSupport.h"

#include "game/World.h"
#include "graphics/Display.h"
#include "platform/Display.h"
#include "screens/Screens.h"
#include "shell/WindowProc.h"

#include <benchmark/benchmark.h>

using namespace ruzoz;
using namespace shelltest;

namespace {

// Loads the 40 images (with or without RLE) from the data folder, or from
// stand-ins when there is no content.
class Images {
public:
  explicit Images(bool rle) {
    platform::SetImageRle(rle);
    platform::AttachBackBuffer();
    fs::path dir = RUZOZ_DATA_DIR;
    if (!fs::exists(dir / "titelbild.bmp")) {
      WriteNominalImages(scratch_.path());
      dir = scratch_.path();
    }
    InDirectory in(dir);
    ok_ = LoadAllImages();
  }
  ~Images() {
    ReleaseAllImages();
    platform::ReleasePrimarySurface();
    platform::SetImageRle(true);
  }
  bool ok() const { return ok_; }

private:
  ScratchDir scratch_;
  bool ok_ = false;
};

void BM_KeyedSprites300(benchmark::State &state) {
  Images images(state.range(0) != 0);
  if (!images.ok()) {
    state.SkipWithError("images did not load");
    return;
  }
  int xs[300], ys[300];
  std::uint32_t seed = 12345;
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1103515245u + 12345u;
    xs[i] = static_cast<int>(seed >> 8) % 608;
    seed = seed * 1103515245u + 12345u;
    ys[i] = static_cast<int>(seed >> 8) % 448;
  }
  for (auto _ : state)
    for (int i = 0; i < 300; ++i)
      DrawImage(xs[i], ys[i], surfaceSlot(imgAlien1 + i % 8));
  benchmark::DoNotOptimize(platform::BackBufferPixel(1, 1));
}
BENCHMARK(BM_KeyedSprites300)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_TitleFrameDrawn(benchmark::State &state) {
  Images images(true);
  resetAll();
  for (auto _ : state)
    runFrame();
}
BENCHMARK(BM_TitleFrameDrawn)->Unit(benchmark::kMicrosecond);

void BM_PlayFrameDrawn(benchmark::State &state) {
  Images images(state.range(0) != 0);
  resetAll();
  runFrame();
  WindowProc(Message{MessageKind::keyDown, vkSpace});
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
      game.shield = 1 << 30;
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_PlayFrameDrawn)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
