#include "Raster.h"

#include <algorithm>
#include <stdexcept>

namespace ruzoz::contentgen {

namespace {

std::uint8_t Channel(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

int Wrap(std::int64_t v, int period) {
  if (period <= 0)
    return static_cast<int>(v);
  std::int64_t m = v % period;
  return static_cast<int>(m < 0 ? m + period : m);
}

double LatticeValue(std::int64_t ix, std::int64_t iy, std::uint64_t seed) {
  std::uint64_t h = Mix64(seed ^ Mix64(static_cast<std::uint64_t>(ix) * 0x9E3779B97F4A7C15ull +
                                       static_cast<std::uint64_t>(iy)));
  return static_cast<double>(h >> 11) * 0x1.0p-53;
}

double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

const Vec3 keyLight = Normalized({-0.55, -0.65, 0.55});

} // namespace

Rgb ToRgb(Color c) { return {Channel(c.r), Channel(c.g), Channel(c.b)}; }

Color FromRgb(Rgb c) { return {double(c.r), double(c.g), double(c.b)}; }

Color Ramp(std::span<const ColorStop> stops, double t) {
  if (stops.empty())
    return {};
  if (t <= stops.front().at)
    return stops.front().color;
  for (std::size_t i = 1; i < stops.size(); ++i)
    if (t <= stops[i].at) {
      const ColorStop &a = stops[i - 1], &b = stops[i];
      double span = b.at - a.at;
      return span > 0 ? Mix(a.color, b.color, (t - a.at) / span) : b.color;
    }
  return stops.back().color;
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double SmoothStep(double edge0, double edge1, double v) {
  double t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

std::uint64_t Mix64(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint64_t Rng::Next() {
  state_ += 0x9E3779B97F4A7C15ull;
  return Mix64(state_);
}

double Rng::Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

double ValueNoise(double x, double y, std::uint64_t seed, int period) {
  double fx = std::floor(x), fy = std::floor(y);
  auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
  double tx = Fade(x - fx), ty = Fade(y - fy);
  auto v = [&](std::int64_t dx, std::int64_t dy) {
    return LatticeValue(Wrap(ix + dx, period), Wrap(iy + dy, period), seed);
  };
  double top = v(0, 0) + (v(1, 0) - v(0, 0)) * tx;
  double bottom = v(0, 1) + (v(1, 1) - v(0, 1)) * tx;
  return top + (bottom - top) * ty;
}

double Fbm(double x, double y, std::uint64_t seed, int octaves, int period) {
  double sum = 0, amplitude = 1, total = 0, frequency = 1;
  for (int i = 0; i < octaves; ++i) {
    int p = period > 0 ? period << i : 0;
    sum += amplitude * ValueNoise(x * frequency, y * frequency, seed + i, p);
    total += amplitude;
    amplitude *= 0.5;
    frequency *= 2;
  }
  return sum / total;
}

CellDistances Cellular(double x, double y, std::uint64_t seed, int period) {
  double fx = std::floor(x), fy = std::floor(y);
  auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
  CellDistances d{1e9, 1e9};
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      std::int64_t cx = Wrap(ix + dx, period), cy = Wrap(iy + dy, period);
      double px = fx + dx + LatticeValue(cx, cy, seed);
      double py = fy + dy + LatticeValue(cx, cy, seed + 7);
      double dist = std::hypot(px - x, py - y);
      if (dist < d.nearest) {
        d.second = d.nearest;
        d.nearest = dist;
      } else if (dist < d.second) {
        d.second = dist;
      }
    }
  return d;
}

Polygon Polygon::MirroredX(std::span<const Vec2> rightHalf, double axis) {
  std::vector<Vec2> points(rightHalf.begin(), rightHalf.end());
  for (auto it = rightHalf.rbegin(); it != rightHalf.rend(); ++it)
    points.push_back({2 * axis - it->x, it->y});
  return Polygon(std::move(points));
}

bool Polygon::Contains(double x, double y) const {
  bool inside = false;
  for (std::size_t i = 0, j = points_.size() - 1; i < points_.size(); j = i++) {
    const Vec2 &a = points_[i], &b = points_[j];
    if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
      inside = !inside;
  }
  return inside;
}

double SegmentDistance(double x, double y, Vec2 a, Vec2 b) {
  double vx = b.x - a.x, vy = b.y - a.y;
  double len2 = vx * vx + vy * vy;
  double t = len2 > 0 ? Clamp01(((x - a.x) * vx + (y - a.y) * vy) / len2) : 0;
  return std::hypot(x - (a.x + t * vx), y - (a.y + t * vy));
}

Vec3 Normalized(Vec3 v) {
  double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return len > 0 ? Vec3{v.x / len, v.y / len, v.z / len} : Vec3{0, 0, 1};
}

Vec3 SphereNormal(double dx, double dy, double r) {
  double nx = dx / r, ny = dy / r;
  double z2 = 1 - nx * nx - ny * ny;
  return Normalized({nx, ny, z2 > 0 ? std::sqrt(z2) : 0});
}

double Diffuse(Vec3 n) {
  return std::max(0.0, n.x * keyLight.x + n.y * keyLight.y + n.z * keyLight.z);
}

double Specular(Vec3 n, double power) {
  // Blinn half vector between the key light and the viewer (0, 0, 1).
  Vec3 h = Normalized({keyLight.x, keyLight.y, keyLight.z + 1});
  double d = std::max(0.0, n.x * h.x + n.y * h.y + n.z * h.z);
  return std::pow(d, power);
}

Color Lit(Color albedo, Vec3 n, double ambient, double shine, double power) {
  double light = ambient + (1 - ambient) * Diffuse(n) * 1.25;
  return albedo * light + Color{255, 250, 240} * (shine * Specular(n, power));
}

Canvas::Canvas(int width, int height, int samples)
    : width_(width), height_(height), samples_(samples),
      samples_data_(static_cast<std::size_t>(width * samples) * height * samples) {}

void Canvas::Blend(int sx, int sy, const Rgba &top) {
  Rgba &s = samples_data_[static_cast<std::size_t>(sy) * width_ * samples_ + sx];
  double a = Clamp01(top.alpha);
  s.color = Mix(s.color, top.color, s.alpha > 0 ? a : 1.0);
  s.alpha = s.alpha + a * (1 - s.alpha);
}

Bitmap Canvas::ToSprite(double minCoverage) const {
  Bitmap out(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      Color sum;
      int covered = 0;
      for (int j = 0; j < samples_; ++j)
        for (int i = 0; i < samples_; ++i) {
          const Rgba &s =
              samples_data_[static_cast<std::size_t>(y * samples_ + j) * width_ * samples_ +
                            x * samples_ + i];
          if (s.alpha >= 0.5) {
            sum = sum + s.color;
            ++covered;
          }
        }
      if (covered > 0 && covered >= minCoverage * samples_ * samples_)
        out.Set(x, y, ToRgb(sum * (1.0 / covered)));
    }
  return out;
}

Picture::Picture(int width, int height, Color fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill) {}

void Picture::Add(int x, int y, Color c) {
  if (Contains(x, y))
    At(x, y) = At(x, y) + c;
}

void Picture::Blend(int x, int y, Color c, double alpha) {
  if (Contains(x, y))
    At(x, y) = Mix(At(x, y), c, Clamp01(alpha));
}

void Picture::AddGlow(double cx, double cy, double radius, Color c) {
  int reach = static_cast<int>(std::ceil(radius * 2.5));
  int px = static_cast<int>(std::floor(cx)), py = static_cast<int>(std::floor(cy));
  for (int y = py - reach; y <= py + reach; ++y)
    for (int x = px - reach; x <= px + reach; ++x) {
      double d2 = (x + 0.5 - cx) * (x + 0.5 - cx) + (y + 0.5 - cy) * (y + 0.5 - cy);
      Add(x, y, c * std::exp(-d2 / (radius * radius)));
    }
}

Bitmap Picture::ToBitmap() const {
  Bitmap out(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      out.Set(x, y, ToRgb(At(x, y)));
  return out;
}

Mask Mask::Dilated(int radius) const {
  Mask out(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      double m = 0;
      for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
          if (dx * dx + dy * dy <= radius * radius + radius)
            m = std::max(m, Sample(x + dx, y + dy));
      out.At(x, y) = m;
    }
  return out;
}

Mask Mask::Blurred(int radius) const {
  Mask cur = *this;
  const int n = 2 * radius + 1;
  for (int pass = 0; pass < 3; ++pass) {
    Mask horizontal(width_, height_);
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        double s = 0;
        for (int d = -radius; d <= radius; ++d)
          s += cur.Sample(x + d, y);
        horizontal.At(x, y) = s / n;
      }
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        double s = 0;
        for (int d = -radius; d <= radius; ++d)
          s += horizontal.Sample(x, y + d);
        cur.At(x, y) = s / n;
      }
  }
  return cur;
}

void Outline(Bitmap &sprite, Rgb c, bool diagonal) {
  Bitmap src = sprite;
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      if (src.IsOpaque(x, y))
        continue;
      bool touches = false;
      for (int dy = -1; dy <= 1 && !touches; ++dy)
        for (int dx = -1; dx <= 1 && !touches; ++dx) {
          if ((dx == 0 && dy == 0) || (!diagonal && dx != 0 && dy != 0))
            continue;
          int nx = x + dx, ny = y + dy;
          touches =
              nx >= 0 && ny >= 0 && nx < src.Width() && ny < src.Height() && src.IsOpaque(nx, ny);
        }
      if (touches)
        sprite.Set(x, y, c);
    }
}

void ShadeRim(Bitmap &sprite, double factor) {
  Bitmap src = sprite;
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      if (!src.IsOpaque(x, y))
        continue;
      bool edge = false;
      const int offsets[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
      for (const auto &o : offsets) {
        int nx = x + o[0], ny = y + o[1];
        edge = edge || nx < 0 || ny < 0 || nx >= src.Width() || ny >= src.Height() ||
               !src.IsOpaque(nx, ny);
      }
      if (edge)
        sprite.Set(x, y, ToRgb(FromRgb(src.At(x, y)) * factor));
    }
}

} // namespace ruzoz::contentgen
