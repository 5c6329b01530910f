// Preparing a built or loaded vehicle for driving, its drive constants, and
// the services of the vehicle panel (read-outs, Fy and Sc_T of all vehicle
// Jels, wheel offset).
#pragma once

#include <cstdint>

#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"

class HObject;
struct HWorld;
struct MatterProps;

// Calls f for every present Jel of the vehicle, in the order of
// GVVehicleJelIds.
template <class F>
void GVVehicleForEachJel(VehicleRec* v, F f) {
  if (!v || !v->world) return;
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(v, ids);
  for (int32_t id : ids)
    if (HObject* j = GVVehicleJel(v->world, id)) f(j);
}

// Mass-weighted centre of part 1 over the live states of the selection's Jels
// at a frame (-2 committed, -3 in the step); the origin without mass.
void GVVehicleSelCentre(HWorld* world, int32_t selection, int32_t frame, float c[3]);

// Types 2 and 3: glue, parts and heading node for driving.
void GVVehicleSetupParts(VehicleRec* v);
// Glues every node of Jel a to its nearest node of Jel b when all of them lie
// close; 1 when glued.
int32_t GVVehicleGlueNearest(VehicleRec* v, int32_t a, int32_t b);
void GVVehicleSetDriveKind(VehicleRec* v, int32_t chassisPart, int32_t rigidWheels);
void GVVehicleDriveTuning(VehicleRec* v, float* driveFactor, float* limitFactor);

struct VehicleReadout {
  float speed;
  int32_t driveAxles;
  int32_t brakeAxles;
  float heading;
  float defaultForceA;
  float fy;
  float frontGrip;
  float rearGrip;
  float driveGain;
  float limitGain;
  float scT;
};
void GVVehicleReadout(VehicleRec* v, VehicleReadout* out);
// Spins per second, steering angle in radians, body id and speed-up (the last
// two only with a suspension).
void GVVehicleDriveInputs(VehicleRec* v, float* frontSpin, float* rearSpin, float* angle, int32_t* bodyId,
                          float* speedUp);
void GVVehicleSetFy(VehicleRec* v, float value);
float GVVehicleGetFy(VehicleRec* v);
void GVVehicleSetSteering(VehicleRec* v, float offset);
// Puts the vehicle's lowest node on the floor (the scene bounds' lowest y) and
// keeps the result as frame 0.
void GVVehicleSettle(VehicleRec* v);
int32_t GVVehicleFindHeadingNode(VehicleRec* v);
void GVVehicleChassisParts(VehicleRec* v, float fraction);
void GVVehicleSetScaleT(VehicleRec* v, float value);
// The suspension's F-Ratio for a matter: its sub-steps at the cell size
// rounded up to a whole number of its Sc_T (Sc_T below 1 counts as 1).
float GVVehicleSuspensionFRatio(const MatterProps* m, float cellSize);
