#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "toolkit/object_names.h"

namespace {

TEST(ObjectNames, CleaningKeepsLettersUnderscoresAndNonLeadingDigits) {
  struct Case {
    const char* typed;
    int result;
    const char* after;
  } cases[] = {
      {"Box 1", 1, "Box1"}, {"box_2", 0, "box_2"}, {"3D", 1, "D"},  {"#9a", 1, "a"},
      {"#12a", 1, "a"},     {"123", -1, "123"},    {"", -1, ""},    {"a\tb\n", 1, "ab"},
  };
  for (const Case& c : cases) {
    char* name = static_cast<char*>(std::malloc(std::strlen(c.typed) + 1));
    std::strcpy(name, c.typed);
    EXPECT_EQ(GVCleanObjectName(&name), c.result) << c.typed;
    EXPECT_STREQ(name, c.after) << c.typed;
    EXPECT_TRUE(GVIsValidName(name) || c.result == -1) << c.typed;
    std::free(name);
  }
  char* none = nullptr;
  EXPECT_EQ(GVCleanObjectName(&none), -1);
}

TEST(ObjectNames, NewAndRenameChecksCleanInPlace) {
  char typed[] = "my box";
  EXPECT_EQ(GVCheckRenameName(typed), 0);
  EXPECT_STREQ(typed, "mybox");
  EXPECT_EQ(GVCheckRenameName(typed), 1);
  char digits[] = "42";
  EXPECT_EQ(GVCheckRenameName(digits), -1);
  EXPECT_EQ(GVCheckNewName(digits), 0);
  EXPECT_STREQ(digits, "42");
  char spaced[] = "a b";
  EXPECT_EQ(GVCheckNewName(spaced), 1);
  EXPECT_STREQ(spaced, "ab");
}

}  // namespace
