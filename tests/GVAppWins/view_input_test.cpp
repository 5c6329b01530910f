// The view's mouse and keys driven through the window layer's scripted input:
// picking, camera tools, the part rectangle, the running drag and the
// structure edit, each seen in the scene records, the owner's reports and
// the composed screen.
#include <gtest/gtest.h>

#include <OGRE/Ogre.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "../dynamics/runner_scene.h"
#include "../geo/geo_fixtures.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/render_services.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_picking.h"
#include "GVAppWins/view_window.h"
#include "display_expected.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_binding.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "geo/uv_sets.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "scene/app_lifecycle.h"
#include "scene/frame_driver.h"
#include "records/heap_string.h"
#include "records/obj_handle.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "test_main_window.h"
#include "view_probe.h"

namespace {

constexpr float kDeg = 3.14159265f / 180.0f;
const float kBackground[3] = {0.75f, 0.75f, 0.75f};
int32_t gGeo[3], gJel[3], gRunning;
ViewDragRec gDrag;
std::vector<std::tuple<int, int, intptr_t>> gCalls;
std::vector<std::string> gMessages;
int gStoreAnswer = 0;

int recordOwner(int a, int code, intptr_t p1, intptr_t, void*) {
  gCalls.emplace_back(a, code, p1);
  if (code == 0x2000) return gRunning ? 1 : 0;
  return code == 0x40000000 ? gStoreAnswer : 0;
}
bool called(int a, int code, intptr_t p1) {
  for (const auto& c : gCalls)
    if (c == std::make_tuple(a, code, p1)) return true;
  return false;
}

int ch(uint32_t p, int s) { return static_cast<int>((p >> s) & 0xff); }
bool near(uint32_t p, int r, int g, int b, int tol) {
  return std::abs(ch(p, 16) - r) <= tol && std::abs(ch(p, 8) - g) <= tol && std::abs(ch(p, 0) - b) <= tol;
}

class ViewInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    GVTestReset();
    GVTestSetScreen(1280, 800);
    GVAppStartup();
    gGeo[0] = gGeo[1] = gGeo[2] = gJel[0] = gJel[1] = gJel[2] = gRunning = gStoreAnswer = 0;
    gDrag = ViewDragRec();
    gViewInput = ViewInputState();
    gViewModeFlags = ViewModeFlags();
    gCalls.clear();
    gMessages.clear();
    GVViewSceneLinks links;
    links.bounds = GVScene().bounds;
    links.background = kBackground;
    links.currentGeo = gGeo;
    links.currentJel = gJel;
    links.drag = &gDrag;
    links.running = &gRunning;
    GVSetViewSceneLinks(links);
    GVSetViewMessageRoutine([](const char* text) { gMessages.push_back(text); });
    GVSetDefaultViewOwner(recordOwner);
    GVInstallRenderServices();
    SceneServices s = GVSceneServices();
    s.viewCamera = []() -> CameraRec* { return GVMainView() ? *GVMainView()->camera : nullptr; };
    GVSetSceneServices(s);
    main_ = GVTestMainWindow(1100, 760);
  }
  void TearDown() override {
    GVAppShutdown();
    GVDestroyView(&view_);
    GVSetMainView(nullptr);
    GVSetDefaultViewOwner(nullptr);
    GVSetViewMessageRoutine(nullptr);
    GVSetSceneServices(SceneServices());
    gViewModeFlags = ViewModeFlags();
    GVTestReset();
  }
  HWorld* world() { return *GVScene().world; }
  HObject* addJel(float x, int32_t id, const char* name) {
    const float corner[3] = {x - 1.0f, 3.0f, -1.0f};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, id, -9.81f);
    GVSetString(&j->name, name);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  void open() {
    GVSetMainView(&view_);
    GVCreateView(&view_, GetModuleHandleA(nullptr), main_, 1000, 700, GVScene().geoList, GVScene().world, nullptr);
    GVMoveView(&view_, 10, 10, 1000, 700);
    GVSceneServices().buildRenderScene(32, 32);
    show();
  }
  void show() { GVTestShowView(view_); }
  CameraRec* cam() { return *view_.camera; }
  // Client pixel (x, y, depth) of a world point, and back.
  void toPixel(const float p[3], float px[3]) {
    float q[3];
    GVProjectPoint(cam(), p, q);
    GVNormalisedToScreen(view_.viewport, q, px);
  }
  void toWorld(float x, float y, float depth, float p[3]) {
    const float px[3] = {x, y, depth};
    float q[3];
    GVScreenToNormalised(view_.viewport, px, q);
    GVUnprojectPoint(cam(), q, p);
  }
  POINT screen(float x, float y) {
    POINT p = {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
    ClientToScreen(view_.window, &p);
    return p;
  }
  void click(POINT p, GVMouseButton b = GV_BUTTON_LEFT) {
    GVTestClick(p.x, p.y, b);
    GVTestPumpMessages();
  }
  void drag(POINT a, POINT b, GVMouseButton button = GV_BUTTON_LEFT, bool release = true) {
    GVTestMouseDown(a.x, a.y, button);
    GVTestPumpMessages();
    GVTestMouseMove(b.x, b.y);
    GVTestPumpMessages();
    if (release) GVTestMouseUp(b.x, b.y, button);
    GVTestPumpMessages();
  }
  // Jel 2 grown by one cell through a structure-edit click on the front face
  // of its lower-left cell, with a 3 x 3 x 3 builder as the structure editor makes it.
  HObject* growJelTwoByClick() {
    gJel[0] = 2;
    LatticeSpec spec;
    spec.nx = spec.ny = spec.nz = 3;
    view_.builderCell = GVNewLatticeBuilder(&spec);
    gViewModeFlags.structureEdit = 1;
    world()->params.stateMode = -1;
    float px[3];
    const float front[3] = {-0.5f, 3.5f, 1.0f};
    toPixel(front, px);
    click(screen(px[0], px[1]));
    return GVGetJelById(world(), 2);
  }
  template <typename Pred>
  int count(const HObject* j, Pred pred) {
    std::vector<std::array<float, 3>> pts;
    for (int32_t i = 1; i <= j->nodeCount; ++i) pts.push_back({j->pos[i][0], j->pos[i][1], j->pos[i][2]});
    return GVTestCountPixels(GVTestFootprint(view_, pts), pred, 2);
  }

  HWND main_ = nullptr;
  GVView view_;
};

TEST_F(ViewInputTest, PressPicksJelOrGeoWithinFiftyPixelsAndShowsItAtOnce) {
  HObject* jel = addJel(0.0f, 1, "body");
  open();
  // The node seen farthest right, and a red triangle whose first vertex lies
  // 50 pixels to its right at its depth.
  int32_t id = 0, node = 0;
  float pn[3];
  ASSERT_EQ(GVPickNearestNode(world(), -1, 990, 300, view_.viewport, cam(), &id, &node, pn), 1);
  std::vector<geotest::V3> v(3);
  toWorld(pn[0] + 50, pn[1], pn[2], v[0].data());
  toWorld(pn[0] + 130, pn[1], pn[2], v[1].data());
  toWorld(pn[0] + 130, pn[1] + 60, pn[2], v[2].data());
  GObject* g = geotest::makeGeo(7, "tri", v, {{1, 2, 3}});
  GVSetColour(&g->colourA, 0, 0.9f, 0.1f, 0.1f, 1.0f);
  g->materialType = 1;
  GVEnsureGeoMaterials(g);
  g->handle = new ObjHandle{g};
  GVRebuildGeo(g);
  GVAddGeo(static_cast<GeoList*>(GVScene().geoList->object), g);
  GVSceneServices().createGeoRenderObj(7, 32, 0);
  show();
  // Light grey to white (the Geo's wire is lit).
  auto light = [](uint32_t p) {
    const int lo = std::min({ch(p, 16), ch(p, 8), ch(p, 0)}), hi = std::max({ch(p, 16), ch(p, 8), ch(p, 0)});
    return lo >= 220 && hi - lo <= 12;
  };
  const int latticeBefore = count(jel, light);
  std::vector<std::array<float, 3>> corners = {{v[0][0], v[0][1], v[0][2]}, {v[1][0], v[1][1], v[1][2]},
                                              {v[2][0], v[2][1], v[2][2]}};
  const int wireBefore = GVTestCountPixels(GVTestFootprint(view_, corners), light, 1);

  const POINT at = screen(pn[0] + 40, pn[1]);
  click(at);
  EXPECT_EQ(gJel[0], 1);
  EXPECT_EQ(gJel[2], node);
  EXPECT_EQ(gGeo[0], 0);
  EXPECT_TRUE(called(1, 2, 1) && called(0, 2, 1));
  GVComposeScreen();  // no frame step, no redraw of our own
  show();
  EXPECT_GT(count(jel, light), latticeBefore + 20);

  gCalls.clear();
  click(at, GV_BUTTON_RIGHT);
  EXPECT_EQ(gGeo[0], 7);
  EXPECT_EQ(gJel[0], 0);
  EXPECT_TRUE(called(1, 1, 7) && called(0, 1, 7));
  show();
  EXPECT_GT(GVTestCountPixels(GVTestFootprint(view_, corners), light, 1), wireBefore + 20);

  // 60 pixels left of the leftmost node: nothing; in part-pick mode the Jel stays.
  ASSERT_EQ(GVPickNearestNode(world(), -1, 0, static_cast<int>(pn[1]), view_.viewport, cam(), &id, &node, pn), 1);
  const POINT away = screen(pn[0] - 60, pn[1]);
  click(at);
  click(away);
  EXPECT_EQ(gGeo[0] + gJel[0], 0);
  click(at);
  gViewModeFlags.partPick = 1;
  GVPressSelect(&view_, away.x - screen(0, 0).x, away.y - screen(0, 0).y, 1);
  EXPECT_EQ(gJel[0], 1);
}

TEST_F(ViewInputTest, CameraToolsStepTheCameraAndStoreItAtFrameZero) {
  addJel(0.0f, 1, "body");
  open();
  const POINT o = screen(500, 300);
  view_.toolMode = 5;
  gStoreAnswer = 1;
  float fov = cam()->fov;
  GVTestMouseDown(o.x, o.y);
  GVTestMouseMove(o.x + 3, o.y);
  GVTestPumpMessages();
  EXPECT_NEAR(cam()->fov, fov - 0.1f * kDeg, 1e-5f);
  GVTestMouseMove(o.x + 3, o.y + 4);
  GVTestPumpMessages();
  EXPECT_NEAR(cam()->fov, fov, 1e-5f);
  EXPECT_TRUE(called(0, 0x2000000, 0));
  EXPECT_FLOAT_EQ((*view_.sceneCamera)->fov, cam()->fov);
  GVTestMouseUp(o.x + 3, o.y + 4);
  GVTestPumpMessages();

  // Shift held in an idle view orbits: one pixel right turns the heading by
  // -0.5 degree and snaps near 45; the key's release restores the mode.
  view_.toolMode = 0;
  gStoreAnswer = 0;
  const float stored = (*view_.sceneCamera)->fov;
  for (const float start : {10.0f, 45.3f}) {
    GVSetCameraHeading(cam(), start);
    SendMessageA(view_.window, WM_KEYDOWN, VK_SHIFT, 0);
    EXPECT_EQ(cam()->mode, 1);
    drag(o, POINT{o.x + 1, o.y});
    SendMessageA(view_.window, WM_KEYUP, VK_SHIFT, 0);
    EXPECT_EQ(cam()->mode, 0);
    EXPECT_NEAR(cam()->heading / kDeg, start == 10.0f ? 9.5f : 45.0f, 1e-3f);
  }
  EXPECT_TRUE(called(0, 0x1000, 0));
  EXPECT_EQ(gJel[0], 0);  // the drags picked nothing
  EXPECT_FLOAT_EQ((*view_.sceneCamera)->fov, stored);
}

TEST_F(ViewInputTest, PartRectangleShowsKeepsAndSetsThePart) {
  HObject* jel = addJel(0.0f, 1, "body");
  open();
  gJel[0] = 1;
  gJel[1] = 3;
  gViewModeFlags.partPick = 1;
  // Around the whole Jel.
  float lo[3], hi[3];
  const float a[3] = {-1, 3, 1}, b[3] = {1, 5, 1};
  toPixel(a, lo);
  toPixel(b, hi);
  const POINT p0 = screen(lo[0] - 30, hi[1] - 30), p1 = screen(hi[0] + 30, lo[1] + 30);
  drag(p0, p1);
  EXPECT_EQ(gViewInput.rectShown, 1);
  show();
  auto yellow = [](uint32_t p) { return near(p, 230, 230, 77, 8); };
  ScreenRect frame;
  frame.x0 = p0.x, frame.y0 = p0.y, frame.x1 = p1.x, frame.y1 = p1.y;
  EXPECT_GT(GVTestCountPixels(frame, yellow, 2), 100);

  click(p1);  // applies it
  int inPart = 0;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) inPart += (jel->partMask[i] >> 3) & 1;
  EXPECT_GT(inPart, 0);
  EXPECT_EQ(jel->markedParts[0], 1u << 3);
  EXPECT_EQ(gViewInput.rectShown, 0);

  drag(p0, p1);
  ASSERT_EQ(gViewInput.rectShown, 1);
  SendMessageA(view_.window, WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(gViewInput.rectShown, 0);
}

TEST_F(ViewInputTest, RunningPressWarpsToNearestNodeAndMovesSetTheWorldGrabPoint) {
  addJel(0.0f, 1, "body");
  open();
  gRunning = 1;
  GVTestMouseDown(screen(5, 5).x, screen(5, 5).y);
  GVTestPumpMessages();
  int32_t id = 0, node = 0;
  float pn[3];
  GVPickNearestNode(world(), -1, 5, 5, view_.viewport, cam(), &id, &node, pn);
  POINT cursor;
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, screen(static_cast<int>(pn[0]), 0).x);
  EXPECT_EQ(cursor.y, screen(0, static_cast<int>(pn[1])).y);
  EXPECT_EQ(gDrag.jelId, 1);
  EXPECT_EQ(gDrag.node, node);

  const POINT to = screen(pn[0] + 40, pn[1] - 30);
  GVTestMouseMove(to.x, to.y);
  GVTestPumpMessages();
  EXPECT_EQ(gDrag.active, 1);
  float px[3];
  toPixel(gDrag.grabWorld, px);
  EXPECT_NEAR(px[0], static_cast<float>(gDrag.currentX), 0.5f);
  EXPECT_NEAR(px[1], static_cast<float>(gDrag.currentY), 0.5f);
  EXPECT_NEAR(px[2], pn[2], 1e-3f * std::fabs(pn[2]));
  GVTestMouseUp(to.x, to.y);
  GVTestPumpMessages();
  EXPECT_EQ(gDrag.active + gDrag.node + gDrag.part + gDrag.jelId + gDrag.button, 0);
}

TEST_F(ViewInputTest, StructureEditAddsAndRemovesACellInPlace) {
  addJel(-4.0f, 1, "left");
  HObject* jel = addJel(0.0f, 2, "body");
  addJel(4.0f, 3, "right");
  open();
  const float v[3] = {1.0f, 0.0f, 0.0f};
  jel->addPartVelocity(1, 0, 14, v);
  HObject* grown = growJelTwoByClick();
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(grown->nodeCount, 27 + 4);
  EXPECT_EQ(GVNextJel(world()->head), grown);  // still second
  float mass = 0, p[3] = {};
  grown->getPartMass(1, 0, &mass);
  grown->getPartMomentum(1, 0, 14, p);
  EXPECT_NEAR(p[0] / mass, 1.0f, 1e-4f);
  EXPECT_TRUE(called(0, 4, 2));
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  EXPECT_TRUE(sm->hasEntity("bodyHENT") && sm->hasManualObject("bodyMO"));

  float px[3];
  const float front[3] = {-0.5f, 3.5f, 1.0f};
  const float added[3] = {-0.5f, 3.5f, 2.0f};
  toPixel(added, px);
  click(screen(px[0], px[1]), GV_BUTTON_RIGHT);
  EXPECT_EQ(GVGetJelById(world(), 2)->nodeCount, 27);

  // A face of another Jel, and the initial state: nothing changes.
  gCalls.clear();
  const float other[3] = {3.5f, 3.5f, 1.0f};
  toPixel(other, px);
  click(screen(px[0], px[1]));
  world()->params.stateMode = 0;
  toPixel(front, px);
  click(screen(px[0], px[1]));
  EXPECT_EQ(GVGetJelById(world(), 2)->nodeCount, 27);
  EXPECT_EQ(GVGetJelById(world(), 3)->nodeCount, 27);
  EXPECT_FALSE(called(0, 4, 2) || called(0, 4, 3));
  ASSERT_FALSE(gMessages.empty());
  EXPECT_EQ(gMessages.back(), "Gv Warning: Edit Structure operations must be performed in Natural State mode");

  // Removing the only cell of a one-cell Jel is refused: the Jel stays, in place.
  const float corner[3] = {-0.5f, 6.0f, -0.5f};
  HObject* one = MakeDropJel(1, 1, 1, 1.0f, corner, 4, -9.81f);
  one->handle = new HObject*(one);
  GVAddJelToScene(GVScene().world, one->handle);
  world()->params.stateMode = -1;
  gJel[0] = 4;
  const float top[3] = {0.0f, 6.5f, 0.5f};
  toPixel(top, px);
  int32_t pickedJel = 0, face = 0, kind = 0;
  GVPickNearestFace(world(), 4, int(px[0]), int(px[1]), view_.viewport, cam(), &pickedJel, &face, &kind);
  ASSERT_EQ(pickedJel, 4);
  // It keeps its glue to the other Jels too.
  HObject* right = GVGetJelById(world(), 3);
  right->groupMask |= 2u;  // the structure edit unglues from part 0 of group 1
  right->partMask[5] |= 1u;
  one->setNodeGlue(1, 3, 5);
  right->setNodeGlue(5, 4, 1);
  click(screen(px[0], px[1]), GV_BUTTON_RIGHT);
  EXPECT_EQ(GVGetJelById(world(), 4), one);
  EXPECT_EQ(one->nodeCount, 8);
  EXPECT_TRUE(one->glueJel[1] == 3 && one->glueNode[1] == 5 && right->glueJel[5] == 4 && right->glueNode[5] == 1);
  EXPECT_FALSE(called(0, 4, 4));
}

// A Geo cell-bound to the edited Jel, by its first binding or only by its
// second, holds no freed Jel afterwards: the played frames read none (the
// sanitiser would stop them), every Jel a Geo still names is a listed one, and
// a binding to another Jel stays.
TEST_F(ViewInputTest, StructureEditLeavesNoGeoOnTheFreedJel) {
  HObject* jel = addJel(0.0f, 2, "body");
  HObject* right = addJel(4.0f, 3, "right");
  open();
  GeoList* list = static_cast<GeoList*>(GVScene().geoList->object);
  auto addBox = [&](int32_t id, float x, HObject* first, HObject* second) {
    GObject* g = geotest::makeGeo(id, "box", geotest::boxCorners({x - 0.3f, 3.7f, -0.3f}, {x + 0.3f, 4.3f, 0.3f}),
                                  geotest::boxTriangles());
    g->handle = new ObjHandle{g};
    GVRebuildGeo(g);
    GVAddGeo(list, g);
    g->flags |= GEO_FLAG_BOUND | GEO_FLAG_CELL_BINDING | GEO_FLAG_CELL_BINDING2;
    g->jel = first;
    g->jelId = first->id;
    EXPECT_EQ(GVCellBindGeo(g, first, 1), 1);
    EXPECT_EQ(GVCellBindGeoSecondary(g, second, 1), 1);
    return g;
  };
  GObject* both = addBox(7, 0.0f, jel, jel);
  GObject* second = addBox(8, 4.0f, right, jel);
  HObject* grown = growJelTwoByClick();
  ASSERT_NE(grown, nullptr);
  ASSERT_EQ(grown->nodeCount, 27 + 4);
  auto listed = [&](const HObject* j) {
    for (const HObject* k = world()->head; k; k = GVNextJel(k))
      if (k == j) return true;
    return !j;
  };
  for (GObject* g : {both, second}) {
    EXPECT_TRUE(listed(g->jel)) << g->id;
    for (const GeoCellBind* b : {g->cellBind, g->cellBind2})
      if (b) EXPECT_TRUE(listed(b->jel) && (b->jel || b->jelId == 0)) << g->id;
  }
  EXPECT_EQ(second->jel, right);
  ASSERT_NE(second->cellBind, nullptr);
  EXPECT_EQ(second->cellBind->jel, right);

  gViewModeFlags.structureEdit = 0;
  world()->params.stateMode = 0;
  for (int32_t frame = 1; frame <= 20; ++frame) {
    GVAdvanceToFrame(world(), frame, GVFrameCallback, GVUpdateAfterStep);
    GVTestPumpMessages();
  }
  for (const GObject* g : {both, second})
    for (int32_t i = 1; i <= g->vertexCount; ++i)
      for (int a = 0; a < 3; ++a) EXPECT_TRUE(std::isfinite(g->vertices[i][a])) << g->id;
}

TEST_F(ViewInputTest, SelectionRecordsFollowTheirRules) {
  HObject* a = addJel(-3.0f, 1, "a");
  HObject* b = addJel(3.0f, 2, "b");
  open();
  GVSetMarkedPart(world(), 2, 31);
  EXPECT_EQ(b->markedParts[0], 0u);
  GVSetMarkedPart(world(), -1, 4);
  EXPECT_EQ(a->markedParts[0], 1u << 4);
  EXPECT_EQ(b->markedParts[0], 1u << 4);
  GVSelectJel(&view_, 5, 2);  // no current Jel: the id stays 0, the part is kept
  EXPECT_EQ(gJel[0], 0);
  EXPECT_EQ(gJel[1], 5);
  GVSetCurrentJel(&view_, 2);
  EXPECT_EQ(b->markedParts[0], 1u << 5);
  EXPECT_EQ(a->markedParts[0], 0u);
  GVSetCurrentGeo(&view_, 0);
  EXPECT_EQ(b->markedParts[0], 0u);
}

TEST_F(ViewInputTest, MoveToolDragsTheGeoAlongTheXArrow) {
  open();
  GObject* g = geotest::makeGeo(7, "box", geotest::boxCorners({-0.5f, 4.0f, -0.5f}, {0.5f, 5.0f, 0.5f}),
                                geotest::boxTriangles());
  g->handle = new ObjHandle{g};
  GVRebuildGeo(g);
  GVAddGeo(static_cast<GeoList*>(GVScene().geoList->object), g);
  GVSceneServices().createGeoRenderObj(7, 32, 0);
  SceneServices sv = GVSceneServices();
  sv.mainWindowExists = sv.viewExists = []() -> int32_t { return 1; };
  GVSetSceneServices(sv);
  ASSERT_EQ(GVManipulatorAttach(&view_, 1, 7, 0), 1);
  gViewModeFlags.moveTool = 1;
  float c[3];
  GVManipWorldToPixel(view_.manipulator, view_.manipulator->position, c);
  const GTransform& live = g->xform[GEO_SLOT_FRAME];
  const float x0 = live.position[0];
  GVTestMouseDown(screen(c[0] + 30, c[1]).x, screen(c[0] + 30, c[1]).y);
  GVTestPumpMessages();
  float last = x0;
  for (int step = 1; step <= 3; ++step) {
    const POINT p = screen(c[0] + 30 + 20 * step, c[1]);
    GVTestMouseMove(p.x, p.y);
    GVTestPumpMessages();
    EXPECT_GT(live.position[0], last);  // each move, before any frame
    last = live.position[0];
  }
  GVTestMouseUp(screen(c[0] + 90, c[1]).x, screen(c[0] + 90, c[1]).y);
  GVTestPumpMessages();
  EXPECT_TRUE(called(0, 16, 7) || called(1, 16, 7) || called(0, 16, 0));
}

}  // namespace
