#include "support/GameFixture.h"

namespace ruzoz::test {
namespace {

// A game started from the title on a world of empty levels.
class FrameDriverTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    runFrame(); // the title frame builds the world and sets up a game
    for (Level &level : levels) {
      for (WorldObject &o : level.objects)
        o = WorldObject{0, 100, 100, 0, 0};
      for (auto &row : level.tiles)
        for (TileCode &t : row)
          t = tileEmpty;
    }
    key(vkSpace);
    clearRecording();
  }
};

// The explosion that ends in this frame's update counts: five aliens drawn
// and one explosion over clear the level. The next level is not updated in
// the frame that reaches it.
TEST_F(FrameDriverTest, TheLevelIsClearedAfterTheUpdate) {
  for (int i = 0; i < 5; ++i)
    place(i, 1, 100 + i, 100);
  place(5, 1035, 200, 200);
  levels[1].objects[0] = WorldObject{1, 500, 500, 0.3, 0};
  runFrame();
  EXPECT_EQ(game.currentLevel, 1);
  EXPECT_EQ(levels[1].objects[0].x, 500);
}

TEST_F(FrameDriverTest, TilesBeyondTheMapShowLeer) {
  const struct { int cameraX, cameraY, leer; } cases[] = {{3231, 3231, 212}, {0, 0, 177}};
  for (const auto &c : cases) {
    game.cameraX = c.cameraX;
    game.cameraY = c.cameraY;
    clearRecording();
    int offsetX = 0, offsetY = 0;
    drawWorld(offsetX, offsetY);
    EXPECT_EQ(offsetX, c.cameraX % 32);
    EXPECT_EQ(static_cast<int>(blitsOf(imgLeer).size()), c.leer) << c.cameraX;
  }
}

TEST_F(FrameDriverTest, WinningShowsSiegForOneFrameThenTheTitle) {
  runFrame();
  game.currentLevel = 15;
  game.score = 1234;
  clearRecording();
  runFrame();
  EXPECT_EQ(game.currentLevel, 16);
  EXPECT_EQ(game.playing, 0);
  EXPECT_EQ(textAt(232), "Sieg !!17");
  key(vkSpace); // a held Space must not play level 16
  clearRecording();
  runFrame();
  EXPECT_EQ(game.currentLevel, 0);
  EXPECT_EQ(game.highScore, 1234u);
  EXPECT_EQ(textAt(232), "Punktrekord:1234");
}

} // namespace
} // namespace ruzoz::test
