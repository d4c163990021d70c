// The game: start-up, the message loop with its frames, the end.

#include "platform/Events.h"
#include "platform/Window.h"
#include "shell/MainLoop.h"
#include "shell/StartUp.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace ruzoz;

// RUZOZ_FRAME_LOG=FILE writes the clock values of every frame's start and
// end (the first hour) to FILE at exit, for measuring the pacing.
constexpr int frameLogCapacity = 60 * 60 * 60;
std::int64_t frameStarts[frameLogCapacity];
std::int64_t frameEnds[frameLogCapacity];

void writeFrameLog(const char *path, const FrameLog &log, std::uint64_t ticksPerSecond) {
  std::FILE *out = std::fopen(path, "w");
  if (out == nullptr)
    return;
  std::fprintf(out, "ticks-per-second %" PRIu64 "\n", ticksPerSecond);
  for (int i = 0; i < log.count; ++i)
    std::fprintf(out, "%" PRId64 " %" PRId64 "\n", log.starts[i], log.ends[i]);
  std::fclose(out);
}

} // namespace

int main() {
  if (!StartUp()) {
    ShutDown();
    platform::EndVideo();
    return 1;
  }
  const char *frameLogPath = std::getenv("RUZOZ_FRAME_LOG");
  const bool logFrames = frameLogPath != nullptr && *frameLogPath != '\0';
  FrameLog log{frameStarts, frameEnds, frameLogCapacity};
  Clock &clock = platform::SystemClock();
  const int code = RunMainLoop(platform::EventInput(), clock, logFrames ? &log : nullptr);
  if (logFrames) {
    const std::uint64_t frequency = clock.CounterFrequency();
    writeFrameLog(frameLogPath, log, frequency != 0 ? frequency : 1000);
  }
  platform::EndVideo();
  return code;
}
