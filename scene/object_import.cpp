#include "scene/object_import.h"

#include <cstring>
#include <new>
#include <utility>
#include <string>
#include <vector>

#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "geo/geo_attach.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "logic/logic_system.h"
#include "logic/object_refs.h"
#include "records/heap_string.h"
#include "scene/file_ids.h"
#include "scene/scene_access.h"
#include "scene/scene_holders.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

constexpr int32_t kLowestIdStart = 16384;

void dropGeo(GeoList* list, GObject* g) {
  GVRemoveGeo(list, g);
  if (g->handle) {
    GVDeleteGeoHandle(g->handle);
  } else {
    delete g;
  }
}

void dropJel(HWorld* world, HObject* j) {
  GVRemoveJel(world, j);
  if (j->handle) {
    GVDeleteJelHandle(j->handle);
  } else {
    delete j;
  }
}

bool vehicleJel(ObjHandle* vehicle, int32_t id) {
  const auto has = GVSceneServices().vehicleHasJel;
  return vehicle && has && has(vehicle, id, 1) != 0;
}

bool inIds(const int32_t ids[kSceneVehicleJelIds], int32_t id) {
  for (int k = 0; id > 0 && k < kSceneVehicleJelIds; ++k)
    if (ids[k] == id) return true;
  return false;
}

// A Geo's use of the vehicle through its Jel, its attachment's Jels, or the
// Geos its attachment names; depth bounds a chain of attachments that loops.
bool usesVehicle(const GeoList* list, const int32_t ids[kSceneVehicleJelIds], const GObject* geo, int depth) {
  if (!geo || depth < 0) return false;
  if (inIds(ids, geo->jelId)) return true;
  const GeoAttach* a = geo->attach;
  if (!a || a->type == 0) return false;
  if (inIds(ids, a->jelStart) || inIds(ids, a->jelEnd)) return true;
  for (int32_t other : {a->geo0, a->geoZ})
    if (other > 0 && usesVehicle(list, ids, GVGetGeoById(list, other), depth - 1)) return true;
  return false;
}

int32_t geoCount(const GeoList* list) {
  int32_t n = 0;
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next) ++n;
  return n;
}

bool sceneHasJelName(HWorld* world, const char* name) {
  for (HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j))
    if (j->name && std::strcmp(j->name, name) == 0) return true;
  return false;
}

// "_X" once, then "X" while taken; the name is replaced only when it changed.
template <typename Taken>
int32_t uniqueName(char*& name, Taken taken) {
  if (!name || !taken(name)) return 1;
  std::string s = std::string(name) + "_X";
  while (taken(s.c_str())) s += 'X';
  char* made = nullptr;
  if (!GVSetString(&made, s.c_str())) return 0;
  GVFreeString(&name);
  name = made;
  return 1;
}

int32_t highestGroup(int32_t prevGroupSel) { return prevGroupSel < 0 ? -prevGroupSel : 0; }

}  // namespace

int32_t GVImportReplacesVehicle(int32_t options) {
  const int32_t parts = kImportJels | kImportGeos | kImportVehicle;
  return (options & kImportAll) || (options & parts) == parts ? 1 : 0;
}

void GVFilterImportedObjects(ImportedObjects* in, int32_t options) {
  if (!in) return;
  const bool vehicleOnly = options & kImportVehicle;
  int32_t ids[kSceneVehicleJelIds] = {};
  if (in->vehicle && GVSceneServices().vehicleJelIds) GVSceneServices().vehicleJelIds(in->vehicle, ids);
  const int32_t depth = geoCount(in->geos);

  for (GObject* g = in->geos ? in->geos->head : nullptr; g;) {
    GObject* next = g->next;
    const bool keep = (options & kImportAll) ||
                      ((options & kImportGeos) && usesVehicle(in->geos, ids, g, depth) == vehicleOnly);
    if (!keep) dropGeo(in->geos, g);
    g = next;
  }
  for (HObject* j = in->world ? in->world->head : nullptr; j;) {
    HObject* next = GVNextJel(j);
    const bool keep = (options & kImportAll) ||
                      ((options & kImportJels) && vehicleJel(in->vehicle, j->id) == vehicleOnly);
    if (!keep) dropJel(in->world, j);
    j = next;
  }
  const bool geosWithoutJels = !(options & kImportAll) && (options & kImportGeos) && !(options & kImportJels);
  for (GObject* g = geosWithoutJels && in->geos ? in->geos->head : nullptr; g; g = g->next) {
    g->flags &= ~uint32_t(GEO_FLAG_BOUND | GEO_FLAG_VERTEX_BINDING | GEO_FLAG_CELL_BINDING);
    GVAttachClear(g->attach);
    g->jelId = 0;
    g->jel = nullptr;
  }
}

int32_t GVLowestImportedId(const GeoList* geos, const HWorld* world) {
  int32_t lowest = kLowestIdStart;
  bool any = false;
  for (const GObject* g = geos ? geos->head : nullptr; g; g = g->next, any = true)
    if (g->id < lowest) lowest = g->id;
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j), any = true)
    if (j->id < lowest) lowest = j->id;
  return any ? lowest : 0;
}

int32_t GVMakeImportedGeoNameUnique(ObjHandle* sceneGeos, GObject* geo) {
  if (!geo) return 0;
  const GeoList* list = GVGeoListOf(sceneGeos);
  return uniqueName(geo->name, [&](const char* n) { return GVFindGeoByName(list, n) != 0; });
}

int32_t GVMakeImportedJelNameUnique(HWorld** sceneWorld, HObject* jel) {
  if (!jel) return 0;
  HWorld* world = GVWorldOf(sceneWorld);
  return uniqueName(jel->name, [&](const char* n) { return sceneHasJelName(world, n); });
}

int32_t GVGeoUsesVehicle(const GeoList* list, ObjHandle* vehicle, const GObject* geo) {
  int32_t ids[kSceneVehicleJelIds] = {};
  if (!vehicle || !GVSceneServices().vehicleJelIds) return 0;
  GVSceneServices().vehicleJelIds(vehicle, ids);
  return usesVehicle(list, ids, geo, geoCount(list)) ? 1 : 0;
}

uint32_t GVShiftGroupMask(uint32_t mask, int32_t shift) {
  if (shift <= 0) return mask;
  if (shift >= 32) return 0;
  return static_cast<uint32_t>((uint64_t{mask} << shift) & 0xFFFFFFFFu);
}

void GVShiftJelGroupsKeepVehicle(HObject* jel, ObjHandle* vehicle, int32_t shift) {
  if (!jel) return;
  uint32_t kept = 0;
  if (vehicleJel(vehicle, jel->id) && GVSceneServices().vehicleGroups) {
    int32_t groups[kSceneVehicleGroups] = {};
    GVSceneServices().vehicleGroups(vehicle, groups);
    for (int32_t s : groups)
      if (s <= -1 && s >= -31) kept |= 1u << -s;
  }
  jel->groupMask = (jel->groupMask & kept) | GVShiftGroupMask(jel->groupMask & ~kept, shift);
}

ImportShifts GVMergeImportedObjects(ObjHandle* sceneGeos, HWorld** sceneWorld, ImportedObjects* in,
                                    int32_t options) {
  ImportShifts sh;
  if (!in) return sh;
  const int32_t nextGeo = GVNextGeoId(sceneGeos);
  const int32_t nextJel = GVNextJelId(sceneWorld);
  sh.idOffset = (nextGeo > nextJel ? nextGeo : nextJel) - GVLowestImportedId(in->geos, in->world);
  sh.geoGroupShift = highestGroup(GVPrevGeoGroupSel(GVGeoListOf(sceneGeos), 0, 1));
  sh.jelGroupShift = highestGroup(GVPrevJelGroupSel(GVWorldOf(sceneWorld), 0, 1));

  for (GObject* g = in->geos ? in->geos->head : nullptr; g; g = g->next) {
    GVShiftGeoIds(g, sh.idOffset);
    g->groupMask = GVShiftGroupMask(g->groupMask, sh.geoGroupShift) | 2u;
    GVMakeImportedGeoNameUnique(sceneGeos, g);
  }
  for (HObject* j = in->world ? in->world->head : nullptr; j; j = GVNextJel(j)) {
    // The vehicle's own groups are looked up under the Jel's id in the file.
    GVShiftJelGroupsKeepVehicle(j, in->vehicle, sh.jelGroupShift);
    j->offsetIds(sh.idOffset);
    j->groupMask |= 2u;
    if (j->state) j->state->groupMask = j->groupMask;
    GVMakeImportedJelNameUnique(sceneWorld, j);
  }
  const bool vehicleImported = (options & kImportAll) || ((options & kImportVehicle) && (options & kImportJels));
  if (vehicleImported && in->vehicle && GVSceneServices().shiftVehicleJelIds)
    GVSceneServices().shiftVehicleJelIds(in->vehicle, sh.idOffset);
  for (GObject* g = in->geos ? in->geos->head : nullptr; g; g = g->next) {
    GVApplyGeoTransform(g, -2);
    GVApplyGeoTransform(g, -7);
  }
  return sh;
}

void GVReplaceJelIdEverywhere(ObjHandle* sceneGeos, HWorld** sceneWorld, LogicSystem* logic, int32_t oldId,
                              int32_t newId) {
  if (oldId < 1 || newId < 1 || oldId == newId) return;
  if (GeoList* list = GVGeoListOf(sceneGeos))
    for (GObject* g = list->head; g; g = g->next) GVReplaceGeoJelId(g, oldId, newId);
  for (HObject* j = GVWorldOf(sceneWorld) ? GVWorldOf(sceneWorld)->head : nullptr; j; j = GVNextJel(j))
    j->replaceGlueJelId(oldId, newId);
  if (const auto replace = GVSceneServices().replaceVehicleJelId) replace(GVScene().vehicle, oldId, newId);
  GVLogicDropJelRef(logic, oldId, newId);
}

void GVRelinkVehicleJelRefs(ObjHandle* sceneGeos, HWorld** sceneWorld, LogicSystem* logic, const int32_t* oldIds,
                            ObjHandle* vehicle) {
  if (!oldIds || !vehicle || !GVSceneServices().vehicleJelIds) return;
  int32_t now[kSceneVehicleJelIds] = {};
  GVSceneServices().vehicleJelIds(vehicle, now);
  for (int k = 0; k < kSceneVehicleJelIds; ++k)
    if (oldIds[k] > 0 && now[k] > 0 && !GVJelExists(sceneWorld, oldIds[k]))
      GVReplaceJelIdEverywhere(sceneGeos, sceneWorld, logic, oldIds[k], now[k]);
}

void GVDeleteMatchingGeos(ObjHandle* list, ObjHandle* vehicle) {
  GeoList* geos = GVGeoListOf(list);
  if (!geos || !vehicle) return;
  // Every test sees the whole list: a Geo attached to a deleted one still
  // counts through it.
  std::vector<GObject*> matching;
  for (GObject* g = geos->head; g; g = g->next)
    if (GVGeoUsesVehicle(geos, vehicle, g)) matching.push_back(g);
  for (GObject* g : matching) dropGeo(geos, g);
}

int32_t GVLinkImportedObjects(ObjHandle* sceneGeos, HWorld** sceneWorld, LogicSystem* logic, ImportedObjects* in,
                              int32_t options, int32_t* geoIdOut, int32_t* jelIdOut) {
  if (geoIdOut) *geoIdOut = 0;
  if (jelIdOut) *jelIdOut = 0;
  if (!in) return 0;
  // The ids are checked against the largest offset the merge can take (the
  // filter only raises the lowest id, the vehicle's going only lowers the
  // next), before anything of the scene changes.
  if (options & (kImportAll | kImportJels | kImportGeos | kImportVehicle)) {
    const int64_t nextGeo = GVNextGeoId(sceneGeos), nextJel = GVNextJelId(sceneWorld);
    const int64_t offset = (nextGeo > nextJel ? nextGeo : nextJel) - GVLowestImportedId(in->geos, in->world);
    if (!GVFileIdsUsable(in->geos, in->world, offset, offset)) return 0;
  }
  SceneRecords& sc = GVScene();
  const SceneServices& sv = GVSceneServices();
  const bool hadVehicle = sc.vehicle && sv.vehicleJelIds;
  int32_t oldIds[kSceneVehicleJelIds] = {};
  if (hadVehicle) sv.vehicleJelIds(sc.vehicle, oldIds);

  const bool replaces = GVImportReplacesVehicle(options) && in->vehicle;
  if (replaces && sc.vehicle) {
    GVDeleteMatchingGeos(sceneGeos, sc.vehicle);
    if (sv.replaceVehicle) sv.replaceVehicle(nullptr, nullptr);
  }
  // A vehicle that stays behind leaves no link in Jels that move.
  if (in->vehicle && !replaces && sv.unmarkVehicleJels) sv.unmarkVehicleJels(in->vehicle);

  ImportShifts sh;
  if (options & (kImportAll | kImportJels | kImportGeos | kImportVehicle)) {
    GVFilterImportedObjects(in, options);
    sh = GVMergeImportedObjects(sceneGeos, sceneWorld, in, options);
    if (geoIdOut && in->geos && in->geos->head) *geoIdOut = in->geos->head->id;
    if (jelIdOut && in->world && in->world->head) *jelIdOut = in->world->head->id;
    if (in->world) GVMoveJelsInto(sceneWorld, in->world);
    if (in->geos) GVMoveGeosInto(sceneGeos, in->geos);
  }
  if (replaces && sv.replaceVehicle) {
    sv.replaceVehicle(in->vehicle, GVWorldOf(sceneWorld));
    in->vehicle = nullptr;
  }
  if (in->programs && logic)
    GVLogicShiftRefs(logic->programs, in->programs, sh.idOffset, sh.jelGroupShift, options & kImportMergeLogic);
  if (hadVehicle && replaces) GVRelinkVehicleJelRefs(sceneGeos, sceneWorld, logic, oldIds, sc.vehicle);
  return 1;
}

int32_t GVApplyImport(SceneHolders& h, ObjHandle* geoList, HWorld** world, LogicSystem* logic, CameraRec** camera,
                      bool takeBounds, int32_t options, bool vehicleRead, int32_t* geoIdOut, int32_t* jelIdOut) {
  SceneRecords& sc = GVScene();
  if (options == kImportLightsOnly) {  // the lights and nothing else
    if (!h.haveLights) return 1;
    if (!sc.lights) sc.lights = new (std::nothrow) LightList{0, nullptr};
    if (sc.lights) std::swap(*sc.lights, h.lights);
    return 1;
  }
  ImportedObjects in;
  in.geos = &h.geos;
  in.world = h.world;
  in.vehicle = vehicleRead ? h.vehicle : nullptr;
  in.programs = h.haveLogic ? &h.logic : nullptr;
  const int32_t linked = GVLinkImportedObjects(geoList, world, logic, &in, options, geoIdOut, jelIdOut);
  if (vehicleRead) h.vehicle = in.vehicle;
  if (!linked) return 0;
  if (takeBounds && h.haveBounds)
    for (int k = 0; k < 6; ++k) sc.bounds[k] = h.bounds[k];
  if (camera && *camera && h.haveCamera) GVCopyCamera(&h.camera, *camera);
  return 1;
}
