#include "support/GameFixture.h"

#include <algorithm>

namespace ruzoz::test {

replay::RecordingVideo &GameTest::drawn() {
  static replay::RecordingVideo recorder; // draws nothing, records only
  return recorder;
}

replay::RecordingSound &GameTest::heard() {
  static replay::RecordingSound recorder;
  return recorder;
}

void GameTest::clearRecording() {
  drawn().Clear();
  heard().Clear();
}

namespace {
Video *videoBefore = nullptr;
Sound *soundBefore = nullptr;
} // namespace

void GameTest::SetUp() {
  videoBefore = video;
  soundBefore = sound;
  resetAll();
  InstallNominalSurfaces(&drawn());
  sound = &heard();
  clearRecording();
  quitPosted = false;
}

void GameTest::TearDown() {
  sound = soundBefore;
  video = videoBefore;
  quitPosted = false;
}

std::vector<Blit> GameTest::blits() {
  const replay::RecordingVideo &v = drawn();
  EXPECT_EQ(v.Overflow(), 0) << "more blits than the recorder keeps";
  std::vector<Blit> out;
  for (int i = 0; i < v.DrawCount(); ++i) {
    const replay::DrawCall &d = v.Draws()[i];
    out.push_back({d.image, d.x, d.y, d.glyph});
  }
  return out;
}

std::vector<Blit> GameTest::blitsOf(int image) {
  std::vector<Blit> out = blits();
  out.erase(std::remove_if(out.begin(), out.end(), [&](const Blit &b) { return b.image != image; }),
            out.end());
  return out;
}

std::vector<int> GameTest::effects() {
  const replay::RecordingSound &s = heard();
  return std::vector<int>(s.Effects(), s.Effects() + s.EffectCount());
}

std::string GameTest::textAt(int y) {
  std::vector<Blit> row = blitsOf(imgZeichensatz);
  row.erase(std::remove_if(row.begin(), row.end(), [&](const Blit &b) { return b.y != y; }),
            row.end());
  std::stable_sort(row.begin(), row.end(), [](const Blit &a, const Blit &b) { return a.x < b.x; });
  std::string text;
  for (const Blit &b : row)
    text += static_cast<char>(b.glyph);
  return text;
}

void GameTest::emptyWorldInPlay() {
  resetAll();
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

} // namespace ruzoz::test
