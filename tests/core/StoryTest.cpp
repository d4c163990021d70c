#include "screens/Screens.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace ruzoz {
namespace {

// The golden traces pin the story as drawn; these are the rules an edit of
// the text must keep, or the font would read past the end of a line.
TEST(StoryTest, LinesAreFortyDrawableCellsAndTheEndMark) {
  for (int i = 0; i < storyLineCount; ++i) {
    const std::string line = storyLines[i];
    ASSERT_EQ(line.size(), 41u) << "line " << i + 1;
    EXPECT_EQ(line.back(), '~');
    for (int c = 0; c < 40; ++c)
      EXPECT_TRUE(line[c] >= 32 && line[c] <= 124) << "line " << i + 1 << " col " << c;
  }
  const char *end = std::strchr(creditLine, '~');
  ASSERT_NE(end, nullptr);
  EXPECT_LE(48 + 16 * (end - creditLine), 640) << "the credit fits the title at x 48";
}

} // namespace
} // namespace ruzoz
