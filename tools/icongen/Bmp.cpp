#include "Bmp.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace ruzoz::icongen {

namespace {

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void Require(bool ok, const char *what) {
  if (!ok)
    throw std::runtime_error(std::string("unsupported or broken BMP: ") + what);
}

bool KeyedByGame(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return r >= 248 && g >= 252 && b >= 248;
}

} // namespace

Image DecodeBmp(std::span<const std::uint8_t> b) {
  Require(b.size() >= 54, "shorter than its headers");
  Require(b[0] == 'B' && b[1] == 'M', "no BM signature");
  const std::uint32_t dataOffset = U32(b, 10);
  const std::uint32_t infoSize = U32(b, 14);
  Require(infoSize >= 40 && 14 + std::size_t{infoSize} <= b.size(), "info header");
  const auto width = static_cast<std::int32_t>(U32(b, 18));
  const auto rawHeight = static_cast<std::int32_t>(U32(b, 22));
  const int bits = U16(b, 28);
  const std::uint32_t compression = U32(b, 30);
  Require(width > 0 && width <= 16384, "width");
  Require(rawHeight != 0 && rawHeight >= -16384 && rawHeight <= 16384, "height");
  Require(bits == 24 || bits == 32, "bits per pixel");
  // 32-bit files may say BI_BITFIELDS; only the usual BGRX layout is read.
  Require(compression == 0 || (compression == 3 && bits == 32), "compression");
  const bool bottomUp = rawHeight > 0;
  const int height = bottomUp ? rawHeight : -rawHeight;
  const std::size_t bytesPerPixel = static_cast<std::size_t>(bits) / 8;
  const std::size_t stride = (static_cast<std::size_t>(width) * bytesPerPixel + 3) / 4 * 4;
  Require(dataOffset <= b.size() && stride * height <= b.size() - dataOffset, "truncated pixels");

  Image image(width, height);
  for (int row = 0; row < height; ++row) {
    const int y = bottomUp ? height - 1 - row : row;
    const std::size_t base = dataOffset + stride * row;
    for (int x = 0; x < width; ++x) {
      const std::size_t p = base + bytesPerPixel * x;
      const std::uint8_t blue = b[p], green = b[p + 1], red = b[p + 2];
      image.at(x, y) = KeyedByGame(red, green, blue) ? Rgba{} : Rgba{red, green, blue, 255};
    }
  }
  return image;
}

Image ReadBmp(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot open " + path.string());
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                        std::istreambuf_iterator<char>()};
  return DecodeBmp(bytes);
}

} // namespace ruzoz::icongen
