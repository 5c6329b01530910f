#include "scene/scene_stream.h"

#include <new>
#include <utility>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_materials.h"
#include "geo/geo_record_io.h"
#include "geo/uv_sets.h"
#include "jel/vector_math.h"
#include "logic/logic_persistence.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/display_settings.h"
#include "scene/file_ids.h"
#include "records/file_version.h"
#include "records/heap_string.h"
#include "records/item_stream.h"
#include "scene/light_list.h"
#include "scene/scene_access.h"
#include "scene/scene_opts.h"
#include "scene/scene_holders.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

constexpr int32_t kSceneFileVersion = 4;

// ---- which items a scene has ----

int32_t GVSceneUsesRTT(ObjHandle* geoList) {
  const GeoList* l = GVGeoListOf(geoList);
  for (const GObject* g = l ? l->head : nullptr; g; g = g->next) {
    if (g->materialType == 2 || !g->materials) continue;
    for (int32_t k = 0; k < g->materials->count; ++k) {
      const GeoMaterial& m = g->materials->materials[k];
      if (!m.uvSet || m.uvSet->setWord != 0) continue;
      if (m.mode == GEO_MAT_RTT_OPAQUE || m.mode == GEO_MAT_RTT_TRANSPARENT || m.mode == GEO_MAT_RTT_ALPHA_MASK)
        return 1;
    }
  }
  return 0;
}

namespace {

struct ItemsPresent {
  bool jels, geos, logic, vehicle, bounds, camera, lights, display, options, notes;
};

ItemsPresent present(const SceneStreamRecords& r) {
  const SceneServices& sv = GVSceneServices();
  const HWorld* w = GVWorldOf(r.world);
  const GeoList* l = GVGeoListOf(r.geoList);
  ItemsPresent p;
  p.jels = w && w->head;
  p.geos = l && l->head;
  // A logic block needs programs: the block has no form for none.
  p.logic = r.logic && r.logic->programs;
  p.vehicle = r.vehicle && sv.vehicleIsEmpty && sv.countVehicleItem && sv.putVehicleItem &&
              !sv.vehicleIsEmpty(r.vehicle);
  p.bounds = r.bounds != nullptr;
  p.camera = r.camera && *r.camera;
  p.lights = r.lights != nullptr;
  p.display = r.display != nullptr;
  p.options = r.options && GVSceneUsesRTT(r.geoList);
  p.notes = r.notes != nullptr;
  return p;
}

int32_t putInt(ItemStream* s, int32_t v) {
  if (!GVItemStreamHasRoom(s, 0, 1, 0, 0)) return 0;
  s->ints[s->intCount++] = v;
  return 1;
}

int32_t putCamera(ItemStream* s, CameraRec* cam) {
  if (!GVItemStreamHasRoom(s, 0, kCameraImageInts, kCameraImageFloats, 0)) return 0;
  GVWriteCameraImage(cam, s->ints, &s->intCount, s->floats, &s->floatCount);
  return 1;
}

}  // namespace

// ---- writer ----

void GVCountSceneItems(ItemStream* s, const SceneStreamRecords& r) {
  if (!s) return;
  const ItemsPresent p = present(r);
  s->intCount += 2;
  if (p.jels) ++s->intCount, GVCountJelListImage(GVWorldOf(r.world), s);
  if (p.geos) ++s->intCount, GVCountGeoListImage(s, GVGeoListOf(r.geoList));
  if (p.logic) ++s->intCount, GVCountLogicBlock(r.logic, s);
  if (p.vehicle) ++s->intCount, GVSceneServices().countVehicleItem(s, r.vehicle);
  if (p.bounds) ++s->intCount, s->floatCount += 6;
  if (p.camera) s->intCount += 1 + kCameraImageInts, s->floatCount += kCameraImageFloats;
  if (p.lights) ++s->intCount, GVCountLightsItem(s, r.lights);
  if (p.display) ++s->intCount, GVCountDisplayItem(s, r.display);
  if (p.options) ++s->intCount, GVCountSceneOptsItem(s, r.options);
  if (p.notes) ++s->intCount, GVStreamCountString(s, *r.notes);
  ++s->intCount;
}

int32_t GVFillSceneItems(ItemStream* s, const SceneStreamRecords& r) {
  if (!s) return 0;
  GVSetFileVersion(kSceneFileVersion);
  const ItemsPresent p = present(r);
  int32_t ok = putInt(s, kSceneStreamFirst) && putInt(s, kSceneStreamSecond);
  if (ok && p.jels) ok = putInt(s, kSceneTagJels) && GVPutJelListImage(GVWorldOf(r.world), s);
  if (ok && p.geos) ok = putInt(s, kSceneTagGeos) && GVPutGeoListImage(s, GVGeoListOf(r.geoList));
  if (ok && p.logic) ok = putInt(s, kSceneTagLogic) && GVStoreLogicToWords(r.logic, s);
  if (ok && p.vehicle) ok = putInt(s, kSceneTagVehicle) && GVSceneServices().putVehicleItem(r.vehicle, s);
  if (ok && p.bounds) ok = putInt(s, kSceneTagBounds) && GVPutBoundsItem(s, r.bounds);
  if (ok && p.camera) ok = putInt(s, kSceneTagCamera) && putCamera(s, *r.camera);
  if (ok && p.lights) ok = putInt(s, kSceneTagLights) && GVPutLightsItem(s, r.lights);
  if (ok && p.display) ok = putInt(s, kSceneTagDisplay) && GVPutDisplayItem(s, r.display);
  if (ok && p.options) ok = putInt(s, kSceneTagOptions) && GVPutSceneOptsItem(s, r.options);
  if (ok && p.notes) ok = putInt(s, kSceneTagNotes) && GVItemStreamPutString(s, *r.notes);
  return ok && putInt(s, kSceneTagEnd) ? 1 : 0;
}

int32_t GVWriteSceneStream(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic, ObjHandle* vehicle,
                           const float* bounds, CameraRec** camera, LightList* lights, DisplaySettings* display,
                           SceneOpts* options, char** notes) {
  if (!file) return kItemStreamNoFile;
  const SceneStreamRecords r{geoList, world, logic, vehicle, bounds, camera, lights, display, options, notes};
  ItemStream s;
  GVCountSceneItems(&s, r);
  int32_t rc = GVItemStreamAlloc(&s);
  if (rc == kItemStreamOk) {
    s.byteCount = s.intCount = s.floatCount = s.itemCount = 0;
    // The counts and the puts walk the same records: a put that runs out of
    // room means they disagree, and nothing is written.
    rc = GVFillSceneItems(&s, r) ? GVItemStreamWrite(&s, file) : kItemStreamBadCounts;
  }
  GVItemStreamReset(&s);
  return rc;
}

// ---- reader ----

namespace {

// Each item reader: true when its item read whole.

bool readJels(SceneHolders& h, ItemStream* s) {
  if (!GVHolderWorld(h)) return false;
  // The vehicle's reader finds its Jels by their cells.
  return GVReadJelListImage(h.world, s) == 1 && GVGiveJelCells(h.world);
}

bool readGeos(SceneHolders& h, ItemStream* s) {
  if (!GVHolderWorld(h)) return false;
  h.haveGeos = true;
  // Jels read for no world are dropped at the end: no Geo may point at them.
  return GVReadGeoListImage(&h.geos, s, h.keepJels ? h.world : nullptr) == 1;
}

bool readLogic(SceneHolders& h, ItemStream* s, const LogicSystem* target) {
  return GVGetLogicItem(GVHolderLogic(h, target), s) != kLogicBlockDamaged;
}

bool readVehicle(SceneHolders& h, ItemStream* s) {
  return GVHolderReadVehicle(h, [&](const SceneServices& sv, HWorld* world) {
    return sv.readVehicleItem ? sv.readVehicleItem(s, world) : nullptr;
  });
}

bool readCamera(SceneHolders& h, ItemStream* s) {
  if (!GVItemStreamHasRoom(s, 0, kCameraImageInts, kCameraImageFloats, 0)) return false;
  GVCameraInit(&h.camera);
  GVReadCameraImage(&h.camera, s->ints, &s->intCount, s->floats, &s->floatCount);
  h.haveCamera = true;
  return true;
}

}  // namespace

int32_t GVTakeSceneStreamHeader(ItemStream* stream) {
  if (!stream || !stream->ints || stream->intCount >= stream->intSize ||
      stream->ints[stream->intCount] != kSceneStreamFirst)
    return kSceneWrongType;
  if (!GVItemStreamHasRoom(stream, 0, 2, 0, 0)) return kSceneDamaged;
  stream->intCount += 2;
  return kSceneReadOk;
}

int32_t GVReadSceneItems(SceneHolders& h, ItemStream* s, const LogicSystem* logic) {
  for (;;) {
    int32_t tag = 0;
    if (!GVItemStreamTakeInt(s, &tag)) return kSceneDamaged;  // the ints end before the end tag
    bool ok = true;
    switch (tag) {
      case 0: return kSceneDamaged;
      case kSceneTagEnd: return kSceneReadOk;
      case kSceneTagJels: ok = readJels(h, s); break;
      case kSceneTagGeos: ok = readGeos(h, s); break;
      case kSceneTagLogic: ok = readLogic(h, s, logic); break;
      case kSceneTagVehicle: ok = readVehicle(h, s); break;
      case kSceneTagBounds: ok = h.haveBounds = GVGetBoundsItem(s, h.bounds) == 1; break;
      case kSceneTagCamera: ok = readCamera(h, s); break;
      case kSceneTagLights: ok = h.haveLights = GVGetLightsItem(s, &h.lights) == 1; break;
      case kSceneTagDisplay: ok = h.haveDisplay = GVGetDisplayFromStream(s, &h.display) == 1; break;
      case kSceneTagOptions: ok = h.haveOptions = GVGetSceneOptsItem(s, &h.options) == 1; break;
      case kSceneTagNotes: ok = h.haveNotes = GVItemStreamGetNewString(s, &h.notes) == 1; break;
      default: break;  // a tag of a later version: nothing to take
    }
    if (!ok) return kSceneDamaged;
  }
}

int32_t GVReadSceneStream(ItemStream* stream, ObjHandle* geoList, HWorld** world, LogicSystem* logic,
                          CameraRec** camera, char** notes) {
  GVSetFileVersion(kSceneFileVersion);
  int32_t rc = GVTakeSceneStreamHeader(stream);
  if (rc != kSceneReadOk) return rc;
  SceneHolders h;
  h.keepJels = GVWorldOf(world) != nullptr;
  rc = GVReadSceneItems(h, stream, logic);
  if (rc != kSceneReadOk) return rc;
  if (!GVFileIdsUsable(&h.geos, h.world, 0, 0)) return kSceneDamaged;
  GVReplaceScene(h, geoList, world, logic, camera, notes);
  return kSceneReadOk;
}

int32_t GVReadSceneStreamFile(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic,
                              CameraRec** camera, char** notes) {
  ItemStream s;
  const int rc = GVItemStreamRead(&s, file);
  if (rc != kItemStreamOk) return rc;
  s.byteCount = s.intCount = s.floatCount = s.itemCount = 0;
  const int32_t result = GVReadSceneStream(&s, geoList, world, logic, camera, notes);
  GVItemStreamReset(&s);
  return result;
}
