#include "command_scene.h"

#include <algorithm>

#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "scene/app_lifecycle.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_setup.h"

CommandScene::CommandScene() {
  GVAppStartup();
  view = new scenetest::FakeView();
  view->setStateMode(-1);
  const float bounds[6] = {-200.0f, 200.0f, 0.0f, 400.0f, -200.0f, 200.0f};
  std::copy(bounds, bounds + 6, GVScene().bounds);
  GVDriveInputs() = DriveInputs();
}

CommandScene::~CommandScene() {
  GVDeleteVehicle();
  delete view;
  GVAppShutdown();
  GVSetSceneServices(SceneServices());
  GVFrameClock() = FrameClock();
  GVDriveInputs() = DriveInputs();
}

HWorld* CommandScene::World() const { return GVWorldOf(GVScene().world); }

VehicleRec* CommandScene::Vehicle() const { return GVVehicleOf(GVScene().vehicle); }

HObject* CommandScene::Jel(int32_t id) const { return GVVehicleJel(World(), id); }

GObject* CommandScene::Geo(const char* name) const {
  const GeoList* list = GVGeoListOf(GVScene().geoList);
  return list ? GVGetGeoById(list, GVFindGeoByName(list, name)) : nullptr;
}

void CommandScene::PlayTo(int32_t target) {
  while (frame < target) GVStepFrame(++frame, 1);
}

float CommandScene::LowestY() const {
  float low = 1e30f;
  GVVehicleForEachJel(Vehicle(), [&](HObject* j) {
    for (int32_t i = 1; j->state && i <= j->nodeCount; ++i) low = std::min(low, j->state->pos[i][1]);
  });
  return low;
}

std::vector<float> VehicleState(VehicleRec* v) {
  std::vector<float> out;
  GVVehicleForEachJel(v, [&](HObject* j) {
    for (int32_t i = 1; j->state && i <= j->nodeCount; ++i)
      out.insert(out.end(), {j->state->pos[i][0], j->state->pos[i][1], j->state->pos[i][2], j->state->vel[i][0],
                             j->state->vel[i][1], j->state->vel[i][2]});
  });
  return out;
}
