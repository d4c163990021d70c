#pragma once
#include "Raster.h"

#include <cstdint>

namespace ruzoz::contentgen {

struct SpaceStyle {
  std::uint64_t seed;
  int stars;
  double nebulaStrength; // 1 is a faint haze, 2 a vivid cloud
  Color nebulaA, nebulaB;
};

// Fills the whole picture with a starfield over a nebula.
void PaintSpace(Picture &picture, const SpaceStyle &style);

} // namespace ruzoz::contentgen
