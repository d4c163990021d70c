#include "audio/MusicParse.h"

#include "audio/MusicHarmony.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace ruzoz::music {

std::string MusicParseError::Text() const {
  return file + ":" + std::to_string(line) + ": " + message;
}

namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

struct Line {
  int number = 0;
  std::vector<Token> tokens;
};

// Splits into non-empty lines of tokens. A '#' that begins a token starts a
// comment, so sharps (C#3, 2/0#) stay part of their token.
bool Tokenize(std::string_view text, std::vector<Line> &lines, int &badLine, int &lineCount) {
  int number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos)
      end = text.size();
    ++number;
    std::string_view raw = text.substr(start, end - start);
    Line line;
    line.number = number;
    std::size_t i = 0;
    while (i < raw.size()) {
      const char c = raw[i];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i;
      } else if (c == '#') {
        break;
      } else if (c == '"') {
        const std::size_t close = raw.find('"', i + 1);
        if (close == std::string_view::npos) {
          badLine = number;
          return false;
        }
        line.tokens.push_back({std::string(raw.substr(i + 1, close - i - 1)), true});
        i = close + 1;
      } else {
        std::size_t j = i;
        while (j < raw.size() && raw[j] != ' ' && raw[j] != '\t' && raw[j] != '\r' && raw[j] != '"')
          ++j;
        line.tokens.push_back({std::string(raw.substr(i, j - i)), false});
        i = j;
      }
    }
    if (!line.tokens.empty())
      lines.push_back(std::move(line));
    if (end == text.size())
      break;
    start = end + 1;
  }
  // A final newline ends the last line rather than starting another.
  lineCount = std::max(1, text.ends_with('\n') ? number - 1 : number);
  return true;
}

bool ToInt(std::string_view text, int &out) {
  if (!text.empty() && text.front() == '+')
    text.remove_prefix(1);
  const char *first = text.data();
  const char *last = first + text.size();
  auto [ptr, ec] = std::from_chars(first, last, out);
  return !text.empty() && ec == std::errc() && ptr == last;
}

bool ToDouble(std::string_view text, double &out) {
  const char *first = text.data();
  const char *last = first + text.size();
  auto [ptr, ec] = std::from_chars(first, last, out);
  return !text.empty() && ec == std::errc() && ptr == last && std::isfinite(out);
}

// "A1", "C#2", "Bb-1" as a MIDI key (C4 = 60).
bool ToNoteName(std::string_view text, int &key) {
  static constexpr std::array<int, 7> classes = {9, 11, 0, 2, 4, 5, 7}; // A..G
  if (text.empty() || text[0] < 'A' || text[0] > 'G')
    return false;
  int pitch = classes[text[0] - 'A'];
  text.remove_prefix(1);
  if (!text.empty() && (text[0] == '#' || text[0] == 'b')) {
    pitch += text[0] == '#' ? 1 : -1;
    text.remove_prefix(1);
  }
  int octave = 0;
  // Octaves -1..9 hold the MIDI keys; a larger one would overflow below.
  if (text.empty() || !ToInt(text, octave) || text[0] == '+' || octave < -1 || octave > 9)
    return false;
  key = (octave + 1) * 12 + pitch;
  return key >= 0 && key <= 127;
}

bool ToEmbellishment(std::string_view text, Embellishment &out) {
  static constexpr std::array<std::pair<std::string_view, Embellishment>, 5> names = {{
      {"normal", Embellishment::Normal},
      {"fill", Embellishment::Fill},
      {"break", Embellishment::Break},
      {"intro", Embellishment::Intro},
      {"end", Embellishment::End},
  }};
  for (const auto &[name, value] : names)
    if (name == text) {
      out = value;
      return true;
    }
  return false;
}

bool ToDrum(std::string_view text, int &key) {
  static constexpr std::array<std::pair<std::string_view, int>, 22> drums = {{
      {"kick2", 35},    {"kick", 36},      {"rim", 37},        {"snare", 38},    {"clap", 39},
      {"snare2", 40},   {"floor-tom", 41}, {"hat", 42},        {"tom-low", 45},  {"pedal-hat", 44},
      {"open-hat", 46}, {"tom-mid", 47},   {"crash", 49},      {"tom-high", 50}, {"ride", 51},
      {"china", 52},    {"ride-bell", 53}, {"tambourine", 54}, {"splash", 55},   {"cowbell", 56},
      {"crash2", 57},   {"shaker", 70},
  }};
  for (const auto &[name, value] : drums)
    if (name == text) {
      key = value;
      return true;
    }
  return false;
}

// Walks one statement's tokens; the first fault is kept in `error`.
class Reader {
public:
  Reader(const std::string &file, MusicParseError &error) : file_(file), error_(error) {}

  bool Fail(int line, std::string message) {
    error_.file = file_;
    error_.line = line;
    error_.message = std::move(message);
    return false;
  }

  void Start(const Line &line) {
    line_ = &line;
    next_ = 1;
  }
  int LineNumber() const { return line_->number; }
  const std::string &Keyword() const { return line_->tokens[0].text; }
  bool AtEnd() const { return next_ >= line_->tokens.size(); }

  bool Fail(std::string message) { return Fail(line_->number, std::move(message)); }

  bool Word(std::string &out, const char *what) {
    if (AtEnd())
      return Fail(std::string("missing ") + what);
    out = line_->tokens[next_++].text;
    return true;
  }

  bool Name(std::string &out) {
    if (AtEnd() || !line_->tokens[next_].quoted)
      return Fail("expected a quoted name");
    out = line_->tokens[next_++].text;
    return true;
  }

  bool Expect(const char *keyword) {
    if (AtEnd() || line_->tokens[next_].quoted || line_->tokens[next_].text != keyword)
      return Fail(std::string("expected '") + keyword + "'");
    ++next_;
    return true;
  }

  // Consumes `keyword` if it comes next.
  bool Optional(const char *keyword) {
    if (AtEnd() || line_->tokens[next_].quoted || line_->tokens[next_].text != keyword)
      return false;
    ++next_;
    return true;
  }

  bool Int(int &out, int low, int high, const char *what) {
    std::string word;
    if (!Word(word, what))
      return false;
    if (!ToInt(word, out))
      return Fail(std::string(what) + " '" + word + "' is not a whole number");
    if (out < low || out > high)
      return Fail(std::string(what) + " " + word + " is outside " + std::to_string(low) + ".." +
                  std::to_string(high));
    return true;
  }

  // "low-high"
  bool Range(int &low, int &high, int min, int max, const char *what) {
    std::string word;
    if (!Word(word, what))
      return false;
    const std::size_t dash = word.find('-', 1);
    if (dash == std::string::npos || !ToInt(std::string_view(word).substr(0, dash), low) ||
        !ToInt(std::string_view(word).substr(dash + 1), high))
      return Fail(std::string(what) + " '" + word + "' is not of the form low-high");
    if (low < min || high > max || low > high)
      return Fail(std::string(what) + " " + word + " is not a range within " + std::to_string(min) +
                  "-" + std::to_string(max));
    return true;
  }

  bool TimeSignature(int &beats) {
    std::string word;
    if (!Word(word, "time signature"))
      return false;
    const std::size_t slash = word.find('/');
    int unit = 0;
    if (slash == std::string::npos || !ToInt(std::string_view(word).substr(0, slash), beats) ||
        !ToInt(std::string_view(word).substr(slash + 1), unit) || unit != 4 || beats < 2 ||
        beats > 7)
      return Fail("time signature '" + word + "' is not one of 2/4 .. 7/4");
    return true;
  }

  bool Note(int &key, const char *what) {
    std::string word;
    if (!Word(word, what))
      return false;
    if (!ToNoteName(word, key))
      return Fail(std::string(what) + " '" + word + "' is not a note name such as A1 or C#3");
    return true;
  }

  bool Done() {
    if (!AtEnd())
      return Fail("unexpected '" + line_->tokens[next_].text + "'");
    return true;
  }

private:
  const std::string &file_;
  MusicParseError &error_;
  const Line *line_ = nullptr;
  std::size_t next_ = 1;
};

bool Prepare(std::string_view text, const std::string &file, MusicParseError &error,
             std::vector<Line> &lines, int &lineCount, const char *header) {
  int badLine = 0;
  if (!Tokenize(text, lines, badLine, lineCount)) {
    error = {file, badLine, "unterminated quoted name"};
    return false;
  }
  if (lines.empty() || lines[0].tokens[0].quoted || lines[0].tokens[0].text != header) {
    error = {file, lines.empty() ? 1 : lines[0].number,
             std::string("the file must start with '") + header + "'"};
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- style

class StyleReader {
public:
  StyleReader(Reader &r, MusicStyle &style) : r_(r), style_(style) {}

  bool Statement() {
    const std::string &word = r_.Keyword();
    if (word == "timesig") {
      if (!style_.parts.empty() || !style_.patterns.empty())
        return r_.Fail("'timesig' must come before parts and patterns");
      return Once(timesig_) && r_.TimeSignature(style_.beatsPerMeasure) && r_.Done();
    }
    if (word == "grid") {
      if (!style_.patterns.empty())
        return r_.Fail("'grid' must come before patterns");
      if (!Once(grid_) || !r_.Int(style_.grid, 1, 16, "grid") || !r_.Done())
        return false;
      if (ticksPerBeat % style_.grid != 0)
        return r_.Fail("grid " + std::to_string(style_.grid) + " does not divide a beat");
      return true;
    }
    if (word == "part")
      return Part();
    if (word == "pattern")
      return Pattern();
    if (word == "variation")
      return Variation();
    if (word == "note")
      return NoteLine();
    if (word == "hits")
      return Hits();
    return r_.Fail("unknown statement '" + word + "'");
  }

  bool Finish(int lastLine) {
    if (style_.parts.empty())
      return r_.Fail(lastLine, "the style has no parts");
    if (style_.patterns.empty())
      return r_.Fail(lastLine, "the style has no patterns");
    return CloseVariation() && ClosePattern();
  }

private:
  bool Once(bool &seen) {
    if (seen)
      return r_.Fail("duplicate '" + r_.Keyword() + "'");
    seen = true;
    return true;
  }

  bool Part() {
    if (!style_.patterns.empty())
      return r_.Fail("parts must come before patterns");
    StylePart part;
    int channel = 0;
    std::string mode;
    if (!r_.Word(part.name, "part name") || !r_.Expect("channel") ||
        !r_.Int(channel, 1, 16, "channel") || !r_.Expect("program") ||
        !r_.Int(part.program, 0, 127, "program") || !r_.Expect("mode") || !r_.Word(mode, "mode"))
      return false;
    part.channel = channel - 1;
    if (mode == "fixed")
      part.mode = PlayMode::Fixed;
    else if (mode == "chord")
      part.mode = PlayMode::Chord;
    else if (mode == "scale")
      part.mode = PlayMode::Scale;
    else
      return r_.Fail("mode '" + mode + "' is not fixed, chord or scale");
    while (!r_.AtEnd()) {
      if (r_.Optional("volume")) {
        if (!r_.Int(part.volume, 0, 127, "volume"))
          return false;
      } else if (r_.Optional("pan")) {
        if (!r_.Int(part.pan, 0, 127, "pan"))
          return false;
      } else if (r_.Optional("reverb")) {
        if (!r_.Int(part.reverb, 0, 127, "reverb"))
          return false;
      } else if (r_.Optional("chorus")) {
        if (!r_.Int(part.chorus, 0, 127, "chorus"))
          return false;
      } else if (r_.Optional("~t")) {
        if (!r_.Int(part.timeRange, 0, ticksPerBeat / 4, "time range"))
          return false;
      } else if (r_.Optional("~v")) {
        if (!r_.Int(part.velocityRange, 0, 64, "velocity range"))
          return false;
      } else {
        return r_.Done();
      }
    }
    for (const StylePart &other : style_.parts) {
      if (other.name == part.name)
        return r_.Fail("part '" + part.name + "' is defined twice");
      if (other.channel == part.channel)
        return r_.Fail("channel " + std::to_string(channel) + " is used by part '" + other.name +
                       "' already");
    }
    style_.parts.push_back(std::move(part));
    return true;
  }

  bool ClosePattern() {
    if (patternLine_ == 0)
      return true;
    const auto &parts = style_.patterns.back().variations;
    if (std::all_of(parts.begin(), parts.end(), [](const auto &v) { return v.empty(); }))
      return r_.Fail(patternLine_, "the pattern has no variation");
    return true;
  }

  bool Pattern() {
    if (!CloseVariation() || !ClosePattern())
      return false;
    StylePattern pattern;
    std::string embellishment;
    if (!r_.Name(pattern.name) || !r_.Word(embellishment, "embellishment"))
      return false;
    if (!ToEmbellishment(embellishment, pattern.embellishment))
      return r_.Fail("embellishment '" + embellishment +
                     "' is not normal, fill, break, intro or end");
    if (!r_.Expect("groove") ||
        !r_.Range(pattern.grooveLow, pattern.grooveHigh, 1, 100, "groove range") ||
        !r_.Expect("length") || !r_.Int(pattern.measures, 1, 8, "length") || !r_.Done())
      return false;
    pattern.variations.resize(style_.parts.size());
    style_.patterns.push_back(std::move(pattern));
    patternLine_ = r_.LineNumber();
    return true;
  }

  bool Variation() {
    if (style_.patterns.empty())
      return r_.Fail("'variation' outside a pattern");
    if (!CloseVariation())
      return false;
    std::string partName;
    if (!r_.Word(partName, "part name"))
      return false;
    part_ = -1;
    for (std::size_t i = 0; i < style_.parts.size(); ++i)
      if (style_.parts[i].name == partName)
        part_ = static_cast<int>(i);
    if (part_ < 0)
      return r_.Fail("unknown part '" + partName + "'");
    if (!r_.Expect("fits"))
      return false;
    PartVariation variation;
    variation.fits = 0;
    while (!r_.AtEnd()) {
      std::string type;
      r_.Word(type, "chord type");
      if (type == "major")
        variation.fits |= chordMajor;
      else if (type == "minor")
        variation.fits |= chordMinor;
      else if (type == "dim")
        variation.fits |= chordDiminished;
      else if (type == "aug")
        variation.fits |= chordAugmented;
      else if (type == "sus")
        variation.fits |= chordSuspended;
      else if (type == "any")
        variation.fits |= chordAny;
      else
        return r_.Fail("chord type '" + type + "' is not major, minor, dim, aug, sus or any");
    }
    if (variation.fits == 0)
      return r_.Fail("the variation fits no chord type");
    variationLine_ = r_.LineNumber();
    Current().push_back(std::move(variation));
    return true;
  }

  bool CloseVariation() {
    if (variationLine_ != 0 && Current().back().notes.empty())
      return r_.Fail(variationLine_, "the variation has no notes");
    variationLine_ = 0;
    return true;
  }

  std::vector<PartVariation> &Current() { return style_.patterns.back().variations[part_]; }

  bool Value(MusicValue &value) {
    std::string word;
    if (!r_.Word(word, "value"))
      return false;
    const StylePart &part = style_.parts[part_];
    if (part.mode == PlayMode::Fixed) {
      if (ToDrum(word, value.key))
        return true;
      if (!ToInt(word, value.key) || value.key < 0 || value.key > 127)
        return r_.Fail("value '" + word + "' is neither a drum name nor a key 0..127");
      return true;
    }
    // octave/position[+step|-step][#|b]
    std::string_view text = word;
    const std::string bad = "value '" + word + "' is not of the form octave/position[+step][#]";
    if (text.ends_with('#') || text.ends_with('b')) {
      value.accidental = text.back() == '#' ? 1 : -1;
      text.remove_suffix(1);
    }
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos || !ToInt(text.substr(0, slash), value.octave))
      return r_.Fail(bad);
    std::string_view rest = text.substr(slash + 1);
    const std::size_t sign = rest.find_first_of("+-");
    if (!ToInt(rest.substr(0, sign), value.chordPosition))
      return r_.Fail(bad);
    if (sign != std::string_view::npos && !ToInt(rest.substr(sign), value.scaleStep))
      return r_.Fail(bad);
    if (value.octave < -2 || value.octave > 8)
      return r_.Fail("octave " + std::to_string(value.octave) + " is outside -2..8");
    if (value.chordPosition < 0 || value.chordPosition > 15)
      return r_.Fail("chord position " + std::to_string(value.chordPosition) + " is outside 0..15");
    if (value.scaleStep < -14 || value.scaleStep > 14)
      return r_.Fail("scale step " + std::to_string(value.scaleStep) + " is outside -14..14");
    if (part.mode == PlayMode::Scale && value.chordPosition != 0)
      return r_.Fail("part '" + part.name + "' plays scale steps: the chord position must be 0");
    return true;
  }

  bool Ranges(StyleNote &note) {
    const StylePart &part = style_.parts[part_];
    note.timeRange = part.timeRange;
    note.velocityRange = part.velocityRange;
    while (!r_.AtEnd()) {
      if (r_.Optional("~t")) {
        if (!r_.Int(note.timeRange, 0, ticksPerBeat / 4, "time range"))
          return false;
      } else if (r_.Optional("~v")) {
        if (!r_.Int(note.velocityRange, 0, 64, "velocity range"))
          return false;
      } else {
        return r_.Done();
      }
    }
    return true;
  }

  int PatternSteps() const {
    return style_.patterns.back().measures * style_.beatsPerMeasure * style_.grid;
  }

  bool Position(int &step) {
    std::string word;
    if (!r_.Word(word, "position"))
      return false;
    int parts[3] = {0, 0, 0};
    std::string_view text = word;
    for (int i = 0; i < 3; ++i) {
      const std::size_t dot = i < 2 ? text.find('.') : text.size();
      if (dot == std::string_view::npos || !ToInt(text.substr(0, dot), parts[i]))
        return r_.Fail("position '" + word + "' is not of the form bar.beat.step");
      text = dot < text.size() ? text.substr(dot + 1) : std::string_view();
    }
    const StylePattern &pattern = style_.patterns.back();
    if (parts[0] < 1 || parts[0] > pattern.measures || parts[1] < 1 ||
        parts[1] > style_.beatsPerMeasure || parts[2] < 1 || parts[2] > style_.grid)
      return r_.Fail("position " + word + " is outside the pattern");
    step = ((parts[0] - 1) * style_.beatsPerMeasure + parts[1] - 1) * style_.grid + parts[2] - 1;
    return true;
  }

  bool NoteLine() {
    if (variationLine_ == 0)
      return r_.Fail("'note' outside a variation");
    StyleNote note;
    if (!Position(note.position) || !r_.Int(note.duration, 1, PatternSteps(), "length") ||
        !r_.Int(note.velocity, 1, 127, "velocity") || !Value(note.value) || !Ranges(note))
      return false;
    Current().back().notes.push_back(note);
    return true;
  }

  bool Hits() {
    if (variationLine_ == 0)
      return r_.Fail("'hits' outside a variation");
    MusicValue value;
    std::string steps;
    if (!Value(value) || !r_.Word(steps, "steps"))
      return false;
    std::erase(steps, '|');
    if (static_cast<int>(steps.size()) != PatternSteps())
      return r_.Fail("the steps cover " + std::to_string(steps.size()) + " grid steps, not " +
                     std::to_string(PatternSteps()));
    int length = 1;
    int velocities[3] = {120, 96, 60};
    StyleNote shape;
    while (!r_.AtEnd()) {
      if (r_.Optional("len")) {
        if (!r_.Int(length, 1, PatternSteps(), "length"))
          return false;
      } else if (r_.Optional("vel")) {
        for (int &velocity : velocities)
          if (!r_.Int(velocity, 1, 127, "velocity"))
            return false;
      } else {
        break;
      }
    }
    if (!Ranges(shape))
      return false;
    for (int i = 0; i < static_cast<int>(steps.size()); ++i) {
      const char c = steps[i];
      if (c == '.')
        continue;
      const char *marks = "Xxo";
      const char *mark = std::char_traits<char>::find(marks, 3, c);
      if (mark == nullptr)
        return r_.Fail(std::string("step mark '") + c + "' is not X, x, o or .");
      StyleNote note = shape;
      note.position = i;
      note.duration = length;
      note.velocity = velocities[mark - marks];
      note.value = value;
      Current().back().notes.push_back(note);
    }
    return true;
  }

  Reader &r_;
  MusicStyle &style_;
  bool timesig_ = false;
  bool grid_ = false;
  int part_ = -1;
  int patternLine_ = 0;
  int variationLine_ = 0;
};

// ------------------------------------------------------------- chord map

struct ScaleName {
  std::string_view name;
  unsigned set;
};

constexpr unsigned ScaleSet(std::initializer_list<int> steps) {
  unsigned set = 0;
  for (int step : steps)
    set |= 1u << step;
  return set;
}

constexpr std::array<ScaleName, 7> scaleNames = {{
    {"minor", ScaleSet({0, 2, 3, 5, 7, 8, 10})},
    {"harmonic-minor", ScaleSet({0, 2, 3, 5, 7, 8, 11})},
    {"dorian", ScaleSet({0, 2, 3, 5, 7, 9, 10})},
    {"phrygian", ScaleSet({0, 1, 3, 5, 7, 8, 10})},
    {"major", ScaleSet({0, 2, 4, 5, 7, 9, 11})},
    {"mixolydian", ScaleSet({0, 2, 4, 5, 7, 9, 10})},
    {"lydian", ScaleSet({0, 2, 4, 6, 7, 9, 11})},
}};

class ChordMapReader {
public:
  ChordMapReader(Reader &r, MusicChordMap &map) : r_(r), map_(map) {}

  bool Statement() {
    const std::string &word = r_.Keyword();
    if (word == "scale")
      return Scale();
    if (word == "chord")
      return ChordLine();
    if (word == "signpost")
      return Signpost();
    if (word == "link")
      return Link();
    return r_.Fail("unknown statement '" + word + "'");
  }

  bool Finish(int lastLine) {
    if (map_.chords.empty())
      return r_.Fail(lastLine, "the chord map has no chords");
    if (map_.signposts.empty())
      return r_.Fail(lastLine, "the chord map has no signpost chords");
    return true;
  }

private:
  bool Scale() {
    if (scale_)
      return r_.Fail("duplicate 'scale'");
    std::string name;
    if (!r_.Note(map_.tonic, "tonic") || !r_.Word(name, "scale name") || !r_.Done())
      return false;
    for (const ScaleName &known : scaleNames)
      if (known.name == name) {
        map_.scale = known.set;
        scale_ = true;
        return true;
      }
    return r_.Fail("unknown scale '" + name + "'");
  }

  bool ChordRef(int &index) {
    std::string name;
    if (!r_.Word(name, "chord name"))
      return false;
    for (std::size_t i = 0; i < map_.chords.size(); ++i)
      if (map_.chords[i].name == name) {
        index = static_cast<int>(i);
        return true;
      }
    return r_.Fail("unknown chord '" + name + "'");
  }

  bool ChordLine() {
    if (!scale_)
      return r_.Fail("'scale' must come before the chords");
    Chord chord;
    if (!r_.Word(chord.name, "chord name") || !r_.Note(chord.root, "root"))
      return false;
    for (const Chord &other : map_.chords)
      if (other.name == chord.name)
        return r_.Fail("chord '" + chord.name + "' is defined twice");
    while (!r_.AtEnd()) {
      int interval = 0;
      if (!r_.Int(interval, 0, 23, "interval"))
        return false;
      if (chord.intervals.empty() ? interval != 0 : interval <= chord.intervals.back())
        return r_.Fail("intervals must start at 0 and rise");
      chord.intervals.push_back(interval);
    }
    if (chord.intervals.size() < 2 || chord.intervals.size() > 6)
      return r_.Fail("a chord has 2 to 6 tones");
    if (chord.root + chord.intervals.back() > 127)
      return r_.Fail("the chord reaches above key 127");
    chord.type = ClassifyChord(chord.intervals);
    map_.chords.push_back(std::move(chord));
    return true;
  }

  bool Signpost() {
    SignpostChord signpost;
    if (!ChordRef(signpost.chord) || !r_.Expect("groups"))
      return false;
    while (!r_.AtEnd() && !r_.Optional("cadence")) {
      int group = 0;
      if (!r_.Int(group, 1, 8, "group"))
        return false;
      signpost.groups |= 1u << (group - 1);
    }
    if (signpost.groups == 0)
      return r_.Fail("the signpost chord is in no group");
    while (!r_.AtEnd()) {
      CadenceChord cadence;
      if (signpost.cadence.size() == 2)
        return r_.Fail("at most two cadence chords lead to a signpost");
      if (!ChordRef(cadence.chord) || !r_.Int(cadence.beats, 1, 16, "cadence beats"))
        return false;
      signpost.cadence.push_back(cadence);
    }
    map_.signposts.push_back(std::move(signpost));
    return true;
  }

  bool Link() {
    ChordLink link;
    if (!ChordRef(link.from) || !ChordRef(link.to) || !r_.Expect("weight") ||
        !r_.Int(link.weight, 1, 100, "weight") || !r_.Expect("beats") ||
        !r_.Range(link.minBeats, link.maxBeats, 1, 64, "beats") || !r_.Done())
      return false;
    if (link.from == link.to)
      return r_.Fail("a chord cannot link to itself");
    for (const ChordLink &other : map_.links)
      if (other.from == link.from && other.to == link.to)
        return r_.Fail("duplicate link " + map_.chords[link.from].name + " -> " +
                       map_.chords[link.to].name);
    map_.links.push_back(link);
    return true;
  }

  Reader &r_;
  MusicChordMap &map_;
  bool scale_ = false;
};

// -------------------------------------------------------------- template

class TemplateReader {
public:
  TemplateReader(Reader &r, MusicTemplate &form) : r_(r), form_(form) {}

  bool Statement() {
    const std::string &word = r_.Keyword();
    if (word == "tempo") {
      std::string text;
      if (!Once(tempo_) || !r_.Word(text, "tempo") || !r_.Done())
        return false;
      if (!ToDouble(text, form_.tempo) || form_.tempo < 20.0 || form_.tempo > 400.0)
        return r_.Fail("tempo '" + text + "' is not a number of beats per minute in 20..400");
      return true;
    }
    if (word == "timesig")
      return Once(timesig_) && r_.TimeSignature(form_.beatsPerMeasure) && r_.Done();
    if (word == "length") {
      if (!Once(length_))
        return false;
      return r_.Int(form_.measures, 1, 256, "length") && r_.Done();
    }
    if (word == "signpost")
      return Signpost();
    if (word == "command")
      return Command();
    return r_.Fail("unknown statement '" + word + "'");
  }

  bool Finish(int lastLine) {
    if (!length_)
      return r_.Fail(lastLine, "the template has no 'length'");
    if (form_.signposts.empty())
      return r_.Fail(lastLine, "the template has no signposts");
    return true;
  }

private:
  bool Once(bool &seen) {
    if (seen)
      return r_.Fail("duplicate '" + r_.Keyword() + "'");
    seen = true;
    return true;
  }

  bool Measure(int &measure, int previous) {
    if (!length_)
      return r_.Fail("'length' must come before signposts and commands");
    if (!r_.Int(measure, 1, form_.measures, "measure"))
      return false;
    if (measure <= previous)
      return r_.Fail("measures must rise from line to line");
    return true;
  }

  bool Signpost() {
    TemplateSignpost signpost;
    const int previous = form_.signposts.empty() ? 0 : form_.signposts.back().measure;
    if (!Measure(signpost.measure, previous) || !r_.Expect("group") ||
        !r_.Int(signpost.group, 1, 8, "group"))
      return false;
    signpost.cadence = r_.Optional("cadence");
    if (!r_.Done())
      return false;
    form_.signposts.push_back(signpost);
    return true;
  }

  bool Command() {
    TemplateCommand command;
    const int previous = form_.commands.empty() ? 0 : form_.commands.back().measure;
    std::string embellishment;
    if (!Measure(command.measure, previous) || !r_.Word(embellishment, "embellishment"))
      return false;
    if (!ToEmbellishment(embellishment, command.embellishment))
      return r_.Fail("embellishment '" + embellishment +
                     "' is not normal, fill, break, intro or end");
    if (!r_.Expect("groove") || !r_.Int(command.groove, 1, 100, "groove"))
      return false;
    if (r_.Optional("range") && !r_.Int(command.grooveRange, 0, 99, "groove range"))
      return false;
    if (!r_.Done())
      return false;
    form_.commands.push_back(command);
    return true;
  }

  Reader &r_;
  MusicTemplate &form_;
  bool tempo_ = false;
  bool timesig_ = false;
  bool length_ = false;
};

template <class Out, class StatementReader>
bool ParseFile(std::string_view text, const std::string &file, Out &out, MusicParseError &error,
               const char *header) {
  std::vector<Line> lines;
  int lineCount = 0;
  if (!Prepare(text, file, error, lines, lineCount, header))
    return false;
  out = Out{};
  Reader reader(file, error);
  StatementReader statements(reader, out);
  reader.Start(lines[0]);
  if (!reader.Name(out.name) || !reader.Done())
    return false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    reader.Start(lines[i]);
    if (lines[i].tokens[0].quoted)
      return reader.Fail("a statement starts with a keyword, not a quoted name");
    if (reader.Keyword() == header)
      return reader.Fail(std::string("duplicate '") + header + "'");
    // A file cut at a line end would read as a shorter piece; only the
    // closing line says it is whole.
    if (reader.Keyword() == "end") {
      if (!reader.Done())
        return false;
      if (i + 1 != lines.size())
        return reader.Fail(lines[i + 1].number, "nothing may follow 'end'");
      return statements.Finish(lines[i].number);
    }
    if (!statements.Statement())
      return false;
  }
  return reader.Fail(lineCount, "the file stops before its 'end' line: it is cut short");
}

} // namespace

bool ParseStyle(std::string_view text, const std::string &file, MusicStyle &out,
                MusicParseError &error) {
  return ParseFile<MusicStyle, StyleReader>(text, file, out, error, "style");
}

bool ParseChordMap(std::string_view text, const std::string &file, MusicChordMap &out,
                   MusicParseError &error) {
  return ParseFile<MusicChordMap, ChordMapReader>(text, file, out, error, "chordmap");
}

bool ParseTemplate(std::string_view text, const std::string &file, MusicTemplate &out,
                   MusicParseError &error) {
  return ParseFile<MusicTemplate, TemplateReader>(text, file, out, error, "template");
}

} // namespace ruzoz::music
