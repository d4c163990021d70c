// Damage that leaves a file valid: the game starts and says nothing. What
// it then does with the odd content is pinned here.

#include "Support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace reliability {
namespace {

std::vector<std::vector<std::string>> ReadTrace(const fs::path &path) {
  std::ifstream in(path);
  std::vector<std::vector<std::string>> lines;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::vector<std::string> row;
    for (std::string field; fields >> field;)
      row.push_back(field);
    lines.push_back(row);
  }
  return lines;
}

// Title screen, story, bare title picture, title, then a game with turns,
// thrust and shots.
const char *const playScript = "3 down 13\n"
                               "20 down 32\n"
                               "30 down 32\n"
                               "40 down 32\n"
                               "60 down 39\n"
                               "61 down 38\n"
                               "90 down 16\n"
                               "120 down 37\n"
                               "121 down 16\n"
                               "150 down 40\n"
                               "170 down 16\n";
constexpr int playFrames = 240;

Outcome Play(const DataCopy &dir) {
  std::ofstream(dir / "play.keys") << playScript;
  return RunReplay(dir.path(), {"--frames", std::to_string(playFrames), "--input", "play.keys",
                                "--trace", "play.trace"});
}

// Sprites of other sizes, a background a pixel too wide, a font of one
// cell, a title picture of a quarter: the game plays exactly as before,
// the drawing refuses what does not fit on the screen. Here that is the
// background of every play frame; title frames draw the same as before.
TEST(StillLoads, ImagesOfOtherSizesChangeOnlyWhatIsDrawn) {
  DataCopy normal;
  ASSERT_EQ(Play(normal).exitCode, 0);

  DataCopy odd;
  WriteBytes(odd / "Kugel.bmp", Bmp24(64, 64, [](int x, int y) {
               return std::uint32_t((x ^ y) & 1 ? 0xFFFFFF : 0xC02020);
             }));
  WriteBytes(odd / "Alien1.bmp", Bmp24(1, 1, [](int, int) { return 0x20C020u; }));
  WriteBytes(odd / "Hintergrund.bmp",
             Bmp24(641, 480, [](int x, int) { return std::uint32_t(x % 256); }));
  WriteBytes(odd / "Zeichensatz.bmp", Bmp24(16, 16, [](int, int) { return 0x000000u; }));
  WriteBytes(odd / "titelbild.bmp",
             Bmp24(320, 240, [](int x, int y) { return std::uint32_t(x * 256 + y); }));
  const Outcome run = Play(odd);
  ASSERT_TRUE(run.finished);
  EXPECT_FALSE(SanitizerReport(run.err)) << run.err;
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");

  const auto expected = ReadTrace(normal / "play.trace");
  const auto actual = ReadTrace(odd / "play.trace");
  ASSERT_EQ(actual.size(), std::size_t(playFrames));
  ASSERT_EQ(actual.size(), expected.size());
  constexpr std::size_t drawHash = 30, playing = 1;
  int playLines = 0, titleLines = 0;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(actual[i].size(), 32u);
    for (std::size_t f = 0; f < actual[i].size(); ++f) {
      if (f != drawHash) {
        ASSERT_EQ(actual[i][f], expected[i][f]) << "frame " << i << " field " << f + 1;
      }
    }
    if (expected[i][playing] == "1") {
      ++playLines;
      EXPECT_NE(actual[i][drawHash], expected[i][drawHash]) << "frame " << i;
    } else {
      ++titleLines;
      EXPECT_EQ(actual[i][drawHash], expected[i][drawHash]) << "frame " << i;
    }
  }
  EXPECT_GT(playLines, 100) << "the script plays";
  EXPECT_GT(titleLines, 30) << "and shows the title screens";
}

struct WaveCase {
  const char *what;
  const char *file;
  WaveShape shape;
  const char *failure; // null: the game starts
};

Bytes Samples(std::size_t count, std::uint8_t seed) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i)
    bytes[i] = std::uint8_t(seed + i * 7);
  return bytes;
}

// Any plain format the mixer converts plays; anything else, or a rate
// outside 100..100000 Hz, is refused like a missing file.
TEST(StillLoads, WavesInOddFormats) {
  const WaveCase cases[] = {
      {"8-bit mono 11025 Hz", "drip.wav", {1, 1, 11025, 8, 0, Samples(3001, 128), {}}, nullptr},
      {"float stereo 48 kHz", "Get.wav", {3, 2, 48000, 32, 0, Samples(8000, 0), {}}, nullptr},
      {"six channels 96 kHz", "Schaden.wav", {1, 6, 96000, 16, 0, Samples(12000, 3), {}}, nullptr},
      {"chunks before fmt, odd data",
       "Kollision.wav",
       {1, 1, 22050, 8, 0, Samples(999, 1), Chunk("LIST", Samples(13, 9))},
       nullptr},
      {"a partial frame at the end",
       "drip.wav",
       {1, 2, 44100, 16, 0, Samples(4003, 5), {}},
       nullptr},
      {"100 Hz", "GunShot.wav", {1, 1, 100, 8, 0, Samples(200, 2), {}}, nullptr},
      {"100000 Hz", "GunShot.wav", {1, 2, 100000, 16, 0, Samples(4000, 2), {}}, nullptr},
      {"99 Hz", "GunShot.wav", {1, 1, 99, 8, 0, Samples(200, 2), {}}, "CreateBuffer FAILED"},
      {"100001 Hz",
       "GunShot.wav",
       {1, 1, 100001, 8, 0, Samples(200, 2), {}},
       "CreateBuffer FAILED"},
      // 2.5 KB at 1 Hz once resampled into 2.6 GB.
      {"1 Hz", "GunShot.wav", {1, 1, 1, 8, 0, Samples(2560, 2), {}}, "CreateBuffer FAILED"},
      {"24-bit", "GunShot.wav", {1, 1, 44100, 24, 0, Samples(300, 2), {}}, "CreateBuffer FAILED"},
      {"ADPCM", "GunShot.wav", {2, 1, 44100, 4, 256, Samples(512, 2), {}}, "CreateBuffer FAILED"},
      {"block align that is not a frame",
       "GunShot.wav",
       {1, 1, 44100, 16, 4, Samples(400, 2), {}},
       "CreateBuffer FAILED"},
      {"no samples", "GunShot.wav", {1, 1, 44100, 16, 0, {}, {}}, "CreateBuffer FAILED"},
  };
  for (const WaveCase &c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.what);
    DataCopy dir;
    WriteBytes(dir / c.file, Wave(c.shape));
    const Outcome run = RunReplay(dir.path(), {"--frames", "1"}, 20);
    ASSERT_TRUE(run.finished) << "start-up did not end within 20 s";
    EXPECT_FALSE(SanitizerReport(run.err)) << run.err;
    if (c.failure == nullptr) {
      EXPECT_EQ(run.exitCode, 0) << run.err;
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(run.exitCode, 1);
      EXPECT_EQ(run.err, std::string("Ruzoz - Odedozida: ") + c.failure + "\n");
    }
  }
}

// Line ends from another system are read; a byte-order mark, as some
// editors write, is not, nor is a file beyond 1 MiB: each says why.
TEST(StillLoads, MusicFilesAsEditorsSaveThem) {
  DataCopy dir;
  const Bytes style = ReadBytes(dir / "Style1.sty");
  Bytes crlf;
  for (std::uint8_t byte : style) {
    if (byte == '\n')
      crlf.push_back('\r');
    crlf.push_back(byte);
  }
  WriteBytes(dir / "Style1.sty", crlf);
  Outcome run = RunReplay(dir.path(), {"--frames", "1"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");

  Bytes marked = style;
  const std::uint8_t byteOrderMark[] = {0xEF, 0xBB, 0xBF};
  marked.insert(marked.begin(), std::begin(byteOrderMark), std::end(byteOrderMark));
  WriteBytes(dir / "Style1.sty", marked);
  run = RunReplay(dir.path(), {"--frames", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Style1.sty:1: the file must start with 'style'\n"
                     "Ruzoz - Odedozida: Error loading music\n");

  Bytes large = style;
  const std::string comment = "# padding\n";
  while (large.size() <= (1u << 20))
    large.insert(large.end(), comment.begin(), comment.end());
  WriteBytes(dir / "Style1.sty", large);
  run = RunReplay(dir.path(), {"--frames", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Style1.sty: cannot be read or is too large\n"
                     "Ruzoz - Odedozida: Error loading music\n");
  EXPECT_FALSE(SanitizerReport(run.err));
}

} // namespace
} // namespace reliability
