#include "platform/Clock.h"

#include <SDL.h>

namespace ruzoz::platform {

std::uint64_t CounterFrequency() { return SDL_GetPerformanceFrequency(); }

std::int64_t ReadCounter() { return static_cast<std::int64_t>(SDL_GetPerformanceCounter()); }

std::int64_t ReadMilliseconds() { return static_cast<std::int64_t>(SDL_GetTicks64()); }

} // namespace ruzoz::platform
