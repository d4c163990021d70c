#include "ports/PadKeys.h"

namespace ruzoz {

namespace {

constexpr int keyOf[PadKeys::controlCount] = {vkLeft, vkRight, vkUp,    vkDown,  vkLeft,  vkRight,
                                              vkUp,   vkDown,  vkShift, vkShift, vkSpace, vkReturn};

constexpr std::uint32_t bit(PadKeys::Control control) { return std::uint32_t{1} << control; }

} // namespace

bool PadKeys::keyHeld(int key) const {
  for (const std::uint32_t controls : held_)
    for (int c = 0; c < controlCount; ++c)
      if ((controls & bit(Control(c))) != 0 && keyOf[c] == key)
        return true;
  return false;
}

void PadKeys::push(Message message) {
  if (pendingCount_ == pendingCapacity)
    return;
  pending_[(pendingFirst_ + pendingCount_++) % pendingCapacity] = message;
}

void PadKeys::Set(int pad, Control control, bool down, std::uint64_t now) {
  if (pad < 0 || pad >= maxPads || control < 0 || control >= controlCount ||
      ((held_[pad] & bit(control)) != 0) == down)
    return;
  const int key = keyOf[control];
  if (!down) {
    held_[pad] &= ~bit(control);
    if (keyHeld(key))
      return; // another control holds the same key
    repeat_->Release(keyNumberBase + key);
    push(Message{MessageKind::other, 0});
    return;
  }
  const bool wasHeld = keyHeld(key);
  held_[pad] |= bit(control);
  // Both at once is Esc; no single button ends the game.
  if ((held_[pad] & (bit(start) | bit(back))) == (bit(start) | bit(back))) {
    repeat_->Stop();
    push(Message{MessageKind::keyDown, vkEscape});
    return;
  }
  if (wasHeld)
    return;
  const Message message{MessageKind::keyDown, key};
  repeat_->Press(keyNumberBase + key, message, now);
  push(message);
}

void PadKeys::Move(int pad, Axis axis, int value, std::uint64_t now) {
  // Each direction is a key with a dead zone around the centre.
  auto follow = [&](Control control, int towards) {
    const bool was = pad >= 0 && pad < maxPads && (held_[pad] & bit(control)) != 0;
    Set(pad, control, towards > (was ? releasedBelow : pressedBeyond), now);
  };
  switch (axis) {
  case Axis::leftX:
    follow(stickLeft, -value);
    follow(stickRight, value);
    break;
  case Axis::leftY:
    follow(stickUp, -value);
    follow(stickDown, value);
    break;
  case Axis::rightTrigger:
    follow(rightTrigger, value);
    break;
  }
}

void PadKeys::Release(int pad) {
  for (int c = 0; c < controlCount; ++c)
    Set(pad, Control(c), false, 0);
}

bool PadKeys::Take(Message &message) {
  if (pendingCount_ == 0)
    return false;
  message = pending_[pendingFirst_];
  pendingFirst_ = (pendingFirst_ + 1) % pendingCapacity;
  --pendingCount_;
  return true;
}

void PadKeys::Reset() {
  for (std::uint32_t &controls : held_)
    controls = 0;
  pendingFirst_ = pendingCount_ = 0;
}

} // namespace ruzoz
