#include "jel/lattice_builder.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

LatticeSpec spec(int32_t nx, int32_t ny, int32_t nz, float cell = 1.0f) {
  LatticeSpec s;
  s.cellSize = cell;
  s.nx = nx;
  s.ny = ny;
  s.nz = nz;
  return s;
}

int32_t solidCells(const LatticeBuilder& b) {
  int32_t n = 0;
  for (int32_t z = 1; z <= b.nz; ++z)
    for (int32_t y = 1; y <= b.ny; ++y)
      for (int32_t x = 1; x <= b.nx; ++x) n += GVGridCellSolid(x, y, z, &b);
  return n;
}

int32_t occupiedPoints(const LatticeBuilder& b) {
  int32_t n = 0;
  for (int32_t i = 1; i <= b.points(); ++i) n += b.pointFlag[i];
  return n;
}

TEST(LatticeBuilder, IndexIsOneBasedXFastestAndZeroOutside) {
  LatticeSpec s = spec(3, 4, 5);
  LatticeBuilder b(&s);
  EXPECT_EQ(GVGridIndex(1, 1, 1, &b), 1);
  EXPECT_EQ(GVGridIndex(2, 1, 1, &b), 2);
  EXPECT_EQ(GVGridIndex(1, 2, 1, &b), 4);
  EXPECT_EQ(GVGridIndex(1, 1, 2, &b), 13);
  EXPECT_EQ(GVGridIndex(3, 4, 5, &b), 60);
  for (auto p : std::vector<std::array<int32_t, 3>>{
           {0, 1, 1}, {4, 1, 1}, {1, 0, 1}, {1, 5, 1}, {1, 1, 0}, {1, 1, 6}})
    EXPECT_EQ(GVGridIndex(p[0], p[1], p[2], &b), 0);
  EXPECT_EQ(b.allocated, 61);
}

TEST(LatticeBuilder, OutsideSizesAreRefusedWithoutArrays) {
  struct Case {
    int32_t nx, ny, nz;
    float cell;
  };
  for (Case c : {Case{0, 2, 2, 1.0f}, Case{2, -5, 2, 1.0f}, Case{kGridMaxAxisPoints + 1, 2, 2, 1.0f},
                 Case{1024, 1024, 1024, 1.0f}, Case{2, 2, 2, 0.0f}, Case{2, 2, 2, -1.0f}}) {
    LatticeSpec s = spec(c.nx, c.ny, c.nz, c.cell);
    LatticeBuilder b;
    EXPECT_EQ(GVInitLatticeBuilder(&s, &b), 0);
    EXPECT_EQ(b.pointFlag, nullptr);
    // Every operation is harmless on a refused grid.
    GVGridFillAll(&b);
    GVGridAddCell(1, 1, 1, &b);
    GVGridClassifyPoints(&b);
    EXPECT_EQ(GVGridListOccupied(&b), 0);
  }
}

TEST(LatticeBuilder, ChangedDimensionsWithoutReallocationAreIgnored) {
  LatticeSpec s = spec(2, 2, 2);
  LatticeBuilder b(&s);
  b.nx = 50;  // arrays still sized for 2x2x2
  GVGridFillAll(&b);
  GVGridAddCell(40, 1, 1, &b);
  EXPECT_EQ(GVGridListOccupied(&b), 0);
  ASSERT_EQ(GVReallocLatticeGrid(&b), 1);
  GVGridFillAll(&b);
  EXPECT_EQ(GVGridListOccupied(&b), 200);
}

TEST(LatticeBuilder, FillAllGivesCellsAndPoints) {
  struct Case {
    int32_t nx, ny, nz, cells, points;
  };
  for (Case c : {Case{2, 2, 2, 1, 8}, Case{3, 3, 3, 8, 27}, Case{4, 3, 1, 6, 12}, Case{1, 1, 1, 0, 1}}) {
    LatticeSpec s = spec(c.nx, c.ny, c.nz);
    LatticeBuilder b(&s);
    GVGridFillAll(&b);
    EXPECT_EQ(solidCells(b), c.cells) << c.nx << c.ny << c.nz;
    EXPECT_EQ(GVGridListOccupied(&b), c.points);
  }
  // A one-layer grid keeps its cells at z = 1 and its points at z = 1.
  LatticeSpec s = spec(3, 3, 1);
  LatticeBuilder b(&s);
  GVGridFillAll(&b);
  EXPECT_EQ(GVGridCellSolid(1, 1, 1, &b), 1);
  ASSERT_EQ(GVGridListOccupied(&b), 9);
  for (int32_t k = 1; k <= 9; ++k) EXPECT_EQ(b.pointList[k][2], 1);
}

TEST(LatticeBuilder, ListOrdersPointsXFastest) {
  LatticeSpec s = spec(3, 3, 3);
  LatticeBuilder b(&s);
  EXPECT_EQ(GVGridListOccupied(&b), 0);
  GVGridAddCell(2, 1, 2, &b);
  ASSERT_EQ(GVGridListOccupied(&b), 8);
  const int32_t expect[8][3] = {{2, 1, 2}, {3, 1, 2}, {2, 2, 2}, {3, 2, 2},
                                {2, 1, 3}, {3, 1, 3}, {2, 2, 3}, {3, 2, 3}};
  for (int k = 0; k < 8; ++k)
    for (int a = 0; a < 3; ++a) EXPECT_EQ(b.pointList[k + 1][a], expect[k][a]);
}

TEST(LatticeBuilder, AddAndRemoveCellsKeepSharedCorners) {
  LatticeSpec s = spec(4, 3, 3);
  LatticeBuilder b(&s);
  // Out-of-range cells are ignored, including the far faces of the grid.
  for (auto c : std::vector<std::array<int32_t, 3>>{{0, 1, 1}, {4, 1, 1}, {1, 3, 1}, {1, 1, 3}})
    GVGridAddCell(c[0], c[1], c[2], &b);
  EXPECT_EQ(solidCells(b), 0);
  EXPECT_EQ(b.cellFlag[0], 0);
  EXPECT_EQ(b.pointFlag[0], 0);

  GVGridAddCell(1, 1, 1, &b);
  GVGridAddCell(2, 1, 1, &b);
  EXPECT_EQ(occupiedPoints(b), 12);
  GVGridRemoveCell(2, 1, 1, &b);
  EXPECT_EQ(occupiedPoints(b), 8);  // the shared face keeps its four corners
  EXPECT_EQ(b.pointFlag[GVGridIndex(2, 1, 1, &b)], 1);
  EXPECT_EQ(b.pointFlag[GVGridIndex(3, 1, 1, &b)], 0);
  GVGridRemoveCell(1, 1, 1, &b);
  EXPECT_EQ(occupiedPoints(b), 0);

  // Cells touching only along an edge share that edge's two points.
  GVGridAddCell(1, 1, 1, &b);
  GVGridAddCell(2, 2, 1, &b);
  EXPECT_EQ(occupiedPoints(b), 14);
}

TEST(LatticeBuilder, OneLayerGridCellsAndCorners) {
  LatticeSpec s = spec(3, 3, 1);
  LatticeBuilder b(&s);
  GVGridFillBox(1, 3, &b, 1, 1, 3, 3);
  EXPECT_EQ(solidCells(b), 0);  // box cells need z < nz
  GVGridAddCell(1, 1, 1, &b);
  EXPECT_EQ(occupiedPoints(b), 4);
  EXPECT_EQ(b.pointFlag[0], 0);
  GVGridAddCell(2, 1, 1, &b);
  GVGridRemoveCell(1, 1, 1, &b);
  EXPECT_EQ(occupiedPoints(b), 4);
  EXPECT_EQ(b.pointFlag[GVGridIndex(1, 1, 1, &b)], 0);
}

TEST(LatticeBuilder, BoxFillClipsAndIgnoresEmptyRuns) {
  struct Case {
    int32_t sx, cx, sy, sz, cy, cz, cells;
  };
  const Case cases[] = {
      {1, 3, 1, 1, 3, 3, 8},     // the whole 4x4x4 grid's lower 2x2x2
      {2, 2, 2, 2, 2, 2, 1},     // one cell
      {1, 10, 1, 1, 10, 10, 27},  // clipped to the grid
      {1, 1, 1, 1, 3, 3, 0},     // one point on x: no cell
      {1, 0, 1, 1, 3, 3, 0},     // empty run
      {1, -4, 1, 1, 3, 3, 0},    // negative run
      {-5, 3, 1, 1, 3, 3, 0},    // entirely below the grid
      {-1, 5, 1, 1, 2, 2, 2},    // partly below: cells 1 and 2 on x
      {4, 3, 1, 1, 3, 3, 0},     // beyond the far face
  };
  for (const Case& c : cases) {
    LatticeSpec s = spec(4, 4, 4);
    LatticeBuilder b(&s);
    GVGridFillBox(c.sx, c.cx, &b, c.sy, c.sz, c.cy, c.cz);
    EXPECT_EQ(solidCells(b), c.cells) << c.sx << " " << c.cx;
    EXPECT_EQ(b.cellFlag[0], 0);
  }
}

TEST(LatticeBuilder, MirrorAddsImageAndKeepsExistingCells) {
  LatticeSpec s = spec(5, 3, 2);
  LatticeBuilder b(&s);
  // An L in the x-y plane on the low x side.
  GVGridAddCell(1, 1, 1, &b);
  GVGridAddCell(2, 1, 1, &b);
  GVGridAddCell(1, 2, 1, &b);
  GVGridMirrorX(&b);
  EXPECT_EQ(solidCells(b), 6);
  for (auto c : std::vector<std::array<int32_t, 3>>{{4, 1, 1}, {3, 1, 1}, {4, 2, 1}, {1, 2, 1}})
    EXPECT_EQ(GVGridCellSolid(c[0], c[1], c[2], &b), 1);
  EXPECT_EQ(GVGridCellSolid(2, 2, 1, &b), 0);
  EXPECT_EQ(b.pointFlag[GVGridIndex(5, 3, 2, &b)], 1);
  // Mirroring again changes nothing: the set is symmetric.
  GVGridMirrorX(&b);
  EXPECT_EQ(solidCells(b), 6);

  GVGridMirrorY(&b);
  EXPECT_EQ(GVGridCellSolid(1, 1, 1, &b), 1);
  EXPECT_EQ(GVGridCellSolid(2, 2, 1, &b), 1);  // image of (2, 1, 1) across y
  EXPECT_EQ(solidCells(b), 8);

  GVGridMirrorZ(&b);  // nz = 2: one layer of cells is its own mirror
  EXPECT_EQ(solidCells(b), 8);
}

TEST(LatticeBuilder, MirrorZOnThickGrid) {
  LatticeSpec s = spec(2, 2, 4);
  LatticeBuilder b(&s);
  GVGridAddCell(1, 1, 1, &b);
  GVGridMirrorZ(&b);
  EXPECT_EQ(GVGridCellSolid(1, 1, 3, &b), 1);
  EXPECT_EQ(GVGridCellSolid(1, 1, 2, &b), 0);
  EXPECT_EQ(GVGridListOccupied(&b), 16);
}

TEST(LatticeBuilder, ClassifyFullBlockPoints) {
  LatticeSpec s = spec(3, 3, 3);
  LatticeBuilder b(&s);
  GVGridFillAll(&b);
  GVGridClassifyPoints(&b);
  struct Case {
    int32_t x, y, z, bx, by, bz, cls, sx, sy, sz;
  };
  const Case cases[] = {
      {2, 2, 2, 0, 0, 0, 0, 0, 0, 0},      // centre
      {1, 2, 2, -4, 0, 0, 1, 1, 0, 0},     // low x face
      {3, 2, 2, 4, 0, 0, 1, -1, 0, 0},     // high x face
      {1, 1, 2, -2, -2, 0, 2, 1, 1, 0},    // edge
      {1, 1, 1, -1, -1, -1, 3, 1, 1, 1},   // corner
      {3, 3, 3, 1, 1, 1, 3, -1, -1, -1},   // far corner
  };
  for (const Case& c : cases) {
    const int32_t i = GVGridIndex(c.x, c.y, c.z, &b);
    EXPECT_EQ(b.balance[0][i], c.bx) << c.x << c.y << c.z;
    EXPECT_EQ(b.balance[1][i], c.by) << c.x << c.y << c.z;
    EXPECT_EQ(b.balance[2][i], c.bz) << c.x << c.y << c.z;
    EXPECT_EQ(b.pointClass[i], c.cls) << c.x << c.y << c.z;
    EXPECT_EQ(b.oneSided[0][i], c.sx);
    EXPECT_EQ(b.oneSided[1][i], c.sy);
    EXPECT_EQ(b.oneSided[2][i], c.sz);
  }
}

TEST(LatticeBuilder, ClassifyEmptyPointsAndFlatGrid) {
  LatticeSpec s = spec(3, 3, 3);
  LatticeBuilder b(&s);
  GVGridAddCell(1, 1, 1, &b);
  GVGridClassifyPoints(&b);
  const int32_t far = GVGridIndex(3, 3, 3, &b);
  EXPECT_EQ(b.pointClass[far], 0);
  EXPECT_EQ(b.oneSided[0][far], 0);
  // Every corner of a lone cell is a corner of the solid.
  for (int32_t k = 1; k <= 2; ++k)
    for (int32_t j = 1; j <= 2; ++j)
      for (int32_t i = 1; i <= 2; ++i) EXPECT_EQ(b.pointClass[GVGridIndex(i, j, k, &b)], 3);

  // One layer: only x and y count, classes 0, 2 and 3.
  LatticeSpec f = spec(3, 3, 1);
  LatticeBuilder g(&f);
  GVGridFillAll(&g);
  GVGridClassifyPoints(&g);
  EXPECT_EQ(g.pointClass[GVGridIndex(2, 2, 1, &g)], 0);
  EXPECT_EQ(g.pointClass[GVGridIndex(1, 2, 1, &g)], 2);
  EXPECT_EQ(g.pointClass[GVGridIndex(1, 1, 1, &g)], 3);
}

TEST(LatticeBuilder, ClearAndDestroy) {
  LatticeSpec s = spec(3, 3, 3);
  auto* b = new LatticeBuilder(&s);
  GVGridFillAll(b);
  GVGridListOccupied(b);
  GVClearLatticeGrid(b);
  EXPECT_EQ(GVGridListOccupied(b), 0);
  EXPECT_EQ(solidCells(*b), 0);
  LatticeSpec got;
  GVGetLatticeSpec(b, &got);
  EXPECT_EQ(got.nx, 3);
  EXPECT_EQ(got.cellSize, 1.0f);
  GVDestroyLatticeBuilder(b);  // leak-checked under the sanitizer build
  GVDestroyLatticeBuilder(nullptr);
}

}  // namespace
