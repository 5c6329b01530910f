// Worlds with vehicle parts for the vehicle tests: cube Jels, a small vehicle
// record of a chassis and parts, and a frame callback that plays a world the
// way the frame driver does (scene walls every sub-step) and drives one wheel
// part inside each sub-step.
#pragma once

#include <cstdint>

#include "dynamics/world.h"
#include "vehicle/vehicle_record.h"

class HObject;

// A cube of 2 x 2 x 2 nodes (cell 1) centred on c. A vehicle cube gets a
// handle cell and counts as present for the vehicle code.
HObject* AddCube(HWorld* world, int32_t id, const float c[3], bool vehicle);

// The default scene box: x -12..12, y 0..24, z -12..12.
extern const float kSceneBox[6];

// Plays a world frame by frame; in each sub-step applies the scene walls and
// then drives `part` with `request` (when set).
struct WheelDriver {
  HWorld* world = nullptr;
  VhclPartRec* part = nullptr;
  WheelRequest request;
  int32_t frame = -1;
  void Attach(HWorld* w);
  void PlayTo(int32_t target);
};
