// A scene for the vehicle command tests: the scene's records started, the
// stand-in 3-D view (camera showing Geos and Jels, status line) installed, a
// wide floor at y = 0 and natural-state mode. The vehicle, if any, is removed
// before the scene goes.
#pragma once

#include <cstdint>
#include <vector>

#include "fake_view.h"
#include "vehicle/vehicle_record.h"

class HObject;
struct GObject;
struct HWorld;

struct CommandScene {
  CommandScene();
  ~CommandScene();
  CommandScene(const CommandScene&) = delete;
  CommandScene& operator=(const CommandScene&) = delete;

  HWorld* World() const;
  VehicleRec* Vehicle() const;
  HObject* Jel(int32_t id) const;
  GObject* Geo(const char* name) const;
  // Plays the scene frame by frame through the frame driver.
  void PlayTo(int32_t target);
  // The lowest node of the vehicle's Jels at the committed state.
  float LowestY() const;

  scenetest::FakeView* view = nullptr;
  int32_t frame = 0;
};

// Every node's position and velocity over the vehicle's Jels, for comparing
// runs bit for bit.
std::vector<float> VehicleState(VehicleRec* v);
