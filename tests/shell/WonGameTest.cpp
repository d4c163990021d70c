// The golden won game through the real start-up: ruzoz-replay plays
// tests/golden/won_game.keys, and its trace has the checkpoints of
// won_game.checkpoints (every 1000th line, every line of the last level),
// the win on level index 15 and the high score on the title after it.

#include "shell/Replay.h"
#include "support/DataFolder.h"
#include "support/Support.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testsupport;

namespace {

std::vector<std::string> fields(const std::string &line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string f; in >> f;)
    out.push_back(f);
  return out;
}

TEST(WonGame, TheRealStartUpPlaysTheGoldenWinToItsCheckpoints) {
  const std::string golden = RUZOZ_GOLDEN_DIR;
  const ProcessResult r = RunHeadless(
      RUZOZ_REPLAY, RUZOZ_DATA_DIR,
      {"--frames", "1000000", "--input", golden + "/won_game.keys", "--trace", "-"}, 900);
  ASSERT_TRUE(r.exited && r.exitCode == 0) << r.err;
  std::vector<std::string> lines;
  std::istringstream trace(r.out);
  for (std::string line; std::getline(trace, line);)
    lines.push_back(line);

  std::istringstream expected(ReadText(golden + "/won_game.checkpoints"));
  std::string line;
  std::getline(expected, line); // what the file is
  std::getline(expected, line);
  ASSERT_EQ(line, "# lines " + std::to_string(lines.size()));
  int checked = 0;
  std::size_t lastLevel = lines.size();
  for (long long frame; expected >> frame >> line; ++checked) {
    ASSERT_LT(frame, static_cast<long long>(lines.size()));
    const std::string &got = lines[frame];
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx",
                  static_cast<unsigned long long>(ruzoz::replay::fnv1a(got.data(), got.size())));
    ASSERT_EQ(hash, line) << "frame " << frame << ": " << got.substr(0, 120);
    const auto f = fields(got);
    if (lastLevel == lines.size() && f[1] == "1" && f[4] == "15")
      lastLevel = frame;
  }
  EXPECT_GT(checked, 10000);

  // The win: level index 15 cleared, "Sieg !!" for that one frame, then
  // the title folds the score into the high score.
  std::size_t won = lastLevel;
  while (won < lines.size() && fields(lines[won])[4] != "16")
    ++won;
  ASSERT_LT(won + 1, lines.size()) << "no frame reached level 16";
  const auto sieg = fields(lines[won]), title = fields(lines[won + 1]);
  EXPECT_EQ(sieg[1], "0") << "play ends with the win";
  EXPECT_NE(sieg[30], "0000000000000000") << "the frame was drawn";
  EXPECT_EQ(title[1], "0");
  EXPECT_EQ(title[16], "0");
  EXPECT_EQ(title[17], sieg[16]) << "the high score is the won game's score";
  EXPECT_NE(title[31], "-") << "a title frame";
}

} // namespace
