#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "GVAppWins/render_services.h"
#include "GVAppWins/view_links.h"
#include "appwins/file_save.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "editors/editor_entries.h"
#include "editors/editor_fixture.h"
#include "editors/export_dialog.h"
#include "editors/walls_dialog.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "platform/pixel_surface.h"
#include "scene/app_selection.h"
#include "scene/file_handlers.h"
#include "scene/frame_driver.h"
#include "scene/geo_editor_callbacks.h"
#include "geo/geo_list_services.h"
#include "scene/menu_commands.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"

namespace fs = std::filesystem;

namespace {

struct WallsCall {
  int direction, code;
  float value;
};
std::vector<WallsCall> gWalls;

class WallsExport : public EditorWindowTest {
 public:
  void SetUp() override {
    SetUpEditors(true, false);
    gWalls.clear();
    old_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_export_" + std::to_string(getpid()));
    fs::create_directories(root_ / "GVSceneFiles/Scenes");
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(root_);
    EditorWindowTest::TearDown();
    GVExportSelection() = AppSelection{};
  }
  // The walls editor's reports, recorded on their way to the application.
  static void record(int32_t direction, int32_t code, float value, void* user) {
    gWalls.push_back({direction, code, value});
    GVWallsDlgCB(direction, code, value, user);
  }
  // Selects the field's text and types a value with Enter.
  static void type(HwBaseControl& field, const char* text) {
    click(field.editButton->edit->window, 2);
    for (const char* c = text; *c; ++c) GVTestKeyPress(*c == '.' ? VK_OEM_PERIOD : *c);
    GVTestKeyPress(VK_RETURN);
    settle();
  }
  static float shown(HwBaseControl& field) { return field.editButton->edit->getFloat(); }
  std::vector<COLORREF> viewPixels() {
    const RECT v = rectOf(win_->view->window);
    std::vector<COLORREF> p;
    for (int y = v.top; y < v.bottom; y += 4)
      for (int x = v.left; x < v.right; x += 4) p.push_back(screen(x, y));
    return p;
  }
  static int countGeos() {
    int n = 0;
    for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next) ++n;
    return n;
  }
  static int countJels() {
    int n = 0;
    for (HObject* j = GVWorldOf(GVScene().world)->head; j; j = GVNextJel(j)) ++n;
    return n;
  }
  HObject* addJel(int32_t id, float y) {
    const float corner[3] = {-1.0f, y, -1.0f};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, id, -9.81f);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  void addGeo(int32_t id) {
    GObject* g = geotest::makeGeo(id, ("G" + std::to_string(id)).c_str(),
                                  geotest::boxCorners({-1, 0, -1}, {1, 1, 1}), geotest::boxTriangles());
    g->handle = new ObjHandle{g};
    GVAddGeoToScene(GVScene().geoList, g->handle);
  }

  fs::path old_, root_;
};

TEST_F(WallsExport, WallsEditorRefusesCrossedLimitsAndTheWallsHoldTheJel) {
  GVEditorFrameCB(kEditorWalls, win_);
  auto* w = static_cast<HwWalls*>(win_->editors[kEditorWalls]);
  ASSERT_NE(w, nullptr);
  settle();
  EXPECT_STREQ(w->helpTopic, "dlg_walls");
  w->owner = record;
  float* b = GVScene().bounds;
  HwBaseControl &upperY = w->fields[0], &upperX = w->fields[1], &lowerY = w->fields[5];
  EXPECT_EQ(shown(upperY), 24.0f);

  type(lowerY, "24");  // equal is not below
  EXPECT_EQ(b[2], 0.0f);
  EXPECT_EQ(shown(lowerY), 0.0f);  // the old limit again
  EXPECT_TRUE(gWalls.empty());
  type(lowerY, "23.5");
  EXPECT_EQ(b[2], 23.5f);
  ASSERT_EQ(gWalls.size(), 1u);
  EXPECT_EQ(gWalls[0].code, 8);
  EXPECT_EQ(gWalls[0].value, 23.5f);

  click(upperX.editButton->downButton->face);
  EXPECT_EQ(b[1], 11.0f);
  EXPECT_EQ(shown(upperX), 11.0f);
  ASSERT_EQ(gWalls.size(), 2u);
  EXPECT_EQ(gWalls[1].direction, -1);
  EXPECT_EQ(gWalls[1].code, 1);
  type(w->fields[2], "11");  // Lower X: not below the upper limit
  EXPECT_EQ(b[0], -12.0f);
  EXPECT_EQ(shown(w->fields[2]), -12.0f);
  EXPECT_EQ(gWalls.size(), 2u);

  // The frame callback keeps a dropped Jel above the raised floor.
  type(lowerY, "2");
  EXPECT_EQ(b[2], 2.0f);
  HObject* jel = addJel(1, 10.0f);
  for (int32_t f = 0; f <= 300; ++f) GVStepFrame(f, 1);
  EXPECT_GE(LowestY(jel), 2.0f - 1e-4f);
  EXPECT_LT(LowestY(jel), 2.5f);  // it came down to the floor

  // The view shows the walls rebuilt below the old top.
  win_->redrawView();
  settle();
  const std::vector<COLORREF> before = viewPixels();
  type(upperY, "10");
  EXPECT_EQ(b[3], 10.0f);
  EXPECT_EQ(gWalls.back().code, 4);
  settle();
  const std::vector<COLORREF> after = viewPixels();
  size_t changed = 0;
  for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
  EXPECT_GT(changed, 100u);
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "walls_editor.png").c_str()));
}

TEST_F(WallsExport, ExportDialogChoosesExportsTheChosenObjectsAndClears) {
  {  // Without Geos the Geo chooser reads NONE and its arrows change nothing.
    GeoList empty{};
    ObjHandle cell{&empty};
    HwExport none(10, &cell, GVScene().world, 0, 0, GVExportCB, win_);
    click(none.geoChooser->nextButton->face);
    EXPECT_STREQ(none.geoChooser->textBox->text, "NONE");
    EXPECT_EQ(none.geoChoice, 0);
  }
  addGeo(1);
  addGeo(2);
  addJel(1, 2.0f);
  addJel(2, 6.0f);
  GVAppSelection() = AppSelection{2, 1};
  GVMenuCommand(kMenuFile, 8, 0, win_);
  auto* d = static_cast<HwExport*>(win_->editors[kEditorExport]);
  ASSERT_NE(d, nullptr);
  settle();
  EXPECT_TRUE(IsWindowVisible(d->popup));
  EXPECT_STREQ(d->geoChooser->textBox->text, "G2  {2}");
  EXPECT_EQ(d->jelChoice, 1);
  EXPECT_NE(std::string(d->jelChooser->textBox->text).find("{1}"), std::string::npos);

  // Past the last Geo come the group selections, then the first Geo again.
  int groups = 0;
  for (int i = 0; i < 40 && d->geoChoice != 1; ++i) {
    click(d->geoChooser->nextButton->face);
    if (d->geoChoice < 0) ++groups;
  }
  EXPECT_GE(groups, 1);
  ASSERT_EQ(d->geoChoice, 1);
  EXPECT_STREQ(d->geoChooser->textBox->text, "G1  {1}");
  EXPECT_EQ(currentGeo_[0], 1);
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "export_dialog.png").c_str()));

  click(d->exportButton->face);
  settle();
  ASSERT_NE(win_->saveDialog, nullptr);
  EXPECT_STREQ(win_->saveDialog->nameField->text, "XPRTD_g1h1");
  HwFileSave::saveCB(0, win_->saveDialog);
  settle();
  const fs::path file = root_ / "GVSceneFiles/Scenes/XPRTD_g1h1.gvs";
  EXPECT_TRUE(fs::exists(file));
  ASSERT_FALSE(editortest::gStatus.empty());
  EXPECT_EQ(editortest::gStatus.back().rfind("Scene objects exported to file", 0), 0u);
  EXPECT_FALSE(IsWindowVisible(d->popup));

  GVMenuCommand(kMenuFile, 8, 0, win_);
  EXPECT_TRUE(IsWindowVisible(d->popup));
  click(d->clearButton->face);
  EXPECT_STREQ(d->geoChooser->textBox->text, "NONE");
  EXPECT_STREQ(d->jelChooser->textBox->text, "NONE");
  EXPECT_EQ(GVExportSelection().geoId, 0);
  EXPECT_EQ(GVExportSelection().jelId, 0);

  // The exported scene holds just the chosen Geo and Jel.
  GVFileOpenCB(kFileOpen | kFileScenes, "XPRTD_g1h1.gvs", win_);
  settle();
  EXPECT_EQ(countGeos(), 1);
  EXPECT_EQ(countJels(), 1);
}

}  // namespace
