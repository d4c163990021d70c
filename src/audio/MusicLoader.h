#pragma once
// Reads the three music files by name (relative to the working directory).

#include "audio/MusicModel.h"

#include <map>
#include <memory>
#include <string>

namespace ruzoz::music {

class MusicLoader {
public:
  // While on, a file asked for again is not read again.
  void EnableCache(bool on);
  void ClearCache();

  // T is MusicTemplate, MusicStyle or MusicChordMap. Null when the file is
  // missing, unreadable or malformed; the reason goes to stderr with the
  // file name and line.
  template <class T> std::shared_ptr<T> GetObject(const std::string &fileName);

private:
  template <class T> std::map<std::string, std::shared_ptr<T>> &Cache();

  bool cacheOn_ = false;
  std::map<std::string, std::shared_ptr<MusicTemplate>> templates_;
  std::map<std::string, std::shared_ptr<MusicStyle>> styles_;
  std::map<std::string, std::shared_ptr<MusicChordMap>> chordMaps_;
};

} // namespace ruzoz::music
