#include "geo/mesh_normals.h"

#include <algorithm>
#include <vector>

#include "jel/vector_math.h"
#include "jel/worker_pool.h"

// Items 1..count in pieces, side by side on the pool when there is one.
template <class F>
static void inPieces(WorkerPool* pool, int32_t count, F&& body) {
  GVRunInPieces(pool, count, kGeoNormalsPiece, body);
}

// Normal of the face with corners a, b and last corner l: (l - a) x (b - a),
// normalised; exactly zero length gives zero.
static void faceNormal(const float* a, const float* b, const float* l, float* out) {
  const float e1[3] = {l[0] - a[0], l[1] - a[1], l[2] - a[2]};
  const float e2[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                      e1[0] * e2[1] - e1[1] * e2[0]};
  GVVecNormalise(n, out);
}

static bool cornerOk(const GObject* g, int32_t v) { return v >= 1 && v <= g->vertexCount; }

// Normals of faces first..last whose corners (a, b, l) are corners ia, ib, il.
template <class Corners>
static void faceNormals(GObject* geo, const Corners* corners, int ia, int ib, int il, int32_t first,
                        int32_t last) {
  for (int32_t f = first; f <= last; ++f) {
    const int32_t* c = corners[f];
    float* n = geo->faceNormals[f];
    if (!cornerOk(geo, c[ia]) || !cornerOk(geo, c[ib]) || !cornerOk(geo, c[il])) {
      n[0] = n[1] = n[2] = 0.0f;
      continue;
    }
    faceNormal(geo->vertices[c[ia]], geo->vertices[c[ib]], geo->vertices[c[il]], n);
  }
}

void GVCalcGeoTriNormals(GObject* geo, WorkerPool* pool) {
  if (!geo || !geo->faceNormals || !geo->triangles || !geo->vertices) return;
  inPieces(pool, geo->triangleCount,
           [geo](int32_t first, int32_t last) { faceNormals(geo, geo->triangles, 0, 1, 2, first, last); });
}

void GVCalcGeoQuadNormals(GObject* geo, WorkerPool* pool) {
  if (!geo || !geo->faceNormals || !geo->quads || !geo->vertices) return;
  // Face normals hold the triangles when there are any.
  if (geo->triangleCount > 0) return;
  inPieces(pool, geo->quadCount,
           [geo](int32_t first, int32_t last) { faceNormals(geo, geo->quads, 0, 1, 3, first, last); });
}

void GVCalcGeoFaceNormals(GObject* geo, WorkerPool* pool) {
  if (!geo) return;
  if (geo->triangleCount > 0)
    GVCalcGeoTriNormals(geo, pool);
  else if (geo->quadCount > 0)
    GVCalcGeoQuadNormals(geo, pool);
}

// One vertex's face and its weight, a weight missing from a short weight list
// already read as zero. Entries naming no face are left out: the sums skip them.
struct WeightedFace {
  int32_t face;
  float weight;
};

// Face lists of vertices 1..n one after another: vertex i's entries are
// entries[start[i]] up to entries[start[i + 1]].
struct FlatFaceLists {
  std::vector<int32_t> start;
  std::vector<WeightedFace> entries;

  void build(const IntList* faces, const FloatList* weights, int32_t n, int32_t faceCount) {
    start.assign(size_t(n) + 2, 0);
    size_t total = 0;
    for (int32_t i = 1; i <= n; ++i) total += faces[i].items ? size_t(std::max(0, faces[i].count)) : 0;
    entries.clear();
    entries.reserve(total);
    for (int32_t i = 1; i <= n; ++i) {
      start[i] = int32_t(entries.size());
      const IntList& list = faces[i];
      const FloatList& w = weights[i];
      for (int32_t j = 0; j < list.count && list.items; ++j) {
        const int32_t f = list.items[j];
        if (f >= 1 && f <= faceCount) entries.push_back({f, (w.items && j < w.count) ? w.items[j] : 0.0f});
      }
    }
    start[size_t(n) + 1] = int32_t(entries.size());
  }
};

struct GeoNormalLists {
  // The arrays the copy was made from.
  const IntList* smoothFaces = nullptr;
  const FloatList* smoothWeights = nullptr;
  const IntList* vectorFaces = nullptr;
  const FloatList* vectorWeights = nullptr;
  int32_t vertexCount = 0;
  int32_t faceCount = 0;
  FlatFaceLists smooth, vectors;
};

void GVDropGeoNormalLists(GObject* geo) {
  if (!geo) return;
  delete geo->normalLists;
  geo->normalLists = nullptr;
}

static int32_t faceCountOf(const GObject* g) { return g->triangleCount > 0 ? g->triangleCount : g->quadCount; }

// The flat copy of the lists the pass reads, made again when the Geo holds
// other arrays or counts than those it was made from.
static const GeoNormalLists& normalLists(GObject* g, bool smooth, bool vectors) {
  GeoNormalLists* c = g->normalLists;
  const IntList* sf = smooth ? g->vertexFaceLists : nullptr;
  const FloatList* sw = smooth ? g->vertexLists3 : nullptr;
  const IntList* vf = vectors ? g->vertexToFaceLists : nullptr;
  const FloatList* vw = vectors ? g->vertexToFaceLists2 : nullptr;
  if (c && c->smoothFaces == sf && c->smoothWeights == sw && c->vectorFaces == vf && c->vectorWeights == vw &&
      c->vertexCount == g->vertexCount && c->faceCount == faceCountOf(g))
    return *c;
  if (!c) c = g->normalLists = new GeoNormalLists;
  c->smoothFaces = sf;
  c->smoothWeights = sw;
  c->vectorFaces = vf;
  c->vectorWeights = vw;
  c->vertexCount = g->vertexCount;
  c->faceCount = faceCountOf(g);
  c->smooth = {};
  c->vectors = {};
  if (smooth) c->smooth.build(sf, sw, g->vertexCount, c->faceCount);
  if (vectors) c->vectors.build(vf, vw, g->vertexCount, c->faceCount);
  return *c;
}

// sum += weight * the entry's face normal.
static inline void addWeighted(float* sum, const WeightedFace& e, const GVFloat3* normals) {
  const float* n = normals[e.face];
  sum[0] += e.weight * n[0];
  sum[1] += e.weight * n[1];
  sum[2] += e.weight * n[2];
}

// Vertices are summed two at a time, each in its own list order, so that the
// two chains of additions overlap.
static void weightedNormals(const GObject* g, const FlatFaceLists& lists, GVFloat3* out, int32_t first,
                            int32_t last) {
  const GVFloat3* normals = g->faceNormals;
  const int32_t* start = lists.start.data();
  const WeightedFace* e = lists.entries.data();
  int32_t i = first;
  for (; i < last; i += 2) {
    float a[3] = {0.0f, 0.0f, 0.0f}, b[3] = {0.0f, 0.0f, 0.0f};
    int32_t ka = start[i], kb = start[i + 1];
    const int32_t endA = start[i + 1], endB = start[i + 2];
    for (; ka < endA && kb < endB; ++ka, ++kb) {
      addWeighted(a, e[ka], normals);
      addWeighted(b, e[kb], normals);
    }
    for (; ka < endA; ++ka) addWeighted(a, e[ka], normals);
    for (; kb < endB; ++kb) addWeighted(b, e[kb], normals);
    GVVecNormalise(a, out[i]);
    GVVecNormalise(b, out[i + 1]);
  }
  if (i == last) {
    float a[3] = {0.0f, 0.0f, 0.0f};
    for (int32_t k = start[i]; k < start[i + 1]; ++k) addWeighted(a, e[k], normals);
    GVVecNormalise(a, out[i]);
  }
}

void GVCalcGeoVertexNormals(GObject* geo, WorkerPool* pool) {
  if (!geo || !geo->faceNormals) return;
  const bool smooth = geo->vertexFaceLists && geo->vertexLists3 && geo->vertexNormals;
  const bool vectors = geo->vertexToFaceLists && geo->vertexToFaceLists2 && geo->vertexVectors;
  if (!smooth && !vectors) return;
  const GeoNormalLists& lists = normalLists(geo, smooth, vectors);
  inPieces(pool, geo->vertexCount, [geo, smooth, vectors, &lists](int32_t first, int32_t last) {
    if (smooth) weightedNormals(geo, lists.smooth, geo->vertexNormals, first, last);
    if (vectors) weightedNormals(geo, lists.vectors, geo->vertexVectors, first, last);
  });
}
