#include "jel/lattice_tables.h"

#include <cmath>

void GVComputeFaceNormals(const int32_t (*faces)[4], int32_t faceCount, const Vec3f* pos,
                          int32_t nodeCount, Vec3f* out) {
  if (!faces || !pos || !out) return;
  for (int32_t f = 1; f <= faceCount; ++f) {
    const int32_t* c = faces[f];
    bool valid = true;
    for (int k = 0; k < 4; ++k) valid = valid && c[k] >= 1 && c[k] <= nodeCount;
    float n[3] = {0, 0, 0};
    if (valid) {
      const float* a = pos[c[0]];
      const float* b = pos[c[1]];
      const float* cc = pos[c[2]];
      const float* d = pos[c[3]];
      const float u[3] = {d[0] - b[0], d[1] - b[1], d[2] - b[2]};
      const float v[3] = {cc[0] - a[0], cc[1] - a[1], cc[2] - a[2]};
      n[0] = u[1] * v[2] - u[2] * v[1];
      n[1] = u[2] * v[0] - u[0] * v[2];
      n[2] = u[0] * v[1] - u[1] * v[0];
      const float len2 = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
      if (len2 > 0.0f) {
        const float inv = 1.0f / std::sqrt(len2);
        for (float& x : n) x *= inv;
      } else {
        n[0] = n[1] = n[2] = 0.0f;
      }
    }
    for (int k = 0; k < 3; ++k) out[f][k] = n[k];
  }
}
