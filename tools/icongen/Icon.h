#pragma once
#include "Image.h"

namespace ruzoz::icongen {

// Half-open box of the pixels with alpha above 0.
struct Bounds {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
Bounds OpaqueBounds(const Image &image);

// Destination position of source coordinate s: offset + s * scale, per axis.
struct Placement {
  double scale = 1;
  double offsetX = 0;
  double offsetY = 0;
};

// Centres the sprite's opaque part in a size x size square with a small
// margin. Throws std::runtime_error if the sprite has no opaque pixel.
Placement FitIcon(const Image &sprite, int size);

// Area-weighted resampling: every destination pixel averages the source
// over exactly the area it covers, in premultiplied linear light, so the
// keyed-out white neither bleeds into edges nor darkens them.
Image Resample(const Image &source, int width, int height, const Placement &placement);

Image MakeIcon(const Image &sprite, int size);

} // namespace ruzoz::icongen
