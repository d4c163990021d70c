#pragma once

namespace ruzoz {

// Fills all 16 levels from nextRandom, then startNewGame.
void generateWorld();
void startNewGame();

} // namespace ruzoz
