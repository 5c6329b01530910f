#include "GVAppWins/render_services.h"

#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/ogre_lights.h"
#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/ogre_rtt.h"
#include "GVAppWins/ogre_scene_build.h"
#include "GVAppWins/ogre_sky.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "geo/geo_object.h"
#include "jel/jel_object.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

void GVInstallRenderServices(SceneServices* services) {
  SceneServices& s = *services;
  s.renderStarted = []() -> int32_t { return gOgreData && gOgreData->mSceneMgr ? 1 : 0; };
  s.updateRenderObjects = GVUpdateOgreObjects;
  s.updateGeoMesh = [](GObject* geo) {
    if (geo) GVUpdateOgreGeoMesh(geo->handle, -2, 1);
  };
  s.createGeoRenderObj = GVCreateOgreGeoObj;
  s.destroyGeoRenderObj = [](GObject* geo) {
    if (geo) GVDestroyOgreGeoObj(geo->handle);
  };
  s.createJelRenderObj = GVCreateOgreJelObj;
  s.destroyJelRenderObj = [](HObject* jel) {
    if (jel) GVDestroyOgreJelObj(jel->handle);
  };
  s.refreshGeoRenderMesh = [](GObject* geo) {
    if (geo) GVRefreshOgreGeoMesh(geo->handle);
  };
  s.refreshJelGeoRenderMeshes = GVRefreshOgreMeshesOfJel;
  s.refreshAllGeoRenderMeshes = GVRefreshAllOgreGeoMeshes;
  s.buildRenderScene = GVBuildOgreScene;
  s.rebuildRenderObjects = GVRebuildOgreObjects;
  s.resetRenderExtras = GVResetOgreSceneExtras;
  s.assignGeoMaterial = GVAssignOgreGeoMaterial;
  s.setGeoMaterial = GVSetOgreGeoMaterial;
  s.setGeoUVMaterials = GVApplyOgreDisplayModes;
  // The editors' callbacks.
  s.setGeoNodeTransform = [](GObject* geo, int32_t selector) {
    if (geo) GVSetOgreGeoNodeTransform(geo->handle, selector);
  };
  s.updateGeoMeshBy = [](GObject* geo, int32_t selector) {
    if (geo) GVUpdateOgreGeoMesh(geo->handle, selector, 1);
  };
  s.recomputeGeoMesh = [](GObject* geo) {
    if (geo) GVRecomputeOgreGeoMesh(geo->handle);
  };
  s.updateRenderSceneBounds = GVUpdateOgreWalls;
  s.setJelMaterial = [](int32_t jelId, int32_t mode) {
    if (HObject** jel = GVFindJel(GVScene().world, jelId)) GVSetOgreJelMaterial(mode, jel);
  };
  // Lights, shadows, sky and the render-to-texture target.
  s.updateRenderLight = GVUpdateOgreLight;
  s.createRenderLight = [](int32_t index, const LightRec*) { GVCreateOgreLightFromGVLight(index); };
  s.recreateRenderLights = GVRecreateOgreLightsForScene;
  // The lights editor removed the light from the list already.
  s.resetRenderLights = GVRebuildOgreLights;
  s.computeShadowExtents = GVComputeOgreShadowExtents;
  s.setLightsCastShadows = GVSetOgreLightsCastShadows;
  s.renderWideLightFrame = GVRenderFrameWithWideLight;
  s.setGeoCastShadows = [](GObject* geo) {
    if (geo) GVSetOgreGeoCastShadows(geo->id);
  };
  s.setGeoSubEntityMaterial = [](GObject* geo) {
    if (geo) GVSetOgreGeoSubEntityMaterial(geo->id);
  };
  s.evaluateShadowNeed = [] { GVOgreShadowsNeeded(); };
  s.setRenderSky = GVSetOgreSky;
  s.setupShadowTextures = GVSetupOgreShadowTextures;
  s.updateShadowSettings = [] {
    GVUpdateOgreShadowSettings(kShadowTextureSize);
    GVUpdateOgreShadowSettings(kShadowFarDistance);
    GVUpdateOgreShadowSettings(kShadowExtrusion);
  };
  s.syncRenderCamera = GVSyncOgreCamera;
  s.renderTargetExists = []() -> int32_t { return GVIsOgreRttCreated() ? 1 : 0; };
  s.createRtt = [](int32_t type) { GVCreateRttForGeo(GVMainView(), type, 0); };
}

void GVInstallRenderServices() {
  SceneServices s = GVSceneServices();
  GVInstallRenderServices(&s);
  GVSetSceneServices(s);
}
