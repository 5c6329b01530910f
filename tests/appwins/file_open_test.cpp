// The file dialogs of the main window wired to the scene files: a scene
// chosen in the files list opens in the running program and plays; the save
// dialog writes the scene under the typed name.
#include <unistd.h>

#include <filesystem>
#include <vector>

#include <OGRE/OgreEntity.h>
#include <OGRE/OgreManualObject.h>
#include <OGRE/OgreSceneManager.h>
#include <OGRE/OgreSubEntity.h>

#include "GVAppWins/ogre_view.h"
#include "GVAppWins/render_services.h"
#include "appwins/file_list.h"
#include "appwins/file_save.h"
#include "appwins/vehicle_panel.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "toolkit/choosers.h"
#include "main_window_fixture.h"
#include "platform/pixel_surface.h"
#include "scene/app_selection.h"
#include "scene/file_handlers.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"
#include "toolkit/object_names.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_file_services.h"

namespace fs = std::filesystem;

namespace {

class FileOpen : public MainWindowTest {
 public:
  void SetUp() override {
    MainWindowTest::SetUp();
    SceneServices s = GVSceneServices();
    s.showMessage = GVMessage;
    s.checkRenameName = GVCheckRenameName;
    GVSetSceneServices(s);
    GVInstallRenderServices();
    GVInstallMainWindowServices();
    old_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_open_" + std::to_string(getpid()));
    fs::create_directories(root_ / "GVSceneFiles");
    fs::copy(fs::path(GV_SOURCE_DIR) / "GVSceneFiles/Scenes", root_ / "GVSceneFiles/Scenes");
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
  }
  void TearDown() override {
    GVRemoveMainWindowServices();
    fs::current_path(old_);
    fs::remove_all(root_);
    MainWindowTest::TearDown();
  }
  static int count(bool jels) {
    int n = 0;
    if (jels)
      for (HObject* j = GVWorldOf(GVScene().world)->head; j; j = GVNextJel(j)) ++n;
    else
      for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next) ++n;
    return n;
  }
  // Clicks the scene's cell in the files list.
  void openFromList(const char* name) {
    win_->showFilesList(0x200);
    settle();
    HwListDlg* list = win_->fileList;
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(IsWindowVisible(list->popup));
    int cell = -1;
    for (int i = 0; i < list->count; ++i)
      if (std::string(list->item(i)) == name) cell = i;
    ASSERT_GE(cell, 0);
    RECT r = rectOf(list->listWindow);
    GVTestClick(r.left + (cell / list->rows) * list->cellWidth + list->cellWidth / 2,
                r.top + (cell % list->rows) * list->cellHeight + list->cellHeight / 2);
    settle();
  }
  fs::path old_, root_;
};

TEST_F(FileOpen, ChoosingASceneInTheFilesListOpensItAndItPlays) {
  const RECT view = rectOf(win_->view->window);
  std::vector<COLORREF> before;
  for (int y = view.top; y < view.bottom; y += 4)
    for (int x = view.left; x < view.right; x += 4) before.push_back(screen(x, y));
  ASSERT_NO_FATAL_FAILURE(openFromList("JelDrop.gvs"));

  EXPECT_EQ(count(true), 3);
  EXPECT_EQ(count(false), 2);
  EXPECT_EQ(win_->sceneName, "JelDrop.gvs");
  EXPECT_NE(win_->banner.find("JelDrop.gvs"), std::string::npos);
  EXPECT_EQ(GVAppSelection().geoId, GVGeoListOf(GVScene().geoList)->head->id);
  EXPECT_EQ(fs::current_path(), root_);
  HWorld* world = GVWorldOf(GVScene().world);
  EXPECT_EQ(world->params.currentFrame, 0);
  for (int32_t f = 1; f <= 30; ++f) GVStepFrame(f, 1);
  EXPECT_EQ(world->params.currentFrame, 30);
  win_->redrawView();
  settle();
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "file_open.png").c_str()));
  // The view shows the scene's walls and Jels where it showed none.
  size_t changed = 0, k = 0;
  for (int y = view.top; y < view.bottom; y += 4)
    for (int x = view.left; x < view.right; x += 4) changed += screen(x, y) != before[k++];
  EXPECT_GT(changed, 100u);

  // The save dialog writes the scene under the name typed into it.
  win_->showSaveDialog(0x210, win_->sceneName.c_str());
  settle();
  ASSERT_NE(win_->saveDialog, nullptr);
  win_->saveDialog->nameField->setText("Again");
  HwFileSave::saveCB(0, win_->saveDialog);
  settle();
  EXPECT_TRUE(fs::exists(root_ / "GVSceneFiles/Scenes/Again.gvs"));
  EXPECT_EQ(fs::current_path(), root_);
}

// The vehicle controls show for a scene with a vehicle, pointed at it.
TEST_F(FileOpen, OpeningTheVehicleSceneShowsTheVehicleControlsForItsVehicle) {
  HwVehicle* p = win_->vehiclePanel;
  const SceneServices saved = GVSceneServices();
  SceneServices s = saved;
  GVInstallVehicleFileServices(&s);
  GVSetSceneServices(s);
  openFromList("Vehicle2x2.gvs");
  GVSetSceneServices(saved);
  ASSERT_NE(GVScene().vehicle, nullptr);
  EXPECT_EQ(p->vehicle, GVScene().vehicle);
  EXPECT_TRUE(p->isVisible());
  // The sample's body is the builder's own 9 x 8, both axles driven.
  EXPECT_EQ(p->lengthField->editButton->getInt(), 9);
  EXPECT_EQ(p->widthField->editButton->getInt(), 8);
  EXPECT_EQ(p->driveWheels->selected, 1);
  GVDeleteVehicle();
}

// Merging a scene whose Jels bear the names of open ones: the merged Jels
// are not drawn (the status line says so) and deleting them leaves the
// originals their surfaces and lattices.
TEST_F(FileOpen, MergedJelsOfNamesInUseLeaveTheOriginalsTheirMirrors) {
  fs::copy(fs::path(GV_SOURCE_DIR) / "GVSceneFiles/ScenesMGVB", root_ / "GVSceneFiles/ScenesMGVB");
  GVFileOpenCB(kFileOpen | kFileScenes, "JelDrop.gvs", win_);
  settle();
  ASSERT_EQ(count(true), 3);
  std::vector<std::string> names;
  for (HObject* j = GVWorldOf(GVScene().world)->head; j; j = GVNextJel(j)) names.push_back(j->name ? j->name : "");
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  for (const std::string& n : names) ASSERT_TRUE(sm->hasEntity(n + "HENT")) << n;

  GVFileOpenCB(kFileOpen | kFileMGVB, "JelDropMerge.gvb", win_);
  settle();
  ASSERT_EQ(count(true), 6);
  for (int32_t id = 4; id <= 6; ++id) GVDeleteJels(GVScene().world, id);
  ASSERT_EQ(count(true), 3);
  for (const std::string& n : names) {
    EXPECT_TRUE(sm->hasEntity(n + "HENT")) << n;
    EXPECT_TRUE(sm->hasManualObject(n + "MO")) << n;
  }
}

// The display choosers on both render paths: every item of "Geo Dply" and
// "Jel Dply" switches surfaces, wireframes and lattices, and the view's pixels
// follow.
class DisplayChoosers : public FileOpen, public ::testing::WithParamInterface<uint32_t> {
 public:
  void SetUp() override {
    GVOgreEnabled = GetParam();
    FileOpen::SetUp();
  }
  void TearDown() override {
    FileOpen::TearDown();
    GVOgreEnabled = 1;
  }
  std::vector<uint32_t> viewPixels() {
    win_->redrawView();
    settle();
    RECT r = rectOf(win_->view->window);
    std::vector<uint32_t> px;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) px.push_back(screen(x, y));
    return px;
  }
  static size_t differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    size_t n = 0;
    for (size_t k = 0; k < a.size() && k < b.size(); ++k) n += a[k] != b[k];
    return n;
  }
};

TEST_P(DisplayChoosers, EveryItemShowsAndHidesItsDrawings) {
  GVFileOpenCB(kFileOpen | kFileScenes, "JelDrop.gvs", win_);
  settle();
  ASSERT_EQ(count(true), 3);
  const int modes[4] = {1, 2, 16, 32};
  for (bool jel : {false, true}) {
    HwDropDownCntrl* own = jel ? win_->jelDisplay : win_->geoDisplay;
    choose(jel ? win_->geoDisplay : win_->jelDisplay, 1);  // the other kind out of the way
    std::vector<std::vector<uint32_t>> shots;
    for (int item = 1; item <= 4; ++item) {
      choose(own, item);
      const CameraRec* cam = *win_->view->camera;
      ASSERT_EQ(jel ? cam->jelDisplayMode : cam->geoDisplayMode, modes[item - 1]);
      shots.push_back(viewPixels());
      if (!GVOgreEnabled) continue;
      const int m = modes[item - 1];
      const bool solid = m == 8 || m == 16 || m == 32, wire = m == 2 || m == 8 || m == 32;
      Ogre::SceneManager* sm = gOgreData->mSceneMgr;
      if (jel) {
        for (HObject* j = GVWorldOf(GVScene().world)->head; j; j = GVNextJel(j)) {
          const std::string n = j->name;
          EXPECT_EQ(sm->getEntity(n + "HENT")->getSubEntity(n + "HSUBMESH")->isVisible(), solid) << n << item;
          EXPECT_EQ(sm->getManualObject(n + "MO")->isVisible(), wire) << n << item;
        }
      } else {
        for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next) {
          const std::string n = g->name;
          Ogre::Entity* e = sm->getEntity(n + "GENT");
          EXPECT_EQ(e->getSubEntity(n + "GSUBMESH")->isVisible(), solid) << n << item;
          EXPECT_EQ(e->getSubEntity(n + "GSUBMESHDR")->isVisible(), wire) << n << item;
        }
      }
    }
    // Nothing, wire edges, surfaces and surfaces with outlines all look different.
    for (int a = 0; a < 4; ++a)
      for (int b = a + 1; b < 4; ++b) EXPECT_GT(differing(shots[a], shots[b]), 0u) << jel << a << b;
  }
}

INSTANTIATE_TEST_SUITE_P(BothPaths, DisplayChoosers, ::testing::Values(1u, 0u));

}  // namespace
