#include "scene/object_stream.h"

#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_record_io.h"
#include "jel/jel_object.h"
#include "logic/logic_persistence.h"
#include "logic/logic_system.h"
#include "records/file_version.h"
#include "records/item_stream.h"
#include "scene/object_import.h"
#include "scene/scene_access.h"
#include "scene/scene_holders.h"
#include "scene/scene_stream.h"

namespace {

constexpr int32_t kExportFirst = 1;
constexpr int32_t kExportSecond = 1;
constexpr int32_t kExportFileVersion = 4;

struct ExportParts {
  const HWorld* world;
  const GeoList* geos;
  LogicSystem* logic;
};

ExportParts parts(ObjHandle* geoList, HWorld** world, int32_t geoSel, int32_t jelSel, LogicSystem* logic) {
  ExportParts p;
  p.world = jelSel != 0 ? GVWorldOf(world) : nullptr;
  p.geos = geoSel != 0 ? GVGeoListOf(geoList) : nullptr;
  // A logic block needs programs: the block has no form for none.
  const bool programs = logic && logic->programs;
  p.logic = programs && (jelSel != 0 || geoSel == 0) ? logic : nullptr;
  return p;
}

int32_t putInt(ItemStream* s, int32_t v) {
  if (!GVItemStreamHasRoom(s, 0, 1, 0, 0)) return 0;
  s->ints[s->intCount++] = v;
  return 1;
}

// The list images of the selected objects: the count, then each image.
void countJels(ItemStream* s, const HWorld* w, int32_t sel) {
  ++s->intCount;
  for (const HObject* j = w->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, sel)) j->countArrays(s);
}

int32_t putJels(ItemStream* s, const HWorld* w, int32_t sel) {
  int32_t n = 0;
  for (const HObject* j = w->head; j; j = GVNextJel(j)) n += GVJelInSel(j, sel) ? 1 : 0;
  if (!putInt(s, n)) return 0;
  for (const HObject* j = w->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, sel) && j->writeArrays(s) != 1) return 0;
  return 1;
}

void countGeos(ItemStream* s, const GeoList* l, int32_t sel) {
  ++s->intCount;
  for (const GObject* g = l->head; g; g = g->next)
    if (GVGeoMatchesSel(sel, g)) GVCountGeoImage(s, g);
}

int32_t putGeos(ItemStream* s, const GeoList* l, int32_t sel) {
  int32_t n = 0;
  for (const GObject* g = l->head; g; g = g->next) n += GVGeoMatchesSel(sel, g) ? 1 : 0;
  if (!putInt(s, n)) return 0;
  for (const GObject* g = l->head; g; g = g->next)
    if (GVGeoMatchesSel(sel, g) && !GVPutGeoImage(s, g)) return 0;
  return 1;
}

}  // namespace

void GVCountExportItems(ItemStream* s, ObjHandle* geoList, HWorld** world, int32_t geoSel, int32_t jelSel,
                        LogicSystem* logic) {
  if (!s) return;
  const ExportParts p = parts(geoList, world, geoSel, jelSel, logic);
  s->intCount += 2;
  if (p.world) ++s->intCount, countJels(s, p.world, jelSel);
  if (p.geos) ++s->intCount, countGeos(s, p.geos, geoSel);
  if (p.logic) ++s->intCount, GVCountLogicBlock(p.logic, s);
  ++s->intCount;
}

int32_t GVFillExportItems(ItemStream* s, ObjHandle* geoList, HWorld** world, int32_t geoSel, int32_t jelSel,
                          LogicSystem* logic) {
  if (!s) return 0;
  GVSetFileVersion(kExportFileVersion);
  const ExportParts p = parts(geoList, world, geoSel, jelSel, logic);
  int32_t ok = putInt(s, kExportFirst) && putInt(s, kExportSecond);
  if (ok && p.world) ok = putInt(s, kSceneTagJels) && putJels(s, p.world, jelSel);
  if (ok && p.geos) ok = putInt(s, kSceneTagGeos) && putGeos(s, p.geos, geoSel);
  if (ok && p.logic) ok = putInt(s, kSceneTagLogic) && GVStoreLogicToWords(p.logic, s);
  return ok && putInt(s, kSceneTagEnd) ? 1 : 0;
}

int32_t GVWriteExportStream(FILE* file, ObjHandle* geoList, HWorld** world, int32_t geoSel, int32_t jelSel,
                            LogicSystem* logic) {
  if (!file) return kItemStreamNoFile;
  ItemStream s;
  GVCountExportItems(&s, geoList, world, geoSel, jelSel, logic);
  int32_t rc = GVItemStreamAlloc(&s);
  if (rc == kItemStreamOk) {
    s.byteCount = s.intCount = s.floatCount = s.itemCount = 0;
    rc = GVFillExportItems(&s, geoList, world, geoSel, jelSel, logic) ? GVItemStreamWrite(&s, file)
                                                                       : kItemStreamBadCounts;
  }
  GVItemStreamReset(&s);
  return rc;
}

int32_t GVImportStream(ItemStream* stream, ObjHandle* geoList, HWorld** world, LogicSystem* logic,
                       CameraRec** camera, int32_t options, int32_t* geoIdOut, int32_t* jelIdOut) {
  GVSetFileVersion(kExportFileVersion);
  if (geoIdOut) *geoIdOut = 0;
  if (jelIdOut) *jelIdOut = 0;
  SceneHolders h;
  h.keepJels = GVWorldOf(world) != nullptr;
  if (!GVHolderWorld(h)) return kImportNoHolders;
  int32_t rc = GVTakeSceneStreamHeader(stream);
  if (rc == kImportOk) rc = GVReadSceneItems(h, stream, logic);
  if (rc != kImportOk) return rc;
  // The stream's vehicle item always holds a vehicle.
  if (!GVApplyImport(h, geoList, world, logic, camera, true, options, h.vehicle != nullptr, geoIdOut, jelIdOut))
    return kImportDamaged;
  return kImportOk;
}

int32_t GVImportStreamFile(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic, CameraRec** camera,
                           int32_t options, int32_t* geoIdOut, int32_t* jelIdOut) {
  ItemStream s;
  const int rc = GVItemStreamRead(&s, file);
  if (rc != kItemStreamOk) return rc;
  s.byteCount = s.intCount = s.floatCount = s.itemCount = 0;
  const int32_t result = GVImportStream(&s, geoList, world, logic, camera, options, geoIdOut, jelIdOut);
  GVItemStreamReset(&s);
  return result;
}
