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

} // namespace

void MusicLoader::EnableCache(bool on) {
  cacheOn_ = on;
  if (!on)
    ClearCache();
}

void MusicLoader::ClearCache() {
  templates_.clear();
  styles_.clear();
  chordMaps_.clear();
}

template <> std::map<std::string, std::shared_ptr<MusicTemplate>> &MusicLoader::Cache() {
  return templates_;
}
template <> std::map<std::string, std::shared_ptr<MusicStyle>> &MusicLoader::Cache() {
  return styles_;
}
template <> std::map<std::string, std::shared_ptr<MusicChordMap>> &MusicLoader::Cache() {
  return chordMaps_;
}

template <class T> std::shared_ptr<T> MusicLoader::GetObject(const std::string &fileName) {
  auto &cache = Cache<T>();
  if (cacheOn_) {
    auto found = cache.find(fileName);
    if (found != cache.end())
      return found->second;
  }
  std::string text;
  if (!ReadFile(fileName, text))
    return nullptr;
  auto object = std::make_shared<T>();
  MusicParseError error;
  if (!Parse(text, fileName, *object, error)) {
    std::fprintf(stderr, "%s\n", error.Text().c_str());
    return nullptr;
  }
  if (cacheOn_)
    cache[fileName] = object;
  return object;
}

template std::shared_ptr<MusicTemplate> MusicLoader::GetObject(const std::string &);
template std::shared_ptr<MusicStyle> MusicLoader::GetObject(const std::string &);
template std::shared_ptr<MusicChordMap> MusicLoader::GetObject(const std::string &);

} // namespace ruzoz::music
