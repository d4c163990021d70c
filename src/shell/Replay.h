#pragma once
// Key scripts and traces, shared by the game (--record, --play, --trace) and
// the replay tool, so that both read and write them the same way. Kept apart
// from main() so that tests run them in-process.

#include "shell/Recorder.h"

#include "ports/Input.h"

#include <cstdint>
#include <cstdio>
#include <istream>
#include <string>
#include <vector>

namespace ruzoz::replay {

struct ScriptEvent {
  long long frame = 0;
  Message message;
};

// Reads a key script. On a malformed line returns false with a message
// naming the line. Events come back ordered by frame, file order kept.
bool parseScript(std::istream &in, std::vector<ScriptEvent> &events, std::string &error);
// Writes one event as a script line. A destroy message has no line of its
// own in a script: it is written as a comment.
void writeScriptLine(std::FILE *out, long long frame, const Message &message);

std::uint64_t fnv1a(const void *data, std::size_t size, std::uint64_t hash = 0xcbf29ce484222325ull);

// Wraps the game's `video` and `sound` in recorders (which forward to them)
// until endRecording() puts them back. Call after start-up.
void beginRecording();
void endRecording();
// What the game asked for since the last frame's trace line.
const RecordingVideo &recordedVideo();
const RecordingSound &recordedSound();

// Writes the trace line of the frame that just ran.
void writeTraceLine(std::FILE *out, long long frame, bool titleFrame);

// Runs frame number `frame` and writes its trace line (if `trace`), then
// calls afterFrame (if set) and forgets what was recorded.
void runTracedFrame(long long frame, std::FILE *trace,
                    void (*afterFrame)(long long frame, void *context) = nullptr,
                    void *context = nullptr);

struct Snapshot {
  long long frame;
  std::string path;
};

// Runs frames 0..frames-1 fed by the script; stops early on Esc. Calls
// afterFrame (if set) after each frame, then forgets what was recorded.
// Returns the number of frames run.
long long runReplay(long long frames, const std::vector<ScriptEvent> &events, std::FILE *trace,
                    void (*afterFrame)(long long frame, void *context) = nullptr,
                    void *context = nullptr);

} // namespace ruzoz::replay
