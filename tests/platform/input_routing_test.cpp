#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_log.h"
#include "platform/test_api.h"
#include "platform/win32.h"
#include "platform/window_internal.h"

namespace {

const std::vector<UINT> kRouting = {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEACTIVATE, WM_PARENTNOTIFY,
                                    WM_PAINT,     WM_ERASEBKGND, WM_CAPTURECHANGED};

class InputRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    GVTestUseVirtualClock(true);
    RegisterLoggingClass("Plain");
    RegisterLoggingClass("Dbl", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
    top = CreateWindowExA(0, "Plain", "", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr, nullptr,
                          nullptr);
    dbl = CreateWindowExA(0, "Dbl", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, top, nullptr, nullptr, nullptr);
    plain = CreateWindowExA(0, "Plain", "", WS_CHILD | WS_VISIBLE, 200, 0, 100, 100, top, nullptr, nullptr, nullptr);
    GVTestPumpMessages();
    log.name(top, "T");
    log.name(dbl, "D");
    log.name(plain, "P");
    log.clear();
  }
  void TearDown() override { GVTestReset(); }

  std::string clicks(HWND w) { return log.textFor(w, kRouting); }
  MessageLog log;
  HWND top = nullptr, dbl = nullptr, plain = nullptr;
};

TEST_F(InputRouting, DoubleClickFollowsWin32OrderOnlyForDblClkClasses) {
  GVTestClick(150, 150);
  GVTestAdvanceClock(200);
  GVTestClick(151, 149);
  GVTestPumpMessages();
  EXPECT_EQ(clicks(dbl), "WM_MOUSEMOVE WM_LBUTTONDOWN WM_LBUTTONUP WM_MOUSEMOVE WM_LBUTTONDBLCLK WM_LBUTTONUP");
  // A third quick click starts over with a plain press.
  log.clear();
  GVTestAdvanceClock(100);
  GVTestClick(151, 149);
  GVTestPumpMessages();
  EXPECT_EQ(clicks(dbl), "WM_LBUTTONDOWN WM_LBUTTONUP");
  // Without CS_DBLCLKS the second press stays a press.
  log.clear();
  GVTestClick(350, 150);
  GVTestAdvanceClock(100);
  GVTestClick(350, 150);
  GVTestPumpMessages();
  EXPECT_EQ(clicks(plain), "WM_MOUSEMOVE WM_LBUTTONDOWN WM_LBUTTONUP WM_LBUTTONDOWN WM_LBUTTONUP");
}

TEST_F(InputRouting, DoubleClickNeedsTheSameButtonWithin500MsAnd2Px) {
  struct Case {
    const char* what;
    DWORD gap;
    int dx, dy;
    GVMouseButton second;
    const char* expected;
  };
  const Case cases[] = {
      {"500 ms", 500, 0, 0, GV_BUTTON_LEFT, "WM_LBUTTONDOWN WM_LBUTTONUP WM_LBUTTONDBLCLK WM_LBUTTONUP"},
      {"501 ms", 501, 0, 0, GV_BUTTON_LEFT, "WM_LBUTTONDOWN WM_LBUTTONUP WM_LBUTTONDOWN WM_LBUTTONUP"},
      {"2 px", 10, 2, -2, GV_BUTTON_LEFT, "WM_LBUTTONDOWN WM_LBUTTONUP WM_LBUTTONDBLCLK WM_LBUTTONUP"},
      {"3 px", 10, 3, 0, GV_BUTTON_LEFT, "WM_LBUTTONDOWN WM_LBUTTONUP WM_LBUTTONDOWN WM_LBUTTONUP"},
      {"other button", 10, 0, 0, GV_BUTTON_RIGHT, "WM_LBUTTONDOWN WM_LBUTTONUP WM_RBUTTONDOWN WM_RBUTTONUP"},
  };
  for (const Case& c : cases) {
    GVTestAdvanceClock(2000);  // forget earlier clicks
    GVTestMouseMove(150, 150);
    GVTestPumpMessages();
    log.clear();
    GVTestClick(150, 150);
    GVTestAdvanceClock(c.gap);
    GVTestClick(150 + c.dx, 150 + c.dy, c.second);
    GVTestPumpMessages();
    EXPECT_EQ(log.textFor(dbl, {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE, WM_PARENTNOTIFY}), c.expected) << c.what;
  }
  // The right button pairs the same way.
  GVTestAdvanceClock(2000);
  log.clear();
  GVTestClick(150, 150, GV_BUTTON_RIGHT);
  GVTestClick(150, 150, GV_BUTTON_RIGHT);
  GVTestPumpMessages();
  EXPECT_EQ(log.textFor(dbl, {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE, WM_PARENTNOTIFY}),
            "WM_RBUTTONDOWN WM_RBUTTONUP WM_RBUTTONDBLCLK WM_RBUTTONUP");
}

TEST_F(InputRouting, CaptureKeepsTheMouseWithNegativeClientCoordinates) {
  log.handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (h == dbl && m == WM_LBUTTONDOWN) SetCapture(h);
    if (h == dbl && m == WM_LBUTTONUP) ReleaseCapture();
    return false;
  };
  // Press inside, drag up and left beyond the window and the screen's top-left
  // part of it, release outside: every message goes to the captured window.
  GVTestMouseDown(110, 110);
  GVTestMouseMove(60, 40);
  GVTestPumpMessages();  // queued moves would merge into the last one
  GVTestMouseUp(700, 50);
  GVTestMouseMove(350, 150);
  GVTestPumpMessages();
  EXPECT_EQ(clicks(dbl), "WM_MOUSEMOVE WM_LBUTTONDOWN WM_MOUSEMOVE WM_MOUSEMOVE WM_LBUTTONUP");
  std::vector<std::pair<int, int>> points;
  for (const LoggedMessage& e : log.entries())
    if (e.hwnd == dbl && e.message >= WM_MOUSEFIRST && e.message <= WM_MBUTTONDBLCLK)
      points.push_back({GET_X_LPARAM(e.lParam), GET_Y_LPARAM(e.lParam)});
  ASSERT_EQ(points.size(), 5u);
  EXPECT_EQ(points[2], std::make_pair(-40, -60));
  EXPECT_EQ(points[4], std::make_pair(600, -50));
  // WM_LBUTTONUP's lParam keeps the sign in its 16-bit halves.
  const LoggedMessage* up = log.last(dbl, WM_LBUTTONUP);
  EXPECT_EQ(HIWORD(up->lParam), 0xFFCE);
  // After the release the pointer's move goes where it is.
  EXPECT_EQ(log.count(plain, WM_MOUSEMOVE), 1);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(log.count(dbl, WM_CAPTURECHANGED), 1);
}

TEST_F(InputRouting, CaptureSetByTheDownHandlerSteersTheQueuedUp) {
  log.handler = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT*) {
    if (h == dbl && m == WM_LBUTTONDOWN) SetCapture(h);
    return false;
  };
  // Both events are queued before the program takes either.
  GVTestMouseDown(110, 110);
  GVTestMouseUp(350, 150);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(dbl, WM_LBUTTONUP), 1);
  EXPECT_EQ(log.count(plain, WM_LBUTTONUP), 0);
}

// The buttons' tool-tips: hover after the rest time, then leave when the pointer
// goes, and no second hover without a new request.
TEST_F(InputRouting, HoverThenLeave) {
  GVTestMouseMove(350, 120);
  GVTestPumpMessages();
  TRACKMOUSEEVENT t{sizeof t, TME_HOVER | TME_LEAVE, plain, 200};
  ASSERT_TRUE(TrackMouseEvent(&t));
  GVTestAdvanceClock(150);
  GVTestMouseMove(351, 121);  // a small move keeps the hover time running
  GVTestAdvanceClock(49);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(plain, WM_MOUSEHOVER), 0);
  GVTestAdvanceClock(1);
  GVTestPumpMessages();
  ASSERT_EQ(log.count(plain, WM_MOUSEHOVER), 1);
  const LoggedMessage* h = log.last(plain, WM_MOUSEHOVER);
  EXPECT_EQ(GET_X_LPARAM(h->lParam), 51);
  EXPECT_EQ(GET_Y_LPARAM(h->lParam), 21);
  GVTestAdvanceClock(1000);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(plain, WM_MOUSEHOVER), 1);  // one-shot
  log.clear();
  GVTestMouseMove(150, 120);  // onto the other child
  GVTestPumpMessages();
  // The leave is taken before the move that caused it.
  EXPECT_EQ(log.text(kRouting), "P:WM_MOUSELEAVE D:WM_MOUSEMOVE");
  GVTestMouseMove(350, 120);
  GVTestMouseMove(150, 120);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(plain, WM_MOUSELEAVE), 1);  // tracking ended with the leave
}

TEST_F(InputRouting, MovingAwayRestartsHoverAndTrackingOutsideLeavesAtOnce) {
  GVTestMouseMove(350, 120);
  GVTestPumpMessages();
  TRACKMOUSEEVENT t{sizeof t, TME_HOVER, plain, 200};
  TrackMouseEvent(&t);
  GVTestAdvanceClock(150);
  GVTestMouseMove(360, 120);  // beyond the 4 px box: the rest starts again
  GVTestAdvanceClock(150);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(plain, WM_MOUSEHOVER), 0);
  GVTestAdvanceClock(50);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(plain, WM_MOUSEHOVER), 1);
  TRACKMOUSEEVENT away{sizeof away, TME_LEAVE, dbl, HOVER_DEFAULT};
  TrackMouseEvent(&away);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(dbl, WM_MOUSELEAVE), 1);
}

TEST_F(InputRouting, WheelGoesToTheWindowUnderThePointerAndBubblesToParents) {
  SetFocus(dbl);
  GVTestMouseMove(350, 150);  // over the other child: the pointer, not the focus, decides
  GVInputMouseWheel(-WHEEL_DELTA);
  GVTestPumpMessages();
  const LoggedMessage* w = log.last(plain, WM_MOUSEWHEEL);
  ASSERT_TRUE(w);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(w->wParam), -120);
  EXPECT_EQ(GET_X_LPARAM(w->lParam), 350);  // screen coordinates
  EXPECT_EQ(log.count(top, WM_MOUSEWHEEL), 1);  // DefWindowProcA passes it up
  EXPECT_EQ(log.count(dbl, WM_MOUSEWHEEL), 0);
  // Over none of the windows, the focus takes it.
  GVTestMouseMove(900, 900);
  GVInputMouseWheel(WHEEL_DELTA);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(dbl, WM_MOUSEWHEEL), 1);
}

TEST_F(InputRouting, MouseKeyFlagsAndParentNotification) {
  GVInputKey(VK_CONTROL, true);
  GVTestMouseDown(120, 120, GV_BUTTON_RIGHT);
  GVTestPumpMessages();
  const LoggedMessage* d = log.last(dbl, WM_RBUTTONDOWN);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->wParam, (WPARAM)(MK_RBUTTON | MK_CONTROL));
  const LoggedMessage* n = log.last(top, WM_PARENTNOTIFY);
  ASSERT_TRUE(n);
  EXPECT_EQ(LOWORD(n->wParam), WM_RBUTTONDOWN);
  EXPECT_EQ(GET_X_LPARAM(n->lParam), 20);
}

TEST_F(InputRouting, ClickActivatesAnInactiveWindowAndDisabledWindowsBeep) {
  HWND other = CreateWindowExA(0, "Plain", "", WS_POPUP | WS_VISIBLE, 600, 100, 100, 100, nullptr, nullptr, nullptr,
                               nullptr);
  GVTestPumpMessages();
  ASSERT_EQ(GetActiveWindow(), other);
  log.clear();
  GVTestClick(150, 150);
  GVTestPumpMessages();
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_EQ(log.count(dbl, WM_MOUSEACTIVATE), 1);
  EXPECT_EQ(log.count(top, WM_MOUSEACTIVATE), 1);  // asked on the child's behalf
  const LoggedMessage* act = log.last(top, WM_ACTIVATE);
  ASSERT_TRUE(act);
  EXPECT_EQ(LOWORD(act->wParam), WA_CLICKACTIVE);
  EXPECT_EQ(log.count(dbl, WM_LBUTTONDOWN), 1);

  EnableWindow(other, FALSE);
  log.clear();
  unsigned beeps = GVTestBeepCount();
  GVTestClick(650, 150);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(other, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  // A disabled child passes the mouse to its parent.
  EnableWindow(plain, FALSE);
  GVTestClick(350, 150);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(plain, WM_LBUTTONDOWN), 0);
  EXPECT_EQ(log.count(top, WM_LBUTTONDOWN), 1);
}

// A WS_THICKFRAME window has a 3 px sizing border: a press on it sizes the window
// through DefWindowProcA, with synchronous WM_SIZE, and its procedure sees no
// mouse messages meanwhile.
TEST_F(InputRouting, ThickFrameBorderSizesTheWindow) {
  HWND w = CreateWindowExA(0, "Plain", "", WS_POPUP | WS_VISIBLE | WS_THICKFRAME, 500, 500, 300, 200, nullptr,
                           nullptr, nullptr, nullptr);
  GVTestPumpMessages();
  RECT c;
  GetClientRect(w, &c);
  EXPECT_EQ(c.right, 294);
  EXPECT_EQ(c.bottom, 194);
  struct Hit {
    int x, y;
    LRESULT expected;
  };
  const Hit hits[] = {{500, 600, HTLEFT},       {799, 600, HTRIGHT},         {650, 500, HTTOP},
                      {650, 699, HTBOTTOM},      {500, 500, HTTOPLEFT},      {799, 699, HTBOTTOMRIGHT},
                      {510, 502, HTTOPLEFT},     {790, 697, HTBOTTOMRIGHT},  {503, 600, HTCLIENT},
                      {499, 600, HTNOWHERE}};
  for (const Hit& h : hits)
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(h.x, h.y)), h.expected) << h.x << "," << h.y;

  log.clear();
  GVTestMouseMove(799, 600);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(w, WM_NCMOUSEMOVE), 1);
  EXPECT_EQ(log.count(w, WM_MOUSEMOVE), 0);
  GVInputMouseButton(GV_BUTTON_LEFT, true);
  GVTestMouseMove(849, 620);
  GVTestPumpMessages();
  GVTestMouseMove(899, 640);
  GVInputMouseButton(GV_BUTTON_LEFT, false);
  GVTestPumpMessages();
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 500);
  EXPECT_EQ(r.right, 900);
  EXPECT_EQ(r.bottom, 700);
  EXPECT_EQ(log.textFor(w, {WM_NCHITTEST, WM_SETCURSOR, WM_NCMOUSEMOVE, WM_GETMINMAXINFO, WM_WINDOWPOSCHANGING,
                            WM_WINDOWPOSCHANGED, WM_NCCALCSIZE, WM_MOVE, WM_CAPTURECHANGED, WM_PAINT,
                            WM_ERASEBKGND}),
            "WM_NCLBUTTONDOWN WM_SYSCOMMAND WM_ENTERSIZEMOVE WM_SIZING WM_SIZE WM_SIZING WM_SIZE WM_EXITSIZEMOVE");
  const LoggedMessage* size = log.last(w, WM_SIZE);
  EXPECT_EQ(LOWORD(size->lParam), 394);
  EXPECT_EQ(log.count(w, WM_LBUTTONUP), 0);
  EXPECT_EQ(GetCapture(), nullptr);

  // Escape during a drag puts the window back.
  GVTestMouseMove(650, 699);
  GVTestPumpMessages();
  GVInputMouseButton(GV_BUTTON_LEFT, true);
  GVTestMouseMove(650, 800);
  GVTestPumpMessages();
  GetWindowRect(w, &r);
  EXPECT_EQ(r.bottom, 801);
  GVTestKeyPress(VK_ESCAPE);
  GVInputMouseButton(GV_BUTTON_LEFT, false);
  GVTestPumpMessages();
  GetWindowRect(w, &r);
  EXPECT_EQ(r.bottom, 700);
}

TEST_F(InputRouting, KeysGoToTheFocusOrAsSystemKeysToTheActiveWindow) {
  SetFocus(plain);
  GVTestKeyPress(VK_F1);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(plain, WM_KEYDOWN), 1);
  SetFocus(nullptr);
  log.clear();
  GVTestKeyPress('Q');
  GVTestPumpMessages();
  EXPECT_EQ(log.count(top, WM_SYSKEYDOWN), 1);
  EXPECT_EQ(log.count(top, WM_KEYDOWN), 0);
}

TEST_F(InputRouting, SetCursorPosMovesThePointerAndReportsAMove) {
  static int warpX = -1;
  GVHooks().cursorWarped = [](int x, int) { warpX = x; };
  SetCursorPos(330, 140);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 330);
  EXPECT_EQ(warpX, 330);
  GVTestPumpMessages();
  EXPECT_EQ(log.count(plain, WM_MOUSEMOVE), 1);
  SetCursorPos(-50, 5000);  // kept on the screen
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 1079);
  // The stock cursor of the class follows the pointer.
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST_F(InputRouting, HotKeyReachesItsWindowWhateverHasTheFocus) {
  SetFocus(plain);
  ASSERT_TRUE(RegisterHotKey(top, 0xAAAA, MOD_CONTROL, VK_F5));
  // One combination belongs to one registration.
  EXPECT_FALSE(RegisterHotKey(dbl, 1, MOD_CONTROL | MOD_NOREPEAT, VK_F5));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
  GVInputKey(VK_CONTROL, true);
  GVTestKeyPress(VK_F5);
  GVInputKey(VK_CONTROL, false);
  GVTestKeyPress(VK_F5);  // without the modifier it is a plain key
  GVTestPumpMessages();
  const LoggedMessage* hot = log.last(top, WM_HOTKEY);
  ASSERT_NE(hot, nullptr);
  EXPECT_EQ(hot->wParam, 0xAAAAu);
  EXPECT_EQ(hot->lParam, MAKELPARAM(MOD_CONTROL, VK_F5));
  EXPECT_EQ(log.count(plain, WM_KEYDOWN), 2);  // Ctrl, then F5 alone
  EXPECT_TRUE(UnregisterHotKey(top, 0xAAAA));
  EXPECT_FALSE(UnregisterHotKey(top, 0xAAAA));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_NOT_REGISTERED));
  // A destroyed window's hot keys go with it.
  ASSERT_TRUE(RegisterHotKey(dbl, 7, MOD_ALT, 'K'));
  DestroyWindow(dbl);
  EXPECT_TRUE(RegisterHotKey(nullptr, 7, MOD_ALT, 'K'));
}

}  // namespace
