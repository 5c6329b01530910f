#include "jel/grid_shape_fill.h"

#include <cmath>
#include <vector>

namespace {

constexpr int32_t kOutside = 2;  // temporary cell mark of the flood

int32_t cellEndZ(const LatticeBuilder* b) { return (b->nz < 2 ? 2 : b->nz) - 1; }

bool ready(const LatticeBuilder* b) {
  return b && b->pointFlag && b->allocated == b->points() + 1;
}

// Cell index on one axis by the grid's rounding rules: a point within half a
// cell outside the first or last cell still counts as in it.
int32_t cellIndex(float g, int32_t n) {
  if (!std::isfinite(g)) return -1;
  if (g < -1e6f) g = -1e6f;
  if (g > 1e6f) g = 1e6f;
  int32_t i = int32_t(std::floor(g));
  if (i == 0 && g > 0.5f) i = 1;
  if (i == n && g < float(n) + 0.5f) i = n - 1;
  return i;
}

}  // namespace

int32_t GVGridFillInterior(LatticeBuilder* b) {
  if (!ready(b)) return 0;
  const int32_t ex = b->nx - 1, ey = b->ny - 1, ez = cellEndZ(b);
  if (ex < 1 || ey < 1) return 0;
  // Flood from every empty cell of the outer layer through empty face
  // neighbours until nothing changes; whatever stays empty is enclosed.
  std::vector<int32_t> stack;
  auto visit = [&](int32_t x, int32_t y, int32_t z) {
    const int32_t i = GVGridIndex(x, y, z, b);
    if (b->cellFlag[i] != 0) return;
    b->cellFlag[i] = kOutside;
    stack.push_back(i);
  };
  for (int32_t z = 1; z <= ez; ++z)
    for (int32_t y = 1; y <= ey; ++y)
      for (int32_t x = 1; x <= ex; ++x)
        if (x == 1 || x == ex || y == 1 || y == ey || z == 1 || z == ez) visit(x, y, z);
  while (!stack.empty()) {
    const int32_t i = stack.back() - 1;
    stack.pop_back();
    const int32_t x = i % b->nx + 1, y = (i / b->nx) % b->ny + 1, z = i / (b->nx * b->ny) + 1;
    if (x > 1) visit(x - 1, y, z);
    if (x < ex) visit(x + 1, y, z);
    if (y > 1) visit(x, y - 1, z);
    if (y < ey) visit(x, y + 1, z);
    if (z > 1) visit(x, y, z - 1);
    if (z < ez) visit(x, y, z + 1);
  }
  int32_t added = 0;
  for (int32_t z = 1; z <= ez; ++z)
    for (int32_t y = 1; y <= ey; ++y)
      for (int32_t x = 1; x <= ex; ++x) {
        const int32_t i = GVGridIndex(x, y, z, b);
        if (b->cellFlag[i] == kOutside) {
          b->cellFlag[i] = 0;
        } else if (b->cellFlag[i] == 0) {
          GVGridAddCell(x, y, z, b);
          ++added;
        }
      }
  return added;
}

void GVGridCoordsOfPoint(LatticeBuilder* b, const float point[3], GeoVertBind* rec) {
  if (!rec) return;
  if (!ready(b) || !point || !(b->cellSize > 0.0f)) {
    rec->jelId = rec->cellNode = 0;
    return;
  }
  const float s = 1.0f / b->cellSize;
  const float g[3] = {point[0] * s + float(b->nx - 1) * 0.5f + 1.0f,
                      point[1] * s + float(b->ny - 1) * 0.5f + 1.0f,
                      b->nz > 1 ? point[2] * s + float(b->nz - 1) * 0.5f + 1.0f : point[2] * s};
  rec->u = g[0];
  rec->v = g[1];
  rec->w = g[2];
  const int32_t i = cellIndex(g[0], b->nx), j = cellIndex(g[1], b->ny), k = cellIndex(g[2], b->nz);
  const bool inside = i >= 1 && i <= b->nx - 1 && j >= 1 && j <= b->ny - 1 &&
                      (b->nz == 1 ? std::isfinite(g[2]) : (k >= 1 && k <= b->nz - 1));
  if (inside)
    GVGridAddCell(i, j, b->nz == 1 ? 1 : k, b);
  else
    rec->jelId = rec->cellNode = 0;
}

int32_t GVGridLocateInJel(const LatticeBuilder* b, int32_t jelId, GeoVertBind* rec) {
  if (!rec) return 0;
  if (!ready(b)) {
    *rec = GeoVertBind{};
    return 0;
  }
  const float g[3] = {rec->u, rec->v, rec->w};
  const int32_t i = cellIndex(g[0], b->nx), j = cellIndex(g[1], b->ny), k = cellIndex(g[2], b->nz);
  const int32_t point = b->nz == 1 ? GVGridIndex(i, j, 1, b) : GVGridIndex(i, j, k, b);
  const int32_t node = b->nodeOfPoint[point];
  if (point == 0 || node == 0) {
    *rec = GeoVertBind{};
    return 0;
  }
  rec->jelId = jelId;
  rec->cellNode = node;
  rec->u = g[0] - float(i);
  rec->v = g[1] - float(j);
  rec->w = g[2] - float(k);
  return node;
}
