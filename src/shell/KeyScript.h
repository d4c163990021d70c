#pragma once
// Key scripts: the messages of a game, each with the number of frames run
// before it. Read by the replay tool and --play, written by --record.

#include "ports/Input.h"

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

} // namespace ruzoz::replay
