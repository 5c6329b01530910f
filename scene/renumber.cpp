#include "scene/renumber.h"

#include "dynamics/world.h"
#include "geo/geo_attach.h"
#include "geo/geo_list.h"
#include "geo/mesh_derived.h"
#include "jel/jel_object.h"
#include "logic/object_refs.h"
#include "scene/geo_id_blocks.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

IdTable GVNewIdTable(int32_t n) {
  IdTable t;
  t.count = n > 0 ? n : 0;
  t.ids.assign(static_cast<size_t>(t.count) + 1, 0);
  return t;
}

int32_t GVRenumberGeos(int32_t geoId) {
  SceneRecords& scene = GVScene();
  GeoList* list = GVGeoListOf(scene.geoList);
  if (!list) return 0;
  int32_t n = 0;
  for (GObject* g = list->head; g; g = g->next) ++n;
  if (n == 0) return 0;

  IdTable table = GVNewIdTable(n);
  int32_t i = 0;
  for (GObject* g = list->head; g; g = g->next) table.ids[++i] = g->id;
  const int32_t found = GVIdTablePosition(geoId, n, table.data());

  for (GObject* g = list->head; g; g = g->next) {
    g->id = GVIdTablePosition(g->id, n, table.data());
    GVAttachRemapWord1(g->attach, n, table.data());
  }
  GeoIdBlockList& blocks = GVGeoIdBlocks();
  for (int32_t k = 0; blocks.blocks && k < kGeoIdBlockSlots; ++k)
    GVRemapGeoIdBlock(blocks.blocks[k], table.data(), n);
  GVLogicRemapGeoRefs(scene.logic, n, table.data());
  return found;
}

int32_t GVRenumberJels(int32_t jelId) {
  SceneRecords& scene = GVScene();
  HWorld* world = GVWorldOf(scene.world);
  if (!world) return 0;
  int32_t n = 0;
  for (HObject* j = world->head; j; j = GVNextJel(j)) ++n;
  if (n == 0) return 0;

  IdTable table = GVNewIdTable(n);
  int32_t i = 0;
  for (HObject* j = world->head; j; j = GVNextJel(j)) table.ids[++i] = j->id;
  const int32_t found = GVIdTablePosition(jelId, n, table.data());

  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    j->id = GVIdTablePosition(j->id, n, table.data());
    j->remapGlueJelIds(n, table.data());
  }
  if (GeoList* list = GVGeoListOf(scene.geoList))
    for (GObject* g = list->head; g; g = g->next) GVRenumberGeoJelIds(g, n, table.data());
  if (const auto remap = GVSceneServices().remapVehicleJelIds) remap(scene.vehicle, n, table.data());
  GVLogicRemapJelRefs(scene.logic, n, table.data());
  return found;
}
