#pragma once
// The headless replay: the game's own loop with a key script as its input
// and a clock for which the next frame is always due, so frames run back to
// back. Kept apart from main() so that tests run it in-process.

#include "shell/KeyScript.h"
#include "shell/Trace.h"

#include <cstdio>
#include <string>
#include <vector>

namespace ruzoz::replay {

struct Snapshot {
  long long frame;
  std::string path;
};

// Runs frames 0..frames-1 fed by the script (each event before the frame it
// names); stops early on Esc. Writes each frame's trace line (if `trace`;
// recording must have begun), then calls afterFrame (if set). Returns the
// number of frames run.
long long runReplay(long long frames, const std::vector<ScriptEvent> &events, std::FILE *trace,
                    AfterFrame afterFrame = nullptr, void *context = nullptr);

} // namespace ruzoz::replay
