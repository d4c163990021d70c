#include "GameFixture.h"

namespace ruzoz::test {
namespace {

using FrameDriverTest = GameTest;

// A game on a fresh world with aliens far away, ready for play frames.
void startPlayOnQuietWorld() {
  runFrame(); // title frame builds the world
  for (Level &level : levels)
    for (int i = 0; i < slotCount; ++i)
      level.objects[i] = WorldObject{i < 6 ? 1.0 : 0.0, 100.0 + i, 100, 0, 0};
  for (Level &level : levels)
    for (auto &row : level.tiles)
      for (TileCode &t : row)
        t = tileEmpty;
  WindowProc(Message{MessageKind::keyDown, vkSpace});
}

TEST_F(FrameDriverTest, FirstFrameIsTheTitleWithHighScoreZero) {
  runFrame();
  EXPECT_EQ(textAt(232), "Punktrekord:0");
  EXPECT_EQ(textAt(362), "Start ->    Leertaste");
  EXPECT_EQ(textAt(394), "Infos -> Eingabetaste");
  const auto glyphs = blitsOf(imgZeichensatz);
  const Blit zero{imgZeichensatz, 512, 232, '0'};
  EXPECT_NE(std::find(glyphs.begin(), glyphs.end(), zero), glyphs.end());
  EXPECT_EQ(recording().blits.front(), (Blit{imgTitelbild, 0, 0, -1}));
}

TEST_F(FrameDriverTest, StoryAndBareTitleScreens) {
  runFrame();
  key(vkReturn);
  recording().blits.clear();
  runFrame();
  EXPECT_TRUE(textAt(232).empty());
  EXPECT_EQ(blitsOf(imgLeer).size(), 300u);
  EXPECT_EQ(textAt(100), "Nachdem die Menschheit es endlich ge-   ");
  EXPECT_EQ(textAt(458), "    DIE WELT ZAEHLT AUF DICH ! ! ! !    ");
  EXPECT_EQ(textAt(436).size(), 40u) << "line 22";

  key(vkSpace); // leave the story: bare title
  recording().blits.clear();
  runFrame();
  EXPECT_EQ(recording().blits.size(), 1u);
  EXPECT_EQ(game.playing, 0);
  key(vkSpace); // title with texts again
  runFrame();
  EXPECT_EQ(game.playing, 0);
  key(vkSpace); // play
  runFrame();
  EXPECT_EQ(game.playing, 1);
}

TEST_F(FrameDriverTest, PlayFrameDrawsThePreviousStateAndHudBeforeTheUpdate) {
  startPlayOnQuietWorld();
  recording().blits.clear();
  runFrame();
  // First play frame: camera still at (0, 0) from program start.
  EXPECT_EQ(game.cameraTileColumn, 0);
  EXPECT_EQ(game.cameraX, 1600) << "the update moves the camera to the ship";
  const auto &b = recording().blits;
  EXPECT_EQ(b[0], (Blit{imgHintergrund, 0, 0, -1}));
  EXPECT_EQ(b[1], (Blit{imgSchiff1, 304, 224, -1}));
  EXPECT_EQ(textAt(448).substr(0, 9), "U F O S :");
  EXPECT_EQ(textAt(16), "Punkte :0Schild :3");
  EXPECT_EQ(textAt(232), "Level :1") << "banner of the first game";

  // A collision in the update shows in the next frame's HUD.
  levels[0].objects[20] = WorldObject{1, 1600, 1600, 0, 0};
  recording().blits.clear();
  runFrame();
  EXPECT_EQ(game.shield, 2);
  EXPECT_EQ(textAt(16), "Punkte :0Schild :3");
  recording().blits.clear();
  runFrame();
  EXPECT_EQ(textAt(16), "Punkte :0Schild :2");
}

TEST_F(FrameDriverTest, ObjectsBeyondTheScreenAreCountedNotDrawn) {
  startPlayOnQuietWorld();
  runFrame();                                                     // camera to 1600
  levels[0].objects[10] = WorldObject{3, 1600 - 305, 1600, 0, 0}; // x = -1 on screen
  levels[0].objects[11] = WorldObject{3, 1600 + 304, 1600, 0, 0}; // x = 608
  levels[0].objects[12] = WorldObject{3, 1600 + 305, 1600, 0, 0}; // x = 609
  levels[0].objects[13] = WorldObject{1024, 1600 + 100, 1600, 0, 0};
  recording().blits.clear();
  int offsetX = 0, offsetY = 0;
  drawWorld(offsetX, offsetY);
  EXPECT_EQ(game.ufoCount, 9);
  const auto aliens = blitsOf(imgAlien1 + 2);
  ASSERT_EQ(aliens.size(), 1u);
  EXPECT_EQ(aliens[0].x, 608);
  EXPECT_TRUE(blitsOf(imgExplosion1 + 3).empty()) << "1024 draws nothing";
}

TEST_F(FrameDriverTest, TilesBeyondTheMapShowLeer) {
  startPlayOnQuietWorld();
  runFrame();
  game.cameraX = 3231;
  game.cameraY = 5;
  recording().blits.clear();
  int offsetX = 0, offsetY = 0;
  drawWorld(offsetX, offsetY);
  EXPECT_EQ(offsetX, 31);
  EXPECT_EQ(offsetY, 5);
  // Columns 100+ (dx >= 0) and rows below 0 (dy <= -1) are outside.
  int outside = 0;
  for (int dy = -6; dy <= 7; ++dy)
    for (int dx = -9; dx <= 10; ++dx)
      if (100 + dx >= 100 || dy < 0) {
        const int x = 32 * dx + 320 - 31, y = 32 * dy + 240 - 5;
        if (x >= 0 && y >= 0 && x + 32 <= 640 && y + 32 <= 480)
          ++outside;
      }
  EXPECT_EQ(static_cast<int>(blitsOf(imgLeer).size()), outside);
}

TEST_F(FrameDriverTest, SpaceAfterAnEndedGameDoesNotResumeIt) {
  startPlayOnQuietWorld();
  runFrame();
  game.shield = 1;
  levels[0].objects[20] = WorldObject{1, 1600, 1600, 0, 0};
  runFrame();
  ASSERT_EQ(game.playing, 0);
  key(vkSpace); // arrives before the next frame
  EXPECT_EQ(game.playing, 1);
  const std::uint32_t before = randomState;
  runFrame();
  EXPECT_EQ(game.playing, 0) << "a title frame runs instead";
  EXPECT_NE(randomState, before) << "and rebuilds the world";
  EXPECT_EQ(game.shield, 3);
  key(vkSpace);
  runFrame();
  EXPECT_EQ(game.playing, 1) << "the next Space starts the new game";
}

TEST_F(FrameDriverTest, WinningShowsSiegForOneFrameThenTheTitle) {
  startPlayOnQuietWorld();
  runFrame();
  game.currentLevel = 15;
  game.score = 1234;
  for (int i = 0; i < slotCount; ++i)
    levels[15].objects[i].kind = 0;
  recording().blits.clear();
  runFrame();
  EXPECT_EQ(game.currentLevel, 16);
  EXPECT_EQ(game.playing, 0);
  EXPECT_EQ(textAt(232), "Sieg !!17");
  key(vkSpace); // held Space must not play level 16
  recording().blits.clear();
  runFrame();
  EXPECT_EQ(game.currentLevel, 0);
  EXPECT_EQ(game.highScore, 1234u);
  EXPECT_EQ(textAt(232), "Punktrekord:1234");
}

TEST_F(FrameDriverTest, SpaceBeforeTheFirstFrameStartsNoGame) {
  key(vkSpace);
  runFrame();
  EXPECT_EQ(game.playing, 0);
  EXPECT_EQ(recording().musicRestarts, 1);
}

} // namespace
} // namespace ruzoz::test
