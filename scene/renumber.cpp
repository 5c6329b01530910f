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

namespace {

// Numbers the objects of a list 1..n in list order (n of them, the first
// `head`, each after `next`) and fills the table with their old ids; the new
// id of the object that had `id`, 0 when none had it.
template <typename T, typename Next>
int32_t numberInOrder(T* head, Next next, int32_t id, IdTable* table) {
  int32_t n = 0;
  for (T* o = head; o; o = next(o)) ++n;
  *table = GVNewIdTable(n);
  int32_t i = 0;
  for (T* o = head; o; o = next(o)) table->ids[++i] = o->id;
  for (T* o = head; o; o = next(o)) o->id = GVIdTablePosition(o->id, n, table->data());
  return GVIdTablePosition(id, n, table->data());
}

}  // namespace

int32_t GVRenumberGeos(int32_t geoId) {
  SceneRecords& scene = GVScene();
  GeoList* list = GVGeoListOf(scene.geoList);
  if (!list || !list->head) return 0;
  IdTable table;
  const int32_t found = numberInOrder(list->head, [](GObject* g) { return g->next; }, geoId, &table);
  for (GObject* g = list->head; g; g = g->next) GVAttachRemapWord1(g->attach, table.count, table.data());
  GeoIdBlockList& blocks = GVGeoIdBlocks();
  for (int32_t k = 0; blocks.blocks && k < kGeoIdBlockSlots; ++k)
    GVRemapGeoIdBlock(blocks.blocks[k], table.data(), table.count);
  GVLogicRemapGeoRefs(scene.logic, table.count, table.data());
  return found;
}

int32_t GVRenumberJels(int32_t jelId) {
  SceneRecords& scene = GVScene();
  HWorld* world = GVWorldOf(scene.world);
  if (!world || !world->head) return 0;
  IdTable table;
  const int32_t found = numberInOrder(world->head, [](HObject* j) { return GVNextJel(j); }, jelId, &table);
  for (HObject* j = world->head; j; j = GVNextJel(j)) j->remapGlueJelIds(table.count, table.data());
  if (GeoList* list = GVGeoListOf(scene.geoList))
    for (GObject* g = list->head; g; g = g->next) GVRenumberGeoJelIds(g, table.count, table.data());
  if (const auto remap = GVSceneServices().remapVehicleJelIds) remap(scene.vehicle, table.count, table.data());
  GVLogicRemapJelRefs(scene.logic, table.count, table.data());
  return found;
}
