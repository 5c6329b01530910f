// Scenes for the world-runner tests and benchmark: solid Jel blocks placed in
// a world, a frame callback that does the frame driver's per-sub-step work
// (walls of the scene box on part 1, and in natural-state mode no part-1
// velocity), and hashes of the live state.
#pragma once

#include <cstdint>
#include <vector>

#include "dynamics/world.h"

class HObject;

// A Jel of cx x cy x cz solid cells of size h whose lowest-x, lowest-y,
// lowest-z node lies at `corner`; every node carries the default matter with
// the constant force fy along y. End frame 0 (open).
HObject* MakeDropJel(int cx, int cy, int cz, float h, const float corner[3], int32_t id, float fy);

// The default scene box: x -12..12, y 0..24, z -12..12.
extern const float kSceneBox[6];

// Per-frame callback: asked for sub-steps it answers SceneDriver::subSteps;
// in a sub-step it applies the scene walls to part 1 of the selected Jels
// and, in natural-state mode, zeroes the part-1 velocity of every active Jel.
// Counts its calls.
struct SceneDriver {
  int32_t subSteps = 1;
  int asked = 0;         // (null, 0) calls
  int work = 0;          // (owner, -1) calls
  int workInStep = 0;    // of which between the force and commit phases
  int after = 0;         // after-frame calls
  HWorld* world = nullptr;
};
int32_t SceneFrameCB(void* owner, int32_t selection, void* user);
int32_t SceneAfterCB(void* owner, int32_t selection, void* user);

// Wires a world to a driver: owner = the world, callbackUser = the driver.
void AttachDriver(HWorld* world, SceneDriver* driver);

// FNV-1a over the committed positions and velocities of every Jel.
uint64_t WorldStateHash(const HWorld* world);
// Committed positions of every Jel, in list order.
std::vector<float> WorldPositions(const HWorld* world);
float LowestY(const HObject* jel);
float LargestSpeed(const HObject* jel);
