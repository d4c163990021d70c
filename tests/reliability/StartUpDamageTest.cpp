// The real start-up (the replay tool in a copy of the data folder) over
// damaged files. A file of each loader missing, empty, cut to half its
// length and overwritten with random bytes ends start-up with that file's
// text and exit code 1 (a sanitizer finding exits with 23). Damage
// that leaves a file valid starts the game, and what it then does is pinned.

#include "support/Bitmaps.h"
#include "support/DataFolder.h"
#include "support/WaveBytes.h"

#include "ports/BitmapImage.h"
#include "ports/Texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <sys/stat.h>

namespace testsupport {
namespace {

const std::string errorPrefix = std::string(ruzoz::texts::windowTitle) + ": ";

ProcessResult StartUp(const DataCopy &dir,
                      const std::vector<std::string> &arguments = {"--frames", "1"}) {
  return RunHeadless(RUZOZ_REPLAY, dir.path(), arguments);
}

void ExpectFailure(const ProcessResult &run, const char *text) {
  EXPECT_EQ(run.exitCode, 1) << run.err; // -1 when it did not end
  // The last line is the one failure text; a music file may say why first.
  const std::size_t last = run.err.rfind('\n', run.err.size() - 2);
  EXPECT_EQ(run.err.substr(last + 1), errorPrefix + text + "\n") << run.err;
  EXPECT_EQ(run.err.find(errorPrefix), last + 1) << "one failure, one text\n" << run.err;
}

class DamagedFile : public testing::TestWithParam<DataFile> {};

TEST_P(DamagedFile, EndsStartUpWithItsText) {
  const DataFile &file = GetParam();
  for (const std::string how : {"missing", "empty", "half", "random"}) {
    SCOPED_TRACE(file.name + " " + how);
    DataCopy dir;
    const std::string text = how == "empty" ? "" : ReadText(dir / file.name);
    Bytes bytes(text.begin(), text.end());
    if (how == "half")
      bytes.resize(bytes.size() / 2);
    if (how == "random")
      std::generate(bytes.begin(), bytes.end(), std::mt19937(std::hash<std::string>()(file.name)));
    if (how == "missing")
      fs::remove(dir / file.name);
    else
      WriteFile(dir / file.name, bytes);
    ExpectFailure(StartUp(dir), file.failure);
  }
}

const char *FailureOf(const std::string &name) {
  for (const DataFile &file : DataFiles())
    if (file.name == name)
      return file.failure;
  return "";
}

#ifdef RUZOZ_SANITIZED
constexpr double failSeconds = 10;
constexpr long failKilobytes = 4 << 20; // the sanitizers' shadow memory
#else
constexpr double failSeconds = 2;
constexpr long failKilobytes = 200 << 10;
#endif

// What no loader may read: a pipe or a device would block it or feed it
// without end, a sparse file above its kind's cap would be read whole, a
// music file cut at a line end would read as a shorter piece. Each ends
// start-up with its step's text, at once, and says which file and why.
TEST(RefusedEntries, EndStartUpAtOnceAndSayWhy) {
  using Make = void (*)(const fs::path &);
  const Make fifo = [](const fs::path &file) {
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
  };
  const Make directory = [](const fs::path &file) {
    fs::remove(file);
    fs::create_directory(file);
  };
  const Make zero = [](const fs::path &file) {
    fs::remove(file);
    fs::create_symlink("/dev/zero", file);
  };
  const Make linkedFifo = [](const fs::path &file) {
    fs::remove(file);
    ASSERT_EQ(::mkfifo((file.parent_path() / "pipe").c_str(), 0644), 0);
    fs::create_symlink("pipe", file);
  };
  const Make overImageCap = [](const fs::path &file) {
    fs::resize_file(file, ruzoz::largestBitmapFileBytes + 1);
  };
  const Make oneGiB = [](const fs::path &file) { fs::resize_file(file, 1ull << 30); };
  const Make threeGiB = [](const fs::path &file) { fs::resize_file(file, 3ull << 30); };
  const Make overMusicCap = [](const fs::path &file) { fs::resize_file(file, (1 << 20) + 1); };
  const Make cutAtLineEnd = [](const fs::path &file) {
    const std::string text = ReadText(file);
    std::ofstream(file, std::ios::binary) << text.substr(0, text.rfind('\n', text.size() / 2) + 1);
  };
  const struct {
    const char *file;
    Make make;
    const char *why;
  } cases[] = {
      {"Kugel.bmp", fifo, ": refused: a named pipe, not a regular file"},
      {"Style1.sty", fifo, ": refused: a named pipe"},
      {"Template1.tpl", directory, ": refused: a directory"},
      {"Get.wav", zero, ": refused: a character device"},
      {"titelbild.bmp", linkedFifo, ": refused: a named pipe"},
      {"Hintergrund.bmp", overImageCap, ": refused: 67110027 bytes, more than an image can be"},
      {"drip.wav", oneGiB, ": refused: 1073741824 bytes, more than a wave can be (67108864)"},
      {"Schaden.wav", threeGiB, ": refused: 3221225472 bytes, more than a wave can be"},
      {"Style1.sty", overMusicCap, ": refused: 1048577 bytes, more than a music file can be"},
      {"Template1.tpl", cutAtLineEnd, "before its 'end' line: it is cut short"},
      {"Chordmap1.cdm", cutAtLineEnd, "before its 'end' line: it is cut short"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.file) + c.why);
    DataCopy dir;
    c.make(dir / c.file);
    const ProcessResult run = RunHeadless(RUZOZ_REPLAY, dir.path(), {"--frames", "1"}, 20);
    ExpectFailure(run, FailureOf(c.file));
    EXPECT_EQ(run.err.rfind(c.file, 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.why), std::string::npos) << run.err;
    EXPECT_LT(run.seconds, failSeconds);
    EXPECT_LT(run.peakKilobytes, failKilobytes);
  }
}

// One file per loader: the last image read, a wave and each music file.
std::vector<DataFile> OnePerLoader() {
  std::vector<DataFile> files;
  for (const DataFile &file : DataFiles())
    if (file.name.ends_with(".wav") ? file.name == "drip.wav"
                                    : !file.name.ends_with(".bmp") || &file == &DataFiles()[39])
      files.push_back(file);
  return files;
}

INSTANTIATE_TEST_SUITE_P(OnePerLoader, DamagedFile, testing::ValuesIn(OnePerLoader()),
                         [](const testing::TestParamInfo<DataFile> &info) {
                           std::string name = info.param.name;
                           name[name.find('.')] = '_';
                           return name;
                         });

std::vector<std::vector<std::string>> ReadTrace(const fs::path &path) {
  std::ifstream in(path);
  std::vector<std::vector<std::string>> lines;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    lines.push_back({std::istream_iterator<std::string>(fields), {}});
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
  return StartUp(dir, {"--frames", std::to_string(playFrames), "--input", "play.keys", "--trace",
                       "play.trace"});
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
    return Rgb{0, 0, std::uint8_t(x)};
  });
  WriteBmp(odd / "Zeichensatz.bmp", 16, 16, [](int, int) { return Rgb{}; });
  WriteBmp(odd / "titelbild.bmp", 320, 240, [](int x, int y) {
    return Rgb{0, std::uint8_t(x), std::uint8_t(y)};
  });
  const ProcessResult run = Play(odd);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");

  const auto expected = ReadTrace(normal / "play.trace");
  auto actual = ReadTrace(odd / "play.trace");
  ASSERT_EQ(actual.size(), std::size_t(playFrames));
  ASSERT_EQ(expected.size(), actual.size());
  constexpr std::size_t playing = 1, drawHash = 30;
  int lines[2] = {};
  for (std::size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(actual[i].size(), 32u);
    const bool play = expected[i][playing] == "1";
    ++lines[play];
    EXPECT_EQ(actual[i][drawHash] != expected[i][drawHash], play) << "frame " << i;
    actual[i][drawHash] = expected[i][drawHash];
    ASSERT_EQ(actual[i], expected[i]) << "frame " << i;
  }
  EXPECT_GT(lines[0], 30) << "the title screens show";
  EXPECT_GT(lines[1], 100) << "and the script plays";
}

// A data chunk of `count` sample bytes.
Bytes Ramp(std::size_t count) {
  Bytes samples(count);
  for (std::size_t i = 0; i < count; ++i)
    samples[i] = static_cast<std::uint8_t>(i * 7);
  return Chunk("data", samples);
}

// Any plain wave format the mixer converts plays; anything else, or a rate
// outside 100..100000 Hz (the edges: tests/sound), is refused like a
// missing file. Music files with another system's line ends are read, and
// so is one of 1 MiB (a byte more: RefusedEntries); a byte-order mark, as
// some editors write, is not, and says why.
TEST(StillLoads, OddSoundsAndMusicFilesStartOrSayWhy) {
  const std::string noBuffer = errorPrefix + ruzoz::texts::bufferFailed + "\n";
  const std::string noMusic = errorPrefix + ruzoz::texts::musicFailed + "\n";
  const std::string style = ReadText(fs::path(RUZOZ_DATA_DIR) / "Style1.sty");
  std::string crlf;
  for (char c : style)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const std::string full = "#" + std::string((1 << 20) - style.size() - 2, '=') + "\n" + style;
  auto bytes = [](const std::string &text) { return Bytes(text.begin(), text.end()); };
  const struct {
    const char *what, *file;
    Bytes bytes;
    std::string err; // empty: the game starts
  } cases[] = {
      {"8-bit mono 11025 Hz", "drip.wav", Riff({Fmt(1, 1, 11025, 8), Ramp(3001)}), ""},
      {"float stereo 48 kHz", "Get.wav", Riff({Fmt(3, 2, 48000, 32), Ramp(8000)}), ""},
      {"a chunk first, odd data", "Kollision.wav",
       Riff({Chunk("LIST", Bytes(13, 9)), Fmt(1, 1, 22050, 8), Ramp(999)}), ""},
      // 2.5 KB at 1 Hz would be 2.6 GB once resampled.
      {"1 Hz", "GunShot.wav", Riff({Fmt(1, 1, 1, 8), Ramp(2560)}), noBuffer},
      {"24-bit", "GunShot.wav", Riff({Fmt(1, 1, 44100, 24), Ramp(300)}), noBuffer},
      {"ADPCM", "GunShot.wav", Riff({Fmt(2, 1, 44100, 4, 256), Ramp(512)}), noBuffer},
      {"a block align not a frame", "GunShot.wav", Riff({Fmt(1, 1, 44100, 16, 4), Ramp(400)}),
       noBuffer},
      {"no samples", "GunShot.wav", Riff({Fmt(1, 1, 44100, 16), Ramp(0)}), noBuffer},
      {"CR LF line ends", "Style1.sty", bytes(crlf), ""},
      {"a byte-order mark", "Style1.sty", bytes("\xEF\xBB\xBF" + style),
       "Style1.sty:1: the file must start with 'style'\n" + noMusic},
      {"1 MiB", "Style1.sty", bytes(full), ""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.what);
    DataCopy dir;
    WriteFile(dir / c.file, c.bytes);
    const ProcessResult run = StartUp(dir);
    EXPECT_EQ(run.exitCode, c.err.empty() ? 0 : 1) << run.err;
    EXPECT_EQ(run.err, c.err);
  }
}

} // namespace
} // namespace testsupport
