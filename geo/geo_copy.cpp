#include "geo/geo_copy.h"

#include <cstring>

#include "geo/geo_attach.h"
#include "geo/geo_collision.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/mesh_derived.h"
#include "geo/uv_sets.h"
#include "records/heap_string.h"

GeoCellBind* GVCopyCellBind(const GeoCellBind* src) {
  if (!src) return nullptr;
  GeoCellBind* copy = new (std::nothrow) GeoCellBind(*src);
  if (!copy) return nullptr;
  copy->nodes = nullptr;
  if (src->nodes && src->nodes[0] >= 0) {
    const int32_t n = src->nodes[0];
    copy->nodes = GVNewGeoArray<int32_t>(static_cast<int64_t>(n) + 1);
    if (!copy->nodes) {
      delete copy;
      return nullptr;
    }
    std::memcpy(copy->nodes, src->nodes, sizeof(int32_t) * (static_cast<size_t>(n) + 1));
  }
  return copy;
}

// Makes dst hold a copy of the n entries of src (nothing when src is null).
template <typename T>
static bool copyArray(T*& dst, const T* src, int32_t n) {
  if (!src) return true;
  if (!dst && !(dst = GVNewGeoArray<T>(n))) return false;
  std::memcpy(static_cast<void*>(dst), src, sizeof(T) * static_cast<size_t>(n));
  return true;
}

static bool copyPerVertexArrays(GObject* d, const GObject* s) {
  const int32_t n = s->vertexCount + 1;
  if (s->vertexCount < 1) return true;
  return copyArray(d->baseVertices, s->baseVertices, n) && copyArray(d->vertBinds, s->vertBinds, n) &&
         copyArray(d->vertBinds2, s->vertBinds2, n) && copyArray(d->vertexFlags, s->vertexFlags, n) &&
         copyArray(d->vertexFlags2, s->vertexFlags2, n) &&
         copyArray(d->vertexExtras, s->vertexExtras, n);
}

// Arrays the rebuild makes or leaves alone, taken from the source afterwards.
static bool copyDerivedVertexArrays(GObject* d, const GObject* s) {
  const int32_t n = s->vertexCount + 1;
  if (s->vertexCount < 1) return true;
  return copyArray(d->vertexMinDot, s->vertexMinDot, n) &&
         copyArray(d->vertexVectors2, s->vertexVectors2, n) && copyArray(d->faceWork, s->faceWork, n);
}

// The three containers, with each material's references pointing into the
// copy's own containers.
static bool copyContainers(GObject* d, const GObject* s) {
  if (s->colourSets) {
    if (!(d->colourSets = new (std::nothrow) GeoColourSetArray{0, nullptr}) ||
        !GVCopyColourSets(d->colourSets, s->colourSets))
      return false;
  }
  if (s->uvSets) {
    if (!(d->uvSets = new (std::nothrow) UVSetArray{0, nullptr}) || !GVCopyUVSets(d->uvSets, s->uvSets))
      return false;
  }
  if (s->materials) {
    if (!(d->materials = new (std::nothrow) GeoMaterialArray{0, nullptr}) ||
        !GVCopyGeoMaterials(d->materials, s->materials))
      return false;
    for (int32_t i = 0; i < d->materials->count && d->materials->materials; ++i) {
      GeoMaterial& m = d->materials->materials[i];
      const GeoMaterial& from = s->materials->materials[i];
      m.colourSetRef = (from.colourSet || from.colourSetRef) ? 1 : 0;
      m.uvSetRef = (from.uvSet || from.uvSetRef) ? 1 : 0;
    }
    GVResolveGeoMaterialRefs(d);
  }
  return true;
}

static bool copyRecords(GObject* d, const GObject* s) {
  if (s->keyTrack && d->keyTrack && !GVKeyTrackCopy(d->keyTrack, s->keyTrack)) return false;
  if (s->cellBind && !(d->cellBind = GVCopyCellBind(s->cellBind))) return false;
  if (s->cellBind2 && !(d->cellBind2 = GVCopyCellBind(s->cellBind2))) return false;
  if (s->attach) {
    if (!(d->attach = new (std::nothrow) GeoAttach{})) return false;
    GVAttachCopy(d->attach, s->attach);
  }
  return true;
}

int GVCopyGeo(GObject* dst, const GObject* src, const char* newName, int32_t newId) {
  if (!dst) return 0;
  dst->releaseUserData = nullptr;
  if (!src || newId == 0 || !newName || !newName[0]) return 0;

  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, newName);
  desc.vertexCount = src->vertexCount;
  desc.triangleCount = src->triangleCount;
  desc.quadCount = src->quadCount;
  const int built = GVBuildGeoFromDesc(dst, &desc, newId);
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
  if (!built) return 0;

  dst->jelId = src->jelId;
  dst->jel = src->jel;
  dst->flags = src->flags;
  dst->faceSize = src->faceSize;
  dst->meshMode = src->meshMode;
  dst->contactMax = src->contactMax;
  dst->groupMask = src->groupMask;
  dst->extraWord = src->extraWord;
  dst->slotScale = src->slotScale;
  dst->materialType = src->materialType;
  if (src->triangleCount > 0 && src->triangles)
    std::memcpy(dst->triangles, src->triangles, sizeof(GVTriangle) * (src->triangleCount + 1u));
  if (src->quadCount > 0 && src->quads)
    std::memcpy(dst->quads, src->quads, sizeof(GVQuad) * (src->quadCount + 1u));
  if (!copyPerVertexArrays(dst, src)) {
    dst->releaseArrays();
    dst->reset();
    return 0;
  }
  GVRebuildGeo(dst);

  dst->colourA = src->colourA;
  dst->colourB = src->colourB;
  dst->colourC = src->colourC;
  dst->surfaceParam = src->surfaceParam;
  std::memcpy(dst->surfaceFloats, src->surfaceFloats, sizeof(dst->surfaceFloats));
  std::memcpy(dst->surfaceInts, src->surfaceInts, sizeof(dst->surfaceInts));
  if (src->materialType == 2) {
    GVCopyString(&dst->matFile, src->matFile);
    GVCopyString(&dst->matName2, src->matName2);
    GVCopyString(&dst->matScript, src->matScript);
  }
  if (!copyRecords(dst, src) || !copyContainers(dst, src) || !copyDerivedVertexArrays(dst, src)) {
    dst->releaseArrays();
    dst->reset();
    return 0;
  }

  static const int kSelectors[GEO_SLOT_COUNT] = {GEO_SEL_START, GEO_SEL_BIRTH, GEO_SEL_BIRTH_NEXT,
                                                 GEO_SEL_FRAME, GEO_SEL_FRAME2};
  for (int k = 0; k < GEO_SLOT_COUNT; ++k) {
    const GTransform& slot = src->xform[k];
    GVSetGeoTransform(dst, kSelectors[k], slot.position, slot.matrix, slot.scale, src->slotScale);
  }
  GVBuildGeoCollisionGrid(dst, 1);
  return 1;
}
