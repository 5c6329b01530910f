// The plain OpenGL path and the editing overlays, on a view with no engine:
// the frame read back from the screen image, and the overlays' primitives
// caught in GL feedback mode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "GVAppWins/box_edges.h"
#include "GVAppWins/editor_view_services.h"
#include "GVAppWins/gl_draw.h"
#include "GVAppWins/vehicle_explode.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "display_expected.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/wgl.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "test_main_window.h"

#include <GL/gl.h>

namespace {

TEST(VehicleExplode, EnvelopeShapes) {
  VehicleExplodeRec r{};
  r.start = 50.0f;
  r.end = 800.0f;
  r.peak = 2.0f;
  r.shape = 1;
  EXPECT_FLOAT_EQ(GVVehicleExplodeEnvelope(&r, 425.0f), 2.0f);
  EXPECT_FLOAT_EQ(GVVehicleExplodeEnvelope(&r, 237.5f), 1.0f);
  EXPECT_LT(GVVehicleExplodeEnvelope(&r, 424.0f), 2.0f);
  EXPECT_LT(GVVehicleExplodeEnvelope(&r, 426.0f), 2.0f);
  r.ramp = 100.0f;
  for (int32_t shape : {2, 3}) {
    r.shape = shape;
    EXPECT_FLOAT_EQ(GVVehicleExplodeEnvelope(&r, 100.0f), 1.0f);
    for (float x : {150.0f, 425.0f, 700.0f}) EXPECT_FLOAT_EQ(GVVehicleExplodeEnvelope(&r, x), 2.0f) << x;
    EXPECT_FLOAT_EQ(GVVehicleExplodeEnvelope(&r, 750.0f), 1.0f);
  }
  for (int32_t shape : {0, 1, 2, 3, 4}) {
    r.shape = shape;
    EXPECT_EQ(GVVehicleExplodeEnvelope(&r, 49.0f), 0.0f);
    EXPECT_EQ(GVVehicleExplodeEnvelope(&r, 801.0f), 0.0f);
  }
  // Without a world the vector is zero whatever the strength.
  float v[3] = {1, 1, 1};
  GVVehicleExplodeVector(nullptr, &r, 2.0f, v);
  EXPECT_EQ(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 0.0f);
}

int ch(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }

// Primitives caught in feedback mode.
struct Caught {
  int points = 0, lines = 0, polygons = 0;
};

class PlainViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    GVTestReset();
    GVOgreEnabled = 0;
    GVViewSceneLinks links;
    links.bounds = bounds_;
    links.currentGeo = currentGeo_;
    links.currentJel = currentJel_;
    GVSetViewSceneLinks(links);
    HWND main = GVTestMainWindow(1100, 760);
    GVNewGeoList(&geoList_);
    worldCell_ = &world_;
    GVCreateView(&view_, GetModuleHandleA(nullptr), main, 1000, 700, &geoList_, &worldCell_, nullptr);
    GVMoveView(&view_, 0, 0, 1000, 700);
    GVTestPumpMessages();
    ASSERT_NE(view_.glContext, nullptr);
    // Looking down -z at the box from the front.
    CameraRec* cam = *view_.camera;
    const float eye[3] = {0.0f, 5.0f, 40.0f}, target[3] = {0.0f, 5.0f, 0.0f};
    for (int k = 0; k < 3; ++k) cam->eye[k] = eye[k];
    GVSetCameraTarget(cam, target);
    GVUpdateCameraAngles(cam);
    GVSetViewProjection(&view_);
  }
  void TearDown() override {
    GVDestroyView(&view_);
    GVDeleteGeoList(&geoList_);
    GVSetViewSceneLinks(GVViewSceneLinks());
    GVOgreEnabled = 1;
    GVTestReset();
  }
  HObject* addJel(float x, float y, int32_t id, int n = 2) {
    const float corner[3] = {x, y, 0.0f};
    HObject* j = MakeDropJel(n, n, n, 1.0f, corner, id, 0.0f);
    j->handle = new HObject*(j);
    GVAddJelToScene(&worldCell_, j->handle);
    return j;
  }
  // Pixel of a world point in the screen image (the view sits at the origin).
  void pixel(const float p[3], int* x, int* y) {
    float q[3], px[3];
    GVProjectPoint(*view_.camera, p, q);
    GVNormalisedToScreen(view_.viewport, q, px);
    POINT o = {0, 0};
    ClientToScreen(view_.window, &o);
    *x = o.x + static_cast<int>(px[0]);
    *y = o.y + static_cast<int>(px[1]);
  }
  template <typename Fn>
  Caught feedback(Fn draw) {
    std::vector<GLfloat> buf(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buf.size()), GL_3D, buf.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    Caught c;
    for (GLint i = 0; i < n;) {
      const GLint token = static_cast<GLint>(buf[i++]);
      if (token == GL_POINT_TOKEN) {
        ++c.points;
        i += 3;
      } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
        ++c.lines;
        i += 6;
      } else if (token == GL_POLYGON_TOKEN) {
        ++c.polygons;
        i += 1 + 3 * static_cast<GLint>(buf[i]);
      } else {
        i += token == GL_PASS_THROUGH_TOKEN ? 1 : 3;
      }
    }
    return c;
  }

  float bounds_[6] = {-8, 8, 0, 10, -6, 6};
  int32_t currentGeo_[3] = {0, 0, 0};
  int32_t currentJel_[3] = {0, 0, 0};
  ObjHandle geoList_;
  HWorld world_;
  HWorld* worldCell_ = nullptr;
  GVView view_;
};

TEST_F(PlainViewTest, HiddenLineFrameShowsGeoJelAndBoundsBox) {
  GObject* geo = geotest::makeGeo(1, "cube", geotest::boxCorners({-5, 2, -1}, {-2, 5, 2}), {},
                                  {{1, 2, 4, 3}, {5, 7, 8, 6}, {1, 5, 6, 2}, {3, 4, 8, 7}, {1, 3, 7, 5}, {2, 6, 8, 4}});
  ASSERT_NE(geo, nullptr);
  GVSetColour(&geo->colourA, 1, 0.9f, 0.1f, 0.1f, 1.0f);
  geo->handle = new ObjHandle{geo};
  GVAddGeo(GVGeoListOf(&geoList_), geo);
  HObject* jel = addJel(2.0f, 2.0f, 1);
  (*view_.camera)->geoDisplayMode = 32;
  (*view_.camera)->jelDisplayMode = 32;
  GVRedrawView(&view_);
  GVComposeScreen();
  const GVSurface& s = GVScreenImage();
  auto near = [](int v, int want) { return std::abs(v - want) <= 1; };
  const uint32_t bg = s.at(990, 20);
  EXPECT_TRUE(near(ch(bg, 16), 179) && near(ch(bg, 8), 179) && near(ch(bg, 0), 179)) << std::hex << bg;

  // The Geo's front face: reddish fill inside, black outline on its edge.
  const float geoCentre[3] = {-3.5f, 3.5f, 2.0f}, geoEdge[3] = {-3.5f, 5.0f, 2.0f};
  int x = 0, y = 0;
  pixel(geoCentre, &x, &y);
  const uint32_t fill = s.at(x, y);
  EXPECT_GT(ch(fill, 16), ch(fill, 8) + 40) << std::hex << fill;
  pixel(geoEdge, &x, &y);
  int dark = 0;
  for (int dy = -1; dy <= 1; ++dy) dark += ch(s.at(x, y + dy), 16) < 40 ? 1 : 0;
  EXPECT_GT(dark, 0);

  // The Jel: translucent bluish faces over the background, black outlines.
  const float jelCentre[3] = {2.5f, 2.5f, 2.0f};
  pixel(jelCentre, &x, &y);
  const uint32_t glass = s.at(x, y);
  EXPECT_GT(ch(glass, 0), ch(glass, 16) + 5) << std::hex << glass;
  EXPECT_EQ(jel->nodeCount, 27);

  // Bounds box corners in the box's grey where the camera puts them.
  float corners[8][3];
  GVBoxCorners(bounds_, corners);
  int seen = 0;
  for (auto& c : corners) {
    pixel(c, &x, &y);
    bool grey = false;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const uint32_t p = s.at(x + dx, y + dy);
        grey = grey || (near(ch(p, 16), 153) && near(ch(p, 8), 153) && near(ch(p, 0), 153));
      }
    seen += grey ? 1 : 0;
    EXPECT_TRUE(grey) << c[0] << " " << c[1] << " " << c[2];
  }
  EXPECT_EQ(seen, 8);

  // Hidden line leaves no stencil marks behind.
  std::vector<GLubyte> stencil(1000 * 675, 1);
  glReadPixels(0, 0, 1000, 675, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, stencil.data());
  int marked = 0;
  for (GLubyte v : stencil) marked += v ? 1 : 0;
  EXPECT_EQ(marked, 0);
}

TEST_F(PlainViewTest, FacesTowardsTheEyeOrTwoSided) {
  const CameraRec* cam = *view_.camera;
  // Counter-clockwise seen from the eye on +z: (c - a) x (b - a) points away from it.
  const float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {1, 1, 0}, d[3] = {0, 1, 0};
  Caught front = feedback([&] { GVDrawGLQuad(0, cam, 16, 0, nullptr, a, d, c, b); });
  Caught back = feedback([&] { GVDrawGLQuad(0, cam, 16, 0, nullptr, a, b, c, d); });
  Caught twoSided = feedback([&] { GVDrawGLQuad(1, cam, 16, 0, nullptr, a, b, c, d); });
  EXPECT_EQ(front.polygons, 2);
  EXPECT_EQ(back.polygons, 0);
  EXPECT_EQ(twoSided.polygons, 2);
}

TEST_F(PlainViewTest, MarkedNodesAndGlueLinks) {
  HObject* j3 = addJel(-4.0f, 2.0f, 3);
  HObject* j5 = addJel(2.0f, 2.0f, 5);
  ASSERT_NE(j3->state, nullptr);
  j3->markedParts[0] = 1;
  EXPECT_EQ(feedback([&] { GVDrawMarkedNodes(&view_); }).points, 0);
  j3->markedParts[0] = 6;
  EXPECT_EQ(feedback([&] { GVDrawMarkedNodes(&view_); }).points, j3->nodeCount);

  // A mutual link between 5 and 3, and one from 5 to a Jel that is gone.
  j5->setNodeGlue(1, 3, 2);
  j3->setNodeGlue(2, 5, 1);
  j5->setNodeGlue(4, 9, 1);
  view_.glueOn = 1;
  view_.glueFirst = view_.glueSecond = -1;
  view_.gluePart = 1;
  ASSERT_TRUE(GVNodePairsShown(&view_));
  Caught glue = feedback([&] { GVDrawGlueLinks(&view_); });
  EXPECT_EQ(glue.lines, 1);
  EXPECT_EQ(glue.points, 2);

  // The exploded view draws links from both role Jels, none in Natural State mode.
  Caught exploded = feedback([&] { GVDrawVehicleLinks(&view_, 0, 0, 5, 3, 0, 0.0f, 0.5f, 0.0f); });
  EXPECT_EQ(exploded.lines, 2);
  world_.params.stateMode = -1;
  EXPECT_EQ(feedback([&] { GVDrawVehicleLinks(&view_, 0, 0, 5, 3, 0, 0.0f, 0.5f, 0.0f); }).lines, 0);
  world_.params.stateMode = 0;
}

TEST_F(PlainViewTest, OverlayPassKeepsTheCapabilities) {
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_ALPHA_TEST);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
  addJel(0.0f, 2.0f, 1)->markedParts[0] = 2;
  for (int withCamera : {1, 0}) {
    CameraRec** saved = view_.camera;
    if (!withCamera) view_.camera = nullptr;
    GVDrawOgreOverlays(&view_);
    view_.camera = saved;
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLfloat colour[4], size = 0;
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[1], 0.5f);
    glGetFloatv(GL_POINT_SIZE, &size);
    EXPECT_EQ(size, 1.0f);
  }
}

}  // namespace
