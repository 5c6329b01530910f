#include "geo/geo_binding.h"

#include <cstring>

#include "geo/geo_attach.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/mesh_normals.h"
#include "jel/chan_data.h"
#include "jel/deformation_map.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

// Local coordinates beyond these put a vertex "too far outside" its cell.
static constexpr float kOutsideLow = -0.5f;
static constexpr float kOutsideHigh = 1.5f;

static bool outside(const GeoVertBind& b) {
  return b.u < kOutsideLow || b.u > kOutsideHigh || b.v < kOutsideLow || b.v > kOutsideHigh ||
         b.w < kOutsideLow || b.w > kOutsideHigh;
}

static void setOutsideFlag(GObject* geo, bool any) {
  if (any)
    geo->flags |= GEO_FLAG_TOO_FAR_OUTSIDE;
  else
    geo->flags &= ~uint32_t(GEO_FLAG_TOO_FAR_OUTSIDE);
}

static void unbind(GObject* geo) {
  geo->flags &= ~uint32_t(GEO_FLAG_BOUND);
  geo->jelId = 0;
  geo->jel = nullptr;
}

static bool vertexFlagged(const GObject* geo, int32_t i) {
  return geo->vertexFlags && (geo->vertexFlags[i] & GEO_VERTEX_BOUND);
}

// Locates every flagged vertex into `table`; returns 0 or -1 and whether some
// vertex lies too far outside its cell.
static int32_t locateFlagged(GObject* geo, HObject* jel, GeoVertBind* table, bool* anyOutside) {
  int32_t result = 0;
  *anyOutside = false;
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    if (!vertexFlagged(geo, i)) continue;
    table[i] = GeoVertBind{};
    if (GVLocatePointInJel(jel, geo->vertices[i], &table[i]) <= 0) result = -1;
    if (outside(table[i])) *anyOutside = true;
  }
  return result;
}

int32_t GVMassocGeo(GObject* geo, HObject* jel) {
  if (!geo) return -1;
  geo->jel = jel;
  geo->jelId = jel ? jel->id : 0;
  if (!jel || geo->vertexCount < 1 || !geo->vertices || !geo->vertBinds) return -1;
  bool anyOutside;
  const int32_t result = locateFlagged(geo, jel, geo->vertBinds, &anyOutside);
  // A Geo is bound exactly while some entry names a Jel.
  if (GVGeoVertBindJelId(geo) == 0)
    unbind(geo);
  else
    geo->flags |= GEO_FLAG_BOUND;
  setOutsideFlag(geo, anyOutside);
  return result;
}

int32_t GVMassocGeoSecondary(GObject* geo, HObject* jel) {
  if (!geo || !jel || geo->vertexCount < 1 || !geo->vertices || !geo->vertBinds2) return -1;
  bool anyOutside;
  const int32_t result = locateFlagged(geo, jel, geo->vertBinds2, &anyOutside);
  setOutsideFlag(geo, anyOutside);
  return result;
}

int32_t GVGeoVertBindJelId(const GObject* geo) {
  if (!geo || !geo->vertBinds || geo->vertexCount < 1) return 0;
  int32_t id = 0;
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    const int32_t j = geo->vertBinds[i].jelId;
    if (j == 0) continue;
    if (id == 0)
      id = j;
    else if (j != id)
      return -1;
  }
  return id;
}

void GVValidateGeoMassoc(GObject* geo, int32_t jelSel) {
  if (!geo || !geo->vertBinds) return;
  if (geo->vertexCount < 1) {
    unbind(geo);
    return;
  }
  bool survivor = false;
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    if (!vertexFlagged(geo, i)) continue;
    GeoVertBind& b = geo->vertBinds[i];
    if (jelSel == -1 || b.jelId == jelSel)
      b = GeoVertBind{};
    else if (b.jelId != 0)
      survivor = true;
  }
  if (!survivor) unbind(geo);
}

static void clearCellBindIf(GeoCellBind* bind, int32_t jelId) {
  if (!bind || bind->jelId != jelId) return;
  GVFreeCellBind(bind);
  *bind = GeoCellBind{};
}

void GVClearGeoCellBindsOfJel(GObject* geo, int32_t jelId) {
  if (!geo) return;
  clearCellBindIf(geo->cellBind, jelId);
  clearCellBindIf(geo->cellBind2, jelId);
}

void GVReleaseGeoFromJel(HObject* jel, GObject* geo) {
  if (!jel || !geo) return;
  GVClearGeoCellBindsOfJel(geo, jel->id);
  const int32_t j = geo->jelId;
  const bool viaGroup = j <= -1 && j >= -31 && ((jel->groupMask >> uint32_t(-j)) & 1u);
  if (j == jel->id || viaGroup) {
    GVValidateGeoMassoc(geo, j);
    geo->flags &= ~uint32_t(GEO_FLAG_VERTEX_BINDING | GEO_FLAG_VIEW_REFRESHED);
    GVApplyGeoTransform(geo, GEO_SEL_RESET_BOUND);
    if (geo->triangleCount > 0)
      GVCalcGeoTriNormals(geo);
    else if (geo->quadCount > 0)
      GVCalcGeoQuadNormals(geo);
    GVCalcGeoVertexNormals(geo);
    if (jel->playParams.stateMode == -1) GVCopyGeoTransform(geo, GEO_SEL_START, GEO_SEL_FRAME);
  }
  // An attachment anchored on this Jel would follow a Jel that is going away.
  if (geo->attach && geo->attach->type != 0) GVAttachClearIfRefers(geo->attach, jel->id);
}

// ---- cell binding ----

static void freeCellBindRecord(GeoCellBind*& bind) {
  if (!bind) return;
  GVFreeCellBind(bind);
  delete bind;
  bind = nullptr;
}

// Places every vertex by the block's grid; returns whether some vertex lies
// too far outside its cell.
static bool placeInBlock(GObject* geo, HObject* jel, const GeoCellBind* bind) {
  bool anyOutside = false;
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    GeoVertBind b;
    if (!GVBlockCellOfPoint(geo->vertices[i], jel, bind, &b)) continue;
    if (outside(b)) anyOutside = true;
    GVLatticeTrilinear(&b, jel, geo->vertices[i]);
  }
  return anyOutside;
}

static int32_t cellBind(GObject* geo, HObject* jel, int32_t part, bool secondary) {
  if (!geo) return -1;
  if (!jel) return -2;
  GeoCellBind*& slot = secondary ? geo->cellBind2 : geo->cellBind;
  freeCellBindRecord(slot);
  slot = new (std::nothrow) GeoCellBind{};
  if (!slot) return -1;
  if (!GVCheckPartBlock(jel, part, slot)) {
    GVUpdateJelDeform(jel, 0);
    GVApplyGeoTransform(geo, GEO_SEL_START);
    if (!secondary) return GVMassocGeo(geo, jel) == -1 ? -1 : 0;
    if (!geo->vertBinds2 && geo->vertexCount > 0)
      geo->vertBinds2 = GVNewGeoArray<GeoVertBind>(int64_t(geo->vertexCount) + 1);
    return GVMassocGeoSecondary(geo, jel) == -1 ? -1 : 0;
  }
  if (secondary) GVFreeGeoArray(geo->vertBinds2);
  if (slot->nodes) {
    GVApplyGeoTransform(geo, GEO_SEL_START);
    const bool anyOutside = geo->vertices && geo->vertexCount > 0 && placeInBlock(geo, jel, slot);
    setOutsideFlag(geo, anyOutside);
  }
  return 1;
}

int32_t GVCellBindGeo(GObject* geo, HObject* jel, int32_t part) { return cellBind(geo, jel, part, false); }

int32_t GVCellBindGeoSecondary(GObject* geo, HObject* jel, int32_t part) {
  return cellBind(geo, jel, part, true);
}

int32_t GVGetGeoAttachPoint(GObject* geo, float position[3], float frame[9]) {
  if (!geo || !position || !frame) return 0;
  const uint32_t f = geo->flags;
  const bool primary = (f & GEO_FLAG_CELL_BINDING) && (f & GEO_FLAG_BOUND) && geo->cellBind;
  const bool second = (f & GEO_FLAG_CELL_BINDING2) && (f & GEO_FLAG_BOUND) && geo->cellBind2;
  if (!primary && !second) return 0;
  const GeoCellBind* bind = second ? geo->cellBind2 : geo->cellBind;
  HObject* jel = bind->jel;
  if (!jel) return 0;
  const float* at = geo->xform[GEO_SLOT_FRAME].position;
  int32_t node = 0;
  if (bind->nodes) {
    GeoVertBind b;
    const int32_t cell = GVBlockCellOfPoint(at, jel, bind, &b);
    node = cell > 0 ? cell : 1;
    // The nearest corner of the cell.
    if (b.u > 0.5f) node = jel->neighbour(kNbrPlusX, node);
    if (node && b.v > 0.5f) node = jel->neighbour(kNbrPlusY, node);
    if (node && b.w > 0.5f) node = jel->neighbour(kNbrPlusZ, node);
  }
  if (node <= 0) {
    float d = 0.0f;
    node = 0;
    jel->findNearestNode(bind->part, kFrameInitial, at, &node, &d);
    if (node < 1) node = 1;
  }
  if (jel->state) HBState::nodeTangents(jel->state, node, nullptr, frame);
  std::memcpy(position, at, 3 * sizeof(float));
  return node;
}

// ---- per frame ----

void GVDeformGeoFromJel(GObject* geo, WorkerPool* pool) {
  if (!geo || !geo->jel || geo->vertexCount < 1 || !geo->vertices || !geo->vertBinds) return;
  if (!(geo->flags & GEO_FLAG_BOUND)) return;
  HObject* jel = geo->jel;
  // One flatness test per Geo, from the cell of vertex 1.
  const int32_t cell = geo->vertBinds[1].cellNode;
  const bool flat = cell > 0 && cell <= jel->nodeCount ? !jel->neighbour(kNbrMinusZ, cell) &&
                                                             !jel->neighbour(kNbrPlusZ, cell)
                                                       : GVIsJelFlat(jel) != 0;
  if (flat)
    GVDeformVertsBilinear(geo->vertBinds, geo->vertices, jel, geo->vertexCount, pool);
  else
    GVDeformVertsTrilinear(geo->vertBinds, geo->vertices, jel, geo->vertexCount, pool);
}

void GVInterpGeoFromJel(GObject* geo) {
  if (!geo || !geo->jel || geo->vertexCount < 1 || !geo->vertices || !geo->baseVertices ||
      !geo->vertBinds || !(geo->flags & GEO_FLAG_BOUND))
    return;
  const int32_t id = geo->jel->id;
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    const GeoVertBind& b = geo->vertBinds[i];
    if (!vertexFlagged(geo, i) || b.jelId < 1 || b.jelId != id) continue;
    GVLatticeTrilinear(&b, geo->jel, geo->vertices[i]);
  }
}

void GVDeformGeoByCellBind(GObject* geo) {
  if (!geo || !geo->cellBind || !geo->cellBind->jel || !geo->vertices) return;
  HObject* jel = geo->cellBind->jel;
  if (!geo->cellBind->nodes) {
    GVRelocateGeoInJel(jel, geo, 1);
    return;
  }
  placeInBlock(geo, jel, geo->cellBind);
}

void GVUpdateGeoCellBindTable(GObject* geo) {
  if (!geo || !geo->cellBind2 || !geo->cellBind2->jel || !geo->vertices) return;
  HObject* jel = geo->cellBind2->jel;
  if (!geo->cellBind2->nodes) {
    // The only allocation of the per-frame pass, made once.
    if (!geo->vertBinds2 && geo->vertexCount > 0)
      geo->vertBinds2 = GVNewGeoArray<GeoVertBind>(int64_t(geo->vertexCount) + 1);
    GVRelocateGeoInJelSecondary(jel, geo, 1);
    return;
  }
  GVFreeGeoArray(geo->vertBinds2);
  placeInBlock(geo, jel, geo->cellBind2);
}

// Rest-lattice location of the Geo's current vertices, then placement by the
// live lattice. The live positions are parked in a scratch array of the live
// state, which no step uses between frames.
static void relocate(HObject* jel, GObject* geo, int32_t depth, bool secondary) {
  if (!jel || !geo || depth >= 32 || !jel->state || !jel->frameStore || !jel->pos) return;
  float (*save)[3] = jel->state->scratchVec[6];
  const JelNodeRec* rest = GVFrameNodeRecs(jel->frameStore, 0);
  GeoVertBind* table = secondary ? geo->vertBinds2 : geo->vertBinds;
  if (!save || !rest || !table || !geo->vertices) return;
  const int32_t n = jel->nodeCount;
  for (int32_t i = 1; i <= n; ++i) {
    std::memcpy(save[i], jel->pos[i], sizeof save[i]);
    std::memcpy(jel->pos[i], &rest[i].f[kNodeNatural], sizeof save[i]);
  }
  GVUpdateJelDeform(jel, 0);
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    if (secondary)
      GVLocatePointFromCell(jel, geo->vertices[i], &table[i]);
    else
      GVLocatePointInJel(jel, geo->vertices[i], &table[i]);
  }
  for (int32_t i = 1; i <= n; ++i) std::memcpy(jel->pos[i], save[i], sizeof save[i]);
  GVUpdateJelDeform(jel, 0);
  for (int32_t i = 1; i <= geo->vertexCount; ++i) GVLatticeTrilinear(&table[i], jel, geo->vertices[i]);
}

void GVRelocateGeoInJel(HObject* jel, GObject* geo, int32_t depth) { relocate(jel, geo, depth, false); }

void GVRelocateGeoInJelSecondary(HObject* jel, GObject* geo, int32_t depth) {
  relocate(jel, geo, depth, true);
}

// ---- realignment ----

// Live state carried from the start pose (slot -1) to the pose of `to`.
static void carryLiveState(GObject* geo, HObject* jel, int to) {
  static const float origin[3] = {0.0f, 0.0f, 0.0f};
  const GTransform& from = geo->xform[GEO_SLOT_START];
  const GTransform& dst = geo->xform[to];
  float back[3], inv[9];
  GVVecScale(back, from.position, -1.0f);
  jel->translatePart(1, kFrameCommitted, kAxesAll, back);
  GVMat3InvertTo(from.matrix, inv);
  jel->rotateLiveState(inv, origin);
  jel->rotateLiveState(dst.matrix, origin);
  jel->translatePart(1, kFrameCommitted, kAxesAll, dst.position);
}

void GVRealignJelToGeo(GObject* geo, HObject* jel) {
  if (!geo || !jel) return;
  const float k = geo->slotScale >= 0.00001f ? 1.0f / geo->slotScale : 0.0f;
  jel->restoreFrame(kFrameInitial);
  carryLiveState(geo, jel, GEO_SLOT_BIRTH);
  jel->storeFrame(0);
  jel->restoreFrame(kFrameInitial);
  carryLiveState(geo, jel, GEO_SLOT_BIRTH_NEXT);
  jel->setFrameVelFromLive(k);
  jel->restoreFrame(kFrameInitial);
}

void GVRealignJelAtFrame(GObject* geo, HObject* jel, int32_t frame) {
  if (!jel || (frame != 0 && frame != -1)) return;
  GVRealignJelToGeo(geo, jel);
  jel->restoreFrame(frame);
}

void GVCopyGeoTransformSlots(GObject* geo, int selector) {
  if (!geo || geo->vertexCount < 1 || !geo->vertices || !geo->baseVertices) return;
  if (selector == GEO_SEL_START || selector == GEO_SEL_BIRTH) {
    GVCopyGeoTransform(geo, selector, GEO_SEL_FRAME);
    GVCopyGeoTransform(geo, selector, GEO_SEL_FRAME2);
  }
  GVApplyGeoTransform(geo, selector);
}

// ---- key-frame accessors ----

void GVEvalGeoKeyTrack(GObject* geo, float time, float position[3], float matrix[9], float scale[3]) {
  if (!geo || !geo->keyTrack) return;
  double value = 0.0;
  GVEvalKeyTrack(geo->keyTrack, &value, position, matrix, scale, double(time));
}

int32_t GVGetGeoPrevKeyFrame(const GObject* geo, int32_t frame) {
  if (!geo || !geo->keyTrack) return -2;
  for (const KeyFrame* k = geo->keyTrack->firstKey; k; k = k->next)
    if (k->frame < frame && (!k->next || frame <= k->next->frame)) return k->frame;
  return -2;
}

// ---- the after-frame pass of one Geo ----

int GVJelAliveAt(const HObject* jel, int32_t frame) {
  if (!jel) return 0;
  const FrameParams& p = jel->playParams;
  return p.startFrame <= frame && (p.endFrame == 0 || p.endFrame >= frame) ? 1 : 0;
}

static bool hasKeys(const GObject* geo) { return geo->keyTrack && geo->keyTrack->firstKey; }

void GVUpdateGeoAfterFrame(GObject* geo, int32_t frame, int resetAll, WorkerPool* pool) {
  if (!geo) return;
  const uint32_t f = geo->flags;
  const bool cellBound = (f & (GEO_FLAG_CELL_BINDING | GEO_FLAG_CELL_BINDING2)) != 0;
  if ((cellBound && !(f & GEO_FLAG_VERTEX_BINDING)) || resetAll) {
    GVApplyGeoTransform(geo, GEO_SEL_FRAME);
    GVCalcGeoFaceNormals(geo);
    GVCalcGeoVertexNormals(geo);
  }
  if (!(f & GEO_FLAG_BOUND)) return;
  if (f & GEO_FLAG_VERTEX_BINDING) {
    if (geo->jel && (!hasKeys(geo) || GVJelAliveAt(geo->jel, frame))) GVDeformGeoFromJel(geo, pool);
  } else if (f & GEO_FLAG_CELL_BINDING) {
    GVDeformGeoByCellBind(geo);
  } else if ((f & GEO_FLAG_CELL_BINDING2) && geo->jel) {
    GVApplyGeoTransform(geo, GEO_SEL_FRAME);
  }
  if (f & GEO_FLAG_CELL_BINDING2) GVUpdateGeoCellBindTable(geo);
}
