// The page's frame clock under the main loop's real pacing, at the refresh
// rates of common displays, and its key queue: the entries as the page
// packs them, the repeats they make by the game's rule (the pads share the
// rule: KeyRepeat and PadKeys in tests/core/ReplayTest.cpp).

#include "game/World.h"
#include "graphics/Display.h"
#include "platform/web/PageKeys.h"
#include "platform/web/RefreshSlots.h"
#include "shell/MainLoop.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace ruzoz;
using web::PackEntry;
using web::PageEntry;

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

static_assert(PackEntry(PageEntry::focusLost, 0xFFFF, 0xFF) > 0);

TEST(PageKeys, EntriesTakenAndTheRepeatsTheyMake) {
  web::PageKeys keys;
  std::deque<int> entries;
  // Everything taken at `now`: key-downs by their code, "o" for others.
  const auto takeAll = [&](std::uint64_t now) {
    std::string taken;
    const auto next = [&] {
      if (entries.empty())
        return -1;
      const int entry = entries.front();
      entries.pop_front();
      return entry;
    };
    for (Message message; keys.Take(now, next, message);)
      taken +=
          message.kind == MessageKind::keyDown ? std::to_string(message.virtualKey) + " " : "o ";
    return taken;
  };
  using enum PageEntry;
  const auto e = [](PageEntry kind, int key = 0, int vk = 0) { return PackEntry(kind, key, vk); };
  // Each step queues its entries and takes them at `at`; then every
  // millisecond up to `until` takes `each` `calls` times, nothing between.
  const struct Step {
    std::vector<int> queue;
    std::uint64_t at;
    std::string taken;
    std::uint64_t until;
    std::string each;
    int calls;
  } steps[] = {
      {{e(press, 7, vkShift)}, 1000, "16 ", 1499, "", 0},
      {{}, 1500, "16 ", 2000, "16 ", 15},            // 30 a second after 500 ms
      {{e(release, 8)}, 2001, "o ", 2100, "16 ", 3}, // another key let go
      // Let go just before a repeat was due, taken after: no repeat.
      {{e(release, 7)}, 2200, "o ", 3000, "", 0},
      // The last key pressed repeats; letting it go ends all repeat, and so
      // does the focus lost.
      {{e(press, 1, vkLeft), e(press, 2, vkShift)}, 10000, "37 16 ", 10600, "16 ", 4},
      {{e(release, 2)}, 10601, "o ", 11500, "", 0},
      {{e(press, 1, vkLeft), e(focusLost)}, 12000, "37 o ", 13000, "", 0},
      // A typed character follows its press and each repeat; after
      // something else than the press it is only a message.
      {{e(press, 3, vkSpace), e(typed)}, 20000, "32 o ", 20550, "32 o ", 2},
      {{e(press, 4, vkLeft), e(other), e(typed)}, 21000, "37 o o ", 21550, "37 ", 2},
      {{e(systemPress, 5, vkReturn)}, 30000, "o ", 30540, "o ", 2}, // Alt-keys repeat as others
      // Two keys whose numbers differ only above the code's byte.
      {{e(press, 0xFFFF, vkUnmapped), e(release, 0xFF)}, 40000, "255 o ", 40500, "255 ", 1},
  };
  for (const Step &step : steps) {
    entries.assign(step.queue.begin(), step.queue.end());
    EXPECT_EQ(takeAll(step.at), step.taken) << step.at;
    int calls = 0;
    for (std::uint64_t now = step.at + 1; now <= step.until; ++now)
      if (const std::string seen = takeAll(now); !seen.empty()) {
        EXPECT_EQ(seen, step.each) << step.at << " at " << now;
        ++calls;
      }
    EXPECT_EQ(calls, step.calls) << step.at;
  }
}

} // namespace
