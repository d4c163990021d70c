#include "graphics/Font.h"
#include "GameFixture.h"

namespace ruzoz::test {
namespace {

using FontTest = GameTest;

std::vector<Blit> glyphs() {
  std::vector<Blit> out = recording().blits;
  recording().blits.clear();
  return out;
}

Blit g(int x, char c) { return Blit{imgZeichensatz, x, 100, c}; }

TEST_F(FontTest, NumbersAreRightAlignedOnTheOnesDigit) {
  DrawNumber(300, 100, 0);
  EXPECT_EQ(glyphs(), std::vector<Blit>{g(300, '0')});
  DrawNumber(300, 100, 10);
  EXPECT_EQ(glyphs(), (std::vector<Blit>{g(300, '0'), g(284, '1')}));
  DrawNumber(300, 100, 105);
  EXPECT_EQ(glyphs(), (std::vector<Blit>{g(300, '5'), g(284, '0'), g(268, '1')}));
  DrawNumber(300, 100, 99999);
  EXPECT_EQ(glyphs().size(), 5u);
  DrawNumber(300, 100, 100000);
  EXPECT_EQ(glyphs(), std::vector<Blit>{g(300, '0')}) << "digits above the fifth are dropped";
  DrawNumber(300, 100, 123456);
  EXPECT_EQ(glyphs(),
            (std::vector<Blit>{g(300, '6'), g(284, '5'), g(268, '4'), g(252, '3'), g(236, '2')}));
}

TEST_F(FontTest, NegativeNumbersDrawNoSignButLowerCodes) {
  DrawNumber(300, 100, -5);
  EXPECT_EQ(glyphs(), std::vector<Blit>{g(300, '+')});
  DrawNumber(300, 100, -15);
  EXPECT_EQ(glyphs(), (std::vector<Blit>{g(300, '+'), g(284, '/')}));
  DrawNumber(300, 100, -2147483647 - 1); // no overflow on the extreme
  EXPECT_FALSE(glyphs().empty());
}

TEST_F(FontTest, StringsStopAtTheTerminatorOrAfterFortyCells) {
  DrawString(0, 100, "Sieg !!~");
  EXPECT_EQ(glyphs().size(), 7u);
  DrawString(0, 100, "ab}cd~");
  EXPECT_EQ(glyphs().size(), 2u);
  const char text45[] = "0123456789012345678901234567890123456789ABCDE";
  DrawString(0, 100, text45);
  const auto drawn = glyphs();
  ASSERT_EQ(drawn.size(), 40u);
  EXPECT_EQ(drawn.back(), g(624, '9'));
  const char odd[] = {'a', '\0', static_cast<char>(200), 'b', '~'};
  DrawString(0, 100, odd);
  EXPECT_EQ(glyphs(), (std::vector<Blit>{g(0, 'a'), g(48, 'b')})) << "undrawable keep their cell";
}

TEST_F(FontTest, GlyphCodesOutsideTheFontDrawNothingAndCellsMustFit) {
  DrawGlyph(0, 100, 31);
  DrawGlyph(0, 100, 128);
  EXPECT_TRUE(glyphs().empty());
  DrawGlyph(0, 100, 96);
  DrawGlyph(0, 100, 127);
  EXPECT_EQ(glyphs().size(), 2u);
  DrawGlyph(625, 100, 'A'); // 16 wide: would reach 641
  DrawGlyph(624, 464, 'A');
  DrawGlyph(0, 465, 'A');
  EXPECT_EQ(glyphs(), (std::vector<Blit>{Blit{imgZeichensatz, 624, 464, 'A'}}));
}

int blitLeft = -1, blitTop = -1;
void captureBlit(const Surface &, int, int, const SourceRect *source) {
  blitLeft = source ? source->left : -2;
  blitTop = source ? source->top : -2;
}

TEST_F(FontTest, CellOfACodeFollowsTheThreeRowsOfThirtyTwo) {
  displayHooks.blit = captureBlit;
  const struct {
    int code, left, top;
  } cells[] = {{32, 0, 0}, {63, 496, 0}, {64, 0, 16}, {'A', 16, 16}, {96, 0, 32}, {127, 496, 32}};
  for (const auto &c : cells) {
    DrawGlyph(10, 10, c.code);
    EXPECT_EQ(blitLeft, c.left) << c.code;
    EXPECT_EQ(blitTop, c.top) << c.code;
  }
  displayHooks.blit = nullptr;
}

TEST_F(FontTest, SpritesOnlyWhollyInsideTheScreenAreDrawn) {
  const Surface *sprite = surfaceSet.Kugel;
  DrawImage(-1, 10, sprite);
  DrawImage(609, 10, sprite);
  DrawImage(10, 449, sprite);
  EXPECT_TRUE(glyphs().empty());
  DrawImage(0, 10, sprite);
  DrawImage(608, 448, sprite);
  EXPECT_EQ(glyphs().size(), 2u);
  DrawImage(0, 1, surfaceSet.imageTable[16]); // a full-screen picture one row down
  EXPECT_TRUE(glyphs().empty());
}

} // namespace
} // namespace ruzoz::test
