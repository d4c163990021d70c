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
constexpr std::uint32_t stepMultiplier = 214013u;
constexpr std::uint32_t stepIncrement = 2531011u;

int lavaChance(int level) { return 1400 - 80 * level; }

// For a draw r in 0..32767 and a divisor d up to 2^17, r % d == 0 exactly when
// the wrapped product r * ceil(2^32 / d) is below that factor. One multiply
// and one compare, and it vectorises.
std::uint32_t divisibilityFactor(int divisor) {
  return static_cast<std::uint32_t>(0xFFFFFFFFu / static_cast<std::uint32_t>(divisor) + 1);
}

// Generator states side by side, one per cell or slot. Plain integer
// arithmetic: where the processor has wide vectors the lanes run at once,
// with the same results.
template <int lanes> struct LaneVector;
template <> struct LaneVector<8> {
  using type = std::uint32_t __attribute__((vector_size(4 * 8)));
};
template <> struct LaneVector<16> {
  using type = std::uint32_t __attribute__((vector_size(4 * 16)));
};
template <int lanes> using Lanes = typename LaneVector<lanes>::type;
constexpr int objectLanes = 8;
static_assert(mapSize * mapSize % 16 == 0 && slotCount % objectLanes == 0,
              "every cell and slot belongs to a whole group of lanes");

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define RUZOZ_CLONES 1
#define RUZOZ_WIDE_VECTORS __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define RUZOZ_CLONES 0
#define RUZOZ_WIDE_VECTORS
#endif

// Vectors stay inside these functions: passing them by value would tie the
// calling convention to the vector width.
#define RUZOZ_JUMP(state, jump) ((state) * (jump).multiplier + (jump).increment)
#define RUZOZ_DRAWS(state) (((state) >> 16) & 0x7FFF)

// Lane k of a group starts `stride` calls after lane k - 1.
template <typename Vector, int count>
void lanesFrom(Vector &state, std::uint32_t start, std::uint64_t stride) {
  for (int k = 0; k < count; ++k)
    state[k] = randomJump(stride * k).apply(start);
}

// Lane k walks cell `lanes` * g + k, whose draws start 7k calls after the
// group's first. Each draw is one jump from the lane's start rather than a
// step from the draw before it, so the draws of a cell do not wait for one
// another.
template <int lanes>
[[gnu::always_inline]] inline void tilesInLanes(TileMap &tiles, std::uint32_t start, int level) {
  const int divisors[drawsPerCell] = {200, 200, 200, 200, 500, 500, lavaChance(level)};
  std::uint32_t factor[drawsPerCell];
  RandomJump draw[drawsPerCell];
  for (int d = 0; d < drawsPerCell; ++d) {
    factor[d] = divisibilityFactor(divisors[d]);
    draw[d] = randomJump(d + 1);
  }
  const RandomJump next = randomJump(drawsPerCell * lanes);

  Lanes<lanes> state;
  lanesFrom<Lanes<lanes>, lanes>(state, start, drawsPerCell);
  TileCode *cells = &tiles[0][0];
  for (int group = 0; group < mapSize * mapSize / lanes; ++group) {
    Lanes<lanes> code = {};
    for (int d = 0; d < drawsPerCell; ++d) {
      const Lanes<lanes> drawn = RUZOZ_DRAWS(RUZOZ_JUMP(state, draw[d]));
      // Codes rise with the draw order, so the later success is the larger code.
      const Lanes<lanes> hit = drawn * factor[d] < factor[d];
      code = hit ? static_cast<std::uint32_t>(d + 1) : code;
    }
    for (int k = 0; k < lanes; ++k)
      cells[group * lanes + k] = static_cast<TileCode>(code[k]);
    state = RUZOZ_JUMP(state, next);
  }
}

// Sixteen lanes fill a 512-bit register; on narrower ones eight run faster.
#if RUZOZ_CLONES
__attribute__((target("avx512f"))) void tilesIn16Lanes(TileMap &tiles, std::uint32_t start,
                                                       int level) {
  tilesInLanes<16>(tiles, start, level);
}
__attribute__((target_clones("avx2", "default"))) void
tilesIn8Lanes(TileMap &tiles, std::uint32_t start, int level) {
  tilesInLanes<8>(tiles, start, level);
}
void generateTiles(TileMap &tiles, std::uint32_t start, int level) {
  static const bool wide = __builtin_cpu_supports("avx512f");
  if (wide)
    tilesIn16Lanes(tiles, start, level);
  else
    tilesIn8Lanes(tiles, start, level);
}
#else
void generateTiles(TileMap &tiles, std::uint32_t start, int level) {
  tilesInLanes<8>(tiles, start, level);
}
#endif

// The same for the slots: x, y, then the level's kind draws.
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
  RandomJump draw[2 + 8];
  for (int d = 0; d < drawsPerSlot; ++d)
    draw[d] = randomJump(d + 1);
  const RandomJump next = randomJump(static_cast<std::uint64_t>(drawsPerSlot) * objectLanes);

  Lanes<objectLanes> state;
  lanesFrom<Lanes<objectLanes>, objectLanes>(state, start, drawsPerSlot);
  for (int group = 0; group < slotCount / objectLanes; ++group) {
    const Lanes<objectLanes> x = RUZOZ_DRAWS(RUZOZ_JUMP(state, draw[0])) % 3100;
    const Lanes<objectLanes> y = RUZOZ_DRAWS(RUZOZ_JUMP(state, draw[1])) % 3100;
    Lanes<objectLanes> kind = {};
    for (int e = 0; e < kindCount; ++e) {
      const Lanes<objectLanes> drawn = RUZOZ_DRAWS(RUZOZ_JUMP(state, draw[2 + e]));
      const Lanes<objectLanes> hit = drawn * factor[e] < factor[e];
      kind = hit ? kinds[e] : kind;
    }
    for (int k = 0; k < objectLanes; ++k)
      objects[group * objectLanes + k] = WorldObject{
          static_cast<double>(kind[k]), static_cast<double>(x[k]), static_cast<double>(y[k]), 0, 0};
    state = RUZOZ_JUMP(state, next);
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
