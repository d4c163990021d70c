#pragma once
// Helpers of every test: scratch folders, files and child processes
// with a deadline. Bitmaps are in support/Bitmaps.h.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

namespace fs = std::filesystem;

// A fresh folder, removed with everything in it at the end.
class ScratchDir {
public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir &) = delete;
  ScratchDir &operator=(const ScratchDir &) = delete;
  const fs::path &path() const { return path_; }

private:
  fs::path path_;
};

// Runs in a folder for the lifetime of the object.
class InDirectory {
public:
  explicit InDirectory(const fs::path &dir);
  ~InDirectory();

private:
  fs::path previous_;
};

void WriteFile(const fs::path &path, const std::vector<std::uint8_t> &bytes);
std::string ReadText(const fs::path &path);
// The samples of a recording by SDL's disk driver: the mix as it is, float.
std::vector<float> ReadFloats(const fs::path &path);

using Environment = std::map<std::string, std::string>; // added to this process's

struct ProcessResult {
  bool exited = false; // false: killed at the deadline
  int exitCode = -1;   // also when a signal ended it
  std::string out, err;
  double seconds = 0;     // from start to end (or the kill)
  long peakKilobytes = 0; // the child's largest resident size
};

// Runs argv[0] (a path) in `cwd` with no input to its end, killed after `seconds`.
ProcessResult RunProcess(const std::vector<std::string> &argv, const fs::path &cwd,
                         const Environment &env, double seconds);

} // namespace testsupport
