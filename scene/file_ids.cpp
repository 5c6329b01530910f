#include "scene/file_ids.h"

#include <climits>
#include <unordered_set>

#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/mesh_derived.h"
#include "jel/jel_object.h"

namespace {

bool fits(int64_t id, int64_t offset) { return id + offset >= 1 && id + offset < INT32_MAX; }
bool nameFits(int64_t id, int64_t offset) { return id <= 0 || id + offset <= INT32_MAX; }

}  // namespace

bool GVFileIdsUsable(const GeoList* geos, const HWorld* world, int64_t geoOffset, int64_t jelOffset) {
  std::unordered_set<int32_t> seen;
  for (const GObject* g = geos ? geos->head : nullptr; g; g = g->next) {
    if (g->id < 1 || !fits(g->id, geoOffset) || !seen.insert(g->id).second) return false;
    if (!nameFits(GVGeoLargestJelRef(g), jelOffset)) return false;
    if (g->attach && g->attach->type != 0 &&
        (!nameFits(g->attach->geo0, geoOffset) || !nameFits(g->attach->geoZ, geoOffset)))
      return false;
  }
  seen.clear();
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j)) {
    if (j->id < 1 || !fits(j->id, jelOffset) || !seen.insert(j->id).second) return false;
    for (int32_t i = 1; j->glueJel && i <= j->nodeCount; ++i)
      if (!nameFits(j->glueJel[i], jelOffset)) return false;
  }
  return true;
}
