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
// Every pass is one linear sweep over the node arrays, cut into fixed chunks
// that may run on several threads, and finishes before the next begins;
// nothing here allocates. Entry 0 of every array stands for "no
// node": zero vectors, identity frames. The loops copy the state's array
// pointers into restrict-qualified locals: the arrays never overlap, and
// without that the compiler reloads every pointer after every store.
#include <cassert>
#include <cmath>
#include <cstring>
#include <utility>

#include "jel/live_state.h"
#include "jel/step_lanes.h"
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

inline void zero3(float* v) { v[0] = v[1] = v[2] = 0.0f; }

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

// The lane sweeps, once for every instruction set: plain x86-64 (one and four
// lanes), AVX2 (eight) and AVX-512 (sixteen). A pass picks the state's width.
namespace sweeps {
#include "jel/step_sweeps.inc"
}  // namespace sweeps
#ifdef GV_WIDE_LANES
#pragma GCC push_options
#pragma GCC target("avx2")
namespace sweeps_avx2 {
#include "jel/step_sweeps.inc"
}  // namespace sweeps_avx2
#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx512f")
namespace sweeps_avx512 {
#include "jel/step_sweeps.inc"
}  // namespace sweeps_avx512
#pragma GCC pop_options
#endif

}  // namespace

int32_t GVStepLanesAvailable() {
#ifdef GV_WIDE_LANES
  if (__builtin_cpu_supports("avx512f")) return 16;
  if (__builtin_cpu_supports("avx2")) return 8;
#endif
#ifdef GV_FOUR_LANES
  return 4;
#else
  return 1;
#endif
}

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

static void stressPass(HAState* st, float invH, int32_t b, int32_t e) {
  const bool flat = st->isFlat();
#ifdef GV_WIDE_LANES
  if (st->stepLanes >= 16) return sweeps_avx512::stressSweep<SixteenLanes, EightLanes, FourLanes, OneLane>(st, invH, flat, b, e);
  if (st->stepLanes >= 8) return sweeps_avx2::stressSweep<EightLanes, FourLanes, OneLane>(st, invH, flat, b, e);
#endif
#ifdef GV_FOUR_LANES
  if (st->stepLanes >= 4) return sweeps::stressSweep<FourLanes, OneLane>(st, invH, flat, b, e);
#endif
  sweeps::stressSweep<OneLane>(st, invH, flat, b, e);
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
    const float m = mass_[i];
    const float w = m > 0.0f ? 1.0f / m : 1.0f;
    float acc[3];
    {
      // A node sits on the low side of its own cell (element 0) and on the
      // high side of the cells reached by its -x (4), -y (2) and -z (1) steps.
      // The x, y, z components run side by side in the lanes of R (the fourth
      // lane is never used), each with the one-component arithmetic.
      using R = Rows::F;
      R sum = Rows::zero();
      for (int k = 0; k < 8; ++k) {
        const float* W = WC[CL[i][k]][0];
        const R sx = Rows::splat((k & 4) ? -1.0f : 1.0f);
        const R sy = Rows::splat((k & 2) ? -1.0f : 1.0f);
        const R sz = Rows::splat((k & 1) ? -1.0f : 1.0f);
        sum += sx * Rows::row(W, 0) + sy * Rows::row(W, 1) + sz * Rows::row(W, 2);
      }
      const float* Ei = WE[i][0];
      const float* Ex = WE[L[i][kMinusX]][0];
      const float* Ey = WE[L[i][kMinusY]][0];
      const float* Ez = WE[L[i][kMinusZ]][0];
      const R wv = Rows::splat(w);
      R a = wv * sum;
      a += wv * (Rows::row(Ei, 0) - Rows::row(Ex, 0) + Rows::row(Ei, 1) - Rows::row(Ey, 1) + Rows::row(Ei, 2) -
                 Rows::row(Ez, 2));
      Rows::put(a, acc);
    }
    const double md_ = m;
    Ms += md_;
    for (int c = 0; c < 3; ++c) {
      const float a = acc[c];
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


void HAState::rotateRestLinks() {
  for (int32_t i = 1; i <= nodeCount; ++i) {
    float w[3], rest[7][3];
    bool linked[7];
    for (int c = 0; c < 3; ++c) w[c] = spin[i][c];
    for (int s = 0; s < 7; ++s) {
      linked[s] = links[i][s] != 0;
      for (int c = 0; c < 3; ++c) rest[s][c] = restLinks[i][s][c];
    }
    sweeps::rotateRest<OneLane>(w, linked, rest);
    for (int s = 0; s < 7; ++s)
      for (int c = 0; c < 3; ++c) restLinks[i][s][c] = rest[s][c];
  }
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

static void restFramePass(HAState* st, bool flat, int32_t b, int32_t e) {
#ifdef GV_WIDE_LANES
  if (st->stepLanes >= 16) return sweeps_avx512::restFrameSweep<SixteenLanes, EightLanes, FourLanes, OneLane>(st, flat, b, e);
  if (st->stepLanes >= 8) return sweeps_avx2::restFrameSweep<EightLanes, FourLanes, OneLane>(st, flat, b, e);
#endif
#ifdef GV_FOUR_LANES
  if (st->stepLanes >= 4) return sweeps::restFrameSweep<FourLanes, OneLane>(st, flat, b, e);
#endif
  sweeps::restFrameSweep<OneLane>(st, flat, b, e);
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
