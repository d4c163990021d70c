// The main loop's pacing against a fake clock and message queue. The fake
// screen sees each frame's one flip.

#include "game/World.h"
#include "graphics/Display.h"
#include "shell/MainLoop.h"
#include "shell/WindowProc.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

using namespace ruzoz;

namespace {

constexpr std::int64_t ticksPerFrame = 59'659; // of the 3,579,545 Hz counter

// Time runs in ticks of the counter (of a 1 MHz clock behind the
// millisecond reads when there is no counter); reads, waits and frames move
// it on as configured.
class FakeHost final : public Input, public Clock, public Video {
public:
  std::uint64_t frequency = 3'579'545;
  std::int64_t time = 1000, readCost = 1, frameCost = ms(1), waitOvershoot = 0;
  int longFrame = -1; // this one takes 100 ms
  int maxFrames = 10;
  std::deque<std::pair<std::int64_t, MessageKind>> messages; // when, what
  std::vector<std::string> log;
  std::vector<std::int64_t> frameTimes; // true time of each flip
  int counterReads = 0, readsSinceFrame = 0, mostReadsBetweenFrames = 0, waits = 0;

  std::int64_t ms(double milliseconds) const {
    const double base = frequency != 0 ? static_cast<double>(frequency) : 1e6;
    return static_cast<std::int64_t>(milliseconds * base / 1000);
  }

  bool TakeMessage(Message &message) override {
    if (messages.empty() || messages.front().first > time)
      return false;
    message = Message{messages.front().second, 0};
    messages.pop_front();
    log.push_back(message.kind == MessageKind::destroy ? "destroy" : "message");
    time += readCost;
    return true;
  }
  void WaitForMessage(int milliseconds) override {
    ++waits;
    const std::int64_t until = time + ms(milliseconds) + waitOvershoot;
    time = messages.empty() ? until : std::max(time, std::min(until, messages.front().first));
  }
  std::uint64_t CounterFrequency() override { return frequency; }
  std::int64_t ReadCounter() override { return ++counterReads, read(); }
  std::int64_t ReadMilliseconds() override { return read() / 1000; }
  void Doze() override { time += ms(0.1); }

  bool LoadImage(const char *, Surface &) override { return false; }
  void ReleaseImage(Surface &) override {}
  void SetColorKey(Surface &) override {}
  void Blit(const Surface &, int, int, const SourceRect *, int) override {}
  void Flip() override {
    mostReadsBetweenFrames = std::max(mostReadsBetweenFrames, readsSinceFrame);
    readsSinceFrame = 0;
    log.push_back("frame");
    frameTimes.push_back(time);
    time += static_cast<int>(frameTimes.size()) - 1 == longFrame ? ms(100) : frameCost;
    if (static_cast<int>(frameTimes.size()) == maxFrames)
      PostQuitMessage(0);
  }

private:
  std::int64_t read() {
    ++readsSinceFrame;
    time += readCost;
    return time - readCost;
  }
};

class Pacing : public testing::Test {
protected:
  void SetUp() override {
    resetAll();
    InstallNominalSurfaces(&host);
    quitPosted = false;
  }
  void TearDown() override {
    InstallNominalSurfaces(nullptr);
    quitPosted = false;
  }
  int run() { return RunMainLoop(host, host, &log); }
  std::int64_t spacing(int frame) const { return starts[frame] - starts[frame - 1]; }
  // One frame apart (plus the few reads of the one poll that sees it due).
  void expectOnTime(std::size_t from, std::size_t skip = 0) const {
    for (std::size_t i = from; i < host.frameTimes.size(); ++i) {
      const std::int64_t gap = host.frameTimes[i] - host.frameTimes[i - 1];
      EXPECT_TRUE(i == skip || (gap > ticksPerFrame && gap < ticksPerFrame + host.ms(0.2)))
          << "frame " << i << ": " << gap;
    }
  }

  FakeHost host;
  std::int64_t starts[64] = {}, ends[64] = {};
  FrameLog log{starts, ends, 64};
};

TEST(TicksPerFrame, IsTheFrequencyOverSixtyInItsLow32Bits) {
  const std::pair<std::uint64_t, std::uint32_t> cases[] = {
      {3'579'545, 59'659}, {1'000'000'000, 16'666'666}, {0, 16}, {60 * ((1ull << 32) + 5), 5}};
  for (const auto &[frequency, ticks] : cases)
    EXPECT_EQ(TicksPerFrame(frequency), ticks) << frequency;
}

TEST_F(Pacing, AFrameStartsAtTheFirstReadStrictlyPastThisFramesStartPlusOneFrame) {
  host.frameCost = host.ms(5);
  log.capacity = 4;
  EXPECT_EQ(run(), 0);
  ASSERT_EQ(host.frameTimes.size(), 10u);
  ASSERT_EQ(log.count, 4) << "the log stops at its capacity";
  EXPECT_EQ(starts[0], 1001) << "the first read after the start-up value is past it";
  for (int i = 1; i < 4; ++i)
    EXPECT_EQ(spacing(i), ticksPerFrame + 1) << "frame " << i;
  // The end is the read after the frame.
  EXPECT_EQ(ends[0], starts[0] + host.readCost + host.frameCost);
}

TEST_F(Pacing, WaitingMessagesComeFirstAndDelayTheFrameWithoutCatchUp) {
  host.maxFrames = 4;
  for (int i = 0; i < 4; ++i)
    host.messages.push_back({0, MessageKind::other});
  // After the first frame the queue is never empty from 10 ms to 60 ms.
  for (std::int64_t t = host.ms(10); t <= host.ms(60); t += host.readCost)
    host.messages.push_back({t, MessageKind::other});
  run();
  const std::vector<std::string> first(host.log.begin(), host.log.begin() + 5);
  EXPECT_EQ(first, (std::vector<std::string>{"message", "message", "message", "message", "frame"}));
  EXPECT_GT(host.frameTimes[1], host.ms(60));
  expectOnTime(2);
}

TEST_F(Pacing, TheDestroyMessageEndsTheLoopBeforeAnotherFrame) {
  host.maxFrames = 100;
  for (MessageKind kind : {MessageKind::other, MessageKind::destroy, MessageKind::other})
    host.messages.push_back({host.ms(30), kind});
  quitCode = 7;
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(host.log.back(), "destroy");
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_LT(host.frameTimes.back(), host.ms(30));
}

TEST_F(Pacing, WithoutACounterTheMillisecondClockGivesSeventeenMillisecondFrames) {
  host.frequency = 0;
  host.maxFrames = 6;
  run();
  EXPECT_EQ(host.counterReads, 0);
  ASSERT_EQ(log.count, 6);
  for (int i = 1; i < 6; ++i)
    EXPECT_EQ(spacing(i), 17) << "frame " << i;
}

// Low processor use: the loop sleeps until shortly before a frame is due,
// then dozes between polls, and spins only for the last half millisecond.
TEST_F(Pacing, TheLoopSleepsAndDozesAndFollowsALongFrameAtOnceWithoutMakingItUp) {
  host.maxFrames = 20;
  host.readCost = host.ms(0.01);
  host.longFrame = 1;
  run();
  ASSERT_EQ(host.frameTimes.size(), 20u);
  EXPECT_GE(host.waits, 18);
  // Polling alone would take 1,600 passes a frame, polling for the last
  // 2.5 ms without dozing 250.
  EXPECT_LT(host.mostReadsBetweenFrames, 100);
  EXPECT_LT(host.frameTimes[2] - host.frameTimes[1], host.ms(100.2));
  expectOnTime(1, 2);
}

// Waits may overshoot by 2 ms and be cut short by messages; frames stay on
// time all the same.
TEST_F(Pacing, WaitsThatOvershootOrEndEarlyStillStartTheFramesOnTime) {
  host.maxFrames = 20;
  host.readCost = host.ms(0.01);
  host.waitOvershoot = host.ms(2);
  for (double at : {20.0, 25.0, 101.0})
    host.messages.push_back({host.ms(at), MessageKind::other});
  run();
  ASSERT_EQ(host.frameTimes.size(), 20u);
  expectOnTime(1);
}

} // namespace
