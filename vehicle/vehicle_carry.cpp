#include "vehicle/vehicle_carry.h"

#include "jel/live_state.h"
#include "jel/vector_math.h"

void GVCarryTurn(HAState* const* states, int32_t count, float omega[3]) {
  if (!omega) return;
  omega[0] = omega[1] = omega[2] = 0.0f;
  if (!states) return;
  float L[3] = {0, 0, 0}, I[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int32_t k = 0; k < count; ++k) {
    const HAState* s = states[k];
    if (!s || !s->scratchVec[1] || !s->scratchVec[2]) continue;
    const Vec3f* r = s->scratchVec[1];
    const Vec3f* d = s->scratchVec[2];
    for (int32_t i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, 1)) continue;
      float c[3];
      GVVecCross(c, r[i], d[i]);
      for (int a = 0; a < 3; ++a) L[a] += s->mass[i] * c[a];
      GVInertiaAddPoint(I, s->mass[i], r[i]);
    }
  }
  GVInertiaSymmetrise(I);
  float inv[9], w[3];
  GVMat3Inverse(I, inv, nullptr);
  GVMat3MulVec(w, inv, L);
  for (int a = 0; a < 3; ++a) omega[a] = -w[a];
}
