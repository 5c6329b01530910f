#include "scene/scene_context.h"

#include <new>

#include "jel/matter.h"

SceneAuxRec* GVNewSceneAuxRec() { return new (std::nothrow) SceneAuxRec{0, 0, 0, nullptr}; }

void GVFreeSceneAuxRec(SceneAuxRec* rec) {
  if (!rec) return;
  delete[] rec->entries;
  *rec = SceneAuxRec{0, 0, 0, nullptr};
  delete rec;
}

SceneCtx* GVInitSceneCtx(SceneCtx* ctx, ObjHandle* geoList, HWorld** world, LightList* lights,
                         SceneAuxRec* auxA, SceneAuxRec* auxB, int32_t* viewPair, float* sceneBounds) {
  if (!ctx) return nullptr;
  *ctx = SceneCtx{geoList, world, GVGlobalWorkBlock(), viewPair, lights, auxA, auxB, sceneBounds, 1};
  return ctx;
}
