#include "jel/live_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "jel/frame_store.h"
#include "block_lattice.h"

namespace {

struct BlockCase {
  const char* name;
  int nx, ny, nz;
};

const BlockCase kBlocks[] = {
    {"one cell", 2, 2, 2},
    {"2x2x2 cells", 3, 3, 3},
    {"3x2x1 cells", 4, 3, 2},
    {"flat 2x2 cells", 3, 3, 1},
};

TEST(LiveStateLattice, CellsAndLinksFollowTheGrid) {
  for (const BlockCase& b : kBlocks) {
    SCOPED_TRACE(b.name);
    BlockLattice t(b.nx, b.ny, b.nz, 1.0f);
    auto s = t.makeState();
    for (int i = 1; i <= t.n; ++i) {
      const int x = t.gx[i], y = t.gy[i], z = t.gz[i];
      for (int k = 0; k < 8; ++k) {
        const int expected = t.at(x - ((k >> 2) & 1), y - ((k >> 1) & 1), z - (k & 1));
        EXPECT_EQ(s->cells[i][k], expected) << "node " << i << " element " << k;
      }
      const int links[7] = {i, t.at(x - 1, y, z), t.at(x + 1, y, z), t.at(x, y - 1, z),
                            t.at(x, y + 1, z), t.at(x, y, z - 1), t.at(x, y, z + 1)};
      for (int k = 0; k < 7; ++k) EXPECT_EQ(s->links[i][k], links[k]) << "node " << i << " slot " << k;
      for (int k = 0; k < 3; ++k) {
        const int count = t.head.linkCells[k][i];
        EXPECT_FLOAT_EQ(s->linkRecip[i][k], count ? 1.0f / count : 0.0f);
      }
    }
    // Nothing is written for the empty entry 0.
    for (int k = 0; k < 8; ++k) EXPECT_EQ(s->cells[0][k], 0);
  }
}

TEST(LiveStateLattice, BorderNodesHaveNoCellsOrLinksOutside) {
  BlockLattice t(3, 3, 3, 1.0f);
  auto s = t.makeState();
  const int onMinusX = t.index(0, 1, 1);
  EXPECT_EQ(s->cells[onMinusX][4], 0);
  EXPECT_EQ(s->links[onMinusX][1], 0);
  const int corner = t.index(0, 0, 0);
  for (int k = 1; k < 8; ++k) EXPECT_EQ(s->cells[corner][k], 0);
  const int farCorner = t.index(2, 2, 2);
  EXPECT_EQ(s->cells[farCorner][7], t.index(1, 1, 1));
  EXPECT_EQ(s->links[farCorner][2], 0);
  EXPECT_EQ(s->links[farCorner][4], 0);
  EXPECT_EQ(s->links[farCorner][6], 0);
}

TEST(LiveStateLattice, DiagonalCornerNeedsAgreeingPaths) {
  BlockLattice t(3, 3, 2, 1.0f);
  const int i = t.index(1, 1, 0);
  // Break one path to the -x-y corner: the other path alone gives it.
  const int minusY = t.index(1, 0, 0);
  t.head.nbr[kNbrMinusX][minusY] = 0;
  {
    auto s = t.makeState();
    EXPECT_EQ(s->cells[i][6], t.index(0, 0, 0));
  }
  // Send that path to another node: the two paths disagree and the corner is empty.
  t.head.nbr[kNbrMinusX][minusY] = t.index(2, 2, 1);
  {
    auto s = t.makeState();
    EXPECT_EQ(s->cells[i][6], 0);
  }
  // Out-of-range neighbour indices are never followed.
  t.head.nbr[kNbrMinusX][i] = 100000;
  t.head.nbr[kNbrMinusX][minusY] = -7;
  auto s = t.makeState();
  EXPECT_EQ(s->cells[i][4], 0);
  EXPECT_EQ(s->links[i][1], 0);
  EXPECT_EQ(s->cells[i][6], 0);
}

int solidAround(const BlockLattice& t, const HAState& s, int i, bool flat) {
  int count = 0;
  for (int k = 0; k < 8; ++k)
    if (!flat || k % 2 == 0) count += s.solidCell(s.cells[i][k]);
  (void)t;
  return count;
}

TEST(LiveStateLattice, NodeClassesOfABlock) {
  for (const BlockCase& b : kBlocks) {
    SCOPED_TRACE(b.name);
    BlockLattice t(b.nx, b.ny, b.nz, 1.0f);
    auto s = t.makeState();
    const bool flat = b.nz == 1;
    for (int i = 1; i <= t.n; ++i) {
      const uint32_t w = s->nodeClass[i];
      const int solid = solidAround(t, *s, i, flat);
      EXPECT_EQ((w & 3u), solid == (flat ? 4 : 8) ? 1u : 2u) << i;
      EXPECT_EQ((w & kClassSingleCell) != 0, solid == 1) << i;
      EXPECT_EQ((w & kClassCorner) != 0, solid == (flat ? 3 : 7)) << i;
      if (w & (kClassSingleCell | kClassThinLink)) {
        EXPECT_TRUE(w & kClassEdgeLike) << i;
      }
    }
  }
  // A 2x2x2 block: the centre is full, a corner touches one cell, a face
  // centre is half surrounded with full links along the face.
  BlockLattice t(3, 3, 3, 1.0f);
  auto s = t.makeState();
  EXPECT_EQ(s->nodeClass[t.index(1, 1, 1)], kClassFull);
  EXPECT_EQ(s->nodeClass[t.index(0, 0, 0)], kClassPartial | kClassSingleCell | kClassThinLink | kClassEdgeLike);
  // A face centre: half surrounded, its inward link full.
  const uint32_t faceCentre = s->nodeClass[t.index(1, 1, 0)];
  EXPECT_EQ(faceCentre & 0xF00u, kClassHalfZ);
  EXPECT_EQ(faceCentre & kClassPlainSurface, 0u);
  // An edge midpoint: thin along the edge.
  EXPECT_EQ(s->nodeClass[t.index(1, 0, 0)] & 0xF0u, kClassThinX);
}

TEST(LiveStateLattice, ThinBarIsMarkedAlongItsLength) {
  // One row of three cells along x: every node on the row has links that touch one cell.
  BlockLattice t(4, 2, 2, 1.0f);
  auto s = t.makeState();
  const int mid = t.index(1, 0, 0);
  EXPECT_EQ(s->nodeClass[mid] & kClassThinX, kClassThinX);
  EXPECT_TRUE(s->nodeClass[mid] & kClassThinLink);
}

TEST(LiveStateFaces, FaceAcrossEdgeFindsEitherOrderAndSkipsItself) {
  BlockLattice t(2, 2, 2, 1.0f);
  auto s = t.makeState();
  ASSERT_EQ(t.faceCount, 6);
  for (int f = 1; f <= t.faceCount; ++f) {
    const int32_t* c = t.head.faces[f];
    for (int k = 0; k < 4; ++k) {
      const int a = c[k], b = c[(k + 1) & 3];
      const int g1 = s->findFaceAcrossEdge(a, b, f);
      const int g2 = s->findFaceAcrossEdge(b, a, f);
      EXPECT_NE(g1, f);
      EXPECT_NE(g1, 0);
      EXPECT_EQ(g1, g2);
      // The face found holds the same edge.
      EXPECT_NE(s->findFaceAcrossEdge(a, b, g1), g1);
    }
  }
  EXPECT_EQ(s->findFaceAcrossEdge(1, 8, 0), 0);  // a diagonal is no edge
  EXPECT_EQ(s->findFaceAcrossEdge(1, 2, 0), s->findFaceAcrossEdge(2, 1, 0));

  // The face records, built from a table of edges, open exactly the edges
  // whose face across (as found by the search) bends away.
  BlockLattice u(5, 4, 3, 1.0f);
  auto su = u.makeState();
  const uint32_t bits[4] = {kFaceEdgeS0, kFaceEdgeT1, kFaceEdgeS1, kFaceEdgeT0};  // edges 01, 12, 23, 30
  int open = 0;
  for (int f = 1; f <= u.faceCount; ++f)
    for (int k = 0; k < 4; ++k) {
      const int32_t* c = u.head.faces[f];
      const float* n = su->faceNormals[su->findFaceAcrossEdge(c[k], c[(k + 1) & 3], f)];
      const float* m = su->faceNormals[f];
      const bool bends = std::fabs(m[0] * n[0] + m[1] * n[1] + m[2] * n[2]) < 0.1f;
      EXPECT_EQ((su->faceEdgeFlags[f] & bits[k]) != 0, bends) << f << " " << k;
      open += bends;
    }
  EXPECT_EQ(open, 4 * (4 + 3 + 2) * 2);  // the block's 12 edges, each seen from both faces, one per cell
}

TEST(LiveStateFaces, RecordsOfACubeAndOfAFlatSheet) {
  {
    // Every edge of a cube is a right angle: all four edges open.
    BlockLattice t(2, 2, 2, 1.0f);
    auto s = t.makeState();
    for (int f = 1; f <= t.faceCount; ++f) {
      EXPECT_EQ(s->faceEdgeFlags[f], 0xF0u) << f;
      EXPECT_FLOAT_EQ(s->faceParamBounds[f][0], 0.0f);
      EXPECT_FLOAT_EQ(s->faceParamBounds[f][1], 1.0f);
      EXPECT_FLOAT_EQ(s->faceParamBounds[f][2], 0.0f);
      EXPECT_FLOAT_EQ(s->faceParamBounds[f][3], 1.0f);
    }
  }
  {
    // A flat 2x1 sheet: the shared edge joins coplanar faces, the others have
    // no face across (entry 0, the zero normal).
    BlockLattice t(3, 2, 1, 1.0f);
    auto s = t.makeState();
    ASSERT_EQ(t.faceCount, 2);
    int sharedEdges = 0;
    for (int f = 1; f <= 2; ++f) {
      const uint32_t w = s->faceEdgeFlags[f];
      EXPECT_EQ(__builtin_popcount(w), 3) << f;
      const float* r = s->faceParamBounds[f];
      const float shifted = std::fabs(r[0]) + std::fabs(r[1] - 1.0f) + std::fabs(r[2]) + std::fabs(r[3] - 1.0f);
      EXPECT_NEAR(shifted, 0.05f, 1e-6f) << f;
      sharedEdges += 4 - __builtin_popcount(w);
    }
    EXPECT_EQ(sharedEdges, 2);
  }
}

TEST(LiveStateRestFrames, UndeformedBlockHasUnitMetrics) {
  for (const BlockCase& b : kBlocks) {
    SCOPED_TRACE(b.name);
    const float h = 0.5f;
    BlockLattice t(b.nx, b.ny, b.nz, h);
    auto s = t.makeState();
    const bool flat = b.nz == 1;
    for (int i = 1; i <= t.n; ++i) {
      // Natural tangents are unit axes wherever the node has material along them.
      bool whole = true;
      for (int k = 0; k < 3; ++k)
        whole = whole && (t.head.diffOneSided[i][k] != 0.0f || t.head.diffCentral[i][k] != 0.0f || (flat && k == 2));
      if (whole) {
        for (int m = 0; m < 9; ++m) EXPECT_NEAR(s->restMetric[i][m], m % 4 == 0 ? 1.0f : 0.0f, 1e-5f) << i;
        EXPECT_NEAR(s->restDet[i], 1.0f, 1e-5f);
        EXPECT_NEAR(s->restSqrtDet[i], 1.0f, 1e-5f);
      }
      // A single layer averages its two in-plane edges over four, as the step
      // does: the cell metric is diag(1/4, 1/4, 1) there.
      if (t.head.cellFlag[i]) {
        EXPECT_NEAR(s->restCellDet[i], flat ? 0.0625f : 1.0f, 1e-5f) << i;
        for (int m = 0; m < 9; ++m) {
          const float id = m % 4 == 0 ? (flat && m < 8 ? 4.0f : 1.0f) : 0.0f;
          EXPECT_NEAR(s->restCellInv[i][m], id, 1e-4f) << i;
        }
      } else {
        EXPECT_EQ(s->restCellDet[i], 0.0f) << i;
        for (int m = 0; m < 9; ++m) EXPECT_EQ(s->restCellInv[i][m], 0.0f) << i;
      }
      for (int k = 0; k < 3; ++k) {
        if (k == 2 && flat) continue;
        if (t.head.linkCells[k][i] == 0) continue;
        EXPECT_NEAR(s->restLinkDet[i][k], flat ? 0.25f : 1.0f, 1e-5f) << i << " axis " << k;
        if (flat) continue;
        for (int m = 0; m < 9; ++m)
          EXPECT_NEAR(s->restLinkInv[k][i][m], m % 4 == 0 ? 1.0f : 0.0f, 1e-5f) << i << " axis " << k;
      }
      if (flat) {
        EXPECT_EQ(s->restMetric[i][2], 0.0f);
        EXPECT_EQ(s->restMetric[i][8], 1.0f);
        EXPECT_EQ(s->cellMetric[i][8], 1.0f);
      }
    }
  }
}

TEST(LiveStateRestFrames, StretchedBlockScalesTheMetric) {
  // Natural shape stretched by 2 along x: the metric's xx element is 4.
  BlockLattice t(3, 3, 3, 1.0f);
  JelNodeRec* nr = GVFrameNodeRecs(t.head.frameStore, 0);
  for (int i = 1; i <= t.n; ++i) nr[i].f[kNodeNatural] *= 2.0f;
  auto s = t.makeState();
  const int centre = t.index(1, 1, 1);
  EXPECT_NEAR(s->restMetric[centre][0], 4.0f, 1e-5f);
  EXPECT_NEAR(s->restMetric[centre][4], 1.0f, 1e-5f);
  EXPECT_NEAR(s->restDet[centre], 4.0f, 1e-5f);
  EXPECT_NEAR(s->restMetricInv[centre][0], 0.25f, 1e-6f);
  EXPECT_NEAR(s->restCellDet[centre], 4.0f, 1e-5f);
}

TEST(LiveStateRestFrames, TinyCellSizeGivesZeroFrames) {
  BlockLattice t(2, 2, 2, 0.005f);
  auto s = t.makeState();
  for (int i = 1; i <= t.n; ++i) {
    EXPECT_EQ(s->restDet[i], 0.0f);
    for (int m = 0; m < 9; ++m) EXPECT_TRUE(std::isfinite(s->restMetricInv[i][m]));
  }
}

// Poisson's ratio recovered from the shear coefficient c4 = Y / (2 (1 + nu)).
float impliedPoisson(const HAState& s, int i) {
  const MatterProps& m = s.matter[i];
  const float Y = 150.0f * m.elasticity * m.elasticity * m.density;
  return Y / (2.0f * s.coeffs[i][4]) - 1.0f;
}

TEST(LiveStateCoefficients, PoissonRatioFromBulge) {
  struct Case {
    float bulge, nu;
  };
  const Case cases[] = {{0.35f, 0.133f}, {1.0f, 0.38f}, {1.5f, 0.415f}, {2.0f, 0.45f}, {0.0f, 0.0f}};
  BlockLattice t(2, 2, 2, 1.0f);
  auto s = t.makeState();
  for (const Case& c : cases) {
    s->matter[1].bulge = c.bulge;
    s->deriveMatterCoefficients();
    EXPECT_NEAR(impliedPoisson(*s, 1), c.nu, 1e-4f) << c.bulge;
  }
}

TEST(LiveStateCoefficients, ExtremeBulgeStaysFinite) {
  BlockLattice t(2, 2, 2, 1.0f);
  auto s = t.makeState();
  const float bulges[] = {2.7142857f, 3.0f, 100.0f, -2.631579f, -50.0f, NAN, INFINITY};
  for (float bulge : bulges) {
    s->matter[1].bulge = bulge;
    s->deriveMatterCoefficients();
    for (int k = 0; k < 10; ++k) EXPECT_TRUE(std::isfinite(s->coeffs[1][k])) << bulge << " c" << k;
    for (int k = 0; k < 3; ++k) {
      EXPECT_TRUE(std::isfinite(s->normalCoef[1][k])) << bulge;
      EXPECT_TRUE(std::isfinite(s->edgeNormalCoef[1][k])) << bulge;
    }
    const float nu = impliedPoisson(*s, 1);
    EXPECT_GE(nu, -1e-4f) << bulge;
    EXPECT_LE(nu, 0.49f + 1e-4f) << bulge;
  }
}

TEST(LiveStateCoefficients, DefaultMatterOnAUnitCube) {
  const float h = 2.0f;
  BlockLattice t(2, 2, 2, h);
  auto s = t.makeState();
  const int i = 1;  // the one solid cell's lowest corner
  const float nu = 0.38f * 0.35f;
  const float Y = 150.0f;
  const float c5 = Y * nu / ((1 - 2 * nu) * (1 + nu));
  const float c4 = Y / (2 * (1 + nu));
  const float c6 = c5 / h, c7 = c4 / h;
  EXPECT_FLOAT_EQ(s->coeffs[i][0], h);
  EXPECT_FLOAT_EQ(s->coeffs[i][1], h * h);
  EXPECT_FLOAT_EQ(s->coeffs[i][2], 1 / h);
  EXPECT_FLOAT_EQ(s->coeffs[i][3], 1 / (h * h));
  EXPECT_NEAR(s->coeffs[i][5], c5, 1e-3f);
  EXPECT_NEAR(s->coeffs[i][9], 2 * c7 + c6, 1e-3f);
  // Area factors: one cell, one cell around each link.
  const float a = 0.25f * h * h;
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(s->area[i][k], a, 1e-6f);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(s->normalCoef[i][k], a * c6, 1e-3f);
    EXPECT_NEAR(s->shearCoef[i][k], a * c7, 1e-3f);
    EXPECT_NEAR(s->edgeDampCoef[i][k], 3.0f * a, 1e-5f);
  }
  // The far corner owns no cell and no link.
  EXPECT_EQ(s->normalCoef[8][0], 0.0f);
  EXPECT_EQ(s->edgeNormalCoef[8][0], 0.0f);
}

TEST(LiveStateCoefficients, MassesSumToDensityTimesVolume) {
  for (const BlockCase& b : kBlocks) {
    SCOPED_TRACE(b.name);
    const float h = 0.5f;
    BlockLattice t(b.nx, b.ny, b.nz, h);
    auto s = t.makeState();
    for (int i = 1; i <= t.n; ++i) s->matter[i].density = 3.0f;
    s->deriveMatterCoefficients();
    double sum = 0;
    for (int i = 1; i <= t.n; ++i) sum += s->mass[i];
    // A single layer's cell has four corners, not eight: half the volume.
    const double share = b.nz == 1 ? 0.5 : 1.0;
    EXPECT_NEAR(sum, share * 3.0 * t.solidCellCount() * h * h * h, 1e-5);
  }
}

TEST(LiveStateConstruction, StartsClean) {
  BlockLattice t(3, 3, 3, 1.0f);
  for (int i = 0; i <= t.n; ++i) t.head.disp[i][0] = 5.0f;
  HAState s(t.n, &t.params, 4, 6u, &t.flags, 1.0f, t.faceCount, 0, t.head, t.stamps);
  EXPECT_EQ(s.active, 1);
  EXPECT_EQ(s.nodeCountCopy, t.n);
  EXPECT_EQ(s.id, 4);
  EXPECT_EQ(s.groupMask, 6u);
  EXPECT_EQ(s.pos, t.head.pos);  // shared, not copied
  for (int i = 0; i <= t.n; ++i) {
    EXPECT_EQ(t.head.disp[i][0], 0.0f);
    EXPECT_EQ(t.head.pos[i][1], 0.0f);
    for (int m = 0; m < 9; ++m) {
      const float id = m % 4 == 0 ? 1.0f : 0.0f;
      EXPECT_EQ(s.restFrame[i][m], id);
      float E[9];
      s.edgeFrameOf(2, i, E);
      EXPECT_EQ(E[m], id);
    }
    EXPECT_EQ(s.matter[i].bulge, 0.35f);
    EXPECT_EQ(s.contactFlags[i], 0u);
  }
  for (auto* h : s.history) EXPECT_NE(h, nullptr);
  EXPECT_NE(s.contactGrid, nullptr);
  // Arrays never overlap: writing one leaves its neighbours alone.
  s.mass[t.n] = 7.0f;
  s.normalCoef[0][0] = 9.0f;
  EXPECT_EQ(s.coeffs[t.n][10], 0.0f);
  EXPECT_EQ(s.mass[t.n], 7.0f);
}

TEST(LiveStateConstruction, EmptyLattice) {
  JelHead head;
  FrameParams p;
  HAState s(0, &p, 1, 2u, nullptr, 1.0f, 0, 0, head, nullptr);
  s.linkLattice();
  s.setupRestFrames();
  s.deriveMatterCoefficients();
  s.restoreFrame(kFrameInitial);
  EXPECT_EQ(s.nodeCount, 0);
}

}  // namespace
