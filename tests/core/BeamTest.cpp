#include "support/GameFixture.h"

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
  EXPECT_EQ(effects(), std::vector<int>{sfxDrip});
  for (int i = 0; i < 9; ++i)
    fireBeam();
  keys.fireRequest = 1;
  fireBeam();
  EXPECT_EQ(game.shotTimer, 0) << "no ammunition, no shot";
  EXPECT_EQ(keys.fireRequest, 0) << "the request is lost, not queued";

  game.ammo = 5;
  for (int frame = 1; frame <= 11; ++frame) {
    keys.fireRequest = frame == 1 || frame == 10 || frame == 11;
    fireBeam();
  }
  EXPECT_EQ(game.ammo, 3u) << "the 10th frame of a shot loses its request, the 11th fires";
}

// Heading 4 puts the beam's points at 4, 8, ... 260 pixels right of the
// ship; an object is hit strictly within 9 pixels of one of them, whether
// that point is drawn or not.
TEST_F(BeamTest, HitsStrictlyWithinNinePixelsOfAPoint) {
  const struct {
    double kind, dx, dy, kindAfter;
    std::uint32_t score;
  } cases[] = {
      {1, 92, 9, 1, 0},       {1, 92, -9, 1, 0},
      {1, 92, 8.9, 1000, 5},  {1, 92, -8.9, 1000, 5},
      {2, -5, 0, 2, 0},       {2, -4.9, 0, 1000, 10},
      {8, 269, 0, 8, 0},      {8, 268.9, 0, 1000, 60},
      {5, 50, 0, 1000, 30},   // within reach of four points, scored once
      {850, 40, 0, 850, 0},   // enemy shots pass
      {1000, 40, 0, 1000, 0}, // explosions are left alone
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " at " << c.dx << ", " << c.dy);
    emptyWorldInPlay();
    clearRecording();
    game.heading = 4;
    WorldObject &o = place(0, c.kind, game.cameraX + c.dx, game.cameraY + c.dy);
    keys.fireRequest = 1;
    fireBeam();
    EXPECT_EQ(o.kind, c.kindAfter);
    EXPECT_EQ(game.score, c.score);
    const bool hit = c.kindAfter == 1000 && c.kind != 1000;
    EXPECT_EQ(effects(), hit ? (std::vector<int>{sfxDrip, sfxSchaden}) : std::vector<int>{sfxDrip});
  }
}

} // namespace
} // namespace ruzoz::test
