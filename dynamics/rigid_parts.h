// Rigid parts: the captured shape of a part (offsets from its mass centre), the
// rotation vector that says how far that shape has turned (one per part in the
// live state), and the solve that moves a part onto the rigid pose nearest to
// its present motion.
//
// The solve: with s the nodes' offsets from the part's centre, r the captured
// offsets turned by the part's rotation and q = r - disp, K = sum m ((r.s) E -
// r s^T) / M and v = sum m (q x s) / M; the part turns by w = K^-1 v in the
// sub-step. A part whose K cannot be inverted (a single node, nodes on a line)
// takes no turn about the axes it cannot tell.
#pragma once

#include <cstdint>

class HAState;

// The shape the part has now becomes its captured shape; the rotation vector
// of the part is zeroed. Nothing in replay or when the owner's rigid pose is
// already current (owner flag 0x10).
void GVCapturePartShape(HAState* state, int32_t part);
// The part's natural state (its rest shape) becomes its captured shape, the
// rotation vector zeroed, whatever the owner flags say: a Jel read from a
// file has no captured shape, and its flags describe the run it was saved
// from. Without a stored start frame the committed positions are taken.
// Nothing in replay.
void GVCapturePartRestShape(HAState* state, int32_t part);

// Moves the part onto its rigid pose (captured shape, turned and carried by
// the part's own motion) and advances its rotation vector.
void GVApplyPartRotationDrive(HAState* state, int32_t part);

// Sums over the part's nodes: mass, mass x pos and mass x disp.
struct PartSums {
  double mass = 0.0;
  double pos[3] = {0.0, 0.0, 0.0};
  double disp[3] = {0.0, 0.0, 0.0};
};
void GVAddPartSums(const HAState* state, int32_t part, PartSums* sums);
// Centre and mean displacement from the sums (zero without mass).
void GVPartSumsMeans(const PartSums& sums, float centre[3], float meanDisp[3]);

// Fills the three rigid work arrays of the part's nodes: rotated rest offset
// r = R restOffset, current offset s = pos - c, deviation q = r - disp.
void GVFillRigidWork(HAState* state, int32_t part, const float R[9], const float c[3]);
// Adds the part's K and v sums (undivided) from the work arrays.
void GVAddRigidFrameSums(const HAState* state, int32_t part, double K[9], double v[3]);

// Inverse of a 3x3 matrix that is meant to be an inertia-like tensor. A matrix
// with zero, non-finite or vanishing size gives the zero matrix; a singular or
// nearly singular one gets a damped least-squares inverse, (K^T K + e^2 E)^-1
// K^T, so the directions it cannot tell get (almost) no response. Always
// finite; never the matrix standing in for its own inverse.
void GVInvertPartFrame(const float K[9], float out[9]);

// The three routines the live state runs its per-part rotation vectors through
// (HAState::advancePartVectors) after the Jel was moved as a whole: load the
// part's captured and present offsets, fit the turn that maps the one onto the
// other, and fold that turn into the rotation vector. Parts without a captured
// shape keep their vector.
void GVPartVecLoadOffsets(HAState* state, int32_t part, float rot[3]);
void GVPartVecFitTurn(HAState* state, int32_t part, float rot[3]);
void GVPartVecApplyTurn(HAState* state, int32_t part, float rot[3]);
