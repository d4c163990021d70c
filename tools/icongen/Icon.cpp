#include "Icon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

namespace ruzoz::icongen {

namespace {

double SrgbToLinear(double v) {
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

struct Transfer {
  std::array<double, 256> toLinear{};
  // upper[v]: linear value where rounding in sRGB moves from v to v + 1.
  std::array<double, 255> upper{};

  Transfer() {
    for (int v = 0; v < 256; ++v)
      toLinear[v] = SrgbToLinear(v / 255.0);
    for (int v = 0; v < 255; ++v)
      upper[v] = SrgbToLinear((v + 0.5) / 255.0);
  }

  std::uint8_t toSrgb(double linear) const {
    return static_cast<std::uint8_t>(std::upper_bound(upper.begin(), upper.end(), linear) -
                                     upper.begin());
  }
};

const Transfer &transfer() {
  static const Transfer table;
  return table;
}

struct Premultiplied {
  double r = 0, g = 0, b = 0, a = 0;
};

using Taps = std::vector<std::pair<int, double>>;

// Source pixels under destination pixel i along one axis, weighted by
// overlap so that a destination pixel fully inside the source sums to 1.
std::vector<Taps> AxisTaps(int destCount, int sourceCount, double scale, double offset) {
  std::vector<Taps> taps(static_cast<std::size_t>(destCount));
  for (int i = 0; i < destCount; ++i) {
    const double lo = (i - offset) / scale;
    const double hi = (i + 1 - offset) / scale;
    const int first = std::max(0, static_cast<int>(std::floor(lo)));
    const int last = std::min(sourceCount - 1, static_cast<int>(std::ceil(hi)) - 1);
    for (int k = first; k <= last; ++k) {
      const double overlap = std::min(hi, k + 1.0) - std::max(lo, static_cast<double>(k));
      if (overlap > 0)
        taps[i].emplace_back(k, overlap * scale);
    }
  }
  return taps;
}

// Half-open box of the pixels with alpha above 0.
struct Bounds {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

Bounds OpaqueBounds(const Image &image) {
  Bounds box{image.width, image.height, 0, 0};
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (image.at(x, y).a != 0) {
        box.x0 = std::min(box.x0, x);
        box.y0 = std::min(box.y0, y);
        box.x1 = std::max(box.x1, x + 1);
        box.y1 = std::max(box.y1, y + 1);
      }
  if (box.x1 <= box.x0)
    return {};
  return box;
}

// Destination position of source coordinate s: offset + s * scale, per axis.
struct Placement {
  double scale = 1;
  double offsetX = 0;
  double offsetY = 0;
};

Placement FitIcon(const Image &sprite, int size) {
  const Bounds box = OpaqueBounds(sprite);
  const int boxWidth = box.x1 - box.x0;
  const int boxHeight = box.y1 - box.y0;
  if (boxWidth <= 0 || boxHeight <= 0 || size <= 0)
    throw std::runtime_error("nothing opaque to make an icon of");
  const int margin = std::max(1, size / 32);
  double scale = static_cast<double>(size - 2 * margin) / std::max(boxWidth, boxHeight);
  // Pixel art stays crisp at whole multiples; give up a little size for it.
  const double whole = std::floor(scale);
  if (whole >= 1 && whole / scale >= 0.75)
    scale = whole;
  Placement p;
  p.scale = scale;
  p.offsetX = std::round((size - boxWidth * scale) / 2) - box.x0 * scale;
  p.offsetY = std::round((size - boxHeight * scale) / 2) - box.y0 * scale;
  return p;
}

Image Resample(const Image &source, int width, int height, const Placement &placement) {
  const Transfer &t = transfer();
  const std::vector<Taps> columns =
      AxisTaps(width, source.width, placement.scale, placement.offsetX);
  const std::vector<Taps> rows =
      AxisTaps(height, source.height, placement.scale, placement.offsetY);

  std::vector<Premultiplied> linear(source.pixels.size());
  for (std::size_t i = 0; i < linear.size(); ++i) {
    const Rgba &p = source.pixels[i];
    const double a = p.a / 255.0;
    linear[i] = {t.toLinear[p.r] * a, t.toLinear[p.g] * a, t.toLinear[p.b] * a, a};
  }

  // Horizontal pass into width x source.height, then vertical.
  std::vector<Premultiplied> across(static_cast<std::size_t>(width) * source.height);
  for (int y = 0; y < source.height; ++y)
    for (int x = 0; x < width; ++x) {
      Premultiplied sum;
      for (const auto &[k, w] : columns[x]) {
        const Premultiplied &s = linear[static_cast<std::size_t>(y) * source.width + k];
        sum.r += s.r * w;
        sum.g += s.g * w;
        sum.b += s.b * w;
        sum.a += s.a * w;
      }
      across[static_cast<std::size_t>(y) * width + x] = sum;
    }

  Image out(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Premultiplied sum;
      for (const auto &[k, w] : rows[y]) {
        const Premultiplied &s = across[static_cast<std::size_t>(k) * width + x];
        sum.r += s.r * w;
        sum.g += s.g * w;
        sum.b += s.b * w;
        sum.a += s.a * w;
      }
      const long alpha = std::lround(std::clamp(sum.a, 0.0, 1.0) * 255);
      if (alpha == 0)
        continue;
      out.at(x, y) = {t.toSrgb(sum.r / sum.a), t.toSrgb(sum.g / sum.a), t.toSrgb(sum.b / sum.a),
                      static_cast<std::uint8_t>(alpha)};
    }
  return out;
}

} // namespace

Image MakeIcon(const Image &sprite, int size) {
  return Resample(sprite, size, size, FitIcon(sprite, size));
}

} // namespace ruzoz::icongen
