// The transform manipulator in a real view: handle picks with the view
// camera, drags of Geos and Jels under both state modes, the refusals and
// their warnings, the table entries the editors call, and the gizmo as it
// lands on the screen on the plain path and in the engine's frame.
#include "GVAppWins/manipulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "GVAppWins/editor_view_services.h"
#include "GVAppWins/gl_draw.h"
#include "GVAppWins/info_panels.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "display_expected.h"
#include "dynamics/motion_commands.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "jel/jel_object.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "scene/app_lifecycle.h"
#include "scene/editor_links.h"
#include "geo/geo_list_services.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "test_main_window.h"
#include "view_probe.h"

#include <GL/gl.h>

namespace {

constexpr float kPi = 3.14159265f;
std::vector<std::string> gStatus;
std::vector<int> gCodes;
int gReleased = 0;

int Owner(int, int code, intptr_t, intptr_t p2, void*) {
  gCodes.push_back(code);
  if (code == 512 && p2) gStatus.emplace_back(reinterpret_cast<const char*>(p2));
  return 0;
}
bool Told(const char* text) {
  for (const auto& s : gStatus)
    if (s == text) return true;
  return false;
}
bool Sent(int code) {
  for (int c : gCodes)
    if (c == code) return true;
  return false;
}

int ch(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }
bool IsColour(uint32_t p, int r, int g, int b) {
  return std::abs(ch(p, 16) - r) <= 1 && std::abs(ch(p, 8) - g) <= 1 && std::abs(ch(p, 0) - b) <= 1;
}

void Aim(GVView& view, float ex, float ey, float ez) {
  CameraRec* cam = *view.camera;
  cam->eye[0] = ex, cam->eye[1] = ey, cam->eye[2] = ez;
  const float origin[3] = {0, 0, 0};
  GVSetCameraTarget(cam, origin);
  GVUpdateCameraAngles(cam);
  GVSetViewProjection(&view);
}

// How far right of the manipulator's screen centre pixels of the colour reach
// (rows within 3 of the centre); and how many pixels of it the view shows.
struct Reach {
  int right = -1, count = 0;
};
Reach Measure(GVView& view, int r, int g, int b) {
  GVTestShowView(view);
  float c[3];
  GVManipWorldToPixel(view.manipulator, view.manipulator->position, c);
  POINT o = {0, 0};
  ClientToScreen(view.window, &o);
  const GVSurface& s = GVScreenImage();
  Reach out;
  for (int y = 0; y < view.viewport->height; ++y)
    for (int x = 0; x < view.viewport->width; ++x) {
      if (!IsColour(s.at(o.x + x, o.y + y), r, g, b)) continue;
      ++out.count;
      if (std::abs(y - static_cast<int>(c[1])) <= 3 && x - static_cast<int>(c[0]) > out.right)
        out.right = x - static_cast<int>(c[0]);
    }
  return out;
}

// Arms of 50 px plus a tip of a fifth of that, rings of 100 px, a triad of
// 25 px plus its 7.5-px tip: the same at any camera distance.
void ExpectGizmoSizes(GVView& view) {
  GVManipulator& m = *view.manipulator;
  gViewModeFlags.moveTool = 1;
  view.flags &= ~kViewAxesTriad;
  m.mode = 1;
  for (float z : {40.0f, 20.0f}) {
    Aim(view, 0, 0, z);
    EXPECT_NEAR(Measure(view, 229, 0, 0).right, 60, 2) << z;
  }
  Aim(view, 30, 20, 40);
  for (int k = 0; k < 3; ++k) EXPECT_GT(Measure(view, k == 0 ? 229 : 0, k == 1 ? 229 : 0, k == 2 ? 229 : 0).count, 30);
  m.mode = 2;
  Aim(view, 0, 0, 40);
  EXPECT_NEAR(Measure(view, 0, 0, 229).right, 100, 2);
  gViewModeFlags.moveTool = 0;
  EXPECT_EQ(Measure(view, 229, 0, 0).count, 0);
  view.flags |= kViewAxesTriad;
  EXPECT_NEAR(Measure(view, 229, 0, 0).right, 32, 2);
  // The arrows and the triad for the eye, in the build tree.
  gViewModeFlags.moveTool = 1;
  m.mode = 1;
  Aim(view, 30, 20, 40);
  GVTestShowView(view);
  EXPECT_TRUE(GVSaveScreenPng(GVOgreEnabled ? "manipulator_engine.png" : "manipulator_plain.png"));
}

// A plain-path view over the program's scene records, its owner recording.
class ManipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    GVTestReset();
    gStatus.clear();
    gCodes.clear();
    gReleased = 0;
    GVOgreEnabled = 0;
    SceneServices s;
    s.mainWindowExists = s.viewExists = []() -> int32_t { return 1; };
    s.showStatusLine = [](const char* text) { gStatus.emplace_back(text); };
    s.releaseMoveToolButtons = [] { ++gReleased; };
    GVInstallEditorViewServices(&s);
    GVSetSceneServices(s);
    GVAppStartup();
    GVViewSceneLinks links;
    links.bounds = bounds_;
    links.currentGeo = current_;
    links.currentJel = current_ + 3;
    GVSetViewSceneLinks(links);
    GVSetDefaultViewOwner(Owner);
    HWND main = GVTestMainWindow(1100, 760);
    GVCreateView(&view_, GetModuleHandleA(nullptr), main, 1000, 700, GVScene().geoList, GVScene().world, nullptr);
    GVMoveView(&view_, 0, 0, 1000, 700);
    GVSetMainView(&view_);
    GVTestPumpMessages();
    Aim(view_, 0, 0, 40);
  }
  void TearDown() override {
    GVDestroyView(&view_);
    GVSetMainView(nullptr);
    GVAppShutdown();
    GVSetDefaultViewOwner(nullptr);
    GVSetViewSceneLinks(GVViewSceneLinks());
    GVSetSceneServices(SceneServices());
    gViewModeFlags = ViewModeFlags();
    GVOgreEnabled = 1;
    GVTestReset();
  }
  HWorld* world() { return *GVScene().world; }
  GObject* addGeo() {
    GObject* g = geotest::makeGeo(1, "box", geotest::boxCorners({-1, -1, -1}, {1, 1, 1}), geotest::boxTriangles());
    g->handle = new ObjHandle{g};
    GVAddGeo(GVGeoListOf(GVScene().geoList), g);
    return g;
  }
  HObject* addJel(int32_t id, float h) {
    const float corner[3] = {-h, -h, -h};
    HObject* j = MakeDropJel(2, 2, 2, h, corner, id, 0.0f);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  void centre(int32_t id, int32_t frame, float out[3]) {
    GVGetSelPosition(world(), 1, id, frame, 14, out, nullptr, nullptr);
  }
  // Screen centre of the manipulator and pixels per world unit along x.
  void screen(float c[3], float* perUnit) {
    GVManipulator& m = *view_.manipulator;
    const float e[3] = {m.position[0] + 1, m.position[1], m.position[2]};
    float s[3];
    GVManipWorldToPixel(&m, m.position, c);
    GVManipWorldToPixel(&m, e, s);
    if (perUnit) *perUnit = s[0] - c[0];
  }

  float bounds_[6] = {-8, 8, 0, 10, -6, 6};
  int32_t current_[6] = {};
  GVView view_;
};

TEST_F(ManipTest, HandlePicksWithTheViewCamera) {
  GVManipulator& m = *view_.manipulator;
  m.mode = 1;
  m.worldRadius = GVManipWorldSize(&m, 100.0f);
  float c[3];
  screen(c, nullptr);
  EXPECT_EQ(GVManipPickAxis(&m, c[0] + 5, c[1]), 4);        // on the x line, but near the centre
  EXPECT_EQ(GVManipPickAxis(&m, c[0] + 15, c[1] - 15), 1);  // as near the y line: the lower axis
  EXPECT_EQ(GVManipPickAxis(&m, c[0] + 200, c[1] + 19), 1);  // far beyond the drawn arm
  EXPECT_EQ(GVManipPickAxis(&m, c[0] + 200, c[1] + 21), 0);
  EXPECT_EQ(GVManipPickAxis(&m, c[0] - 12, c[1] + 150), 2);
  EXPECT_EQ(GVManipAxisDistance(&m, 3, c[0] + 8, c[1]), 1000.0f);  // z along the line of sight

  m.mode = 2;
  m.worldRadius = GVManipWorldSize(&m, 200.0f);
  float tangent[2], angle = 0;
  EXPECT_EQ(GVManipPickRing(&m, c[0] + 101, c[1]), 3);
  m.handle = 3;
  ASSERT_TRUE(GVManipRingAngleAt(&m, c[0], c[1] - 100, tangent, &angle));
  EXPECT_NEAR(angle, kPi / 2, 0.02);
  // A hit at the ring's centre, and a ray along the ring's plane: no hit, no angle.
  EXPECT_EQ(GVManipRingDistance(&m, 3, c[0], c[1]), 10000.0f);
  EXPECT_FALSE(GVManipRingAngleAt(&m, c[0], c[1], tangent, &angle));
  m.handle = 1;
  EXPECT_EQ(GVManipRingDistance(&m, 1, c[0], c[1] - 50), 10000.0f);
  EXPECT_FALSE(GVManipRingAngleAt(&m, c[0], c[1] - 50, tangent, &angle));
  EXPECT_EQ(GVManipPickRing(&m, c[0], c[1]), 0);

  EXPECT_FLOAT_EQ(GVSnapToInteger(-2.99f), -3.0f);
  EXPECT_FLOAT_EQ(GVSnapToInteger(2.5f), 2.5f);
  EXPECT_FLOAT_EQ(GVSnapAngle45(-89.7f * kPi / 180), -kPi / 2);
}

TEST_F(ManipTest, GeoDragsSnapMirrorAndScale) {
  GObject* geo = addGeo();
  GVManipulator& m = *view_.manipulator;
  const GTransform& live = geo->xform[GEO_SLOT_FRAME];
  const GTransform& start = geo->xform[GEO_SLOT_START];
  ASSERT_EQ(GVManipulatorAttach(&view_, 1, 1, 0), 1);
  float c[3], k = 0;
  screen(c, &k);
  ASSERT_EQ(GVManipPress(&m, c[0] + 30, c[1]), 1);
  EXPECT_EQ(m.handle, 1);
  GVManipDrag(&m, c[0] + 30 + 2.99f * k, c[1]);
  EXPECT_FLOAT_EQ(live.position[0], 3.0f);
  EXPECT_FLOAT_EQ(start.position[0], 3.0f);
  GVManipDrag(&m, c[0] + 30 + 2.9f * k, c[1]);
  EXPECT_NEAR(live.position[0], 2.9f, 1e-4);
  EXPECT_NEAR(start.position[0], 2.9f, 1e-4);
  GVManipRelease(&m);
  EXPECT_TRUE(Sent(8) && Sent(16));
  EXPECT_NEAR(m.position[0], 2.9f, 1e-4);

  const float origin[3] = {0, 0, 0};
  GVSetGeoTransformPos(origin, -2, geo);
  ASSERT_EQ(GVManipulatorAttach(&view_, 2, 1, 0), 1);
  screen(c, nullptr);
  ASSERT_EQ(GVManipPress(&m, c[0], c[1]), 1);  // the rings' centre: nothing to turn
  EXPECT_EQ(m.handle, 0);
  EXPECT_EQ(m.pressPoint[0], 0.0f);
  GVManipRelease(&m);
  ASSERT_EQ(GVManipPress(&m, c[0] + 100, c[1]), 1);
  EXPECT_EQ(m.handle, 3);
  GVManipDrag(&m, c[0] + 100, c[1] - 44.6f);  // along the ring, up the screen
  EXPECT_FLOAT_EQ(m.angle - m.startAngle, kPi / 4);
  EXPECT_NEAR(std::fabs(live.matrix[1]), std::sqrt(0.5f), 1e-5);
  GVManipDrag(&m, c[0] + 100, c[1] - 44.4f);
  EXPECT_NEAR((m.angle - m.startAngle) * 180 / kPi, 44.4, 0.02);
  GVManipDrag(&m, c[0] + 100, c[1]);
  GVManipRelease(&m);

  ASSERT_EQ(GVManipulatorAttach(&view_, 3, 1, 0), 1);
  const float faceSize = GVCalcGeoFaceSize(geo);
  screen(c, nullptr);
  ASSERT_EQ(GVManipPress(&m, c[0] + 3, c[1] + 3), 1);
  EXPECT_EQ(m.handle, 4);
  GVManipDrag(&m, c[0] - 300, c[1] + 40);
  EXPECT_FLOAT_EQ(live.scale[1], 0.4375f);
  GVManipDrag(&m, c[0] + 200, c[1] + 40);
  EXPECT_FLOAT_EQ(live.scale[2], 2.0f);
  GVManipRelease(&m);
  EXPECT_NEAR(geo->faceSize, 2 * faceSize, 1e-3);
  float lo = 1e9f, hi = -1e9f;
  for (int i = 1; i <= geo->vertexCount; ++i) {
    lo = std::fmin(lo, geo->vertices[i][1]);
    hi = std::fmax(hi, geo->vertices[i][1]);
  }
  EXPECT_NEAR(hi - lo, 4.0f, 1e-4);  // the 2-unit box, twice as tall

  // Shown by no slot at the displayed frame: the read-outs move, the Geo does not.
  ASSERT_EQ(GVManipulatorAttach(&view_, 1, 1, 0), 1);
  screen(c, &k);
  ASSERT_EQ(GVManipPress(&m, c[0] + 30, c[1]), 1);
  geo->flags |= GEO_FLAG_BOUND | GEO_FLAG_CELL_BINDING;
  GVManipDrag(&m, c[0] + 30 + 2 * k, c[1]);
  EXPECT_FLOAT_EQ(m.moveReadout, 2.0f);
  EXPECT_EQ(live.position[0], 0.0f);  // where the rotate step left it
}

TEST_F(ManipTest, JelMovesFollowTheStateMode) {
  GVManipulator& m = *view_.manipulator;
  for (int32_t mode : {-1, 0}) {
    const int32_t id = 2 + mode;
    addJel(id, 1.0f);
    world()->params.stateMode = mode;
    float before[3][3], after[3][3];
    for (int f = 0; f < 3; ++f) centre(id, -f, before[f]);
    ASSERT_EQ(GVManipulatorAttach(&view_, 1, 0, id), 1) << mode;
    float c[3], k = 0;
    screen(c, &k);
    ASSERT_EQ(GVManipPress(&m, c[0] + 30, c[1]), 1);
    GVManipDrag(&m, c[0] + 30 + 1.5f * k, c[1]);
    GVManipRelease(&m);
    EXPECT_TRUE(Sent(32) && Sent(64));
    for (int f = 0; f < 3; ++f) centre(id, -f, after[f]);
    // [0] frame 0, [1] the rest shape, [2] the live state.
    EXPECT_NEAR(after[2][0] - before[2][0], 1.5f, 1e-5) << mode;
    EXPECT_NEAR(after[mode == -1 ? 1 : 0][0] - before[mode == -1 ? 1 : 0][0], 1.5f, 1e-5) << mode;
    EXPECT_NEAR(after[mode == -1 ? 0 : 1][0] - before[mode == -1 ? 0 : 1][0], 0.0f, 1e-5) << mode;
    EXPECT_NEAR(after[2][1] - before[2][1], 0.0f, 1e-5);
  }

  // A turn in several steps turns the Jel by the angle shown, once.
  HObject* jel = GVJelOf(GVFindJel(GVScene().world, 2));
  float c0[3], p0[3];
  centre(2, -2, c0);
  jel->getNodePosition(1, -2, 14, p0);
  ASSERT_EQ(GVManipulatorAttach(&view_, 2, 0, 2), 1);
  float c[3];
  screen(c, nullptr);
  ASSERT_EQ(GVManipPress(&m, c[0] + 100, c[1]), 1);
  for (float step : {10.0f, 20.0f, 30.0f}) GVManipDrag(&m, c[0] + 100, c[1] - step);
  GVManipRelease(&m);
  float p1[3];
  jel->getNodePosition(1, -2, 14, p1);
  const float a0 = std::atan2(p0[1] - c0[1], p0[0] - c0[0]), a1 = std::atan2(p1[1] - c0[1], p1[0] - c0[0]);
  EXPECT_NEAR(std::fabs(a1 - a0) * 180 / kPi, 30.0, 0.2);
  EXPECT_NEAR(p1[2], p0[2], 1e-4);
}

TEST_F(ManipTest, JelRefusalsAndScales) {
  HObject* jel = addJel(1, 1.0f);
  GVManipulator& m = *view_.manipulator;
  world()->params.stateMode = -1;
  EXPECT_EQ(GVManipulatorAttach(&view_, 2, 0, 1), 0);
  EXPECT_TRUE(Told("Gv warning: Cannot rotate Jel in Natural State mode"));
  EXPECT_TRUE(m.mode == 0 && m.jelId == 0 && Sent(128));
  m.mode = 2, m.jelId = 1;
  gStatus.clear(), gCodes.clear();
  EXPECT_EQ(GVManipPress(&m, 500, 300), 0);
  EXPECT_TRUE(Told("Gv warning: Cannot rotate Jel in Natural State mode") && Sent(128) && m.mode == 0);
  world()->params.stateMode = 0;
  EXPECT_EQ(GVManipulatorAttach(&view_, 3, 0, 1), 0);
  EXPECT_TRUE(Told("Gv warning: Cannot scale JEL in Initial State mode"));

  world()->params.stateMode = -1;
  ASSERT_EQ(GVManipulatorAttach(&view_, 3, 0, 1), 1);
  float c[3];
  screen(c, nullptr);
  gStatus.clear();
  ASSERT_EQ(GVManipPress(&m, c[0] + 30, c[1]), 1);
  GVManipDrag(&m, c[0] + 60, c[1]);
  EXPECT_TRUE(Told("Gv warning: JEL objects must be scaled 'uniformly'"));
  EXPECT_FLOAT_EQ(jel->cellSize, 1.0f);
  GVManipRelease(&m);
  jel->flags |= 0x10;
  ASSERT_EQ(GVManipPress(&m, c[0], c[1]), 1);
  GVManipDrag(&m, c[0] + 200, c[1]);
  GVManipRelease(&m);
  EXPECT_FLOAT_EQ(jel->cellSize, 2.0f);
  EXPECT_EQ(jel->flags & 0x10, 0u);

  // Half of a 0.1 cell lies outside the sizes a Jel may take.
  HObject* small = addJel(2, 0.1f);
  float p0[3], p1[3];
  small->getNodePosition(8, -2, 14, p0);
  ASSERT_EQ(GVManipulatorAttach(&view_, 3, 0, 2), 1);
  screen(c, nullptr);
  ASSERT_EQ(GVManipPress(&m, c[0], c[1]), 1);
  GVManipDrag(&m, c[0] - 200, c[1]);
  EXPECT_FLOAT_EQ(m.scaleReadout, 0.5f);
  GVManipRelease(&m);
  small->getNodePosition(8, -2, 14, p1);
  EXPECT_FLOAT_EQ(small->cellSize, 0.1f);
  EXPECT_EQ(p1[0], p0[0]);
}

TEST_F(ManipTest, RotateReadoutAndTableEntries) {
  GObject* geo = addGeo();
  GVManipulator& m = *view_.manipulator;
  Aim(view_, 0, 30, 40);
  ASSERT_EQ(GVManipulatorAttach(&view_, 2, 1, 0), 1);
  const float s = std::sqrt(0.5f) * m.worldRadius, onRing[3] = {s, 0, s};
  float p[3];
  GVManipWorldToPixel(&m, onRing, p);
  ASSERT_EQ(GVManipPress(&m, p[0], p[1]), 1);
  ASSERT_EQ(m.handle, 2);
  const float d = 0.5f * 180 / kPi;
  GVManipDrag(&m, p[0] + d * m.ringTangent[0], p[1] + d * m.ringTangent[1]);
  char text[64];
  std::snprintf(text, sizeof text, "%4.2f", m.rotateReadout * 57.295776f);
  EXPECT_STREQ(text, "28.65");
  GVShowTransformInfo(&view_);
  GVManipRelease(&m);

  // The editors reach the manipulator through the table.
  geo->xform[GEO_SLOT_FRAME].position[1] = 4.0f;
  ASSERT_EQ(GVManipulatorAttach(&view_, 1, 1, 0), 1);
  geo->xform[GEO_SLOT_FRAME].position[2] = -3.0f;
  GVSceneServices().placeManipulatorAtGeo();
  EXPECT_EQ(m.position[1], 4.0f);
  EXPECT_EQ(m.position[2], -3.0f);

  addJel(1, 1.0f);
  GVJelEditorLink editor;
  editor.jelId = 1;
  GVEditors().initialState = &editor;
  ASSERT_EQ(GVManipulatorAttach(&view_, 2, 0, 1), 1);
  EXPECT_EQ(GVSceneServices().manipulatorCanMove(), 1);
  world()->params.stateMode = -1;
  gCodes.clear();
  int mainWindow = 0;
  GVInitialStateCB(-1, kInitStateMode, 0.0f, &mainWindow);
  GVEditors() = GVEditorLinks();
  EXPECT_TRUE(Told("Gv warning: Cannot rotate Jel in Natural State mode"));
  EXPECT_EQ(gReleased, 1);
  EXPECT_TRUE(m.mode == 0 && Sent(128));
}

TEST_F(ManipTest, GizmoOnThePlainPath) {
  GObject* geo = addGeo();
  ASSERT_EQ(GVManipulatorAttach(&view_, 1, 1, 0), 1);
  ExpectGizmoSizes(view_);

  // Line primitives in drawing order, each with its colour and screen ends.
  struct Line {
    float r, g, b, x0, y0, x1, y1;
  };
  auto lines = [&] {
    std::vector<GLfloat> buf(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buf.size()), GL_3D_COLOR, buf.data());
    glRenderMode(GL_FEEDBACK);
    GVDrawManipulator(view_.manipulator);
    const GLint n = glRenderMode(GL_RENDER);
    std::vector<Line> out;
    for (GLint i = 0; i < n;) {
      const GLint token = static_cast<GLint>(buf[i++]);
      const GLint vertex = 7;
      if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
        out.push_back({buf[i + 3], buf[i + 4], buf[i + 5], buf[i], buf[i + 1], buf[i + 7], buf[i + 8]});
        i += 2 * vertex;
      } else if (token == GL_POLYGON_TOKEN) {
        i += 1 + vertex * static_cast<GLint>(buf[i]);
      } else {
        i += token == GL_PASS_THROUGH_TOKEN ? 1 : vertex;
      }
    }
    return out;
  };
  auto red = [](const Line& l) { return l.r > 0.8f && l.g < 0.1f && l.b < 0.1f; };
  // With the eye on the +x side the -x half-arm comes first.
  view_.manipulator->mode = 1;
  Aim(view_, 30, 10, 30);
  std::vector<float> dx;
  for (const Line& l : lines())
    if (red(l)) dx.push_back(l.x1 - l.x0);
  ASSERT_EQ(dx.size(), 2u);
  EXPECT_LT(dx[0], 0.0f);
  EXPECT_GT(dx[1], 0.0f);
  // The Geo turned a quarter about z: its scale arms turn, the move arrows do not.
  const float quarter[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
  GVSetGeoTransformRot(quarter, -2, geo);
  Aim(view_, 0, 0, 40);
  for (int mode : {1, 3}) {
    view_.manipulator->mode = mode;
    for (const Line& l : lines())
      if (red(l)) EXPECT_EQ(std::fabs(l.x1 - l.x0) > std::fabs(l.y1 - l.y0), mode == 1) << mode;
  }
}

class ManipEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    GVTestReset();
    GVTestSetScreen(1280, 800);
    GVViewSceneLinks links;
    links.bounds = bounds_;
    links.background = kBackground;
    GVSetViewSceneLinks(links);
    GVTestOpenView(view_, GVTestMainWindow(1100, 760));
  }
  void TearDown() override {
    GVDestroyView(&view_);
    GVSetMainView(nullptr);
    gViewModeFlags = ViewModeFlags();
    GVSetViewSceneLinks(GVViewSceneLinks());
    GVTestReset();
  }
  float bounds_[6] = {-12, 12, 0, 24, -12, 12};
  static constexpr float kBackground[3] = {0.75f, 0.75f, 0.75f};
  GVView view_;
};

TEST_F(ManipEngineTest, GizmoInTheEnginesFrame) { ExpectGizmoSizes(view_); }

}  // namespace
