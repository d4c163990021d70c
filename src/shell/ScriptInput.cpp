#include "shell/ScriptInput.h"

#include "shell/MainLoop.h"

namespace ruzoz {

bool RecordingInput::TakeMessage(Message &message) {
  if (!inner_.TakeMessage(message))
    return false;
  replay::writeScriptLine(out_, framesRun, message);
  return true;
}

ScriptedInput::ScriptedInput(Input &inner, const std::vector<replay::ScriptEvent> &events,
                             bool escAtEnd)
    : inner_(inner), events_(events),
      endFrame_(escAtEnd ? (events.empty() ? 0 : events.back().frame) + tailFrames : -1) {}

bool ScriptedInput::due() const {
  if (next_ < events_.size())
    return events_[next_].frame <= framesRun;
  return endFrame_ >= 0 && framesRun >= endFrame_;
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
