#include <vector>

#include "appwins/editor_bar.h"
#include "appwins/editor_opener.h"
#include "appwins/help_window.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_object.h"
#include "main_window_fixture.h"
#include "scene/app_selection.h"
#include "geo/geo_list_services.h"
#include "scene/scene_records.h"
#include "toolkit/buttons.h"
#include "toolkit/dialog_window.h"
#include "toolkit/time_bar.h"

namespace {

using EditorBar = MainWindowTest;

constexpr int kTableX[kEditorBarButtons] = {1, 30, 59, 88, 117, 146, 185, 214, 243, 272, 301, 340, 379, 408, 437, 466};
constexpr int kTableCode[kEditorBarButtons] = {1, 2, 3, 4, 5, 6, 7, 9, 10, 15, 11, 12, 13, 14, 16, 17};

std::vector<int> gCodes;
int recordCode(int code, void*) {
  gCodes.push_back(code);
  return 0;
}

int gAllocations = 0;
HwBMButton* failFourth() { return ++gAllocations == 4 ? nullptr : new HwBMButton(); }

RECT viewPlace(const GVView* v) {
  RECT r = MainWindowTest::place(v->window);
  r.bottom += kViewStripHeight;
  return r;
}

TEST_F(EditorBar, SixteenButtonsSendTheirCodesAndShowTheirPressedFace) {
  GVEditorBar* bar = win_->selectorBar;
  ASSERT_TRUE(bar);
  EXPECT_EQ(place(bar->frame.window), (RECT{711, 30, 502, 38}));
  EXPECT_EQ(place(bar->inner), (RECT{714, 33, 496, 32}));
  for (int i = 0; i < kEditorBarButtons; ++i) {
    ASSERT_TRUE(bar->buttons[i]) << i;
    EXPECT_EQ(place(bar->buttons[i]->face), (RECT{714 + kTableX[i], 34, 30, 30})) << i;
  }
  EXPECT_STREQ(bar->buttons[7]->toolTip, "Geo Group Editor");
  EXPECT_STREQ(bar->buttons[9]->label, "Atc");

  EXPECT_EQ(bar->owner, GVEditorFrameCB);  // the dialog opener, given the main window
  EXPECT_EQ(bar->user, win_);
  gCodes.clear();
  bar->owner = recordCode;
  for (HwBMButton* b : bar->buttons) clickCentre(b->face);
  EXPECT_EQ(gCodes, std::vector<int>(kTableCode, kTableCode + kEditorBarButtons));

  // The face's top edge: the light bevel of the first bitmap at rest, the
  // dark one of the second while held.
  const RECT r = rectOf(bar->buttons[0]->face);
  EXPECT_EQ(screen(r.left + 5, r.top), RGB(170, 170, 170));
  GVTestMouseDown(r.left + 15, r.top + 15);
  settle();
  EXPECT_EQ(screen(r.left + 5, r.top), RGB(35, 35, 35));
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "editor_bar_held.png"));
  GVTestMouseUp(r.left + 15, r.top + 15);
  settle();
  EXPECT_EQ(screen(r.left + 5, r.top), RGB(170, 170, 170));
  EXPECT_TRUE(GVSaveScreenPng("editor_bar.png"));
}

TEST_F(EditorBar, AButtonThatCouldNotBeMadeLeavesNoGap) {
  gAllocations = 0;
  GVSetEditorButtonAllocator(failFourth);
  GVEditorBar bar;
  GVBuildEditorFrame(&bar, win_->client, win_);
  GVSetEditorButtonAllocator(nullptr);
  EXPECT_EQ(bar.buttons[3], nullptr);
  const RECT inner = rectOf(bar.inner);
  for (int i = 4; i < kEditorBarButtons; ++i) {
    ASSERT_TRUE(bar.buttons[i]);
    EXPECT_EQ(rectOf(bar.buttons[i]->face).left - inner.left, kTableX[i] - 29) << i;
  }
  GVFreeEditorFrame(&bar);
  DestroyWindow(bar.frame.window);
}

TEST_F(EditorBar, SidePanelButtonsToggleInPlaceAndOtherCodesWithoutEditorDoNothing) {
  GVEditorBar* bar = win_->selectorBar;
  clickCentre(bar->buttons[12]->face);  // "Constraint Editor"
  EXPECT_EQ(viewPlace(win_->view).right, 1382);
  clickCentre(bar->buttons[12]->face);
  EXPECT_EQ(viewPlace(win_->view).right, 1857);
  clickCentre(bar->buttons[13]->face);  // "Vehicle Controls"
  EXPECT_FALSE(IsWindowVisible(win_->timeBar->frame.window));
  clickCentre(bar->buttons[13]->face);
  EXPECT_TRUE(IsWindowVisible(win_->timeBar->frame.window));

  for (HwBMButton* b : bar->buttons)
    if (b != bar->buttons[12] && b != bar->buttons[13]) clickCentre(b->face);
  for (int code : {0, 8, 18}) EXPECT_EQ(GVEditorFrameCB(code, win_), 0);
  for (HwDialogWindow* e : win_->editors) EXPECT_EQ(e, nullptr);
  EXPECT_EQ(viewPlace(win_->view).right, 1857);
}

// A stand-in editor: a dialog made at the opener's place with its ids.
struct Made {
  int count = 0;
  GVEditorArgs args;
  int refreshedGeo = -1;
};
Made gMade;

GVEditorEntry testEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* {
    ++gMade.count;
    gMade.args = a;
    auto* d = new HwDialogTemp(GetModuleHandleA(nullptr), "Walls", a.x, 100, 300, 200, kEditorFrameStyle, 0, nullptr,
                               GVShowHelpPage, a.main);
    GVSetEditorHelpTopic(d, "dlg_walls");
    d->show();
    return d;
  };
  e.refresh = [](HwDialogWindow*, int32_t geoId, int32_t) { gMade.refreshedGeo = geoId; };
  return e;
}

TEST_F(EditorBar, OpenerMakesAnEditorOnceThenHidesAndShowsIt) {
  gMade = Made{};
  ASSERT_EQ(GVInstallEditorEntry(kEditorWalls, testEntry(), "test"), 1);
  EXPECT_EQ(GVInstallEditorEntry(kEditorWalls, testEntry(), "other"), 0);  // one owner per entry
  EXPECT_EQ(GVInstallEditorEntry(kEditorLogicPanel, testEntry(), "test"), 0);
  HwBMButton* walls = win_->selectorBar->buttons[11];

  clickCentre(walls->face);
  HwDialogWindow* editor = win_->editors[kEditorWalls];
  ASSERT_TRUE(editor);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(rectOf(editor->popup).left, 1140);
  EXPECT_STREQ(editor->helpTopic, "dlg_walls");
  EXPECT_EQ(gMade.args.geoId, 0);  // empty Geo list
  clickCentre(walls->face);
  EXPECT_FALSE(editor->isVisible());
  clickCentre(walls->face);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(gMade.count, 1);
  EXPECT_EQ(win_->editors[kEditorWalls], editor);

  // A locked dialog stays with a beep.
  const unsigned beeps = GVTestBeepCount();
  editor->lock = 1;
  clickCentre(walls->face);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  editor->lock = 0;

  win_->updatePanels(3, 0);
  EXPECT_EQ(gMade.refreshedGeo, 3);
  GVRemoveEditorEntry(kEditorWalls);
}

TEST_F(EditorBar, EditorsStartWithTheFirstGeoWhenNoneIsCurrent) {
  gMade = Made{};
  GObject* g = geotest::makeBareGeo(4, "G4");
  g->handle = new ObjHandle{g};
  GVAddGeoToScene(GVScene().geoList, g->handle);
  GVInstallEditorEntry(kEditorRender, testEntry(), "test");
  GVEditorFrameCB(kEditorRender, win_);
  EXPECT_EQ(gMade.args.geoId, 4);
  EXPECT_EQ(GVAppSelection().geoId, 0);  // the default is not stored
  GVRemoveEditorEntry(kEditorRender);
}

}  // namespace
