#pragma once
// The trace: one line per frame of what the game holds and asked for,
// written the same way by the replay tool and by the game's --trace.

#include "shell/Recorder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace ruzoz::replay {

std::uint64_t fnv1a(const void *data, std::size_t size, std::uint64_t hash = 0xcbf29ce484222325ull);

// Wraps the game's `video` and `sound` in recorders (which forward to them)
// until endRecording() puts them back. Call after start-up. Without
// `drawBlits` the back buffer is not drawn into: the trace does not depend
// on its pixels.
void beginRecording(bool drawBlits = true);
void endRecording();
// What the game asked for since the last frame's trace line.
const RecordingVideo &recordedVideo();
const RecordingSound &recordedSound();

// Writes the trace line of the frame that just ran.
void writeTraceLine(std::FILE *out, long long frame, bool titleFrame);

// Called after a frame's trace line, before what was recorded is forgotten.
using AfterFrame = void (*)(long long frame, void *context);

// Runs frame number `frame` and writes its trace line (if `trace`), then
// calls afterFrame (if set) and forgets what was recorded.
void runTracedFrame(long long frame, std::FILE *trace, AfterFrame afterFrame = nullptr,
                    void *context = nullptr);

} // namespace ruzoz::replay
