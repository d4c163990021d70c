#include "Art.h"
#include "Raster.h"

#include <array>
#include <cmath>
#include <numbers>

namespace ruzoz::contentgen {

namespace {

constexpr double pi = std::numbers::pi;

double Angle(double x, double y) { return std::atan2(y - 16, x - 16); }
double Dist(double x, double y) { return std::hypot(x - 16, y - 16); }

auto Solid(Color c) {
  return [c](double, double) { return c; };
}

// Dome lighting for a roughly round part centred at (cx, cy).
auto Dome(Color albedo, double cx, double cy, double r, double shine = 0.35) {
  return
      [=](double x, double y) { return Lit(albedo, SphereNormal(x - cx, y - cy, r), 0.3, shine); };
}

auto Capsule(Vec2 a, Vec2 b, double r) {
  return [=](double x, double y) { return SegmentDistance(x, y, a, b) <= r; };
}

// Harmless drifting spore: lobed green jelly with cilia and a nucleus.
Bitmap Spore() {
  Canvas c(32, 32);
  auto edge = [](double a) { return 8.6 + 1.5 * std::cos(7 * a + 0.3); };
  for (int i = 0; i < 7; ++i) {
    double a0 = (2 * pi * i - 0.3) / 7;
    c.PaintField([&](double x, double y) {
      double d = Dist(x, y);
      if (d < 8 || d > 14.8)
        return Rgba{};
      double t = (d - 8) / 6.8;
      double centre = a0 + 0.22 * std::sin(t * 4.0 + i);
      double off = std::remainder(Angle(x, y) - centre, 2 * pi) * d;
      if (std::abs(off) > 1.05 - 0.5 * t)
        return Rgba{};
      return Rgba{Mix(Color{90, 210, 150}, Color{30, 110, 90}, t), 1};
    });
  }
  c.Paint(
      [&](double x, double y) { return Dist(x, y) <= edge(Angle(x, y)); },
      [](double x, double y) {
        double d = Dist(x, y);
        Color base = Mix(Color{50, 150, 70}, Color{125, 225, 110}, Fbm(x * 0.3, y * 0.3, 101, 3));
        // The membrane is paler than the jelly inside it.
        base = Mix(base, Color{150, 235, 150}, SmoothStep(6.5, 9.5, d) * 0.6);
        return Lit(base, SphereNormal(x - 16, y - 16, 12), 0.35, 0.5);
      });
  c.Paint([](double x, double y) { return InCircle(x, y, 17, 17.5, 3.6); },
          Dome({25, 105, 65}, 17, 17.5, 3.6, 0.9));
  const std::array<Vec2, 3> bits{{{11.5, 14}, {19.5, 11.5}, {13, 20.5}}};
  for (Vec2 b : bits)
    c.Paint([&](double x, double y) { return InCircle(x, y, b.x, b.y, 1.3); },
            Dome({215, 240, 110}, b.x, b.y, 1.3, 0.4));
  Bitmap s = c.ToSprite();
  ShadeRim(s, 0.7);
  return s;
}

// Harmless saucer: steel-blue disc, ring of lights, glass dome.
Bitmap Saucer() {
  Canvas c(32, 32);
  c.Paint([](double x, double y) { return Dist(x, y) <= 13.4; },
          [](double x, double y) {
            double d = Dist(x, y), dx = x - 16, dy = y - 16;
            // A shallow cone sloping down towards the rim.
            Vec3 n = Normalized({dx / (d + 1e-9) * 0.45, dy / (d + 1e-9) * 0.45, 1});
            Color base{70, 110, 195};
            if (std::abs(d - 9.6) < 0.55 || std::abs(d - 12.9) < 0.5)
              base = {30, 45, 95};
            double plate = std::cos(8 * Angle(x, y));
            if (d > 9.6 && plate > 0.97)
              base = {40, 60, 120};
            return Lit(base, n, 0.35, 0.8, 16);
          });
  c.Paint([](double x, double y) { return Dist(x, y) <= 7.2; },
          Dome({150, 170, 215}, 16, 16, 10, 0.6));
  for (int i = 0; i < 8; ++i) {
    double a = 2 * pi * i / 8 + pi / 8;
    double lx = 16 + 11.3 * std::cos(a), ly = 16 + 11.3 * std::sin(a);
    c.Paint(
        [&](double x, double y) { return InCircle(x, y, lx, ly, 1.25); },
        [&](double x, double y) {
          return Mix(Color{200, 255, 255}, Color{40, 190, 235}, std::hypot(x - lx, y - ly) / 1.25);
        });
  }
  c.Paint([](double x, double y) { return Dist(x, y) <= 5.4; },
          Dome({40, 150, 205}, 16, 16, 5.4, 1.0));
  Bitmap s = c.ToSprite();
  ShadeRim(s, 0.6);
  return s;
}

// Hunter: a wasp diving at the ship, head down.
Bitmap Wasp() {
  Canvas c(32, 32);
  const Color dark{45, 32, 12};
  for (int side : {-1, 1}) {
    c.Paint(Capsule({16.0 + side * 2, 17}, {16.0 + side * 8, 21}, 0.5), Solid(dark));
    c.Paint(Capsule({16.0 + side * 8, 21}, {16.0 + side * 9, 26}, 0.5), Solid(dark));
    c.Paint(Capsule({16.0 + side * 2, 18}, {16.0 + side * 6, 24}, 0.5), Solid(dark));
    c.Paint(Capsule({16.0 + side * 6, 24}, {16.0 + side * 5.5, 28.5}, 0.5), Solid(dark));
    for (double tilt : {0.45, 0.95}) {
      double cx = 16 + side * (tilt < 0.5 ? 8.5 : 7.5), cy = tilt < 0.5 ? 11.5 : 15.5;
      double rx = tilt < 0.5 ? 7.8 : 6.0;
      c.Paint(
          [&](double x, double y) { return InRotatedEllipse(x, y, cx, cy, rx, 2.8, side * tilt); },
          [&](double x, double y) {
            double vein = std::abs(std::sin((x - cx) * 1.3 + (y - cy) * 0.5 * side));
            Color wing = Mix(Color{150, 175, 190}, Color{205, 220, 225},
                             Clamp01((x - 16) * -side / 14 + 0.6));
            return vein < 0.2 ? Color{90, 105, 120} : wing;
          });
    }
  }
  c.Paint(
      [](double x, double y) {
        return InEllipse(x, y, 16, 9.5, 5.2, 7.8) || (y < 3 && std::abs(x - 16) < (y - 0.5) * 0.5);
      },
      [](double x, double y) {
        bool stripe = std::fmod(y + 20, 3.6) < 1.6;
        Color base = stripe ? Color{40, 30, 14} : Color{245, 200, 35};
        return Lit(base, SphereNormal(x - 16, (y - 9.5) * 0.7, 6.5), 0.35, 0.6);
      });
  c.Paint([](double x, double y) { return InEllipse(x, y, 16, 18, 4.2, 3.4); },
          Dome({150, 95, 25}, 16, 18, 4.5, 0.5));
  c.Paint(
      [](double x, double y) {
        return SegmentDistance(x, y, {13.5, 25}, {15.2, 29.5}) < 0.8 ||
               SegmentDistance(x, y, {18.5, 25}, {16.8, 29.5}) < 0.8;
      },
      Solid({70, 40, 15}));
  c.Paint([](double x, double y) { return InCircle(x, y, 16, 23.5, 3.6); },
          Dome({235, 185, 40}, 16, 23.5, 3.6, 0.5));
  for (int side : {-1, 1})
    c.Paint(
        [&](double x, double y) {
          return InRotatedEllipse(x, y, 16 + side * 2.1, 24, 1.7, 1.3, side * 0.6);
        },
        Dome({230, 35, 25}, 16 + side * 2.1, 24, 1.8, 1.2));
  Bitmap s = c.ToSprite();
  ShadeRim(s, 0.7);
  return s;
}

// Hunter: armoured crab with big pincers, claws forward.
Bitmap Crab() {
  Canvas c(32, 32);
  const Color limb{195, 75, 25};
  for (int side : {-1, 1}) {
    for (int k = 0; k < 3; ++k) {
      double y0 = 10 + k * 3.2;
      Vec2 hip{16 + side * 7.0, y0}, knee{16 + side * 12.5, y0 - 3.5 + k * 0.5},
          foot{16 + side * 14.8, y0 + 2.0 + k * 1.2};
      c.Paint(Capsule(hip, knee, 0.85), Solid(limb * 0.85));
      c.Paint(Capsule(knee, foot, 0.65), Solid(limb * 0.7));
    }
    Vec2 shoulder{16 + side * 6.0, 19}, elbow{16 + side * 9.5, 23};
    c.Paint(Capsule(shoulder, elbow, 1.6), Dome(limb, elbow.x, elbow.y, 4));
    double cx = 16 + side * 9.0, cy = 27.0;
    c.Paint(
        [&](double x, double y) {
          return InCircle(x, y, cx, cy, 4.0) &&
                 !InEllipse(x, y, cx - side * 1.6, cy + 2.2, 1.5, 3.2);
        },
        Dome({225, 95, 30}, cx + side * 0.5, cy - 0.5, 4.4, 0.6));
  }
  c.Paint(
      [](double x, double y) {
        return InEllipse(x, y, 16, 14.5, 9.6, 7.6) &&
               !(y > 20 && std::abs(x - 16) < 3 && std::fmod(x + 100, 2.0) < 1.0); // serrated brow
      },
      [](double x, double y) {
        double spots = Fbm(x * 0.55, y * 0.55, 401, 2);
        Color base = spots > 0.62 ? Color{190, 80, 20} : Color{245, 140, 40};
        double ridge = std::abs(x - 16) < 0.6 ? 0.85 : 1.0;
        return Lit(base * ridge, SphereNormal((x - 16) * 0.8, y - 14.5, 10), 0.3, 0.5);
      });
  for (int side : {-1, 1}) {
    double ex = 16 + side * 3.2, ey = 20.5;
    c.Paint(
        [&](double x, double y) { return InCircle(x, y, ex, ey, 1.5); },
        [&](double x, double y) {
          return InCircle(x, y, ex - 0.4, ey - 0.4, 0.55) ? Color{255, 240, 120} : Color{25, 10, 5};
        });
  }
  Bitmap s = c.ToSprite();
  ShadeRim(s, 0.65);
  return s;
}

// Shooter: red arrowhead fighter with twin cannons, nose down.
Bitmap Fighter() {
  Canvas c(32, 32);
  for (int side : {-1, 1}) {
    Vec2 back{16 + side * 6.5, 12}, muzzle{16 + side * 6.5, 26.5};
    c.Paint(Capsule(back, muzzle, 1.1), [&](double x, double) {
      double across = (x - back.x) / 1.1;
      return Lit({110, 110, 125}, Normalized({across, 0, 1}), 0.3, 0.8);
    });
    c.Paint([&](double x, double y) { return InCircle(x, y, muzzle.x, muzzle.y + 0.6, 0.9); },
            Solid({250, 200, 60}));
    c.Paint([&](double x, double y) { return InCircle(x, y, 16 + side * 3.4, 3.5, 1.8); },
            [&](double x, double y) {
              return Mix(Color{255, 235, 150}, Color{240, 110, 30},
                         std::hypot(x - 16 - side * 3.4, y - 3.5) / 1.8);
            });
  }
  const std::array<Vec2, 8> half{
      {{16, 3.5}, {19.5, 4.5}, {20.5, 9}, {29.5, 5}, {29, 10}, {21, 21}, {18, 27.5}, {16, 30}}};
  Polygon hull = Polygon::MirroredX(half, 16);
  c.Paint([&](double x, double y) { return hull.Contains(x, y); },
          [](double x, double y) {
            double ax = std::abs(x - 16);
            Color base = ax < 2.5 ? Color{215, 55, 50} : Color{175, 30, 35};
            if (ax > 6 && y < 13 - (ax - 6) * 0.4 && y > 8.5 - (ax - 6) * 0.45)
              base = {95, 20, 30}; // wing panels
            if (std::abs(ax - 2.5) < 0.35)
              base = base * 0.6;
            Vec3 n = Normalized({(x - 16) * 0.06, 0, 1});
            if (ax < 2.5)
              n = Normalized({(x - 16) * 0.35, 0.1, 1});
            return Lit(base, n, 0.35, 0.6);
          });
  c.Paint([](double x, double y) { return InEllipse(x, y, 16, 18.5, 1.6, 3.5); },
          [](double x, double y) {
            return Mix(Color{255, 230, 120}, Color{230, 120, 30},
                       std::hypot((x - 16) / 1.6, (y - 18.5) / 3.5));
          });
  Bitmap s = c.ToSprite();
  ShadeRim(s, 0.6);
  return s;
}

// Shooter: a floating eye in a crown of curled spines.
Bitmap Eye() {
  Canvas c(32, 32);
  c.PaintField([](double x, double y) {
    double d = Dist(x, y);
    if (d < 7 || d > 15.2)
      return Rgba{};
    double t = (d - 7) / 8.2;
    for (int k = 0; k < 9; ++k) {
      double centre = 2 * pi * k / 9 - pi / 2 + 0.7 * t * t;
      double off = std::remainder(Angle(x, y) - centre, 2 * pi) * d;
      if (std::abs(off) < 3.0 * (1 - t) + 0.35) {
        double shade = 1 - std::abs(off) / (3.0 * (1 - t) + 0.35);
        Color spine = Mix(Color{175, 40, 165}, Color{70, 15, 80}, t);
        return Rgba{spine * (0.6 + 0.4 * shade), 1};
      }
    }
    return Rgba{};
  });
  c.Paint([](double x, double y) { return Dist(x, y) <= 9.6; },
          [](double x, double y) {
            double vein = std::abs(Fbm(x * 0.5, y * 0.5, 601, 3) - 0.5);
            Color flesh = vein < 0.03 ? Color{110, 20, 90} : Color{205, 55, 175};
            return Lit(flesh, SphereNormal(x - 16, y - 16, 10), 0.3, 0.5);
          });
  c.Paint([](double x, double y) { return InCircle(x, y, 16, 16.5, 6.6); },
          Dome({225, 200, 210}, 16, 16, 7, 0.7));
  c.Paint([](double x, double y) { return InCircle(x, y, 16, 18, 3.9); },
          [](double x, double y) {
            double r = std::hypot(x - 16, y - 18) / 3.9;
            Color iris = Mix(Color{255, 110, 80}, Color{200, 20, 110}, r);
            if (r > 0.82)
              iris = {90, 10, 50};
            return iris;
          });
  c.Paint([](double x, double y) { return InEllipse(x, y, 16, 18, 0.9, 3.0); }, Solid({15, 5, 10}));
  c.Paint([](double x, double y) { return InCircle(x, y, 14.3, 15.2, 0.9); },
          Solid({240, 235, 240}));
  Bitmap s = c.ToSprite();
  ShadeRim(s, 0.65);
  return s;
}

// Shooter: crimson gun platform with four cannons and a burning core.
Bitmap Turret() {
  Canvas c(32, 32);
  for (int k = 0; k < 4; ++k) {
    double a = k * pi / 2 + pi / 4;
    double ux = std::cos(a), uy = std::sin(a);
    c.PaintField([&](double x, double y) {
      double along = (x - 16) * ux + (y - 16) * uy;
      double across = -(x - 16) * uy + (y - 16) * ux;
      double w = 3.6 * (1 - (along - 8) / 5.5);
      if (along < 8 || along > 13.5 || std::abs(across) > w * 0.5)
        return Rgba{};
      return Rgba{Mix(Color{205, 40, 60}, Color{110, 15, 35}, (along - 8) / 5.5), 1};
    });
  }
  for (int k = 0; k < 4; ++k) {
    double a = k * pi / 2;
    double ux = std::cos(a), uy = std::sin(a);
    c.PaintField([&](double x, double y) {
      double along = (x - 16) * ux + (y - 16) * uy;
      double across = -(x - 16) * uy + (y - 16) * ux;
      if (along < 4 || along > 15.4 || std::abs(across) > 1.7)
        return Rgba{};
      Color metal{125, 125, 140};
      if (along > 13.6)
        metal = {70, 70, 82};
      if (along > 14.6 && std::abs(across) < 0.8)
        metal = {255, 120, 60};
      Vec3 n = Normalized({-uy * across / 1.7 * 0.9, ux * across / 1.7 * 0.9, 1});
      return Rgba{Lit(metal, n, 0.3, 0.9), 1};
    });
  }
  c.Paint(
      [](double x, double y) {
        double a = std::remainder(Angle(x, y), pi / 4);
        return Dist(x, y) * std::cos(a) <= 8.6;
      },
      [](double x, double y) {
        double d = Dist(x, y);
        Color base = Mix(Color{200, 30, 55}, Color{150, 20, 45}, Fbm(x * 0.4, y * 0.4, 701, 2));
        double a = std::remainder(Angle(x, y) + pi / 8, pi / 4);
        if (d > 6.6 && d < 7.6 && std::abs(a) > 0.2)
          base = {90, 10, 25};
        Vec3 n = Normalized({(x - 16) * 0.07, (y - 16) * 0.07, 1});
        if (d > 7.2)
          n = Normalized({(x - 16) * 0.25, (y - 16) * 0.25, 1});
        return Lit(base, n, 0.35, 0.5);
      });
  for (int k = 0; k < 8; ++k) {
    double a = k * pi / 4 + pi / 8;
    double rx = 16 + 5.6 * std::cos(a), ry = 16 + 5.6 * std::sin(a);
    c.Paint([&](double x, double y) { return InCircle(x, y, rx, ry, 0.7); },
            Solid({235, 150, 150}));
  }
  c.Paint([](double x, double y) { return Dist(x, y) <= 4.4; }, Solid({45, 8, 18}));
  c.Paint(
      [](double x, double y) { return Dist(x, y) <= 3.4; },
      [](double x, double y) {
        return Mix(Color{255, 235, 150}, Color{240, 70, 30}, std::hypot(x - 15.6, y - 15.6) / 3.6);
      });
  Bitmap s = c.ToSprite();
  ShadeRim(s, 0.65);
  return s;
}

// The worst of them: a horned batwing mothership with a fanged maw.
Bitmap Demon() {
  Canvas c(32, 32);
  const std::array<Vec2, 12> wingHalf{{{16, 8},
                                       {22, 7},
                                       {27, 3},
                                       {31.5, 5},
                                       {31, 13},
                                       {29.5, 19},
                                       {27, 15.5},
                                       {25, 21},
                                       {22.5, 17},
                                       {20.5, 23},
                                       {18, 22},
                                       {16, 24}}};
  Polygon wings = Polygon::MirroredX(wingHalf, 16);
  c.Paint([&](double x, double y) { return wings.Contains(x, y); },
          [](double x, double y) {
            double ax = std::abs(x - 16);
            Color membrane = Mix(Color{100, 20, 60}, Color{55, 10, 40}, Clamp01((ax - 5) / 10));
            // Glowing veins fan out from the shoulder to each wing finger.
            for (Vec2 tip : {Vec2{31, 5}, Vec2{29.5, 18.5}, Vec2{25, 20.5}, Vec2{20.5, 22.5}}) {
              if (SegmentDistance(ax + 16, y, {19, 10}, tip) < 0.5)
                return Mix(Color{245, 80, 210}, Color{150, 30, 130}, Clamp01((ax - 3) / 13));
            }
            return Lit(membrane, Normalized({(x - 16) * 0.04, 0.2, 1}), 0.45, 0.3);
          });
  for (int side : {-1, 1}) {
    c.PaintField([&](double x, double y) {
      // A horn sweeping up and out, tapering to a point.
      for (int i = 0; i < 24; ++i) {
        double t = i / 23.0;
        double hx = 16 + side * (3.5 + 5.5 * t + 2.5 * t * t);
        double hy = 10 - 9.0 * t + 3.5 * t * t * t;
        double r = 1.7 * (1 - t) + 0.3;
        if (std::hypot(x - hx, y - hy) < r)
          return Rgba{Mix(Color{200, 170, 140}, Color{90, 40, 35}, t), 1};
      }
      return Rgba{};
    });
  }
  c.Paint([](double x, double y) { return InEllipse(x, y, 16, 16, 6.8, 9.0); },
          [](double x, double y) {
            Color base{95, 18, 38};
            if (std::abs(x - 16) < 0.5 && y < 12)
              base = {150, 40, 60};
            return Lit(base, SphereNormal((x - 16) * 1.1, y - 15, 9), 0.35, 0.7);
          });
  for (int side : {-1, 1}) {
    const std::array<Vec2, 3> eye{
        {{16 + side * 1.2, 15.5}, {16 + side * 5.6, 11.8}, {16 + side * 4.8, 16.0}}};
    Polygon p{std::vector<Vec2>(eye.begin(), eye.end())};
    c.Paint([&](double x, double y) { return p.Contains(x, y); },
            [&](double x, double y) {
              return Mix(Color{255, 230, 120}, Color{255, 30, 30},
                         Clamp01(std::hypot(x - 16 - side * 3.8, y - 14.4) / 2.4));
            });
  }
  c.Paint([](double x, double y) { return InEllipse(x, y, 16, 21.5, 4.6, 3.0); },
          Solid({20, 3, 8}));
  c.PaintField([](double x, double y) {
    // Upper and lower fangs.
    double u = std::fmod(x - 11.4 + 100, 1.84) - 0.92;
    bool upper = y > 18.6 && y < 21.2 - std::abs(u) * 2.4 && std::abs(x - 16) < 4.2;
    double v = std::fmod(x - 12.3 + 100, 1.84) - 0.92;
    bool lower = y < 24.4 && y > 22.0 + std::abs(v) * 2.4 && std::abs(x - 16) < 3.6;
    return upper || lower ? Rgba{Color{225, 215, 185}, 1} : Rgba{};
  });
  c.Paint([](double x, double y) { return InCircle(x, y, 16, 22, 1.2); }, Solid({255, 60, 40}));
  Bitmap s = c.ToSprite();
  ShadeRim(s, 0.7);
  return s;
}

} // namespace

Bitmap MakeAlien(int kind) {
  switch (kind) {
  case 1:
    return Spore();
  case 2:
    return Saucer();
  case 3:
    return Wasp();
  case 4:
    return Crab();
  case 5:
    return Fighter();
  case 6:
    return Eye();
  case 7:
    return Turret();
  default:
    return Demon();
  }
}

} // namespace ruzoz::contentgen
