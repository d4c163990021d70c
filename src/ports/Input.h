#pragma once
// What the main loop needs from a platform: the game's messages, taken one
// at a time, and the frame clock. The platform translates its own events
// into Messages; the shell's loop hands them to WindowProc.

#include <cstdint>

namespace ruzoz {

// The virtual-key codes the game reacts to.
enum VirtualKey : int {
  vkShift = 16,
  vkReturn = 13,
  vkEscape = 27,
  vkSpace = 32,
  vkLeft = 37,
  vkUp = 38,
  vkRight = 39,
  vkDown = 40,
};
// Code for keys the game has no code of its own for.
constexpr int vkUnmapped = 0xFF;

enum class MessageKind { keyDown, destroy, other };

struct Message {
  MessageKind kind = MessageKind::other;
  int virtualKey = 0;
};

class Input {
public:
  virtual ~Input() = default;
  // Takes the next waiting message; false when none waits.
  virtual bool TakeMessage(Message &message) = 0;
  // Returns when a message waits or after `milliseconds`; it stays queued.
  virtual void WaitForMessage(int milliseconds) = 0;
};

// While keys come from elsewhere (a script, the autopilot), the platform's
// own messages pass only where they end the game: Esc and closing.
inline bool TakeEndingMessage(Input &platform, Message &message) {
  while (platform.TakeMessage(message))
    if (message.kind == MessageKind::destroy ||
        (message.kind == MessageKind::keyDown && message.virtualKey == vkEscape))
      return true;
  return false;
}

class Clock {
public:
  virtual ~Clock() = default;
  // Ticks per second of the high-resolution counter; 0 when there is none.
  virtual std::uint64_t CounterFrequency() = 0;
  virtual std::int64_t ReadCounter() = 0;
  virtual std::int64_t ReadMilliseconds() = 0;
  // A pause of about a tenth of a millisecond between two polls.
  virtual void Doze() = 0;
};

} // namespace ruzoz
