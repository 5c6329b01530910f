#include "dynamics/rigid_parts.h"

#include <cmath>
#include <cstring>

#include "dynamics/group_ops.h"
#include "jel/chan_data.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

namespace {

constexpr uint32_t kOwnerRigidCurrent = 0x10;  // the rigid pose was set in the recorded frame
constexpr uint32_t kOwnerNoRigidFlag = 0x08;
constexpr int32_t kCollRigid = 0x10;

bool finiteMat(const float* m) {
  for (int k = 0; k < 9; ++k)
    if (!std::isfinite(m[k])) return false;
  return true;
}

void cross(const float* a, const float* b, float* out) {
  const float x = a[1] * b[2] - a[2] * b[1];
  const float y = a[2] * b[0] - a[0] * b[2];
  const float z = a[0] * b[1] - a[1] * b[0];
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

float* rotVec(HAState* s, int32_t part) { return s->impulseTable[static_cast<uint32_t>(part) & 31u]; }

// R(w) applied after R: the rotation vector of the product goes into rot.
void composeTurn(const float w[3], const float R[9], float rot[3]) {
  float Rw[9], P[9];
  GVMat3FromRotVector(w, Rw);
  GVMat3Mul(P, R, Rw);
  float out[3];
  GVRotVectorFromMat3(P, out);
  if (std::isfinite(out[0]) && std::isfinite(out[1]) && std::isfinite(out[2])) std::memcpy(rot, out, sizeof out);
}

bool hasShape(const HAState* s, int32_t part) {
  return part >= 1 && part <= 31 && s->partRefStores[2] && GVChanVec3s(s->partRefStores[2], part);
}

}  // namespace

void GVInvertPartFrame(const float K[9], float out[9]) {
  std::memset(out, 0, sizeof(float) * 9);
  if (!K || !finiteMat(K)) return;
  const float size = (std::fabs(K[0]) + std::fabs(K[4]) + std::fabs(K[8])) / 3.0f;
  if (!(size > 1e-20f)) return;
  const float ref = size * size * size;
  float det = 0.0f;
  GVMat3Inverse(K, out, &det);
  if (det > 1e-5f * ref && finiteMat(out)) return;
  // Nearly singular: the directions it cannot tell get (almost) no response.
  float reg[9];
  std::memcpy(reg, K, sizeof reg);
  const float eps = 1e-3f * size;
  reg[0] += eps;
  reg[4] += eps;
  reg[8] += eps;
  GVMat3Inverse(reg, out, &det);
  if (!(det > 1e-9f * ref) || !finiteMat(out)) std::memset(out, 0, sizeof(float) * 9);
}

void GVAddPartSums(const HAState* s, int32_t part, PartSums* sums) {
  if (!s || !sums || !s->mass || !s->pos) return;
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    const double m = s->mass[i];
    sums->mass += m;
    for (int k = 0; k < 3; ++k) {
      sums->pos[k] += m * s->pos[i][k];
      if (s->disp) sums->disp[k] += m * s->disp[i][k];
    }
  }
}

void GVPartSumsMeans(const PartSums& sums, float centre[3], float meanDisp[3]) {
  const double f = sums.mass != 0.0 ? 1.0 / sums.mass : 0.0;
  for (int k = 0; k < 3; ++k) {
    centre[k] = static_cast<float>(sums.pos[k] * f);
    meanDisp[k] = static_cast<float>(sums.disp[k] * f);
  }
}

void GVFillRigidWork(HAState* s, int32_t part, const float R[9], const float c[3]) {
  if (!s || !s->pos || !s->disp) return;
  Vec3f* r = s->rigidWork[0];
  Vec3f* sv = s->rigidWork[1];
  Vec3f* q = s->rigidWork[2];
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    GVMat3MulVec(r[i], R, s->restOffset[i]);
    for (int k = 0; k < 3; ++k) {
      sv[i][k] = s->pos[i][k] - c[k];
      q[i][k] = r[i][k] - s->disp[i][k];
    }
  }
}

void GVAddRigidFrameSums(const HAState* s, int32_t part, double K[9], double v[3]) {
  if (!s || !s->mass) return;
  const Vec3f* r = s->rigidWork[0];
  const Vec3f* sv = s->rigidWork[1];
  const Vec3f* q = s->rigidWork[2];
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    const double m = s->mass[i];
    const double rs = r[i][0] * sv[i][0] + r[i][1] * sv[i][1] + r[i][2] * sv[i][2];
    float t[3];
    cross(q[i], sv[i], t);
    for (int a = 0; a < 3; ++a) {
      v[a] += m * t[a];
      for (int col = 0; col < 3; ++col) K[3 * col + a] += m * ((a == col ? rs : 0.0) - r[i][a] * sv[i][col]);
    }
  }
}

void GVCapturePartShape(HAState* s, int32_t part) {
  if (!s || !s->pos || !s->mass || s->readOnly()) return;
  if (s->ownerFlags && (*s->ownerFlags & kOwnerRigidCurrent)) return;
  PartSums sums;
  GVAddPartSums(s, part, &sums);
  float c[3], u[3];
  GVPartSumsMeans(sums, c, u);
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (s->inPart(i, part))
      for (int k = 0; k < 3; ++k) s->restOffset[i][k] = s->pos[i][k] - c[k];
  float* rot = rotVec(s, part);
  rot[0] = rot[1] = rot[2] = 0.0f;
  GVStorePartRef(s, part, kPartRefShape);
}

void GVApplyPartRotationDrive(HAState* s, int32_t part) {
  if (!s || !s->pos || !s->disp || !s->mass || s->readOnly()) return;
  GVLoadPartRef(s, kPartRefShape, part);
  PartSums sums;
  GVAddPartSums(s, part, &sums);
  float c[3], u[3];
  GVPartSumsMeans(sums, c, u);
  float* rot = rotVec(s, part);
  float R[9];
  GVRotationFromVector(rot, R);
  GVFillRigidWork(s, part, R, c);

  double K[9] = {}, v[3] = {};
  GVAddRigidFrameSums(s, part, K, v);
  const double f = sums.mass > 0.0 ? 1.0 / sums.mass : 0.0;
  float Kf[9], vf[3], inv[9], w[3];
  for (int k = 0; k < 9; ++k) Kf[k] = static_cast<float>(K[k] * f);
  for (int k = 0; k < 3; ++k) vf[k] = static_cast<float>(v[k] * f);
  GVInvertPartFrame(Kf, inv);
  GVMat3MulVec(w, inv, vf);
  composeTurn(w, R, rot);

  // Turning by the rotation itself, not its first-order form, keeps the
  // captured distances exact however fast the part spins.
  float Rw[9];
  GVMat3FromRotVector(w, Rw);
  const Vec3f* r = s->rigidWork[0];
  const Vec3f* sv = s->rigidWork[1];
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float b[3];
    GVMat3MulVec(b, Rw, r[i]);
    for (int k = 0; k < 3; ++k) s->disp[i][k] = b[k] - sv[i][k] + u[k];
  }
  if (s->params) s->rigidUpdateFrame = s->params->currentFrame;
  if (!(s->ownerFlags && (*s->ownerFlags & kOwnerNoRigidFlag))) s->collisionFlags |= kCollRigid;
}

// ---------------------------------------------------------------------------
// Per-part vectors after the Jel was moved as a whole

void GVPartVecLoadOffsets(HAState* s, int32_t part, float* /*rot*/) {
  if (!s || !hasShape(s, part)) return;
  GVLoadPartRef(s, kPartRefShape, part);
  PartSums sums;
  GVAddPartSums(s, part, &sums);
  float c[3], u[3];
  GVPartSumsMeans(sums, c, u);
  Vec3f* sv = s->rigidWork[1];
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (s->inPart(i, part))
      for (int k = 0; k < 3; ++k) sv[i][k] = s->pos[i][k] - c[k];
}

void GVPartVecFitTurn(HAState* s, int32_t part, float* rot) {
  if (!s) return;
  s->partTurn[0] = s->partTurn[1] = s->partTurn[2] = 0.0f;
  if (!rot || !hasShape(s, part) || !s->mass) return;
  float R0[9], T[9];
  GVRotationFromVector(rot, R0);
  GVMat3Identity(T);
  Vec3f* r = s->rigidWork[0];
  const Vec3f* sv = s->rigidWork[1];
  // Gauss-Newton on the turn: each round solves the linearised fit about the
  // pose reached so far, so large turns converge too.
  for (int iter = 0; iter < 16; ++iter) {
    float Rt[9];
    GVMat3Mul(Rt, R0, T);
    double K[9] = {}, v[3] = {}, M = 0.0;
    for (int32_t i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, part)) continue;
      GVMat3MulVec(r[i], Rt, s->restOffset[i]);
      const double m = s->mass[i];
      M += m;
      const double rs = r[i][0] * sv[i][0] + r[i][1] * sv[i][1] + r[i][2] * sv[i][2];
      float t[3];
      cross(r[i], sv[i], t);
      for (int a = 0; a < 3; ++a) {
        v[a] += m * t[a];
        for (int col = 0; col < 3; ++col) K[3 * col + a] += m * ((a == col ? rs : 0.0) - r[i][a] * sv[i][col]);
      }
    }
    if (!(M > 0.0)) return;
    float Kf[9], vf[3], inv[9], w[3];
    for (int k = 0; k < 9; ++k) Kf[k] = static_cast<float>(K[k] / M);
    for (int k = 0; k < 3; ++k) vf[k] = static_cast<float>(v[k] / M);
    GVInvertPartFrame(Kf, inv);
    GVMat3MulVec(w, inv, vf);
    if (!std::isfinite(w[0]) || !std::isfinite(w[1]) || !std::isfinite(w[2])) break;
    float Rw[9];
    GVMat3FromRotVector(w, Rw);
    GVMat3Mul(T, T, Rw);
    if (GVVecLength(w) < 1e-6f) break;
  }
  float turn[3];
  if (GVRotVectorFromMat3(T, turn) >= 0) std::memcpy(s->partTurn, turn, sizeof turn);
}

void GVPartVecApplyTurn(HAState* s, int32_t part, float* rot) {
  if (!s || !rot || !hasShape(s, part)) return;
  float R[9];
  GVRotationFromVector(rot, R);
  composeTurn(s->partTurn, R, rot);
  s->partTurn[0] = s->partTurn[1] = s->partTurn[2] = 0.0f;
}
