#include "audio/Sound.h"
#include "game/Simulation.h"
#include "game/World.h"

namespace ruzoz {

namespace {

// One axis is reversed, chosen by where the ship stood in its tile.
void bounce(int cellOffsetX, int cellOffsetY) {
  GameState &g = game;
  if (cellOffsetX < cellOffsetY) {
    g.velocityX = -g.velocityX;
    g.shipX = g.shipX + 5 * g.velocityX;
  } else {
    g.velocityY = -g.velocityY;
    g.shipY = g.shipY + 5 * g.velocityY;
  }
}

} // namespace

void checkLevelCleared() {
  GameState &g = game;
  if (g.ufoCount >= 5)
    return;
  g.currentLevel += 1;
  g.cameraX = 1600;
  g.cameraY = 1600;
  g.bannerTimer = 100;
  g.velocityX = 0;
  g.velocityY = 0;
  g.shipX = 1600;
  g.shipY = 1600;
  g.cameraTileColumn = 50;
  g.cameraTileRow = 50;
  if (g.currentLevel == 16)
    endGame();
}

void applyTileEffects(int cellOffsetX, int cellOffsetY) {
  GameState &g = game;
  if (g.currentLevel < 0 || g.currentLevel >= levelCount)
    return;
  const int row = g.cameraY / 32;
  const int column = g.cameraX / 32;
  if (row < 0 || row >= mapSize || column < 0 || column >= mapSize)
    return;
  TileCode &cell = levels[g.currentLevel].tiles[row][column];

  if (cell >= tileMeteor && cell <= tileAsteroid3) {
    PlaySoundEffect(sfxKollision);
    bounce(cellOffsetX, cellOffsetY);
  }
  if (cell == tileLava) {
    g.shield -= 1;
    if (g.shield == 0)
      endGame();
    PlaySoundEffect(sfxSchaden);
    bounce(cellOffsetX, cellOffsetY);
  }
  if (cell == tileAmmo) {
    g.ammo = 50;
    cell = tileEmpty;
    PlaySoundEffect(sfxGet);
  }
  if (cell == tileShield) {
    g.shield = g.currentLevel + 3;
    cell = tileEmpty;
    PlaySoundEffect(sfxGet);
  }
}

} // namespace ruzoz
