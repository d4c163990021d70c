#include "game/Generation.h"

#include "game/World.h"

namespace ruzoz {

namespace {

// Chance divisors of the kind draws per level, kind 1..8; 0 means no draw.
constexpr int kindDraws[levelCount][8] = {
    {80, 0, 0, 0, 500, 0, 0, 0},      {40, 80, 0, 0, 400, 0, 0, 0},
    {80, 40, 80, 0, 300, 0, 0, 0},    {80, 80, 40, 80, 200, 0, 0, 0},
    {80, 80, 80, 40, 80, 0, 0, 0},    {80, 80, 80, 80, 40, 80, 0, 0},
    {80, 80, 80, 80, 80, 40, 80, 0},  {80, 80, 80, 80, 80, 80, 40, 80},
    {80, 80, 80, 80, 80, 80, 80, 40}, {80, 80, 80, 80, 40, 80, 80, 40},
    {80, 80, 80, 80, 80, 40, 80, 40}, {80, 80, 80, 80, 80, 80, 40, 40},
    {80, 80, 80, 80, 40, 80, 40, 40}, {80, 80, 80, 80, 80, 40, 40, 40},
    {80, 80, 80, 80, 40, 40, 40, 40}, {0, 0, 0, 0, 0, 0, 0, 5},
};

} // namespace

void generateWorld() {
  for (int L = 0; L < levelCount; ++L) {
    Level &level = levels[L];
    const int lavaChance = 1400 - 80 * L;
    for (int row = 0; row < mapSize; ++row) {
      for (int column = 0; column < mapSize; ++column) {
        TileCode cell = tileEmpty;
        if (nextRandom() % 200 == 0)
          cell = tileMeteor;
        if (nextRandom() % 200 == 0)
          cell = tileAsteroid1;
        if (nextRandom() % 200 == 0)
          cell = tileAsteroid2;
        if (nextRandom() % 200 == 0)
          cell = tileAsteroid3;
        if (nextRandom() % 500 == 0)
          cell = tileAmmo;
        if (nextRandom() % 500 == 0)
          cell = tileShield;
        if (nextRandom() % lavaChance == 0)
          cell = tileLava;
        level.tiles[row][column] = cell;
      }
    }
    for (WorldObject &object : level.objects) {
      object.x = nextRandom() % 3100;
      object.y = nextRandom() % 3100;
      object.vx = 0;
      object.vy = 0;
      object.kind = 0;
      for (int k = 0; k < 8; ++k)
        if (kindDraws[L][k] != 0 && nextRandom() % kindDraws[L][k] == 0)
          object.kind = k + 1;
    }
  }
  startNewGame();
}

void startNewGame() {
  game.shipX = 1600;
  game.shipY = 1600;
  game.cameraTileColumn = 50;
  game.cameraTileRow = 50;
  game.velocityX = 0;
  game.velocityY = 0;
  levels[0].tiles[50][50] = tileEmpty;
  game.shotDuration = 10;
  game.beamLength = 65;
  game.currentLevel = 0;
  game.ammo = 50;
  game.shield = 3;
  if (game.score > game.highScore)
    game.highScore = game.score;
  game.score = 0;
  game.gameInProgress = 1;
}

} // namespace ruzoz
