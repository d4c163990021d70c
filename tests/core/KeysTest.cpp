#include "GameFixture.h"

namespace ruzoz::test {
namespace {

using KeysTest = GameTest;

TEST_F(KeysTest, ArrowFlagsAreWrittenTogetherByEveryKeyDown) {
  key(vkLeft);
  EXPECT_EQ(keys.keyLeft, 1);
  key(vkUp);
  EXPECT_EQ(keys.keyLeft, 0) << "Up releases a held Left";
  EXPECT_EQ(keys.keyUp, 1);
  key(vkShift);
  EXPECT_EQ(keys.keyUp, 0);
  EXPECT_EQ(keys.fireRequest, 1);
  key(vkDown);
  key('A');
  EXPECT_EQ(keys.keyDown, 0);
  EXPECT_EQ(keys.fireRequest, 1) << "only a play frame consumes the request";
  key(vkRight);
  otherMessage();
  EXPECT_EQ(keys.keyRight, 0) << "any other message releases the arrows";
}

struct SpaceRow {
  int s, h, p;    // flags before
  int s2, h2, p2; // flags after
  int music;
};

TEST_F(KeysTest, SpaceFollowsTheFlagTable) {
  const SpaceRow rows[] = {
      {0, 0, 0, 0, 0, 1, 1}, {0, 0, 1, 0, 0, 1, 1}, {0, 1, 0, 0, 0, 0, 1}, {0, 1, 1, 0, 0, 0, 1},
      {1, 0, 0, 0, 1, 0, 0}, {1, 0, 1, 0, 1, 1, 0}, {1, 1, 0, 0, 1, 0, 0}, {1, 1, 1, 0, 1, 0, 0},
  };
  for (const SpaceRow &r : rows) {
    game.storyScreen = r.s;
    game.titleTextsHidden = r.h;
    game.playing = r.p;
    recording().musicRestarts = 0;
    key(vkSpace);
    EXPECT_EQ(game.storyScreen, r.s2) << r.s << r.h << r.p;
    EXPECT_EQ(game.titleTextsHidden, r.h2) << r.s << r.h << r.p;
    EXPECT_EQ(game.playing, r.p2) << r.s << r.h << r.p;
    EXPECT_EQ(recording().musicRestarts, r.music) << r.s << r.h << r.p;
  }
}

TEST_F(KeysTest, EnterOpensTheStoryAlsoDuringPlay) {
  game.playing = 1;
  key(vkReturn);
  EXPECT_EQ(game.storyScreen, 1);
  EXPECT_EQ(game.playing, 1);
  key(vkReturn);
  EXPECT_EQ(game.storyScreen, 1);
  key(vkSpace);
  EXPECT_EQ(game.titleTextsHidden, 1);
  EXPECT_EQ(game.playing, 1);
  key(vkSpace);
  EXPECT_EQ(game.playing, 0) << "the game is abandoned";
}

int shutDowns = 0;
void countShutDown() { ++shutDowns; }

TEST_F(KeysTest, EscapeShutsDownThenQuitsAndStillReleasesArrows) {
  shutDowns = 0;
  shutDownHandler = countShutDown;
  key(vkLeft);
  key(vkEscape);
  EXPECT_EQ(shutDowns, 1);
  EXPECT_TRUE(quitPosted);
  EXPECT_EQ(quitCode, 0);
  EXPECT_EQ(keys.keyLeft, 0);
}

} // namespace
} // namespace ruzoz::test
