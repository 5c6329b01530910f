#include "geo/uv_sets.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "geo/mesh_bounds.h"
#include "records/heap_string.h"

int32_t GVUVSetChainLink(const UVSet* set) {
  return set ? static_cast<int32_t>((set->setBits >> 8) & 0xffu) : 0;
}

void GVSetUVSetChainLink(UVSet* set, int32_t link) {
  if (!set) return;
  set->setBits = (set->setBits & ~0xff00u) | ((static_cast<uint32_t>(link) & 0xffu) << 8);
}

UVSet* GVGetUVSet(const UVSetArray* array, int32_t k) {
  if (!array || !array->sets || k < 0 || k >= array->count) return nullptr;
  return &array->sets[k];
}

GeoMaterial* GVGetGeoMaterial(const GeoMaterialArray* array, int32_t k) {
  if (!array || !array->materials || k < 0 || k >= array->count) return nullptr;
  return &array->materials[k];
}

GeoColourSet* GVGetColourSet(const GeoColourSetArray* array, int32_t k) {
  if (!array || !array->sets || k < 0 || k >= array->count) return nullptr;
  return &array->sets[k];
}

int32_t GVFindMaterialOfUVSet(const GeoMaterialArray* array, int32_t s) {
  if (!array || !array->materials) return -1;
  for (int32_t i = 0; i < array->count; ++i)
    if (array->materials[i].uvSetIndex == s) return i;
  return -1;
}

// --- containers ---

template <typename Array, typename Rec, Rec* Array::*Field>
static int fillContainer(Array* array, int32_t n) {
  delete[] (array->*Field);
  array->*Field = nullptr;
  array->count = 0;
  if (n < 1) return 1;
  Rec* recs = new (std::nothrow) Rec[static_cast<size_t>(n)];
  if (!recs) return 0;
  array->*Field = recs;
  array->count = n;
  return 1;
}

int GVNewUVSetArray(UVSetArray* array, int32_t n) {
  if (!array) return 0;
  if (n > kGeoMaxUVSets) n = 0;
  return fillContainer<UVSetArray, UVSet, &UVSetArray::sets>(array, n);
}

int GVNewGeoMaterialArray(GeoMaterialArray* array, int32_t n) {
  if (!array) return 0;
  return fillContainer<GeoMaterialArray, GeoMaterial, &GeoMaterialArray::materials>(array,
                                                                                    std::max(n, 1));
}

int GVNewColourSetArray(GeoColourSetArray* array, int32_t n) {
  if (!array) return 0;
  return fillContainer<GeoColourSetArray, GeoColourSet, &GeoColourSetArray::sets>(array, n);
}

int32_t GVAddGeoMaterial(GeoMaterialArray* array) {
  if (!array) return -1;
  const int32_t n = array->materials ? array->count : 0;
  GeoMaterial* grown = new (std::nothrow) GeoMaterial[static_cast<size_t>(n) + 1];
  if (!grown) return -1;
  for (int32_t i = 0; i < n; ++i) {
    if (!GVCopyGeoMaterial(&grown[i], &array->materials[i])) {
      delete[] grown;
      return -1;
    }
  }
  delete[] array->materials;
  array->materials = grown;
  array->count = n + 1;
  return n;
}

// dst holds a copy of the n entries of src, or null when src is null.
template <typename T>
static bool copyEntries(T*& dst, const T* src, int64_t n) {
  GVFreeGeoArray(dst);
  if (!src || n < 1) return true;
  dst = GVNewGeoArray<T>(n);
  if (!dst) return false;
  std::memcpy(static_cast<void*>(dst), src, sizeof(T) * static_cast<size_t>(n));
  return true;
}

int GVCopyUVSet(UVSet* dst, const UVSet* src) {
  if (!dst || !src || dst == src) return dst != nullptr;
  GVCopyString(&dst->name, src->name);
  GVCopyString(&dst->name2, src->name2);
  dst->uvCount = src->uvCount;
  dst->faceCount = src->faceCount;
  dst->setBits = src->setBits;
  dst->setWord = src->setWord;
  const int64_t nuv = static_cast<int64_t>(src->uvCount) + 1;
  return copyEntries(dst->uvPairs, src->uvPairs, nuv) &&
         copyEntries(dst->uvCorners, src->uvCorners, nuv) &&
         copyEntries(dst->uvFaces, src->uvFaces, static_cast<int64_t>(src->faceCount) + 1);
}

static bool copyColourBlock(GColour*& dst, const GColour* src) {
  if (!src) {
    delete dst;
    dst = nullptr;
    return true;
  }
  if (!dst && !(dst = new (std::nothrow) GColour)) return false;
  *dst = *src;
  return true;
}

int GVCopyGeoMaterial(GeoMaterial* dst, const GeoMaterial* src) {
  if (!dst || !src || dst == src) return dst != nullptr;
  GVCopyString(&dst->name, src->name);
  GVCopyString(&dst->textureFile, src->textureFile);
  dst->colourSet = src->colourSet;
  dst->colourSetIndex = src->colourSetIndex;
  dst->uvSetIndex = src->uvSetIndex;
  dst->uvSet = src->uvSet;
  dst->colourSetRef = src->colourSetRef;
  dst->uvSetRef = src->uvSetRef;
  dst->shininess = src->shininess;
  dst->mode = src->mode;
  dst->param1 = src->param1;
  dst->param2 = src->param2;
  dst->flag1 = src->flag1;
  dst->flag2 = src->flag2;
  dst->param3 = src->param3;
  dst->param4 = src->param4;
  dst->param5 = src->param5;
  dst->word18 = src->word18;
  dst->layer = src->layer;
  dst->word20 = src->word20;
  return copyColourBlock(dst->colourA, src->colourA) && copyColourBlock(dst->colourB, src->colourB) &&
         copyColourBlock(dst->colourC, src->colourC);
}

int GVCopyColourSet(GeoColourSet* dst, const GeoColourSet* src) {
  if (!dst || !src || dst == src) return dst != nullptr;
  GVCopyString(&dst->name, src->name);
  dst->entryCount = src->entryCount;
  dst->vectorCount = src->vectorCount;
  dst->words[0] = src->words[0];
  dst->words[1] = src->words[1];
  return copyEntries(dst->entries, src->entries, static_cast<int64_t>(src->entryCount) + 1) &&
         copyEntries(dst->vectors, src->vectors, static_cast<int64_t>(src->vectorCount) + 1);
}

template <typename Array, typename Rec, Rec* Array::*Field, int (*CopyOne)(Rec*, const Rec*)>
static int copyContainer(Array* dst, const Array* src) {
  if (!dst || dst == src) return dst != nullptr;
  delete[] (dst->*Field);
  dst->*Field = nullptr;
  dst->count = 0;
  if (!src) return 1;
  if (!(src->*Field) || src->count < 1) {
    dst->count = src->*Field ? 0 : src->count;
    return 1;
  }
  Rec* recs = new (std::nothrow) Rec[static_cast<size_t>(src->count)];
  if (!recs) return 0;
  for (int32_t i = 0; i < src->count; ++i) {
    if (!CopyOne(&recs[i], &(src->*Field)[i])) {
      delete[] recs;
      return 0;
    }
  }
  dst->*Field = recs;
  dst->count = src->count;
  return 1;
}

int GVCopyUVSets(UVSetArray* dst, const UVSetArray* src) {
  return copyContainer<UVSetArray, UVSet, &UVSetArray::sets, GVCopyUVSet>(dst, src);
}

int GVCopyGeoMaterials(GeoMaterialArray* dst, const GeoMaterialArray* src) {
  return copyContainer<GeoMaterialArray, GeoMaterial, &GeoMaterialArray::materials, GVCopyGeoMaterial>(
      dst, src);
}

int GVCopyColourSets(GeoColourSetArray* dst, const GeoColourSetArray* src) {
  return copyContainer<GeoColourSetArray, GeoColourSet, &GeoColourSetArray::sets, GVCopyColourSet>(dst,
                                                                                                   src);
}

void GVRemoveUVSet(UVSetArray* array, int32_t k) {
  if (!array || !array->sets || k < 1 || k >= array->count) return;
  const int32_t n = array->count - 1;
  UVSet* kept = new (std::nothrow) UVSet[static_cast<size_t>(n)];
  if (!kept) return;
  for (int32_t i = 0, j = 0; i <= n; ++i) {
    if (i == k) continue;
    if (!GVCopyUVSet(&kept[j++], &array->sets[i])) {
      delete[] kept;
      return;
    }
  }
  const int32_t removedLink = GVUVSetChainLink(&array->sets[k]);
  delete[] array->sets;
  array->sets = kept;
  array->count = n;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t link = GVUVSetChainLink(&kept[i]);
    if (link == k)
      GVSetUVSetChainLink(&kept[i], removedLink);
    else if (link > k)
      GVSetUVSetChainLink(&kept[i], link - 1);
  }
}

int GVGeoHasFlaggedUVSet(const UVSetArray* array) {
  if (!array || !array->sets) return 0;
  for (int32_t i = 1; i < array->count; ++i)
    if (array->sets[i].setBits & kUVSetFlagged) return 1;
  return 0;
}

// --- the Geo's material strings ---

static void copyOut(const char* s, char** out) {
  if (!out) return;
  *out = nullptr;
  if (s) GVSetString(out, s);
}

void GVGetGeoMatName(const GObject* geo, char** out) { copyOut(geo ? geo->matFile : nullptr, out); }
void GVGetGeoMatString2(const GObject* geo, char** out) { copyOut(geo ? geo->matName2 : nullptr, out); }
void GVGetGeoMatScript(const GObject* geo, char** out) { copyOut(geo ? geo->matScript : nullptr, out); }

int GVGeoHasMatStrings(const GObject* geo) {
  return geo && geo->matFile && geo->matFile[0] && geo->matName2 && geo->matName2[0] &&
                 geo->matScript && geo->matScript[0]
             ? 1
             : 0;
}

// --- default sets ---

int GVNewGeoUVSets(GObject* geo, int32_t n) {
  if (!geo) return -1;
  if (geo->uvSets) return -1;
  UVSetArray* array = new (std::nothrow) UVSetArray{0, nullptr};
  if (!array) return -2;
  if (!GVNewUVSetArray(array, n)) {
    delete array;
    return -2;
  }
  geo->uvSets = array;
  return 0;
}

int GVAddAllFacesUVSet(GObject* geo) {
  if (!geo || !geo->uvSets) return -1;
  if (geo->uvSets->count < 1) return -2;
  if (!geo->uvSets->sets) return -3;
  float(*pairs)[2] = nullptr;
  if (geo->vertexCount > 0 && !(pairs = GVNewGeoArray<float[2]>(geo->vertexCount + 1))) return -6;
  UVSet& set = geo->uvSets->sets[0];
  GVSetString(&set.name, "AllFaces");
  set.uvCount = geo->vertexCount;
  GVFreeGeoArray(set.uvPairs);
  set.uvPairs = pairs;
  return 0;
}

int GVAddMostFacesAUVSet(GObject* geo, int32_t faces, int32_t uvs) {
  if (!geo || !geo->uvSets) return -1;
  if (geo->uvSets->count < 2) return -2;
  if (!geo->uvSets->sets) return -3;
  if (uvs < 0 || uvs > geo->vertexCount) return -4;
  if (faces < 0 || faces > geo->triangleCount) return -5;
  UVCorner* corners = GVNewGeoArray<UVCorner>(static_cast<int64_t>(uvs) + 1);
  UVFace* faceEntries = GVNewGeoArray<UVFace>(static_cast<int64_t>(faces) + 1);
  if (!corners || !faceEntries) {
    GVFreeGeoArray(corners);
    GVFreeGeoArray(faceEntries);
    return -6;
  }
  UVSet& set = geo->uvSets->sets[1];
  GVSetString(&set.name, "MostFacesA");
  set.uvCount = uvs;
  set.faceCount = faces;
  GVFreeGeoArray(set.uvCorners);
  GVFreeGeoArray(set.uvFaces);
  set.uvCorners = corners;
  set.uvFaces = faceEntries;
  return 0;
}

int GVAddAllFaces00UVSet(GObject* geo) {
  if (!geo) return -1;
  UVSetArray* array = new (std::nothrow) UVSetArray{0, nullptr};
  if (!array || !GVNewUVSetArray(array, 1)) {
    delete array;
    return -6;
  }
  const int32_t nv = geo->baseVertices ? geo->vertexCount : 0;
  UVSet& set = array->sets[0];
  if (nv > 0 && !(set.uvPairs = GVNewGeoArray<float[2]>(nv + 1))) {
    GVFreeUVSetArray(array);
    return -6;
  }
  GVFreeGeoMaterialArray(geo->materials);
  GVFreeUVSetArray(geo->uvSets);
  geo->uvSets = array;
  GVSetString(&set.name, "AllFaces_00");
  set.uvCount = nv;
  if (nv < 1) return 0;

  float box[6];
  GVGetGeoBaseBounds(geo, box);
  const float ext[3] = {std::fabs(box[1] - box[0]), std::fabs(box[3] - box[2]),
                        std::fabs(box[5] - box[4])};
  int drop = ext[0] < ext[1] ? 0 : 1;
  if (ext[2] < ext[drop]) drop = 2;
  const int a = (drop + 1) % 3, b = (drop + 2) % 3;  // (y, z), (z, x) or (x, y)
  for (int32_t i = 1; i <= nv; ++i) {
    const float* p = geo->baseVertices[i];
    set.uvPairs[i][0] = ext[a] > 0.0f ? std::fabs(p[a] - box[2 * a]) / ext[a] : 0.0f;
    set.uvPairs[i][1] = ext[b] > 0.0f ? std::fabs(p[b] - box[2 * b]) / ext[b] : 0.0f;
  }
  return 0;
}

// --- materials ---

static bool setCovers(const GObject* geo, const UVSet& s) { return s.uvCount == geo->vertexCount; }
static bool setHasData(const UVSet& s) { return s.uvPairs || s.uvCorners; }

static void assignSet(GeoMaterial* m, UVSetArray* sets, int32_t k) {
  m->uvSetIndex = k;
  m->uvSet = GVGetUVSet(sets, k);
  m->uvSetRef = m->uvSet ? 1 : 0;
  GVSetString(&m->name, "");
}

int32_t GVBuildGeoMaterials(GObject* geo, int sort) {
  if (!geo) return 0;
  UVSetArray* sets = geo->uvSets;
  const int32_t n = sets && sets->sets ? sets->count : 0;
  int32_t covering = 0;
  std::vector<int32_t> usable;
  for (int32_t k = 0; k < n; ++k) {
    const UVSet& s = sets->sets[k];
    if (setCovers(geo, s) && setHasData(s)) {
      ++covering;
      usable.push_back(k);
    } else if (k != 0 && s.uvCorners) {
      usable.push_back(k);
    }
  }
  const int32_t u = static_cast<int32_t>(usable.size());
  const int32_t count = u == 0 ? 1 : (covering >= 1 ? u : u + 1);

  std::vector<int32_t> order;
  if (sort) {
    for (int32_t k = 0; k < n; ++k)
      if (setHasData(sets->sets[k])) order.push_back(k);
    std::stable_sort(order.begin(), order.end(), [&](int32_t x, int32_t y) {
      return sets->sets[x].uvCount > sets->sets[y].uvCount;
    });
    if (static_cast<int32_t>(order.size()) > u) order.resize(static_cast<size_t>(u));
  } else {
    order = usable;
  }

  GVFreeGeoMaterialArray(geo->materials);
  GeoMaterialArray* mats = new (std::nothrow) GeoMaterialArray{0, nullptr};
  if (!mats || !GVNewGeoMaterialArray(mats, count)) {
    delete mats;
    return 0;
  }
  geo->materials = mats;

  size_t next = 0;
  int32_t m = 0;
  if (covering == 0) {
    m = 1;  // material 0 keeps its defaults: no set
  } else if (!order.empty() && setCovers(geo, sets->sets[order[0]])) {
    assignSet(&mats->materials[0], sets, order[next++]);
    m = 1;
  } else {
    m = 1;
  }
  for (; m < count && next < order.size(); ++m) assignSet(&mats->materials[m], sets, order[next++]);
  return count;
}

static bool materialsUsable(const GeoMaterialArray* mats) {
  if (!mats || !mats->materials || mats->count < 1) return false;
  for (int32_t i = 0; i < mats->count; ++i) {
    const GeoMaterial& m = mats->materials[i];
    if (!m.uvSet || m.uvSetIndex == -1) return false;
  }
  return true;
}

static void swapMaterials(GeoMaterial* a, GeoMaterial* b) {
  GeoMaterial tmp;
  GVCopyGeoMaterial(&tmp, a);
  GVCopyGeoMaterial(a, b);
  GVCopyGeoMaterial(b, &tmp);
}

void GVEnsureGeoMaterials(GObject* geo) {
  if (!geo) return;
  if (geo->materials) {
    GeoMaterialArray* mats = geo->materials;
    if (materialsUsable(mats)) {
      if (mats->count >= 2 && !GVNameIsNotMap1(mats->materials[0].uvSet->name)) {
        for (int32_t i = 1; i < mats->count; ++i) {
          if (GVNameIsNotMap1(mats->materials[i].uvSet->name)) {
            swapMaterials(&mats->materials[0], &mats->materials[i]);
            break;
          }
        }
      }
      return;
    }
    GVFreeGeoMaterialArray(geo->materials);
  }
  GVBuildGeoMaterials(geo, (geo->flags & GEO_FLAG_UV_CHAINED) ? 0 : 1);
  GVSetGeoFirstMatColour(geo);
}

void GVSetGeoFirstMatColour(GObject* geo) {
  GeoMaterial* m = geo ? GVGetGeoMaterial(geo->materials, 0) : nullptr;
  if (!m) return;
  if (!m->colourA) m->colourA = new (std::nothrow) GColour;
  if (!m->colourB) m->colourB = new (std::nothrow) GColour;
  if (m->colourA) *m->colourA = geo->colourA;
  if (m->colourB) *m->colourB = geo->colourA;
  if (!m->colourC && (m->colourC = new (std::nothrow) GColour))
    GVSetColour(m->colourC, 0, 0.5f, 0.5f, 0.5f, 1.0f);
  m->shininess = 18.2f;
}

void GVRemoveGeoMaterialUVSet(int32_t i, GObject* geo) {
  if (!geo) return;
  GeoMaterial* target = GVGetGeoMaterial(geo->materials, i);
  if (!target || target->uvSetIndex < 1 || !GVGetUVSet(geo->uvSets, target->uvSetIndex)) return;
  const int32_t s = target->uvSetIndex;
  GeoMaterialArray old{0, nullptr};
  if (!GVCopyGeoMaterials(&old, geo->materials)) return;
  GVFreeGeoMaterialArray(geo->materials);
  GVRemoveUVSet(geo->uvSets, s);
  GVBuildGeoMaterials(geo, (geo->flags & GEO_FLAG_UV_CHAINED) ? 0 : 1);
  GeoMaterialArray* mats = geo->materials;
  for (int32_t j = 0; mats && j < mats->count; ++j) {
    GeoMaterial& m = mats->materials[j];
    const int32_t t = m.uvSetIndex;
    const int32_t from = GVFindMaterialOfUVSet(&old, t >= s ? t + 1 : t);
    if (from < 0) continue;
    GVCopyGeoMaterial(&m, &old.materials[from]);
    m.uvSetIndex = t;
    m.uvSet = GVGetUVSet(geo->uvSets, t);
    m.uvSetRef = m.uvSet ? 1 : 0;
  }
  delete[] old.materials;
  GVCalcGeoMaterialLayers(geo);
}

static UVSet* materialSet(const GObject* geo, const GeoMaterial& m) {
  return m.uvSet ? m.uvSet : GVGetUVSet(geo->uvSets, m.uvSetIndex);
}

void GVLinkGeoMaterialUVSets(GObject* geo) {
  GeoMaterialArray* mats = geo ? geo->materials : nullptr;
  if (!mats || !mats->materials) return;
  for (int32_t i = 0; i < mats->count; ++i) {
    UVSet* set = materialSet(geo, mats->materials[i]);
    if (set) GVSetUVSetChainLink(set, mats->materials[i > 0 ? i - 1 : 0].uvSetIndex);
  }
}

// Chained links may form a cycle in a damaged scene: the depth bound stops the
// walk after as many steps as there are sets.
static int32_t layerOf(const GObject* geo, int32_t k, int32_t depth) {
  const UVSetArray* sets = geo->uvSets;
  if (k == 0 || !GVGetUVSet(sets, k) || depth > sets->count) return 0;
  const GeoMaterialArray* mats = geo->materials;
  const int32_t m = GVFindMaterialOfUVSet(mats, k);
  if (m < 0) return 0;
  int32_t chainedSet = 0;
  const GeoMaterial* chained = nullptr;
  if (geo->flags & GEO_FLAG_UV_CHAINED) {
    chainedSet = GVUVSetChainLink(&sets->sets[k]);
    chained = GVGetGeoMaterial(mats, GVFindMaterialOfUVSet(mats, chainedSet));
  } else {
    chained = GVGetGeoMaterial(mats, m - 1);
    chainedSet = chained ? chained->uvSetIndex : 0;
  }
  const int32_t below = layerOf(geo, chainedSet, depth + 1);
  return chained && chained->mode != GEO_MAT_IGNORE ? below + 1 : below;
}

int32_t GVGeoUVSetLayer(const GObject* geo, int32_t k) { return geo ? layerOf(geo, k, 0) : 0; }

void GVCalcGeoMaterialLayers(GObject* geo) {
  GeoMaterialArray* mats = geo ? geo->materials : nullptr;
  if (!mats || !mats->materials) return;
  for (int32_t i = 0; i < mats->count; ++i) {
    GeoMaterial& m = mats->materials[i];
    m.layer = (i == 0 || m.uvSetIndex == 0) ? 0 : layerOf(geo, m.uvSetIndex, 0);
  }
}

void GVResolveGeoMaterialRefs(GObject* geo) {
  GeoMaterialArray* mats = geo ? geo->materials : nullptr;
  if (!mats || !mats->materials) return;
  for (int32_t i = 0; i < mats->count; ++i) {
    GeoMaterial& m = mats->materials[i];
    m.colourSet = m.colourSetRef ? GVGetColourSet(geo->colourSets, m.colourSetIndex) : nullptr;
    m.uvSet = m.uvSetRef ? GVGetUVSet(geo->uvSets, m.uvSetIndex) : nullptr;
  }
}

int32_t GVCheckGeoUVSets(GObject* geo) {
  UVSetArray* sets = geo ? geo->uvSets : nullptr;
  if (!sets || !sets->sets) return 0;
  int32_t cleared = 0;
  for (int32_t k = 0; k < sets->count; ++k) {
    UVSet& s = sets->sets[k];
    if (!s.uvCorners) continue;
    for (int32_t i = 1; i <= s.uvCount; ++i) {
      if (s.uvCorners[i].vertex < 0 || s.uvCorners[i].vertex > geo->vertexCount) {
        s.uvCorners[i].vertex = 0;
        ++cleared;
      }
    }
  }
  return cleared;
}
