// The real start-up (the replay tool in a copy of the data folder) over
// damaged files. A file of each loader missing, empty, cut to half its
// length and overwritten with random bytes ends start-up with that file's
// text and exit code 1 (a sanitizer finding exits with 23); odd files that
// are still valid start the game. (No image size changes the game's play:
// only what is drawn, and the drawing's edges are tested in tests/core.)

#include "support/DataFolder.h"
#include "support/WaveBytes.h"

#include "ports/BitmapImage.h"
#include "ports/Texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
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
    std::string text = how == "empty" ? "" : ReadText(dir / file.name);
    text.resize(how == "half" ? text.size() / 2 : text.size());
    if (how == "random")
      std::generate(text.begin(), text.end(), std::mt19937(std::hash<std::string>()(file.name)));
    if (how == "missing")
      fs::remove(dir / file.name);
    else
      WriteFile(dir / file.name, Bytes(text.begin(), text.end()));
    ExpectFailure(StartUp(dir), file.failure);
  }
}

// One file per loader: the last image read, a wave and each music file.
INSTANTIATE_TEST_SUITE_P(OnePerLoader, DamagedFile, testing::ValuesIn([] {
                           std::vector<DataFile> files;
                           for (const DataFile &f : DataFiles())
                             if (f.name == "titelbild.bmp" || f.name == "drip.wav" ||
                                 !(f.name.ends_with(".bmp") || f.name.ends_with(".wav")))
                               files.push_back(f);
                           return files;
                         }()),
                         [](const testing::TestParamInfo<DataFile> &info) {
                           std::string name = info.param.name;
                           return name.replace(name.find('.'), 1, "_");
                         });

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
// One reader judges every kind's entries, and one loop the music's end.
TEST(RefusedEntries, EndStartUpAtOnceAndSayWhy) {
  const struct {
    const char *file, *how, *why; // how: a kind of entry, or a size
  } cases[] = {
      {"Kugel.bmp", "pipe", ": refused: a named pipe, not a regular file"},
      {"Template1.tpl", "directory", ": refused: a directory"},
      {"Get.wav", "link to /dev/zero", ": refused: a character device"},
      {"Hintergrund.bmp", "67110027", ": refused: 67110027 bytes, more than an image can be"},
      {"drip.wav", "1073741824", ": refused: 1073741824 bytes, more than a wave can be (67108864)"},
      {"Schaden.wav", "3221225472", ": refused: 3221225472 bytes, more than a wave can be"},
      {"Style1.sty", "1048577", ": refused: 1048577 bytes, more than a music file can be"},
      {"Template1.tpl", "cut at a line end", "before its 'end' line: it is cut short"},
  };
  for (const auto &[file, how, why] : cases) {
    SCOPED_TRACE(std::string(file) + ", " + how);
    DataCopy dir;
    const fs::path entry = dir / file;
    const std::string text = ReadText(entry), kind = how;
    if (kind == "pipe" || kind == "directory" || kind == "link to /dev/zero")
      fs::remove(entry);
    if (kind == "pipe")
      ASSERT_EQ(::mkfifo(entry.c_str(), 0644), 0);
    else if (kind == "directory")
      fs::create_directory(entry);
    else if (kind == "link to /dev/zero")
      fs::create_symlink("/dev/zero", entry);
    else if (kind == "cut at a line end")
      std::ofstream(entry) << text.substr(0, text.rfind('\n', text.size() / 2) + 1);
    else
      fs::resize_file(entry, std::stoull(kind));
    const ProcessResult run = RunHeadless(RUZOZ_REPLAY, dir.path(), {"--frames", "1"}, 20);
    ExpectFailure(run, std::find_if(DataFiles().begin(), DataFiles().end(), [&](auto &f) {
                         return f.name == file;
                       })->failure);
    EXPECT_EQ(run.err.rfind(file, 0), 0u) << run.err;
    EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
    EXPECT_LT(run.seconds, failSeconds);
    EXPECT_LT(run.peakKilobytes, failKilobytes);
  }
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
  const auto bytes = [](const std::string &text) { return Bytes(text.begin(), text.end()); };
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
