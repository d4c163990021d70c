#pragma once
// Where the music's General MIDI SoundFont is looked for, on every platform.

#include <string>
#include <vector>

namespace ruzoz {

// The ':'-separated files of `environmentList` (SDL_SOUNDFONTS) when it
// names any, and then only those; else Debian's defaults.
std::vector<std::string> SoundFontPlaces(const char *environmentList);
// The first of those that is a file; empty when there is none.
std::string FindSoundFont(const char *environmentList);

} // namespace ruzoz
