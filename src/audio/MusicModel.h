#pragma once
// The music engine's data: style, chord map and template as read from their
// files, and the composed segment the performance plays.

#include <cstdint>
#include <string>
#include <vector>

namespace ruzoz::music {

// Ticks of segment time per beat (quarter note).
constexpr int ticksPerBeat = 768;

// How a note's music value becomes a MIDI key.
enum class PlayMode : std::uint8_t {
  Fixed, // the value is the key (drums)
  Chord, // chord position, then scale steps in the chord's scale
  Scale, // scale steps above the key's tonic, in the chord's scale
};

enum class Embellishment : std::uint8_t { Normal, Fill, Break, Intro, End };

// Chord types a variation may be flagged for.
enum ChordType : unsigned {
  chordMajor = 1,
  chordMinor = 2,
  chordDiminished = 4,
  chordAugmented = 8,
  chordSuspended = 16,
  chordAny = 31,
};

struct MusicValue {
  int octave = 0;
  int chordPosition = 0;
  int scaleStep = 0;
  int accidental = 0;
  int key = 0; // Fixed mode only
};

struct StyleNote {
  int position = 0; // grid steps from the start of the pattern
  int duration = 1; // grid steps
  int velocity = 100;
  int timeRange = 0;     // +- ticks
  int velocityRange = 0; // +- velocity
  MusicValue value;
};

struct PartVariation {
  unsigned fits = chordAny;
  std::vector<StyleNote> notes;
};

struct StylePattern {
  std::string name;
  int grooveLow = 1;
  int grooveHigh = 100;
  Embellishment embellishment = Embellishment::Normal;
  int measures = 1;
  // Indexed by part; a part without variations rests in this pattern.
  std::vector<std::vector<PartVariation>> variations;
};

struct StylePart {
  std::string name;
  int channel = 0; // 0-based MIDI channel
  int program = 0;
  PlayMode mode = PlayMode::Chord;
  int volume = 100;
  int pan = 64;
  int reverb = 40;
  int chorus = 0;
  int timeRange = 0;
  int velocityRange = 0;
};

struct MusicStyle {
  std::string name;
  int beatsPerMeasure = 4;
  int grid = 4; // steps per beat
  std::vector<StylePart> parts;
  std::vector<StylePattern> patterns;
};

struct Chord {
  std::string name;
  int root = 0;               // MIDI key of the root in its written register
  std::vector<int> intervals; // ascending semitones above the root, first 0
  unsigned type = chordAny;   // one ChordType bit
};

struct CadenceChord {
  int chord = 0;
  int beats = 0;
};

struct SignpostChord {
  int chord = 0;
  unsigned groups = 0; // bit g-1 for group g
  std::vector<CadenceChord> cadence;
};

// `from` lasts between minBeats and maxBeats before `to` follows.
struct ChordLink {
  int from = 0;
  int to = 0;
  int weight = 1;
  int minBeats = 1;
  int maxBeats = 1;
};

struct MusicChordMap {
  std::string name;
  int tonic = 0;      // MIDI key of the tonic in its written register
  unsigned scale = 0; // 12-bit pitch-class set relative to the tonic
  std::vector<Chord> chords;
  std::vector<SignpostChord> signposts;
  std::vector<ChordLink> links;
};

struct TemplateSignpost {
  int measure = 1; // 1-based
  int group = 1;
  bool cadence = false;
};

struct TemplateCommand {
  int measure = 1; // 1-based
  Embellishment embellishment = Embellishment::Normal;
  int groove = 50;
  int grooveRange = 0;
};

struct MusicTemplate {
  std::string name;
  double tempo = 120.0;
  int beatsPerMeasure = 4;
  int measures = 0;
  std::vector<TemplateSignpost> signposts;
  std::vector<TemplateCommand> commands;
};

// Event order at equal ticks: releases first, then set-up, then new notes.
enum class EventType : std::uint8_t { NoteOff, Program, Control, NoteOn };

struct MusicEvent {
  std::uint32_t tick = 0;
  EventType type = EventType::NoteOn;
  std::uint8_t channel = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
};

enum class NoteFit : std::uint8_t { Fixed, ChordTone, ScaleTone, Chromatic };

struct SegmentNote {
  std::uint32_t tick = 0;  // written time: the chord is taken from here
  std::int32_t offset = 0; // random time shift; it sounds at tick + offset
  std::uint32_t length = 0;
  std::uint8_t key = 0;
  std::uint8_t velocity = 0;
  std::uint8_t channel = 0;
  std::uint8_t part = 0;
  NoteFit fit = NoteFit::Fixed;

  std::uint32_t Start() const { return static_cast<std::uint32_t>(std::int64_t(tick) + offset); }
  std::uint32_t End() const { return Start() + length; }
};

struct SegmentChord {
  std::uint32_t tick = 0;
  int chord = 0;         // index into the chord map's palette
  int signpostGroup = 0; // 0 unless a template signpost falls here
  bool cadence = false;
};

struct MusicSegment {
  int measures = 0;
  int beatsPerMeasure = 4;
  std::uint32_t lengthTicks = 0;
  double tempo = 120.0;
  bool tempoEnabled = true;
  unsigned repeats = 0;
  int heldSpans = 0; // spans where no chord path fitted
  std::vector<SegmentChord> chords;
  std::vector<int> measurePatterns; // style pattern index per measure
  std::vector<SegmentNote> notes;
  std::vector<MusicEvent> events; // sorted by tick, then type

  void SetRepeats(unsigned count) { repeats = count; }
  // The segment's own tempo no longer sets the performance's tempo.
  void DisableTempo() { tempoEnabled = false; }
};

} // namespace ruzoz::music
