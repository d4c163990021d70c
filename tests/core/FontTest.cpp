// The bitmap font and the whole-image rule, on the recorded blits.

#include "graphics/Font.h"
#include "support/GameFixture.h"

namespace ruzoz::test {
namespace {

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
  for (int code : {31, 128, -1}) {
    DrawGlyph(0, 100, code);
    EXPECT_TRUE(taken().empty()) << code;
  }
}

} // namespace
} // namespace ruzoz::test
