#pragma once
// SDL's events put into its real queue, as the keyboard and window would.

namespace testsupport {

bool SimulateKeyDown(const char *keyName, bool altHeld = false, bool repeat = false,
                     bool numLock = false);
enum class SimulatedEvent { keyUp, textInput, windowExposed, windowClose, quit, audioRemoved };
bool SimulateEvent(SimulatedEvent kind);

} // namespace testsupport
