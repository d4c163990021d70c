#include "support/GameFixture.h"

#include <algorithm>
#include <tuple>

namespace ruzoz::test {
namespace {

using TilesTest = GameTest;

TEST_F(TilesTest, FewerThanFiveAliensClearTheLevelAndTheSixteenthWins) {
  emptyWorldInPlay();
  game.ufoCount = 5;
  checkLevelCleared();
  EXPECT_EQ(game.currentLevel, 0);
  game.ufoCount = 4;
  game.shipX = 10;
  game.velocityX = 3;
  game.bannerTimer = 0;
  game.shotTimer = 4;
  checkLevelCleared();
  // A running shot carries over.
  EXPECT_EQ(std::tie(game.currentLevel, game.shipX, game.velocityX, game.cameraTileRow,
                     game.bannerTimer, game.shotTimer, game.playing),
            std::make_tuple(1, 1600.0, 0.0, 50, 100u, 4, 1));

  game.currentLevel = 14;
  checkLevelCleared();
  EXPECT_EQ(game.playing, 1);
  game.ufoCount = -3; // compared signed
  checkLevelCleared();
  EXPECT_EQ(std::tie(game.currentLevel, game.playing, game.gameInProgress),
            std::make_tuple(16, 0, 0));
  clearRecording();
  applyTileEffects(0, 0);
  EXPECT_TRUE(effects().empty()) << "no level 16 to read";
}

// The tile under the camera: obstacles bounce the ship on one axis, chosen
// by where it stands in the tile; lava hurts and bounces every frame;
// pick-ups set (not add) and vanish. Beyond the map nothing happens.
TEST_F(TilesTest, TileUnderTheCameraActsOnTheShip) {
  const struct {
    TileCode tile;
    int cameraX, cameraY, offsetX, offsetY;
    double shipX, shipY, velocityX, velocityY;
    int shield;
    std::uint32_t ammo;
    TileCode tileAfter;
    int effect; // -1: none
  } cases[] = {
      {tileMeteor, 1600, 1600, 3, 10, 1590, 1600, -2, 1, 3, 20, tileMeteor, sfxKollision},
      {tileAsteroid3, 1600, 1600, 7, 7, 1600, 1595, 2, -1, 3, 20, tileAsteroid3, sfxKollision},
      {tileLava, 1600, 1600, 10, 3, 1600, 1595, 2, -1, 2, 20, tileLava, sfxSchaden},
      {tileAmmo, 1600, 1600, 0, 0, 1600, 1600, 2, 1, 3, 50, tileEmpty, sfxGet},
      {tileShield, 1600, 1600, 0, 0, 1600, 1600, 2, 1, 12, 20, tileEmpty, sfxGet},
      {tileLava, 3199, 3199, 0, 0, 1600, 1595, 2, -1, 2, 20, tileLava, sfxSchaden},
      {tileLava, 3200, 1600, 0, 0, 1600, 1600, 2, 1, 3, 20, tileLava, -1},
      {tileLava, 1600, 3200, 0, 0, 1600, 1600, 2, 1, 3, 20, tileLava, -1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "tile " << c.tile << " at " << c.cameraX << ", " << c.cameraY);
    emptyWorldInPlay();
    clearRecording();
    game.currentLevel = 9;
    game.ammo = 20;
    game.velocityX = 2;
    game.velocityY = 1;
    game.cameraX = c.cameraX;
    game.cameraY = c.cameraY;
    for (auto &row : levels[9].tiles)
      for (TileCode &t : row)
        t = c.tile;
    game.shield = c.tile == tileShield ? 15 : 3; // set to level + 3 even when lower
    applyTileEffects(c.offsetX, c.offsetY);
    EXPECT_EQ(
        std::tie(game.shipX, game.shipY, game.velocityX, game.velocityY, game.shield, game.ammo),
        std::tie(c.shipX, c.shipY, c.velocityX, c.velocityY, c.shield, c.ammo));
    EXPECT_EQ(levels[9].tiles[std::min(c.cameraY / 32, 99)][std::min(c.cameraX / 32, 99)],
              c.tileAfter);
    EXPECT_EQ(effects(), c.effect < 0 ? std::vector<int>{} : std::vector<int>{c.effect});
  }
}

TEST_F(TilesTest, LavaEndsTheGameAtZeroShieldWithoutMusic) {
  emptyWorldInPlay();
  levels[0].tiles[50][50] = tileLava;
  for (int frame = 1; frame <= 3; ++frame) {
    applyTileEffects(0, 0);
    EXPECT_EQ(game.playing, frame < 3 ? 1 : 0);
  }
  EXPECT_EQ(game.shield, 0);
  EXPECT_EQ(musicRestarts(), 0);
}

} // namespace
} // namespace ruzoz::test
