// Where start-up time goes: the steps of the game's start-up, in its order,
// each timed, then the first frame (generation, drawing, present) and the
// shutdown. Run in the data folder, on the display the game would use.
//
//   startup_steps      one start-up: per step its wall time and the process's
//                      processor time (milliseconds; the audio thread counts)

#include "audio/Sound.h"
#include "graphics/Display.h"
#include "platform/Audio.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "ports/Texts.h"
#include "screens/Screens.h"
#include "shell/StartUp.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

using namespace ruzoz;

namespace {

Clock &counter = platform::SystemClock();
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
  last = counter.ReadCounter();
  lastCpu = cpuMs();
}

void step(const char *name, bool ok) {
  const std::int64_t now = counter.ReadCounter();
  const double cpu = cpuMs();
  std::printf("%-17s %8.2f %8.2f%s\n", name, static_cast<double>(now - last) / perMs, cpu - lastCpu,
              ok ? "" : "  FAILED");
  last = now;
  lastCpu = cpu;
  if (!ok) {
    std::fprintf(stderr, "startup_steps: %s failed: %s\n", name,
                 errorMessage != nullptr ? errorMessage : "?");
    std::exit(1);
  }
}

// The screen with its flips held back, to time drawing and presenting apart.
class HeldFlips final : public Video {
public:
  explicit HeldFlips(Video &screen) : screen_(screen) {}
  bool LoadImage(const char *fileName, Surface &out) override {
    return screen_.LoadImage(fileName, out);
  }
  void ReleaseImage(Surface &surface) override { screen_.ReleaseImage(surface); }
  void SetColorKey(Surface &surface) override { screen_.SetColorKey(surface); }
  void Blit(const Surface &image, int x, int y, const SourceRect *cell, int glyph) override {
    screen_.Blit(image, x, y, cell, glyph);
  }
  void Flip() override {}

private:
  Video &screen_;
};

// Instruments that cost nothing: InitMusic then times reading and composing.
class SilentSynth final : public Synth {
public:
  bool Configure() override { return true; }
  bool DownloadInstruments() override { return true; }
  void NoteOn(int, int, int) override {}
  void NoteOff(int, int) override {}
  void ProgramChange(int, int) override {}
  void ControlChange(int, int, int) override {}
  void AllNotesOff() override {}
  void Render(float *out, int frames) override {
    for (int i = 0; i < frames * mixChannels; ++i)
      out[i] = 0;
  }
  int BlockFrames() const override { return 64; }
};

} // namespace

int main() {
  perMs = static_cast<double>(counter.CounterFrequency()) / 1000.0;
  mark();
  const std::int64_t begin = last;

  // The steps of StartUp, one by one; the synth is prepared meanwhile.
  platform::PrepareSynth();
  step("InitVideo", platform::InitVideo());
  int width = 0, height = 0;
  platform::DesktopSize(width, height);
  const bool window = platform::CreateGameWindow(width, height);
  platform::ShowGameWindow();
  step("CreateGameWindow", window);
  step("CreateRenderer", platform::CreateRenderer());
  step("EnterFullScreen", platform::EnterFullScreen());
  step("SetLogicalSize", platform::SetLogicalSize());
  step("CreateFront", platform::CreateFront());
  step("CreateBackBuffer", platform::CreateBackBuffer());
  step("LoadAllImages", LoadAllImages(platform::ScreenVideo()));
  step("InitSound", InitSound(platform::DeviceAudioOutput()));
  step("InitMusic", InitMusic(platform::TakeSynth(), platform::DeviceAudioOutput()));
  // The first title frame, its present apart: the first present also
  // brings the window's pixels into memory.
  HeldFlips held(*video);
  Video *const screen = video;
  video = &held;
  runFrame();
  video = screen;
  step("first-draw", true);
  Flip();
  step("first-present", true);
  std::printf("%-17s %8.2f\n", "to-first-frame", static_cast<double>(last - begin) / perMs);

  // The music step's parts again, on their own and without preparation:
  // synthesizer, SoundFont, reading and composing (the files are in the
  // page cache by now).
  ReleaseMusic();
  mark();
  auto synth = platform::TakeSynth();
  step("TakeSynth", synth != nullptr && synth->Configure());
  step("SoundFont", synth->DownloadInstruments());
  synth.reset();
  mark();
  step("InitMusic-silent",
       InitMusic(std::make_unique<SilentSynth>(), platform::DeviceAudioOutput()));
  ReleaseMusic();

  mark();
  ShutDown();
  platform::EndVideo();
  step("ShutDown", true);
  return 0;
}
