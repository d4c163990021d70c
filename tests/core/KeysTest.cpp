// WindowProc's key rules: sequences of messages from given screen flags, and
// the flags and music restarts they leave.

#include "ports/Texts.h"
#include "support/GameFixture.h"

#include <array>
#include <initializer_list>
#include <tuple>

namespace ruzoz::test {
namespace {

using KeysTest = GameTest;

constexpr int other = 0; // a message that is not a key-down

// Story, hidden title texts, playing; the four arrows and the fire request.
using Flags = std::array<int, 3>;
using Arrows = std::array<int, 5>;

struct Row {
  Flags before;
  std::initializer_list<int> messages;
  Flags after;
  Arrows arrows;
  int musicRestarts;
};

const Row rows[] = {
    // Space: every step tests the key again and reads the flags earlier
    // steps changed.
    {{0, 0, 0}, {vkSpace}, {0, 0, 1}, {}, 1},
    {{0, 0, 1}, {vkSpace}, {0, 0, 1}, {}, 1},
    {{0, 1, 0}, {vkSpace}, {0, 0, 0}, {}, 1},
    {{0, 1, 1}, {vkSpace}, {0, 0, 0}, {}, 1},
    {{1, 0, 0}, {vkSpace}, {0, 1, 0}, {}, 0},
    {{1, 0, 1}, {vkSpace}, {0, 1, 1}, {}, 0},
    {{1, 1, 0}, {vkSpace}, {0, 1, 0}, {}, 0},
    {{1, 1, 1}, {vkSpace}, {0, 1, 0}, {}, 0},
    {{0, 0, 0}, {vkSpace, vkSpace, vkSpace}, {0, 0, 1}, {}, 3},
    // Enter opens the story, also in play; Space from there abandons the game.
    {{0, 0, 1}, {vkReturn, vkReturn}, {1, 0, 1}, {}, 0},
    {{0, 0, 1}, {vkReturn, vkSpace}, {0, 1, 1}, {}, 0},
    {{0, 0, 1}, {vkReturn, vkSpace, vkSpace}, {0, 0, 0}, {}, 1},
    // Every key-down writes all four arrows, other messages clear them;
    // neither takes back a fire request.
    {{0, 0, 1}, {vkLeft}, {0, 0, 1}, {1, 0, 0, 0, 0}, 0},
    {{0, 0, 1}, {vkLeft, vkUp}, {0, 0, 1}, {0, 0, 1, 0, 0}, 0},
    {{0, 0, 1}, {vkRight}, {0, 0, 1}, {0, 1, 0, 0, 0}, 0},
    {{0, 0, 1}, {vkDown}, {0, 0, 1}, {0, 0, 0, 1, 0}, 0},
    {{0, 0, 1}, {vkUp, vkShift}, {0, 0, 1}, {0, 0, 0, 0, 1}, 0},
    {{0, 0, 1}, {vkShift, vkDown, 'A'}, {0, 0, 1}, {0, 0, 0, 0, 1}, 0},
    {{0, 0, 1}, {vkShift, vkRight, other}, {0, 0, 1}, {0, 0, 0, 0, 1}, 0},
    {{0, 0, 1}, {vkLeft, vkUnmapped}, {0, 0, 1}, {}, 0}};

TEST_F(KeysTest, MessageSequencesLeaveTheFlagsOfTheTable) {
  for (const Row &row : rows) {
    resetAll();
    keys = KeyState{};
    clearRecording();
    std::tie(game.storyScreen, game.titleTextsHidden, game.playing) =
        std::make_tuple(row.before[0], row.before[1], row.before[2]);
    SCOPED_TRACE(&row - rows);
    for (int message : row.messages)
      message == other ? otherMessage() : key(message);
    EXPECT_EQ((Flags{game.storyScreen, game.titleTextsHidden, game.playing}), row.after);
    EXPECT_EQ((Arrows{keys.keyLeft, keys.keyRight, keys.keyUp, keys.keyDown, keys.fireRequest}),
              row.arrows);
    EXPECT_EQ(musicRestarts(), row.musicRestarts);
    EXPECT_TRUE(row.musicRestarts == 0 || heard().LastRepeats() == 999u) << heard().LastRepeats();
    EXPECT_FALSE(quitPosted);
  }
}

TEST_F(KeysTest, EscapeShutsDownThenQuitsAndTheKeyStillReleasesTheArrows) {
  key(vkLeft);
  errorMessage = texts::soundFailed;
  testing::internal::CaptureStderr();
  key(vkEscape);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            std::string(texts::windowTitle) + ": " + texts::soundFailed + "\n");
  EXPECT_EQ(errorMessage, nullptr);
  EXPECT_EQ(surfaceSet[imgKugel], nullptr) << "the images are released";
  EXPECT_TRUE(quitPosted);
  EXPECT_EQ(quitCode, 0);
  EXPECT_EQ(keys.keyLeft, 0);
}

} // namespace
} // namespace ruzoz::test
