#include "geo/mesh_topology.h"

#include <vector>

#include "geo/mesh_derived.h"
#include "geo/mesh_normals.h"
#include "geo/vertex_proximity.h"
#include "jel/vector_math.h"

int GVTriHasEdge(const int32_t* tri, int32_t a, int32_t b) {
  if (!tri) return 0;
  const bool hasA = tri[0] == a || tri[1] == a || tri[2] == a;
  const bool hasB = tri[0] == b || tri[1] == b || tri[2] == b;
  return hasA && hasB ? 1 : 0;
}

void GVAllocGeoTopology(GObject* geo) {
  if (!geo) return;
  GVDropGeoNormalLists(geo);
  const int32_t n = geo->vertexCount + 1;
  if (!geo->creaseFlags) geo->creaseFlags = GVNewGeoArray<int32_t>(n);
  if (!geo->coincidentLists) geo->coincidentLists = GVNewIntListArray(n);
  if (!geo->vertexToFaceLists2) geo->vertexToFaceLists2 = GVNewFloatListArray(n);
  if (!geo->vertexToFaceLists) geo->vertexToFaceLists = GVNewIntListArray(n);
  if (!geo->vertexVectors) geo->vertexVectors = GVNewGeoArray<GVFloat3>(n);
  if (!geo->vertexMinDot && (geo->vertexMinDot = GVNewGeoArray<float>(n)))
    for (int32_t i = 0; i < n; ++i) geo->vertexMinDot[i] = 1.0f;
}

void GVFreeGeoTopology(GObject* geo) {
  if (!geo) return;
  GVDropGeoNormalLists(geo);
  const int32_t n = geo->vertexCount + 1;
  GVFreeGeoArray(geo->creaseFlags);
  GVFreeIntListArray(geo->coincidentLists, n);
  GVFreeFloatListArray(geo->vertexToFaceLists2, n);
  GVFreeIntListArray(geo->vertexToFaceLists, n);
  GVFreeGeoArray(geo->vertexVectors);
  GVFreeGeoArray(geo->vertexMinDot);
  GVFreeGeoArray(geo->vertexVectors2);
  GVFreeGeoArray(geo->faceWork);
}

static void applyResetMask(GObject* g) {
  if (!g->creaseFlags) return;
  for (int32_t i = 1; i <= g->vertexCount; ++i) g->creaseFlags[i] &= ~kCreaseTopologyResetMask;
}

void GVEnsureGeoTopology(GObject* geo) {
  if (!geo) return;
  applyResetMask(geo);
  if (geo->creaseFlags && geo->coincidentLists && geo->vertexToFaceLists2 && geo->vertexToFaceLists &&
      geo->vertexVectors && geo->vertexMinDot)
    return;
  GVAllocGeoTopology(geo);
  GVBuildGeoCoincidentLists(geo);
  GVBuildGeoVertexFaceLists(geo);
  GVCalcGeoFaceNormals(geo);
  GVCalcGeoVertexNormals(geo);
  GVCalcGeoCreaseFlags(geo);
}

void GVBuildGeoCoincidentLists(GObject* geo) {
  if (!geo) return;
  const int32_t nv = geo->vertexCount;
  GVFreeIntListArray(geo->coincidentLists, nv + 1);
  IntList* lists = GVNewIntListArray(nv + 1);
  if (!lists || !GVAppendInt(&lists[0], 0)) {
    GVFreeIntListArray(lists, nv + 1);
    return;
  }
  geo->coincidentLists = lists;
  if (!geo->creaseFlags && !(geo->creaseFlags = GVNewGeoArray<int32_t>(nv + 1))) return;
  if (!geo->vertexVectors) geo->vertexVectors = GVNewGeoArray<GVFloat3>(nv + 1);
  int32_t* flags = geo->creaseFlags;

  const float tol = geo->faceSize * 0.0001f;
  for (int32_t i = 1; i <= nv; ++i) flags[i] &= ~kCreaseScratch;
  int32_t groups = 0;
  if (geo->baseVertices) {
    const GVCloseVertexIndex index(geo->baseVertices, nv, tol, nullptr);
    std::vector<int32_t> partners;
    for (int32_t i = 1; i <= nv; ++i) {
      if (flags[i] & kCreaseScratch) continue;
      index.laterPartners(i, partners);
      IntList* grp = nullptr;
      for (int32_t j : partners) {
        if (flags[j] & kCreaseScratch) continue;
        flags[i] |= kCreaseScratch;
        flags[j] |= kCreaseScratch;
        if (!grp) {
          grp = &lists[++groups];
          GVAppendInt(grp, i);
        }
        GVAppendInt(grp, j);
      }
    }
  }
  lists[0].items[0] = groups;
  for (int32_t i = 1; i <= nv; ++i) flags[i] &= ~kCreaseScratch;
  applyResetMask(geo);
  for (int32_t k = 1; k <= groups; ++k) {
    for (int32_t j = 0; j < lists[k].count; ++j) {
      const int32_t v = lists[k].items[j];
      flags[v] |= kCreaseCoincident | kCreaseCoincidentMerge;
      if (j > 0) flags[v] |= kCreaseCoincidentLater;
    }
  }
}

int32_t GVFindEdgeNeighbourTri(const GObject* geo, const IntList* list, int32_t skip, int32_t a,
                               int32_t b) {
  if (!geo || !list || !geo->triangles) return 0;
  for (int32_t j = 0; j < list->count; ++j) {
    const int32_t f = list->items[j];
    if (f == 0 || f == skip || f < 1 || f > geo->triangleCount) continue;
    if (GVTriHasEdge(geo->triangles[f], a, b)) return f;
  }
  return 0;
}

int32_t GVWalkTriFan(const GObject* geo, int32_t start, const IntList* list, int32_t c, int32_t v) {
  if (!geo || !list || !geo->triangles) return 0;
  int32_t tri = start, q = c;
  // A closed fan comes back within as many steps as v has faces; a walk that
  // has not by then circles in a part of a damaged mesh without c.
  for (int32_t step = 0; step <= list->count; ++step) {
    if (tri < 1 || tri > geo->triangleCount) return 0;
    const int32_t* t = geo->triangles[tri];
    int32_t x = 0;
    for (int k = 0; k < 3; ++k)
      if (t[k] != v && t[k] != q) {
        x = t[k];
        break;
      }
    if (x == c) return c;
    const int32_t nextTri = GVFindEdgeNeighbourTri(geo, list, tri, v, x);
    if (!nextTri) return 0;
    tri = nextTri;
    q = x;
  }
  return 0;
}

const IntList* GVFindSeamGroup(const IntList* lists, int32_t v) {
  if (!lists || lists[0].count < 1 || !lists[0].items) return nullptr;
  for (int32_t k = 1; k <= lists[0].items[0]; ++k)
    for (int32_t j = 0; j < lists[k].count; ++j)
      if (lists[k].items[j] == v) return &lists[k];
  return nullptr;
}

// Over-shared edges: an edge v-e met by more than two triangles of v's list.
static void markOverShared(GObject* g) {
  int32_t* flags = g->creaseFlags;
  for (int32_t v = 1; v <= g->vertexCount; ++v) {
    const IntList& list = g->vertexToFaceLists[v];
    for (int32_t j = 0; j < list.count; ++j) {
      const int32_t f = list.items[j];
      if (f < 1 || f > g->triangleCount) continue;
      for (int32_t e : g->triangles[f]) {
        if (e == v) continue;
        int32_t later = 0;
        for (int32_t k = j + 1; k < list.count; ++k) {
          const int32_t h = list.items[k];
          if (h >= 1 && h <= g->triangleCount && GVTriHasEdge(g->triangles[h], v, e)) ++later;
        }
        if (later > 1) {
          flags[v] |= kCreaseOverShared;
          if (GVGeoVertexOk(g, e)) flags[e] |= kCreaseOverShared;
        }
      }
    }
  }
}

static void markClosedFans(GObject* g) {
  int32_t* flags = g->creaseFlags;
  for (int32_t v = 1; v <= g->vertexCount; ++v) {
    const IntList& list = g->vertexToFaceLists[v];
    if ((flags[v] & kCreaseOverShared) || list.count < 1) continue;
    const int32_t f = list.items[0];
    // A vertex whose first face is damaged is left without the bit rather
    // than ending the flags of every later vertex.
    if (f < 1 || f > g->triangleCount) continue;
    const int32_t* t = g->triangles[f];
    const int at = t[0] == v ? 0 : (t[1] == v ? 1 : (t[2] == v ? 2 : -1));
    if (at < 0) continue;
    const int32_t c = t[(at + 1) % 3];
    if (c == 0) continue;
    if (GVWalkTriFan(g, f, &list, c, v) == c) flags[v] |= kCreaseClosedFan;
  }
}

void GVBuildGeoVertexFaceLists(GObject* geo) {
  if (!geo || !geo->creaseFlags) return;
  GVDropGeoNormalLists(geo);
  const int32_t nv = geo->vertexCount;
  GVFreeIntListArray(geo->vertexToFaceLists, nv + 1);
  geo->vertexToFaceLists = GVBuildGeoFaceListArray(geo);
  if (!geo->vertexToFaceLists) return;
  for (int32_t i = 1; i <= nv; ++i) geo->creaseFlags[i] &= ~(kCreaseOverShared | kCreaseClosedFan);
  if (geo->triangleCount > 0 && geo->triangles) {
    markOverShared(geo);
    markClosedFans(geo);
  }
  const IntList* groups = geo->coincidentLists;
  if (groups && groups[0].count > 0 && groups[0].items[0] > 0 && geo->vertexVectors)
    GVMergeGeoGroupFaceLists(geo, groups, geo->vertexToFaceLists, kCreaseCoincidentMerge);
  GVBuildGeoVertexFaceWeights(geo);
}

void GVBuildGeoVertexFaceWeights(GObject* geo) {
  if (!geo || !geo->vertexToFaceLists) return;
  GVDropGeoNormalLists(geo);
  GVFreeFloatListArray(geo->vertexToFaceLists2, geo->vertexCount + 1);
  geo->vertexToFaceLists2 = GVNewFloatListArray(geo->vertexCount + 1);
  GVCalcGeoFaceWeights(geo, geo->coincidentLists, geo->vertexToFaceLists, geo->vertexToFaceLists2);
}

void GVCalcGeoCreaseFlags(GObject* geo) {
  if (!geo || !geo->creaseFlags || !geo->vertexVectors || !geo->vertexToFaceLists) return;
  const int32_t nv = geo->vertexCount;
  if (!geo->vertexMinDot && !(geo->vertexMinDot = GVNewGeoArray<float>(nv + 1))) return;
  for (int32_t i = 0; i <= nv; ++i) geo->vertexMinDot[i] = 1.0f;
  const int32_t faces = GVGeoFaceCount(geo);
  for (int32_t i = 1; geo->faceNormals && i <= nv; ++i) {
    const IntList& list = geo->vertexToFaceLists[i];
    for (int32_t j = 0; j < list.count; ++j) {
      const int32_t f = list.items[j];
      if (f < 1 || f > faces) continue;
      const float* n = geo->faceNormals[f];
      if (!(GVVecDot(n, n) > 0.01f)) continue;
      const float d = GVVecDot(geo->vertexVectors[i], n);
      if (d < geo->vertexMinDot[i]) geo->vertexMinDot[i] = d;
    }
  }
  for (int32_t i = 1; i <= nv; ++i) geo->creaseFlags[i] &= ~(kCreaseBelow | kCreaseAbove);
  if (geo->triangleCount < 1 || !geo->triangles || !geo->baseVertices) return;
  for (int32_t t = 1; t <= geo->triangleCount; ++t) {
    const int32_t* c = geo->triangles[t];
    for (int k = 0; k < 3; ++k) {
      const int32_t s = c[k], e = c[(k + 1) % 3];
      if (!GVGeoVertexOk(geo, s) || !GVGeoVertexOk(geo, e)) continue;
      float u[3];
      GVVecSub(u, geo->baseVertices[e], geo->baseVertices[s]);
      GVVecNormalise(u, u);
      const float d = GVVecDot(geo->vertexVectors[s], u);
      if (d > 0.1f)
        geo->creaseFlags[s] |= kCreaseAbove;
      else if (d < -0.1f)
        geo->creaseFlags[s] |= kCreaseBelow;
    }
  }
}
