#pragma once
// Helpers of the shell tests: scratch folders, bitmaps written and read
// byte by byte, and child processes with a deadline.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace shelltest {

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

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb &, const Rgb &) = default;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels; // top row first
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// 24-bit uncompressed Windows bitmap, bottom-up.
std::vector<std::uint8_t> EncodeBmp(int width, int height,
                                    const std::function<Rgb(int x, int y)> &pixel);
void WriteFile(const fs::path &path, const std::vector<std::uint8_t> &bytes);
void WriteBmp(const fs::path &path, int width, int height,
              const std::function<Rgb(int x, int y)> &pixel);
// 24-bit uncompressed bitmaps only (what the content and the snapshots are).
bool ReadBmp(const fs::path &path, Image &image, std::string &error);

// The 40 images at the sizes the game draws them, each a disc of its own
// colour on white; `skip` (a file name) is left out.
void WriteNominalImages(const fs::path &dir, const char *skip = nullptr);

// What the back buffer holds for a colour of an image: 5-6-5 bits, and
// near-white kept apart from the transparent key.
std::uint16_t Expected565(Rgb c);

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

} // namespace shelltest
