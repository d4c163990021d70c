#pragma once
// Reads one of the three music files by name (relative to the working
// directory).

#include "audio/MusicModel.h"

#include <string>

namespace ruzoz::music {

// False when the file is missing, unreadable or malformed; the reason goes
// to stderr with the file name and line.
bool LoadMusicFile(const std::string &fileName, MusicTemplate &out);
bool LoadMusicFile(const std::string &fileName, MusicStyle &out);
bool LoadMusicFile(const std::string &fileName, MusicChordMap &out);

} // namespace ruzoz::music
