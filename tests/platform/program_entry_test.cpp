#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/program_entry.h"
#include "platform/win32.h"

namespace {

struct Seen {
  HINSTANCE instance;
  HINSTANCE previous;
  std::string line;
  int show;
};
Seen seen;

int fakeWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  seen = Seen{instance, previous, line ? line : "(null)", show};
  return 42;
}

TEST(ProgramEntry, WinMainGetsTheInstanceAndTheArgumentsAsOneLine) {
  char prog[] = "gelvane", a[] = "-x", b[] = "two words", c[] = "";
  char* argv[] = {prog, a, b, c, nullptr};
  setenv("GV_HEADLESS", "1", 1);  // no need to put a window on the display
  EXPECT_EQ(GVRunWinMain(4, argv, fakeWinMain), 42);
  EXPECT_EQ(seen.instance, GetModuleHandleA(nullptr));
  EXPECT_EQ(seen.previous, nullptr);
  EXPECT_EQ(seen.line, "-x \"two words\" \"\"");
  EXPECT_EQ(seen.show, SW_SHOWDEFAULT);
  char* none[] = {prog, nullptr};
  GVRunWinMain(1, none, fakeWinMain);
  EXPECT_EQ(seen.line, "");
}

}  // namespace
