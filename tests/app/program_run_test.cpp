// The built program started from the project root, as scripts/run starts it,
// on the X display the tests run under.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status
#undef True
#undef False

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "app/app_windows.h"
#include "app/message_loop.h"
#include "appwins/app_main_win.h"
#include "mixed_jels.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "scene/app_lifecycle.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "toolkit/window_classes.h"

namespace {

using Clock = std::chrono::steady_clock;

// The area the display presenter puts the screen window on.
RECT XWorkArea(Display* dpy) {
  const int screen = DefaultScreen(dpy);
  RECT area = {0, 0, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)};
  Atom prop = XInternAtom(dpy, "_NET_WORKAREA", 1);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  if (prop != 0 && XGetWindowProperty(dpy, RootWindow(dpy, screen), prop, 0, 4, 0, XA_CARDINAL, &type, &format,
                                      &count, &after, &data) == 0 && data && format == 32 && count >= 4) {
    const long* v = reinterpret_cast<const long*>(data);
    area = RECT{static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[0] + v[2]),
                static_cast<LONG>(v[1] + v[3])};
  }
  if (data) XFree(data);
  return area;
}

std::set<Window> TopWindows(Display* dpy) {
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  std::set<Window> out;
  if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) out.insert(children, children + n);
  if (children) XFree(children);
  return out;
}

// A new viewable top-level X window of the given size, or 0.
Window FindNewWindow(Display* dpy, const std::set<Window>& before, int width, int height) {
  for (Window w : TopWindows(dpy)) {
    XWindowAttributes a;
    if (before.count(w) || !XGetWindowAttributes(dpy, w, &a)) continue;
    if (a.map_state == IsViewable && a.width == width && a.height == height) return w;
  }
  return 0;
}

// The window classes, as the program registers them before its main window.
void RegisterClasses() {
  GVInstallAppWindows();
  GVRegisterWindowClasses(GetModuleHandleA(nullptr));
}

// What the program's screen shows over the work area, composed here headless
// by the same window code.
GVSurface ExpectedScreen(const RECT& area, int screenW, int screenH) {
  GVTestReset();
  GVTestSetScreen(screenW, screenH);
  GVTestSetWorkArea(area.left, area.top, area.right, area.bottom);
  AppWindows& win = GVAppWindows();
  LoadStringA(GetModuleHandleA(nullptr), kStringTitle, win.title, sizeof win.title);
  LoadStringA(GetModuleHandleA(nullptr), kStringClass, win.className, sizeof win.className);
  GVAppStartup();
  RegisterClasses();
  GVCreateMainWindow(GetModuleHandleA(nullptr));
  GVTestPumpMessages();
  GVComposeScreen();
  GVSurface out = GVScreenImage();
  GVAppShutdown();
  GVDestroyMainWindow();
  GVFreeWindowResources();
  GVTestReset();
  return out;
}

int Mismatches(Display* dpy, Window w, const RECT& area, const GVSurface& screen, GVSurface* shot) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  XImage* img = XGetImage(dpy, w, 0, 0, width, height, AllPlanes, ZPixmap);
  if (!img) return -1;
  shot->resize(width, height, 0);
  int bad = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t p = XGetPixel(img, x, y) & 0xFFFFFFu;
      shot->row(y)[x] = p;
      bad += p != screen.at(area.left + x, area.top + y);
    }
  XDestroyImage(img);
  return bad;
}

bool WaitExit(pid_t pid, int* status, int seconds) {
  const auto end = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < end) {
    if (waitpid(pid, status, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid, SIGKILL);
  waitpid(pid, status, 0);
  return false;
}

TEST(Program, StartedFromTheRootShowsItsWindowAndClosingEndsWithStatusZero) {
  const char* display = std::getenv("DISPLAY");
  ASSERT_TRUE(display && *display) << "this test needs an X display: run it under xvfb-run (scripts/test)";
  Display* dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr) << "cannot open the X display " << display;
  const RECT area = XWorkArea(dpy);
  const int width = area.right - area.left, height = area.bottom - area.top;
  const GVSurface expected =
      ExpectedScreen(area, DisplayWidth(dpy, DefaultScreen(dpy)), DisplayHeight(dpy, DefaultScreen(dpy)));
  const std::set<Window> before = TopWindows(dpy);

  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(GV_PROJECT_ROOT) != 0) _exit(126);
    execl(GV_APP_PATH, "GelvaneDemo", static_cast<char*>(nullptr));
    _exit(127);
  }

  Window w = 0;
  GVSurface shot;
  int bad = -1;
  for (auto end = Clock::now() + std::chrono::seconds(30); Clock::now() < end && bad != 0;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!w) w = FindNewWindow(dpy, before, width, height);
    if (w) bad = Mismatches(dpy, w, area, expected, &shot);
  }
  ASSERT_NE(w, 0u) << "no window of the work area's size appeared";
  EXPECT_EQ(bad, 0);
  EXPECT_TRUE(GVSavePng(shot, "gelvane_demo_window.png"));

  // The window manager's close request.
  XEvent close = {};
  close.xclient.type = ClientMessage;
  close.xclient.window = w;
  close.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", 0);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", 0));
  XSendEvent(dpy, w, 0, NoEventMask, &close);
  XFlush(dpy);
  int status = 0;
  ASSERT_TRUE(WaitExit(pid, &status, 30)) << "the program did not end after its window was closed";
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);  // a leak report would change it
  XCloseDisplay(dpy);
}

TEST(Program, ExitCommandEndsWithStatusTwoLeavingNothingBehind) {
  // The engine's driver threads of an earlier case do not survive a plain fork.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        GVTestReset();
        GVAppStartup();
        AddMixedJels();
        RegisterClasses();
        GVCreateMainWindow(GetModuleHandleA(nullptr));
        GVExitCommand();
      },
      testing::ExitedWithCode(2), "");
}

TEST(Program, QuitMessageEndsTheRunAndShutdownFreesEveryJel) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        GVTestReset();
        AppWindows& win = GVAppWindows();
        std::snprintf(win.className, sizeof win.className, "GVAPPVIEW0");
        GVAppStartup();
        AddMixedJels();
        RegisterClasses();
        HWND main = GVCreateMainWindow(GetModuleHandleA(nullptr));
        PostMessageA(main, WM_CLOSE, 0, 0);
        const int status = GVRunMessageLoop();
        GVAppShutdown();
        GVDestroyMainWindow();
        GVFreeWindowResources();
        std::exit(status);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
