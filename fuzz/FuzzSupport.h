#pragma once
// Helpers shared by the fuzz targets. The wave and image loaders read files
// by name, so an input reaches them through a file in a private folder
// (on /dev/shm where there is one: no disk traffic per input).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace ruzoz::fuzz {

// Stops the run with a message: libFuzzer keeps the input as a crash.
[[noreturn]] inline void Fail(const char *what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

inline void Check(bool condition, const char *what) {
  if (!condition)
    Fail(what);
}

class ScratchFile {
public:
  explicit ScratchFile(const char *name) {
    const char *root = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : P_tmpdir;
    std::string pattern = std::string(root) + "/ruzoz-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
      Fail("cannot make a scratch folder");
    dir_ = pattern;
    path_ = dir_ + "/" + name;
  }
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  ScratchFile(const ScratchFile &) = delete;
  ScratchFile &operator=(const ScratchFile &) = delete;

  // The file now holds exactly these bytes.
  const char *Write(const std::uint8_t *data, std::size_t size) const {
    std::FILE *file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr)
      Fail("cannot write the scratch file");
    const bool whole = size == 0 || std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !whole)
      Fail("cannot write the scratch file");
    return path_.c_str();
  }

private:
  std::string dir_;
  std::string path_;
};

} // namespace ruzoz::fuzz
