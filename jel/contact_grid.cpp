#include "jel/contact_grid.h"

#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <new>

// A query copies a row's items kCopyBlock at a time: the hit list and the
// flat list keep that many entries of room beyond their last.
static constexpr int32_t kCopyBlock = 8;

// Triangle splitting halves the edges each level, so a sane threshold stops it
// within a few levels; the cap keeps an extreme triangle-to-threshold ratio from
// flooding the tree (4^8 points at most per triangle).
static constexpr int kMaxTriangleSplits = 8;

// Insertion and location must split a box at exactly the same value, or a point
// could be stored in one cell and looked for in its neighbour.
static inline float midpoint(float lo, float hi) { return (lo + hi) * 0.5f; }

// Shrinks the box lo..hi to its octant o (bit a set: the high half along a).
static inline void shrinkToOctant(int o, float* lo, float* hi) {
  for (int a = 0; a < 3; ++a) {
    const float mid = midpoint(lo[a], hi[a]);
    if (o & (1 << a))
      lo[a] = mid;
    else
      hi[a] = mid;
  }
}

static inline bool isFinite3(const float* p) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

static OctreeNode* newNode(ContactGrid* grid, int32_t depth) {
  OctreeNode* n = grid ? grid->spareNodes : nullptr;
  if (n) {
    grid->spareNodes = reinterpret_cast<OctreeNode*>(n->itemData);
    *n = OctreeNode{};
  } else {
    n = new (std::nothrow) OctreeNode{};
    if (n && grid) ++grid->nodesMade;
  }
  if (n) n->depth = depth;
  if (n && grid) ++grid->nodesUsed;
  return n;
}

static OctreeNode** newChildren(ContactGrid* grid) {
  OctreeNode** c = grid ? grid->spareChildren : nullptr;
  if (!c) {
    c = new (std::nothrow) OctreeNode*[8]();
    if (c && grid) ++grid->childrenMade;
  } else {
    grid->spareChildren = reinterpret_cast<OctreeNode**>(c[0]);
    for (int i = 0; i < 8; ++i) c[i] = nullptr;
  }
  if (c && grid) ++grid->childrenUsed;
  return c;
}

// Keeps an eighth more nodes and child arrays than the last tree used, topped
// up to a quarter more when it falls short: a tree that changes a little
// from one refill to the next then draws on spares only.
static void reserveSpares(ContactGrid* grid) {
  const auto target = [](int32_t used, int32_t made) { return made < used + used / 8 ? used + used / 4 : 0; };
  const int32_t nodes = target(grid->nodesUsed, grid->nodesMade);
  const int32_t children = target(grid->childrenUsed, grid->childrenMade);
  while (grid->nodesMade < nodes) {
    OctreeNode* n = new (std::nothrow) OctreeNode{};
    if (!n) break;
    n->itemData = reinterpret_cast<intptr_t>(grid->spareNodes);
    grid->spareNodes = n;
    ++grid->nodesMade;
  }
  while (grid->childrenMade < children) {
    OctreeNode** c = new (std::nothrow) OctreeNode*[8]();
    if (!c) break;
    c[0] = reinterpret_cast<OctreeNode*>(grid->spareChildren);
    grid->spareChildren = c;
    ++grid->childrenMade;
  }
  grid->nodesUsed = grid->childrenUsed = 0;
}

// Moves the node and everything below it to the grid's spare storage.
static void recycle(ContactGrid* grid, OctreeNode* node) {
  if (node->children) {
    for (int i = 0; i < 8; ++i)
      if (node->children[i]) recycle(grid, node->children[i]);
    node->children[0] = reinterpret_cast<OctreeNode*>(grid->spareChildren);
    grid->spareChildren = node->children;
  }
  node->itemData = reinterpret_cast<intptr_t>(grid->spareNodes);
  grid->spareNodes = node;
}

// Octant of p in the box lo..hi: a bit is set when p lies strictly above the
// midpoint on that axis, so a point on the midpoint goes to the lower half.
static int octantOf(const float* p, const float* lo, const float* hi) {
  int o = 0;
  if (p[0] > midpoint(lo[0], hi[0])) o |= 1;
  if (p[1] > midpoint(lo[1], hi[1])) o |= 2;
  if (p[2] > midpoint(lo[2], hi[2])) o |= 4;
  return o;
}

// Frees an array of the grid and zeroes its room.
template <class T>
static void dropArray(T*& array, int32_t* room) {
  delete[] array;
  array = nullptr;
  *room = 0;
}

static void releaseTree(ContactGrid* grid) {
  if (grid->root) {
    GVOctreeFree(grid->root);
    delete grid->root;
    grid->root = nullptr;
  }
  dropArray(grid->hitList, &grid->hitRoom);
  dropArray(grid->flatItems, &grid->flatRoom);
  grid->flatValid = 0;
  dropArray(grid->cellTable, &grid->cellTableSize);
  dropArray(grid->rowBits, &grid->rowRoom);
  dropArray(grid->itemCells, &grid->itemRoom);
  dropArray(grid->itemPoints, &grid->itemRoom);
  grid->fillCount = 0;
  dropArray(grid->splitTable, &grid->splitRoom);
  grid->splitLevels = 0;
  while (OctreeNode* n = grid->spareNodes) {
    grid->spareNodes = reinterpret_cast<OctreeNode*>(n->itemData);
    delete n;
  }
  while (OctreeNode** c = grid->spareChildren) {
    grid->spareChildren = reinterpret_cast<OctreeNode**>(c[0]);
    delete[] c;
  }
  grid->nodesMade = grid->childrenMade = grid->nodesUsed = grid->childrenUsed = 0;
}

ContactGrid* GVNewContactGrid() { return new (std::nothrow) ContactGrid{}; }

void GVFreeContactGrid(ContactGrid* grid) {
  if (!grid) return;
  releaseTree(grid);
  delete grid;
}

void GVOctreeInit(ContactGrid* grid) {
  if (grid) *grid = ContactGrid{};
}

void GVOctreeRelease(ContactGrid* grid) {
  if (grid) releaseTree(grid);
}

int GVOctreeHalvingLevels(float extent, float cellSize, float* smallest) {
  // A non-positive cell would never be reached and an infinite extent never
  // shrinks: both would spin here for ever.
  if (!(cellSize > 0.0f) || !std::isfinite(cellSize) || !std::isfinite(extent)) return -1;
  float s = extent * 0.5f;
  int levels = 1;
  while (s > cellSize) {
    s *= 0.5f;
    ++levels;
  }
  if (smallest) *smallest = s;
  return levels;
}

int GVOctreeLevelsFor(float* size, float bound) {
  if (!size || !(*size > 0.0f) || !std::isfinite(*size) || !std::isfinite(bound)) return 0;
  float s = *size * 2.0f;
  int result = 1;
  while (s <= bound) {
    s *= 2.0f;
    ++result;
  }
  *size = s;
  return result;
}

// Split values of the grid's first levels (at most kOctreeSplitLevels), each
// computed as insertion and the loop of GVOctreeLocate compute it: per axis,
// in heap order and then in order along the axis. Without room the grid
// locates by that loop.
static void fillSplitTable(ContactGrid* grid) {
  const int32_t levels = grid->levelCount < kOctreeSplitLevels ? grid->levelCount : kOctreeSplitLevels;
  const int32_t perAxis = (1 << levels);  // entry 0 unused
  if (grid->splitRoom < 6 * perAxis) {
    // Room for one level more, as for the cell table.
    const int32_t room = 6 * (levels < kOctreeSplitLevels ? 2 * perAxis : perAxis);
    delete[] grid->splitTable;
    grid->splitTable = new (std::nothrow) float[room];
    grid->splitRoom = grid->splitTable ? room : 0;
    if (!grid->splitTable) return;
  }
  grid->splitSorted = 1;
  for (int a = 0; a < 3; ++a) {
    float* mids = grid->splitTable + 2 * a * perAxis;
    float* sorted = mids + perAxis;
    mids[0] = sorted[0] = 0.0f;
    for (int32_t k = 1; k < perAxis; ++k) {
      // Box k's bounds, walking down from the root along the bits of k.
      int32_t depth = 0;
      while ((k >> depth) > 1) ++depth;
      float lo = grid->minCorner[a], hi = grid->maxCorner[a];
      for (int32_t d = depth - 1; d >= 0; --d) {
        const float mid = midpoint(lo, hi);
        if ((k >> d) & 1)
          lo = mid;
        else
          hi = mid;
      }
      mids[k] = midpoint(lo, hi);
    }
    // The j-th split along the axis is box 2^d + (j >> (t + 1)) of depth
    // d = levels - 1 - t, t the trailing zeros of j.
    for (int32_t j = 1; j < perAxis; ++j) {
      const int t = __builtin_ctz(static_cast<unsigned>(j));
      sorted[j] = mids[(1 << (levels - 1 - t)) + (j >> (t + 1))];
      if (j > 1 && !(sorted[j - 1] <= sorted[j])) grid->splitSorted = 0;
    }
    grid->splitScale[a] = 1.0f / (grid->maxCorner[a] - grid->minCorner[a]);
  }
  grid->splitLevels = levels;
  for (int a = 0; a < 3; ++a) {
    grid->splitBox[a] = grid->minCorner[a];
    grid->splitBox[3 + a] = grid->maxCorner[a];
  }
}

int32_t* GVOctreeSetup(ContactGrid* grid, float minX, float minY, float minZ, float maxX,
                       float maxY, float maxZ, float cellSize, int32_t capacity) {
  if (!grid) return nullptr;
  if (grid->root) {
    recycle(grid, grid->root);
    grid->root = nullptr;
  }
  grid->spillFlag = 0;
  grid->flatValid = 0;
  grid->distinctItems = 0;
  grid->splitLevels = 0;
  grid->fillCount = 0;

  const float lo[3] = {minX, minY, minZ};
  const float hi[3] = {maxX, maxY, maxZ};
  float smallest = 0.0f;
  int levels = -1;
  if (isFinite3(lo) && isFinite3(hi) && capacity >= 0)
    levels = GVOctreeHalvingLevels(std::fabs(maxX - minX), cellSize, &smallest);
  if (levels < 0) {
    releaseTree(grid);
    grid->levelCount = 0;
    grid->capacity = 0;
    return nullptr;
  }
  if (levels > kOctreeMaxDepth) {
    // Items live at depth >= L and no node is deeper than the cap, so a finer
    // grid could hold nothing; keep the deepest grid that works.
    levels = kOctreeMaxDepth;
    smallest = std::fabs(maxX - minX) * 0.5f;
    for (int i = 1; i < levels; ++i) smallest *= 0.5f;
  }

  for (int a = 0; a < 3; ++a) {
    grid->minCorner[a] = lo[a];
    grid->maxCorner[a] = hi[a];
  }
  grid->cellSize = cellSize;
  grid->levelCount = levels;
  grid->smallestCell = smallest;
  grid->capacity = capacity;

  reserveSpares(grid);
  grid->root = newNode(grid, 0);
  if (grid->hitList && grid->hitRoom >= capacity) {
    grid->hitList[0] = 0;
  } else {
    delete[] grid->hitList;
    grid->hitList = new (std::nothrow) int32_t[static_cast<size_t>(capacity) + 1 + kCopyBlock]();
    grid->hitRoom = grid->hitList ? capacity : 0;
  }
  if (!grid->root || !grid->hitList) {
    releaseTree(grid);
    return nullptr;
  }
  fillSplitTable(grid);
  return grid->hitList;
}

static void buildFilledTree(ContactGrid* grid);

void GVOctreeNodeInsert(ContactGrid* grid, OctreeNode* node, int32_t item, const float* point, const float* lo,
                        const float* hi, int32_t levelCount, intptr_t itemData, int32_t depth) {
  if (!node || !point || !lo || !hi) return;
  if (grid && grid->fillCount > 0) buildFilledTree(grid);
  if (grid) grid->flatValid = 0;
  if (grid) grid->distinctItems = 0;
  float boxLo[3] = {lo[0], lo[1], lo[2]};
  float boxHi[3] = {hi[0], hi[1], hi[2]};
  for (;;) {
    node->depth = depth;
    if (!node->children && node->item == 0 && depth >= levelCount) {
      node->item = item;
      node->itemData = itemData;
      for (int a = 0; a < 3; ++a) node->point[a] = point[a];
      return;
    }
    // Two points that never separate would subdivide for ever: the second one
    // is dropped at the depth cap.
    if (depth + 1 > kOctreeMaxDepth) return;

    bool madeChildren = false;
    if (!node->children) {
      node->children = newChildren(grid);
      if (!node->children) return;
      madeChildren = true;
    }
    if (node->item != 0) {
      const int o = octantOf(node->point, boxLo, boxHi);
      OctreeNode* moved = node->children[o] ? nullptr : newNode(grid, depth + 1);
      if (!moved) {
        if (madeChildren) {
          delete[] node->children;
          node->children = nullptr;
        }
        return;
      }
      moved->item = node->item;
      moved->itemData = itemData;  // the moved item takes the data of this insertion
      for (int a = 0; a < 3; ++a) moved->point[a] = node->point[a];
      node->children[o] = moved;
      node->item = 0;
      node->itemData = 0;
    }

    const int o = octantOf(point, boxLo, boxHi);
    if (!node->children[o]) {
      node->children[o] = newNode(grid, depth + 1);
      if (!node->children[o]) return;
    }
    shrinkToOctant(o, boxLo, boxHi);
    node = node->children[o];
    ++depth;
  }
}

void GVOctreeAddItem(ContactGrid* grid, int32_t item, float x, float y, float z) {
  if (!grid || !grid->root) return;
  const float p[3] = {x, y, z};
  GVOctreeNodeInsert(grid, grid->root, item, p, grid->minCorner, grid->maxCorner, grid->levelCount,
                     reinterpret_cast<intptr_t>(grid->hitList), 0);
}

static float distSq(const float* p, const float* q) {
  const float dx = q[0] - p[0], dy = q[1] - p[1], dz = q[2] - p[2];
  return dx * dx + dy * dy + dz * dz;
}

static void mid3(const float* p, const float* q, float* out) {
  for (int a = 0; a < 3; ++a) out[a] = (p[a] + q[a]) * 0.5f;
}

static int insertTriangle(ContactGrid* grid, int32_t item, const float* a, const float* b,
                          const float* c, float sizeSq, int splits) {
  const bool longAB = distSq(a, b) > sizeSq;
  const bool longBC = distSq(b, c) > sizeSq;
  const bool longCA = distSq(c, a) > sizeSq;
  const int longCount = longAB + longBC + longCA;
  if (longCount == 0 || splits >= kMaxTriangleSplits) {
    const float third = 1.0f / 3.0f;
    GVOctreeAddItem(grid, item, (a[0] + b[0] + c[0]) * third, (a[1] + b[1] + c[1]) * third,
                    (a[2] + b[2] + c[2]) * third);
    return 1;
  }
  const int next = splits + 1;
  if (longCount == 1) {
    // Rotate so the long edge is pq and r is the opposite corner.
    const float* p = longAB ? a : longBC ? b : c;
    const float* q = longAB ? b : longBC ? c : a;
    const float* r = longAB ? c : longBC ? a : b;
    float m[3];
    mid3(p, q, m);
    return insertTriangle(grid, item, p, m, r, sizeSq, next) +
           insertTriangle(grid, item, m, q, r, sizeSq, next);
  }
  if (longCount == 2) {
    // s is the corner where the two long edges meet; t and u the other two.
    const float* s = !longCA ? b : !longAB ? c : a;
    const float* t = !longCA ? c : !longAB ? a : b;
    const float* u = !longCA ? a : !longAB ? b : c;
    float mst[3], msu[3];
    mid3(s, t, mst);
    mid3(s, u, msu);
    return insertTriangle(grid, item, s, mst, msu, sizeSq, next) +
           insertTriangle(grid, item, msu, mst, t, sizeSq, next) +
           insertTriangle(grid, item, msu, t, u, sizeSq, next);
  }
  float mab[3], mbc[3], mca[3];
  mid3(a, b, mab);
  mid3(b, c, mbc);
  mid3(c, a, mca);
  return insertTriangle(grid, item, a, mab, mca, sizeSq, next) +
         insertTriangle(grid, item, mab, b, mbc, sizeSq, next) +
         insertTriangle(grid, item, mca, mbc, c, sizeSq, next) +
         insertTriangle(grid, item, mab, mbc, mca, sizeSq, next);
}

int GVOctreeAddTriangle(ContactGrid* grid, int32_t item, const float* a, const float* b,
                        const float* c, float sizeSq) {
  if (!grid || !grid->root || !a || !b || !c) return 0;
  // A non-positive threshold makes every edge long and an infinite corner keeps
  // its edges infinite: splitting would never end.
  if (!(sizeSq > 0.0f) || !std::isfinite(sizeSq)) return 0;
  if (!isFinite3(a) || !isFinite3(b) || !isFinite3(c)) return 0;
  const int count = insertTriangle(grid, item, a, b, c, sizeSq, 0);
  if (count > 1) grid->spillFlag = 1;
  return count;
}

// True when the kept split values cover steps levels of the grid's box.
static bool splitsKept(const ContactGrid* grid, int32_t steps) {
  return steps <= grid->splitLevels && grid->splitBox[0] == grid->minCorner[0] &&
         grid->splitBox[1] == grid->minCorner[1] && grid->splitBox[2] == grid->minCorner[2] &&
         grid->splitBox[3] == grid->maxCorner[0] && grid->splitBox[4] == grid->maxCorner[1] &&
         grid->splitBox[5] == grid->maxCorner[2];
}

// The path along axis a of the cell at depth steps holding v: the same
// comparisons as octantOf on the way down, against the kept split values.
// With the splits in order along the axis, that path is the number of
// splits of the first steps levels below v (every other one of the next
// level's): guessed from v's place in the box, then corrected.
__attribute__((always_inline)) static inline int32_t splitPath(const ContactGrid* grid, float v, int a, int32_t steps) {
  const int32_t perAxis = 1 << grid->splitLevels;
  const float* mids = grid->splitTable + 2 * a * perAxis;
  if (grid->splitSorted) {
    const float* sorted = mids + perAxis;
    const int32_t last = (1 << steps) - 1, stride = 1 << (grid->splitLevels - steps);
    const float guess = (v - grid->minCorner[a]) * grid->splitScale[a] * static_cast<float>(1 << steps);
    int32_t c = !(guess > 0.0f) ? 0 : guess >= static_cast<float>(last) ? last : static_cast<int32_t>(guess);
    while (c > 0 && !(v > sorted[c * stride])) --c;
    while (c < last && v > sorted[(c + 1) * stride]) ++c;
    return c;
  }
  int32_t k = 1;
  for (int i = 0; i < steps; ++i) k = 2 * k + (v > mids[k] ? 1 : 0);
  return k - (1 << steps);
}

bool GVOctreeLocate(const ContactGrid* grid, const float* point, int32_t* xPath, int32_t* yPath,
                    int32_t* zPath) {
  if (!grid || !grid->root || !point || !xPath || !yPath || !zPath) return false;
  int32_t* paths[3] = {xPath, yPath, zPath};
  for (int a = 0; a < 3; ++a) {
    // Written so that a NaN coordinate counts as outside.
    if (!(point[a] >= grid->minCorner[a] && point[a] <= grid->maxCorner[a])) {
      *xPath = *yPath = *zPath = -1;
      return false;
    }
  }
  const int steps = grid->levelCount < 1 ? 1 : grid->levelCount;
  if (splitsKept(grid, steps)) {
    for (int a = 0; a < 3; ++a) *paths[a] = splitPath(grid, point[a], a, steps);
    return true;
  }
  for (int a = 0; a < 3; ++a) {
    float lo = grid->minCorner[a], hi = grid->maxCorner[a];
    int32_t path = 0;
    for (int i = 0; i < steps; ++i) {
      const float mid = midpoint(lo, hi);
      path *= 2;
      if (point[a] > mid) {
        path |= 1;
        lo = mid;
      } else {
        hi = mid;
      }
    }
    *paths[a] = path;
  }
  return true;
}

void GVOctreeVisitLeaves(const OctreeNode* node, void* user, OctreeVisitFn visit) {
  if (!node || !visit) return;
  if (!node->children) {
    visit(node->item, node->itemData, user, node->point[0], node->point[1], node->point[2]);
    return;
  }
  for (int i = 0; i < 8; ++i)
    if (node->children[i]) GVOctreeVisitLeaves(node->children[i], user, visit);
}

void GVOctreeVisitPath(const OctreeNode* root, int32_t levelCount, int32_t xPath, int32_t yPath,
                       int32_t zPath, void* user, OctreeVisitFn visit) {
  if (xPath < 0 || yPath < 0 || zPath < 0) return;
  const OctreeNode* node = root;
  int32_t depth = 0;
  while (node) {
    if (depth + 1 > levelCount) {
      GVOctreeVisitLeaves(node, user, visit);
      return;
    }
    if (!node->children) return;  // an empty region above the finest level
    const int bit = levelCount - depth - 1;
    const int index = (((zPath >> bit) & 1) << 2) | (((yPath >> bit) & 1) << 1) | ((xPath >> bit) & 1);
    node = node->children[index];
    ++depth;
  }
}

// Finds the nodes at depth levelCount of the cells x0..x1, y0..y1, z0..z1 in
// one descent (the 27 paths from the root share all but their last levels);
// cell (x, y, z) goes to found[9 (z - z0) + 3 (y - y0) + (x - x0)].
static void findCells(const OctreeNode* node, int32_t depth, int32_t levelCount, int64_t px, int64_t py, int64_t pz,
                      const int64_t lo[3], const int64_t hi[3], const OctreeNode** found) {
  if (depth == levelCount) {
    found[9 * (pz - lo[2]) + 3 * (py - lo[1]) + (px - lo[0])] = node;
    return;
  }
  if (!node->children) return;  // an empty region above the finest level
  const int shift = levelCount - depth - 1;
  for (int index = 0; index < 8; ++index) {
    const OctreeNode* child = node->children[index];
    if (!child) continue;
    const int64_t c[3] = {2 * px + (index & 1), 2 * py + ((index >> 1) & 1), 2 * pz + ((index >> 2) & 1)};
    bool overlaps = true;
    for (int a = 0; a < 3 && overlaps; ++a)
      overlaps = (c[a] << shift) <= hi[a] && (((c[a] + 1) << shift) - 1) >= lo[a];
    if (overlaps) findCells(child, depth + 1, levelCount, c[0], c[1], c[2], lo, hi, found);
  }
}

// The nodes of the 3 x 3 x 3 cells around a cell, in the order of plain loops
// over dz, dy, dx (null where there is none).
static void findNeighbourhood(const OctreeNode* root, int32_t levelCount, int32_t xPath, int32_t yPath,
                              int32_t zPath, const OctreeNode** found) {
  const int64_t limit = int64_t{1} << levelCount;
  const int64_t path[3] = {xPath, yPath, zPath};
  int64_t lo[3], hi[3];
  for (int a = 0; a < 3; ++a) {
    lo[a] = path[a] - 1;
    hi[a] = path[a] + 1 < limit ? path[a] + 1 : limit - 1;
  }
  findCells(root, 0, levelCount, 0, 0, 0, lo, hi, found);
}

void GVOctreeVisitNeighbourhood(const OctreeNode* root, int32_t levelCount, int32_t xPath,
                                int32_t yPath, int32_t zPath, void* user, OctreeVisitFn visit) {
  if (levelCount < 1 || levelCount > kOctreeMaxDepth || !root) return;
  if (xPath < 0 || yPath < 0 || zPath < 0) return;
  // Each cell's items are visited in tree order.
  const OctreeNode* found[27] = {};
  findNeighbourhood(root, levelCount, xPath, yPath, zPath, found);
  for (const OctreeNode* cell : found)
    if (cell) GVOctreeVisitLeaves(cell, user, visit);
}

void GVOctreeHitAppend(int32_t item, int32_t* hitList, int32_t capacity) {
  if (!hitList || item == 0) return;  // id 0 is an empty leaf, not an item
  if (hitList[0] < capacity) hitList[++hitList[0]] = item;
}

namespace {
struct HitTarget {
  int32_t* hitList;
  int32_t capacity;
};
}  // namespace

static void appendHit(int32_t item, intptr_t, void* user, float, float, float) {
  const HitTarget* t = static_cast<const HitTarget*>(user);
  GVOctreeHitAppend(item, t->hitList, t->capacity);
}

// Items (non-empty leaves) below node.
static int32_t countLeaves(const OctreeNode* node) {
  if (!node->children) return node->item != 0 ? 1 : 0;
  int32_t count = 0;
  for (int i = 0; i < 8; ++i)
    if (node->children[i]) count += countLeaves(node->children[i]);
  return count;
}

// Writes the items below node to out[(*count)++], in the order of
// GVOctreeVisitLeaves.
static void writeLeaves(const OctreeNode* node, int32_t* out, int32_t* count) {
  if (!node->children) {
    if (node->item != 0) out[(*count)++] = node->item;
    return;
  }
  for (int i = 0; i < 8; ++i)
    if (node->children[i]) writeLeaves(node->children[i], out, count);
}

// Visits the nodes of the finest cells that exist: visit(node, cell index).
template <class Visit>
static void visitCells(const ContactGrid* grid, const OctreeNode* node, int32_t depth, int32_t px, int32_t py,
                       int32_t pz, Visit&& visit) {
  const int32_t levels = grid->levelCount;
  if (depth == levels) {
    visit(node, (((pz << levels) | py) << levels) | px);
    return;
  }
  if (!node->children) return;
  for (int i = 0; i < 8; ++i)
    if (node->children[i])
      visitCells(grid, node->children[i], depth + 1, 2 * px + (i & 1), 2 * py + ((i >> 1) & 1),
                 2 * pz + ((i >> 2) & 1), visit);
}

// Gives the occupied cells (those with a row bit) their places in the flat
// list one after another in cell index order, so that the cells of a row
// lie side by side: entry[0] the first, entry[1] zeroed to count the items
// put in. Returns the total.
static int32_t placeCells(ContactGrid* grid) {
  const int32_t levels = grid->levelCount;
  const int32_t rows = 1 << (2 * levels);
  int32_t next = 0;
  for (int32_t row = 0; row < rows; ++row)
    for (uint64_t bits = grid->rowBits[row]; bits; bits &= bits - 1) {
      int32_t* entry = grid->cellTable[(row << levels) | __builtin_ctzll(bits)];
      entry[0] = next;
      next += entry[1];
      entry[1] = 0;
    }
  return next;
}

// Per row, the cells with an occupied cell among their 3 x 3 x 3 (kept
// after the row bits, at rowRoom): a query elsewhere finds nothing.
static void fillNearBits(ContactGrid* grid) {
  const int32_t levels = grid->levelCount;
  const int32_t limit = 1 << levels;  // at most 64 (kOctreeTableLevels)
  const uint64_t* rows = grid->rowBits;
  uint64_t* near = grid->rowBits + grid->rowRoom;
  // Along y within each plane, then along z (keeping the plane before as
  // it was), then along x.
  for (int32_t z = 0; z < limit; ++z)
    for (int32_t y = 0; y < limit; ++y) {
      const int32_t row = (z << levels) | y;
      near[row] = rows[row] | (y > 0 ? rows[row - 1] : 0) | (y + 1 < limit ? rows[row + 1] : 0);
    }
  uint64_t before[64] = {};
  for (int32_t z = 0; z < limit; ++z)
    for (int32_t y = 0; y < limit; ++y) {
      const int32_t row = (z << levels) | y;
      const uint64_t here = near[row];
      const uint64_t any = here | before[y] | (z + 1 < limit ? near[row + limit] : 0);
      near[row] = any | any << 1 | any >> 1;
      before[y] = here;
    }
}

static bool flatRoomFor(ContactGrid* grid, int32_t count);

// Lays the items of every finest cell out in the flat list and indexes the
// cells in the table. False when the grid is too fine for a table or the
// storage could not grow; queries then walk the tree.
static bool prepareTable(ContactGrid* grid);

static bool flatten(ContactGrid* grid) {
  const int32_t levels = grid->levelCount;
  if (levels < 1 || levels > kOctreeTableLevels || !prepareTable(grid)) return false;
  const int32_t stamp = grid->cellStamp;
  visitCells(grid, grid->root, 0, 0, 0, 0, [grid, stamp, levels](const OctreeNode* node, int32_t cell) {
    const int32_t count = countLeaves(node);
    if (count == 0) return;
    int32_t* entry = grid->cellTable[cell];
    entry[1] = count;
    entry[2] = stamp;
    grid->rowBits[cell >> levels] |= uint64_t{1} << (cell & ((1 << levels) - 1));
  });
  if (!flatRoomFor(grid, placeCells(grid))) return false;
  visitCells(grid, grid->root, 0, 0, 0, 0, [grid](const OctreeNode* node, int32_t cell) {
    int32_t* entry = grid->cellTable[cell];
    if (entry[2] == grid->cellStamp) writeLeaves(node, grid->flatItems + entry[0], &entry[1]);
  });
  fillNearBits(grid);
  return true;
}

// A cell table for the grid's levels with no current entry, and the row
// bits cleared. False when the storage could not grow.
static bool prepareTable(ContactGrid* grid) {
  const int32_t levels = grid->levelCount;
  const int32_t cells = 1 << (3 * levels);
  if (grid->cellTableSize < cells) {
    // Room for one level more: a grid refilled as its Jel moves often gains
    // one, and should not grow its table then.
    const int32_t room = levels < 4 ? 8 * cells : cells;
    delete[] grid->cellTable;
    grid->cellTable = new (std::nothrow) int32_t[room][3]();
    grid->cellTableSize = grid->cellTable ? room : 0;
    grid->cellStamp = 0;
    if (!grid->cellTable) return false;
  }
  if (++grid->cellStamp == 0) {
    // The stamp wrapped: old entries could match again.
    for (int32_t k = 0; k < grid->cellTableSize; ++k) grid->cellTable[k][2] = 0;
    grid->cellStamp = 1;
  }
  const int32_t rows = 1 << (2 * levels);
  if (grid->rowRoom < rows) {
    const int32_t room = levels < 4 ? 4 * rows : rows;  // one level more, as for the table
    delete[] grid->rowBits;
    grid->rowBits = new (std::nothrow) uint64_t[2 * static_cast<size_t>(room)];
    grid->rowRoom = grid->rowBits ? room : 0;
    if (!grid->rowBits) return false;
  }
  std::fill(grid->rowBits, grid->rowBits + rows, uint64_t{0});
  return true;
}

// Room for count entries in the flat list.
static bool flatRoomFor(ContactGrid* grid, int32_t count) {
  if (grid->flatRoom >= count + kCopyBlock) return true;
  const int32_t room = std::max(64, count + count / 4 + kCopyBlock);
  int32_t* grown = new (std::nothrow) int32_t[room];
  if (!grown) return false;
  delete[] grid->flatItems;
  grid->flatItems = grown;
  grid->flatRoom = room;
  return true;
}

float (*GVOctreeItemPoints(ContactGrid* grid, int32_t count))[3] {
  if (!grid || count < 0) return nullptr;
  if (grid->itemRoom < count) {
    delete[] grid->itemPoints;
    delete[] grid->itemCells;
    const int32_t room = count + count / 4 + 8;
    grid->itemPoints = new (std::nothrow) float[room][3];
    grid->itemCells = new (std::nothrow) int32_t[2 * static_cast<size_t>(room)];  // cells, then sort scratch
    grid->itemRoom = room;
    if (!grid->itemPoints || !grid->itemCells) {
      dropArray(grid->itemCells, &grid->itemRoom);
      dropArray(grid->itemPoints, &grid->itemRoom);
      return nullptr;
    }
  }
  return grid->itemPoints;
}

// Order of two points of one finest cell (box lo..hi) in the tree: by their
// octants at the first split below the cell where they differ; 0 when no
// split down to the deepest level parts them (the later one is dropped).
static int treeOrder(const float* p, const float* q, const float* cellLo, const float* cellHi, int32_t levels) {
  float lo[3] = {cellLo[0], cellLo[1], cellLo[2]}, hi[3] = {cellHi[0], cellHi[1], cellHi[2]};
  for (int32_t depth = levels; depth < kOctreeMaxDepth; ++depth) {
    const int op = octantOf(p, lo, hi), oq = octantOf(q, lo, hi);
    if (op != oq) return op < oq ? -1 : 1;
    shrinkToOctant(op, lo, hi);
  }
  return 0;
}

// Sorts the items of one cell (first, count) into tree order and drops the
// repeats; returns the count kept.
static int32_t orderCell(ContactGrid* grid, int32_t cell, int32_t first, int32_t count) {
  const int32_t levels = grid->levelCount;
  const int32_t mask = (1 << levels) - 1;
  const int32_t path[3] = {cell & mask, (cell >> levels) & mask, cell >> (2 * levels)};
  float lo[3], hi[3];
  for (int a = 0; a < 3; ++a) {
    lo[a] = grid->minCorner[a];
    hi[a] = grid->maxCorner[a];
    for (int32_t d = levels - 1; d >= 0; --d) {
      const float mid = midpoint(lo[a], hi[a]);
      if ((path[a] >> d) & 1)
        lo[a] = mid;
      else
        hi[a] = mid;
    }
  }
  int32_t* items = grid->flatItems + first;
  int32_t kept = 1;
  for (int32_t j = 1; j < count; ++j) {
    const int32_t item = items[j];
    const float* p = grid->itemPoints[item - 1];
    int32_t i = kept;
    int order = 1;
    while (i > 0 && (order = treeOrder(grid->itemPoints[items[i - 1] - 1], p, lo, hi, levels)) > 0) --i;
    if (i > 0 && order == 0) continue;  // the earlier item holds this place
    for (int32_t k = kept; k > i; --k) items[k] = items[k - 1];
    items[i] = item;
    ++kept;
  }
  return kept;
}

void GVOctreeFillItems(ContactGrid* grid, int32_t count) {
  if (!grid || !grid->root || count <= 0 || count > grid->itemRoom) return;
  const int32_t levels = grid->levelCount;
  const bool bare = !grid->root->children && grid->root->item == 0 && grid->fillCount == 0;
  if (!bare || levels < 1 || levels > kOctreeTableLevels || !splitsKept(grid, levels) || !prepareTable(grid) ||
      !flatRoomFor(grid, count)) {
    for (int32_t k = 0; k < count; ++k) {
      const float* p = grid->itemPoints[k];
      GVOctreeAddItem(grid, k + 1, p[0], p[1], p[2]);
    }
    return;
  }
  // Each item's finest cell.
  for (int32_t k = 0; k < count; ++k) {
    const float* p = grid->itemPoints[k];
    grid->itemCells[k] = (((splitPath(grid, p[2], 2, levels) << levels) | splitPath(grid, p[1], 1, levels)) << levels) |
                         splitPath(grid, p[0], 0, levels);
  }
  // The ids sorted by cell, in id order within a cell: a radix sort of the
  // cells six bits at a time, in small counts that stay in cache (the cell
  // table is touched once per occupied cell below).
  const int32_t* cells = grid->itemCells;
  int32_t* ids = grid->flatItems;
  int32_t* other = grid->itemCells + grid->itemRoom;
  for (int32_t k = 0; k < count; ++k) ids[k] = k + 1;
  for (int32_t shift = 0; shift < 3 * levels; shift += 6) {
    int32_t start[65] = {};
    for (int32_t k = 0; k < count; ++k) ++start[((cells[ids[k] - 1] >> shift) & 63) + 1];
    for (int d = 0; d < 64; ++d) start[d + 1] += start[d];
    for (int32_t k = 0; k < count; ++k) other[start[(cells[ids[k] - 1] >> shift) & 63]++] = ids[k];
    std::swap(ids, other);
  }
  if (ids != grid->flatItems)
    for (int32_t k = 0; k < count; ++k) grid->flatItems[k] = ids[k];
  // Each cell's run: tree order inside, repeats dropped, laid down after
  // the cells before it; the cell's entry and row bit.
  const int32_t stamp = grid->cellStamp;
  const int32_t mask = (1 << levels) - 1;
  int32_t* items = grid->flatItems;
  int32_t next = 0;
  for (int32_t k = 0; k < count;) {
    const int32_t cell = cells[items[k] - 1];
    int32_t end = k + 1;
    while (end < count && cells[items[end] - 1] == cell) ++end;
    for (int32_t j = 0; next != k && j < end - k; ++j) items[next + j] = items[k + j];
    const int32_t kept = end - k > 1 ? orderCell(grid, cell, next, end - k) : 1;
    int32_t* entry = grid->cellTable[cell];
    entry[0] = next;
    entry[1] = kept;
    entry[2] = stamp;
    grid->rowBits[cell >> levels] |= uint64_t{1} << (cell & mask);
    next += kept;
    k = end;
  }
  fillNearBits(grid);
  grid->fillCount = count;
  grid->flatValid = 1;
  grid->spillFlag = 0;
}

// Puts a filled grid's items into its tree, in id order as the fill stands
// for, before anything else goes in.
static void buildFilledTree(ContactGrid* grid) {
  const int32_t count = grid->fillCount;
  grid->fillCount = 0;
  for (int32_t k = 0; k < count; ++k) {
    const float* p = grid->itemPoints[k];
    GVOctreeAddItem(grid, k + 1, p[0], p[1], p[2]);
  }
}

int32_t* GVOctreeQuery(ContactGrid* grid, int32_t xPath, int32_t yPath, int32_t zPath) {
  if (!grid || !grid->hitList) return nullptr;
  grid->hitList[0] = 0;
  if (!grid->root || xPath < 0 || yPath < 0 || zPath < 0) return grid->hitList;
  HitTarget target{grid->hitList, grid->capacity};
  const int32_t levels = grid->levelCount;
  if (levels < 1) {
    GVOctreeVisitLeaves(grid->root, &target, appendHit);
    return grid->hitList;
  }
  if (levels > kOctreeMaxDepth) return grid->hitList;
  if (!grid->flatValid) grid->flatValid = flatten(grid) ? 1 : 0;
  if (!grid->flatValid) {
    GVOctreeVisitNeighbourhood(grid->root, levels, xPath, yPath, zPath, &target, appendHit);
    return grid->hitList;
  }
  // The cells in the order of the tree walk: dz, dy, dx.
  const int32_t limit = 1 << levels;
  if (xPath >= limit || yPath >= limit || zPath >= limit) return grid->hitList;
  if (!((grid->rowBits[grid->rowRoom + ((zPath << levels) | yPath)] >> xPath) & 1)) return grid->hitList;
  const int32_t z0 = zPath > 0 ? zPath - 1 : 0, z1 = zPath + 1 < limit ? zPath + 1 : zPath;
  const int32_t y0 = yPath > 0 ? yPath - 1 : 0, y1 = yPath + 1 < limit ? yPath + 1 : yPath;
  const int32_t x0 = xPath > 0 ? xPath - 1 : 0, x1 = xPath + 1 < limit ? xPath + 1 : xPath;
  // The flat list holds no empty leaf (id 0), so each cell's items go in
  // whole while there is room.
  int32_t* hits = grid->hitList;
  int32_t count = 0;
  const int32_t room = grid->capacity;
  const uint64_t span = (uint64_t{1} << (x1 - x0 + 1)) - 1;
  for (int32_t z = z0; z <= z1; ++z)
    for (int32_t y = y0; y <= y1; ++y) {
      const int32_t row = (z << levels) | y;
      // The row's occupied cells lie side by side in the flat list, lowest
      // x first: the items from the first one in reach to the last.
      const uint64_t bits = (grid->rowBits[row] >> x0) & span;
      if (!bits) continue;
      const int32_t* first = grid->cellTable[(row << levels) | (x0 + __builtin_ctzll(bits))];
      const int32_t* last = grid->cellTable[(row << levels) | (x0 + 63 - __builtin_clzll(bits))];
      const int32_t* items = grid->flatItems + first[0];
      const int32_t take = std::min(last[0] + last[1] - first[0], room - count);
      for (int32_t k = 0; k < take; k += kCopyBlock)
        std::memcpy(hits + count + 1 + k, items + k, kCopyBlock * sizeof(int32_t));
      count += take;
    }
  hits[0] = count;
  return hits;
}

void GVOctreeClearMarks(int32_t* flags, ContactGrid* grid) {
  if (!flags || !grid || !grid->hitList) return;
  int32_t* hits = grid->hitList;
  const int32_t count = hits[0];
  for (int32_t i = 1; i <= count; ++i) {
    assert(hits[i] >= 0);
    flags[hits[i]] &= ~1;
  }
  int32_t kept = 0;
  for (int32_t i = 1; i <= count; ++i) {
    const int32_t id = hits[i];
    if (flags[id] & 1) continue;
    flags[id] |= 1;
    hits[++kept] = id;
  }
  hits[0] = kept;
  for (int32_t i = 1; i <= kept; ++i) flags[hits[i]] &= ~1;
}

void GVOctreeFree(OctreeNode* node) {
  if (!node || !node->children) return;
  for (int i = 0; i < 8; ++i) {
    if (node->children[i]) {
      GVOctreeFree(node->children[i]);
      delete node->children[i];
    }
  }
  delete[] node->children;
  node->children = nullptr;
}
