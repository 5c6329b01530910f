#include "geo/mesh_derived.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geo/geo_attach.h"
#include "geo/geo_transform.h"
#include "geo/mesh_bounds.h"
#include "geo/mesh_normals.h"
#include "geo/mesh_topology.h"
#include "geo/uv_sets.h"
#include "geo/vertex_proximity.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"

float* GVSetGeoVertex(int32_t i, GObject* geo, float x, float y, float z) {
  if (!geo || i < 0 || i > geo->vertexCount || !geo->baseVertices || !geo->vertices) return nullptr;
  float* b = geo->baseVertices[i];
  b[0] = x;
  b[1] = y;
  b[2] = z;
  GVVec3Copy(geo->vertices[i], b);
  return b;
}

int32_t GVGeoFaceCount(const GObject* geo) {
  if (!geo) return 0;
  return geo->triangleCount > 0 ? geo->triangleCount : geo->quadCount;
}

// Lists of the faces around each vertex: triangles first, then quads.
static IntList* buildFaceLists(const GObject* g) {
  IntList* lists = GVNewIntListArray(g->vertexCount + 1);
  if (!lists) return nullptr;
  // Count first so every list is allocated once.
  std::vector<int32_t> counts(static_cast<size_t>(g->vertexCount) + 1, 0);
  for (int32_t t = 1; g->triangles && t <= g->triangleCount; ++t)
    for (int32_t c : g->triangles[t])
      if (GVGeoVertexOk(g, c)) ++counts[c];
  for (int32_t q = 1; g->quads && q <= g->quadCount; ++q)
    for (int32_t c : g->quads[q])
      if (GVGeoVertexOk(g, c)) ++counts[c];
  for (int32_t v = 1; v <= g->vertexCount; ++v) {
    if (counts[v] && !(lists[v].items = GVNewGeoArray<int32_t>(counts[v]))) {
      GVFreeIntListArray(lists, g->vertexCount + 1);
      return nullptr;
    }
  }
  for (int32_t t = 1; g->triangles && t <= g->triangleCount; ++t)
    for (int32_t c : g->triangles[t])
      if (GVGeoVertexOk(g, c)) lists[c].items[lists[c].count++] = t;
  for (int32_t q = 1; g->quads && q <= g->quadCount; ++q)
    for (int32_t c : g->quads[q])
      if (GVGeoVertexOk(g, c)) lists[c].items[lists[c].count++] = q;
  return lists;
}

IntList* GVBuildGeoFaceListArray(const GObject* geo) { return geo ? buildFaceLists(geo) : nullptr; }

void GVMergeGeoGroupFaceLists(GObject* g, const IntList* groups, IntList* faceLists, int32_t memberBit) {
  GVDropGeoNormalLists(g);
  if (!g || !groups || !faceLists || !g->creaseFlags || groups[0].count < 1) return;
  // Marks are indexed by face number; with both face kinds present the larger
  // count bounds every index.
  const int32_t marks = std::max(g->triangleCount, g->quadCount);
  if (marks < 1) return;
  std::vector<uint8_t> mark(static_cast<size_t>(marks) + 1, 0);
  const int32_t groupCount = std::min(groups[0].items ? groups[0].items[0] : 0, g->vertexCount);
  for (int32_t k = 1; k <= groupCount; ++k) {
    const IntList& grp = groups[k];
    if (grp.count < 2 || !GVGeoVertexOk(g, grp.items[0])) continue;
    const int32_t m0 = grp.items[0];
    if (!(g->creaseFlags[m0] & memberBit)) continue;
    IntList& merged = faceLists[m0];
    for (int32_t j = 0; j < merged.count; ++j)
      if (merged.items[j] >= 0 && merged.items[j] <= marks) mark[merged.items[j]] = 1;
    for (int32_t n = 1; n < grp.count; ++n) {
      const int32_t m = grp.items[n];
      if (!GVGeoVertexOk(g, m) || !(g->creaseFlags[m] & memberBit)) continue;
      const IntList& other = faceLists[m];
      for (int32_t j = 0; j < other.count; ++j) {
        const int32_t f = other.items[j];
        if (f < 0 || f > marks || mark[f]) continue;
        mark[f] = 1;
        GVAppendInt(&merged, f);
      }
    }
    for (int32_t n = 1; n < grp.count; ++n)
      if (GVGeoVertexOk(g, grp.items[n]) && grp.items[n] != m0) GVCopyIntList(&faceLists[grp.items[n]], &merged);
    for (int32_t j = 0; j < merged.count; ++j)
      if (merged.items[j] >= 0 && merged.items[j] <= marks) mark[merged.items[j]] = 0;
  }
}

// --- seam lists ---

// Vertices named by the corner entries of flagged UV sets (other than the
// first); empty when no set is flagged or none names a vertex.
static std::vector<uint8_t> seamRestriction(const GObject* g) {
  std::vector<uint8_t> marked;
  const UVSetArray* sets = g->uvSets;
  if (!GVGeoHasFlaggedUVSet(sets)) return marked;
  marked.assign(static_cast<size_t>(g->vertexCount) + 1, 0);
  bool any = false;
  for (int32_t k = 1; k < sets->count; ++k) {
    const UVSet& s = sets->sets[k];
    if (!(s.setBits & kUVSetFlagged) || !s.uvCorners) continue;
    for (int32_t i = 1; i <= s.uvCount; ++i) {
      const int32_t v = s.uvCorners[i].vertex;
      if (v != 0 && GVGeoVertexOk(g, v)) marked[v] = any = 1;
    }
  }
  if (!any) marked.clear();
  return marked;
}

void GVBuildGeoSeamLists(GObject* geo) {
  if (!geo) return;
  const int32_t nv = geo->vertexCount;
  GVFreeIntListArray(geo->seamLists, nv + 1);
  if (!geo->creaseFlags && !(geo->creaseFlags = GVNewGeoArray<int32_t>(nv + 1))) return;
  for (int32_t i = 1; i <= nv; ++i) geo->creaseFlags[i] &= ~kCreaseSeam;
  if (!(geo->flags & GEO_FLAG_SEAM_LISTS)) return;
  IntList* lists = GVNewIntListArray(nv + 1);
  if (!lists || !GVAppendInt(&lists[0], 0)) {
    GVFreeIntListArray(lists, nv + 1);
    return;
  }
  geo->seamLists = lists;
  // The scratch bit of the restriction is not left behind.
  for (int32_t i = 1; i <= nv; ++i) geo->creaseFlags[i] &= ~kCreaseSeamScratch;

  const float tol = geo->faceSize * 0.0001f;
  const std::vector<uint8_t> restrict = seamRestriction(geo);
  const uint8_t* include = restrict.empty() ? nullptr : restrict.data();
  const GVCloseVertexIndex index(geo->baseVertices, geo->baseVertices ? nv : 0, tol, include);
  int32_t groups = 0;
  std::vector<int32_t> partners;
  for (int32_t i = 1; i <= nv && geo->baseVertices; ++i) {
    if (include && !include[i]) continue;
    index.laterPartners(i, partners);
    if (partners.empty()) continue;
    IntList& grp = lists[++groups];
    if (!GVResizeIntList(&grp, static_cast<int32_t>(partners.size()) + 1)) break;
    grp.items[0] = i;
    std::copy(partners.begin(), partners.end(), grp.items + 1);
  }
  lists[0].items[0] = groups;
  if (groups > 0)
    geo->flags |= GEO_FLAG_SEAM_LISTS;
  else
    geo->flags &= ~GEO_FLAG_SEAM_LISTS;
  for (int32_t k = 1; k <= groups; ++k)
    for (int32_t j = 0; j < lists[k].count; ++j) geo->creaseFlags[lists[k].items[j]] |= kCreaseSeam;
}

// --- smooth face lists and weights ---

void GVBuildGeoSmoothFaceLists(GObject* geo) {
  if (!geo || !geo->creaseFlags) return;
  GVDropGeoNormalLists(geo);
  GVFreeIntListArray(geo->vertexFaceLists, geo->vertexCount + 1);
  geo->vertexFaceLists = buildFaceLists(geo);
  if (!geo->vertexFaceLists) return;
  if ((geo->flags & GEO_FLAG_SEAM_LISTS) && geo->seamLists) {
    if (GVGeoFaceCount(geo) == 0) return;
    GVMergeGeoGroupFaceLists(geo, geo->seamLists, geo->vertexFaceLists, kCreaseSeam);
  }
  GVBuildGeoFaceWeights(geo);
}

void GVBuildGeoFaceWeights(GObject* geo) {
  if (!geo) return;
  if (!geo->vertexFaceLists) {
    GVBuildGeoSmoothFaceLists(geo);  // builds the weights too
    return;
  }
  GVDropGeoNormalLists(geo);
  GVFreeFloatListArray(geo->vertexLists3, geo->vertexCount + 1);
  geo->vertexLists3 = GVNewFloatListArray(geo->vertexCount + 1);
  GVCalcGeoFaceWeights(geo, geo->seamLists, geo->vertexFaceLists, geo->vertexLists3);
}

int32_t GVFindSeamPartnerCorner(const IntList* group, const GObject* geo, int32_t face, int32_t v) {
  if (!geo || !geo->triangles || face < 1 || face > geo->triangleCount) return 0;
  const int32_t* t = geo->triangles[face];
  auto isCorner = [&](int32_t x) { return x == t[0] || x == t[1] || x == t[2]; };
  if (isCorner(v)) return v;
  if (!group || !group->items) return 0;
  for (int32_t j = 0; j < group->count; ++j) {
    const int32_t m = group->items[j];
    if (m != v && isCorner(m)) return m;
  }
  return 0;
}

// For each vertex, the first group (1..G) holding it, 0 for none: looked up
// once so that the weights never scan every group per vertex.
static std::vector<int32_t> firstGroupOf(const IntList* groups, int32_t nv) {
  std::vector<int32_t> at(static_cast<size_t>(nv) + 1, 0);
  if (!groups || groups[0].count < 1 || !groups[0].items) return at;
  const int32_t count = std::min(groups[0].items[0], nv);
  for (int32_t k = 1; k <= count; ++k)
    for (int32_t j = 0; j < groups[k].count; ++j) {
      const int32_t v = groups[k].items[j];
      if (v >= 1 && v <= nv && at[v] == 0) at[v] = k;
    }
  return at;
}

static float cornerAngle(const float* c, const float* p, const float* q) {
  float e1[3], e2[3];
  GVVecSub(e1, p, c);
  GVVecSub(e2, q, c);
  GVVecNormalise(e1, e1);
  GVVecNormalise(e2, e2);
  float d = GVVecDot(e1, e2);
  d = std::max(-1.0f, std::min(1.0f, d));
  return std::acos(d);
}

void GVCalcGeoFaceWeights(GObject* geo, const IntList* groups, const IntList* faceLists,
                          FloatList* weights) {
  GVDropGeoNormalLists(geo);
  if (!geo || !faceLists || !weights) return;
  const int32_t nv = geo->vertexCount;
  const std::vector<int32_t> groupAt =
      geo->triangleCount > 0 ? firstGroupOf(groups, nv) : std::vector<int32_t>();
  for (int32_t v = 1; v <= nv; ++v) {
    GVFreeFloatList(&weights[v]);
    const IntList& faces = faceLists[v];
    if (faces.count < 1) continue;
    if (!GVResizeFloatList(&weights[v], faces.count)) continue;
    float* w = weights[v].items;
    if (geo->triangleCount > 0) {
      if (!geo->baseVertices || !geo->triangles) return;
      const IntList* grp = groupAt[v] ? &groups[groupAt[v]] : nullptr;
      float sum = 0.0f;
      for (int32_t j = 0; j < faces.count; ++j) {
        const int32_t f = faces.items[j];
        if (f < 1 || f > geo->triangleCount) continue;  // weight stays 0
        const int32_t* t = geo->triangles[f];
        int32_t c = (t[0] == v || t[1] == v || t[2] == v) ? v : 0;
        if (!c) c = GVFindSeamPartnerCorner(grp, geo, f, v);
        // A face reached through no partner keeps weight 0 instead of ending
        // the weights of every later vertex.
        if (!c) continue;
        const int at = t[0] == c ? 0 : (t[1] == c ? 1 : 2);
        const int32_t p = t[(at + 1) % 3], q = t[(at + 2) % 3];
        if (!GVGeoVertexOk(geo, p) || !GVGeoVertexOk(geo, q)) continue;
        w[j] = cornerAngle(geo->baseVertices[c], geo->baseVertices[p], geo->baseVertices[q]);
        sum += w[j];
      }
      if (sum != 0.0f)
        for (int32_t j = 0; j < faces.count; ++j) w[j] /= sum;
    } else if (geo->quadCount > 0) {
      for (int32_t j = 0; j < faces.count; ++j) w[j] = 1.0f / static_cast<float>(faces.count);
    }
  }
}

// --- render normals and face size ---

void GVAllocGeoTriVectors(GObject* geo) {
  if (!geo || geo->triangleVectors) return;
  const int32_t n = GVGeoFaceCount(geo);
  if (n > 0) geo->triangleVectors = GVNewGeoArray<GVFloat3>(n + 1);
}

void GVCalcGeoRenderNormals(GObject* geo) {
  if (!geo || !geo->triangleVectors || geo->vertexCount < 1) return;
  if (!geo->renderNormals && !(geo->renderNormals = GVNewGeoArray<GVFloat3>(geo->vertexCount + 1)))
    return;
  GVFloat3* out = geo->renderNormals;
  for (int32_t i = 0; i <= geo->vertexCount; ++i) out[i][0] = out[i][1] = out[i][2] = 0.0f;
  // The render vectors have one entry per face of the Geo's face kind.
  const int32_t entries = GVGeoFaceCount(geo);
  auto add = [&](int32_t v, const float* d) {
    if (!GVGeoVertexOk(geo, v)) return;
    out[v][0] += d[0];
    out[v][1] += d[1];
    out[v][2] += d[2];
  };
  for (int32_t t = 1; geo->triangles && t <= geo->triangleCount && t <= entries; ++t)
    for (int32_t c : geo->triangles[t]) add(c, geo->triangleVectors[t]);
  for (int32_t q = 1; geo->quads && q <= geo->quadCount && q <= entries; ++q)
    for (int32_t c : geo->quads[q]) add(c, geo->triangleVectors[q]);
  for (int32_t i = 1; i <= geo->vertexCount; ++i) GVVecNormalise(out[i], out[i]);
}

float GVCalcGeoFaceSize(GObject* geo) {
  if (!geo) return 0.0f;
  float best = 0.0f;
  const GVFloat3* v = geo->vertices;
  auto consider = [&](const int32_t* corners, int n, float k) {
    float c[3] = {0.0f, 0.0f, 0.0f};
    for (int i = 0; i < n; ++i) {
      if (!GVGeoVertexOk(geo, corners[i])) return;
      for (int a = 0; a < 3; ++a) c[a] += v[corners[i]][a];
    }
    for (float& x : c) x *= k;
    for (int i = 0; i < n; ++i) {
      const float* p = v[corners[i]];
      const float d = (p[0] - c[0]) * (p[0] - c[0]) + (p[1] - c[1]) * (p[1] - c[1]) +
                      (p[2] - c[2]) * (p[2] - c[2]);
      if (d > best) best = d;
    }
  };
  if (v) {
    for (int32_t t = 1; geo->triangles && t <= geo->triangleCount; ++t)
      consider(geo->triangles[t], 3, 0.3333f);
    for (int32_t q = 1; geo->quads && q <= geo->quadCount; ++q) consider(geo->quads[q], 4, 0.25f);
  }
  geo->faceSize = std::sqrt(best) * 0.75f;
  return geo->faceSize;
}

void GVRebuildGeo(GObject* geo) {
  if (!geo) return;
  GVApplyGeoTransform(geo, GEO_SEL_START);
  GVCalcGeoFaceSize(geo);
  GVBuildGeoSeamLists(geo);
  GVBuildGeoSmoothFaceLists(geo);
  GVCalcGeoFaceNormals(geo);
  GVCalcGeoVertexNormals(geo);
  GVBuildGeoCoincidentLists(geo);
  GVBuildGeoVertexFaceLists(geo);
  // The crease flags compare each vertex normal over the fresh vertex-to-face
  // lists with its faces: those normals must come from the lists just built.
  GVCalcGeoVertexNormals(geo);
  GVCalcGeoCreaseFlags(geo);
}

// --- grid dimensions and distances ---

int32_t GVCalcGridDims(const float* box, int32_t n, int32_t a, LatticeDims* out) {
  if (!out) return 0;
  out->cellSize = 0.0f;
  out->maxIndex[0] = out->maxIndex[1] = out->maxIndex[2] = 0;
  out->scale[0] = out->scale[1] = out->scale[2] = 1.0f;
  if (!box || n < 2 || a < 1 || a > 4) return 0;
  const float ext[3] = {box[1] - box[0], box[3] - box[2], box[5] - box[4]};
  const float len = a == 4 ? std::max(ext[0], std::max(ext[1], ext[2])) : ext[a - 1];
  float s = len / static_cast<float>(n - 1);
  if (!(s >= 0.01f) || !std::isfinite(s)) s = 0.01f;
  out->cellSize = s;
  static const int32_t kMinNodes[3] = {2, 2, 1};
  for (int k = 0; k < 3; ++k) {
    const float x = ext[k] / s;
    // A box larger than any lattice stops at the largest count a Jel holds.
    const float fl = std::isfinite(x) ? std::min(std::max(std::floor(x), -1.0f), 1.0e6f) : 0.0f;
    int32_t nodes = static_cast<int32_t>(fl) + (x - fl > 0.2f ? 1 : 0) + 1;
    out->maxIndex[k] = std::max(nodes, kMinNodes[k]);
  }
  return out->maxIndex[2];
}

void GVGeoVertexDistanceRange(int32_t selector, const float* p, const GObject* geo, float* minSq,
                              float* maxSq) {
  float lo = 9e10f, hi = 1e-10f;
  if (p && geo && (selector == GEO_SEL_RESET_BOUND || selector == GEO_SEL_FRAME)) {
    const GVFloat3* src = selector == GEO_SEL_RESET_BOUND ? geo->vertices : geo->baseVertices;
    for (int32_t i = 1; src && i <= geo->vertexCount; ++i) {
      float q[3];
      if (selector == GEO_SEL_FRAME)
        GVTransformGeoPoint(geo, src[i], GEO_SEL_FRAME, q);
      else
        GVVec3Copy(q, src[i]);
      const float d = (q[0] - p[0]) * (q[0] - p[0]) + (q[1] - p[1]) * (q[1] - p[1]) +
                      (q[2] - p[2]) * (q[2] - p[2]);
      lo = std::min(lo, d);
      hi = std::max(hi, d);
    }
  }
  if (minSq) *minSq = lo;
  if (maxSq) *maxSq = hi;
}

// --- ids ---

template <typename Fn>
static void eachJelIdWord(GObject* g, bool withAttach, Fn fn) {
  fn(g->jelId);
  if (withAttach && g->attach && g->attach->type != 0) {
    fn(g->attach->jelStart);
    fn(g->attach->jelEnd);
  }
  if (g->cellBind) fn(g->cellBind->jelId);
  if (g->cellBind2) fn(g->cellBind2->jelId);
  for (int32_t i = 0; g->vertBinds && i <= g->vertexCount; ++i) fn(g->vertBinds[i].jelId);
  for (int32_t i = 0; g->vertBinds2 && i <= g->vertexCount; ++i) fn(g->vertBinds2[i].jelId);
}

// Ids move by whole-word arithmetic: a file's ids are checked before they
// move, and a word that would pass the largest int never traps.
static int32_t shifted(int32_t id, int32_t offset) {
  return static_cast<int32_t>(static_cast<uint32_t>(id) + static_cast<uint32_t>(offset));
}

void GVShiftGeoIds(GObject* geo, int32_t offset) {
  if (!geo) return;
  geo->id = shifted(geo->id, offset);
  if (geo->attach && geo->attach->type != 0) {
    for (int32_t* w : {&geo->attach->geo0, &geo->attach->geoZ, &geo->attach->jelStart, &geo->attach->jelEnd})
      if (*w != 0) *w = shifted(*w, offset);
  }
  eachJelIdWord(geo, false, [&](int32_t& id) {
    if (id > 0) id = shifted(id, offset);
  });
}

int32_t GVGeoLargestJelRef(const GObject* geo) {
  int32_t top = 0;
  if (geo)
    eachJelIdWord(const_cast<GObject*>(geo), true, [&](int32_t& id) {
      if (id > top) top = id;
    });
  return top;
}

void GVReplaceGeoJelId(GObject* geo, int32_t oldId, int32_t newId) {
  if (!geo || oldId < 1) return;
  eachJelIdWord(geo, true, [&](int32_t& id) {
    if (id == oldId) id = newId;
  });
}

void GVRenumberGeoJelIds(GObject* geo, int32_t count, const int32_t* ids) {
  if (!geo) return;
  eachJelIdWord(geo, false, [&](int32_t& id) {
    if (id > 0) id = GVIdTablePosition(id, count, ids);
  });
  GVAttachRemapWord3(geo->attach, count, ids);
}

int32_t GVGeoVertexIsBound(int32_t i, const GObject* geo) {
  if (!geo || !geo->vertexFlags || i < 0 || i > geo->vertexCount) return 0;
  return geo->vertexFlags[i] & GEO_VERTEX_BOUND;
}
