#pragma once
#include "Raster.h"

namespace ruzoz::contentgen {

// The player's fighter in its own frame: units are sprite pixels, origin at
// the pivot, nose towards -y. Everything lies within 15 units of the pivot,
// and only the nose reaches past 13.
struct ShipPoint {
  bool inside = false;
  Color albedo;
  Vec3 normal;
  double shine = 0;
  Color glow; // light of its own, unaffected by shading
};
ShipPoint SampleShip(double x, double y);

// Colour of a ship point seen with the ship turned `heading` radians
// clockwise; the key light stays fixed while the ship turns.
Color ShadeShip(const ShipPoint &p, double heading);

// Paints the ship onto a picture, centred at (cx, cy), `scale` picture
// pixels per ship unit, with anti-aliased edges.
void DrawShip(Picture &picture, double cx, double cy, double scale, double heading);

} // namespace ruzoz::contentgen
