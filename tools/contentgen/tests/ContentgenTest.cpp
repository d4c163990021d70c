#include "BmpReader.h"
#include "Raster.h"

#include <gtest/gtest.h>

namespace ruzoz::contentgen {
namespace {

TEST(TransparencyKey, MatchesRgb565TruncationAtEveryChannelBoundary) {
  EXPECT_TRUE(KeysAsTransparent({248, 252, 248}));
  EXPECT_TRUE(KeysAsTransparent({255, 255, 255}));
  EXPECT_FALSE(KeysAsTransparent({247, 255, 255}));
  EXPECT_FALSE(KeysAsTransparent({255, 251, 255}));
  EXPECT_FALSE(KeysAsTransparent({255, 255, 247}));
}

TEST(TransparencyKey, OpaqueSafeChangesOnlyColoursThatWouldKey) {
  for (Rgb c : {Rgb{248, 252, 248}, Rgb{255, 255, 255}, Rgb{250, 253, 249}}) {
    Rgb safe = OpaqueSafe(c);
    EXPECT_FALSE(KeysAsTransparent(safe));
    EXPECT_NE(safe, transparentRgb);
  }
  EXPECT_EQ(OpaqueSafe({247, 255, 255}), (Rgb{247, 255, 255}));
  EXPECT_EQ(OpaqueSafe({0, 0, 0}), (Rgb{0, 0, 0}));
}

TEST(BitmapPixels, SettingWhiteKeepsThePixelOpaque) {
  Bitmap b(2, 1);
  EXPECT_FALSE(b.IsOpaque(0, 0));
  b.Set(0, 0, {255, 255, 255});
  EXPECT_TRUE(b.IsOpaque(0, 0));
  EXPECT_FALSE(KeysAsTransparent(b.At(0, 0)));
  EXPECT_FALSE(b.IsOpaque(1, 0));
  EXPECT_THROW(b.At(2, 0), std::out_of_range);
}

TEST(BitmapPixels, BlitSkipsTransparentSourcePixelsAndClipsAtEdges) {
  Bitmap dst(3, 3), src(2, 2);
  dst.Set(2, 2, {1, 2, 3});
  src.Set(0, 0, {9, 9, 9});
  dst.Blit(src, 1, 1); // src(1,1) is transparent and lands on dst(2,2)
  EXPECT_EQ(dst.At(1, 1), (Rgb{9, 9, 9}));
  EXPECT_EQ(dst.At(2, 2), (Rgb{1, 2, 3}));
  dst.Blit(src, 2, 2); // three of the four source pixels fall outside
  EXPECT_EQ(dst.At(2, 2), (Rgb{9, 9, 9}));
  dst.Blit(src, -1, -1);
  EXPECT_FALSE(dst.IsOpaque(0, 0));
}

TEST(BmpEncoding, RoundTripsRowsBottomUpWithPadding) {
  // Three pixels a row make 9 bytes, padded to 12.
  Bitmap b(3, 2);
  b.Set(0, 0, {10, 20, 30});
  b.Set(2, 0, {40, 50, 60});
  b.Set(1, 1, {70, 80, 90});
  std::vector<std::uint8_t> bytes = EncodeBmp(b);
  ASSERT_EQ(bytes.size(), 54u + 2 * 12);
  // The first stored row is the bottom one, in BGR order.
  EXPECT_EQ(bytes[54 + 3], 90);
  EXPECT_EQ(bytes[54 + 5], 70);
  test::ParsedBmp p = test::ParseBmp(bytes);
  ASSERT_EQ(p.width, 3);
  ASSERT_EQ(p.height, 2);
  EXPECT_EQ(p.At(0, 0), (Rgb{10, 20, 30}));
  EXPECT_EQ(p.At(2, 0), (Rgb{40, 50, 60}));
  EXPECT_EQ(p.At(1, 1), (Rgb{70, 80, 90}));
  EXPECT_TRUE(p.IsTransparent(1, 0));
  EXPECT_TRUE(p.IsTransparent(0, 1));
}

TEST(BmpEncoding, RowsOfWholeWordsGetNoPadding) {
  EXPECT_EQ(EncodeBmp(Bitmap(4, 3)).size(), 54u + 3 * 12);
  EXPECT_EQ(EncodeBmp(Bitmap(1, 1)).size(), 54u + 4);
}

TEST(Noise, PeriodicNoiseRepeatsExactlyAcrossItsPeriod) {
  for (double y : {0.25, 1.5, 3.75})
    for (double x : {0.1, 0.9, 2.6}) {
      EXPECT_NEAR(ValueNoise(x, y, 7, 4), ValueNoise(x + 4, y, 7, 4), 1e-12);
      EXPECT_NEAR(ValueNoise(x, y, 7, 4), ValueNoise(x, y - 4, 7, 4), 1e-12);
      EXPECT_NEAR(Fbm(x, y, 7, 3, 4), Fbm(x + 4, y + 8, 7, 3, 4), 1e-12);
      CellDistances a = Cellular(x, y, 9, 3), b = Cellular(x - 3, y + 3, 9, 3);
      EXPECT_NEAR(a.nearest, b.nearest, 1e-12);
      EXPECT_NEAR(a.second, b.second, 1e-12);
    }
}

TEST(Noise, StaysInUnitRangeAndDependsOnSeed) {
  int differ = 0;
  for (int i = 0; i < 200; ++i) {
    double x = i * 0.37, y = i * 0.61;
    double v = Fbm(x, y, 1, 5);
    EXPECT_GE(v, 0.0);
    EXPECT_LE(v, 1.0);
    differ += ValueNoise(x, y, 1) != ValueNoise(x, y, 2);
  }
  EXPECT_GT(differ, 190);
}

TEST(Geometry, MirroredPolygonIsSymmetricAndHandlesConcaveOutline) {
  // A right half with a notch: the notch must stay outside on both sides.
  const Vec2 half[] = {{0, 0}, {4, 0}, {4, 4}, {2, 2}, {2, 6}, {0, 6}};
  Polygon p = Polygon::MirroredX(half, 0);
  EXPECT_TRUE(p.Contains(3.5, 1));
  EXPECT_TRUE(p.Contains(-3.5, 1));
  EXPECT_FALSE(p.Contains(3.5, 5));
  EXPECT_FALSE(p.Contains(-3.5, 5));
  EXPECT_TRUE(p.Contains(-1, 5));
  EXPECT_FALSE(p.Contains(0, 6.5));
}

TEST(SpriteCanvas, EdgesAreHardAndNeverBlendWithTheField) {
  Canvas c(8, 8, 4);
  c.Paint([](double x, double y) { return InCircle(x, y, 4, 4, 3); },
          [](double, double) {
            return Color{200, 20, 20};
          });
  Bitmap s = c.ToSprite();
  int opaque = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      if (s.IsOpaque(x, y)) {
        ++opaque;
        EXPECT_EQ(s.At(x, y), (Rgb{200, 20, 20})) << x << "," << y;
      }
  // Area of a radius-3 disc is about 28 pixels.
  EXPECT_GT(opaque, 24);
  EXPECT_LT(opaque, 33);
  EXPECT_FALSE(s.IsOpaque(0, 0));
  EXPECT_TRUE(s.IsOpaque(4, 4));
}

} // namespace
} // namespace ruzoz::contentgen
