#include "Bitmap.h"

#include <fstream>
#include <stdexcept>
#include <string>

namespace ruzoz::contentgen {

Bitmap::Bitmap(int width, int height)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * height, transparentRgb) {
  if (width <= 0 || height <= 0)
    throw std::invalid_argument("bitmap size must be positive");
}

std::size_t Bitmap::Index(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    throw std::out_of_range("pixel outside bitmap");
  return static_cast<std::size_t>(y) * width_ + x;
}

void Bitmap::Blit(const Bitmap &src, int x, int y) {
  for (int sy = 0; sy < src.Height(); ++sy)
    for (int sx = 0; sx < src.Width(); ++sx) {
      int dx = x + sx, dy = y + sy;
      if (dx < 0 || dy < 0 || dx >= width_ || dy >= height_)
        continue;
      if (src.IsOpaque(sx, sy))
        pixels_[Index(dx, dy)] = src.At(sx, sy);
    }
}

namespace {

void Put16(std::vector<std::uint8_t> &out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
  Put16(out, v & 0xFFFFu);
  Put16(out, v >> 16);
}

} // namespace

std::vector<std::uint8_t> EncodeBmp(const Bitmap &image) {
  constexpr std::uint32_t headerSize = 14 + 40;
  const std::uint32_t stride = (image.Width() * 3u + 3u) & ~3u;
  const std::uint32_t dataSize = stride * image.Height();
  std::vector<std::uint8_t> out;
  out.reserve(headerSize + dataSize);
  out.push_back('B');
  out.push_back('M');
  Put32(out, headerSize + dataSize);
  Put32(out, 0);
  Put32(out, headerSize);
  Put32(out, 40);
  Put32(out, image.Width());
  Put32(out, image.Height());
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, dataSize);
  Put32(out, 2835); // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = image.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < image.Width(); ++x) {
      Rgb c = image.At(x, y);
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
    }
    for (std::uint32_t pad = image.Width() * 3u; pad < stride; ++pad)
      out.push_back(0);
  }
  return out;
}

void WriteBmp(const Bitmap &image, const std::filesystem::path &path) {
  const std::vector<std::uint8_t> bytes = EncodeBmp(image);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file)
    throw std::runtime_error("cannot open " + path.string() + " for writing");
  file.write(reinterpret_cast<const char *>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  if (!file.flush())
    throw std::runtime_error("cannot write " + path.string());
}

} // namespace ruzoz::contentgen
