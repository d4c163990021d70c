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
    double core = 4.2 * (0.9 + 0.25 * AngularNoise(a, 11, 1.6));
    // Eight spikes of alternating length around the round core.
    bool ray = false;
    for (int k = 0; k < 8 && !ray; ++k) {
      double length = k % 2 == 0 ? 10.5 : 7.5;
      double off = std::abs(std::remainder(a - k * pi / 4 - 0.2, 2 * pi)) * d;
      ray = d < length && off < 1.1 * (1 - d / length) + 0.25;
    }
    if (d > core && !ray)
      return Rgba{};
    double heat = 1.1 - 0.55 * d / 4.2 + 0.15 * (Fbm(x * 0.5, y * 0.5, 12, 2) - 0.5);
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
  for (int i = 0; i < 6; ++i) {
    double a = 2 * pi * i / 6 + rng.Uniform(-0.4, 0.4), r = rng.Uniform(12.0, 14.5);
    Vec2 head{16 + std::cos(a) * r, 16 + std::sin(a) * r};
    Vec2 tail{16 + std::cos(a) * (r - 2.2), 16 + std::sin(a) * (r - 2.2)};
    c.Paint([&](double x, double y) { return SegmentDistance(x, y, tail, head) < 0.6; },
            [](double, double) {
              return Color{252, 200, 80};
            });
  }
  return c.ToSprite();
}

Bitmap Blast() {
  Canvas c(32, 32);
  c.PaintField([](double x, double y) {
    auto [d, a] = ToPolar(x, y);
    double edge = 13.6 * (0.74 + 0.34 * AngularNoise(a, 31, 2.8));
    if (d > edge)
      return Rgba{};
    double t = d / edge;
    double churn = Fbm(x * 0.24, y * 0.24, 32, 4) - 0.5;
    // The core has begun to burn out: the hottest band sits mid-radius and
    // smoke billows through the outer part.
    double heat = 0.66 - 0.95 * std::abs(t - 0.38) + 0.8 * churn;
    if (t > 0.7 && churn < -0.1)
      return Rgba{};
    if (heat < 0.2)
      return Rgba{Ramp(smokeRamp, 0.15 + heat * 2.5), 1};
    return Rgba{Ramp(fireRamp, heat), 1};
  });
  // Chunks of wreckage with glowing trails flying outwards.
  Rng rng(33);
  for (int i = 0; i < 8; ++i) {
    double a = 2 * pi * i / 8 + rng.Uniform(-0.3, 0.3);
    double r = rng.Uniform(13.2, 14.8);
    Vec2 head{16 + std::cos(a) * r, 16 + std::sin(a) * r};
    Vec2 tail{16 + std::cos(a) * (r - 4.5), 16 + std::sin(a) * (r - 4.5)};
    c.Paint([&](double x, double y) { return SegmentDistance(x, y, tail, head) < 0.62; },
            [&](double x, double y) {
              double t = std::hypot(x - tail.x, y - tail.y) / 4.5;
              return Mix(Color{160, 40, 12}, Color{255, 220, 120}, Clamp01(t));
            });
    c.Paint([&](double x,
                double y) { return std::abs(x - head.x) < 1.0 && std::abs(y - head.y) < 1.0; },
            [&](double x, double y) {
              double lit = Clamp01(0.5 - (x - head.x + y - head.y) * 0.5);
              return Mix(Color{58, 46, 40}, Color{128, 108, 92}, lit);
            });
  }
  return c.ToSprite();
}

Bitmap Embers() {
  Canvas c(32, 32);
  c.PaintField([](double x, double y) {
    auto [d, a] = ToPolar(x, y);
    double edge = 14.4 * (0.78 + 0.3 * AngularNoise(a, 41, 2.5));
    if (d > edge)
      return Rgba{};
    double t = d / edge;
    double puff = Fbm(x * 0.2, y * 0.2, 42, 4);
    // A smoke ring that has thinned out in the middle and frays outside.
    double density = puff + 0.28 * (1 - std::abs(t - 0.62) * 2.6);
    if (density < 0.62)
      return Rgba{};
    double lit = Clamp01(0.5 - (x + y - 32) / 40);
    double glow = Fbm(x * 0.45, y * 0.45, 43, 2);
    if (t < 0.75 && glow > 0.64)
      return Rgba{Ramp(fireRamp, 0.1 + (glow - 0.64) * 2.2), 1};
    return Rgba{Ramp(smokeRamp, (density - 0.62) * 1.8 + lit * 0.45), 1};
  });
  Rng rng(44);
  for (int i = 0; i < 10; ++i) {
    double a = rng.Uniform(0, 2 * pi), r = rng.Uniform(5.0, 14.5);
    double ex = 16 + std::cos(a) * r, ey = 16 + std::sin(a) * r;
    double heat = rng.Uniform(0.35, 0.65);
    c.Paint([&](double x, double y) { return std::abs(x - ex) < 0.5 && std::abs(y - ey) < 0.5; },
            [&](double, double) { return Ramp(fireRamp, heat); });
  }
  return c.ToSprite(0.4);
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
