// Each of the 48 files in turn missing, empty, cut to half its length and
// overwritten with random bytes of its length: start-up ends with that
// file's text on stderr and exit code 1, and (under LeakSanitizer) leaves
// nothing behind. The real start-up runs: the replay tool in a data copy.
// A music file that is still valid after the damage must start the game.

#include "Support.h"

#include "audio/MusicComposer.h"
#include "audio/MusicParse.h"

#include <gtest/gtest.h>

#include <random>

namespace reliability {
namespace {

const std::string errorPrefix = "Ruzoz - Odedozida: ";

enum class Damage { missing, empty, half, random };
constexpr Damage damages[] = {Damage::missing, Damage::empty, Damage::half, Damage::random};

const char *DamageName(Damage damage) {
  switch (damage) {
  case Damage::missing:
    return "missing";
  case Damage::empty:
    return "empty";
  case Damage::half:
    return "half";
  case Damage::random:
    return "random";
  }
  return "?";
}

void Apply(Damage damage, const fs::path &file, unsigned seed) {
  Bytes bytes = ReadBytes(file);
  switch (damage) {
  case Damage::missing:
    fs::remove(file);
    return;
  case Damage::empty:
    bytes.clear();
    break;
  case Damage::half:
    bytes.resize(bytes.size() / 2);
    break;
  case Damage::random: {
    std::mt19937 generator(seed);
    for (auto &byte : bytes)
      byte = std::uint8_t(generator());
    break;
  }
  }
  WriteBytes(file, bytes);
}

unsigned SeedOf(const std::string &name) {
  unsigned seed = 0;
  for (char c : name)
    seed = seed * 31 + std::uint8_t(c);
  return seed;
}

bool IsMusic(const std::string &name) {
  return name == "Template1.tpl" || name == "Style1.sty" || name == "Chordmap1.cdm";
}

// Whether the music engine reads and composes the three files as they are
// now: only then may start-up get past the music.
bool MusicComposes(const DataCopy &dir) {
  auto text = [&](const char *name, std::string &out) {
    if (!fs::is_regular_file(dir / name))
      return false;
    const Bytes bytes = ReadBytes(dir / name);
    out.assign(bytes.begin(), bytes.end());
    return true;
  };
  std::string tpl, sty, cdm;
  ruzoz::music::MusicTemplate form;
  ruzoz::music::MusicStyle style;
  ruzoz::music::MusicChordMap chordMap;
  ruzoz::music::MusicParseError error;
  if (!text("Template1.tpl", tpl) || !text("Style1.sty", sty) || !text("Chordmap1.cdm", cdm) ||
      !ruzoz::music::ParseTemplate(tpl, "Template1.tpl", form, error) ||
      !ruzoz::music::ParseStyle(sty, "Style1.sty", style, error) ||
      !ruzoz::music::ParseChordMap(cdm, "Chordmap1.cdm", chordMap, error))
    return false;
  std::unique_ptr<ruzoz::music::MusicSegment> segment;
  return ruzoz::music::MusicComposer().ComposeSegmentFromTemplate(
             &style, &form, 1, &chordMap, segment) == ruzoz::music::composeOk;
}

void ExpectStarted(const Outcome &run) {
  ASSERT_TRUE(run.finished) << "start-up did not end";
  EXPECT_FALSE(SanitizerReport(run.err)) << run.err;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
}

void ExpectFailure(const Outcome &run, const std::string &text) {
  ASSERT_TRUE(run.finished) << "start-up did not end";
  EXPECT_FALSE(SanitizerReport(run.err)) << run.err;
  EXPECT_EQ(run.exitCode, 1) << "signal " << run.signal << "\n" << run.err;
  const std::vector<std::string> lines = Lines(run.err);
  ASSERT_FALSE(lines.empty()) << "no text";
  EXPECT_EQ(lines.back(), errorPrefix + text) << run.err;
  int texts = 0;
  for (const std::string &line : lines)
    texts += line.rfind(errorPrefix, 0) == 0;
  EXPECT_EQ(texts, 1) << "one failure, one text\n" << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(StartUpData, TheUndamagedFolderStarts) {
  DataCopy dir;
  ExpectStarted(RunReplay(dir.path(), {"--frames", "1"}));
}

TEST(StartUpData, TheFirstFailureEndsStartUp) {
  DataCopy dir;
  fs::remove(dir / "Style1.sty");
  ExpectFailure(RunReplay(dir.path(), {"--frames", "1"}), "Error loading music");
  fs::remove(dir / "Get.wav");
  ExpectFailure(RunReplay(dir.path(), {"--frames", "1"}), "CreateBuffer FAILED");
  fs::remove(dir / "Leer.bmp");
  ExpectFailure(RunReplay(dir.path(), {"--frames", "1"}), "Error Loading Image");
}

class DamagedFile : public testing::TestWithParam<DataFile> {};

TEST_P(DamagedFile, EndsStartUpWithItsText) {
  const DataFile &file = GetParam();
  for (Damage damage : damages) {
    SCOPED_TRACE(std::string(file.name) + " " + DamageName(damage));
    DataCopy dir;
    Apply(damage, dir / file.name, 20240601u + SeedOf(file.name));
    const Outcome run = RunReplay(dir.path(), {"--frames", "1"});
    if (IsMusic(file.name) && MusicComposes(dir))
      ExpectStarted(run);
    else
      ExpectFailure(run, file.failure);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFiles, DamagedFile, testing::ValuesIn(DataFiles()),
                         [](const testing::TestParamInfo<DataFile> &info) {
                           std::string name = info.param.name;
                           for (char &c : name)
                             if (c == '.')
                               c = '_';
                           return name;
                         });

} // namespace
} // namespace reliability
