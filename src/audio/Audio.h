#pragma once
// Start-up and shutdown steps of the audio subsystem.

namespace ruzoz {

// The sound device and the five effect buffers; false with errorMessage set.
bool InitSound();
void ReleaseSound();

// Composes the music and starts it; false with errorMessage set.
bool InitMusic();
void ReleaseMusic();

} // namespace ruzoz
