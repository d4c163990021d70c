#pragma once

#include <cstdint>

namespace ruzoz {

// Fills all 16 levels from nextRandom, then startNewGame.
void generateWorld();
void startNewGame();

// The same world one nextRandom call at a time, as the rules read; kept as
// the reference that generateWorld must match bit for bit.
void generateWorldReference();

// The generator's state n steps ahead: an affine map of the current state.
struct RandomJump {
  std::uint32_t multiplier;
  std::uint32_t increment;
  std::uint32_t apply(std::uint32_t state) const { return state * multiplier + increment; }
};
RandomJump randomJump(std::uint64_t steps);

} // namespace ruzoz
