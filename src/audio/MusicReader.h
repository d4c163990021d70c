#pragma once
// What the three music readers share (format: docs/music-format.md): the
// words of the files, the cursor a statement is read with, and the one
// statement loop. Every refusal is worded here or by a file's statements,
// always as "file:line: message".

#include "audio/MusicParse.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruzoz::music {

struct Token {
  std::string text;
  bool quoted = false;
};

struct Line {
  int number = 0;
  std::vector<Token> tokens;
};

// Splits into the lines that hold tokens; `lineCount` counts every line.
// False, with `badLine`, at a quoted name that does not end on its line.
bool Tokenize(std::string_view text, std::vector<Line> &lines, int &badLine, int &lineCount);

bool ToInt(std::string_view text, int &out);
bool ToDouble(std::string_view text, double &out);
// "bar.beat.step", each a whole number.
bool ToPosition(std::string_view text, int (&at)[3]);
// "octave/position[+step|-step][#|b]", each a whole number.
bool ToValue(std::string_view text, MusicValue &value);

// A word of the files and what it stands for.
template <class T> struct Named {
  std::string_view name;
  T value;
};

// The one lookup by name, for keywords and named words as for the parts
// and chords read so far: the first item called `name`, or null.
template <class Items> auto Find(const Items &items, std::string_view name) {
  for (const auto &item : items)
    if (item.name == name)
      return &item;
  return static_cast<decltype(std::data(items))>(nullptr);
}

template <class Items> int IndexOf(const Items &items, std::string_view name) {
  const auto found = Find(items, name);
  return found ? static_cast<int>(found - std::data(items)) : -1;
}

// A keyword followed by `count` whole numbers in low..high.
struct Option {
  const char *keyword;
  int *values;
  int count;
  int low;
  int high;
  const char *what;
};

// Walks the words of one statement; the first fault goes to `error`.
class Reader {
public:
  Reader(const std::string &file, MusicParseError &error) : file_(file), error_(error) {}

  // Always false.
  bool Fail(int line, std::string message);
  bool Fail(std::string message) { return Fail(line_->number, std::move(message)); }

  void Start(const Line &line) {
    line_ = &line;
    next_ = 1;
  }
  int LineNumber() const { return line_->number; }
  const Token &Keyword() const { return line_->tokens[0]; }
  bool AtEnd() const { return next_ >= line_->tokens.size(); }

  bool Word(std::string &out, const char *what);
  bool Name(std::string &out);
  // Takes `keyword` if it comes next.
  bool Optional(const char *keyword);
  bool Expect(const char *keyword);
  bool Int(int &out, int low, int high, const char *what);
  // `keyword`, then a whole number of that name.
  bool Keyed(const char *keyword, int &out, int low, int high) {
    return Expect(keyword) && Int(out, low, high, keyword);
  }
  // Options in any order, each as often as written, up to the first other word.
  bool Options(std::initializer_list<Option> options);
  // "low-high"
  bool Range(int &low, int &high, int min, int max, const char *what);
  // "N/4" with N in 2..7
  bool TimeSignature(int &beats);
  bool Note(int &key, const char *what);
  bool Done();

  // One word of `table`.
  template <class T, std::size_t N>
  bool Choice(const Named<T> (&table)[N], T &out, const char *what) {
    std::string word;
    if (!Word(word, what))
      return false;
    if (const Named<T> *found = Find(table, word)) {
      out = found->value;
      return true;
    }
    std::string names;
    for (std::size_t i = 0; i < N; ++i)
      names.append(i == 0 ? "" : i + 1 < N ? ", " : " or ").append(table[i].name);
    return Fail(std::string(what) + " '" + word + "' is not " + names);
  }

private:
  const std::string &file_;
  MusicParseError &error_;
  const Line *line_ = nullptr;
  std::size_t next_ = 1;
};

// A statement of a file: its reader, whether it may come only once, and
// when it comes too early or too late (`order` says which).
template <class File> struct Statement {
  bool (File::*read)();
  bool once = false;
  bool (*outOfOrder)(const File &) = nullptr;
  const char *order = nullptr;
};

// False, with `error` set, if `text` is not one header line, the statements
// of `table` and the closing `end`. `File` is a file's reader: its reader
// `r`, what it fills `out`, and `Finish` for its checks at the end.
template <class File, std::size_t N>
bool ParseFile(std::string_view text, const std::string &file, const char *header,
               const Named<Statement<File>> (&table)[N], decltype(File::out) out,
               MusicParseError &error) {
  std::vector<Line> lines;
  int badLine = 0;
  int lineCount = 0;
  if (!Tokenize(text, lines, badLine, lineCount)) {
    error = {file, badLine, "unterminated quoted name"};
    return false;
  }
  if (lines.empty() || lines[0].tokens[0].quoted || lines[0].tokens[0].text != header) {
    error = {file, lines.empty() ? 1 : lines[0].number,
             std::string("the file must start with '") + header + "'"};
    return false;
  }
  out = {};
  Reader r(file, error);
  File reader{r, out};
  r.Start(lines[0]);
  if (!r.Name(out.name) || !r.Done())
    return false;
  std::array<bool, N> seen{};
  for (std::size_t i = 1; i < lines.size(); ++i) {
    r.Start(lines[i]);
    const Token &keyword = r.Keyword();
    if (keyword.quoted)
      return r.Fail("a statement starts with a keyword, not a quoted name");
    if (keyword.text == header)
      return r.Fail(std::string("duplicate '") + header + "'");
    // A file cut at a line end would read as a shorter piece; only the
    // closing line says it is whole.
    if (keyword.text == "end") {
      if (!r.Done())
        return false;
      return i + 1 == lines.size() ? reader.Finish()
                                   : r.Fail(lines[i + 1].number, "nothing may follow 'end'");
    }
    const int index = IndexOf(table, keyword.text);
    if (index < 0)
      return r.Fail("unknown statement '" + keyword.text + "'");
    const Statement<File> &statement = table[index].value;
    if (statement.outOfOrder != nullptr && statement.outOfOrder(reader))
      return r.Fail(statement.order);
    if (statement.once && std::exchange(seen[index], true))
      return r.Fail("duplicate '" + keyword.text + "'");
    if (!(reader.*statement.read)())
      return false;
  }
  return r.Fail(lineCount, "the file stops before its 'end' line: it is cut short");
}

} // namespace ruzoz::music
