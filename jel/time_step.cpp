// The time step of a Jel: the force phase turns the lattice's deformation into
// an in-step displacement of every node, the commit phase turns that
// displacement into velocity and position and co-rotates the rest shape with
// the material.
//
// The elastic model is co-rotational on the cubic lattice: each node keeps a
// rest vector per link that turns with the material; link strains (in the
// node's frame) average into edge and cell strains, stresses follow from the
// per-node coefficients, and go back to world axes as node accelerations.
//
// Every pass is one linear sweep over the node arrays and finishes before the
// next begins; nothing here allocates. Entry 0 of every array stands for "no
// node": zero vectors, identity frames.
#include <cassert>
#include <cmath>
#include <cstring>

#include "jel/live_state.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"

namespace {

// Link slots.
enum { kSelf = 0, kMinusX = 1, kPlusX = 2, kMinusY = 3, kPlusY = 4, kMinusZ = 5, kPlusZ = 6 };

// The step time h and 1/h of a sub-step. The time-step word is used when it is
// at least 1e-5; otherwise one frame split into its sub-steps. Returns false
// when neither gives a positive finite h (a play block read with no sub-steps
// or no frame rate): the step is then refused rather than divide by zero.
bool stepTimes(const FrameParams* p, float* h, float* invH) {
  if (!p) return false;
  if (p->timeStep >= 1e-5f && std::isfinite(p->timeStep)) {
    *h = p->timeStep;
    *invH = 1.0f / p->timeStep;
    return true;
  }
  const int64_t steps = static_cast<int64_t>(p->subSteps) * p->fps;
  if (steps <= 0 || steps > (int64_t{1} << 24)) return false;
  *h = 1.0f / static_cast<float>(steps);
  *invH = static_cast<float>(steps);
  return true;
}

// The Jel exists at the frame being computed: after its start frame and
// before a non-zero end frame.
bool alive(const FrameParams* p) {
  return p->startFrame <= p->computedFrame && (p->endFrame == 0 || p->computedFrame < p->endFrame);
}

// Row form: element r of the result is row r of the stored matrix (elements
// 3r..3r+2) dotted with v. The node frames are stored row by row.
inline void rowsMul(const float* m, const float* v, float* out) {
  const float x = v[0], y = v[1], z = v[2];
  out[0] = m[0] * x + m[1] * y + m[2] * z;
  out[1] = m[3] * x + m[4] * y + m[5] * z;
  out[2] = m[6] * x + m[7] * y + m[8] * z;
}

inline void zero3(float* v) { v[0] = v[1] = v[2] = 0.0f; }

}  // namespace

// ---------------------------------------------------------------------------
// Force phase

void HAState::computeEdgeStrains() {
  const int32_t n = nodeCount;
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t* L = links[i];
    const int32_t other[3] = {L[kPlusX], L[kPlusY], L[kPlusZ]};
    for (int a = 0; a < 3; ++a) {
      // Own plus link and the neighbour's minus link describe the same edge
      // from both ends, with opposite signs.
      const int plus = 2 * a + 2, minus = 2 * a + 1;
      const int32_t j = other[a];
      float* e = edgeStrain[i][a];
      float* pe = prevEdgeStrain[i][a];
      const float* s = linkStrain[i][plus];
      const float* so = linkStrain[j][minus];
      const float* ps = prevLinkStrain[i][plus];
      const float* pso = prevLinkStrain[j][minus];
      for (int c = 0; c < 3; ++c) {
        e[c] = 0.5f * (s[c] - so[c]);
        pe[c] = 0.5f * (ps[c] - pso[c]);
      }
    }
  }
}

void HAState::computeCellStrains() {
  const int32_t n = nodeCount;
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t* L = links[i];
    const int32_t X = L[kPlusX], Y = L[kPlusY], Z = L[kPlusZ];
    // The fourth parallel edge of each direction starts at the far corner of
    // the cell face; a missing node reads the zero entry.
    const int32_t YZ = links[Z][kPlusY], ZX = links[X][kPlusZ], XY = links[Y][kPlusX];
    Vec3f* C = cellStrain[i];
    for (int c = 0; c < 3; ++c) {
      C[0][c] = 0.25f * (edgeStrain[Y][0][c] + edgeStrain[i][0][c] + edgeStrain[Z][0][c] + edgeStrain[YZ][0][c]);
      C[1][c] = 0.25f * (edgeStrain[Z][1][c] + edgeStrain[i][1][c] + edgeStrain[X][1][c] + edgeStrain[ZX][1][c]);
      C[2][c] = 0.25f * (edgeStrain[X][2][c] + edgeStrain[i][2][c] + edgeStrain[Y][2][c] + edgeStrain[XY][2][c]);
    }
  }
}

void HAState::computeStresses(float invH) {
  const int32_t n = nodeCount;
  const bool flat = isFlat();
  for (int32_t i = 1; i <= n; ++i) {
    const float F = matter[i].flatZ;
    const float* C1 = cellStrain[i][0];
    const float* C2 = cellStrain[i][1];
    const float* C3 = cellStrain[i][2];
    const float* nc = normalCoef[i];
    const float* sc = shearCoef[i];

    float cs[3][3];
    cs[0][0] = (C2[1] + C3[2]) * nc[0];
    cs[0][1] = sc[1] * C2[0];
    cs[0][2] = sc[2] * C3[0] * F;
    cs[1][0] = C1[1] * sc[0];
    cs[1][1] = (C1[0] + C3[2]) * nc[1];
    cs[1][2] = sc[2] * C3[1] * F;
    cs[2][0] = C1[2] * sc[0];
    cs[2][1] = sc[1] * C2[2];
    cs[2][2] = (C1[0] + C2[1]) * nc[2] * F;
    // A single layer has no stress across its thickness.
    if (flat) zero3(cs[2]);

    float es[3][3];
    for (int a = 0; a < 3; ++a) {
      const float* k = edgeCoef[i][a];
      const float* e = edgeStrain[i][a];
      const float* pe = prevEdgeStrain[i][a];
      const float damp = edgeDampCoef[i][a] * invH;
      es[a][0] = k[0] * e[0] + (e[0] - pe[0]) * damp;
      es[a][1] = k[1] * e[1] + (e[1] - pe[1]) * damp;
      // z carries flatZ on its stiffness and flatZ squared on its damping.
      es[a][2] = k[2] * e[2] * F + (e[2] - pe[2]) * damp * (F * F);
    }
    if (flat) zero3(es[2]);

    for (int a = 0; a < 3; ++a) {
      std::memcpy(cellStress[i][a], cs[a], sizeof(Vec3f));
      std::memcpy(edgeStress[i][a], es[a], sizeof(Vec3f));
      rowsMul(cellFrame[i], cs[a], worldCellStress[i][a]);
      rowsMul(edgeFrame[a][i], es[a], worldEdgeStress[i][a]);
    }
  }
}

void HAState::computeAccelerations() {
  const int32_t n = nodeCount;
  for (int32_t i = 1; i <= n; ++i) {
    // A node sits on the low side of its own cell (element 0) and on the high
    // side of the cells reached by its -x (4), -y (2) and -z (1) steps.
    float sum[3] = {0.0f, 0.0f, 0.0f};
    const int32_t* cl = cells[i];
    for (int k = 0; k < 8; ++k) {
      const Vec3f* W = worldCellStress[cl[k]];
      const float sx = (k & 4) ? -1.0f : 1.0f;
      const float sy = (k & 2) ? -1.0f : 1.0f;
      const float sz = (k & 1) ? -1.0f : 1.0f;
      for (int c = 0; c < 3; ++c) sum[c] += sx * W[0][c] + sy * W[1][c] + sz * W[2][c];
    }
    const float m = mass[i];
    const float w = m > 0.0f ? 1.0f / m : 1.0f;
    const int32_t* L = links[i];
    const Vec3f* E = worldEdgeStress[i];
    const Vec3f* Ex = worldEdgeStress[L[kMinusX]];
    const Vec3f* Ey = worldEdgeStress[L[kMinusY]];
    const Vec3f* Ez = worldEdgeStress[L[kMinusZ]];
    for (int c = 0; c < 3; ++c) {
      accel[i][c] = w * sum[c];
      accel[i][c] += w * (E[0][c] - Ex[0][c] + E[1][c] - Ey[1][c] + E[2][c] - Ez[2][c]);
    }
  }
}

void HAState::removeRigidMotion() {
  const int32_t n = nodeCount;
  // Sums in double: the correction must cancel the mean displacement of tens
  // of thousands of nodes, where single-precision sums drift.
  double M = 0.0, mx[3] = {0.0, 0.0, 0.0}, md[3] = {0.0, 0.0, 0.0};
  for (int32_t i = 1; i <= n; ++i) {
    const double m = mass[i];
    M += m;
    for (int c = 0; c < 3; ++c) {
      mx[c] += m * pos[i][c];
      md[c] += m * disp[i][c];
    }
  }
  float centre[3] = {0.0f, 0.0f, 0.0f}, dMean[3] = {0.0f, 0.0f, 0.0f};
  if (M != 0.0) {
    for (int c = 0; c < 3; ++c) {
      centre[c] = static_cast<float>(mx[c] / M);
      dMean[c] = static_cast<float>(md[c] / M);
    }
  }
  Vec3f* r = scratchVec[4];
  Vec3f* q = scratchVec[5];
  Vec3f* d = scratchVec[6];
  for (int32_t i = 1; i <= n; ++i) {
    for (int c = 0; c < 3; ++c) {
      r[i][c] = pos[i][c] - centre[c];
      q[i][c] = r[i][c] + disp[i][c] - dMean[c];
      d[i][c] = disp[i][c];
    }
  }
  float L[3], Jinv[9];
  GVGetPartAngularState(this, d, r, q, 1, L, Jinv);
  float omega[3];
  GVMat3MulVec(omega, Jinv, L);
  for (int32_t i = 1; i <= n; ++i) {
    const float* ri = r[i];
    disp[i][0] += (omega[1] * ri[2] - omega[2] * ri[1]) - dMean[0];
    disp[i][1] += (omega[2] * ri[0] - omega[0] * ri[2]) - dMean[1];
    disp[i][2] += (omega[0] * ri[1] - omega[1] * ri[0]) - dMean[2];
  }
}

void HAState::computeForces() {
  FrameParams* p = params;
  if (!p) return;
  float h, invH;
  const bool timed = stepTimes(p, &h, &invH);
  p->stepping = 1;
  rigidUpdateFrame = 0;
  contactStatus[0] = contactStatus[1] = 0;
  rigidContact = 0;
  collisionFlags = 0;
  contactSummary = 0;
  if (!timed || !alive(p) || nodeCount < 1) return;

  const int32_t n = nodeCount;
  if (p->subStepIndex == 1) std::memcpy(stepStartPos + 1, pos + 1, sizeof(Vec3f) * n);

  computeEdgeStrains();
  computeCellStrains();
  computeStresses(invH);
  computeAccelerations();
  const float h2 = h * h;
  for (int32_t i = 1; i <= n; ++i)
    for (int c = 0; c < 3; ++c) disp[i][c] = accel[i][c] * h2;
  removeRigidMotion();

  for (int32_t i = 1; i <= n; ++i) {
    const MatterProps& m = matter[i];
    const float s2h2 = m.scaleT * m.scaleT * h2;
    disp[i][0] += m.forceX * s2h2;
    disp[i][1] += m.forceY * s2h2;
    disp[i][2] += m.forceZ * s2h2;
    for (int c = 0; c < 3; ++c) disp[i][c] += vel[i][c] * h;
    zero3(reactionAccum[i]);
  }
  std::memset(contactFlags, 0, sizeof(*contactFlags) * (n + 1));
  std::memset(contactAux, 0, sizeof(*contactAux) * (n + 1));
}

// ---------------------------------------------------------------------------
// Commit phase

void HAState::rotateRestLinks() {
  const int32_t n = nodeCount;
  for (int32_t i = 1; i <= n; ++i) {
    const float* w = spin[i];
    const float theta = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    // Below this angle the rest shape is left exactly as it is.
    if (!(theta >= 1e-6f)) continue;
    const float k = std::sin(0.5f * theta) / theta;
    const float x = w[0] * k, y = w[1] * k, z = w[2] * k, qw = std::cos(0.5f * theta);
    // Rotation by theta about spin, rows first: R v turns v with the material.
    const float R[9] = {1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y - z * qw),        2.0f * (x * z + y * qw),
                        2.0f * (x * y + z * qw),        1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z - x * qw),
                        2.0f * (x * z - y * qw),        2.0f * (y * z + x * qw),        1.0f - 2.0f * (x * x + y * y)};
    const int32_t* L = links[i];
    // A single-layer node keeps its out-of-plane rest link turning with it.
    const bool flatNode = L[kMinusZ] == 0 && L[kPlusZ] == 0;
    for (int s = 0; s < 7; ++s) {
      if (L[s] == 0 && !(s == kPlusZ && flatNode)) continue;
      float v[3];
      std::memcpy(v, restLinks[i][s], sizeof v);
      rowsMul(R, v, restLinks[i][s]);
    }
  }
}

void HAState::integrate() {
  FrameParams* p = params;
  if (!p) return;
  float h, invH;
  const bool timed = stepTimes(p, &h, &invH);
  p->stepping = 0;
  if (!timed || !alive(p) || nodeCount < 1) return;
  (void)h;

  const int32_t n = nodeCount;
  for (int32_t i = 1; i <= n; ++i) {
    for (int c = 0; c < 3; ++c) {
      vel[i][c] = disp[i][c] * invH;
      pos[i][c] += disp[i][c];
      disp[i][c] = 0.0f;
    }
  }

  // Deviation of every link from its rest vector, and the spin of the material
  // around the node: half the curl of the deviation field, its derivatives
  // taken central inside the lattice and one-sided at its border.
  const float g = cellSize > 0.0f ? 0.5f / cellSize : 0.0f;
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t* L = links[i];
    Vec3f* dev = linkDev[i];
    for (int s = 0; s < 7; ++s) {
      const int32_t j = L[s];
      if (j == 0) {
        zero3(dev[s]);
        continue;
      }
      // (pos[j] - pos[i]) - rest: exactly zero for a lattice at rest in the
      // shape its rest links were taken from.
      for (int c = 0; c < 3; ++c) dev[s][c] = (pos[j][c] - pos[i][c]) - restLinks[i][s][c];
    }
    float D[3][3];  // D[a]: derivative of the deviation along lattice axis a
    for (int a = 0; a < 3; ++a) {
      const float half = diffCentral[i][a];
      const float one = diffOneSided[i][a];
      const int side = 2 * a + 1 + (diffSide[a][i] ? 1 : 0);
      for (int c = 0; c < 3; ++c) D[a][c] = half * (dev[2 * a + 2][c] - dev[2 * a + 1][c]) + one * dev[side][c];
    }
    const float* N = invRestFrame[i];
    float G[3][3];  // G[c][m]: derivative of component c along world axis m
    for (int c = 0; c < 3; ++c)
      for (int m = 0; m < 3; ++m) G[c][m] = D[0][c] * N[m] + D[1][c] * N[3 + m] + D[2][c] * N[6 + m];
    spin[i][0] = g * (G[2][1] - G[1][2]);
    spin[i][1] = g * (G[0][2] - G[2][0]);
    spin[i][2] = g * (G[1][0] - G[0][1]);
  }

  rotateRestLinks();
  updateNodeFrames();

  for (int32_t i = 1; i <= n; ++i) {
    const int32_t* L = links[i];
    const float* N = invRestFrame[i];
    for (int s = 0; s < 7; ++s) {
      const int32_t j = L[s];
      if (j == 0) {
        zero3(linkStrain[i][s]);
        zero3(prevLinkStrain[i][s]);
        continue;
      }
      std::memcpy(prevLinkStrain[i][s], linkStrain[i][s], sizeof(Vec3f));
      float d[3];
      for (int c = 0; c < 3; ++c) d[c] = (pos[j][c] - pos[i][c]) - restLinks[i][s][c];
      rowsMul(N, d, linkStrain[i][s]);
    }
  }
  p->stepping = 0;
}

void HAState::advancePartVectors(const PartVectorStep steps[3]) {
  if (!ownerFlags || !(*ownerFlags & 0x10u)) return;
  for (int32_t part = 0; part < 32; ++part)
    for (int k = 0; k < 3; ++k)
      if (steps && steps[k]) steps[k](this, part, impulseTable[part]);
  if (params) rigidUpdateFrame = params->currentFrame - 1;
}

int32_t GVCalcSubstepsNeeded(const HAState* state) {
  if (!state || !state->matter) return 1;
  float v = 1.0f;
  for (int32_t i = 1; i <= state->nodeCount; ++i)
    if (state->matter[i].fRatio > v) v = state->matter[i].fRatio;
  // A damaged record must not overflow the count.
  if (!(v <= 1.0e6f)) v = 1.0e6f;
  int32_t k = static_cast<int32_t>(v);
  if (static_cast<float>(k) < v) ++k;
  return k;
}
