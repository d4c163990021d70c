#pragma once
// The surface set, the one drawing primitive and the flip. Game and screen
// code only see this header; the pixels live behind the Video handed over at
// start-up. Without one the same rules still apply, so the game runs
// headless.

#include "ports/Video.h"

namespace ruzoz {

// Image numbers follow the load order of the image files, 1..40.
enum ImageNumber : int {
  imgExplosion1 = 1,
  imgKugel = 5,
  imgAlien1 = 6,
  imgLeer = 14,
  imgAsteroid1 = 15,
  imgMeteorit = 18,
  imgLava = 19,
  imgMunition = 20,
  imgSchild = 21,
  imgHintergrund = 22,
  imgZeichensatz = 23,
  imgSchiff1 = 24, // Schiff1..Schiff16 are 24..39, by heading
  imgTitelbild = 40,
  imageCount = 40,
};

// File name of image number n (1..40), e.g. "Kugel.bmp"; null otherwise.
const char *imageFileName(int number);

// The 40 images by number; entry 0 is unused. An entry is null while its
// image is not loaded.
struct SurfaceSet {
  Surface *images[imageCount + 1] = {};
  Surface *operator[](int number) const { return images[number]; }
};
extern SurfaceSet surfaceSet;

// The screen everything is drawn on; null when headless. LoadAllImages and
// InstallNominalSurfaces set it, ReleaseAllImages clears it.
extern Video *video;

// Whole image, white transparent, no clipping: an image not wholly inside
// the screen is not drawn at all.
void DrawImage(int x, int y, const Surface *image);
// One 16 x 16 cell of the font image.
void DrawFontCell(int x, int y, int code);
void Flip();

// Loads the 40 files in order through `screen`; the first that fails stores
// "Error Loading Image" and ends the step. Then sets the colour keys.
bool LoadAllImages(Video &screen);
void ReleaseAllImages();

// Surfaces of the nominal sizes without pixels, drawn on `screen` (which may
// draw nothing): headless runs and tests.
void InstallNominalSurfaces(Video *screen);

} // namespace ruzoz
