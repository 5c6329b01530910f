// Free routines around the time step of a Jel: the sub-steps a Jel needs per
// frame, and the per-part point routines used by the fix, orientation and
// expand operations, the vehicle update and the scene access layer.
//
// A part routine visits nodes 1..nodeCount whose part mask has bit p (p taken
// modulo 32); the Part1 forms test mask bit value 2. Matrices are nine floats
// in the column form of jel/vector_math.h.
#pragma once

#include <cstdint>

#include "jel/state_interface.h"
#include "jel/vector_math.h"

class HAState;

// Nodes per chunk of the time step's passes. Fixed, so that the per-chunk
// partial sums, and with them the step's result, never depend on how many
// threads run the chunks.
constexpr int32_t kStepChunkNodes = 512;

// The most nodes (1, 4 or 8) the time step's sweeps can run side by side
// on this processor. Every width gives the same bits.
int32_t GVStepLanesAvailable();

// Sub-steps per frame this Jel needs: the largest fRatio of its nodes (at
// least 1) rounded up to a whole number.
int32_t GVCalcSubstepsNeeded(const HAState* state);

// out[i] = in[i] + v, in[i] - v, M in[i] or in[i] for the nodes of part p. in
// and out may be the same array.
void GVAddVecToPartPoints(const HAState* state, int32_t part, const Vec3f* in, Vec3f* out, const float v[3]);
void GVSubVecFromPartPoints(const HAState* state, int32_t part, const Vec3f* in, Vec3f* out, const float v[3]);
void GVMulPartPoints(const HAState* state, int32_t part, const Vec3f* in, Vec3f* out, const float M[9]);
void GVCopyPartPoints(const HAState* state, int32_t part, const Vec3f* in, Vec3f* out);

// Inertia tensor of part 1 about centre c from committed positions and masses.
void GVGetPart1Inertia(const HAState* state, const float c[3], float I[9]);

// For the nodes of part p: L = sum m (d x r) and the mixed inertia
// J = sum m ((q.r) E - q r^T), both divided by the part's mass when positive.
// Jinv receives the inverse of J, or the zero matrix when J is singular (no
// rotation can be told from it). Missing arrays or p < 1 give L = 0 and the
// identity.
void GVGetPartAngularState(const HAState* state, const Vec3f* d, const Vec3f* r, const Vec3f* q, int32_t part,
                           float L[3], float Jinv[9]);

// The sums behind GVGetPartAngularState, so that a sweep can gather them in
// pieces: Add takes one node (mass m), Fold adds one piece's sums to another,
// Finish gives L and Jinv as GVGetPartAngularState does.
struct AngularSums {
  double mass = 0.0;
  double l[3] = {0.0, 0.0, 0.0};
  double J[9] = {};
};
// Inline: the force phase adds every node of the Jel once per sub-step.
inline void GVAngularSumsAdd(AngularSums* s, double m, const float* d, const float* r, const float* q) {
  float t[3];
  GVVecCross(t, d, r);
  const double qr = q[0] * r[0] + q[1] * r[1] + q[2] * r[2];
  s->mass += m;
  for (int a = 0; a < 3; ++a) {
    s->l[a] += m * t[a];
    // Column form: element 3c + a is row a, column c of (q.r) E - q r^T.
    for (int col = 0; col < 3; ++col) s->J[3 * col + a] += m * ((a == col ? qr : 0.0) - q[a] * r[col]);
  }
}
void GVAngularSumsFold(AngularSums* into, const AngularSums& s);
void GVAngularSumsFinish(const AngularSums& s, float L[3], float Jinv[9]);

// disp += v + omega x (pos - c) for the nodes of part 1.
void GVAddPart1Spin(HAState* state, const float omega[3], const float c[3], const float v[3]);

// Saves disp of part p into scratch vector 4 (part 1: scratch vector 6).
void GVSavePartDisplacements(HAState* state, int32_t part);
void GVSavePart1Displacements(HAState* state);

// For centre c: scratch 0 = pos - c, scratch 1 = pos + disp - c, scratch 2 =
// disp - the saved displacement (scratch 4 for part p, scratch 6 for part 1).
void GVSavePartOffsets(HAState* state, int32_t part, const float c[3]);
void GVSavePart1Offsets(HAState* state, const float c[3]);

// disp += omega x scratch 1 for the nodes of part p.
void GVAddPartRotation(HAState* state, int32_t part, const float omega[3]);
