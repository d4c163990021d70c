#include "support/GameFixture.h"

namespace ruzoz::test {
namespace {

using ShipTest = GameTest;

TEST_F(ShipTest, DownWinsOverUpAndEachAxisIsCappedAtFive) {
  emptyWorldInPlay();
  keys.keyUp = 1;
  keys.keyDown = 1;
  game.velocityY = 0.1;
  updateShip();
  EXPECT_EQ(game.thrust, -1);
  EXPECT_DOUBLE_EQ(game.velocityY, 0.3);
  keys.keyDown = 0;
  game.heading = 2; // diagonal: x and y are capped on their own
  game.velocityX = 4.95;
  game.velocityY = -4.95;
  updateShip();
  EXPECT_EQ(game.velocityX, 5);
  EXPECT_EQ(game.velocityY, -5);
  game.heading = 10;
  game.velocityX = -4.95;
  game.velocityY = 4.95;
  updateShip();
  EXPECT_EQ(game.velocityX, -5);
  EXPECT_EQ(game.velocityY, 5);
}

TEST_F(ShipTest, BouncesOffTheFieldEdgesKeepingItsSpeed) {
  const struct {
    double x, vx, endX, endVx;
    bool bounce;
  } cases[] = {
      {1, -4, 3, 4, true},       {0, 0, 0, 0, false},           {3229, 2, 3231, 2, false},
      {3230, 2, 3230, -2, true}, {3231, 0.5, 3230, -0.5, true},
  };
  for (const auto &c : cases) {
    for (const bool onY : {false, true}) {
      SCOPED_TRACE(testing::Message() << (onY ? "y " : "x ") << c.x << " + " << c.vx);
      emptyWorldInPlay();
      clearRecording();
      (onY ? game.shipY : game.shipX) = c.x;
      (onY ? game.velocityY : game.velocityX) = c.vx;
      updateShip();
      EXPECT_EQ(onY ? game.shipY : game.shipX, c.endX);
      EXPECT_EQ(onY ? game.velocityY : game.velocityX, c.endVx);
      EXPECT_EQ(onY ? game.cameraY : game.cameraX, static_cast<int>(c.endX));
      EXPECT_EQ(effects(), c.bounce ? std::vector<int>{sfxKollision} : std::vector<int>{});
    }
  }
}

} // namespace
} // namespace ruzoz::test
