#include "geo/mesh_bounds.h"

static int boundsOf(const GVFloat3* v, int32_t n, float* box) {
  if (!box) return 0;
  box[0] = box[2] = box[4] = 9e30f;
  box[1] = box[3] = box[5] = -9e30f;
  if (!v || n < 1) return 0;
  for (int32_t i = 1; i <= n; ++i) {
    for (int a = 0; a < 3; ++a) {
      if (v[i][a] < box[2 * a]) box[2 * a] = v[i][a];
      if (v[i][a] > box[2 * a + 1]) box[2 * a + 1] = v[i][a];
    }
  }
  return 1;
}

int GVGetGeoBounds(const GObject* geo, float* box) {
  return boundsOf(geo ? geo->vertices : nullptr, geo ? geo->vertexCount : 0, box);
}

int GVGetGeoBaseBounds(const GObject* geo, float* box) {
  return boundsOf(geo ? geo->baseVertices : nullptr, geo ? geo->vertexCount : 0, box);
}
