#include "Space.h"

#include "Art.h"

#include <cmath>

namespace ruzoz::contentgen {

namespace {

Color StarTint(Rng &rng) {
  double kind = rng.Uniform();
  if (kind < 0.55)
    return {215, 225, 255}; // white
  if (kind < 0.75)
    return {170, 195, 255}; // blue
  if (kind < 0.9)
    return {255, 230, 170}; // yellow
  if (kind < 0.97)
    return {255, 170, 110}; // orange
  return {255, 110, 90};    // red giant
}

} // namespace

void PaintSpace(Picture &picture, const SpaceStyle &style) {
  const int w = picture.Width(), h = picture.Height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double warpX = Fbm(x / 260.0, y / 260.0, style.seed + 1, 3) - 0.5;
      double warpY = Fbm(x / 260.0 + 9, y / 260.0, style.seed + 2, 3) - 0.5;
      double u = x / 170.0 + warpX * 1.8, v = y / 170.0 + warpY * 1.8;
      double cloud = Fbm(u, v, style.seed + 3, 6);
      double density = std::pow(SmoothStep(0.4, 0.85, cloud), 1.4);
      // Thin bright filaments where the cloud folds.
      double fold = 1 - std::abs(2 * Fbm(u * 1.7, v * 1.7, style.seed + 4, 5) - 1);
      density += std::pow(fold, 6) * 0.35 * SmoothStep(0.3, 0.6, cloud);
      double dust = 0.55 + 0.45 * SmoothStep(0.35, 0.65, Fbm(u * 2.3, v * 2.3, style.seed + 5, 4));
      Color tint =
          Mix(style.nebulaA, style.nebulaB, Fbm(u * 0.6, v * 0.6, style.seed + 6, 3) * 1.6 - 0.3);
      Color base{3, 4, 11};
      base = base + Color{2, 2, 6} * (1.0 - double(y) / h);
      picture.At(x, y) = base + tint * (density * dust * style.nebulaStrength * 0.16);
    }
  Rng rng(style.seed + 7);
  for (int i = 0; i < style.stars; ++i) {
    double x = rng.Uniform(0, w), y = rng.Uniform(0, h);
    double mag = std::pow(rng.Uniform(), 3.0);
    Color tint = StarTint(rng);
    picture.AddGlow(x, y, 0.5 + 0.4 * mag, tint * (0.12 + 0.7 * mag));
  }
  // A few bright stars with diffraction spikes.
  for (int i = 0; i < style.stars / 100; ++i) {
    double x = rng.Uniform(0, w), y = rng.Uniform(0, h);
    double mag = rng.Uniform(0.5, 1.0);
    Color tint = StarTint(rng);
    picture.AddGlow(x, y, 0.8 + 0.6 * mag, tint * (0.5 + 0.4 * mag));
    picture.AddGlow(x, y, 2.5 + 1.5 * mag, tint * 0.06);
    int len = static_cast<int>(3 + 6 * mag);
    for (int d = 1; d <= len; ++d) {
      double fall = std::pow(1.0 - double(d) / (len + 1), 2) * mag * 0.5;
      for (auto [dx, dy] : {std::pair{d, 0}, {-d, 0}, {0, d}, {0, -d}})
        picture.Add(static_cast<int>(x) + dx, static_cast<int>(y) + dy, tint * fall);
    }
  }
}

Bitmap MakeHintergrund() {
  Picture p(640, 480);
  PaintSpace(p, {2001, 2000, 1.6, {80, 40, 140}, {25, 100, 150}});
  return p.ToBitmap();
}

} // namespace ruzoz::contentgen
