#include "game/Generation.h"

#include "game/World.h"

namespace ruzoz {

namespace {

// Chance divisors of the kind draws per level, kind 1..8; 0 means no draw.
constexpr int kindDraws[levelCount][8] = {
    {80, 0, 0, 0, 500, 0, 0, 0},      {40, 80, 0, 0, 400, 0, 0, 0},
    {80, 40, 80, 0, 300, 0, 0, 0},    {80, 80, 40, 80, 200, 0, 0, 0},
    {80, 80, 80, 40, 80, 0, 0, 0},    {80, 80, 80, 80, 40, 80, 0, 0},
    {80, 80, 80, 80, 80, 40, 80, 0},  {80, 80, 80, 80, 80, 80, 40, 80},
    {80, 80, 80, 80, 80, 80, 80, 40}, {80, 80, 80, 80, 40, 80, 80, 40},
    {80, 80, 80, 80, 80, 40, 80, 40}, {80, 80, 80, 80, 80, 80, 40, 40},
    {80, 80, 80, 80, 40, 80, 40, 40}, {80, 80, 80, 80, 80, 40, 40, 40},
    {80, 80, 80, 80, 40, 40, 40, 40}, {0, 0, 0, 0, 0, 0, 0, 5},
};

constexpr int drawsPerCell = 7;
constexpr int lanes = 8;
constexpr std::uint32_t stepMultiplier = 214013u;
constexpr std::uint32_t stepIncrement = 2531011u;

int lavaChance(int level) { return 1400 - 80 * level; }

// For a draw r in 0..32767 and a divisor d up to 2^17, r % d == 0 exactly when
// the wrapped product r * ceil(2^32 / d) is below that factor. One multiply
// and one compare, and it vectorises.
std::uint32_t divisibilityFactor(int divisor) {
  return static_cast<std::uint32_t>(0xFFFFFFFFu / static_cast<std::uint32_t>(divisor) + 1);
}

inline std::uint32_t drawOf(std::uint32_t state) { return (state >> 16) & 0x7FFF; }

// Eight generator states side by side. Plain integer arithmetic: where the
// processor has wide vectors the same code runs eight lanes at once, with
// the same results.
using Lanes = std::uint32_t __attribute__((vector_size(4 * lanes)));

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define RUZOZ_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define RUZOZ_WIDE_VECTORS
#endif

// Vectors stay inside these functions: passing them by value would tie the
// calling convention to the vector width.
#define RUZOZ_STEP(state) ((state)*stepMultiplier + stepIncrement)
#define RUZOZ_DRAWS(state) (((state) >> 16) & 0x7FFF)

void lanesFrom(Lanes &state, std::uint32_t start, std::uint64_t stride) {
  for (int k = 0; k < lanes; ++k)
    state[k] = randomJump(stride * k).apply(start);
}

// Lane k walks cell 8g + k, whose draws start 7k calls after the group's first.
RUZOZ_WIDE_VECTORS void generateTiles(TileMap &tiles, std::uint32_t start, int level) {
  const int divisors[drawsPerCell] = {200, 200, 200, 200, 500, 500, lavaChance(level)};
  std::uint32_t factor[drawsPerCell];
  for (int d = 0; d < drawsPerCell; ++d)
    factor[d] = divisibilityFactor(divisors[d]);
  const RandomJump next = randomJump(drawsPerCell * (lanes - 1));

  Lanes state;
  lanesFrom(state, start, drawsPerCell);
  TileCode *cells = &tiles[0][0];
  for (int group = 0; group < mapSize * mapSize / lanes; ++group) {
    Lanes code = {};
    for (int d = 0; d < drawsPerCell; ++d) {
      state = RUZOZ_STEP(state);
      // Codes rise with the draw order, so the later success is the larger code.
      const Lanes hit = RUZOZ_DRAWS(state) * factor[d] < factor[d];
      code = hit ? static_cast<std::uint32_t>(d + 1) : code;
    }
    for (int k = 0; k < lanes; ++k)
      cells[group * lanes + k] = static_cast<TileCode>(code[k]);
    state = state * next.multiplier + next.increment;
  }
}

RUZOZ_WIDE_VECTORS void generateObjects(WorldObject *objects, std::uint32_t start, int level) {
  std::uint32_t kinds[8];
  std::uint32_t factor[8];
  int kindCount = 0;
  for (int k = 0; k < 8; ++k) {
    if (kindDraws[level][k] != 0) {
      kinds[kindCount] = k + 1;
      factor[kindCount++] = divisibilityFactor(kindDraws[level][k]);
    }
  }
  const int drawsPerSlot = 2 + kindCount;
  const RandomJump next = randomJump(static_cast<std::uint64_t>(drawsPerSlot) * (lanes - 1));

  Lanes state;
  lanesFrom(state, start, drawsPerSlot);
  for (int group = 0; group < slotCount / lanes; ++group) {
    state = RUZOZ_STEP(state);
    const Lanes x = RUZOZ_DRAWS(state) % 3100;
    state = RUZOZ_STEP(state);
    const Lanes y = RUZOZ_DRAWS(state) % 3100;
    Lanes kind = {};
    for (int e = 0; e < kindCount; ++e) {
      state = RUZOZ_STEP(state);
      const Lanes hit = RUZOZ_DRAWS(state) * factor[e] < factor[e];
      kind = hit ? kinds[e] : kind;
    }
    for (int k = 0; k < lanes; ++k)
      objects[group * lanes + k] = WorldObject{
          static_cast<double>(kind[k]), static_cast<double>(x[k]), static_cast<double>(y[k]), 0, 0};
    state = state * next.multiplier + next.increment;
  }
}

int kindDrawCount(int level) {
  int n = 0;
  for (int divisor : kindDraws[level])
    n += divisor != 0;
  return n;
}

} // namespace

RandomJump randomJump(std::uint64_t steps) {
  // Square-and-multiply on the affine map s -> a s + c.
  RandomJump result{1, 0};
  RandomJump power{stepMultiplier, stepIncrement};
  while (steps != 0) {
    if (steps & 1)
      result = RandomJump{result.multiplier * power.multiplier,
                          result.increment * power.multiplier + power.increment};
    power = RandomJump{power.multiplier * power.multiplier,
                       power.increment * power.multiplier + power.increment};
    steps >>= 1;
  }
  return result;
}

void generateWorld() {
  std::uint32_t state = randomState;
  for (int L = 0; L < levelCount; ++L) {
    generateTiles(levels[L].tiles, state, L);
    state = randomJump(static_cast<std::uint64_t>(drawsPerCell) * mapSize * mapSize).apply(state);
    generateObjects(levels[L].objects, state, L);
    state = randomJump(static_cast<std::uint64_t>(2 + kindDrawCount(L)) * slotCount).apply(state);
  }
  randomState = state;
  startNewGame();
}

void generateWorldReference() {
  for (int L = 0; L < levelCount; ++L) {
    Level &level = levels[L];
    for (int row = 0; row < mapSize; ++row) {
      for (int column = 0; column < mapSize; ++column) {
        TileCode cell = tileEmpty;
        if (nextRandom() % 200 == 0)
          cell = tileMeteor;
        if (nextRandom() % 200 == 0)
          cell = tileAsteroid1;
        if (nextRandom() % 200 == 0)
          cell = tileAsteroid2;
        if (nextRandom() % 200 == 0)
          cell = tileAsteroid3;
        if (nextRandom() % 500 == 0)
          cell = tileAmmo;
        if (nextRandom() % 500 == 0)
          cell = tileShield;
        if (nextRandom() % lavaChance(L) == 0)
          cell = tileLava;
        level.tiles[row][column] = cell;
      }
    }
    for (WorldObject &object : level.objects) {
      object.x = nextRandom() % 3100;
      object.y = nextRandom() % 3100;
      object.vx = 0;
      object.vy = 0;
      object.kind = 0;
      for (int k = 0; k < 8; ++k)
        if (kindDraws[L][k] != 0 && nextRandom() % kindDraws[L][k] == 0)
          object.kind = k + 1;
    }
  }
  startNewGame();
}

void startNewGame() {
  game.shipX = 1600;
  game.shipY = 1600;
  game.cameraTileColumn = 50;
  game.cameraTileRow = 50;
  game.velocityX = 0;
  game.velocityY = 0;
  levels[0].tiles[50][50] = tileEmpty;
  game.shotDuration = 10;
  game.beamLength = 65;
  game.currentLevel = 0;
  game.ammo = 50;
  game.shield = 3;
  if (game.score > game.highScore)
    game.highScore = game.score;
  game.score = 0;
  game.gameInProgress = 1;
}

} // namespace ruzoz
