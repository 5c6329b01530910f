// The program's main window made and ended as WinMain makes and ends it, for
// the tests that drive the whole program through its windows.
#pragma once

#include "../appwins/main_window_fixture.h"
#include "app/app_windows.h"
#include "toolkit/buttons.h"
#include "toolkit/multi_list.h"

class ProgramTest : public MainWindowTest {
 public:
  // The main window, once the test installed the services it wants.
  void OpenMainWindow() {
    GVInstallAppWindows();
    GVRegisterWindowClasses(GetModuleHandleA(nullptr));
    ASSERT_NE(GVCreateMainWindow(GetModuleHandleA(nullptr)), nullptr);
    win_ = GVMainAppWin();
  }
  // What the program does at its end, then a reset window manager.
  static void CloseMainWindow() {
    GVAppShutdown();
    GVDestroyMainWindow();
    GVFreeWindowResources();
    GVTestReset();
  }
  // Opens the menu button's list and picks item subRow of row's cascade with
  // the pointer.
  static void pickCascade(HwMenuButton* menu, int row, int subRow) {
    click(menu->face);
    elapse(500);
    auto rowPoint = [](QwDDSubWindow* w, int r) {
      RECT box = rectOf(w->popup);
      return POINT{box.left + 30, box.top + 1 + 4 + (r - 1) * w->rowHeight + w->rowHeight / 2};
    };
    POINT p = rowPoint(menu->multiList->mainWindow, row);
    GVTestMouseMove(p.x, p.y);
    settle();
    elapse(600);
    ASSERT_TRUE(menu->multiList->cascadeWindow);
    p = rowPoint(menu->multiList->cascadeWindow, subRow);
    GVTestMouseMove(p.x, p.y);
    settle();
    GVTestClick(p.x, p.y);
    elapse(500);
  }
};
