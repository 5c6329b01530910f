#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "platform/string_table.h"
#include "platform/win32.h"

namespace {

TEST(StringTable, EntryTextsForTheTitleAndClassOfTheView) {
  char buf[100];
  EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 103, buf, sizeof buf), 10);
  EXPECT_STREQ(buf, "GVAppVIEW0");
  EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 110, buf, sizeof buf), 10);
  EXPECT_STREQ(buf, "GVAPPVIEW0");
}

TEST(StringTable, ShortBuffersTruncateAndMissingIdsGiveEmptyText) {
  char buf[5];
  EXPECT_EQ(LoadStringA(nullptr, 103, buf, sizeof buf), 4);
  EXPECT_STREQ(buf, "GVAp");
  strcpy(buf, "xyz");
  EXPECT_EQ(LoadStringA(nullptr, 4242, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(LoadStringA(nullptr, 103, buf, 0), 0);
}

TEST(StringTable, TextFormEscapesCommentsAndBadLines) {
  const char text[] =
      "# comment\r\n"
      "1 plain text\r\n"
      "2\ttab\\tand\\nbreak \\\\ end\n"
      "\n"
      "x3 not a number\n"
      "4\n"
      "70000 beyond the id range\n"
      "5  lead blanks kept out\n"
      "1 replaced";
  std::map<unsigned, std::string> t;
  EXPECT_EQ(GVParseStringTable((const unsigned char*)text, strlen(text), &t), 3u);
  EXPECT_EQ(t[1], "replaced");
  EXPECT_EQ(t[2], "tab\tand\nbreak \\ end");
  EXPECT_EQ(t[5], "lead blanks kept out");
  EXPECT_EQ(t.count(4), 0u);
  const unsigned char withNul[] = {'9', ' ', 'a', '\\', 0, 'b', 0, 'c'};
  t.clear();
  GVParseStringTable(withNul, sizeof withNul, &t);
  EXPECT_EQ(t[9], std::string("abc"));
}

}  // namespace
