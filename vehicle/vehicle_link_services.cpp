#include "vehicle/vehicle_link_services.h"

#include "scene/scene_services.h"
#include "vehicle/vehicle_record.h"

namespace {

void remapJelIds(ObjHandle* vehicle, int32_t count, const int32_t* table) {
  if (VehicleRec* v = GVVehicleOf(vehicle)) GVVehicleRemapJelIds(v, count, table);
}

}  // namespace

void GVInstallVehicleLinkServices(SceneServices* services) {
  if (!services) return;
  services->remapVehicleJelIds = remapJelIds;
}
