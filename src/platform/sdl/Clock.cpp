#include "platform/Events.h"

#include <SDL.h>

#include <chrono>
#include <thread>

namespace ruzoz::platform {

namespace {

// SDL's high-resolution counter, its milliseconds as the fallback.
class SdlClock final : public Clock {
public:
  std::uint64_t CounterFrequency() override { return SDL_GetPerformanceFrequency(); }
  std::int64_t ReadCounter() override {
    return static_cast<std::int64_t>(SDL_GetPerformanceCounter());
  }
  // 64 bits: no wrap to care about.
  std::int64_t ReadMilliseconds() override { return static_cast<std::int64_t>(SDL_GetTicks64()); }
  void Doze() override { std::this_thread::sleep_for(std::chrono::microseconds(100)); }
};

} // namespace

Clock &SystemClock() {
  static SdlClock clock;
  return clock;
}

} // namespace ruzoz::platform
