// The vehicle's exploded view: the Geos attached to the vehicle's Jels drawn
// pulled apart along one offset vector taken from the chassis (body four
// times, suspension three times, chassis twice, the groups of the first two
// parts once), with a strength that follows an envelope over the frames.
// Only Geo translations and engine nodes move; the Jels do not.
#pragma once

#include <cstdint>

struct HWorld;

// 17 words.
struct VehicleExplodeRec {
  int32_t chassisId;     // 0
  int32_t frameNode;     // 1: the chassis node whose displacement gives the offset
  int32_t bodyId;        // 2 (shape 3 only)
  int32_t suspensionId;  // 3 (shape 3 only)
  int32_t groups[2];     // 4, 5: groups of the vehicle's first two parts
  int32_t shape;         // 6: 0 none, 1 triangle, 2 trapezoid, 3 trapezoid with body and suspension
  int32_t unused[3];     // 7-9
  float start;           // 10
  float end;             // 11
  float ramp;            // 12
  float peak;            // 13
  float offset[3];       // 14-16: the current offset vector
};

void GVClearVehicleExplode(VehicleExplodeRec* r);
void GVSetVehicleExplodeTriangle(VehicleExplodeRec* r, float start, float end, float peak);
void GVSetVehicleExplodeTrapezoid(VehicleExplodeRec* r, float start, float end, float ramp, float peak);
void GVSetVehicleExplodeFull(VehicleExplodeRec* r, float start, float end, float ramp, float peak);
// The value at x of the line through (x0, y0) and (x1, y1).
float GVLerp(float x0, float x1, float y0, float y1, float x);
float GVVehicleExplodeEnvelope(const VehicleExplodeRec* r, float x);
// The chassis node's displacement from the chassis centre, times scale; zero
// without a world or a chassis.
void GVVehicleExplodeVector(HWorld** world, const VehicleExplodeRec* r, float scale, float out[3]);
// Adds each attached Geo's weighted offset to its translation and moves its node.
void GVApplyVehicleExplode(VehicleExplodeRec* r);
// The record the scene's display settings ask for (shape word 28): made or
// refilled in gOgreData, or freed when the word is 0.
void GVBuildVehicleExplode();
void GVFreeVehicleExplode();
