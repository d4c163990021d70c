#include "Art.h"
#include "Raster.h"

#include <algorithm>
#include <cmath>

namespace ruzoz::contentgen {

namespace {

bool InRoundedRect(double x, double y, double x0, double y0, double x1, double y1, double r) {
  double cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
  return x >= x0 && x <= x1 && y >= y0 && y <= y1 && InCircle(x, y, cx, cy, r);
}

} // namespace

// An olive ammunition box with three brass rounds standing in it.
Bitmap MakeMunition() {
  Canvas c(32, 32);
  for (double bx : {10.0, 16.0, 22.0}) {
    // Cartridge case: a lit cylinder.
    c.Paint([&](double x, double y) { return std::abs(x - bx) <= 2.3 && y >= 7 && y <= 17; },
            [&](double x, double y) {
              Vec3 n = Normalized({(x - bx) / 2.3, 0, 0.7});
              Color brass = y < 8.2 ? Color{170, 120, 40} : Color{225, 175, 65};
              return Lit(brass, n, 0.3, 0.9, 20);
            });
    // Copper bullet with an ogive point.
    c.Paint(
        [&](double x, double y) {
          double half = 2.0 * std::sqrt(Clamp01((y - 1.6) / 5.6));
          return y >= 1.6 && y < 7.2 && std::abs(x - bx) <= half;
        },
        [&](double x, double) {
          Vec3 n = Normalized({(x - bx) / 2.0, -0.3, 0.7});
          return Lit({200, 105, 55}, n, 0.3, 1.0, 24);
        });
  }
  c.Paint([](double x, double y) { return InRoundedRect(x, y, 3.5, 13, 28.5, 29.5, 2); },
          [](double x, double y) {
            Color olive{92, 108, 52};
            double shade = 1.0;
            if (y < 15.2)
              olive = {120, 138, 70}; // rim catching the light
            else if (x > 26.5 || y > 27.6)
              shade = 0.65;
            else if (x < 5.4)
              shade = 1.15;
            // Stencilled band with three small rounds as the mark.
            if (y > 18 && y < 26.5 && x > 6.5 && x < 25.5) {
              olive = Color{225, 185, 40} * (y > 25.5 ? 0.8 : 1.0);
              for (double mx : {11.5, 16.0, 20.5}) {
                double half = y < 21.5 ? 1.0 * Clamp01((y - 19.3) / 2.2) : 1.0;
                if (y > 19.3 && y < 25 && std::abs(x - mx) <= half)
                  olive = {45, 38, 20};
              }
            }
            return olive * shade;
          });
  // Dark mouth of the box behind the rounds.
  c.Paint([](double x, double y) { return y >= 13.6 && y <= 14.8 && x > 5 && x < 27; },
          [](double x, double) {
            double inCase =
                std::min(std::min(std::abs(x - 10), std::abs(x - 16)), std::abs(x - 22));
            return inCase <= 2.3 ? Color{150, 105, 35} : Color{30, 34, 18};
          });
  Bitmap s = c.ToSprite();
  Outline(s, {22, 24, 14}, false);
  return s;
}

// A heater shield in blue and cyan with a four-pointed star.
Bitmap MakeSchild() {
  auto inShield = [](double x, double y, double inset) {
    double top = 3.5 + inset, halfWidth = 12.0 - inset;
    if (y < top || std::abs(x - 16) > halfWidth)
      return false;
    if (y < 15)
      return true;
    // Lower part narrows along a circular arc to the point.
    double bottom = 29.5 - inset * 1.4;
    double t = (y - 15) / (bottom - 15);
    return t <= 1 && std::abs(x - 16) <= halfWidth * std::sqrt(1 - t * t);
  };
  Canvas c(32, 32);
  c.Paint([&](double x, double y) { return inShield(x, y, 0); },
          [](double x, double y) {
            Vec3 n = Normalized({(x - 16) * 0.06, (y - 16) * 0.03, 1});
            return Lit({120, 210, 245}, n, 0.45, 1.2, 16);
          });
  c.Paint([&](double x, double y) { return inShield(x, y, 2.0); },
          [](double x, double y) {
            Vec3 n = Normalized({(x - 16) * 0.09, (y - 14) * 0.05, 1});
            Color blue = Mix(Color{45, 110, 220}, Color{20, 45, 130}, Clamp01((y - 4) / 24));
            return Lit(blue, n, 0.45, 0.7, 18);
          });
  auto star = [](double x, double y) {
    double dx = std::abs(x - 16), dy = std::abs(y - 15.5);
    // Astroid-like star: the points are long thin diamonds.
    return std::sqrt(dx / 7.0) + std::sqrt(dy / 8.5) <= 1.0 ||
           std::sqrt(std::abs(dx - dy) / 6.5) + std::sqrt((dx + dy) / 10.0) <= 0.75;
  };
  c.Paint(star, [](double x, double y) {
    bool litSide = (x - 16) + (y - 15.5) < 0;
    return litSide ? Color{235, 250, 255} : Color{130, 215, 245};
  });
  // Diagonal glint across the upper left.
  c.Paint(
      [&](double x, double y) {
        double k = x + y;
        return inShield(x, y, 2.0) && k > 11 && k < 13.2 && !star(x, y);
      },
      [](double, double) {
        return Color{110, 170, 245};
      });
  Bitmap s = c.ToSprite();
  Outline(s, {8, 16, 45}, false);
  return s;
}

} // namespace ruzoz::contentgen
