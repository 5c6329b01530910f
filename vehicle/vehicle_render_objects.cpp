#include "vehicle/vehicle_render_objects.h"

#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "scene/edit_rules.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_record.h"

void GVCreateOgreVehicleParts(int32_t mode) {
  const SceneServices& s = GVSceneServices();
  HWorld* world = GVWorldOf(GVScene().world);
  const VehicleRec* vehicle = GVVehicleOf(GVScene().vehicle);
  if (!world || !vehicle) return;
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(vehicle, ids);
  for (int slot : kVehicleWheelSlots) {
    HObject* wheel = GVGetJelById(world, ids[slot]);
    if (!wheel) continue;
    if (!GVRenderStarted() || !s.createJelRenderObj) continue;
    wheel->removalCB = GVDestroyJelOgreCB;
    s.createJelRenderObj(wheel->id, mode);
  }
  GeoList* list = GVGeoListOf(GVScene().geoList);
  for (GObject* g = list ? list->head : nullptr; g; g = g->next) {
    if (g->jelId <= 0) continue;
    g->jel = GVGetJelById(world, g->jelId);
    g->jelId = g->jel ? g->jel->id : 0;
  }
}
