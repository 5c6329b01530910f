// Per-node routines shared by every collision test and response: adjacency
// exclusion of a node against a face, the collision accumulators of a live
// state (the correction of one pass and the correction of the sub-step), in-step
// positions of a node or node pair, bilinear displacement over a face, and three
// small vector helpers.
#pragma once

#include <cstdint>

#include "jel/vector_math.h"  // GVVecCross

class HAState;

// Bit of contactFlags set by the Geo collision tests on a node in contact.
constexpr uint32_t kGeoContactMark = 0x02000000u;

// True when a is 0, when n is one of the corners, or when n is a lattice
// neighbour of one of them: such a node is never tested against the face.
bool GVNodeNearFace(int32_t n, const HAState* state, int32_t a, int32_t b, int32_t c, int32_t d);

void GVClearCollDisp(int32_t part, HAState* state);  // contactCorr = 0 on part
void GVClearPassCorr(HAState* state);                // contactPassCorr = 0 on every node
void GVClearCollAccums(HAState* state);              // both = 0 on part 1
void GVClearGeoContactMarks(HAState* state);
void GVAddPassCorr(HAState* state);                  // contactCorr += contactPassCorr on part 1
// Every writer of contactPassCorr lists the node first (GVTouchPassCorr), so
// the pass sweeps can visit the listed nodes alone: GVClearTouchedPassCorr
// is GVClearPassCorr, GVFoldTouchedPassCorr is GVAddPassCorr then
// GVClearPassCorr, for the same bits. GVClearPassCorr empties the list.
void GVTouchPassCorr(HAState* state, int32_t node);
void GVClearTouchedPassCorr(HAState* state);
void GVFoldTouchedPassCorr(HAState* state);
void GVApplyCollDisp(int32_t part, HAState* state);  // disp += contactCorr on part

// In-step position (pos + disp) of node a, or the midpoint of a and b when b is
// not 0; the Corr form adds each node's contactCorr first.
void GVNodeStepPos(const HAState* state, int32_t a, int32_t b, float out[3]);
void GVNodeCorrPos(const HAState* state, int32_t a, int32_t b, float out[3]);

// Bilinear in-step displacement over four corners: c0 at (0,0), c1 at (1,0),
// c2 at (0,1), c3 at (1,1).
void GVQuadDispAt(const HAState* state, int32_t c0, int32_t c1, int32_t c2, int32_t c3, float s, float t,
                  float out[3]);
// The same over face f: s runs from corner 0 towards corner 3, t from corner 0
// towards corner 1.
void GVFaceDispAt(const HAState* state, int32_t face, float s, float t, float out[3]);

float* GVVecAddTo(float out[3], const float a[3], float b[3]);  // b += a, out = b
float* GVVecScaleTo(float out[3], float b[3], float s);         // b *= s, out = b
