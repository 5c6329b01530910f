#include "jel/lattice_tables.h"

#include <gtest/gtest.h>

#include <cmath>

#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "block_lattice.h"

namespace {

struct CountCase {
  const char* name;
  int nx, ny, nz;
  int faces, edges;
};

// 27 nodes with three layers take the small-lattice edge rule: the x and y
// edges of the solid rule (16) and the rim z edges of the first two layers (16).
const CountCase kCounts[] = {
    {"one cell", 2, 2, 2, 6, 12},
    {"2x2x2 cells", 3, 3, 3, 24, 32},
    {"3x3x3 cells", 4, 4, 4, 54, 36},
    {"3x2x1 cells", 4, 3, 2, 22, 24},
    {"flat 2x2 cells", 3, 3, 1, 4, 8},
    {"flat 3x1 cells", 4, 2, 1, 3, 8},
};

TEST(LatticeTables, CountsOfBlocks) {
  for (const CountCase& c : kCounts) {
    SCOPED_TRACE(c.name);
    auto jel = makeBlockJel(c.nx, c.ny, c.nz, 1.0f);
    EXPECT_EQ(jel->nodeCount, c.nx * c.ny * c.nz);
    EXPECT_EQ(jel->faceCount, c.faces);
    EXPECT_EQ(jel->edgeCount, c.edges);
    EXPECT_EQ(GVIsJelFlat(jel.get()), c.nz == 1 ? 1 : 0);
    for (int e = 1; e <= jel->edgeCount; ++e) {
      const int a = jel->edges[e][0], b = jel->edges[e][1];
      ASSERT_TRUE(a >= 1 && a <= jel->nodeCount && b >= 1 && b <= jel->nodeCount);
      float d = 0;
      for (int k = 0; k < 3; ++k) d += std::fabs(jel->pos[a][k] - jel->pos[b][k]);
      EXPECT_FLOAT_EQ(d, 1.0f) << "edge " << e;  // one lattice step
    }
  }
}

TEST(LatticeTables, FaceNormalsAreUnitAndOutward) {
  for (const CountCase& c : kCounts) {
    SCOPED_TRACE(c.name);
    const float h = 0.25f;
    auto jel = makeBlockJel(c.nx, c.ny, c.nz, h);
    const float centre[3] = {(c.nx - 1) * h * 0.5f, (c.ny - 1) * h * 0.5f, (c.nz - 1) * h * 0.5f};
    for (int f = 1; f <= jel->faceCount; ++f) {
      const float* n = jel->faceNormals[f];
      EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5f) << f;
      float mid[3] = {0, 0, 0};
      for (int k = 0; k < 4; ++k)
        for (int a = 0; a < 3; ++a) mid[a] += 0.25f * jel->pos[jel->faces[f][k]][a];
      const float out = (mid[0] - centre[0]) * n[0] + (mid[1] - centre[1]) * n[1] + (mid[2] - centre[2]) * n[2];
      if (c.nz == 1)
        EXPECT_FLOAT_EQ(n[2], 1.0f) << f;  // a single layer faces +z
      else
        EXPECT_GT(out, 0.0f) << f;
    }
    // Node normals are unit on the surface; edge normals too.
    for (int i = 1; i <= jel->nodeCount; ++i) {
      const float* n = jel->nodeNormals[i];
      const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      EXPECT_TRUE(len == 0.0f || std::fabs(len - 1.0f) < 1e-5f) << i;
    }
    for (int e = 1; e <= jel->edgeCount; ++e) {
      const float* n = jel->edgeNormals[e];
      EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5f) << e;
    }
  }
}

TEST(LatticeTables, FacesOfAnLShapeLeaveTheSolid) {
  // Three of the four cells of a 2x2x1 block: the notch has inward-facing walls.
  auto solid = [](int x, int y, int) { return !(x == 1 && y == 1); };
  auto jel = makeBlockJel(3, 3, 2, 1.0f, solid);
  EXPECT_EQ(jel->faceCount, 14);
  for (int f = 1; f <= jel->faceCount; ++f) {
    float mid[3] = {0, 0, 0};
    for (int k = 0; k < 4; ++k)
      for (int a = 0; a < 3; ++a) mid[a] += 0.25f * jel->pos[jel->faces[f][k]][a];
    // Step a little along the normal from the face centre: outside every solid cell.
    float p[3];
    for (int a = 0; a < 3; ++a) p[a] = mid[a] + 0.1f * jel->faceNormals[f][a];
    const bool inBlock = p[0] > 0 && p[0] < 2 && p[1] > 0 && p[1] < 2 && p[2] > 0 && p[2] < 1;
    const bool inNotch = p[0] > 1 && p[1] > 1;
    EXPECT_TRUE(!inBlock || inNotch) << f;
  }
}

TEST(LatticeTables, NodeVolumesSumToTheSolid) {
  const float h = 0.3f;
  auto holes = [](int x, int y, int z) { return (x + y + z) % 3 != 0; };
  BlockLattice ref(4, 4, 4, h, holes);
  auto jel = makeBlockJel(4, 4, 4, h, holes);
  double sum = 0;
  for (int i = 1; i <= jel->nodeCount; ++i) sum += jel->nodeVolume[i];
  EXPECT_NEAR(sum, ref.solidCellCount() * h * h * h, 1e-5);
  // Every table matches the independent derivation from grid coordinates.
  for (int i = 1; i <= jel->nodeCount; ++i) {
    EXPECT_EQ(jel->cellFlag[i], ref.head.cellFlag[i]) << i;
    for (int k = 0; k < 6; ++k) EXPECT_EQ(jel->nbr[k][i], ref.head.nbr[k][i]) << i;
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(jel->linkCells[k][i], ref.head.linkCells[k][i]) << i << " axis " << k;
      EXPECT_EQ(jel->diffOneSided[i][k], ref.head.diffOneSided[i][k]) << i << " axis " << k;
      EXPECT_EQ(jel->diffCentral[i][k], ref.head.diffCentral[i][k]) << i << " axis " << k;
      EXPECT_EQ(jel->diffSide[k][i], ref.head.diffSide[k][i]) << i << " axis " << k;
      EXPECT_EQ(jel->nbrRepeat[k][i], jel->nbr[3 + k][i]);
    }
    EXPECT_FLOAT_EQ(jel->nodeVolume[i], ref.head.nodeVolume[i]) << i;
  }
  EXPECT_EQ(jel->aliases[0], jel->diffSide[0]);
  EXPECT_EQ(jel->aliases[5], jel->nbrRepeat[2]);
}

TEST(LatticeTables, FlatLatticeHasNoZTables) {
  auto jel = makeBlockJel(3, 3, 1, 1.0f);
  for (int i = 1; i <= jel->nodeCount; ++i) {
    EXPECT_EQ(jel->diffOneSided[i][2], 0.0f);
    EXPECT_EQ(jel->diffCentral[i][2], 0.0f);
    EXPECT_EQ(jel->diffSide[2][i], 0);
  }
}

TEST(LatticeTables, IndicesFromRecordsAreRangeChecked) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  JelStateRec* st = GVFrameStateRecs(jel->frameStore, 0);
  st[1].w[kStateNbr + 1] = 9999;  // +x of node 1
  st[2].w[kStateNbr + 0] = -4;    // -x of node 2
  st[3].w[kStateCellFlag] = 77;   // any non-zero flag is solid
  jel->finalize();
  EXPECT_EQ(jel->nbr[kNbrPlusX][1], 0);
  EXPECT_EQ(jel->nbr[kNbrMinusX][2], 0);
  EXPECT_EQ(jel->cellFlag[3], 1);
  jel->createState();
  ASSERT_NE(jel->state, nullptr);
  EXPECT_EQ(jel->state->links[1][2], 0);
  // Corrupt face and edge corners are never followed by the normal builders.
  jel->faces[1][2] = 5000;
  jel->edges[1][0] = -3;
  jel->computeFaceNormals();
  jel->computeNodeNormals();
  EXPECT_EQ(jel->faceNormals[1][0], 0.0f);
  EXPECT_EQ(jel->faceNormals[1][2], 0.0f);
}

TEST(LatticeTables, DegenerateFaceHasZeroNormal) {
  int32_t faces[2][4] = {{0, 0, 0, 0}, {1, 2, 3, 4}};
  Vec3f pos[5] = {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
  Vec3f out[2] = {{9, 9, 9}, {9, 9, 9}};
  GVComputeFaceNormals(faces, 1, pos, 4, out);
  EXPECT_EQ(out[1][0], 0.0f);
  EXPECT_EQ(out[1][1], 0.0f);
  EXPECT_EQ(out[1][2], 0.0f);
  EXPECT_EQ(out[0][0], 9.0f);  // entry 0 is not touched
}

TEST(LatticeTables, FinalizeAtTheSameFrameKeepsTheNormals) {
  auto jel = makeBlockJel(2, 2, 2, 1.0f);
  jel->finalize();  // stamps now hold the current frame and sub-step
  jel->faceNormals[1][0] = 0.5f;  // marker
  jel->finalize();
  EXPECT_EQ(jel->faceNormals[1][0], 0.5f);
  jel->playParams.currentFrame = 3;
  jel->finalize();
  EXPECT_NE(jel->faceNormals[1][0], 0.5f);
  EXPECT_EQ(jel->frameMarks[0], 3);
  EXPECT_EQ(jel->frameMarks[2], 3);
}

TEST(LatticeTables, RescaleRefreshesTheNormals) {
  auto jel = makeBlockJel(3, 3, 3, 1.0f);
  // The live shape is turned a quarter about z and its normals refreshed at
  // this frame, as the per-frame refresh would.
  for (int i = 1; i <= jel->nodeCount; ++i) {
    const float x = jel->pos[i][0], y = jel->pos[i][1];
    jel->pos[i][0] = -y;
    jel->pos[i][1] = x;
  }
  jel->computeFaceNormals();
  jel->computeNodeNormals();
  jel->frameMarks[0] = jel->frameMarks[2] = jel->playParams.currentFrame;
  jel->frameMarks[1] = jel->frameMarks[3] = jel->playParams.subStepIndex;

  ASSERT_EQ(jel->rescale(2.0f), 1);
  EXPECT_EQ(jel->cellSize, 2.0f);
  EXPECT_NEAR(jel->pos[27][0], 3.0f, 1e-5f);  // about the centre (1, 1, 1): 1 + 2 x 1
  // The normals are those of the rescaled start frame, not of the turned shape.
  auto fresh = makeBlockJel(3, 3, 3, 1.0f);
  for (int f = 1; f <= jel->faceCount; ++f)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(jel->faceNormals[f][k], fresh->faceNormals[f][k], 1e-5f) << f;
  for (int i = 1; i <= jel->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(jel->nodeNormals[i][k], fresh->nodeNormals[i][k], 1e-5f) << i;
  // Natural state, volumes and matter scale with it.
  EXPECT_NEAR(jel->nodeVolume[14], 8.0f, 1e-5f);
  EXPECT_FLOAT_EQ(GVFrameMatter(jel->frameStore, 0)[1].scaleL, 2.0f);
  float p[3];
  jel->getNodePosition(1, kFrameInitial, kAxesAll, p);
  EXPECT_NEAR(p[0], -1.0f, 1e-5f);
  EXPECT_EQ(jel->rescale(0.005f), 0);
}

TEST(LatticeTables, LatticeDims) {
  auto jel = makeBlockJel(4, 3, 2, 0.5f);
  LatticeDims d;
  jel->getLatticeDims(&d);
  EXPECT_EQ(d.cellSize, 0.5f);
  EXPECT_EQ(d.maxIndex[0], 4);
  EXPECT_EQ(d.maxIndex[1], 3);
  EXPECT_EQ(d.maxIndex[2], 2);
  EXPECT_EQ(d.scale[2], 1.0f);
}

}  // namespace
