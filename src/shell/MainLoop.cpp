#include "shell/MainLoop.h"

#include "shell/WindowProc.h"

namespace ruzoz {

namespace {

// Waiting for messages stops this long before a frame is due, since a wait
// can overshoot by up to 2 ms. The rest is polled: with a doze between two
// polls while more than spinMicroseconds are left (a doze overshoots by
// about 0.1 ms), back to back after that.
constexpr int pollMarginMilliseconds = 2;
constexpr int spinMicroseconds = 500;

// Whole milliseconds the loop may wait with `remaining` ticks left; 0: poll.
int sleepBudget(std::int64_t remaining, std::uint64_t ticksPerSecond) {
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

bool dozeBeforePoll(std::int64_t remaining, std::uint64_t ticksPerSecond) {
  const std::int64_t spinTicks =
      static_cast<std::int64_t>(ticksPerSecond) * spinMicroseconds / 1000000;
  return remaining > spinTicks;
}

} // namespace

long long framesRun = 0;

std::uint32_t TicksPerFrame(std::uint64_t frequency) {
  if (frequency == 0)
    return 16;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(frequency) / 60);
}

FramePacer::FramePacer(Input &input, Clock &clock, FrameLog *log, std::FILE *trace,
                       replay::AfterFrame afterFrame, void *context)
    : input_(input), clock_(clock), log_(log), trace_(trace), afterFrame_(afterFrame),
      context_(context) {
  framesRun = 0;
  const std::uint64_t frequency = clock.CounterFrequency();
  useCounter_ = frequency != 0;
  ticksPerFrame_ = TicksPerFrame(frequency);
  ticksPerSecond_ = useCounter_ ? frequency : 1000;
  nextFrameTime_ = read();
}

std::int64_t FramePacer::read() {
  return useCounter_ ? clock_.ReadCounter() : clock_.ReadMilliseconds();
}

FramePacer::Result FramePacer::Step() {
  Message message;
  while (!quitPosted) {
    if (input_.TakeMessage(message)) {
      WindowProc(message);
      continue;
    }
    const std::int64_t now = read();
    if (now <= nextFrameTime_) {
      remaining_ = nextFrameTime_ - now;
      return Result::waiting;
    }
    replay::runTracedFrame(framesRun, trace_, afterFrame_, context_);
    ++framesRun;
    // Recording is a store into a fixed table; no decision depends on it.
    if (log_ != nullptr && log_->count < log_->capacity) {
      log_->starts[log_->count] = now;
      log_->ends[log_->count++] = read();
    }
    // From this frame's start, not from an ideal time line: a late frame is
    // not made up.
    nextFrameTime_ = now + ticksPerFrame_;
    return Result::frameRan;
  }
  return Result::quit;
}

int RunMainLoop(Input &input, Clock &clock, FrameLog *log, std::FILE *trace) {
  FramePacer pacer(input, clock, log, trace);
  for (;;) {
    switch (pacer.Step()) {
    case FramePacer::Result::quit:
      return quitCode;
    case FramePacer::Result::frameRan:
      break;
    case FramePacer::Result::waiting: {
      const int sleep = sleepBudget(pacer.Remaining(), pacer.TicksPerSecond());
      if (sleep > 0)
        input.WaitForMessage(sleep);
      else if (dozeBeforePoll(pacer.Remaining(), pacer.TicksPerSecond()))
        clock.Doze();
      break;
    }
    }
  }
}

} // namespace ruzoz
