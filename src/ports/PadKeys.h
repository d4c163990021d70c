#pragma once
// Game controllers as the keyboard: the D-pad and the left stick are the
// arrow keys, A and the right trigger Shift, Start Space, Back Enter, and
// Back with Start together Esc. Both platforms feed their pads in here.

#include "ports/Input.h"
#include "ports/KeyRepeat.h"

#include <cstdint>

namespace ruzoz {

// What the controllers hold, as the messages a keyboard sends: a key-down
// when a key is pressed, an other message when it is let go; the keys
// repeat by the keyboard's rule (KeyRepeat). Times are milliseconds.
class PadKeys {
public:
  enum Control {
    dpadLeft,
    dpadRight,
    dpadUp,
    dpadDown,
    stickLeft,
    stickRight,
    stickUp,
    stickDown,
    buttonA,
    rightTrigger,
    start,
    back,
    controlCount
  };
  // Sticks from -32768 (left, up) to 32767; the trigger from 0 to 32767.
  enum class Axis { leftX, leftY, rightTrigger };
  static constexpr int maxPads = 8;
  // A stick or trigger counts as pressed beyond half way and as let go
  // again below three eighths: no flicker on the edge.
  static constexpr int pressedBeyond = 16384;
  static constexpr int releasedBelow = 12288;
  // The pads' keys to the repeat rule: apart from any keyboard's keys.
  static constexpr int keyNumberBase = 0x10000;

  explicit PadKeys(KeyRepeat &repeat) : repeat_(&repeat) {}

  void Set(int pad, Control control, bool down, std::uint64_t now);
  void Move(int pad, Axis axis, int value, std::uint64_t now);
  // Everything the pad held is let go (it was unplugged).
  void Release(int pad);
  // The next message a control gave.
  bool Take(Message &message);
  void Reset();

private:
  bool keyHeld(int key) const;
  void push(Message message);

  KeyRepeat *repeat_;
  std::uint32_t held_[maxPads] = {};
  static constexpr int pendingCapacity = 8;
  Message pending_[pendingCapacity];
  int pendingFirst_ = 0;
  int pendingCount_ = 0;
};

} // namespace ruzoz
