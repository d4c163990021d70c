// The main loop's pacing against a fake clock and a fake event queue.

#include "shell/MainLoop.h"
#include "shell/WindowProc.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

using namespace ruzoz;

namespace {

constexpr std::int64_t ms = 1'000'000; // in nanoseconds

// Time is kept in nanoseconds and shown to the loop in counter ticks or in
// milliseconds. Reads, waits and frames move it on as configured.
class FakeHost final : public LoopHost {
public:
  std::uint64_t frequency = 10'000'000;
  std::int64_t time = 5 * ms;
  std::int64_t readCost = 1'000;
  std::int64_t messageCost = 1'000;
  std::int64_t waitOvershoot = 0;
  std::function<std::int64_t(int frame)> frameCost = [](int) { return std::int64_t{1} * ms; };
  int maxFrames = 10;

  struct Event {
    std::int64_t at;
    bool quit;
  };
  std::deque<Event> events;

  std::vector<std::int64_t> frameStarts; // as the loop passed them
  std::vector<std::int64_t> frameTimes;  // true time of each frame start
  std::vector<std::string> log;
  int counterReads = 0;
  int millisecondReads = 0;
  int readsSinceFrame = 0;
  int mostReadsBetweenFrames = 0;
  struct Wait {
    std::int64_t at;
    int milliseconds;
  };
  std::vector<Wait> waits;
  int dozes = 0;

  bool TakeMessage() override {
    if (events.empty() || events.front().at > time)
      return false;
    const Event e = events.front();
    events.pop_front();
    time += messageCost;
    log.push_back(e.quit ? "quit" : "message");
    if (e.quit)
      PostQuitMessage(0);
    return true;
  }
  void WaitForMessage(int milliseconds) override {
    waits.push_back({time, milliseconds});
    std::int64_t until = time + milliseconds * ms + waitOvershoot;
    if (!events.empty() && events.front().at < until)
      until = std::max(time, events.front().at);
    time = until;
  }
  void Doze() override {
    ++dozes;
    time += ms / 10;
  }
  std::uint64_t CounterFrequency() override { return frequency; }
  std::int64_t ReadCounter() override {
    ++counterReads;
    return read() * static_cast<std::int64_t>(frequency) / 1'000'000'000;
  }
  std::int64_t ReadMilliseconds() override {
    ++millisecondReads;
    return read() / ms;
  }
  void RunFrame(std::int64_t frameStart) override {
    mostReadsBetweenFrames = std::max(mostReadsBetweenFrames, readsSinceFrame);
    readsSinceFrame = 0;
    frameStarts.push_back(frameStart);
    frameTimes.push_back(time);
    log.push_back("frame");
    time += frameCost(static_cast<int>(frameStarts.size()) - 1);
    if (static_cast<int>(frameStarts.size()) >= maxFrames)
      PostQuitMessage(0);
  }

private:
  std::int64_t read() {
    ++readsSinceFrame;
    const std::int64_t value = time;
    time += readCost;
    return value;
  }
};

class Pacing : public testing::Test {
protected:
  void SetUp() override {
    quitPosted = false;
    quitCode = 0;
  }
  void TearDown() override { quitPosted = false; }
  FakeHost host;
};

TEST(TicksPerFrame, IsTheFrequencyOverSixtyTruncatedToItsLow32Bits) {
  EXPECT_EQ(TicksPerFrame(3'579'545), 59'659u);
  EXPECT_EQ(TicksPerFrame(10'000'000), 166'666u);
  EXPECT_EQ(TicksPerFrame(1'000'000'000), 16'666'666u);
  EXPECT_EQ(TicksPerFrame(0), 16u);
  EXPECT_EQ(TicksPerFrame(60 * ((std::uint64_t{1} << 32) + 5)), 5u);
}

TEST(SleepBudget, StopsTwoMillisecondsShortAndNeverLongerThanASecond) {
  EXPECT_EQ(SleepBudget(166'666, 10'000'000), 14);
  EXPECT_EQ(SleepBudget(30'000, 10'000'000), 1);
  EXPECT_EQ(SleepBudget(29'999, 10'000'000), 0);
  EXPECT_EQ(SleepBudget(0, 10'000'000), 0);
  EXPECT_EQ(SleepBudget(-5, 10'000'000), 0);
  EXPECT_EQ(SleepBudget(std::int64_t{1} << 62, 10'000'000), 998);
  EXPECT_EQ(SleepBudget(16, 1000), 14);
  EXPECT_EQ(SleepBudget(2, 1000), 0);
}

TEST(DozeBeforePoll, OnlyWhileMoreThanHalfAMillisecondIsLeft) {
  EXPECT_TRUE(DozeBeforePoll(5'001, 10'000'000));
  EXPECT_FALSE(DozeBeforePoll(5'000, 10'000'000));
  EXPECT_FALSE(DozeBeforePoll(1, 10'000'000));
  EXPECT_TRUE(DozeBeforePoll(1, 1000)); // the millisecond clock has no finer steps
  EXPECT_FALSE(DozeBeforePoll(0, 1000));
}

TEST_F(Pacing, AFrameStartsOnlyWhenTheClockIsStrictlyPastTheFrameTime) {
  host.frequency = 1'000'000'000; // one tick a nanosecond
  host.readCost = 1;
  host.frameCost = [](int) { return 5 * ms; };
  host.maxFrames = 5;
  EXPECT_EQ(RunMainLoop(host), 0);
  const std::int64_t ticksPerFrame = TicksPerFrame(host.frequency);
  ASSERT_EQ(host.frameStarts.size(), 5u);
  // The first read after the start-up value is already past it.
  EXPECT_EQ(host.frameStarts[0], 5 * ms + 1);
  // Measured from the previous start, not its end: the first value strictly
  // greater than start + ticksPerFrame.
  for (std::size_t i = 1; i < host.frameStarts.size(); ++i)
    EXPECT_EQ(host.frameStarts[i] - host.frameStarts[i - 1], ticksPerFrame + 1) << "frame " << i;
}

TEST_F(Pacing, AllWaitingMessagesAreHandledBeforeAFrame) {
  host.maxFrames = 2;
  for (int i = 0; i < 4; ++i)
    host.events.push_back({0, false});
  RunMainLoop(host);
  const std::vector<std::string> expected = {"message", "message", "message",
                                             "message", "frame",   "frame"};
  EXPECT_EQ(host.log, expected);
}

TEST_F(Pacing, MessagesThatKeepComingDelayTheFrameWithoutCatchUp) {
  host.maxFrames = 4;
  // After the first frame the queue is never empty from 10 ms to 60 ms.
  for (std::int64_t t = 10 * ms; t <= 60 * ms; t += host.messageCost)
    host.events.push_back({t, false});
  RunMainLoop(host);
  ASSERT_EQ(host.frameTimes.size(), 4u);
  EXPECT_GT(host.frameTimes[1], 60 * ms);
  const std::int64_t ticks = TicksPerFrame(host.frequency);
  EXPECT_GT(host.frameStarts[2] - host.frameStarts[1], ticks);
  EXPECT_GT(host.frameStarts[3] - host.frameStarts[2], ticks);
}

TEST_F(Pacing, ALongFrameIsFollowedAtOnceButNotMadeUp) {
  host.maxFrames = 6;
  host.frameCost = [](int frame) { return frame == 1 ? 100 * ms : ms; };
  RunMainLoop(host);
  ASSERT_EQ(host.frameTimes.size(), 6u);
  const std::int64_t period = 1'000'000'000 / 60;
  // Frame 2 follows the 100 ms frame straight away...
  EXPECT_LT(host.frameTimes[2] - host.frameTimes[1], 100 * ms + ms / 10);
  // ...and every later frame keeps the full spacing again.
  for (int i = 3; i < 6; ++i) {
    EXPECT_GT(host.frameTimes[i] - host.frameTimes[i - 1], period) << "frame " << i;
    EXPECT_LT(host.frameTimes[i] - host.frameTimes[i - 1], period + ms / 10) << "frame " << i;
  }
}

TEST_F(Pacing, TheQuitMessageEndsTheLoopBeforeAnotherFrame) {
  host.maxFrames = 100;
  host.events.push_back({30 * ms, false});
  host.events.push_back({30 * ms, true});
  host.events.push_back({30 * ms, false});
  quitCode = 7;
  EXPECT_EQ(RunMainLoop(host), 0); // the code PostQuitMessage was given
  ASSERT_FALSE(host.log.empty());
  EXPECT_EQ(host.log.back(), "quit");
  EXPECT_EQ(host.events.size(), 1u);
  EXPECT_LT(host.frameTimes.back(), 30 * ms);
}

TEST_F(Pacing, WithoutACounterTheMillisecondClockGivesSeventeenMillisecondFrames) {
  host.frequency = 0;
  host.maxFrames = 6;
  RunMainLoop(host);
  EXPECT_EQ(host.counterReads, 0);
  EXPECT_GT(host.millisecondReads, 0);
  ASSERT_EQ(host.frameStarts.size(), 6u);
  for (std::size_t i = 1; i < host.frameStarts.size(); ++i)
    EXPECT_EQ(host.frameStarts[i] - host.frameStarts[i - 1], 17) << "frame " << i;
}

TEST_F(Pacing, WaitsForEventsUntilTwoMillisecondsBeforeTheFrameThenPolls) {
  host.maxFrames = 20;
  host.readCost = 10'000; // 10 us a pass
  RunMainLoop(host);
  ASSERT_EQ(host.frameTimes.size(), 20u);
  ASSERT_FALSE(host.waits.empty());
  const std::int64_t period = 1'000'000'000 / 60;
  for (const FakeHost::Wait &w : host.waits) {
    // The frame this wait is for is the first that starts after it.
    std::int64_t due = 0;
    for (std::int64_t t : host.frameTimes)
      if (t > w.at) {
        due = t;
        break;
      }
    ASSERT_NE(due, 0);
    EXPECT_LE(w.at + w.milliseconds * ms, due - 2 * ms + ms / 10);
  }
  EXPECT_GT(host.dozes, 0);
  // A loop that only spun would make about 1,700 passes a frame.
  EXPECT_LT(host.mostReadsBetweenFrames, 80);
  for (std::size_t i = 1; i < host.frameTimes.size(); ++i) {
    EXPECT_GT(host.frameTimes[i] - host.frameTimes[i - 1], period);
    EXPECT_LT(host.frameTimes[i] - host.frameTimes[i - 1], period + 20'000);
  }
}

TEST_F(Pacing, AWaitCutShortByAMessageStillStartsTheFrameOnTime) {
  host.maxFrames = 3;
  host.events.push_back({20 * ms, false});
  host.events.push_back({25 * ms, false});
  RunMainLoop(host);
  ASSERT_EQ(host.frameTimes.size(), 3u);
  EXPECT_EQ(host.log[1], "message");
  EXPECT_EQ(host.log[2], "frame");
  const std::int64_t period = 1'000'000'000 / 60;
  EXPECT_LT(host.frameTimes[1] - host.frameTimes[0], period + 20'000);
  EXPECT_LT(host.frameTimes[2] - host.frameTimes[1], period + 20'000);
}

} // namespace
