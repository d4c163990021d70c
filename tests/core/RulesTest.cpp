// The play frame's steps one at a time and the frame that orders them,
// WindowProc's key rules and the font, on the recorded blits and sounds.

#include "graphics/Font.h"
#include "ports/Texts.h"
#include "support/GameFixture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <tuple>

namespace ruzoz::test {
namespace {

using GenerationTest = GameTest;
using ShipTest = GameTest;
using BeamTest = GameTest;
using ObjectsTest = GameTest;
using TilesTest = GameTest;
using KeysTest = GameTest;
using Sfx = std::vector<int>;

// The golden traces pin the world of a few generator states; this pins the
// fast path to the one-call-at-a-time reference from any state.
TEST_F(GenerationTest, FastWorldEqualsTheOneCallAtATimeWorldFromAnyState) {
  static Level reference[levelCount];
  static unsigned char garbage[sizeof levels];
  std::uint32_t seed = 1;
  for (int round = 0; round < 40; ++round) {
    // Spread the starting states over the whole 32-bit range, edges included.
    const std::uint32_t start = round == 0 ? 0u : round == 1 ? 0xFFFFFFFFu : seed;
    seed = seed * 2654435761u + 12345u;
    // Both start from the same garbage, new each round, so that a field the
    // fast path forgets to write cannot pass by keeping the reference's value.
    std::uint32_t noise = start ^ 0x9E3779B9u;
    for (auto &byte : garbage)
      byte = static_cast<unsigned char>((noise = noise * 1664525u + 1013904223u) >> 24);
    std::memcpy(levels, garbage, sizeof levels);
    randomState = start;
    generateWorldReference();
    const std::uint32_t referenceEnd = randomState;
    std::memcpy(reference, levels, sizeof levels);
    std::memcpy(levels, garbage, sizeof levels);
    randomState = start;
    generateWorld();
    ASSERT_EQ(randomState, referenceEnd) << "start " << start;
    ASSERT_EQ(std::memcmp(reference, levels, sizeof levels), 0) << "start " << start;
  }
}

TEST_F(GenerationTest, NewGameKeepsHeadingAndBannerAndFoldsTheScoreUnsigned) {
  game.highScore = 300, game.score = 4000000000u, game.heading = 7, game.bannerTimer = 42;
  game.shield = -2;
  startNewGame();
  EXPECT_EQ(std::tie(game.highScore, game.score, game.heading, game.bannerTimer, game.shield,
                     game.gameInProgress),
            std::make_tuple(4000000000u, 0u, 7, 42u, 3, std::uint8_t{1}));
  game.score = 299;
  startNewGame();
  EXPECT_EQ(game.highScore, 4000000000u);
}

TEST_F(ShipTest, DownWinsOverUpAndEachAxisIsCappedAtFive) {
  emptyWorldInPlay();
  keys.keyUp = keys.keyDown = 1;
  game.velocityY = 0.1;
  updateShip();
  EXPECT_EQ(game.thrust, -1);
  EXPECT_DOUBLE_EQ(game.velocityY, 0.3);
  keys.keyDown = 0;
  // Diagonals: x and y are capped on their own.
  for (auto [heading, v] : {std::pair{2, 4.95}, {10, -4.95}}) {
    game.heading = heading, game.velocityX = v, game.velocityY = -v;
    updateShip();
    EXPECT_EQ(std::pair(game.velocityX, game.velocityY),
              std::pair(std::copysign(5.0, v), -std::copysign(5.0, v)));
  }
}

TEST_F(ShipTest, BouncesOffTheFieldEdgesKeepingItsSpeed) {
  const struct {
    double x, vx, endX, endVx;
    bool bounce;
  } cases[] = {{1, -4, 3, 4, true},
               {0, 0, 0, 0, false},
               {3229, 2, 3231, 2, false},
               {3230, 2, 3230, -2, true},
               {3231, 0.5, 3230, -0.5, true}};
  for (const auto &c : cases) {
    for (const bool onY : {false, true}) {
      SCOPED_TRACE(testing::Message() << (onY ? "y " : "x ") << c.x << " + " << c.vx);
      emptyWorldInPlay();
      clearRecording();
      (onY ? game.shipY : game.shipX) = c.x;
      (onY ? game.velocityY : game.velocityX) = c.vx;
      updateShip();
      EXPECT_EQ(onY ? game.shipY : game.shipX, c.endX);
      EXPECT_EQ(onY ? game.velocityY : game.velocityX, c.endVx);
      EXPECT_EQ(onY ? game.cameraY : game.cameraX, static_cast<int>(c.endX));
      EXPECT_EQ(effects(), c.bounce ? Sfx{sfxKollision} : Sfx{});
    }
  }
}

TEST_F(BeamTest, ShotCostsAmmoAndFiresAtMostEveryTenFrames) {
  emptyWorldInPlay();
  game.ammo = 1, keys.fireRequest = 1;
  fireBeam();
  EXPECT_EQ(std::tie(game.ammo, game.shotTimer), std::make_tuple(0u, 9));
  EXPECT_EQ(effects(), Sfx{sfxDrip});
  for (int i = 0; i < 9; ++i)
    fireBeam();
  keys.fireRequest = 1;
  fireBeam();
  EXPECT_EQ(game.shotTimer, 0) << "no ammunition, no shot";
  EXPECT_EQ(keys.fireRequest, 0) << "the request is lost, not queued";

  game.ammo = 5;
  for (int frame = 1; frame <= 11; ++frame) {
    keys.fireRequest = frame == 1 || frame == 10 || frame == 11;
    fireBeam();
  }
  EXPECT_EQ(game.ammo, 3u) << "the 10th frame of a shot loses its request, the 11th fires";
}

// Heading 4 puts the beam's points at 4, 8, ... 260 pixels right of the ship,
// drawn or not. Kind 5 is within reach of four points, scored once.
TEST_F(BeamTest, HitsStrictlyWithinNinePixelsOfAPoint) {
  const struct {
    double kind, dx, dy, kindAfter;
    std::uint32_t score;
  } cases[] = {{1, 92, 9, 1, 0},       {1, 92, -9, 1, 0},       {1, 92, 8.9, 1000, 5},
               {1, 92, -8.9, 1000, 5}, {2, -5, 0, 2, 0},        {2, -4.9, 0, 1000, 10},
               {8, 269, 0, 8, 0},      {8, 268.9, 0, 1000, 60}, {5, 50, 0, 1000, 30},
               {6, 60, 0, 1000, 40},   {850, 40, 0, 850, 0},    {1000, 40, 0, 1000, 0}};
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " at " << c.dx << ", " << c.dy);
    emptyWorldInPlay();
    clearRecording();
    game.heading = 4;
    WorldObject &o = place(0, c.kind, game.cameraX + c.dx, game.cameraY + c.dy);
    keys.fireRequest = 1;
    fireBeam();
    EXPECT_EQ(std::pair(o.kind, game.score), std::pair(c.kindAfter, c.score));
    const bool hit = c.kindAfter == 1000 && c.kind != 1000;
    EXPECT_EQ(effects(), (hit ? Sfx{sfxDrip, sfxSchaden} : Sfx{sfxDrip}));
  }
}

// A generator state whose next draws pass the given tests, one per draw.
template <typename... Tests> std::uint32_t stateWhere(Tests... tests) {
  for (std::uint32_t seed = 1;; ++seed) {
    randomState = seed;
    if ((tests(nextRandom()) && ...))
      return seed;
  }
}
auto multipleOf(int n) {
  return [n](int r) { return r % n == 0; };
}
auto notMultipleOf(int n) {
  return [n](int r) { return r % n != 0; };
}

// Resting enemy shots neither move nor re-aim, so the edges stay exact.
TEST_F(ObjectsTest, HitsTheShipOnlyStrictlyWithin16Pixels) {
  const struct {
    double kind, dx, dy, kindAfter;
  } cases[] = {{850, 16, 0, 849},    {850, -16, 0, 849},    {850, 0, 16, 849},
               {850, 0, -16, 849},   {850, 15.9, 0, 1000},  {850, -15.9, 0, 1000},
               {850, 0, 15.9, 1000}, {850, 0, -15.9, 1000}, {3, 0, 0, 1000},
               {0, 0, 0, 0},         {1000, 0, 0, 1001}};
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " at " << c.dx << ", " << c.dy);
    emptyWorldInPlay();
    clearRecording();
    const bool hit = c.kindAfter == 1000;
    WorldObject &o = place(0, c.kind, 1600 + c.dx, 1600 + c.dy);
    randomState = stateWhere(notMultipleOf(100), notMultipleOf(100));
    updateObjects();
    EXPECT_EQ(std::pair(o.kind, game.shield), std::pair(c.kindAfter, hit ? 2 : 3));
    EXPECT_EQ(effects(), hit ? Sfx{sfxSchaden} : Sfx{});
  }
}

TEST_F(ObjectsTest, OnlyTheHitThatReachesZeroEndsPlayAndRestartsTheMusic) {
  emptyWorldInPlay();
  game.shield = 1;
  place(10, 850, 1600, 1600);
  place(11, 850, 1601, 1601);
  updateObjects();
  EXPECT_EQ(std::tie(game.shield, game.playing, game.gameInProgress),
            std::make_tuple(-1, std::uint8_t{0}, std::uint8_t{0}));
  EXPECT_EQ(musicRestarts(), 1);
}

TEST_F(ObjectsTest, EnemyShotsLiveAHundredFramesInsideTheField) {
  emptyWorldInPlay();
  WorldObject &still = place(0, 900, 500, 500);
  WorldObject &leaving = place(1, 900, 3199, 1600, 2, 0);
  // Would hit the ship after its move if it were still alive.
  WorldObject &outThenIn = place(2, 900, 1, 1600 - 20, -2, 20);
  updateObjects();
  EXPECT_EQ(leaving.kind, 0) << "freed in the same pass";
  EXPECT_EQ(outThenIn.kind, 0);
  EXPECT_EQ(outThenIn.y, 1600) << "y moves even after x ended the shot";
  EXPECT_EQ(game.shield, 3);
  for (int i = 0; i < 98; ++i)
    updateObjects();
  EXPECT_EQ(still.kind, 801);
  updateObjects();
  EXPECT_EQ(still.kind, 0);
}

// Aliens move three times their speed; crossing the field's edge first turns
// them around, standing on it does not.
TEST_F(ObjectsTest, AliensTurnOnlyWhenAMoveCrossesTheEdge) {
  const struct {
    double x, vx, endX, endVx;
  } cases[] = {{3199.5, 0.5, 3201, 0.5},
               {3200, 0.5, 3199.5, -0.5},
               {0.5, -0.5, -1, -0.5},
               {0, -0.5, 0.5, 0.5}};
  for (const auto &c : cases) {
    emptyWorldInPlay();
    WorldObject &a = place(0, 1, c.x, 500, c.vx, 0);
    randomState = stateWhere(notMultipleOf(500), notMultipleOf(500));
    updateObjects();
    EXPECT_EQ(std::pair(a.x, a.vx), std::pair(c.endX, c.endVx)) << c.x;
  }
}

TEST_F(ObjectsTest, ShootersFireByTheirChanceIntoTheLowestFreeSlot) {
  const struct {
    int kind, chance, range;
  } shooters[] = {{5, 100, 2}, {6, 80, 3}, {7, 60, 4}, {8, 40, 6}};
  for (const auto &s : shooters) {
    SCOPED_TRACE(s.kind);
    emptyWorldInPlay();
    WorldObject *objects = levels[0].objects;
    std::fill_n(objects, slotCount, WorldObject{1000, 10, 10, 0, 0});
    objects[500] = WorldObject{double(s.kind), 2000, 2000, 0, 0};
    // The draw equal to the chance fires; no other chance would.
    const std::uint32_t fires =
        stateWhere(notMultipleOf(100), notMultipleOf(100), [&](int r) { return r == s.chance; });
    randomState = fires;
    updateObjects();
    EXPECT_EQ(randomState, randomJump(3).apply(fires)) << "a full level draws no shot speeds";

    objects[7].kind = objects[9].kind = 0;
    randomState = fires;
    updateObjects();
    EXPECT_EQ(std::pair(objects[7].kind, objects[7].x), std::pair(900.0, 2000.0))
        << "below the shooter: first advanced next frame";
    EXPECT_TRUE(std::abs(objects[7].vx) <= s.range && std::abs(objects[7].vy) <= s.range);
    EXPECT_EQ(objects[9].kind, 0) << "one shot per firing";

    objects[7].kind = 1000;
    randomState = stateWhere(notMultipleOf(100), notMultipleOf(100), notMultipleOf(s.chance));
    updateObjects();
    EXPECT_EQ(objects[9].kind, 0);
  }
}

TEST_F(ObjectsTest, HuntersHeadForTheCameraAndATieGoesNegative) {
  emptyWorldInPlay();
  WorldObject &h = place(0, 4, 1600, 1000);
  randomState = stateWhere(multipleOf(100), multipleOf(100));
  updateObjects();
  EXPECT_EQ(std::tie(h.vx, h.vy, h.y), std::make_tuple(0.0, 0.5, 1001.5)) << "the 2nd draw wins";
  h = WorldObject{3, 1600, 1000, 0, 0}; // level with the camera on x
  randomState = stateWhere(multipleOf(100), notMultipleOf(100));
  updateObjects();
  EXPECT_EQ(std::pair(h.vx, h.x), std::pair(-0.25, 1599.25));
}

TEST_F(TilesTest, FewerThanFiveAliensClearTheLevelAndTheSixteenthWins) {
  emptyWorldInPlay();
  game.ufoCount = 5;
  checkLevelCleared();
  EXPECT_EQ(game.currentLevel, 0);
  game.ufoCount = 4, game.shipX = 10, game.velocityX = 3, game.bannerTimer = 0, game.shotTimer = 4;
  checkLevelCleared();
  // A running shot carries over.
  EXPECT_EQ(std::tie(game.currentLevel, game.shipX, game.velocityX, game.cameraTileRow,
                     game.bannerTimer, game.shotTimer, game.playing),
            std::make_tuple(1, 1600.0, 0.0, 50, 100u, 4, 1));
  game.currentLevel = 14;
  checkLevelCleared();
  EXPECT_EQ(game.playing, 1);
  game.ufoCount = -3; // compared signed
  checkLevelCleared();
  EXPECT_EQ(std::tie(game.currentLevel, game.playing, game.gameInProgress),
            std::make_tuple(16, 0, 0));
  clearRecording();
  applyTileEffects(0, 0);
  EXPECT_TRUE(effects().empty()) << "no level 16 to read";
}

// Obstacles bounce the ship on the axis where it stands in the tile; lava
// also hurts; pick-ups set (the shield was 15) and vanish.
TEST_F(TilesTest, TileUnderTheCameraActsOnTheShip) {
  const struct {
    TileCode tile;
    int cameraX, cameraY, offsetX, offsetY;
    double shipX, shipY, velocityX, velocityY;
    int shield;
    std::uint32_t ammo;
    TileCode tileAfter;
    int effect; // -1: none
  } cases[] = {
      {tileMeteor, 1600, 1600, 3, 10, 1590, 1600, -2, 1, 3, 20, tileMeteor, sfxKollision},
      {tileAsteroid3, 1600, 1600, 7, 7, 1600, 1595, 2, -1, 3, 20, tileAsteroid3, sfxKollision},
      {tileLava, 1600, 1600, 10, 3, 1600, 1595, 2, -1, 2, 20, tileLava, sfxSchaden},
      {tileAmmo, 1600, 1600, 0, 0, 1600, 1600, 2, 1, 3, 50, tileEmpty, sfxGet},
      {tileShield, 1600, 1600, 0, 0, 1600, 1600, 2, 1, 12, 20, tileEmpty, sfxGet},
      {tileLava, 3199, 3199, 0, 0, 1600, 1595, 2, -1, 2, 20, tileLava, sfxSchaden},
      {tileLava, 3200, 1600, 0, 0, 1600, 1600, 2, 1, 3, 20, tileLava, -1},
      {tileLava, 1600, 3200, 0, 0, 1600, 1600, 2, 1, 3, 20, tileLava, -1}};
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "tile " << c.tile << " at " << c.cameraX << ", " << c.cameraY);
    emptyWorldInPlay();
    clearRecording();
    game.currentLevel = 9, game.ammo = 20, game.velocityX = 2, game.velocityY = 1;
    game.cameraX = c.cameraX, game.cameraY = c.cameraY;
    std::fill_n(&levels[9].tiles[0][0], sizeof levels[9].tiles / sizeof(TileCode), c.tile);
    game.shield = c.tile == tileShield ? 15 : 3;
    applyTileEffects(c.offsetX, c.offsetY);
    EXPECT_EQ(
        std::tie(game.shipX, game.shipY, game.velocityX, game.velocityY, game.shield, game.ammo),
        std::tie(c.shipX, c.shipY, c.velocityX, c.velocityY, c.shield, c.ammo));
    EXPECT_EQ(levels[9].tiles[std::min(c.cameraY / 32, 99)][std::min(c.cameraX / 32, 99)],
              c.tileAfter);
    EXPECT_EQ(effects(), c.effect < 0 ? Sfx{} : Sfx{c.effect});
  }
}

TEST_F(TilesTest, LavaEndsTheGameAtZeroShieldWithoutMusic) {
  emptyWorldInPlay();
  levels[0].tiles[50][50] = tileLava;
  for (int frame = 1; frame <= 3; ++frame) {
    applyTileEffects(0, 0);
    EXPECT_EQ(game.playing, frame < 3 ? 1 : 0);
  }
  EXPECT_EQ(game.shield, 0);
  EXPECT_EQ(musicRestarts(), 0);
}

// A game started from the title on a world of empty levels.
class FrameDriverTest : public GameTest {
protected:
  void SetUp() override {
    GameTest::SetUp();
    runFrame(); // the title frame builds the world and sets up a game
    for (Level &level : levels) {
      std::fill_n(level.objects, slotCount, WorldObject{0, 100, 100, 0, 0});
      std::fill_n(&level.tiles[0][0], sizeof level.tiles / sizeof(TileCode), tileEmpty);
    }
    key(vkSpace);
    clearRecording();
  }
};

// Five aliens and an explosion ending in this frame's update clear the level;
// the next level is not updated in the frame that reaches it.
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
  for (auto [camera, leer] : {std::pair{3231, 212}, {0, 177}}) {
    game.cameraX = game.cameraY = camera;
    clearRecording();
    int offsetX = 0, offsetY = 0;
    drawWorld(offsetX, offsetY);
    EXPECT_EQ(offsetX, camera % 32);
    EXPECT_EQ(static_cast<int>(blitsOf(imgLeer).size()), leer) << camera;
  }
}

TEST_F(FrameDriverTest, WinningShowsSiegForOneFrameThenTheTitle) {
  runFrame();
  game.currentLevel = 15, game.score = 1234;
  clearRecording();
  runFrame();
  EXPECT_EQ(std::pair(game.currentLevel, int(game.playing)), std::pair(16, 0));
  EXPECT_EQ(textAt(232), "Sieg !!17");
  key(vkSpace); // a held Space must not play level 16
  clearRecording();
  runFrame();
  EXPECT_EQ(std::pair(game.currentLevel, game.highScore), std::pair(0, 1234u));
  EXPECT_EQ(textAt(232), "Punktrekord:1234");
}

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

class FontTest : public GameTest {
protected:
  // The blits since the last call.
  static std::vector<Blit> taken() {
    std::vector<Blit> out = blits();
    clearRecording();
    return out;
  }
};

Blit g(int x, char c) { return Blit{imgZeichensatz, x, 100, c}; }

// Digits above the fifth are dropped; no sign, but lower codes.
TEST_F(FontTest, NumbersAreRightAlignedOnTheOnesDigit) {
  const std::pair<int, std::vector<Blit>> cases[] = {
      {0, {g(300, '0')}},
      {10, {g(300, '0'), g(284, '1')}},
      {105, {g(300, '5'), g(284, '0'), g(268, '1')}},
      {100000, {g(300, '0')}},
      {123456, {g(300, '6'), g(284, '5'), g(268, '4'), g(252, '3'), g(236, '2')}},
      {-5, {g(300, '+')}},
      {-15, {g(300, '+'), g(284, '/')}}};
  for (const auto &[n, glyphs] : cases) {
    DrawNumber(300, 100, n);
    EXPECT_EQ(taken(), glyphs) << n;
  }
  DrawNumber(300, 100, -2147483647 - 1); // no overflow on the extreme
  EXPECT_FALSE(taken().empty());
}

TEST_F(FontTest, StringsStopAtTheTerminatorOrAfterFortyCells) {
  for (auto [text, cells] : {std::pair{"Sieg !!~", 7u}, {"ab}cd~", 2u}}) {
    DrawString(0, 100, text);
    EXPECT_EQ(taken().size(), cells) << text;
  }
  DrawString(0, 100, "0123456789012345678901234567890123456789ABCDE");
  const auto drawn = taken();
  ASSERT_EQ(drawn.size(), 40u);
  EXPECT_EQ(drawn.back(), g(624, '9'));
  const char odd[] = {'a', '\0', static_cast<char>(200), 'b', '~'};
  DrawString(0, 100, odd);
  EXPECT_EQ(taken(), (std::vector<Blit>{g(0, 'a'), g(48, 'b')})) << "undrawable keep their cell";
}

// Whole images and font cells are drawn only wholly inside the screen.
TEST_F(FontTest, OnlyWhatFitsTheScreenIsDrawn) {
  const struct {
    int x, y;
    int image; // 0: the glyph 'A'
    bool drawn;
  } cases[] = {{-1, 10, imgKugel, false},
               {609, 10, imgKugel, false},
               {10, 449, imgKugel, false},
               {10, -1, imgKugel, false},
               {0, 10, imgKugel, true},
               {608, 448, imgKugel, true},
               {0, 1, imgHintergrund, false},
               {0, 0, imgHintergrund, true},
               {625, 100, 0, false},
               {0, 465, 0, false},
               {-1, 0, 0, false},
               {624, 464, 0, true}};
  for (const auto &c : cases) {
    if (c.image == 0)
      DrawGlyph(c.x, c.y, 'A');
    else
      DrawImage(c.x, c.y, surfaceSet[c.image]);
    EXPECT_EQ(taken().size(), c.drawn ? 1u : 0u) << c.image << " at " << c.x << "," << c.y;
  }
  for (int code : {31, 32, 127, 128, -1}) {
    DrawGlyph(0, 100, code);
    EXPECT_EQ(taken().size(), code == 32 || code == 127 ? 1u : 0u) << code;
  }
}

} // namespace
} // namespace ruzoz::test
