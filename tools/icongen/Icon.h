#pragma once
#include "Image.h"

namespace ruzoz::icongen {

// The sprite's opaque part centred in a size x size square with a small
// margin, at a whole scale where that costs little size so pixel art stays
// crisp. Resampling averages over exactly the area each icon pixel covers,
// in premultiplied linear light, so the keyed-out white neither bleeds into
// edges nor darkens them. Throws std::runtime_error if the sprite has no
// opaque pixel.
Image MakeIcon(const Image &sprite, int size);

} // namespace ruzoz::icongen
