#include "jel/node_picking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "camera/camera_record.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"

namespace {

constexpr float kPi = 3.14159265f;

// A Jel of nx x ny x nz grid points with every cell solid, centred on the
// origin; one point in z gives a one-layer sheet.
std::unique_ptr<HObject> FilledJel(int32_t nx, int32_t ny, int32_t nz, float h = 1.0f) {
  LatticeSpec s;
  s.cellSize = h;
  s.nx = nx;
  s.ny = ny;
  s.nz = nz;
  LatticeBuilder b(&s);
  GVGridFillAll(&b);
  return std::unique_ptr<HObject>(GVCreateJelFromBuilder(&b, 1, 0, 10, nullptr));
}

ViewportRec Viewport() {
  ViewportRec vp;
  vp.createdWidth = vp.width = 800;
  vp.createdHeight = vp.height = 600;
  vp.centreX = 400;
  vp.centreY = 300;
  return vp;
}

CameraRec Looking(float ex, float ey, float ez, int32_t mode = 1, float tx = 0, float ty = 0, float tz = 0) {
  const ViewportRec vp = Viewport();
  CameraRec cam;
  GVCameraInit(&cam);
  cam.mode = mode;
  cam.depthScale = 1.0f;
  cam.fov = 60.0f * kPi / 180.0f;
  const float eye[3] = {ex, ey, ez}, target[3] = {tx, ty, tz};
  for (int k = 0; k < 3; ++k) cam.eye[k] = eye[k];
  GVUpdateCameraProjection(&vp, &cam);
  GVSetCameraTarget(&cam, target);
  return cam;
}

// Pixel position of a world point, from the camera's own projection.
void Pixel(const CameraRec& cam, const float p[3], float out[2]) {
  const ViewportRec vp = Viewport();
  float q[3];
  GVProjectPoint(&cam, p, q);
  out[0] = vp.centreX + 0.5f * vp.width * q[0];
  out[1] = vp.centreY - 0.5f * vp.height * q[1];
}

int32_t NodeAt(const HObject& jel, float x, float y, float z) {
  for (int32_t i = 1; i <= jel.nodeCount; ++i)
    if (std::fabs(jel.pos[i][0] - x) < 1e-5f && std::fabs(jel.pos[i][1] - y) < 1e-5f &&
        std::fabs(jel.pos[i][2] - z) < 1e-5f)
      return i;
  return 0;
}

// Visible edges as (node, partner) pairs, checked to be lattice links.
std::vector<std::pair<int32_t, int32_t>> MarkedEdges(const HObject& jel) {
  std::vector<std::pair<int32_t, int32_t>> out;
  for (int32_t i = 1; i <= jel.nodeCount; ++i)
    for (int a = 0; a < 3; ++a) {
      const int32_t j = jel.screenProj[i].edgeTo[a];
      if (!j) continue;
      EXPECT_EQ(j, jel.neighbour(kNbrPlusX + a, i)) << "node " << i << " axis " << a;
      out.emplace_back(i, j);
    }
  return out;
}

TEST(NodePicking, ProjectionDepthScreenAndOutcodes) {
  auto jel = FilledJel(3, 3, 3);
  ASSERT_TRUE(jel);
  ASSERT_EQ(jel->nodeCount, 27);
  for (int32_t i = 0; i <= 27; ++i) jel->screenProj[i].spare = jel->screenProj[i].spare2 = 77;
  CameraRec cam = Looking(0, 0, 10);
  jel->projectNodes(&cam);
  for (int32_t i = 1; i <= 27; ++i) {
    const NodeScreenRec& r = jel->screenProj[i];
    const float depth = 10.0f - jel->pos[i][2];
    EXPECT_NEAR(r.cam[2], depth, 1e-4f);
    EXPECT_NEAR(r.screen[0], cam.projScale[0] * jel->pos[i][0] / depth, 1e-5f);
    EXPECT_NEAR(r.screen[1], cam.projScale[1] * jel->pos[i][1] / depth, 1e-5f);
    EXPECT_EQ(r.outcode, 0u);
    EXPECT_EQ(r.spare, 77);
    EXPECT_EQ(r.spare2, 77);
  }
  // Close to the front face the outer nodes leave the view on their sides.
  cam = Looking(0, 0, 1.5f, 1, 0, 0, -5);
  jel->projectNodes(&cam);
  const struct {
    float x, y, z;
    uint32_t out;
  } cases[] = {
      {1, 0, 1, kOutRight},  {-1, 0, 1, kOutLeft},  {0, 1, 1, kOutAbove},
      {0, -1, 1, kOutBelow}, {0, 0, 1, 0},          {1, 1, 1, kOutRight | kOutAbove},
      {1, 1, -1, 0},         {-1, -1, -1, 0},
  };
  for (const auto& c : cases) {
    const int32_t i = NodeAt(*jel, c.x, c.y, c.z);
    ASSERT_NE(i, 0);
    EXPECT_EQ(jel->screenProj[i].outcode, c.out) << c.x << " " << c.y << " " << c.z;
  }
}

TEST(NodePicking, NodesBehindTheEyeAndAtItsDepth) {
  auto jel = FilledJel(3, 3, 3);
  ASSERT_TRUE(jel);
  CameraRec cam = Looking(0, 0, 0.5f, 1, 0, 0, -5);
  jel->projectNodes(&cam);
  const int32_t behind = NodeAt(*jel, 1, 0, 1), ahead = NodeAt(*jel, 1, 0, -1);
  EXPECT_LT(jel->screenProj[behind].cam[2], 0.0f);
  EXPECT_TRUE(jel->screenProj[behind].outcode & kOutBehind);
  EXPECT_LT(jel->screenProj[behind].screen[0], 0.0f);  // mirrored through the centre
  EXPECT_FALSE(jel->screenProj[ahead].outcode & kOutBehind);
  EXPECT_GT(jel->screenProj[ahead].screen[0], 0.0f);
  cam = Looking(0, 0, 1, 1, 0, 0, -5);
  jel->projectNodes(&cam);
  const int32_t level = NodeAt(*jel, 1, -1, 1);
  EXPECT_EQ(jel->screenProj[level].cam[2], 0.0f);
  EXPECT_EQ(jel->screenProj[level].screen[0], 0.0f);
  EXPECT_EQ(jel->screenProj[level].screen[1], 0.0f);
}

TEST(NodePicking, VisibleEdgesOfASolidShowOnlyItsFacingSide) {
  auto jel = FilledJel(2, 2, 2);
  ASSERT_TRUE(jel);
  ASSERT_EQ(jel->edgeCount, 12);
  const struct {
    float eye[3];
    size_t edges;
  } cases[] = {
      {{0, 0, 10}, 4}, {{0, 0, -10}, 4}, {{10, 0, 0}, 4}, {{0.1f, 10, 0}, 4}, {{10, 10, 10}, 9}, {{-8, 6, -7}, 9},
  };
  for (const auto& c : cases) {
    CameraRec cam = Looking(c.eye[0], c.eye[1], c.eye[2]);
    jel->markVisibleEdges(&cam);
    const auto edges = MarkedEdges(*jel);
    EXPECT_EQ(edges.size(), c.edges) << c.eye[0] << " " << c.eye[1] << " " << c.eye[2];
    // No drawn edge has both ends on the far side of the cube.
    for (const auto& e : edges) {
      float near = -1e9f;
      for (int32_t n : {e.first, e.second}) {
        float dot = 0.0f;
        for (int k = 0; k < 3; ++k) dot += jel->pos[n][k] * c.eye[k];
        near = std::max(near, dot);
      }
      EXPECT_GT(near, 0.0f) << c.eye[0] << " " << c.eye[1] << " " << c.eye[2] << " edge " << e.first << "-"
                            << e.second;
    }
  }
  // Mode 0 clears every mark; mode 4 draws every lattice link of the cube.
  CameraRec cam = Looking(10, 10, 10, 0);
  jel->markVisibleEdges(&cam);
  EXPECT_TRUE(MarkedEdges(*jel).empty());
  cam.mode = kCameraLatticeEdges;
  jel->markVisibleEdges(&cam);
  EXPECT_EQ(MarkedEdges(*jel).size(), 12u);
}

TEST(NodePicking, OneLayerSheetShowsItsEdgesFromBothSides) {
  auto jel = FilledJel(3, 2, 1);
  ASSERT_TRUE(jel);
  ASSERT_EQ(GVIsJelFlat(jel.get()), 1);
  for (float z : {10.0f, -10.0f}) {
    CameraRec cam = Looking(0.3f, 0.2f, z);
    jel->projectNodes(&cam);
    EXPECT_EQ(MarkedEdges(*jel).size(), 7u) << z;  // 2 x 1 cells: 4 along x, 3 along y
  }
}

class RectSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    jel = FilledJel(3, 3, 1);
    ASSERT_TRUE(jel);
    cam = Looking(0, 0, 10, 0);
    jel->projectNodes(&cam);
    // Pixel columns and rows of the sheet, truncated as the selection does.
    for (int k = 0; k < 3; ++k) {
      const int32_t i = NodeAt(*jel, static_cast<float>(k - 1), static_cast<float>(k - 1), 0);
      col[k] = vp.centreX + static_cast<int32_t>(0.5f * vp.width * jel->screenProj[i].screen[0]);
      row[k] = vp.centreY - static_cast<int32_t>(0.5f * vp.height * jel->screenProj[i].screen[1]);
    }
    ASSERT_LT(col[0], col[1]);
    ASSERT_GT(row[0], row[1]);  // y up in the world, down on the screen
  }
  std::vector<int32_t> InPart(int32_t p) const {
    std::vector<int32_t> out;
    for (int32_t i = 1; i <= jel->nodeCount; ++i)
      if (jel->partMask[i] & (1u << p)) out.push_back(i);
    return out;
  }
  std::unique_ptr<HObject> jel;
  CameraRec cam;
  ViewportRec vp = Viewport();
  int32_t col[3] = {}, row[3] = {};
};

TEST_F(RectSelection, NodesOnTheBorderAreNotSelected) {
  // Corners exactly on the outer columns: only the middle column lies strictly inside.
  EXPECT_EQ(jel->setPartInRect(&vp, &cam, 5, kRectSet, col[0], row[0] + 5, col[2], row[2] - 5), 3);
  const std::vector<int32_t> middle = {NodeAt(*jel, 0, -1, 0), NodeAt(*jel, 0, 0, 0), NodeAt(*jel, 0, 1, 0)};
  EXPECT_EQ(InPart(5), middle);
  // One pixel further out takes the outer columns in; on a row border, the row stays out.
  EXPECT_EQ(jel->setPartInRect(&vp, &cam, 6, kRectSet, col[0] - 1, row[0], col[2] + 1, row[2] - 1), 6);
  EXPECT_EQ(InPart(6).size(), 6u);
  for (int32_t i : InPart(6)) EXPECT_NE(jel->pos[i][1], -1.0f);
}

TEST_F(RectSelection, EitherDragDirectionToggleAndClear) {
  const int32_t x0 = col[0] - 3, y0 = row[0] + 3, x1 = col[2] + 3, y1 = row[2] - 3;
  EXPECT_EQ(jel->setPartInRect(&vp, &cam, 7, kRectSet, x1, y1, x0, y0), 9);
  EXPECT_EQ(InPart(7).size(), 9u);
  EXPECT_EQ(jel->setPartInRect(&vp, &cam, 7, kRectToggle, col[1] - 1, y0, col[1] + 1, y1), 3);
  EXPECT_EQ(InPart(7).size(), 6u);
  EXPECT_EQ(jel->setPartInRect(&vp, &cam, 7, kRectClear, x0, y1, x1, y0), 9);
  EXPECT_TRUE(InPart(7).empty());
}

TEST_F(RectSelection, ZeroWidthOrHeightSelectsNothing) {
  EXPECT_EQ(jel->setPartInRect(&vp, &cam, 5, kRectSet, col[1], row[0] + 5, col[1], row[2] - 5), 0);
  EXPECT_EQ(jel->setPartInRect(&vp, &cam, 5, kRectSet, col[0] - 5, row[1], col[2] + 5, row[1]), 0);
  EXPECT_TRUE(InPart(5).empty());
}

TEST_F(RectSelection, BuiltInPartsStayAsBuilt) {
  const uint32_t before = jel->partMask[1];
  for (int32_t p : {0, 1, 2})
    jel->setPartInRect(&vp, &cam, p, kRectToggle, col[0] - 5, row[0] + 5, col[2] + 5, row[2] - 5);
  EXPECT_EQ(jel->partMask[1], before);
}

TEST(NodePicking, RectangleIgnoresNodesBehindTheEye) {
  auto jel = FilledJel(3, 3, 3);
  ASSERT_TRUE(jel);
  CameraRec cam = Looking(0, 0, 0.5f, 0, 0, 0, -5);
  const ViewportRec vp = Viewport();
  EXPECT_EQ(jel->setPartInRect(&vp, &cam, 4, kRectSet, -100000, -100000, 100000, 100000), 18);
  for (int32_t i = 1; i <= 27; ++i) EXPECT_EQ((jel->partMask[i] >> 4) & 1u, jel->pos[i][2] < 0.5f ? 1u : 0u);
}

TEST(NodePicking, NearestNodeOnlyOnTheSideFacingTheViewer) {
  auto jel = FilledJel(3, 3, 3);
  ASSERT_TRUE(jel);
  const ViewportRec vp = Viewport();
  // The centre nodes of the back face, the middle and the front face all
  // project onto the view centre; the back one has the lowest number.
  const struct {
    float eye[3];
    float want[3];
  } cases[] = {
      {{0, 0, 10}, {0, 0, 1}}, {{0, 0, -10}, {0, 0, -1}}, {{10, 0, 0}, {1, 0, 0}}, {{-10, 0, 0}, {-1, 0, 0}},
  };
  for (const auto& c : cases) {
    CameraRec cam = Looking(c.eye[0], c.eye[1], c.eye[2]);
    int32_t node = -1;
    float point[3] = {};
    EXPECT_EQ(jel->pickNearestNode(vp.centreX, vp.centreY, &vp, &cam, &node, point), node);
    EXPECT_EQ(node, NodeAt(*jel, c.want[0], c.want[1], c.want[2])) << c.eye[0] << " " << c.eye[2];
    EXPECT_NEAR(point[0], 400.0f, 1e-3f);
    EXPECT_NEAR(point[1], 300.0f, 1e-3f);
    EXPECT_NEAR(point[2], 9.0f, 1e-4f);
  }
  // A corner node is found from its own pixel.
  CameraRec cam = Looking(0, 0, 10);
  const int32_t corner = NodeAt(*jel, 1, 1, 1);
  float px[2];
  Pixel(cam, jel->pos[corner], px);
  EXPECT_EQ(jel->pickNearestNode(static_cast<int32_t>(px[0]) + 3, static_cast<int32_t>(px[1]) - 2, &vp, &cam,
                                 nullptr, nullptr),
            corner);
}

TEST(NodePicking, NearestNodeNeedsPartOne) {
  auto jel = FilledJel(3, 3, 3);
  ASSERT_TRUE(jel);
  const ViewportRec vp = Viewport();
  CameraRec cam = Looking(0, 0, 10);
  const int32_t front = NodeAt(*jel, 0, 0, 1);
  jel->partMask[front] &= ~2u;
  const int32_t got = jel->pickNearestNode(vp.centreX, vp.centreY, &vp, &cam, nullptr, nullptr);
  ASSERT_NE(got, 0);
  EXPECT_NE(got, front);
  EXPECT_FLOAT_EQ(jel->pos[got][2], 1.0f);  // still a node of the front face
  for (int32_t i = 1; i <= jel->nodeCount; ++i) jel->partMask[i] &= ~2u;
  int32_t node = 5;
  float point[3] = {7, 7, 7};
  EXPECT_EQ(jel->pickNearestNode(vp.centreX, vp.centreY, &vp, &cam, &node, point), 0);
  EXPECT_EQ(node, 0);
  EXPECT_EQ(point[0], 7.0f);
}

TEST(NodePicking, EveryNodeOfASheetCountsFromEitherSide) {
  auto jel = FilledJel(3, 3, 1);
  ASSERT_TRUE(jel);
  const ViewportRec vp = Viewport();
  for (float z : {10.0f, -10.0f}) {
    CameraRec cam = Looking(0, 0, z);
    for (int32_t i = 1; i <= jel->nodeCount; ++i) {
      float px[2];
      Pixel(cam, jel->pos[i], px);
      EXPECT_EQ(jel->pickNearestNode(static_cast<int32_t>(std::lround(px[0])),
                                     static_cast<int32_t>(std::lround(px[1])), &vp, &cam, nullptr, nullptr),
                i);
    }
  }
}

TEST(NodePicking, NoNodesOrNoEdgesPickNothing) {
  HObject empty;
  const ViewportRec vp = Viewport();
  CameraRec cam = Looking(0, 0, 10);
  int32_t out = 9, dir = 9;
  EXPECT_EQ(empty.pickNearestNode(400, 300, &vp, &cam, &out, nullptr), 0);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(empty.pickNearestEdge(400, 300, &vp, &cam, &out, &dir, nullptr), 0);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(dir, 0);
  EXPECT_EQ(empty.pickFace(400, 300, &vp, &cam, &out, &dir, nullptr), 0);
  empty.projectNodes(&cam);
  EXPECT_EQ(empty.setPartInRect(&vp, &cam, 4, kRectSet, 0, 0, 800, 600), 0);
  auto jel = FilledJel(3, 2, 1);
  ASSERT_TRUE(jel);
  jel->edgeCount = 0;
  EXPECT_EQ(jel->pickNearestEdge(400, 300, &vp, &cam, &out, &dir, nullptr), 0);
}

TEST(NodePicking, NearestEdgeAndItsDirection) {
  auto jel = FilledJel(3, 2, 1);
  ASSERT_TRUE(jel);
  ASSERT_GT(jel->edgeCount, 0);
  const ViewportRec vp = Viewport();
  CameraRec cam = Looking(0.2f, -0.1f, 8);
  for (int32_t e = 1; e <= jel->edgeCount; ++e) {
    const int32_t a = jel->edges[e][0], b = jel->edges[e][1];
    const float mid[3] = {(jel->pos[a][0] + jel->pos[b][0]) / 2, (jel->pos[a][1] + jel->pos[b][1]) / 2, 0};
    float px[2];
    Pixel(cam, mid, px);
    int32_t edge = 0, dir = -1;
    float point[3];
    jel->pickNearestEdge(static_cast<int32_t>(std::lround(px[0])), static_cast<int32_t>(std::lround(px[1])), &vp,
                         &cam, &edge, &dir, point);
    EXPECT_EQ(edge, e);
    const int32_t want = b == jel->neighbour(kNbrPlusX, a) ? 1 : b == jel->neighbour(kNbrPlusY, a) ? 2 : 0;
    EXPECT_EQ(dir, want);
    EXPECT_NE(dir, 0);  // a sheet's edges run along x or y
    EXPECT_NEAR(point[0], px[0], 1e-3f);
    EXPECT_NEAR(point[1], px[1], 1e-3f);
  }
}

TEST(NodePicking, FaceUnderTheMouseAndItsPlaneKind) {
  auto jel = FilledJel(2, 2, 2, 2.0f);
  ASSERT_TRUE(jel);
  ASSERT_EQ(jel->faceCount, 6);
  const ViewportRec vp = Viewport();
  const struct {
    float eye[3];
    int32_t kind;
  } cases[] = {
      {{10, 0, 0}, kFaceSpansYZ}, {{-10, 0, 0}, kFaceSpansYZ}, {{0, 10, 0}, kFaceSpansZX},
      {{0, -10, 0}, kFaceSpansZX}, {{0, 0, 10}, kFaceSpansXY}, {{0, 0, -10}, kFaceSpansXY},
  };
  for (const auto& c : cases) {
    CameraRec cam = Looking(c.eye[0], c.eye[1], c.eye[2]);
    int32_t face = 0, kind = -1;
    float centre[3] = {};
    EXPECT_NE(jel->pickFace(vp.centreX, vp.centreY, &vp, &cam, &face, &kind, centre), 0);
    ASSERT_NE(face, 0) << c.eye[0] << " " << c.eye[1] << " " << c.eye[2];
    EXPECT_EQ(kind, c.kind);
    // The face nearest the eye, whose centre lies on the axis at distance 1.
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(centre[k], c.eye[k] / 10.0f, 1e-5f);
    // Its stored normal points back at the eye.
    float dot = 0.0f;
    for (int k = 0; k < 3; ++k) dot += jel->faceNormals[face][k] * c.eye[k];
    EXPECT_GT(dot, 0.0f);
  }
}

TEST(NodePicking, FaceFartherThanTheLimitIsNotPicked) {
  auto jel = FilledJel(2, 2, 2, 2.0f);
  ASSERT_TRUE(jel);
  const ViewportRec vp = Viewport();
  CameraRec cam = Looking(0, 0, 10);
  // The front face's centre lies on the view centre (400, 300); only it faces the eye.
  const struct {
    int32_t dx, dy;
    bool found;
  } cases[] = {{0, 0, true}, {31, 0, true}, {0, -31, true}, {22, 22, true}, {32, 0, false},
               {0, 32, false}, {23, 23, false}, {-40, 0, false}, {200, 100, false}};
  for (const auto& c : cases) {
    int32_t face = 9, kind = 9;
    float centre[3] = {5, 5, 5};
    const int32_t got = jel->pickFace(vp.centreX + c.dx, vp.centreY + c.dy, &vp, &cam, &face, &kind, centre);
    EXPECT_EQ(got != 0, c.found) << c.dx << " " << c.dy;
    EXPECT_EQ(face, got);
    if (!c.found) {
      EXPECT_EQ(kind, 0);
      EXPECT_EQ(centre[0], 5.0f);
    }
  }
}

TEST(NodePicking, FacePickTestsTheFaceItsOwnCorners) {
  auto jel = FilledJel(2, 2, 2, 2.0f);
  ASSERT_TRUE(jel);
  const ViewportRec vp = Viewport();
  CameraRec cam = Looking(0, 0, 10);
  const int32_t front = jel->pickFace(vp.centreX, vp.centreY, &vp, &cam, nullptr, nullptr, nullptr);
  ASSERT_NE(front, 0);
  // The node numbered like the face, when it is no corner of it, does not matter.
  const int32_t* c = jel->faces[front];
  const bool corner = c[0] == front || c[1] == front || c[2] == front || c[3] == front;
  ASSERT_FALSE(corner);
  jel->partMask[front] &= ~2u;
  EXPECT_EQ(jel->pickFace(vp.centreX, vp.centreY, &vp, &cam, nullptr, nullptr, nullptr), front);
  jel->partMask[front] |= 2u;
  // A corner outside part 1 takes the face out.
  jel->partMask[c[2]] &= ~2u;
  EXPECT_EQ(jel->pickFace(vp.centreX, vp.centreY, &vp, &cam, nullptr, nullptr, nullptr), 0);
}

TEST(NodePicking, FaceBehindTheEyeIsNotPicked) {
  auto jel = FilledJel(2, 2, 2, 2.0f);
  ASSERT_TRUE(jel);
  const ViewportRec vp = Viewport();
  // Looking away from the cube: its -z face turns towards the eye but lies behind it.
  CameraRec cam = Looking(0, 0, -3, 1, 0, 0, -10);
  int32_t face = 9;
  EXPECT_EQ(jel->pickFace(vp.centreX, vp.centreY, &vp, &cam, &face, nullptr, nullptr), 0);
  EXPECT_EQ(face, 0);
  EXPECT_EQ(jel->pickNearestNode(vp.centreX, vp.centreY, &vp, &cam, nullptr, nullptr), 0);
}

TEST(NodePicking, NearestFaceCentreOfASheetFromEitherSide) {
  auto jel = FilledJel(3, 2, 1);
  ASSERT_TRUE(jel);
  ASSERT_EQ(jel->faceCount, 2);
  const ViewportRec vp = Viewport();
  for (float z : {6.0f, -6.0f}) {
    CameraRec cam = Looking(0, 0, z);
    for (int32_t f = 1; f <= 2; ++f) {
      float centre[3] = {};
      for (int k = 0; k < 4; ++k)
        for (int a = 0; a < 3; ++a) centre[a] += jel->pos[jel->faces[f][k]][a] / 4;
      float px[2];
      Pixel(cam, centre, px);
      // Far from the centre still finds the nearest face.
      const int32_t x = static_cast<int32_t>(px[0]) + (px[0] < 400 ? -150 : 150);
      int32_t face = 0, kind = 0;
      float point[3];
      jel->pickNearestFaceCentre(x, static_cast<int32_t>(px[1]), &vp, &cam, &face, &kind, point);
      EXPECT_EQ(face, f) << z;
      EXPECT_EQ(kind, kFaceSpansXY);
      EXPECT_NEAR(point[0], px[0], 1e-3f);
      EXPECT_NEAR(point[1], px[1], 1e-3f);
    }
  }
}

struct FaceLog {
  int calls = 0;
  HObject** handle = nullptr;
  uint32_t word = 0;
  std::vector<float> corners;
};

void LogFace(void* context, HObject** handle, const float c0[3], const float c1[3], const float c2[3],
             const float c3[3], uint32_t word) {
  FaceLog* log = static_cast<FaceLog*>(context);
  ++log->calls;
  log->handle = handle;
  log->word = word;
  for (const float* c : {c0, c1, c2, c3}) log->corners.insert(log->corners.end(), c, c + 3);
}

TEST(NodePicking, EveryFaceGoesToTheDrawingCallback) {
  auto jel = FilledJel(3, 3, 3);
  ASSERT_TRUE(jel);
  HObject* cell = jel.get();
  jel->handle = &cell;
  jel->markedParts[0] = 1u << 5;
  FaceLog log;
  jel->forEachFace(&log, LogFace);
  EXPECT_EQ(log.calls, jel->faceCount);
  EXPECT_EQ(log.calls, 24);
  EXPECT_EQ(log.handle, &cell);
  EXPECT_EQ(log.word, 1u << 5);
  ASSERT_EQ(log.corners.size(), static_cast<size_t>(24 * 12));
  for (int32_t f = 1; f <= jel->faceCount; ++f)
    for (int k = 0; k < 4; ++k)
      for (int a = 0; a < 3; ++a)
        EXPECT_EQ(log.corners[static_cast<size_t>((f - 1) * 12 + k * 3 + a)], jel->pos[jel->faces[f][k]][a]);
  jel->forEachFace(&log, nullptr);
  EXPECT_EQ(log.calls, 24);
  jel->handle = nullptr;
}

}  // namespace
