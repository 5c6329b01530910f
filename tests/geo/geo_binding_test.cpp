#include "geo/geo_binding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "geo/geo_attach.h"
#include "geo/geo_transform.h"
#include "geo_fixtures.h"
#include "jel/chan_data.h"
#include "jel/deformation_map.h"
#include "jel/frame_store.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/vector_math.h"

using geotest::V3;

namespace {

// A solid Jel of n x n x n nodes, cell h, centred on the origin, deformation
// map up to date.
std::unique_ptr<HObject> BlockJel(int32_t n, float h = 1.0f, int32_t id = 4) {
  LatticeSpec s;
  s.cellSize = h;
  s.nx = s.ny = s.nz = n;
  LatticeBuilder b(&s);
  GVGridFillAll(&b);
  std::unique_ptr<HObject> jel(GVCreateJelFromBuilder(&b, id, 0, 0, nullptr));
  if (jel) GVUpdateJelDeform(jel.get(), 0);
  return jel;
}

std::unique_ptr<GObject> Cube(float half, V3 centre = {0, 0, 0}) {
  return std::unique_ptr<GObject>(geotest::makeGeo(
      1, "Cube",
      geotest::boxCorners({centre[0] - half, centre[1] - half, centre[2] - half},
                          {centre[0] + half, centre[1] + half, centre[2] + half}),
      geotest::boxTriangles()));
}

// Live positions := R * rest + t, then the deformation map.
void MoveRigidly(HObject* jel, const std::vector<V3>& rest, const float R[9], const float t[3]) {
  for (int32_t i = 1; i <= jel->nodeCount; ++i) {
    float p[3];
    GVMat3MulVec(p, R, rest[i].data());
    for (int a = 0; a < 3; ++a) jel->pos[i][a] = p[a] + t[a];
  }
  GVUpdateJelDeform(jel, 0);
}

std::vector<V3> Positions(const HObject* jel) {
  std::vector<V3> out(jel->nodeCount + 1);
  for (int32_t i = 1; i <= jel->nodeCount; ++i) out[i] = {jel->pos[i][0], jel->pos[i][1], jel->pos[i][2]};
  return out;
}

std::vector<V3> Vertices(const GObject* g) {
  std::vector<V3> out(g->vertexCount + 1);
  for (int32_t i = 1; i <= g->vertexCount; ++i) out[i] = {g->vertices[i][0], g->vertices[i][1], g->vertices[i][2]};
  return out;
}

void Rotation(float angle, const float axis[3], float R[9]) {
  const float v[3] = {axis[0] * angle, axis[1] * angle, axis[2] * angle};
  GVRotationFromVector(v, R);
}

}  // namespace

TEST(GeoBinding, BoundCubeFollowsEveryRigidMotionOfItsJel) {
  auto jel = BlockJel(3);
  ASSERT_TRUE(jel);
  ASSERT_EQ(jel->nodeCount, 27);
  auto geo = Cube(0.6f, {0.1f, -0.2f, 0.05f});
  ASSERT_TRUE(geo);
  ASSERT_EQ(GVMassocGeo(geo.get(), jel.get()), 0);
  EXPECT_TRUE(geo->flags & GEO_FLAG_BOUND);
  EXPECT_FALSE(geo->flags & GEO_FLAG_TOO_FAR_OUTSIDE);
  EXPECT_EQ(geo->jel, jel.get());
  EXPECT_EQ(geo->jelId, 4);
  const std::vector<V3> rest = Positions(jel.get());
  const std::vector<V3> v0 = Vertices(geo.get());

  const float zAxis[3] = {0, 0, 1}, tilted[3] = {0.48f, 0.6f, 0.64f};
  struct Motion {
    float angle;
    const float* axis;
    float t[3];
  };
  const Motion motions[] = {
      {0.0f, zAxis, {1, 0, 0}},        // the plain translation
      {0.5236f, zAxis, {0, 0, 0}},     // 30 degrees about z
      {2.0f, tilted, {-3, 7.5f, 2}},   // a large turn about a slanted axis and a shift
      {-1.1f, tilted, {0.25f, 0, -4}},
  };
  for (const Motion& m : motions) {
    float R[9];
    Rotation(m.angle, m.axis, R);
    MoveRigidly(jel.get(), rest, R, m.t);
    GVDeformGeoFromJel(geo.get());
    for (int32_t i = 1; i <= geo->vertexCount; ++i) {
      float want[3];
      GVMat3MulVec(want, R, v0[i].data());
      for (int a = 0; a < 3; ++a)
        ASSERT_NEAR(geo->vertices[i][a], want[a] + m.t[a], 1e-5f) << "angle " << m.angle << " vertex " << i;
    }
  }
}

TEST(GeoBinding, VertexAtANodeMovesWithTheNodeUnderAnyDeformation) {
  auto jel = BlockJel(3);
  // Vertex 1 sits on the centre node, vertex 2 on a corner node, vertex 3 inside.
  std::unique_ptr<GObject> geo(geotest::makeGeo(2, "Pts", {{0, 0, 0}, {1, 1, 1}, {0.3f, -0.4f, 0.2f}}));
  ASSERT_TRUE(geo);
  ASSERT_EQ(GVMassocGeo(geo.get(), jel.get()), 0);
  const int32_t centreNode = 14, cornerNode = 27;  // x fastest over (-1, 0, 1)^3
  ASSERT_NEAR(jel->pos[centreNode][0], 0.0f, 1e-6f);
  ASSERT_NEAR(jel->pos[cornerNode][2], 1.0f, 1e-6f);
  // A non-rigid shape: every node pushed its own way.
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    for (int a = 0; a < 3; ++a) jel->pos[i][a] += 0.15f * std::sin(float(i * 3 + a));
  GVUpdateJelDeform(jel.get(), 0);
  GVDeformGeoFromJel(geo.get());
  for (int a = 0; a < 3; ++a) {
    EXPECT_NEAR(geo->vertices[1][a], jel->pos[centreNode][a], 1e-5f);
    EXPECT_NEAR(geo->vertices[2][a], jel->pos[cornerNode][a], 1e-5f);
  }
}

TEST(GeoBinding, PerFrameUpdateKeepsTheBindingAndDoesNoSearch) {
  auto jel = BlockJel(3);
  auto geo = Cube(0.7f);
  ASSERT_EQ(GVMassocGeo(geo.get(), jel.get()), 0);
  std::vector<GeoVertBind> table(geo->vertBinds, geo->vertBinds + geo->vertexCount + 1);
  // The point search clears its marks before every walk; the update must not.
  for (int32_t i = 0; i <= jel->nodeCount; ++i) jel->searchMarks[i] = 77;
  const std::vector<V3> rest = Positions(jel.get());
  for (int frame = 1; frame <= 5; ++frame) {
    float R[9];
    const float axis[3] = {0, 1, 0}, t[3] = {0.1f * frame, 0, 0};
    Rotation(0.1f * frame, axis, R);
    MoveRigidly(jel.get(), rest, R, t);
    GVUpdateGeoAfterFrame(geo.get(), frame, 0);  // bound, but no binding kind chosen: nothing moves
    geo->flags |= GEO_FLAG_VERTEX_BINDING;
    GVUpdateGeoAfterFrame(geo.get(), frame, 0);
    geo->flags &= ~uint32_t(GEO_FLAG_VERTEX_BINDING);
  }
  for (int32_t i = 0; i <= jel->nodeCount; ++i) ASSERT_EQ(jel->searchMarks[i], 77);
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    EXPECT_EQ(geo->vertBinds[i].cellNode, table[i].cellNode);
    EXPECT_EQ(geo->vertBinds[i].u, table[i].u);
  }
  // It moved with the last motion.
  float R[9], want[3];
  const float axis[3] = {0, 1, 0};
  Rotation(0.5f, axis, R);
  GVMat3MulVec(want, R, geo->baseVertices[1]);
  EXPECT_NEAR(geo->vertices[1][0], want[0] + 0.5f, 1e-5f);
}

TEST(GeoBinding, UnflaggedVerticesAndUnboundGeosStayPut) {
  auto jel = BlockJel(3);
  auto geo = Cube(0.5f);
  geo->vertexFlags[3] = 0;
  ASSERT_EQ(GVMassocGeo(geo.get(), jel.get()), 0);
  EXPECT_EQ(geo->vertBinds[3].jelId, 0);
  const V3 before = {geo->vertices[3][0], geo->vertices[3][1], geo->vertices[3][2]};
  const float I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, t[3] = {0, 2, 0};
  MoveRigidly(jel.get(), Positions(jel.get()), I, t);
  geo->flags |= GEO_FLAG_VERTEX_BINDING;
  GVUpdateGeoAfterFrame(geo.get(), 1, 0);
  EXPECT_EQ(geo->vertices[3][1], before[1]);
  EXPECT_NEAR(geo->vertices[1][1], geo->baseVertices[1][1] + 2.0f, 1e-5f);
  // Clearing the bound flag stops the updates.
  geo->flags &= ~uint32_t(GEO_FLAG_BOUND);
  MoveRigidly(jel.get(), Positions(jel.get()), I, t);
  GVUpdateGeoAfterFrame(geo.get(), 2, 0);
  EXPECT_NEAR(geo->vertices[1][1], geo->baseVertices[1][1] + 2.0f, 1e-5f);
}

TEST(GeoBinding, TooFarOutsideFlagFollowsTheLastPass) {
  auto jel = BlockJel(3);  // spans -1..1
  struct Case {
    float x;
    bool outside;
  };
  const Case cases[] = {{-1.4f, false}, {-1.6f, true}, {1.4f, false}, {1.6f, true}, {0.0f, false}};
  for (const Case& c : cases) {
    std::unique_ptr<GObject> geo(geotest::makeGeo(3, "P", {{c.x, 0.2f, 0.2f}, {0, 0, 0}}));
    GVMassocGeo(geo.get(), jel.get());
    EXPECT_EQ((geo->flags & GEO_FLAG_TOO_FAR_OUTSIDE) != 0, c.outside) << c.x;
    EXPECT_TRUE(geo->flags & GEO_FLAG_BOUND) << c.x;  // outside is a warning, not unbinding
  }
}

TEST(GeoBinding, RefusalsAndBindJelIdCases) {
  auto jel = BlockJel(3);
  auto geo = Cube(0.5f);
  EXPECT_EQ(GVMassocGeo(geo.get(), nullptr), -1);
  EXPECT_EQ(geo->jelId, 0);
  EXPECT_EQ(GVMassocGeoSecondary(geo.get(), jel.get()), -1);  // no secondary table
  std::unique_ptr<GObject> bare(geotest::makeBareGeo(5, "Bare"));
  EXPECT_EQ(GVMassocGeo(bare.get(), jel.get()), -1);

  struct IdCase {
    std::vector<int32_t> ids;
    int32_t want;
  };
  const IdCase cases[] = {{{0, 0, 0}, 0}, {{5, 0, 5}, 5}, {{0, 5, 7}, -1}, {{-3, -3, 0}, -3}};
  std::unique_ptr<GObject> three(geotest::makeGeo(6, "T", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
  for (const IdCase& c : cases) {
    for (int i = 0; i < 3; ++i) three->vertBinds[i + 1].jelId = c.ids[i];
    EXPECT_EQ(GVGeoVertBindJelId(three.get()), c.want);
  }
}

TEST(GeoBinding, ReleaseDropsOnlyWhatNamesTheJel) {
  auto jel = BlockJel(3, 1.0f, 9);
  jel->groupMask = 2u | 8u;  // groups 1 and 3
  jel->playParams.stateMode = -1;
  // Bound through group -3, one entry naming another Jel by id.
  auto geo = Cube(0.5f);
  ASSERT_EQ(GVMassocGeo(geo.get(), jel.get()), 0);
  for (int32_t i = 1; i <= geo->vertexCount; ++i) geo->vertBinds[i].jelId = -3;
  geo->vertBinds[2].jelId = 5;
  geo->jelId = -3;
  geo->flags |= GEO_FLAG_VERTEX_BINDING;
  GVReleaseGeoFromJel(jel.get(), geo.get());
  EXPECT_EQ(geo->vertBinds[1].jelId, 0);
  EXPECT_EQ(geo->vertBinds[2].jelId, 5);
  EXPECT_TRUE(geo->flags & GEO_FLAG_BOUND);
  EXPECT_FALSE(geo->flags & GEO_FLAG_VERTEX_BINDING);

  // Released by its own id: unbound, vertices back on their base places, and
  // in natural-state editing the frame slot takes the start slot.
  auto g2 = Cube(0.5f);
  ASSERT_EQ(GVMassocGeo(g2.get(), jel.get()), 0);
  const float shift[3] = {3, 0, 0};
  GVSetGeoTransformPos(shift, GEO_SEL_START, g2.get());
  for (int32_t i = 1; i <= g2->vertexCount; ++i) g2->vertices[i][1] += 4.0f;
  GVReleaseGeoFromJel(jel.get(), g2.get());
  EXPECT_FALSE(g2->flags & GEO_FLAG_BOUND);
  EXPECT_EQ(g2->jel, nullptr);
  EXPECT_EQ(g2->jelId, 0);
  for (int32_t i = 1; i <= g2->vertexCount; ++i) EXPECT_EQ(g2->vertices[i][1], g2->baseVertices[i][1]);
  EXPECT_EQ(g2->xform[GEO_SLOT_FRAME].position[0], 3.0f);

  // Another Jel leaves the binding alone.
  auto other = BlockJel(3, 1.0f, 11);
  auto g3 = Cube(0.5f);
  ASSERT_EQ(GVMassocGeo(g3.get(), jel.get()), 0);
  GVReleaseGeoFromJel(other.get(), g3.get());
  EXPECT_TRUE(g3->flags & GEO_FLAG_BOUND);
  EXPECT_EQ(g3->vertBinds[1].jelId, 9);

  // An attachment anchored on the released Jel is cleared; one on another Jel stays.
  auto g4 = Cube(0.5f);
  g4->attach = new GeoAttach{};
  GVAttachSet(g4->attach, 1, 9, 0, 0, 0, 1, 0);
  GVReleaseGeoFromJel(other.get(), g4.get());
  EXPECT_EQ(g4->attach->type, 1);
  GVReleaseGeoFromJel(jel.get(), g4.get());
  EXPECT_EQ(g4->attach->type, 0);
}

TEST(GeoBinding, CellBindingOfABoxPartAndTheFallBack) {
  auto jel = BlockJel(3);
  auto geo = Cube(0.6f, {0.2f, 0.1f, -0.1f});
  // Part 1 is the whole block: a box.
  ASSERT_EQ(GVCellBindGeo(geo.get(), jel.get(), 1), 1);
  ASSERT_NE(geo->cellBind, nullptr);
  ASSERT_NE(geo->cellBind->nodes, nullptr);
  for (int32_t i = 1; i <= geo->vertexCount; ++i)
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(geo->vertices[i][a], geo->baseVertices[i][a], 1e-5f);
  geo->flags |= GEO_FLAG_BOUND | GEO_FLAG_CELL_BINDING;
  const float I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, t[3] = {0, -1, 0.5f};
  MoveRigidly(jel.get(), Positions(jel.get()), I, t);
  // The frame step resets the vertices, the pass places them.
  GVApplyGeoTransform(geo.get(), GEO_SEL_RESET_BOUND);
  GVDeformGeoByCellBind(geo.get());
  for (int32_t i = 1; i <= geo->vertexCount; ++i)
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(geo->vertices[i][a], geo->baseVertices[i][a] + t[a], 1e-5f);

  // Part 2 (the surface nodes) is no box: the vertex binding takes over.
  auto g2 = Cube(0.6f);
  EXPECT_EQ(GVCellBindGeo(g2.get(), jel.get(), 2), 0);
  EXPECT_EQ(g2->cellBind->nodes, nullptr);
  EXPECT_TRUE(g2->flags & GEO_FLAG_BOUND);
  EXPECT_EQ(GVCellBindGeo(g2.get(), nullptr, 1), -2);

  // Releasing clears the record in place.
  GVReleaseGeoFromJel(jel.get(), geo.get());
  ASSERT_NE(geo->cellBind, nullptr);
  EXPECT_EQ(geo->cellBind->nodes, nullptr);
  EXPECT_EQ(geo->cellBind->jelId, 0);
}

TEST(GeoBinding, RelocationLocatesInTheRestShapeAndPlacesInTheLiveOne) {
  auto jel = BlockJel(3);
  auto geo = Cube(0.6f);
  geo->cellBind = new GeoCellBind{};
  geo->cellBind->jel = jel.get();
  geo->cellBind->jelId = jel->id;
  geo->flags |= GEO_FLAG_BOUND | GEO_FLAG_CELL_BINDING;
  float R[9];
  const float axis[3] = {1, 0, 0}, t[3] = {2, 3, 4};
  Rotation(0.7f, axis, R);
  const std::vector<V3> rest = Positions(jel.get());
  MoveRigidly(jel.get(), rest, R, t);
  for (int pass = 0; pass < 2; ++pass) {  // twice: the second from a moved start
    GVApplyGeoTransform(geo.get(), GEO_SEL_RESET_BOUND);
    GVUpdateGeoAfterFrame(geo.get(), 1, 0);
    for (int32_t i = 1; i <= geo->vertexCount; ++i) {
      float want[3];
      GVMat3MulVec(want, R, geo->baseVertices[i]);
      for (int a = 0; a < 3; ++a) ASSERT_NEAR(geo->vertices[i][a], want[a] + t[a], 1e-4f);
    }
  }
  // The live lattice is as it was.
  for (int32_t i = 1; i <= jel->nodeCount; ++i) {
    float want[3];
    GVMat3MulVec(want, R, rest[i].data());
    ASSERT_NEAR(jel->pos[i][1], want[1] + t[1], 1e-6f);
  }
  // The secondary table is made once and reused.
  geo->cellBind2 = new GeoCellBind{};
  geo->cellBind2->jel = jel.get();
  geo->cellBind2->jelId = jel->id;
  geo->flags |= GEO_FLAG_CELL_BINDING2;
  GVUpdateGeoCellBindTable(geo.get());
  ASSERT_NE(geo->vertBinds2, nullptr);
  GeoVertBind* table = geo->vertBinds2;
  GVUpdateGeoCellBindTable(geo.get());
  EXPECT_EQ(geo->vertBinds2, table);
  EXPECT_EQ(geo->vertBinds2[1].jelId, jel->id);
}

TEST(GeoBinding, RealignSetsFrameZeroFromTheSlots) {
  auto geo = Cube(0.5f);
  const float birth[3] = {2, 0, 0}, next[3] = {2.1f, 0, 0};
  struct Case {
    float slotScale;
    float velocity;
  };
  const Case cases[] = {{1.0f / 30.0f, 3.0f}, {0.000009f, 0.0f}};
  for (const Case& c : cases) {
    auto jel = BlockJel(3);
    GVSetGeoTransform(geo.get(), GEO_SEL_BIRTH, birth, nullptr, nullptr, 0.0f);
    GVSetGeoTransform(geo.get(), GEO_SEL_BIRTH_NEXT, next, nullptr, nullptr, c.slotScale);
    GVRealignJelAtFrame(geo.get(), jel.get(), 0);
    const JelNodeRec* nr = GVFrameNodeRecs(jel->frameStore, 0);
    for (int32_t i = 1; i <= jel->nodeCount; ++i) {
      ASSERT_NEAR(nr[i].f[kNodePos] - nr[i].f[kNodeNatural], 2.0f, 1e-5f);
      ASSERT_NEAR(nr[i].f[kNodeVel], c.velocity, 1e-3f);
      ASSERT_NEAR(nr[i].f[kNodeVel + 1], 0.0f, 1e-5f);
      ASSERT_NEAR(jel->pos[i][0], nr[i].f[kNodePos], 1e-5f);  // frame 0 restored into the live state
    }
  }
}

TEST(GeoBinding, CopySlotsAndPreviousKeyWithoutTrack) {
  auto geo = Cube(0.5f);
  const float p[3] = {1, 2, 3};
  GVSetGeoTransform(geo.get(), GEO_SEL_BIRTH, p, nullptr, nullptr, 0.0f);
  GVCopyGeoTransformSlots(geo.get(), GEO_SEL_BIRTH);
  EXPECT_EQ(geo->xform[GEO_SLOT_FRAME].position[1], 2.0f);
  EXPECT_EQ(geo->xform[GEO_SLOT_FRAME2].position[2], 3.0f);
  EXPECT_NEAR(geo->vertices[1][0], geo->baseVertices[1][0] + 1.0f, 1e-6f);
  EXPECT_EQ(GVGetGeoPrevKeyFrame(geo.get(), 10), -2);
}
