#pragma once
#include "Bitmap.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ruzoz::contentgen::test {

// A strict reader for what the generator must write: 24-bit BI_RGB,
// bottom-up, 4-byte row padding. Throws std::runtime_error on anything else.
struct ParsedBmp {
  int width = 0, height = 0;
  std::vector<Rgb> pixels; // top row first

  Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  bool IsTransparent(int x, int y) const { return At(x, y) == transparentRgb; }
};

ParsedBmp ParseBmp(const std::vector<std::uint8_t> &bytes);
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path &path);
ParsedBmp LoadBmp(const std::filesystem::path &path);

} // namespace ruzoz::contentgen::test
