// A 2x2 vehicle built by the builder with the first build's settings (scale 1, Sc_T 5,
// Fy -0.5, grips 0.7, both axles driven, front brakes), settled on the floor
// (y = 0) and played through the frame driver with the real vehicle step.
#pragma once

#include <cstdint>

#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_record.h"

class HObject;
struct HWorld;

// What the vehicle controls' build button asks for: GVMakeVehicle of a kind
// (nA, nB 0: the defaults).
struct VehicleClick {
  int32_t kind = 1;
  int32_t nA = 0;
  int32_t nB = 0;
};

struct DrivenVehicle {
  // flags of the builder; settle: run 200 frames and keep them as frame 0.
  DrivenVehicle(int32_t flags, int32_t nA, int32_t nB, bool settle);
  // The vehicle GVMakeVehicle makes, as a click makes it, in initial-state
  // mode at frame 0 (the mode switch evaluates the frame again). No view
  // camera is installed, so the after-step pass deforms no Geo: the wheel
  // Geos stay where the build put them. Geo checks belong in CommandScene.
  explicit DrivenVehicle(VehicleClick click);
  ~DrivenVehicle();
  DrivenVehicle(const DrivenVehicle&) = delete;
  DrivenVehicle& operator=(const DrivenVehicle&) = delete;

  HWorld* World() const;
  HObject* Jel(int32_t id) const;
  void PlayTo(int32_t target);
  // Chassis centre, its heading (rear to front axle, x-z plane, radians), its
  // up axis's angle from +y (degrees) and the lowest node of the vehicle.
  void Centre(float c[3]) const;
  float Heading() const;
  float Tilt() const;
  float LowestY() const;

  VehicleRec* v = nullptr;
  DriveInputs& in;
  bool made = false;
  int32_t frame = -1;
};
