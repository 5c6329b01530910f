#include "geo/geo_merge.h"

#include <cstdio>
#include <vector>

#include "geo/geo_edits.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_normals.h"
#include "geo/uv_sets.h"
#include "jel/vector_math.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"

enum : int { kMergeShared = 0x100, kMergeOwnSets = 0x200 };

static int32_t setCount(const GObject* g) { return g->uvSets && g->uvSets->sets ? g->uvSets->count : 0; }

static void freeMaterials(GeoMaterialArray*& temp) { GVFreeGeoMaterialArray(temp); }

// A new material at the end of the temporary container, copied from src
// (when given), on set index k; the container is dropped when the material
// does not land at index k.
static void collectMaterial(GeoMaterialArray*& temp, const GeoMaterial* src, int32_t k) {
  if (!temp) return;
  const int32_t m = GVAddGeoMaterial(temp);
  if (m < 0) {
    freeMaterials(temp);
    return;
  }
  GeoMaterial& mat = temp->materials[m];
  if (src) GVCopyGeoMaterial(&mat, src);
  mat.uvSetIndex = k;
  // References into the source's containers die with the source.
  mat.uvSet = nullptr;
  mat.colourSet = nullptr;
  if (m != k) freeMaterials(temp);
}

// Seam-listed sources pass their flag to the merged set and the new Geo.
static void passSeamFlag(const GObject* src, const UVSet& in, UVSet& out, GObject* dst) {
  if ((in.uvPairs || in.uvCorners) && in.uvCount && (src->flags & GEO_FLAG_SEAM_LISTS)) {
    out.setBits |= 0x2u;
    dst->flags |= GEO_FLAG_SEAM_LISTS;
  }
}

template <typename T>
static bool allocEntries(T*& p, int64_t count) {
  p = GVNewGeoArray<T>(count);
  return p != nullptr;
}

// Set k of every source into set k of dst.
static bool mergeSharedSets(GObject* dst, const std::vector<GObject*>& srcs, int32_t n, GeoMaterialArray*& temp) {
  const GObject* first = srcs.front();
  for (int32_t k = 0; k < n; ++k) {
    UVSet& out = dst->uvSets->sets[k];
    const UVSet& head = first->uvSets->sets[k];
    int64_t uvs = 0, faces = 0;
    for (const GObject* s : srcs) {
      uvs += s->uvSets->sets[k].uvCount;
      faces += s->uvSets->sets[k].faceCount;
    }
    if (uvs > kGeoMaxCount || faces > kGeoMaxCount) return false;
    out.uvCount = static_cast<int32_t>(uvs);
    out.faceCount = static_cast<int32_t>(faces);
    GVCopyString(&out.name, head.name);
    if (head.uvPairs && !allocEntries(out.uvPairs, uvs + 1)) return false;
    if (head.uvCorners && !allocEntries(out.uvCorners, uvs + 1)) return false;
    if (head.uvFaces && !allocEntries(out.uvFaces, faces + 1)) return false;
    int32_t U = 0, F = 0, V = 0;
    for (const GObject* src : srcs) {
      const UVSet& in = src->uvSets->sets[k];
      // A later source's arrays that the first source's set lacks have no
      // place in the merged set and are left out.
      for (int32_t j = 1; out.uvPairs && in.uvPairs && j <= in.uvCount; ++j) {
        out.uvPairs[U + j][0] = in.uvPairs[j][0];
        out.uvPairs[U + j][1] = in.uvPairs[j][1];
      }
      if (in.uvCorners) {
        for (int32_t j = 1; out.uvCorners && j <= in.uvCount; ++j) {
          out.uvCorners[U + j] = in.uvCorners[j];
          out.uvCorners[U + j].vertex += V;
        }
        for (int32_t j = 1; out.uvFaces && in.uvFaces && j <= in.faceCount; ++j)
          for (int c = 0; c < 3; ++c) out.uvFaces[F + j].corner[c] = in.uvFaces[j].corner[c] + U;
      }
      passSeamFlag(src, in, out, dst);
      U += in.uvCount;
      F += in.faceCount;
      V += src->vertexCount;
    }
    GVSetUVSetChainLink(&out, GVUVSetChainLink(&srcs.back()->uvSets->sets[k]));
    if (temp) {
      const int32_t m = GVFindMaterialOfUVSet(first->materials, k);
      if (m >= 0) collectMaterial(temp, &first->materials->materials[m], k);
    }
  }
  return true;
}

// Set 0 of all sources, then every set of every source as a set of its own.
static bool mergeOwnSets(GObject* dst, const std::vector<GObject*>& srcs, GeoMaterialArray*& temp) {
  UVSet& all = dst->uvSets->sets[0];
  GVSetString(&all.name, "AllFaces1");
  all.uvCount = dst->vertexCount;
  all.faceCount = dst->triangleCount;
  if (!allocEntries(all.uvPairs, static_cast<int64_t>(dst->vertexCount) + 1)) return false;
  int32_t at = 0;
  for (const GObject* src : srcs) {
    const UVSet& in = src->uvSets->sets[0];
    // Never past the end of the merged array, whatever a set claims.
    for (int32_t j = 1; j <= in.uvCount && at + j <= all.uvCount; ++j) {
      all.uvPairs[at + j][0] = in.uvPairs[j][0];
      all.uvPairs[at + j][1] = in.uvPairs[j][1];
    }
    at += in.uvCount;
  }
  GVSetUVSetChainLink(&all, 0);
  collectMaterial(temp, GVGetGeoMaterial(srcs.back()->materials, 0), 0);

  int32_t m = 1, base = 1, V = 0;
  for (const GObject* src : srcs) {
    for (int32_t s = 0; s < setCount(src); ++s, ++m) {
      const UVSet& in = src->uvSets->sets[s];
      UVSet& out = dst->uvSets->sets[m];
      char name[256];
      std::snprintf(name, sizeof name, "%s_G%d_L%d", in.name ? in.name : "", src->id, s);
      GVSetString(&out.name, name);
      out.uvCount = in.uvCount;
      out.faceCount = in.uvPairs ? src->triangleCount : in.faceCount;
      if (!allocEntries(out.uvCorners, static_cast<int64_t>(out.uvCount) + 1) ||
          !allocEntries(out.uvFaces, static_cast<int64_t>(out.faceCount) + 1))
        return false;
      if (in.uvPairs) {
        for (int32_t j = 1; j <= in.uvCount; ++j) out.uvCorners[j] = UVCorner{V + j, in.uvPairs[j][0], in.uvPairs[j][1]};
        for (int32_t j = 1; src->triangles && j <= src->triangleCount; ++j)
          for (int c = 0; c < 3; ++c) out.uvFaces[j].corner[c] = src->triangles[j][c];
      } else if (in.uvCorners) {
        for (int32_t j = 1; j <= in.uvCount; ++j) {
          out.uvCorners[j] = in.uvCorners[j];
          out.uvCorners[j].vertex += V;
        }
        for (int32_t j = 1; in.uvFaces && j <= in.faceCount; ++j) out.uvFaces[j] = in.uvFaces[j];
      }
      passSeamFlag(src, in, out, dst);
      GVSetUVSetChainLink(&out, s == 0 ? 0 : GVUVSetChainLink(&in) + base);
      const int32_t own = GVFindMaterialOfUVSet(src->materials, s);
      collectMaterial(temp, own >= 0 ? &src->materials->materials[own] : nullptr, m);
    }
    base += setCount(src);
    V += src->vertexCount;
  }
  if (temp && temp->count > 1) temp->materials[0].mode = 4;
  return true;
}

static void deleteGeo(ObjHandle* cell) {
  delete GVGeoOf(cell);
  delete cell;
}

static ObjHandle* mergeGroup(ObjHandle* list, int32_t group, const char* name, int32_t newId, int mode) {
  GeoList* geos = GVGeoListOf(list);
  if (!geos || group == 0 || !name || !*name || newId < 1) return nullptr;
  if (!GVGeoGroupIsUniform(geos, group)) return nullptr;
  int32_t n = 0;
  if (mode == kMergeShared) {
    n = GVGeoSelUVSetCount(geos, group);
  } else {
    n = GVGeoGroupUVSetTotal(geos, group);
    if (n + 1 > kGeoMaxUVSets) return nullptr;  // set 0 and n more must fit in one Geo
  }
  if (n == 0) return nullptr;

  std::vector<ObjHandle*> cells;
  std::vector<GObject*> srcs;
  int64_t verts = 0, tris = 0, quads = 0;
  for (GObject* g = geos->head; g; g = g->next) {
    if (!GVGeoMatchesSel(group, g)) continue;
    if (mode == kMergeOwnSets && (!g->uvSets || setCount(g) < 1 || !g->uvSets->sets[0].uvPairs)) return nullptr;
    cells.push_back(g->handle);
    srcs.push_back(g);
    verts += g->vertexCount;
    tris += g->triangleCount;
    quads += g->quadCount;
  }
  if (srcs.empty() || verts > kGeoMaxCount || tris > kGeoMaxCount || quads > kGeoMaxCount) return nullptr;
  if (mode == kMergeOwnSets && !srcs.back()->materials) return nullptr;

  // Everything that can run out of memory comes before the sources change.
  ObjHandle* cell = new ObjHandle;
  if (!GVInitGeoHandle(cell)) {
    delete cell;
    return nullptr;
  }
  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, name);
  desc.vertexCount = static_cast<int32_t>(verts);
  desc.triangleCount = static_cast<int32_t>(tris);
  desc.quadCount = static_cast<int32_t>(quads);
  const int built = GVBuildGeoFromMesh(cell, &desc, newId);
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
  GObject* geo = GVGeoOf(cell);
  if (!built || GVNewGeoUVSets(geo, mode == kMergeShared ? n : n + 1) != 0) {
    deleteGeo(cell);
    return nullptr;
  }
  GeoMaterialArray* temp = new GeoMaterialArray{0, nullptr};

  // The sources go to a list of their own, in scene order.
  ObjHandle* tempList = new ObjHandle;
  GVNewGeoList(tempList);
  for (ObjHandle* c : cells) {
    GVRemoveGeoFromScene(list, c);
    GVAddGeoToScene(tempList, c);
  }
  for (GObject* src : srcs) GVBakeGeoTransform(src);
  GVCopyColour(&geo->colourA, &srcs.front()->colourA);
  GVCopyColour(&geo->colourB, &srcs.front()->colourB);
  GVCopyColour(&geo->colourC, &srcs.front()->colourC);

  int32_t V = 0, T = 0, Q = 0;
  for (const GObject* src : srcs) {
    for (int32_t i = 1; i <= src->vertexCount; ++i) GVVec3Copy(geo->baseVertices[V + i], src->baseVertices[i]);
    for (int32_t t = 1; src->triangles && t <= src->triangleCount; ++t)
      for (int c = 0; c < 3; ++c) geo->triangles[T + t][c] = src->triangles[t][c] + V;
    for (int32_t q = 1; src->quads && q <= src->quadCount; ++q)
      for (int c = 0; c < 4; ++c) geo->quads[Q + q][c] = src->quads[q][c] + V;
    V += src->vertexCount;
    T += src->triangleCount;
    Q += src->quadCount;
  }
  GVRebuildGeo(geo);

  for (GObject* src : srcs)
    if (!(src->flags & GEO_FLAG_UV_CHAINED)) GVLinkGeoMaterialUVSets(src);
  const bool setsMade = mode == kMergeShared ? mergeSharedSets(geo, srcs, n, temp) : mergeOwnSets(geo, srcs, temp);
  if (!setsMade) {
    // Out of memory half way: the sources go back to the scene (now at its end).
    for (ObjHandle* c : cells) {
      GVRemoveGeoFromScene(tempList, c);
      GVAddGeoToScene(list, c);
    }
    GVFreeGeoList(&tempList);
    GVFreeGeoMaterialArray(temp);
    deleteGeo(cell);
    return nullptr;
  }

  GVCentreGeoBase(cell);
  GVApplyGeoTransform(geo, GEO_SEL_FRAME);
  if (mode == kMergeShared) {
    GVCopyGeoTransform(geo, GEO_SEL_FRAME, GEO_SEL_START);
    if (srcs.front()->flags & GEO_FLAG_PICK_BACK_FACES) geo->flags |= GEO_FLAG_PICK_BACK_FACES;
  }
  GVBuildGeoSeamLists(geo);
  GVBuildGeoSmoothFaceLists(geo);
  GVCalcGeoFaceNormals(geo);
  GVCalcGeoVertexNormals(geo);

  bool chained = mode == kMergeOwnSets;
  for (const GObject* src : srcs) chained = chained || (src->flags & GEO_FLAG_UV_CHAINED);
  srcs.clear();
  GVFreeGeoList(&tempList);
  if (chained) geo->flags |= GEO_FLAG_UV_CHAINED;

  GVAddGeoToScene(list, cell);
  GVApplyGeoTransform(geo, GEO_SEL_RESET_BOUND);

  GVBuildGeoMaterials(geo, (geo->flags & GEO_FLAG_UV_CHAINED) ? 0 : 1);
  GVSetGeoFirstMatColour(geo);
  if (temp && geo->materials) {
    const int32_t count = geo->materials->count < temp->count ? geo->materials->count : temp->count;
    for (int32_t i = 0; i < count; ++i) {
      GeoMaterial& m = geo->materials->materials[i];
      GVCopyGeoMaterial(&m, &temp->materials[i]);
      m.uvSet = GVGetUVSet(geo->uvSets, m.uvSetIndex);
      m.colourSet = GVGetColourSet(geo->colourSets, m.colourSetIndex);
    }
  }
  GVFreeGeoMaterialArray(temp);
  return cell;
}

ObjHandle* GVMergeGeoGroup(ObjHandle* list, int32_t group, const char* name, int32_t newId) {
  return mergeGroup(list, group, name, newId, kMergeShared);
}

ObjHandle* GVMergeGeoGroupUV(ObjHandle* list, int32_t group, const char* name, int32_t newId) {
  return mergeGroup(list, group, name, newId, kMergeOwnSets);
}
