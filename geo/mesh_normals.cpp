#include "geo/mesh_normals.h"

#include "jel/vector_math.h"

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

void GVCalcGeoTriNormals(GObject* geo) {
  if (!geo || !geo->faceNormals || !geo->triangles || !geo->vertices) return;
  for (int32_t t = 1; t <= geo->triangleCount; ++t) {
    const int32_t* c = geo->triangles[t];
    float* n = geo->faceNormals[t];
    if (!cornerOk(geo, c[0]) || !cornerOk(geo, c[1]) || !cornerOk(geo, c[2])) {
      n[0] = n[1] = n[2] = 0.0f;
      continue;
    }
    faceNormal(geo->vertices[c[0]], geo->vertices[c[1]], geo->vertices[c[2]], n);
  }
}

void GVCalcGeoQuadNormals(GObject* geo) {
  if (!geo || !geo->faceNormals || !geo->quads || !geo->vertices) return;
  // Face normals hold the triangles when there are any.
  if (geo->triangleCount > 0) return;
  for (int32_t q = 1; q <= geo->quadCount; ++q) {
    const int32_t* c = geo->quads[q];
    float* n = geo->faceNormals[q];
    if (!cornerOk(geo, c[0]) || !cornerOk(geo, c[1]) || !cornerOk(geo, c[3])) {
      n[0] = n[1] = n[2] = 0.0f;
      continue;
    }
    faceNormal(geo->vertices[c[0]], geo->vertices[c[1]], geo->vertices[c[3]], n);
  }
}

void GVCalcGeoFaceNormals(GObject* geo) {
  if (!geo) return;
  if (geo->triangleCount > 0)
    GVCalcGeoTriNormals(geo);
  else if (geo->quadCount > 0)
    GVCalcGeoQuadNormals(geo);
}

static void weightedNormals(const GObject* g, const IntList* faces, const FloatList* weights,
                            GVFloat3* out) {
  const int32_t faceCount = g->triangleCount > 0 ? g->triangleCount : g->quadCount;
  for (int32_t i = 1; i <= g->vertexCount; ++i) {
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

void GVCalcGeoVertexNormals(GObject* geo) {
  if (!geo || !geo->faceNormals) return;
  if (geo->vertexFaceLists && geo->vertexLists3 && geo->vertexNormals)
    weightedNormals(geo, geo->vertexFaceLists, geo->vertexLists3, geo->vertexNormals);
  if (geo->vertexToFaceLists && geo->vertexToFaceLists2 && geo->vertexVectors)
    weightedNormals(geo, geo->vertexToFaceLists, geo->vertexToFaceLists2, geo->vertexVectors);
}
