#include "game/World.h"
#include "graphics/Display.h"
#include "graphics/Font.h"
#include "ports/Texts.h"
#include "screens/Screens.h"

namespace ruzoz {

namespace {

const Surface *objectImage(double kind) {
  if (isAlien(kind))
    return surfaceSet[imgAlien1 + static_cast<int>(kind) - 1];
  if (isEnemyShot(kind))
    return surfaceSet[imgKugel];
  // The explosion's four images, five or six frames each after its first
  // frame (which shows nothing); from 1024 on it is gone from the picture.
  constexpr double stageAfter[] = {kindExplosion, 1005, 1011, 1017, 1023};
  for (int stage = 0; stage < 4; ++stage)
    if (kind > stageAfter[stage] && kind < stageAfter[stage + 1] + 1)
      return surfaceSet[imgExplosion1 + stage];
  return nullptr;
}

const Surface *tileImage(TileCode code) {
  switch (code) {
  case tileMeteor:
    return surfaceSet[imgMeteorit];
  case tileAsteroid1:
    return surfaceSet[imgAsteroid1];
  case tileAsteroid2:
    return surfaceSet[imgAsteroid1 + 1];
  case tileAsteroid3:
    return surfaceSet[imgAsteroid1 + 2];
  case tileAmmo:
    return surfaceSet[imgMunition];
  case tileShield:
    return surfaceSet[imgSchild];
  case tileLava:
    return surfaceSet[imgLava];
  default:
    return nullptr;
  }
}

} // namespace

void drawWorld(int &cellOffsetX, int &cellOffsetY) {
  GameState &g = game;
  DrawImage(0, 0, surfaceSet[imgHintergrund]);
  DrawImage(304, 224, surfaceSet[imgSchiff1 + g.heading]);

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
        DrawImage(x, y, surfaceSet[imgLeer]);
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
    DrawImage(32 * i, 0, surfaceSet[imgLeer]);
    DrawImage(32 * i, 448, surfaceSet[imgLeer]);
  }
  for (int j = 0; j < 15; ++j) {
    DrawImage(0, 32 * j, surfaceSet[imgLeer]);
    DrawImage(608, 32 * j, surfaceSet[imgLeer]);
  }
  DrawString(32, 448, texts::ufosLabel);
  DrawNumber(256, 448, g.ufoCount);
  DrawString(32, 16, texts::pointsLabel);
  DrawNumber(256, 16, static_cast<int>(g.score));
  DrawString(336, 16, texts::shieldLabel);
  DrawNumber(576, 16, g.shield);
  DrawString(336, 448, texts::ammoLabel);
  DrawNumber(576, 448, static_cast<int>(g.ammo));
}

void drawLevelBanner() {
  GameState &g = game;
  if (g.bannerTimer == 0)
    return;
  g.bannerTimer -= 1;
  DrawString(256, 232, g.currentLevel < 16 ? texts::levelLabel : texts::victoryLabel);
  DrawNumber(384, 232, g.currentLevel + 1);
}

} // namespace ruzoz
