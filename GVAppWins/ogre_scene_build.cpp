#include "GVAppWins/ogre_scene_build.h"

#include <OGRE/OgreSceneManager.h>

#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/ogre_lights.h"
#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/ogre_rtt.h"
#include "GVAppWins/ogre_sky.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/vehicle_explode.h"
#include "GVAppWins/view_links.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_binding.h"
#include "geo/geo_object.h"
#include "geo/geo_transform.h"
#include "geo/uv_sets.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "scene/display_settings.h"
#include "scene/frame_driver.h"
#include "scene/light_list.h"
#include "records/obj_handle.h"
#include "scene/scene_access.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"

namespace {

GObject* geoOf(ObjHandle* h) { return h ? static_cast<GObject*>(h->object) : nullptr; }

// The Geo back at its reset shape, its buffers rewritten from the base
// vertices, and the mark that says so.
void resetRefresh(ObjHandle* h) {
  GObject* g = geoOf(h);
  if (!g) return;
  GVApplyGeoTransform(g, GEO_SEL_RESET_BOUND);
  GVUpdateOgreGeoMesh(h, GEO_SEL_RESET_BOUND, 1);
  g->flags |= GEO_FLAG_VIEW_REFRESHED;
}

// A Geo's Jel id names that Jel: its id, or one of its groups.
bool geoTiedTo(const GObject* g, const HObject* jel) {
  if (g->jelId == jel->id) return true;
  return g->jelId <= -1 && g->jelId >= -31 && ((jel->groupMask >> -g->jelId) & 1u);
}

bool anyLayerAboveZero(const GObject* g) {
  for (int32_t i = 0; i < GVGeoMaterialCount(g); ++i)
    if (const GeoMaterial* m = GVGeoMaterialAt(g, i))
      if (m->layer > 0) return true;
  return false;
}

// The deformation of every Jel of group 1.
void updateGroupOneDeform() {
  GVForEachSceneJel([](HObject** cell) {
    if (GVJelMatches(cell, -1)) GVUpdateJelDeform(*cell, 0);
  });
}

// The mirror of one Geo, from its reset shape or, when a Jel drives it, from
// the Jel's present shape.
void mirrorGeo(ObjHandle* h, int32_t geoMode, bool layers) {
  GObject* g = geoOf(h);
  if (!g) return;
  GVApplyGeoTransform(g, GEO_SEL_RESET_BOUND);
  int32_t selector = 0;
  if (GVIsGeoJelDriven(h)) {
    GVInterpGeoFromJel(g);
    selector = GEO_SEL_FRAME;
  }
  if (layers && !(g->flags & GEO_FLAG_UV_CHAINED) && !anyLayerAboveZero(g)) {
    GVLinkGeoMaterialUVSets(g);
    GVCalcGeoMaterialLayers(g);
  }
  GVCreateOgreGeoObj(g->id, geoMode, selector);
}

// Mirrors of the Geos from the one with id firstGeo (every Geo for 0) and of
// the Jels from the one with id firstJel (every Jel for 0) to the ends of
// their lists; an id that no object has mirrors none of that kind.
void mirrorObjects(int32_t firstGeo, int32_t firstJel, int32_t geoMode, int32_t jelMode, bool layers) {
  bool on = firstGeo == 0;
  GVForEachSceneGeo([&](ObjHandle* h) {
    if (!on && geoOf(h) && geoOf(h)->id == firstGeo) on = true;
    if (on) mirrorGeo(h, geoMode, layers);
  });
  on = firstJel == 0;
  GVForEachSceneJel([&](HObject** cell) {
    if (!on && (*cell)->id == firstJel) on = true;
    if (on) GVCreateOgreJelObj((*cell)->id, jelMode);
  });
}

// The background colour, then every light made again from the list with the
// shadow set-up of the display settings.
void buildLights() {
  GVUpdateOgreLight(kLightBackground, 0);
  if (gOgreData->mSceneMgr) gOgreData->mSceneMgr->destroyAllLights();
  GVSetupOgreShadowTextures(GVScene().display ? GVScene().display->optionInts[0] : 0);
  GVCreateOgreLightFromGVLight(10);
  GVCreateOgreLightFromGVLight(11);
  if (const LightList* list = GVScene().lights)
    for (int32_t i = 0; i < list->count; ++i) GVCreateOgreLightFromGVLight(i);
}

// The Geo that shows the render-to-texture image takes its materials again.
void showRttGeo(int32_t geoMode) {
  if (!GVScene().options) return;
  if (const int32_t id = GVFindRttDisplayGeo()) GVSetOgreGeoMaterial(id, geoMode);
}

}  // namespace

void GVRefreshOgreGeoMesh(ObjHandle* h) {
  GObject* g = geoOf(h);
  if (!g || (g->flags & GEO_FLAG_VIEW_REFRESHED)) return;
  resetRefresh(h);
}

void GVRefreshOgreMeshesOfJel(int32_t s) {
  if (!gOgreData) return;
  GVForEachSceneJel([&](HObject** cell) {
    if (!GVJelMatches(cell, s)) return;
    GVForEachSceneGeo([&](ObjHandle* h) {
      GObject* g = geoOf(h);
      if (!g || !geoTiedTo(g, *cell)) return;
      g->flags &= ~GEO_FLAG_VIEW_REFRESHED;
      resetRefresh(h);
    });
  });
}

void GVRefreshAllOgreGeoMeshes() {
  if (!gOgreData || GVSceneStateMode() != -1) return;
  GVForEachSceneGeo([](ObjHandle* h) { GVRefreshOgreGeoMesh(h); });
}

void GVBuildOgreScene(int32_t geoMode, int32_t jelMode) {
  if (!gOgreData || !GVMainView()) return;
  if (HWorld* w = GVWorldOf(GVScene().world)) GVAdvanceToFrame(w, 0, GVFrameCallback, nullptr);
  updateGroupOneDeform();
  if (DisplaySettings* ds = GVScene().display) {
    if (ds->shadowValues[0] < 1.0f) ds->shadowValues[0] = 150.0f;
    if (ds->shadowValues[1] < 1.0f) ds->shadowValues[1] = 100.0f;
  }
  buildLights();
  GVSetOgreSky();
  GVRebuildOgreRtt();
  mirrorObjects(0, 0, geoMode, jelMode, true);
  GVUpdateOgreObjects();
  GVUpdateOgreWalls(GVScene().bounds);
  GVOgreShadowsNeeded();
  GVBuildVehicleExplode();
  showRttGeo(geoMode);
}

void GVRebuildOgreObjects(int32_t firstGeo, int32_t firstJel, int32_t geoMode, int32_t jelMode) {
  if (!gOgreData) return;
  if (HWorld* w = GVWorldOf(GVScene().world)) GVAdvanceToFrame(w, 0, nullptr, nullptr);
  updateGroupOneDeform();
  GVRebuildOgreRtt();
  // An id below 1 skips its list, as does one no object has.
  mirrorObjects(firstGeo < 1 ? -1 : firstGeo, firstJel < 1 ? -1 : firstJel, geoMode, jelMode, false);
  GVUpdateOgreObjects();
  showRttGeo(geoMode);
}

void GVResetOgreSceneExtras() {
  if (!gOgreData) return;
  GVRemoveOgreRtt(gOgreData);
  if (GVScene().options) GVSceneOptsClear(GVScene().options);
  GVFreeVehicleExplode();
  if (GVScene().display) GVResetDisplaySettings(GVScene().display);
  GVSetupOgreShadowTextures(GVScene().display ? GVScene().display->optionInts[0] : 0);
  GVSetOgreSky();
}
