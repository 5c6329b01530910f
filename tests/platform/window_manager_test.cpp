#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "message_log.h"
#include "platform/test_api.h"
#include "platform/win32.h"

namespace {

class WindowManager : public ::testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    GVTestUseVirtualClock(true);
    RegisterLoggingClass("LogParent");
    RegisterLoggingClass("LogChild", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
  }
  void TearDown() override { GVTestReset(); }

  HWND child(HWND parent, int x, int y, int w, int h, DWORD extra = WS_VISIBLE) {
    return CreateWindowExA(0, "LogChild", "", WS_CHILD | extra, x, y, w, h, parent, (HMENU)(intptr_t)3001,
                           GetModuleHandleA(nullptr), nullptr);
  }
  MessageLog log;
};

// Paint and erase messages depend on the display; the scenario compares the rest.
const std::vector<UINT> kPaintMessages = {WM_PAINT, WM_ERASEBKGND};

TEST_F(WindowManager, ParentWithThreeChildrenReceivesTheWin32Sequence) {
  HWND parent = CreateWindowExA(0, "LogParent", "Parent", WS_POPUP | WS_CLIPCHILDREN, 100, 100, 400, 300, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(parent);
  log.name(parent, "P");
  EXPECT_EQ(log.text(), "P:WM_NCCREATE P:WM_NCCALCSIZE P:WM_CREATE P:WM_SIZE P:WM_MOVE");

  HWND kids[3];
  for (int i = 0; i < 3; ++i) {
    log.clear();
    kids[i] = child(parent, 10 + 110 * i, 10, 100, 50);
    ASSERT_TRUE(kids[i]);
    log.name(kids[i], "C" + std::to_string(i + 1));
    std::string c = "C" + std::to_string(i + 1);
    EXPECT_EQ(log.text(), c + ":WM_NCCREATE " + c + ":WM_NCCALCSIZE " + c + ":WM_CREATE " + c + ":WM_SIZE " + c +
                              ":WM_MOVE " + c + ":WM_SHOWWINDOW " + c + ":WM_WINDOWPOSCHANGING " + c +
                              ":WM_WINDOWPOSCHANGED P:WM_PARENTNOTIFY");
  }
  const LoggedMessage* notify = log.last(parent, WM_PARENTNOTIFY);
  ASSERT_TRUE(notify);
  EXPECT_EQ(LOWORD(notify->wParam), WM_CREATE);
  EXPECT_EQ((HWND)notify->lParam, kids[2]);

  // Showing the popup activates it and gives it the focus.
  log.clear();
  ShowWindow(parent, SW_SHOW);
  EXPECT_EQ(log.text(kPaintMessages),
            "P:WM_SHOWWINDOW P:WM_WINDOWPOSCHANGING P:WM_WINDOWPOSCHANGED P:WM_ACTIVATEAPP P:WM_NCACTIVATE "
            "P:WM_ACTIVATE P:WM_SETFOCUS");

  // The first pass of the loop paints the parent, then its children in order.
  log.clear();
  GVTestPumpMessages();
  EXPECT_EQ(log.text(), "P:WM_PAINT C1:WM_PAINT C2:WM_PAINT C3:WM_PAINT");

  // The pointer enters the second child and clicks it.
  log.clear();
  GVTestClick(100 + 120 + 50, 100 + 10 + 25);
  GVTestPumpMessages();
  EXPECT_EQ(log.text(),
            "C2:WM_NCHITTEST C2:WM_SETCURSOR P:WM_SETCURSOR C2:WM_MOUSEMOVE "
            "C2:WM_NCHITTEST P:WM_PARENTNOTIFY C2:WM_SETCURSOR P:WM_SETCURSOR C2:WM_LBUTTONDOWN "
            "C2:WM_NCHITTEST C2:WM_SETCURSOR P:WM_SETCURSOR C2:WM_LBUTTONUP");
  const LoggedMessage* down = log.last(kids[1], WM_LBUTTONDOWN);
  ASSERT_TRUE(down);
  EXPECT_EQ(GET_X_LPARAM(down->lParam), 50);
  EXPECT_EQ(GET_Y_LPARAM(down->lParam), 25);
  EXPECT_EQ(down->wParam, (WPARAM)MK_LBUTTON);

  // Moving and resizing the parent tells it synchronously; the children stay put.
  log.clear();
  MoveWindow(parent, 150, 120, 500, 350, TRUE);
  EXPECT_EQ(log.text(kPaintMessages),
            "P:WM_WINDOWPOSCHANGING P:WM_NCCALCSIZE P:WM_WINDOWPOSCHANGED P:WM_MOVE P:WM_SIZE");
  GVTestPumpMessages();

  // Destroying the parent: hidden, deactivated, then WM_DESTROY down the tree and
  // WM_NCDESTROY back up.
  log.clear();
  DestroyWindow(parent);
  EXPECT_EQ(log.text(kPaintMessages),
            "P:WM_WINDOWPOSCHANGING P:WM_WINDOWPOSCHANGED P:WM_NCACTIVATE P:WM_ACTIVATE P:WM_ACTIVATEAPP "
            "P:WM_KILLFOCUS P:WM_DESTROY C1:WM_DESTROY C2:WM_DESTROY C3:WM_DESTROY "
            "C1:WM_NCDESTROY C2:WM_NCDESTROY C3:WM_NCDESTROY P:WM_NCDESTROY");
  for (HWND k : kids) EXPECT_FALSE(IsWindow(k));
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(WindowManager, DestroyingAParentDestroysChildrenAndGrandchildrenInOrder) {
  HWND parent = CreateWindowExA(0, "LogParent", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
  HWND a = child(parent, 0, 0, 50, 50);
  HWND b = child(parent, 60, 0, 50, 50);
  HWND a1 = child(a, 0, 0, 10, 10);
  log.name(parent, "P");
  log.name(a, "A");
  log.name(b, "B");
  log.name(a1, "A1");
  // Whatever a window's WM_DESTROY handler looks at in its children is still there.
  bool childAliveDuringParentDestroy = false;
  log.handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (h == parent && m == WM_DESTROY) childAliveDuringParentDestroy = IsWindow(a1) && GetParent(a1) == a;
    return false;
  };
  log.clear();
  EXPECT_TRUE(DestroyWindow(parent));
  EXPECT_TRUE(childAliveDuringParentDestroy);
  EXPECT_EQ(log.text(), "P:WM_DESTROY A:WM_DESTROY A1:WM_DESTROY B:WM_DESTROY A1:WM_NCDESTROY A:WM_NCDESTROY "
                        "B:WM_NCDESTROY P:WM_NCDESTROY");
  EXPECT_FALSE(IsWindow(a1));
  EXPECT_FALSE(DestroyWindow(parent));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowManager, DestroyingAChildTellsItsParentAndLeavesSiblings) {
  HWND parent = CreateWindowExA(0, "LogParent", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
  HWND a = child(parent, 0, 0, 50, 50);
  HWND b = child(parent, 60, 0, 50, 50);
  log.clear();
  DestroyWindow(a);
  const LoggedMessage* n = log.last(parent, WM_PARENTNOTIFY);
  ASSERT_TRUE(n);
  EXPECT_EQ(LOWORD(n->wParam), WM_DESTROY);
  EXPECT_EQ((HWND)n->lParam, a);
  EXPECT_TRUE(IsWindow(b));
  EXPECT_EQ(GetWindow(parent, GW_CHILD), b);
}

TEST_F(WindowManager, OwnedWindowsAreDestroyedWithTheirOwner) {
  HWND owner = CreateWindowExA(0, "LogParent", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
  HWND hiddenOwner = CreateWindowExA(0, "LogParent", "", 0x400008, 0, 0, 0, 0, owner, nullptr, nullptr, nullptr);
  HWND popup = CreateWindowExA(0, "LogParent", "", 0x80800008, 0, 0, 30, 20, hiddenOwner, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), hiddenOwner);
  EXPECT_EQ(GetParent(popup), hiddenOwner);  // a popup's parent is its owner
  EXPECT_EQ(GetAncestor(popup, GA_PARENT), GetDesktopWindow());
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(hiddenOwner));
  EXPECT_FALSE(IsWindow(popup));
}

TEST_F(WindowManager, RegisteringAClassTwiceFailsWithTheSystemText) {
  EXPECT_EQ(RegisterLoggingClass("LogParent"), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0,
                           nullptr);
  ASSERT_GT(n, 0u);
  EXPECT_STREQ(text, "Class already exists.\r\n");
  EXPECT_EQ(LocalFree(text), nullptr);
  // Class names compare without case.
  EXPECT_EQ(RegisterLoggingClass("LOGPARENT"), 0);
  EXPECT_TRUE(CreateWindowExA(0, "logparent", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr));
  EXPECT_FALSE(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(WindowManager, ChildWithoutParentAndFailedCreateAreRefused) {
  EXPECT_FALSE(CreateWindowExA(0, "LogChild", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_TLW_WITH_WSCHILD);
  log.handler = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* r) {
    if (m != WM_CREATE) return false;
    *r = -1;
    return true;
  };
  log.clear();
  EXPECT_FALSE(CreateWindowExA(0, "LogParent", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(log.text(), "?:WM_NCCREATE ?:WM_NCCALCSIZE ?:WM_CREATE ?:WM_DESTROY ?:WM_NCDESTROY");
}

// Controls keep their object pointer in the window's user data, set after
// CreateWindowExA returns; WM_CREATE therefore still sees none.
TEST_F(WindowManager, UserDataHoldsAWholePointerAndIsEmptyDuringCreate) {
  LONG_PTR seenAtCreate = -1;
  log.handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (m == WM_CREATE) seenAtCreate = GetWindowLongA(h, GWL_USERDATA);
    return false;
  };
  HWND w = CreateWindowExA(0, "LogParent", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(seenAtCreate, 0);
  const uintptr_t big = (uintptr_t)0x7ffd12345678abcdull;
  EXPECT_EQ(SetWindowLongA(w, GWL_USERDATA, (LONG_PTR)big), 0);
  EXPECT_EQ((uintptr_t)GetWindowLongA(w, GWL_USERDATA), big);
  int object = 0;
  SetWindowLongA(w, GWL_USERDATA, (LONG_PTR)&object);
  EXPECT_EQ((int*)GetWindowLongA(w, GWL_USERDATA), &object);
}

TEST_F(WindowManager, StyleChangesAreReportedBeforeSetWindowLongReturns) {
  HWND w = CreateWindowExA(0, "LogParent", "", WS_POPUP | 8, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  DWORD oldSeen = 0, newSeen = 0;
  bool sawThickFrameInside = false;
  log.handler = [&](HWND h, UINT m, WPARAM wp, LPARAM lp, LRESULT*) {
    if (m == WM_STYLECHANGED && (int)wp == GWL_STYLE) {
      const STYLESTRUCT* ss = (const STYLESTRUCT*)lp;
      oldSeen = ss->styleOld;
      newSeen = ss->styleNew;
      sawThickFrameInside = (GetWindowLongA(h, GWL_STYLE) & WS_THICKFRAME) != 0;
    }
    return false;
  };
  log.clear();
  LONG_PTR before = SetWindowLongA(w, GWL_STYLE, GetWindowLongA(w, GWL_STYLE) | WS_THICKFRAME);
  EXPECT_EQ(log.text(), "?:WM_STYLECHANGING ?:WM_STYLECHANGED");
  EXPECT_EQ((DWORD)before, (DWORD)(WS_POPUP | 8));
  EXPECT_EQ(oldSeen, (DWORD)(WS_POPUP | 8));
  EXPECT_EQ(newSeen, (DWORD)(WS_POPUP | 8 | WS_THICKFRAME));
  EXPECT_TRUE(sawThickFrameInside);
  // The frame itself changes only with SWP_FRAMECHANGED.
  RECT c;
  GetClientRect(w, &c);
  EXPECT_EQ(c.right, 100);
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  GetClientRect(w, &c);
  EXPECT_EQ(c.right, 94);
}

TEST_F(WindowManager, WindowTextAndIdsTravelThroughMessages) {
  HWND parent = CreateWindowExA(0, "LogParent", "Files List", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
  char buf[64];
  EXPECT_EQ(GetWindowTextA(parent, buf, sizeof buf), 10);
  EXPECT_STREQ(buf, "Files List");
  EXPECT_EQ(GetWindowTextA(parent, buf, 6), 5);
  EXPECT_STREQ(buf, "Files");
  SetWindowTextA(parent, "Other");
  EXPECT_EQ(GetWindowTextLengthA(parent), 5);
  HWND c = child(parent, 0, 0, 5, 5);
  EXPECT_EQ(GetDlgCtrlID(c), 3001);
  EXPECT_EQ(GetWindowLongA(c, GWL_ID), 3001);
  EXPECT_EQ(GetClassNameA(c, buf, sizeof buf), 8);
  EXPECT_STREQ(buf, "LogChild");
  EXPECT_EQ(FindWindowA("LogParent", "Other"), parent);
}

TEST_F(WindowManager, SubclassingThroughTheWindowProcedureSlot) {
  static int calls;
  calls = 0;
  HWND w = CreateWindowExA(0, "LogParent", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  static WNDPROC previous;
  previous = (WNDPROC)SetWindowLongA(w, GWL_WNDPROC, (LONG_PTR)+[](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_USER) ++calls;
    return CallWindowProcA(previous, h, m, wp, lp);
  });
  EXPECT_EQ(previous, &LoggingWindowProc);
  log.clear();
  SendMessageA(w, WM_USER, 0, 0);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(log.count(w, WM_USER), 1);
}

TEST_F(WindowManager, ClassBackgroundBrushCanBeReplaced) {
  HWND w = CreateWindowExA(0, "LogParent", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HBRUSH fake = (HBRUSH)(uintptr_t)0x1234;
  EXPECT_EQ(SetClassLongA(w, GCL_HBRBACKGROUND, (LONG_PTR)fake), 0u);
  EXPECT_EQ((HBRUSH)GetClassLongA(w, GCL_HBRBACKGROUND), fake);
  EXPECT_EQ(GetClassLongA(w, GCL_STYLE), (ULONG_PTR)(CS_HREDRAW | CS_VREDRAW));
  EXPECT_FALSE(UnregisterClassA("LogParent", GetModuleHandleA(nullptr)));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_HAS_WINDOWS);
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassA("LogParent", GetModuleHandleA(nullptr)));
}

TEST_F(WindowManager, AWindowDestroyingItselfInsideItsProcedureIsSafe) {
  HWND w = CreateWindowExA(0, "LogParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HWND c = child(w, 0, 0, 5, 5);
  log.handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (h == c && m == WM_USER) DestroyWindow(w);
    return false;
  };
  PostMessageA(c, WM_USER, 0, 0);
  PostMessageA(c, WM_USER + 1, 0, 0);  // dropped with its window
  EXPECT_EQ(GVTestPumpMessages(), 1);  // posted messages come before paints
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(log.count(c, WM_USER + 1), 0);
}

// Handles kept past a window's life (records in GWL_USERDATA, say) must never
// reach the window that later takes its place in the handle table.
TEST_F(WindowManager, StaleHandlesAreRefusedAfterTheirSlotIsReused) {
  auto slot = [](const void* h) { return reinterpret_cast<uintptr_t>(h) & 0xFFFF; };
  HWND gone = CreateWindowExA(0, "LogParent", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(DestroyWindow(gone));
  HWND heir = nullptr;
  std::vector<HWND> made;
  for (int i = 0; i < 20000 && !heir; i++) {
    HWND h = CreateWindowExA(0, "LogParent", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(h);
    if (slot(h) == slot(gone)) heir = h;
    else made.push_back(h);
    // Keep some slots cycling so the table does not just grow.
    if (made.size() > 50) DestroyWindow(made[made.size() - 50]);
  }
  ASSERT_TRUE(heir) << "no new window took the destroyed window's slot";
  EXPECT_NE(heir, gone);
  EXPECT_FALSE(IsWindow(gone));
  log.clear();
  SetLastError(0);
  EXPECT_EQ(SendMessageA(gone, WM_SETTEXT, 0, (LPARAM) "stale"), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(log.count(heir, WM_SETTEXT), 0);
  EXPECT_FALSE(SetWindowTextA(gone, "stale"));
  EXPECT_FALSE(PostMessageA(gone, WM_USER, 0, 0));

  // The same holds for GDI objects and device contexts.
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_TRUE(DeleteObject(brush));
  ASSERT_TRUE(DeleteDC(dc));
  std::vector<HBRUSH> brushes;
  std::vector<HDC> dcs;
  for (int i = 0; i < 20000 && (brushes.empty() || slot(brushes.back()) != slot(brush)); i++)
    brushes.push_back(CreateSolidBrush(RGB(9, 9, 9)));
  for (int i = 0; i < 20000 && (dcs.empty() || slot(dcs.back()) != slot(dc)); i++)
    dcs.push_back(CreateCompatibleDC(nullptr));
  ASSERT_EQ(slot(brushes.back()), slot(brush));
  ASSERT_EQ(slot(dcs.back()), slot(dc));
  LOGBRUSH lb;
  EXPECT_EQ(GetObjectA(brush, sizeof lb, &lb), 0);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), 0);
  EXPECT_EQ(SelectObject(dcs.back(), brush), nullptr);
  for (HBRUSH b : brushes) DeleteObject(b);
  for (HDC d : dcs) DeleteDC(d);
}

}  // namespace
