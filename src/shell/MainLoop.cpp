#include "shell/MainLoop.h"

#include "shell/WindowProc.h"

namespace ruzoz {

std::uint32_t TicksPerFrame(std::uint64_t frequency) {
  if (frequency == 0)
    return 16;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(frequency) / 60);
}

int SleepBudget(std::int64_t remaining, std::uint64_t ticksPerSecond) {
  if (remaining <= 0 || ticksPerSecond == 0)
    return 0;
  // A clock that jumped far ahead of us must not put the loop to sleep for
  // long; a second is plenty, the loop comes back and checks again.
  const auto perSecond = static_cast<std::int64_t>(ticksPerSecond);
  if (remaining > perSecond)
    remaining = perSecond;
  const std::int64_t milliseconds = remaining * 1000 / perSecond;
  return milliseconds > pollMarginMilliseconds
             ? static_cast<int>(milliseconds - pollMarginMilliseconds)
             : 0;
}

bool DozeBeforePoll(std::int64_t remaining, std::uint64_t ticksPerSecond) {
  const std::int64_t spinTicks =
      static_cast<std::int64_t>(ticksPerSecond) * spinMicroseconds / 1000000;
  return remaining > spinTicks;
}

int RunMainLoop(LoopHost &host) {
  bool useCounter = false;
  std::uint32_t ticksPerFrame = 16;
  std::int64_t nextFrameTime = 0;
  std::uint64_t ticksPerSecond = 1000;

  const std::uint64_t frequency = host.CounterFrequency();
  if (frequency != 0) {
    useCounter = true;
    ticksPerFrame = TicksPerFrame(frequency);
    ticksPerSecond = frequency;
    nextFrameTime = host.ReadCounter();
  } else {
    nextFrameTime = host.ReadMilliseconds();
  }

  while (!quitPosted) {
    if (host.TakeMessage())
      continue;
    const std::int64_t now = useCounter ? host.ReadCounter() : host.ReadMilliseconds();
    if (now <= nextFrameTime) {
      const std::int64_t remaining = nextFrameTime - now;
      const int sleep = SleepBudget(remaining, ticksPerSecond);
      if (sleep > 0)
        host.WaitForMessage(sleep);
      else if (DozeBeforePoll(remaining, ticksPerSecond))
        host.Doze();
      continue;
    }
    host.RunFrame(now);
    // From this frame's start, not from an ideal time line: a late frame is
    // not made up.
    nextFrameTime = now + ticksPerFrame;
  }
  return quitCode;
}

} // namespace ruzoz
