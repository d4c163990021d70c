#include "Art.h"
#include "Raster.h"

#include <array>
#include <cmath>

namespace ruzoz::contentgen {

// Dark brushed-steel panel. Every tile carries its own bevel, so a wall of
// them reads as a grid of plates and the seams need no wrapping noise.
Bitmap MakeLeer() {
  Picture p(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      // Horizontal brushing: noise stretched along x, wrapped so the streaks
      // run on across the seam.
      double brush = Fbm(x / 16.0, y * 0.9, 1401, 3, 2) - 0.5;
      double speck = ValueNoise(x * 0.9, y * 0.9, 1402, 29) - 0.5;
      Color c = Color{36, 42, 56} + Color{5, 6, 8} * (brush * 2.2 + speck * 0.6);
      // Rolled edge: two light rows top/left, two dark rows bottom/right.
      int fromTopLeft = std::min(x, y), fromBottomRight = std::min(31 - x, 31 - y);
      if (fromTopLeft == 0 && x + y < 62)
        c = {84, 94, 114};
      else if (fromTopLeft == 1 && fromBottomRight > 0)
        c = {58, 66, 84};
      if (fromBottomRight == 0 && x + y > 0)
        c = {12, 14, 20};
      else if (fromBottomRight == 1 && fromTopLeft > 0)
        c = {22, 26, 35};
      // The two mixed corners get the mid tone of the edges meeting there.
      if ((x == 31 && y == 0) || (x == 0 && y == 31))
        c = {44, 50, 64};
      p.At(x, y) = c;
    }
  const std::array<Vec2, 4> rivets{{{4.5, 4.5}, {27.5, 4.5}, {4.5, 27.5}, {27.5, 27.5}}};
  for (Vec2 r : rivets)
    for (int y = 2; y < 30; ++y)
      for (int x = 2; x < 30; ++x) {
        double dx = x + 0.5 - r.x, dy = y + 0.5 - r.y;
        double d = std::hypot(dx, dy);
        if (d <= 1.6)
          p.At(x, y) = Lit({70, 78, 96}, SphereNormal(dx, dy, 1.7), 0.35, 0.4, 10);
        else if (d <= 2.3 && dx + dy > 0)
          p.At(x, y) = p.At(x, y) * 0.7; // drop shadow
      }
  return p.ToBitmap();
}

// Molten rock: glowing veins between drifting crust plates. All noise is
// periodic over the tile, so lava fields tile without seams.
Bitmap MakeLava() {
  static const std::array<ColorStop, 6> heat{{
      {0.00, {60, 8, 6}},
      {0.22, {130, 20, 8}},
      {0.45, {205, 55, 10}},
      {0.65, {245, 120, 20}},
      {0.82, {252, 195, 60}},
      {1.00, {255, 240, 160}},
  }};
  Picture p(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      double u = x / 8.0, v = y / 8.0; // 4 lattice cells per tile
      double wx = Fbm(u, v, 1501, 3, 4) - 0.5, wy = Fbm(u, v, 1502, 3, 4) - 0.5;
      double flow = Fbm(u + wx * 1.6, v + wy * 1.6, 1503, 4, 4);
      // Crust plates, bent by the same flow so their cracks meander.
      CellDistances cells = Cellular(x / 16.0 + wx * 0.5, y / 16.0 + wy * 0.5, 1504, 2);
      double vein = 1 - SmoothStep(0.0, 0.22, cells.second - cells.nearest);
      double t = 0.42 + (flow - 0.5) * 1.5 + vein * 0.4 - cells.nearest * 0.2;
      p.At(x, y) = Ramp(heat, t);
    }
  return p.ToBitmap();
}

} // namespace ruzoz::contentgen
