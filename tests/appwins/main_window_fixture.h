// The main window made as the program makes it, on a reset 1920 x 1080 window
// manager with a virtual clock; clicks and screen reads are the shared ones of
// ui_test_support.h.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "GVAppWins/view_window.h"
#include "appwins/app_main_win.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/win32.h"
#include "scene/app_lifecycle.h"
#include "scene/work_folders.h"
#include "toolkit/choosers.h"
#include "toolkit/window_classes.h"
#include "ui_test_support.h"

using namespace gvui;  // NOLINT: the tests speak of settle, click and screen

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
  // x, y, width, height of a window in the client's coordinates (the client at
  // screen 3, 38).
  static RECT place(HWND hwnd) {
    RECT r = rectOf(hwnd);
    return RECT{r.left - 3, r.top - 38, r.right - r.left, r.bottom - r.top};
  }
  // The older name of click(hwnd), for the tests that still spell it so.
  static void clickCentre(HWND hwnd) { click(hwnd); }
  // Opens a drop-down and picks item (from 1) once the list has rolled open.
  static void choose(HwDropDownCntrl* d, int item) {
    click(d->listButton->face);
    elapse(300);
    QwDDSubWindow* w = d->multiList->mainWindow;
    RECT r = rectOf(w->popup);
    GVTestClick(r.left + 30, r.top + 1 + 4 + (item - 1) * w->rowHeight + w->rowHeight / 2);
    elapse(300);
  }
  // The screen point of a point in the scene, as the main view shows it.
  POINT onScreen(const float p[3]) const {
    float q[3], px[3];
    GVProjectPoint(*win_->view->camera, p, q);
    GVNormalisedToScreen(win_->view->viewport, q, px);
    POINT at = {int(px[0]), int(px[1])};
    ClientToScreen(win_->view->window, &at);
    return at;
  }

  HINSTANCE instance_ = nullptr;
  GVAppMainWin* win_ = nullptr;
};

// A temporary application root holding a copy of the sample scenes (with the
// help pages and a link to the media when asked), made the current folder
// with the folder paths built from it; leave() goes back and removes it.
struct SampleRoot {
  std::filesystem::path back, root;
  bool enter(const std::string& tag, const std::filesystem::path& source, bool help = false, bool media = false) {
    namespace fs = std::filesystem;
    back = fs::current_path();
    root = fs::temp_directory_path() / ("gv_" + tag + "_" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "GVSceneFiles");
    fs::copy(source / "GVSceneFiles/Scenes", root / "GVSceneFiles/Scenes");
    if (help) fs::copy(source / "GVHelpFiles", root / "GVHelpFiles");
    if (media) fs::create_symlink(back / "media", root / "media");
    fs::current_path(root);
    return GVInitFolders() == 1;
  }
  void leave() {
    if (root.empty()) return;
    std::filesystem::current_path(back);
    std::filesystem::remove_all(root);
    root.clear();
  }
};

inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
  return os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
