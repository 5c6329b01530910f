// Per-part point routines over the live state: point arrays moved, turned or
// copied part by part, the inertia and angular state of a part, and the
// displacement and offset snapshots that the fix, orientation and expand
// operations keep in the state's scratch vectors.
#include <cmath>
#include <cstring>

#include "jel/live_state.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"

namespace {

// Calls f(i) for every node of part p.
template <class F>
void forPart(const HAState* s, int32_t part, F f) {
  if (!s || !s->partMask) return;
  const uint32_t bit = 1u << (static_cast<uint32_t>(part) & 31u);
  const uint32_t* mask = s->partMask;
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (mask[i] & bit) f(i);
}

}  // namespace

void GVAddVecToPartPoints(const HAState* state, int32_t part, const Vec3f* in, Vec3f* out, const float v[3]) {
  if (!in || !out || !v) return;
  forPart(state, part, [&](int32_t i) {
    for (int c = 0; c < 3; ++c) out[i][c] = in[i][c] + v[c];
  });
}

void GVSubVecFromPartPoints(const HAState* state, int32_t part, const Vec3f* in, Vec3f* out, const float v[3]) {
  if (!in || !out || !v) return;
  forPart(state, part, [&](int32_t i) {
    for (int c = 0; c < 3; ++c) out[i][c] = in[i][c] - v[c];
  });
}

void GVMulPartPoints(const HAState* state, int32_t part, const Vec3f* in, Vec3f* out, const float M[9]) {
  if (!in || !out || !M) return;
  forPart(state, part, [&](int32_t i) {
    float v[3];
    std::memcpy(v, in[i], sizeof v);
    GVMat3MulVec(out[i], M, v);
  });
}

void GVCopyPartPoints(const HAState* state, int32_t part, const Vec3f* in, Vec3f* out) {
  if (!in || !out) return;
  forPart(state, part, [&](int32_t i) { std::memmove(out[i], in[i], sizeof(Vec3f)); });
}

void GVGetPart1Inertia(const HAState* state, const float c[3], float I[9]) {
  if (!I) return;
  for (int k = 0; k < 9; ++k) I[k] = 0.0f;
  if (!state || !c || !state->pos || !state->mass) return;
  forPart(state, 1, [&](int32_t i) {
    const float m = state->mass[i];
    const float r[3] = {state->pos[i][0] - c[0], state->pos[i][1] - c[1], state->pos[i][2] - c[2]};
    GVInertiaAddPoint(I, m, r);
  });
  GVInertiaSymmetrise(I);
}

void GVAngularSumsFold(AngularSums* into, const AngularSums& s) {
  into->mass += s.mass;
  for (int a = 0; a < 3; ++a) into->l[a] += s.l[a];
  for (int k = 0; k < 9; ++k) into->J[k] += s.J[k];
}

void GVAngularSumsFinish(const AngularSums& s, float L[3], float Jinv[9]) {
  const double scale = s.mass > 0.0 ? 1.0 / s.mass : 1.0;
  float Jf[9];
  for (int k = 0; k < 9; ++k) Jf[k] = static_cast<float>(s.J[k] * scale);
  for (int a = 0; a < 3; ++a) L[a] = static_cast<float>(s.l[a] * scale);
  // A singular J (no node, one node, nodes on a line) cannot tell a rotation:
  // give no rotation rather than J itself or a huge inverse.
  float det = 0.0f;
  GVMat3Inverse(Jf, Jinv, &det);
  const float tr = std::fabs(Jf[0]) + std::fabs(Jf[4]) + std::fabs(Jf[8]);
  const float ref = tr * tr * tr / 27.0f;
  if (!(det > 1e-6f * ref) || !std::isfinite(det))
    for (int k = 0; k < 9; ++k) Jinv[k] = 0.0f;
}

void GVGetPartAngularState(const HAState* state, const Vec3f* d, const Vec3f* r, const Vec3f* q, int32_t part,
                           float L[3], float Jinv[9]) {
  if (L) L[0] = L[1] = L[2] = 0.0f;
  if (!Jinv) return;
  GVMat3Identity(Jinv);
  if (!state || !state->mass || !d || !r || !q || part < 1 || !L) return;
  AngularSums s;
  forPart(state, part, [&](int32_t i) { GVAngularSumsAdd(&s, state->mass[i], d[i], r[i], q[i]); });
  GVAngularSumsFinish(s, L, Jinv);
}

void GVAddPart1Spin(HAState* state, const float omega[3], const float c[3], const float v[3]) {
  if (!state || !omega || !c || !v || !state->disp || !state->pos) return;
  forPart(state, 1, [&](int32_t i) {
    const float r[3] = {state->pos[i][0] - c[0], state->pos[i][1] - c[1], state->pos[i][2] - c[2]};
    float w[3];
    GVVecCross(w, omega, r);
    for (int k = 0; k < 3; ++k) state->disp[i][k] += v[k] + w[k];
  });
}

static void saveDisplacements(HAState* state, int32_t part, int slot) {
  if (!state || !state->disp) return;
  Vec3f* out = state->scratchVec[slot];
  forPart(state, part, [&](int32_t i) { std::memcpy(out[i], state->disp[i], sizeof(Vec3f)); });
}

void GVSavePartDisplacements(HAState* state, int32_t part) { saveDisplacements(state, part, 4); }
void GVSavePart1Displacements(HAState* state) { saveDisplacements(state, 1, 6); }

static void saveOffsets(HAState* state, int32_t part, const float c[3], int savedSlot) {
  if (!state || !c || !state->disp || !state->pos) return;
  Vec3f* s0 = state->scratchVec[0];
  Vec3f* s1 = state->scratchVec[1];
  Vec3f* s2 = state->scratchVec[2];
  const Vec3f* saved = state->scratchVec[savedSlot];
  forPart(state, part, [&](int32_t i) {
    for (int k = 0; k < 3; ++k) {
      s0[i][k] = state->pos[i][k] - c[k];
      s1[i][k] = state->pos[i][k] + state->disp[i][k] - c[k];
      s2[i][k] = state->disp[i][k] - saved[i][k];
    }
  });
}

void GVSavePartOffsets(HAState* state, int32_t part, const float c[3]) { saveOffsets(state, part, c, 4); }
void GVSavePart1Offsets(HAState* state, const float c[3]) { saveOffsets(state, 1, c, 6); }

void GVAddPartRotation(HAState* state, int32_t part, const float omega[3]) {
  if (!state || !omega || !state->disp) return;
  const Vec3f* s1 = state->scratchVec[1];
  forPart(state, part, [&](int32_t i) {
    float w[3];
    GVVecCross(w, omega, s1[i]);
    for (int k = 0; k < 3; ++k) state->disp[i][k] += w[k];
  });
}
