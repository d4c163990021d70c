#include "GameFixture.h"

namespace ruzoz::test {
namespace {

using BeamTest = GameTest;

TEST_F(BeamTest, ShotCostsAmmoAndFiresAtMostEveryTenFrames) {
  emptyWorldInPlay();
  game.ammo = 1;
  keys.fireRequest = 1;
  fireBeam();
  EXPECT_EQ(game.ammo, 0u);
  EXPECT_EQ(game.shotTimer, 9);
  EXPECT_EQ(recording().effects, std::vector<int>{sfxDrip});
  EXPECT_EQ(keys.fireRequest, 0);
  for (int i = 0; i < 9; ++i)
    fireBeam();
  EXPECT_EQ(game.shotTimer, 0);
  keys.fireRequest = 1;
  fireBeam();
  EXPECT_EQ(game.shotTimer, 0) << "no ammunition, no shot";
  EXPECT_EQ(keys.fireRequest, 0) << "the request is lost, not queued";
  EXPECT_EQ(recording().effects.size(), 1u);

  game.ammo = 5;
  keys.fireRequest = 1;
  fireBeam(); // fires: timer 9
  for (int i = 0; i < 8; ++i)
    fireBeam();
  ASSERT_EQ(game.shotTimer, 1);
  keys.fireRequest = 1;
  fireBeam(); // 10th frame of the shot: request lost
  EXPECT_EQ(game.ammo, 4u);
  keys.fireRequest = 1;
  fireBeam(); // 11th frame fires
  EXPECT_EQ(game.ammo, 3u);
}

TEST_F(BeamTest, DrawsFromTheSeventhPointOnTheFirstFourFramesOnly) {
  emptyWorldInPlay();
  game.heading = 4;
  keys.fireRequest = 1;
  for (int frame = 0; frame < 10; ++frame) {
    recording().blits.clear();
    fireBeam();
    const auto dots = blitsOf(imgKugel);
    if (frame < 4) {
      ASSERT_EQ(dots.size(), 59u);
      EXPECT_EQ(dots.front(), (Blit{imgKugel, 304 + 7 * 4, 224, -1}));
      EXPECT_EQ(dots.back(), (Blit{imgKugel, 304 + 65 * 4, 224, -1}));
    } else {
      EXPECT_TRUE(dots.empty());
    }
  }
  // Half-pixel steps are truncated.
  emptyWorldInPlay();
  game.heading = 15;
  keys.fireRequest = 1;
  recording().blits.clear();
  fireBeam();
  EXPECT_EQ(blitsOf(imgKugel).front(), (Blit{imgKugel, 304 - 11, 224 - 21, -1}));
}

TEST_F(BeamTest, HitsStrictlyWithinNinePixelsAndScoresEachAlienOnce) {
  emptyWorldInPlay();
  game.heading = 4;
  const int cx = game.cameraX, cy = game.cameraY;
  WorldObject &near = place(0, 8, cx + 100, cy + 5); // point 23 at +92: 8 away
  WorldObject &far = place(1, 1, cx + 300, cy);      // last point at +260
  WorldObject &edge = place(2, 1, cx + 4, cy + 9);   // exactly 9 off on y
  WorldObject &shot = place(3, 850, cx + 40, cy);    // enemy shots survive
  WorldObject &boom = place(4, 1000, cx + 44, cy);   // explosions untouched
  WorldObject &twice = place(5, 2, cx + 50, cy);     // within reach of 5 points
  keys.fireRequest = 1;
  fireBeam();
  EXPECT_EQ(near.kind, 1000);
  EXPECT_EQ(far.kind, 1);
  EXPECT_EQ(edge.kind, 1);
  EXPECT_EQ(shot.kind, 850);
  EXPECT_EQ(boom.kind, 1000);
  EXPECT_EQ(twice.kind, 1000);
  EXPECT_EQ(game.score, 60u + 10u);
  EXPECT_EQ(recording().effects, (std::vector<int>{sfxDrip, sfxSchaden, sfxSchaden}));
  fireBeam(); // second resolving frame: nothing left to score
  EXPECT_EQ(game.score, 70u);
}

TEST_F(BeamTest, LeftAndRightHalvesAreNotMirrors) {
  emptyWorldInPlay();
  const int cx = game.cameraX, cy = game.cameraY;
  // Heading 13 climbs 1 per step of 4; heading 3 climbs 2.
  WorldObject &left = place(0, 1, cx - 200, cy - 50);
  WorldObject &right = place(1, 1, cx + 200, cy - 50);
  game.heading = 13;
  keys.fireRequest = 1;
  fireBeam();
  EXPECT_EQ(left.kind, 1000);
  emptyWorldInPlay();
  WorldObject &right2 = place(1, 1, cx + 200, cy - 50);
  (void)right;
  game.heading = 3;
  keys.fireRequest = 1;
  fireBeam();
  EXPECT_EQ(right2.kind, 1) << "point 50 of heading 3 is 100 up, not 50";
}

} // namespace
} // namespace ruzoz::test
