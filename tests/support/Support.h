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
// The program of that name on PATH, or empty.
std::string FindProgram(const std::string &name);

using Environment = std::map<std::string, std::string>; // added to this process's

// Starts argv[0] (a path) in `cwd` with no input, its output into the files.
int StartProcess(const std::vector<std::string> &argv, const fs::path &cwd, const Environment &env,
                 const fs::path &outFile, const fs::path &errFile);
// Waits up to `seconds`; false if it is still running. The exit code is -1
// when it ended by a signal.
bool WaitProcess(int pid, double seconds, int &exitCode, long *peakKilobytes = nullptr);
void KillProcess(int pid);

struct ProcessResult {
  bool exited = false; // false: killed at the deadline
  int exitCode = -1;
  std::string out, err;
  double seconds = 0;     // from start to end (or the kill)
  long peakKilobytes = 0; // the child's largest resident size
};

// Runs the child to its end, killed after `seconds`.
ProcessResult RunProcess(const std::vector<std::string> &argv, const fs::path &cwd,
                         const Environment &env, double seconds);

} // namespace testsupport
