// Operations on one part (the nodes whose part mask has bit p) of one Jel's live
// state inside a step: pinning a part in place, in position or in orientation,
// keeping it inside a box or in front of a plane, steering its centre or one
// node towards a target, breaking glue links, expanding it to its captured
// shape and gathering face pressure.
//
// They edit the in-step displacement (the node ends the step at pos + disp), so
// they run between the force phase and the commit of a sub-step. Corrections
// that must not disturb the displacement itself go into contactCorr, which the
// command records add to the displacement after their last pass. Every writing
// operation does nothing on a read-only (replay) state. Only parts 1..31 keep
// stored references.
#pragma once

#include <cstdint>

class HAState;

// Which reference a part keeps: the fix store holds kinds 1 and 2, the
// orientation store kind 3 and the shape store kind 4.
enum : int32_t { kPartRefFix = 1, kPartRefFixPos = 2, kPartRefOrient = 3, kPartRefShape = 4 };

// Node flag bits of contactFlags.
enum : uint32_t { kNodeFixed = 0x1, kNodeOnWall = 0x100 };

// Wall bits of a box: the lower and upper wall of each axis.
enum : uint32_t {
  kWallMinX = 2, kWallMaxX = 4, kWallMinY = 8, kWallMaxY = 16, kWallMinZ = 32, kWallMaxZ = 64,
  kWallsAll = 0x7E,
};

// Copies the reference array of the kind (restOffset for the shape, partRef for
// the others) into part p's slot of its store, making the store and the slot on
// first use. 1 when stored; 0 for parts outside 1..31 or when memory ran out.
int32_t GVStorePartRef(HAState* state, int32_t part, int32_t kind);
// The reverse; 0 (the array left as it is) when the store or slot is missing.
int32_t GVLoadPartRef(HAState* state, int32_t kind, int32_t part);

// Fix: begin records r = M^-1 (x - o) for every node of the part, x the
// position (in-step while stepping); a step then sets disp so that each node
// lands on M r + o, and the correction writes what is still missing into
// contactCorr. offset and matrix may be null; a singular matrix is not
// inverted (the references stay untransformed).
void GVFixPartBegin(HAState* state, int32_t part, const float* offset, const float* matrix);
void GVFixPartStep(HAState* state, const float* matrix, int32_t part, const float* offset);
void GVFixPartCorrect(HAState* state, const float* matrix, int32_t part, const float* offset);
void GVFixPosPartBegin(HAState* state, int32_t part, const float* offset, const float* matrix);

// Orientation: begin stores each node's offset from the part's centre (turned
// back by the matrix when given); the step adds the rigid rotation that turns
// the part towards those offsets (turned by the matrix when given).
void GVFixOriPartBegin(HAState* state, int32_t part, const float* matrix);
void GVFixOriPartStep(HAState* state, int32_t part, const float* matrix);

// Keeps pos + disp of the part inside box (x min, x max, y min, y max, z min,
// z max) on the walls enabled by axes (kWall* bits; -1 for all). A node that
// would cross a wall ends on it, its sliding slowed by its Friction, and the
// reaction goes into reactionAccum. Returns the OR of the walls touched.
int32_t GVConstrainPartToBox(HAState* state, int32_t part, uint32_t axes, const float box[6]);
// The same test on pos + disp + contactCorr, correcting contactCorr only.
int32_t GVCorrectPartToBox(HAState* state, int32_t part, uint32_t axes, const float box[6]);
// Keeps the part in front of the plane through point with unit normal; 1 when
// some node was moved.
int32_t GVConstrainPartToPlane(HAState* state, int32_t part, const float point[3], const float normal[3]);

// Moves the part's centre the fraction i / n of the way from its centre at the
// start of the frame towards target. Nothing for n = 0.
void GVStepPartCentreTo(HAState* state, int32_t part, int32_t i, int32_t n, const float target[3]);

// A pending drag of one node (node >= 1) or of a whole part (node 0) of a Jel.
struct DragCmd {
  int32_t active = 0;
  int32_t node = 0;
  int32_t part = 0;
  int32_t jelId = 0;
  int32_t state = 0;  // drag mode + 100 once a constrained drag has acted
  float target[3] = {};
};
// One sub-step of a drag: the node (or part centre) goes the fraction
// sub-step / sub-steps of the way from its frame-start position to the target,
// freely (drag mode 0), within the plane across the drag direction (1) or on
// the sphere about the grab point (2).
void GVDragNodeStep(HAState* state, DragCmd* drag);
// Sets up a constrained drag: mode (1 plane, 2 sphere), the unit direction from
// node a to node b and the grab point (node a's position). Mode 0 ends it.
void GVMouseDragPart(HAState* state, int32_t a, int32_t b, int32_t mode);

// GVSetFrameNodeFlags, the glue pair of a node in a frame, is in
// jel/live_state.h.
// Breaks the glue of nodes a and b when threshold < 1e-10 or when their
// in-step distance squared times (sub-steps x fps)^2 reaches threshold. 1 when
// broken.
int32_t GVBreakNodeLink(HAState* state, int32_t a, int32_t b, float threshold);

// Places every node of the part at scale times its captured distance from the
// part's centre, along its present direction, keeping the part's spin.
void GVExpandPart(HAState* state, int32_t part, float scale);

// Pressure of a wind of the given velocity on the faces whose four corners lie
// in the part, gathered per node into pressureForce (cleared first). ramp
// (in frames) fades the wind in; half halves it on nodes outside part 2.
void GVApplyFacePressure(HAState* state, int32_t part, const float velocity[3], float ramp, int32_t half);

// (sub-steps x fps)^2 of the state's play parameters: the factor that turns a
// displacement into a force per unit mass. 0 when either is 0.
float GVReactionScale(const HAState* state);
