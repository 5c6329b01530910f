#include "vehicle_scene.h"

#include "dynamics/constraint_cmds.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world_runner.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/live_state.h"
#include "vehicle/vehicle_jels.h"

const float kSceneBox[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};

HObject* AddCube(HWorld* world, int32_t id, const float c[3], bool vehicle) {
  LatticeBuilder b;
  LatticeSpec spec;
  GVInitLatticeBuilder(&spec, &b);
  GVGridFillAll(&b);
  HObject* j = GVCreateJelFromBuilder(&b, id, 0, 0, nullptr);
  GVFreeLatticeBuilder(&b);
  j->addPartVec0(1, kFrameNatural, kAxesAll, c);
  j->restoreFrame(kFrameNatural);
  j->storeFrame(kFrameNatural);
  if (vehicle)
    GVVehicleAddJel(world, j);
  else
    GVAddJel(world, j);
  return j;
}

static int32_t DriveCB(void* owner, int32_t selection, void* user) {
  WheelDriver* d = static_cast<WheelDriver*>(user);
  if (!owner) return selection != 0 ? 1 : GVSubstepsPerFrame(d->world);
  GVSelWalls(d->world, selection, 1, kSceneBox);
  if (d->part) GVDriveWheelPart(d->part, &d->request, 0.0f);
  return 1;
}

void WheelDriver::Attach(HWorld* w) {
  world = w;
  w->owner = w;
  w->callbackUser = this;
}

void WheelDriver::PlayTo(int32_t target) {
  for (++frame; frame <= target; ++frame) GVAdvanceToFrame(world, frame, DriveCB, nullptr);
  frame = target;
}
