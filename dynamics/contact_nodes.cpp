#include "dynamics/contact_nodes.h"

#include <cassert>

#include "dynamics/collision_shared.h"
#include "jel/live_state.h"

bool GVNodeNearFace(int32_t n, const HAState* state, int32_t a, int32_t b, int32_t c, int32_t d) {
  if (a == 0) return true;
  const int32_t corners[4] = {a, b, c, d};
  for (int32_t k : corners) {
    if (n == k) return true;
    if (!state) continue;
    for (int dir = 0; dir < 6; ++dir)
      if (k != 0 && state->neighbour(dir, k) == n) return true;
  }
  return false;
}

void GVClearCollDisp(int32_t part, HAState* state) {
  if (!state || !state->contactCorr) return;
  for (int32_t i = 1; i <= state->nodeCount; ++i)
    if (state->inPart(i, part)) state->contactCorr[i][0] = state->contactCorr[i][1] = state->contactCorr[i][2] = 0.0f;
}

void GVClearPassCorr(HAState* state) {
  if (!state || !state->contactPassCorr) return;
  for (int32_t i = 0; i <= state->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) state->contactPassCorr[i][k] = 0.0f;
  for (int32_t i : state->passTouched)
    if (i >= 0 && static_cast<size_t>(i) < state->passTouchedFlag.size()) state->passTouchedFlag[i] = 0;
  state->passTouched.clear();
}

void GVTouchPassCorr(HAState* state, int32_t node) { collide::TouchPassCorr(state, node); }

// Adding a zero changes no correction: a sum is -0 only when both terms
// are, and the pass accumulator never holds -0 (it starts at +0).
static void SweepTouched(HAState* state, bool add) {
  if (!state || !state->contactPassCorr) return;
  const bool canAdd = add && state->contactCorr;
  for (int32_t i : state->passTouched) {
    if (i < 0 || static_cast<size_t>(i) >= state->passTouchedFlag.size()) continue;
    state->passTouchedFlag[i] = 0;
    if (i > state->nodeCount) continue;
    if (canAdd && i >= 1 && state->inPart(i, 1))
      for (int k = 0; k < 3; ++k) state->contactCorr[i][k] += state->contactPassCorr[i][k];
    for (int k = 0; k < 3; ++k) state->contactPassCorr[i][k] = 0.0f;
  }
  state->passTouched.clear();
}

void GVClearTouchedPassCorr(HAState* state) { SweepTouched(state, false); }

void GVFoldTouchedPassCorr(HAState* state) { SweepTouched(state, true); }

void GVClearCollAccums(HAState* state) {
  if (!state || !state->contactPassCorr || !state->contactCorr) return;
  for (int32_t i = 1; i <= state->nodeCount; ++i) {
    if (!state->inPart(i, 1)) continue;
    for (int k = 0; k < 3; ++k) state->contactPassCorr[i][k] = state->contactCorr[i][k] = 0.0f;
  }
}

void GVClearGeoContactMarks(HAState* state) {
  if (!state || !state->contactFlags) return;
  for (int32_t i = 0; i <= state->nodeCount; ++i) state->contactFlags[i] &= ~kGeoContactMark;
}

void GVAddPassCorr(HAState* state) {
  if (!state || !state->contactPassCorr || !state->contactCorr) return;
  for (int32_t i = 1; i <= state->nodeCount; ++i) {
    if (!state->inPart(i, 1)) continue;
    for (int k = 0; k < 3; ++k) state->contactCorr[i][k] += state->contactPassCorr[i][k];
  }
}

void GVApplyCollDisp(int32_t part, HAState* state) {
  if (!state || !state->contactCorr || !state->disp) return;
  for (int32_t i = 1; i <= state->nodeCount; ++i) {
    if (!state->inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k) state->disp[i][k] += state->contactCorr[i][k];
  }
}

void GVNodeStepPos(const HAState* state, int32_t a, int32_t b, float out[3]) {
  collide::PairPos(state, a, b, false, out);
}

void GVNodeCorrPos(const HAState* state, int32_t a, int32_t b, float out[3]) {
  collide::PairPos(state, a, b, true, out);
}

void GVQuadDispAt(const HAState* state, int32_t c0, int32_t c1, int32_t c2, int32_t c3, float s, float t,
                  float out[3]) {
  collide::QuadDispAt(state, c0, c1, c2, c3, s, t, out);
}

void GVFaceDispAt(const HAState* state, int32_t face, float s, float t, float out[3]) {
  collide::FaceDispAt(state, face, s, t, out);
}

float* GVVecAddTo(float out[3], const float a[3], float b[3]) {
  for (int k = 0; k < 3; ++k) b[k] += a[k];
  for (int k = 0; k < 3; ++k) out[k] = b[k];
  return out;
}

float* GVVecScaleTo(float out[3], float b[3], float s) {
  for (int k = 0; k < 3; ++k) b[k] *= s;
  for (int k = 0; k < 3; ++k) out[k] = b[k];
  return out;
}

