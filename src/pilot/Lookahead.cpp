// The lookahead: the game's own frames run on the live state, then the
// state put back, with the frames' pictures off and their sounds counted.

#include "pilot/Lookahead.h"

#include "pilot/Pilot.h"

#include "audio/Sound.h"
#include "game/Simulation.h"
#include "game/World.h"
#include "graphics/Display.h"

#include <cstring>

namespace ruzoz::pilot {

namespace detail {

namespace {

// Sounds of the lookahead's frames are counted, never played.
class CountingSound final : public Sound {
public:
  void PlayEffect(int index) override {
    if (index >= 0 && index < 5)
      ++effects[index];
  }
  void PlayMusic() override {}
  void SetMusicRepeats(unsigned) override {}
  int effects[5] = {};
};
CountingSound counting;

// The live state the lookahead changes, kept to be put back. Static: the
// pilot allocates nothing while frames run.
struct SavedState {
  GameState game;
  KeyState keys;
  std::uint32_t random = 0;
  int level = 0;
  WorldObject objects[slotCount] = {};
  TileMap tiles = {};
  TileCode nextStart = 0; // the tile a level change lands on
};
SavedState saved;
Video *savedVideo = nullptr;
Sound *savedSound = nullptr;

} // namespace

bool levelValid(int level) { return level >= 0 && level < levelCount; }

void rewind() {
  game = saved.game;
  keys = saved.keys;
  randomState = saved.random;
  if (levelValid(saved.level)) {
    std::memcpy(levels[saved.level].objects, saved.objects, sizeof saved.objects);
    std::memcpy(levels[saved.level].tiles, saved.tiles, sizeof saved.tiles);
  }
  if (levelValid(saved.level + 1))
    levels[saved.level + 1].tiles[50][50] = saved.nextStart;
}

void beginLookahead() {
  saved.game = game;
  saved.keys = keys;
  saved.random = randomState;
  saved.level = game.currentLevel;
  if (levelValid(saved.level)) {
    std::memcpy(saved.objects, levels[saved.level].objects, sizeof saved.objects);
    std::memcpy(saved.tiles, levels[saved.level].tiles, sizeof saved.tiles);
  }
  if (levelValid(saved.level + 1))
    saved.nextStart = levels[saved.level + 1].tiles[50][50];
  savedVideo = video;
  savedSound = sound;
  video = nullptr;
  sound = &counting;
}

void endLookahead() {
  rewind();
  video = savedVideo;
  sound = savedSound;
}

const int *lookaheadEffects() { return counting.effects; }

} // namespace detail

void ApplyToKeys(const Message &message) {
  const bool down = message.kind == MessageKind::keyDown;
  const int k = down ? message.virtualKey : 0;
  keys.keyLeft = k == vkLeft;
  keys.keyRight = k == vkRight;
  keys.keyUp = k == vkUp;
  keys.keyDown = k == vkDown;
  if (k == vkShift)
    keys.fireRequest = 1;
}

void SimulatePlayFrame() {
  GameState &g = game;
  const Level &level = levels[g.currentLevel];
  int count = 0;
  for (const WorldObject &o : level.objects)
    count += isAlien(o.kind);
  g.ufoCount = count;
  g.cameraTileColumn = g.cameraX / 32;
  g.cameraTileRow = g.cameraY / 32;
  const int cellOffsetX = g.cameraX - 32 * g.cameraTileColumn;
  const int cellOffsetY = g.cameraY - 32 * g.cameraTileRow;
  fireBeam();
  updateWorld();
  checkLevelCleared();
  if (g.bannerTimer != 0)
    g.bannerTimer -= 1;
  applyTileEffects(cellOffsetX, cellOffsetY);
}

} // namespace ruzoz::pilot
