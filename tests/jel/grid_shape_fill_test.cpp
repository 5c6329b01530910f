#include "jel/grid_shape_fill.h"

#include <gtest/gtest.h>

#include <cmath>

#include "grid_lattice.h"

namespace {

int32_t solidCells(const LatticeBuilder& b) {
  int32_t n = 0;
  for (int32_t z = 1; z <= b.nz; ++z)
    for (int32_t y = 1; y <= b.ny; ++y)
      for (int32_t x = 1; x <= b.nx; ++x) n += GVGridCellSolid(x, y, z, &b);
  return n;
}

// The shell of a box of cells from lo to hi (inclusive) on every axis.
void Shell(LatticeBuilder* b, int32_t lo, int32_t hi) {
  for (int32_t z = lo; z <= hi; ++z)
    for (int32_t y = lo; y <= hi; ++y)
      for (int32_t x = lo; x <= hi; ++x)
        if (x == lo || x == hi || y == lo || y == hi || z == lo || z == hi) GVGridAddCell(x, y, z, b);
}

TEST(GridShapeFill, ClosedShellIsFilledOpenShellIsNot) {
  struct Case {
    int32_t grid, lo, hi;
    bool open;
    int32_t added;
  };
  for (Case c : {Case{7, 2, 5, false, 8}, Case{7, 2, 5, true, 0}, Case{5, 1, 4, false, 8},
                 Case{4, 1, 3, false, 1}}) {
    auto b = MakeGrid(c.grid, c.grid, c.grid);
    Shell(b.get(), c.lo, c.hi);
    if (c.open) GVGridRemoveCell(c.lo, c.lo + 1, c.lo + 1, b.get());
    const int32_t before = solidCells(*b);
    EXPECT_EQ(GVGridFillInterior(b.get()), c.added) << c.grid << " " << c.open;
    EXPECT_EQ(solidCells(*b), before + c.added);
    // No temporary marks are left behind.
    for (int32_t i = 0; i <= b->points(); ++i) ASSERT_LE(b->cellFlag[i], 1);
  }
}

// A cavity reached from outside only along a long winding corridor stays
// empty however many steps the corridor takes.
TEST(GridShapeFill, LongCorridorToTheOutsideIsNotFilled) {
  const int32_t n = 40;
  auto b = MakeGrid(n, n, 4);
  // Solid slab z = 1..3 with a serpentine corridor carved in the middle layer.
  GVGridFillBox(1, n, b.get(), 1, 1, n, 4);
  int32_t carved = 0;
  for (int32_t y = 2; y <= n - 2; y += 2) {
    for (int32_t x = 2; x <= n - 2; ++x) {
      GVGridRemoveCell(x, y, 2, b.get());
      ++carved;
    }
    // Join this row to the next at alternating ends.
    const int32_t joinX = (y / 2) % 2 ? n - 2 : 2;
    if (y + 1 <= n - 2) {
      GVGridRemoveCell(joinX, y + 1, 2, b.get());
      ++carved;
    }
  }
  GVGridRemoveCell(1, 2, 2, b.get());  // the corridor's mouth on the outer layer
  const int32_t before = solidCells(*b);
  EXPECT_EQ(GVGridFillInterior(b.get()), 0);
  EXPECT_EQ(solidCells(*b), before);
  EXPECT_GT(carved, 50 * 10);
}

TEST(GridShapeFill, PointToGridAndBack) {
  auto b = MakeGrid(5, 4, 3, 0.5f);  // spans x -1..1, y -0.75..0.75, z -0.5..0.5
  struct Case {
    float x, y, z;
    bool inside;
    int32_t i, j, k;
  };
  const Case cases[] = {
      {0.0f, 0.0f, 0.0f, true, 3, 2, 2},
      {-1.0f, -0.75f, -0.5f, true, 1, 1, 1},    // the lowest corner
      {-1.2f, 0.0f, 0.0f, true, 1, 2, 2},       // g = 0.6: first cell
      {-1.3f, 0.0f, 0.0f, false, 0, 0, 0},      // g = 0.4: outside
      {1.2f, 0.0f, 0.0f, true, 4, 2, 2},        // g = 5.4: last cell
      {1.3f, 0.0f, 0.0f, false, 0, 0, 0},       // g = 5.6
      {0.0f, 0.0f, 0.9f, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    GVClearLatticeGrid(b.get());
    GeoVertBind rec{9, 9, 0, 0, 0};
    const float p[3] = {c.x, c.y, c.z};
    GVGridCoordsOfPoint(b.get(), p, &rec);
    EXPECT_NEAR(rec.u, c.x * 2.0f + 3.0f, 1e-5f);
    if (!c.inside) {
      EXPECT_EQ(solidCells(*b), 0) << c.x;
      EXPECT_EQ(rec.cellNode, 0);
      continue;
    }
    EXPECT_EQ(GVGridCellSolid(c.i, c.j, c.k, b.get()), 1) << c.x << " " << c.y << " " << c.z;
    EXPECT_EQ(solidCells(*b), 1);
    // Number the grid like the Jel built from it and locate the point.
    GridLattice t(b.get(), 4);
    GVUpdateLatticeDeform(&t.view, 0);
    const int32_t node = GVGridLocateInJel(b.get(), 4, &rec);
    ASSERT_EQ(node, t.node(c.i, c.j, c.k));
    EXPECT_EQ(rec.jelId, 4);
    // Evaluated in the lattice (whose node 1 sits at the origin) the location
    // is the point moved by the grid origin.
    float back[3];
    ASSERT_EQ(GVLatticeEvalTrilinear(&t.view, &rec, back), 1);
    const float lowest[3] = {0.5f * (c.i - 1), 0.5f * (c.j - 1), 0.5f * (c.k - 1)};
    const float origin[3] = {-1.0f, -0.75f, -0.5f};
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(back[a] - lowest[a], p[a] - origin[a] - lowest[a], 1e-5f);
  }
  // Grid coordinates outside the grid locate nowhere.
  GeoVertBind far{0, 0, 40.0f, 1.5f, 1.5f};
  EXPECT_EQ(GVGridLocateInJel(b.get(), 4, &far), 0);
  EXPECT_EQ(far.jelId, 0);
  const float bad[3] = {NAN, 0.0f, 0.0f};
  GeoVertBind rec;
  GVClearLatticeGrid(b.get());
  GVGridCoordsOfPoint(b.get(), bad, &rec);
  EXPECT_EQ(solidCells(*b), 0);
}

TEST(GridShapeFill, OneLayerGridLocatesAtZOne) {
  auto b = MakeGrid(3, 3, 1);
  GeoVertBind rec;
  const float p[3] = {0.3f, -0.2f, 0.25f};
  GVGridCoordsOfPoint(b.get(), p, &rec);
  EXPECT_EQ(GVGridCellSolid(2, 1, 1, b.get()), 1);
  GridLattice t(b.get(), 2);
  ASSERT_EQ(GVGridLocateInJel(b.get(), 2, &rec), t.node(2, 1, 1));
  EXPECT_NEAR(rec.u, 0.3f, 1e-5f);
  EXPECT_NEAR(rec.v, 0.8f, 1e-5f);
  EXPECT_NEAR(rec.w, 0.25f, 1e-5f);  // an offset off the layer
}

}  // namespace
