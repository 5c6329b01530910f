// The chase camera: the 3-D view's camera kept behind and above the scene's
// vehicle, easing towards a band of distances and heights after every frame.
#pragma once

#include <cstdint>

struct VehicleRec;

// The settings the view, the scene-open handlers and the vehicle controls
// share. The four distances and angles are the run's; the follow side is the
// open scene's: every scene opened or started begins with 0.
struct VehicleChaseCam {
  float height = 10.0f;    // H: eye height above the chassis centre
  float distance = 30.0f;  // D: horizontal eye distance
  float fov = 30.0f;       // degrees
  float heading = 0.0f;    // degrees
  // Written by the vehicle controls: 1 the eye goes along -t from the chassis,
  // 2 along +t (t the chassis's heading tangent), otherwise it keeps its side.
  int32_t cameraMode = 0;
};

VehicleChaseCam& GVVehicleChaseCam();

// Moves the view camera one fifth of the way into the band 0.8 D .. 1.2 D
// and H - 2s .. H + 2s (s the vehicle's scale) around the chassis, and aims
// it ahead of the chassis. Nothing without a view camera, world or vehicle.
void GVVehicleCameraFollow();
// The point the follow aims the view at: ahead of the chassis' centre along
// its heading, at the centre's height. False without a chassis or a heading.
bool GVVehicleChaseTarget(VehicleRec* v, float target[3]);
// For a scene just opened or started: the follow side back to 0 (the eye
// keeps its side), and the chase settings from where the view camera stands
// to a non-empty vehicle's chassis.
void GVSetVehicleCamFromView();
