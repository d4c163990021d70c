#include "Ship.h"

#include "Art.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ruzoz::contentgen {

namespace {

constexpr double noseY = -14.8;

double FuselageHalfWidth(double y) {
  if (y < noseY || y > 11.0)
    return -1;
  if (y < -4.0)
    return 0.4 + 2.2 * std::sqrt((y - noseY) / (-4.0 - noseY));
  if (y < 8.0)
    return 2.6;
  return 2.6 - (y - 8.0) * 0.3;
}

bool InWing(double x, double y) {
  static const Vec2 half[] = {{2.0, -6.0}, {6.0, 0.5}, {11.0, 5.0}, {11.0, 8.0},
                              {8.8, 8.0},  {7.2, 6.4}, {2.0, 7.4}};
  static const Polygon wing = Polygon::MirroredX(half, 0);
  return wing.Contains(x, y);
}

} // namespace

ShipPoint SampleShip(double x, double y) {
  ShipPoint p;
  const double ax = std::abs(x);
  const Vec2 engine{4.2, 10.9};
  // Exhaust glow at the back of each engine.
  if (InCircle(ax, y, engine.x, engine.y, 1.5)) {
    double t = std::hypot(ax - engine.x, y - engine.y) / 1.5;
    p.inside = true;
    p.glow = Mix(Color{215, 245, 255}, Color{40, 120, 255}, t);
    return p;
  }
  double hw = FuselageHalfWidth(y);
  if (InEllipse(x, y, 0, -5.2, 1.7, 3.4)) {
    p.inside = true;
    p.albedo = Mix(Color{110, 210, 250}, Color{25, 70, 140}, Clamp01((y + 8.6) / 6.8));
    p.normal = SphereNormal(x, (y + 5.2) * 0.5, 1.9);
    p.shine = 1.2;
    return p;
  }
  if (ax <= hw) {
    p.inside = true;
    p.albedo = {172, 180, 198};
    if (ax < 0.6 && y > -0.5 && y < 9.5)
      p.albedo = {70, 120, 215}; // spine stripe
    if (std::abs(y - 3.0) < 0.3 || (y < -9.5 && y > -10.2))
      p.albedo = p.albedo * 0.6; // panel seams
    p.normal = Normalized({x / hw * 0.6, y < -4 ? -0.3 : 0, 1});
    p.shine = 0.45;
    return p;
  }
  if (SegmentDistance(ax, y, {engine.x, 2.5}, {engine.x, 9.8}) <= 1.45) {
    p.inside = true;
    p.albedo = y > 9.0 ? Color{60, 64, 76} : Color{128, 134, 150};
    p.normal = Normalized({(ax - engine.x) / 1.45 * (x < 0 ? -1 : 1) * 0.6, 0, 1});
    p.shine = 0.4;
    return p;
  }
  if (InWing(x, y)) {
    p.inside = true;
    p.albedo = {66, 96, 165};
    // Leading edge catches more light than the wing surface.
    if (y < (ax - 2.0) * 1.6 - 6.0 + 1.1 && ax < 6.2)
      p.albedo = {120, 150, 205};
    if (ax > 9.0)
      p.albedo = {205, 55, 45}; // wingtip flash
    if (ax > 10.0 && y > 6.6)
      p.glow = x < 0 ? Color{255, 70, 60} : Color{70, 255, 120}; // nav lights
    p.normal = Normalized({x < 0 ? -0.22 : 0.22, 0.05, 1});
    p.shine = 0.3;
  }
  return p;
}

Color ShadeShip(const ShipPoint &p, double heading) {
  if (p.glow.r + p.glow.g + p.glow.b > 0)
    return p.glow;
  double c = std::cos(heading), s = std::sin(heading);
  Vec3 world{p.normal.x * c - p.normal.y * s, p.normal.x * s + p.normal.y * c, p.normal.z};
  return Lit(p.albedo, world, 0.35, p.shine, 10);
}

namespace {

// Local ship coordinates of a world offset for a clockwise heading.
Vec2 ToShip(double dx, double dy, double heading) {
  double c = std::cos(heading), s = std::sin(heading);
  return {dx * c + dy * s, -dx * s + dy * c};
}

} // namespace

Bitmap MakeSchiff(int heading) {
  const double angle = heading * std::numbers::pi / 8;
  Canvas c(32, 32);
  c.PaintField([&](double x, double y) {
    Vec2 local = ToShip(x - 16, y - 16, angle);
    ShipPoint p = SampleShip(local.x, local.y);
    return p.inside ? Rgba{ShadeShip(p, angle), 1} : Rgba{};
  });
  Bitmap s = c.ToSprite();
  ShadeRim(s, 0.75);
  return s;
}

void DrawShip(Picture &picture, double cx, double cy, double scale, double heading) {
  constexpr int n = 4;
  const int reach = static_cast<int>(std::ceil(15 * scale)) + 1;
  for (int py = static_cast<int>(cy) - reach; py <= static_cast<int>(cy) + reach; ++py)
    for (int px = static_cast<int>(cx) - reach; px <= static_cast<int>(cx) + reach; ++px) {
      if (!picture.Contains(px, py))
        continue;
      Color sum;
      int hits = 0;
      for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
          double wx = px + (i + 0.5) / n - cx, wy = py + (j + 0.5) / n - cy;
          Vec2 local = ToShip(wx / scale, wy / scale, heading);
          ShipPoint p = SampleShip(local.x, local.y);
          if (p.inside) {
            sum = sum + ShadeShip(p, heading);
            ++hits;
          }
        }
      if (hits > 0)
        picture.Blend(px, py, sum * (1.0 / hits), double(hits) / (n * n));
    }
}

} // namespace ruzoz::contentgen
