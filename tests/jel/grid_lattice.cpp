#include "grid_lattice.h"

std::unique_ptr<LatticeBuilder> MakeGrid(int32_t nx, int32_t ny, int32_t nz, float cell) {
  LatticeSpec s;
  s.cellSize = cell;
  s.nx = nx;
  s.ny = ny;
  s.nz = nz;
  return std::make_unique<LatticeBuilder>(&s);
}

GridLattice::GridLattice(LatticeBuilder* b, int32_t id) {
  n = GVGridListOccupied(b);
  const size_t m = size_t(n) + 1;
  pos.reset(new float[m][3]());
  central.reset(new float[m][3]());
  oneSided.reset(new float[m][3]());
  grid.reset(new int32_t[m][3]());
  for (auto& t : nbr) t.reset(new int32_t[m]());
  for (auto& t : side) t.reset(new int32_t[m]());
  cellFlag.reset(new int32_t[m]());
  marks.reset(new int32_t[m]());
  glueJel.reset(new int32_t[m]());
  glueNode.reset(new int32_t[m]());
  glueFlag.reset(new int32_t[m]());
  partMask.reset(new uint32_t[m]());
  for (auto& t : deform) t.reset(new float[m]());
  const bool flat = b->nz < 2;
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t* p = b->pointList[k];
    b->nodeOfPoint[GVGridIndex(p[0], p[1], p[2], b)] = k;
    for (int a = 0; a < 3; ++a) {
      grid[k][a] = p[a];
      pos[k][a] = float(p[a] - 1) * b->cellSize;
    }
    cellFlag[k] = GVGridCellSolid(p[0], p[1], p[2], b);
    partMask[k] = 2;
  }
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t* p = grid[k];
    for (int a = 0; a < 3; ++a) {
      if (flat && a == 2) continue;
      const int u = (a + 1) % 3, v = (a + 2) % 3;
      int32_t q[3] = {p[0], p[1], p[2]};
      q[a] += 1;
      const int32_t other = b->nodeOfPoint[GVGridIndex(q[0], q[1], q[2], b)];
      if (other) {
        // Linked when a solid cell holds the edge.
        int solid = 0;
        for (int du = 0; du < 2; ++du)
          for (int dv = 0; dv < 2; ++dv) {
            int32_t c[3] = {p[0], p[1], p[2]};
            c[u] -= du;
            c[v] -= dv;
            solid |= GVGridCellSolid(c[0], c[1], c[2], b);
          }
        if (solid) {
          nbr[3 + a][k] = other;
          nbr[a][other] = k;
        }
      }
      int hi = 0, lo = 0;
      for (int du = 0; du < 2; ++du)
        for (int dv = 0; dv < 2; ++dv) {
          int32_t c[3] = {p[0], p[1], p[2]};
          c[u] -= du;
          c[v] -= dv;
          hi |= GVGridCellSolid(c[0], c[1], c[2], b);
          c[a] -= 1;
          lo |= GVGridCellSolid(c[0], c[1], c[2], b);
        }
      const int dir = hi - lo;
      oneSided[k][a] = float(dir);
      central[k][a] = dir == 0 ? 0.5f : 0.0f;
      side[a][k] = dir == 1;
    }
  }
  view.id = id;
  view.nodeCount = n;
  view.cellSize = b->cellSize;
  view.pos = pos.get();
  for (int d = 0; d < 6; ++d) view.nbr[d] = nbr[d].get();
  view.cellFlag = cellFlag.get();
  view.diffCentral = central.get();
  view.diffOneSided = oneSided.get();
  for (int a = 0; a < 3; ++a) view.diffSide[a] = side[a].get();
  for (int e = 0; e < 9; ++e) view.deform[e] = deform[e].get();
  view.searchMark = marks.get();
  view.partMask = partMask.get();
  view.glueJel = glueJel.get();
  view.glueNode = glueNode.get();
  view.glueFlag = glueFlag.get();
}

int32_t GridLattice::node(int32_t x, int32_t y, int32_t z) const {
  for (int32_t k = 1; k <= n; ++k)
    if (grid[k][0] == x && grid[k][1] == y && grid[k][2] == z) return k;
  return 0;
}

void GridLattice::rotate(const float R[9], const float t[3]) {
  for (int32_t k = 1; k <= n; ++k) {
    const float p[3] = {pos[k][0], pos[k][1], pos[k][2]};
    for (int r = 0; r < 3; ++r) pos[k][r] = R[r] * p[0] + R[3 + r] * p[1] + R[6 + r] * p[2] + t[r];
  }
}
