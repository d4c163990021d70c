#include "BmpReader.h"
#include "Content.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <numbers>
#include <set>
#include <string>
#include <tuple>

#include <unistd.h>

namespace ruzoz::contentgen::test {
namespace {

namespace fs = std::filesystem;

struct Expected {
  std::string name;
  int width, height;
};

std::vector<Expected> ExpectedFiles() {
  std::vector<Expected> e;
  for (int i = 1; i <= 4; ++i)
    e.push_back({"Explosion" + std::to_string(i) + ".bmp", 32, 32});
  e.push_back({"Kugel.bmp", 32, 32});
  for (int i = 1; i <= 8; ++i)
    e.push_back({"Alien" + std::to_string(i) + ".bmp", 32, 32});
  e.push_back({"Leer.bmp", 32, 32});
  for (int i = 1; i <= 3; ++i)
    e.push_back({"Asteroid" + std::to_string(i) + ".bmp", 32, 32});
  for (const char *n : {"Meteorit.bmp", "Lava.bmp", "Munition.bmp", "Schild.bmp"})
    e.push_back({n, 32, 32});
  e.push_back({"Hintergrund.bmp", 640, 480});
  e.push_back({"Zeichensatz.bmp", 512, 48});
  for (int i = 1; i <= 16; ++i)
    e.push_back({"Schiff" + std::to_string(i) + ".bmp", 32, 32});
  e.push_back({"titelbild.bmp", 640, 480});
  return e;
}

const std::set<std::string> fullyOpaque{"Leer.bmp", "Lava.bmp", "Hintergrund.bmp", "titelbild.bmp"};

double Luma(Rgb c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

// Generates the content once for all tests in this file.
class GeneratedFiles : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    dir_ = new fs::path(fs::temp_directory_path() /
                        ("ruzoz-contentgen-test-" + std::to_string(::getpid())));
    fs::remove_all(*dir_);
    WriteAll(*dir_ / "a");
    images_ = new std::map<std::string, ParsedBmp>;
    for (const Expected &e : ExpectedFiles())
      if (fs::exists(*dir_ / "a" / e.name))
        (*images_)[e.name] = LoadBmp(*dir_ / "a" / e.name);
  }
  static void TearDownTestSuite() {
    fs::remove_all(*dir_);
    delete dir_;
    delete images_;
  }
  static const ParsedBmp &Image(const std::string &name) { return images_->at(name); }
  static fs::path Dir() { return *dir_ / "a"; }
  static fs::path Scratch() { return *dir_; }

private:
  static inline fs::path *dir_ = nullptr;
  static inline std::map<std::string, ParsedBmp> *images_ = nullptr;
};

TEST_F(GeneratedFiles, AreExactlyTheFortyImagesWithTheirSizes) {
  std::set<std::string> written;
  for (const auto &entry : fs::directory_iterator(Dir()))
    written.insert(entry.path().filename().string());
  std::set<std::string> expected;
  for (const Expected &e : ExpectedFiles()) {
    expected.insert(e.name);
    ASSERT_TRUE(written.count(e.name)) << e.name;
    const ParsedBmp &img = Image(e.name);
    EXPECT_EQ(img.width, e.width) << e.name;
    EXPECT_EQ(img.height, e.height) << e.name;
  }
  EXPECT_EQ(written, expected);
  EXPECT_EQ(expected.size(), 40u);
}

TEST_F(GeneratedFiles, SecondRunWritesIdenticalBytes) {
  WriteAll(Scratch() / "b");
  for (const Expected &e : ExpectedFiles())
    EXPECT_TRUE(ReadFileBytes(Dir() / e.name) == ReadFileBytes(Scratch() / "b" / e.name)) << e.name;
}

TEST_F(GeneratedFiles, NoOpaquePixelKeysAsTransparent) {
  for (const Expected &e : ExpectedFiles()) {
    const ParsedBmp &img = Image(e.name);
    int transparent = 0, keyed = 0;
    for (Rgb c : img.pixels) {
      transparent += c == transparentRgb;
      keyed += c != transparentRgb && KeysAsTransparent(c);
    }
    EXPECT_EQ(keyed, 0) << e.name;
    if (fullyOpaque.count(e.name)) {
      EXPECT_EQ(transparent, 0) << e.name;
    } else {
      // Sprites sit on a transparent field and are not empty.
      EXPECT_GT(transparent, 0) << e.name;
      EXPECT_LT(transparent, e.width * e.height) << e.name;
    }
  }
}

// SDL_LoadBMP is what the game uses; after its RGB565 conversion exactly
// the pure white pixels must come out as the 0xFFFF key.
TEST_F(GeneratedFiles, LoadWithSdlAndKeyOnlyTheTransparentPixels) {
  for (const Expected &e : ExpectedFiles()) {
    SDL_Surface *loaded = SDL_LoadBMP((Dir() / e.name).c_str());
    ASSERT_NE(loaded, nullptr) << e.name << ": " << SDL_GetError();
    SDL_Surface *rgb565 = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB565, 0);
    ASSERT_NE(rgb565, nullptr) << SDL_GetError();
    EXPECT_EQ(rgb565->w, e.width);
    EXPECT_EQ(rgb565->h, e.height);
    const ParsedBmp &img = Image(e.name);
    int mismatches = 0;
    for (int y = 0; y < rgb565->h; ++y) {
      auto *row = reinterpret_cast<const std::uint16_t *>(
          static_cast<const std::uint8_t *>(rgb565->pixels) + y * rgb565->pitch);
      for (int x = 0; x < rgb565->w; ++x)
        mismatches += (row[x] == 0xFFFF) != img.IsTransparent(x, y);
    }
    EXPECT_EQ(mismatches, 0) << e.name;
    SDL_FreeSurface(rgb565);
    SDL_FreeSurface(loaded);
  }
}

struct Extent {
  int x0 = 1 << 20, y0 = 1 << 20, x1 = -1, y1 = -1;
  int Width() const { return x1 - x0 + 1; }
  int Height() const { return y1 - y0 + 1; }
};
template <class Pred> Extent Bounds(const ParsedBmp &img, int ox, int oy, int w, int h, Pred pred) {
  Extent e;
  for (int y = oy; y < oy + h; ++y)
    for (int x = ox; x < ox + w; ++x)
      if (pred(img.At(x, y))) {
        e.x0 = std::min(e.x0, x - ox);
        e.y0 = std::min(e.y0, y - oy);
        e.x1 = std::max(e.x1, x - ox);
        e.y1 = std::max(e.y1, y - oy);
      }
  return e;
}
auto IsOpaque = [](Rgb c) { return c != transparentRgb; };

TEST_F(GeneratedFiles, ShotIsSmallAndCentred) {
  Extent e = Bounds(Image("Kugel.bmp"), 0, 0, 32, 32, IsOpaque);
  EXPECT_GE(e.Width(), 6);
  EXPECT_LE(e.Width(), 10);
  EXPECT_GE(e.Height(), 6);
  EXPECT_LE(e.Height(), 10);
  EXPECT_LE(std::abs(e.x0 + e.x1 - 31), 1);
  EXPECT_LE(std::abs(e.y0 + e.y1 - 31), 1);
}

TEST_F(GeneratedFiles, ExplosionGrowsThenThinsOut) {
  std::vector<int> area;
  for (int i = 1; i <= 4; ++i) {
    const ParsedBmp &img = Image("Explosion" + std::to_string(i) + ".bmp");
    area.push_back(static_cast<int>(std::count_if(img.pixels.begin(), img.pixels.end(), IsOpaque)));
  }
  EXPECT_LT(area[0], area[1]);
  EXPECT_LT(area[1], area[2]);
  EXPECT_LT(area[3], area[2]);
}

TEST_F(GeneratedFiles, AliensAreAllDifferentAndColouredByDanger) {
  // Harmless kinds lean green/blue, hunters yellow/orange, shooters red.
  auto mean = [](const ParsedBmp &img) {
    double r = 0, g = 0, b = 0;
    int n = 0;
    for (Rgb c : img.pixels)
      if (c != transparentRgb) {
        r += c.r, g += c.g, b += c.b, ++n;
      }
    return std::array<double, 3>{r / n, g / n, b / n};
  };
  for (int i = 1; i <= 8; ++i) {
    const ParsedBmp &img = Image("Alien" + std::to_string(i) + ".bmp");
    auto [r, g, b] = mean(img);
    if (i <= 2)
      EXPECT_GT(std::max(g, b), r) << i;
    else if (i <= 4)
      EXPECT_TRUE(r > b && g > b) << i;
    else
      EXPECT_TRUE(r > g && r > 1.3 * g) << i;
    for (int j = 1; j < i; ++j)
      EXPECT_NE(img.pixels, Image("Alien" + std::to_string(j) + ".bmp").pixels);
  }
}

TEST_F(GeneratedFiles, ShipNoseFollowsTheHeadingClockwise) {
  int firstArea = 0;
  for (int i = 1; i <= 16; ++i) {
    const ParsedBmp &img = Image("Schiff" + std::to_string(i) + ".bmp");
    double best = -1, bestAngle = 0;
    int area = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (!img.IsTransparent(x, y)) {
          ++area;
          double dx = x + 0.5 - 16, dy = y + 0.5 - 16, d = std::hypot(dx, dy);
          if (d > best) {
            best = d;
            bestAngle = std::atan2(dx, -dy); // 0 up, growing clockwise
          }
        }
    double want = (i - 1) * std::numbers::pi / 8;
    double off = std::remainder(bestAngle - want, 2 * std::numbers::pi);
    EXPECT_LT(std::abs(off), 0.25) << "Schiff" << i << " nose at " << bestAngle;
    // Turning must not eat or grow the hull.
    if (i == 1)
      firstArea = area;
    EXPECT_NEAR(area, firstArea, firstArea * 0.12) << "Schiff" << i;
  }
}

TEST_F(GeneratedFiles, LavaTilesWithoutSeams) {
  const ParsedBmp &lava = Image("Lava.bmp");
  auto step = [&](int x0, int y0, int x1, int y1) {
    Rgb a = lava.At(x0, y0), b = lava.At(x1, y1);
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
  };
  double seam = 0, inside = 0;
  for (int i = 0; i < 32; ++i) {
    seam += step(31, i, 0, i) + step(i, 31, i, 0);
    for (int k = 0; k < 31; ++k)
      inside += (step(k, i, k + 1, i) + step(i, k, i, k + 1)) / 31.0;
  }
  EXPECT_LT(seam, inside * 1.6);
}

TEST_F(GeneratedFiles, BackdropsStayDarkUnderText) {
  const ParsedBmp &bg = Image("Hintergrund.bmp");
  double sum = 0;
  for (Rgb c : bg.pixels)
    sum += Luma(c);
  EXPECT_LT(sum / bg.pixels.size(), 30);

  const ParsedBmp &leer = Image("Leer.bmp");
  double leerSum = 0;
  for (int y = 4; y < 28; ++y)
    for (int x = 4; x < 28; ++x)
      leerSum += Luma(leer.At(x, y));
  EXPECT_LT(leerSum / (24 * 24), 60);

  struct Band {
    int x0, y0, x1, y1;
  };
  const ParsedBmp &title = Image("titelbild.bmp");
  for (Band b : {Band{160, 232, 528, 248}, Band{48, 300, 592, 316}, Band{160, 362, 512, 378},
                 Band{160, 394, 512, 410}}) {
    double bandSum = 0, brightest = 0;
    for (int y = b.y0; y < b.y1; ++y)
      for (int x = b.x0; x < b.x1; ++x) {
        bandSum += Luma(title.At(x, y));
        brightest = std::max(brightest, Luma(title.At(x, y)));
      }
    EXPECT_LT(bandSum / ((b.x1 - b.x0) * (b.y1 - b.y0)), 25) << b.y0;
    EXPECT_LT(brightest, 110) << b.y0;
  }
}

TEST_F(GeneratedFiles, TitleNameSitsBrightAcrossTheTop) {
  const ParsedBmp &title = Image("titelbild.bmp");
  int inName = 0, elsewhere = 0;
  Extent e;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      if (Luma(title.At(x, y)) <= 180)
        continue;
      bool top = y >= 30 && y <= 200;
      (top ? inName : elsewhere) += 1;
      if (top) {
        e.x0 = std::min(e.x0, x);
        e.x1 = std::max(e.x1, x);
      }
    }
  // Large letters, not a scatter of stars.
  EXPECT_GT(inName, 6000);
  EXPECT_LT(elsewhere, inName / 10);
  EXPECT_GT(e.Width(), 400);
}

int FontCellX(int code) { return 16 * (code % 32); }
int FontCellY(int code) { return 16 * (code / 32 - 1); }

TEST_F(GeneratedFiles, FontCellsHoldGlyphsWithRoomForTheirOutline) {
  const ParsedBmp &font = Image("Zeichensatz.bmp");
  for (int code : {32, 127})
    EXPECT_EQ(Bounds(font, FontCellX(code), FontCellY(code), 16, 16, IsOpaque).x1, -1) << code;
  // Glyph fill is bright; the outline is dark. Fill on a cell border would
  // mean a clipped glyph or one spilling into its neighbour.
  auto fill = [](Rgb c) { return c != transparentRgb && Luma(c) > 100; };
  for (int code = 33; code < 127; ++code) {
    Extent e = Bounds(font, FontCellX(code), FontCellY(code), 16, 16, fill);
    ASSERT_GE(e.x1, 0) << "empty glyph " << code;
    EXPECT_GE(e.x0, 1) << char(code);
    EXPECT_GE(e.y0, 1) << char(code);
    EXPECT_LE(e.x1, 14) << char(code);
    EXPECT_LE(e.y1, 14) << char(code);
  }
  Extent a = Bounds(font, FontCellX('A'), FontCellY('A'), 16, 16, fill);
  Extent zero = Bounds(font, FontCellX('0'), FontCellY('0'), 16, 16, fill);
  Extent x = Bounds(font, FontCellX('x'), FontCellY('x'), 16, 16, fill);
  Extent g = Bounds(font, FontCellX('g'), FontCellY('g'), 16, 16, fill);
  // One shared baseline; 'g' descends below it, 'x' is shorter than 'A'.
  EXPECT_EQ(a.y1, zero.y1);
  EXPECT_EQ(a.y1, x.y1);
  EXPECT_GT(g.y1, a.y1 + 1);
  EXPECT_GT(x.y0, a.y0 + 1);
  EXPECT_GE(a.Height(), 9);
  EXPECT_GE(a.Width(), 7);
}

TEST_F(GeneratedFiles, FontIsCrispWithoutBlendedEdges) {
  // Every opaque pixel is either the dark outline or a fill colour from the
  // gradient; mono rendering leaves nothing in between.
  const ParsedBmp &font = Image("Zeichensatz.bmp");
  std::set<std::tuple<int, int, int>> colours;
  for (Rgb c : font.pixels)
    if (c != transparentRgb)
      colours.insert({c.r, c.g, c.b});
  EXPECT_LE(colours.size(), 17u); // 14 gradient rows + outline
  for (auto [r, g, b] : colours)
    EXPECT_TRUE(Luma({std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)}) < 40 || r >= 200);
}

TEST(GeneratorProgram, RejectsMissingArgument) {
  EXPECT_NE(std::system(CONTENTGEN_EXE " > /dev/null 2>&1"), 0);
}

TEST(GeneratorProgram, ReportsAnUnwritableDirectory) {
  fs::path base = fs::temp_directory_path() / ("ruzoz-cg-blocked-" + std::to_string(::getpid()));
  fs::create_directories(base);
  std::ofstream(base / "file") << "not a directory";
  fs::path err = base / "stderr.txt";
  std::string cmd = std::string(CONTENTGEN_EXE) + " '" + (base / "file" / "out").string() +
                    "' 2> '" + err.string() + "'";
  EXPECT_NE(std::system(cmd.c_str()), 0);
  std::ifstream in(err);
  std::string message((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(message.find("ruzoz-contentgen:"), std::string::npos) << message;
  fs::remove_all(base);
}

TEST(GeneratorProgram, WritesEveryFileIntoANewDirectory) {
  fs::path out = fs::temp_directory_path() / ("ruzoz-cg-cli-" + std::to_string(::getpid())) / "x";
  std::string cmd = std::string(CONTENTGEN_EXE) + " '" + out.string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  for (const Expected &e : ExpectedFiles())
    EXPECT_TRUE(fs::exists(out / e.name)) << e.name;
  fs::remove_all(out.parent_path());
}

} // namespace
} // namespace ruzoz::contentgen::test
