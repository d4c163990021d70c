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

// The outline radius as a sum of harmonics with fixed random phases.
class RockOutline {
public:
  explicit RockOutline(const RockStyle &s) : style_(s) {
    Rng rng(s.seed);
    for (int k = 2; k <= 9; ++k) {
      double weight = k <= 4 ? s.lumpiness / k : s.jaggedness / k;
      harmonics_.push_back({k, weight * rng.Uniform(0.5, 1.0), rng.Uniform(0, 2 * pi)});
    }
  }
  double Radius(double angle) const {
    double r = 1;
    for (const auto &h : harmonics_)
      r += h.weight * std::sin(h.k * angle + h.phase);
    return style_.radius * r;
  }

private:
  struct Harmonic {
    int k;
    double weight, phase;
  };
  const RockStyle &style_;
  std::vector<Harmonic> harmonics_;
};

Bitmap Rock(const RockStyle &s) {
  RockOutline outline(s);
  const double ct = std::cos(s.tilt), st = std::sin(s.tilt);
  Canvas c(32, 32);
  c.PaintField([&](double x, double y) {
    // Rock space: undo the tilt and squash so the outline is near round.
    double dx = x - 16, dy = y - 16;
    double u = (dx * ct + dy * st) / s.stretch, v = (-dx * st + dy * ct) * s.stretch;
    double a = std::atan2(v, u), d = std::hypot(u, v);
    double r = outline.Radius(a);
    if (d > r || std::hypot(dx, dy) > 15.3)
      return Rgba{};
    // Dome normal from the edge distance, roughened by noise.
    Vec3 n = SphereNormal(dx, dy, std::max(r, d + 0.01) * 1.05);
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
    Color albedo =
        Mix(s.dark, s.light, Clamp01(0.25 + (h0 - 0.5) * 0.8 + (grain - 0.5) * 0.9)) * tone;
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
    return Rock({521, 13.0, 1.0, 0, 0.32, 0.16, {180, 166, 146}, {78, 70, 62},
                 {{11, 12, 3.2}, {20.5, 19, 2.4}, {13, 22, 1.6}, {21, 10.5, 1.4}}});
  case 2:
    return Rock({512, 11.5, 1.25, 0.6, 0.3, 0.22, {190, 122, 86}, {80, 46, 34},
                 {{14, 14, 2.6}, {20, 19.5, 1.8}, {10.5, 18, 1.3}}});
  default:
    return Rock({513, 11.0, 1.08, -0.4, 0.3, 0.45, {150, 160, 180}, {56, 60, 74},
                 {{16.5, 14, 2.2}, {13, 19.5, 1.5}}});
  }
}

// An iron meteorite, still glowing along its cracks from the plunge.
Bitmap MakeMeteorit() {
  const RockStyle s{534, 9.6, 1.12, 0.9, 0.3, 0.12, {118, 100, 92}, {42, 34, 32}, {}};
  RockOutline outline(s);
  const double ct = std::cos(s.tilt), st = std::sin(s.tilt);
  Canvas c(32, 32);
  c.PaintField([&](double x, double y) {
    double dx = x - 16, dy = y - 16;
    double u = (dx * ct + dy * st) / s.stretch, v = (-dx * st + dy * ct) * s.stretch;
    double d = std::hypot(u, v), r = outline.Radius(std::atan2(v, u));
    if (d > r)
      return Rgba{};
    Vec3 n = SphereNormal(dx, dy, std::max(r, d + 0.01) * 1.02);
    // Thumbprint pits of a melted surface.
    CellDistances pits = Cellular(x * 0.3, y * 0.3, s.seed + 3);
    n = Normalized({n.x + (pits.nearest - 0.4) * 0.5, n.y + (pits.nearest - 0.4) * 0.5, n.z});
    Color metal = Mix(s.dark, s.light, Clamp01(0.3 + pits.nearest));
    Color shaded = Lit(metal, n, 0.3, 0.3, 30);
    double crack = std::abs(Fbm(x * 0.16, y * 0.16, s.seed + 4, 3) - 0.5);
    // Only the side turned away from the light still glows.
    double trailing = SmoothStep(-0.1, 0.6, (dx + dy) / (2 * r));
    double hot = (1 - SmoothStep(0.012, 0.04, crack)) * trailing;
    Color glow = Mix(Color{190, 40, 10}, Color{255, 200, 70}, hot * hot);
    return Rgba{Mix(shaded, glow, Clamp01(hot * 1.2)), 1};
  });
  Bitmap b = c.ToSprite();
  ShadeRim(b, 0.8);
  return b;
}

} // namespace ruzoz::contentgen
