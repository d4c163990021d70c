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

struct ProcessResult {
  bool exited = false; // false: killed at the deadline
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs argv[0] (a path) in `cwd` with the extra environment variables, no
// input, stdout and stderr collected; killed after `seconds`.
ProcessResult RunProcess(const std::vector<std::string> &argv, const fs::path &cwd,
                         const std::map<std::string, std::string> &env, double seconds);

// A child left running; its output goes to the given files.
int StartProcess(const std::vector<std::string> &argv, const fs::path &cwd,
                 const std::map<std::string, std::string> &env, const fs::path &outFile,
                 const fs::path &errFile);
// Waits up to `seconds`; false if it is still running. Sets the exit code
// (-1 when ended by a signal).
bool WaitProcess(int pid, double seconds, int &exitCode);
void KillProcess(int pid);

// The program of that name on PATH, or empty.
std::string FindProgram(const std::string &name);
std::string ReadText(const fs::path &path);

} // namespace testsupport
