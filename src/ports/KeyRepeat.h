#pragma once
// The keyboard's auto-repeat as the game was made to be played with it: the
// key pressed last sends its key-down again while it is held, after half a
// second, 30 times a second, Shift and the other modifiers too. A new press
// takes the repeat over; letting go of the repeating key ends all repeat,
// even while an earlier key is still held. The platforms drop their own
// repeats (desktops and browsers differ, and none repeats Shift) and take
// the game's from here: keyboard, gamepad and touch alike.

#include "ports/Input.h"

#include <cstdint>

namespace ruzoz {

class KeyRepeat {
public:
  static constexpr std::uint64_t delay = 500; // milliseconds
  static constexpr int perSecond = 30;

  // `key` names the physical key or button (the platform numbers them);
  // `message` is what it sent and what its repeats send. Times are
  // milliseconds of any one clock.
  void Press(int key, Message message, std::uint64_t now);
  // The press typed a character as well (the other message it gave): every
  // repeat is followed by one other message too.
  void TypedCharacter();
  void Release(int key);
  void Stop();
  // The next repeat when one is due: one at most however late the caller
  // comes, as a keyboard does not catch up.
  bool Take(std::uint64_t now, Message &message);
  // Milliseconds until Take has a message; -1 while nothing repeats.
  int Until(std::uint64_t now) const;
  bool Repeating() const { return repeating_; }
  bool CharacterPending() const { return characterPending_; }

private:
  std::uint64_t due() const;

  bool repeating_ = false;
  int key_ = 0;
  Message message_;
  bool typesCharacter_ = false;
  bool characterPending_ = false;
  std::uint64_t pressedAt_ = 0;
  std::uint64_t sent_ = 0;
};

} // namespace ruzoz
