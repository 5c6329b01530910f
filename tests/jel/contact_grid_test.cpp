#include "jel/contact_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <vector>

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A grid over 0..8 on every axis with unit cells: three levels, cell paths 0..7.
struct Grid8 : ::testing::Test {
  ContactGrid grid;
  void SetUp() override {
    GVOctreeInit(&grid);
    ASSERT_NE(GVOctreeSetup(&grid, 0, 0, 0, 8, 8, 8, 1.0f, 1000), nullptr);
    ASSERT_EQ(grid.levelCount, 3);
  }
  void TearDown() override {
    GVOctreeRelease(&grid);
  }
  std::vector<int32_t> queryAt(float x, float y, float z) {
    int32_t px = 0, py = 0, pz = 0;
    const float p[3] = {x, y, z};
    GVOctreeLocate(&grid, p, &px, &py, &pz);
    int32_t* hits = GVOctreeQuery(&grid, px, py, pz);
    return std::vector<int32_t>(hits + 1, hits + 1 + hits[0]);
  }
  std::vector<int32_t> queryCell(int32_t x, int32_t y, int32_t z) {
    int32_t* hits = GVOctreeQuery(&grid, x, y, z);
    return std::vector<int32_t>(hits + 1, hits + 1 + hits[0]);
  }
};

bool contains(const std::vector<int32_t>& v, int32_t id) {
  return std::find(v.begin(), v.end(), id) != v.end();
}

void countLeaf(int32_t item, intptr_t, void* user, float, float, float) {
  auto* counts = static_cast<std::vector<int>*>(user);
  if (item >= 0 && item < static_cast<int32_t>(counts->size())) ++(*counts)[item];
}

// The same points put into one grid one by one (ids 1, 2, ... in order) and
// into another all at once.
void addBothWays(ContactGrid* one, ContactGrid* all, const std::vector<std::array<float, 3>>& points) {
  float(*room)[3] = GVOctreeItemPoints(all, static_cast<int32_t>(points.size()));
  ASSERT_NE(room, nullptr);
  for (size_t k = 0; k < points.size(); ++k) {
    GVOctreeAddItem(one, static_cast<int32_t>(k + 1), points[k][0], points[k][1], points[k][2]);
    for (int a = 0; a < 3; ++a) room[k][a] = points[k][a];
  }
  GVOctreeFillItems(all, static_cast<int32_t>(points.size()));
}

}  // namespace

TEST(OctreeLevels, HalvingAndDoublingCounts) {
  struct Case {
    float extent, cell;
    int levels;
    float smallest;
  };
  const Case cases[] = {
      {8, 1, 3, 1},      // 4, 2, 1: the loop stops when the cell is no larger
      {8, 0.9f, 4, 0.5f},
      {1, 5, 1, 0.5f},   // at least one level
      {0, 1, 1, 0},      // all items at one point
  };
  for (const Case& c : cases) {
    float smallest = -1;
    EXPECT_EQ(GVOctreeHalvingLevels(c.extent, c.cell, &smallest), c.levels) << c.extent << " " << c.cell;
    EXPECT_FLOAT_EQ(smallest, c.smallest);
  }
  float size = 1;
  EXPECT_EQ(GVOctreeLevelsFor(&size, 10), 4);  // 2, 4, 8, 16
  EXPECT_FLOAT_EQ(size, 16);
  size = 1;
  EXPECT_EQ(GVOctreeLevelsFor(&size, 1), 1);
  EXPECT_FLOAT_EQ(size, 2);
}

// A cell that is never reached, or an extent that never shrinks, would loop.
TEST(OctreeLevels, RefusesSizesThatNeverEnd) {
  const float badCells[] = {0.0f, -1.0f, kNaN, kInf, -kInf};
  for (float cell : badCells) {
    float smallest = 7;
    EXPECT_EQ(GVOctreeHalvingLevels(8, cell, &smallest), -1) << cell;
    EXPECT_EQ(smallest, 7);
    float size = cell;
    EXPECT_EQ(GVOctreeLevelsFor(&size, 10), 0) << cell;
  }
  EXPECT_EQ(GVOctreeHalvingLevels(kInf, 1, nullptr), -1);
  float size = 1;
  EXPECT_EQ(GVOctreeLevelsFor(&size, kInf), 0);
  EXPECT_EQ(size, 1);
}

TEST(OctreeSetup, RefusedSetupLeavesAnInertGrid) {
  struct Case {
    float lo, hi, cell;
    int32_t capacity;
  };
  const Case cases[] = {
      {0, 8, 0, 10},  {0, 8, -0.5f, 10}, {0, 8, kNaN, 10},   {0, 8, kInf, 10},
      {kNaN, 8, 1, 10}, {0, kInf, 1, 10}, {-kInf, 8, 1, 10}, {0, 8, 1, -1},
      {-3e38f, 3e38f, 1, 10},  // the extent overflows to infinity
  };
  for (const Case& c : cases) {
    ContactGrid grid;
    GVOctreeInit(&grid);
    ASSERT_NE(GVOctreeSetup(&grid, 0, 0, 0, 1, 1, 1, 0.1f, 4), nullptr);
    GVOctreeAddItem(&grid, 1, 0.5f, 0.5f, 0.5f);
    // The old tree is released by the refused set-up (the leak checker sees it).
    EXPECT_EQ(GVOctreeSetup(&grid, c.lo, 0, 0, c.hi, 8, 8, c.cell, c.capacity), nullptr);
    EXPECT_EQ(grid.root, nullptr);
    EXPECT_EQ(grid.hitList, nullptr);
    GVOctreeAddItem(&grid, 2, 1, 1, 1);
    const float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, d[3] = {0, 1, 0};
    EXPECT_EQ(GVOctreeAddTriangle(&grid, 3, a, b, d, 0.1f), 0);
    int32_t px = 5, py = 5, pz = 5;
    EXPECT_FALSE(GVOctreeLocate(&grid, a, &px, &py, &pz));
    EXPECT_EQ(px, 5);
    EXPECT_EQ(GVOctreeQuery(&grid, 0, 0, 0), nullptr);
  }
}

TEST(OctreeSetup, TinyCellsAreCappedAtTheDeepestLevel) {
  ContactGrid grid;
  GVOctreeInit(&grid);
  ASSERT_NE(GVOctreeSetup(&grid, 0, 0, 0, 1000, 1000, 1000, 1e-9f, 8), nullptr);
  EXPECT_EQ(grid.levelCount, kOctreeMaxDepth);
  EXPECT_GT(grid.smallestCell, 0.0f);
  GVOctreeAddItem(&grid, 4, 999.5f, 0.25f, 10);
  int32_t px, py, pz;
  const float p[3] = {999.5f, 0.25f, 10};
  ASSERT_TRUE(GVOctreeLocate(&grid, p, &px, &py, &pz));
  int32_t* hits = GVOctreeQuery(&grid, px, py, pz);
  ASSERT_EQ(hits[0], 1);
  EXPECT_EQ(hits[1], 4);
  GVOctreeRelease(&grid);
}

TEST_F(Grid8, LocateCellPaths) {
  struct Case {
    float x;
    int32_t path;
    bool inside;
  };
  const Case cases[] = {
      {0.0f, 0, true},   {0.5f, 0, true},    {1.0f, 0, true},  // 1 is a midpoint: lower cell
      {1.0001f, 1, true}, {4.0f, 3, true},   {4.0001f, 4, true},
      {8.0f, 7, true},   // the upper bound is inside, in the last cell
      {-0.001f, -1, false}, {8.001f, -1, false}, {kNaN, -1, false}, {kInf, -1, false},
  };
  for (const Case& c : cases) {
    int32_t px = 99, py = 99, pz = 99;
    const float p[3] = {c.x, 2.5f, 2.5f};
    EXPECT_EQ(GVOctreeLocate(&grid, p, &px, &py, &pz), c.inside) << c.x;
    EXPECT_EQ(px, c.path) << c.x;
    EXPECT_EQ(py, c.inside ? 2 : -1);
    EXPECT_EQ(pz, c.inside ? 2 : -1);
  }
}

TEST_F(Grid8, ItemOnAMidpointIsStoredInTheLowerCell) {
  GVOctreeAddItem(&grid, 7, 4.0f, 0.5f, 0.5f);    // cell x = 3
  EXPECT_TRUE(contains(queryCell(2, 0, 0), 7));   // cells 1..3
  EXPECT_FALSE(contains(queryCell(5, 0, 0), 7));  // cells 4..6
}

TEST_F(Grid8, ItemOnTheUpperBoundIsInTheLastCell) {
  GVOctreeAddItem(&grid, 9, 8.0f, 8.0f, 8.0f);
  EXPECT_EQ(queryAt(8.0f, 8.0f, 8.0f), std::vector<int32_t>{9});
  EXPECT_EQ(queryCell(6, 6, 6), std::vector<int32_t>{9});
  EXPECT_TRUE(queryCell(5, 7, 7).empty());
}

TEST_F(Grid8, IdenticalSecondPointIsDropped) {
  GVOctreeAddItem(&grid, 1, 3.3f, 2.2f, 1.1f);
  GVOctreeAddItem(&grid, 2, 3.3f, 2.2f, 1.1f);
  GVOctreeAddItem(&grid, 3, 3.3f, 2.2f, 1.1001f);  // close, but separable
  std::vector<int32_t> hits = queryAt(3.3f, 2.2f, 1.1f);
  std::sort(hits.begin(), hits.end());
  EXPECT_EQ(hits, (std::vector<int32_t>{1, 3}));
  std::vector<int> leaves(4);
  GVOctreeVisitLeaves(grid.root, &leaves, countLeaf);
  EXPECT_EQ(leaves[1], 1);
  EXPECT_EQ(leaves[2], 0);
  EXPECT_EQ(leaves[3], 1);
}

// Every cell of the 8^3 grid holds one item numbered in visiting order; a query
// returns the cells around it, leaving out steps that would leave the box.
TEST_F(Grid8, NeighbourhoodVisitsOnlyCellsInsideTheBox) {
  auto id = [](int x, int y, int z) { return 1 + x + 8 * y + 64 * z; };
  for (int z = 0; z < 8; ++z)
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) GVOctreeAddItem(&grid, id(x, y, z), x + 0.5f, y + 0.5f, z + 0.5f);
  struct Case {
    int x, y, z;
    size_t count;
  };
  const Case cases[] = {{0, 0, 0, 8}, {7, 7, 7, 8}, {3, 4, 5, 27}, {0, 3, 7, 12}};
  for (const Case& c : cases) {
    const std::vector<int32_t> hits = queryCell(c.x, c.y, c.z);
    ASSERT_EQ(hits.size(), c.count);
    std::vector<int32_t> expected;
    for (int dz = -1; dz <= 1; ++dz)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int x = c.x + dx, y = c.y + dy, z = c.z + dz;
          if (x >= 0 && x < 8 && y >= 0 && y < 8 && z >= 0 && z < 8) expected.push_back(id(x, y, z));
        }
    EXPECT_EQ(hits, expected);  // z outermost, x innermost
  }
}

TEST_F(Grid8, QueryIsCutAtItsCapacity) {
  ASSERT_NE(GVOctreeSetup(&grid, 0, 0, 0, 8, 8, 8, 1.0f, 5), nullptr);
  for (int i = 0; i < 27; ++i)
    GVOctreeAddItem(&grid, 100 + i, 2.5f + (i % 3), 2.5f + (i / 3 % 3), 2.5f + (i / 9));
  const std::vector<int32_t> hits = queryCell(3, 3, 3);
  EXPECT_EQ(hits, (std::vector<int32_t>{100, 101, 102, 103, 104}));
}

TEST_F(Grid8, QueryOutsideOrWithoutItemsIsEmpty) {
  GVOctreeAddItem(&grid, 1, 1, 1, 1);
  EXPECT_TRUE(queryCell(-1, 0, 0).empty());
  EXPECT_TRUE(queryAt(20, 1, 1).empty());
  EXPECT_TRUE(queryCell(6, 6, 6).empty());
}

// The query must return exactly the items whose cell lies within one step of
// the query cell on every axis, checked against brute force.
TEST_F(Grid8, RandomPointsMatchBruteForce) {
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> coord(0.0f, 8.0f);
  std::vector<std::array<int32_t, 3>> cells;
  std::vector<std::array<float, 3>> points;
  for (int i = 1; i <= 600; ++i) {
    std::array<float, 3> p = {coord(rng), coord(rng), coord(rng)};
    // Some points on cell boundaries, midpoints and the upper bound.
    if (i % 50 == 0) p = {std::floor(p[0]), 4.0f, 8.0f - 0.5f * static_cast<float>(i / 50 - 1)};
    points.push_back(p);
    std::array<int32_t, 3> c;
    ASSERT_TRUE(GVOctreeLocate(&grid, p.data(), &c[0], &c[1], &c[2]));
    cells.push_back(c);
    GVOctreeAddItem(&grid, i, p[0], p[1], p[2]);
  }
  for (int q = 0; q < 200; ++q) {
    const float p[3] = {coord(rng), coord(rng), coord(rng)};
    int32_t c[3];
    ASSERT_TRUE(GVOctreeLocate(&grid, p, &c[0], &c[1], &c[2]));
    std::vector<int32_t> hits = queryCell(c[0], c[1], c[2]);
    std::sort(hits.begin(), hits.end());
    std::vector<int32_t> expected;
    for (size_t i = 0; i < cells.size(); ++i) {
      bool near = true;
      for (int a = 0; a < 3; ++a) near = near && std::abs(cells[i][a] - c[a]) <= 1;
      if (near) expected.push_back(static_cast<int32_t>(i + 1));
    }
    EXPECT_EQ(hits, expected);
  }
}

TEST_F(Grid8, WithoutRegularLevelsEveryLeafIsVisited) {
  GVOctreeAddItem(&grid, 1, 0.5f, 0.5f, 0.5f);
  GVOctreeAddItem(&grid, 2, 7.5f, 7.5f, 7.5f);
  grid.levelCount = 0;  // as a rebuild that lowers the level count below 1
  std::vector<int32_t> hits = queryCell(0, 0, 0);
  std::sort(hits.begin(), hits.end());
  EXPECT_EQ(hits, (std::vector<int32_t>{1, 2}));
}

TEST(OctreeClearMarks, KeepsFirstOccurrencesAndOtherFlagBits) {
  ContactGrid grid;
  GVOctreeInit(&grid);
  ASSERT_NE(GVOctreeSetup(&grid, 0, 0, 0, 1, 1, 1, 1, 8), nullptr);
  const int32_t list[] = {7, 5, 3, 7, 9, 3, 3, 5};
  grid.hitList[0] = 7;
  std::copy(list + 1, list + 8, grid.hitList + 1);
  int32_t flags[10] = {0, 0, 0, 0x5, 0, 0x1, 0, 0x4, 0, 0x3};
  GVOctreeClearMarks(flags, &grid);
  ASSERT_EQ(grid.hitList[0], 4);
  EXPECT_EQ(grid.hitList[1], 5);
  EXPECT_EQ(grid.hitList[2], 3);
  EXPECT_EQ(grid.hitList[3], 7);
  EXPECT_EQ(grid.hitList[4], 9);
  const int32_t expectedFlags[10] = {0, 0, 0, 0x4, 0, 0, 0, 0x4, 0, 0x2};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(flags[i], expectedFlags[i]) << i;
  GVOctreeRelease(&grid);
}

TEST_F(Grid8, ShortTriangleStoresItsCentroid) {
  const float a[3] = {1, 1, 1}, b[3] = {2, 1, 1}, c[3] = {1, 2, 1};
  EXPECT_EQ(GVOctreeAddTriangle(&grid, 5, a, b, c, 2.5f), 1);
  EXPECT_EQ(grid.spillFlag, 0);
  struct Seen {
    int32_t item;
    float x, y, z;
  } seen{0, 0, 0, 0};
  GVOctreeVisitLeaves(grid.root, &seen, [](int32_t item, intptr_t, void* u, float x, float y, float z) {
    if (item) *static_cast<Seen*>(u) = Seen{item, x, y, z};
  });
  EXPECT_EQ(seen.item, 5);
  EXPECT_EQ(seen.x, 4.0f * (1.0f / 3.0f));
  EXPECT_EQ(seen.y, 4.0f * (1.0f / 3.0f));
  EXPECT_EQ(seen.z, 1.0f);
}

TEST_F(Grid8, LongTrianglesSplitUntilEveryPieceIsShort) {
  struct Case {
    float a[3], b[3], c[3];
    float sizeSq;
    int points;
  };
  const Case cases[] = {
      {{0, 0, 0}, {2, 0, 0}, {1, 0.5f, 0}, 3.0f, 2},    // one long edge
      {{0, 0, 0}, {2, 0, 0}, {0, 0.1f, 0}, 1.5f, 3},    // two long edges: three pieces
      {{1, 1, 1}, {3, 1, 1}, {2, 2.7320508f, 1}, 0.9f, 16},  // equilateral: 4, then 4 each
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GVOctreeAddTriangle(&grid, 1, c.a, c.b, c.c, c.sizeSq), c.points);
    EXPECT_EQ(grid.spillFlag, 1);
    ASSERT_NE(GVOctreeSetup(&grid, 0, 0, 0, 8, 8, 8, 0.01f, 100), nullptr);
  }
}

TEST_F(Grid8, TriangleStoredPointsAllReachTheTree) {
  const float a[3] = {0.5f, 0.5f, 0.5f}, b[3] = {7.5f, 0.5f, 0.5f}, c[3] = {0.5f, 7.5f, 7.5f};
  const int stored = GVOctreeAddTriangle(&grid, 1, a, b, c, 0.3f);
  std::vector<int> leaves(2);
  GVOctreeVisitLeaves(grid.root, &leaves, countLeaf);
  EXPECT_GT(stored, 16);
  EXPECT_EQ(leaves[1], stored);  // no two pieces share a centroid here
  // A spilled triangle reaches the hit list several times; marks thin it out.
  std::vector<int32_t> hits = queryAt(4, 4, 4);
  ASSERT_GT(hits.size(), 1u);
  int32_t flags[2] = {0, 0};
  GVOctreeClearMarks(flags, &grid);
  EXPECT_EQ(grid.hitList[0], 1);
  EXPECT_EQ(grid.hitList[1], 1);
}

// A threshold of zero or less makes every edge long, an infinite corner keeps
// edges infinite: both would split for ever.
TEST_F(Grid8, TriangleThresholdsThatNeverEndAreRefused) {
  const float a[3] = {1, 1, 1}, b[3] = {2, 1, 1}, c[3] = {1, 2, 1};
  const float far[3] = {kInf, 1, 1}, nan[3] = {kNaN, 1, 1};
  EXPECT_EQ(GVOctreeAddTriangle(&grid, 1, a, b, c, 0.0f), 0);
  EXPECT_EQ(GVOctreeAddTriangle(&grid, 1, a, b, c, -1.0f), 0);
  EXPECT_EQ(GVOctreeAddTriangle(&grid, 1, a, b, c, kNaN), 0);
  EXPECT_EQ(GVOctreeAddTriangle(&grid, 1, a, b, c, kInf), 0);
  EXPECT_EQ(GVOctreeAddTriangle(&grid, 1, a, b, far, 1.0f), 0);
  EXPECT_EQ(GVOctreeAddTriangle(&grid, 1, nan, b, c, 1.0f), 0);
  EXPECT_EQ(grid.spillFlag, 0);
  EXPECT_EQ(grid.root->children, nullptr);
}

TEST_F(Grid8, HugeTriangleAgainstATinyThresholdStaysBounded) {
  const float a[3] = {0, 0, 0}, b[3] = {8, 0, 0}, c[3] = {0, 8, 0};
  const int stored = GVOctreeAddTriangle(&grid, 1, a, b, c, 1e-30f);
  EXPECT_GT(stored, 1);
  EXPECT_LE(stored, 1 << 16);
}

TEST(OctreeGrid, NewAndFreeOwnTheirParts) {
  ContactGrid* grid = GVNewContactGrid();
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->root, nullptr);
  ASSERT_NE(GVOctreeSetup(grid, -1, -1, -1, 1, 1, 1, 0.1f, 16), nullptr);
  for (int i = 1; i <= 50; ++i) GVOctreeAddItem(grid, i, 0.02f * i - 1, 0.5f, 0.5f);
  ASSERT_NE(GVOctreeSetup(grid, -1, -1, -1, 1, 1, 1, 0.1f, 16), nullptr);  // rebuild
  GVOctreeAddItem(grid, 1, 0, 0, 0);
  GVFreeContactGrid(grid);
  GVFreeContactGrid(nullptr);
}

// Points put in at once give every query what the same points inserted one by
// one in id order give, in the same order: clustered points that share cells
// and split deep below them, repeats (dropped as the tree drops them), points
// on midpoints and outside the box; also with one level fewer than set up, as
// a Jel's face grid has. An insertion afterwards builds the tree from them.
TEST(OctreeFill, QueriesMatchOneByOneInsertion) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(-0.5f, 8.5f), jitter(-1e-5f, 1e-5f);
  std::vector<std::array<float, 3>> points;
  for (int k = 0; k < 300; ++k) {
    std::array<float, 3> p = {coord(rng), coord(rng), coord(rng)};
    if (k % 5 == 1) p = points[k - 1];  // a repeat
    if (k % 5 == 2)
      for (int a = 0; a < 3; ++a) p[a] = points[k - 2][a] + jitter(rng);  // a close neighbour
    if (k % 17 == 0) p[k % 3] = 4.0f;                                     // on a midpoint
    if (k % 19 == 0) p[k % 3] = 3.0f;                                     // on a midpoint one level down
    points.push_back(p);
  }
  for (int32_t fewer : {0, 1}) {
    ContactGrid one, all;
    GVOctreeInit(&one);
    GVOctreeInit(&all);
    for (ContactGrid* g : {&one, &all}) {
      ASSERT_NE(GVOctreeSetup(g, 0, 0, 0, 8, 8, 8, 1.0f, 1000), nullptr);
      g->levelCount -= fewer;
    }
    one.splitLevels = 0;  // locates by halving the box, as the tree is built
    ASSERT_NO_FATAL_FAILURE(addBothWays(&one, &all, points));
    const int32_t cells = 1 << one.levelCount;
    auto same = [&](const char* when) {
      for (int32_t z = 0; z < cells; ++z)
        for (int32_t y = 0; y < cells; ++y)
          for (int32_t x = 0; x < cells; ++x) {
            const int32_t* a = GVOctreeQuery(&one, x, y, z);
            const std::vector<int32_t> expected(a + 1, a + 1 + a[0]);
            const int32_t* b = GVOctreeQuery(&all, x, y, z);
            ASSERT_EQ(std::vector<int32_t>(b + 1, b + 1 + b[0]), expected) << when << fewer << " " << x << y << z;
          }
      for (const auto& p : points) {
        int32_t o[3], f[3];
        ASSERT_EQ(GVOctreeLocate(&one, p.data(), o, o + 1, o + 2), GVOctreeLocate(&all, p.data(), f, f + 1, f + 2));
        ASSERT_TRUE(o[0] == f[0] && o[1] == f[1] && o[2] == f[2]) << p[0] << " " << p[1] << " " << p[2];
      }
    };
    same("filled");
    GVOctreeAddItem(&one, 999, 3.3f, 3.3f, 3.3f);
    GVOctreeAddItem(&all, 999, 3.3f, 3.3f, 3.3f);
    same("after an insertion");
    GVOctreeRelease(&one);
    GVOctreeRelease(&all);
  }
}

// The table's queries (cells laid out in index order, a row's run copied
// whole, cells with nothing near skipped) give the tree walk's hits in the
// tree walk's order, cut at the capacity, for sparse rows with gaps, for a
// grid filled by insertion and one filled at once.
TEST(OctreeTable, QueriesFollowTheTreeWalk) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> coord(0.0f, 8.0f);
  std::vector<std::array<float, 3>> points;
  for (int k = 0; k < 60; ++k) points.push_back({coord(rng), coord(rng), coord(rng)});
  for (int32_t capacity : {7, 1000}) {
    ContactGrid inserted, filled;
    GVOctreeInit(&inserted);
    GVOctreeInit(&filled);
    ASSERT_NE(GVOctreeSetup(&inserted, 0, 0, 0, 8, 8, 8, 1.0f, capacity), nullptr);
    ASSERT_NE(GVOctreeSetup(&filled, 0, 0, 0, 8, 8, 8, 1.0f, capacity), nullptr);
    ASSERT_NO_FATAL_FAILURE(addBothWays(&inserted, &filled, points));
    for (int32_t z = 0; z < 8; ++z)
      for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
          std::vector<int32_t> walk(static_cast<size_t>(capacity) + 1, 0);
          GVOctreeVisitNeighbourhood(inserted.root, inserted.levelCount, x, y, z, &walk,
                                     [](int32_t item, intptr_t, void* user, float, float, float) {
                                       auto* w = static_cast<std::vector<int32_t>*>(user);
                                       GVOctreeHitAppend(item, w->data(), static_cast<int32_t>(w->size()) - 1);
                                     });
          const std::vector<int32_t> expected(walk.begin() + 1, walk.begin() + 1 + walk[0]);
          for (ContactGrid* g : {&inserted, &filled}) {
            const int32_t* hits = GVOctreeQuery(g, x, y, z);
            ASSERT_EQ(std::vector<int32_t>(hits + 1, hits + 1 + hits[0]), expected) << capacity << " " << x << y << z;
          }
        }
    GVOctreeRelease(&inserted);
    GVOctreeRelease(&filled);
  }
}
