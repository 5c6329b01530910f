// The file dialogs of the main window wired to the scene files: a scene
// chosen in the files list opens in the running program and plays; the save
// dialog writes the scene under the typed name.
#include <unistd.h>

#include <filesystem>
#include <vector>

#include <OGRE/OgreSceneManager.h>

#include "GVAppWins/ogre_view.h"
#include "GVAppWins/render_services.h"
#include "appwins/file_list.h"
#include "appwins/file_save.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "main_window_fixture.h"
#include "platform/pixel_surface.h"
#include "scene/app_selection.h"
#include "scene/file_handlers.h"
#include "scene/frame_driver.h"
#include "scene/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "toolkit/messages.h"
#include "toolkit/object_names.h"

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
  fs::path old_, root_;
};

TEST_F(FileOpen, ChoosingASceneInTheFilesListOpensItAndItPlays) {
  const RECT view = rectOf(win_->view->window);
  std::vector<COLORREF> before;
  for (int y = view.top; y < view.bottom; y += 4)
    for (int x = view.left; x < view.right; x += 4) before.push_back(screen(x, y));
  win_->showFilesList(0x200);
  settle();
  HwListDlg* list = win_->fileList;
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(IsWindowVisible(list->popup));
  int cell = -1;
  for (int i = 0; i < list->count; ++i)
    if (std::string(list->item(i)) == "JelDrop.gvs") cell = i;
  ASSERT_GE(cell, 0);
  RECT r = rectOf(list->listWindow);
  GVTestClick(r.left + (cell / list->rows) * list->cellWidth + list->cellWidth / 2,
              r.top + (cell % list->rows) * list->cellHeight + list->cellHeight / 2);
  settle();

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

}  // namespace
