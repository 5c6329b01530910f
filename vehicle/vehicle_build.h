// Building the 2x2 vehicle: the chassis, body and suspension lattices from
// boxes of grid points, and the two rotator and four motor-wheel parts placed
// on the chassis's corners.
#pragma once

#include <cstdint>

#include "vehicle/vehicle_record.h"

class HObject;
struct HWorld;

// Build flags.
enum : int32_t {
  kBuildCrossPlate = 1,   // a cross plate on the plain chassis
  kBuildBody = 4,         // body and suspension (ladder chassis); the first post set
  kBuildPostsWide = 8,    // the second post set
  kBuildBodyPosts = 0x10, // posts on the body, suspension posts 3 points high
  kBuildPostsLong = 0x20, // the third post set
};

// Fills the record with the fifteen Jels (ids in the order of GVVehicleJelIds)
// and the nine group selectors (groupChassis, the six parts, groupAll,
// groupExtra), at lattice scale s and lattice lengths nA (x) and nB (z).
void GVBuildVehicle2x2(VehicleRec* v, HWorld* world, const int32_t ids[kVehicleJelIds], const int32_t groups[9],
                       float s, int32_t nA, int32_t nB, int32_t flags);

// The three lattice Jels, added to the vehicle's world in the group of the
// selector; null without a world.
HObject* GVBuildChassisJel(VehicleRec* v, int32_t id, const char* name, float s, int32_t group, int32_t nA,
                           int32_t nB, int32_t flags);
HObject* GVBuildBodyJel(VehicleRec* v, int32_t id, const char* name, float s, int32_t group, int32_t nA,
                        int32_t nB, int32_t flags);
HObject* GVBuildSuspensionJel(VehicleRec* v, int32_t id, const char* name, float s, int32_t group, int32_t nA,
                              int32_t nB, int32_t flags);
// Body and suspension under the record's ids; the body's rest shape is
// captured.
void GVBuildBodySuspJels(VehicleRec* v, float s, int32_t group, int32_t nA, int32_t nB, int32_t flags);

// Ties the suspension's part suspBodyPart to the body and its part suspPart
// to the chassis by glue of the nearest coincident nodes.
void GVVehicleGlueSuspension(VehicleRec* v);
// The vehicle's reference point (over the suspension when there is one, else
// the chassis); 1, or 0 when there is neither.
int32_t GVVehicleRefPoint(VehicleRec* v, float out[3]);
