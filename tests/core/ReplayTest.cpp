#include "shell/Replay.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "shell/WindowProc.h"
#include "support/Support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace ruzoz::test {
namespace {

bool parse(const std::string &text, std::vector<replay::ScriptEvent> &events, std::string &error) {
  std::istringstream in(text);
  return replay::parseScript(in, events, error);
}

TEST(ReplayScriptTest, ParsesEventsInFrameOrderKeepingFileOrder) {
  std::vector<replay::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(parse("# comment\n\n5 down 32\r\n  \n3 other\n5 down 13\n0 down 27\n", events, error))
      << error;
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].frame, 0);
  EXPECT_EQ(events[1].message.kind, MessageKind::other);
  EXPECT_EQ(events[2].message.virtualKey, 32);
  EXPECT_EQ(events[3].message.virtualKey, 13) << "same frame keeps file order";
}

// A line of a script saved with CRLF is quoted without its CR.
TEST(ReplayScriptTest, MalformedLinesAreNamed) {
  const std::string bad[] = {"x down 32", "1 up 32",  "1 down",      "1 down -3",
                             "1 other 5", "-1 other", "1 down 32 7", "1 down 99999999"};
  for (const std::string &line : bad) {
    const char *end = (&line - bad) % 2 ? "\r\n" : "\n";
    std::vector<replay::ScriptEvent> events;
    std::string error;
    EXPECT_FALSE(parse("0 other" + (end + line) + end, events, error)) << line;
    EXPECT_TRUE(error.find("line 2") != std::string::npos && error.ends_with(": \"" + line + "\""))
        << error;
  }
}

// The game headless, in this process, on surfaces of the nominal sizes.
class GoldenTraceTest : public ::testing::TestWithParam<const char *> {};

TEST_P(GoldenTraceTest, TraceIsUnchanged) {
  const std::string base = std::string(RUZOZ_GOLDEN_DIR) + "/" + GetParam();
  std::ifstream keys(base + ".keys");
  ASSERT_TRUE(keys) << base;
  std::vector<replay::ScriptEvent> events;
  std::string error;
  ASSERT_TRUE(replay::parseScript(keys, events, error)) << error;
  const std::string expected = testsupport::ReadText(base + ".trace");
  ASSERT_FALSE(expected.empty());

  resetAll();
  InstallNominalSurfaces(nullptr);
  quitPosted = false;
  testsupport::ScratchDir dir;
  std::FILE *out = std::fopen((dir.path() / "trace").c_str(), "wb");
  ASSERT_NE(out, nullptr);
  replay::beginRecording();
  replay::runReplay(std::count(expected.begin(), expected.end(), '\n') + 10, events, out);
  replay::endRecording();
  std::fclose(out);
  quitPosted = false;

  std::istringstream actual(testsupport::ReadText(dir.path() / "trace")), e(expected);
  std::string la, le;
  for (int line = 0; std::getline(e, le); ++line)
    ASSERT_EQ(std::getline(actual, la) ? la : "", le) << "first difference at frame line " << line;
  EXPECT_FALSE(std::getline(actual, la)) << "trace has extra lines";
}

INSTANTIATE_TEST_SUITE_P(Scripts, GoldenTraceTest,
                         ::testing::Values("title_navigation", "random_keys", "autopilot_game"));

} // namespace
} // namespace ruzoz::test
