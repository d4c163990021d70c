#include "game/Generation.h"
#include "game/Simulation.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "screens/Screens.h"

namespace ruzoz {

namespace {

void titleFrame() {
  generateWorld();
  drawTitleScreen();
}

void playFrame() {
  int cellOffsetX = 0;
  int cellOffsetY = 0;
  drawWorld(cellOffsetX, cellOffsetY);
  fireBeam();
  drawHud();
  updateWorld();
  checkLevelCleared();
  drawLevelBanner();
  applyTileEffects(cellOffsetX, cellOffsetY);
  Flip();
}

} // namespace

void runFrame() {
  // A Space between a game's end and the next title frame must not resume
  // the ended game (its shield spent, or its level past the last).
  if (game.playing && !game.gameInProgress)
    game.playing = 0;
  if (currentScreen(game) != Screen::play)
    titleFrame();
  else
    playFrame();
}

} // namespace ruzoz
