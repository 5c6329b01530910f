// The main window with its services and every editor's entry installed, the
// view's current-object links, and the status line's texts kept for the test;
// the editor tests derive from it.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "GVAppWins/render_services.h"
#include "GVAppWins/view_links.h"
#include "appwins/app_main_win.h"
#include "appwins/main_window_fixture.h"
#include "editors/editor_entries.h"
#include "scene/app_selection.h"
#include "scene/frame_driver.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace editortest {

// The status line's texts since the test's start.
inline std::vector<std::string> gStatus;

inline bool said(const std::string& text) { return std::find(gStatus.begin(), gStatus.end(), text) != gStatus.end(); }

}  // namespace editortest

class EditorWindowTest : public MainWindowTest {
 protected:
  // render: the engine's scene services too; beep: beeps reach the platform.
  void SetUpEditors(bool render, bool beep) {
    GVViewSceneLinks links;
    links.currentGeo = currentGeo_;
    links.currentJel = currentJel_;
    GVSetViewSceneLinks(links);
    MainWindowTest::SetUp();
    GVInstallMainWindowServices();
    if (render) GVInstallRenderServices();
    SceneServices s = GVSceneServices();
    s.showStatusLine = [](const char* text) { editortest::gStatus.push_back(text); };
    if (beep) s.beep = [] { MessageBeep(MB_ICONHAND); };
    GVSetSceneServices(s);
    editortest::gStatus.clear();
    ASSERT_EQ(GVInstallEditorEntries(), 1);
  }
  void TearDown() override {
    GVRemoveMainWindowServices();
    GVAppSelection() = AppSelection();
    MainWindowTest::TearDown();
    GVRemoveEditorEntries();
    GVFrameClock() = FrameClock();
    GVSetViewSceneLinks(GVViewSceneLinks());
  }
  HWorld* world() { return *GVScene().world; }
  int32_t currentGeo_[3] = {};
  int32_t currentJel_[3] = {};
};
