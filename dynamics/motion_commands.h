// Motion and force commands on a part of a selection of Jels taken as one
// body: its centre of mass, mean velocity and spin (read and set), a force on
// its nodes, the pull of one Jel towards another, and the distance between two
// parts.
//
// Selection: a Jel id (>= 1), -1 for the Jels with group bit 1, -2..-31 for a
// group bit; 0 selects nothing, and the getters then write nothing. Frame: a
// stored frame (>= 0) or the rest shape (-1) through the Jel itself, the
// committed live state (-2) through the Jel, and the state within a step (-3)
// through its live state; a Jel without one is skipped. Axis mask: 2 x, 4 y,
// 8 z. Jels in replay are read but never changed.
#pragma once

#include <cstdint>

struct HWorld;

// Centre of mass of the part over the selection (the zero vector when it has
// no mass). Without origin and matrix the whole centre is written; otherwise
// it is taken relative to origin and expressed in the frame of matrix (its
// columns the frame's axes), and only the masked components are written.
void GVGetSelPosition(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes, float out[3],
                      const float* origin, const float* matrix);
// Moves the part so that its centre (as the getter reports it) reaches target
// on the masked axes. At the stored frames and the rest shape only parts 0
// and 1 can be moved: the other parts share nodes with them there.
void GVSetSelPosition(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes,
                      const float target[3], const float* origin, const float* matrix);

// Mass-weighted mean velocity on the masked components; the rest shape has
// no velocity (zero).
void GVGetSelVelocity(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes, float out[3]);
// Adds (target - mean) on the masked axes to every node's velocity.
void GVSetSelVelocity(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes,
                      const float target[3]);
// Every node of every selected Jel gets this velocity.
void GVSetSelNodeVelocities(HWorld* world, int32_t selection, int32_t frame, const float velocity[3]);

// Angular velocity of the part about its centre of mass: the summed angular
// momentum through the inverse of the summed inertia tensor (zero when the
// tensor is singular). Masked components only.
void GVGetSelAngVelocity(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes,
                         float out[3]);
// Adds the spin (target - present) on the masked axes about the centre.
void GVSetSelAngVelocity(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes,
                         const float target[3]);

// force x dt^2 on the masked axes into the in-step displacement of the part's
// nodes; only between the phases of a sub-step.
void GVSelApplyForce(HWorld* world, int32_t selection, int32_t part, int32_t axes, const float force[3]);

// Pulls each node of part p of Jel A towards the node of the same index of
// Jel B: disp_A += (spring x (x_B - x_A) + damping x (v_B - v_A)) x dt^2, x the
// in-step positions. Only between Jels of the same lattice extents.
void GVAttractJels(HWorld* world, int32_t idA, int32_t idB, int32_t part, float spring, float damping);

// Distance between the in-step centres of part a of Jel A and part b of Jel
// B; 0 when either is missing or has no live state.
float GVGetJelDistance(HWorld* world, int32_t idA, int32_t partA, int32_t idB, int32_t partB);
// Moves the two parts along the line of their centres until they are target
// apart; the lighter part moves the more, and their common centre of mass
// stays where it was.
void GVSetJelDistance(HWorld* world, int32_t idA, int32_t partA, int32_t idB, int32_t partB, float target);
