#include "dynamics/collision_tests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "collision_scene.h"
#include "dynamics/contact_list.h"
#include "dynamics/contact_nodes.h"
#include "jel/contact_grid.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

namespace {

const float kOrigin[3] = {0.0f, 0.0f, 0.0f};

std::unique_ptr<HObject> Block(int c = 2, float h = 1.0f, const float* corner = kOrigin) {
  return std::unique_ptr<HObject>(NewBlockJel(c, c, c, h, 1, corner));
}

// The face of the block's top (+y) side whose centre is nearest (x, z).
int32_t TopFace(const HAState* s, float x, float z) {
  int32_t best = 0;
  float bestD = 1e30f;
  for (int32_t f = 1; f <= s->faceCount; ++f) {
    if (s->faceNormals[f][1] < 0.9f) continue;
    float c[3];
    GVQuadCentre(s, s->faces[f][0], s->faces[f][1], s->faces[f][2], s->faces[f][3], c);
    const float d = (c[0] - x) * (c[0] - x) + (c[2] - z) * (c[2] - z);
    if (d < bestD) bestD = d, best = f;
  }
  return best;
}

// A Geo of one vertex moving from p by d.
struct OneVertex {
  OneVertex(const float p[3], const float d[3], const float* n = nullptr) {
    for (int a = 0; a < 3; ++a) v[1][a] = p[a], disp[1][a] = d[a], normal[1][a] = n ? n[a] : 0.0f;
    mesh.vertices = v;
    mesh.displacement = disp;
    mesh.vertexCount = 1;
    if (n) mesh.vertexNormals = normal;
  }
  float v[2][3] = {};
  float disp[2][3] = {};
  float normal[2][3] = {};
  GeoTestMesh mesh;
};

float MinInStepY(const HAState* s, int32_t part) {
  float y = 1e30f;
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (s->inPart(i, part)) y = std::fmin(y, s->pos[i][1] + s->disp[i][1]);
  return y;
}

}  // namespace

TEST(CollisionProjection, FacePointsAboveTheTopFaceProjectOntoItWithTheirHeight) {
  auto jel = Block();
  HAState* s = jel->state;
  const int32_t f = TopFace(s, 0.5f, 0.5f);
  ASSERT_GT(f, 0);
  const struct {
    float x, y, z;
  } pts[] = {{0.5f, 2.3f, 0.5f}, {0.1f, 2.05f, 0.9f}, {0.7f, 1.8f, 0.2f}, {1.2f, 2.5f, 0.5f}};
  for (const auto& q : pts) {
    const float P[3] = {q.x, q.y, q.z};
    SurfaceProjection pr;
    GVProjectOnFace(s, f, P, nullptr, 4, 0, 0.0f, 0.0f, &pr);
    EXPECT_NEAR(pr.dist, q.y - 2.0f, 1e-5f);
    EXPECT_NEAR(pr.point[0], q.x, 1e-5f);
    EXPECT_NEAR(pr.point[1], 2.0f, 1e-5f);
    EXPECT_NEAR(pr.point[2], q.z, 1e-5f);
    EXPECT_NEAR(pr.normal[1], 1.0f, 1e-6f);
    // The bilinear map at (s, t) gives the closest point back.
    float X[3] = {0, 0, 0};
    const int32_t* c = s->faces[f];
    const float w[4] = {(1 - pr.s) * (1 - pr.t), (1 - pr.s) * pr.t, pr.s * pr.t, pr.s * (1 - pr.t)};
    for (int k = 0; k < 4; ++k)
      for (int a = 0; a < 3; ++a) X[a] += w[k] * s->pos[c[k]][a];
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(X[a], pr.point[a], 1e-5f);
  }
}

TEST(CollisionProjection, TriangleCoordinatesTellInsideFromOutside) {
  const float O[3] = {0, 0, 0}, A[3] = {2, 0, 0}, B[3] = {2, 0, 2}, N[3] = {0, 1, 0};
  const struct {
    float x, z;
    bool inside;
  } pts[] = {{1.5f, 0.5f, true}, {0.1f, 0.05f, true}, {0.5f, 1.5f, false}, {2.5f, 0.5f, false}, {1.0f, -0.1f, false}};
  for (const auto& q : pts) {
    const float P[3] = {q.x, 0.7f, q.z};
    SurfaceProjection pr;
    GVProjectOnTriangle(O, A, B, P, nullptr, N, 0, 0.0f, &pr);
    const bool inside = std::fabs(pr.s - 0.5f) <= 0.5f && std::fabs(pr.t - 0.5f) <= 0.5f && pr.s <= pr.t;
    EXPECT_EQ(inside, q.inside) << q.x << "," << q.z;
    EXPECT_NEAR(pr.dist, 0.7f, 1e-6f);
    EXPECT_NEAR(pr.point[0], q.x, 1e-5f);
    EXPECT_NEAR(pr.point[2], q.z, 1e-5f);
  }
}

TEST(CollisionFaceFrame, MassFrameInvertsTheFaceInertiaAndSurvivesZeroMass) {
  auto jel = Block();
  HAState* s = jel->state;
  const int32_t f = TopFace(s, 0.5f, 0.5f);
  const int32_t* c = s->faces[f];
  s->mass[c[0]] = 3.0f;  // uneven masses move the centre towards corner 0
  float M, invM, centre[3], Jinv[9];
  GVFaceMassFrame(s, f, &M, &invM, centre, Jinv);
  const float expectM = s->mass[c[0]] + s->mass[c[1]] + s->mass[c[2]] + s->mass[c[3]];
  EXPECT_FLOAT_EQ(M, expectM);
  EXPECT_FLOAT_EQ(invM, 1.0f / expectM);
  float J[9] = {};
  for (int k = 0; k < 4; ++k) {
    float r[3];
    for (int a = 0; a < 3; ++a) r[a] = s->pos[c[k]][a] - centre[a];
    const float rr = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) J[3 * i + j] += s->mass[c[k]] / M * ((i == j ? rr : 0.0f) - r[i] * r[j]);
  }
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      float e = 0.0f;
      for (int k = 0; k < 3; ++k) e += J[3 * i + k] * Jinv[3 * k + j];
      EXPECT_NEAR(e, i == j ? 1.0f : 0.0f, 1e-4f);
    }
  // The mass-weighted centre leaves no first moment.
  float moment[3] = {0, 0, 0};
  for (int k = 0; k < 4; ++k)
    for (int a = 0; a < 3; ++a) moment[a] += s->mass[c[k]] * (s->pos[c[k]][a] - centre[a]);
  for (float m : moment) EXPECT_NEAR(m, 0.0f, 1e-5f);

  for (int k = 0; k < 4; ++k) s->mass[c[k]] = 0.0f;
  GVFaceMassFrame(s, f, &M, &invM, centre, Jinv);
  EXPECT_EQ(M, 0.0f);
  EXPECT_EQ(invM, 0.0f);
  for (float v : centre) EXPECT_TRUE(std::isfinite(v));
  for (float v : Jinv) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(GVMaxNodeMass(s, c[0], -1, c[2], c[3]), 0.0f);
  EXPECT_EQ(GVMaxNodeMass(s, c[0], c[1], c[2], s->nodeCount + 1), 0.0f);
}

TEST(CollisionShares, EdgeSharesKeepTheMidpointMovingByTheCorrectionAndReportTheirMomentum) {
  auto jel = Block();
  HAState* s = jel->state;
  const int32_t a = 1, b = 2;
  const float c[3] = {0.0f, 0.2f, 0.0f};
  struct Case {
    uint32_t flagA, flagB;
    float moveA, moveB;  // y correction taken by a and b
  } cases[] = {
      {1u, 1u, 0.2f, 0.2f},
      {kGeoContactMark | 1u, 1u, 0.0f, 0.4f},
      {1u, kGeoContactMark | 1u, 0.4f, 0.0f},
      {kGeoContactMark, kGeoContactMark, 0.0f, 0.0f},
  };
  for (const Case& k : cases) {
    GVClearPassCorr(s);
    s->contactFlags[a] = k.flagA;
    s->contactFlags[b] = k.flagB;
    float v[3];
    GVNodeImpulse(s, a, b, c, 4.0f, v);
    EXPECT_FLOAT_EQ(s->contactPassCorr[a][1], k.moveA);
    EXPECT_FLOAT_EQ(s->contactPassCorr[b][1], k.moveB);
    EXPECT_FLOAT_EQ(v[1], -(s->mass[a] * k.moveA + s->mass[b] * k.moveB) / 4.0f);
  }
  // A node contact takes c whole; an unfixed edge node keeps only what opposes
  // its own motion.
  GVClearPassCorr(s);
  s->contactFlags[a] = s->contactFlags[b] = 0;
  s->disp[a][1] = -0.5f;  // moving against the correction
  s->disp[b][1] = +0.5f;  // moving with it
  float v[3];
  GVNodeImpulse(s, a, b, c, 0.0f, v);
  EXPECT_FLOAT_EQ(s->contactPassCorr[a][1], 0.2f);
  EXPECT_FLOAT_EQ(s->contactPassCorr[b][1], 0.0f);
  EXPECT_EQ(v[1], 0.0f);  // zero face mass never divides
  GVNodeImpulse(s, a, 0, c, 2.0f, v);
  EXPECT_FLOAT_EQ(s->contactPassCorr[a][1], 0.4f);
}

// Geo vertices against a Jel's faces.

TEST(CollisionVertexTest, ParallelMotionMakesNoContactAndCrossingMakesOne) {
  auto jel = Block();
  HAState* s = jel->state;
  const float down[3] = {0, -1, 0};
  struct Case {
    float y, dx, dy;
    int records;
  } cases[] = {
      {2.1f, 0.3f, 0.0f, 0},    // parallel, in front
      {2.1f, 0.0f, -0.05f, 0},  // approaching, does not reach
      {2.1f, 0.0f, -0.3f, 1},   // crosses
      {2.1f, 0.2f, -0.3f, 1},   // crosses obliquely
      {1.9f, 0.0f, 0.3f, 0},    // starts behind and gets out
  };
  for (const Case& k : cases) {
    const float p[3] = {0.6f, k.y, 0.6f}, d[3] = {k.dx, k.dy, 0.0f};
    OneVertex g(p, d, down);
    ContactList list;
    GVContactListReset(&list);
    s->contactStatus[0] = 0;
    EXPECT_EQ(GVCollideGeoVertsJel(&list, 1, &g.mesh, 1.0f, s), 0);
    EXPECT_EQ(list.count, k.records) << k.y << " " << k.dx << " " << k.dy;
    if (list.first) {
      EXPECT_GT(list.first->value, 0.0f);
      EXPECT_NEAR(list.first->vec1[1], 1.0f, 1e-5f);
    }
    GVFreeContacts(&list);
  }
}

TEST(CollisionVertexTest, RestingVertexDropsItsOwnStaleRecord) {
  auto jel = Block();
  HAState* s = jel->state;
  ContactList list;
  GVContactListReset(&list);
  // Its record of an earlier step is the last of the list.
  const float z3[3] = {0, 0, 0};
  ContactVectors v;
  v.v1 = v.v2 = v.v3 = v.v4 = z3;
  GVContactAppend(&list, s, s, 0, 1, 0, TopFace(s, 0.5f, 0.5f), 0, 0.01f, v);
  const float p[3] = {0.5f, 2.00005f, 0.5f}, d[3] = {0, -0.00002f, 0};
  OneVertex g(p, d);
  GVCollideGeoVertsJel(&list, 1, &g.mesh, 1.0f, s);
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.first, nullptr);
  GVFreeContacts(&list);
}

TEST(CollisionVertexTest, RelaxPushesTheFaceAwayFromAVertexThatWouldPierceIt) {
  auto jel = Block();
  HAState* s = jel->state;
  const float p[3] = {0.5f, 2.05f, 0.5f}, d[3] = {0, -0.25f, 0};
  OneVertex g(p, d);
  const int32_t f = TopFace(s, 0.5f, 0.5f);
  const int32_t kept = GVCollideGeoVertsJel(nullptr, 1, &g.mesh, 1.0f, s);
  EXPECT_EQ(kept, 1);
  for (int k = 0; k < 4; ++k) EXPECT_LT(s->disp[s->faces[f][k]][1], 0.0f);
  // The Jel's far side is not touched.
  EXPECT_EQ(s->disp[1][1], 0.0f);
}

// Jel nodes and edges against Geo triangles.

struct FloorCase : ::testing::Test {
  void SetUp() override {
    const float o[3] = {-3, 0, -3}, u[3] = {0, 0, 6}, v[3] = {6, 0, 0};  // normal +y
    floor.addRect(o, u, v, 12, 12);
    floor.finish();
    const float corner[3] = {-1.0f, 0.1f, -1.0f};
    jel.reset(NewBlockJel(2, 2, 2, 1.0f, 1, corner));
    s = jel->state;
    for (int32_t i = 1; i <= s->nodeCount; ++i) s->disp[i][1] = -0.3f;
  }
  TriMesh floor;
  std::unique_ptr<HObject> jel;
  HAState* s = nullptr;
};

TEST_F(FloorCase, RecordingGivesEveryBottomNodeOneRecordAndSkipsEdgesBetweenThem) {
  ContactList nodes, edges;
  GVContactListReset(&nodes);
  GVContactListReset(&edges);
  EXPECT_EQ(GVCollideJelGeoTris(&nodes, &edges, 2, &floor.mesh, 1.0f, 1, s), 0);
  EXPECT_EQ(nodes.count, 9);  // the 3 x 3 bottom nodes
  for (ContactRec* r = nodes.first; r; r = r->next) {
    EXPECT_NEAR(s->pos[r->nodeA][1], 0.1f, 1e-6f);
    EXPECT_NEAR(r->value, 0.2f, 1e-5f);
    EXPECT_EQ(r->faceSide, nullptr);
  }
  // Every bottom edge joins two recorded nodes.
  EXPECT_EQ(edges.count, 0);
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    EXPECT_EQ((s->contactFlags[i] & kGeoContactMark) != 0, s->pos[i][1] < 0.5f);
  GVFreeContacts(&nodes);
  GVFreeContacts(&edges);
}

TEST_F(FloorCase, RelaxLeavesNoNodeBelowTheFloor) {
  EXPECT_GT(GVCollideJelGeoTris(nullptr, nullptr, 2, &floor.mesh, 1.0f, 1, s), 0);
  EXPECT_GE(MinInStepY(s, 1), -1e-5f);
  // Nodes above the bottom layer keep their motion.
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (s->pos[i][1] > 0.5f) {
      EXPECT_FLOAT_EQ(s->disp[i][1], -0.3f);
    }
}

TEST_F(FloorCase, AFailedQueryOfOneNodeLeavesTheOthersColliding) {
  // Node 1 far outside the floor's grid, before every other item.
  s->pos[1][0] = 500.0f;
  ContactList nodes, edges;
  GVContactListReset(&nodes);
  GVContactListReset(&edges);
  GVCollideJelGeoTris(&nodes, &edges, 2, &floor.mesh, 1.0f, 0, s);
  EXPECT_EQ(nodes.count, 8);
  GVFreeContacts(&nodes);
  GVFreeContacts(&edges);
}

TEST_F(FloorCase, ZeroTimeStepChangesNothing) {
  jel->playParams.fps = 0;
  ContactList nodes, edges;
  GVContactListReset(&nodes);
  GVContactListReset(&edges);
  EXPECT_EQ(GVCollideJelGeoTris(&nodes, &edges, 2, &floor.mesh, 1.0f, 1, s), 0);
  EXPECT_EQ(GVCollideJelGeoTris(nullptr, nullptr, 2, &floor.mesh, 1.0f, 1, s), 0);
  EXPECT_EQ(nodes.count + edges.count, 0);
  for (int32_t i = 1; i <= s->nodeCount; ++i) EXPECT_FLOAT_EQ(s->disp[i][1], -0.3f);
}

TEST(CollisionQuadTest, QuadFloorStopsTheNodes) {
  const float corner[3] = {-1.0f, 0.1f, -1.0f};
  std::unique_ptr<HObject> jel(NewBlockJel(2, 2, 2, 1.0f, 1, corner));
  HAState* s = jel->state;
  for (int32_t i = 1; i <= s->nodeCount; ++i) s->disp[i][1] = -0.3f;
  // The floor as 12 x 12 quads of side 0.5 with their grid.
  const int nq = 12, nv = nq + 1;
  std::vector<float> v(3 * (nv * nv + 1), 0.0f), n(3 * (nq * nq + 1), 0.0f);
  std::vector<int32_t> q(4 * (nq * nq + 1), 0);
  for (int j = 0; j < nv; ++j)
    for (int i = 0; i < nv; ++i) {
      const int id = 1 + i + nv * j;
      v[3 * id] = -3.0f + 0.5f * i;
      v[3 * id + 2] = -3.0f + 0.5f * j;
    }
  ContactGrid* grid = GVNewContactGrid();
  GVOctreeSetup(grid, -4, -4, -4, 4, 4, 4, 0.5f, nq * nq);
  for (int j = 0; j < nq; ++j)
    for (int i = 0; i < nq; ++i) {
      const int k = 1 + i + nq * j, a = 1 + i + nv * j;
      const int32_t quad[4] = {a, a + nv, a + nv + 1, a + 1};
      float c[3] = {0, 0, 0};
      for (int m = 0; m < 4; ++m) {
        q[4 * k + m] = quad[m];
        for (int x = 0; x < 3; ++x) c[x] += 0.25f * v[3 * quad[m] + x];
      }
      n[3 * k + 1] = 1.0f;
      GVOctreeAddItem(grid, k, c[0], c[1], c[2]);
    }
  GeoTestMesh mesh;
  mesh.vertices = reinterpret_cast<const float(*)[3]>(v.data());
  mesh.quads = reinterpret_cast<const int32_t(*)[4]>(q.data());
  mesh.faceNormals = reinterpret_cast<const float(*)[3]>(n.data());
  mesh.grid = grid;
  mesh.vertexCount = nv * nv;
  mesh.quadCount = nq * nq;
  EXPECT_GT(GVCollideJelGeoQuads(nullptr, nullptr, 2, &mesh, 1.0f, 0, s), 0);
  EXPECT_GE(MinInStepY(s, 1), -1e-5f);
  GVFreeContactGrid(grid);
}

TEST(CollisionVertexTest, AWheelKeepsOneContactPerHalf) {
  // 3 x 3 x 4 nodes: 36. A Geo vertex crossing the top edge shared by a face
  // of each half.
  for (bool wheel : {false, true}) {
    std::unique_ptr<HObject> jel(NewBlockJel(2, 2, 3, 1.0f, 1, kOrigin));
    ASSERT_EQ(jel->state->nodeCount, 36);
    if (wheel) jel->flags |= 0x20u;
    const float p[3] = {0.5f, 2.1f, 2.0f}, d[3] = {0.0f, -0.3f, 0.0f};
    OneVertex g(p, d);
    ContactList list;
    GVContactListReset(&list);
    GVCollideGeoVertsJel(&list, 1, &g.mesh, 1.0f, jel->state);
    EXPECT_EQ(list.count, wheel ? 2 : 1);
    GVFreeContacts(&list);
  }
}

// One node item and the single-face searches.

TEST_F(FloorCase, TrianglesSpilledIntoSeveralPointsAreTriedOnce) {
  // A ceiling the block rises into, its triangles put in as many points
  // each; the block's last node is one of the nine that meet it.
  TriMesh big;
  const float o[3] = {-3, 2.2f, -3}, u[3] = {6, 0, 0}, v[3] = {0, 0, 6};  // normal -y
  big.addRect(o, u, v, 4, 4);
  big.finish();
  GVOctreeSetup(big.grid, -4, -4, -4, 4, 4, 4, 0.5f, 512);
  for (int32_t t = 1; t <= big.mesh.triangleCount; ++t) {
    const int32_t* c = big.mesh.triangles[t];
    GVOctreeAddTriangle(big.grid, t, big.mesh.vertices[c[0]], big.mesh.vertices[c[1]], big.mesh.vertices[c[2]], 0.1f);
  }
  ASSERT_EQ(big.grid->spillFlag, 1);
  for (int32_t i = 1; i <= s->nodeCount; ++i) s->disp[i][1] = 0.3f;
  std::vector<int32_t> marks(big.mesh.triangleCount + 1, 0);
  big.mesh.faceMarks = marks.data();
  ContactList nodes, edges;
  GVContactListReset(&nodes);
  GVContactListReset(&edges);
  GVCollideJelGeoTris(&nodes, &edges, 2, &big.mesh, 1.0f, 0, s);
  EXPECT_EQ(nodes.count, 9);
  // The last query's hits: each triangle once, the marks left clear.
  const int32_t* hits = big.grid->hitList;
  ASSERT_GE(hits[0], 1);
  for (int32_t k = 2; k <= hits[0]; ++k) EXPECT_NE(hits[k], hits[1]);
  for (int32_t m : marks) EXPECT_EQ(m, 0);
  GVFreeContacts(&nodes);
  GVFreeContacts(&edges);
}

TEST_F(FloorCase, PointTrisRecordsAPassingNodeAndDropsItWhenItRests) {
  GeoNodeItem it;
  it.a = 1;
  const float p[3] = {0.3f, 0.1f, 0.4f};
  for (int a = 0; a < 3; ++a) it.P[a] = it.S[a] = p[a];
  it.S[1] = -0.2f;
  const int32_t t = floor.mesh.triangleCount;
  std::vector<int32_t> all(t + 1, t);  // every triangle once
  for (int32_t k = 1; k <= t; ++k) all[k] = k;
  ContactList list;
  GVContactListReset(&list);
  GeoNodeHit hit;
  ASSERT_TRUE(GVCollidePointTris(s, &list, 1, it, &floor.mesh, all.data(), 1.0f, 1.0f / 30.0f, &hit));
  ASSERT_EQ(list.count, 1);
  EXPECT_NEAR(hit.depth, 0.2f, 1e-5f);
  EXPECT_NEAR(hit.contact[1], 0.0f, 1e-6f);
  // Resting on the floor it touches: its own record goes.
  it.P[1] = it.S[1] = 0.00005f;
  EXPECT_TRUE(GVCollidePointTris(s, &list, 1, it, &floor.mesh, all.data(), 1.0f, 1.0f / 30.0f, &hit));
  EXPECT_EQ(list.count, 0);
  GVFreeContacts(&list);
}

TEST(CollisionPointQuads, NearestQuadOfARepeatedHitList) {
  std::unique_ptr<HObject> jel(NewBlockJel(1, 1, 1, 1.0f, 1, kOrigin));
  const float v[7][3] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 0, 1}, {1, 0, 1}, {2, 0, 1}};
  const int32_t q[3][4] = {{0, 0, 0, 0}, {1, 4, 5, 2}, {2, 5, 6, 3}};  // facing +y
  GeoTestMesh mesh;
  mesh.vertices = v;
  mesh.quads = q;
  mesh.vertexCount = 6;
  mesh.quadCount = 2;
  const int32_t hits[] = {4, 2, 1, 2, 1};
  const struct {
    float x, y, dy;
    int32_t quad;
    bool touch;
  } cases[] = {{1.5f, 0.1f, -0.3f, 2, false}, {0.5f, 0.1f, -0.3f, 1, false},
               {1.5f, 0.00005f, 0.0f, 2, true}, {9.0f, 0.1f, -0.3f, 0, false}};
  for (const auto& c : cases) {
    GeoNodeItem it;
    it.a = 1;
    it.P[0] = it.S[0] = c.x;
    it.P[1] = c.y;
    it.S[1] = c.y + c.dy;
    it.P[2] = it.S[2] = 0.5f;
    GeoNodeHit nearest;
    bool touch = false;
    EXPECT_EQ(GVCollidePointQuads(jel->state, it, &mesh, hits, 1.0f, 1.0f / 30.0f, &nearest, &touch), c.quad) << c.x;
    EXPECT_EQ(touch, c.touch) << c.x;
    if (c.quad && !c.touch) {
      EXPECT_NEAR(nearest.depth, 0.2f, 1e-5f);
      EXPECT_NEAR(nearest.normal[1], 1.0f, 1e-6f);
    }
  }
}

// The triangles' kept frames turn away only triangles the tries themselves
// would: a solid block and a one-layer sheet sinking into a valley of two
// slopes record the same contacts with the frames as without.
TEST(CollisionTriFrames, KeptFramesRecordWhatTheCornersRecord) {
  TriMesh valley;
  const float o1[3] = {-2, 1, -2}, u1[3] = {0, 0, 4}, v1[3] = {2, -1, 0};
  const float o2[3] = {0, 0, -2}, u2[3] = {0, 0, 4}, v2[3] = {2, 1, 0};
  valley.addRect(o1, u1, v1, 9, 7);
  valley.addRect(o2, u2, v2, 7, 9);
  valley.finish();
  for (const int layers : {3, 0}) {
    const float corner[3] = {-0.45f, 0.08f, -0.4f};
    std::unique_ptr<HObject> jel(NewBlockJel(4, 4, layers, 0.25f, 1, corner));
    HAState* s = jel->state;
    for (int32_t i = 1; i <= s->nodeCount; ++i)
      for (int a = 0; a < 3; ++a) s->disp[i][a] = a == 1 ? -0.05f - 0.01f * float(i % 7) : 0.004f * float(i % 3 - 1);
    std::vector<float> outcome[2];
    for (int withFrames = 0; withFrames < 2; ++withFrames) {
      GeoTestMesh mesh = valley.mesh;
      if (!withFrames) mesh.triFrames = nullptr;
      ContactList nodes, edges;
      GVContactListReset(&nodes);
      GVContactListReset(&edges);
      GVCollideJelGeoTris(&nodes, &edges, 2, &mesh, 1.0f, 1, s);
      for (const ContactList* l : {&nodes, &edges})
        for (const ContactRec* r = l->first; r; r = r->next) {
          outcome[withFrames].insert(outcome[withFrames].end(),
                                     {float(r->nodeA), float(r->nodeB), float(r->face), r->value});
          outcome[withFrames].insert(outcome[withFrames].end(), r->vec3, r->vec3 + 3);
        }
      GVFreeContacts(&nodes);
      GVFreeContacts(&edges);
    }
    EXPECT_GT(outcome[0].size(), 40u) << layers;
    EXPECT_EQ(outcome[1], outcome[0]) << layers;
  }
}
