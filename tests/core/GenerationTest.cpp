#include "support/GameFixture.h"

#include <cstring>
#include <tuple>

namespace ruzoz::test {
namespace {

using GenerationTest = GameTest;

// The golden traces pin the world of a few generator states; this pins the
// fast path to the one-call-at-a-time reference from any state.
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

TEST_F(GenerationTest, NewGameKeepsHeadingAndBannerAndFoldsTheScoreUnsigned) {
  game.highScore = 300;
  game.score = 4000000000u;
  game.heading = 7;
  game.bannerTimer = 42;
  game.shield = -2;
  startNewGame();
  EXPECT_EQ(std::tie(game.highScore, game.score, game.heading, game.bannerTimer, game.shield),
            std::make_tuple(4000000000u, 0u, 7, 42u, 3));
  EXPECT_EQ(game.gameInProgress, 1);
  game.score = 299;
  startNewGame();
  EXPECT_EQ(game.highScore, 4000000000u);
}

} // namespace
} // namespace ruzoz::test
