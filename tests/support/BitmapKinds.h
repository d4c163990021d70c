#pragma once
// Every kind of bitmap file a paint program writes, made from one picture
// by a program that writes that kind: SDL, imagemagick's convert, or, for
// the kinds neither writes, by hand here.

#include "support/Bitmaps.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// The header, bits, compression and row order of a file.
struct BitmapLayout {
  int headerSize = 0;
  int bits = 0;
  int compression = 0; // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
  bool topDown = false;
  friend bool operator==(const BitmapLayout &, const BitmapLayout &) = default;
};

struct BitmapKind {
  std::string name; // a file name's part: no spaces
  std::string maker;
  BitmapLayout layout; // what the maker must have written
};
const std::vector<BitmapKind> &BitmapKinds();

// `source` (a bitmap SDL reads, with more than 256 colours for the palette
// kinds to be full) written as `kind` to `target`; throws when the maker
// fails.
void WriteBitmapKind(const BitmapKind &kind, const std::filesystem::path &source,
                     const std::filesystem::path &target);

// A whole file: the file header, `headerSize` bytes of header (12: the
// core one), the masks at the end of the header's first 40 bytes (after a
// 40-byte one), the colour table, then `data`. A negative height is a
// top-down picture.
std::vector<std::uint8_t> BitmapFileBytes(int headerSize, int bits, int compression, int width,
                                          int height, const std::vector<Rgb> &palette,
                                          const std::vector<std::uint32_t> &masks,
                                          const std::vector<std::uint8_t> &data);
// Rows of `bits` per pixel, each padded to four bytes, in file order;
// pixel(x, y) is a pixel's value or index, y counted from the top.
std::vector<std::uint8_t> BitmapRows(int width, int height, int bits, bool topDown,
                                     const std::function<std::uint32_t(int, int)> &pixel);

// The layout of a file's header; throws when it has none.
BitmapLayout ReadBitmapLayout(const std::filesystem::path &file);

} // namespace testsupport
