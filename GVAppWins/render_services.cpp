#include "GVAppWins/render_services.h"

#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_materials.h"
#include "geo/geo_object.h"
#include "scene/scene_services.h"

void GVInstallRenderServices() {
  SceneServices s = GVSceneServices();
  s.updateRenderObjects = GVUpdateOgreObjects;
  s.updateGeoMesh = [](GObject* geo) {
    if (geo) GVUpdateOgreGeoMesh(geo->handle, -2, 1);
  };
  s.createGeoRenderObj = GVCreateOgreGeoObj;
  s.destroyGeoRenderObj = [](GObject* geo) {
    if (geo) GVDestroyOgreGeoObj(geo->handle);
  };
  s.assignGeoMaterial = GVAssignOgreGeoMaterial;
  s.setGeoMaterial = GVSetOgreGeoMaterial;
  s.setGeoUVMaterials = GVApplyOgreDisplayModes;
  GVSetSceneServices(s);
}
