#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ruzoz::icongen {

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const Rgba &, const Rgba &) = default;
};

// 8-bit sRGB with straight (not premultiplied) alpha, rows top to bottom.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;

  Image() = default;
  Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}
  Rgba &at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  const Rgba &at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

} // namespace ruzoz::icongen
