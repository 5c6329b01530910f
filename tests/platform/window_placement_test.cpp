#include <gtest/gtest.h>

#include <vector>

#include "message_log.h"
#include "platform/test_api.h"
#include "platform/win32.h"
#include "platform/window_internal.h"

namespace {

class Placement : public ::testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    GVTestUseVirtualClock(true);
    RegisterLoggingClass("Log");
    RegisterLoggingClass("NoRedraw", 0);
  }
  void TearDown() override { GVTestReset(); }
  HWND popup(int x, int y, int w, int h, DWORD style = WS_POPUP | WS_VISIBLE, DWORD ex = 0, HWND owner = nullptr) {
    return CreateWindowExA(ex, "Log", "", style, x, y, w, h, owner, nullptr, nullptr, nullptr);
  }
  HWND child(HWND parent, int x, int y, int w, int h, const char* cls = "Log") {
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent, nullptr, nullptr, nullptr);
  }
  std::vector<HWND> topLevelOrder() {
    std::vector<HWND> v;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) v.push_back(w);
    return v;
  }
  MessageLog log;
};

TEST_F(Placement, MoveWindowSendsSizeAndMoveBeforeReturning) {
  HWND p = popup(0, 0, 300, 200);
  HWND c = child(p, 10, 10, 50, 50);
  int sizeSeen = 0;
  RECT clientInside{};
  log.handler = [&](HWND h, UINT m, WPARAM, LPARAM lp, LRESULT*) {
    if (h == c && m == WM_SIZE) {
      sizeSeen = LOWORD(lp) * 1000 + HIWORD(lp);
      GetClientRect(h, &clientInside);  // the new size is already in place
    }
    return false;
  };
  log.clear();
  EXPECT_TRUE(MoveWindow(c, 20, 30, 120, 80, TRUE));
  EXPECT_EQ(sizeSeen, 120 * 1000 + 80);
  EXPECT_EQ(clientInside.right, 120);
  const LoggedMessage* mv = log.last(c, WM_MOVE);
  ASSERT_TRUE(mv);
  EXPECT_EQ(GET_X_LPARAM(mv->lParam), 20);
  EXPECT_EQ(GET_Y_LPARAM(mv->lParam), 30);
  // Moving without resizing sends no WM_SIZE; the same place sends neither.
  log.clear();
  MoveWindow(c, 25, 30, 120, 80, TRUE);
  EXPECT_EQ(log.count(c, WM_SIZE), 0);
  EXPECT_EQ(log.count(c, WM_MOVE), 1);
  log.clear();
  MoveWindow(c, 25, 30, 120, 80, TRUE);
  EXPECT_EQ(log.count(c, WM_SIZE) + log.count(c, WM_MOVE), 0);
  // The procedure may change the request in WM_WINDOWPOSCHANGING.
  log.handler = [&](HWND h, UINT m, WPARAM, LPARAM lp, LRESULT*) {
    if (h == c && m == WM_WINDOWPOSCHANGING) ((WINDOWPOS*)lp)->cx = 77;
    return false;
  };
  MoveWindow(c, 25, 30, 200, 80, TRUE);
  RECT r;
  GetWindowRect(c, &r);
  EXPECT_EQ(r.right - r.left, 77);
}

TEST_F(Placement, TopMostPopupsStayAboveOtherWindows) {
  HWND main = popup(0, 0, 800, 600);
  HWND dialog = popup(100, 100, 200, 200, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  HWND tool = popup(50, 50, 100, 100);
  EXPECT_EQ(topLevelOrder(), (std::vector<HWND>{dialog, tool, main}));
  // Activating or raising an ordinary window keeps it under the top-most one.
  SetForegroundWindow(main);
  EXPECT_EQ(topLevelOrder(), (std::vector<HWND>{dialog, main, tool}));
  SetWindowPos(tool, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(topLevelOrder(), (std::vector<HWND>{dialog, tool, main}));
  // A click on the main window activates it and still leaves the dialog above.
  GVTestClick(700, 500);
  GVTestPumpMessages();
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(topLevelOrder().front(), dialog);
  EXPECT_EQ(WindowFromPoint(POINT{150, 150}), dialog);
  // HWND_NOTOPMOST drops it among the others; HWND_TOPMOST lifts any window.
  SetWindowPos(dialog, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_FALSE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(tool, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(topLevelOrder().front(), tool);
  SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(topLevelOrder(), (std::vector<HWND>{tool, main, dialog}));
}

TEST_F(Placement, OwnedPopupsStayAboveTheirOwner) {
  HWND owner = popup(0, 0, 100, 100, WS_POPUP);
  HWND tip = popup(10, 10, 50, 20, WS_POPUP, 0, owner);
  HWND other = popup(0, 0, 100, 100);
  EXPECT_EQ(topLevelOrder(), (std::vector<HWND>{other, tip, owner}));
  SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(topLevelOrder(), (std::vector<HWND>{tip, owner, other}));
}

TEST_F(Placement, ChildrenStackInCreationOrderAndPaintBackToFront) {
  HWND p = popup(0, 0, 300, 300);
  HWND a = child(p, 0, 0, 100, 100);
  HWND b = child(p, 50, 50, 100, 100);
  HWND a1 = child(a, 0, 0, 10, 10);
  EXPECT_EQ(GetWindow(p, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  // The first child is on top where the two overlap.
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), a);
  std::vector<HWND> order;
  GVWindowsInPaintOrder(&order);
  EXPECT_EQ(order, (std::vector<HWND>{p, b, a, a1}));
  ShowWindow(b, SW_HIDE);
  GVWindowsInPaintOrder(&order);
  EXPECT_EQ(order, (std::vector<HWND>{p, a, a1}));
  EXPECT_FALSE(IsWindowVisible(b));
  ShowWindow(p, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(a1));  // visible only with every ancestor
  EXPECT_TRUE(GetWindowLongA(a1, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(Placement, CoordinatesThroughNestedFramesAndWindowInfo) {
  HWND p = popup(100, 50, 400, 300, WS_POPUP | WS_VISIBLE | WS_BORDER);
  HWND c = child(p, 10, 20, 200, 100);
  POINT pt{5, 6};
  ClientToScreen(c, &pt);
  EXPECT_EQ(pt.x, 100 + 1 + 10 + 5);
  EXPECT_EQ(pt.y, 50 + 1 + 20 + 6);
  ScreenToClient(c, &pt);
  EXPECT_EQ(pt.x, 5);
  WINDOWINFO wi{};
  ASSERT_TRUE(GetWindowInfo(c, &wi));
  EXPECT_EQ(wi.rcWindow.left, 111);
  EXPECT_EQ(wi.rcWindow.bottom, 50 + 1 + 20 + 100);
  EXPECT_EQ(wi.rcClient.left, 111);
  ASSERT_TRUE(GetWindowInfo(p, &wi));
  EXPECT_EQ(wi.rcClient.left, 101);
  EXPECT_EQ(wi.rcClient.right, 499);
  EXPECT_EQ(wi.cxWindowBorders, 1u);
  POINT pts[2] = {{0, 0}, {10, 10}};
  MapWindowPoints(c, p, pts, 2);
  EXPECT_EQ(pts[1].x, 20);
  EXPECT_EQ(pts[1].y, 30);
  RECT area;
  GVTestSetWorkArea(0, 0, 1920, 1040);
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
  EXPECT_EQ(area.bottom, 1040);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  EXPECT_EQ(desk.bottom, 1080);
}

// The dialogs' sizing border: WS_THICKFRAME comes and goes while the window grows
// or shrinks by 3 px each side, so that the client area stays where it was.
TEST_F(Placement, ThickFrameAddedWithFrameChangedKeepsTheClientInPlace) {
  HWND d = popup(200, 200, 300, 200, WS_POPUP | WS_VISIBLE | 8, WS_EX_TOPMOST);
  log.handler = [](HWND h, UINT m, WPARAM wp, LPARAM, LRESULT*) {
    if (m != WM_STYLECHANGED || (int)wp != GWL_STYLE) return false;
    bool thick = GetWindowLongA(h, GWL_STYLE) & WS_THICKFRAME;
    int delta = thick ? -3 : 3;
    RECT r;
    GetWindowRect(h, &r);
    SetWindowPos(h, nullptr, r.left + delta, r.top + delta, r.right - r.left - 2 * delta,
                 r.bottom - r.top - 2 * delta, SWP_FRAMECHANGED);
    return false;
  };
  WINDOWINFO before{}, after{};
  GetWindowInfo(d, &before);
  SetWindowLongA(d, GWL_STYLE, GetWindowLongA(d, GWL_STYLE) | WS_THICKFRAME);
  GetWindowInfo(d, &after);
  EXPECT_EQ(after.rcWindow.left, 197);
  EXPECT_EQ(after.rcWindow.right, 503);
  EXPECT_EQ(after.rcClient.left, before.rcClient.left);
  EXPECT_EQ(after.rcClient.bottom, before.rcClient.bottom);
  EXPECT_EQ(SendMessageA(d, WM_NCHITTEST, 0, MAKELPARAM(198, 300)), HTLEFT);
  EXPECT_EQ(SendMessageA(d, WM_NCHITTEST, 0, MAKELPARAM(200, 300)), HTCLIENT);
  SetWindowLongA(d, GWL_STYLE, GetWindowLongA(d, GWL_STYLE) & ~WS_THICKFRAME);
  GetWindowInfo(d, &after);
  EXPECT_EQ(after.rcWindow.left, 200);
  EXPECT_EQ(after.rcClient.right, before.rcClient.right);
}

TEST_F(Placement, MinimiseRestoreAndMaximise) {
  HWND main = popup(0, 0, 800, 600);
  HWND d = popup(100, 100, 300, 200, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  log.clear();
  ASSERT_TRUE(CloseWindow(d));
  EXPECT_TRUE(IsIconic(d));
  EXPECT_TRUE(IsWindowVisible(d));
  EXPECT_EQ(GetActiveWindow(), main);
  const LoggedMessage* s = log.last(d, WM_SIZE);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->wParam, (WPARAM)SIZE_MINIMIZED);
  RECT r, c;
  GetWindowRect(d, &r);
  GetClientRect(d, &c);
  EXPECT_EQ(c.right, 0);
  EXPECT_EQ(r.bottom, 1080);  // a small bar at the bottom of the work area
  EXPECT_EQ(SendMessageA(d, WM_NCHITTEST, 0, MAKELPARAM(r.left + 5, r.top + 5)), HTCAPTION);
  // Showing it again leaves it minimised; a click on the bar restores it, asking
  // WM_QUERYOPEN first.
  ShowWindow(d, SW_SHOW);
  EXPECT_TRUE(IsIconic(d));
  log.handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT* res) {
    if (h != d || m != WM_QUERYOPEN) return false;
    *res = FALSE;
    return true;
  };
  GVTestClick(r.left + 5, r.top + 5);
  GVTestPumpMessages();
  EXPECT_TRUE(IsIconic(d));
  log.handler = nullptr;
  GVTestAdvanceClock(1000);
  GVTestClick(r.left + 6, r.top + 5);
  GVTestPumpMessages();
  EXPECT_FALSE(IsIconic(d));
  GetWindowRect(d, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 400);
  EXPECT_EQ(log.last(d, WM_SIZE)->wParam, (WPARAM)SIZE_RESTORED);
  // Maximise covers the work area; restore returns the old place.
  GVTestSetWorkArea(0, 0, 1920, 1040);
  ShowWindow(d, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(d));
  GetClientRect(d, &c);
  EXPECT_EQ(c.right, 1920);
  EXPECT_EQ(c.bottom, 1040);
  ShowWindow(d, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(d));
  GetWindowRect(d, &r);
  EXPECT_EQ(r.bottom, 300);
}

TEST_F(Placement, ShowingAndResizingMarkWhatMustBePainted) {
  HWND p = popup(0, 0, 300, 300, WS_POPUP);
  HWND redraw = child(p, 0, 0, 100, 100);
  HWND plain = child(p, 150, 0, 100, 100, "NoRedraw");
  RECT u;
  EXPECT_FALSE(GVTestUpdateRect(redraw, &u));  // hidden with its parent
  ShowWindow(p, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(GVTestUpdateRect(redraw, &u));
  EXPECT_EQ(u.right, 100);
  GVTestPumpMessages();
  // A class with CS_HREDRAW | CS_VREDRAW repaints whole; without, only what is new.
  MoveWindow(redraw, 0, 0, 120, 100, TRUE);
  ASSERT_TRUE(GVTestUpdateRect(redraw, &u));
  EXPECT_EQ(u.left, 0);
  MoveWindow(plain, 150, 0, 130, 100, TRUE);
  ASSERT_TRUE(GVTestUpdateRect(plain, &u));
  EXPECT_EQ(u.left, 100);
  EXPECT_EQ(u.right, 130);
  GVTestPumpMessages();
  // Moving a child uncovers its old place in the parent.
  MoveWindow(plain, 160, 150, 130, 100, TRUE);
  ASSERT_TRUE(GVTestUpdateRect(p, &u));
  EXPECT_EQ(u.left, 150);
  EXPECT_EQ(u.top, 0);
  EXPECT_FALSE(GVTestUpdateRect(plain, &u));  // same size: nothing of its own
  GVTestPumpMessages();
  MoveWindow(redraw, 0, 0, 50, 50, FALSE);  // no repaint asked
  EXPECT_FALSE(GVTestUpdateRect(p, &u));
}

TEST_F(Placement, ValidatingPartOfTheUpdateAreaKeepsTheRest) {
  HWND p = popup(0, 0, 200, 100, WS_POPUP | WS_VISIBLE);
  RECT u;
  RECT top{0, 0, 200, 40};
  GVValidateWindow(p, &top);
  ASSERT_TRUE(GVTestUpdateRect(p, &u));
  EXPECT_EQ(u.top, 40);
  RECT middle{50, 50, 60, 60};
  GVValidateWindow(p, &middle);  // a hole cannot be kept in a rectangle: stays owed
  ASSERT_TRUE(GVTestUpdateRect(p, &u));
  EXPECT_EQ(u.top, 40);
  RECT got;
  bool erase = false;
  ASSERT_TRUE(GVTakeUpdateRegion(p, &got, &erase));
  EXPECT_TRUE(erase);
  EXPECT_EQ(got.bottom, 100);
  EXPECT_FALSE(GVTakeUpdateRegion(p, &got, &erase));
}

}  // namespace
