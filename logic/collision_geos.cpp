#include "logic/collision_geos.h"

#include "geo/mesh_topology.h"
#include "logic/dyn2_cmds.h"
#include "logic/program_store.h"
#include "scene/scene_access.h"

namespace {
constexpr uint32_t kBothKinds = 0x20000;
constexpr int32_t kUseGh = 32, kUsegH = 64, kUseHh = 128;
}  // namespace

int32_t GVLogicFindObjectRefs(LogicSystem* sys, ObjHandle* geo) {
  LogicProgram* prog = GVLogicProgram(sys, 1);
  if (!prog || !geo) return 0;
  int32_t use = 0;
  for (const LogicLine* l = prog->first; l; l = l->next) {
    if (l->category != kLogicDyn2 || l->argType[0] != static_cast<int32_t>(kLogicIntConst) || l->argInt[0] == 0)
      continue;
    if (!GVGeoMatches(geo, l->argInt[0])) continue;
    const bool both = (l->flags & kBothKinds) != 0;
    if (l->command == kDyn2HCollgH) use |= kUsegH | (both ? kUseGh : 0);
    if (l->command == kDyn2HCollGh) use |= kUseGh | (both ? kUsegH : 0);
    if (l->command == kDyn2HCollHh) use |= kUseHh;
  }
  return use;
}

void GVLogicPrepareCollGeo(LogicSystem* sys, ObjHandle* geo) {
  const int32_t use = GVLogicFindObjectRefs(sys, geo);
  if (use & (kUseGh | kUsegH))
    GVEnsureGeoTopology(GVGeoOf(geo));
  else if (use == kUseHh)
    GVFreeGeoTopology(GVGeoOf(geo));
}

void GVLogicPrepareCollGeos(LogicSystem* sys, int32_t selection) {
  if (!sys) return;
  for (ObjHandle* h = GVFirstGeo(sys->geoList); h; h = GVNextGeo(h))
    if (GVGeoMatches(h, selection)) GVLogicPrepareCollGeo(sys, h);
}
