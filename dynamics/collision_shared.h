// Small rules shared by the collision tests and the collision responses:
// vector helpers, node and face checks, the Geo-contact mark, friction
// limits, the behind-the-surface rule and hit-list walking. Internal to
// dynamics/.
#pragma once

#include <cmath>
#include <cstdint>

#include "dynamics/collision_tests.h"
#include "dynamics/contact_list.h"
#include "dynamics/contact_nodes.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

namespace collide {

// Below this a distance and a relative normal motion count as resting.
constexpr float kRestEps = 0.0001f;
// A wheel (36 nodes, owner flag 0x20) keeps one best contact per half.
constexpr int32_t kWheelNodes = 36;
constexpr int32_t kWheelHalfNode = 18;
constexpr uint32_t kWheelFlag = 0x20;

inline float Dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline void Sub(float* o, const float* a, const float* b) {
  o[0] = a[0] - b[0], o[1] = a[1] - b[1], o[2] = a[2] - b[2];
}
// GVVec3Copy, GVVecNormalise and GVVecLength with the same arithmetic, inline for the
// per-face loops.
inline void Copy3(float* o, const float* a) { o[0] = a[0], o[1] = a[1], o[2] = a[2]; }
inline void Normalise(const float* in, float* out) {
  const float len = std::sqrt(Dot(in, in));
  const float k = len == 0.0f ? 0.0f : 1.0f / len;
  out[0] = in[0] * k, out[1] = in[1] * k, out[2] = in[2] * k;
}
inline bool ValidNode(const HAState* s, int32_t i) { return i >= 1 && i <= s->nodeCount; }
inline bool ValidFace(const HAState* s, int32_t f) { return s->faces && f >= 1 && f <= s->faceCount; }
inline bool Marked(const HAState* s, int32_t i) {
  return s->contactFlags && (s->contactFlags[i] & kGeoContactMark) != 0;
}

// Committed centre of a valid face as of the face grid's refill (computed
// into scratch when there is none).
inline const float* FaceCentre(const HAState* s, int32_t face, float scratch[3]) {
  if (s->faceCentres.size() == 3 * (static_cast<size_t>(s->faceCount) + 1)) return s->faceCentres.data() + 3 * face;
  const int32_t* c = s->faces[face];
  GVQuadCentre(s, c[0], c[1], c[2], c[3], scratch);
  return scratch;
}

// The vectors a contact record keeps of a projection: normal, (s, t,
// distance), surface point and offset.
inline ContactVectors ProjectionVectors(const SurfaceProjection& pr, const float st[3]) {
  ContactVectors v;
  v.v1 = pr.normal;
  v.v2 = st;
  v.v3 = pr.point;
  v.v4 = pr.offset;
  return v;
}

inline float FrictionOf(const HAState* s, int32_t node) {
  return (s->matter && ValidNode(s, node)) ? s->matter[node].friction : 0.0f;
}

// Normal part p N plus the tangential part of d limited to |mu|; mu carries
// the sign of p.
inline void FrictionLimited(const float d[3], const float N[3], float p, float mu, float out[3]) {
  float t[3];
  for (int a = 0; a < 3; ++a) t[a] = d[a] - p * N[a];
  const float len = std::sqrt(Dot(t, t));
  if (len != 0.0f && std::fabs(mu) <= len)
    for (float& c : t) c *= mu / len;
  for (int a = 0; a < 3; ++a) out[a] = p * N[a] + t[a];
}

// Ends the sub-step behind the surface: crosses it from the front, or starts
// behind and does not get out. r is the relative normal motion.
inline bool EndsBehind(float dist, float r) {
  if (dist > 0.0f) return r < 0.0f && std::fabs(r) > std::fabs(dist);
  return r <= 0.0f || std::fabs(r) <= std::fabs(dist);
}

// Items of a hit list, each once (a triangle split into several points, or
// neighbouring cells reaching one leaf, repeat ids).
inline bool SeenBefore(const int32_t* hits, int32_t k) {
  for (int32_t j = 1; j < k; ++j)
    if (hits[j] == hits[k]) return true;
  return false;
}

// GVFaceReach and GVFaceBeyondReach, inline for the per-face loops.
inline FaceReach FaceReachOf(const HAState* st, int32_t face, float s, float t, float dist) {
  const float* b = st->faceParamBounds ? st->faceParamBounds[face] : nullptr;
  const float lo_s = b ? b[0] : 0.0f, hi_s = b ? b[1] : 1.0f, lo_t = b ? b[2] : 0.0f, hi_t = b ? b[3] : 1.0f;
  if (s >= lo_s && s <= hi_s && t >= lo_t && t <= hi_t) return FaceReach::Inside;
  if (std::fabs(dist) >= 0.05f * st->cellSize) return FaceReach::Outside;
  const uint32_t e = st->faceEdgeFlags ? st->faceEdgeFlags[face] : 0u;
  if (((e & kFaceEdgeS0) && s > -0.01f && s < 0.0f) || ((e & kFaceEdgeS1) && s > 1.0f && s < 1.01f) ||
      ((e & kFaceEdgeT0) && t > -0.01f && t < 0.0f) || ((e & kFaceEdgeT1) && t > 1.0f && t < 1.01f))
    return FaceReach::EdgeTouch;
  return FaceReach::Outside;
}

inline bool FaceBeyondReach(const HAState* state, int32_t face, const float P[3], float reach) {
  if (state->faceSlabs.size() != kFaceSlabFloats * (static_cast<size_t>(state->faceCount) + 1)) return false;
  const float* slab = state->faceSlabs.data() + kFaceSlabFloats * face;
  const float d = Dot(slab, P);
  // Rounding of the dot products and of the projection's own arithmetic.
  const float limit = reach + 1e-5f * (1.0f + std::fabs(d) + std::fabs(slab[3]) + std::fabs(slab[4]));
  return d - slab[4] > limit || slab[3] - d > limit;
}

// GVTouchPassCorr, inline for the passes.
inline void TouchPassCorr(HAState* state, int32_t node) {
  std::vector<uint8_t>& flag = state->passTouchedFlag;
  if (flag.size() <= static_cast<size_t>(state->nodeCount)) {
    // Each node is listed once at most: the list never grows past this.
    flag.resize(static_cast<size_t>(state->nodeCount) + 1);
    state->passTouched.reserve(flag.size());
  }
  if (node < 0 || node > state->nodeCount || flag[node]) return;
  flag[node] = 1;
  state->passTouched.push_back(node);
}

// GVNodeStepPos / GVNodeCorrPos (PairPos), GVQuadDispAt and GVFaceDispAt,
// inline for the searches and passes.
inline void StepPos(const HAState* s, int32_t i, bool withCorr, float out[3]) {
  for (int k = 0; k < 3; ++k) {
    out[k] = s->pos[i][k] + s->disp[i][k];
    if (withCorr) out[k] += s->contactCorr[i][k];
  }
}

inline void PairPos(const HAState* s, int32_t a, int32_t b, bool withCorr, float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  if (!s || !ValidNode(s, a)) return;
  StepPos(s, a, withCorr, out);
  if (b == 0 || !ValidNode(s, b)) return;
  float q[3];
  StepPos(s, b, withCorr, q);
  for (int k = 0; k < 3; ++k) out[k] = 0.5f * (out[k] + q[k]);
}

inline void QuadDispAt(const HAState* state, int32_t c0, int32_t c1, int32_t c2, int32_t c3, float s, float t,
                  float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  if (!state || !state->disp) return;
  const int32_t c[4] = {c0, c1, c2, c3};
  const float w[4] = {(1 - s) * (1 - t), s * (1 - t), (1 - s) * t, s * t};
  for (int j = 0; j < 4; ++j) {
    // A missing corner (0) reads entry 0, which holds no node and stays zero.
    if (c[j] < 0 || c[j] > state->nodeCount) continue;
    for (int k = 0; k < 3; ++k) out[k] += state->disp[c[j]][k] * w[j];
  }
}

inline void FaceDispAt(const HAState* state, int32_t face, float s, float t, float out[3]) {
  if (!state || !state->faces || face < 1 || face > state->faceCount) {
    out[0] = out[1] = out[2] = 0.0f;
    return;
  }
  const int32_t* f = state->faces[face];
  QuadDispAt(state, f[0], f[3], f[1], f[2], s, t, out);
}

inline void NodeStepPos(const HAState* s, int32_t a, int32_t b, float out[3]) { PairPos(s, a, b, false, out); }
inline void NodeCorrPos(const HAState* s, int32_t a, int32_t b, float out[3]) { PairPos(s, a, b, true, out); }

// contactFlags value of a node fixed in this step: its correction is taken whole.
constexpr uint32_t kNodeFixed = 0x1;

// GVFaceCorrDispAt, GVNodeImpulse, GVNodeAngImpulse and GVFaceAddRigidCorr,
// inline for the passes.
inline void FaceCorrDispAt(const HAState* state, int32_t face, float s, float t, float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  if (!state || !state->disp || !state->contactCorr || !ValidFace(state, face)) return;
  const int32_t* f = state->faces[face];
  const int32_t c[4] = {f[0], f[3], f[1], f[2]};
  const float w[4] = {(1 - s) * (1 - t), s * (1 - t), (1 - s) * t, s * t};
  for (int j = 0; j < 4; ++j) {
    if (!ValidNode(state, c[j])) continue;
    for (int k = 0; k < 3; ++k) out[k] += (state->disp[c[j]][k] + state->contactCorr[c[j]][k]) * w[j];
  }
}

// The shares of a correction c taken by the node side (see GVNodeImpulse).
inline int NodeShares(const HAState* s, int32_t a, int32_t b, const float c[3], int32_t nodes[2],
                      float shares[2][3]) {
  if (!ValidNode(s, a)) return 0;
  if (b == 0) {
    nodes[0] = a;
    Copy3(shares[0], c);
    return 1;
  }
  if (!ValidNode(s, b)) return 0;
  const bool ma = Marked(s, a), mb = Marked(s, b);
  if (ma && mb) return 0;
  const float k = (ma || mb) ? 2.0f : 1.0f;
  int count = 0;
  const int32_t pair[2] = {a, b};
  const bool marks[2] = {ma, mb};
  for (int e = 0; e < 2; ++e) {
    if (marks[e]) continue;
    const int32_t n = pair[e];
    float share[3];
    GVVecScale(share, c, k);
    if (s->contactFlags && !(s->contactFlags[n] & kNodeFixed) && s->disp)
      GVVecOpposingPart(s->disp[n], shares[count], share);
    else
      Copy3(shares[count], share);
    nodes[count++] = n;
  }
  return count;
}

inline void NodeImpulse(HAState* state, int32_t a, int32_t b, const float c[3], float k, float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  if (!state || !state->contactPassCorr) return;
  int32_t nodes[2];
  float shares[2][3];
  const int n = NodeShares(state, a, b, c, nodes, shares);
  const float invK = k != 0.0f ? 1.0f / k : 0.0f;
  for (int e = 0; e < n; ++e) {
    const float m = state->mass ? state->mass[nodes[e]] : 0.0f;
    TouchPassCorr(state, nodes[e]);
    for (int q = 0; q < 3; ++q) {
      state->contactPassCorr[nodes[e]][q] += shares[e][q];
      out[q] -= m * shares[e][q] * invK;
    }
  }
}

inline void NodeAngImpulse(const HAState* state, int32_t a, int32_t b, const float centre[3], const float c[3],
                      float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  if (!state || !state->pos) return;
  int32_t nodes[2];
  float shares[2][3];
  const int n = NodeShares(state, a, b, c, nodes, shares);
  for (int e = 0; e < n; ++e) {
    const float m = state->mass ? state->mass[nodes[e]] : 0.0f;
    float r[3], l[3];
    Sub(r, state->pos[nodes[e]], centre);
    GVVecCross(l, r, shares[e]);
    for (int q = 0; q < 3; ++q) out[q] += m * l[q];
  }
}

inline void FaceAddRigidCorr(HAState* state, const int32_t corners[4], const float centre[3], const float v[3],
                        const float w[3]) {
  if (!state || !state->contactPassCorr || !state->pos) return;
  for (int k = 0; k < 4; ++k) {
    const int32_t j = corners[k];
    if (!ValidNode(state, j)) continue;
    float r[3], rot[3];
    Sub(r, state->pos[j], centre);
    GVVecCross(rot, w, r);
    TouchPassCorr(state, j);
    for (int q = 0; q < 3; ++q) state->contactPassCorr[j][q] += v[q] + rot[q];
  }
}

// Adds the pass accumulator into the correction and clears it.
inline void FoldPass(HAState* s) { GVFoldTouchedPassCorr(s); }

}  // namespace collide
