#include "game/World.h"

namespace ruzoz {

Level levels[levelCount];
GameState game;
KeyState keys;
std::uint32_t randomState = 1;

void resetAll() {
  for (Level &level : levels)
    level = Level{};
  game = GameState{};
  keys = KeyState{};
  randomState = 1;
}

} // namespace ruzoz
