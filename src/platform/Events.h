#pragma once
// SDL's event queue as the game's messages, and the frame clock.

#include "ports/Input.h"

namespace ruzoz::platform {

// SDL's events as the game's messages: key-downs with their virtual-key
// codes (the keypad's arrows too), game controllers as keys (Gamepad.h),
// closing the window as the destroy message, everything else as some other
// message. Alt+Enter switches the display itself (an other message to
// the game); a removed audio output is marked lost. SDL's own key repeats
// are dropped: the keys repeat by the game's rule.
Input &EventInput();
Clock &SystemClock();
// SDL's dummy video and audio drivers, so that the real start-up runs with
// no window and no sound (replay tool, tests). Frames are drawn into the
// back buffer and flipped, but not presented: nobody would see them.
void UseHeadlessDrivers();

} // namespace ruzoz::platform
