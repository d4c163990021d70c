#pragma once
// The page's key queue as the game's messages. The page drops the
// browser's own repeats and queues what happened: a key pressed (its
// physical key and virtual-key code), let go, a character typed, focus
// lost, anything else. The keys then repeat by the game's rule, with the
// pads through the same rule (ports/KeyRepeat.h, ports/PadKeys.h).

#include "ports/Input.h"
#include "ports/KeyRepeat.h"
#include "ports/PadKeys.h"

#include <cstdint>

namespace ruzoz::web {

// An entry is kind << 28 | key << 8 | virtual-key code; the page's script
// packs them the same way. Keys are numbered by the page from 1, below
// PadKeys::keyNumberBase.
enum class PageEntry {
  press,       // a key-down
  systemPress, // Alt+key: an other message, which repeats as one
  release,
  typed, // the character the press just before typed
  other,
  focusLost, // the keys' releases go elsewhere now
};

constexpr int PackEntry(PageEntry kind, int key, int virtualKey) {
  return static_cast<int>(kind) << 28 | (key & 0xFFFFF) << 8 | (virtualKey & 0xFF);
}

class PageKeys {
public:
  PageKeys() : pads_(repeat_) {}
  PageKeys(const PageKeys &) = delete;
  PageKeys &operator=(const PageKeys &) = delete;

  // The next message at `now` (milliseconds): `next()` gives the page's
  // next entry, -1 when none waits. What happened comes before a repeat
  // that is due, so a key let go in the meantime sends no more.
  template <class Next> bool Take(std::uint64_t now, Next &&next, Message &message) {
    // A repeat's character comes right after it, as a key-down's does.
    if (repeat_.CharacterPending() && repeat_.Take(now, message))
      return true;
    if (pads_.Take(message))
      return true;
    for (int entry = next(); entry >= 0; entry = next())
      if (translate(entry, now, message))
        return true;
    return repeat_.Take(now, message);
  }

  PadKeys &Pads() { return pads_; }
  const KeyRepeat &Repeat() const { return repeat_; }

private:
  bool translate(int entry, std::uint64_t now, Message &message) {
    const auto kind = static_cast<PageEntry>(entry >> 28);
    const int key = entry >> 8 & 0xFFFFF;
    const bool afterPress = lastWasPress_;
    lastWasPress_ = false;
    message = Message{MessageKind::other, 0};
    switch (kind) {
    case PageEntry::press:
      message = Message{MessageKind::keyDown, entry & 0xFF};
      [[fallthrough]];
    case PageEntry::systemPress:
      repeat_.Press(key, message, now);
      lastWasPress_ = true;
      return true;
    case PageEntry::release:
      repeat_.Release(key);
      return true;
    case PageEntry::typed:
      if (afterPress)
        repeat_.TypedCharacter();
      return true;
    case PageEntry::focusLost:
      repeat_.Stop();
      return true;
    case PageEntry::other:
      return true;
    }
    return false; // no entry of ours
  }

  KeyRepeat repeat_;
  PadKeys pads_;
  bool lastWasPress_ = false;
};

} // namespace ruzoz::web
