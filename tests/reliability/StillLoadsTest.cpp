// Damage that leaves a file valid: the game starts and says nothing, and
// what it then does with the odd content is pinned here.

#include "support/Bitmaps.h"
#include "support/DataFolder.h"

#include "ports/Texts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace testsupport {
namespace {

std::vector<std::vector<std::string>> ReadTrace(const fs::path &path) {
  std::ifstream in(path);
  std::vector<std::vector<std::string>> lines;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    lines.emplace_back(std::istream_iterator<std::string>(fields),
                       std::istream_iterator<std::string>());
  }
  return lines;
}

// Title screen, story, bare title, title, then a game with turns, thrust
// and shots.
constexpr int playFrames = 240;
ProcessResult Play(const DataCopy &dir) {
  std::ofstream(dir / "play.keys") << "3 down 13\n20 down 32\n30 down 32\n40 down 32\n"
                                      "60 down 39\n61 down 38\n90 down 16\n120 down 37\n"
                                      "121 down 16\n150 down 40\n170 down 16\n";
  return RunHeadless(
      RUZOZ_REPLAY, dir.path(),
      {"--frames", std::to_string(playFrames), "--input", "play.keys", "--trace", "play.trace"});
}

// Sprites of other sizes, a background a pixel too wide, a font of one
// cell, a title picture of a quarter: the game plays exactly as before and
// only the drawing differs, by the background no play frame can draw.
TEST(StillLoads, ImagesOfOtherSizesChangeOnlyWhatIsDrawn) {
  DataCopy normal, odd;
  ASSERT_EQ(Play(normal).exitCode, 0);
  WriteBmp(odd / "Kugel.bmp", 64, 64, [](int x, int y) {
    return (x ^ y) & 1 ? Rgb{255, 255, 255} : Rgb{192, 32, 32};
  });
  WriteBmp(odd / "Alien1.bmp", 1, 1, [](int, int) { return Rgb{32, 192, 32}; });
  WriteBmp(odd / "Hintergrund.bmp", 641, 480, [](int x, int) {
    return Rgb{0, 0, static_cast<std::uint8_t>(x)};
  });
  WriteBmp(odd / "Zeichensatz.bmp", 16, 16, [](int, int) { return Rgb{}; });
  WriteBmp(odd / "titelbild.bmp", 320, 240, [](int x, int y) {
    return Rgb{0, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y)};
  });
  const ProcessResult run = Play(odd);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");

  const auto expected = ReadTrace(normal / "play.trace");
  const auto actual = ReadTrace(odd / "play.trace");
  ASSERT_EQ(actual.size(), std::size_t(playFrames));
  ASSERT_EQ(expected.size(), actual.size());
  constexpr std::size_t playing = 1, drawHash = 30;
  int lines[2] = {};
  for (std::size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(actual[i].size(), 32u);
    const bool play = expected[i][playing] == "1";
    ++lines[play];
    for (std::size_t f = 0; f < actual[i].size(); ++f)
      if (f == drawHash)
        EXPECT_EQ(actual[i][f] != expected[i][f], play) << "frame " << i;
      else
        ASSERT_EQ(actual[i][f], expected[i][f]) << "frame " << i << " field " << f + 1;
  }
  EXPECT_GT(lines[0], 30) << "the title screens show";
  EXPECT_GT(lines[1], 100) << "and the script plays";
}

// A RIFF WAVE file: format tag, channels, rate, bits, block align (0: one
// frame), sample bytes, and whether a LIST chunk comes before "fmt ".
struct WaveShape {
  unsigned tag, channels, rate, bits, blockAlign;
  std::size_t samples;
  bool listFirst = false;
};

Bytes Chunk(const char *id, const Bytes &data) {
  Bytes out(id, id + 4);
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<std::uint8_t>(data.size() >> (8 * i)));
  out.insert(out.end(), data.begin(), data.end());
  if (data.size() % 2 != 0)
    out.push_back(0);
  return out;
}

Bytes Wave(const WaveShape &w) {
  const unsigned block = w.blockAlign != 0 ? w.blockAlign : w.channels * w.bits / 8;
  Bytes format;
  for (auto [value, size] : {std::pair{w.tag, 2},
                             {w.channels, 2},
                             {w.rate, 4},
                             {w.rate * block, 4},
                             {block, 2},
                             {w.bits, 2}})
    for (int i = 0; i < size; ++i)
      format.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  Bytes samples(w.samples);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::uint8_t>(i * 7);
  Bytes form{'W', 'A', 'V', 'E'};
  for (const Bytes &chunk : {w.listFirst ? Chunk("LIST", Bytes(13, 9)) : Bytes{},
                             Chunk("fmt ", format), Chunk("data", samples)})
    form.insert(form.end(), chunk.begin(), chunk.end());
  return Chunk("RIFF", form);
}

// Any plain wave format the mixer converts plays; anything else, or a rate
// outside 100..100000 Hz, is refused like a missing file. Music files with
// another system's line ends are read; a byte-order mark, as some editors
// write, is not, nor is a file beyond 1 MiB: each says why.
TEST(StillLoads, OddSoundsAndMusicFilesStartOrSayWhy) {
  const std::string title = std::string(ruzoz::texts::windowTitle) + ": ";
  const std::string noBuffer = title + ruzoz::texts::bufferFailed + "\n";
  const std::string noMusic = title + ruzoz::texts::musicFailed + "\n";
  const Bytes style = ReadBytes(fs::path(RUZOZ_DATA_DIR) / "Style1.sty");
  Bytes crlf, marked{0xEF, 0xBB, 0xBF}, large = style;
  for (std::uint8_t byte : style) {
    if (byte == '\n')
      crlf.push_back('\r');
    crlf.push_back(byte);
  }
  marked.insert(marked.end(), style.begin(), style.end());
  for (const std::string comment = "# padding\n"; large.size() <= (1u << 20);)
    large.insert(large.end(), comment.begin(), comment.end());
  const struct {
    const char *what, *file;
    Bytes bytes;
    std::string err; // empty: the game starts
  } cases[] = {
      {"8-bit mono 11025 Hz", "drip.wav", Wave({1, 1, 11025, 8, 0, 3001}), ""},
      {"float stereo 48 kHz", "Get.wav", Wave({3, 2, 48000, 32, 0, 8000}), ""},
      {"six channels 96 kHz", "Schaden.wav", Wave({1, 6, 96000, 16, 0, 12000}), ""},
      {"a chunk first, odd data", "Kollision.wav", Wave({1, 1, 22050, 8, 0, 999, true}), ""},
      {"a partial frame at the end", "drip.wav", Wave({1, 2, 44100, 16, 0, 4003}), ""},
      {"100 Hz", "GunShot.wav", Wave({1, 1, 100, 8, 0, 200}), ""},
      {"100000 Hz", "GunShot.wav", Wave({1, 2, 100000, 16, 0, 4000}), ""},
      {"99 Hz", "GunShot.wav", Wave({1, 1, 99, 8, 0, 200}), noBuffer},
      {"100001 Hz", "GunShot.wav", Wave({1, 1, 100001, 8, 0, 200}), noBuffer},
      // 2.5 KB at 1 Hz would be 2.6 GB once resampled.
      {"1 Hz", "GunShot.wav", Wave({1, 1, 1, 8, 0, 2560}), noBuffer},
      {"24-bit", "GunShot.wav", Wave({1, 1, 44100, 24, 0, 300}), noBuffer},
      {"ADPCM", "GunShot.wav", Wave({2, 1, 44100, 4, 256, 512}), noBuffer},
      {"a block align not a frame", "GunShot.wav", Wave({1, 1, 44100, 16, 4, 400}), noBuffer},
      {"no samples", "GunShot.wav", Wave({1, 1, 44100, 16, 0, 0}), noBuffer},
      {"CR LF line ends", "Style1.sty", crlf, ""},
      {"a byte-order mark", "Style1.sty", marked,
       "Style1.sty:1: the file must start with 'style'\n" + noMusic},
      {"beyond 1 MiB", "Style1.sty", large,
       "Style1.sty: cannot be read or is too large\n" + noMusic},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.what);
    DataCopy dir;
    WriteFile(dir / c.file, c.bytes);
    const ProcessResult run = RunHeadless(RUZOZ_REPLAY, dir.path(), {"--frames", "1"}, 20);
    ASSERT_TRUE(run.exited) << "start-up did not end within 20 s";
    EXPECT_EQ(run.exitCode, c.err.empty() ? 0 : 1) << run.err;
    EXPECT_EQ(run.err, c.err);
  }
}

} // namespace
} // namespace testsupport
