#include "support/GameFixture.h"

#include <cmath>

namespace ruzoz::test {
namespace {

using ObjectsTest = GameTest;

// A generator state whose next draws pass the given tests, one per draw.
template <typename... Tests> std::uint32_t stateWhere(Tests... tests) {
  for (std::uint32_t seed = 1;; ++seed) {
    randomState = seed;
    if ((tests(nextRandom()) && ...))
      return seed;
  }
}
auto multipleOf(int n) {
  return [n](int r) { return r % n == 0; };
}
auto notMultipleOf(int n) {
  return [n](int r) { return r % n != 0; };
}

TEST_F(ObjectsTest, HitsTheShipOnlyStrictlyWithin16Pixels) {
  // Resting enemy shots neither move nor re-aim, so the edges stay exact.
  const struct {
    double kind, dx, dy, kindAfter;
  } cases[] = {
      {850, 16, 0, 849},    {850, -16, 0, 849},    {850, 0, 16, 849},    {850, 0, -16, 849},
      {850, 15.9, 0, 1000}, {850, -15.9, 0, 1000}, {850, 0, 15.9, 1000}, {850, 0, -15.9, 1000},
      {3, 0, 0, 1000},      {0, 0, 0, 0},          {1000, 0, 0, 1001},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " at " << c.dx << ", " << c.dy);
    emptyWorldInPlay();
    clearRecording();
    const bool hit = c.kindAfter == 1000;
    WorldObject &o = place(0, c.kind, 1600 + c.dx, 1600 + c.dy);
    randomState = stateWhere(notMultipleOf(100), notMultipleOf(100));
    updateObjects();
    EXPECT_EQ(o.kind, c.kindAfter);
    EXPECT_EQ(game.shield, hit ? 2 : 3);
    EXPECT_EQ(effects(), hit ? std::vector<int>{sfxSchaden} : std::vector<int>{});
  }
}

TEST_F(ObjectsTest, OnlyTheHitThatReachesZeroEndsPlayAndRestartsTheMusic) {
  emptyWorldInPlay();
  game.shield = 1;
  place(10, 850, 1600, 1600);
  place(11, 850, 1601, 1601);
  updateObjects();
  EXPECT_EQ(game.shield, -1);
  EXPECT_EQ(game.playing, 0);
  EXPECT_EQ(game.gameInProgress, 0);
  EXPECT_EQ(musicRestarts(), 1);
}

TEST_F(ObjectsTest, EnemyShotsLiveAHundredFramesInsideTheField) {
  emptyWorldInPlay();
  WorldObject &still = place(0, 900, 500, 500);
  WorldObject &leaving = place(1, 900, 3199, 1600, 2, 0);
  // Would hit the ship after its move if it were still alive.
  WorldObject &outThenIn = place(2, 900, 1, 1600 - 20, -2, 20);
  updateObjects();
  EXPECT_EQ(leaving.kind, 0) << "freed in the same pass";
  EXPECT_EQ(outThenIn.kind, 0);
  EXPECT_EQ(outThenIn.y, 1600) << "y moves even after x ended the shot";
  EXPECT_EQ(game.shield, 3);
  for (int i = 0; i < 98; ++i)
    updateObjects();
  EXPECT_EQ(still.kind, 801);
  updateObjects();
  EXPECT_EQ(still.kind, 0);
}

// Aliens move three times their speed; crossing the field's edge first turns
// them around, standing on it does not.
TEST_F(ObjectsTest, AliensTurnOnlyWhenAMoveCrossesTheEdge) {
  const struct {
    double x, vx, endX, endVx;
  } cases[] = {{3199.5, 0.5, 3201, 0.5},
               {3200, 0.5, 3199.5, -0.5},
               {0.5, -0.5, -1, -0.5},
               {0, -0.5, 0.5, 0.5}};
  for (const auto &c : cases) {
    emptyWorldInPlay();
    WorldObject &a = place(0, 1, c.x, 500, c.vx, 0);
    randomState = stateWhere(notMultipleOf(500), notMultipleOf(500));
    updateObjects();
    EXPECT_EQ(a.x, c.endX) << c.x;
    EXPECT_EQ(a.vx, c.endVx) << c.x;
  }
}

TEST_F(ObjectsTest, ShootersFireByTheirChanceIntoTheLowestFreeSlot) {
  const struct {
    int kind, chance, range;
  } shooters[] = {{5, 100, 2}, {6, 80, 3}, {7, 60, 4}, {8, 40, 6}};
  for (const auto &s : shooters) {
    SCOPED_TRACE(s.kind);
    emptyWorldInPlay();
    WorldObject *objects = levels[0].objects;
    for (int i = 0; i < slotCount; ++i)
      objects[i] = WorldObject{1000, 10, 10, 0, 0};
    objects[500] = WorldObject{double(s.kind), 2000, 2000, 0, 0};
    // The draw equal to the chance fires; no other chance would.
    const std::uint32_t fires =
        stateWhere(notMultipleOf(100), notMultipleOf(100), [&](int r) { return r == s.chance; });
    randomState = fires;
    updateObjects();
    EXPECT_EQ(randomState, randomJump(3).apply(fires)) << "a full level draws no shot speeds";

    objects[7].kind = objects[9].kind = 0;
    randomState = fires;
    updateObjects();
    EXPECT_EQ(objects[7].kind, 900) << "below the shooter: first advanced next frame";
    EXPECT_EQ(objects[7].x, 2000);
    EXPECT_TRUE(std::abs(objects[7].vx) <= s.range && std::abs(objects[7].vy) <= s.range);
    EXPECT_EQ(objects[9].kind, 0) << "one shot per firing";

    objects[7].kind = 1000;
    randomState = stateWhere(notMultipleOf(100), notMultipleOf(100), notMultipleOf(s.chance));
    updateObjects();
    EXPECT_EQ(objects[9].kind, 0);
  }
}

TEST_F(ObjectsTest, HuntersHeadForTheCameraAndATieGoesNegative) {
  emptyWorldInPlay();
  WorldObject &h = place(0, 4, 1600, 1000);
  randomState = stateWhere(multipleOf(100), multipleOf(100));
  updateObjects();
  EXPECT_EQ(h.vx, 0) << "the second draw wins";
  EXPECT_EQ(h.vy, 0.5);
  EXPECT_EQ(h.y, 1001.5);

  h = WorldObject{3, 1600, 1000, 0, 0}; // level with the camera on x
  randomState = stateWhere(multipleOf(100), notMultipleOf(100));
  updateObjects();
  EXPECT_EQ(h.vx, -0.25);
  EXPECT_EQ(h.x, 1599.25);
}

} // namespace
} // namespace ruzoz::test
