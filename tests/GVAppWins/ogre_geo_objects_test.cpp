#include <gtest/gtest.h>
#include <unistd.h>

#include <OGRE/Ogre.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../geo/geo_fixtures.h"
#include "GVAppWins/ogre_buffers.h"
#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/render_services.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "display_expected.h"
#include "geo/geo_list.h"
#include "geo/mesh_derived.h"
#include "geo/uv_sets.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "records/heap_string.h"
#include "records/obj_handle.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "test_main_window.h"
#include "view_probe.h"

namespace fs = std::filesystem;
using geotest::V3;

namespace {

float gBounds[6] = {-12, 12, 0, 24, -12, 12};
const float kBackground[3] = {0.75f, 0.75f, 0.75f};
int32_t gCurrentGeo[3] = {0, 0, 0};

int ch(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }
bool isRed(uint32_t p) { return ch(p, 16) > 150 && ch(p, 8) < 70 && ch(p, 0) < 70; }
bool isBlue(uint32_t p) { return ch(p, 0) > 120 && ch(p, 16) < 70 && ch(p, 8) < 100; }
bool isLight(uint32_t p) { return ch(p, 16) > 205 && ch(p, 8) > 205 && ch(p, 0) > 205; }

using Rect = ScreenRect;

// A view in a main window over a scene whose Geo list the test fills.
class GeoViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    GVTestReset();
    GVTestSetScreen(1280, 800);
    GVViewSceneLinks links;
    links.bounds = gBounds;
    links.background = kBackground;
    links.currentGeo = gCurrentGeo;
    GVSetViewSceneLinks(links);
    GVInitGeoList(&list_);
    cell_.object = &list_;
    list_.handle = &cell_;
    GVScene().geoList = &cell_;
    GVInstallRenderServices();
    main_ = GVTestMainWindow(1100, 760);
  }
  void TearDown() override {
    GVClearGeoList(&list_);
    GVScene().geoList = nullptr;
    GVDestroyView(&view_);
    GVSetMainView(nullptr);
    GVSetSceneServices(SceneServices());
    GVTestReset();
  }
  void createView() { GVTestOpenView(view_, main_); }
  void show() { GVTestShowView(view_); }
  // The Geo's first colour, which its first material layer takes: diffuse
  // (0.9, 0.1, 0.1), shown under the view's ambient light.
  static void paintRed(GObject* g) {
    GVSetColour(&g->colourA, 0, 0.9f, 0.1f, 0.1f, 1.0f);
    g->materialType = 1;
    GVEnsureGeoMaterials(g);
  }
  GObject* addGeo(GObject* g) {
    g->handle = new ObjHandle;
    g->handle->object = g;
    GVRebuildGeo(g);
    GVAddGeo(&list_, g);
    return g;
  }
  GObject* addCube(int32_t id, const char* name, V3 lo, V3 hi) {
    std::vector<geotest::Quad> quads = {{1, 2, 4, 3}, {5, 7, 8, 6}, {1, 5, 6, 2}, {3, 4, 8, 7}, {1, 3, 7, 5}, {2, 6, 8, 4}};
    GObject* g = addGeo(geotest::makeGeo(id, name, geotest::boxCorners(lo, hi), {}, quads));
    paintRed(g);
    return g;
  }
  Rect footprint(const std::vector<V3>& pts) { return GVTestFootprint(view_, pts); }
  template <typename Pred>
  int count(const Rect& r, Pred pred, int grow = 0) {
    return GVTestCountPixels(r, pred, grow);
  }
  template <typename Pred>
  int countView(Pred pred) {
    return GVTestCountPixels(GVTestViewRect(view_, 1000, 675), pred);
  }
  size_t engineObjects() { return GVTestEngineObjects(); }

  GeoList list_;
  ObjHandle cell_;
  HWND main_ = nullptr;
  GVView view_;
};

TEST_F(GeoViewTest, CubeShowsItsColourDisplayModesAndSelection) {
  createView();
  const std::vector<V3> a = geotest::boxCorners({-6, 2, -2}, {-2, 6, 2});
  const std::vector<V3> b = geotest::boxCorners({2, 2, -2}, {6, 6, 2});
  GObject* ga = addCube(1, "cubeA", {-6, 2, -2}, {-2, 6, 2});
  addCube(2, "cubeB", {2, 2, -2}, {6, 6, 2});
  GVCreateOgreGeoObj(1, 16, -7);
  GVCreateOgreGeoObj(2, 16, -7);
  show();
  const Rect ra = footprint(a), rb = footprint(b);
  const int area = (ra.x1 - ra.x0 + 1) * (ra.y1 - ra.y0 + 1);
  EXPECT_GT(count(ra, isRed), area / 2);
  // Nothing red just outside the footprint.
  EXPECT_EQ(count(ra, isRed, 3) - count(ra, isRed), 0);
  EXPECT_TRUE(GVSaveScreenPng("geo_cube.png"));

  // Wire edges only: no surface, blue lines.
  GVApplyOgreDisplayModes(2, 0);
  show();
  EXPECT_EQ(count(ra, isRed), 0);
  EXPECT_GT(count(ra, isBlue), 20);
  // Nothing at all.
  GVApplyOgreDisplayModes(1, 0);
  show();
  EXPECT_EQ(countView(isRed) + countView(isBlue), 0);

  GVApplyOgreDisplayModes(2, 0);
  GVOgreShowGeoSelection(1, 2);
  show();
  EXPECT_GT(count(ra, isLight), 20);
  EXPECT_EQ(count(ra, isBlue), 0);
  EXPECT_GT(count(rb, isBlue), 20);
  EXPECT_EQ(count(rb, isLight), 0);

  // A moved corner is drawn on the next frame from the current vertices; the
  // base shape comes back with -7.
  GVApplyOgreDisplayModes(16, 0);
  // The corner (-6, 6, 2) moves to (-9, 9, 2); the probe lies inside the
  // stretched front face and outside the cube.
  const Rect probe = footprint({{-8.2f, 8.2f, 2.0f}});
  for (int i = 1; i <= 8; ++i)
    if (ga->baseVertices[i][0] == -6 && ga->baseVertices[i][1] == 6 && ga->baseVertices[i][2] == 2) {
      ga->vertices[i][0] = -9;
      ga->vertices[i][1] = 9;
    }
  GVUpdateOgreGeoMesh(ga->handle, -2, 1);
  show();
  EXPECT_GT(count(probe, isRed, 2), 0);
  GVUpdateOgreGeoMesh(ga->handle, -7, 1);
  show();
  EXPECT_EQ(count(probe, isRed, 2), 0);
}

TEST_F(GeoViewTest, VertexLayoutsAndDoubleSidedBuffers) {
  createView();
  GObject* g = addCube(1, "layout", {0, 0, 0}, {1, 1, 1});
  ASSERT_TRUE(GVNewUVSetArray(g->uvSets ? g->uvSets : (g->uvSets = new UVSetArray{0, nullptr}), 2));
  for (int k = 0; k < 2; ++k) {
    UVSet* s = GVGetUVSet(g->uvSets, k);
    s->uvCount = g->vertexCount;
    s->uvPairs = new float[g->vertexCount + 1][2]();
  }
  g->flags |= 0x4;
  Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual("layoutTest", "General");
  const uint16_t s0 = GVCreateOgreGeoSubMesh("s0", mesh, g->handle, 0, -7, 0x11, 0, 0.0f);
  const uint16_t s1 = GVCreateOgreGeoSubMesh("s1", mesh, g->handle, 0, -7, 0x12, 1, 0.5f);
  Ogre::SubMesh* m0 = mesh->getSubMesh(s0);
  Ogre::SubMesh* m1 = mesh->getSubMesh(s1);
  EXPECT_EQ(m0->vertexData->vertexDeclaration->getVertexSize(0), 36u);
  EXPECT_EQ(m1->vertexData->vertexDeclaration->getVertexSize(0), 24u);
  ASSERT_EQ(m1->vertexData->vertexCount, 16u);
  EXPECT_EQ(m1->indexData->indexCount, 6u * 6u * 2u);
  std::vector<float> v(16 * 6);
  m1->vertexData->vertexBufferBinding->getBuffer(0)->readData(0, v.size() * 4, v.data());
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 3; ++k) {
      const float n = g->vertexNormals[i + 1][k];
      EXPECT_FLOAT_EQ(v[(8 + i) * 6 + 3 + k], -n);
      EXPECT_NEAR(v[i * 6 + k], g->baseVertices[i + 1][k] + 0.5f * n, 1e-5);
      EXPECT_NEAR(v[(8 + i) * 6 + k], g->baseVertices[i + 1][k] - 0.5f * n, 1e-5);
    }
  mesh->destroySubMesh("s1");
  mesh->destroySubMesh("s0");
  Ogre::MeshManager::getSingleton().remove(mesh);
}

TEST_F(GeoViewTest, GridPast16BitIndicesIsOneSurface) {
  createView();
  const int side = 265;  // 70,225 vertices
  std::vector<V3> verts;
  for (int i = 0; i < side; ++i)
    for (int j = 0; j < side; ++j)
      verts.push_back({-8.0f + 16.0f * i / (side - 1), 2.0f + 16.0f * j / (side - 1), 0.0f});
  std::vector<geotest::Quad> quads;
  auto at = [&](int i, int j) { return i * side + j + 1; };
  for (int i = 0; i + 1 < side; ++i)
    for (int j = 0; j + 1 < side; ++j) quads.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)});
  GObject* g = addGeo(geotest::makeGeo(1, "grid", verts, {}, quads));
  ASSERT_NE(g, nullptr);
  paintRed(g);
  GVCreateOgreGeoObj(1, 16, -7);
  show();
  EXPECT_TRUE(GVSaveScreenPng("geo_grid.png"));
  // Points of the grid, including its last columns (vertices above 65,535 lie
  // at x >= 7), show it; points just beside it show no spike.
  const GVSurface& screen = GVScreenImage();
  auto pixel = [&](float x, float y) {
    const Rect p = footprint({{x, y, 0.0f}});
    return screen.at(p.x0, p.y0);
  };
  int inside = 0, outside = 0;
  for (int a = 0; a <= 80; ++a)
    for (int b = 0; b <= 80; ++b) {
      const float x = -7.9f + 15.8f * a / 80, y = 2.1f + 15.8f * b / 80;
      inside += isRed(pixel(x, y)) ? 0 : 1;
    }
  for (int a = 0; a <= 80; ++a) {
    const float t = -8.0f + 16.0f * a / 80;
    outside += isRed(pixel(t, 1.5f)) + isRed(pixel(t, 18.5f)) + isRed(pixel(-8.5f, t + 10)) + isRed(pixel(8.5f, t + 10));
  }
  EXPECT_EQ(inside, 0);
  EXPECT_EQ(outside, 0);
}

TEST_F(GeoViewTest, RebuildsAndRenamesLeaveNothingBehind) {
  createView();
  GObject* g = addCube(1, "layers", {0, 0, 0}, {1, 1, 1});
  GVFreeUVSetArray(g->uvSets);
  g->uvSets = new UVSetArray{0, nullptr};
  ASSERT_TRUE(GVNewUVSetArray(g->uvSets, 4));
  GVFreeGeoMaterialArray(g->materials);
  g->materials = new GeoMaterialArray{0, nullptr};
  ASSERT_TRUE(GVNewGeoMaterialArray(g->materials, 4));
  for (int k = 0; k < 4; ++k) {
    UVSet* s = GVGetUVSet(g->uvSets, k);
    s->uvCount = g->vertexCount;
    s->uvPairs = new float[g->vertexCount + 1][2]();
    GVGetGeoMaterial(g->materials, k)->uvSetIndex = k;
  }
  const size_t before = engineObjects();
  const SceneServices& s = GVSceneServices();
  for (int round = 0; round < 100; ++round) {
    s.createGeoRenderObj(1, 32, -7);
    ASSERT_NE(GVGeoEntity(g), nullptr);
    ASSERT_EQ(GVGeoEntity(g)->getNumSubEntities(), 5u);
    s.destroyGeoRenderObj(g);
  }
  EXPECT_EQ(engineObjects(), before);
  s.createGeoRenderObj(1, 32, -7);
  s.destroyGeoRenderObj(g);
  GVSetString(&g->name, "renamed");
  s.createGeoRenderObj(1, 32, -7);
  EXPECT_NE(GVGeoEntity(g), nullptr);
  s.destroyGeoRenderObj(g);
  EXPECT_EQ(engineObjects(), before);

  // Two unnamed Geos: the second is not drawn and the status line says why.
  GObject* u1 = addCube(2, "u", {0, 0, 0}, {1, 1, 1});
  GObject* u2 = addCube(3, "u", {2, 0, 0}, {3, 1, 1});
  GVSetString(&u1->name, "");
  GVSetString(&u2->name, "");
  GVCreateOgreGeoObj(2, 16, -7);
  GVCreateOgreGeoObj(3, 16, -7);
  show();
  EXPECT_NE(GVGeoEntity(u1), nullptr);
  EXPECT_EQ(u2->releaseCallback, nullptr);
  EXPECT_GT(countView([](uint32_t p) { return p != 0; }), 0);
}

TEST_F(GeoViewTest, IgnoredLayerStaysHiddenInEveryMode) {
  createView();
  GObject* g = addCube(1, "ignored", {0, 0, 0}, {1, 1, 1});
  GVCreateOgreGeoObj(1, 32, -7);
  GVGetGeoMaterial(g->materials, 0)->mode = GV_DISPLAY_IGNORE;
  Ogre::SubEntity* solid = GVFindSubEntity(GVGeoEntity(g), "ignoredGSUBMESH");
  ASSERT_NE(solid, nullptr);
  for (int mode : {8, 16, 32}) {
    GVApplyOgreDisplayModes(mode, 0);
    EXPECT_FALSE(solid->isVisible()) << mode;
    GVSetOgreGeoMaterial(1, mode);
    EXPECT_FALSE(solid->isVisible()) << mode;
  }
  GVGetGeoMaterial(g->materials, 0)->mode = GV_DISPLAY_OPAQUE;
  GVApplyOgreDisplayModes(16, 0);
  EXPECT_TRUE(solid->isVisible());
}

// Material scripts live in a temporary application root.
class ScriptTest : public GeoViewTest {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    home_ = cwd;
    root_ = fs::temp_directory_path() / ("gv_scripts_" + std::to_string(getpid()));
    fs::remove_all(root_);
    for (const char* f : {"media/materials/programs", "media/materials/scripts", "media/materials/textures", "media/fonts"})
      fs::create_directories(root_ / f);
    fs::copy_file(home_ / "plugins.cfg", root_ / "plugins.cfg");
    fs::copy_file(home_ / "ogre.cfg", root_ / "ogre.cfg");
    fs::current_path(root_);
    ASSERT_TRUE(GVInitFolders());
    GeoViewTest::SetUp();
  }
  void TearDown() override {
    GeoViewTest::TearDown();
    fs::current_path(home_);
    fs::remove_all(root_);
  }
  void writeScript(const char* colour) {
    std::ofstream(root_ / "media/materials/scripts/paint.material")
        << "material Paint\n{\n technique\n {\n  pass\n  {\n   diffuse " << colour
        << "\n   ambient " << colour << "\n  }\n }\n}\n";
  }
  std::string log() {
    std::ifstream in(root_ / "Ogre.log");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path home_, root_;
};

bool isGreen(uint32_t p) { return ch(p, 8) > 150 && ch(p, 16) < 70 && ch(p, 0) < 70; }
bool isBlueFill(uint32_t p) { return ch(p, 0) > 150 && ch(p, 16) < 70 && ch(p, 8) < 70; }

TEST_F(ScriptTest, ScriptColoursReloadErrorsAndMissingScripts) {
  writeScript("0 1 0");
  createView();
  const std::vector<V3> c = geotest::boxCorners({-3, 2, -2}, {1, 6, 2});
  GObject* g = addCube(1, "scripted", {-3, 2, -2}, {1, 6, 2});
  GVSetString(&g->matFile, "paint.material");
  GVSetString(&g->matName2, "Paint");
  g->materialType = 2;
  GVCreateOgreGeoObj(1, 16, -7);
  show();
  const Rect r = footprint(c);
  const int area = (r.x1 - r.x0 + 1) * (r.y1 - r.y0 + 1);
  EXPECT_GT(count(r, isGreen), area / 2);
  GVSaveScreenPng((home_ / "geo_script.png").c_str());

  writeScript("0 0 1");
  GVSetOgreGeoMaterial(1, 16);
  show();
  EXPECT_GT(count(r, isBlueFill), area / 2);

  std::ofstream(root_ / "media/materials/scripts/paint.material")
      << "material Paint\n{\n technique\n {\n  pass\n  {\n   no_such_property 1 2\n  }\n }\n}\n";
  GVSetOgreGeoMaterial(1, 16);
  show();
  EXPECT_NE(log().find("Exception: FILE: "), std::string::npos);

  // The script is gone: properties from now on, and the status line says so.
  fs::remove(root_ / "media/materials/scripts/paint.material");
  GVDestroyOgreGeoObj(g->handle);
  GVCreateOgreGeoObj(1, 16, -7);
  show();
  EXPECT_EQ(g->materialType, 1);
  EXPECT_GT(count(r, isRed), area / 2);
}

}  // namespace
