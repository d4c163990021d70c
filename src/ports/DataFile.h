#pragma once
// The one way a data file comes in. Each is judged before a byte is read:
// a regular file (after symlinks) no larger than its kind can be. A pipe,
// directory or device in the data folder would otherwise block the reader
// or feed it without end; a huge file would be read whole.

#include <cstdint>
#include <vector>

namespace ruzoz {

enum class DataKind {
  image, // a BMP of 4096 x 4096 pixels at most (largestBitmapFileBytes)
  wave,  // 64 MiB
  music, // a hand-written text: 1 MiB
};

std::uint64_t DataFileCap(DataKind kind);

// The whole file, or false with a line on stderr naming the file and why
// (missing, not a regular file, too large, unreadable).
bool ReadDataFile(const char *fileName, DataKind kind, std::vector<std::uint8_t> &bytes);

} // namespace ruzoz
