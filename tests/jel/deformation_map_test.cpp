#include "jel/deformation_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <cstring>
#include <random>
#include <vector>

#include "jel/vector_math.h"
#include "jel/worker_pool.h"
#include "grid_lattice.h"

namespace {

std::unique_ptr<LatticeBuilder> Block(int32_t cx, int32_t cy, int32_t cz, float h = 1.0f) {
  auto b = MakeGrid(cx + 1, cy + 1, cz + 1, h);
  GVGridFillAll(b.get());
  return b;
}

// An L of cells: a 3x1x1 row with a 1x2x1 arm (not a box).
std::unique_ptr<LatticeBuilder> LShape() {
  auto b = MakeGrid(4, 3, 2);
  GVGridAddCell(1, 1, 1, b.get());
  GVGridAddCell(2, 1, 1, b.get());
  GVGridAddCell(3, 1, 1, b.get());
  GVGridAddCell(1, 2, 1, b.get());
  return b;
}

void ExpectColumnsEqual(const GridLattice& t, const float M[9], float tol) {
  for (int32_t i = 1; i <= t.n; ++i)
    for (int c = 0; c < 3; ++c) {
      float col[3];
      GVDeformColumn(&t.view, i, c, col);
      for (int r = 0; r < 3; ++r) ASSERT_NEAR(col[r], M[c * 3 + r], tol) << "node " << i << " col " << c;
    }
}

TEST(DeformationMap, UndeformedColumnsAreCellSizeAxes) {
  const float h = 0.5f;
  const float M[9] = {h, 0, 0, 0, h, 0, 0, 0, h};
  for (auto* make : {+[](float s) { return Block(3, 2, 2, s); }, +[](float s) {
                       auto b = LShape();
                       b->cellSize = s;
                       return b;
                     }}) {
    auto b = make(h);
    GridLattice t(b.get());
    GVUpdateLatticeDeform(&t.view, 0);
    ExpectColumnsEqual(t, M, 1e-6f);
  }
  // A single layer: the z column is the layer normal, one cell long.
  auto f = MakeGrid(4, 3, 1, h);
  GVGridFillAll(f.get());
  GridLattice t(f.get());
  ASSERT_EQ(GVLatticeIsFlat(&t.view), 1);
  GVUpdateLatticeDeform(&t.view, 0);
  ExpectColumnsEqual(t, M, 1e-6f);
}

TEST(DeformationMap, RigidMotionGivesTheRotation) {
  auto b = Block(3, 3, 2, 0.8f);
  GridLattice t(b.get());
  const float rv[3] = {0.3f, -0.7f, 1.1f}, move[3] = {2.0f, -1.0f, 0.5f};
  float R[9];
  GVRotationFromVector(rv, R);
  t.rotate(R, move);
  GVUpdateLatticeDeform(&t.view, 0);
  float M[9];
  for (int e = 0; e < 9; ++e) M[e] = R[e] * 0.8f;
  ExpectColumnsEqual(t, M, 1e-5f);

  auto f = MakeGrid(3, 3, 1);
  GVGridFillAll(f.get());
  GridLattice tf(f.get());
  tf.rotate(R, move);
  GVUpdateLatticeDeform(&tf.view, 1);  // no glue: the seam pass changes nothing
  ExpectColumnsEqual(tf, R, 1e-5f);
}

TEST(DeformationMap, FlatNormalOfDegenerateNodeIsNotNormalised) {
  auto f = MakeGrid(3, 2, 1);
  GVGridFillAll(f.get());
  GridLattice t(f.get());
  // Fold the layer so that at node 1 the x and y columns are nearly parallel.
  const int32_t n1 = t.node(1, 1, 1), ny = t.node(1, 2, 1);
  t.pos[ny][0] = 0.999f;
  t.pos[ny][1] = 0.001f;
  GVUpdateLatticeDeform(&t.view, 0);
  float x[3], y[3], z[3], c[3];
  GVDeformColumn(&t.view, n1, 0, x);
  GVDeformColumn(&t.view, n1, 1, y);
  GVDeformColumn(&t.view, n1, 2, z);
  c[0] = x[1] * y[2] - x[2] * y[1];
  c[1] = x[2] * y[0] - x[0] * y[2];
  c[2] = x[0] * y[1] - x[1] * y[0];
  const float len2 = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  ASSERT_LE(len2, 1e-5f);
  for (int r = 0; r < 3; ++r) EXPECT_FLOAT_EQ(z[r], c[r] * len2);
}

TEST(DeformationMap, EmptyLatticeWritesNothing) {
  DeformLattice empty;
  GVUpdateLatticeDeform(&empty, 1);
  GeoVertBind rec;
  rec.cellNode = 5;
  const float p[3] = {0, 0, 0};
  EXPECT_EQ(GVLatticeLocatePoint(&empty, p, &rec), 0);
  EXPECT_EQ(rec.cellNode, 0);
  EXPECT_EQ(GVLatticeLocatePoint(&empty, p, nullptr), 0);
}

struct Located {
  int32_t cell;
  float u, v, w;
};

// Points at known lattice locations of a (rotated) block are found again.
TEST(DeformationMap, LocateRecoversCellAndLocalCoordinates) {
  const float h = 0.7f;
  auto b = Block(4, 3, 3, h);
  GridLattice t(b.get());
  const float rv[3] = {0.4f, 0.2f, -0.9f}, move[3] = {1.0f, 3.0f, -2.0f};
  float R[9];
  GVRotationFromVector(rv, R);
  t.rotate(R, move);
  GVUpdateLatticeDeform(&t.view, 0);
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> local(0.02f, 0.98f);
  for (int trial = 0; trial < 200; ++trial) {
    const int32_t gx = 1 + int32_t(rng() % 4), gy = 1 + int32_t(rng() % 3), gz = 1 + int32_t(rng() % 3);
    const float u = local(rng), v = local(rng), w = local(rng);
    const float g[3] = {(gx - 1 + u) * h, (gy - 1 + v) * h, (gz - 1 + w) * h};
    float p[3];
    for (int r = 0; r < 3; ++r) p[r] = R[r] * g[0] + R[3 + r] * g[1] + R[6 + r] * g[2] + move[r];
    GeoVertBind rec;
    ASSERT_EQ(GVLatticeLocatePoint(&t.view, p, &rec), 7);
    EXPECT_EQ(rec.cellNode, t.node(gx, gy, gz));
    EXPECT_NEAR(rec.u, u, 1e-4f);
    EXPECT_NEAR(rec.v, v, 1e-4f);
    EXPECT_NEAR(rec.w, w, 1e-4f);
    float back[3];
    ASSERT_EQ(GVLatticeEvalTrilinear(&t.view, &rec, back), 1);
    for (int r = 0; r < 3; ++r) EXPECT_NEAR(back[r], p[r], 1e-4f);
  }
}

TEST(DeformationMap, LocateInBentLatticeRoundTrips) {
  auto b = Block(6, 2, 2);
  GridLattice t(b.get());
  // Bend the bar about the y axis.
  for (int32_t i = 1; i <= t.n; ++i) {
    const float x = t.pos[i][0], z = t.pos[i][2];
    const float a = x * 0.15f, r = 8.0f - z;
    t.pos[i][0] = r * std::sin(a);
    t.pos[i][2] = 8.0f - r * std::cos(a);
  }
  GVUpdateLatticeDeform(&t.view, 0);
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> local(0.05f, 0.95f);
  for (int trial = 0; trial < 100; ++trial) {
    GeoVertBind in;
    in.jelId = 7;
    in.cellNode = t.node(1 + int32_t(rng() % 6), 1 + int32_t(rng() % 2), 1 + int32_t(rng() % 2));
    in.u = local(rng);
    in.v = local(rng);
    in.w = local(rng);
    float p[3];
    ASSERT_EQ(GVLatticeEvalTrilinear(&t.view, &in, p), 1);
    GeoVertBind out;
    ASSERT_EQ(GVLatticeLocatePoint(&t.view, p, &out), 7);
    float q[3];
    ASSERT_EQ(GVLatticeEvalTrilinear(&t.view, &out, q), 1);
    for (int r = 0; r < 3; ++r) EXPECT_NEAR(q[r], p[r], 1e-3f);
  }
}

TEST(DeformationMap, PointOutsideGivesCoordinatesBeyondTheCell) {
  auto b = Block(3, 3, 3);
  GridLattice t(b.get());
  GVUpdateLatticeDeform(&t.view, 0);
  const float p[3] = {3.5f, 1.5f, 1.5f};  // half a cell beyond the +x face
  GeoVertBind rec;
  ASSERT_EQ(GVLatticeLocatePoint(&t.view, p, &rec), 7);
  EXPECT_EQ(rec.cellNode, t.node(3, 2, 2));
  EXPECT_NEAR(rec.u, 1.5f, 1e-4f);
  EXPECT_NEAR(rec.v, 0.5f, 1e-4f);
  // A point on a face (local 1.0) stays in its cell.
  const float onFace[3] = {1.0f, 0.5f, 0.5f};
  rec = GeoVertBind{};
  ASSERT_EQ(GVLatticeLocatePoint(&t.view, onFace, &rec), 7);
  EXPECT_EQ(rec.cellNode, t.node(1, 1, 1));
  EXPECT_NEAR(rec.u, 1.0f, 1e-5f);
}

TEST(DeformationMap, MissingInputs) {
  auto b = Block(1, 1, 1);
  GridLattice t(b.get());
  GVUpdateLatticeDeform(&t.view, 0);
  GeoVertBind rec;
  rec.jelId = 3;
  rec.cellNode = 1;
  EXPECT_EQ(GVLatticeLocatePoint(&t.view, nullptr, &rec), 0);
  EXPECT_EQ(rec.jelId, 0);
  EXPECT_EQ(rec.cellNode, 0);
  float out[3] = {9, 9, 9};
  GeoVertBind bad;
  bad.jelId = 7;
  bad.cellNode = 99;  // beyond the node count
  EXPECT_EQ(GVLatticeEvalTrilinear(&t.view, &bad, out), 0);
  EXPECT_EQ(out[0], 9.0f);
  bad.cellNode = 2;  // a node without a cell
  EXPECT_EQ(GVLatticeEvalTrilinear(&t.view, &bad, out), 0);
}

TEST(DeformationMap, DeformVertsStopsAtBindingPastTheLattice) {
  auto b = Block(2, 1, 1);
  GridLattice t(b.get());
  GVUpdateLatticeDeform(&t.view, 0);
  GeoVertBind recs[5];
  recs[1] = {7, 1, 0.5f, 0.5f, 0.5f};
  recs[2] = {0, 0, 0.0f, 0.0f, 0.0f};  // unbound: kept
  recs[3] = {0, 2, 0.25f, 0.0f, 1.0f};  // the Jel id is not looked at
  recs[4] = {7, 1000, 0.0f, 0.0f, 0.0f};
  float verts[5][3] = {};
  for (auto& v : verts) v[0] = v[1] = v[2] = -1.0f;
  GVLatticeDeformVerts(&t.view, recs, verts, 4, 0);
  EXPECT_FLOAT_EQ(verts[1][0], 0.5f);
  EXPECT_FLOAT_EQ(verts[2][0], -1.0f);
  EXPECT_FLOAT_EQ(verts[3][0], 1.25f);
  EXPECT_FLOAT_EQ(verts[3][2], 1.0f);
  EXPECT_FLOAT_EQ(verts[4][0], -1.0f);
  GVLatticeDeformVerts(&t.view, recs, verts, 4, 1);  // bilinear: w is an offset along z
  EXPECT_FLOAT_EQ(verts[1][2], 0.5f);
}

// The batch pass (packed records, the processor's widest path) gives the
// map's own value at every binding, also where a neighbour table is uneven
// (a cell's upper +x link missing, so its corners cannot be read in pairs).
TEST(DeformationMap, BatchPassMatchesTheMapAtEveryBinding) {
  auto b = Block(3, 3, 3);
  GridLattice t(b.get());
  const float R[9] = {0.8f, 0.6f, 0.0f, -0.6f, 0.8f, 0.0f, 0.0f, 0.0f, 1.0f};
  const float shift[3] = {1.0f, -2.0f, 0.5f};
  t.rotate(R, shift);
  for (int32_t i = 1; i <= t.n; ++i) t.pos[i][1] += 0.1f * std::sin(float(i));
  GVUpdateLatticeDeform(&t.view, 0);
  std::unique_ptr<DeformScratch, void (*)(DeformScratch*)> scratch(GVNewDeformScratch(), GVFreeDeformScratch);
  t.view.scratch = scratch.get();
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> uvw(-0.3f, 1.3f);
  std::uniform_int_distribution<int32_t> cell(0, 2);
  constexpr int kCount = 200;
  GeoVertBind recs[kCount + 1];
  for (int v = 1; v <= kCount; ++v)
    recs[v] = {7, t.node(1 + cell(rng), 1 + cell(rng), 1 + cell(rng)), uvw(rng), uvw(rng), uvw(rng)};
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) t.nbr[3][t.node(1, 2, 1)] = 0;  // the cell at (1, 1, 1) keeps its own corner links
    float verts[kCount + 1][3] = {};
    GVLatticeDeformVerts(&t.view, recs, verts, kCount, 0);
    for (int v = 1; v <= kCount; ++v) {
      float want[3];
      ASSERT_EQ(GVLatticeEvalTrilinear(&t.view, &recs[v], want), 1);
      for (int a = 0; a < 3; ++a) ASSERT_NEAR(verts[v][a], want[a], 1e-4f) << "pass " << pass << " vertex " << v;
    }
  }
}

// On a pool the pass runs in pieces: the same vertices bit for bit as on one
// thread, for the packed and the plain pass and the bilinear one, and a
// binding past the lattice in a middle piece still ends the pass there.
TEST(DeformationMap, PiecesOnAPoolGiveTheOneThreadResult) {
  auto b = Block(3, 3, 3);
  GridLattice t(b.get());
  for (int32_t i = 1; i <= t.n; ++i) t.pos[i][1] += 0.1f * std::sin(float(i));
  GVUpdateLatticeDeform(&t.view, 0);
  std::unique_ptr<DeformScratch, void (*)(DeformScratch*)> scratch(GVNewDeformScratch(), GVFreeDeformScratch);
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> uvw(0.0f, 1.0f);
  std::uniform_int_distribution<int32_t> cell(1, 3);
  const int32_t count = 3 * kDeformPiece + 5, past = kDeformPiece + 17;
  std::vector<GeoVertBind> recs(size_t(count) + 1);
  for (int32_t v = 1; v <= count; ++v) recs[v] = {7, t.node(cell(rng), cell(rng), cell(rng)), uvw(rng), uvw(rng), uvw(rng)};
  recs[past].cellNode = t.n + 1;
  WorkerPool pool(4);
  for (int run = 0; run < 3; ++run) {
    t.view.scratch = run == 0 ? nullptr : scratch.get();
    const int bilinear = run == 2 ? 1 : 0;
    std::vector<float> one(3 * (size_t(count) + 1), -1.0f), many(one);
    GVLatticeDeformVerts(&t.view, recs.data(), reinterpret_cast<float(*)[3]>(one.data()), count, bilinear);
    GVLatticeDeformVerts(&t.view, recs.data(), reinterpret_cast<float(*)[3]>(many.data()), count, bilinear, &pool);
    EXPECT_EQ(std::memcmp(one.data(), many.data(), one.size() * sizeof(float)), 0) << "run " << run;
    EXPECT_NE(one[3 * (past - 1)], -1.0f) << "run " << run;
    EXPECT_EQ(one[3 * (past + 1)], -1.0f) << "run " << run;
  }
}

TEST(DeformationMap, TrackingFollowsAPointIntoTheNextCell) {
  auto b = Block(4, 1, 1);
  GridLattice t(b.get());
  GVUpdateLatticeDeform(&t.view, 0);
  GeoVertBind rec{7, t.node(2, 1, 1), 0.9f, 0.5f, 0.5f};
  const float p[3] = {2.3f, 0.5f, 0.5f};
  ASSERT_EQ(GVLatticeTrackPoint(&t.view, p, &rec), 7);
  EXPECT_EQ(rec.cellNode, t.node(3, 1, 1));
  EXPECT_NEAR(rec.u, 0.3f, 1e-5f);
  // Stale search marks from a global search do not hold the tracking back.
  GeoVertBind other;
  const float q[3] = {3.5f, 0.5f, 0.5f};
  GVLatticeLocatePoint(&t.view, q, &other);
  const float back[3] = {1.4f, 0.5f, 0.5f};
  ASSERT_EQ(GVLatticeTrackPoint(&t.view, back, &rec), 7);
  EXPECT_EQ(rec.cellNode, t.node(2, 1, 1));
}

TEST(DeformationMap, PartBlockTest) {
  {
    auto b = Block(3, 2, 2);
    GridLattice t(b.get());
    GeoCellBind bind;
    ASSERT_EQ(GVLatticeCheckPartBlock(&t.view, nullptr, 1, &bind), 1);
    EXPECT_EQ(bind.status, kCellBindAccepted);
    EXPECT_EQ(bind.nx, 4);
    EXPECT_EQ(bind.ny, 3);
    EXPECT_EQ(bind.nz, 3);
    ASSERT_EQ(bind.nodes[0], 36);
    for (int32_t k = 1; k <= 36; ++k) EXPECT_EQ(bind.nodes[k], k);  // x-fastest numbering
    // Beyond the far x side: the last cell with a local coordinate above 1.
    const float p[3] = {3.5f, 0.25f, 1.5f}, corner[3] = {0, 0, 0};
    GeoVertBind out;
    const int32_t cell = GVBlockCellOfPointAt(p, corner, 1.0f, 0, &bind, &out);
    EXPECT_EQ(cell, t.node(3, 1, 2));
    EXPECT_FLOAT_EQ(out.u, 1.5f);
    EXPECT_FLOAT_EQ(out.v, 0.25f);
    EXPECT_FLOAT_EQ(out.w, 0.5f);
    const float below[3] = {-0.5f, 1.0f, 0.5f};
    EXPECT_EQ(GVBlockCellOfPointAt(below, corner, 1.0f, 0, &bind, &out), t.node(1, 2, 1));
    EXPECT_FLOAT_EQ(out.u, -0.5f);
    EXPECT_EQ(GVBlockCellOfPointAt(p, corner, 1.0f, 0, nullptr, &out), 0);
    // No cell for a point whose grid place is not a number: a cell size too
    // small for its reciprocal (as a damaged file may carry), a point at infinity.
    const float far[3] = {std::numeric_limits<float>::infinity(), 0.5f, 0.5f};
    for (auto [point, size] : {std::pair{corner, 2.3e-41f}, std::pair{far, 1.0f}}) {
      out = GeoVertBind{};
      EXPECT_EQ(GVBlockCellOfPointAt(point, corner, size, 0, &bind, &out), 0);
      EXPECT_EQ(out.cellNode, 0);
    }
    // Refilling frees the old table (leak-checked).
    EXPECT_EQ(GVLatticeCheckPartBlock(&t.view, nullptr, 4, &bind), 0);
    EXPECT_EQ(bind.status, kCellBindPartEmpty);
    GVFreeCellBind(&bind);
  }
  {
    auto b = LShape();
    GridLattice t(b.get());
    GeoCellBind bind;
    EXPECT_EQ(GVLatticeCheckPartBlock(&t.view, nullptr, 1, &bind), 0);
    EXPECT_EQ(bind.status, kCellBindWrongCount);
  }
  {
    // A 3x3x1 plate of cells with its middle cell missing.
    auto b = Block(3, 3, 1);
    GVGridRemoveCell(2, 2, 1, b.get());
    GridLattice t(b.get());
    GeoCellBind bind;
    EXPECT_EQ(GVLatticeCheckPartBlock(&t.view, nullptr, 1, &bind), 0);
    EXPECT_EQ(bind.status, kCellBindNotBox);
  }
}

TEST(DeformationMap, SeamPassCopiesThePartnerColumns) {
  // Two separate cells side by side along x, their facing faces glued.
  auto b = MakeGrid(5, 2, 2);
  GVGridAddCell(1, 1, 1, b.get());
  GVGridAddCell(3, 1, 1, b.get());
  GridLattice t(b.get());
  // Shear the second cell so its columns differ from the first one's.
  for (int32_t i = 1; i <= t.n; ++i)
    if (t.grid[i][0] >= 3) t.pos[i][0] += 0.3f * t.pos[i][1];
  // Face of cell 1 at x = 2 (c0 -> c3 along +y, c0 -> c1 along +z) glued to
  // the face of cell 2 at x = 3.
  static int32_t faces[2][4];
  faces[1][0] = t.node(2, 1, 1);
  faces[1][1] = t.node(2, 1, 2);
  faces[1][2] = t.node(2, 2, 2);
  faces[1][3] = t.node(2, 2, 1);
  const int32_t partner[4] = {t.node(3, 1, 1), t.node(3, 1, 2), t.node(3, 2, 2), t.node(3, 2, 1)};
  for (int k = 0; k < 4; ++k) {
    t.glueJel[faces[1][k]] = 7;
    t.glueNode[faces[1][k]] = partner[k];
    t.glueFlag[faces[1][k]] = 1;
  }
  t.view.faceCount = 1;
  t.view.faces = faces;
  GVUpdateLatticeDeform(&t.view, 1);
  for (int k = 0; k < 4; ++k)
    for (int a = 0; a < 2; ++a) {
      // Along y and z (both one-sided at the partner) the partner's column is taken.
      float mine[3], theirs[3];
      GVDeformColumn(&t.view, faces[1][k], a + 1, mine);
      GVDeformColumn(&t.view, partner[k], a + 1, theirs);
      for (int r = 0; r < 3; ++r) EXPECT_FLOAT_EQ(mine[r], theirs[r]);
    }
  // Unglued nodes keep their own map.
  float col[3];
  GVDeformColumn(&t.view, t.node(1, 1, 1), 1, col);
  EXPECT_FLOAT_EQ(col[0], 0.0f);
}

// A seam where a Jel's surface meets another part of its own lattice turned
// half a turn about x: the face at x = 2 lies on the plane x = 4 of a
// two-cell block, each glued corner on its partner. The face's edges run
// (-y, +z) in one lattice and (+y, -z) in the other. The seam pass must leave
// the map continuous, every column one cell along its own world axis: in the
// face, the partner's column times the product of the two edge signs (the
// partner's sign alone would turn the y column over); along the normal, where
// the partner has material on both sides, the central difference from the
// node behind the face to the partner's neighbour beyond it.
TEST(DeformationMap, SeamPassKeepsTheMapContinuousAcrossMixedEdgeSigns) {
  // The face on the high side of its cell (x = 2, partner block at grid x 3..5
  // moved back two cells) and on the low side (x = 5, partner block at grid
  // x 1..3 moved on three cells).
  struct Case {
    int32_t cell, block, face, plane;
    float shift;
  };
  for (const Case c : {Case{1, 3, 2, 4, -2.0f}, Case{5, 1, 5, 2, 3.0f}}) {
    auto b = MakeGrid(6, 2, 2);
    GVGridAddCell(c.cell, 1, 1, b.get());
    GVGridAddCell(c.block, 1, 1, b.get());
    GVGridAddCell(c.block + 1, 1, 1, b.get());
    GridLattice t(b.get());
    for (int32_t i = 1; i <= t.n; ++i)
      if (t.grid[i][0] >= c.block && t.grid[i][0] <= c.block + 2) {
        t.pos[i][0] += c.shift;
        t.pos[i][1] = 1.0f - t.pos[i][1];
        t.pos[i][2] = 1.0f - t.pos[i][2];
      }
    static int32_t faces[2][4];
    const int32_t mine[4] = {t.node(c.face, 2, 1), t.node(c.face, 2, 2), t.node(c.face, 1, 2), t.node(c.face, 1, 1)};
    const int32_t partner[4] = {t.node(c.plane, 1, 2), t.node(c.plane, 1, 1), t.node(c.plane, 2, 1),
                                t.node(c.plane, 2, 2)};
    for (int k = 0; k < 4; ++k) {
      faces[1][k] = mine[k];
      for (int r = 0; r < 3; ++r) ASSERT_EQ(t.pos[mine[k]][r], t.pos[partner[k]][r]);
      t.glueJel[mine[k]] = 7;
      t.glueNode[mine[k]] = partner[k];
      t.glueFlag[mine[k]] = 1;
    }
    t.view.faceCount = 1;
    t.view.faces = faces;
    GVUpdateLatticeDeform(&t.view, 1);
    for (int k = 0; k < 4; ++k)
      for (int a = 0; a < 3; ++a) {
        float col[3];
        GVDeformColumn(&t.view, mine[k], a, col);
        for (int r = 0; r < 3; ++r)
          EXPECT_NEAR(col[r], r == a ? 1.0f : 0.0f, 1e-6f) << "face " << c.face << " corner " << k << " axis " << a;
      }
  }
}

}  // namespace
