#include "jel/jel_from_builder.h"

#include <cmath>
#include <cstring>
#include <new>

#include "jel/chan_data.h"
#include "jel/contact_grid.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"

namespace {

bool ready(const LatticeBuilder* b) {
  return b && b->pointFlag && b->allocated == b->points() + 1;
}

JelStateRec* startStates(const HObject* jel) {
  return jel ? GVFrameStateRecs(jel->frameStore, 0) : nullptr;
}

JelNodeRec* startNodes(const HObject* jel) {
  return jel ? GVFrameNodeRecs(jel->frameStore, 0) : nullptr;
}

// A solid cell holds the edge from point p one step along axis a.
bool edgeHeld(const LatticeBuilder* b, const int32_t p[3], int a) {
  const int u = (a + 1) % 3, v = (a + 2) % 3;
  for (int du = 0; du < 2; ++du)
    for (int dv = 0; dv < 2; ++dv) {
      int32_t c[3] = {p[0], p[1], p[2]};
      c[u] -= du;
      c[v] -= dv;
      if (GVGridCellSolid(c[0], c[1], c[2], b)) return true;
    }
  return false;
}

}  // namespace

void GVGridNumberNodes(LatticeBuilder* b, JelStateRec* recs) {
  if (!ready(b) || !recs) return;
  const int32_t n = b->pointCount;
  std::memset(b->nodeOfPoint, 0, sizeof(int32_t) * size_t(b->allocated));
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t* p = b->pointList[k];
    b->nodeOfPoint[GVGridIndex(p[0], p[1], p[2], b)] = k;
  }
  const int axes = b->nz < 2 ? 2 : 3;
  for (int32_t k = 1; k <= n; ++k) {
    const int32_t* p = b->pointList[k];
    int32_t* w = recs[k].w;
    w[kStateCellFlag] = GVGridCellSolid(p[0], p[1], p[2], b);
    for (int a = 0; a < 3; ++a) {
      w[kStateGridX + a] = p[a];
      w[kStateNbr + 2 * a] = 0;
      w[kStateNbr + 2 * a + 1] = 0;
    }
    for (int a = 0; a < axes; ++a) {
      int32_t q[3] = {p[0], p[1], p[2]};
      q[a] -= 1;
      const int32_t below = b->nodeOfPoint[GVGridIndex(q[0], q[1], q[2], b)];
      if (below && edgeHeld(b, q, a)) w[kStateNbr + 2 * a] = below;
      q[a] += 2;
      const int32_t above = b->nodeOfPoint[GVGridIndex(q[0], q[1], q[2], b)];
      if (above && edgeHeld(b, p, a)) w[kStateNbr + 2 * a + 1] = above;
    }
  }
}

void GVGridRestPositions(LatticeBuilder* b, JelNodeRec* recs, int32_t count) {
  if (!ready(b)) return;
  const int32_t dims[3] = {b->nx, b->ny, b->nz};
  for (int32_t z = 1; z <= b->nz; ++z)
    for (int32_t y = 1; y <= b->ny; ++y)
      for (int32_t x = 1; x <= b->nx; ++x) {
        const int32_t p[3] = {x, y, z};
        float* r = b->restPos[GVGridIndex(x, y, z, b)];
        for (int a = 0; a < 3; ++a)
          r[a] = (float(p[a] - 1) - float(dims[a] - 1) * 0.5f) * b->cellSize * b->scale[a];
        if (b->nz == 1) r[2] = 0.0f;
      }
  b->restPos[0][0] = b->restPos[0][1] = b->restPos[0][2] = 0.0f;
  if (!recs) return;
  if (count > b->pointCount) count = b->pointCount;
  for (int32_t k = 1; k <= count; ++k) {
    const int32_t* p = b->pointList[k];
    const float* r = b->restPos[GVGridIndex(p[0], p[1], p[2], b)];
    std::memset(recs[k].f, 0, sizeof recs[k].f);
    for (int a = 0; a < 3; ++a) {
      recs[k].f[kNodeNatural + a] = r[a];
      recs[k].f[kNodePos + a] = r[a];
    }
  }
}

void GVSetPartsFromGrid(const LatticeBuilder* b, HObject* jel, int32_t count) {
  if (!ready(b) || !jel || !jel->partMask || !jel->nodeKind) return;
  if (count > jel->nodeCount) count = jel->nodeCount;
  if (count > b->pointCount) count = b->pointCount;
  jel->partMask[0] = 0;
  jel->nodeKind[0] = 0;
  for (int32_t k = 1; k <= count; ++k) {
    const int32_t* p = b->pointList[k];
    const bool surface = b->pointClass[GVGridIndex(p[0], p[1], p[2], b)] != 0;
    jel->partMask[k] = 2u | (surface ? 4u : 8u);
    jel->nodeKind[k] = surface ? 2 : 0;
  }
}

static void setSpecFromJel(LatticeBuilder* b, const HObject* jel) {
  LatticeDims dims;
  jel->getLatticeDims(&dims);
  b->cellSize = dims.cellSize;
  b->nx = dims.maxIndex[0];
  b->ny = dims.maxIndex[1];
  b->nz = dims.maxIndex[2];
  for (int a = 0; a < 3; ++a) b->scale[a] = dims.scale[a];
}

void GVNormaliseGridIndices(LatticeBuilder* b, HObject* jel) {
  JelStateRec* st = startStates(jel);
  if (!b || !st) return;
  for (int a = 0; a < 3; ++a) {
    int32_t lo = 0;
    for (int32_t i = 1; i <= jel->nodeCount; ++i)
      if (i == 1 || st[i].w[kStateGridX + a] < lo) lo = st[i].w[kStateGridX + a];
    for (int32_t i = 1; i <= jel->nodeCount; ++i) st[i].w[kStateGridX + a] -= lo - 1;
  }
  setSpecFromJel(b, jel);
}

void GVShiftGridIndices(int32_t axis, HObject* jel, LatticeBuilder* b) {
  JelStateRec* st = startStates(jel);
  if (!st) return;
  if (axis >= 1 && axis <= 3)
    for (int32_t i = 1; i <= jel->nodeCount; ++i) st[i].w[kStateGridX + axis - 1] += 1;
  if (b) setSpecFromJel(b, jel);
}

// The Jel's solid cells into the grid, moved by `offset` grid steps.
static void copyJelToGrid(LatticeBuilder* b, const HObject* jel, const int32_t offset[3]) {
  const JelStateRec* st = startStates(jel);
  if (!ready(b) || !st) return;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) {
    if (st[i].w[kStateCellFlag] == 0) continue;
    GVGridAddCell(st[i].w[kStateGridX] + offset[0], st[i].w[kStateGridX + 1] + offset[1],
                  st[i].w[kStateGridX + 2] + offset[2], b);
  }
}

void GVCopyJelToGrid(LatticeBuilder* b, const HObject* jel) {
  const int32_t none[3] = {0, 0, 0};
  copyJelToGrid(b, jel, none);
}

void GVJelGridOrigin(const HObject* jel, float out[3]) {
  if (!out) return;
  out[0] = out[1] = out[2] = 0.0f;
  const JelStateRec* st = startStates(jel);
  const JelNodeRec* nr = startNodes(jel);
  if (!st || !nr || jel->nodeCount < 1) return;
  for (int a = 0; a < 3; ++a)
    out[a] = nr[1].f[kNodeNatural + a] - float(st[1].w[kStateGridX + a] - 1) * jel->cellSize;
}

void GVJelMeanPosition(const HObject* jel, float out[3]) {
  if (!out) return;
  out[0] = out[1] = out[2] = 0.0f;
  const JelNodeRec* nr = startNodes(jel);
  if (!nr || jel->nodeCount < 1) return;
  double sum[3] = {0, 0, 0};
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    for (int a = 0; a < 3; ++a) sum[a] += nr[i].f[kNodeNatural + a];
  for (int a = 0; a < 3; ++a) out[a] = float(sum[a] * (1.0 / jel->nodeCount));
}

static void moveNatural(HObject* jel, const float d[3]) {
  JelNodeRec* nr = startNodes(jel);
  if (!nr) return;
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    for (int a = 0; a < 3; ++a) nr[i].f[kNodeNatural + a] += d[a];
}

void GVTranslateJel(const float target[3], HObject* jel) {
  if (!target || !jel) return;
  float mean[3];
  GVJelMeanPosition(jel, mean);
  const float d[3] = {target[0] - mean[0], target[1] - mean[1], target[2] - mean[2]};
  moveNatural(jel, d);
}

void GVKeepJelInPlace(HObject* jel, const float origin[3]) {
  if (!jel || !origin) return;
  float now[3];
  GVJelGridOrigin(jel, now);
  const float d[3] = {origin[0] - now[0], origin[1] - now[1], origin[2] - now[2]};
  moveNatural(jel, d);
}

void GVFillAllMatter(const MatterProps* matter, HObject* jel) {
  MatterProps* mp = jel ? GVFrameMatter(jel->frameStore, 0) : nullptr;
  if (!mp) return;
  const MatterProps fill = matter ? *matter : MatterProps{};
  for (int32_t i = 1; i <= jel->nodeCount; ++i) mp[i] = fill;
}

HObject* GVCreateJelFromBuilder(LatticeBuilder* b, int32_t id, int32_t count, int32_t endFrame,
                                MatterProps* matter) {
  if (!ready(b) || count < 0) return nullptr;
  const float cellSize = b->cellSize;
  const int32_t n = GVGridListOccupied(b);
  if (n < 1) return nullptr;
  HObject* jel = new (std::nothrow) HObject(n, id, count, endFrame);
  if (!jel) return nullptr;
  if (jel->nodeCount != n || !startStates(jel) || !startNodes(jel) || !jel->partMask) {
    delete jel;
    return nullptr;
  }
  jel->cellSize = cellSize;
  GVGridClassifyPoints(b);
  GVGridNumberNodes(b, startStates(jel));
  GVGridRestPositions(b, startNodes(jel), n);
  GVSetPartsFromGrid(b, jel, n);
  GVNormaliseGridIndices(b, jel);
  jel->finalize();
  if (matter) {
    // A cell size outside the rule's range gives no count; keep one sub-step.
    const float steps = GVMatterSubSteps(matter, cellSize);
    matter->fRatio = steps >= 1.0f ? steps : 1.0f;
  }
  GVFillAllMatter(matter, jel);
  if (!jel->createState()) {
    delete jel;
    return nullptr;
  }
  jel->flags &= ~uint32_t(kJelNoLiveState);
  jel->storeFrame(0);
  return jel;
}

// Query neighbourhood capacity: a new node near more old nodes than this is
// ambiguous anyway.
static constexpr int32_t kTransferCapacity = 64;

ContactGrid* GVTakeJelContactGrid(const HObject* jel) {
  if (!jel || !jel->state || !jel->pos || jel->nodeCount < 1) return nullptr;
  float lo[3] = {9e30f, 9e30f, 9e30f}, hi[3] = {-9e30f, -9e30f, -9e30f};
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::fmin(lo[a], jel->pos[i][a]);
      hi[a] = std::fmax(hi[a], jel->pos[i][a]);
    }
  // A margin of one cell keeps the new nodes on the old lattice's border inside.
  const float margin = jel->cellSize;
  ContactGrid* grid = GVNewContactGrid();
  if (!grid) return nullptr;
  if (!GVOctreeSetup(grid, lo[0] - margin, lo[1] - margin, lo[2] - margin, hi[0] + margin,
                     hi[1] + margin, hi[2] + margin, jel->cellSize * 0.1f, kTransferCapacity)) {
    GVFreeContactGrid(grid);
    return nullptr;
  }
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    GVOctreeAddItem(grid, int32_t(jel->partMask[i]), jel->pos[i][0], jel->pos[i][1], jel->pos[i][2]);
  return grid;
}

void GVTransferPartsByGrid(ContactGrid* grid, HObject* jel) {
  if (!grid) return;
  if (jel && jel->partMask && jel->pos) {
    for (int32_t i = 1; i <= jel->nodeCount; ++i) {
      int32_t xp, yp, zp;
      if (!GVOctreeLocate(grid, jel->pos[i], &xp, &yp, &zp)) continue;
      const int32_t* hits = GVOctreeQuery(grid, xp, yp, zp);
      if (!hits || hits[0] != 1) continue;
      const uint32_t old = uint32_t(hits[1]);
      jel->partMask[i] = (jel->partMask[i] & 0xfu) | (old & ~0xfu);
    }
  }
  GVFreeContactGrid(grid);
}
