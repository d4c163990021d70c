#include "Art.h"
#include "Raster.h"

#include <array>
#include <cmath>
#include <numbers>

namespace ruzoz::contentgen {

namespace {

constexpr double pi = std::numbers::pi;

const std::array<ColorStop, 7> fireRamp{{
    {0.00, {55, 18, 12}},
    {0.15, {125, 28, 10}},
    {0.33, {205, 62, 14}},
    {0.52, {245, 135, 28}},
    {0.70, {252, 205, 70}},
    {0.86, {255, 240, 160}},
    {1.00, {255, 252, 225}},
}};

const std::array<ColorStop, 4> smokeRamp{{
    {0.0, {34, 30, 30}},
    {0.4, {62, 55, 52}},
    {0.75, {96, 86, 78}},
    {1.0, {128, 116, 104}},
}};

// Noise sampled on a circle gives a wobble that closes up seamlessly.
double AngularNoise(double angle, std::uint64_t seed, double roughness) {
  return Fbm(8 + std::cos(angle) * roughness, 8 + std::sin(angle) * roughness, seed, 3);
}

struct Polar {
  double d, angle;
};
Polar ToPolar(double x, double y) {
  return {std::hypot(x - 16, y - 16), std::atan2(y - 16, x - 16)};
}

Bitmap Flash() {
  Canvas c(32, 32);
  c.PaintField([](double x, double y) {
    auto [d, a] = ToPolar(x, y);
    double rays = std::pow(std::max(0.0, std::cos(4 * a + 0.4)), 6) * 0.9 +
                  std::pow(std::max(0.0, std::cos(4 * a + 1.2)), 10) * 0.5;
    double edge = 5.0 * (0.85 + 0.4 * AngularNoise(a, 11, 1.6)) + rays * 4.5;
    if (d > edge)
      return Rgba{};
    double heat = 1.05 - 0.75 * d / edge + 0.2 * (Fbm(x * 0.5, y * 0.5, 12, 2) - 0.5);
    return Rgba{Ramp(fireRamp, heat), 1};
  });
  return c.ToSprite();
}

Bitmap Fireball() {
  Canvas c(32, 32);
  c.PaintField([](double x, double y) {
    auto [d, a] = ToPolar(x, y);
    double edge = 11.0 * (0.72 + 0.45 * AngularNoise(a, 21, 2.2));
    if (d > edge)
      return Rgba{};
    double t = d / edge;
    double churn = Fbm(x * 0.28, y * 0.28, 22, 3) - 0.5;
    double heat = 1.0 - 0.85 * t * t + 0.55 * churn;
    return Rgba{Ramp(fireRamp, heat), 1};
  });
  // Sparks flung ahead of the fireball.
  Rng rng(23);
  for (int i = 0; i < 7; ++i) {
    double a = rng.Uniform(0, 2 * pi), r = rng.Uniform(11.5, 14.0);
    double sx = 16 + std::cos(a) * r, sy = 16 + std::sin(a) * r;
    c.Paint([&](double x, double y) { return InCircle(x, y, sx, sy, 0.9); },
            [](double, double) { return Color{252, 200, 80}; });
  }
  return c.ToSprite();
}

Bitmap Blast() {
  Canvas c(32, 32);
  c.PaintField([](double x, double y) {
    auto [d, a] = ToPolar(x, y);
    double edge = 14.2 * (0.7 + 0.38 * AngularNoise(a, 31, 2.8));
    if (d > edge)
      return Rgba{};
    double t = d / edge;
    double churn = Fbm(x * 0.24, y * 0.24, 32, 4) - 0.5;
    // The core has begun to burn out: the hottest band sits mid-radius.
    double heat = 0.82 - 0.9 * std::abs(t - 0.35) + 0.75 * churn;
    if (t > 0.72 && churn < -0.12)
      return Rgba{}; // torn outer edge
    if (heat < 0.18)
      return Rgba{Ramp(smokeRamp, 0.25 + heat * 2), 1};
    return Rgba{Ramp(fireRamp, heat), 1};
  });
  // Glowing debris on the outer rim with short trails pointing outwards.
  Rng rng(33);
  for (int i = 0; i < 9; ++i) {
    double a = 2 * pi * i / 9 + rng.Uniform(-0.25, 0.25);
    double r = rng.Uniform(12.0, 14.6);
    Vec2 head{16 + std::cos(a) * r, 16 + std::sin(a) * r};
    Vec2 tail{16 + std::cos(a) * (r - 3.5), 16 + std::sin(a) * (r - 3.5)};
    c.Paint([&](double x, double y) { return SegmentDistance(x, y, tail, head) < 0.55; },
            [&](double x, double y) {
              double t = std::hypot(x - tail.x, y - tail.y) / 3.5;
              return Mix(Color{150, 40, 12}, Color{255, 215, 110}, Clamp01(t));
            });
    c.Paint([&](double x, double y) { return InCircle(x, y, head.x, head.y, 1.0); },
            [](double, double) { return Color{70, 52, 44}; });
  }
  return c.ToSprite();
}

Bitmap Embers() {
  Canvas c(32, 32);
  c.PaintField([](double x, double y) {
    auto [d, a] = ToPolar(x, y);
    double edge = 14.0 * (0.72 + 0.35 * AngularNoise(a, 41, 2.5));
    if (d > edge)
      return Rgba{};
    double t = d / edge;
    double puff = Fbm(x * 0.22, y * 0.22, 42, 4);
    // Smoke thins out into holes, more so towards the rim.
    if (puff < 0.38 + 0.22 * t)
      return Rgba{};
    double glow = Fbm(x * 0.4, y * 0.4, 43, 2);
    if (t < 0.55 && glow > 0.62)
      return Rgba{Ramp(fireRamp, 0.12 + (glow - 0.62) * 1.6 - t * 0.2), 1};
    return Rgba{Ramp(smokeRamp, (puff - 0.38) * 2.4 + 0.1 - 0.3 * t), 1};
  });
  Rng rng(44);
  for (int i = 0; i < 12; ++i) {
    double a = rng.Uniform(0, 2 * pi), r = rng.Uniform(4.0, 14.0);
    double ex = 16 + std::cos(a) * r, ey = 16 + std::sin(a) * r;
    double heat = rng.Uniform(0.3, 0.7);
    c.Paint([&](double x, double y) { return InCircle(x, y, ex, ey, 0.75); },
            [&](double, double) { return Ramp(fireRamp, heat); });
  }
  return c.ToSprite();
}

} // namespace

Bitmap MakeExplosion(int stage) {
  switch (stage) {
  case 1:
    return Flash();
  case 2:
    return Fireball();
  case 3:
    return Blast();
  default:
    return Embers();
  }
}

Bitmap MakeKugel() {
  Canvas c(32, 32);
  constexpr double radius = 4.6;
  static const std::array<ColorStop, 5> plasma{{
      {0.0, {255, 250, 215}},
      {0.35, {255, 225, 120}},
      {0.65, {250, 140, 40}},
      {0.88, {215, 55, 25}},
      {1.0, {120, 20, 20}},
  }};
  c.Paint([](double x, double y) { return InCircle(x, y, 16, 16, radius); },
          [](double x, double y) {
            // The hot spot sits towards the light like on the other art.
            double d = std::hypot(x - 15.3, y - 15.3) / radius;
            return Ramp(plasma, d);
          });
  return c.ToSprite();
}

} // namespace ruzoz::contentgen
