#include "vehicle/vehicle_jels.h"

#include <initializer_list>
#include <new>

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "scene/file_ids.h"

HObject* GVVehicleJel(const HWorld* world, int32_t id) {
  if (!world || id < 1) return nullptr;
  HObject* j = GVGetJelById(world, id);
  return j && j->handle && *j->handle == j ? j : nullptr;
}

void GVVehiclePart1Centre(HObject* const* jels, int32_t count, int32_t frame, float c[3]) {
  float m = 0.0f, sum[3] = {0, 0, 0};
  const bool live = frame <= kFrameCommitted;
  for (int32_t k = 0; jels && k < count; ++k) {
    HObject* j = jels[k];
    if (!j || (live && !j->state)) continue;
    if (live) {
      j->state->getPartMass(1, frame, &m);
      j->state->getPartMassPosSum(1, frame, kAxesAll, sum);
    } else {
      j->getPartMass(1, frame, &m);
      j->getPartMassSumVec0(1, frame, kAxesAll, sum);
    }
  }
  for (int k = 0; k < 3; ++k) c[k] = m != 0.0f ? sum[k] / m : 0.0f;
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
  return GVIdAfter(top);
}

void GVVehicleDeleteJels(HWorld* world, int32_t selection) {
  if (world && selection != 0) GVDeleteJelSel(world, selection);
}
