// Scenes for the vehicle tests: cube Jels, and a player that starts the
// scene's records and plays the scene's world through the frame driver, with
// the vehicle step of the frame callback steering one rotator part and
// driving one wheel part in every sub-step.
#pragma once

#include <cstdint>

#include "dynamics/world.h"
#include "vehicle/vehicle_record.h"

class HObject;

// A cube of 2 x 2 x 2 nodes (cell 1) centred on c. A vehicle cube gets a
// handle cell and counts as present for the vehicle code.
HObject* AddCube(HWorld* world, int32_t id, const float c[3], bool vehicle);

// One at a time: the scene's records are process-wide.
struct ScenePlayer {
  ScenePlayer();
  ~ScenePlayer();
  ScenePlayer(const ScenePlayer&) = delete;
  ScenePlayer& operator=(const ScenePlayer&) = delete;

  HWorld* world() const;
  // Steps the scene frame by frame up to the target.
  void PlayTo(int32_t target);

  VhclPartRec* part = nullptr;     // driven with `request` when set
  WheelRequest request;
  VhclPartRec* rotator = nullptr;  // steered to `steer` radians when set
  float steer = 0.0f;
  int32_t frame = -1;
};
