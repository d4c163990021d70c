#pragma once
// The game's music: composed at start-up from three files and played over
// and over until shutdown. InitMusic/ReleaseMusic (audio/Sound.h) make and
// drop it.

namespace ruzoz {

// The composed segment from its beginning; nothing without music.
void RestartMusic();
// Repeat count of the composed segment for its next start.
void SetMusicSegmentRepeats(unsigned repeats);

} // namespace ruzoz
