#pragma once
// Game controllers as the keyboard: the D-pad and the left stick are the
// arrow keys, A and the right trigger Shift, Start Space, Back Enter, and
// Back with Start together Esc.

#include "ports/Input.h"

#include <SDL.h>

#include <cstdint>

namespace ruzoz::platform {

// What the controllers hold, as the messages a keyboard sends: a key-down
// when a key is pressed, key-downs repeated while it is held, an other
// message when it is let go. Times are milliseconds, given by the caller.
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
  enum class Axis { leftX, leftY, rightTrigger };
  static constexpr int maxPads = 8;
  // The keyboard's usual repeat: after half a second, 30 a second.
  static constexpr std::uint64_t repeatDelay = 500;
  static constexpr int repeatsPerSecond = 30;
  // A stick or trigger counts as pressed beyond half way and as let go
  // again below three eighths: no flicker on the edge.
  static constexpr int pressedBeyond = 16384;
  static constexpr int releasedBelow = 12288;

  void Set(int pad, Control control, bool down, std::uint64_t now);
  void Move(int pad, Axis axis, int value, std::uint64_t now);
  // Everything the pad held is let go (it was unplugged).
  void Release(int pad);
  // The next message: one that a control gave, else a repeat that is due.
  bool Take(std::uint64_t now, Message &message);
  // Milliseconds until the next repeat; -1 when nothing repeats.
  int UntilRepeat(std::uint64_t now) const;
  void Reset() { *this = PadKeys{}; }

private:
  bool keyHeld(int key) const;
  void push(Message message);
  std::uint64_t repeatDue() const;

  std::uint32_t held[maxPads] = {};
  static constexpr int pendingCapacity = 8;
  Message pending[pendingCapacity];
  int pendingFirst = 0;
  int pendingCount = 0;
  int repeatKey = 0; // 0: none
  std::uint64_t repeatFrom = 0;
  std::uint64_t repeatsSent = 0;
};

// SDL's game controllers: opened at start (false where SDL has none) and
// closed with every pad at the end.
bool OpenGamepads();
void CloseGamepads();
// Takes SDL's controller and joystick events (true), which reach the game
// only as the keys of Pads().
bool TakeGamepadEvent(const SDL_Event &event, std::uint64_t now);
PadKeys &Pads();

} // namespace ruzoz::platform
