#pragma once
// SDL's events put into the real queue, as the keyboard and window would:
// the tests of the event translation go through SDL itself.

namespace testsupport {

bool SimulateKeyDown(const char *keyName, bool altHeld = false, bool repeat = false,
                     bool numLock = false);
enum class SimulatedEvent { keyUp, textInput, windowExposed, windowClose, quit, audioRemoved };
bool SimulateEvent(SimulatedEvent kind);

} // namespace testsupport
