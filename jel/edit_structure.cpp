// Edit Structure: rebuilding a Jel from its own grid with one cell added or
// removed. The new Jel is built completely and the old one is not touched, so
// a failed rebuild leaves the scene as it was; whoever owns the old Jel puts
// the new one in its place.

#include <cstdio>
#include <cstring>

#include "jel/chan_data.h"
#include "jel/contact_grid.h"
#include "jel/frame_store.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "records/heap_string.h"

namespace {

struct RebuildSite {
  int32_t node;       // the reference node
  int crossAxis;      // 0..2, or -1 when the site gives none
  bool edge;          // a one-layer Jel edited at an edge
};

HObject* rebuild(LatticeBuilder* b, HObject* jel, int32_t action, const RebuildSite& site) {
  const JelStateRec* st = GVFrameStateRecs(jel->frameStore, 0);
  if (!st || site.node < 1 || site.node > jel->nodeCount) return nullptr;
  const bool adding = action == 1;

  // What the new Jel keeps of the old one.
  char* name = nullptr;
  GVSetString(&name, jel->name ? jel->name : "");
  const int32_t id = jel->id;
  MatterProps matter;
  jel->getNodeMatterAlias(1, 0, kMatterAllFields, &matter);
  const float cellSize = jel->cellSize;
  const uint32_t groupMask = jel->groupMask;
  void* userWord = jel->userWord;
  const JelRemovalCB removalCB = jel->removalCB;
  const int32_t startFrame = jel->playParams.startFrame;
  const int32_t endFrame = jel->playParams.endFrame;

  const int32_t refCell = st[site.node].w[kStateCellFlag];
  int32_t ref[3];
  for (int a = 0; a < 3; ++a) ref[a] = st[site.node].w[kStateGridX + a];
  float origin[3];
  GVJelGridOrigin(jel, origin);

  // The grid is sized from the Jel itself rather than trusted from the caller.
  LatticeDims dims;
  jel->getLatticeDims(&dims);
  LatticeSpec spec;
  spec.cellSize = cellSize;
  spec.nx = dims.maxIndex[0];
  spec.ny = dims.maxIndex[1];
  spec.nz = dims.maxIndex[2];
  int32_t* count[3] = {&spec.nx, &spec.ny, &spec.nz};
  int32_t shift[3] = {0, 0, 0};
  const int a = site.crossAxis;
  if (a >= 0) {
    if (adding) {
      // Room on the low side: everything moves up one step on the cross axis.
      if (ref[a] == 1) {
        shift[a] = 1;
        *count[a] += 1;
        ref[a] = 2;
      }
      if (ref[a] == *count[a]) *count[a] += 1;
    }
    // The cell lies on the other side of the face, or behind it.
    if ((adding && refCell) || (!adding && !refCell)) ref[a] -= 1;
  }
  if (site.edge) ref[2] = 1;

  GVSetLatticeSpec(b, &spec);
  if (!GVReallocLatticeGrid(b)) {
    GVFreeString(&name);
    return nullptr;
  }
  const JelStateRec* src = st;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) {
    if (src[i].w[kStateCellFlag] == 0) continue;
    GVGridAddCell(src[i].w[kStateGridX] + shift[0], src[i].w[kStateGridX + 1] + shift[1],
                  src[i].w[kStateGridX + 2] + shift[2], b);
  }
  if (adding)
    GVGridAddCell(ref[0], ref[1], ref[2], b);
  else
    GVGridRemoveCell(ref[0], ref[1], ref[2], b);

  // Where the new grid starts, in the old grid's steps.
  int32_t low[3] = {0, 0, 0};
  const int32_t n = GVGridListOccupied(b);
  for (int32_t k = 1; k <= n; ++k)
    for (int e = 0; e < 3; ++e)
      if (k == 1 || b->pointList[k][e] < low[e]) low[e] = b->pointList[k][e];

  ContactGrid* parts = GVTakeJelContactGrid(jel);
  HObject* fresh = GVCreateJelFromBuilder(b, id, startFrame < 0 ? 0 : startFrame, endFrame, &matter);
  if (!fresh) {
    // Nothing of the old Jel has changed; put the builder back on it.
    GVFreeContactGrid(parts);
    GVFreeString(&name);
    LatticeSpec back;
    back.cellSize = cellSize;
    back.nx = dims.maxIndex[0];
    back.ny = dims.maxIndex[1];
    back.nz = dims.maxIndex[2];
    GVSetLatticeSpec(b, &back);
    GVReallocLatticeGrid(b);
    return nullptr;
  }
  GVNormaliseGridIndices(b, fresh);
  GVReallocLatticeGrid(b);

  for (int e = 0; e < 3; ++e) origin[e] += float(low[e] - shift[e] - 1) * cellSize;
  GVKeepJelInPlace(fresh, origin);
  fresh->restoreFrame(kFrameInitial);
  fresh->storeFrame(0);
  GVSetString(&fresh->name, name);
  GVFreeString(&name);
  GVTransferPartsByGrid(parts, fresh);
  fresh->groupMask = groupMask;
  if (fresh->state) fresh->state->groupMask = groupMask;

  fresh->userWord = userWord;
  fresh->removalCB = removalCB;
  return fresh;
}

int32_t nb(const HObject* jel, int dir, int32_t i) { return jel->neighbour(dir, i); }

}  // namespace

HObject* GVRebuildJelAtFace(LatticeBuilder* b, HObject* jel, int32_t action, int32_t face) {
  if (!b || !jel || !jel->faces || face < 1 || face > jel->faceCount || !jel->frameStore) return nullptr;
  const int32_t c0 = jel->faces[face][0], c2 = jel->faces[face][2];
  RebuildSite site{c0, 0, false};
  if (c2 != 0 && c2 == nb(jel, kNbrPlusZ, nb(jel, kNbrPlusX, c0)))
    site.crossAxis = 1;
  else if (c2 != 0 && c2 == nb(jel, kNbrPlusX, nb(jel, kNbrPlusY, c0)))
    site.crossAxis = 2;
  return rebuild(b, jel, action, site);
}

HObject* GVRebuildJelAtEdge(LatticeBuilder* b, HObject* jel, int32_t action, int32_t edge) {
  if (!b || !jel || !jel->edges || edge < 1 || edge > jel->edgeCount || !jel->frameStore) return nullptr;
  const int32_t p = jel->edges[edge][0], q = jel->edges[edge][1];
  RebuildSite site{p, -1, true};
  if (q != 0 && q == nb(jel, kNbrPlusX, p))
    site.crossAxis = 1;
  else if (q != 0 && q == nb(jel, kNbrPlusY, p))
    site.crossAxis = 0;
  return rebuild(b, jel, action, site);
}

void GVSwapJelInHandle(HObject* old, HObject* fresh) {
  if (!old || !fresh || old == fresh) return;
  HObject** handle = old->handle;
  fresh->handle = handle;
  delete old;  // its removal callback still finds it in the handle
  if (handle) *handle = fresh;
}
