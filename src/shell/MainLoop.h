#pragma once
// The message loop with its 60 Hz frame pacing: every waiting message goes
// to WindowProc first; a frame runs once the clock is strictly past the next
// frame time, which is this frame's start plus one frame. No catch-up.

#include "ports/Input.h"
#include "shell/Trace.h"

#include <cstdint>
#include <cstdio>

namespace ruzoz {

// Clock ticks from one frame start to the next: frequency / 60 (low 32 bits
// kept), or 16 for the millisecond clock (frequency 0).
std::uint32_t TicksPerFrame(std::uint64_t frequency);

// Records each frame's start and end clock values, when given to the loop.
struct FrameLog {
  std::int64_t *starts;
  std::int64_t *ends;
  int capacity;
  int count = 0;
};

// One pass of the loop, for hosts that call the game back instead of
// letting it spin (a browser's display refreshes): Step() hands every
// waiting message to WindowProc, then runs one frame if it is due.
class FramePacer {
public:
  enum class Result { quit, frameRan, waiting };

  // Counts framesRun from 0. With `trace`, every frame writes its trace line
  // there (recording must have begun); then `afterFrame` is called, if set.
  FramePacer(Input &input, Clock &clock, FrameLog *log = nullptr, std::FILE *trace = nullptr,
             replay::AfterFrame afterFrame = nullptr, void *context = nullptr);
  Result Step();
  // Ticks until the next frame may run, after a step that waited.
  std::int64_t Remaining() const { return remaining_; }
  // Of the clock in use: the counter's frequency or 1000.
  std::uint64_t TicksPerSecond() const { return ticksPerSecond_; }

private:
  std::int64_t read();

  Input &input_;
  Clock &clock_;
  FrameLog *log_;
  std::FILE *trace_;
  replay::AfterFrame afterFrame_;
  void *context_;
  bool useCounter_;
  std::uint32_t ticksPerFrame_;
  std::uint64_t ticksPerSecond_;
  std::int64_t nextFrameTime_;
  std::int64_t remaining_ = 0;
};

// Frames the running loop has run so far: the frame numbers of key scripts
// count them (a message handled with framesRun F is "F down VK").
extern long long framesRun;

// Runs until the quit message is posted; returns its code.
int RunMainLoop(Input &input, Clock &clock, FrameLog *log = nullptr, std::FILE *trace = nullptr);

} // namespace ruzoz
