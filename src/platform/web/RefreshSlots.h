#pragma once
// The page's frame clock, locked to the display's refreshes. A refresh
// reads the number of 1/60 s slots since the first refresh (rounded to the
// nearest, so the refresh times' jitter never moves a 60 Hz refresh out of
// its slot), in ticksPerSlot ticks each. The clock claims one tick a second
// per slot fewer than that, so the main loop's frame time (frequency / 60)
// is ticksPerSlot - 1: a refresh in a new slot is past the next frame time,
// a second refresh in the same slot is not. Hence one frame per slot at
// most, one per refresh at most, 60 a second on any display of 60 Hz and
// more, a frame at each refresh of a slower one, and after a stall one
// frame, not the missed ones.

#include <cstdint>

namespace ruzoz::web {

class RefreshSlots {
public:
  // 1000 makes a tick 1/60000 s, so the claimed frequency is off by only
  // 17 parts per million and milliseconds are ticks / 60.
  static constexpr std::int64_t ticksPerSlot = 1000;
  static constexpr std::uint64_t frequency = 60 * ticksPerSlot - 1;

  // The clock's reading at the refresh at `microseconds`; the first call
  // sets the origin, an earlier time reads as the origin.
  std::int64_t Ticks(std::int64_t microseconds) {
    if (!started_) {
      first_ = microseconds;
      started_ = true;
    }
    const std::int64_t since = microseconds > first_ ? microseconds - first_ : 0;
    return (since * 60 + 500000) / 1000000 * ticksPerSlot;
  }

private:
  bool started_ = false;
  std::int64_t first_ = 0;
};

} // namespace ruzoz::web
