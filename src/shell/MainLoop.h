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
  // A pause of about a tenth of a millisecond between two polls.
  virtual void Doze() = 0;
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

// Waiting for events stops this long before a frame is due, since a wait
// can overshoot by up to 2 ms. The rest is polled: with a doze between two
// polls while more than spinMicroseconds are left (a doze overshoots by
// about 0.1 ms), back to back after that.
constexpr int pollMarginMilliseconds = 2;
constexpr int spinMicroseconds = 500;

// Whole milliseconds the loop may wait for events when `remaining` ticks are
// left before the next frame; 0 means poll.
int SleepBudget(std::int64_t remaining, std::uint64_t ticksPerSecond);
// Whether to doze between two polls with `remaining` ticks left.
bool DozeBeforePoll(std::int64_t remaining, std::uint64_t ticksPerSecond);

// Runs until the quit message is posted; returns its code.
int RunMainLoop(LoopHost &host);

} // namespace ruzoz
