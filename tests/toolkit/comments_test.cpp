#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "toolkit/comments.h"

namespace {

TEST(Comments, SkippingFindsTheEndOfEachCommentKind) {
  int kind = -1;
  const char* line = "// no break";
  EXPECT_EQ(GVSkipComment(line, &kind), line + std::strlen(line));
  EXPECT_EQ(kind, 0);
  const char* block = "/* c */b";
  EXPECT_EQ(GVSkipComment(block, &kind), block + 6);
  EXPECT_EQ(kind, 2);
  const char* broken = "// x\r\ny";
  EXPECT_EQ(GVSkipComment(broken, &kind), broken + 4);
  EXPECT_EQ(kind, 1);
  const char* plain = "/x";
  EXPECT_EQ(GVSkipComment(plain, &kind), plain);
  EXPECT_EQ(kind, 0);
}

TEST(Comments, StrippingDropsCommentsAndKeepsLineBreaks) {
  struct Case {
    const char* src;
    const char* dst;
  } cases[] = {
      {"a// c\nb", "a\nb"}, {"a/* c */b", "ab"}, {"a/b", "a/b"}, {"a/", "a"}, {"a/* open", "a"},
  };
  for (const Case& c : cases) {
    std::string out(std::strlen(c.src) + 1, '?');
    GVStripComments(c.src, &out[0]);
    EXPECT_STREQ(out.c_str(), c.dst) << c.src;
  }
}

}  // namespace
