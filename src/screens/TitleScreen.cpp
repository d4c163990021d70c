#include "game/World.h"
#include "graphics/Display.h"
#include "graphics/Font.h"
#include "ports/Texts.h"
#include "screens/Screens.h"

namespace ruzoz {

void drawTitleScreen() {
  const GameState &g = game;
  DrawImage(0, 0, surfaceSet[imgTitelbild]);
  const Screen screen = currentScreen(g);
  if (screen == Screen::title) {
    DrawString(160, 232, texts::highScoreLabel);
    DrawNumber(512, 232, static_cast<int>(g.highScore));
    DrawString(160, 362, texts::startPrompt);
    DrawString(160, 394, texts::storyPrompt);
    DrawString(48, 300, creditLine);
  }
  if (screen == Screen::story) {
    for (int j = 0; j < 20; ++j)
      for (int k = 0; k < 15; ++k)
        DrawImage(32 * j, 32 * k, surfaceSet[imgLeer]);
    for (int i = 1; i <= 22; ++i)
      DrawString(0, 100 + 16 * (i - 1), storyLines[i - 1]);
    DrawString(0, 458, storyLines[22]);
  }
  Flip();
}

} // namespace ruzoz
