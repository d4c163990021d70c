#include "game/Generation.h"

#include "game/World.h"

#include <cstddef>

#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

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

constexpr int rockChance = 200, itemChance = 500;
constexpr int lavaChance(int level) { return 1400 - 80 * level; }

// For a draw r in 0..32767 and a divisor d up to 2^17, r % d == 0 exactly when
// the wrapped product r * ceil(2^32 / d) is below that factor. One multiply
// and one compare, and it vectorises.
[[maybe_unused]] std::uint32_t divisibilityFactor(int divisor) {
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
  const int divisors[drawsPerCell] = {rockChance, rockChance, rockChance,       rockChance,
                                      itemChance, itemChance, lavaChance(level)};
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
#elif defined(__wasm_simd128__)
// Wasm's vectors hold four 32-bit lanes; the generic lanes left the draws in
// a loop and stored the codes one at a time through memory. Here sixteen
// cells a step (a little faster than eight): the states in four vectors, their
// draws narrowed into two vectors of eight 16-bit lanes, tested and stored
// there.
//
// A draw r below 2^16 and a divisor d = o * 2^k with o odd: r % d == 0
// exactly when r's low k bits are zero and the 16-bit product r * o^-1 is at
// most 65535 / o (the product maps the multiples of o onto 0, 1, 2, ...).
// Products of 16 bits, so eight at once.
struct DivisibleBy16 {
  v128_t inverse, limit, lowBits;
  explicit DivisibleBy16(int divisor = 1) {
    std::uint32_t odd = static_cast<std::uint32_t>(divisor), low = 0;
    for (; odd % 2 == 0; odd /= 2)
      low = 2 * low + 1;
    std::uint32_t inverse16 = odd; // Newton's steps double the correct low bits.
    for (int i = 0; i < 4; ++i)
      inverse16 *= 2 - odd * inverse16;
    inverse = wasm_i16x8_splat(static_cast<std::int16_t>(inverse16));
    limit = wasm_i16x8_splat(static_cast<std::int16_t>(65535 / odd));
    lowBits = wasm_i16x8_splat(static_cast<std::int16_t>(low));
    // Kept in variables: the engine would build each constant again at every use.
    __asm__("" : "+r"(inverse), "+r"(limit), "+r"(lowBits));
  }
  // `code` where the draw divides, else zero.
  v128_t codeWhere(v128_t drawn, v128_t code) const {
    v128_t hit =
        wasm_i16x8_eq(wasm_v128_or(wasm_u16x8_sub_sat(wasm_i16x8_mul(drawn, inverse), limit),
                                   wasm_v128_and(drawn, lowBits)),
                      wasm_i16x8_splat(0));
    // All ones or zero, so the smaller of it and the code; clang would make
    // an `and` of it a select, which costs the engine three steps.
    __asm__("" : "+r"(hit));
    return wasm_u16x8_min(hit, code);
  }
};

void generateTiles(TileMap &tiles, std::uint32_t start, int level) {
  const DivisibleBy16 rock(rockChance), item(itemChance), lava(lavaChance(level));
  v128_t multiplier[drawsPerCell], increment[drawsPerCell], code[drawsPerCell];
  for (int d = 0; d < drawsPerCell; ++d) {
    const RandomJump draw = randomJump(d + 1);
    multiplier[d] = wasm_i32x4_splat(static_cast<std::int32_t>(2 * draw.multiplier));
    increment[d] = wasm_i32x4_splat(static_cast<std::int32_t>(2 * draw.increment));
    code[d] = wasm_i16x8_splat(static_cast<std::int16_t>(d + 1));
  }
  constexpr int lanes = 16;
  const RandomJump next = randomJump(drawsPerCell * lanes);
  const v128_t nextMultiplier = wasm_i32x4_splat(static_cast<std::int32_t>(next.multiplier));
  const v128_t nextIncrement = wasm_i32x4_splat(static_cast<std::int32_t>(next.increment));
  std::uint32_t first[lanes];
  for (int k = 0; k < lanes; ++k)
    first[k] = randomJump(static_cast<std::uint64_t>(drawsPerCell) * k).apply(start);
  v128_t state[lanes / 4];
  for (int v = 0; v < lanes / 4; ++v)
    state[v] = wasm_v128_load(first + 4 * v);
  TileCode *cells = &tiles[0][0];
  for (int group = 0; group < mapSize * mapSize / lanes; ++group) {
    v128_t cellCode[lanes / 8];
    for (int h = 0; h < lanes / 8; ++h)
      cellCode[h] = wasm_i16x8_splat(0);
#pragma clang loop unroll(full)
    for (int d = 0; d < drawsPerCell; ++d) {
#pragma clang loop unroll(full)
      for (int h = 0; h < lanes / 8; ++h) {
        // Bits 16 to 30 of a state are bits 17 to 31 of twice it: no mask,
        // and below 2^15, so the narrowing never saturates.
        v128_t drawn = wasm_i16x8_narrow_i32x4(
            wasm_u32x4_shr(
                wasm_i32x4_add(wasm_i32x4_mul(state[2 * h], multiplier[d]), increment[d]), 17),
            wasm_u32x4_shr(
                wasm_i32x4_add(wasm_i32x4_mul(state[2 * h + 1], multiplier[d]), increment[d]), 17));
        // Otherwise the compiler widens the 16-bit test back to four lanes.
        __asm__("" : "+r"(drawn));
        const DivisibleBy16 &test = d < 4 ? rock : d < 6 ? item : lava;
        cellCode[h] = wasm_u16x8_max(cellCode[h], test.codeWhere(drawn, code[d]));
      }
    }
    for (int h = 0; h < lanes / 8; ++h)
      wasm_v128_store(cells + group * lanes + 8 * h, cellCode[h]);
    for (int v = 0; v < lanes / 4; ++v)
      state[v] = wasm_i32x4_add(wasm_i32x4_mul(state[v], nextMultiplier), nextIncrement);
  }
}
#else
void generateTiles(TileMap &tiles, std::uint32_t start, int level) {
  tilesInLanes<8>(tiles, start, level);
}
#endif

// The same for the slots: x, y, then the level's kind draws.
#if defined(__wasm_simd128__)
// Eight slots a step, in two vectors of four states. The kind draws are
// narrowed and tested as the tiles' are. Wasm has no vector division: a draw
// below 2^15 divided by 3100 is its product with ceil(2^27 / 3100), shifted
// down by 27 (exact for every draw).
void generateObjects(WorldObject *objects, std::uint32_t start, int level) {
  DivisibleBy16 kindTest[8];
  v128_t kinds[8];
  int kindCount = 0;
  for (int k = 0; k < 8; ++k) {
    if (kindDraws[level][k] != 0) {
      kinds[kindCount] = wasm_i16x8_splat(static_cast<std::int16_t>(k + 1));
      kindTest[kindCount++] = DivisibleBy16(kindDraws[level][k]);
    }
  }
  const int drawsPerSlot = 2 + kindCount;
  // Doubled, as for the tiles: the draw is the state shifted by 17, unmasked.
  v128_t multiplier[2 + 8], increment[2 + 8];
  for (int d = 0; d < drawsPerSlot; ++d) {
    const RandomJump draw = randomJump(d + 1);
    multiplier[d] = wasm_i32x4_splat(static_cast<std::int32_t>(2 * draw.multiplier));
    increment[d] = wasm_i32x4_splat(static_cast<std::int32_t>(2 * draw.increment));
  }
  constexpr int lanes = 8;
  const RandomJump next = randomJump(static_cast<std::uint64_t>(drawsPerSlot) * lanes);
  const v128_t nextMultiplier = wasm_i32x4_splat(static_cast<std::int32_t>(next.multiplier));
  const v128_t nextIncrement = wasm_i32x4_splat(static_cast<std::int32_t>(next.increment));
  const v128_t reciprocal = wasm_i32x4_splat(43297), width = wasm_i32x4_splat(3100);
  const v128_t zero = wasm_f64x2_splat(0);
  std::uint32_t first[lanes];
  for (int k = 0; k < lanes; ++k)
    first[k] = randomJump(static_cast<std::uint64_t>(drawsPerSlot) * k).apply(start);
  v128_t state[2] = {wasm_v128_load(first), wasm_v128_load(first + 4)};
  const auto drawn = [&](int h, int d) {
    return wasm_u32x4_shr(wasm_i32x4_add(wasm_i32x4_mul(state[h], multiplier[d]), increment[d]),
                          17);
  };
  const auto position = [&](int h, int d) {
    const v128_t r = drawn(h, d);
    return wasm_i32x4_sub(r,
                          wasm_i32x4_mul(wasm_u32x4_shr(wasm_i32x4_mul(r, reciprocal), 27), width));
  };
  // Two slots from the low lanes of kind, x and y, as doubles: kind and x
  // are stored as one pair, y and vx as another.
  static_assert(offsetof(WorldObject, x) == offsetof(WorldObject, kind) + sizeof(double) &&
                offsetof(WorldObject, vx) == offsetof(WorldObject, y) + sizeof(double));
  const auto store = [&](WorldObject *slot, v128_t kind, v128_t x, v128_t y) {
    const v128_t k = wasm_f64x2_convert_low_i32x4(kind), xs = wasm_f64x2_convert_low_i32x4(x),
                 ys = wasm_f64x2_convert_low_i32x4(y);
    wasm_v128_store(&slot[0].kind, wasm_i64x2_shuffle(k, xs, 0, 2));
    wasm_v128_store(&slot[0].y, wasm_i64x2_shuffle(ys, zero, 0, 2));
    slot[0].vy = 0;
    wasm_v128_store(&slot[1].kind, wasm_i64x2_shuffle(k, xs, 1, 3));
    wasm_v128_store(&slot[1].y, wasm_i64x2_shuffle(ys, zero, 1, 3));
    slot[1].vy = 0;
  };
  for (int group = 0; group < slotCount / lanes; ++group) {
    v128_t kind = wasm_i16x8_splat(0);
    for (int e = 0; e < kindCount; ++e)
      kind = wasm_u16x8_max(
          kind, kindTest[e].codeWhere(wasm_i16x8_narrow_i32x4(drawn(0, 2 + e), drawn(1, 2 + e)),
                                      kinds[e]));
    for (int h = 0; h < 2; ++h) {
      const v128_t x = position(h, 0), y = position(h, 1);
      const v128_t k =
          h == 0 ? wasm_u32x4_extend_low_u16x8(kind) : wasm_u32x4_extend_high_u16x8(kind);
      WorldObject *slot = objects + group * lanes + 4 * h;
      store(slot, k, x, y);
      store(slot + 2, wasm_i64x2_shuffle(k, k, 1, 1), wasm_i64x2_shuffle(x, x, 1, 1),
            wasm_i64x2_shuffle(y, y, 1, 1));
    }
    for (int h = 0; h < 2; ++h)
      state[h] = wasm_i32x4_add(wasm_i32x4_mul(state[h], nextMultiplier), nextIncrement);
  }
}
#else
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
#endif

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
