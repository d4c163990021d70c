// The page's key queue read natively: the entries as the page packs them,
// the repeats they make by the game's rule. The pads share the rule:
// tests/core/KeyRepeatTest.cpp.

#include "platform/web/PageKeys.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

using namespace ruzoz;
using web::PackEntry;
using web::PageEntry;

namespace {

class Page {
public:
  void Queue(PageEntry kind, int key = 0, int virtualKey = 0) {
    entries_.push_back(PackEntry(kind, key, virtualKey));
  }
  // Everything taken at `now`, as a key script names it.
  std::string TakeAll(std::uint64_t now) {
    std::string taken;
    Message message;
    while (keys.Take(
        now,
        [this] {
          if (entries_.empty())
            return -1;
          const int entry = entries_.front();
          entries_.pop_front();
          return entry;
        },
        message))
      taken += message.kind == MessageKind::keyDown
                   ? "down " + std::to_string(message.virtualKey) + ";"
                   : "other;";
    return taken;
  }
  // The messages of each call at every millisecond over [from, to].
  int Calls(std::uint64_t from, std::uint64_t to, const std::string &each) {
    int count = 0;
    for (std::uint64_t now = from; now <= to; ++now) {
      const std::string seen = TakeAll(now);
      if (!seen.empty()) {
        EXPECT_EQ(seen, each) << "at " << now;
        ++count;
      }
    }
    return count;
  }

  web::PageKeys keys;

private:
  std::deque<int> entries_;
};

TEST(PageKeys, APressRepeatsByTheRuleUntilItsKeyIsLetGo) {
  Page page;
  page.Queue(PageEntry::press, 7, vkShift);
  EXPECT_EQ(page.TakeAll(1000), "down 16;");
  EXPECT_EQ(page.Calls(1001, 1499, ""), 0);
  EXPECT_EQ(page.Calls(1500, 2000, "down 16;"), 16);
  // Another key let go: only an other message.
  page.Queue(PageEntry::release, 8);
  EXPECT_EQ(page.TakeAll(2001), "other;");
  EXPECT_EQ(page.Calls(2002, 2100, "down 16;"), 3);
  // Let go just before a repeat was due, taken after: no repeat.
  page.Queue(PageEntry::release, 7);
  EXPECT_EQ(page.TakeAll(2200), "other;");
  EXPECT_EQ(page.Calls(2201, 3000, ""), 0);
}

TEST(PageKeys, TheLastKeyPressedRepeatsAndFocusLostEndsIt) {
  Page page;
  page.Queue(PageEntry::press, 1, vkLeft);
  page.Queue(PageEntry::press, 2, vkShift);
  EXPECT_EQ(page.TakeAll(0), "down 37;down 16;");
  EXPECT_EQ(page.Calls(1, 600, "down 16;"), 4);
  // Shift let go while Left is held: no more repeats of either.
  page.Queue(PageEntry::release, 2);
  EXPECT_EQ(page.TakeAll(601), "other;");
  EXPECT_EQ(page.Calls(602, 1500, ""), 0);
  page.Queue(PageEntry::press, 1, vkLeft);
  page.Queue(PageEntry::focusLost);
  EXPECT_EQ(page.TakeAll(2000), "down 37;other;");
  EXPECT_EQ(page.Calls(2001, 3000, ""), 0);
}

TEST(PageKeys, TypedCharactersFollowTheirPressAndItsRepeats) {
  Page page;
  page.Queue(PageEntry::press, 3, vkSpace);
  page.Queue(PageEntry::typed);
  EXPECT_EQ(page.TakeAll(0), "down 32;other;");
  EXPECT_EQ(page.Calls(1, 550, "down 32;other;"), 2);
  // A character after something else than the press is only a message.
  page.Queue(PageEntry::press, 4, vkLeft);
  page.Queue(PageEntry::other);
  page.Queue(PageEntry::typed);
  EXPECT_EQ(page.TakeAll(1000), "down 37;other;other;");
  EXPECT_EQ(page.Calls(1001, 1550, "down 37;"), 2);
}

TEST(PageKeys, AltKeysRepeatAsOtherMessages) {
  Page page;
  page.Queue(PageEntry::systemPress, 5, vkReturn);
  EXPECT_EQ(page.TakeAll(0), "other;");
  EXPECT_EQ(page.Calls(1, 540, "other;"), 2);
}

TEST(PageKeys, EntriesKeepTheirWholeKeyNumberAndCode) {
  Page page;
  // Two keys whose numbers differ only above the code's byte.
  page.Queue(PageEntry::press, 0xFFFF, vkUnmapped);
  page.Queue(PageEntry::release, 0xFF);
  EXPECT_EQ(page.TakeAll(0), "down 255;other;");
  EXPECT_EQ(page.Calls(1, 500, "down 255;"), 1);
  EXPECT_GT(PackEntry(PageEntry::focusLost, 0xFFFF, 0xFF), 0);
}

} // namespace
