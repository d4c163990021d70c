#pragma once
// The message loop with its 60 Hz frame pacing, apart from any platform:
// events, clocks and the frame come from a LoopHost.

#include <cstdint>

namespace ruzoz {

class LoopHost {
public:
  virtual ~LoopHost() = default;
  // Takes the next waiting event, if any, and hands it to WindowProc.
  virtual bool TakeMessage() = 0;
  // Returns when an event waits or the time is up; leaves the event queued.
  virtual void WaitForMessage(int milliseconds) = 0;
  // Ticks per second of the high-resolution counter; 0 when there is none.
  virtual std::uint64_t CounterFrequency() = 0;
  virtual std::int64_t ReadCounter() = 0;
  virtual std::int64_t ReadMilliseconds() = 0;
  // One frame; frameStart is the clock value that let it run.
  virtual void RunFrame(std::int64_t frameStart) = 0;
};

// Clock ticks from one frame start to the next: frequency / 60 (low 32 bits
// kept), or 16 for the millisecond clock (frequency 0).
std::uint32_t TicksPerFrame(std::uint64_t frequency);

// Sleeping stops this long before a frame is due; the rest is polled, since
// short sleeps overshoot by up to 2 ms.
constexpr int pollMarginMilliseconds = 2;

// Whole milliseconds the loop may sleep when `remaining` ticks are left
// before the next frame; 0 means poll.
int SleepBudget(std::int64_t remaining, std::uint64_t ticksPerSecond);

// Runs until the quit message is posted; returns its code.
int RunMainLoop(LoopHost &host);

} // namespace ruzoz
