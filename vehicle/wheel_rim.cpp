#include "vehicle/wheel_rim.h"

#include <initializer_list>
#include <cstring>

#include "jel/live_state.h"
#include "jel/vector_math.h"

namespace {

// Wheels have at least the two hubs of their first half.
constexpr int32_t kSmallestWheel = 18;

bool usable(const HAState* w) { return w && w->pos && w->disp && w->mass && w->nodeCount >= kSmallestWheel; }

void newPos(const HAState* w, int32_t i, float out[3]) {
  for (int k = 0; k < 3; ++k) out[k] = w->pos[i][k] + w->disp[i][k];
}

// Midpoint of the new positions of the hubs a and (when it exists) b; both are
// then set to land on it.
void joinHubs(HAState* w, int32_t a, int32_t b, float out[3]) {
  const bool pair = b <= w->nodeCount;
  float pa[3], pb[3];
  newPos(w, a, pa);
  if (pair) newPos(w, b, pb); else std::memcpy(pb, pa, sizeof pb);
  for (int k = 0; k < 3; ++k) out[k] = 0.5f * (pa[k] + pb[k]);
  for (int k = 0; k < 3; ++k) {
    w->disp[a][k] = out[k] - w->pos[a][k];
    if (pair) w->disp[b][k] = out[k] - w->pos[b][k];
  }
}

}  // namespace

bool GVWheelIsHub(int32_t node, int32_t nodeCount) {
  if (node == 5 || node == 14) return true;
  return nodeCount >= 36 && (node == 23 || node == 32);
}

void GVWheelHubAxlePoints(HAState* w, float a1[3], float a2[3]) {
  if (!usable(w) || !a1 || !a2) return;
  joinHubs(w, 5, 23, a1);
  joinHubs(w, 14, 32, a2);
}

void GVWheelCentreHalves(HAState* w, const float t[3]) {
  if (!usable(w) || !t) return;
  const int32_t half = w->nodeCount / 2;
  for (int32_t first = 1; first <= half + 1; first += half) {
    const int32_t last = first + half - 1;
    double m = 0.0, c[3] = {0.0, 0.0, 0.0};
    for (int32_t i = first; i <= last; ++i) {
      float p[3];
      newPos(w, i, p);
      m += w->mass[i];
      for (int k = 0; k < 3; ++k) c[k] += static_cast<double>(w->mass[i]) * p[k];
    }
    if (!(m > 0.0)) continue;
    float move[3];
    for (int k = 0; k < 3; ++k) move[k] = t[k] - static_cast<float>(c[k] / m);
    for (int32_t i = first; i <= last; ++i)
      for (int k = 0; k < 3; ++k) w->disp[i][k] += move[k];
  }
}

void GVWheelRimAngularVelocity(HAState* w, const float o[3], float omega[3]) {
  if (!omega) return;
  omega[0] = omega[1] = omega[2] = 0.0f;
  if (!usable(w) || !o) return;
  float total = 0.0f;
  w->getPartMass(1, kFrameInStep, &total);
  const float h = 0.5f * total;
  const int32_t half = w->nodeCount / 2;
  float L[3] = {0, 0, 0}, I[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int32_t i = 1; i <= half; ++i) {
    float p[3], q[3], r[3], u[3], c[3];
    newPos(w, i, p);
    newPos(w, i + half, q);
    GVVecSub(r, p, o);
    GVVecSub(u, q, p);
    GVVecCross(c, r, u);
    const float m = w->mass[i];
    for (int k = 0; k < 3; ++k) L[k] += m * c[k];
    GVInertiaAddPoint(I, m, r);
  }
  GVInertiaSymmetrise(I);
  if (h != 0.0f) {
    GVVecScale(L, L, 1.0f / h);
    GVMat3ScaleInPlace(I, 1.0f / h);
  }
  float inv[9];
  GVMat3Inverse(I, inv, nullptr);
  GVMat3MulVec(omega, inv, L);
}

void GVWheelTwistHalves(HAState* w, const float p[3], const float omega[3], float k) {
  if (!usable(w) || !p || !omega) return;
  float t[3];
  GVVecScale(t, omega, 0.5f * k);
  const int32_t n = w->nodeCount, half = n / 2;
  for (int32_t i = 1; i <= 2 * half; ++i) {
    if (GVWheelIsHub(i, n)) continue;
    float x[3], r[3], c[3];
    newPos(w, i, x);
    GVVecSub(r, x, p);
    GVVecCross(c, t, r);
    const float sign = i <= half ? -1.0f : 1.0f;
    for (int a = 0; a < 3; ++a) w->disp[i][a] += sign * c[a];
  }
}

void GVWheelTurnSecondHalf(HAState* w, const float p[3], const float m[9]) {
  if (!usable(w) || !p || !m) return;
  const int32_t n = w->nodeCount, half = n / 2;
  for (int32_t i = half + 1; i <= 2 * half; ++i) {
    float r[3], v[3];
    GVVecSub(r, w->pos[i], p);
    GVMat3MulVec(v, m, r);
    for (int k = 0; k < 3; ++k) w->pos[i][k] = v[k] + p[k];
    GVMat3MulVec(v, m, w->vel[i]);
    std::memcpy(w->vel[i], v, sizeof v);
    if (!w->links || !w->restLinks) continue;
    // The self slot always, the neighbour slots the node has; a node without z
    // links keeps its out-of-plane slots too (they hold its frame whole).
    const bool noZ = w->links[i][5] == 0 && w->links[i][6] == 0;
    for (int k = 0; k < 7; ++k) {
      if (k != 0 && !noZ && w->links[i][k] == 0) continue;
      GVMat3MulVec(v, m, w->restLinks[i][k]);
      std::memcpy(w->restLinks[i][k], v, sizeof v);
    }
  }
}
