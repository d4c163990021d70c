#include "Art.h"
#include "Font.h"
#include "Raster.h"
#include "Ship.h"
#include "Space.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>

namespace ruzoz::contentgen {

namespace {

constexpr int width = 640, height = 480;

struct Band {
  int x0, y0, x1, y1;
};
// Where the game writes its texts over the picture.
constexpr std::array<Band, 4> textBands{{
    {160, 232, 528, 248},
    {48, 300, 592, 316},
    {160, 362, 512, 378},
    {160, 394, 512, 410},
}};

// A banded gas giant in the lower left, lit from the upper right, with a
// thin atmosphere glowing along its rim.
void PaintPlanet(Picture &p, double cx, double cy, double r) {
  const Vec3 sun = Normalized({0.75, -0.55, 0.38});
  static const std::array<ColorStop, 5> bands{{
      {0.0, {120, 70, 45}},
      {0.3, {200, 140, 85}},
      {0.5, {150, 90, 60}},
      {0.75, {215, 170, 115}},
      {1.0, {110, 60, 45}},
  }};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double dx = x + 0.5 - cx, dy = y + 0.5 - cy, d = std::hypot(dx, dy);
      if (d > r + 14)
        continue;
      double light = 0;
      if (d <= r + 1) {
        Vec3 n = SphereNormal(dx, dy, r);
        light = std::max(0.0, n.x * sun.x + n.y * sun.y + n.z * sun.z);
        // Latitude bands, stirred by turbulence, squeezed towards the limb.
        double lat = dy / r + 0.08 * (Fbm(x / 40.0, y / 12.0, 3101, 4) - 0.5);
        double stripe = 0.5 + 0.5 * std::sin(lat * 17 + 2 * Fbm(x / 90.0, y / 25.0, 3102, 3));
        Color surface = Ramp(bands, stripe);
        Color lit = surface * (0.04 + 1.05 * light);
        double edge = Clamp01(r + 0.5 - d);
        p.At(x, y) = Mix(p.At(x, y), lit, edge);
      }
      // Atmosphere: a haze strongest on the lit limb, fading outwards.
      double toSun = Clamp01((dx * sun.x + dy * sun.y) / d * 0.8 + 0.35);
      double haze = d > r ? std::exp(-(d - r) / 4.0) : std::exp(-(r - d) / 6.0) * 0.6;
      p.At(x, y) = p.At(x, y) + Color{90, 150, 255} * (haze * toSun * 0.55);
    }
}

void PaintMoon(Picture &p, double cx, double cy, double r) {
  const Vec3 sun = Normalized({0.75, -0.55, 0.38});
  for (int y = static_cast<int>(cy - r - 2); y <= cy + r + 2; ++y)
    for (int x = static_cast<int>(cx - r - 2); x <= cx + r + 2; ++x) {
      double dx = x + 0.5 - cx, dy = y + 0.5 - cy, d = std::hypot(dx, dy);
      if (d > r + 0.5 || !p.Contains(x, y))
        continue;
      Vec3 n = SphereNormal(dx, dy, r);
      double light = std::max(0.0, n.x * sun.x + n.y * sun.y + n.z * sun.z);
      double maria = SmoothStep(0.45, 0.6, Fbm(x / 6.0, y / 6.0, 3201, 3));
      Color rock = Mix(Color{170, 168, 160}, Color{95, 95, 100}, maria);
      p.Blend(x, y, rock * (0.03 + light), Clamp01(r + 0.5 - d));
    }
}

// Engine trails behind the ship, fading away from it.
void PaintExhaust(Picture &p, double cx, double cy, double scale, double heading) {
  double c = std::cos(heading), s = std::sin(heading);
  for (int side : {-1, 1}) {
    // Engine position in ship units, turned into the picture.
    double lx = side * 4.2, ly = 11.5;
    double ex = cx + (lx * c - ly * s) * scale, ey = cy + (lx * s + ly * c) * scale;
    double bx = -s, by = c; // backwards
    for (int i = 0; i < 120; ++i) {
      double t = i / 119.0;
      double along = t * 70;
      double fade = std::pow(1 - t, 2.2);
      p.AddGlow(ex + bx * along, ey + by * along, 1.6 + 3 * t, Color{60, 130, 255} * (fade * 0.22));
    }
    p.AddGlow(ex, ey, 3.5, Color{150, 200, 255} * 0.8);
  }
}

Mask TextMask(const std::string &text, int pixelSize, int centreX, int baselineY, int &capTop) {
  FontFace face(fontDirectory / "DejaVuSans-Bold.ttf", pixelSize);
  int penWidth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    penWidth += face.Render(static_cast<unsigned char>(text[i]), false).advance;
    if (i + 1 < text.size())
      penWidth += face.Kerning(static_cast<unsigned char>(text[i]),
                               static_cast<unsigned char>(text[i + 1]));
  }
  Mask m(width, height);
  int pen = centreX - penWidth / 2;
  capTop = baselineY;
  for (std::size_t i = 0; i < text.size(); ++i) {
    Glyph g = face.Render(static_cast<unsigned char>(text[i]), false);
    capTop = std::min(capTop, baselineY - g.top);
    for (int y = 0; y < g.height; ++y)
      for (int x = 0; x < g.width; ++x) {
        int px = pen + g.left + x, py = baselineY - g.top + y;
        if (px >= 0 && py >= 0 && px < width && py < height)
          m.At(px, py) = std::max(m.At(px, py), g.At(x, y));
      }
    pen += g.advance;
    if (i + 1 < text.size())
      pen += face.Kerning(static_cast<unsigned char>(text[i]),
                          static_cast<unsigned char>(text[i + 1]));
  }
  return m;
}

// Chrome lettering: sky-blue metal above a horizon line, molten gold below,
// bevelled edges, a dark outline and a warm glow.
void PaintTitle(Picture &p) {
  constexpr int baseline = 178;
  int capTop = 0;
  Mask letters = TextMask("Ruzoz", 158, width / 2, baseline, capTop);
  Mask outline = letters.Dilated(4).Blurred(1);
  Mask glow = letters.Dilated(6).Blurred(9);
  Mask relief = letters.Blurred(2);
  static const std::array<ColorStop, 6> chrome{{
      {0.00, {225, 236, 250}},
      {0.44, {100, 130, 195}},
      {0.50, {35, 40, 95}},
      {0.53, {170, 85, 40}},
      {0.78, {245, 175, 80}},
      {1.00, {255, 230, 150}},
  }};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Color c = p.At(x, y) + Color{255, 110, 40} * (glow.At(x, y) * 0.85);
      c = Mix(c, Color{18, 10, 28}, outline.At(x, y));
      double m = letters.At(x, y);
      if (m > 0) {
        double t = double(y - capTop) / (baseline - capTop);
        Color fill = Ramp(chrome, t);
        // Bevel: light on edges facing up-left, shade on those facing
        // down-right.
        double gx = relief.Sample(x + 1, y) - relief.Sample(x - 1, y);
        double gy = relief.Sample(x, y + 1) - relief.Sample(x, y - 1);
        double bevel = (gx + gy) * 1.4;
        fill = bevel < 0 ? Mix(fill, Color{255, 250, 235}, Clamp01(-bevel))
                         : fill * (1 - Clamp01(bevel) * 0.7);
        c = Mix(c, fill, m);
      }
      p.At(x, y) = c;
    }
}

// Dims the areas the game writes on so its yellow text always reads.
void CalmTextBands(Picture &p) {
  constexpr double feather = 20;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double calm = 0;
      for (const Band &b : textBands) {
        double dx = std::max({b.x0 - 8 - (x + 0.5), 0.0, x + 0.5 - (b.x1 + 8)});
        double dy = std::max({b.y0 - 6 - (y + 0.5), 0.0, y + 0.5 - (b.y1 + 6)});
        calm = std::max(calm, 1 - SmoothStep(0, feather, std::hypot(dx, dy)));
      }
      p.At(x, y) = p.At(x, y) * (1 - 0.6 * calm);
    }
}

} // namespace

Bitmap MakeTitelbild() {
  Picture p(width, height);
  PaintSpace(p, {3001, 2400, 2.4, {130, 45, 160}, {30, 110, 175}});
  PaintPlanet(p, 20, 505, 150);
  PaintMoon(p, 236, 448, 13);
  const double heading = -std::numbers::pi / 6, shipX = 570, shipY = 394, scale = 3.0;
  PaintExhaust(p, shipX, shipY, scale, heading);
  DrawShip(p, shipX, shipY, scale, heading);
  CalmTextBands(p);
  PaintTitle(p);
  return p.ToBitmap();
}

} // namespace ruzoz::contentgen
