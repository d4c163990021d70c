#include "game/World.h"
#include "graphics/Display.h"
#include "graphics/Font.h"
#include "screens/Screens.h"

namespace ruzoz {

namespace {

const Surface *objectImage(double kind) {
  const SurfaceSet &s = surfaceSet;
  if (isAlien(kind)) {
    const Surface *const aliens[8] = {s.Alien1, s.Alien2, s.Alien3, s.Alien4,
                                      s.Alien5, s.Alien6, s.Alien7, s.Alien8};
    return aliens[static_cast<int>(kind) - 1];
  }
  if (kind > 800 && kind < 901)
    return s.Kugel;
  if (kind > 1000 && kind < 1006)
    return s.Explosion1;
  if (kind > 1005 && kind < 1012)
    return s.Explosion2;
  if (kind > 1011 && kind < 1018)
    return s.Explosion3;
  if (kind > 1017 && kind < 1024)
    return s.Explosion4;
  return nullptr;
}

const Surface *tileImage(TileCode code) {
  const SurfaceSet &s = surfaceSet;
  switch (code) {
  case tileMeteor:
    return s.Meteorit;
  case tileAsteroid1:
    return s.Asteroid1;
  case tileAsteroid2:
    return s.Asteroid2;
  case tileAsteroid3:
    return s.Asteroid3;
  case tileAmmo:
    return s.Munition;
  case tileShield:
    return s.Schild;
  case tileLava:
    return s.Lava;
  default:
    return nullptr;
  }
}

} // namespace

void drawWorld(int &cellOffsetX, int &cellOffsetY) {
  GameState &g = game;
  DrawImage(0, 0, surfaceSet.imageTable[16]);
  DrawImage(304, 224, surfaceSet.imageTable[g.heading]);

  const Level &level = levels[g.currentLevel];
  g.ufoCount = 0;
  for (const WorldObject &o : level.objects) {
    const int sx = static_cast<int>(o.x - g.cameraX + 304);
    const int sy = static_cast<int>(o.y - g.cameraY + 224);
    const Surface *image = objectImage(o.kind);
    if (image != nullptr)
      DrawImage(sx, sy, image);
    if (isAlien(o.kind))
      g.ufoCount += 1;
  }

  g.cameraTileColumn = g.cameraX / 32;
  g.cameraTileRow = g.cameraY / 32;
  cellOffsetX = g.cameraX - 32 * g.cameraTileColumn;
  cellOffsetY = g.cameraY - 32 * g.cameraTileRow;
  for (int dy = -6; dy <= 7; ++dy) {
    for (int dx = -9; dx <= 10; ++dx) {
      const int m = g.cameraTileRow + dy;
      const int n = g.cameraTileColumn + dx;
      const int x = 32 * dx + 320 - cellOffsetX;
      const int y = 32 * dy + 240 - cellOffsetY;
      if (m < 0 || m >= mapSize || n < 0 || n >= mapSize) {
        DrawImage(x, y, surfaceSet.Leer);
        continue;
      }
      const Surface *image = tileImage(level.tiles[m][n]);
      if (image != nullptr)
        DrawImage(x, y, image);
    }
  }
}

void drawHud() {
  const GameState &g = game;
  for (int i = 0; i < 20; ++i) {
    DrawImage(32 * i, 0, surfaceSet.Leer);
    DrawImage(32 * i, 448, surfaceSet.Leer);
  }
  for (int j = 0; j < 15; ++j) {
    DrawImage(0, 32 * j, surfaceSet.Leer);
    DrawImage(608, 32 * j, surfaceSet.Leer);
  }
  DrawString(32, 448, "U F O S :~");
  DrawNumber(256, 448, g.ufoCount);
  DrawString(32, 16, "Punkte :~");
  DrawNumber(256, 16, static_cast<int>(g.score));
  DrawString(336, 16, "Schild :~");
  DrawNumber(576, 16, g.shield);
  DrawString(336, 448, "Munition :~");
  DrawNumber(576, 448, static_cast<int>(g.ammo));
}

void drawLevelBanner() {
  GameState &g = game;
  if (g.bannerTimer == 0)
    return;
  g.bannerTimer -= 1;
  DrawString(256, 232, g.currentLevel < 16 ? "Level :~" : "Sieg !!~");
  DrawNumber(384, 232, g.currentLevel + 1);
}

} // namespace ruzoz
