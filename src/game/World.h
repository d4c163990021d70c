#pragma once
// The world of 16 levels and the game counters. Everything is global and
// statically sized: nothing is allocated while the game runs.

#include <cstdint>

namespace ruzoz {

constexpr int levelCount = 16;
constexpr int slotCount = 1000;
constexpr int mapSize = 100;
constexpr int tileSize = 32;

using TileCode = std::int16_t;

enum : TileCode {
  tileEmpty = 0,
  tileMeteor = 1,
  tileAsteroid1 = 2,
  tileAsteroid2 = 3,
  tileAsteroid3 = 4,
  tileAmmo = 5,
  tileShield = 6,
  tileLava = 7,
};

// Kinds are doubles holding whole values; see the range tests used everywhere.
struct WorldObject {
  double kind;
  double x;
  double y;
  double vx;
  double vy;
};
static_assert(sizeof(WorldObject) == 40);

using TileMap = TileCode[mapSize][mapSize];

struct Level {
  TileMap tiles;
  WorldObject objects[slotCount];
};

extern Level levels[levelCount];

struct GameState {
  int currentLevel = 0;
  double shipX = 0;
  double shipY = 0;
  double velocityX = 0;
  double velocityY = 0;
  int heading = 0;
  int thrust = 0;
  int turnDivider = 0;
  int cameraX = 0;
  int cameraY = 0;
  int cameraTileColumn = 0;
  int cameraTileRow = 0;
  std::uint32_t score = 0;
  std::uint32_t highScore = 0;
  int shield = 3;
  std::uint32_t ammo = 50;
  int shotDuration = 100;
  int beamLength = 30;
  int shotTimer = 0;
  int ufoCount = 0;
  std::uint32_t bannerTimer = 100;

  std::uint8_t playing = 0;
  std::uint8_t storyScreen = 0;
  std::uint8_t titleTextsHidden = 0;

  // Set by startNewGame, cleared by every end of a game: a play frame only
  // ever runs on a game that a title frame has set up and that has not ended.
  std::uint8_t gameInProgress = 0;
};

struct KeyState {
  std::uint8_t keyLeft = 0;
  std::uint8_t keyRight = 0;
  std::uint8_t keyUp = 0;
  std::uint8_t keyDown = 0;
  std::uint8_t fireRequest = 0;
};

extern GameState game;
extern KeyState keys;

// The one random generator: 15-bit LCG, state 1 at start, never reseeded.
extern std::uint32_t randomState;
inline int nextRandom() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 0x7FFF);
}

// A play session ends: play stops and the ended game may not be resumed.
inline void endGame() {
  game.playing = 0;
  game.gameInProgress = 0;
}

// Back to the state the program starts with (tests and the replay tool).
void resetAll();

// Object kinds, doubles that hold whole values: 0 a free slot, 1..8 the
// aliens, 801..900 an enemy shot counting down its flight, 800 a spent shot,
// 1000..1035 an explosion counting up. The tests are strict comparisons
// exactly as the game makes them, so that a kind between the ranges falls
// where it always did.
constexpr double kindFree = 0;
constexpr double kindSpentShot = 800;
constexpr double kindNewShot = 900;
constexpr double kindExplosion = 1000;
constexpr double kindExplosionLast = 1035;

inline bool isAlien(double kind) {
  return kind >= 1 && kind <= 8 && kind == static_cast<int>(kind);
}
inline bool isEnemyShot(double kind) { return kind > kindSpentShot && kind < kindNewShot + 1; }
inline bool isExplosion(double kind) { return kind > kindExplosion - 1; }
// What the beam touches: all but free slots and explosions. Of those it
// destroys only what lies below the shots.
inline bool beamTouches(double kind) { return kind > 0 && kind < kindExplosion - 1; }
inline bool beamDestroys(double kind) { return kind < kindSpentShot - 1; }
// What hurts the ship on contact: aliens and shots in flight.
inline bool hurtsShip(double kind) { return kind > 0 && kind < kindNewShot + 1; }

// The screen a frame shows, from the four flags that make it.
enum class Screen { title, story, bareTitle, play };
inline Screen currentScreen(const GameState &g) {
  if (g.playing && g.gameInProgress)
    return Screen::play;
  if (g.storyScreen == 1)
    return Screen::story;
  return g.titleTextsHidden == 0 ? Screen::title : Screen::bareTitle;
}

} // namespace ruzoz
