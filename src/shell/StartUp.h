#pragma once

namespace ruzoz {

// What sounds: everything, the effects without the music (--nomusic), or
// nothing, with no sound device opened (--nosound). Steps left out are
// skipped, with the files only they read.
enum class SoundChoice { all, effectsOnly, none };

// Window, display, images, sound and music, in that order. The first step
// that fails stores its text in errorMessage and ends start-up with false;
// nothing is undone (ShutDown does that). `inWindow`: the display step
// shows a window instead of full screen.
bool StartUp(bool inWindow = false, SoundChoice sound = SoundChoice::all);

// Releases whatever exists, then shows errorMessage, if any, in a message
// box and clears it, with a note in brackets where start-up knows how the
// player can mend it (no display, no sound device). Safe after any start-up
// step and when called twice.
void ShutDown();

} // namespace ruzoz
