#pragma once

namespace ruzoz {

// Window, display, images, sound and music, in that order. The first step
// that fails stores its text in errorMessage and ends start-up with false;
// nothing is undone (ShutDown does that).
bool StartUp();

// Releases whatever exists, then shows errorMessage, if any, in a message
// box and clears it. Safe after any start-up step and when called twice.
void ShutDown();

} // namespace ruzoz
