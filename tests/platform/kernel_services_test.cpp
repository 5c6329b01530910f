#include <gtest/gtest.h>

#include <cstring>

#include "platform/test_api.h"
#include "platform/win32.h"

namespace {

TEST(KernelServices, FormatMessageGivesSystemTextsInAllocatedOrCallerBuffers) {
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  struct Case {
    DWORD code;
    const char* text;
  };
  const Case cases[] = {
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
      {ERROR_CLASS_ALREADY_EXISTS, "Class already exists.\r\n"},
      {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle.\r\n"},
      {ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class.\r\n"},
  };
  for (const Case& c : cases) {
    LPSTR text = nullptr;
    DWORD n = FormatMessageA(flags, nullptr, c.code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0,
                             nullptr);
    ASSERT_TRUE(text) << c.code;
    EXPECT_EQ(n, strlen(c.text));
    EXPECT_STREQ(text, c.text);
    EXPECT_EQ(LocalFree(text), nullptr);
  }
  char small[8];
  EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND, 0, small, sizeof small, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  char big[128];
  EXPECT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_NO_MORE_FILES, 0, big, sizeof big, nullptr), 0u);
  EXPECT_STREQ(big, "There are no more files.\r\n");
  EXPECT_EQ(FormatMessageA(flags, nullptr, 99999, 0, big, 0, nullptr), 0u);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MR_MID_NOT_FOUND);
}

TEST(KernelServices, MulDivRoundsAndGuards) {
  EXPECT_EQ(-MulDiv(12, 96, 72), -16);  // 12 points at 96 dpi
  EXPECT_EQ(MulDiv(12, 72, 72), 12);
  EXPECT_EQ(MulDiv(1, 1, 2), 1);    // halves round away from zero
  EXPECT_EQ(MulDiv(-1, 1, 2), -1);
  EXPECT_EQ(MulDiv(5, 1, 3), 2);
  EXPECT_EQ(MulDiv(1000000, 1000000, 1000), 1000000000);  // through 64 bits
  EXPECT_EQ(MulDiv(1, 2, 0), -1);
  EXPECT_EQ(MulDiv(0x7fffffff, 4, 1), -1);
}

TEST(KernelServices, TicksSleepAndSmallGaps) {
  GVTestReset();
  GVTestUseVirtualClock(true);
  DWORD t = GetTickCount();
  Sleep(250);
  EXPECT_EQ(GetTickCount() - t, 250u);
  GVTestAdvanceClock(5);
  EXPECT_EQ(GetTickCount() - t, 255u);
  GVTestReset();
  EXPECT_EQ(lstrlenA("Gv warning: "), 12);
  EXPECT_EQ(lstrlenA(nullptr), 0);
  EXPECT_TRUE(GetModuleHandleA(nullptr));
  EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
  SetLastError(1234);
  EXPECT_EQ(GetLastError(), 1234u);
  void* p = LocalAlloc(LPTR, 16);
  ASSERT_TRUE(p);
  EXPECT_EQ(((unsigned char*)p)[15], 0);
  EXPECT_EQ(LocalFree(p), nullptr);
}

TEST(KernelServices, WordMacrosKeepSignedCoordinates) {
  LPARAM lp = MAKELPARAM(-40, -60);
  EXPECT_EQ(GET_X_LPARAM(lp), -40);
  EXPECT_EQ(GET_Y_LPARAM(lp), -60);
  EXPECT_EQ(LOWORD(lp), 0xFFD8);
  WPARAM wp = MAKEWPARAM(MK_LBUTTON, (WORD)(short)-120);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wp), -120);
  EXPECT_EQ(GET_KEYSTATE_WPARAM(wp), MK_LBUTTON);
  EXPECT_EQ(RGB(250, 150, 100), 0x006496FAu);
  EXPECT_EQ(MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), 0x0400);
  EXPECT_TRUE(IS_INTRESOURCE(MAKEINTRESOURCEA(109)));
}

}  // namespace
