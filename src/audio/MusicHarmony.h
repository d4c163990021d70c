#pragma once
// Turns music values into MIDI keys against a chord and the key's scale.

#include "audio/MusicModel.h"

#include <vector>

namespace ruzoz::music {

// 12-bit set of pitch classes (bit 0 = C).
unsigned PitchClassBit(int key);
unsigned ChordTones(const Chord &chord);

// The chord's type from its intervals (one ChordType bit).
unsigned ClassifyChord(const std::vector<int> &intervals);

// The scale a chord plays in: the key's scale, where each chord tone outside
// it replaces its lower neighbour (the upper one if the lower is a chord tone
// or the tonic), so the V of a minor key gets the leading tone and a flat
// second keeps the tonic.
unsigned ChordScale(const MusicChordMap &map, const Chord &chord);

// The MIDI key (folded by octaves into 0..127) for a value; `fit` tells
// what the value promises: a chord tone, a scale tone or a chromatic note.
int ApplyValue(const MusicValue &value, PlayMode mode, const MusicChordMap &map, const Chord &chord,
               NoteFit &fit);

} // namespace ruzoz::music
