#pragma once
// The message loop with its 60 Hz frame pacing: every waiting message goes
// to WindowProc first; a frame runs once the clock is strictly past the next
// frame time, which is this frame's start plus one frame. No catch-up.

#include "ports/Input.h"

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

// Frames the running loop has run so far: the frame numbers of key scripts
// count them (a message handled with framesRun F is "F down VK").
extern long long framesRun;

// Runs until the quit message is posted; returns its code. With `trace`,
// every frame writes its trace line there (recording must have begun).
int RunMainLoop(Input &input, Clock &clock, FrameLog *log = nullptr, std::FILE *trace = nullptr);

} // namespace ruzoz
