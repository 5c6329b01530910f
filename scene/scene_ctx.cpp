#include "scene/scene_ctx.h"

#include "jel/matter.h"
#include "scene/scene_records.h"

SceneCtx* GVInitSceneCtx(SceneCtx* rec, int32_t* viewPair, float* bounds) {
  if (!rec) return rec;
  const SceneRecords& s = GVScene();
  *rec = SceneCtx{};
  rec->geoList = s.geoList;
  rec->world = s.world;
  rec->globalBlock = GVGlobalWorkBlock();
  rec->viewPair = viewPair;
  rec->bounds = bounds;
  rec->programCount = 1;
  return rec;
}
