#include "GameFixture.h"

#include <cmath>
#include <cstring>
#include <set>

namespace ruzoz::test {
namespace {

using GenerationTest = GameTest;

TEST_F(GenerationTest, GeneratorStartsFromOne) {
  EXPECT_EQ(nextRandom(), 41);
  EXPECT_EQ(nextRandom(), 18467);
  EXPECT_EQ(nextRandom(), 6334);
}

TEST_F(GenerationTest, OneWorldConsumesAFixedNumberOfDraws) {
  // Seven draws per cell; two positions plus one draw per listed kind per slot.
  const int kindDrawsPerLevel[16] = {2, 3, 4, 5, 5, 6, 7, 8, 8, 8, 8, 8, 8, 8, 8, 1};
  long long draws = 16LL * 100 * 100 * 7;
  for (int n : kindDrawsPerLevel)
    draws += 1000LL * (2 + n);
  std::uint32_t expected = 1;
  for (long long i = 0; i < draws; ++i)
    expected = expected * 214013u + 2531011u;
  generateWorld();
  EXPECT_EQ(randomState, expected);
}

TEST_F(GenerationTest, WorldHoldsOnlyValidCodesKindsAndPositions) {
  for (int round = 0; round < 3; ++round) {
    generateWorld();
    for (int L = 0; L < levelCount; ++L) {
      std::set<int> kinds;
      for (const auto &row : levels[L].tiles)
        for (TileCode t : row)
          ASSERT_TRUE(t >= 0 && t <= 7);
      for (const WorldObject &o : levels[L].objects) {
        ASSERT_EQ(o.vx, 0);
        ASSERT_EQ(o.vy, 0);
        ASSERT_TRUE(o.x >= 0 && o.x <= 3099 && o.x == std::floor(o.x));
        ASSERT_TRUE(o.y >= 0 && o.y <= 3099 && o.y == std::floor(o.y));
        kinds.insert(static_cast<int>(o.kind));
      }
      kinds.erase(0);
      if (L == 0) {
        for (int k : kinds)
          EXPECT_TRUE(k == 1 || k == 5) << "level 0 kind " << k;
      }
      if (L == 15) {
        EXPECT_EQ(kinds, std::set<int>{8});
      }
      if (L == 7) {
        EXPECT_EQ(kinds.size(), 8u) << "level 7 brings in all eight kinds";
      }
    }
  }
}

TEST_F(GenerationTest, LavaGetsCommonerLevelByLevel) {
  generateWorld();
  auto lava = [](int L) {
    int n = 0;
    for (const auto &row : levels[L].tiles)
      for (TileCode t : row)
        n += t == tileLava;
    return n;
  };
  EXPECT_LT(lava(0), 20);  // about 7 expected
  EXPECT_GT(lava(15), 25); // about 50 expected
  EXPECT_LT(lava(15), 80);
}

TEST_F(GenerationTest, NewGameClearsOnlyLevelZerosStartTileAndFoldsTheScore) {
  for (int round = 0; round < 40; ++round) {
    generateWorld();
    ASSERT_EQ(levels[0].tiles[50][50], tileEmpty);
  }
  // Some later level keeps a non-empty start tile sooner or later.
  bool sawBusyStart = false;
  for (int round = 0; round < 200 && !sawBusyStart; ++round) {
    generateWorld();
    for (int L = 1; L < levelCount; ++L)
      sawBusyStart = sawBusyStart || levels[L].tiles[50][50] != tileEmpty;
  }
  EXPECT_TRUE(sawBusyStart);

  game.highScore = 300;
  game.score = 300;
  game.heading = 7;
  game.bannerTimer = 42;
  startNewGame();
  EXPECT_EQ(game.highScore, 300u);
  EXPECT_EQ(game.score, 0u);
  EXPECT_EQ(game.heading, 7) << "the ship keeps its heading";
  EXPECT_EQ(game.bannerTimer, 42u);
  game.score = 4000000000u; // compared unsigned
  startNewGame();
  EXPECT_EQ(game.highScore, 4000000000u);
  EXPECT_EQ(game.shotDuration, 10);
  EXPECT_EQ(game.beamLength, 65);
  EXPECT_EQ(game.ammo, 50u);
  EXPECT_EQ(game.shield, 3);
  EXPECT_EQ(game.shipX, 1600);
  EXPECT_EQ(game.cameraTileColumn, 50);
}

} // namespace
} // namespace ruzoz::test

namespace ruzoz::test {
namespace {

TEST_F(GenerationTest, FastWorldEqualsTheOneCallAtATimeWorldFromAnyState) {
  static Level reference[levelCount];
  static unsigned char garbage[sizeof levels];
  std::uint32_t seed = 1;
  for (int round = 0; round < 40; ++round) {
    // Spread the starting states over the whole 32-bit range, edges included.
    const std::uint32_t start = round == 0 ? 0u : round == 1 ? 0xFFFFFFFFu : seed;
    seed = seed * 2654435761u + 12345u;
    // Both start from the same garbage, new each round, so that a field the
    // fast path forgets to write cannot pass by keeping the reference's value.
    std::uint32_t noise = start ^ 0x9E3779B9u;
    for (auto &byte : garbage) {
      noise = noise * 1664525u + 1013904223u;
      byte = static_cast<unsigned char>(noise >> 24);
    }
    std::memcpy(levels, garbage, sizeof levels);
    randomState = start;
    generateWorldReference();
    const std::uint32_t referenceEnd = randomState;
    std::memcpy(reference, levels, sizeof levels);
    std::memcpy(levels, garbage, sizeof levels);
    randomState = start;
    generateWorld();
    ASSERT_EQ(randomState, referenceEnd) << "start " << start;
    ASSERT_EQ(std::memcmp(reference, levels, sizeof levels), 0) << "start " << start;
  }
}

TEST(RandomJumpTest, JumpEqualsSteppingOneCallAtATime) {
  std::uint32_t stepped = 12345;
  for (std::uint64_t n = 0; n < 300; ++n) {
    ASSERT_EQ(randomJump(n).apply(12345), stepped) << n;
    stepped = stepped * 214013u + 2531011u;
  }
  EXPECT_EQ(randomJump(1ull << 32).apply(777), 777u) << "full period of a 32-bit LCG";
}

} // namespace
} // namespace ruzoz::test
