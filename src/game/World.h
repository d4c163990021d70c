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

inline bool isAlien(double kind) {
  return kind >= 1 && kind <= 8 && kind == static_cast<int>(kind);
}

} // namespace ruzoz
