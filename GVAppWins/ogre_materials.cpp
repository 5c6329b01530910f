#include "GVAppWins/ogre_materials.h"

#include <OGRE/Ogre.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "GVAppWins/info_panels.h"
#include "GVAppWins/material_reload.h"
#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/ogre_lights.h"
#include "GVAppWins/ogre_rtt.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_links.h"
#include "geo/geo_transform.h"
#include "geo/uv_sets.h"
#include "jel/jel_object.h"
#include "scene/display_settings.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/work_folders.h"

namespace {

GObject* geoOf(ObjHandle* h) { return h ? static_cast<GObject*>(h->object) : nullptr; }

Ogre::Pass* firstPass(const Ogre::MaterialPtr& m) {
  if (!m || m->getNumTechniques() == 0) return nullptr;
  Ogre::Technique* t = m->getTechnique(0);
  return t->getNumPasses() > 0 ? t->getPass(0) : nullptr;
}

Ogre::ColourValue colourOf(const GColour* c) { return Ogre::ColourValue(c->r, c->g, c->b, c->a); }
Ogre::ColourValue colourOf(const float c[4]) { return Ogre::ColourValue(c[0], c[1], c[2], c[3]); }

GeoMaterial* materialOf(const GObject* g, int32_t i) { return GVGeoMaterialAt(g, i); }
int32_t materialCount(const GObject* g) { return GVGeoMaterialCount(g); }
UVSet* uvOf(const GObject* g, const GeoMaterial* m) { return GVGeoMaterialUV(g, m); }

bool layerShown(const GeoMaterial* m, bool solidVisible) {
  return m && m->mode != GV_DISPLAY_IGNORE && solidVisible;
}


}  // namespace

void GVSetWirePass(Ogre::Pass* pass, const WireColours& c) {
  pass->setPolygonMode(Ogre::PM_WIREFRAME);
  pass->setAmbient(colourOf(c.ambient));
  pass->setDiffuse(colourOf(c.diffuse));
  pass->setSpecular(colourOf(c.specular));
  pass->setShininess(c.shininess);
}

void GVApplyGeoMaterialProps(GeoMaterial* m, const Ogre::MaterialPtr& material, const UVSet* uv) {
  if (!m || !gOgreData || !material) return;
  if (Ogre::Pass* p = firstPass(material)) {
    const int32_t type = m->mode;
    if (type == GV_DISPLAY_OPAQUE || type == GV_DISPLAY_RTT_OPAQUE) {
      p->setSceneBlending(Ogre::SBT_REPLACE);
      p->setAlphaRejectSettings(Ogre::CMPF_ALWAYS_PASS, 0, false);
      p->setTransparentSortingEnabled(false);
      p->setTransparentSortingForced(false);
    } else if (type == GV_DISPLAY_TRANSPARENT || type == GV_DISPLAY_RTT_TRANSPARENT) {
      p->setSceneBlending(Ogre::SBT_TRANSPARENT_ALPHA);
      p->setAlphaRejectSettings(Ogre::CMPF_ALWAYS_PASS, 0, false);
      p->setTransparentSortingEnabled(true);
      p->setTransparentSortingForced(true);
    } else if (type == GV_DISPLAY_ALPHA_MASK || type == GV_DISPLAY_RTT_ALPHA_MASK) {
      p->setSceneBlending(Ogre::SBT_REPLACE);
      p->setAlphaRejectSettings(Ogre::CMPF_GREATER, 128, false);
      p->setTransparentSortingEnabled(false);
      p->setTransparentSortingForced(false);
    }
    p->setPolygonMode(Ogre::PM_SOLID);
    p->setLightingEnabled(true);
    if (m->colourA) p->setAmbient(colourOf(m->colourA));
    if (m->colourB) p->setDiffuse(colourOf(m->colourB));
    if (m->colourC) p->setSpecular(colourOf(m->colourC));
    p->setShininess(m->shininess);
    // A layer covers the layers below it. A Geo without layer offsets (the
    // vehicle's wheels) has them all on one surface, where the depth test
    // alone would let the engine's drawing order decide; that order follows
    // where its materials happen to lie in memory, so it changes with what
    // the scenes opened before left behind. A depth bias of the layer
    // number keeps each layer in front of the ones below it, and is too
    // small to show anywhere else.
    const float bias = static_cast<float>(std::max(m->layer, 0));
    p->setDepthBias(bias, 0.0f);
    // A render-to-texture layer shows "RttTex" once the scene renders one;
    // until then its own texture file like any other layer.
    const bool rtt = (type == GV_DISPLAY_RTT_OPAQUE || type == GV_DISPLAY_RTT_TRANSPARENT ||
                      type == GV_DISPLAY_RTT_ALPHA_MASK) &&
                     GVEnsureOgreRtt() == 1;
    p->removeAllTextureUnitStates();
    if (uv && uv->setWord == 0 && ((m->textureFile && m->textureFile[0]) || rtt)) {
      Ogre::TextureUnitState* tu = p->createTextureUnitState();
      tu->setTextureName(rtt ? "RttTex" : m->textureFile, Ogre::TEX_TYPE_2D);
      tu->setTextureCoordSet(0);
      tu->setColourOperation(Ogre::LBO_MODULATE);
    }
  }
  material->setReceiveShadows((m->word18 & 2u) != 0);
}

void GVSetOgreGeoMaterial(int32_t id, int32_t mode) {
  if (!gOgreData || id < 1 || !GVSceneGeoList()) return;
  ObjHandle* h = GVFindGeo(GVSceneGeoList(), id);
  GObject* g = geoOf(h);
  if (!g) return;
  GVCalcGeoMaterialLayers(g);
  const bool solidVisible = GVGeoModeShowsSolid(mode) != 0;
  GVOgreShadowsNeeded();
  Ogre::Entity* e = GVGeoEntity(g);
  if (!e) return;
  GVCheckGeoScript(g);
  const GeoOgreNames names(g);
  GeoMaterial* m0 = materialOf(g, 0);
  Ogre::SubEntity* solid = GVFindSubEntity(e, names.solid);
  try {
    if (g->materialType == 2 && g->matFile && g->matFile[0] && g->matName2 && g->matName2[0]) {
      GVRecomputeOgreGeoMesh(h);
      GVUpdateGeoTangents(g);
      GVReloadMaterial(g->matName2, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME, g->matFile, 1);
      Ogre::MaterialPtr script = Ogre::MaterialManager::getSingleton().getByName(
          g->matName2, Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
      if (script && solid) {
        e->setCastShadows(m0 && (m0->word18 & 1u));
        script->setReceiveShadows(m0 && (m0->word18 & 2u));
        solid->setMaterial(script);
        solid->setMaterialName(script->getName(), Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
      }
      if (solid) solid->setVisible(solidVisible);
    } else if (solid) {
      e->setCastShadows(m0 && (m0->word18 & 1u));
      Ogre::MaterialPtr mat = solid->getMaterial();
      if (mat && mat->getNumTechniques() > 0) {
        GVApplyGeoMaterialProps(m0, mat, uvOf(g, m0));
        solid->setMaterial(mat);
        solid->setVisible(layerShown(m0, solidVisible));
      }
    }
    for (int32_t i = 1; i < materialCount(g); ++i) {
      Ogre::SubEntity* s = GVFindSubEntity(e, names.layer(i));
      if (!s) continue;
      GeoMaterial* m = materialOf(g, i);
      Ogre::MaterialPtr mat = s->getMaterial();
      GVApplyGeoMaterialProps(m, mat, uvOf(g, m));
      s->setMaterial(mat);
      s->setVisible(layerShown(m, solidVisible));
    }
  } catch (const Ogre::Exception& ex) {
    Ogre::LogManager::getSingleton().logMessage(ex.getFullDescription(), Ogre::LML_CRITICAL);
  }
}

void GVAssignOgreGeoMaterial(int32_t id) {
  if (!gOgreData || id < 1 || !GVSceneGeoList()) return;
  GObject* g = geoOf(GVFindGeo(GVSceneGeoList(), id));
  Ogre::Entity* e = GVGeoEntity(g);
  if (!e) return;
  const GeoOgreNames names(g);
  Ogre::SubEntity* solid = GVFindSubEntity(e, names.solid);
  if (!solid) return;
  const Ogre::String& def = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
  Ogre::MaterialPtr mat = Ogre::MaterialManager::getSingleton().getByName(names.material, def);
  if (!mat) mat = Ogre::MaterialManager::getSingleton().create(names.material, def);
  solid->setMaterial(mat);
}

void GVSetOgreJelMaterial(int32_t mode, HObject** cell) {
  if (!gOgreData || !gOgreData->mSceneMgr || !cell || !*cell) return;
  Ogre::Entity* e = GVOgreJelEntity(cell);
  Ogre::SubEntity* s = GVOgreJelSurface(cell);
  if (!e || !s) return;
  const DisplaySettings* ds = GVScene().display;
  const float a = ds ? ds->renderValue1 : 0.3f;
  Ogre::MaterialPtr mat = s->getMaterial();
  if (Ogre::Pass* p = firstPass(mat)) {
    p->setDepthWriteEnabled(false);
    p->setSceneBlending(Ogre::SBT_TRANSPARENT_ALPHA);
    p->setTransparentSortingEnabled(true);
    p->setTransparentSortingForced(true);
    p->setPolygonMode(Ogre::PM_SOLID);
    p->setDiffuse(0.0f, 0.0f, 0.0f, a);
    p->setAmbient(Ogre::ColourValue(0.432f, 0.42f, 0.84f, a));
  }
  e->setCastShadows(false);
  if (mat) {
    mat->setReceiveShadows(false);
    s->setMaterial(mat);
  }
  s->setVisible(GVGeoModeShowsSolid(mode) != 0);
}

void GVUpdateAllOgreJelMaterials(int32_t mode) {
  if (!gOgreData) return;
  GVForEachSceneJel([&](HObject** cell) { GVSetOgreJelMaterial(mode, cell); });
}

void GVApplyOgreDisplayModes(int32_t geoMode, int32_t jelMode) {
  if (!gOgreData || !gOgreData->mSceneMgr) return;
  if (geoMode != 0) {
    const bool solidVisible = GVGeoModeShowsSolid(geoMode) != 0;
    GVForEachSceneGeo([&](ObjHandle* h) {
      GObject* g = geoOf(h);
      Ogre::Entity* e = GVGeoEntity(g);
      if (!e) return;
      const GeoOgreNames names(g);
      if (Ogre::SubEntity* s = GVFindSubEntity(e, names.solid)) s->setVisible(layerShown(materialOf(g, 0), solidVisible));
      for (int32_t i = 1; i < materialCount(g); ++i)
        if (Ogre::SubEntity* s = GVFindSubEntity(e, names.layer(i)))
          s->setVisible(layerShown(materialOf(g, i), solidVisible));
      if (Ogre::SubEntity* s = GVFindSubEntity(e, names.wire)) s->setVisible(GVGeoModeShowsWire(geoMode) != 0);
    });
  }
  if (jelMode != 0) {
    GVForEachSceneJel([&](HObject** cell) {
      if (Ogre::SubEntity* s = GVOgreJelSurface(cell)) s->setVisible(GVGeoModeShowsSolid(jelMode) != 0);
      if (Ogre::ManualObject* mo = GVOgreJelLattice(cell)) mo->setVisible(GVGeoModeShowsWire(jelMode) != 0);
    });
  }
}

void GVOgreShowGeoSelection(int32_t s, int32_t mode) {
  if (!gOgreData) return;
  const int32_t stateMode = GVSceneStateMode();
  const int32_t frame = GVSceneCurrentFrame();
  GVForEachSceneGeo([&](ObjHandle* h) {
    GObject* g = geoOf(h);
    Ogre::Entity* e = GVGeoEntity(g);
    if (!e) return;
    const bool selected = GVGeoMatchesSel(s, g) != 0;
    if (selected) {
      const int drive = GVGetGeoDriveMode(frame, g, stateMode);
      if (drive != 0)
        GVSetOgreGeoNodeTransform(h, drive);
      else
        GVUpdateOgreGeoMesh(h, -2, mode != 0);
    }
    Ogre::SubEntity* wire = GVFindSubEntity(e, GeoOgreNames(g).wire);
    if (!wire) return;
    Ogre::MaterialPtr mat = wire->getMaterial();
    if (Ogre::Pass* p = firstPass(mat)) {
      GVSetWirePass(p, selected ? kWireSelected : kWireUnselected);
      wire->setVisible(selected || GVGeoModeShowsWire(mode));
    }
    wire->setMaterial(mat);
  });
}

void GVOgreShowJelSelection(int32_t s, int32_t mode) {
  if (!gOgreData || !gOgreData->mSceneMgr) return;
  GVForEachSceneJel([&](HObject** cell) {
    Ogre::ManualObject* mo = GVOgreJelLattice(cell);
    if (!mo) return;
    const bool selected = GVJelMatches(cell, s) != 0;
    // The lattice is written again in the grey of its state.
    GVUpdateJelManualObject(cell, selected ? 0.9f : 0.1f, gOgreData->mSelectOffset);
    mo->setVisible(selected || GVGeoModeShowsWire(mode));
  });
}

void GVDisposeOgreMaterial(const Ogre::MaterialPtr& material) {
  if (!material) return;
  for (unsigned short t = 0; t < material->getNumTechniques(); ++t) {
    Ogre::Technique* tech = material->getTechnique(t);
    for (unsigned short p = 0; p < tech->getNumPasses(); ++p) tech->getPass(p)->removeAllTextureUnitStates();
    tech->removeAllPasses();
  }
  material->removeAllTechniques();
  Ogre::MaterialManager::getSingleton().remove(material);
}

void GVDisposeSubEntityMaterial(Ogre::SubEntity* sub) {
  if (sub) GVDisposeOgreMaterial(sub->getMaterial());
}
