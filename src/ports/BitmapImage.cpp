#include "ports/BitmapImage.h"

#include "ports/DataFile.h"

namespace ruzoz {

namespace {

constexpr std::int64_t maxPixels = 4096 * 4096;

std::uint32_t le(const std::uint8_t *at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = value << 8 | at[i];
  return value;
}

std::uint16_t rgb565(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  const auto packed = static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
  // Dropping the low bits turns near-white into the key.
  return packed == colorKey && (r & g & b) != 0xFF ? almostWhite : packed;
}

} // namespace

bool DecodeBitmap(const std::uint8_t *bytes, std::size_t size, Rgb565Image &out) {
  if (size < 26 || bytes[0] != 'B' || bytes[1] != 'M')
    return false;
  const std::uint32_t headerSize = le(bytes + 14, 4);
  const bool core = headerSize == 12; // 16-bit sizes, 3-byte palette entries
  if (!core && (headerSize < 40 || headerSize > 124))
    return false;
  if (size < 14 + std::size_t(headerSize))
    return false;
  const std::uint8_t *info = bytes + 14;
  const std::int64_t width = core ? std::int64_t(le(info + 4, 2)) : std::int32_t(le(info + 4, 4));
  const std::int64_t rawHeight =
      core ? std::int64_t(le(info + 6, 2)) : std::int64_t(std::int32_t(le(info + 8, 4)));
  const std::uint32_t planes = le(info + (core ? 8 : 12), 2);
  const std::uint32_t bits = le(info + (core ? 10 : 14), 2);
  const std::uint32_t compression = core ? 0 : le(info + 16, 4);
  const bool topDown = rawHeight < 0;
  const std::int64_t height = topDown ? -rawHeight : rawHeight;
  if (planes != 1 || compression != 0 || width <= 0 || height <= 0 || width * height > maxPixels)
    return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return false;

  // The palette follows the header.
  std::uint32_t colours[256] = {};
  std::uint32_t paletteSize = 0;
  if (bits <= 8) {
    const std::uint32_t used = core ? 0 : le(info + 32, 4);
    paletteSize = used == 0 || used > (1u << bits) ? 1u << bits : used;
    const std::size_t entry = core ? 3 : 4;
    const std::size_t first = 14 + std::size_t(headerSize);
    if (size < first + paletteSize * entry)
      return false;
    for (std::uint32_t i = 0; i < paletteSize; ++i)
      colours[i] = le(bytes + first + i * entry, 3); // 0xRRGGBB
  }

  const std::uint32_t offset = le(bytes + 10, 4);
  const std::size_t stride = std::size_t((width * bits + 31) / 32) * 4;
  if (offset > size || (size - offset) / stride < std::size_t(height))
    return false;

  out.width = int(width);
  out.height = int(height);
  out.pixels.resize(std::size_t(width * height));
  for (std::int64_t y = 0; y < height; ++y) {
    const std::uint8_t *row = bytes + offset + stride * std::size_t(topDown ? y : height - 1 - y);
    std::uint16_t *target = out.pixels.data() + y * width;
    for (std::int64_t x = 0; x < width; ++x) {
      std::uint32_t rgb;
      if (bits >= 24) {
        rgb = le(row + x * (bits / 8), 3);
      } else {
        const std::int64_t bit = x * bits;
        const std::uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= paletteSize)
          return false;
        rgb = colours[index];
      }
      target[x] = rgb565(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
    }
  }
  return true;
}

bool LoadBitmapFile(const char *fileName, Rgb565Image &out) {
  std::vector<std::uint8_t> file;
  return ReadDataFile(fileName, DataKind::image, file) &&
         DecodeBitmap(file.data(), file.size(), out);
}

} // namespace ruzoz
