#pragma once
#include "Bitmap.h"

#include <cmath>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace ruzoz::contentgen {

// Channels on the 0..255 scale; values outside are clamped only on output.
struct Color {
  double r = 0, g = 0, b = 0;
};

inline Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Color operator-(Color a, Color b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Color operator*(Color a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline Color Mix(Color a, Color b, double t) { return a + (b - a) * t; }
Rgb ToRgb(Color c);
Color FromRgb(Rgb c);

struct ColorStop {
  double at;
  Color color;
};
// Piecewise linear; stops sorted by `at`, t clamped to their range.
Color Ramp(std::span<const ColorStop> stops, double t);

double Clamp01(double v);
double SmoothStep(double edge0, double edge1, double v);

// splitmix64: tiny, fixed output for a given seed on every platform.
class Rng {
public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  double Uniform(); // [0, 1)
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

private:
  std::uint64_t state_;
};

std::uint64_t Mix64(std::uint64_t v);

// Value noise in [0, 1]. A positive period makes it tile with that period
// (in lattice units), which is how seamless tiles are made.
double ValueNoise(double x, double y, std::uint64_t seed, int period = 0);
// Sum of octaves, normalised to [0, 1].
double Fbm(double x, double y, std::uint64_t seed, int octaves, int period = 0);

struct CellDistances {
  double nearest;
  double second;
};
// Worley noise on a unit lattice with one jittered point per cell.
CellDistances Cellular(double x, double y, std::uint64_t seed, int period = 0);

struct Vec2 {
  double x = 0, y = 0;
};

class Polygon {
public:
  explicit Polygon(std::vector<Vec2> points) : points_(std::move(points)) {}
  // Builds a shape symmetric about x = axis from its right half, listed from
  // top to bottom.
  static Polygon MirroredX(std::span<const Vec2> rightHalf, double axis);
  bool Contains(double x, double y) const;

private:
  std::vector<Vec2> points_;
};

inline bool InCircle(double x, double y, double cx, double cy, double r) {
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}
inline bool InEllipse(double x, double y, double cx, double cy, double rx, double ry) {
  double u = (x - cx) / rx, v = (y - cy) / ry;
  return u * u + v * v <= 1.0;
}
inline bool InRotatedEllipse(double x, double y, double cx, double cy, double rx, double ry,
                             double angle) {
  double c = std::cos(angle), s = std::sin(angle);
  double u = ((x - cx) * c + (y - cy) * s) / rx;
  double v = (-(x - cx) * s + (y - cy) * c) / ry;
  return u * u + v * v <= 1.0;
}
double SegmentDistance(double x, double y, Vec2 a, Vec2 b);

struct Vec3 {
  double x = 0, y = 0, z = 1;
};
Vec3 Normalized(Vec3 v);
// Normal of a dome of radius r at offset (dx, dy) from its centre.
Vec3 SphereNormal(double dx, double dy, double r);
// One key light from the upper left for all art, so sprites agree.
double Diffuse(Vec3 n);
double Specular(Vec3 n, double power);
// Albedo under the key light plus a neutral highlight.
Color Lit(Color albedo, Vec3 n, double ambient, double shine, double power = 24);

struct Rgba {
  Color color;
  double alpha = 0;
};

// A supersampled layer stack for sprites: shapes are painted in logical
// pixel coordinates, then each pixel becomes either opaque or transparent.
class Canvas {
public:
  Canvas(int width, int height, int samples = 4);

  template <class Field> void PaintField(const Field &field) {
    for (int sy = 0; sy < height_ * samples_; ++sy)
      for (int sx = 0; sx < width_ * samples_; ++sx) {
        Rgba top = field((sx + 0.5) / samples_, (sy + 0.5) / samples_);
        if (top.alpha > 0)
          Blend(sx, sy, top);
      }
  }
  template <class Inside, class Shade>
  void Paint(const Inside &inside, const Shade &shade, double alpha = 1.0) {
    PaintField([&](double x, double y) {
      return inside(x, y) ? Rgba{shade(x, y), alpha} : Rgba{};
    });
  }
  // Hard edges: a pixel is opaque when at least minCoverage of its samples
  // are; its colour averages only the opaque samples, so edges never pick
  // up the white of the transparent field.
  Bitmap ToSprite(double minCoverage = 0.5) const;

private:
  void Blend(int sx, int sy, const Rgba &top);

  int width_, height_, samples_;
  std::vector<Rgba> samples_data_;
};

// Full-colour working image for opaque pictures.
class Picture {
public:
  Picture(int width, int height, Color fill = {});
  int Width() const { return width_; }
  int Height() const { return height_; }
  Color &At(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  Color At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  void Add(int x, int y, Color c);
  void Blend(int x, int y, Color c, double alpha);
  // A soft round dot of light at a sub-pixel position.
  void AddGlow(double cx, double cy, double radius, Color c);
  Bitmap ToBitmap() const;

private:
  int width_, height_;
  std::vector<Color> pixels_;
};

// Grey-level mask helpers for glows and outlines.
class Mask {
public:
  Mask(int width, int height) : width_(width), height_(height), v_(width * height) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  double &At(int x, int y) { return v_[static_cast<std::size_t>(y) * width_ + x]; }
  double At(int x, int y) const { return v_[static_cast<std::size_t>(y) * width_ + x]; }
  double Sample(int x, int y) const {
    return x < 0 || y < 0 || x >= width_ || y >= height_ ? 0.0 : At(x, y);
  }
  // Max over a disc of the given radius.
  Mask Dilated(int radius) const;
  // Three box passes approximate a Gaussian.
  Mask Blurred(int radius) const;

private:
  int width_, height_;
  std::vector<double> v_;
};

// Adds a one-pixel border of `c` around the opaque area (8-neighbourhood
// when diagonal is set).
void Outline(Bitmap &sprite, Rgb c, bool diagonal);
// Darkens opaque pixels that touch transparency, which rounds the form.
void ShadeRim(Bitmap &sprite, double factor);

} // namespace ruzoz::contentgen
