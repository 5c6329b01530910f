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
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

#include "jel/live_state.h"
#include "jel/step_lanes.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"
#include "jel/worker_pool.h"

#define GV_RESTRICT __restrict

namespace {

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

// Zeroes bytes bytes from p. Most per-node words the force phase clears are
// zero already (only contacts and walls set them): a 64-byte block is written
// only where it holds a set bit, so the lines of an untouched lattice are read
// but left clean.
inline void clearWhereSet(void* p, size_t bytes) {
  char* c = static_cast<char*>(p);
  size_t k = 0;
  for (; k + 64 <= bytes; k += 64) {
    uint64_t w[8], any = 0;
    std::memcpy(w, c + k, sizeof w);
    for (uint64_t v : w) any |= v;
    if (any) std::memset(c + k, 0, 64);
  }
  for (; k < bytes; ++k)
    if (c[k]) c[k] = 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Chunks

namespace {

// The first node of chunk k of nodes 1..n (k may be the chunk count: n + 1).
inline int32_t chunkBegin(int32_t n, int32_t k) { return std::min(1 + k * kStepChunkNodes, n + 1); }

// Calls fn(chunk, begin, end) for the fixed chunks of nodes 1..n, on the
// state's pool when it has one.
template <class F>
void forChunks(const HAState* st, F fn) {
  const int32_t n = st->nodeCount;
  const int32_t chunks = (n + kStepChunkNodes - 1) / kStepChunkNodes;
  auto body = [&](int32_t k) { fn(k, chunkBegin(n, k), chunkBegin(n, k + 1)); };
  if (st->workers) {
    st->workers->run(chunks, body);
  } else {
    for (int32_t k = 0; k < chunks; ++k) body(k);
  }
}

// On a pool the rest-frame sweep of a Jel of at least kMinRangeNodes nodes
// runs in ranges of whole chunks, one a thread, each as one thread runs its
// chunks, the new edge strains following while the link strains are still in
// cache; each range holds at least two chunks and four times linkReach nodes
// (the edge strains of its last linkReach nodes wait for a pass of their
// own). A smaller state stays in the shared cache, where the chunks, which
// balance the threads better and need no second pass, run as fast or faster.
constexpr int32_t kMinRangeNodes = 1 << 16, kMinRangeChunks = 2, kMinRangeLinks = 4;

// How many ranges the rest-frame sweep runs in on the state's pool; 1: it
// runs chunk by chunk.
int32_t frameRanges(const HAState* st) {
  if (!st->workers || st->nodeCount < kMinRangeNodes) return 1;
  const int32_t chunks = static_cast<int32_t>(st->chunkSums.size());
  const int32_t nodes = std::max(kMinRangeChunks * kStepChunkNodes, kMinRangeLinks * st->linkReach);
  const int32_t least = (nodes + kStepChunkNodes - 1) / kStepChunkNodes;
  return std::max(1, std::min(st->workers->threads(), chunks / least));
}

// Calls fn(first chunk, end chunk) for ranges contiguous runs of whole
// chunks, as even as the chunks allow, one task each on the state's pool.
template <class F>
void forRanges(const HAState* st, int32_t ranges, F fn) {
  const int64_t chunks = static_cast<int64_t>(st->chunkSums.size());
  st->workers->run(ranges, [&](int32_t r) {
    fn(static_cast<int32_t>(chunks * r / ranges), static_cast<int32_t>(chunks * (r + 1) / ranges));
  });
}

// For the rest-frame sweep run as one thread runs it, chunk after chunk in
// order: the first node whose edge strains are still to form behind it, and
// the first whose commit is still to run ahead of it (with the sub-step's h
// and 1/h); the sweep asks ahead for no record from end on.
struct FrameLag {
  int32_t edges;
  int32_t committed;
  float h, invH;
  int32_t end;
};

// The sweeps, once for every instruction set: plain x86-64 (one and four
// lanes) and AVX2 (eight lanes, and the one-node sweeps with wider vectors). A
// step picks the set of the state's width. (Sixteen AVX-512 lanes were
// measured no faster than eight.)
namespace sweeps {
#include "jel/step_sweeps.inc"
}  // namespace sweeps
#ifdef GV_WIDE_LANES
#pragma GCC push_options
#pragma GCC target("avx2")
// GV_STEP_AVX2 lets the sweeps name AVX2 vector types and intrinsics.
#define GV_STEP_AVX2 1
namespace sweeps_avx2 {
#include "jel/step_sweeps.inc"
}  // namespace sweeps_avx2
#undef GV_STEP_AVX2
#pragma GCC pop_options
#endif

// The step's sweeps for one lane width, each over nodes b..e-1.
struct SweepSet {
  void (*edgeStrain)(HAState*, const Vec3f (*S)[7], Vec3f (*E)[3], int32_t b, int32_t e);
  void (*stress)(HAState*, float invH, bool flat, int32_t b, int32_t e);
  void (*accel)(HAState*, float h2, HAState::ChunkSums*, int32_t b, int32_t e);
  void (*stressAccel)(HAState*, float invH, bool flat, float h2, HAState::ChunkSums*, int32_t b, int32_t e);
  void (*offset)(HAState*, const float centre[3], const float dMean[3], AngularSums*, int32_t b, int32_t e);
  void (*finishForce)(HAState*, const float centre[3], const float omega[3], const float dMean[3], float h, float h2,
                      int32_t b, int32_t e);
  void (*commit)(HAState*, float h, float invH, int32_t b, int32_t e);
  void (*restFrame)(HAState*, bool flat, int32_t b, int32_t e);
  void (*restFrameFollow)(HAState*, bool flat, int32_t b, int32_t e, FrameLag* lag);
};

// ns: the one-node sweeps; lanes: the lane sweeps, with their widths.
#define GV_SWEEP_SET(ns, lanes, ...)                                                                      \
  SweepSet {                                                                                              \
    ns::edgeStrainPass, lanes::stressSweep<__VA_ARGS__>, ns::accelPass,                                \
        lanes::stressAccelSweep<__VA_ARGS__>, ns::offsetPass, ns::finishForcePass, ns::commitPass,        \
        lanes::restFrameSweep<__VA_ARGS__>, lanes::restFrameFollowSweep<__VA_ARGS__>                     \
  }

// The widest set the state allows; the narrower widths serve the nodes left
// over at the end of a chunk.
const SweepSet& sweepSet(const HAState* st) {
#ifdef GV_WIDE_LANES
  static constexpr SweepSet k8 = GV_SWEEP_SET(sweeps_avx2, sweeps_avx2, EightLanes, FourLanes, OneLane);
  if (st->stepLanes >= 8) return k8;
#endif
#ifdef GV_FOUR_LANES
  static constexpr SweepSet k4 = GV_SWEEP_SET(sweeps, sweeps, FourLanes, OneLane);
  if (st->stepLanes >= 4) return k4;
#endif
  static constexpr SweepSet k1 = GV_SWEEP_SET(sweeps, sweeps, OneLane);
  return k1;
}
#undef GV_SWEEP_SET

}  // namespace

int32_t GVStepLanesAvailable() {
#ifdef GV_WIDE_LANES
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
// Without a pool the stresses and accelerations share one sweep.

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
    for (int c = 0; c < 3; ++c) {
      assert(linkStrain[0][2 * a + 1][c] == 0.0f && prevLinkStrain[0][2 * a + 1][c] == 0.0f);
      assert(edgeStrain[0][a][c] == 0.0f && prevEdgeStrain[0][a][c] == 0.0f);
    }
  if (p->subStepIndex == 1) std::memcpy(stepStartPos + 1, pos + 1, sizeof(Vec3f) * n);
  assert(stepMatterCurrent());

  const float h2 = h * h;
  const bool flat = isFlat();
  const SweepSet& S = sweepSet(this);
  ChunkSums* sums = chunkSums.data();
  // The stresses damp by the change of the edge strains since the step
  // before; those are kept from it unless the strains were changed since.
  if (!prevEdgeStrainsCurrent)
    forChunks(this, [&](int32_t, int32_t b, int32_t e) { S.edgeStrain(this, prevLinkStrain, prevEdgeStrain, b, e); });
  prevEdgeStrainsCurrent = true;
  if (!edgeStrainsCurrent)
    forChunks(this, [&](int32_t, int32_t b, int32_t e) { S.edgeStrain(this, linkStrain, edgeStrain, b, e); });
  edgeStrainsCurrent = true;
  for (int k = 0; k < 3; ++k) assert(worldCellStress[0][k][0] == 0.0f && worldEdgeStress[0][k][0] == 0.0f);
  if (workers) {
    forChunks(this, [&](int32_t, int32_t b, int32_t e) { S.stress(this, invH, flat, b, e); });
    forChunks(this, [&](int32_t k, int32_t b, int32_t e) { S.accel(this, h2, &sums[k], b, e); });
  } else {
    // The chunks run in order on this thread: see stressAccelSweep.
    forChunks(this, [&](int32_t k, int32_t b, int32_t e) { S.stressAccel(this, invH, flat, h2, &sums[k], b, e); });
  }

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
  forChunks(this, [&](int32_t k, int32_t b, int32_t e) { S.offset(this, centre, dMean, &sums[k].angular, b, e); });
  AngularSums ang;
  for (size_t k = 0; k < chunks; ++k) GVAngularSumsFold(&ang, sums[k].angular);
  float L[3], Jinv[9];
  GVAngularSumsFinish(ang, L, Jinv);
  float omega[3];
  GVMat3MulVec(omega, Jinv, L);
  forChunks(this, [&](int32_t, int32_t b, int32_t e) { S.finishForce(this, centre, omega, dMean, h, h2, b, e); });
}

void HAState::nodeFrameStresses(int32_t i, Vec3f cellStress[3], Vec3f edgeStress[3]) const {
  float cs[9] = {}, es[9] = {};
  float h, invH;
  if (stepTimes(params, &h, &invH) && i >= 1 && i <= nodeCount)
    sweeps::nodeFrameStresses<OneLane>(this, invH, isFlat(), i, cs, es);
  std::memcpy(cellStress, cs, sizeof cs);
  std::memcpy(edgeStress, es, sizeof es);
}

void HAState::edgeFrameOf(int axis, int32_t i, float frame[9]) const {
  // Out of range: entry 0, the identity.
  if (axis < 0 || axis > 2 || i < 0 || i > nodeCount) axis = 0, i = 0;
  sweeps::edgeFrameNode(links, restFrame[0], isFlat(), axis, i, frame);
}

void HAState::cellFrameOf(int32_t i, float frame[9]) const {
  if (i < 1 || i > nodeCount) {
    // Out of range: the identity.
    std::memcpy(frame, restFrame[0], sizeof(float) * 9);
    return;
  }
  sweeps::cellFrameNode(this, restFrame[0], isFlat(), i, frame);
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

void HAState::integrate() {
  FrameParams* p = params;
  if (!p) return;
  float h, invH;
  const bool timed = stepTimes(p, &h, &invH);
  p->stepping = 0;
  if (!timed || !alive(p) || nodeCount < 1) return;

  const int32_t n = nodeCount;
  const bool flat = isFlat();
  const SweepSet& S = sweepSet(this);
  const int32_t ranges = frameRanges(this);
  // With a pool the commit is a sweep of its own; without one it runs ahead
  // of the rest-frame sweep (see commitAhead).
  if (workers) forChunks(this, [&](int32_t, int32_t b, int32_t e) { S.commit(this, h, invH, b, e); });
  // This step's link strains become the previous ones by swapping the arrays
  // rather than copying them; the rest-frame pass then writes every slot of
  // the new strains, zero where unlinked. The unlinked slots of the previous
  // ones are zero unless strains were just loaded.
  std::swap(linkStrain, prevLinkStrain);
  if (edgeStrainsCurrent) std::swap(edgeStrain, prevEdgeStrain);
  prevEdgeStrainsCurrent = edgeStrainsCurrent;
  edgeStrainsCurrent = false;
  if (strainsLoaded) {
    for (int32_t i = 1; i <= nodeCount; ++i)
      for (int k = 0; k < 7; ++k)
        if (!links[i][k]) prevLinkStrain[i][k][0] = prevLinkStrain[i][k][1] = prevLinkStrain[i][k][2] = 0.0f;
    strainsLoaded = false;
    prevEdgeStrainsCurrent = false;
  }
  if (ranges > 1) {
    // Each range runs its chunks in order as one thread runs them all, the
    // commit done, its new edge strains following. Those of a range's last
    // linkReach nodes read link strains of the next range: a second pass
    // forms them once every range is through.
    auto tail = [&](int32_t k0, int32_t k1) { return std::max(chunkBegin(n, k0), chunkBegin(n, k1) - linkReach); };
    forRanges(this, ranges, [&](int32_t k0, int32_t k1) {
      const int32_t e = chunkBegin(n, k1);
      FrameLag lag{chunkBegin(n, k0), n + 1, h, invH, e};
      for (int32_t k = k0; k < k1; ++k) S.restFrameFollow(this, flat, chunkBegin(n, k), chunkBegin(n, k + 1), &lag);
      if (e <= n && lag.edges < tail(k0, k1)) S.edgeStrain(this, linkStrain, edgeStrain, lag.edges, tail(k0, k1));
    });
    forRanges(this, ranges, [&](int32_t k0, int32_t k1) {
      if (chunkBegin(n, k1) <= n) S.edgeStrain(this, linkStrain, edgeStrain, tail(k0, k1), chunkBegin(n, k1));
    });
    edgeStrainsCurrent = true;
  } else if (workers) {
    forChunks(this, [&](int32_t, int32_t b, int32_t e) { S.restFrame(this, flat, b, e); });
  } else {
    // The chunks run in order on this thread: the commit runs ahead of the
    // sweep and the new edge strains follow it (see commitAhead and
    // followRestFrames).
    FrameLag lag{1, 1, h, invH, n + 1};
    forChunks(this, [&](int32_t, int32_t b, int32_t e) { S.restFrameFollow(this, flat, b, e, &lag); });
    assert(lag.committed == nodeCount + 1);
    edgeStrainsCurrent = true;
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
