// The driving update: once per sub-step of initial-state mode, between the
// force phase and the commit, the driver's inputs steer, drive and brake the
// scene's vehicle. Only live states (frame -3) change.
#pragma once

#include <cstdint>

#include "vehicle/vehicle_record.h"

struct SceneServices;

// The driver's inputs, written by the vehicle controls.
struct DriveInputs {
  float steerTarget = 0.0f;  // degrees, kept within -50..50 by the controls
  int32_t gear = 0;          // 1 forward, -1 reverse, 0 neutral
  int32_t driveMode = 0;     // 2 drive, 1 brake
  float prevThrottle = 0.0f; // the pedal value before the last right-pedal move
  float throttle = 0.0f;     // 0..1
  int32_t noCounterDrive = 0;
};

// The one record the controls write and the frame callback reads.
DriveInputs& GVDriveInputs();

// The 2x2 vehicle: steering, two passes of chassis rigidity, wheels, glue,
// speed and carrying, then the suspension's own sub-steps.
void GVUpdateVehicleType2(VehicleRec* v, const DriveInputs& in);
// One box-shaped Jel as the whole vehicle.
void GVUpdateVehicleType3(VehicleRec* v, int32_t blockJelId, const DriveInputs& in);

// The start of a run (time 0): the rigid parts' shapes of the chassis, the
// body and every part are recorded as they stand.
void GVVehicleCaptureShapes(VehicleRec* v);

void GVStepVehicleSuspension(VehicleRec* v, int32_t bodyId, int32_t suspensionId, int32_t chassisId,
                             int32_t suspPart, float gain);

// Walks over every vehicle Jel with a live state: part 1's in-step
// displacement saved, offsets from a centre saved, omega x offset added.
void GVVehicleSaveDisplacements(VehicleRec* v);
void GVVehicleSaveOffsets(VehicleRec* v, const float centre[3]);
void GVVehicleAddRotation(VehicleRec* v, const float omega[3]);
// Takes back, by one turn of the whole vehicle about the reference centre,
// the angular momentum the vehicle's own work added since the displacements
// were saved.
void GVVehicleCarryRotation(VehicleRec* v, const float refCentre[3]);

// The frame callback's vehicle step and sub-step count for the scene's
// vehicle; installed into the services while a vehicle exists.
void GVDriveSceneVehicle(HWorld** world);
int32_t GVSceneVehicleSubsteps(float* factor);
// The after-frame callback's camera follow (1 when the vehicle is not empty)
// and the driving read-outs for the attached Geos.
int32_t GVSceneVehicleCameraFollow();
void GVSceneVehicleDriveInputs(float* steering, float* frontSpin, float* rearSpin, float* speedUp, int32_t* bodyJel);
// Fills the vehicle's entries of the scene services (the vehicle command
// installs them with a vehicle and clears them with it).
void GVInstallVehicleServices(SceneServices* services);
// Empties the entries GVInstallVehicleServices fills.
void GVRemoveVehicleServices(SceneServices* services);
