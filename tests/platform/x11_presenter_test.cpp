#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#undef None
#undef Bool
#undef Status
#undef True
#undef False

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "display_expected.h"

#include "platform/display.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/window_internal.h"
#include "platform/win32.h"

namespace {

int gDowns = 0;
LPARAM gDownAt = 0;

LRESULT CALLBACK clickProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_LBUTTONDOWN) {
    gDowns++;
    gDownAt = lp;
  }
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH b = CreateSolidBrush(RGB(30, 160, 90));
    FillRect(dc, &r, b);
    DeleteObject(b);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 10, 10, "shown through X", 15);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// One test case (one process) for everything that maps the screen window, so
// that no other window of these tests overlaps it on the shared display.
TEST(X11Presenter, ShowsTheScreenImageAndTurnsClicksIntoMessages) {
  GVTestReset();
  if (!GVDisplayStart()) GV_NO_DISPLAY("no X display");
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = clickProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ClickTest";
  ASSERT_TRUE(RegisterClassExA(&wc));
  HWND w = CreateWindowExA(0, "ClickTest", "", WS_POPUP | WS_VISIBLE, 200, 150, 300, 200, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(w);
  UpdateWindow(w);
  GVDisplayPresent();

  Display* dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  // Pixels of the X window (read back from the server) that differ from the
  // screen image in its top-left 600 x 400.
  auto mismatches = [dpy] {
    XSync(dpy, 0);
    XImage* img = XGetImage(dpy, static_cast<Window>(GVDisplayWindow()), 0, 0, 600, 400, AllPlanes, ZPixmap);
    if (!img) return -1;
    const GVSurface& screen = GVScreenImage();
    int n = 0;
    for (int y = 0; y < 400; y++)
      for (int x = 0; x < 600; x++) n += (XGetPixel(img, x, y) & 0xFFFFFF) != screen.at(x, y);
    XDestroyImage(img);
    return n;
  };
  EXPECT_EQ(mismatches(), 0);
  EXPECT_EQ(GVScreenImage().at(210, 190), GVPixelFromColorRef(RGB(30, 160, 90)));

  // A fill through GetDC composed for a screenshot still reaches the display
  // when messages are next pumped.
  HDC dc = GetDC(w);
  RECT fill = {20, 30, 120, 80};
  HBRUSH red = CreateSolidBrush(RGB(200, 20, 20));
  FillRect(dc, &fill, red);
  DeleteObject(red);
  ReleaseDC(w, dc);
  std::string shot = ::testing::TempDir() + "x11_presenter_shot.png";
  ASSERT_TRUE(GVSaveScreenPng(shot.c_str()));
  std::remove(shot.c_str());
  EXPECT_EQ(GVScreenImage().at(220, 180), GVPixelFromColorRef(RGB(200, 20, 20)));
  Sleep(10);  // past the presenter's pause between composes
  GVTestPumpMessages();
  EXPECT_EQ(mismatches(), 0);

  // A click through the X server arrives at the right client point.
  int event, error, major, minor;
  if (XTestQueryExtension(dpy, &event, &error, &major, &minor)) {
    XTestFakeMotionEvent(dpy, -1, 237, 171, 0);
    XTestFakeButtonEvent(dpy, 1, 1, 0);
    XTestFakeButtonEvent(dpy, 1, 0, 0);
    XSync(dpy, 0);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (gDowns == 0 && std::chrono::steady_clock::now() < until) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    EXPECT_EQ(gDowns, 1);
    EXPECT_EQ(GET_X_LPARAM(gDownAt), 37);
    EXPECT_EQ(GET_Y_LPARAM(gDownAt), 21);
  } else {
    ADD_FAILURE() << "the X server has no XTEST extension";
  }
  // The bell rings through the display without failing.
  EXPECT_TRUE(MessageBeep(0xFFFFFFFFu));
  // A window manager reset drops the display's hooks; starting again restores them.
  GVTestReset();
  EXPECT_EQ(GVHooks().pump, nullptr);
  EXPECT_TRUE(GVDisplayStart());
  EXPECT_NE(GVHooks().pump, nullptr);
  XCloseDisplay(dpy);
  GVDisplayStop();
  GVTestReset();
  GVComposeScreen();
}

}  // namespace
