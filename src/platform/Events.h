#pragma once
// SDL's event queue as the game's message queue: every event reaches
// WindowProc as a key-down (with its Windows virtual-key code), the destroy
// message (closing the window) or some other message.

namespace ruzoz::platform {

// Code for keys the game has no code of its own for.
constexpr int unmappedKey = 0xFF;

// Takes one waiting event and hands it to WindowProc; false when none waits.
bool TakeEvent();
// Returns when an event is waiting or after `milliseconds`; the event stays
// in the queue.
void WaitForEvent(int milliseconds);

// The virtual-key code of the key SDL names so ("Left", "Keypad Enter").
int VirtualKeyForName(const char *keyName);

// Put events into the real queue, as the keyboard and window would.
bool SimulateKeyDown(const char *keyName, bool altHeld = false, bool repeat = false);
enum class SimulatedEvent { keyUp, textInput, mouseMotion, windowExposed, windowClose, quit };
bool SimulateEvent(SimulatedEvent kind);

} // namespace ruzoz::platform
