// The game: start-up, the message loop with its frames, the end.

#include "platform/Clock.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "screens/Screens.h"
#include "shell/MainLoop.h"
#include "shell/StartUp.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace ruzoz;

// RUZOZ_FRAME_LOG=FILE writes the clock value of every frame start (the
// first hour) to FILE at the end, for measuring the pacing. Recording is a
// store into a fixed table, so it changes nothing about the timing.
constexpr int frameLogCapacity = 60 * 60 * 60;
std::int64_t frameStarts[frameLogCapacity];
int frameStartCount = 0;

class GameLoop final : public LoopHost {
public:
  explicit GameLoop(bool logFrames) : logFrames_(logFrames) {}

  bool TakeMessage() override { return platform::TakeEvent(); }
  void WaitForMessage(int milliseconds) override { platform::WaitForEvent(milliseconds); }
  std::uint64_t CounterFrequency() override {
    frequency_ = platform::CounterFrequency();
    return frequency_;
  }
  std::int64_t ReadCounter() override { return platform::ReadCounter(); }
  std::int64_t ReadMilliseconds() override { return platform::ReadMilliseconds(); }
  void RunFrame(std::int64_t frameStart) override {
    if (logFrames_ && frameStartCount < frameLogCapacity)
      frameStarts[frameStartCount++] = frameStart;
    runFrame();
  }

  std::uint64_t ticksPerSecond() const { return frequency_ != 0 ? frequency_ : 1000; }

private:
  bool logFrames_;
  std::uint64_t frequency_ = 0;
};

void writeFrameLog(const char *path, std::uint64_t ticksPerSecond) {
  std::FILE *out = std::fopen(path, "w");
  if (out == nullptr)
    return;
  std::fprintf(out, "ticks-per-second %" PRIu64 "\n", ticksPerSecond);
  for (int i = 0; i < frameStartCount; ++i)
    std::fprintf(out, "%" PRId64 "\n", frameStarts[i]);
  std::fclose(out);
}

} // namespace

int main() {
  if (!StartUp()) {
    ShutDown();
    platform::EndVideo();
    return 1;
  }
  const char *frameLog = std::getenv("RUZOZ_FRAME_LOG");
  GameLoop loop(frameLog != nullptr && *frameLog != '\0');
  const int code = RunMainLoop(loop);
  if (frameLog != nullptr && *frameLog != '\0')
    writeFrameLog(frameLog, loop.ticksPerSecond());
  platform::EndVideo();
  return code;
}
