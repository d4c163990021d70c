#pragma once
// Helpers of the reliability tests: scratch copies of the data folder, the
// replay tool as a child process, and small BMP and WAVE writers.

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace reliability {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The 48 files of the data folder, in the order start-up reads them.
struct DataFile {
  const char *name;
  const char *failure; // what start-up says when it cannot use the file
};
const std::vector<DataFile> &DataFiles();
// Test names carry the file name (not addresses, which change per run).
inline void PrintTo(const DataFile &file, std::ostream *out) { *out << file.name; }

// A fresh folder holding a copy of the built data folder; removed with
// everything in it at the end.
class DataCopy {
public:
  DataCopy();
  ~DataCopy();
  DataCopy(const DataCopy &) = delete;
  DataCopy &operator=(const DataCopy &) = delete;
  const fs::path &path() const { return path_; }
  fs::path operator/(const std::string &name) const { return path_ / name; }

private:
  fs::path path_;
};

Bytes ReadBytes(const fs::path &path);
void WriteBytes(const fs::path &path, const Bytes &bytes);

struct Outcome {
  bool finished = false; // false: killed at the deadline
  int exitCode = -1;     // -1: ended by a signal
  int signal = 0;
  std::string out;
  std::string err;
};

// The replay tool in `dir` with SDL's dummy drivers. A sanitizer finding
// exits with 23 (never 1, the start-up failure) and prints its report.
Outcome RunReplay(const fs::path &dir, const std::vector<std::string> &arguments,
                  double seconds = 120);

// Whether a sanitizer (ASan, LSan, UBSan) reported anything.
bool SanitizerReport(const std::string &err);

// The lines of `text`, without their line ends.
std::vector<std::string> Lines(const std::string &text);

// 24-bit bottom-up BMP; colour(x, y) gives 0xRRGGBB.
Bytes Bmp24(int width, int height, std::uint32_t (*colour)(int x, int y));

struct WaveShape {
  std::uint16_t tag = 1;
  std::uint16_t channels = 1;
  std::uint32_t rate = 44100;
  std::uint16_t bits = 16;
  std::uint16_t blockAlign = 0; // 0: channels * bits / 8
  Bytes data;
  Bytes before; // whole chunks placed before "fmt "
};
Bytes Wave(const WaveShape &shape);
// One RIFF chunk, padded to an even length.
Bytes Chunk(const char *id, const Bytes &data);

} // namespace reliability
