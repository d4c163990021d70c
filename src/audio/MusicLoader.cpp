#include "audio/MusicLoader.h"

#include "audio/MusicParse.h"

#include <cstdio>
#include <fstream>

namespace ruzoz::music {

namespace {

// Far beyond any hand-written file; keeps a wrong path from reading a disk image.
constexpr std::streamoff maxFileSize = 1 << 20;

bool ReadFile(const std::string &fileName, std::string &text) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "%s: cannot be opened\n", fileName.c_str());
    return false;
  }
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0 || size > maxFileSize) {
    std::fprintf(stderr, "%s: cannot be read or is too large\n", fileName.c_str());
    return false;
  }
  file.seekg(0);
  text.resize(static_cast<std::size_t>(size));
  if (!file.read(text.data(), size)) {
    std::fprintf(stderr, "%s: cannot be read\n", fileName.c_str());
    return false;
  }
  return true;
}

bool Parse(std::string_view text, const std::string &file, MusicTemplate &out,
           MusicParseError &error) {
  return ParseTemplate(text, file, out, error);
}
bool Parse(std::string_view text, const std::string &file, MusicStyle &out,
           MusicParseError &error) {
  return ParseStyle(text, file, out, error);
}
bool Parse(std::string_view text, const std::string &file, MusicChordMap &out,
           MusicParseError &error) {
  return ParseChordMap(text, file, out, error);
}

template <class T> bool Load(const std::string &fileName, T &out) {
  std::string text;
  if (!ReadFile(fileName, text))
    return false;
  MusicParseError error;
  if (!Parse(text, fileName, out, error)) {
    std::fprintf(stderr, "%s\n", error.Text().c_str());
    return false;
  }
  return true;
}

} // namespace

bool LoadMusicFile(const std::string &fileName, MusicTemplate &out) { return Load(fileName, out); }
bool LoadMusicFile(const std::string &fileName, MusicStyle &out) { return Load(fileName, out); }
bool LoadMusicFile(const std::string &fileName, MusicChordMap &out) { return Load(fileName, out); }

} // namespace ruzoz::music
