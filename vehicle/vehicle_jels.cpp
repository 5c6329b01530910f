#include "vehicle/vehicle_jels.h"

#include <initializer_list>
#include <new>

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

HObject* GVVehicleJel(const HWorld* world, int32_t id) {
  if (!world || id < 1) return nullptr;
  HObject* j = GVGetJelById(world, id);
  return j && j->handle && *j->handle == j ? j : nullptr;
}

HAState* GVVehicleJelState(const HWorld* world, int32_t id) {
  HObject* j = GVVehicleJel(world, id);
  return j ? j->state : nullptr;
}

HAState* GVVehicleJelMovable(const HWorld* world, int32_t id) {
  HObject* j = GVVehicleJel(world, id);
  if (!j || !j->state || j->playParams.mode == 4 || j->state->readOnly()) return nullptr;
  return j->state;
}

HObject** GVVehicleAddJel(HWorld* world, HObject* jel) {
  if (!world || !jel) return nullptr;
  if (!jel->handle) {
    HObject** cell = new (std::nothrow) HObject*(jel);
    if (!cell) return nullptr;
    jel->handle = cell;
  }
  GVAddJel(world, jel);
  return jel->handle;
}

int32_t GVVehicleNextJelId(const HWorld* world) {
  int32_t top = 0;
  if (world)
    for (const HObject* j = world->head; j; j = GVNextJel(j))
      if (j->id > top) top = j->id;
  return top + 1;
}

void GVVehicleDeleteJels(HWorld* world, int32_t selection) {
  if (world && selection != 0) GVDeleteJelSel(world, selection);
}
