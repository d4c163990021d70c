#include "BmpReader.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ruzoz::contentgen::test {

namespace {

std::uint32_t U32(const std::vector<std::uint8_t> &b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const std::vector<std::uint8_t> &b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
void Require(bool ok, const std::string &what) {
  if (!ok)
    throw std::runtime_error("bad BMP: " + what);
}

} // namespace

ParsedBmp ParseBmp(const std::vector<std::uint8_t> &b) {
  Require(b.size() >= 54, "shorter than its headers");
  Require(b[0] == 'B' && b[1] == 'M', "no BM signature");
  Require(U32(b, 2) == b.size(), "file size field");
  Require(U32(b, 10) == 54, "pixel data offset");
  Require(U32(b, 14) == 40, "info header size");
  auto width = static_cast<std::int32_t>(U32(b, 18));
  auto height = static_cast<std::int32_t>(U32(b, 22));
  Require(width > 0 && height > 0, "size not positive (must be bottom-up)");
  Require(U16(b, 26) == 1, "planes");
  Require(U16(b, 28) == 24, "bits per pixel");
  Require(U32(b, 30) == 0, "compression");
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  Require(b.size() == 54 + stride * height, "pixel data length");
  Require(U32(b, 34) == 0 || U32(b, 34) == stride * height, "image size field");
  ParsedBmp out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    std::size_t base = 54 + stride * row;
    int y = height - 1 - row;
    for (int x = 0; x < width; ++x) {
      std::size_t at = base + 3 * static_cast<std::size_t>(x);
      out.pixels[static_cast<std::size_t>(y) * width + x] = {b[at + 2], b[at + 1], b[at]};
    }
    for (std::size_t pad = base + 3 * static_cast<std::size_t>(width); pad < base + stride; ++pad)
      Require(b[pad] == 0, "padding not zero");
  }
  return out;
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ParsedBmp LoadBmp(const std::filesystem::path &path) { return ParseBmp(ReadFileBytes(path)); }

} // namespace ruzoz::contentgen::test
