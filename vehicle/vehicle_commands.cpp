#include "vehicle/vehicle_commands.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "camera/camera_record.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_binding.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/matter.h"
#include "logic/object_refs.h"
#include "scene/edit_rules.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/chase_camera.h"
#include "vehicle/vehicle_build.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"
#include "vehicle/vehicle_render_objects.h"
#include "vehicle/vehicle_setup.h"
#include "vehicle/wheel_geos.h"

namespace {

constexpr int32_t kSettleFrames = 200;
constexpr uint32_t kSuspensionKeptFields = kMatterDensity | kMatterElasticity | kMatterDamping | kMatterBulge;

// What a rebuild keeps of the vehicle it replaces.
struct KeptVehicle {
  bool present = false;
  int32_t ids[kVehicleJelIds] = {};
  int32_t chassisPart = 1;
  int32_t rigidWheels = 0;
  VehicleReadout readout = {};
  bool suspension = false;
  MatterProps suspensionMatter;
};

KeptVehicle keepSettings(VehicleRec* v) {
  KeptVehicle k;
  GVSetMatterDefaults(&k.suspensionMatter);
  if (!v) return k;
  k.present = true;
  GVVehicleJelIds(v, k.ids);
  k.chassisPart = v->chassisPart;
  k.rigidWheels = v->rigidWheels;
  GVVehicleReadout(v, &k.readout);
  HObject* susp = GVVehicleJel(v->world, v->suspensionJel);
  if (v->bodyJel && susp) {
    k.suspension = true;
    susp->getNodeMatter(1, 0, kSuspensionKeptFields, &k.suspensionMatter);
  }
  return k;
}

bool simulated(const HObject* j) { return j->playParams.mode != kWorldReplay; }

// A Geo bound to one of the vehicle's Jels: the Jel's place in the Jel-id
// list, and the binding (a cell binding to a part, else the vertex binding)
// with the Geo's binding flags. A vertex-bound Geo also keeps where its
// vertices lie when the Jel is at frame 0, the state the rebuilt vehicle
// settles into again: bound there, it sits on the new Jel as on the old.
struct BoundGeo {
  int32_t geoId = 0;
  int slot = -1;
  bool cell = false;
  int32_t part = 0;
  uint32_t flags = 0;
  std::vector<float> atFrame0;  // x, y, z of vertices 1..n
};
constexpr uint32_t kBindingFlags = GEO_FLAG_BOUND | GEO_FLAG_VERTEX_BINDING | GEO_FLAG_CELL_BINDING;

bool boundTo(const GObject* g, int32_t id) {
  return id >= 1 && (g->jelId == id || (g->cellBind && g->cellBind->jelId == id) ||
                     (g->cellBind2 && g->cellBind2->jelId == id));
}

// Reads the vehicle's bound Jels back at frame 0: only for a vehicle that is
// about to go.
std::vector<BoundGeo> boundGeos(const int32_t ids[kVehicleJelIds], HWorld* world) {
  std::vector<BoundGeo> out;
  GeoList* geos = GVGeoListOf(GVScene().geoList);
  for (GObject* g = geos ? geos->head : nullptr; g; g = g->next)
    for (int k = 0; k < kVehicleJelIds; ++k) {
      if (!boundTo(g, ids[k])) continue;
      BoundGeo b;
      b.geoId = g->id;
      b.slot = k;
      b.cell = g->cellBind && g->cellBind->jelId == ids[k];
      b.part = b.cell ? g->cellBind->part : 0;
      b.flags = g->flags & kBindingFlags;
      HObject* j = b.cell ? nullptr : GVVehicleJel(world, ids[k]);
      if (j && g->jel == j && (g->flags & GEO_FLAG_BOUND) && g->vertices) {
        j->restoreFrame(0);
        GVUpdateJelDeform(j, 0);
        GVDeformGeoFromJel(g);
        b.atFrame0.assign(&g->vertices[1][0], &g->vertices[1][0] + 3 * size_t(g->vertexCount));
      }
      out.push_back(b);
      break;
    }
  return out;
}

// The attachments that name the vehicle's Jels, kept over its deletion (which
// clears them) so that a rebuild can point them at the new Jels.
struct KeptAttachment {
  int32_t geoId = 0;
  GeoAttach record{};
};

std::vector<KeptAttachment> keepAttachments(const int32_t ids[kVehicleJelIds]) {
  std::vector<KeptAttachment> out;
  GeoList* geos = GVGeoListOf(GVScene().geoList);
  for (GObject* g = geos ? geos->head : nullptr; g; g = g->next) {
    const GeoAttach* a = g->attach;
    if (!a || a->type == 0) continue;
    for (int k = 0; k < kVehicleJelIds; ++k)
      if (ids[k] >= 1 && (a->jelStart == ids[k] || a->jelEnd == ids[k])) {
        out.push_back({g->id, *a});
        break;
      }
  }
  return out;
}

void putAttachmentsBack(const std::vector<KeptAttachment>& kept) {
  GeoList* geos = GVGeoListOf(GVScene().geoList);
  for (const KeptAttachment& k : kept)
    if (GObject* g = GVGetGeoById(geos, k.geoId))
      if (g->attach) *g->attach = k.record;
}

// The Geos that were bound to the replaced vehicle's Jels, bound again the
// same way to the Jels that took their places.
void rebindGeos(const std::vector<BoundGeo>& kept, const int32_t oldIds[kVehicleJelIds],
                const int32_t newIds[kVehicleJelIds], HWorld* world) {
  GeoList* geos = GVGeoListOf(GVScene().geoList);
  if (!geos || kept.empty()) return;
  const SceneServices& sv = GVSceneServices();
  for (const BoundGeo& b : kept) {
    GObject* g = GVGetGeoById(geos, b.geoId);
    HObject* j = GVVehicleJel(world, GVVehicleMapJelId(oldIds[b.slot], newIds, oldIds));
    if (!g || !j) continue;
    GVUpdateJelDeform(j, 0);
    if (b.cell) {
      GVCellBindGeo(g, j, b.part);
    } else {
      GVApplyGeoTransform(g, GEO_SEL_START);
      if (b.atFrame0.size() == 3 * size_t(g->vertexCount))
        std::copy(b.atFrame0.begin(), b.atFrame0.end(), &g->vertices[1][0]);
      GVMassocGeo(g, j);
    }
    g->jel = j;
    g->jelId = j->id;
    g->flags = (g->flags & ~kBindingFlags) | b.flags;
    if (sv.updateGeoMesh) sv.updateGeoMesh(g);
  }
}

// The vehicle settles in the world under the frame callback, in
// initial-state mode (the only one in which it is driven: its parts are held
// together by the driving update) with the driver's inputs at rest; the state
// reached, at rest, becomes frame 0, from which every run starts.
void settle(VehicleRec* v, HWorld* world) {
  const int32_t mode = world->params.stateMode;
  const DriveInputs inputs = GVDriveInputs();
  GVDriveInputs() = DriveInputs();
  world->params.stateMode = 0;
  GVRunWorldToFrame(world, 0, GVFrameCallback, nullptr);
  GVRunWorldToFrame(world, kSettleFrames, GVFrameCallback, nullptr);
  static const float kZero[3] = {0, 0, 0};
  GVVehicleForEachJel(v, [](HObject* j) {
    if (simulated(j) && j->state) j->state->setPartVelocity(1, kFrameCommitted, kAxesAll, kZero);
  });
  GVSelStoreFrame(world, v->groupChassis, 0);
  world->params.stateMode = mode;
  GVDriveInputs() = inputs;
  GVRunWorldToFrame(world, 0, nullptr, GVUpdateAfterStep);
  GVFrameClock().currentFrame = 0;
}

void installServices(bool on) {
  SceneServices sv = GVSceneServices();
  if (on)
    GVInstallVehicleServices(&sv);
  else
    GVRemoveVehicleServices(&sv);
  GVSetSceneServices(sv);
}

int32_t referenceJel(const int32_t ids[kVehicleJelIds]) { return ids[1] ? ids[1] : ids[0]; }

}  // namespace

int32_t GVVehicleKindFlags(int32_t kind) {
  switch (kind) {
    case 0: return kBuildCrossPlate;
    case 2: return kBuildCrossPlate | kBuildBody | kBuildPostsWide;
    case 3: return kBuildCrossPlate | kBuildBody | kBuildPostsLong;
    case 4: return kBuildCrossPlate | kBuildBody | kBuildPostsWide | kBuildPostsLong;
    case 5: return kBuildCrossPlate | kBuildBody | kBuildPostsWide | kBuildBodyPosts | kBuildPostsLong;
    default: return kBuildCrossPlate | kBuildBody;
  }
}

void GVVehicleFirstSettings(VehicleRec* v) {
  GVVehicleSetDriveKind(v, 1, 0);
  GVVehicleSetScaleT(v, 5.0f);
  GVVehicleSetFy(v, -0.5f);
  v->frontGrip = v->rearGrip = 0.7f;
  v->driveAxles = 3;
  v->brakeAxles = 1;
}

ObjHandle* GVMakeVehicle(int32_t kind, int32_t nA, int32_t nB, int32_t wheelKindMode, int32_t geoMode) {
  HWorld* world = GVWorldOf(GVScene().world);
  if (!world) return nullptr;
  // The vehicle takes ids above the largest in the scene; when they would
  // pass the largest int, nothing is built and the old vehicle stays.
  if (GVVehicleNextJelId(world) > INT32_MAX - kVehicleJelIds) {
    if (GVSceneServices().showMessage)
      GVSceneServices().showMessage("Gv Warning: Vehicle not created. The scene's Jel ids leave no room for its parts");
    return nullptr;
  }
  const int32_t flags = GVVehicleKindFlags(kind);
  const KeptVehicle kept = keepSettings(GVVehicleOf(GVScene().vehicle));
  const std::vector<BoundGeo> bound = boundGeos(kept.ids, world);
  const std::vector<KeptAttachment> attachments = keepAttachments(kept.ids);
  GVDeleteVehicle();
  GVDeleteWheelGeos(GVScene().geoList);
  if (nA == 0) nA = 9;
  if (nB == 0) nB = 8;

  const int32_t m = GVVehicleNextJelId(world) - 1;
  int32_t ids[kVehicleJelIds] = {};
  int32_t next = m + 1;
  for (int k = 0; k < kVehicleJelIds; ++k)
    if ((k != 1 && k != 2) || (flags & kBuildBody)) ids[k] = next++;
  int32_t groups[9];
  for (int k = 0; k < 9; ++k) groups[k] = -5 - k;

  ObjHandle* cell = GVNewVehicle();
  VehicleRec* v = GVVehicleOf(cell);
  if (!v) {
    delete cell;
    return nullptr;
  }
  GVScene().vehicle = cell;
  GVBuildVehicle2x2(v, world, ids, groups, 1.0f, nA, nB, flags);
  installServices(true);

  if (kept.present) {
    GVVehicleSetDriveKind(v, kept.chassisPart, kept.rigidWheels);
    GVVehicleSetScaleT(v, kept.readout.scT);
    GVVehicleSetFy(v, kept.readout.fy);
    v->frontGrip = kept.readout.frontGrip;
    v->rearGrip = kept.readout.rearGrip;
    v->driveAxles = kept.readout.driveAxles;
    v->brakeAxles = kept.readout.brakeAxles;
    v->driveGain = kept.readout.driveGain;
    v->limitGain = kept.readout.limitGain;
  } else {
    GVVehicleFirstSettings(v);
  }

  // On the floor, in the rest shape too: runs start from there.
  GVVehicleSettle(v);
  GVSelStoreFrame(world, v->groupChassis, kFrameInitial);
  MatterProps light;
  GVSetMatterDefaults(&light);
  light.density = 0.5f;
  for (int32_t id : {v->chassisJel, v->bodyJel, v->suspensionJel})
    if (HObject* j = GVVehicleJel(world, id))
      if (simulated(j)) j->setPartMatter(1, 0, kMatterDensity, &light);
  if (HObject* susp = v->bodyJel ? GVVehicleJel(world, v->suspensionJel) : nullptr) {
    MatterProps matter = kept.suspensionMatter;
    if (!kept.suspension) susp->getNodeMatter(1, 0, kMatterAllFields, &matter);
    matter.fRatio = GVVehicleSuspensionFRatio(&matter, susp->cellSize);
    MatterProps committed = matter;
    susp->applyPartMatter(1, 0, kSuspensionKeptFields, &matter);
    susp->applyPartMatter(1, kFrameCommitted, kSuspensionKeptFields, &committed);
  }

  settle(v, world);

  int32_t newIds[kVehicleJelIds];
  GVVehicleJelIds(v, newIds);
  if (kept.present) {
    putAttachmentsBack(attachments);
    GVVehicleRemapGeoAttachments(kept.ids, newIds);
    const int32_t from = referenceJel(kept.ids), to = referenceJel(newIds);
    if (from != to && GVScene().logic) GVLogicDropJelRef(GVScene().logic, from, to);
    rebindGeos(bound, kept.ids, newIds, world);
  }

  const int32_t firstGeo = GVNextGeoId(GVScene().geoList);
  GVCreateVhcl_2x2(firstGeo);
  const SceneServices& sv = GVSceneServices();
  CameraRec* camera = sv.viewCamera ? sv.viewCamera() : nullptr;
  const int32_t jelMode = camera ? camera->jelDisplayMode : 1;
  GVCreateOgreVehicleJelObjs(jelMode, newIds);
  GVCreateOgreVehicleGeoObj(firstGeo, geoMode);
  if ((wheelKindMode == 1 || wheelKindMode == 2) && GVVehicleSetWheelKind(v, wheelKindMode)) {
    GVRebindWheelGeos();
    GVCreateOgreVehicleParts(jelMode);
  }
  return cell;
}

void GVDeleteVehicle() {
  ObjHandle* cell = GVScene().vehicle;
  if (!cell) return;
  VehicleRec* v = GVVehicleOf(cell);
  ObjHandle* list = GVScene().geoList;
  GeoList* geos = GVGeoListOf(list);
  if (v && v->world && geos) {
    std::vector<int32_t> bound;
    for (GObject* g = geos->head; g; g = g->next)
      if (HObject* j = GVVehicleJel(v->world, g->jelId))
        if (v->groupAll != 0 && GVJelInSel(j, v->groupAll)) bound.push_back(g->id);
    for (int32_t id : bound) GVDeleteGeos(list, id);
  }
  GVDeleteSceneVehicle();
  GVScene().vehicle = nullptr;
  installServices(false);
}

int32_t GVVehicleWheelGeosOk() {
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  GeoList* geos = GVGeoListOf(GVScene().geoList);
  if (!v || !geos || GVVehicleWheelsOneSide(v)) return 1;
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(v, ids);
  for (GObject* g = geos->head; g; g = g->next) {
    bool onWheel = false;
    for (int slot : kVehicleWheelSlots) onWheel = onWheel || (ids[slot] != 0 && g->jelId == ids[slot]);
    if (!onWheel || !g->vertBinds) continue;
    for (int32_t i = 1; i <= g->vertexCount; ++i)
      if (g->vertBinds[i].jelId != 0 && g->vertBinds[i].cellNode > 18) return 0;
  }
  return 1;
}

int32_t GVVehicleMapJelId(int32_t id, const int32_t newIds[15], const int32_t oldIds[15]) {
  if (id < 1 || !newIds || !oldIds) return 0;
  for (int k = 0; k < kVehicleJelIds; ++k) {
    if (oldIds[k] != id) continue;
    return k == 1 && newIds[1] == 0 ? newIds[0] : newIds[k];
  }
  return 0;
}

void GVVehicleRemapGeoAttachments(const int32_t oldIds[15], const int32_t newIds[15]) {
  ObjHandle* list = GVScene().geoList;
  GeoList* geos = GVGeoListOf(list);
  if (!geos || !oldIds || !newIds) return;
  // Ids of Jels that were not the vehicle's stay as they are.
  const auto remap = [&](int32_t& id) {
    for (int k = 0; k < kVehicleJelIds; ++k)
      if (id >= 1 && oldIds[k] == id) {
        id = GVVehicleMapJelId(id, newIds, oldIds);
        return;
      }
  };
  for (GObject* g = geos->head; g; g = g->next) {
    GeoAttach* a = g->attach;
    if (!a || a->type == 0) continue;
    const int32_t type = a->type;
    if (type == 1 || type == 2 || type == 4 || type == 7 || type == 8 || type == 9) remap(a->jelStart);
    if (type == 2 || type == 3) remap(a->jelEnd);
    GVApplyAttachmentOfGeo(list, GVScene().world, g->handle);
  }
}
