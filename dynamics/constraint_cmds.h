// Constraint commands on Jel selections: fix, fix position, fix orientation,
// rigidify, walls, plane, and the 3-D view's pending drag. A selection is a Jel
// id (>= 1), -1 for the Jels with group bit 1, or -2..-31 for a group bit; Jels
// in replay and Jels without a live state are skipped.
//
// "Begin" forms run on the first activation of a command, "step" forms on every
// later one; most step forms also issue a dynamic-command record so that the
// world step re-applies the constraint in every pass of the sub-step (the
// "apply" forms, reached through the world's service table).
#pragma once

#include <cstdint>

struct DragCmd;
class HObject;
struct DynCmdRec;
struct HWorld;
struct WorldServices;

// Jel flags-word bits read here: 0x08 keeps rigid parts out of the command
// records; 0x10 says the rigid pose was set in the recorded frame.
enum : uint32_t { kJelRigidNoRecord = 0x08, kJelRigidPoseCurrent = 0x10 };

// Collision-state flags of a live state set by these commands.
enum : int32_t { kCollFixActive = 0x1, kCollRigidActive = 0x10, kCollWallsActive = 0x100 };

// Passes per sub-step asked for by the fix and wall records.
constexpr int32_t kConstraintPasses = 3;

void GVSelFixBegin(HWorld* world, int32_t selection, int32_t part, const float* offset, const float* matrix);
void GVSelFixStep(HWorld* world, int32_t selection, int32_t part, const float* offset, const float* matrix);
// rec: the record holding the target (vector when mode has 0x20, matrix when
// 0x40), or null for the plain fix.
void GVSelFixApply(HWorld* world, int32_t selection, int32_t part, const DynCmdRec* rec);

void GVSelFixPosBegin(HWorld* world, int32_t selection, int32_t part, const float* offset, const float* matrix);
// Moves the part as a whole so that its mass centre lands on the centre of its
// recorded positions (turned by matrix, then shifted, when given).
void GVSelFixPosStep(HWorld* world, int32_t selection, int32_t part, const float* shift, const float* matrix);

void GVSelFixOriBegin(HWorld* world, int32_t selection, int32_t part, const float* matrix);
void GVSelFixOriStep(HWorld* world, int32_t selection, int32_t part, const float* matrix);

// Rigid-motion summary of a part over the selection, from the rigid work
// arrays: vec = sum m (q x s) / M and mat = (K / M)^-1 (the inverse that never
// fails; see rigid_parts.h). Part 0 or selection 0 give zero and the identity.
void GVGetJelPartFrame(HWorld* world, int32_t selection, int32_t part, float* vec, float* mat);

// Re-fits the per-part rotation vectors of every selected live state to the
// present pose of its rigid parts (after the Jel was moved as a whole).
void GVSelRotateStateFrames(HWorld* world, int32_t selection);

// Rigidify: begin captures the part's shape about the selection's common
// centre; a step puts the part on its rigid pose and issues the record with
// the pass count; the apply forms re-impose the pose on contactCorr in the
// record's passes (the first measures, the later ones correct).
void GVSelRigidBegin(HWorld* world, int32_t selection, int32_t part);
void GVSelRigidStep(HWorld* world, int32_t selection, int32_t part, int32_t passes);
void GVSelRigidApply(HWorld* world, int32_t selection, int32_t part, float* invMass, float* meanDisp, float* work,
                     float* frameInv);
void GVSelRigidApplyRot(HWorld* world, int32_t selection, int32_t part, float invMass, const float* meanDisp,
                        const float* frameInv, int32_t lastPass);

// Walls of the box bounds (x min, x max, y min, y max, z min, z max) on every
// side, for the frame driver every sub-step and the logic command. Only
// between the phases of a sub-step; returns the OR of the walls touched.
int32_t GVSelWalls(HWorld* world, int32_t selection, int32_t part, const float bounds[6]);
// The record's re-application: 1, or 0 for selection 0 or outside a sub-step.
int32_t GVSelWallsApply(HWorld* world, int32_t selection, int32_t part, uint32_t axes, const float* box);
// The same for one Jel of the selection (inside a sub-step).
void GVJelWallsApply(HObject* jel, int32_t selection, int32_t part, uint32_t axes, const float* box);

// OR of the plane constraint over the selection; 0 for selection 0.
int32_t GVSelPlane(HWorld* world, int32_t selection, int32_t part, const float point[3], const float normal[3]);

// The 3-D view's pending drag on its Jel, then its record (type 512).
void GVApplyDynCmdToJel(HWorld* world, DragCmd* drag);

// Fills the constraint entries of a service table (fix, rigid and wall apply).
void GVInstallConstraintServices(WorldServices* services);
