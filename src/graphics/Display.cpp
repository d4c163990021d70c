#include "graphics/Display.h"

#include "shell/Errors.h"

#include <cstring>

namespace ruzoz {

SurfaceSet surfaceSet;
DisplayHooks displayHooks;
void (*drawObserver)(int, int, int, int) = nullptr;

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

// Storage for the surfaces; the set's references point here while loaded.
Surface storage[imageCount + 1];

bool insideScreen(int x, int y, int width, int height) {
  return x >= 0 && y >= 0 && width <= screenWidth - x && height <= screenHeight - y;
}

} // namespace

const char *imageFileName(int number) {
  return number >= 1 && number <= imageCount ? fileNames[number - 1] : nullptr;
}

Surface *&surfaceSlot(int number) {
  SurfaceSet &s = surfaceSet;
  switch (number) {
  case 1:
    return s.Explosion1;
  case 2:
    return s.Explosion2;
  case 3:
    return s.Explosion3;
  case 4:
    return s.Explosion4;
  case 5:
    return s.Kugel;
  case 6:
    return s.Alien1;
  case 7:
    return s.Alien2;
  case 8:
    return s.Alien3;
  case 9:
    return s.Alien4;
  case 10:
    return s.Alien5;
  case 11:
    return s.Alien6;
  case 12:
    return s.Alien7;
  case 13:
    return s.Alien8;
  case 14:
    return s.Leer;
  case 15:
    return s.Asteroid1;
  case 16:
    return s.Asteroid2;
  case 17:
    return s.Asteroid3;
  case 18:
    return s.Meteorit;
  case 19:
    return s.Lava;
  case 20:
    return s.Munition;
  case 21:
    return s.Schild;
  case 22:
    return s.imageTable[16];
  case 23:
    return s.imageTable[17];
  case 40:
    return s.titelbild;
  default:
    return s.imageTable[number - imgSchiff1]; // 24..39
  }
}

void DrawImage(int x, int y, const Surface *image) {
  if (image == nullptr || !insideScreen(x, y, image->width, image->height))
    return;
  if (drawObserver)
    drawObserver(image->number, x, y, -1);
  if (displayHooks.blit)
    displayHooks.blit(*image, x, y, nullptr);
}

void DrawFontCell(int x, int y, int code) {
  const Surface *font = surfaceSet.imageTable[17];
  if (font == nullptr || !insideScreen(x, y, 16, 16))
    return;
  const int left = 16 * (code % 32);
  const int top = 16 * (code / 32 - 1);
  if (drawObserver)
    drawObserver(font->number, x, y, code);
  if (displayHooks.blit) {
    const SourceRect source{left, top, left + 16, top + 16};
    displayHooks.blit(*font, x, y, &source);
  }
}

void Flip() {
  if (displayHooks.flip)
    displayHooks.flip();
}

Surface *LoadImageSurface(const char *fileName) {
  if (displayHooks.loadImage == nullptr)
    return nullptr;
  int number = 0;
  for (int n = 1; n <= imageCount && number == 0; ++n)
    if (std::strcmp(fileNames[n - 1], fileName) == 0)
      number = n;
  if (number == 0)
    return nullptr;
  Surface loaded;
  if (!displayHooks.loadImage(fileName, loaded))
    return nullptr;
  loaded.number = number;
  storage[number] = loaded;
  return &storage[number];
}

bool LoadAllImages() {
  for (int n = 1; n <= imageCount; ++n) {
    Surface *surface = LoadImageSurface(fileNames[n - 1]);
    surfaceSlot(n) = surface;
    if (surface == nullptr) {
      errorMessage = "Error Loading Image";
      return false;
    }
  }
  for (int n = 1; n <= imageCount; ++n)
    if (displayHooks.setColorKey)
      displayHooks.setColorKey(*surfaceSlot(n));
  return true;
}

void ReleaseAllImages() {
  for (int n = 1; n <= imageCount; ++n) {
    Surface *&slot = surfaceSlot(n);
    if (slot != nullptr) {
      if (displayHooks.releaseImage)
        displayHooks.releaseImage(*slot);
      *slot = Surface{};
      slot = nullptr;
    }
  }
}

void InstallNominalSurfaces() {
  for (int n = 1; n <= imageCount; ++n) {
    Surface &s = storage[n];
    s = Surface{};
    s.number = n;
    if (n == imgHintergrund || n == imgTitelbild) {
      s.width = 640;
      s.height = 480;
    } else if (n == imgZeichensatz) {
      s.width = 512;
      s.height = 48;
    } else {
      s.width = 32;
      s.height = 32;
    }
    surfaceSlot(n) = &s;
  }
}

} // namespace ruzoz
