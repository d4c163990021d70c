#include "GameFixture.h"

namespace ruzoz::test {
namespace {

using TilesTest = GameTest;

TEST_F(TilesTest, LevelChangesBelowFiveAliensAndTheSixteenthWins) {
  emptyWorldInPlay();
  game.ufoCount = 5;
  checkLevelCleared();
  EXPECT_EQ(game.currentLevel, 0);
  game.ufoCount = 4;
  game.shipX = 10;
  game.velocityX = 3;
  game.bannerTimer = 0;
  game.score = 77;
  game.shotTimer = 4;
  checkLevelCleared();
  EXPECT_EQ(game.currentLevel, 1);
  EXPECT_EQ(game.shipX, 1600);
  EXPECT_EQ(game.velocityX, 0);
  EXPECT_EQ(game.cameraX, 1600);
  EXPECT_EQ(game.cameraTileRow, 50);
  EXPECT_EQ(game.bannerTimer, 100u);
  EXPECT_EQ(game.score, 77u);
  EXPECT_EQ(game.shotTimer, 4) << "a running shot carries over";
  EXPECT_EQ(game.playing, 1);

  game.currentLevel = 15;
  game.ufoCount = -3; // signed comparison
  checkLevelCleared();
  EXPECT_EQ(game.currentLevel, 16);
  EXPECT_EQ(game.playing, 0);
  EXPECT_EQ(game.gameInProgress, 0);
  recording().effects.clear();
  applyTileEffects(0, 0);
  EXPECT_TRUE(recording().effects.empty()) << "no level 16 to read";
}

TEST_F(TilesTest, ObstaclesBounceOneAxisChosenByThePlaceInTheTile) {
  emptyWorldInPlay();
  levels[0].tiles[50][50] = tileAsteroid2;
  game.velocityX = 2;
  game.velocityY = 1;
  applyTileEffects(3, 10); // lower-left half: x reverses
  EXPECT_EQ(game.velocityX, -2);
  EXPECT_EQ(game.shipX, 1590);
  EXPECT_EQ(game.velocityY, 1);
  applyTileEffects(7, 7); // on the diagonal: y reverses
  EXPECT_EQ(game.velocityY, -1);
  EXPECT_EQ(game.shipY, 1595);
  EXPECT_EQ(recording().effects, (std::vector<int>{sfxKollision, sfxKollision}));
  EXPECT_EQ(levels[0].tiles[50][50], tileAsteroid2) << "obstacles stay";
}

TEST_F(TilesTest, LavaHurtsEveryFrameAndEndsTheGameWithoutMusic) {
  emptyWorldInPlay();
  levels[0].tiles[50][50] = tileLava;
  for (int frame = 1; frame <= 3; ++frame) {
    applyTileEffects(0, 0);
    EXPECT_EQ(game.shield, 3 - frame);
    EXPECT_EQ(game.playing, frame < 3 ? 1 : 0);
  }
  EXPECT_EQ(recording().musicRestarts, 0);
  EXPECT_EQ(recording().effects, (std::vector<int>{sfxSchaden, sfxSchaden, sfxSchaden}));
  EXPECT_EQ(levels[0].tiles[50][50], tileLava);
}

TEST_F(TilesTest, PickUpsSetRatherThanAddAndVanish) {
  emptyWorldInPlay();
  game.ammo = 49;
  levels[0].tiles[50][50] = tileAmmo;
  applyTileEffects(0, 0);
  EXPECT_EQ(game.ammo, 50u);
  EXPECT_EQ(levels[0].tiles[50][50], tileEmpty);
  applyTileEffects(0, 0);
  EXPECT_EQ(recording().effects, std::vector<int>{sfxGet});

  game.currentLevel = 9;
  game.shield = 15;
  game.cameraX = 640;
  game.cameraY = 96;
  levels[9].tiles[3][20] = tileShield;
  applyTileEffects(0, 0);
  EXPECT_EQ(game.shield, 12) << "set to level + 3 even when lower";
  EXPECT_EQ(levels[9].tiles[3][20], tileEmpty);
}

TEST_F(TilesTest, BeyondTheMapEdgeNothingHappens) {
  emptyWorldInPlay();
  for (auto &row : levels[0].tiles)
    for (TileCode &t : row)
      t = tileLava;
  game.cameraX = 3215; // column 100
  applyTileEffects(0, 0);
  game.cameraX = 1600;
  game.cameraY = 3231; // row 100
  applyTileEffects(0, 0);
  EXPECT_EQ(game.shield, 3);
  game.cameraY = 3199;
  applyTileEffects(0, 0);
  EXPECT_EQ(game.shield, 2);
}

} // namespace
} // namespace ruzoz::test
