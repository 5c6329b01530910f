// The file dialogs of the main window wired to the scene files: a scene
// chosen in the files list opens in the running program and plays; the save
// dialog writes the scene under the typed name.
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include <OGRE/OgreEntity.h>
#include <OGRE/OgreManualObject.h>
#include <OGRE/OgreSceneManager.h>
#include <OGRE/OgreSubEntity.h>
#include <OGRE/OgreSubMesh.h>
#include <OGRE/OgreHardwareBufferManager.h>

#include "camera/camera_record.h"
#include "GVAppWins/info_panels.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/render_services.h"
#include "appwins/file_list.h"
#include "appwins/file_save.h"
#include "appwins/notes_window.h"
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
#include "toolkit/title_bar.h"
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
    ASSERT_TRUE(samples_.enter("open", GV_SOURCE_DIR));
  }
  void TearDown() override {
    GVRemoveMainWindowServices();
    samples_.leave();
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
  // The vehicle sample, read with the vehicle's file services in the table.
  void openVehicleSample() {
    const SceneServices saved = GVSceneServices();
    SceneServices s = saved;
    GVInstallVehicleFileServices(&s);
    GVSetSceneServices(s);
    openFromList("Vehicle2x2.gvs");
    GVSetSceneServices(saved);
  }
  static void centreOf(const HObject* j, float c[3]) {
    c[0] = c[1] = c[2] = 0.0f;
    for (int32_t i = 1; i <= j->nodeCount; ++i)
      for (int k = 0; k < 3; ++k) c[k] += j->pos[i][k] / float(j->nodeCount);
  }
  SampleRoot samples_;
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
  EXPECT_EQ(fs::current_path(), samples_.root);
  HWorld* world = GVWorldOf(GVScene().world);
  EXPECT_EQ(world->params.currentFrame, 0);
  for (int32_t f = 1; f <= 30; ++f) GVStepFrame(f, 1);
  EXPECT_EQ(world->params.currentFrame, 30);
  win_->redrawView();
  settle();
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (samples_.back / "file_open.png").c_str()));
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
  EXPECT_TRUE(fs::exists(samples_.root / "GVSceneFiles/Scenes/Again.gvs"));
  EXPECT_EQ(fs::current_path(), samples_.root);
}

// The vehicle controls show for a scene with a vehicle, pointed at it.
TEST_F(FileOpen, OpeningTheVehicleSceneShowsTheVehicleControlsForItsVehicle) {
  HwVehicle* p = win_->vehiclePanel;
  openVehicleSample();
  ASSERT_NE(GVScene().vehicle, nullptr);
  EXPECT_EQ(p->vehicle, GVScene().vehicle);
  EXPECT_TRUE(p->isVisible());
  // The sample's body is the builder's own 9 x 8, both axles driven.
  EXPECT_EQ(p->lengthField->editButton->getInt(), 9);
  EXPECT_EQ(p->widthField->editButton->getInt(), 8);
  EXPECT_EQ(p->driveWheels->selected, 1);
  GVDeleteVehicle();
}

// The node positions in a Jel's surface buffer (its front copy).
std::vector<std::array<float, 3>> surfaceNodes(HObject* j) {
  std::vector<std::array<float, 3>> out;
  Ogre::SubEntity* surface = GVOgreJelSurface(j->handle);
  if (!surface) return out;
  Ogre::HardwareVertexBufferSharedPtr buf = surface->getSubMesh()->vertexData->vertexBufferBinding->getBuffer(0);
  std::vector<char> raw(buf->getSizeInBytes());
  buf->readData(0, raw.size(), raw.data());
  for (int32_t i = 0; i < j->nodeCount; ++i) {
    std::array<float, 3> p;
    std::memcpy(p.data(), raw.data() + i * buf->getVertexSize(), sizeof p);
    out.push_back(p);
  }
  return out;
}

float largestGap(HObject* j) {
  const std::vector<std::array<float, 3>> drawn = surfaceNodes(j);
  if (drawn.size() != size_t(j->nodeCount)) return 1e9f;
  float worst = 0.0f;
  for (int32_t i = 1; i <= j->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) worst = std::max(worst, std::fabs(drawn[i - 1][k] - j->pos[i][k]));
  return worst;
}

// The vehicle scene's notes stand beside the view, clear of the vehicle
// controls and inside the main window, when the scene opens, when the
// controls are toggled and after the main window is restored and maximised.
TEST_F(FileOpen, SceneNotesKeepClearOfTheVehiclePanel) {
  openVehicleSample();
  HWND notes = FindWindowA("DialogWindowClass", "Gelvane Scene Notes");
  ASSERT_TRUE(notes);
  auto clear = [&](const char* when) {
    settle();
    ASSERT_TRUE(IsWindowVisible(notes)) << when;
    const RECT n = rectOf(notes), v = rectOf(win_->vehiclePanel->frame.outer), m = rectOf(win_->client);
    const bool meets = n.left < v.right && v.left < n.right && n.top < v.bottom && v.top < n.bottom;
    if (win_->vehiclePanel->isVisible()) {
      EXPECT_FALSE(meets) << when << n << v;
    }
    EXPECT_TRUE(n.left >= m.left && n.top >= m.top && n.right <= m.right && n.bottom <= m.bottom) << when << n << m;
  };
  ASSERT_TRUE(win_->vehiclePanel->isVisible());
  clear("opened");
  win_->showVehiclePanel(0);
  clear("controls hidden");
  win_->showVehiclePanel(1);
  clear("controls shown");
  // The window opens over the work area: the button restores, then maximises.
  click(win_->titleBar->maximiseButton->face);
  ASSERT_LT(rectOf(win_->frame).right, 1920);
  clear("restored");
  click(win_->titleBar->maximiseButton->face);
  clear("maximised");
  GVDeleteVehicle();
}

// Merging a scene whose Jels bear the names of open ones: every Jel is drawn
// from its own nodes, a moved one shows where it now is in the move tool's
// read-out, and deleting one of a pair leaves the other drawn.
TEST_F(FileOpen, JelsSharingANameAreEachDrawnFromTheirOwnNodes) {
  fs::copy(fs::path(GV_SOURCE_DIR) / "GVSceneFiles/ScenesMGVB", samples_.root / "GVSceneFiles/ScenesMGVB");
  GVFileOpenCB(kFileOpen | kFileScenes, "JelDrop.gvs", win_);
  settle();
  ASSERT_EQ(count(true), 3);
  GVFileOpenCB(kFileOpen | kFileMGVB, "JelDropMerge.gvb", win_);
  settle();
  ASSERT_EQ(count(true), 6);
  HWorld* world = GVWorldOf(GVScene().world);
  HObject* b = GVGetJelById(world, 2);
  HObject* twin = GVGetJelById(world, 5);
  ASSERT_TRUE(b && twin);
  ASSERT_STREQ(b->name, twin->name);
  for (HObject* j = world->head; j; j = GVNextJel(j)) ASSERT_NE(GVOgreJelSurface(j->handle), nullptr) << j->id;

  // The move tool drags the first of the pair by its centre handle.
  GVManipulator* m = win_->view->manipulator;
  ASSERT_EQ(GVManipulatorAttach(win_->view, 1, 0, b->id), 1);
  float before[3], at[3];
  centreOf(b, before);
  GVManipWorldToPixel(m, m->position, at);
  ASSERT_EQ(GVManipPress(m, at[0], at[1]), 1);
  ASSERT_EQ(m->handle, 4);
  GVManipDrag(m, at[0] + 120, at[1]);
  GVManipRelease(m);
  float moved[3];
  centreOf(b, moved);
  ASSERT_GT(std::fabs(moved[0] - before[0]), 0.5f);
  // The read-out gives the centre where the Jel now is.
  GVTransformReadoutText text;
  ASSERT_EQ(GVTransformReadout(win_->view, &text), 1);
  float shown[3];
  ASSERT_EQ(std::sscanf(text.value, "position: (%f, %f, %f)", &shown[0], &shown[1], &shown[2]), 3) << text.value;
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(shown[k], moved[k], 0.01f) << k;

  for (int32_t f = 1; f <= 3; ++f) GVStepFrame(f, 1);
  EXPECT_GT(std::fabs(b->pos[1][0] - twin->pos[1][0]), 0.5f);
  for (HObject* j = world->head; j; j = GVNextJel(j)) EXPECT_LT(largestGap(j), 1e-5f) << j->id;

  // The third Jel's twin stays drawn once the third goes: the view around it
  // changes when the twin goes too.
  HObject* third = GVGetJelById(world, 6);
  float c[3];
  centreOf(third, c);
  const POINT p = onScreen(c);
  auto around = [&] {
    win_->redrawView();
    settle();
    std::vector<COLORREF> px;
    for (int y = p.y - 6; y <= p.y + 6; ++y)
      for (int x = p.x - 6; x <= p.x + 6; ++x) px.push_back(screen(x, y));
    return px;
  };
  GVDeleteJels(GVScene().world, 3);
  ASSERT_NE(GVOgreJelSurface(third->handle), nullptr);
  EXPECT_LT(largestGap(third), 1e-5f);
  const std::vector<COLORREF> drawn = around();
  GVDeleteJels(GVScene().world, 6);
  const std::vector<COLORREF> gone = around();
  size_t differ = 0;
  for (size_t k = 0; k < drawn.size(); ++k) differ += drawn[k] != gone[k];
  EXPECT_GT(differ, drawn.size() / 2);
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
