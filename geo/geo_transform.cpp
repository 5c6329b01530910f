#include "geo/geo_transform.h"

#include "geo/key_frames.h"
#include "geo/mesh_bounds.h"
#include "geo/mesh_normals.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"

int GVGeoSlotIndex(int selector) {
  switch (selector) {
    case GEO_SEL_START: return GEO_SLOT_START;
    case GEO_SEL_BIRTH: return GEO_SLOT_BIRTH;
    case GEO_SEL_BIRTH_NEXT: return GEO_SLOT_BIRTH_NEXT;
    case GEO_SEL_FRAME:
    case GEO_SEL_FRAME_ALT: return GEO_SLOT_FRAME;
    case GEO_SEL_FRAME2: return GEO_SLOT_FRAME2;
    default: return -1;
  }
}

static bool carriesSlotScale(int selector) {
  return selector == GEO_SEL_BIRTH_NEXT || selector == GEO_SEL_FRAME2;
}

static void identitySlot(GTransform* slot) {
  slot->position[0] = slot->position[1] = slot->position[2] = 0.0f;
  GVMat3Identity(slot->matrix);
  slot->scale[0] = slot->scale[1] = slot->scale[2] = 1.0f;
}

// out = M (s . p) + t; out may alias p.
static void placePoint(const GTransform* slot, const float* p, float* out) {
  float q[3];
  GVMat3MulScaledVec(q, slot->matrix, p, slot->scale);
  out[0] = q[0] + slot->position[0];
  out[1] = q[1] + slot->position[1];
  out[2] = q[2] + slot->position[2];
}

static bool hasVertexArrays(const GObject* g) {
  return g->vertexCount > 0 && g->vertices && g->baseVertices;
}

static bool vertexBound(const GObject* g, int32_t i) {
  return g->vertexFlags && (g->vertexFlags[i] & GEO_VERTEX_BOUND);
}

static void recomputeNormals(GObject* g) {
  GVCalcGeoFaceNormals(g);
  GVCalcGeoVertexNormals(g);
}

void GVClearGeoTransform(GObject* geo, int selector) {
  if (GVGeoSlotIndex(selector) < 0) return;
  GTransform identity;
  identitySlot(&identity);
  GVSetGeoTransform(geo, selector, identity.position, identity.matrix, identity.scale, 0.0f);
}

void GVSetGeoTransform(GObject* geo, int selector, const float* position, const float* matrix,
                       const float* scale, float accompanying) {
  const int k = GVGeoSlotIndex(selector);
  if (!geo || k < 0) return;
  GTransform* slot = &geo->xform[k];
  if (position) GVVec3Copy(slot->position, position);
  if (matrix) GVMat3Copy(slot->matrix, matrix);
  if (scale) GVVec3Copy(slot->scale, scale);
  if (carriesSlotScale(selector)) geo->slotScale = accompanying;
}

void GVGetGeoTransform(const GObject* geo, int selector, float* position, float* matrix,
                       float* scale, float* accompanying) {
  if (accompanying) *accompanying = 0.0f;
  const int k = GVGeoSlotIndex(selector);
  if (!geo || k < 0) return;
  const GTransform* slot = &geo->xform[k];
  if (position) GVVec3Copy(position, slot->position);
  if (matrix) GVMat3Copy(matrix, slot->matrix);
  if (scale) GVVec3Copy(scale, slot->scale);
  if (accompanying && carriesSlotScale(selector)) *accompanying = geo->slotScale;
}

void GVSetGeoTransformPos(const float* position, int selector, GObject* geo) {
  const int k = GVGeoSlotIndex(selector);
  if (geo && position && k >= 0) GVVec3Copy(geo->xform[k].position, position);
}

void GVSetGeoTransformRot(const float* matrix, int selector, GObject* geo) {
  const int k = GVGeoSlotIndex(selector);
  if (geo && matrix && k >= 0) GVMat3Copy(geo->xform[k].matrix, matrix);
}

void GVSetGeoTransformScale(const float* scale, int selector, GObject* geo) {
  const int k = GVGeoSlotIndex(selector);
  if (geo && scale && k >= 0) GVVec3Copy(geo->xform[k].scale, scale);
}

void GVCopyGeoTransform(GObject* geo, int fromSelector, int toSelector) {
  if (!geo || fromSelector == GEO_SEL_FRAME_ALT || toSelector == GEO_SEL_FRAME_ALT) return;
  const int from = GVGeoSlotIndex(fromSelector), to = GVGeoSlotIndex(toSelector);
  if (from < 0 || to < 0) return;
  geo->xform[to] = geo->xform[from];
}

void GVApplyGeoTransform(GObject* geo, int selector) {
  if (!geo) return;
  if (hasVertexArrays(geo)) {
    const bool placed = selector == GEO_SEL_START || selector == GEO_SEL_BIRTH ||
                        selector == GEO_SEL_FRAME || selector == GEO_SEL_FRAME_ALT;
    if (placed) {
      const GTransform* slot = &geo->xform[GVGeoSlotIndex(selector)];
      for (int32_t i = 1; i <= geo->vertexCount; ++i)
        if (vertexBound(geo, i)) placePoint(slot, geo->baseVertices[i], geo->vertices[i]);
    } else if (selector == GEO_SEL_RESET_BOUND) {
      for (int32_t i = 1; i <= geo->vertexCount; ++i)
        if (vertexBound(geo, i)) GVVec3Copy(geo->vertices[i], geo->baseVertices[i]);
    }
    if (geo->vertexDisplacement) {
      for (int32_t i = 1; i <= geo->vertexCount; ++i) {
        if (!vertexBound(geo, i)) continue;
        float* d = geo->vertexDisplacement[i];
        d[0] = d[1] = d[2] = 0.0f;
      }
    }
  }
  recomputeNormals(geo);
}

float* GVTransformGeoPoint(const GObject* geo, const float* p, int selector, float* out) {
  if (!out || !p) return out;
  if (geo && (selector == GEO_SEL_START || selector == GEO_SEL_BIRTH || selector == GEO_SEL_FRAME)) {
    placePoint(&geo->xform[GVGeoSlotIndex(selector)], p, out);
  } else {
    GVVec3Copy(out, p);
  }
  return out;
}

float* GVInverseTransformGeoPoint(const GObject* geo, const float* p, float* out) {
  if (!geo || !p || !out) return out;
  const GTransform* slot = &geo->xform[GEO_SLOT_START];
  float inverse[9];
  GVMat3InvertTo(slot->matrix, inverse);
  const float d[3] = {p[0] - slot->position[0], p[1] - slot->position[1],
                      p[2] - slot->position[2]};
  float q[3];
  GVMat3MulVec(q, inverse, d);
  for (int a = 0; a < 3; ++a) out[a] = slot->scale[a] != 0.0f ? q[a] / slot->scale[a] : 0.0f;
  return out;
}

void GVBakeGeoTransform(GObject* geo) {
  if (!geo || !hasVertexArrays(geo)) return;
  const GTransform frame = geo->xform[GEO_SLOT_FRAME];
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    placePoint(&frame, geo->baseVertices[i], geo->vertices[i]);
    GVVec3Copy(geo->baseVertices[i], geo->vertices[i]);
  }
  for (GTransform& slot : geo->xform) identitySlot(&slot);
  recomputeNormals(geo);
}

void GVBakeGeoScale(GObject* geo) {
  if (!geo || !hasVertexArrays(geo)) return;
  const float s[3] = {geo->xform[GEO_SLOT_FRAME].scale[0], geo->xform[GEO_SLOT_FRAME].scale[1],
                      geo->xform[GEO_SLOT_FRAME].scale[2]};
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    GVVecMulComponents(geo->vertices[i], geo->baseVertices[i], s);
    GVVec3Copy(geo->baseVertices[i], geo->vertices[i]);
  }
  for (GTransform& slot : geo->xform) slot.scale[0] = slot.scale[1] = slot.scale[2] = 1.0f;
}

void GVUnbakeGeoTransform(GObject* geo) {
  if (!geo) return;
  float box[6];
  if (!GVGetGeoBaseBounds(geo, box)) return;
  const float c[3] = {(box[0] + box[1]) * 0.5f, (box[2] + box[3]) * 0.5f,
                      (box[4] + box[5]) * 0.5f};
  for (int32_t i = 1; i <= geo->vertexCount; ++i) GVVecSub(geo->baseVertices[i], geo->baseVertices[i], c);
  static const int kOrder[GEO_SLOT_COUNT] = {GEO_SLOT_START, GEO_SLOT_FRAME, GEO_SLOT_FRAME2,
                                             GEO_SLOT_BIRTH, GEO_SLOT_BIRTH_NEXT};
  for (int k : kOrder) {
    GTransform* slot = &geo->xform[k];
    float d[3];
    GVMat3MulScaledVec(d, slot->matrix, c, slot->scale);
    for (int a = 0; a < 3; ++a) slot->position[a] += d[a];
  }
  if (geo->keyTrack)
    for (KeyFrame* key = geo->keyTrack->firstKey; key; key = key->next) GVKeyFrameShiftOrigin(key, c);
}

void GVBakeGeoCurrentShape(GObject* geo) {
  if (!geo) return;
  geo->flags &= ~0xc00622u;
  if (!hasVertexArrays(geo)) return;
  for (int32_t i = 1; i <= geo->vertexCount; ++i) GVVec3Copy(geo->baseVertices[i], geo->vertices[i]);
  for (GTransform& slot : geo->xform) identitySlot(&slot);
}

int GVGeoHasUnitScale(const GObject* geo, float tolerance) {
  if (!geo) return 0;
  // Bounds taken in float so that a scale of exactly 1 + tolerance passes.
  const float low = 1.0f - tolerance, high = 1.0f + tolerance;
  const float* s = geo->xform[GEO_SLOT_START].scale;
  for (int a = 0; a < 3; ++a)
    if (!(s[a] >= low && s[a] <= high)) return 0;
  return 1;
}

float* GVMat3MulScaledVec(float* out, const float* m, const float* v, const float* s) {
  const float sv[3] = {s[0] * v[0], s[1] * v[1], s[2] * v[2]};
  return GVMat3MulVec(out, m, sv);
}

int GVGeoDriveModeOf(const GObject* geo, int stateMode, int jelAlive) {
  if (!geo) return -2;
  const bool keyed = geo->keyTrack && geo->keyTrack->firstKey;
  const bool attached = (geo->attach && geo->attach->type != 0) ||
                        (geo->flags & GEO_FLAG_FRAME_XFORM_SET);
  const bool cellBound = geo->flags & (GEO_FLAG_CELL_BINDING | GEO_FLAG_CELL_BINDING2);
  const bool massoc = geo->flags & GEO_FLAG_VERTEX_BINDING;
  if (stateMode == 0) {
    if (!(geo->flags & GEO_FLAG_BOUND)) return -2;
    if (massoc && (!keyed || jelAlive)) return 0;
    if (cellBound) return 0;
    return -2;
  }
  if (stateMode == -1) {
    if (keyed && !massoc) return -2;
    if (attached || massoc) return -1;
    return -2;
  }
  return -2;
}

int GVGetGeoDriveMode(int frame, const GObject* geo, int stateMode) {
  if (!geo) return -2;
  const HObject* jel = geo->jel;
  const bool alive = jel && jel->playParams.startFrame <= frame &&
                     (jel->playParams.endFrame == 0 || jel->playParams.endFrame >= frame);
  return GVGeoDriveModeOf(geo, stateMode, alive ? 1 : 0);
}

int GVGeoIsMassocUnbound(const GObject* geo) {
  if (!geo) return 0;
  return (geo->flags & GEO_FLAG_VERTEX_BINDING) && !(geo->flags & GEO_FLAG_BOUND) ? 1 : 0;
}
