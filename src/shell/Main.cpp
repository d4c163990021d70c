// The game: start-up, the message loop with its frames, the end.

#include "platform/Clock.h"
#include "platform/Events.h"
#include "platform/Window.h"
#include "screens/Screens.h"
#include "shell/MainLoop.h"
#include "shell/StartUp.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using namespace ruzoz;

// RUZOZ_FRAME_LOG=FILE writes the clock values of every frame's start and
// end (the first hour) to FILE at exit, for measuring the pacing. Recording
// is a store into a fixed table; the loop's decisions do not see it.
constexpr int frameLogCapacity = 60 * 60 * 60;
std::int64_t frameStarts[frameLogCapacity];
std::int64_t frameEnds[frameLogCapacity];
int frameCount = 0;

class GameLoop final : public LoopHost {
public:
  explicit GameLoop(bool logFrames) : logFrames_(logFrames) {}

  bool TakeMessage() override { return platform::TakeEvent(); }
  void WaitForMessage(int milliseconds) override { platform::WaitForEvent(milliseconds); }
  void Doze() override { std::this_thread::sleep_for(std::chrono::microseconds(100)); }
  std::uint64_t CounterFrequency() override {
    frequency_ = platform::CounterFrequency();
    return frequency_;
  }
  std::int64_t ReadCounter() override { return platform::ReadCounter(); }
  std::int64_t ReadMilliseconds() override { return platform::ReadMilliseconds(); }
  void RunFrame(std::int64_t frameStart) override {
    runFrame();
    if (logFrames_ && frameCount < frameLogCapacity) {
      frameStarts[frameCount] = frameStart;
      frameEnds[frameCount++] = frequency_ != 0 ? ReadCounter() : ReadMilliseconds();
    }
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
  for (int i = 0; i < frameCount; ++i)
    std::fprintf(out, "%" PRId64 " %" PRId64 "\n", frameStarts[i], frameEnds[i]);
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
