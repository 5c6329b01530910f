#include "vehicle_scene.h"

#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/live_state.h"
#include "scene/app_lifecycle.h"
#include "scene/frame_driver.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_jels.h"

HObject* AddCube(HWorld* world, int32_t id, const float c[3], bool vehicle) {
  LatticeBuilder b;
  LatticeSpec spec;
  GVInitLatticeBuilder(&spec, &b);
  GVGridFillAll(&b);
  HObject* j = GVCreateJelFromBuilder(&b, id, 0, 0, nullptr);
  GVFreeLatticeBuilder(&b);
  j->addPartVec0(1, kFrameInitial, kAxesAll, c);
  j->restoreFrame(kFrameInitial);
  j->storeFrame(kFrameInitial);
  if (vehicle)
    GVVehicleAddJel(world, j);
  else
    GVAddJel(world, j);
  return j;
}

static ScenePlayer* gPlayer = nullptr;

static void DriveParts(HWorld**) {
  if (gPlayer->rotator) GVSteerRotatorPart(gPlayer->rotator, gPlayer->steer);
  if (gPlayer->part) GVDriveWheelPart(gPlayer->part, &gPlayer->request, 0.0f);
}

ScenePlayer::ScenePlayer() {
  gPlayer = this;
  SceneServices sv;
  sv.driveVehicle = DriveParts;
  GVSetSceneServices(sv);
  GVAppStartup();
}

ScenePlayer::~ScenePlayer() {
  GVAppShutdown();
  GVSetSceneServices(SceneServices());
  GVFrameClock() = FrameClock();
  gPlayer = nullptr;
}

HWorld* ScenePlayer::world() const { return GVScene().world ? *GVScene().world : nullptr; }

void ScenePlayer::PlayTo(int32_t target) {
  while (frame < target) GVStepFrame(++frame, 1);
}
