// Jels in and out of group 1 in the scene's world, as the shutdown and a new
// scene must remove both.
#pragma once

#include "dynamics/runner_scene.h"
#include "jel/jel_object.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"

inline void AddMixedJels() {
  const float corner[3] = {0.0f, 2.0f, 0.0f};
  for (int32_t id = 1; id <= 2; ++id) {
    HObject* j = MakeDropJel(1, 1, 1, 1.0f, corner, id, -9.81f);
    j->groupMask = id == 1 ? 2u : 8u;
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
  }
}
