#include "shell/Replay.h"

#include "shell/MainLoop.h"
#include "shell/ScriptInput.h"

namespace ruzoz::replay {

namespace {

// No keyboard, no window: the script is all the input there is.
class NoMessages final : public Input {
public:
  bool TakeMessage(Message &) override { return false; }
  void WaitForMessage(int) override {}
};

// One tick a frame, and every read two ticks after the one before: the
// next frame is always due.
class AlwaysDue final : public Clock {
public:
  std::uint64_t CounterFrequency() override { return 60; }
  std::int64_t ReadCounter() override { return ticks_ += 2; }
  std::int64_t ReadMilliseconds() override { return ticks_ += 2; }
  void Doze() override {}

private:
  std::int64_t ticks_ = 0;
};

} // namespace

long long runReplay(long long frames, const std::vector<ScriptEvent> &events, std::FILE *trace,
                    AfterFrame afterFrame, void *context) {
  NoMessages none;
  ScriptedInput script(none, events, false);
  AlwaysDue clock;
  FramePacer pacer(script, clock, nullptr, trace, afterFrame, context);
  while (framesRun < frames && pacer.Step() == FramePacer::Result::frameRan) {
  }
  return framesRun;
}

} // namespace ruzoz::replay
