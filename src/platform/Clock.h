#pragma once
// The frame clock: SDL's high-resolution counter, milliseconds as fallback.

#include <cstdint>

namespace ruzoz::platform {

// Counter ticks per second; 0 when there is no counter.
std::uint64_t CounterFrequency();
std::int64_t ReadCounter();
// Milliseconds since SDL started, 64 bits: no wrap to care about.
std::int64_t ReadMilliseconds();

} // namespace ruzoz::platform
