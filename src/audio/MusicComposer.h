#pragma once
// Builds one segment from a style, a template and a chord map.

#include "audio/MusicModel.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ruzoz::music {

enum ComposeResult : int {
  composeOk = 0,
  composeInvalidArgument = 1, // missing input or activity outside 0..3
  composeMismatch = 2,        // the inputs do not fit together
};

class MusicComposer {
public:
  // Activity 0..3: the lower, the more often the chord changes. Uses its own
  // fixed seed, so the same inputs always give the same segment.
  int ComposeSegmentFromTemplate(const MusicStyle *style, const MusicTemplate *form, int activity,
                                 const MusicChordMap *chordMap,
                                 std::unique_ptr<MusicSegment> &segment);

  // Why the last composition failed.
  const std::string &LastError() const { return error_; }

private:
  std::string error_;
};

} // namespace ruzoz::music
