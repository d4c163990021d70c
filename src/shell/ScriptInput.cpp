#include "shell/ScriptInput.h"

#include "shell/MainLoop.h"

#include <utility>

namespace ruzoz {

bool RecordingInput::TakeMessage(Message &message) {
  if (!inner_.TakeMessage(message))
    return false;
  replay::writeScriptLine(out_, framesRun, message);
  return true;
}

ScriptedInput::ScriptedInput(Input &inner, std::vector<replay::ScriptEvent> events)
    : inner_(inner), events_(std::move(events)),
      endFrame_((events_.empty() ? 0 : events_.back().frame) + tailFrames) {}

bool ScriptedInput::due() const {
  return next_ < events_.size() ? events_[next_].frame <= framesRun : framesRun >= endFrame_;
}

bool ScriptedInput::TakeMessage(Message &message) {
  if (due()) {
    message =
        next_ < events_.size() ? events_[next_++].message : Message{MessageKind::keyDown, vkEscape};
    return true;
  }
  return TakeEndingMessage(inner_, message);
}

void ScriptedInput::WaitForMessage(int milliseconds) {
  if (!due())
    inner_.WaitForMessage(milliseconds);
}

} // namespace ruzoz
