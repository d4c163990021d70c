#include "GameFixture.h"

namespace ruzoz::test {
namespace {

using ObjectsTest = GameTest;

TEST_F(ObjectsTest, HitsTheShipOnlyStrictlyWithin16Pixels) {
  emptyWorldInPlay();
  // Resting enemy shots neither move nor re-aim, so the edges stay exact.
  place(0, 850, 1616, 1600);   // exactly 16 away: miss
  place(1, 850, 1600, 1584);   // exactly 16 away: miss
  place(2, 0, 1600, 1600);     // free slot: never hits
  place(3, 850, 1615.9, 1600); // hits
  WorldObject &alien = place(4, 2, 1600, 1610);
  updateObjects();
  EXPECT_EQ(levels[0].objects[0].kind, 849);
  EXPECT_EQ(levels[0].objects[1].kind, 849);
  EXPECT_EQ(levels[0].objects[2].kind, 0);
  EXPECT_EQ(levels[0].objects[3].kind, 1000);
  EXPECT_EQ(alien.kind, 1000);
  EXPECT_EQ(game.shield, 1) << "two hits cost two points";
  EXPECT_EQ(recording().effects, (std::vector<int>{sfxSchaden, sfxSchaden}));
  EXPECT_EQ(game.playing, 1);
  EXPECT_EQ(recording().musicRestarts, 0);
}

TEST_F(ObjectsTest, LastShieldPointEndsPlayOnceAndRestartsTheMusic) {
  emptyWorldInPlay();
  game.shield = 1;
  place(10, 3, 1600, 1600);
  place(11, 900, 1601, 1601);
  updateObjects();
  EXPECT_EQ(game.shield, -1);
  EXPECT_EQ(game.playing, 0);
  EXPECT_EQ(game.gameInProgress, 0);
  EXPECT_EQ(recording().musicRestarts, 1) << "only the hit that reaches exactly 0";
}

TEST_F(ObjectsTest, EnemyShotsAgeMoveAndLeaveTheField) {
  emptyWorldInPlay();
  WorldObject &still = place(0, 900, 500, 500);
  WorldObject &leaving = place(1, 900, 3199, 1600, 2, 0);
  // Would hit the ship after its move if it were still alive.
  WorldObject &outThenIn = place(2, 900, 1, 1600 - 20, -2, 20);
  updateObjects();
  EXPECT_EQ(still.kind, 899);
  EXPECT_EQ(leaving.kind, 0) << "freed in the same pass";
  EXPECT_EQ(leaving.x, 3201);
  EXPECT_EQ(outThenIn.kind, 0);
  EXPECT_EQ(outThenIn.y, 1600) << "y moves even after x ended the shot";
  EXPECT_EQ(game.shield, 3);
  for (int i = 0; i < 98; ++i)
    updateObjects();
  EXPECT_EQ(still.kind, 801);
  EXPECT_EQ(still.x, 500);
  updateObjects();
  EXPECT_EQ(still.kind, 0) << "a shot lives 100 frames";
}

TEST_F(ObjectsTest, ExplosionsCountUpAndFreeTheirSlotLowering_ufoCount) {
  emptyWorldInPlay();
  WorldObject &boom = place(0, 1000, 1600, 1600);
  game.ufoCount = 7;
  for (int i = 0; i < 35; ++i)
    updateObjects();
  EXPECT_EQ(boom.kind, 1035);
  EXPECT_EQ(game.ufoCount, 7);
  updateObjects();
  EXPECT_EQ(boom.kind, 0);
  EXPECT_EQ(game.ufoCount, 6);
  EXPECT_EQ(game.shield, 3) << "explosions never hurt";
}

// A generator state whose next draws pass the given test, one per draw.
template <typename... Tests> std::uint32_t stateWhere(Tests... tests) {
  for (std::uint32_t seed = 1;; ++seed) {
    randomState = seed;
    if ((tests(nextRandom()) && ...))
      return seed;
  }
}

bool miss500(int r) { return r % 500 != 0; }
bool miss100(int r) { return r % 100 != 0; }
bool hit100(int r) { return r % 100 == 0; }
bool hit40(int r) { return r % 40 == 0; }
bool any(int) { return true; }

TEST_F(ObjectsTest, AliensMoveThreeTimesTheirSpeedAndTurnAtTheEdge) {
  emptyWorldInPlay();
  WorldObject &a = place(0, 1, 3199, 500, 0.4, 0);
  randomState = stateWhere(miss500, miss500, miss500, miss500);
  updateObjects();
  EXPECT_NEAR(a.x, 3200.2, 1e-9) << "may stand outside the field for a frame";
  EXPECT_EQ(a.vx, 0.4);
  updateObjects();
  EXPECT_NEAR(a.x, 3199.8, 1e-9);
  EXPECT_EQ(a.vx, -0.4);
}

TEST_F(ObjectsTest, FiringTakesTheLowestFreeSlotAndNothingWhenFull) {
  emptyWorldInPlay();
  WorldObject *objects = levels[0].objects;
  for (int i = 0; i < slotCount; ++i)
    objects[i] = WorldObject{1000, 10, 10, 0, 0};
  objects[500] = WorldObject{8, 2000, 2000, 0, 0};
  const std::uint32_t seed = stateWhere(miss100, miss100, hit40);
  randomState = seed;
  updateObjects();
  std::uint32_t state = seed;
  for (int i = 0; i < 3; ++i)
    state = state * 214013u + 2531011u;
  EXPECT_EQ(randomState, state) << "no shot speeds drawn without a free slot";

  for (int i = 0; i < slotCount; ++i)
    objects[i] = WorldObject{1000, 10, 10, 0, 0};
  objects[500] = WorldObject{8, 2000, 2000, 0, 0};
  objects[7].kind = 0;
  objects[9].kind = 0;
  randomState = seed;
  updateObjects();
  EXPECT_EQ(objects[7].kind, 900) << "below the shooter: first advanced next frame";
  EXPECT_EQ(objects[7].x, 2000);
  EXPECT_TRUE(objects[7].vx >= -6 && objects[7].vx <= 6);
  EXPECT_EQ(objects[9].kind, 0) << "one shot per firing";

  emptyWorldInPlay();
  objects[0] = WorldObject{5, 2000, 2000, 0, 0};
  objects[1] = WorldObject{1000, 0, 0, 0, 0};
  randomState = stateWhere(miss100, miss100, hit100, any, any);
  updateObjects();
  EXPECT_EQ(objects[2].kind, 899) << "above the shooter: advanced in the same pass";
}

TEST_F(ObjectsTest, HuntersHeadForTheCameraAndTieGoesNegative) {
  emptyWorldInPlay();
  WorldObject &h = place(0, 4, 1600, 1000);
  randomState = stateWhere(hit100, hit100);
  updateObjects();
  EXPECT_EQ(h.vx, 0) << "the second draw wins";
  EXPECT_EQ(h.vy, 0.5);
  EXPECT_EQ(h.y, 1001.5);

  h = WorldObject{3, 1600, 1000, 0, 0}; // level with the camera on x
  randomState = stateWhere(hit100, miss100);
  updateObjects();
  EXPECT_EQ(h.vx, -0.25);
  EXPECT_EQ(h.x, 1599.25);
}

} // namespace
} // namespace ruzoz::test
