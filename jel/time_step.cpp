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
// Lanes
//
// The rest-frame pass does the same arithmetic for one node or for four
// neighbouring nodes side by side (one per lane of a 4-float vector). Every
// lane runs exactly the operations of the one-node form, in the same order,
// so both give the same bits; selects stand in for the one-node branches.

#if defined(__GNUC__)
#define GV_FOUR_LANES 1
typedef float Float4 __attribute__((vector_size(16)));
typedef int32_t Mask4 __attribute__((vector_size(16)));
#if defined(__clang__)
#define GV_SHUFFLE(a, b, i, j, k, l) __builtin_shufflevector(a, b, i, j, k, l)
#else
#define GV_SHUFFLE(a, b, i, j, k, l) __builtin_shuffle(a, b, Mask4{i, j, k, l})
#endif
#if defined(__SSE__)
#include <xmmintrin.h>
#endif
#endif

struct OneLane {
  static constexpr int N = 1;
  using F = float;
  using M = bool;
  static F splat(float v) { return v; }
  static F sel(M m, F a, F b) { return m ? a : b; }
  static M both(M a, M b) { return a && b; }
  static M either(M a, M b) { return a || b; }
  static M notm(M a) { return !a; }
  static M isZero(F v) { return v == 0.0f; }
  static bool any(M m) { return m; }
  static F sqrt(F v) { return std::sqrt(v); }
  static F load(const float* base, const int32_t* node, int stride, int off) { return base[node[0] * stride + off]; }
  static M nonZero(const int32_t* base, const int32_t* node, int stride, int off) {
    return base[node[0] * stride + off] != 0;
  }
  static void store(F v, float* base, const int32_t* node, int stride, int off) { base[node[0] * stride + off] = v; }
  static bool lane(M m, int) { return m; }
  // Record of S floats of node `first`.
  template <int S>
  static void loadRecord(const float* base, int32_t first, F* out) {
    for (int k = 0; k < S; ++k) out[k] = base[first * S + k];
  }
  template <int S>
  static void storeRecord(float* base, int32_t first, const F* in) {
    for (int k = 0; k < S; ++k) base[first * S + k] = in[k];
  }
};

#ifdef GV_FOUR_LANES
struct FourLanes {
  static constexpr int N = 4;
  using F = Float4;
  using M = Mask4;
  static F splat(float v) { return F{v, v, v, v}; }
  static F sel(M m, F a, F b) { return (F)((m & (M)a) | (~m & (M)b)); }
  static M both(M a, M b) { return a & b; }
  static M either(M a, M b) { return a | b; }
  static M notm(M a) { return ~a; }
  static M isZero(F v) { return v == splat(0.0f); }
  static bool any(M m) {
#if defined(__SSE__)
    return _mm_movemask_ps((__m128)m) != 0;
#else
    return (m[0] | m[1] | m[2] | m[3]) != 0;
#endif
  }
  static F sqrt(F v) {
#if defined(__SSE__)
    return (F)_mm_sqrt_ps((__m128)v);
#else
    return F{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
  }
  static F load(const float* base, const int32_t* node, int stride, int off) {
    return F{base[node[0] * stride + off], base[node[1] * stride + off], base[node[2] * stride + off],
             base[node[3] * stride + off]};
  }
  static M nonZero(const int32_t* base, const int32_t* node, int stride, int off) {
    const M v = {base[node[0] * stride + off], base[node[1] * stride + off], base[node[2] * stride + off],
                 base[node[3] * stride + off]};
    return v != M{0, 0, 0, 0};
  }
  static void store(F v, float* base, const int32_t* node, int stride, int off) {
    for (int l = 0; l < 4; ++l) base[node[l] * stride + off] = v[l];
  }
  static bool lane(M m, int l) { return m[l] != 0; }
  // The records of S floats of nodes first..first+3 lie one after another:
  // they are turned into S lanes four columns at a time.
  static void transpose(F& a, F& b, F& c, F& d) {
    const F t0 = GV_SHUFFLE(a, b, 0, 4, 1, 5), t1 = GV_SHUFFLE(c, d, 0, 4, 1, 5);
    const F t2 = GV_SHUFFLE(a, b, 2, 6, 3, 7), t3 = GV_SHUFFLE(c, d, 2, 6, 3, 7);
    a = GV_SHUFFLE(t0, t1, 0, 1, 4, 5);
    b = GV_SHUFFLE(t0, t1, 2, 3, 6, 7);
    c = GV_SHUFFLE(t2, t3, 0, 1, 4, 5);
    d = GV_SHUFFLE(t2, t3, 2, 3, 6, 7);
  }
  template <int S>
  static void loadRecord(const float* base, int32_t first, F* out) {
    const float* r = base + static_cast<size_t>(first) * S;
    int k = 0;
    for (; k + 4 <= S; k += 4) {
      F v[4];
      for (int l = 0; l < 4; ++l) std::memcpy(&v[l], r + l * S + k, sizeof(F));
      transpose(v[0], v[1], v[2], v[3]);
      for (int l = 0; l < 4; ++l) out[k + l] = v[l];
    }
    for (; k < S; ++k) out[k] = F{r[k], r[S + k], r[2 * S + k], r[3 * S + k]};
  }
  template <int S>
  static void storeRecord(float* base, int32_t first, const F* in) {
    float* r = base + static_cast<size_t>(first) * S;
    int k = 0;
    for (; k + 4 <= S; k += 4) {
      F v[4] = {in[k], in[k + 1], in[k + 2], in[k + 3]};
      transpose(v[0], v[1], v[2], v[3]);
      for (int l = 0; l < 4; ++l) std::memcpy(r + l * S + k, &v[l], sizeof(F));
    }
    for (; k < S; ++k)
      for (int l = 0; l < 4; ++l) r[l * S + k] = in[k][l];
  }
};
#endif

// Rows of a record of three 3-vectors (nine floats) as x, y, z lanes.
struct Rows {
#ifdef GV_FOUR_LANES
  using F = Float4;
  static F zero() { return F{0.0f, 0.0f, 0.0f, 0.0f}; }
  static F splat(float v) { return F{v, v, v, v}; }
  // Row r of the record at m; the last row is read from one float earlier so
  // the read stays inside the record.
  static F row(const float* m, int r) {
    F v;
    std::memcpy(&v, m + (r < 2 ? 3 * r : 5), sizeof(F));
    return r < 2 ? v : GV_SHUFFLE(v, v, 1, 2, 3, 3);
  }
  static void put(F v, float* out) {
    for (int c = 0; c < 3; ++c) out[c] = v[c];
  }
#else
  struct F {
    float v[3];
    F operator+(F o) const { return {{v[0] + o.v[0], v[1] + o.v[1], v[2] + o.v[2]}}; }
    F operator-(F o) const { return {{v[0] - o.v[0], v[1] - o.v[1], v[2] - o.v[2]}}; }
    F operator*(F o) const { return {{v[0] * o.v[0], v[1] * o.v[1], v[2] * o.v[2]}}; }
    F& operator+=(F o) { return *this = *this + o; }
  };
  static F zero() { return F{{0.0f, 0.0f, 0.0f}}; }
  static F splat(float v) { return F{{v, v, v}}; }
  static F row(const float* m, int r) { return F{{m[3 * r], m[3 * r + 1], m[3 * r + 2]}}; }
  static void put(F v, float* out) {
    for (int c = 0; c < 3; ++c) out[c] = v.v[c];
  }
#endif
};

// Row form: element r of the result is row r of the stored matrix (elements
// 3r..3r+2) dotted with v. The node frames are stored row by row.
template <class T, class F = typename T::F>
inline void rowsMulT(const F* m, const F* v, F* out) {
  const F x = v[0], y = v[1], z = v[2];
  out[0] = m[0] * x + m[1] * y + m[2] * z;
  out[1] = m[3] * x + m[4] * y + m[5] * z;
  out[2] = m[6] * x + m[7] * y + m[8] * z;
}

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
// strains at the node and the far corners of its cell; writes the four stress
// arrays). Nodes first..first+N-1 side by side.
template <class T, class F = typename T::F, class M = typename T::M>
static void stressNodes(HAState* st, float invH_, bool flat, int32_t first) {
  constexpr int N = T::N;
  const int32_t(*L)[7] = st->links;
  const float* E = st->edgeStrain[0][0];
  const F zero = T::splat(0.0f);
  const F quarter = T::splat(0.25f);
  int32_t X[N], Y[N], Z[N], YZ[N], ZX[N], XY[N];
  for (int l = 0; l < N; ++l) {
    const int32_t i = first + l;
    X[l] = L[i][kPlusX];
    Y[l] = L[i][kPlusY];
    Z[l] = L[i][kPlusZ];
    // The fourth parallel edge of each direction starts at the far corner of
    // the cell face; a missing node reads the zero entry.
    YZ[l] = L[Z[l]][kPlusY];
    ZX[l] = L[X[l]][kPlusZ];
    XY[l] = L[Y[l]][kPlusX];
  }
  F Ei[9], PEi[9];
  T::template loadRecord<9>(E, first, Ei);
  T::template loadRecord<9>(st->prevEdgeStrain[0][0], first, PEi);
  F C1[3], C2[3], C3[3];
  for (int c = 0; c < 3; ++c) {
    C1[c] = quarter * (T::load(E, Y, 9, c) + Ei[c] + T::load(E, Z, 9, c) + T::load(E, YZ, 9, c));
    C2[c] = quarter * (T::load(E, Z, 9, 3 + c) + Ei[3 + c] + T::load(E, X, 9, 3 + c) + T::load(E, ZX, 9, 3 + c));
    C3[c] = quarter * (T::load(E, X, 9, 6 + c) + Ei[6 + c] + T::load(E, Y, 9, 6 + c) + T::load(E, XY, 9, 6 + c));
  }
  F matter[12], nc[3], sc[3], K[9], DC[3];
  static_assert(sizeof(MatterProps) == 12 * sizeof(float), "matter records are twelve floats");
  T::template loadRecord<12>(reinterpret_cast<const float*>(st->matter), first, matter);
  const F Fz = matter[11];  // flatZ
  T::template loadRecord<3>(st->normalCoef[0], first, nc);
  T::template loadRecord<3>(st->shearCoef[0], first, sc);
  T::template loadRecord<9>(st->edgeCoef[0][0], first, K);
  T::template loadRecord<3>(st->edgeDampCoef[0], first, DC);

  F cs[9];
  cs[0] = (C2[1] + C3[2]) * nc[0];
  cs[1] = sc[1] * C2[0];
  cs[2] = sc[2] * C3[0] * Fz;
  cs[3] = C1[1] * sc[0];
  cs[4] = (C1[0] + C3[2]) * nc[1];
  cs[5] = sc[2] * C3[1] * Fz;
  cs[6] = C1[2] * sc[0];
  cs[7] = sc[1] * C2[2];
  cs[8] = (C1[0] + C2[1]) * nc[2] * Fz;
  // A single layer has no stress across its thickness.
  if (flat) cs[6] = cs[7] = cs[8] = zero;

  const F invH = T::splat(invH_);
  F es[9];
  for (int a = 0; a < 3; ++a) {
    const F* k = K + 3 * a;
    const F* ea = Ei + 3 * a;
    const F* pe = PEi + 3 * a;
    const F damp = DC[a] * invH;
    es[3 * a + 0] = k[0] * ea[0] + (ea[0] - pe[0]) * damp;
    es[3 * a + 1] = k[1] * ea[1] + (ea[1] - pe[1]) * damp;
    // z carries flatZ on its stiffness and flatZ squared on its damping.
    es[3 * a + 2] = k[2] * ea[2] * Fz + (ea[2] - pe[2]) * damp * (Fz * Fz);
  }
  if (flat) es[6] = es[7] = es[8] = zero;

  F CF[9], WC[9], WE[9];
  T::template loadRecord<9>(st->cellFrame[0], first, CF);
  for (int a = 0; a < 3; ++a) {
    F EF[9];
    T::template loadRecord<9>(st->edgeFrame[a][0], first, EF);
    rowsMulT<T>(CF, cs + 3 * a, WC + 3 * a);
    rowsMulT<T>(EF, es + 3 * a, WE + 3 * a);
  }
  T::template storeRecord<9>(st->cellStress[0][0], first, cs);
  T::template storeRecord<9>(st->edgeStress[0][0], first, es);
  T::template storeRecord<9>(st->worldCellStress[0][0], first, WC);
  T::template storeRecord<9>(st->worldEdgeStress[0][0], first, WE);
}

static void stressPass(HAState* st, float invH, int32_t b, int32_t e) {
  const bool flat = st->isFlat();
  int32_t i = b;
#ifdef GV_FOUR_LANES
  for (; i + 4 <= e; i += 4) stressNodes<FourLanes>(st, invH, flat, i);
#endif
  for (; i < e; ++i) stressNodes<OneLane>(st, invH, flat, i);
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

// Turns the rest links of a node by its spin w; below 1e-6 radians they are
// left exactly as they are. A single-layer node keeps its out-of-plane rest
// link (slot 6) turning with it although that link has no node. linked[s]:
// slot s has a node. Four lanes handle only turns below half a radian (the
// caller checks); one lane takes the library sine and cosine above that.
template <class T, class F = typename T::F, class M = typename T::M>
inline void rotateRest(const F* w, const M* linked, F (*rest)[3]) {
  const F theta2 = w[0] * w[0] + w[1] * w[1] + w[2] * w[2];
  const F theta = T::sqrt(theta2);
  const M turns = theta >= T::splat(1e-6f);
  if (!T::any(turns)) return;
  // k = sin(theta/2) / theta and qw = cos(theta/2). A sub-step turns a node by
  // far less than half a radian, where the series below are exact to the last
  // bit of a float and much cheaper than the library calls.
  F k, qw;
  const F t = T::splat(0.25f) * theta2;  // (theta/2)^2
  const F one = T::splat(1.0f);
  k = T::splat(0.5f) *
      (one - t * T::splat(1.0f / 6.0f) *
                 (one - t * T::splat(1.0f / 20.0f) *
                            (one - t * T::splat(1.0f / 42.0f) * (one - t * T::splat(1.0f / 72.0f)))));
  qw = one - t * T::splat(0.5f) *
                 (one - t * T::splat(1.0f / 12.0f) *
                            (one - t * T::splat(1.0f / 30.0f) * (one - t * T::splat(1.0f / 56.0f))));
  if constexpr (T::N == 1) {
    if (!(theta < 0.5f)) {
      k = std::sin(0.5f * theta) / theta;
      qw = std::cos(0.5f * theta);
    }
  }
  const F x = w[0] * k, y = w[1] * k, z = w[2] * k;
  const F two = T::splat(2.0f);
  // Rotation by theta about the spin axis, rows first: R v turns v with the
  // material.
  const F R[9] = {one - two * (y * y + z * z), two * (x * y - z * qw),      two * (x * z + y * qw),
                  two * (x * y + z * qw),      one - two * (x * x + z * z), two * (y * z - x * qw),
                  two * (x * z - y * qw),      two * (y * z + x * qw),      one - two * (x * x + y * y)};
  const M flatNode = T::both(T::notm(linked[kMinusZ]), T::notm(linked[kPlusZ]));
  for (int s = 0; s < 7; ++s) {
    const M moves = T::both(turns, s == kPlusZ ? T::either(linked[s], flatNode) : linked[s]);
    if (!T::any(moves)) continue;
    F v[3];
    rowsMulT<T>(R, rest[s], v);
    for (int c = 0; c < 3; ++c) rest[s][c] = T::sel(moves, v[c], rest[s][c]);
  }
}

void HAState::rotateRestLinks() {
  for (int32_t i = 1; i <= nodeCount; ++i) {
    float w[3], rest[7][3];
    bool linked[7];
    for (int c = 0; c < 3; ++c) w[c] = spin[i][c];
    for (int s = 0; s < 7; ++s) {
      linked[s] = links[i][s] != 0;
      for (int c = 0; c < 3; ++c) rest[s][c] = restLinks[i][s][c];
    }
    rotateRest<OneLane>(w, linked, rest);
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

// Per node, in one sweep (each line reads only the node's own rest data and
// the committed positions): deviation of every link from its rest vector; the
// spin of the material, half the curl of the deviation field with derivatives
// central inside the lattice and one-sided at its border; the rest links
// turned by that spin; the new rest frame and its inverse; the link strains in
// that frame. The previous link strains are already in prevLinkStrain (the
// caller swapped the two arrays). Nodes first..first+N-1 side by side; false (with
// nothing written) when four lanes meet a turn of half a radian or more.
template <class T, class F = typename T::F, class M = typename T::M>
static bool restFrameNodes(HAState* st, bool flat, int32_t first) {
  constexpr int N = T::N;
  const float cellSize = st->cellSize;
  const F g = T::splat(cellSize > 0.0f ? 0.5f / cellSize : 0.0f);
  const F frameScale = T::splat(cellSize >= 0.01f ? 1.0f / cellSize : 0.0f);
  const float* P = st->pos[0];
  const int32_t* L = st->links[0];
  const F zero = T::splat(0.0f);

  int32_t node[N];
  for (int l = 0; l < N; ++l) node[l] = first + l;
  F pi[3], rest[7][3], rel[7][3], dev[7][3];
  M linked[7];
  T::template loadRecord<3>(P, first, pi);
  T::template loadRecord<21>(st->restLinks[0][0], first, rest[0]);
  for (int s = 0; s < 7; ++s) {
    int32_t j[N];
    for (int l = 0; l < N; ++l) j[l] = L[7 * node[l] + s];
    linked[s] = T::nonZero(L, node, 7, s);
    for (int c = 0; c < 3; ++c) {
      // pos[link] - pos[node]; (pos[link] - pos[node]) - rest is exactly zero
      // for a lattice at rest in the shape its rest links were taken from.
      rel[s][c] = T::sel(linked[s], T::load(P, j, 3, c) - pi[c], zero);
      dev[s][c] = T::sel(linked[s], rel[s][c] - rest[s][c], zero);
    }
  }
  F half[3], one[3];
  M plusSide[3];
  T::template loadRecord<3>(st->diffCentral[0], first, half);
  T::template loadRecord<3>(st->diffOneSided[0], first, one);
  for (int a = 0; a < 3; ++a) plusSide[a] = T::nonZero(st->diffSide[a], node, 1, 0);
  F D[3][3];  // D[a]: derivative of the deviation along lattice axis a
  for (int a = 0; a < 3; ++a)
    for (int c = 0; c < 3; ++c)
      D[a][c] = half[a] * (dev[2 * a + 2][c] - dev[2 * a + 1][c]) +
                one[a] * T::sel(plusSide[a], dev[2 * a + 2][c], dev[2 * a + 1][c]);
  F N_[9];
  T::template loadRecord<9>(st->invRestFrame[0], first, N_);
  F G[3][3];  // G[c][m]: derivative of component c along world axis m
  for (int c = 0; c < 3; ++c)
    for (int m = 0; m < 3; ++m) G[c][m] = D[0][c] * N_[m] + D[1][c] * N_[3 + m] + D[2][c] * N_[6 + m];
  F w[3];
  w[0] = g * (G[2][1] - G[1][2]);
  w[1] = g * (G[0][2] - G[2][0]);
  w[2] = g * (G[1][0] - G[0][1]);
  if constexpr (N > 1) {
    const F theta = T::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    if (T::any(theta >= T::splat(0.5f))) return false;
  }
  rotateRest<T>(w, linked, rest);

  // The rest frame, stored row by row: column a is the derivative of the rest
  // links along lattice axis a, over the cell size (the arithmetic of
  // updateNodeFrames).
  F Fm[9];
  for (int a = 0; a < 3; ++a) {
    F col[3];
    if (a == 2 && flat) {
      for (int m = 0; m < 3; ++m) col[m] = rest[6][m] - rest[0][m];
    } else {
      for (int m = 0; m < 3; ++m)
        col[m] = one[a] * (T::sel(plusSide[a], rest[2 * a + 2][m], rest[2 * a + 1][m]) - rest[0][m]) +
                 half[a] * (rest[2 * a + 2][m] - rest[2 * a + 1][m]);
    }
    for (int m = 0; m < 3; ++m) Fm[3 * m + a] = col[m] * frameScale;
  }
  // Inverse by cofactors, the arithmetic of GVMat3Inverse (a singular matrix
  // gives zeros).
  F cof[9], Ninv[9];
  const F det = GVMat3Cofactors(Fm, cof);
  const F scale = T::sel(T::isZero(det), zero, T::splat(1.0f) / det);
  for (int k = 0; k < 9; ++k) Ninv[k] = cof[k] * scale;

  F S[7][3];
  for (int s = 0; s < 7; ++s) {
    const F d[3] = {rel[s][0] - rest[s][0], rel[s][1] - rest[s][1], rel[s][2] - rest[s][2]};
    rowsMulT<T>(Ninv, d, S[s]);
    for (int c = 0; c < 3; ++c) S[s][c] = T::sel(linked[s], S[s][c], zero);
  }

  T::template storeRecord<3>(st->spin[0], first, w);
  T::template storeRecord<21>(st->restLinks[0][0], first, rest[0]);
  T::template storeRecord<21>(st->linkStrain[0][0], first, S[0]);
  T::template storeRecord<9>(st->restFrame[0], first, Fm);
  T::template storeRecord<9>(st->invRestFrame[0], first, Ninv);
  // An unlinked slot has no previous strain either.
  for (int s = 0; s < 7; ++s) {
    if (!T::any(T::notm(linked[s]))) continue;
    for (int l = 0; l < N; ++l)
      if (!T::lane(linked[s], l)) zero3(st->prevLinkStrain[node[l]][s]);
  }
  return true;
}

static void restFramePass(HAState* st, bool flat, int32_t b, int32_t e) {
  int32_t i = b;
#ifdef GV_FOUR_LANES
  for (; i + 4 <= e; i += 4) {
    if (restFrameNodes<FourLanes>(st, flat, i)) continue;
    for (int l = 0; l < 4; ++l) restFrameNodes<OneLane>(st, flat, i + l);
  }
#endif
  for (; i < e; ++i) restFrameNodes<OneLane>(st, flat, i);
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
