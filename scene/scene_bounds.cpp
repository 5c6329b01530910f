#include "scene/scene_bounds.h"

#include <initializer_list>

#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/mesh_bounds.h"
#include "jel/jel_object.h"
#include "jel/state_interface.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"

namespace {

// Sides in bounds order: min x, max x, min y, max y, min z, max z.
void widen(float bounds[6], const float box[6], bool marked[6]) {
  for (int k : {0, 4})
    if (bounds[k] > box[k]) bounds[k] = box[k], marked[k] = true;
  for (int k : {1, 3, 5})
    if (bounds[k] < box[k]) bounds[k] = box[k], marked[k] = true;
}

}  // namespace

void GVFitSceneBounds(float margin) {
  SceneRecords& sc = GVScene();
  float* bounds = sc.bounds;
  bool marked[6] = {};
  float box[6];
  const GeoList* geos = GVGeoListOf(sc.geoList);
  for (const GObject* g = geos ? geos->head : nullptr; g; g = g->next)
    if (GVGetGeoBounds(g, box)) widen(bounds, box, marked);
  const HWorld* w = GVWorldOf(sc.world);
  for (HObject* j = w ? w->head : nullptr; j; j = GVNextJel(j))
    if ((j->id == -1 || GVJelInSel(j, -1)) && GVJelBoundingBox(j, kFrameCommitted, box)) widen(bounds, box, marked);
  for (int k : {0, 4})
    if (marked[k]) bounds[k] -= margin;
  for (int k : {1, 3, 5})
    if (marked[k]) bounds[k] += margin;
}
