#include "logic/object_refs.h"

#include <algorithm>
#include <cstdint>

#include "dynamics/jel_selection.h"
#include "geo/geo_list.h"
#include "geo/mesh_topology.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "geo/geo_list_services.h"
#include "scene/light_list.h"
#include "scene/scene_access.h"
#include "scene/scene_context.h"

namespace {

constexpr uint32_t kPairBits = kLogicQualFirstPair | kLogicQualSecondPair;
constexpr uint32_t kLineCollBothWays = 0x20000;  // HCOLL mode: the Geo both moves and is hit
constexpr int32_t kCountMin = 1;
constexpr int32_t kCountMax = 10;

// Stored constants come from files: sums that leave the int range stop at its ends.
int32_t saturated(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The catalogue mask of a line's argument slot a (0..4); 0 when the line's
// command is not in the catalogue.
uint32_t argMask(const LogicSystem* sys, const LogicLine* line, int32_t a) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  return cmd ? cmd->argMask[a] : 0;
}

// Calls f(value) for every integer-constant slot of the main program whose
// mask has any of the bits.
template <typename F>
void forEachMainRef(LogicSystem* sys, uint32_t bits, F f) {
  LogicProgram* p = GVLogicProgram(sys, 1);
  for (LogicLine* l = p ? p->first : nullptr; l; l = l->next)
    for (int32_t a = 0; a < kLogicArgs; ++a)
      if (l->argType[a] == static_cast<int32_t>(kLogicIntConst) && (argMask(sys, l, a) & bits)) f(l->argInt[a]);
}

void remapRefs(LogicSystem* sys, uint32_t bits, int32_t count, const int32_t* oldIds) {
  if (!oldIds || count < 1) return;
  forEachMainRef(sys, bits, [&](int32_t& c) {
    if (c <= 0) return;
    int32_t found = 0;
    for (int32_t i = 1; i <= count && !found; ++i)
      if (oldIds[i] == c) found = i;
    c = found;
  });
}

// The Geo after id in list order: the first one when id is the last or not
// in the list; 0 for an empty list.
int32_t nextGeoInList(const GeoList* list, int32_t id) {
  if (!list || !list->head) return 0;
  for (const GObject* g = list->head; g; g = g->next)
    if (g->id == id) return g->next ? g->next->id : list->head->id;
  return list->head->id;
}

int32_t stepGeo(LogicSystem* sys, uint32_t mask, int32_t c, int32_t direction) {
  const GeoList* list = GVGeoListOf(sys->geoList);
  if (!list) return 0;
  if (direction == 0) return c;
  if (mask & kLogicQualGeoListOrder)
    return direction > 0 ? nextGeoInList(list, c) : GVPrevGeoId(sys->geoList, c);
  return direction > 0 ? GVNextGeoSel(list, c) : GVPrevGeoSel(list, c);
}

int32_t stepLight(int32_t lights, int32_t c, int32_t direction) {
  if (direction == 0) return c;
  if (lights < 1) return -1;
  if (direction > 0) return c < lights - 1 ? c + 1 : 0;
  return c > 0 ? c - 1 : lights - 1;
}

// Lights in the scene's light list; 0 without one.
int32_t lightCount(const LogicSystem* sys) {
  const LightList* lights = sys->ctx ? sys->ctx->lights : nullptr;
  return lights && lights->lights ? lights->count : 0;
}

}  // namespace

int32_t GVLogicFindPairConst(const LogicLine* line, const LogicSystem* sys, int32_t value, uint32_t mask,
                             int32_t* jelId, int32_t* part) {
  if (!line || !value || !mask) return 0;
  const bool givenPart = (mask & kLogicQualPart) != 0;
  if (!givenPart && !(mask & kLogicQualJel)) return 0;
  const uint32_t want = givenPart ? kLogicQualJel : kLogicQualPart;
  const uint32_t pair = mask & kPairBits;
  for (int32_t a = 0; a < kLogicArgs; ++a) {
    const uint32_t m = argMask(sys, line, a);
    if (line->argType[a] != static_cast<int32_t>(kLogicIntConst) || !(m & want) || (m & pair) != pair) continue;
    if (jelId) *jelId = givenPart ? line->argInt[a] : value;
    if (part) *part = givenPart ? value : line->argInt[a];
    return 1;
  }
  return 0;
}

int32_t GVLogicStepObjectConst(LogicLine* line, int32_t column, LogicSystem* sys, int32_t direction) {
  const int32_t a = column - 5;
  if (!line || !sys || a < 0 || a >= kLogicArgs) return 0;
  const uint32_t mask = argMask(sys, line, a);
  int32_t c = line->argType[a] == static_cast<int32_t>(kLogicIntConst) ? line->argInt[a] : 0;
  const HWorld* world = GVWorldOf(sys->world);
  bool geoStep = false, jelStep = false;
  int32_t jel = 0, part = 0;

  if (mask & kLogicQualGeo) {
    c = stepGeo(sys, mask, c, direction);
    geoStep = true;
  }
  if (mask & kLogicQualJel) {
    if (direction) c = direction > 0 ? GVNextJelSel(world, c) : GVPrevJelSel(world, c);
    jel = c;
    GVLogicFindPairConst(line, sys, c, mask, &jel, &part);
    jelStep = true;
  }
  if (mask & kLogicQualPart) {
    GVLogicFindPairConst(line, sys, c, mask, &jel, &part);
    if (direction) c = direction > 0 ? GVNextJelPart(sys->world, c) : GVPrevPartIndex(world, jel, c);
    part = c;
    jelStep = true;
  }
  if (mask & kLogicQualLight) c = stepLight(lightCount(sys), c, direction);
  if ((mask & kLogicQualOnOff) && direction) c = c == 0 ? 1 : 0;
  if (mask & kLogicQualCount)
    c = std::clamp(std::clamp(c, kCountMin, kCountMax) + (direction > 0) - (direction < 0), kCountMin, kCountMax);
  line->argInt[a] = c;

  if (sys->appCB) {
    if (jelStep)
      sys->appCB(2, 0, jel, part, nullptr);
    else if (geoStep)
      sys->appCB(1, c, 0, 0, nullptr);
  }
  return c;
}

void GVLogicShiftRefs(LogicProgram* dest, LogicSystem* imported, int32_t shift, int32_t groupShift,
                      int32_t merge) {
  if (!dest || !imported || !imported->programs) return;
  const int32_t entryCount = imported->programCount;
  LogicProgram* from = GVLogicProgram(imported, 1);
  if (merge && imported->categories && from) {
    forEachMainRef(imported, kLogicQualGeo | kLogicQualJel, [&](int32_t& c) {
      if (c > 0) c = saturated(int64_t{c} + shift);
      if (c < 0) c = saturated(int64_t{c} - groupShift);
    });

    LogicProgram& to = dest[1];
    int32_t* toCounts[] = {&to.ppCount, &to.iCount, &to.fCount, &to.vCount, &to.mCount, &to.axCount};
    const int32_t fromCounts[] = {from->ppCount, from->iCount, from->fCount,
                                  from->vCount,  from->mCount, from->axCount};
    bool grow = false;
    for (int32_t k = 0; k < kLogicVarTypes; ++k) grow = grow || *toCounts[k] <= fromCounts[k];
    if (grow) {
      for (int32_t k = 0; k < kLogicVarTypes; ++k) *toCounts[k] = std::max(*toCounts[k], fromCounts[k]);
      GVLogicAllocProgramArrays(&to);
    }

    if (LogicLine* moved = from->first) {
      LogicLine* last = to.first;
      while (last && last->next) last = last->next;
      if (last) {
        last->next = moved;
        moved->prev = last;
      } else {
        to.first = moved;
        moved->prev = nullptr;
      }
      from->first = nullptr;
    }
  }
  GVLogicFreeLines(imported);
  imported->programCount = entryCount;
}

void GVLogicDropJelRef(LogicSystem* sys, int32_t oldId, int32_t newId) {
  if (oldId < 1) return;
  forEachMainRef(sys, kLogicQualJel, [&](int32_t& c) {
    if (c == oldId) c = newId;
  });
}

void GVLogicRemapGeoRefs(LogicSystem* sys, int32_t count, const int32_t* oldIds) {
  remapRefs(sys, kLogicQualGeo, count, oldIds);
}

void GVLogicRemapJelRefs(LogicSystem* sys, int32_t count, const int32_t* oldIds) {
  remapRefs(sys, kLogicQualJel, count, oldIds);
}

int32_t GVLogicFindObjectRefs(LogicSystem* sys, ObjHandle* geo) {
  LogicProgram* p = GVLogicProgram(sys, 1);
  if (!p || !GVGeoOf(geo)) return 0;
  int32_t use = 0;
  for (const LogicLine* l = p->first; l; l = l->next) {
    if (l->category != kLogicDyn2 || l->argType[0] != static_cast<int32_t>(kLogicIntConst)) continue;
    const int32_t s = l->argInt[0];
    if (!s || !GVGeoMatches(geo, s)) continue;
    const bool bothWays = (l->flags & kLineCollBothWays) != 0;
    if (l->command == kDyn2HCollgH)
      use |= kLogicCollGeoHits | (bothWays ? kLogicCollGeoMoves : 0);
    else if (l->command == kDyn2HCollGh)
      use |= kLogicCollGeoMoves | (bothWays ? kLogicCollGeoHits : 0);
    else if (l->command == kDyn2HCollHh)
      use |= kLogicCollHullOnly;
  }
  return use;
}

void GVLogicPrepareCollGeo(LogicSystem* sys, ObjHandle* geo) {
  const int32_t use = GVLogicFindObjectRefs(sys, geo);
  if (use & (kLogicCollGeoMoves | kLogicCollGeoHits))
    GVEnsureGeoTopology(GVGeoOf(geo));
  else if (use == kLogicCollHullOnly)
    GVFreeGeoTopology(GVGeoOf(geo));
}

void GVLogicPrepareCollGeos(LogicSystem* sys, int32_t selection) {
  const GeoList* list = sys ? GVGeoListOf(sys->geoList) : nullptr;
  for (GObject* g = list ? list->head : nullptr; g; g = g->next)
    if (GVGeoMatchesSel(selection, g) && g->handle) GVLogicPrepareCollGeo(sys, g->handle);
}
