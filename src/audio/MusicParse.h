#pragma once
// Readers of the three music files (format: docs/music-format.md).

#include "audio/MusicModel.h"

#include <string>
#include <string_view>

namespace ruzoz::music {

struct MusicParseError {
  std::string file;
  int line = 0;
  std::string message;

  // "file:line: message"
  std::string Text() const;
};

// Each returns false and fills `error` on the first fault; `out` is then of
// no use.
bool ParseStyle(std::string_view text, const std::string &file, MusicStyle &out,
                MusicParseError &error);
bool ParseChordMap(std::string_view text, const std::string &file, MusicChordMap &out,
                   MusicParseError &error);
bool ParseTemplate(std::string_view text, const std::string &file, MusicTemplate &out,
                   MusicParseError &error);

} // namespace ruzoz::music
