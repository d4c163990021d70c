// Each of the 48 files in turn missing, empty, cut to half its length and
// overwritten with random bytes of its length: the real start-up (the
// replay tool in a data copy) ends with that file's text on stderr and exit
// code 1, and under LeakSanitizer leaves nothing behind.

#include "support/DataFolder.h"

#include "ports/Texts.h"

#include <gtest/gtest.h>

#include <random>

namespace testsupport {
namespace {

const std::string errorPrefix = std::string(ruzoz::texts::windowTitle) + ": ";

ProcessResult StartUp(const DataCopy &dir) {
  return RunHeadless(RUZOZ_REPLAY, dir.path(), {"--frames", "1"});
}

void ExpectStarted(const ProcessResult &run) {
  ASSERT_TRUE(run.exited) << "start-up did not end";
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
}

void ExpectFailure(const ProcessResult &run, const char *text) {
  ASSERT_TRUE(run.exited) << "start-up did not end";
  EXPECT_FALSE(SanitizerReport(run.err)) << run.err;
  EXPECT_EQ(run.exitCode, 1) << run.err;
  // The last line is the one failure text; a music file may say why first.
  ASSERT_FALSE(run.err.empty());
  const std::size_t last = run.err.rfind('\n', run.err.size() - 2);
  EXPECT_EQ(run.err.substr(last + 1), errorPrefix + text + "\n") << run.err;
  EXPECT_EQ(run.err.find(errorPrefix), last + 1) << "one failure, one text\n" << run.err;
  EXPECT_EQ(run.out, "");
}

TEST(StartUpData, TheUndamagedFolderStartsAndTheFirstFailureEndsStartUp) {
  DataCopy dir;
  ExpectStarted(StartUp(dir));
  fs::remove(dir / "Style1.sty");
  ExpectFailure(StartUp(dir), ruzoz::texts::musicFailed);
  fs::remove(dir / "Get.wav");
  ExpectFailure(StartUp(dir), ruzoz::texts::bufferFailed);
  fs::remove(dir / "Leer.bmp");
  ExpectFailure(StartUp(dir), ruzoz::texts::imageFailed);
}

class DamagedFile : public testing::TestWithParam<DataFile> {};

TEST_P(DamagedFile, EndsStartUpWithItsText) {
  const DataFile &file = GetParam();
  for (const std::string how : {"missing", "empty", "half", "random"}) {
    SCOPED_TRACE(file.name + " " + how);
    DataCopy dir;
    Bytes bytes = ReadBytes(dir / file.name);
    if (how == "missing") {
      fs::remove(dir / file.name);
    } else {
      if (how == "empty")
        bytes.clear();
      else if (how == "half")
        bytes.resize(bytes.size() / 2);
      std::seed_seq seed(file.name.begin(), file.name.end());
      std::mt19937 generator(seed);
      if (how == "random")
        for (auto &byte : bytes)
          byte = static_cast<std::uint8_t>(generator());
      WriteFile(dir / file.name, bytes);
    }
    // The style's first half ends after a whole variation: still a style.
    if (file.name == "Style1.sty" && how == "half")
      ExpectStarted(StartUp(dir));
    else
      ExpectFailure(StartUp(dir), file.failure);
  }
}

INSTANTIATE_TEST_SUITE_P(AllFiles, DamagedFile, testing::ValuesIn(DataFiles()),
                         [](const testing::TestParamInfo<DataFile> &info) {
                           std::string name = info.param.name;
                           name[name.find('.')] = '_';
                           return name;
                         });

} // namespace
} // namespace testsupport
