// The editor tests that go through every window a user opens: the showcase
// sample opened from a copy of the samples in a temporary folder, its first
// Geo and Jel current, and a walk that shows each editor of the selector bar,
// the logic and vehicle panels and the five creation dialogs in turn.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "appwins/create_geo.h"
#include "appwins/create_jel.h"
#include "appwins/editor_bar.h"
#include "appwins/logic_cntrl.h"
#include "appwins/notes_window.h"
#include "appwins/vehicle_panel.h"
#include "dynamics/world.h"
#include "editor_fixture.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "jel/jel_object.h"
#include "scene/file_handlers.h"
#include "scene/menu_commands.h"
#include "scene/scene_access.h"
#include "scene/work_folders.h"
#include "toolkit/dialog_window.h"
#include "toolkit/messages.h"

class EveryWindowTest : public EditorWindowTest {
 public:
  void SetUp() override {
    SetUpEditors(true, true);
    SceneServices s = GVSceneServices();
    s.showMessage = GVMessage;
    GVSetSceneServices(s);
    ASSERT_TRUE(samples_.enter("every_window", GV_PROJECT_ROOT, true, true));
    GVFileOpenCB(kFileOpen | kFileScenes, "Showcase.gvs", win_);
    settle();
    ASSERT_EQ(win_->sceneName, "Showcase.gvs");
    GVHideNotesWindow();  // it covers the logic panel
    GObject* geo = GVGeoListOf(GVScene().geoList)->head;
    HObject* jel = world()->head;
    ASSERT_TRUE(geo && jel);
    GVAppSelection() = AppSelection{geo->id, jel->id};
    currentGeo_[0] = geo->id;
    currentJel_[0] = jel->id;
  }
  void TearDown() override {
    samples_.leave();
    EditorWindowTest::TearDown();
  }

  // Presses the selector bar's button of the editor code.
  void press(int code) {
    for (int i = 0; i < kEditorBarButtons; ++i)
      if (kEditorBarTable[i].code == code) click(win_->selectorBar->buttons[i]->face);
  }
  void open(int code) {
    if (!win_->editors[code] || !win_->editors[code]->isVisible()) press(code);
  }
  static void hide(HwDialogWindow* d) {
    auto* t = static_cast<HwDialogTemp*>(d);
    if (t && t->isVisible() && t->dismissButton) click(t->dismissButton->face);
  }

  // Every editor of the selector bar, the logic and vehicle panels in place,
  // and the creation dialogs of the Create menu: each shown, handed to visit
  // with its name and window, and closed again.
  void visitEveryWindow(const std::function<void(const std::string& what, HWND root)>& visit) {
    for (const GVEditorBarButton& b : kEditorBarTable) {
      if (b.code == kEditorLogicPanel || b.code == kEditorVehiclePanel) continue;
      press(b.code);
      ASSERT_NE(win_->editors[b.code], nullptr) << b.toolTip;
      visit(b.toolTip, win_->editors[b.code]->popup);
      hide(win_->editors[b.code]);
    }
    press(kEditorLogicPanel);
    ASSERT_NE(win_->logicPanel, nullptr);
    visit("logic panel", win_->logicPanel->frame->outer);
    press(kEditorLogicPanel);
    press(kEditorVehiclePanel);
    ASSERT_NE(win_->vehiclePanel, nullptr);
    visit("vehicle panel", win_->vehiclePanel->frame.outer);
    press(kEditorVehiclePanel);
    const struct {
      int dialog;
      const char* name;
      HwDialogWindow* (*of)(GVAppMainWin*);
    } creators[] = {
        {kCreateDialogSweptGeo, "swept Geo", [](GVAppMainWin* w) -> HwDialogWindow* { return w->createGeoVR; }},
        {kCreateDialogPlaneGeo, "plane Geo", [](GVAppMainWin* w) -> HwDialogWindow* { return w->createGeoPlane; }},
        {kCreateDialogBlockGeo, "block Geo", [](GVAppMainWin* w) -> HwDialogWindow* { return w->createGeoBlock; }},
        {kCreateDialogBlockJel, "block Jel", [](GVAppMainWin* w) -> HwDialogWindow* { return w->createJelDialog; }},
        {kCreateDialogJelFromGeo, "Jel from Geo",
         [](GVAppMainWin* w) -> HwDialogWindow* { return w->createGJelDialog; }},
    };
    for (const auto& c : creators) {
      win_->showCreateDialog(c.dialog, 0, GVAppSelection().geoId, GVAppSelection().jelId);
      ASSERT_NE(c.of(win_), nullptr) << c.name;
      visit(c.name, c.of(win_)->popup);
      hide(c.of(win_));
    }
  }

  SampleRoot samples_;
};
