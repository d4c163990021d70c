#pragma once
// What the parts of the page's platform share.

#include <cstdint>

namespace ruzoz::web {

// No page: running in node (the replay tool). Nothing is shown or heard.
extern bool headless;
// Frames flipped since the start; the page's test reads it.
extern long long framesShown;
// The back buffer, 640 x 480 RGB565.
const std::uint16_t *BackBuffer();
// Closes the audio output and stops the synth's use of it.
void StopAudio();

} // namespace ruzoz::web
