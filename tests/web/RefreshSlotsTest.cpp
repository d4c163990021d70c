// The page's refresh-locked clock under the main loop's real pacing, at
// the refresh rates of common displays.

#include "platform/web/RefreshSlots.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "shell/MainLoop.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

using namespace ruzoz;

namespace {

// The page's driver: the clock reads the refresh being handled, the pacer is
// made at the first refresh and steps once per refresh.
class Page final : public Input, public Clock, public Video {
public:
  Page() {
    resetAll();
    InstallNominalSurfaces(this);
  }
  ~Page() override { InstallNominalSurfaces(nullptr); }

  // Frames run at this refresh: 0 or 1.
  int Refresh(std::int64_t microseconds) {
    ticks_ = slots_.Ticks(microseconds);
    if (!pacer_)
      pacer_.emplace(*this, *this);
    const int before = flips_;
    pacer_->Step();
    // A second call back in the same refresh finds nothing due.
    pacer_->Step();
    return flips_ - before;
  }

  bool TakeMessage(Message &) override { return false; }
  void WaitForMessage(int) override {}
  std::uint64_t CounterFrequency() override { return web::RefreshSlots::frequency; }
  std::int64_t ReadCounter() override { return ticks_; }
  std::int64_t ReadMilliseconds() override { return ticks_ / 60; }
  void Doze() override {}
  bool LoadImage(const char *, Surface &) override { return false; }
  void ReleaseImage(Surface &) override {}
  void SetColorKey(Surface &) override {}
  void Blit(const Surface &, int, int, const SourceRect *, int) override {}
  void Flip() override { ++flips_; }

private:
  web::RefreshSlots slots_;
  std::optional<FramePacer> pacer_;
  std::int64_t ticks_ = 0;
  int flips_ = 0;
};

constexpr double loadedAt = 1234.5678; // ms of the page's clock at the first refresh

// Frames in the `seconds` after the refresh at `from` ms (from on), at `hz`
// with up to `jitter` ms either way; each refresh runs at most one.
int framesOver(Page &page, double hz, double jitter, double from, double seconds) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> shake(-jitter, jitter);
  int frames = 0;
  for (int k = 0; k * 1000 / hz <= seconds * 1000 + 1e-6; ++k) {
    const double at = from + k * 1000 / hz + (k > 0 ? shake(random) : 0);
    const int ran = page.Refresh(static_cast<std::int64_t>(at * 1000));
    EXPECT_LE(ran, 1) << hz << " Hz, refresh " << k;
    frames += ran;
  }
  return frames;
}

TEST(RefreshSlots, SixtyFramesASecondOnSixtyHertzAndFasterAFrameARefreshOnSlower) {
  const struct {
    double hz, jitter;
    int frames;
  } rates[] = {{50, 0, 500},   {59.94, 0, 599}, {60, 0, 600},    {60, 0.1, 600},
               {75, 0.1, 600}, {120, 0.1, 600}, {144, 0.1, 600}, {240, 0.1, 600}};
  for (const auto &rate : rates) {
    Page page;
    EXPECT_NEAR(framesOver(page, rate.hz, rate.jitter, loadedAt, 10), rate.frames, 1)
        << rate.hz << " Hz, jitter " << rate.jitter << " ms";
  }
}

TEST(RefreshSlots, AfterAStallOneFrameThenSixtyASecondWithoutCatchingUp) {
  for (double hz : {60.0, 144.0}) {
    Page page;
    framesOver(page, hz, 0.1, loadedAt, 1);
    const double back = loadedAt + 3000;
    EXPECT_EQ(page.Refresh(static_cast<std::int64_t>(back * 1000)), 1) << hz << " Hz";
    EXPECT_NEAR(framesOver(page, hz, 0.1, back + 1000 / hz, 1), 60, 1) << hz << " Hz";
  }
}

TEST(RefreshSlots, CountSlotsToTheNearestFromTheFirstRefresh) {
  web::RefreshSlots slots;
  const std::pair<std::int64_t, std::int64_t> reads[] = {
      {5'000'000, 0}, {5'008'333, 0}, {5'008'334, 1000}, {4'000'000, 0}, {6'000'000, 60'000}};
  for (const auto &[microseconds, ticks] : reads)
    EXPECT_EQ(slots.Ticks(microseconds), ticks) << microseconds;
  EXPECT_EQ(TicksPerFrame(web::RefreshSlots::frequency), web::RefreshSlots::ticksPerSlot - 1);
}

} // namespace
