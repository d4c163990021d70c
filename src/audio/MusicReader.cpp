#include "audio/MusicReader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace ruzoz::music {

namespace {

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

// Two whole numbers around the first `separator` after the first character.
bool ToPair(std::string_view text, char separator, int &first, int &second) {
  const std::size_t at = text.find(separator, 1);
  return at != std::string_view::npos && ToInt(text.substr(0, at), first) &&
         ToInt(text.substr(at + 1), second);
}

} // namespace

// A '#' that begins a token starts a comment, so sharps (C#3, 2/0#) stay
// part of their token.
bool Tokenize(std::string_view text, std::vector<Line> &lines, int &badLine, int &lineCount) {
  int number = 0;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    Line line{++number, {}};
    for (std::size_t i = 0; i < raw.size() && raw[i] != '#';) {
      if (raw[i] == ' ' || raw[i] == '\t' || raw[i] == '\r') {
        ++i;
        continue;
      }
      const std::size_t quoted = raw[i] == '"' ? 1 : 0;
      const std::size_t close =
          quoted ? raw.find('"', i + 1) : std::min(raw.find_first_of(" \t\r\"", i), raw.size());
      if (close == std::string_view::npos) {
        badLine = number;
        return false;
      }
      line.tokens.push_back({std::string(raw.substr(i + quoted, close - i - quoted)), quoted == 1});
      i = close + quoted;
    }
    if (!line.tokens.empty())
      lines.push_back(std::move(line));
  }
  // A final newline ends the last line rather than starting another.
  lineCount = std::max(1, text.ends_with('\n') ? number - 1 : number);
  return true;
}

bool ToInt(std::string_view text, int &out) {
  if (text.starts_with('+'))
    text.remove_prefix(1);
  const auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && fault == std::errc() && end == text.data() + text.size();
}

// The grammar of std::from_chars (a minus, digits with one point, an
// exponent), which some standard libraries we build with lack for doubles;
// strtod, correctly rounded, gives the value.
bool ToDouble(std::string_view text, double &out) {
  std::size_t at = text.starts_with('-') ? 1 : 0;
  const auto digits = [&] {
    const std::size_t from = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
      ++at;
    return at - from;
  };
  const auto next = [&](std::string_view any) {
    return at < text.size() && any.find(text[at]) != std::string_view::npos && ++at;
  };
  std::size_t mantissa = digits();
  if (next("."))
    mantissa += digits();
  if (mantissa == 0 || (next("eE") && (next("+-"), digits() == 0)) || at != text.size())
    return false;
  const std::string copy(text);
  char *end = nullptr;
  errno = 0;
  out = std::strtod(copy.c_str(), &end);
  return errno == 0 && end == copy.c_str() + copy.size() && std::isfinite(out);
}

bool ToPosition(std::string_view text, int (&at)[3]) {
  for (int i = 0; i < 3; ++i) {
    const std::size_t dot = i < 2 ? text.find('.') : text.size();
    if (dot == std::string_view::npos || !ToInt(text.substr(0, dot), at[i]))
      return false;
    text = dot < text.size() ? text.substr(dot + 1) : std::string_view();
  }
  return true;
}

bool ToValue(std::string_view text, MusicValue &value) {
  if (text.ends_with('#') || text.ends_with('b')) {
    value.accidental = text.back() == '#' ? 1 : -1;
    text.remove_suffix(1);
  }
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos || !ToInt(text.substr(0, slash), value.octave))
    return false;
  const std::string_view rest = text.substr(slash + 1);
  const std::size_t sign = rest.find_first_of("+-");
  return ToInt(rest.substr(0, sign), value.chordPosition) &&
         (sign == std::string_view::npos || ToInt(rest.substr(sign), value.scaleStep));
}

std::string MusicParseError::Text() const {
  return file + ":" + std::to_string(line) + ": " + message;
}

bool Reader::Fail(int line, std::string message) {
  error_ = {file_, line, std::move(message)};
  return false;
}

bool Reader::Word(std::string &out, const char *what) {
  if (AtEnd())
    return Fail(std::string("missing ") + what);
  out = line_->tokens[next_++].text;
  return true;
}

bool Reader::Name(std::string &out) {
  if (AtEnd() || !line_->tokens[next_].quoted)
    return Fail("expected a quoted name");
  out = line_->tokens[next_++].text;
  return true;
}

bool Reader::Optional(const char *keyword) {
  if (AtEnd() || line_->tokens[next_].quoted || line_->tokens[next_].text != keyword)
    return false;
  ++next_;
  return true;
}

bool Reader::Expect(const char *keyword) {
  return Optional(keyword) || Fail(std::string("expected '") + keyword + "'");
}

bool Reader::Int(int &out, int low, int high, const char *what) {
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

bool Reader::Options(std::initializer_list<Option> options) {
  for (;;) {
    const Option *found = std::find_if(options.begin(), options.end(),
                                       [this](const Option &o) { return Optional(o.keyword); });
    if (found == options.end())
      return true;
    for (int i = 0; i < found->count; ++i)
      if (!Int(found->values[i], found->low, found->high, found->what))
        return false;
  }
}

bool Reader::Range(int &low, int &high, int min, int max, const char *what) {
  std::string word;
  if (!Word(word, what))
    return false;
  if (!ToPair(word, '-', low, high))
    return Fail(std::string(what) + " '" + word + "' is not of the form low-high");
  if (low < min || high > max || low > high)
    return Fail(std::string(what) + " " + word + " is not a range within " + std::to_string(min) +
                "-" + std::to_string(max));
  return true;
}

bool Reader::TimeSignature(int &beats) {
  std::string word;
  int unit = 0;
  if (!Word(word, "time signature"))
    return false;
  if (!ToPair(word, '/', beats, unit) || unit != 4 || beats < 2 || beats > 7)
    return Fail("time signature '" + word + "' is not one of 2/4 .. 7/4");
  return true;
}

bool Reader::Note(int &key, const char *what) {
  std::string word;
  if (!Word(word, what))
    return false;
  if (!ToNoteName(word, key))
    return Fail(std::string(what) + " '" + word + "' is not a note name such as A1 or C#3");
  return true;
}

bool Reader::Done() { return AtEnd() || Fail("unexpected '" + line_->tokens[next_].text + "'"); }

} // namespace ruzoz::music
