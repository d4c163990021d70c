// The grammar of the three music files: each file is a table of its
// statements, read by the one statement loop of MusicReader.h.

#include "audio/MusicParse.h"

#include "audio/MusicHarmony.h"
#include "audio/MusicReader.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <utility>

namespace ruzoz::music {

namespace {

constexpr Named<PlayMode> modes[] = {
    {"fixed", PlayMode::Fixed}, {"chord", PlayMode::Chord}, {"scale", PlayMode::Scale}};

constexpr Named<Embellishment> embellishments[] = {{"normal", Embellishment::Normal},
                                                   {"fill", Embellishment::Fill},
                                                   {"break", Embellishment::Break},
                                                   {"intro", Embellishment::Intro},
                                                   {"end", Embellishment::End}};

constexpr Named<unsigned> chordTypes[] = {{"major", chordMajor},    {"minor", chordMinor},
                                          {"dim", chordDiminished}, {"aug", chordAugmented},
                                          {"sus", chordSuspended},  {"any", chordAny}};

constexpr Named<int> drums[] = {
    {"kick2", 35},    {"kick", 36},      {"rim", 37},        {"snare", 38},    {"clap", 39},
    {"snare2", 40},   {"floor-tom", 41}, {"hat", 42},        {"tom-low", 45},  {"pedal-hat", 44},
    {"open-hat", 46}, {"tom-mid", 47},   {"crash", 49},      {"tom-high", 50}, {"ride", 51},
    {"china", 52},    {"ride-bell", 53}, {"tambourine", 54}, {"splash", 55},   {"cowbell", 56},
    {"crash2", 57},   {"shaker", 70},
};

constexpr unsigned ScaleSet(std::initializer_list<int> steps) {
  unsigned set = 0;
  for (int step : steps)
    set |= 1u << step;
  return set;
}

constexpr Named<unsigned> scales[] = {
    {"minor", ScaleSet({0, 2, 3, 5, 7, 8, 10})},
    {"harmonic-minor", ScaleSet({0, 2, 3, 5, 7, 8, 11})},
    {"dorian", ScaleSet({0, 2, 3, 5, 7, 9, 10})},
    {"phrygian", ScaleSet({0, 1, 3, 5, 7, 8, 10})},
    {"major", ScaleSet({0, 2, 4, 5, 7, 9, 11})},
    {"mixolydian", ScaleSet({0, 2, 4, 5, 7, 9, 10})},
    {"lydian", ScaleSet({0, 2, 4, 6, 7, 9, 11})},
};

Option TimeRange(int &value) { return {"~t", &value, 1, 0, ticksPerBeat / 4, "time range"}; }
Option VelocityRange(int &value) { return {"~v", &value, 1, 0, 64, "velocity range"}; }

// ---------------------------------------------------------------- style

struct StyleReader {
  Reader &r;
  MusicStyle &out;
  int part = -1;         // of the variation being read
  int patternLine = 0;   // of the pattern being read, 0 before the first
  int variationLine = 0; // of the variation being read, 0 between them

  bool TimeSig() { return r.TimeSignature(out.beatsPerMeasure) && r.Done(); }

  bool Grid() {
    return r.Int(out.grid, 1, 16, "grid") && r.Done() &&
           (ticksPerBeat % out.grid == 0 ||
            r.Fail("grid " + std::to_string(out.grid) + " does not divide a beat"));
  }

  bool Part() {
    StylePart added;
    int channel = 0;
    if (!r.Word(added.name, "part name") || !r.Keyed("channel", channel, 1, 16) ||
        !r.Keyed("program", added.program, 0, 127) || !r.Expect("mode") ||
        !r.Choice(modes, added.mode, "mode") ||
        !r.Options({{"volume", &added.volume, 1, 0, 127, "volume"},
                    {"pan", &added.pan, 1, 0, 127, "pan"},
                    {"reverb", &added.reverb, 1, 0, 127, "reverb"},
                    {"chorus", &added.chorus, 1, 0, 127, "chorus"},
                    TimeRange(added.timeRange),
                    VelocityRange(added.velocityRange)}) ||
        !r.Done())
      return false;
    added.channel = channel - 1;
    for (const StylePart &other : out.parts) {
      if (other.name == added.name)
        return r.Fail("part '" + added.name + "' is defined twice");
      if (other.channel == added.channel)
        return r.Fail("channel " + std::to_string(channel) + " is used by part '" + other.name +
                      "' already");
    }
    out.parts.push_back(std::move(added));
    return true;
  }

  bool Pattern() {
    StylePattern added;
    if (!CloseVariation() || !ClosePattern() || !r.Name(added.name) ||
        !r.Choice(embellishments, added.embellishment, "embellishment") || !r.Expect("groove") ||
        !r.Range(added.grooveLow, added.grooveHigh, 1, 100, "groove range") ||
        !r.Keyed("length", added.measures, 1, 8) || !r.Done())
      return false;
    added.variations.resize(out.parts.size());
    out.patterns.push_back(std::move(added));
    patternLine = r.LineNumber();
    return true;
  }

  bool Variation() {
    std::string name;
    if (!CloseVariation() || !r.Word(name, "part name"))
      return false;
    part = IndexOf(out.parts, name);
    if (part < 0)
      return r.Fail("unknown part '" + name + "'");
    PartVariation added;
    added.fits = 0;
    if (!r.Expect("fits"))
      return false;
    while (!r.AtEnd()) {
      unsigned type = 0;
      if (!r.Choice(chordTypes, type, "chord type"))
        return false;
      added.fits |= type;
    }
    if (added.fits == 0)
      return r.Fail("the variation fits no chord type");
    variationLine = r.LineNumber();
    Variations().push_back(std::move(added));
    return true;
  }

  bool Note() {
    StyleNote note;
    if (!Position(note.position) || !r.Int(note.duration, 1, PatternSteps(), "length") ||
        !r.Int(note.velocity, 1, 127, "velocity") || !Value(note.value) || !Ranges(note))
      return false;
    Variations().back().notes.push_back(note);
    return true;
  }

  bool Hits() {
    StyleNote note;
    std::string steps;
    if (!Value(note.value) || !r.Word(steps, "steps"))
      return false;
    std::erase(steps, '|');
    if (static_cast<int>(steps.size()) != PatternSteps())
      return r.Fail("the steps cover " + std::to_string(steps.size()) + " grid steps, not " +
                    std::to_string(PatternSteps()));
    int velocities[3] = {120, 96, 60}; // X, x, o
    if (!r.Options({{"len", &note.duration, 1, 1, PatternSteps(), "length"},
                    {"vel", velocities, 3, 1, 127, "velocity"}}) ||
        !Ranges(note))
      return false;
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const std::size_t mark = std::string_view("Xxo.").find(steps[i]);
      if (mark == std::string_view::npos)
        return r.Fail(std::string("step mark '") + steps[i] + "' is not X, x, o or .");
      if (mark == 3)
        continue;
      note.position = static_cast<int>(i);
      note.velocity = velocities[mark];
      Variations().back().notes.push_back(note);
    }
    return true;
  }

  bool Finish() {
    if (out.parts.empty())
      return r.Fail("the style has no parts");
    if (out.patterns.empty())
      return r.Fail("the style has no patterns");
    return CloseVariation() && ClosePattern();
  }

  bool ClosePattern() {
    if (patternLine == 0)
      return true;
    const auto &parts = out.patterns.back().variations;
    return std::any_of(parts.begin(), parts.end(), [](const auto &v) { return !v.empty(); }) ||
           r.Fail(patternLine, "the pattern has no variation");
  }

  bool CloseVariation() {
    if (variationLine != 0 && Variations().back().notes.empty())
      return r.Fail(variationLine, "the variation has no notes");
    variationLine = 0;
    return true;
  }

  std::vector<PartVariation> &Variations() { return out.patterns.back().variations[part]; }
  int PatternSteps() const { return out.patterns.back().measures * out.beatsPerMeasure * out.grid; }

  bool Value(MusicValue &value) {
    std::string word;
    if (!r.Word(word, "value"))
      return false;
    const StylePart &player = out.parts[part];
    if (player.mode == PlayMode::Fixed) {
      if (const Named<int> *drum = Find(drums, word))
        value.key = drum->value;
      else if (!ToInt(word, value.key) || value.key < 0 || value.key > 127)
        return r.Fail("value '" + word + "' is neither a drum name nor a key 0..127");
      return true;
    }
    if (!ToValue(word, value))
      return r.Fail("value '" + word + "' is not of the form octave/position[+step][#]");
    if (value.octave < -2 || value.octave > 8)
      return r.Fail("octave " + std::to_string(value.octave) + " is outside -2..8");
    if (value.chordPosition < 0 || value.chordPosition > 15)
      return r.Fail("chord position " + std::to_string(value.chordPosition) + " is outside 0..15");
    if (value.scaleStep < -14 || value.scaleStep > 14)
      return r.Fail("scale step " + std::to_string(value.scaleStep) + " is outside -14..14");
    if (player.mode == PlayMode::Scale && value.chordPosition != 0)
      return r.Fail("part '" + player.name + "' plays scale steps: the chord position must be 0");
    return true;
  }

  // The part's random ranges unless the statement gives its own.
  bool Ranges(StyleNote &note) {
    note.timeRange = out.parts[part].timeRange;
    note.velocityRange = out.parts[part].velocityRange;
    return r.Options({TimeRange(note.timeRange), VelocityRange(note.velocityRange)}) && r.Done();
  }

  bool Position(int &step) {
    std::string word;
    int at[3] = {0, 0, 0}; // bar, beat, step
    if (!r.Word(word, "position"))
      return false;
    if (!ToPosition(word, at))
      return r.Fail("position '" + word + "' is not of the form bar.beat.step");
    if (at[0] < 1 || at[0] > out.patterns.back().measures || at[1] < 1 ||
        at[1] > out.beatsPerMeasure || at[2] < 1 || at[2] > out.grid)
      return r.Fail("position " + word + " is outside the pattern");
    step = ((at[0] - 1) * out.beatsPerMeasure + at[1] - 1) * out.grid + at[2] - 1;
    return true;
  }
};
bool HasPatterns(const StyleReader &s) { return !s.out.patterns.empty(); }
bool OutsideVariation(const StyleReader &s) { return s.variationLine == 0; }

const Named<Statement<StyleReader>> styleStatements[] = {
    {"timesig",
     {&StyleReader::TimeSig, true,
      [](const StyleReader &s) { return !s.out.parts.empty() || HasPatterns(s); },
      "'timesig' must come before parts and patterns"}},
    {"grid", {&StyleReader::Grid, true, HasPatterns, "'grid' must come before patterns"}},
    {"part", {&StyleReader::Part, false, HasPatterns, "parts must come before patterns"}},
    {"pattern", {&StyleReader::Pattern}},
    {"variation",
     {&StyleReader::Variation, false, [](const StyleReader &s) { return !HasPatterns(s); },
      "'variation' outside a pattern"}},
    {"note", {&StyleReader::Note, false, OutsideVariation, "'note' outside a variation"}},
    {"hits", {&StyleReader::Hits, false, OutsideVariation, "'hits' outside a variation"}},
};

// ------------------------------------------------------------- chord map

struct ChordMapReader {
  Reader &r;
  MusicChordMap &out;

  bool Scale() {
    return r.Note(out.tonic, "tonic") && r.Choice(scales, out.scale, "scale name") && r.Done();
  }

  bool ChordRef(int &index) {
    std::string name;
    if (!r.Word(name, "chord name"))
      return false;
    index = IndexOf(out.chords, name);
    return index >= 0 || r.Fail("unknown chord '" + name + "'");
  }

  bool ChordLine() {
    Chord chord;
    if (!r.Word(chord.name, "chord name") || !r.Note(chord.root, "root"))
      return false;
    if (Find(out.chords, chord.name) != nullptr)
      return r.Fail("chord '" + chord.name + "' is defined twice");
    while (!r.AtEnd()) {
      int interval = 0;
      if (!r.Int(interval, 0, 23, "interval"))
        return false;
      if (chord.intervals.empty() ? interval != 0 : interval <= chord.intervals.back())
        return r.Fail("intervals must start at 0 and rise");
      chord.intervals.push_back(interval);
    }
    if (chord.intervals.size() < 2 || chord.intervals.size() > 6)
      return r.Fail("a chord has 2 to 6 tones");
    if (chord.root + chord.intervals.back() > 127)
      return r.Fail("the chord reaches above key 127");
    chord.type = ClassifyChord(chord.intervals);
    out.chords.push_back(std::move(chord));
    return true;
  }

  bool Signpost() {
    SignpostChord signpost;
    if (!ChordRef(signpost.chord) || !r.Expect("groups"))
      return false;
    while (!r.AtEnd() && !r.Optional("cadence")) {
      int group = 0;
      if (!r.Int(group, 1, 8, "group"))
        return false;
      signpost.groups |= 1u << (group - 1);
    }
    if (signpost.groups == 0)
      return r.Fail("the signpost chord is in no group");
    while (!r.AtEnd()) {
      CadenceChord cadence;
      if (signpost.cadence.size() == 2)
        return r.Fail("at most two cadence chords lead to a signpost");
      if (!ChordRef(cadence.chord) || !r.Int(cadence.beats, 1, 16, "cadence beats"))
        return false;
      signpost.cadence.push_back(cadence);
    }
    out.signposts.push_back(std::move(signpost));
    return true;
  }

  bool Link() {
    ChordLink link;
    if (!ChordRef(link.from) || !ChordRef(link.to) || !r.Keyed("weight", link.weight, 1, 100) ||
        !r.Expect("beats") || !r.Range(link.minBeats, link.maxBeats, 1, 64, "beats") || !r.Done())
      return false;
    if (link.from == link.to)
      return r.Fail("a chord cannot link to itself");
    for (const ChordLink &other : out.links)
      if (other.from == link.from && other.to == link.to)
        return r.Fail("duplicate link " + out.chords[link.from].name + " -> " +
                      out.chords[link.to].name);
    out.links.push_back(link);
    return true;
  }

  bool Finish() {
    if (out.chords.empty())
      return r.Fail("the chord map has no chords");
    if (out.signposts.empty())
      return r.Fail("the chord map has no signpost chords");
    return true;
  }
};

const Named<Statement<ChordMapReader>> chordMapStatements[] = {
    {"scale", {&ChordMapReader::Scale, true}},
    // Every scale holds its tonic, so a read scale is never empty.
    {"chord",
     {&ChordMapReader::ChordLine, false, [](const ChordMapReader &m) { return m.out.scale == 0; },
      "'scale' must come before the chords"}},
    {"signpost", {&ChordMapReader::Signpost}},
    {"link", {&ChordMapReader::Link}},
};

// -------------------------------------------------------------- template

struct TemplateReader {
  Reader &r;
  MusicTemplate &out;

  bool Tempo() {
    std::string text;
    if (!r.Word(text, "tempo") || !r.Done())
      return false;
    if (!ToDouble(text, out.tempo) || out.tempo < 20.0 || out.tempo > 400.0)
      return r.Fail("tempo '" + text + "' is not a number of beats per minute in 20..400");
    return true;
  }

  bool TimeSig() { return r.TimeSignature(out.beatsPerMeasure) && r.Done(); }

  bool Length() { return r.Int(out.measures, 1, 256, "length") && r.Done(); }

  bool Measure(int &measure, int previous) {
    return r.Int(measure, 1, out.measures, "measure") &&
           (measure > previous || r.Fail("measures must rise from line to line"));
  }

  bool Signpost() {
    TemplateSignpost signpost;
    const int previous = out.signposts.empty() ? 0 : out.signposts.back().measure;
    if (!Measure(signpost.measure, previous) || !r.Keyed("group", signpost.group, 1, 8))
      return false;
    if (signpost.cadence = r.Optional("cadence"); !r.Done())
      return false;
    out.signposts.push_back(signpost);
    return true;
  }

  bool Command() {
    TemplateCommand command;
    const int previous = out.commands.empty() ? 0 : out.commands.back().measure;
    if (!Measure(command.measure, previous) ||
        !r.Choice(embellishments, command.embellishment, "embellishment") ||
        !r.Keyed("groove", command.groove, 1, 100))
      return false;
    if ((r.Optional("range") && !r.Int(command.grooveRange, 0, 99, "groove range")) || !r.Done())
      return false;
    out.commands.push_back(command);
    return true;
  }

  bool Finish() {
    if (out.measures == 0)
      return r.Fail("the template has no 'length'");
    if (out.signposts.empty())
      return r.Fail("the template has no signposts");
    return true;
  }
};

// A read length is at least 1.
bool BeforeLength(const TemplateReader &t) { return t.out.measures == 0; }

const Named<Statement<TemplateReader>> templateStatements[] = {
    {"tempo", {&TemplateReader::Tempo, true}},
    {"timesig", {&TemplateReader::TimeSig, true}},
    {"length", {&TemplateReader::Length, true}},
    {"signpost",
     {&TemplateReader::Signpost, false, BeforeLength,
      "'length' must come before signposts and commands"}},
    {"command",
     {&TemplateReader::Command, false, BeforeLength,
      "'length' must come before signposts and commands"}},
};

} // namespace

bool ParseStyle(std::string_view text, const std::string &file, MusicStyle &out,
                MusicParseError &error) {
  return ParseFile(text, file, "style", styleStatements, out, error);
}

bool ParseChordMap(std::string_view text, const std::string &file, MusicChordMap &out,
                   MusicParseError &error) {
  return ParseFile(text, file, "chordmap", chordMapStatements, out, error);
}

bool ParseTemplate(std::string_view text, const std::string &file, MusicTemplate &out,
                   MusicParseError &error) {
  return ParseFile(text, file, "template", templateStatements, out, error);
}

} // namespace ruzoz::music
