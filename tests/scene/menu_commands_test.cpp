// The menu dispatcher, the object commands and the creation callbacks on real
// scene records, with the windows, view and editors recorded through the
// scene services.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "dynamics/runner_scene.h"
#include "file_scene.h"
#include "work_root.h"
#include "geo/geo_edits.h"
#include "jel/deformation_map.h"
#include "geo/geo_binding.h"
#include "geo/geo_attach.h"
#include "geo/geo_from_jel.h"
#include "jel/matter.h"
#include "logic/dyn1_cmds.h"
#include "logic/line_services.h"
#include "scene/app_selection.h"
#include "scene/create_callbacks.h"
#include "scene/file_handlers.h"
#include "scene/menu_commands.h"
#include "scene/object_commands.h"
#include "scene/scene_stream.h"
#include "scene/work_folders.h"
#include "vehicle/vehicle_commands.h"

namespace {

std::vector<std::string> gCalls;
CameraRec gCamera;
int gBeeps = 0;
std::string gSceneName;
int32_t gViewGeo[3], gViewJel[3];  // the view's current-object records

void record(const std::string& s) { gCalls.push_back(s); }
bool called(const std::string& s) {
  for (const std::string& c : gCalls)
    if (c == s) return true;
  return false;
}

// Runs from a temporary application root, so that saves stay out of the tree.
class Commands : public scenetest::RootScene {
 protected:
  void SetUp() override {
    RootScene::SetUp();
    EnterRoot();
    gCalls.clear();
    GVCameraInit(&gCamera);
    gCamera.geoDisplayMode = 16;
    gCamera.jelDisplayMode = 2;
    gBeeps = 0;
    gSceneName.clear();
    std::fill(gViewGeo, gViewGeo + 3, 0);
    std::fill(gViewJel, gViewJel + 3, 0);
    GVAppSelection() = AppSelection{};
    GVExportSelection() = AppSelection{};
    SceneServices sv = GVSceneServices();
    sv.viewCamera = [] { return &gCamera; };
    sv.resetViewCamera = [] { gCamera.geoDisplayMode = gCamera.jelDisplayMode = 32; };
    sv.updatePanels = [](int32_t g, int32_t j) { record("panels " + std::to_string(g) + " " + std::to_string(j)); };
    sv.setSceneName = [](const char* n) { record(std::string("name '") + n + "'"); };
    sv.sceneName = [] { return gSceneName.c_str(); };
    sv.clearNotes = [] { record("notes cleared"); };
    sv.showSaveDialog = [](int32_t m, const char* n) { record("save dialog " + std::to_string(m) + " '" + n + "'"); };
    sv.showFilesList = [](int32_t m) { record("list " + std::to_string(m)); };
    sv.showStatusLine = [](const char* t) { record(std::string("status ") + t); };
    sv.showWarning = [](int32_t code, int32_t, int32_t) { record("warning " + std::to_string(code)); };
    sv.beep = [] { ++gBeeps; };
    sv.setViewCurrentGeo = [](int32_t id) { record("view geo " + std::to_string(gViewGeo[0] = id)); };
    sv.setViewCurrentJel = [](int32_t id) { record("view jel " + std::to_string(gViewJel[0] = id)); };
    sv.currentGeoRecord = [] { return gViewGeo; };
    sv.currentJelRecord = [] { return gViewJel; };
    sv.showMessage = [](const char* t) { record(std::string("message ") + t); };
    GVSetSceneServices(sv);
  }
  void Menu(int32_t menu, int32_t item, int32_t sub = 0) { GVMenuCommand(menu, item, sub, this); }
  static HWorld* World() { return GVWorldOf(GVScene().world); }
  static GeoList* Geos() { return GVGeoListOf(GVScene().geoList); }
  static int Count(bool jels) {
    int n = 0;
    if (jels)
      for (HObject* j = World()->head; j; j = GVNextJel(j)) ++n;
    else
      for (GObject* g = Geos()->head; g; g = g->next) ++n;
    return n;
  }
  static HObject* AddJel(int32_t id, const char* name, uint32_t groups = 2u) {
    const float corner[3] = {0.0f, 1.0f, 0.0f};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, id, -9.81f);
    GVSetString(&j->name, name);
    j->groupMask = groups;
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  // A Geo made from a Jel's surface, renamed and placed in the groups.
  static GObject* AddGeo(const char* name, uint32_t groups = 2u) {
    static int k = 0;
    HObject* j = AddJel(900 + ++k, "Tmp");
    const int32_t id = GVCreateGeoFromJel(GVScene().geoList, j, "Tmp");
    GVDeleteJels(GVScene().world, j->id);
    GObject* g = GVGetGeoById(Geos(), id);
    GVSetString(&g->name, name);
    g->groupMask = groups;
    return g;
  }
};

TEST_F(Commands, NewSceneEmptiesTheLoadedSampleAndKeepsTheDisplayModes) {
  FILE* f = std::fopen((std::string(GV_SAMPLE_SCENES_DIR) + "/Vehicle2x2.gvs").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  SceneRecords& sc = GVScene();
  ASSERT_EQ(GVReadSceneStreamFile(f, sc.geoList, sc.world, sc.logic, &cameraCell, &notes), 0);
  std::fclose(f);
  ASSERT_NE(sc.vehicle, nullptr);
  AddJel(99, "Outside", 8u);  // taken out of group 1
  scenetest::AddJelRefLine(sc.logic, 99);
  sc.bounds[0] = -50.0f;
  ASSERT_GT(Count(false), 0);

  Menu(kMenuFile, 1);
  EXPECT_EQ(Count(false), 0);
  EXPECT_EQ(Count(true), 0);
  EXPECT_EQ(sc.vehicle, nullptr);
  const float bounds[6] = {-12, 12, 0, 24, -12, 12};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(sc.bounds[k], bounds[k]);
  EXPECT_EQ(gCamera.geoDisplayMode, 16);
  EXPECT_EQ(gCamera.jelDisplayMode, 2);
  EXPECT_TRUE(called("notes cleared") && called("name ''") && called("panels 0 0"));
  // Program 1 holds the five default lines, the second CUR_TIME into f 1.
  EXPECT_NE(GVLogicGetLine(sc.logic, 1, 5), nullptr);
  EXPECT_EQ(GVLogicGetLine(sc.logic, 1, 6), nullptr);
  const LogicLine* time = GVLogicGetLine(sc.logic, 1, 2);
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->command, kDyn1CurTime);
  EXPECT_EQ(time->resultType, static_cast<int32_t>(kLogicFloat));
  EXPECT_EQ(time->resultVar, 1);
  EXPECT_EQ(GVSceneReloading(), 0);

  // Save without a name asks for one; Import's fifth sub-item lists with mode
  // 0; the Scenes folder is listed for every import; "Create Trk" does nothing.
  // The file lists' folders as the program has them under its root.
  for (const char* sub : {"Scenes", "ScenesMGVB"})
    std::filesystem::create_directories(std::string(GVSceneFilesDir()) + "/" + sub);
  gCalls.clear();
  Menu(kMenuFile, 2);
  Menu(kMenuFile, 7, 5);
  Menu(kMenuFile, 7, 2);
  Menu(kMenuCreate, 7);
  EXPECT_EQ(gCalls, (std::vector<std::string>{"save dialog 528 ''", "list 0", "list 4196352"}));
  const std::string folder = GVCurrentFolder();
  EXPECT_EQ(folder.substr(folder.size() - 7), "/Scenes");
  // With a name, Save writes the scene file under it in the Scenes folder.
  gSceneName = "Named.gvs";
  const std::string saved = std::string(GVSceneFilesDir()) + "/Scenes/Named.gvs";
  std::filesystem::remove(saved);
  Menu(kMenuFile, 2);
  EXPECT_TRUE(std::filesystem::exists(saved));
}

TEST_F(Commands, CopiesTakeTheNextIdAUniqueNameAndBecomeCurrent) {
  GObject* box = AddGeo("Box");
  GVAppSelection().geoId = box->id;
  Menu(kMenuCreate, 1, 7);
  GObject* copy = GVGetGeoById(Geos(), box->id + 1);
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy->name, "Box2");
  EXPECT_NE(copy->faceNormals, nullptr);
  EXPECT_EQ(GVAppSelection().geoId, copy->id);
  EXPECT_TRUE(called("view geo 2") && called("panels 2 0"));

  // The mirror of the copy: "Box2_INV", z negated, every triangle turned.
  Menu(kMenuCreate, 1, 8);
  GObject* inv = GVGetGeoById(Geos(), 3);
  ASSERT_NE(inv, nullptr);
  EXPECT_STREQ(inv->name, "Box2_INV");
  for (int32_t v = 1; v <= copy->vertexCount; ++v) EXPECT_EQ(inv->vertices[v][2], -copy->vertices[v][2]);
  for (int32_t t = 1; t <= copy->triangleCount; ++t) {
    EXPECT_EQ(inv->triangles[t][1], copy->triangles[t][2]);
    EXPECT_EQ(inv->triangles[t][2], copy->triangles[t][1]);
  }
  // A second mirror of the same Geo takes the next free name.
  GVAppSelection().geoId = copy->id;
  Menu(kMenuCreate, 1, 8);
  EXPECT_EQ(GVFindGeoByName(Geos(), "Box2_INV2"), 4);

  // A name the unique-name rule refuses (nothing is left once cleaned):
  // nothing but the status line.
  GVSetString(&box->name, "_ x");
  GVAppSelection().geoId = box->id;
  for (int32_t mode : {0, 1}) {
    gCalls.clear();
    GVCopyGeoCmd(this, mode);
    EXPECT_EQ(Count(false), 4);
    EXPECT_EQ(gCalls, std::vector<std::string>{std::string("status ") +
                                               (mode ? kInvertGeoBadNameMessage : kCopyGeoBadNameMessage)});
  }

  // Jels: a plain copy, then a vehicle part's Jel refused with a beep.
  AddJel(1, "Cube");
  GVAppSelection().jelId = 1;
  Menu(kMenuCreate, 2, 3);
  HObject* jcopy = GVGetJelById(World(), 2);
  ASSERT_NE(jcopy, nullptr);
  EXPECT_STREQ(jcopy->name, "Cube2");
  EXPECT_EQ(GVAppSelection().jelId, 2);
  ASSERT_NE(GVMakeVehicle(1, 0, 0, 0, 1), nullptr);
  int32_t groups[kSceneVehicleGroups];
  GVSceneServices().vehicleGroups(GVScene().vehicle, groups);
  for (HObject* j = World()->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, groups[3])) GVAppSelection().jelId = j->id;
  const int before = Count(true);
  gCalls.clear();
  Menu(kMenuCreate, 2, 3);
  EXPECT_EQ(Count(true), before);
  EXPECT_EQ(gBeeps, 1);
  EXPECT_EQ(gCalls, std::vector<std::string>{std::string("status ") + kCopyVehicleJelMessage});
}

TEST_F(Commands, GeoFromJelAndDeletions) {
  HObject* jel = AddJel(1, "Cube");
  GVAppSelection().jelId = 1;
  Menu(kMenuCreate, 1, 6);
  const int32_t made = GVFindGeoByName(Geos(), "GCube");
  ASSERT_NE(made, 0);
  EXPECT_EQ(GVAppSelection().geoId, made);
  // The Geo covers the Jel's surface: every vertex sits on a node.
  GObject* skin = GVGetGeoById(Geos(), made);
  for (int32_t v = 1; v <= skin->vertexCount; ++v) {
    bool onNode = false;
    for (int32_t i = 1; i <= jel->nodeCount; ++i)
      onNode = onNode || (skin->vertices[v][0] == jel->pos[i][0] && skin->vertices[v][1] == jel->pos[i][1] &&
                          skin->vertices[v][2] == jel->pos[i][2]);
    EXPECT_TRUE(onNode) << v;
  }
  // Refused a second time (the name exists) and when a Geo is bound to the Jel.
  Menu(kMenuCreate, 1, 6);
  GVSetString(&skin->name, "Other");
  skin->jelId = 1;
  skin->jel = jel;
  Menu(kMenuCreate, 1, 6);
  EXPECT_EQ(Count(false), 1);
  EXPECT_TRUE(called(std::string("message ") + kGeoFromJelExistsMessage));
  EXPECT_TRUE(called(std::string("message ") + kGeoFromJelBoundExistsMessage));

  // Deleting with group 3 as the current Geo takes every Geo of that group and
  // clears their ids from the Geo-id blocks.
  const int32_t a = AddGeo("A", 8u)->id, b = AddGeo("B", 8u)->id, keep = AddGeo("C", 2u)->id;
  GeoIdBlockList& blocks = GVGeoIdBlocks();
  if (!blocks.blocks) GVInitGeoIdBlockList(&blocks);
  blocks.blocks[0] = new GeoIdBlock{{a, b, keep, 0}, {}};
  blocks.count = 1;
  gViewGeo[0] = -3;
  Menu(kMenuCreate, 3);
  EXPECT_EQ(GVGetGeoById(Geos(), a), nullptr);
  EXPECT_EQ(GVGetGeoById(Geos(), b), nullptr);
  EXPECT_NE(GVGetGeoById(Geos(), keep), nullptr);
  EXPECT_EQ(blocks.blocks[0]->geoIds[0], 0);
  EXPECT_EQ(blocks.blocks[0]->geoIds[1], 0);
  EXPECT_EQ(blocks.blocks[0]->geoIds[2], keep);

  // Renumbering keeps the view on the Geo it shows, apart from the menu's
  // current Geo.
  GObject* shown = GVGetGeoById(Geos(), keep);
  gViewGeo[0] = keep;
  Menu(kMenuCreate, 8);
  EXPECT_EQ(shown->id, 2);
  EXPECT_EQ(gViewGeo[0], 2);
  EXPECT_EQ(GVAppSelection().geoId, skin->id);

  // Deleting the current Jel: the Geo bound to it lets go of it.
  gViewJel[0] = 1;
  Menu(kMenuCreate, 4);
  EXPECT_EQ(GVGetJelById(World(), 1), nullptr);
  EXPECT_EQ(skin->jel, nullptr);
  EXPECT_EQ(GVAppSelection().jelId, 0);
  EXPECT_EQ(gViewJel[0], 0);

  // The vehicle's Jels go with the four wheel Geos, and the vehicle with them.
  World()->params.stateMode = -1;  // wheel Geos are made in natural-state mode
  ASSERT_NE(GVMakeVehicle(1, 0, 0, 0, 1), nullptr);
  ASSERT_NE(GVFindGeoByName(Geos(), "GWheelFL"), 0);
  Menu(kMenuCreate, 6);
  for (const char* wheel : {"GWheelFL", "GWheelFR", "GWheelBL", "GWheelBR"})
    EXPECT_EQ(GVFindGeoByName(Geos(), wheel), 0) << wheel;
  EXPECT_EQ(GVScene().vehicle, nullptr);
  EXPECT_EQ(Count(true), 0);
}

// Whoever deletes a Jel, no Geo keeps it: the menu's delete, a Jel deleted
// and made again under its id, the vehicle's delete and rebuild, a new scene.
// Each time the scene then plays.
TEST_F(Commands, EveryWayAJelGoesLeavesNoGeoHoldingIt) {
  // A Geo bound to the Jel and one attached to it.
  auto hold = [](HObject* jel) {
    static int k = 0;
    const std::string name = "Held" + std::to_string(++k);
    GObject* bound = GVGetGeoById(Geos(), GVCreateGeoFromJel(GVScene().geoList, jel, name.c_str()));
    GVUpdateJelDeform(jel, 0);
    EXPECT_EQ(GVMassocGeo(bound, jel), 0);
    bound->flags |= GEO_FLAG_VERTEX_BINDING;
    GObject* attached = AddGeo(("On" + name).c_str());
    GVAttachSet(GVGetGeoAttachment(attached->handle), GEO_ATTACH_JEL0, jel->id, 0, 0, 0, 1, 0);
    EXPECT_TRUE(GeoJelsListed());
    return bound;
  };
  GObject* g = hold(AddJel(1, "Menu"));
  gViewJel[0] = 1;
  Menu(kMenuCreate, 4);
  EXPECT_EQ(GVGetJelById(World(), 1), nullptr);
  EXPECT_TRUE(GeoJelsListed());
  PlayTo(20);

  g = hold(AddJel(2, "Again"));
  GVDeleteJels(GVScene().world, 2);
  AddJel(2, "Again");
  EXPECT_EQ(g->jelId, 0);  // the new Jel under the old id is not the Geo's
  EXPECT_TRUE(GeoJelsListed());
  PlayTo(20);

  World()->params.stateMode = -1;  // wheel Geos are made in natural-state mode
  auto holdChassis = [&] {
    int32_t ids[kSceneVehicleJelIds] = {};
    GVSceneServices().vehicleJelIds(GVScene().vehicle, ids);
    hold(GVGetJelById(World(), ids[0]));
  };
  ASSERT_NE(GVMakeVehicle(1, 0, 0, 0, 1), nullptr);
  holdChassis();
  ASSERT_NE(GVMakeVehicle(1, 0, 0, 0, 1), nullptr);  // rebuilt
  EXPECT_TRUE(GeoJelsListed());
  PlayTo(20);
  holdChassis();
  GVDeleteVehicle();
  EXPECT_TRUE(GeoJelsListed());
  PlayTo(20);

  hold(AddJel(GVNextJelId(GVScene().world), "New"));
  Menu(kMenuFile, 1);
  EXPECT_TRUE(GeoJelsListed());
  PlayTo(20);
}

// A vehicle of the test's own: groups, ids and the one-side answer as set.
struct FakeVehicle {
  int32_t groups[kSceneVehicleGroups] = {-5, -6, -7, -8, -9, -10, -11, -12};
  int32_t ids[kSceneVehicleJelIds] = {1, 2, 3};
  int32_t oneSide = 0;
};
FakeVehicle gVehicle;

TEST_F(Commands, CreationCallbacksRefuseRebuildsGiveMatterAndTakeNewJels) {
  EXPECT_EQ(GVCreateJelCB(0, kCreateJelMayRebuild, 1, 0, this), 1);  // no vehicle

  ObjHandle vehicleCell;
  GVScene().vehicle = &vehicleCell;
  SceneServices sv = GVSceneServices();
  sv.vehicleIsEmpty = [](ObjHandle*) -> int32_t { return 0; };
  sv.vehicleGroups = [](ObjHandle*, int32_t out[kSceneVehicleGroups]) {
    std::copy(gVehicle.groups, gVehicle.groups + kSceneVehicleGroups, out);
  };
  sv.vehicleJelIds = [](ObjHandle*, int32_t out[kSceneVehicleJelIds]) {
    std::copy(gVehicle.ids, gVehicle.ids + kSceneVehicleJelIds, out);
  };
  sv.vehicleWheelsOneSide = [](ObjHandle*) { return gVehicle.oneSide; };
  GVSetSceneServices(sv);
  AddJel(1, "Chassis")->nodeCount = 60;
  GVGetJelById(World(), 1)->faceCount = 58;
  AddJel(3, "Suspension");
  AddJel(4, "Rotor", 2u | (1u << 6));
  AddJel(5, "Free");
  gVehicle.oneSide = 1;
  struct Case {
    int32_t jel;
    int flyAway;
    const char* expect;
  };
  for (const Case& c : {Case{4, 0, "warning 6"}, Case{3, 0, "warning 7"}, Case{1, 0, "warning 8"},
                        Case{5, 1, "warning 4"}, Case{5, 0, nullptr}}) {
    gCalls.clear();
    gBeeps = 0;
    GVScene().display->optionInts3[0] = c.flyAway;
    const int32_t granted = GVCreateJelCB(0, kCreateJelMayRebuild, c.jel, 0, this);
    EXPECT_EQ(granted, c.expect ? 0 : 1) << c.jel;
    EXPECT_EQ(gBeeps, c.expect ? 1 : 0) << c.jel;
    EXPECT_EQ(gCalls, c.expect ? std::vector<std::string>{c.expect} : std::vector<std::string>{}) << c.jel;
  }
  GVScene().display->optionInts3[0] = 0;
  GVScene().vehicle = nullptr;
  GVGetJelById(World(), 1)->nodeCount = 8;  // back to its real size before it is freed

  // Matter of a new Jel: the defaults without a matter editor.
  MatterProps m;
  m.density = 7.0f;
  GVCreateJelCB(0, kCreateJelMatter, 0, reinterpret_cast<intptr_t>(&m), this);
  const float expect[12] = {4, 1, 1, 1, 3, 4, 0.35f, 1, 0, -10, 0, 1};
  const float got[12] = {m.fRatio,   m.scaleL,   m.scaleT, m.density, m.elasticity, m.damping,
                         m.bulge,    m.friction, m.forceX, m.forceY,  m.forceZ,     m.flatZ};
  for (int k = 0; k < 12; ++k) EXPECT_FLOAT_EQ(got[k], expect[k]) << k;

  // A new Jel at frame 0 shows no message; one starting at 12 says so.
  gCamera.jelDisplayMode = 1;
  gCalls.clear();
  GVCreateJelCB(0, kCreateJelBlock, 5, 0, this);
  EXPECT_EQ(gCamera.jelDisplayMode, 2);
  EXPECT_EQ(GVAppSelection().jelId, 5);
  for (const std::string& c : gCalls) EXPECT_NE(c.rfind("status", 0), 0u) << c;
  GVGetJelById(World(), 4)->playParams.startFrame = 12;
  GVCreateJelCB(0, kCreateJelBlock, 4, 0, this);
  EXPECT_TRUE(called("status Warning: New Jel object's lifespan starts at frame 12"));

  // A new Geo: current, its display mode of 1 raised to 2; a missing one named.
  gCamera.geoDisplayMode = 1;
  const int32_t geo = AddGeo("Plane")->id;
  CreateGeoMenuCB(0, geo, this);
  EXPECT_EQ(gCamera.geoDisplayMode, 2);
  EXPECT_EQ(GVAppSelection().geoId, geo);
  EXPECT_TRUE(called("panels " + std::to_string(geo) + " 0"));
  CreateGeoMenuCB(0, 77, this);
  EXPECT_TRUE(called("message CreateGeoMenuCB: bad geo 77"));
}

}  // namespace
