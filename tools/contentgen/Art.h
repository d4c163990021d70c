#pragma once
#include "Bitmap.h"

namespace ruzoz::contentgen {

// Sprites are 32x32 on the transparent field unless noted.
Bitmap MakeExplosion(int stage); // 1..4
Bitmap MakeKugel();
Bitmap MakeAlien(int kind);    // 1..8
Bitmap MakeAsteroid(int kind); // 1..3
Bitmap MakeMeteorit();
Bitmap MakeMunition();
Bitmap MakeSchild();
// heading 0..15 in 22.5 degree steps clockwise from straight up.
Bitmap MakeSchiff(int heading);

// Opaque images.
Bitmap MakeLeer();
Bitmap MakeLava();
Bitmap MakeHintergrund(); // 640x480
Bitmap MakeTitelbild();   // 640x480
Bitmap MakeZeichensatz(); // 512x48, cells of 16x16 for codes 32..127

} // namespace ruzoz::contentgen
