#pragma once
// Key scripts in the window: the messages the loop hands to WindowProc
// written down as a script (--record), or a script's messages instead of the
// keyboard's (--play). Frames are counted by framesRun, as the replay tool
// counts them, so that either program replays the other's scripts.

#include "ports/Input.h"
#include "shell/KeyScript.h"

#include <cstdio>
#include <vector>

namespace ruzoz {

// Every message of `inner` goes on unchanged and is written to `out` as a
// script line of the frame it comes before.
class RecordingInput final : public Input {
public:
  RecordingInput(Input &inner, std::FILE *out) : inner_(inner), out_(out) {}
  bool TakeMessage(Message &message) override;
  void WaitForMessage(int milliseconds) override { inner_.WaitForMessage(milliseconds); }

private:
  Input &inner_;
  std::FILE *out_;
};

// The script's messages, each once the frames before it have run. Of
// `inner`'s messages only Esc and the window's closing get through; the rest
// are taken and dropped (the platform still switches the display on
// Alt+Enter). With `escAtEnd`, two seconds after the script's last frame an
// Esc ends the game (--play); without, the script just runs out (the
// replay). `events` must outlive the input: nothing is copied.
class ScriptedInput final : public Input {
public:
  static constexpr long long tailFrames = 120;

  ScriptedInput(Input &inner, const std::vector<replay::ScriptEvent> &events, bool escAtEnd = true);
  bool TakeMessage(Message &message) override;
  void WaitForMessage(int milliseconds) override;

private:
  bool due() const;

  Input &inner_;
  const std::vector<replay::ScriptEvent> &events_;
  std::size_t next_ = 0;
  long long endFrame_; // -1: no Esc at the end
};

} // namespace ruzoz
