#include "audio/MusicLoader.h"

#include "audio/MusicParse.h"
#include "ports/DataFile.h"

#include <cstdio>
#include <vector>

namespace ruzoz::music {

namespace {

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
  std::vector<std::uint8_t> bytes;
  if (!ReadDataFile(fileName.c_str(), DataKind::music, bytes))
    return false;
  const std::string_view text(reinterpret_cast<const char *>(bytes.data()), bytes.size());
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
