#include "audio/MusicHarmony.h"

namespace ruzoz::music {

namespace {

int PitchClass(int key) { return ((key % 12) + 12) % 12; }

unsigned Rotate(unsigned set, int by) {
  by = PitchClass(by);
  return ((set << by) | (set >> (12 - by))) & 0xFFFu;
}

bool Has(unsigned set, int key) { return (set & PitchClassBit(key)) != 0; }

int StepThroughScale(int key, int steps, unsigned scale) {
  if (scale == 0)
    return key;
  for (; steps > 0; --steps) {
    do
      ++key;
    while (!Has(scale, key));
  }
  for (; steps < 0; ++steps) {
    do
      --key;
    while (!Has(scale, key));
  }
  return key;
}

} // namespace

unsigned PitchClassBit(int key) { return 1u << PitchClass(key); }

unsigned ChordTones(const Chord &chord) {
  unsigned set = 0;
  for (int interval : chord.intervals)
    set |= PitchClassBit(chord.root + interval);
  return set;
}

unsigned ClassifyChord(const std::vector<int> &intervals) {
  unsigned set = 0;
  for (int interval : intervals)
    set |= 1u << (interval % 12);
  auto has = [set](int semitones) { return (set & (1u << semitones)) != 0; };
  if (has(3) && has(6) && !has(7))
    return chordDiminished;
  if (has(4) && has(8) && !has(7))
    return chordAugmented;
  if (has(3))
    return chordMinor;
  if (has(4))
    return chordMajor;
  if (has(2) || has(5))
    return chordSuspended;
  return chordAny;
}

unsigned ChordScale(const MusicChordMap &map, const Chord &chord) {
  unsigned scale = Rotate(map.scale, map.tonic);
  const unsigned tones = ChordTones(chord);
  for (int interval : chord.intervals) {
    const int tone = chord.root + interval;
    if (Has(scale, tone))
      continue;
    const int lower = tone - 1;
    const int upper = tone + 1;
    const bool lowerIsTonic = PitchClassBit(lower) == PitchClassBit(map.tonic);
    if (Has(scale, lower) && !Has(tones, lower) && !lowerIsTonic)
      scale &= ~PitchClassBit(lower);
    else if (Has(scale, upper) && !Has(tones, upper))
      scale &= ~PitchClassBit(upper);
    scale |= PitchClassBit(tone);
  }
  return scale;
}

int ApplyValue(const MusicValue &value, PlayMode mode, const MusicChordMap &map, const Chord &chord,
               NoteFit &fit) {
  int key = value.key;
  if (mode == PlayMode::Fixed) {
    fit = NoteFit::Fixed;
  } else {
    const unsigned scale = ChordScale(map, chord);
    int base = 0;
    if (mode == PlayMode::Chord && !chord.intervals.empty()) {
      const int size = static_cast<int>(chord.intervals.size());
      const int position = value.chordPosition;
      base = chord.root + chord.intervals[position % size] + 12 * (position / size);
    } else {
      base = map.tonic;
    }
    key = StepThroughScale(base + 12 * value.octave, value.scaleStep, scale) + value.accidental;
    if (value.accidental != 0)
      fit = NoteFit::Chromatic;
    else if (mode == PlayMode::Chord && value.scaleStep == 0)
      fit = NoteFit::ChordTone;
    else
      fit = NoteFit::ScaleTone;
  }
  while (key < 0)
    key += 12;
  while (key > 127)
    key -= 12;
  return key;
}

} // namespace ruzoz::music
