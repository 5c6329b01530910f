#include "vehicle/vehicle_link_services.h"

#include "dynamics/jel_selection.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_record.h"

static_assert(kSceneVehicleJelIds == kVehicleJelIds, "the scene's vehicle id array");
static_assert(kSceneVehicleGroups == kVehicleGroups, "the scene's vehicle group array");

namespace {

void jelIds(ObjHandle* cell, int32_t out[kVehicleJelIds]) { GVVehicleJelIds(GVVehicleOf(cell), out); }

void groups(ObjHandle* cell, int32_t out[kVehicleGroups]) { GVVehicleGroups(GVVehicleOf(cell), out); }

int32_t hasJel(ObjHandle* cell, int32_t id, int32_t testGroups) {
  return GVVehicleHasJel(GVVehicleOf(cell), id, testGroups);
}

void shiftJelIds(ObjHandle* cell, int32_t offset) {
  if (VehicleRec* v = GVVehicleOf(cell)) GVVehicleShiftJelIds(v, offset);
}

void replaceJelId(ObjHandle* cell, int32_t oldId, int32_t newId) {
  if (VehicleRec* v = GVVehicleOf(cell)) GVVehicleReplaceJelId(v, oldId, newId);
}

void remapJelIds(ObjHandle* cell, int32_t count, const int32_t* table) {
  if (VehicleRec* v = GVVehicleOf(cell)) GVVehicleRemapJelIds(v, count, table);
}

void unmarkJels(ObjHandle* cell) {
  if (VehicleRec* v = GVVehicleOf(cell)) GVVehicleMarkPartJels(v, 0);
}

int32_t wheelsOneSide(ObjHandle* cell) { return GVVehicleWheelsOneSide(GVVehicleOf(cell)); }

// The third group selector is made once and kept with the vehicle, so that
// the group editor finds the same group on every later request.
int32_t extraGroup(ObjHandle* cell) {
  VehicleRec* v = GVVehicleOf(cell);
  if (!v || !v->world) return 0;
  if (v->groupExtra == 0) v->groupExtra = GVNewJelGroupSel(v->world);
  return v->groupExtra;
}

}  // namespace

void GVInstallVehicleLinkServices(SceneServices* services) {
  if (!services) return;
  services->vehicleJelIds = jelIds;
  services->vehicleGroups = groups;
  services->vehicleHasJel = hasJel;
  services->shiftVehicleJelIds = shiftJelIds;
  services->replaceVehicleJelId = replaceJelId;
  services->remapVehicleJelIds = remapJelIds;
  services->unmarkVehicleJels = unmarkJels;
  services->vehicleWheelsOneSide = wheelsOneSide;
  services->vehicleExtraGroup = extraGroup;
}
