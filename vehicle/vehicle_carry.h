// Carrying a group of vehicle Jels as one body after the vehicle's own work
// inside a sub-step. The work (steering, drive, shaping) is internal to the
// vehicle: what it added to the group's angular momentum is taken back by one
// turn of the whole group, so the wheels spin against their motors and the
// reaction goes to the rest.
#pragma once

#include <cstdint>

class HAState;

// From the part-1 offsets each state saved about one centre (GVSavePartOffsets:
// scratch 1 the new offset r, scratch 2 the change d of the displacement since
// it was saved): omega = -I^-1 sum m (r x d), I = sum m (|r|^2 E - r r^T) over
// every listed state. Adding omega x r to the displacements (GVAddPartRotation)
// cancels the angular momentum of the changes. Zero when I is singular.
void GVCarryTurn(HAState* const* states, int32_t count, float omega[3]);
