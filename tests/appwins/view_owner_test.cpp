#include "appwins/view_owner.h"

#include <cmath>
#include <string>
#include <vector>

#include <OGRE/Ogre.h>

#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/ogre_view.h"
#include "appwins/editor_opener.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "geo/geo_binding.h"
#include "geo/geo_fixtures.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "logic/effects_cmds.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "main_window_fixture.h"
#include "scene/app_selection.h"
#include "geo/geo_list_services.h"
#include "scene/menu_commands.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/chase_camera.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_record.h"

namespace {

std::vector<std::string> gStatus;

// The main window with its scene services; status lines are recorded.
class ViewEvents : public MainWindowTest {
 protected:
  void SetUp() override {
    // The view's current-object records, as the program links them.
    GVViewSceneLinks links;
    links.currentGeo = currentGeo_;
    links.currentJel = currentJel_;
    GVSetViewSceneLinks(links);
    MainWindowTest::SetUp();
    GVInstallMainWindowServices();
    SceneServices s = GVSceneServices();
    s.showStatusLine = [](const char* text) { gStatus.push_back(text); };
    s.beep = [] { MessageBeep(MB_ICONHAND); };
    GVSetSceneServices(s);
    gStatus.clear();
  }
  void TearDown() override {
    if (GVScene().vehicle) GVDeleteSceneVehicle();
    GVScene().vehicle = nullptr;
    GVRemoveMainWindowServices();
    GVDriveInputs() = DriveInputs();
    GVVehicleChaseCam() = VehicleChaseCam();
    GVAppSelection() = AppSelection();
    MainWindowTest::TearDown();
    GVFrameClock() = FrameClock();
    GVSetViewSceneLinks(GVViewSceneLinks());
  }
  int send(int mask, intptr_t id = 0, int source = 0) { return GVViewOwnerCB(source, mask, id, 0, win_); }
  HWorld* world() { return *GVScene().world; }
  // A block of n x n x n cells of size 1 with its lowest corner at (x, 1, 0).
  HObject* addJel(int32_t id, int n, float x) {
    const float corner[3] = {x, 1.0f, 0.0f};
    HObject* j = MakeDropJel(n, n, n, 1.0f, corner, id, 0.0f);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  GObject* addGeo(int32_t id, geotest::V3 lo, geotest::V3 hi) {
    GObject* g = geotest::makeGeo(id, ("G" + std::to_string(id)).c_str(), geotest::boxCorners(lo, hi),
                                  geotest::boxTriangles());
    g->handle = new ObjHandle{g};
    GVAddGeoToScene(GVScene().geoList, g->handle);
    return g;
  }
  void addVehicle(int32_t chassis) {
    GVScene().vehicle = GVNewVehicle();
    VehicleRec* v = GVVehicleOf(GVScene().vehicle);
    GVVehicleSetWorld(v, world());
    v->chassisJel = chassis;
  }
  static void shiftJel(HObject* j, float dx) {
    for (int32_t i = 1; i <= j->nodeCount; ++i) j->pos[i][0] += dx;
  }
  int32_t currentGeo_[3] = {};
  int32_t currentJel_[3] = {};
};

const char* const kJelRebound = "JEL object sucessfully RE-MASSOCD with GEO object ... and JEL object RE-ALIGNED";
const char* const kGeoRebound = "GEO object sucessfully RE-MASSOCD with JEL object ... and JEL object RE-ALIGNED";
const char* const kTooFar = "Warning: bad association: GEO object too far outside JEL object";

TEST_F(ViewEvents, RealignedJelBindsItsGeoAgainOnlyInNaturalState) {
  HObject* jel = addJel(1, 2, -1.0f);
  ASSERT_EQ(jel->nodeCount, 27);
  GObject* cube = addGeo(1, {-0.5f, 1.5f, 0.5f}, {0.5f, 2.5f, 1.5f});
  GVUpdateJelDeform(jel, 0);
  ASSERT_EQ(GVMassocGeo(cube, jel), 0);
  ASSERT_EQ(cube->jelId, 1);
  world()->params.stateMode = -1;

  shiftJel(jel, 0.25f);
  send(kViewJelRealigned, 1);
  EXPECT_EQ(gStatus, std::vector<std::string>{kJelRebound});
  EXPECT_TRUE(cube->flags & GEO_FLAG_BOUND);
  gStatus.clear();
  shiftJel(jel, 0.25f);  // the realignment stepped the scene back to its restart frame
  send(kViewGeoPlacement, 1);
  EXPECT_EQ(gStatus, std::vector<std::string>{kGeoRebound});

  const unsigned beeps = GVTestBeepCount();
  gStatus.clear();
  shiftJel(jel, 100.0f);
  send(kViewJelRealigned, 1);
  EXPECT_EQ(gStatus, std::vector<std::string>{kTooFar});
  EXPECT_TRUE(cube->flags & GEO_FLAG_BOUND);  // the bound flag stays
  EXPECT_EQ(GVTestBeepCount(), beeps);        // no beep for the Jel event
  gStatus.clear();
  shiftJel(jel, 100.0f);
  send(kViewGeoPlacement, 1);
  EXPECT_EQ(gStatus, std::vector<std::string>{kTooFar});
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);

  // Outside natural-state mode nothing is bound again.
  cube->flags &= ~uint32_t(GEO_FLAG_TOO_FAR_OUTSIDE);
  world()->params.stateMode = 0;
  gStatus.clear();
  send(kViewGeoPlacement, 1);
  EXPECT_TRUE(gStatus.empty());
  EXPECT_FALSE(cube->flags & GEO_FLAG_TOO_FAR_OUTSIDE);
}

TEST_F(ViewEvents, NewJelGetsItsRenderObjectsAndBecomesCurrent) {
  HObject* jel = addJel(4, 1, 0.0f);
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  const std::string entity = GVOgreJelBaseName(jel->handle) + "HENT";
  ASSERT_FALSE(sm->hasEntity(entity));
  for (int pass = 0; pass < 2; ++pass) {  // the second time as for a Jel made again
    send(kViewJelCreated, 4);
    EXPECT_TRUE(sm->hasEntity(entity));
  }
  EXPECT_EQ(win_->view->currentJel[0], 4);
  EXPECT_EQ(GVAppSelection().jelId, 4);
}

TEST_F(ViewEvents, DrivingEventsSteerAndShiftANonEmptyVehicle) {
  DriveInputs& in = GVDriveInputs();
  send(kViewDriveForward);  // no vehicle: nothing
  EXPECT_EQ(in.gear, 0);
  EXPECT_EQ(send(kViewVehicleQuery), 0);

  addJel(1, 1, 0.0f);
  addVehicle(1);
  GVFrameClock().running = 1;
  EXPECT_EQ(send(kViewVehicleQuery), 3);

  send(kViewSteerDrag, 33);
  EXPECT_FLOAT_EQ(in.steerTarget, 5.0f);
  send(kViewSteerDrag, 400);
  EXPECT_EQ(in.steerTarget, 50.0f);
  send(kViewSteerDrag, -2000);
  EXPECT_EQ(in.steerTarget, -50.0f);
  send(kViewDriveKeys, 1);
  EXPECT_EQ(in.steerTarget, -40.0f);

  send(kViewDriveForward);
  EXPECT_EQ(in.gear, 1);
  EXPECT_EQ(in.throttle, 1.0f);
  EXPECT_EQ(in.driveMode, 2);
  send(kViewDriveKeys, -2);
  EXPECT_EQ(in.gear, 1);
  EXPECT_FLOAT_EQ(in.throttle, 0.8f);
  in.throttle = 0.05f;
  send(kViewDriveKeys, -2);
  EXPECT_EQ(in.gear, -1);
  EXPECT_FLOAT_EQ(in.throttle, 0.15f);

  send(kViewDriveNeutral);
  EXPECT_EQ(in.gear, 0);
  EXPECT_EQ(in.driveMode, 1);
  in.throttle = 0.05f;
  send(kViewDriveReverse);
  EXPECT_EQ(in.gear, -1);
  EXPECT_EQ(in.throttle, 1.0f);

  CameraRec* cam = *win_->view->camera;
  cam->fov = 3.14159265f / 6.0f;
  send(kViewCamFov);
  EXPECT_NEAR(GVVehicleChaseCam().fov, 30.0f, 1e-4f);
}

TEST_F(ViewEvents, NextJelWrapsOverTheSelectableJelsAndLogicPickTakesTheCurrentOne) {
  addJel(1, 1, -6.0f);
  addJel(2, 1, 0.0f)->setGroupBit(-1, 0);  // not selectable
  addJel(3, 1, 6.0f);
  // The main program's GEOPOINTER line names Geo 7, which goes to the chosen Jel's centre.
  GObject* pointer = addGeo(7, {0, 0, 0}, {1, 1, 1});
  LogicSystem* logic = GVScene().logic;
  ASSERT_TRUE(logic);
  GVLogicClearProgram(logic, 1);  // the logic window gave "Main" its first lines
  LogicLine* line = GVLogicInsertLineAfter(logic, 1, nullptr);
  ASSERT_TRUE(line);
  line->category = kLogicEffects;
  line->command = kFxGeoPointer;
  line->argType[0] = kLogicIntConst;
  line->argInt[0] = 7;
  int32_t* jel = win_->view->currentJel;
  jel[0] = 3;
  send(kViewNextJel);
  EXPECT_EQ(jel[0], 1);
  EXPECT_EQ(GVAppSelection().jelId, 1);
  EXPECT_NEAR(pointer->xform[GEO_SLOT_FRAME].position[0], -5.5f, 1e-4f);
  EXPECT_NEAR(pointer->xform[GEO_SLOT_FRAME].position[1], 1.5f, 1e-4f);
  send(kViewNextJel);
  EXPECT_EQ(jel[0], 3);

  send(kViewLogicPick);
  EXPECT_EQ(GVScene().viewPair[0], 1);
  EXPECT_EQ(GVScene().viewPair[1], 3);

  for (HObject* j = world()->head; j; j = GVNextJel(j)) j->setGroupBit(-1, 0);
  send(kViewNextJel);
  EXPECT_EQ(jel[0], 0);
}

TEST_F(ViewEvents, SelectionRefreshFollowsTheBoundJelAndTheTopGroup) {
  addJel(2, 1, 0.0f);
  GObject* g = addGeo(5, {0.2f, 1.2f, 0.2f}, {0.8f, 1.8f, 0.8f});
  g->jelId = 2;
  GVRefreshGeoSelection(5, 1);
  EXPECT_EQ(win_->view->currentGeo[0], 5);
  EXPECT_EQ(win_->view->currentJel[0], 2);
  EXPECT_EQ(GVAppSelection().jelId, 2);

  // Group 31 is the mask's top bit.
  HObject* top = addJel(3, 1, 5.0f);
  top->setGroupBit(-31, 1);
  g->groupMask |= 1u << 31;
  float centre[3];
  EXPECT_EQ(GVSelectionCentre(-31, -2, centre), 1);
  EXPECT_NEAR(centre[0], 5.5f, 1e-4f);
  GVRefreshJelSelection(-31, 1);
  GVRefreshGeoSelection(-31, 1);
  EXPECT_EQ(GVAppSelection().geoId, 5);
}

TEST_F(ViewEvents, GeoPickedByTheViewIsWhatTheCreateMenuCopies) {
  addGeo(1, {0, 1, 0}, {1, 2, 1});
  addGeo(2, {2, 1, 0}, {3, 2, 1});
  GObject* third = geotest::makeGeo(3, "Third", {{0, 1, 0}, {1, 1, 0}, {0, 2, 0}}, {{0, 1, 2}});
  third->handle = new ObjHandle{third};
  GVAddGeoToScene(GVScene().geoList, third->handle);
  GVSceneServices().setViewCurrentGeo(3);
  send(kViewGeoPicked, 3);  // as the view reports its pick
  EXPECT_EQ(GVAppSelection().geoId, 3);
  GVMenuCommand(kMenuCreate, 1, 7, win_);
  int count = 0;
  const GObject* last = nullptr;
  for (const GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next, ++count) last = g;
  ASSERT_EQ(count, 4);
  EXPECT_EQ(last->vertexCount, 3);
}

TEST_F(ViewEvents, QueriesAndPassiveEventsWithoutAWindowAnswerZero) {
  EXPECT_EQ(GVViewOwnerCB(0, kViewVehicleQuery, 0, 0, nullptr), 0);
  EXPECT_EQ(send(kViewRttQuery), 1);  // no render-to-texture target
  EXPECT_EQ(send(0x100), 0);
  send(kViewStatusText, 0);
  GVViewOwnerCB(0, kViewStatusText, 0, reinterpret_cast<intptr_t>("hello"), win_);
  EXPECT_EQ(gStatus, std::vector<std::string>{"hello"});
}

}  // namespace
