#include "vehicle/vehicle_file_services.h"

#include <new>

#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_io.h"
#include "vehicle/vehicle_record.h"

namespace {

int32_t isEmpty(ObjHandle* cell) { return GVVehicleIsEmpty(GVVehicleOf(cell)); }

void countItem(ItemStream* stream, ObjHandle* cell) { GVCountVehicleItem(stream, GVVehicleOf(cell)); }

int32_t putItem(ObjHandle* cell, ItemStream* stream) { return GVPutVehicleItem(GVVehicleOf(cell), stream); }

// A new cell and record read by `init` from an item or a tagged file; null,
// with nothing left behind, when it does not read.
template <typename Source>
ObjHandle* newVehicle(Source* source, HWorld* world, int32_t (*init)(ObjHandle*, Source*, HWorld*)) {
  ObjHandle* cell = new (std::nothrow) ObjHandle();
  if (!cell) return nullptr;
  if (!init(cell, source, world)) {
    GVDeleteVehicleHandle(cell);
    return nullptr;
  }
  return cell;
}

ObjHandle* readItem(ItemStream* stream, HWorld* world) { return newVehicle(stream, world, GVInitVehicleFromImage); }

ObjHandle* readTagged(FILE* file, HWorld* world) { return newVehicle(file, world, GVInitVehicleFromFile); }

// The scene's vehicle is driven through the driving entries while it exists.
void replaceVehicle(ObjHandle* cell, HWorld* world) {
  SceneRecords& sc = GVScene();
  GVDeleteVehicleHandle(sc.vehicle);
  sc.vehicle = cell;
  if (VehicleRec* v = GVVehicleOf(cell)) GVVehicleSetWorld(v, world);
  SceneServices sv = GVSceneServices();
  if (cell)
    GVInstallVehicleServices(&sv);
  else
    GVRemoveVehicleServices(&sv);
  GVSetSceneServices(sv);
}

}  // namespace

void GVInstallVehicleFileServices(SceneServices* services) {
  if (!services) return;
  services->vehicleIsEmpty = isEmpty;
  services->countVehicleItem = countItem;
  services->putVehicleItem = putItem;
  services->readVehicleItem = readItem;
  services->readVehicleTagged = readTagged;
  services->freeVehicle = GVDeleteVehicleHandle;
  services->replaceVehicle = replaceVehicle;
}
