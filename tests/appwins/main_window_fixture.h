// The main window made as the program makes it, on a reset 1920 x 1080 window
// manager with a virtual clock, and helpers to click and read the screen.
#pragma once

#include <gtest/gtest.h>

#include "GVAppWins/view_window.h"
#include "appwins/app_main_win.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/win32.h"
#include "scene/app_lifecycle.h"
#include "toolkit/choosers.h"
#include "toolkit/window_classes.h"

class MainWindowTest : public ::testing::Test {
 public:
  // A reset 1920 x 1080 window manager on the virtual clock, and the scene's
  // records.
  static void StartScreen() {
    GVTestReset();
    GVTestUseVirtualClock(true);
    GVTestSetScreen(1920, 1080);
    GVTestSetWorkArea(0, 0, 1920, 1080);
    GVAppStartup();
  }
  void SetUp() override {
    StartScreen();
    instance_ = GetModuleHandleA(nullptr);
    GVInstallAppWindows();
    GVRegisterWindowClasses(instance_);
    win_ = new GVAppMainWin(instance_, 1080 * 1233 / 1920);
    GVSetMainAppWin(win_);
    win_->showVehiclePanel(0);
    settle();
  }
  void TearDown() override {
    delete win_;
    GVAppShutdown();
    GVTestReset();
    GVFreeWindowResources();
  }
  static void settle() {
    GVTestPumpMessages();
    GVComposeScreen();
  }
  static void elapse(DWORD ms, DWORD step = 5) {
    for (DWORD t = 0; t < ms; t += step) {
      GVTestAdvanceClock(step < ms - t ? step : ms - t);
      GVTestPumpMessages();
    }
    GVComposeScreen();
  }
  static RECT rectOf(HWND hwnd) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(hwnd, &r);
    return r;
  }
  // x, y, width, height of a window in the client's coordinates (the client at
  // screen 3, 38).
  static RECT place(HWND hwnd) {
    RECT r = rectOf(hwnd);
    return RECT{r.left - 3, r.top - 38, r.right - r.left, r.bottom - r.top};
  }
  static void clickCentre(HWND hwnd) {
    RECT r = rectOf(hwnd);
    GVTestAdvanceClock(1000);
    GVTestClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    settle();
  }
  // Opens a drop-down and picks item (from 1) once the list has rolled open.
  static void choose(HwDropDownCntrl* d, int item) {
    clickCentre(d->listButton->face);
    elapse(300);
    QwDDSubWindow* w = d->multiList->mainWindow;
    RECT r = rectOf(w->popup);
    GVTestClick(r.left + 30, r.top + 1 + 4 + (item - 1) * w->rowHeight + w->rowHeight / 2);
    elapse(300);
  }
  static COLORREF screen(int x, int y) { return GVColorRefFromPixel(GVScreenImage().at(x, y)); }

  HINSTANCE instance_ = nullptr;
  GVAppMainWin* win_ = nullptr;
};

inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
  return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
