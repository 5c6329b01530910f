// The program's main window made and ended as WinMain makes and ends it, for
// the tests that drive the whole program through its windows.
#pragma once

#include "../appwins/main_window_fixture.h"
#include "app/app_windows.h"
#include "app/service_installers.h"
#include "editors/editor_entries.h"
#include "scene/scene_services.h"
#include "toolkit/buttons.h"
#include "toolkit/multi_list.h"

class ProgramTest : public MainWindowTest {
 public:
  // The program as WinMain starts it, with every editor's entry when asked;
  // the scene's services it replaced are kept in saved_.
  void StartProgram(bool editors = false) {
    saved_ = GVSceneServices();
    GVSetSceneServices(SceneServices());
    StartScreen();
    GVInstallServices(ServiceStage::kStart);
    if (editors) {
      ASSERT_EQ(GVInstallEditorEntries(), 1);
    }
    OpenMainWindow();
  }
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
  // The middle of a rolled-open list's row (from 1).
  static POINT rowPoint(QwDDSubWindow* w, int row) {
    RECT box = rectOf(w->popup);
    return POINT{box.left + 30, box.top + 1 + 4 + (row - 1) * w->rowHeight + w->rowHeight / 2};
  }
  // Opens the menu button's list and picks the row with the pointer.
  static void pick(HwMenuButton* menu, int row) {
    click(menu->face);
    elapse(500);
    const POINT p = rowPoint(menu->multiList->mainWindow, row);
    GVTestMouseMove(p.x, p.y);
    settle();
    GVTestClick(p.x, p.y);
    elapse(500);
  }
  // Opens the menu button's list and picks item subRow of row's cascade with
  // the pointer.
  static void pickCascade(HwMenuButton* menu, int row, int subRow) {
    click(menu->face);
    elapse(500);
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

  SceneServices saved_;
};
