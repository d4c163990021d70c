#include "GameFixture.h"

namespace ruzoz::test {
namespace {

using ShipTest = GameTest;

TEST_F(ShipTest, TurnsEverySecondFrameAndWraps) {
  emptyWorldInPlay();
  keys.keyRight = 1;
  for (int i = 0; i < 32; ++i)
    updateShip();
  EXPECT_EQ(game.heading, 0) << "32 frames are one full turn";
  updateShip(); // divider 1: no turn
  EXPECT_EQ(game.heading, 0);
  keys.keyRight = 0;
  keys.keyLeft = 1;
  updateShip();
  EXPECT_EQ(game.heading, 15) << "left from 0 wraps to 15";
  keys.keyRight = 1;
  for (int i = 0; i < 4; ++i)
    updateShip();
  EXPECT_EQ(game.heading, 15) << "both keys cancel";
}

TEST_F(ShipTest, ThrustHasInertiaAndASquareSpeedLimit) {
  emptyWorldInPlay();
  keys.keyUp = 1;
  for (int i = 0; i < 24; ++i)
    updateShip();
  EXPECT_GT(game.velocityY, -5);
  updateShip();
  EXPECT_EQ(game.velocityY, -5);
  for (int i = 0; i < 10; ++i)
    updateShip();
  EXPECT_EQ(game.velocityY, -5);
  EXPECT_EQ(game.velocityX, 0);
  keys.keyUp = 0;
  const double y = game.shipY;
  updateShip();
  EXPECT_EQ(game.shipY, y - 5) << "no drag";
  keys.keyUp = 1;
  keys.keyDown = 1;
  updateShip();
  EXPECT_EQ(game.thrust, -1) << "down wins over up";
  EXPECT_DOUBLE_EQ(game.velocityY, -4.8);

  game.heading = 2; // diagonal: x and y both capped at 5
  game.velocityX = 4.95;
  game.velocityY = -4.95;
  keys.keyDown = 0;
  updateShip();
  EXPECT_EQ(game.velocityX, 5);
  EXPECT_EQ(game.velocityY, -5);
}

TEST_F(ShipTest, BouncesOffTheFieldEdgesAtFullSpeed) {
  emptyWorldInPlay();
  game.shipX = 1;
  game.velocityX = -4;
  updateShip();
  EXPECT_EQ(game.shipX, 3);
  EXPECT_EQ(game.velocityX, 4);
  EXPECT_EQ(recording().effects, std::vector<int>{sfxKollision});

  recording().effects.clear();
  game.shipX = 3230;
  game.velocityX = 2;
  updateShip();
  EXPECT_EQ(game.shipX, 3230);
  EXPECT_EQ(game.velocityX, -2);

  game.shipX = 3229; // 3231 itself is still inside
  game.velocityX = 2;
  updateShip();
  EXPECT_EQ(game.shipX, 3231);
  EXPECT_EQ(game.cameraX, 3231);

  recording().effects.clear();
  game.shipX = 2;
  game.shipY = 3230;
  game.velocityX = -3;
  game.velocityY = 3;
  updateShip();
  EXPECT_EQ(game.shipX, 3);
  EXPECT_EQ(game.shipY, 3230);
  EXPECT_EQ(recording().effects, (std::vector<int>{sfxKollision, sfxKollision}));
}

TEST_F(ShipTest, CameraIsTheTruncatedShipPosition) {
  emptyWorldInPlay();
  game.cameraX = 0;
  updateShip();
  EXPECT_EQ(game.cameraX, 1600);
  game.shipX = 100.99;
  game.shipY = 7.5;
  updateShip();
  EXPECT_EQ(game.cameraX, 100);
  EXPECT_EQ(game.cameraY, 7);
}

} // namespace
} // namespace ruzoz::test
