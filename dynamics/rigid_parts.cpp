#include "dynamics/rigid_parts.h"

#include <cmath>
#include <cstring>

#include "dynamics/group_ops.h"
#include "jel/chan_data.h"
#include "jel/frame_store.h"
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

// Inverse by cofactors in double; false when the determinant is not above tiny.
static bool inverse3(const double* m, double* out, double tiny) {
  const double c0 = m[4] * m[8] - m[7] * m[5], c1 = m[7] * m[2] - m[1] * m[8], c2 = m[1] * m[5] - m[4] * m[2];
  const double det = m[0] * c0 + m[3] * c1 + m[6] * c2;
  if (!(std::fabs(det) > tiny)) return false;
  const double f = 1.0 / det;
  out[0] = c0 * f;
  out[1] = c1 * f;
  out[2] = c2 * f;
  out[3] = (m[6] * m[5] - m[3] * m[8]) * f;
  out[4] = (m[0] * m[8] - m[6] * m[2]) * f;
  out[5] = (m[3] * m[2] - m[0] * m[5]) * f;
  out[6] = (m[3] * m[7] - m[6] * m[4]) * f;
  out[7] = (m[6] * m[1] - m[0] * m[7]) * f;
  out[8] = (m[0] * m[4] - m[3] * m[1]) * f;
  return true;
}

void GVInvertPartFrame(const float K[9], float out[9]) {
  std::memset(out, 0, sizeof(float) * 9);
  if (!K || !finiteMat(K)) return;
  double k[9];
  for (int i = 0; i < 9; ++i) k[i] = K[i];
  double size = 0.0;
  for (double x : k) size = std::fmax(size, std::fabs(x));
  if (!(size > 1e-30)) return;
  const double ref = size * size * size;
  double inv[9];
  if (!inverse3(k, inv, 1e-6 * ref)) {
    // Nearly singular: damped least squares, (K^T K + e^2 E)^-1 K^T, which
    // answers the directions K cannot tell with (almost) nothing.
    const double e2 = 1e-6 * size * size;
    double a[9], ai[9];
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        double sum = r == c ? e2 : 0.0;
        for (int j = 0; j < 3; ++j) sum += k[3 * r + j] * k[3 * c + j];  // (K^T K)(r, c), column storage
        a[3 * c + r] = sum;
      }
    if (!inverse3(a, ai, 1e-30 * ref * ref)) return;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        double sum = 0.0;
        for (int j = 0; j < 3; ++j) sum += ai[3 * j + r] * k[3 * j + c];  // (A^-1 K^T)(r, c)
        inv[3 * c + r] = sum;
      }
  }
  for (int i = 0; i < 9; ++i) out[i] = static_cast<float>(inv[i]);
  if (!finiteMat(out)) std::memset(out, 0, sizeof(float) * 9);
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
    GVVecCross(t, q[i], sv[i]);
    for (int a = 0; a < 3; ++a) {
      v[a] += m * t[a];
      for (int col = 0; col < 3; ++col) K[3 * col + a] += m * ((a == col ? rs : 0.0) - r[i][a] * sv[i][col]);
    }
  }
}

// The part's offsets from its mass-weighted centre, taken from the positions
// given, become its captured shape; its rotation vector is zeroed.
static void captureFrom(HAState* s, int32_t part, const float* (*at)(const HAState*, int32_t)) {
  double mass = 0.0, sum[3] = {0.0, 0.0, 0.0};
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    const float* p = at(s, i);
    mass += s->mass[i];
    for (int k = 0; k < 3; ++k) sum[k] += s->mass[i] * p[k];
  }
  PartSums sums;
  sums.mass = mass;
  for (int k = 0; k < 3; ++k) sums.pos[k] = sum[k];
  float c[3], u[3];
  GVPartSumsMeans(sums, c, u);
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (s->inPart(i, part)) {
      const float* p = at(s, i);
      for (int k = 0; k < 3; ++k) s->restOffset[i][k] = p[k] - c[k];
    }
  float* rot = rotVec(s, part);
  rot[0] = rot[1] = rot[2] = 0.0f;
  GVStorePartRef(s, part, kPartRefShape);
}

void GVCapturePartShape(HAState* s, int32_t part) {
  if (!s || !s->pos || !s->mass || s->readOnly()) return;
  if (s->ownerFlags && (*s->ownerFlags & kOwnerRigidCurrent)) return;
  captureFrom(s, part, [](const HAState* st, int32_t i) -> const float* { return st->pos[i]; });
}

void GVCapturePartRestShape(HAState* s, int32_t part) {
  if (!s || !s->pos || !s->mass || s->readOnly()) return;
  if (!GVFrameNodeRecs(s->frameStore, 0) || GVFrameStoreLast(s->frameStore) < 0) {
    captureFrom(s, part, [](const HAState* st, int32_t i) -> const float* { return st->pos[i]; });
    return;
  }
  captureFrom(s, part, [](const HAState* st, int32_t i) -> const float* {
    return &GVFrameNodeRecs(st->frameStore, 0)[i].f[kNodeNatural];
  });
}

// After a restore of a frame without stored vectors, every part with a
// captured shape gets the turn that carries that shape onto its restored one.
static void fitStaleVectors(HAState* s) {
  s->partVecsStale = false;
  for (int32_t part = 1; part < 32; ++part) {
    if (!hasShape(s, part)) continue;
    float* rot = rotVec(s, part);
    rot[0] = rot[1] = rot[2] = 0.0f;
    GVPartVecLoadOffsets(s, part, rot);
    GVPartVecFitTurn(s, part, rot);
    GVPartVecApplyTurn(s, part, rot);
  }
}

void GVApplyPartRotationDrive(HAState* s, int32_t part) {
  if (!s || !s->pos || !s->disp || !s->mass || s->readOnly()) return;
  if (s->partVecsStale) fitStaleVectors(s);
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

// Eigenvector of the largest eigenvalue of a symmetric 4x4 matrix (cyclic
// Jacobi sweeps); returns that eigenvalue.
static double largestEigen4(double a[4][4], double vec[4]) {
  double v[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  for (int sweep = 0; sweep < 50; ++sweep) {
    double off = 0.0;
    for (int p = 0; p < 4; ++p)
      for (int q = p + 1; q < 4; ++q) off += a[p][q] * a[p][q];
    if (off < 1e-30) break;
    for (int p = 0; p < 4; ++p)
      for (int q = p + 1; q < 4; ++q) {
        if (std::fabs(a[p][q]) < 1e-300) continue;
        const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
        const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
        const double c = 1.0 / std::sqrt(t * t + 1.0), sn = t * c;
        for (int k = 0; k < 4; ++k) {
          const double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - sn * akq;
          a[k][q] = sn * akp + c * akq;
        }
        for (int k = 0; k < 4; ++k) {
          const double apk = a[p][k], aqk = a[q][k];
          a[p][k] = c * apk - sn * aqk;
          a[q][k] = sn * apk + c * aqk;
        }
        for (int k = 0; k < 4; ++k) {
          const double vkp = v[k][p], vkq = v[k][q];
          v[k][p] = c * vkp - sn * vkq;
          v[k][q] = sn * vkp + c * vkq;
        }
      }
  }
  int best = 0;
  for (int k = 1; k < 4; ++k)
    if (a[k][k] > a[best][best]) best = k;
  for (int k = 0; k < 4; ++k) vec[k] = v[k][best];
  return a[best][best];
}

void GVPartVecFitTurn(HAState* s, int32_t part, float* rot) {
  if (!s) return;
  s->partTurn[0] = s->partTurn[1] = s->partTurn[2] = 0.0f;
  if (!rot || !hasShape(s, part) || !s->mass) return;
  // The turn that best carries the turned captured offsets r onto the present
  // offsets s: the unit quaternion of largest eigenvalue of the 4x4 matrix
  // built from sum m r s^T. Exact for any angle, unlike a linearised fit.
  float R0[9];
  GVRotationFromVector(rot, R0);
  const Vec3f* sv = s->rigidWork[1];
  double S[3][3] = {};
  double total = 0.0;
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float r[3];
    GVMat3MulVec(r, R0, s->restOffset[i]);
    const double m = s->mass[i];
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) S[a][b] += m * r[a] * sv[i][b];
    total += m * (r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
  }
  if (!(total > 0.0) || !std::isfinite(total)) return;
  double N[4][4] = {
      {S[0][0] + S[1][1] + S[2][2], S[1][2] - S[2][1], S[2][0] - S[0][2], S[0][1] - S[1][0]},
      {S[1][2] - S[2][1], S[0][0] - S[1][1] - S[2][2], S[0][1] + S[1][0], S[2][0] + S[0][2]},
      {S[2][0] - S[0][2], S[0][1] + S[1][0], -S[0][0] + S[1][1] - S[2][2], S[1][2] + S[2][1]},
      {S[0][1] - S[1][0], S[2][0] + S[0][2], S[1][2] + S[2][1], -S[0][0] - S[1][1] + S[2][2]},
  };
  double q[4];
  largestEigen4(N, q);
  if (q[0] < 0.0)
    for (double& x : q) x = -x;
  const double vn = std::sqrt(q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  if (!(vn > 1e-12) || !std::isfinite(vn)) return;
  const double angle = 2.0 * std::atan2(vn, q[0]);
  for (int k = 0; k < 3; ++k) s->partTurn[k] = static_cast<float>(q[k + 1] / vn * angle);
}

void GVPartVecApplyTurn(HAState* s, int32_t part, float* rot) {
  if (!s || !rot || !hasShape(s, part)) return;
  float R[9];
  GVRotationFromVector(rot, R);
  composeTurn(s->partTurn, R, rot);
  s->partTurn[0] = s->partTurn[1] = s->partTurn[2] = 0.0f;
}
