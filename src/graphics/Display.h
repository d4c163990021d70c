#pragma once
// The display seam: the 40 image surfaces, the one drawing primitive and the
// flip. Game and screen code only see this header; the pixels live behind
// displayHooks, which the platform layer fills in. Without hooks the same
// rules still apply, so the game runs headless and records what it drew.

namespace ruzoz {

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

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
  imgSchiff1 = 24,
  imgTitelbild = 40,
  imageCount = 40,
};

// File name of image number n (1..40), e.g. "Kugel.bmp".
const char *imageFileName(int number);

struct Surface {
  int number = 0;
  int width = 0;
  int height = 0;
  void *platform = nullptr; // the platform's pixels; null when headless
};

struct SurfaceSet {
  Surface *imageTable[18] = {}; // 0..15 Schiff1..Schiff16, 16 Hintergrund, 17 Zeichensatz
  Surface *Explosion1 = nullptr, *Explosion2 = nullptr, *Explosion3 = nullptr,
          *Explosion4 = nullptr;
  Surface *Kugel = nullptr;
  Surface *Alien1 = nullptr, *Alien2 = nullptr, *Alien3 = nullptr, *Alien4 = nullptr,
          *Alien5 = nullptr, *Alien6 = nullptr, *Alien7 = nullptr, *Alien8 = nullptr;
  Surface *Leer = nullptr;
  Surface *Asteroid1 = nullptr, *Asteroid2 = nullptr, *Asteroid3 = nullptr;
  Surface *Meteorit = nullptr;
  Surface *Lava = nullptr;
  Surface *Munition = nullptr;
  Surface *Schild = nullptr;
  Surface *titelbild = nullptr;
};

extern SurfaceSet surfaceSet;

// Slot of image number n (1..40) in the surface set.
Surface *&surfaceSlot(int number);

struct SourceRect {
  int left, top, right, bottom;
};

// Filled in by the platform layer. Each may be null.
struct DisplayHooks {
  // Creates the surface of an image file; false if it cannot be loaded.
  bool (*loadImage)(const char *fileName, Surface &out) = nullptr;
  void (*releaseImage)(Surface &surface) = nullptr;
  void (*setColorKey)(Surface &surface) = nullptr;
  // Keyed copy onto the back buffer; only called for rectangles wholly inside it.
  void (*blit)(const Surface &image, int x, int y, const SourceRect *source) = nullptr;
  void (*flip)() = nullptr;
};
extern DisplayHooks displayHooks;

// Sees every blit that reached the back buffer: image number, position and
// glyph code (-1 for a whole image).
extern void (*drawObserver)(int number, int x, int y, int glyph);

// Whole image, white transparent, no clipping: an image not wholly inside
// the screen is not drawn at all.
void DrawImage(int x, int y, const Surface *image);
// One 16 x 16 cell of the font image.
void DrawFontCell(int x, int y, int code);
void Flip();

Surface *LoadImageSurface(const char *fileName);
bool LoadAllImages();
void ReleaseAllImages();

// Surfaces of the nominal sizes without pixels, for headless runs and tests.
void InstallNominalSurfaces();

} // namespace ruzoz
