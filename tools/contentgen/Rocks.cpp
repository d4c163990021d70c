#include "Art.h"
#include "Raster.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace ruzoz::contentgen {

namespace {

constexpr double pi = std::numbers::pi;

struct Crater {
  double x, y, r;
};

struct RockStyle {
  std::uint64_t seed;
  double radius;
  double stretch;    // x:y aspect of the body
  double tilt;       // rotation of the stretched axis, radians
  double lumpiness;  // strength of the low harmonics
  double jaggedness; // strength of the high harmonics
  Color light, dark;
  std::vector<Crater> craters;
};

// The outline radius as a sum of harmonics with fixed random phases, in a
// frame that is tilted and squashed so the body can be elongated.
class RockShape {
public:
  explicit RockShape(const RockStyle &s)
      : style_(s), cosTilt_(std::cos(s.tilt)), sinTilt_(std::sin(s.tilt)) {
    Rng rng(s.seed);
    for (int k = 2; k <= 9; ++k) {
      double weight = k <= 4 ? s.lumpiness / k : s.jaggedness / k;
      weight *= rng.Uniform(0.5, 1.0);
      harmonics_.push_back({k, weight, rng.Uniform(0, 2 * pi)});
    }
  }
  struct Point {
    bool inside;
    double d; // distance from the centre in the rock's frame
    double r; // outline radius in that direction
  };
  Point At(double dx, double dy) const {
    double u = (dx * cosTilt_ + dy * sinTilt_) / style_.stretch;
    double v = (-dx * sinTilt_ + dy * cosTilt_) * style_.stretch;
    double d = std::hypot(u, v), r = Radius(std::atan2(v, u));
    return {d <= r && std::hypot(dx, dy) <= 15.3, d, r};
  }

private:
  double Radius(double angle) const {
    double r = 1;
    for (const auto &h : harmonics_)
      r += h.weight * std::sin(h.k * angle + h.phase);
    return style_.radius * r;
  }
  struct Harmonic {
    int k;
    double weight, phase;
  };
  const RockStyle &style_;
  double cosTilt_, sinTilt_;
  std::vector<Harmonic> harmonics_;
};

Bitmap Rock(const RockStyle &s) {
  RockShape shape(s);
  Canvas c(32, 32);
  c.PaintField([&](double x, double y) {
    double dx = x - 16, dy = y - 16;
    RockShape::Point p = shape.At(dx, dy);
    if (!p.inside)
      return Rgba{};
    // Dome normal from the edge distance, roughened by noise.
    Vec3 n = SphereNormal(dx, dy, std::max(p.r, p.d + 0.01) * 1.05);
    const double e = 0.5;
    double h0 = Fbm(x * 0.35, y * 0.35, s.seed + 1, 4);
    double hx = Fbm((x + e) * 0.35, y * 0.35, s.seed + 1, 4);
    double hy = Fbm(x * 0.35, (y + e) * 0.35, s.seed + 1, 4);
    n = Normalized({n.x - (hx - h0) * 3.0, n.y - (hy - h0) * 3.0, n.z});
    double tone = 1.0;
    for (const Crater &k : s.craters) {
      double cx = x - k.x, cy = y - k.y, q = std::hypot(cx, cy);
      if (q < k.r) {
        // Bowl: the normal points inwards, so the far wall catches the light.
        n = Normalized({-cx / k.r * 1.1, -cy / k.r * 1.1, 0.55});
        tone = 0.8;
      } else if (q < k.r + 1.1) {
        n = Normalized({n.x + cx / q * 0.8, n.y + cy / q * 0.8, n.z});
        tone = 1.12;
      }
    }
    double grain = Fbm(x * 1.3, y * 1.3, s.seed + 2, 2);
    double mottle = 0.25 + (h0 - 0.5) * 0.8 + (grain - 0.5) * 0.9;
    Color albedo = Mix(s.dark, s.light, Clamp01(mottle)) * tone;
    return Rgba{Lit(albedo, n, 0.3, 0.1, 12), 1};
  });
  Bitmap b = c.ToSprite();
  ShadeRim(b, 0.75);
  return b;
}

} // namespace

Bitmap MakeAsteroid(int kind) {
  switch (kind) {
  case 1:
    return Rock({.seed = 521,
                 .radius = 13.0,
                 .stretch = 1.0,
                 .tilt = 0,
                 .lumpiness = 0.32,
                 .jaggedness = 0.16,
                 .light = {180, 166, 146},
                 .dark = {78, 70, 62},
                 .craters = {{11, 12, 3.2}, {20.5, 19, 2.4}, {13, 22, 1.6}, {21, 10.5, 1.4}}});
  case 2:
    return Rock({.seed = 512,
                 .radius = 11.5,
                 .stretch = 1.25,
                 .tilt = 0.6,
                 .lumpiness = 0.3,
                 .jaggedness = 0.22,
                 .light = {190, 122, 86},
                 .dark = {80, 46, 34},
                 .craters = {{14, 14, 2.6}, {20, 19.5, 1.8}, {10.5, 18, 1.3}}});
  default:
    return Rock({.seed = 513,
                 .radius = 11.0,
                 .stretch = 1.08,
                 .tilt = -0.4,
                 .lumpiness = 0.3,
                 .jaggedness = 0.45,
                 .light = {175, 185, 205},
                 .dark = {72, 78, 96},
                 .craters = {{16.5, 14, 2.2}, {13, 19.5, 1.5}}});
  }
}

// A charred meteorite, still glowing along its cracks from the plunge.
Bitmap MakeMeteorit() {
  const RockStyle s{.seed = 596,
                    .radius = 10.4,
                    .stretch = 1.1,
                    .tilt = 0.9,
                    .lumpiness = 0.2,
                    .jaggedness = 0.14,
                    .light = {112, 98, 92},
                    .dark = {40, 34, 34},
                    .craters = {}};
  RockShape shape(s);
  Canvas c(32, 32);
  c.PaintField([&](double x, double y) {
    double dx = x - 16, dy = y - 16;
    RockShape::Point p = shape.At(dx, dy);
    if (!p.inside)
      return Rgba{};
    double r = p.r;
    Vec3 n = SphereNormal(dx, dy, std::max(r, p.d + 0.01) * 1.02);
    // Thumbprint pits of a melted surface.
    CellDistances pits = Cellular(x * 0.3, y * 0.3, s.seed + 3);
    n = Normalized({n.x + (pits.nearest - 0.4) * 0.5, n.y + (pits.nearest - 0.4) * 0.5, n.z});
    Color metal = Mix(s.dark, s.light, Clamp01(0.3 + pits.nearest));
    Color shaded = Lit(metal, n, 0.3, 0.3, 30);
    double crack = std::abs(Fbm(x * 0.24, y * 0.24, s.seed + 4, 3) - 0.5);
    // The side turned away from the light glows brightest.
    double trailing = 0.45 + 0.55 * SmoothStep(-0.4, 0.5, (dx + dy) / (2 * r));
    double hot = (1 - SmoothStep(0.012, 0.045, crack)) * trailing;
    Color glow = Mix(Color{190, 40, 10}, Color{255, 200, 70}, hot * hot);
    return Rgba{Mix(shaded, glow, Clamp01(hot * 1.2)), 1};
  });
  Bitmap b = c.ToSprite();
  ShadeRim(b, 0.8);
  return b;
}

} // namespace ruzoz::contentgen
