#pragma once

namespace ruzoz {

// Window, display, images, sound and music, in that order. The first step
// that fails stores its text in errorMessage and ends start-up with false;
// nothing is undone (ShutDown does that). `inWindow`: the display step
// shows a window instead of full screen.
bool StartUp(bool inWindow = false);

// Releases whatever exists, then shows errorMessage, if any, in a message
// box and clears it. Safe after any start-up step and when called twice.
void ShutDown();

} // namespace ruzoz
