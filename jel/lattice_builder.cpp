#include "jel/lattice_builder.h"

#include <cmath>
#include <cstring>
#include <new>

void GVCopyLatticeSpec(LatticeSpec* dst, const LatticeSpec* src) {
  if (!dst || !src) return;
  *dst = *src;
}

// Arrays exist and match the dimensions; every grid operation needs both,
// because the dimensions can be changed without a reallocation.
static bool gridReady(const LatticeBuilder* b) {
  return b && b->pointFlag && b->allocated > 0 && b->allocated == b->points() + 1;
}

static bool validDims(int32_t nx, int32_t ny, int32_t nz) {
  if (nx < 1 || ny < 1 || nz < 1) return false;
  if (nx > kGridMaxAxisPoints || ny > kGridMaxAxisPoints || nz > kGridMaxAxisPoints) return false;
  return int64_t(nx) * ny * nz <= kGridMaxPoints;
}

// The cells of an axis run 1..cellEnd; a grid one point thick in z still has
// its z = 1 layer of cells.
static int32_t cellEndZ(const LatticeBuilder* b) { return (b->nz < 2 ? 2 : b->nz) - 1; }

static bool cellInside(int32_t x, int32_t y, int32_t z, const LatticeBuilder* b) {
  return x >= 1 && x < b->nx && y >= 1 && y < b->ny && z >= 1 && z <= cellEndZ(b);
}

static void freeArrays(LatticeBuilder* b) {
  delete[] b->pointFlag;
  delete[] b->cellFlag;
  for (int a = 0; a < 3; ++a) {
    delete[] b->oneSided[a];
    delete[] b->balance[a];
    b->oneSided[a] = nullptr;
    b->balance[a] = nullptr;
  }
  delete[] b->pointClass;
  delete[] b->nodeOfPoint;
  delete[] b->restPos;
  delete[] b->pointList;
  b->pointFlag = b->cellFlag = b->pointClass = b->nodeOfPoint = nullptr;
  b->restPos = nullptr;
  b->pointList = nullptr;
  b->allocated = 0;
  b->pointCount = 0;
}

static int allocArrays(LatticeBuilder* b) {
  freeArrays(b);
  if (!validDims(b->nx, b->ny, b->nz) || !(b->cellSize > 0.0f) || !std::isfinite(b->cellSize)) {
    b->nx = b->ny = b->nz = 0;
    return 0;
  }
  const size_t n = size_t(b->points()) + 1;
  b->pointFlag = new (std::nothrow) int32_t[n];
  b->cellFlag = new (std::nothrow) int32_t[n];
  bool ok = b->pointFlag && b->cellFlag;
  for (int a = 0; a < 3; ++a) {
    b->oneSided[a] = new (std::nothrow) int32_t[n];
    b->balance[a] = new (std::nothrow) int32_t[n];
    ok = ok && b->oneSided[a] && b->balance[a];
  }
  b->pointClass = new (std::nothrow) int32_t[n];
  b->nodeOfPoint = new (std::nothrow) int32_t[n];
  b->restPos = new (std::nothrow) float[n][3];
  b->pointList = new (std::nothrow) int32_t[n][3];
  ok = ok && b->pointClass && b->nodeOfPoint && b->restPos && b->pointList;
  if (!ok) {
    freeArrays(b);
    b->nx = b->ny = b->nz = 0;
    return 0;
  }
  b->allocated = int32_t(n);
  // Fresh arrays start fully zeroed, including those the clear leaves alone.
  std::memset(b->restPos, 0, n * sizeof(float[3]));
  GVClearLatticeGrid(b);
  return 1;
}

LatticeBuilder::LatticeBuilder(const LatticeSpec* spec) { GVInitLatticeBuilder(spec, this); }

LatticeBuilder::~LatticeBuilder() { freeArrays(this); }

int GVInitLatticeBuilder(const LatticeSpec* spec, LatticeBuilder* b) {
  if (!b) return 0;
  b->handle = nullptr;
  if (spec) GVSetLatticeSpec(b, spec);
  return allocArrays(b);
}

void GVFreeLatticeBuilder(LatticeBuilder* b) {
  if (b) freeArrays(b);
}

void GVDestroyLatticeBuilder(LatticeBuilder* b) { delete b; }

void GVClearLatticeGrid(LatticeBuilder* b) {
  if (!gridReady(b)) return;
  const size_t n = size_t(b->allocated);
  std::memset(b->pointFlag, 0, n * sizeof(int32_t));
  std::memset(b->cellFlag, 0, n * sizeof(int32_t));
  for (int a = 0; a < 3; ++a) {
    std::memset(b->oneSided[a], 0, n * sizeof(int32_t));
    std::memset(b->balance[a], 0, n * sizeof(int32_t));
  }
  std::memset(b->pointClass, 0, n * sizeof(int32_t));
  std::memset(b->nodeOfPoint, 0, n * sizeof(int32_t));
  std::memset(b->pointList, 0, n * sizeof(int32_t[3]));
  b->pointCount = 0;
}

int GVReallocLatticeGrid(LatticeBuilder* b) {
  if (!b) return 0;
  return allocArrays(b);
}

void GVGetLatticeSpec(const LatticeBuilder* b, LatticeSpec* out) {
  if (!b || !out) return;
  out->cellSize = b->cellSize;
  out->nx = b->nx;
  out->ny = b->ny;
  out->nz = b->nz;
  for (int a = 0; a < 3; ++a) out->scale[a] = b->scale[a];
}

void GVSetLatticeSpec(LatticeBuilder* b, const LatticeSpec* spec) {
  if (!b || !spec) return;
  b->cellSize = spec->cellSize;
  b->nx = spec->nx;
  b->ny = spec->ny;
  b->nz = spec->nz;
  for (int a = 0; a < 3; ++a) b->scale[a] = spec->scale[a];
}

int32_t GVGridIndex(int32_t x, int32_t y, int32_t z, const LatticeBuilder* b) {
  if (!b) return 0;
  if (x < 1 || x > b->nx || y < 1 || y > b->ny || z < 1 || z > b->nz) return 0;
  return ((z - 1) * b->ny + (y - 1)) * b->nx + x;
}

int32_t GVGridCellSolid(int32_t x, int32_t y, int32_t z, const LatticeBuilder* b) {
  if (!gridReady(b) || !cellInside(x, y, z, b)) return 0;
  return b->cellFlag[GVGridIndex(x, y, z, b)] == 1 ? 1 : 0;
}

int32_t GVGridListOccupied(LatticeBuilder* b) {
  if (!gridReady(b)) return 0;
  int32_t count = 0;
  for (int32_t z = 1; z <= b->nz; ++z)
    for (int32_t y = 1; y <= b->ny; ++y)
      for (int32_t x = 1; x <= b->nx; ++x) {
        if (b->pointFlag[GVGridIndex(x, y, z, b)] != 1) continue;
        ++count;
        b->pointList[count][0] = x;
        b->pointList[count][1] = y;
        b->pointList[count][2] = z;
      }
  b->pointCount = count;
  return count;
}

// Occupies the eight corners of a cell; corners beyond a one-layer grid land
// in the sink entry 0.
static void occupyCorners(int32_t x, int32_t y, int32_t z, LatticeBuilder* b) {
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i) b->pointFlag[GVGridIndex(x + i, y + j, z + k, b)] = 1;
  b->pointFlag[0] = 0;
}

static void setCellSolid(int32_t x, int32_t y, int32_t z, LatticeBuilder* b) {
  b->cellFlag[GVGridIndex(x, y, z, b)] = 1;
  occupyCorners(x, y, z, b);
}

void GVGridAddCell(int32_t x, int32_t y, int32_t z, LatticeBuilder* b) {
  if (!gridReady(b) || !cellInside(x, y, z, b)) return;
  setCellSolid(x, y, z, b);
}

void GVGridRemoveCell(int32_t x, int32_t y, int32_t z, LatticeBuilder* b) {
  if (!gridReady(b) || !cellInside(x, y, z, b)) return;
  b->cellFlag[GVGridIndex(x, y, z, b)] = 0;
  GVGridRecomputeCorners(x, y, z, b);
}

void GVGridRecomputeCorners(int32_t x, int32_t y, int32_t z, LatticeBuilder* b) {
  if (!gridReady(b)) return;
  const int32_t zCorners = b->nz < 2 ? 1 : 2;
  for (int k = 0; k < zCorners; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i) {
        const int32_t px = x + i, py = y + j, pz = z + k;
        const int32_t idx = GVGridIndex(px, py, pz, b);
        if (idx == 0) continue;
        int32_t solid = 0;
        for (int dz = 0; dz < 2; ++dz)
          for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) solid |= GVGridCellSolid(px - dx, py - dy, pz - dz, b);
        b->pointFlag[idx] = solid;
      }
}

void GVGridFillBox(int32_t startX, int32_t countX, LatticeBuilder* b, int32_t startY,
                   int32_t startZ, int32_t countY, int32_t countZ) {
  if (!gridReady(b)) return;
  // Counts are numbers of points: fewer than two points on an axis span no cell.
  if (countX < 2 || countY < 2 || countZ < 2) return;
  const int64_t endX = int64_t(startX) + countX - 2;
  const int64_t endY = int64_t(startY) + countY - 2;
  const int64_t endZ = int64_t(startZ) + countZ - 2;
  // Clip to the cells that exist; box fill needs z < nz even on a one-layer grid.
  const int64_t x0 = startX < 1 ? 1 : startX, x1 = endX < b->nx - 1 ? endX : b->nx - 1;
  const int64_t y0 = startY < 1 ? 1 : startY, y1 = endY < b->ny - 1 ? endY : b->ny - 1;
  const int64_t z0 = startZ < 1 ? 1 : startZ, z1 = endZ < b->nz - 1 ? endZ : b->nz - 1;
  for (int64_t z = z0; z <= z1; ++z)
    for (int64_t y = y0; y <= y1; ++y)
      for (int64_t x = x0; x <= x1; ++x) setCellSolid(int32_t(x), int32_t(y), int32_t(z), b);
}

void GVGridFillAll(LatticeBuilder* b) {
  if (!gridReady(b)) return;
  const size_t n = size_t(b->allocated);
  std::memset(b->cellFlag, 0, n * sizeof(int32_t));
  for (int a = 0; a < 3; ++a) {
    std::memset(b->oneSided[a], 0, n * sizeof(int32_t));
    std::memset(b->balance[a], 0, n * sizeof(int32_t));
  }
  std::memset(b->pointClass, 0, n * sizeof(int32_t));
  for (size_t i = 1; i < n; ++i) b->pointFlag[i] = 1;
  b->pointFlag[0] = 0;
  for (int32_t z = 1; z <= cellEndZ(b); ++z)
    for (int32_t y = 1; y < b->ny; ++y)
      for (int32_t x = 1; x < b->nx; ++x) b->cellFlag[GVGridIndex(x, y, z, b)] = 1;
}

// One mirror pass along `axis`: cell i copied onto cell n - i where that is empty.
static void mirrorAxis(LatticeBuilder* b, int axis) {
  if (!gridReady(b)) return;
  const int32_t dims[3] = {b->nx, b->ny, b->nz};
  const int32_t ends[3] = {b->nx - 1, b->ny - 1, cellEndZ(b)};
  const int32_t n = dims[axis];
  if (n < 2) return;
  const int u = (axis + 1) % 3, v = (axis + 2) % 3;
  if (dims[u] < 2 && u != 2) return;
  if (dims[v] < 2 && v != 2) return;
  int32_t c[3];
  for (int32_t p = 1; p <= ends[u]; ++p)
    for (int32_t q = 1; q <= ends[v]; ++q)
      for (int32_t i = 1; i <= n - 1; ++i) {
        c[u] = p;
        c[v] = q;
        c[axis] = i;
        if (!GVGridCellSolid(c[0], c[1], c[2], b)) continue;
        c[axis] = n - i;
        if (GVGridCellSolid(c[0], c[1], c[2], b)) continue;
        setCellSolid(c[0], c[1], c[2], b);
      }
}

void GVGridMirrorX(LatticeBuilder* b) { mirrorAxis(b, 0); }
void GVGridMirrorY(LatticeBuilder* b) { mirrorAxis(b, 1); }
void GVGridMirrorZ(LatticeBuilder* b) { mirrorAxis(b, 2); }

void GVGridClassifyPoints(LatticeBuilder* b) {
  if (!gridReady(b)) return;
  for (int32_t z = 1; z <= b->nz; ++z)
    for (int32_t y = 1; y <= b->ny; ++y)
      for (int32_t x = 1; x <= b->nx; ++x) {
        const int32_t idx = GVGridIndex(x, y, z, b);
        const int32_t p[3] = {x, y, z};
        int32_t nonzero = 0, nonzeroXY = 0;
        for (int a = 0; a < 3; ++a) {
          int32_t low = 0, high = 0;
          if (b->pointFlag[idx] == 1) {
            const int u = (a + 1) % 3, v = (a + 2) % 3;
            for (int du = 0; du < 2; ++du)
              for (int dv = 0; dv < 2; ++dv) {
                int32_t c[3];
                c[u] = p[u] - du;
                c[v] = p[v] - dv;
                c[a] = p[a];
                high += GVGridCellSolid(c[0], c[1], c[2], b);
                c[a] = p[a] - 1;
                low += GVGridCellSolid(c[0], c[1], c[2], b);
              }
          }
          b->oneSided[a][idx] = (high > 0 ? 1 : 0) - (low > 0 ? 1 : 0);
          b->balance[a][idx] = low - high;
          if (low != high) {
            ++nonzero;
            if (a < 2) ++nonzeroXY;
          }
        }
        if (b->nz < 2) {
          static const int32_t flatClass[3] = {0, 2, 3};
          b->pointClass[idx] = flatClass[nonzeroXY];
        } else {
          b->pointClass[idx] = nonzero;
        }
      }
}
