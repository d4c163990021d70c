#include "Bitmap.h"

#include <stdexcept>

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

} // namespace ruzoz::contentgen
