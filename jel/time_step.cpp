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
// node": zero vectors, identity frames. The loops copy the state's array
// pointers into restrict-qualified locals: the arrays never overlap, and
// without that the compiler reloads every pointer after every store.
#include <cassert>
#include <cmath>
#include <cstring>
#include <utility>

#include "jel/live_state.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"
#include "jel/worker_pool.h"

#define GV_RESTRICT __restrict

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
  if (steps <= 0) return false;
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
inline void rowsMul(const float* GV_RESTRICT m, const float* v, float* out) {
  const float x = v[0], y = v[1], z = v[2];
  out[0] = m[0] * x + m[1] * y + m[2] * z;
  out[1] = m[3] * x + m[4] * y + m[5] * z;
  out[2] = m[6] * x + m[7] * y + m[8] * z;
}

inline void zero3(float* v) { v[0] = v[1] = v[2] = 0.0f; }

// Inverse by cofactors, the arithmetic of GVMat3Inverse (a singular matrix
// gives zeros), kept inline for the per-node sweep.
inline void inverse3(const float* GV_RESTRICT m, float* GV_RESTRICT out) {
  float c[9];
  const float det = GVMat3Cofactors(m, c);
  const float s = det == 0.0f ? 0.0f : 1.0f / det;
  for (int k = 0; k < 9; ++k) out[k] = c[k] * s;
}

}  // namespace

// ---------------------------------------------------------------------------
// Chunks

namespace {

// Calls fn(chunk, begin, end) for the fixed chunks of nodes 1..n, on the
// state's pool when it has one.
template <class F>
void forChunks(const HAState* st, F fn) {
  const int32_t n = st->nodeCount;
  const int32_t chunks = (n + kStepChunkNodes - 1) / kStepChunkNodes;
  auto body = [&](int32_t k) {
    const int32_t b = 1 + k * kStepChunkNodes;
    const int32_t e = b + kStepChunkNodes <= n + 1 ? b + kStepChunkNodes : n + 1;
    fn(k, b, e);
  };
  if (st->workers) {
    st->workers->run(chunks, body);
  } else {
    for (int32_t k = 0; k < chunks; ++k) body(k);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Force phase
//
// Five sweeps, each finishing before the next begins because it reads what the
// previous one wrote at neighbouring nodes: edge strains; cell strains and
// stresses; accelerations, the in-step displacement and the sums for its mean;
// the offsets and sums for its rotation; the correction, forces and velocity.

// Edge strains from the link strains (reads links, link strains of i and its
// +x, +y, +z neighbours; writes edgeStrain, prevEdgeStrain).
static void edgeStrainPass(HAState* st, int32_t b, int32_t e) {
  const int32_t(*GV_RESTRICT L)[7] = st->links;
  const Vec3f(*GV_RESTRICT S)[7] = st->linkStrain;
  const Vec3f(*GV_RESTRICT PS)[7] = st->prevLinkStrain;
  Vec3f(*GV_RESTRICT E)[3] = st->edgeStrain;
  Vec3f(*GV_RESTRICT PE)[3] = st->prevEdgeStrain;
  for (int32_t i = b; i < e; ++i) {
    for (int a = 0; a < 3; ++a) {
      // Own plus link and the neighbour's minus link describe the same edge
      // from both ends, with opposite signs.
      const int plus = 2 * a + 2, minus = 2 * a + 1;
      const int32_t j = L[i][plus];
      for (int c = 0; c < 3; ++c) {
        E[i][a][c] = 0.5f * (S[i][plus][c] - S[j][minus][c]);
        PE[i][a][c] = 0.5f * (PS[i][plus][c] - PS[j][minus][c]);
      }
    }
  }
}

// Cell strains (the mean of the four parallel edges of the node's cell), then
// cell and edge stresses in the node's frame and in world axes (reads edge
// strains at i and the far corners of its cell; writes the four stress
// arrays).
static void stressPass(HAState* st, float invH, int32_t b, int32_t e) {
  const bool flat = st->isFlat();
  const int32_t(*GV_RESTRICT L)[7] = st->links;
  const MatterProps* GV_RESTRICT M = st->matter;
  const Vec3f(*GV_RESTRICT E)[3] = st->edgeStrain;
  const Vec3f(*GV_RESTRICT PE)[3] = st->prevEdgeStrain;
  const Vec3f* GV_RESTRICT NC = st->normalCoef;
  const Vec3f* GV_RESTRICT SC = st->shearCoef;
  const Vec3f(*GV_RESTRICT K)[3] = st->edgeCoef;
  const Vec3f* GV_RESTRICT DC = st->edgeDampCoef;
  const Mat3f* GV_RESTRICT CF = st->cellFrame;
  const Mat3f* GV_RESTRICT EF[3] = {st->edgeFrame[0], st->edgeFrame[1], st->edgeFrame[2]};
  Vec3f(*GV_RESTRICT CSS)[3] = st->cellStress;
  Vec3f(*GV_RESTRICT ESS)[3] = st->edgeStress;
  Vec3f(*GV_RESTRICT WC)[3] = st->worldCellStress;
  Vec3f(*GV_RESTRICT WE)[3] = st->worldEdgeStress;
  for (int32_t i = b; i < e; ++i) {
    const int32_t X = L[i][kPlusX], Y = L[i][kPlusY], Z = L[i][kPlusZ];
    // The fourth parallel edge of each direction starts at the far corner of
    // the cell face; a missing node reads the zero entry.
    const int32_t YZ = L[Z][kPlusY], ZX = L[X][kPlusZ], XY = L[Y][kPlusX];
    float C1[3], C2[3], C3[3];
    for (int c = 0; c < 3; ++c) {
      C1[c] = 0.25f * (E[Y][0][c] + E[i][0][c] + E[Z][0][c] + E[YZ][0][c]);
      C2[c] = 0.25f * (E[Z][1][c] + E[i][1][c] + E[X][1][c] + E[ZX][1][c]);
      C3[c] = 0.25f * (E[X][2][c] + E[i][2][c] + E[Y][2][c] + E[XY][2][c]);
    }
    const float F = M[i].flatZ;
    const float* nc = NC[i];
    const float* sc = SC[i];

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
      const float* k = K[i][a];
      const float* ea = E[i][a];
      const float* pe = PE[i][a];
      const float damp = DC[i][a] * invH;
      es[a][0] = k[0] * ea[0] + (ea[0] - pe[0]) * damp;
      es[a][1] = k[1] * ea[1] + (ea[1] - pe[1]) * damp;
      // z carries flatZ on its stiffness and flatZ squared on its damping.
      es[a][2] = k[2] * ea[2] * F + (ea[2] - pe[2]) * damp * (F * F);
    }
    if (flat) zero3(es[2]);

    for (int a = 0; a < 3; ++a) {
      for (int c = 0; c < 3; ++c) {
        CSS[i][a][c] = cs[a][c];
        ESS[i][a][c] = es[a][c];
      }
      rowsMul(CF[i], cs[a], WC[i][a]);
      rowsMul(EF[a][i], es[a], WE[i][a]);
    }
  }
}

// Accelerations from the world stresses of the eight cells and three low
// edges around the node, the in-step displacement a h^2, and the chunk's
// mass, mass-position and mass-displacement sums (in double: the correction
// must cancel the mean displacement of tens of thousands of nodes, where
// single-precision sums drift).
static void accelPass(HAState* st, float h2, HAState::ChunkSums* sums, int32_t b, int32_t e) {
  const int32_t(*GV_RESTRICT CL)[8] = st->cells;
  const int32_t(*GV_RESTRICT L)[7] = st->links;
  const Vec3f(*GV_RESTRICT WC)[3] = st->worldCellStress;
  const Vec3f(*GV_RESTRICT WE)[3] = st->worldEdgeStress;
  const float* GV_RESTRICT mass_ = st->mass;
  const Vec3f* GV_RESTRICT P = st->pos;
  Vec3f* GV_RESTRICT A = st->accel;
  Vec3f* GV_RESTRICT D = st->disp;
  double Ms = 0.0, mx[3] = {0.0, 0.0, 0.0}, md[3] = {0.0, 0.0, 0.0};
  for (int32_t i = b; i < e; ++i) {
    // A node sits on the low side of its own cell (element 0) and on the high
    // side of the cells reached by its -x (4), -y (2) and -z (1) steps.
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 8; ++k) {
      const Vec3f* W = WC[CL[i][k]];
      const float sx = (k & 4) ? -1.0f : 1.0f;
      const float sy = (k & 2) ? -1.0f : 1.0f;
      const float sz = (k & 1) ? -1.0f : 1.0f;
      for (int c = 0; c < 3; ++c) sum[c] += sx * W[0][c] + sy * W[1][c] + sz * W[2][c];
    }
    const float m = mass_[i];
    const float w = m > 0.0f ? 1.0f / m : 1.0f;
    const Vec3f* Ei = WE[i];
    const Vec3f* Ex = WE[L[i][kMinusX]];
    const Vec3f* Ey = WE[L[i][kMinusY]];
    const Vec3f* Ez = WE[L[i][kMinusZ]];
    const double md_ = m;
    Ms += md_;
    for (int c = 0; c < 3; ++c) {
      float a = w * sum[c];
      a += w * (Ei[0][c] - Ex[0][c] + Ei[1][c] - Ey[1][c] + Ei[2][c] - Ez[2][c]);
      A[i][c] = a;
      D[i][c] = a * h2;
      mx[c] += md_ * P[i][c];
      md[c] += md_ * D[i][c];
    }
  }
  sums->mass = Ms;
  for (int c = 0; c < 3; ++c) {
    sums->massPos[c] = mx[c];
    sums->massDisp[c] = md[c];
  }
}

// Offsets from the centre (scratch 4), the displaced offsets less the mean
// displacement (scratch 5) and the displacement before its correction
// (scratch 6, where the part operations find it), with the chunk's angular
// sums over part 1.
static void offsetPass(HAState* st, const float centre[3], const float dMean[3], AngularSums* sums, int32_t b,
                       int32_t e) {
  const float* GV_RESTRICT m_ = st->mass;
  const uint32_t* GV_RESTRICT PM = st->partMask;
  const Vec3f* GV_RESTRICT P = st->pos;
  const Vec3f* GV_RESTRICT D = st->disp;
  Vec3f* GV_RESTRICT r = st->scratchVec[4];
  Vec3f* GV_RESTRICT q = st->scratchVec[5];
  Vec3f* GV_RESTRICT d = st->scratchVec[6];
  AngularSums s;
  for (int32_t i = b; i < e; ++i) {
    for (int c = 0; c < 3; ++c) {
      r[i][c] = P[i][c] - centre[c];
      q[i][c] = r[i][c] + D[i][c] - dMean[c];
      d[i][c] = D[i][c];
    }
    if (PM && (PM[i] & 2u)) GVAngularSumsAdd(&s, m_[i], d[i], r[i], q[i]);
  }
  *sums = s;
}

// The rigid-motion correction, the constant forces and the carried velocity
// on disp; clears the reaction sums and contact words of the sub-step.
static void finishForcePass(HAState* st, const float omega[3], const float dMean[3], float h, float h2, int32_t b,
                            int32_t e) {
  const MatterProps* GV_RESTRICT M = st->matter;
  const Vec3f* GV_RESTRICT V = st->vel;
  const Vec3f* GV_RESTRICT r = st->scratchVec[4];
  Vec3f* GV_RESTRICT D = st->disp;
  Vec3f* GV_RESTRICT RA = st->reactionAccum;
  for (int32_t i = b; i < e; ++i) {
    const float* ri = r[i];
    D[i][0] += (omega[1] * ri[2] - omega[2] * ri[1]) - dMean[0];
    D[i][1] += (omega[2] * ri[0] - omega[0] * ri[2]) - dMean[1];
    D[i][2] += (omega[0] * ri[1] - omega[1] * ri[0]) - dMean[2];
    const float s2h2 = M[i].scaleT * M[i].scaleT * h2;
    D[i][0] += M[i].forceX * s2h2;
    D[i][1] += M[i].forceY * s2h2;
    D[i][2] += M[i].forceZ * s2h2;
    for (int c = 0; c < 3; ++c) D[i][c] += V[i][c] * h;
    zero3(RA[i]);
  }
  std::memset(st->contactFlags + b, 0, sizeof(*st->contactFlags) * (e - b));
  std::memset(st->contactAux + b, 0, sizeof(*st->contactAux) * (e - b));
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
  // Entry 0 stands for a missing neighbour or cell in every gather below.
  for (int k = 0; k < 7; ++k) assert(links[0][k] == 0);
  for (int k = 0; k < 8; ++k) assert(cells[0][k] == 0);
  for (int a = 0; a < 3; ++a)
    for (int c = 0; c < 3; ++c) assert(linkStrain[0][2 * a + 1][c] == 0.0f && prevLinkStrain[0][2 * a + 1][c] == 0.0f);
  if (p->subStepIndex == 1) std::memcpy(stepStartPos + 1, pos + 1, sizeof(Vec3f) * n);

  const float h2 = h * h;
  ChunkSums* sums = chunkSums.data();
  forChunks(this, [&](int32_t, int32_t b, int32_t e) { edgeStrainPass(this, b, e); });
  forChunks(this, [&](int32_t, int32_t b, int32_t e) { stressPass(this, invH, b, e); });
  for (int k = 0; k < 3; ++k) assert(worldCellStress[0][k][0] == 0.0f && worldEdgeStress[0][k][0] == 0.0f);
  forChunks(this, [&](int32_t k, int32_t b, int32_t e) { accelPass(this, h2, &sums[k], b, e); });

  // Removes the mean and, to first order, the rotation of disp.
  const size_t chunks = chunkSums.size();
  double M = 0.0, mx[3] = {0.0, 0.0, 0.0}, md[3] = {0.0, 0.0, 0.0};
  for (size_t k = 0; k < chunks; ++k) {
    M += sums[k].mass;
    for (int c = 0; c < 3; ++c) {
      mx[c] += sums[k].massPos[c];
      md[c] += sums[k].massDisp[c];
    }
  }
  float centre[3] = {0.0f, 0.0f, 0.0f}, dMean[3] = {0.0f, 0.0f, 0.0f};
  if (M != 0.0) {
    for (int c = 0; c < 3; ++c) {
      centre[c] = static_cast<float>(mx[c] / M);
      dMean[c] = static_cast<float>(md[c] / M);
    }
  }
  forChunks(this, [&](int32_t k, int32_t b, int32_t e) { offsetPass(this, centre, dMean, &sums[k].angular, b, e); });
  AngularSums ang;
  for (size_t k = 0; k < chunks; ++k) GVAngularSumsFold(&ang, sums[k].angular);
  float L[3], Jinv[9];
  GVAngularSumsFinish(ang, L, Jinv);
  float omega[3];
  GVMat3MulVec(omega, Jinv, L);
  forChunks(this, [&](int32_t, int32_t b, int32_t e) { finishForcePass(this, omega, dMean, h, h2, b, e); });
}

// ---------------------------------------------------------------------------
// Commit phase

// Turns the rest links of node i by its spin; below 1e-6 radians they are left
// exactly as they are. A single-layer node keeps its out-of-plane rest link
// (slot 6) turning with it although that link has no node.
static inline void rotateNodeRestLinks(const float* w, const int32_t* L, Vec3f* GV_RESTRICT rest) {
  const float theta2 = w[0] * w[0] + w[1] * w[1] + w[2] * w[2];
  const float theta = std::sqrt(theta2);
  if (!(theta >= 1e-6f)) return;
  // k = sin(theta/2) / theta and qw = cos(theta/2). A sub-step turns a node by
  // far less than half a radian, where the series below are exact to the last
  // bit of a float and much cheaper than the library calls.
  float k, qw;
  if (theta < 0.5f) {
    const float t = 0.25f * theta2;  // (theta/2)^2
    k = 0.5f * (1.0f - t * (1.0f / 6.0f) * (1.0f - t * (1.0f / 20.0f) * (1.0f - t * (1.0f / 42.0f) * (1.0f - t * (1.0f / 72.0f)))));
    qw = 1.0f - t * 0.5f * (1.0f - t * (1.0f / 12.0f) * (1.0f - t * (1.0f / 30.0f) * (1.0f - t * (1.0f / 56.0f))));
  } else {
    k = std::sin(0.5f * theta) / theta;
    qw = std::cos(0.5f * theta);
  }
  const float x = w[0] * k, y = w[1] * k, z = w[2] * k;
  // Rotation by theta about the spin axis, rows first: R v turns v with the
  // material.
  const float R[9] = {1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y - z * qw),        2.0f * (x * z + y * qw),
                      2.0f * (x * y + z * qw),        1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z - x * qw),
                      2.0f * (x * z - y * qw),        2.0f * (y * z + x * qw),        1.0f - 2.0f * (x * x + y * y)};
  const bool flatNode = L[kMinusZ] == 0 && L[kPlusZ] == 0;
  for (int s = 0; s < 7; ++s) {
    if (L[s] == 0 && !(s == kPlusZ && flatNode)) continue;
    const float v[3] = {rest[s][0], rest[s][1], rest[s][2]};
    rowsMul(R, v, rest[s]);
  }
}

void HAState::rotateRestLinks() {
  for (int32_t i = 1; i <= nodeCount; ++i) rotateNodeRestLinks(spin[i], links[i], restLinks[i]);
}

// Edge frames average the rest frames at both ends of the node's +x, +y, +z
// edges (a missing end reads entry 0, the identity). The same arithmetic as
// updateNodeFrames.
static void edgeFramePass(HAState* st, bool flat, int32_t b, int32_t e) {
  const int32_t(*GV_RESTRICT L)[7] = st->links;
  const Mat3f* GV_RESTRICT F = st->restFrame;
  Mat3f* GV_RESTRICT EF[3] = {st->edgeFrame[0], st->edgeFrame[1], st->edgeFrame[2]};
  for (int32_t i = b; i < e; ++i) {
    for (int a = 0; a < 3; ++a) {
      float* E = EF[a][i];
      if (a == 2 && flat) {
        for (int m = 0; m < 9; ++m) E[m] = F[i][m];
        continue;
      }
      const float* other = F[L[i][2 * a + 2]];
      for (int m = 0; m < 9; ++m) E[m] = 0.5f * (F[i][m] + other[m]);
    }
  }
}

// Cell frames gather, per column, the matching columns of the cell's parallel
// edges.
static void cellFramePass(HAState* st, bool flat, int32_t b, int32_t e) {
  const int32_t(*GV_RESTRICT L)[7] = st->links;
  const Mat3f* GV_RESTRICT EF[3] = {st->edgeFrame[0], st->edgeFrame[1], st->edgeFrame[2]};
  Mat3f* GV_RESTRICT CF = st->cellFrame;
  for (int32_t i = b; i < e; ++i) {
    const int32_t px = L[i][kPlusX], py = L[i][kPlusY], pz = L[i][kPlusZ];
    const int32_t edges[3][4] = {{i, py, pz, L[pz][kPlusY]}, {i, pz, px, L[px][kPlusZ]}, {i, px, py, L[py][kPlusX]}};
    float* C = CF[i];
    for (int a = 0; a < 3; ++a) {
      const bool inPlane = flat && a < 2;
      const int32_t flatSet[2] = {i, a == 0 ? py : px};
      const int32_t* nodes = inPlane ? flatSet : edges[a];
      const int count = inPlane ? 2 : 4;
      const Mat3f* E = EF[a];
      float col[3] = {0, 0, 0};
      for (int k = 0; k < count; ++k)
        for (int m = 0; m < 3; ++m) col[m] += E[nodes[k]][3 * m + a];
      for (int m = 0; m < 3; ++m) C[3 * m + a] = 0.25f * col[m];
    }
  }
}

// The new velocity is the old one plus the change the step made to the
// displacement. Taking disp / h instead multiplies the old velocity by
// h * (1/h), which in floats is not 1: a free body then gains momentum every
// sub-step. The force phase's own product vel * h is formed again here, so a
// step that changed nothing gives back exactly the velocity it started from.
static void commitPass(HAState* st, float h, float invH, int32_t b, int32_t e) {
  Vec3f* GV_RESTRICT P = st->pos;
  Vec3f* GV_RESTRICT V = st->vel;
  Vec3f* GV_RESTRICT D = st->disp;
  for (int32_t i = b; i < e; ++i) {
    for (int c = 0; c < 3; ++c) {
      const float carried = V[i][c] * h;
      V[i][c] += (D[i][c] - carried) * invH;
      P[i][c] += D[i][c];
      D[i][c] = 0.0f;
    }
  }
}

// Per node, in one sweep (each line reads only node i's own rest data and the
// committed positions): deviation of every link from its rest vector; the
// spin of the material, half the curl of the deviation field with derivatives
// central inside the lattice and one-sided at its border; the rest links
// turned by that spin; the new rest frame and its inverse; the link strains in
// that frame. The previous link strains are already in prevLinkStrain (the
// caller swapped the two arrays).
static void restFramePass(HAState* st, bool flat, int32_t b, int32_t e) {
  const float cellSize = st->cellSize;
  const float g = cellSize > 0.0f ? 0.5f / cellSize : 0.0f;
  const float frameScale = cellSize >= 0.01f ? 1.0f / cellSize : 0.0f;
  const Vec3f* GV_RESTRICT P = st->pos;
  const int32_t(*GV_RESTRICT L)[7] = st->links;
  Vec3f(*GV_RESTRICT REST)[7] = st->restLinks;
  Vec3f(*GV_RESTRICT S)[7] = st->linkStrain;
  Vec3f(*GV_RESTRICT PS)[7] = st->prevLinkStrain;
  Vec3f* GV_RESTRICT W = st->spin;
  const Vec3f* GV_RESTRICT HALF = st->diffCentral;
  const Vec3f* GV_RESTRICT ONE = st->diffOneSided;
  const int32_t* GV_RESTRICT SIDE[3] = {st->diffSide[0], st->diffSide[1], st->diffSide[2]};
  Mat3f* GV_RESTRICT RF = st->restFrame;
  Mat3f* GV_RESTRICT IRF = st->invRestFrame;
  for (int32_t i = b; i < e; ++i) {
    const int32_t* Li = L[i];
    const float pi[3] = {P[i][0], P[i][1], P[i][2]};
    Vec3f* rest = REST[i];
    float rel[7][3];  // pos[link] - pos[i]
    float dev[7][3];  // rel - rest: exactly zero for a lattice at rest in the
                      // shape its rest links were taken from
    for (int s = 0; s < 7; ++s) {
      const int32_t j = Li[s];
      for (int c = 0; c < 3; ++c) rel[s][c] = j ? P[j][c] - pi[c] : 0.0f;
      for (int c = 0; c < 3; ++c) dev[s][c] = j ? rel[s][c] - rest[s][c] : 0.0f;
    }
    float D[3][3];  // D[a]: derivative of the deviation along lattice axis a
    for (int a = 0; a < 3; ++a) {
      const float half = HALF[i][a];
      const float one = ONE[i][a];
      const int side = 2 * a + 1 + (SIDE[a][i] ? 1 : 0);
      for (int c = 0; c < 3; ++c) D[a][c] = half * (dev[2 * a + 2][c] - dev[2 * a + 1][c]) + one * dev[side][c];
    }
    const float* N = IRF[i];
    float G[3][3];  // G[c][m]: derivative of component c along world axis m
    for (int c = 0; c < 3; ++c)
      for (int m = 0; m < 3; ++m) G[c][m] = D[0][c] * N[m] + D[1][c] * N[3 + m] + D[2][c] * N[6 + m];
    float w[3];
    w[0] = g * (G[2][1] - G[1][2]);
    w[1] = g * (G[0][2] - G[2][0]);
    w[2] = g * (G[1][0] - G[0][1]);
    for (int c = 0; c < 3; ++c) W[i][c] = w[c];

    rotateNodeRestLinks(w, Li, rest);

    // The rest frame, stored row by row: column a is the derivative of the
    // rest links along lattice axis a, over the cell size (the arithmetic of
    // updateNodeFrames).
    float* Fm = RF[i];
    for (int a = 0; a < 3; ++a) {
      float col[3];
      if (a == 2 && flat) {
        for (int m = 0; m < 3; ++m) col[m] = rest[6][m] - rest[0][m];
      } else {
        const float one = ONE[i][a];
        const float half = HALF[i][a];
        const int side = 2 * a + 1 + (SIDE[a][i] ? 1 : 0);
        for (int m = 0; m < 3; ++m)
          col[m] = one * (rest[side][m] - rest[0][m]) + half * (rest[2 * a + 2][m] - rest[2 * a + 1][m]);
      }
      for (int m = 0; m < 3; ++m) Fm[3 * m + a] = col[m] * frameScale;
    }
    float Ninv[9];
    inverse3(Fm, Ninv);
    for (int k = 0; k < 9; ++k) IRF[i][k] = Ninv[k];

    for (int s = 0; s < 7; ++s) {
      if (Li[s] == 0) {
        zero3(S[i][s]);
        zero3(PS[i][s]);
        continue;
      }
      const float d[3] = {rel[s][0] - rest[s][0], rel[s][1] - rest[s][1], rel[s][2] - rest[s][2]};
      rowsMul(Ninv, d, S[i][s]);
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

  const bool flat = isFlat();
  forChunks(this, [&](int32_t, int32_t b, int32_t e) { commitPass(this, h, invH, b, e); });
  // This step's link strains become the previous ones by swapping the arrays
  // rather than copying them; the rest-frame pass then writes every linked
  // slot of the new strains and clears the unlinked slots of both.
  std::swap(linkStrain, prevLinkStrain);
  forChunks(this, [&](int32_t, int32_t b, int32_t e) { restFramePass(this, flat, b, e); });
  forChunks(this, [&](int32_t, int32_t b, int32_t e) { edgeFramePass(this, flat, b, e); });
  forChunks(this, [&](int32_t, int32_t b, int32_t e) { cellFramePass(this, flat, b, e); });
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
