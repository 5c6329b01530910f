#include "scene/jel_editor_callbacks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "geo/geo_binding.h"
#include "geo/geo_fixtures.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "platform/test_api.h"
#include "platform/user32.h"
#include "scene/app_lifecycle.h"
#include "scene/app_selection.h"
#include "scene/display_settings.h"
#include "scene/editor_links.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/selection_rule.h"
#include "vehicle/vehicle_file_services.h"
#include "vehicle/vehicle_link_services.h"
#include "vehicle/vehicle_record.h"

namespace {

// What the main window, the view and the panels were asked to do, in order.
struct Log {
  std::vector<std::string> calls;
  std::vector<std::string> status;
  std::vector<int> warnings;
};
Log* gLog = nullptr;

void Call(const std::string& what) { gLog->calls.push_back(what); }

SceneServices Services() {
  SceneServices s;
  s.showStatusLine = [](const char* text) { gLog->status.push_back(text); };
  s.viewExists = s.mainWindowExists = []() -> int32_t { return 1; };
  s.showWarning = [](int32_t code, int32_t, int32_t) { gLog->warnings.push_back(code); };
  s.beep = [] { MessageBeep(MB_ICONHAND); };
  s.setViewCurrentJel = [](int32_t id) { Call("jel " + std::to_string(id)); };
  s.resetMoveTool = [] { Call("move tool"); };
  s.refreshJelSelection = [](int32_t id) { Call("refresh " + std::to_string(id)); };
  s.updatePanels = [](int32_t g, int32_t j) { Call("panels " + std::to_string(g) + " " + std::to_string(j)); };
  s.redrawLogicLines = [] { Call("lines"); };
  s.redrawTimeBar = [] { Call("time bar"); };
  s.redrawView = [] { Call("redraw"); };
  s.showObjectInfo = [] { Call("info"); };
  GVInstallVehicleFileServices(&s);
  GVInstallVehicleLinkServices(&s);
  return s;
}

class JelEditorCallbacks : public testing::Test {
 protected:
  void SetUp() override {
    gLog = &log;
    GVSetSceneServices(Services());
    GVAppStartup();
    ASSERT_NE(GVScene().display, nullptr);
    GVEditors().initialState = &initialState;
  }
  void TearDown() override {
    if (GVScene().vehicle) GVDeleteSceneVehicle();
    GVScene().vehicle = nullptr;
    GVAppShutdown();
    GVSetSceneServices(SceneServices());
    GVFrameClock() = FrameClock();
    GVEditors() = GVEditorLinks();
    GVAppSelection() = AppSelection();
    gLog = nullptr;
  }
  HWorld* world() { return *GVScene().world; }
  // A block of cx x cy x cz cells (cell 1) with its lowest corner at c.
  HObject* AddJel(int32_t id, int cx, int cy, int cz, float x) {
    const float corner[3] = {x, 1.0f, 0.0f};
    HObject* j = MakeDropJel(cx, cy, cz, 1.0f, corner, id, 0.0f);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  VehicleRec* AddVehicle() {
    GVScene().vehicle = GVNewVehicle();
    VehicleRec* v = GVVehicleOf(GVScene().vehicle);
    GVVehicleSetWorld(v, world());
    return v;
  }

  Log log;
  int mainWindow = 0;
  GVJelEditorLink initialState;
};

TEST_F(JelEditorCallbacks, StructureRebuildIsRefusedForTheVehicleAndFlyAwayScenesWithWarningAndBeep) {
  HObject* bike = AddJel(1, 1, 4, 5, 0.0f);
  ASSERT_EQ(bike->nodeCount, 60);
  ASSERT_EQ(bike->faceCount, 58);
  AddJel(2, 2, 2, 2, 4.0f);
  AddJel(3, 1, 1, 1, 8.0f);

  // No vehicle: every Jel may be rebuilt, silently.
  const unsigned beeps = GVTestBeepCount();
  EXPECT_EQ(GVEditStructCB(0, kEditStructMayStart, 1, &mainWindow), 1);
  EXPECT_EQ(GVTestBeepCount(), beeps);
  EXPECT_TRUE(log.warnings.empty());

  // A one-sided vehicle (front and back left wheels) with the bike chassis.
  VehicleRec* v = AddVehicle();
  v->chassisJel = 1;
  v->bodyJel = 2;
  v->suspensionJel = 3;
  v->wheelFL = GVNewVhclWheelPart(world(), 0, 0, "motFL", "whlFL", 1.0f, -7, -9, 0);
  v->wheelBL = GVNewVhclWheelPart(world(), 0, 0, "motBL", "whlBL", 1.0f, -8, -9, 0);
  const int32_t partJel = (*v->wheelFL)->jelA;
  ASSERT_GT(partJel, 3);

  struct Case {
    int32_t jel;
    int32_t flyAway;
    int32_t result;
    std::vector<int> warnings;
  };
  const Case cases[] = {
      {partJel, 0, 0, {6}}, {3, 0, 0, {7}}, {1, 0, 0, {8}}, {2, 1, 0, {4}}, {2, 0, 1, {5}},
  };
  for (const Case& c : cases) {
    log.warnings.clear();
    GVScene().display->optionInts3[0] = c.flyAway;
    const unsigned before = GVTestBeepCount();
    EXPECT_EQ(GVEditStructCB(0, kEditStructMayStart, c.jel, &mainWindow), c.result) << c.jel;
    EXPECT_EQ(log.warnings, c.warnings) << c.jel;
    EXPECT_EQ(GVTestBeepCount() - before, c.result ? 0u : 1u) << c.jel;
    if (!c.result) {
      EXPECT_EQ(GVTestLastBeep(), UINT(MB_ICONHAND));
    }
  }
  // With both wheels on each side the chassis is no demo bike.
  v->wheelFR = GVNewVhclWheelPart(world(), 0, 0, "motFR", "whlFR", 1.0f, -10, -9, 0);
  GVScene().display->optionInts3[0] = 0;
  EXPECT_EQ(GVEditStructCB(0, kEditStructMayStart, 1, &mainWindow), 1);
  // Nothing without the main window.
  EXPECT_EQ(GVEditStructCB(0, kEditStructMayStart, 2, nullptr), 0);
}

TEST_F(JelEditorCallbacks, NaturalStateResetBindsTheGeoAgainKeepingItsBoundFlag) {
  HObject* jel = AddJel(1, 2, 2, 2, -1.0f);
  initialState.jelId = 1;
  std::vector<geotest::V3> nodes;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) nodes.push_back({jel->pos[i][0], jel->pos[i][1], jel->pos[i][2]});
  GObject* geo = geotest::makeGeo(1, "G", nodes);
  geo->handle = new ObjHandle{geo};
  GVAddGeoToScene(GVScene().geoList, geo->handle);
  GVUpdateJelDeform(jel, 0);
  ASSERT_EQ(GVMassocGeo(geo, jel), 0);
  world()->params.stateMode = -1;

  struct Case {
    float shift;       // moves the Geo's first vertex along x
    uint32_t bound;    // the bound flag before
    const char* text;
  };
  const Case cases[] = {
      {0.0f, GEO_FLAG_BOUND, "JEL object sucessfully RE-MASSOCD with GEO object ... and JEL object RE-ALIGNED"},
      {0.0f, 0, "JEL object sucessfully RE-MASSOCD with GEO object ... and JEL object RE-ALIGNED"},
      {-6.0f, GEO_FLAG_BOUND, "Warning: bad association: GEO object too far outside JEL object"},
      {-6.0f, 0, "Warning: bad association: GEO object too far outside JEL object"},
  };
  // Each of the three re-set events binds the Geo again.
  for (uint32_t event : {kInitStateResetNatural, kInitStateResetA, kInitStateResetB}) {
    for (const Case& c : cases) {
      geo->baseVertices[1][0] = nodes[0][0] + c.shift;
      geo->flags = (geo->flags & ~uint32_t(GEO_FLAG_BOUND)) | c.bound;
      log.status.clear();
      log.calls.clear();
      GVInitialStateCB(1, event, 0.0f, &mainWindow);
      EXPECT_EQ(log.status, std::vector<std::string>{c.text}) << event << " " << c.shift;
      EXPECT_EQ(geo->flags & GEO_FLAG_BOUND, c.bound) << c.shift;
      EXPECT_EQ(geo->jelId, 1);
      EXPECT_EQ(log.calls, std::vector<std::string>{"time bar"});
    }
  }
}

TEST_F(JelEditorCallbacks, VehicleGroupIsMadeOnceAndReturnedOnEveryCall) {
  EXPECT_EQ(GVEditJelGroupCB(0, kJelGroupVehicleGroup, 0, 0, &mainWindow), 0);
  AddJel(1, 1, 1, 1, 0.0f)->setGroupBit(-3, 1);
  AddVehicle();
  const int32_t group = GVEditJelGroupCB(0, kJelGroupVehicleGroup, 0, 0, &mainWindow);
  EXPECT_LT(group, -3);
  EXPECT_EQ(GVAppSelection().jelId, group);
  AddJel(2, 1, 1, 1, 3.0f)->setGroupBit(group - 1, 1);  // a newer group changes nothing
  EXPECT_EQ(GVEditJelGroupCB(0, kJelGroupVehicleGroup, 0, 0, &mainWindow), group);
  EXPECT_EQ(GVVehicleOf(GVScene().vehicle)->groupExtra, group);
  EXPECT_EQ(GVEditJelGroupCB(0, kJelGroupVehicleGroup, 0, 0, nullptr), 0);
}

TEST_F(JelEditorCallbacks, SelectionChangeRuleByCode) {
  GVAppSelection() = AppSelection{4, 7};
  struct Case {
    int32_t code;
    int32_t id;
    uint32_t redraw;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {1, 5, 0, {"jel 5", "move tool", "redraw", "info"}},
      {2, 6, kSelectLogicLines | kSelectTimeBar, {"jel 6", "lines", "time bar", "redraw", "info"}},
      {3, -2, 0, {"refresh -2", "move tool", "redraw"}},
      {0, 9, 0, {"panels 4 6", "redraw"}},
  };
  for (const Case& c : cases) {
    log.calls.clear();
    GVSelectionChange change;
    change.code = c.code;
    change.id = c.id;
    change.redraw = c.redraw;
    GVApplySelectionChange(change);
    EXPECT_EQ(log.calls, c.calls) << c.code;
  }
}

}  // namespace
