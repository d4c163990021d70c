#include "GameFixture.h"

#include <algorithm>

namespace ruzoz::test {

Recording &recording() {
  static Recording r;
  return r;
}

namespace {
void onEffect(int index) { recording().effects.push_back(index); }
void onMusic() { ++recording().musicRestarts; }
void onDraw(int image, int x, int y, int glyph) {
  recording().blits.push_back({image, x, y, glyph});
}
} // namespace

void GameTest::SetUp() {
  resetAll();
  InstallNominalSurfaces();
  recording() = Recording{};
  soundObserver = onEffect;
  musicObserver = onMusic;
  drawObserver = onDraw;
  quitPosted = false;
  shutDownHandler = nullptr;
}

void GameTest::TearDown() {
  soundObserver = nullptr;
  musicObserver = nullptr;
  drawObserver = nullptr;
  shutDownHandler = nullptr;
  quitPosted = false;
}

void GameTest::emptyWorldInPlay() {
  for (Level &level : levels)
    for (WorldObject &o : level.objects)
      o = WorldObject{0, 100, 100, 0, 0};
  startNewGame();
  game.playing = 1;
  game.cameraX = 1600;
  game.cameraY = 1600;
}

WorldObject &GameTest::place(int slot, double kind, double x, double y, double vx, double vy) {
  WorldObject &o = levels[game.currentLevel].objects[slot];
  o = WorldObject{kind, x, y, vx, vy};
  return o;
}

std::string GameTest::textAt(int y) {
  std::vector<Blit> row;
  for (const Blit &b : recording().blits)
    if (b.image == imgZeichensatz && b.y == y)
      row.push_back(b);
  std::stable_sort(row.begin(), row.end(), [](const Blit &a, const Blit &b) { return a.x < b.x; });
  std::string text;
  for (const Blit &b : row)
    text += static_cast<char>(b.glyph);
  return text;
}

std::vector<Blit> GameTest::blitsOf(int image) {
  std::vector<Blit> out;
  for (const Blit &b : recording().blits)
    if (b.image == image)
      out.push_back(b);
  return out;
}

} // namespace ruzoz::test
