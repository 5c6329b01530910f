#include "geo/geo_object.h"

#include <cmath>
#include <cstring>

#include "geo/geo_copy.h"
#include "geo/geo_materials.h"
#include "geo/mesh_normals.h"
#include "geo/key_frames.h"
#include "jel/contact_grid.h"
#include "jel/vector_math.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

static void setIdentitySlot(GTransform* slot) {
  slot->position[0] = slot->position[1] = slot->position[2] = 0.0f;
  GVMat3Identity(slot->matrix);
  slot->scale[0] = slot->scale[1] = slot->scale[2] = 1.0f;
}

static void freeCellBind(GeoCellBind*& bind) {
  if (!bind) return;
  delete[] bind->nodes;
  delete bind;
  bind = nullptr;
}

// Frees the keys without the track's rebuild after each removal; keys at
// negative frames go too.
static void freeKeyTrack(KeyTrack*& track) {
  if (!track) return;
  KeyFrame* key = track->firstKey;
  while (key) {
    KeyFrame* next = key->next;
    GVDeleteKeyFrame(key);
    key = next;
  }
  track->firstKey = nullptr;
  delete track;
  track = nullptr;
}

GObject::GObject() : handle(nullptr), name(nullptr), matFile(nullptr), matName2(nullptr), matScript(nullptr) {
  reset();
}

GObject::~GObject() {
  if (releaseCallback) releaseCallback(handle, id, releaseUserData);
  releaseArrays();
  GVSetString(&matFile, nullptr);
  GVSetString(&matName2, nullptr);
  GVSetString(&matScript, nullptr);
  GVSetString(&name, nullptr);
}

int GObject::constructCopy(const GObject* source, const char* newName, int32_t newId) {
  releaseArrays();
  GVSetString(&name, nullptr);
  GVSetString(&matFile, nullptr);
  GVSetString(&matName2, nullptr);
  GVSetString(&matScript, nullptr);
  reset();
  return GVCopyGeo(this, source, newName, newId);
}

void GObject::reset() {
  releaseUserData = nullptr;
  releaseCallback = nullptr;
  id = 0;
  jelId = 0;
  jel = nullptr;
  flags = 0;
  faceSize = 0.0f;
  meshMode = 0;
  contactMax = 0;
  groupMask = 0;
  vertexCount = triangleCount = quadCount = extraPairCount = 0;
  extraWord = 0;
  slotScale = 0.0f;
  materialType = 0;
  GVSetColour(&colourA, 0, 0.0f, 0.0f, 0.0f, 1.0f);
  GVSetColour(&colourB, 0, 0.0f, 0.0f, 0.0f, 1.0f);
  GVSetColour(&colourC, 0, 0.0f, 0.0f, 0.0f, 1.0f);
  surfaceParam = 0.0f;
  for (float& f : surfaceFloats) f = 0.0f;
  for (int32_t& i : surfaceInts) i = 0;
  for (GTransform& slot : xform) setIdentitySlot(&slot);
  slotTail[0] = slotTail[1] = slotTail[2] = 0.0f;

  vertices = baseVertices = nullptr;
  vertBinds = vertBinds2 = nullptr;
  triangles = nullptr;
  quads = nullptr;
  seamLists = vertexFaceLists = nullptr;
  vertexLists3 = nullptr;
  vertexNormals = triangleVectors = renderNormals = nullptr;
  coincidentLists = vertexToFaceLists = nullptr;
  vertexToFaceLists2 = nullptr;
  vertexVectors = nullptr;
  creaseFlags = nullptr;
  vertexMinDot = nullptr;
  vertexVectors2 = nullptr;
  faceWork = nullptr;
  vertexExtras = nullptr;
  colourSets = nullptr;
  uvSets = nullptr;
  materials = nullptr;
  faceNormals = nullptr;
  faceTags = nullptr;
  extraPairs = nullptr;
  vertexDisplacement = nullptr;
  vertexFlags = vertexFlags2 = nullptr;
  next = nullptr;
  broadPhase = nullptr;
  keyTrack = nullptr;
  cellBind = cellBind2 = nullptr;
  attach = nullptr;
  normalLists = nullptr;

  GVSetString(&matFile, "");
  GVSetString(&matName2, "");
  GVSetString(&matScript, "");
  GVSetString(&name, "no name");
}

void GObject::releaseArrays() {
  const int32_t lists = vertexCount + 1;
  GVFreeGeoArray(extraPairs);
  GVFreeGeoArray(quads);
  GVFreeGeoArray(triangles);
  GVFreeGeoArray(faceNormals);
  GVFreeGeoArray(vertexNormals);
  GVDropGeoNormalLists(this);
  GVFreeIntListArray(vertexFaceLists, lists);
  GVFreeIntListArray(seamLists, lists);
  GVFreeFloatListArray(vertexLists3, lists);
  GVFreeGeoArray(triangleVectors);
  GVFreeGeoArray(renderNormals);
  GVFreeIntListArray(coincidentLists, lists);
  GVFreeGeoArray(vertexVectors);
  GVFreeGeoArray(vertexVectors2);
  GVFreeIntListArray(vertexToFaceLists, lists);
  GVFreeFloatListArray(vertexToFaceLists2, lists);
  GVFreeGeoArray(faceWork);
  GVFreeGeoArray(creaseFlags);
  GVFreeGeoArray(vertexMinDot);
  GVFreeGeoArray(vertexExtras);

  GVFreeColourSetArray(colourSets);
  GVFreeUVSetArray(uvSets);
  GVFreeGeoMaterialArray(materials);

  GVFreeGeoArray(faceTags);
  GVFreeGeoArray(vertBinds);
  GVFreeGeoArray(vertBinds2);
  GVFreeGeoArray(vertexDisplacement);
  GVFreeGeoArray(vertexFlags);
  GVFreeGeoArray(vertexFlags2);
  GVFreeGeoArray(vertices);
  GVFreeGeoArray(baseVertices);

  if (broadPhase) GVFreeContactGrid(broadPhase);
  broadPhase = nullptr;
  freeKeyTrack(keyTrack);
  freeCellBind(cellBind);
  freeCellBind(cellBind2);
  delete attach;
  attach = nullptr;
}

// --- mesh description ---

void GVInitGeoMeshDesc(GeoMeshDesc* desc) {
  if (!desc) return;
  std::memset(static_cast<void*>(desc), 0, sizeof(*desc));
  GVSetString(&desc->name, "");
}

void GVResetGeoMeshDesc(GeoMeshDesc* desc) {
  if (!desc) return;
  GVSetString(&desc->name, nullptr);
  GVInitGeoMeshDesc(desc);
}

static bool countOk(int32_t n) { return n >= 0 && n <= kGeoMaxCount; }

static void fillFloat3(GVFloat3* a, int32_t from, int32_t to, float x, float y, float z) {
  for (int32_t i = from; i <= to; ++i) {
    a[i][0] = x;
    a[i][1] = y;
    a[i][2] = z;
  }
}

static void placeSlot(GTransform* slot, const float* position, const float* matrix) {
  setIdentitySlot(slot);
  if (position) GVVec3Copy(slot->position, position);
  if (matrix) GVMat3Copy(slot->matrix, matrix);
}

// Allocates every array of the counts already stored in the Geo. Returns
// false when memory runs out (what was made stays for the caller to free).
static bool allocateMesh(GObject* g) {
  const int32_t nv = g->vertexCount, nt = g->triangleCount, nq = g->quadCount;
  if (nv > 0) {
    if (!(g->vertices = GVNewGeoArray<GVFloat3>(nv + 1))) return false;
    if (!(g->baseVertices = GVNewGeoArray<GVFloat3>(nv + 1))) return false;
    if (!(g->vertBinds = GVNewGeoArray<GeoVertBind>(nv + 1))) return false;
  }
  if (nt > 0) {
    if (!(g->triangles = GVNewGeoArray<GVTriangle>(nt + 1))) return false;
    if (!(g->faceNormals = GVNewGeoArray<GVFloat3>(nt + 1))) return false;
    if (!(g->faceTags = GVNewGeoArray<int32_t>(nt + 1))) return false;
  }
  if (nq > 0) {
    if (!(g->quads = GVNewGeoArray<GVQuad>(nq + 1))) return false;
    // Face normals follow the first non-empty face kind.
    if (!g->faceNormals && !(g->faceNormals = GVNewGeoArray<GVFloat3>(nq + 1))) return false;
    if (!g->faceTags && !(g->faceTags = GVNewGeoArray<int32_t>(nq + 1))) return false;
  }
  if (g->extraPairCount > 0 && !(g->extraPairs = GVNewGeoArray<GVWordPair>(g->extraPairCount + 1)))
    return false;
  if (nv > 0) {
    if (!(g->vertexDisplacement = GVNewGeoArray<GVFloat3>(nv + 1))) return false;
    if (!(g->vertexFlags = GVNewGeoArray<int32_t>(nv + 1))) return false;
    for (int32_t i = 1; i <= nv; ++i) g->vertexFlags[i] = GEO_VERTEX_BOUND;
    if (!(g->vertexNormals = GVNewGeoArray<GVFloat3>(nv + 1))) return false;
    if (!(g->renderNormals = GVNewGeoArray<GVFloat3>(nv + 1))) return false;
    fillFloat3(g->renderNormals, 1, nv, 1.0f, 0.0f, 0.0f);
    if (!(g->vertexVectors = GVNewGeoArray<GVFloat3>(nv + 1))) return false;
    if (!(g->vertexVectors2 = GVNewGeoArray<GVFloat3>(nv + 1))) return false;
    if (!(g->creaseFlags = GVNewGeoArray<int32_t>(nv + 1))) return false;
  }
  if (nt > 0) {
    if (!(g->triangleVectors = GVNewGeoArray<GVFloat3>(nt + 1))) return false;
    fillFloat3(g->triangleVectors, 1, nt, 1.0f, 0.0f, 0.0f);
  }
  return true;
}

int GVBuildGeoFromDesc(GObject* geo, GeoMeshDesc* desc, int32_t id) {
  if (!geo) return 0;
  geo->releaseUserData = nullptr;
  if (!desc || id == 0 || !desc->name || desc->name[0] == '\0') return 0;
  if (!countOk(desc->vertexCount) || !countOk(desc->triangleCount) || !countOk(desc->quadCount) ||
      !countOk(desc->extraPairCount))
    return 0;

  // A rebuild of a built Geo must not lose its old arrays.
  geo->releaseArrays();
  geo->reset();
  GVSetString(&geo->name, desc->name);
  geo->id = id;
  geo->jelId = desc->jelId;
  geo->groupMask = 2;
  geo->flags = desc->flags;
  geo->meshMode = 5;
  geo->contactMax = 0;
  geo->extraWord = 0;
  geo->slotScale = desc->slotScale;
  geo->vertexCount = desc->vertexCount;
  geo->triangleCount = desc->triangleCount;
  geo->quadCount = desc->quadCount;
  geo->extraPairCount = desc->extraPairCount;

  geo->broadPhase = GVNewContactGrid();
  geo->keyTrack = new (std::nothrow) KeyTrack;
  if (geo->keyTrack) GVKeyTrackInit(geo->keyTrack);
  if (!geo->broadPhase || !geo->keyTrack || !allocateMesh(geo)) {
    geo->releaseArrays();
    geo->reset();
    return 0;
  }

  desc->vertices = geo->vertices;
  desc->baseVertices = geo->baseVertices;
  desc->triangles = geo->triangles;
  desc->quads = geo->quads;
  desc->extraPairs = geo->extraPairs;

  GVSetColour(&geo->colourA, 1, 0.6f, 0.6f, 0.7f, 1.0f);
  GVSetColour(&geo->colourB, 1, 0.6f, 0.6f, 0.7f, 1.0f);
  GVSetColour(&geo->colourC, 1, 0.5f, 0.5f, 0.5f, 1.0f);

  placeSlot(&geo->xform[GEO_SLOT_START], desc->startPosition, desc->startMatrix);
  placeSlot(&geo->xform[GEO_SLOT_BIRTH], desc->birthPosition, desc->birthMatrix);
  placeSlot(&geo->xform[GEO_SLOT_BIRTH_NEXT], desc->birthNextPosition, desc->birthNextMatrix);
  placeSlot(&geo->xform[GEO_SLOT_FRAME], nullptr, nullptr);
  placeSlot(&geo->xform[GEO_SLOT_FRAME2], nullptr, nullptr);

  geo->surfaceParam = 8.7f;
  return 1;
}

int GVGeoMatchesSel(int32_t selection, const GObject* geo) {
  if (!geo) return 0;
  if (selection >= 1) return selection == geo->id ? 1 : 0;
  if (selection == -1) return 1;
  if (selection >= -31 && selection <= -2) return (geo->groupMask >> -selection) & 1u;
  return 0;
}

void GVGetGeoName(const GObject* geo, char** out) {
  if (!out) return;
  *out = nullptr;
  if (geo && geo->name) GVSetString(out, geo->name);
}

// --- colour blocks ---

void GVCopyColour(GColour* dst, const GColour* src) {
  if (dst && src) *dst = *src;
}

void GVSetColour(GColour* c, int32_t mode, float r, float g, float b, float a) {
  c->mode = mode;
  c->r = r;
  c->g = g;
  c->b = b;
  c->a = a;
}

int GVReadColourImage(ItemStream* image, GColour* c) {
  if (!image || !c || !image->ints || !image->floats) return 0;
  if (image->intCount >= image->intSize || image->floatCount > image->floatSize ||
      image->floatSize - image->floatCount < 4)
    return 0;
  c->mode = image->ints[image->intCount++];
  const float* f = image->floats + image->floatCount;
  GVSetColour(c, c->mode, f[0], f[1], f[2], f[3]);
  image->floatCount += 4;
  return 1;
}

int GVPutColourImage(ItemStream* image, const GColour* c) {
  if (!image || !c || !image->ints || !image->floats) return 0;
  if (image->intCount >= image->intSize || image->floatCount > image->floatSize ||
      image->floatSize - image->floatCount < 4)
    return 0;
  image->ints[image->intCount++] = c->mode;
  float* f = image->floats + image->floatCount;
  f[0] = c->r;
  f[1] = c->g;
  f[2] = c->b;
  f[3] = c->a;
  image->floatCount += 4;
  return 1;
}

// --- int and float lists ---

void GVInitIntList(IntList* list) {
  list->count = 0;
  list->items = nullptr;
}

void GVFreeIntList(IntList* list) {
  GVFreeGeoArray(list->items);
  list->count = 0;
}

template <typename List, typename T>
static int resizeList(List* list, int32_t n) {
  if (n == list->count) return 1;
  if (n <= 0) {
    GVFreeGeoArray(list->items);
    list->count = 0;
    return 1;
  }
  T* items = GVNewGeoArray<T>(n);
  if (!items) return 0;
  const int32_t keep = list->count < n ? list->count : n;
  for (int32_t i = 0; i < keep && list->items; ++i) items[i] = list->items[i];
  delete[] list->items;
  list->items = items;
  list->count = n;
  return 1;
}

template <typename List, typename T>
static int copyList(List* dst, const List* src) {
  GVFreeGeoArray(dst->items);
  dst->count = 0;
  if (!src || src->count <= 0 || !src->items) return 1;
  T* items = GVNewGeoArray<T>(src->count);
  if (!items) return 0;
  std::memcpy(items, src->items, sizeof(T) * static_cast<size_t>(src->count));
  dst->items = items;
  dst->count = src->count;
  return 1;
}

int GVResizeIntList(IntList* list, int32_t n) { return resizeList<IntList, int32_t>(list, n); }

int GVAppendInt(IntList* list, int32_t value) {
  if (!GVResizeIntList(list, list->count + 1)) return 0;
  list->items[list->count - 1] = value;
  return 1;
}

int GVCopyIntList(IntList* dst, const IntList* src) { return copyList<IntList, int32_t>(dst, src); }

void GVInitFloatList(FloatList* list) {
  list->count = 0;
  list->items = nullptr;
}

void GVFreeFloatList(FloatList* list) {
  GVFreeGeoArray(list->items);
  list->count = 0;
}

int GVResizeFloatList(FloatList* list, int32_t n) {
  if (n < 1) return 1;
  return resizeList<FloatList, float>(list, n);
}

int GVCopyFloatList(FloatList* dst, const FloatList* src) {
  return copyList<FloatList, float>(dst, src);
}

IntList* GVNewIntListArray(int32_t n) { return GVNewGeoArray<IntList>(n); }

void GVFreeIntListArray(IntList*& lists, int32_t n) {
  if (!lists) return;
  for (int32_t i = 0; i < n; ++i) GVFreeIntList(&lists[i]);
  GVFreeGeoArray(lists);
}

FloatList* GVNewFloatListArray(int32_t n) { return GVNewGeoArray<FloatList>(n); }

void GVFreeFloatListArray(FloatList*& lists, int32_t n) {
  if (!lists) return;
  for (int32_t i = 0; i < n; ++i) GVFreeFloatList(&lists[i]);
  GVFreeGeoArray(lists);
}

float GVFloor(float x) { return std::floor(x); }
