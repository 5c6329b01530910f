// Glue: single nodes of two Jels (or two nodes of one Jel) bound so that they
// move as one point. A binding is kept on both nodes as a link to the other
// (its Jel id and node index), in the live glue arrays and in the start slot
// of the frame store, so that it survives a restart and is saved with the
// Jel. A link whose partner Jel no longer exists is ignored.
//
// Selections as for the motion commands: a Jel id (>= 1), -1 for the Jels
// with group bit 1, -2..-31 for a group bit.
#pragma once

#include <cstdint>

struct HWorld;

enum : int32_t { kGlueRemove = 0, kGlueMake = 1 };

// mode kGlueMake: binds node a of Jel A and node b of Jel B when their in-step
// positions are closer than d (strictly). mode kGlueRemove: removes their
// links when d is below 1e-10 or when the pull that would hold them,
// k |x_B - x_A| with k = mA mB (sub-steps x fps)^2 / (mA + mB), reaches d.
// 1 when a binding was made or removed; 0 otherwise, also for a missing Jel,
// a Jel without a live state or a node out of range.
int32_t GVGlueNodePair(HWorld* world, int32_t idA, int32_t idB, int32_t a, int32_t b, int32_t mode, float d);

// Glues every node of part p1 of selection 1 to every node of part p2 of
// selection 2 that lies closer than d; each unordered pair is tried once.
// Non-zero when some pair was glued.
int32_t GVGlueSelParts(HWorld* world, int32_t sel1, int32_t sel2, int32_t p1, int32_t p2, float d);
// Removes the links from part p1 of selection 1 to part p2 of selection 2
// whose pull reaches threshold d (every one for d = 0). Non-zero when some
// link was removed.
int32_t GVUnglueSelParts(HWorld* world, int32_t sel1, int32_t sel2, int32_t p1, int32_t p2, float d);

// Inside a sub-step: moves every glued pair from part p1 of selection 1 to
// part p2 of selection 2 onto its common centre of mass. Jels in replay are
// left alone.
void GVSelApplyGlue(HWorld* world, int32_t sel1, int32_t p1, int32_t sel2, int32_t p2);
// Moves node a of Jel A and node b of Jel B to the mass-weighted centre of
// their in-step positions. 1 when moved; 0 for a missing Jel or live state, a
// node out of range, a Jel in replay or two massless nodes.
int32_t GVApplyGluePair(HWorld* world, int32_t idA, int32_t idB, int32_t a, int32_t b);

// The glue editor's capture distance for a selection: 0.2 of the smallest cell
// size among its Jels; 0 when no Jel matches.
float GVGlueDistanceForSel(const HWorld* world, int32_t selection);
