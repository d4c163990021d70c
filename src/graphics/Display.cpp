#include "graphics/Display.h"

#include "ports/Texts.h"

namespace ruzoz {

SurfaceSet surfaceSet;
Video *video = nullptr;

namespace {

const char *const fileNames[imageCount] = {
    "Explosion1.bmp", "Explosion2.bmp",  "Explosion3.bmp",  "Explosion4.bmp", "Kugel.bmp",
    "Alien1.bmp",     "Alien2.bmp",      "Alien3.bmp",      "Alien4.bmp",     "Alien5.bmp",
    "Alien6.bmp",     "Alien7.bmp",      "Alien8.bmp",      "Leer.bmp",       "Asteroid1.bmp",
    "Asteroid2.bmp",  "Asteroid3.bmp",   "Meteorit.bmp",    "Lava.bmp",       "Munition.bmp",
    "Schild.bmp",     "Hintergrund.bmp", "Zeichensatz.bmp", "Schiff1.bmp",    "Schiff2.bmp",
    "Schiff3.bmp",    "Schiff4.bmp",     "Schiff5.bmp",     "Schiff6.bmp",    "Schiff7.bmp",
    "Schiff8.bmp",    "Schiff9.bmp",     "Schiff10.bmp",    "Schiff11.bmp",   "Schiff12.bmp",
    "Schiff13.bmp",   "Schiff14.bmp",    "Schiff15.bmp",    "Schiff16.bmp",   "titelbild.bmp",
};

// Storage for the surfaces; the set points here while they are loaded.
Surface storage[imageCount + 1];

bool insideScreen(int x, int y, int width, int height) {
  return x >= 0 && y >= 0 && width <= screenWidth - x && height <= screenHeight - y;
}

void releaseLoaded() {
  for (int n = 1; n <= imageCount; ++n) {
    Surface *&slot = surfaceSet.images[n];
    if (slot == nullptr)
      continue;
    if (video != nullptr)
      video->ReleaseImage(*slot);
    *slot = Surface{};
    slot = nullptr;
  }
}

} // namespace

const char *imageFileName(int number) {
  return number >= 1 && number <= imageCount ? fileNames[number - 1] : nullptr;
}

void DrawImage(int x, int y, const Surface *image) {
  if (image == nullptr || !insideScreen(x, y, image->width, image->height))
    return;
  if (video != nullptr)
    video->Blit(*image, x, y, nullptr, -1);
}

void DrawFontCell(int x, int y, int code) {
  const Surface *font = surfaceSet[imgZeichensatz];
  if (font == nullptr || !insideScreen(x, y, 16, 16))
    return;
  const int left = 16 * (code % 32);
  const int top = 16 * (code / 32 - 1);
  const SourceRect cell{left, top, left + 16, top + 16};
  if (video != nullptr)
    video->Blit(*font, x, y, &cell, code);
}

void Flip() {
  if (video != nullptr)
    video->Flip();
}

bool LoadAllImages(Video &screen) {
  releaseLoaded();
  video = &screen;
  for (int n = 1; n <= imageCount; ++n) {
    Surface loaded;
    if (!screen.LoadImage(fileNames[n - 1], loaded)) {
      errorMessage = texts::imageFailed;
      return false;
    }
    loaded.number = n;
    storage[n] = loaded;
    surfaceSet.images[n] = &storage[n];
  }
  for (int n = 1; n <= imageCount; ++n)
    screen.SetColorKey(*surfaceSet.images[n]);
  return true;
}

void ReleaseAllImages() {
  releaseLoaded();
  video = nullptr;
}

void InstallNominalSurfaces(Video *screen) {
  releaseLoaded();
  video = screen;
  for (int n = 1; n <= imageCount; ++n) {
    Surface &s = storage[n];
    s = Surface{};
    s.number = n;
    if (n == imgHintergrund || n == imgTitelbild) {
      s.width = screenWidth;
      s.height = screenHeight;
    } else if (n == imgZeichensatz) {
      s.width = 512;
      s.height = 48;
    } else {
      s.width = 32;
      s.height = 32;
    }
    surfaceSet.images[n] = &s;
  }
}

} // namespace ruzoz
