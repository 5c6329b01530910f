#include <gtest/gtest.h>

#include "platform/test_api.h"
#include "platform/win32.h"
#include "platform/window_internal.h"

namespace {

TEST(Carets, CreatedHiddenShownAndHiddenInNestedPairs) {
  GVTestReset();
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "Edit";
  RegisterClassExA(&wc);
  HWND e = CreateWindowExA(0, "Edit", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  HWND other = CreateWindowExA(0, "Edit", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
  EXPECT_FALSE(GVGetCaretInfo().owner);
  ASSERT_TRUE(CreateCaret(e, nullptr, 0, 14));
  GVCaretInfo c = GVGetCaretInfo();
  EXPECT_EQ(c.owner, e);
  EXPECT_FALSE(c.shown);
  EXPECT_EQ(c.rect.right - c.rect.left, 1);  // width 0 means a one-pixel line
  EXPECT_EQ(c.rect.bottom - c.rect.top, 14);
  EXPECT_TRUE(ShowCaret(e));
  EXPECT_TRUE(GVGetCaretInfo().shown);
  EXPECT_FALSE(ShowCaret(other));
  EXPECT_FALSE(ShowCaret(e));  // already showing
  SetCaretPos(3, 2);
  POINT p;
  ASSERT_TRUE(GetCaretPos(&p));
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(GVGetCaretInfo().rect.left, 3);
  HideCaret(e);
  HideCaret(nullptr);
  ShowCaret(e);
  EXPECT_FALSE(GVGetCaretInfo().shown);  // two hides need two shows
  ShowCaret(e);
  EXPECT_TRUE(GVGetCaretInfo().shown);
  EXPECT_TRUE(DestroyCaret());
  EXPECT_FALSE(DestroyCaret());
  EXPECT_FALSE(SetCaretPos(0, 0));
  // A caret goes with its window.
  CreateCaret(e, nullptr, 2, 10);
  DestroyWindow(e);
  EXPECT_FALSE(GVGetCaretInfo().owner);
  EXPECT_GT(GetCaretBlinkTime(), 0u);
  GVTestReset();
}

}  // namespace
