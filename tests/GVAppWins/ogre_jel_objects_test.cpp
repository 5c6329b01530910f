#include <gtest/gtest.h>

#include <OGRE/Ogre.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../dynamics/runner_scene.h"
#include "../geo/geo_fixtures.h"
#include "../jel/block_lattice.h"
#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/ogre_scene_build.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/render_services.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/vehicle_explode.h"
#include "GVAppWins/view_window.h"
#include "display_expected.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_attach.h"
#include "geo/geo_binding.h"
#include "geo/geo_list.h"
#include "geo/geo_record_io.h"
#include "geo/mesh_derived.h"
#include "geo/uv_sets.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "scene/app_lifecycle.h"
#include "scene/display_settings.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"
#include "records/obj_handle.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_record.h"
#include "test_main_window.h"
#include "view_probe.h"

namespace fs = std::filesystem;
using geotest::V3;

namespace {

const float kBackground[3] = {0.75f, 0.75f, 0.75f};
int32_t gCurrentGeo[3] = {0, 0, 0};
int32_t gCurrentJel[3] = {0, 0, 0};

int ch(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }
bool isRed(uint32_t p) { return ch(p, 16) > 150 && ch(p, 8) < 90 && ch(p, 0) < 90; }
// Bluer than the grey background, which still shows through.
bool isJelSurface(uint32_t p) { return ch(p, 0) > ch(p, 16) + 12 && ch(p, 16) > 90; }
bool isDarkLine(uint32_t p) { return ch(p, 16) < 60 && ch(p, 8) < 60 && ch(p, 0) < 60; }
bool isWall(uint32_t p) {
  return std::abs(ch(p, 16) - 153) < 12 && std::abs(ch(p, 8) - 153) < 12 && std::abs(ch(p, 0) - 153) < 12;
}

using Rect = ScreenRect;

class JelViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    GVTestReset();
    GVTestSetScreen(1280, 800);
    GVAppStartup();
    ASSERT_NE(GVScene().world, nullptr);
    GVViewSceneLinks links;
    links.bounds = GVScene().bounds;
    links.background = kBackground;
    links.currentGeo = gCurrentGeo;
    links.currentJel = gCurrentJel;
    GVSetViewSceneLinks(links);
    GVInstallRenderServices();
    // The main window's view entries, for this view.
    SceneServices s = GVSceneServices();
    s.viewCamera = []() -> CameraRec* {
      GVView* v = GVMainView();
      return v && v->camera ? *v->camera : nullptr;
    };
    s.redrawView = [] {
      if (GVView* v = GVMainView()) GVRedrawView(v);
    };
    GVSetSceneServices(s);
    main_ = GVTestMainWindow(1100, 760);
    dir_ = fs::temp_directory_path() / ("gv_jel_view_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    GVAppShutdown();  // the Jels' destroy hooks take their mirrors with them
    GVDestroyView(&view_);
    GVSetMainView(nullptr);
    GVSetSceneServices(SceneServices());
    GVTestReset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void createView() { GVTestOpenView(view_, main_); }
  void show() { GVTestShowView(view_); }
  HWorld* world() { return *GVScene().world; }
  GeoList* geos() { return static_cast<GeoList*>(GVScene().geoList->object); }
  HObject* addJel(HObject* j, const char* name) {
    GVSetString(&j->name, name);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  HObject* dropJel(float y, int32_t id, const char* name) {
    const float corner[3] = {-1.0f, y, -1.0f};
    return addJel(MakeDropJel(2, 2, 2, 1.0f, corner, id, -9.81f), name);
  }
  Rect footprint(const std::vector<V3>& pts) { return GVTestFootprint(view_, pts); }
  static std::vector<V3> nodesOf(const HObject* j) {
    std::vector<V3> v;
    for (int32_t i = 1; i <= j->nodeCount; ++i) v.push_back({j->pos[i][0], j->pos[i][1], j->pos[i][2]});
    return v;
  }
  template <typename Pred>
  int count(const Rect& r, Pred pred, int grow = 0) {
    return GVTestCountPixels(r, pred, grow);
  }
  Rect viewRect() { return GVTestViewRect(view_, 1000, 675); }
  // Lowest screen row holding a pixel of the predicate inside the columns.
  template <typename Pred>
  int lowestRow(const Rect& cols, Pred pred) {
    const GVSurface& s = GVScreenImage();
    const Rect v = viewRect();
    for (int y = v.y1; y >= v.y0; --y)
      for (int x = cols.x0; x <= cols.x1; ++x)
        if (pred(s.at(x, y))) return y;
    return -1;
  }
  size_t engineObjects() { return GVTestEngineObjects(); }
  size_t latticeVertices(const char* name) {
    Ogre::ManualObject* mo = gOgreData->mSceneMgr->getManualObject(std::string(name) + "MO");
    return mo->getSections().empty() ? 0 : mo->getSections()[0]->getRenderOperation()->vertexData->vertexCount;
  }

  HWND main_ = nullptr;
  GVView view_;
  fs::path dir_;
};

// A cube Geo inside the drop Jel, bound to it, painted red.
GObject* boundCube(GeoList* list, HObject* jel, float y) {
  std::vector<geotest::Quad> quads = {{1, 2, 4, 3}, {5, 7, 8, 6}, {1, 5, 6, 2}, {3, 4, 8, 7}, {1, 3, 7, 5}, {2, 6, 8, 4}};
  GObject* g = geotest::makeGeo(1, "cube", geotest::boxCorners({-0.6f, y + 0.4f, -0.6f}, {0.6f, y + 1.6f, 0.6f}), {},
                                quads);
  GVSetColour(&g->colourA, 0, 0.9f, 0.1f, 0.1f, 1.0f);
  g->materialType = 1;
  GVEnsureGeoMaterials(g);
  g->handle = new ObjHandle{g};
  GVRebuildGeo(g);
  GVAddGeo(list, g);
  GVUpdateJelDeform(jel, 0);
  EXPECT_EQ(GVMassocGeo(g, jel), 0);
  g->flags |= GEO_FLAG_VERTEX_BINDING;
  return g;
}

TEST_F(JelViewTest, SceneFromFilesIsMirroredAndPlays) {
  // The scene written with the scene-file writers and read into an empty scene.
  HObject* jel = dropJel(3.0f, 1, "drop");
  ASSERT_EQ(jel->nodeCount, 27);
  boundCube(geos(), jel, 3.0f);
  const std::string jels = (dir_ / "jels.bin").string(), geoFile = (dir_ / "geos.bin").string();
  FILE* f = std::fopen(jels.c_str(), "wb");
  ASSERT_TRUE(f);
  ASSERT_EQ(GVWriteJelList(world(), f), 1);
  std::fclose(f);
  f = std::fopen(geoFile.c_str(), "wb");
  ASSERT_TRUE(GVWriteGeoList(geos(), f));
  std::fclose(f);
  GVAppStartup();
  f = std::fopen(jels.c_str(), "rb");
  ASSERT_EQ(GVReadSceneJels(f, GVScene().world), 1);
  std::fclose(f);
  f = std::fopen(geoFile.c_str(), "rb");
  ASSERT_TRUE(GVReadSceneGeos(GVScene().geoList, f));
  std::fclose(f);
  ASSERT_NE(GVFirstJel(GVScene().world), nullptr);
  jel = *GVFirstJel(GVScene().world);
  ASSERT_NE(geos()->head, nullptr);

  createView();
  DisplaySettings* ds = GVScene().display;
  ASSERT_NE(ds, nullptr);
  ds->shadowValues[0] = 0.5f;  // far distance
  ds->shadowValues[1] = 0.0f;  // directional extrusion
  // As the file-open handler reaches it, through the scene's table.
  GVSceneServices().buildRenderScene(32, 32);
  EXPECT_EQ(ds->shadowValues[0], 150.0f);
  EXPECT_EQ(ds->shadowValues[1], 100.0f);
  show();
  EXPECT_TRUE(GVSaveScreenPng((dir_ / "jel_scene.png").c_str()));
  const Rect jr = footprint(nodesOf(jel));
  EXPECT_GT(count(jr, isJelSurface), (jr.x1 - jr.x0) * (jr.y1 - jr.y0) / 8);
  EXPECT_GT(count(jr, isRed), 20);
  EXPECT_GT(count(jr, isDarkLine, 2), 40);
  EXPECT_GT(count(viewRect(), isWall), 200);
  fs::copy_file(dir_ / "jel_scene.png", "jel_scene.png", fs::copy_options::overwrite_existing);

  // Playing: the Jel drops and comes to rest on the floor; the Geo follows.
  std::vector<int> rows = {lowestRow(jr, isJelSurface)};
  const int geoRow0 = lowestRow(jr, isRed);
  GVSaveScreenPng("jel_frame0.png");
  for (int32_t frame = 1; frame <= 60; ++frame) {
    GVAdvanceToFrame(world(), frame, GVFrameCallback, GVUpdateAfterStep);
    GVTestPumpMessages();
    GVComposeScreen();
    rows.push_back(lowestRow(jr, isJelSurface));
  }
  GVSaveScreenPng("jel_frame60.png");
  // Down frame after frame until it meets the floor, where the lowest row stops
  // just above the floor under the Jel's front edge; at frame 60 it lies there
  // again after its rebound.
  const int floorRow = footprint({{0.0f, 0.0f, 1.0f}}).y1;
  size_t landed = 1;
  while (landed < rows.size() && rows[landed] < floorRow - 4) ++landed;
  ASSERT_LT(landed, rows.size());
  EXPECT_GT(landed, 10u);
  for (size_t i = 5; i <= landed; ++i) EXPECT_GT(rows[i], rows[i - 1]) << i;
  for (int r : rows) EXPECT_LE(r, floorRow);
  EXPECT_GE(rows.back(), floorRow - 4);
  EXPECT_GT(lowestRow(jr, isRed), geoRow0 + (rows.back() - rows[0]) / 2);
}

TEST_F(JelViewTest, FlatAndClosedLatticesAndTheirSurfaces) {
  HObject* closed = dropJel(2.0f, 1, "closed");
  std::unique_ptr<HObject> sheet = makeBlockJel(5, 5, 1, 1.0f, nullptr, 2);
  HObject* flat = addJel(sheet.release(), "sheet");
  createView();
  EXPECT_EQ(GVOgreJelFormat(closed->handle), 4);
  EXPECT_EQ(GVOgreJelFormat(flat->handle), 20);
  GVCreateOgreJelObj(1, 32);
  GVCreateOgreJelObj(2, 32);
  // Each edge two faces share once on a closed Jel; every face edge twice on a sheet.
  EXPECT_EQ(latticeVertices("closed"), static_cast<size_t>(4 * closed->faceCount));
  EXPECT_EQ(latticeVertices("sheet"), static_cast<size_t>(16 * flat->faceCount));
  Ogre::Entity* e = gOgreData->mSceneMgr->getEntity("sheetHENT");
  EXPECT_EQ(e->getMesh()->getSubMesh(0)->vertexData->vertexCount, static_cast<size_t>(2 * flat->nodeCount));

  // The sheet lies in z = 0 at x, y 0..4: seen from the front and from behind.
  gOgreData->mSceneMgr->getEntity("closedHENT")->setVisible(false);
  gOgreData->mSceneMgr->getManualObject("closedMO")->setVisible(false);
  // Mirrored in x the sheet turns its back to the camera: the back-facing copy shows.
  const Rect r = footprint({{0.5f, 0.5f, 0.0f}, {3.5f, 3.5f, 0.0f}});
  for (int side = 0; side < 2; ++side) {
    if (side == 1)
      for (int32_t i = 1; i <= flat->nodeCount; ++i) flat->pos[i][0] = 4.0f - flat->pos[i][0];
    GVUpdateOgreJelMesh(flat->handle);
    show();
    EXPECT_GT(count(r, isJelSurface), (r.x1 - r.x0) * (r.y1 - r.y0) / 2) << side;
  }
}

// A Jel's lattice drawing, rewritten as the Jel moves, shows what one built
// afresh where the Jel now lies shows, pixel for pixel: after a move nearer
// the origin and after one farther from it than it has been.
TEST_F(JelViewTest, MovedLatticeDrawsAsOneBuiltWhereTheJelLies) {
  HObject* jel = dropJel(3.0f, 1, "drop");
  createView();
  (*view_.camera)->jelDisplayMode = 32;
  GVSceneServices().buildRenderScene(32, 32);
  auto image = [&] {
    GVUpdateOgreObjects();
    show();
    GVSurface s;
    EXPECT_TRUE(GVWindowClientImage(view_.window, &s));
    return s.pixels;
  };
  for (const float dy : {-1.0f, 2.0f}) {
    for (int32_t i = 1; i <= jel->nodeCount; ++i) jel->pos[i][1] += dy;
    const std::vector<uint32_t> moved = image();
    EXPECT_GT(count(footprint(nodesOf(jel)), isDarkLine, 2), 40) << dy;
    GVDestroyOgreJelObj(jel->handle);
    GVCreateOgreJelObj(1, 32);
    EXPECT_TRUE(image() == moved) << dy;
  }
}

// The first position float of the Geo's solid sub-mesh.
float firstSolidX(GObject* g) {
  Ogre::SubMesh* sub = GVFindSubMesh(GVGeoEntity(g)->getMesh().get(), GeoOgreNames(g).solid);
  Ogre::HardwareVertexBufferSharedPtr buf = sub->vertexData->vertexBufferBinding->getBuffer(0);
  float x = 0;
  buf->readData(0, sizeof x, &x);
  return x;
}
void pokeFirstSolidX(GObject* g, float x) {
  Ogre::SubMesh* sub = GVFindSubMesh(GVGeoEntity(g)->getMesh().get(), GeoOgreNames(g).solid);
  sub->vertexData->vertexBufferBinding->getBuffer(0)->writeData(0, sizeof x, &x);
}

TEST_F(JelViewTest, RefreshMarkSkipsUnchangedGeosAndSelectionsFollowGroups) {
  HObject* a = dropJel(2.0f, 1, "a");
  HObject* b = dropJel(8.0f, 2, "b");
  b->groupMask = 4;  // group 2 only
  GObject* ga = boundCube(geos(), a, 2.0f);
  GObject* gb = boundCube(geos(), b, 8.0f);
  gb->id = 2;
  GVSetString(&gb->name, "cubeB");
  GObject* gg = boundCube(geos(), a, 2.0f);  // tied to group 1
  gg->id = 3;
  GVSetString(&gg->name, "cubeG");
  gg->jelId = -1;
  createView();
  GVBuildOgreScene(16, 16);
  const float x = firstSolidX(ga);

  GVRefreshOgreGeoMesh(ga->handle);
  EXPECT_TRUE(ga->flags & GEO_FLAG_VIEW_REFRESHED);
  pokeFirstSolidX(ga, 99.0f);
  GVRefreshOgreGeoMesh(ga->handle);  // marked: not rewritten
  EXPECT_EQ(firstSolidX(ga), 99.0f);
  GVUpdateOgreObjects();
  EXPECT_FALSE(ga->flags & GEO_FLAG_VIEW_REFRESHED);
  pokeFirstSolidX(ga, 99.0f);
  GVRefreshOgreGeoMesh(ga->handle);
  EXPECT_NEAR(firstSolidX(ga), x, 1e-4);

  // Only while the natural state is edited.
  GVUpdateOgreObjects();
  for (GObject* g : {ga, gb, gg}) pokeFirstSolidX(g, 99.0f);
  GVRefreshAllOgreGeoMeshes();
  EXPECT_EQ(firstSolidX(ga), 99.0f);
  world()->params.stateMode = -1;
  GVRefreshAllOgreGeoMeshes();
  EXPECT_NE(firstSolidX(ga), 99.0f);
  EXPECT_NE(firstSolidX(gb), 99.0f);
  world()->params.stateMode = 0;

  // Group 1: the Geos of Jel a, also the one tied to group -1; not Jel b's.
  for (GObject* g : {ga, gb, gg}) pokeFirstSolidX(g, 99.0f);
  GVRefreshOgreMeshesOfJel(-1);
  EXPECT_NE(firstSolidX(ga), 99.0f);
  EXPECT_NE(firstSolidX(gg), 99.0f);
  EXPECT_EQ(firstSolidX(gb), 99.0f);
}

TEST_F(JelViewTest, AppendedJelsAloneAndRebuildsLeaveNothingBehind) {
  dropJel(2.0f, 1, "first");
  createView();
  GVBuildOgreScene(32, 32);
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  ASSERT_TRUE(sm->hasEntity("firstHENT"));
  const size_t before = engineObjects();

  // An import: a Geo id that names no Geo mirrors only the appended Jel.
  dropJel(8.0f, 2, "second");
  const float moved[6] = {-3, 3, 0, 6, -3, 3};
  GVUpdateOgreWalls(moved);
  const Ogre::AxisAlignedBox walls = gOgreData->mWalls->getBoundingBox();
  GVRebuildOgreObjects(77, 2, 32, 32);
  EXPECT_TRUE(sm->hasEntity("secondHENT"));
  EXPECT_TRUE(sm->hasManualObject("secondMO"));
  EXPECT_EQ(gOgreData->mWalls->getBoundingBox(), walls);

  // Deleting a Jel takes its mirror (its destroy hook); a Jel of the same
  // name is built again and again.
  GVDeleteJels(GVScene().world, 2);
  EXPECT_FALSE(sm->hasEntity("secondHENT"));
  EXPECT_EQ(engineObjects(), before);
  for (int i = 0; i < 100; ++i) {
    dropJel(8.0f, 2, "second");
    GVCreateOgreJelObj(2, 32);
    ASSERT_TRUE(sm->hasEntity("secondHENT")) << i;
    GVDeleteJels(GVScene().world, 2);
  }
  EXPECT_EQ(engineObjects(), before);
  // The same for a build that meets the lattice mesh of an earlier one.
  HObject* again = dropJel(8.0f, 2, "second");
  ASSERT_NE(GVCreateOgreJelManualObject(again->handle, 0.02f), nullptr);
  sm->destroyManualObject("secondMO");
  EXPECT_NE(GVCreateOgreJelManualObject(again->handle, 0.02f), nullptr);
  // A Jel named like a drawn one gets a mirror of its own under other engine
  // names, and loses it alone.
  HObject* namesake = dropJel(12.0f, 3, "first");
  GVCreateOgreJelObj(3, 32);
  EXPECT_NO_THROW(GVUpdateOgreObjects());
  Ogre::Entity* own = GVOgreJelEntity(namesake->handle);
  ASSERT_NE(own, nullptr);
  EXPECT_NE(own, sm->getEntity("firstHENT"));
  GVDeleteJels(GVScene().world, 3);
  EXPECT_TRUE(sm->hasEntity("firstHENT"));
}

}  // namespace

namespace {

bool isMarkedNode(uint32_t p) {
  return std::abs(ch(p, 16) - 204) <= 2 && std::abs(ch(p, 8) - 51) <= 2 && std::abs(ch(p, 0) - 102) <= 2;
}

// Marked nodes land on their projections inside the engine's frame, and
// nowhere else; a marked-part word of 1 marks nothing.
TEST_F(JelViewTest, MarkedNodesInTheEngineFrame) {
  HObject* jel = dropJel(3.0f, 1, "drop");
  createView();
  view_.world = GVScene().world;
  GVSceneServices().buildRenderScene(32, 32);
  jel->markedParts[0] = 6;
  show();
  int onNode = 0;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) {
    const Rect at = footprint({{jel->pos[i][0], jel->pos[i][1], jel->pos[i][2]}});
    onNode += count(at, isMarkedNode, 1) > 0 ? 1 : 0;
  }
  EXPECT_EQ(onNode, jel->nodeCount);
  const int marked = count(footprint(nodesOf(jel)), isMarkedNode, 3);
  EXPECT_GT(marked, jel->nodeCount);
  EXPECT_EQ(count(viewRect(), isMarkedNode), marked);

  jel->markedParts[0] = 1;
  show();
  EXPECT_EQ(count(viewRect(), isMarkedNode), 0);
}

// At frame 425 of a triangle envelope a Geo attached to the chassis moves by
// twice the offset at each application, and its engine node with it.
TEST_F(JelViewTest, ExplodedViewMovesAttachedGeos) {
  dropJel(3.0f, 1, "chassis");
  GVScene().vehicle = GVNewVehicle();
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  GVVehicleSetWorld(v, world());
  v->chassisJel = 1;
  GObject* g = geotest::makeGeo(2, "rider", geotest::boxCorners({-0.5f, 6, -0.5f}, {0.5f, 7, 0.5f}),
                                geotest::boxTriangles());
  g->handle = new ObjHandle{g};
  g->attach = new GeoAttach{};
  GVAttachSet(g->attach, 1, 1, 0, 0, 0, 1, 0);
  GVAddGeo(geos(), g);
  createView();
  GVScene().display->optionInts3[0] = 1;
  GVSceneServices().buildRenderScene(16, 32);
  ASSERT_NE(gOgreData->mVehicleExplode, nullptr);
  EXPECT_EQ(gOgreData->mVehicleExplode->chassisId, 1);
  world()->params.currentFrame = 425;
  GVUpdateOgreObjects();
  const Ogre::Vector3 before = GVGeoEntity(g)->getParentSceneNode()->getPosition();
  GVUpdateOgreObjects();
  const float* offset = gOgreData->mVehicleExplode->offset;
  EXPECT_GT(offset[0] * offset[0] + offset[1] * offset[1] + offset[2] * offset[2], 0.1f);
  const Ogre::Vector3 after = GVGeoEntity(g)->getParentSceneNode()->getPosition();
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(after[k] - before[k], 2.0f * offset[k], 1e-4) << k;

  // Word 28 back to 0: the next build frees the record.
  GVScene().display->optionInts3[0] = 0;
  GVSceneServices().buildRenderScene(16, 32);
  EXPECT_EQ(gOgreData->mVehicleExplode, nullptr);
  GVDeleteVehicleHandle(GVScene().vehicle);
  GVScene().vehicle = nullptr;
}

}  // namespace
