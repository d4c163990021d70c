// The generated images as the game reads them (names and sizes: start-up and golden frames).

#include "Bitmap.h"
#include "platform/sdl/BitmapFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include <unistd.h>

namespace ruzoz::contentgen {
namespace {

namespace fs = std::filesystem;

constexpr Rgb white{255, 255, 255};

// The game reduces colours to RGB565 and draws 0xFFFF as transparent.
bool GameKeys(Rgb c) { return c.r >> 3 == 31 && c.g >> 2 == 63 && c.b >> 3 == 31; }

std::vector<std::uint8_t> Bytes(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const fs::path scratch =
    fs::temp_directory_path() / ("ruzoz-contentgen-" + std::to_string(getpid()));

class Generated : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    fs::remove_all(scratch);
    ASSERT_EQ(std::system((CONTENTGEN_EXE " " + (scratch / "a").string()).c_str()), 0);
    for (const auto &entry : fs::directory_iterator(scratch / "a")) {
      platform::RgbImage &image = images[entry.path().filename().string()];
      std::string error;
      ASSERT_TRUE(platform::LoadBmp(entry.path().c_str(), image, &error)) << error;
    }
  }
  static void TearDownTestSuite() { fs::remove_all(scratch); }

  static Rgb At(const platform::RgbImage &image, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * image.width + x) * 3;
    return {image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
  }

  static inline std::map<std::string, platform::RgbImage> images;
};

TEST_F(Generated, KeyOnlyPureWhiteAndOnlyInSprites) {
  const std::set<std::string> opaque{"Leer.bmp", "Lava.bmp", "Hintergrund.bmp", "titelbild.bmp"};
  for (const auto &[name, image] : images) {
    int keyed = 0, transparent = 0;
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const Rgb p = At(image, x, y);
        transparent += p == white;
        keyed += p != white && GameKeys(p);
      }
    EXPECT_EQ(keyed, 0) << name << ": near-white the game would see through";
    if (opaque.count(name)) {
      EXPECT_EQ(transparent, 0) << name;
      continue;
    }
    EXPECT_LT(transparent, image.width * image.height) << name << " is empty";
    const int right = image.width - 1, bottom = image.height - 1;
    for (auto [x, y] : {std::pair{0, 0}, {right, 0}, {0, bottom}, {right, bottom}})
      EXPECT_EQ(At(image, x, y), white) << name << " corner " << x << "," << y;
  }
}

TEST_F(Generated, SecondRunWritesTheSameBytes) {
  ASSERT_EQ(std::system((CONTENTGEN_EXE " " + (scratch / "b").string()).c_str()), 0);
  EXPECT_EQ(images.size(), 40u);
  for (const auto &[name, image] : images)
    EXPECT_TRUE(Bytes(scratch / "a" / name) == Bytes(scratch / "b" / name)) << name;
}

// Character `code`'s 16x16 cell: column code % 32, row code / 32 - 1. Bright
// fill on a cell's edge is a clipped glyph or one spilling over.
TEST_F(Generated, FontCellsHoldOneGlyphEachInsideTheirEdges) {
  const platform::RgbImage &font = images.at("Zeichensatz.bmp");
  auto luma = [](Rgb p) { return 0.299 * p.r + 0.587 * p.g + 0.114 * p.b; };
  for (int code = 32; code < 128; ++code) {
    const int cellX = 16 * (code % 32), cellY = 16 * (code / 32 - 1);
    int opaque = 0, fill = 0, fillOnEdge = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const Rgb p = At(font, cellX + x, cellY + y);
        opaque += p != white;
        const bool bright = p != white && luma(p) > 100;
        fill += bright;
        fillOnEdge += bright && (x == 0 || y == 0 || x == 15 || y == 15);
      }
    if (code == 32 || code == 127) {
      EXPECT_EQ(opaque, 0) << code;
      continue;
    }
    EXPECT_GT(fill, 0) << "empty glyph " << char(code);
    EXPECT_EQ(fillOnEdge, 0) << char(code);
  }
}

TEST(GeneratorProgram, FailsWhenAnImageCannotBeWritten) {
  const fs::path out =
      fs::temp_directory_path() / ("ruzoz-contentgen-blocked-" + std::to_string(getpid()));
  fs::create_directories(out / "Kugel.bmp");
  const std::string command = std::string(CONTENTGEN_EXE) + " " + out.string() + " 2>/dev/null";
  EXPECT_NE(std::system(command.c_str()), 0);
  EXPECT_NE(std::system(CONTENTGEN_EXE " 2>/dev/null"), 0) << "no folder given";
  fs::remove_all(out);
}

} // namespace
} // namespace ruzoz::contentgen
