#include "ports/KeyRepeat.h"

namespace ruzoz {

void KeyRepeat::Press(int key, Message message, std::uint64_t now) {
  repeating_ = true;
  key_ = key;
  message_ = message;
  typesCharacter_ = false;
  characterPending_ = false;
  pressedAt_ = now;
  sent_ = 0;
}

void KeyRepeat::TypedCharacter() {
  if (repeating_)
    typesCharacter_ = true;
}

void KeyRepeat::Release(int key) {
  if (repeating_ && key == key_)
    Stop();
}

void KeyRepeat::Stop() {
  repeating_ = false;
  characterPending_ = false;
}

std::uint64_t KeyRepeat::due() const { return pressedAt_ + delay + sent_ * 1000 / perSecond; }

bool KeyRepeat::Take(std::uint64_t now, Message &message) {
  if (characterPending_) {
    characterPending_ = false;
    message = Message{MessageKind::other, 0};
    return true;
  }
  if (!repeating_ || now < due())
    return false;
  // Times of the repeats stay on their grid, so a late caller gets the next
  // one on time again rather than a burst.
  while (due() <= now)
    ++sent_;
  characterPending_ = typesCharacter_;
  message = message_;
  return true;
}

int KeyRepeat::Until(std::uint64_t now) const {
  if (characterPending_)
    return 0;
  if (!repeating_)
    return -1;
  const std::uint64_t next = due();
  return next <= now ? 0 : static_cast<int>(next - now);
}

} // namespace ruzoz
