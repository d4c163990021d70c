#pragma once
// Builds one segment from a style, a template and a chord map.

#include "audio/MusicModel.h"

#include <string>

namespace ruzoz::music {

// Activity 0..3: the lower, the more often the chord changes. Uses its own
// fixed seed, so the same inputs always give the same segment. False with
// `error` saying why when the inputs do not fit together; `segment` is then
// of no use.
bool ComposeSegment(const MusicStyle &style, const MusicTemplate &form, int activity,
                    const MusicChordMap &chordMap, MusicSegment &segment, std::string &error);

} // namespace ruzoz::music
