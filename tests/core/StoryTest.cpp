#include "screens/Screens.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace ruzoz {
namespace {

TEST(StoryTest, EveryLineFillsFortyDrawableCellsAndEndsInTilde) {
  for (int i = 0; i < storyLineCount; ++i) {
    const std::string line = storyLines[i];
    ASSERT_EQ(line.size(), 41u) << "line " << i + 1;
    EXPECT_EQ(line.back(), '~');
    for (int c = 0; c < 40; ++c)
      EXPECT_TRUE(line[c] >= 32 && line[c] <= 124) << "line " << i + 1 << " col " << c;
  }
  EXPECT_STREQ(storyLines[0], "Nachdem die Menschheit es endlich ge-   ~");
  EXPECT_STREQ(storyLines[22], "    DIE WELT ZAEHLT AUF DICH ! ! ! !    ~");
}

TEST(StoryTest, HyphenatedWordsContinueAndNoLineCouldTakeTheNextWord) {
  for (int i = 0; i < 21; ++i) {
    const std::string line = std::string(storyLines[i]).substr(0, 40);
    const std::string next = std::string(storyLines[i + 1]).substr(0, 40);
    const auto end = line.find_last_not_of(' ');
    if (next[0] == ' ')
      continue; // paragraph indent
    const std::string nextWord = next.substr(0, next.find(' '));
    if (line[end] == '-')
      EXPECT_GT(end + nextWord.size(), 40u) << "needless division in line " << i + 1;
    else
      EXPECT_GT(end + 2 + nextWord.size(), 40u) << "line " << i + 1 << " could take the next word";
  }
}

TEST(StoryTest, CreditLineFitsTheTitleAtX48) {
  const char *end = std::strchr(creditLine, '~');
  ASSERT_NE(end, nullptr);
  EXPECT_LE(48 + 16 * (end - creditLine), 640);
}

} // namespace
} // namespace ruzoz
