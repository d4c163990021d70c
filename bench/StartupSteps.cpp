// Where start-up time goes: the steps of the game's start-up, in its order,
// each timed, then the first frame (generation, drawing, present) and the
// shutdown. Run in the data folder, on the display the game would use.
//
//   startup_steps      one start-up: per step its wall time and the process's
//                      processor time (milliseconds; the audio thread counts)

#include "audio/Audio.h"
#include "audio/Music.h"
#include "graphics/Display.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/MusicSynth.h"
#include "platform/Window.h"
#include "screens/Screens.h"
#include "shell/Errors.h"
#include "shell/StartUp.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace ruzoz;

namespace {

std::int64_t last = 0;
double lastCpu = 0;
double perMs = 1;

// Milliseconds of processor time the whole process used so far.
double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void mark() {
  last = platform::ReadCounter();
  lastCpu = cpuMs();
}

void step(const char *name, bool ok) {
  const std::int64_t now = platform::ReadCounter();
  const double cpu = cpuMs();
  std::printf("%-14s %8.2f %8.2f%s\n", name, static_cast<double>(now - last) / perMs, cpu - lastCpu,
              ok ? "" : "  FAILED");
  last = now;
  lastCpu = cpu;
  if (!ok) {
    std::fprintf(stderr, "startup_steps: %s failed: %s\n", name,
                 errorMessage != nullptr ? errorMessage : "?");
    std::exit(1);
  }
}

} // namespace

int main() {
  perMs = static_cast<double>(platform::CounterFrequency()) / 1000.0;
  mark();
  const std::int64_t begin = last;

  // The steps of StartUp, one by one; the synth is prepared meanwhile.
  platform::PrepareMusicSynth();
  step("video", platform::RegisterWindowClass());
  int width = 0, height = 0;
  platform::DesktopSize(width, height);
  const bool window = platform::CreateGameWindow(width, height);
  platform::ShowGameWindow();
  step("window", window);
  step("renderer", platform::CreateDirectDraw());
  step("fullscreen", platform::SetCooperativeLevel() && platform::SetDisplayMode());
  step("surfaces", platform::CreatePrimarySurface() && platform::AttachBackBuffer());
  step("images", LoadAllImages());
  step("sound", InitSound());
  step("music", InitMusic());
  // The first title frame, its present apart: the first present also
  // brings the window's pixels into memory.
  void (*const flip)() = displayHooks.flip;
  displayHooks.flip = nullptr;
  runFrame();
  displayHooks.flip = flip;
  step("first-draw", true);
  Flip();
  step("first-present", true);
  std::printf("%-14s %8.2f\n", "to-first-frame", static_cast<double>(last - begin) / perMs);

  // The music step's parts again, on their own and without preparation:
  // synthesizer, SoundFont, composition (the files are in the page cache by
  // now).
  ReleaseMusic();
  mark();
  auto synth = platform::CreateMusicSynth();
  step("m.synth", synth != nullptr && synth->Configure());
  step("m.soundfont", synth->DownloadInstruments());
  synth.reset();
  mark();
  musicLoader = std::make_unique<music::MusicLoader>();
  musicComposer = std::make_unique<music::MusicComposer>();
  step("m.compose", ComposeMusic());
  ReleaseMusic();

  mark();
  ShutDown();
  platform::EndVideo();
  step("shutdown", true);
  return 0;
}
