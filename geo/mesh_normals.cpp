#include "geo/mesh_normals.h"

#include <algorithm>

#include "jel/vector_math.h"
#include "jel/worker_pool.h"

// Items 1..count in pieces, side by side on the pool when there is one and
// more than one piece.
static constexpr int32_t kPiece = kGeoNormalsPiece;

template <class F>
static void inPieces(WorkerPool* pool, int32_t count, F&& body) {
  if (count < 1) return;
  const int32_t pieces = (count + kPiece - 1) / kPiece;
  auto piece = [&](int32_t k) { body(1 + k * kPiece, std::min(count, (k + 1) * kPiece)); };
  if (pool && pieces > 1) {
    pool->run(pieces, piece);
    return;
  }
  for (int32_t k = 0; k < pieces; ++k) piece(k);
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

static void weightedNormals(const GObject* g, const IntList* faces, const FloatList* weights,
                            GVFloat3* out, int32_t first, int32_t last) {
  const int32_t faceCount = g->triangleCount > 0 ? g->triangleCount : g->quadCount;
  for (int32_t i = first; i <= last; ++i) {
    float sum[3] = {0.0f, 0.0f, 0.0f};
    const IntList& list = faces[i];
    const FloatList& w = weights[i];
    for (int32_t j = 0; j < list.count && list.items; ++j) {
      const int32_t f = list.items[j];
      if (f < 1 || f > faceCount) continue;
      // A weight list shorter than its face list reads as zeros.
      const float wj = (w.items && j < w.count) ? w.items[j] : 0.0f;
      sum[0] += wj * g->faceNormals[f][0];
      sum[1] += wj * g->faceNormals[f][1];
      sum[2] += wj * g->faceNormals[f][2];
    }
    GVVecNormalise(sum, out[i]);
  }
}

void GVCalcGeoVertexNormals(GObject* geo, WorkerPool* pool) {
  if (!geo || !geo->faceNormals) return;
  const bool smooth = geo->vertexFaceLists && geo->vertexLists3 && geo->vertexNormals;
  const bool vectors = geo->vertexToFaceLists && geo->vertexToFaceLists2 && geo->vertexVectors;
  inPieces(pool, geo->vertexCount, [geo, smooth, vectors](int32_t first, int32_t last) {
    if (smooth) weightedNormals(geo, geo->vertexFaceLists, geo->vertexLists3, geo->vertexNormals, first, last);
    if (vectors)
      weightedNormals(geo, geo->vertexToFaceLists, geo->vertexToFaceLists2, geo->vertexVectors, first, last);
  });
}
