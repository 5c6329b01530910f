#include "GVAppWins/ogre_geo_objects.h"

#include <OGRE/Ogre.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "GVAppWins/info_panels.h"
#include "GVAppWins/material_reload.h"
#include "GVAppWins/ogre_buffers.h"
#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/ogre_lights.h"
#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/vehicle_explode.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "dynamics/world.h"
#include "geo/geo_binding.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_normals.h"
#include "geo/uv_sets.h"
#include "jel/jel_object.h"
#include "jel/worker_pool.h"
#include "scene/geo_eye.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/work_folders.h"

namespace {

constexpr uint32_t kGeoDoubleSided = 0x4;
constexpr uint32_t kGeoNoLayerOffset = 0x80000;

const Ogre::String& generalGroup() {
  static const Ogre::String g = "General";
  return g;
}

GObject* geoOf(ObjHandle* h) { return h ? static_cast<GObject*>(h->object) : nullptr; }

GeoMaterial* materialOf(const GObject* g, int32_t i) { return GVGeoMaterialAt(g, i); }
int32_t materialCount(const GObject* g) { return GVGeoMaterialCount(g); }
UVSet* uvOf(const GObject* g, const GeoMaterial* m) { return GVGeoMaterialUV(g, m); }

float layerStep(const GObject* g) { return (g->flags & kGeoNoLayerOffset) ? 0.0f : gOgreData->mOffsetDistance; }
int32_t highestLayer(const GObject* g) {
  int32_t top = 0;
  for (int32_t i = 0; i < materialCount(g); ++i) top = std::max(top, materialOf(g, i)->layer);
  return top;
}
float wireOffset(const GObject* g) {
  return std::max((highestLayer(g) + 1) * layerStep(g), gOgreData->mOffsetDistance);
}
int32_t solidFlags(const GObject* g) { return GV_BUF_PLAIN | ((g->flags & kGeoDoubleSided) ? GV_BUF_DOUBLE_SIDED : 0); }
int32_t layerFlags(const GObject* g) { return GV_BUF_OFFSET | ((g->flags & kGeoDoubleSided) ? GV_BUF_DOUBLE_SIDED : 0); }

void statusLine(const char* text) { GVViewStatusLine(text); }

void logEngineError(const Ogre::Exception& e) {
  Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
}

void releaseHook(ObjHandle* handle, int32_t, void*) {
  if (handle) GVDestroyOgreGeoObj(handle);
}

// Node placement from one transform slot: the slot's matrix is stored with the
// image of x first, so the engine takes its transpose.
void placeNode(Ogre::SceneNode* node, const GObject* g, int32_t selector) {
  float p[3], m[9], s[3];
  GVGetGeoTransform(g, selector, p, m, s, nullptr);
  Ogre::Matrix3 rot(m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8]);
  node->setPosition(p[0], p[1], p[2]);
  node->setOrientation(Ogre::Quaternion(rot.Transpose()));
  node->setScale(s[0], s[1], s[2]);
}

// Is any of the Geo's names already held by the engine?
bool namesTaken(const GeoOgreNames& n, const GObject* g) {
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  Ogre::MaterialManager& mats = Ogre::MaterialManager::getSingleton();
  const Ogre::String& def = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
  if (sm->hasEntity(n.entity) || sm->hasSceneNode(n.node)) return true;
  if (Ogre::MeshManager::getSingleton().resourceExists(n.mesh, generalGroup())) return true;
  if (mats.resourceExists(n.material, def) || mats.resourceExists(n.wireMaterial, def)) return true;
  for (int32_t i = 1; i < materialCount(g); ++i)
    if (mats.resourceExists(n.layerMaterial(i), def)) return true;
  return false;
}

void removeMaterialByName(const std::string& name) {
  Ogre::MaterialPtr m = Ogre::MaterialManager::getSingleton().getByName(
      name, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
  if (m) GVDisposeOgreMaterial(m);
}

// Everything that bears the Geo's names goes, the entity and its node before
// the sub-meshes its sub-entities point into, then the mesh. Layers are taken
// from the mesh itself, so a Geo whose materials changed since the build still
// loses every one of them.
void destroyNamed(const GeoOgreNames& n, int32_t layers) {
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  if (sm->hasEntity(n.entity)) {
    Ogre::Entity* e = sm->getEntity(n.entity);
    if (Ogre::SubEntity* s = GVFindSubEntity(e, n.solid)) GVDisposeSubEntityMaterial(s);
    for (int32_t i = 1; i < layers; ++i)
      if (Ogre::SubEntity* s = GVFindSubEntity(e, n.layer(i))) GVDisposeSubEntityMaterial(s);
    if (Ogre::SubEntity* s = GVFindSubEntity(e, n.wire)) GVDisposeSubEntityMaterial(s);
    if (Ogre::SceneNode* node = e->getParentSceneNode()) {
      node->detachObject(e);
      sm->destroySceneNode(node);
    }
    sm->destroyEntity(e);
  }
  if (sm->hasSceneNode(n.node)) sm->destroySceneNode(n.node);
  removeMaterialByName(n.material);
  removeMaterialByName(n.wireMaterial);
  for (int32_t i = 1; i < layers; ++i) removeMaterialByName(n.layerMaterial(i));

  Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
  Ogre::MeshPtr mesh = meshes.getByName(n.mesh, generalGroup());
  if (!mesh) return;
  if (GVFindSubMesh(mesh.get(), n.wire)) mesh->destroySubMesh(n.wire);
  for (int32_t i = layers - 1; i >= 1; --i)
    if (GVFindSubMesh(mesh.get(), n.layer(i))) mesh->destroySubMesh(n.layer(i));
  if (GVFindSubMesh(mesh.get(), n.solid)) mesh->destroySubMesh(n.solid);
  meshes.remove(mesh);
}

// Number of layer sub-meshes the Geo's mesh may hold: its own materials, or
// more when the mesh was built with more.
int32_t layerSpan(const GObject* g, const GeoOgreNames& n) {
  int32_t layers = materialCount(g);
  Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().getByName(n.mesh, generalGroup());
  if (mesh) layers = std::max<int32_t>(layers, static_cast<int32_t>(mesh->getNumSubMeshes()));
  return layers;
}

// The sub-mesh of one UV set: the per-vertex builder for (u, v) pairs, the
// UV-entry builder for entries, nothing for neither (0 when none was built).
bool buildLayerSubMesh(const std::string& name, const Ogre::MeshPtr& mesh, ObjHandle* h, const UVSet* uv,
                       int32_t selector, int32_t flags, int32_t index, float offset) {
  if (uv->uvPairs) {
    GVCreateOgreGeoSubMesh(name.c_str(), mesh, h, 0, selector, flags, index, offset);
    return true;
  }
  if (uv->uvCorners) {
    GVCreateOgreGeoUVSubMesh(name.c_str(), mesh, h, 0, selector, flags, index, offset);
    return true;
  }
  return false;
}

void buildObjects(ObjHandle* h, GObject* g, const GeoOgreNames& names, int32_t mode, int32_t selector) {
  OgreData* d = gOgreData;
  const bool solidVisible = GVGeoModeShowsSolid(mode);
  const float step = layerStep(g);
  const Ogre::String& def = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;

  Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(names.mesh, generalGroup());

  GeoMaterial* m0 = materialOf(g, 0);
  UVSet* uv0 = uvOf(g, m0);
  const int32_t uv0Index = uv0 ? m0->uvSetIndex : -1;
  if (uv0 && uv0Index == 0) GVUpdateGeoTangents(g);
  if (!uv0 || uv0->uvPairs) {
    GVCreateOgreGeoSubMesh(names.solid.c_str(), mesh, h, 0, selector, solidFlags(g), uv0Index, 0.0f);
  } else if (uv0->uvCorners) {
    GVCreateOgreGeoUVSubMesh(names.solid.c_str(), mesh, h, 0, selector, solidFlags(g), uv0Index, 0.0f);
  } else {
    GVCreateOgreGeoSubMesh(names.solid.c_str(), mesh, h, 0, selector, solidFlags(g), uv0Index, 0.0f);
    statusLine("GVCreateOgreGeoObj got GEO with NO UVSETs !!!");
  }

  const int32_t count = materialCount(g);
  std::vector<bool> layerBuilt(static_cast<size_t>(std::max(count, 1)), false);
  for (int32_t i = 1; i < count; ++i) {
    GeoMaterial* m = materialOf(g, i);
    UVSet* uv = uvOf(g, m);
    if (uv)
      layerBuilt[static_cast<size_t>(i)] =
          buildLayerSubMesh(names.layer(i), mesh, h, uv, selector, layerFlags(g), m->uvSetIndex, m->layer * step);
  }
  GVCreateOgreGeoSubMesh(names.wire.c_str(), mesh, h, 0, selector, layerFlags(g), uv0Index, wireOffset(g));
  mesh->load();

  Ogre::Entity* entity = d->mSceneMgr->createEntity(names.entity, names.mesh,
                                                    Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
  Ogre::SubEntity* solid = GVFindSubEntity(entity, names.solid);

  GVCheckGeoScript(g);

  const bool casts = m0 && (m0->word18 & 1u);
  if (g->materialType == 2 && g->matFile && g->matFile[0] && g->matName2 && g->matName2[0]) {
    if (GVGeoNeedsTangents(g)) GVCalcGeoTangents(g);
    GVReloadMaterial(g->matName2, def, g->matFile, 1);
    Ogre::MaterialPtr script =
        Ogre::MaterialManager::getSingleton().getByName(g->matName2, Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
    if (script && solid) {
      script->load();
      entity->setCastShadows(casts);
      script->setReceiveShadows(m0 && (m0->word18 & 2u));
      solid->setMaterial(script);
      solid->setMaterialName(script->getName(), Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
    }
    if (solid) solid->setVisible(solidVisible);
  } else {
    Ogre::MaterialPtr mat = Ogre::MaterialManager::getSingleton().create(names.material, def);
    GVApplyGeoMaterialProps(m0, mat, uv0);
    entity->setCastShadows(casts);
    if (solid) {
      solid->setMaterial(mat);
      solid->setVisible(m0 && m0->mode != GV_DISPLAY_IGNORE && solidVisible);
    }
  }

  for (int32_t i = 1; i < count; ++i) {
    if (!layerBuilt[static_cast<size_t>(i)]) continue;
    GeoMaterial* m = materialOf(g, i);
    Ogre::MaterialPtr mat = Ogre::MaterialManager::getSingleton().create(names.layerMaterial(i), def);
    GVApplyGeoMaterialProps(m, mat, uvOf(g, m));
    if (Ogre::SubEntity* s = GVFindSubEntity(entity, names.layer(i))) {
      s->setMaterial(mat);
      s->setVisible(m->mode != GV_DISPLAY_IGNORE && solidVisible);
    }
  }

  Ogre::MaterialPtr wire = Ogre::MaterialManager::getSingleton().create(names.wireMaterial, def);
  if (wire->getNumTechniques() > 0 && wire->getTechnique(0)->getNumPasses() > 0)
    GVSetWirePass(wire->getTechnique(0)->getPass(0), kWireBuilt);
  wire->setReceiveShadows(false);
  if (Ogre::SubEntity* s = GVFindSubEntity(entity, names.wire)) {
    s->setMaterial(wire);
    if ((mode & 1) || (mode & 16)) s->setVisible(false);
  }

  Ogre::SceneNode* node = d->mSceneMgr->getRootSceneNode()->createChildSceneNode(
      names.node, Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
  placeNode(node, g, GVSceneStateMode() == -1 ? -1 : -2);
  node->attachObject(entity);
}

}  // namespace

const WireColours kWireBuilt = {
    {0.1f, 0.2f, 0.7f, 1.0f}, {0.1f, 0.17f, 0.73f, 1.0f}, {0.42f, 0.4f, 0.48f, 1.0f}, 8.7f};
const WireColours kWireSelected = {
    {0.9f, 0.9f, 0.9f, 0.5f}, {0.9f, 0.9f, 0.9f, 0.5f}, {0.42f, 0.4f, 0.48f, 0.5f}, 8.7f};
const WireColours kWireUnselected = {
    {0.1f, 0.2f, 0.7f, 0.5f}, {0.1f, 0.17f, 0.73f, 0.5f}, {0.42f, 0.4f, 0.48f, 0.5f}, 8.7f};

GeoMaterial* GVGeoMaterialAt(const GObject* g, int32_t i) {
  return g && g->materials ? GVGetGeoMaterial(g->materials, i) : nullptr;
}
int32_t GVGeoMaterialCount(const GObject* g) { return g && g->materials ? g->materials->count : 0; }
UVSet* GVGeoMaterialUV(const GObject* g, const GeoMaterial* m) {
  return g && m && m->uvSetIndex != -1 ? GVGetUVSet(g->uvSets, m->uvSetIndex) : nullptr;
}

void GVViewStatusLine(const char* text) {
  if (GVView* v = GVMainView()) GVShowStatusLine(v, text);
}

void GVCheckGeoScript(GObject* g) {
  if (!g || g->materialType != 2 || GVMaterialScriptExists(g->matFile ? g->matFile : "")) return;
  g->materialType = 1;
  char text[1000];
  std::snprintf(text, sizeof text,
                "Warning: Cannot find material script \"%.400s\" referenced by GEO \"%.400s\" ... reverting to "
                "material properties instead ... ",
                g->matFile ? g->matFile : "", g->name ? g->name : "");
  GVViewStatusLine(text);
}

GeoOgreNames::GeoOgreNames(const GObject* g) {
  const std::string base = g && g->name ? g->name : "";
  mesh = base + "GMESH";
  solid = base + "GSUBMESH";
  wire = base + "GSUBMESHDR";
  entity = base + "GENT";
  node = base + "GNODE";
  material = base + "GMAT";
  wireMaterial = base + "GMATDR";
}
std::string GeoOgreNames::layer(int32_t i) const { return solid + "UV" + std::to_string(i); }
std::string GeoOgreNames::layerMaterial(int32_t i) const { return material + "UV" + std::to_string(i); }

int GVGeoModeShowsSolid(int32_t mode) { return mode == 8 || mode == 16 || mode == 32; }
int GVGeoModeShowsWire(int32_t mode) { return mode == 2 || mode == 8 || mode == 32; }

ObjHandle* GVSceneGeoList() { return GVScene().geoList; }
ObjHandle* GVSceneFirstGeo() { return GVScene().geoList ? GVFirstGeo(GVScene().geoList) : nullptr; }
ObjHandle* GVSceneNextGeo(ObjHandle* geo) { return GVNextGeo(geo); }

HObject** GVSceneFirstJel() { return GVFirstJel(GVScene().world); }
HObject** GVSceneNextJel(HObject** cell) {
  HObject* next = cell && *cell ? GVNextJel(*cell) : nullptr;
  return next ? next->handle : nullptr;
}

int32_t GVSceneStateMode() {
  HWorld* w = GVWorldOf(GVScene().world);
  return w ? w->params.stateMode : 0;
}
int32_t GVSceneCurrentFrame() { return GVScene().world && *GVScene().world ? GVCurrentFrame(GVScene().world) : 0; }

Ogre::SubMesh* GVFindSubMesh(Ogre::Mesh* mesh, const std::string& name) {
  if (!mesh) return nullptr;
  const Ogre::Mesh::SubMeshNameMap& names = mesh->getSubMeshNameMap();
  auto it = names.find(name);
  if (it == names.end() || it->second >= mesh->getNumSubMeshes()) return nullptr;
  return mesh->getSubMesh(it->second);
}

Ogre::SubEntity* GVFindSubEntity(Ogre::Entity* entity, const std::string& name) {
  if (!entity) return nullptr;
  const Ogre::Mesh::SubMeshNameMap& names = entity->getMesh()->getSubMeshNameMap();
  auto it = names.find(name);
  if (it == names.end() || it->second >= entity->getNumSubEntities()) return nullptr;
  return entity->getSubEntity(it->second);
}

Ogre::Entity* GVGeoEntity(const GObject* g) {
  if (!gOgreData || !gOgreData->mSceneMgr || !g) return nullptr;
  const std::string name = (g->name ? std::string(g->name) : std::string()) + "GENT";
  return gOgreData->mSceneMgr->hasEntity(name) ? gOgreData->mSceneMgr->getEntity(name) : nullptr;
}

void GVCreateOgreGeoObj(int32_t id, int32_t mode, int32_t selector) {
  if (!gOgreData || !gOgreData->mSceneMgr || id < 1 || !GVSceneGeoList()) return;
  ObjHandle* h = GVFindGeo(GVSceneGeoList(), id);
  GObject* g = geoOf(h);
  if (!g) return;
  GVEnsureGeoMaterials(g);
  GVCalcGeoMaterialLayers(g);
  const GeoOgreNames names(g);
  char text[1000];
  if (namesTaken(names, g)) {
    std::snprintf(text, sizeof text, "GEO \"%.400s\" (id %d) not drawn: its name is already in use", g->name ? g->name : "",
                  static_cast<int>(id));
    statusLine(text);
    return;
  }
  try {
    buildObjects(h, g, names, mode, selector);
  } catch (const Ogre::Exception& e) {
    // The names were free, so whatever bears them now is this build's.
    logEngineError(e);
    destroyNamed(names, layerSpan(g, names));
    std::snprintf(text, sizeof text, "GEO \"%.400s\" (id %d) not drawn: the engine refused its mesh",
                  g->name ? g->name : "", static_cast<int>(id));
    statusLine(text);
    return;
  }
  g->releaseCallback = releaseHook;
}

void GVDestroyOgreGeoObj(ObjHandle* h) {
  GObject* g = geoOf(h);
  if (!g) return;
  if (gOgreData && gOgreData->mSceneMgr && GVGeoEntity(g)) {
    const GeoOgreNames names(g);
    try {
      destroyNamed(names, layerSpan(g, names));
    } catch (const Ogre::Exception& e) {
      logEngineError(e);
    }
  }
  g->releaseCallback = nullptr;
}

void GVSetOgreGeoNodeTransform(ObjHandle* h, int32_t selector) {
  GObject* g = geoOf(h);
  if (!g) return;
  if (Ogre::Entity* e = GVGeoEntity(g))
    if (Ogre::SceneNode* node = e->getParentSceneNode()) placeNode(node, g, selector);
  g->flags &= ~GEO_FLAG_FRAME_XFORM_SET;
}

void GVUpdateOgreGeoMesh(ObjHandle* h, int32_t selector, int32_t refreshWire) {
  GObject* g = geoOf(h);
  if (!g) return;
  // A large mesh makes its normals on the world's threads, the same as on one.
  const bool large = std::max({g->triangleCount, g->quadCount, g->vertexCount}) > kGeoNormalsPiece;
  WorkerPool* pool = large ? GVWorldWorkers(GVWorldOf(GVScene().world)) : nullptr;
  GVCalcGeoFaceNormals(g, pool);
  GVCalcGeoVertexNormals(g, pool);
  Ogre::Entity* e = GVGeoEntity(g);
  if (!e) return;
  const GeoOgreNames names(g);
  Ogre::Mesh* mesh = e->getMesh().get();
  const float step = layerStep(g);
  const int32_t solid = solidFlags(g), layered = layerFlags(g);

  GeoMaterial* m0 = materialOf(g, 0);
  UVSet* uv0 = uvOf(g, m0);
  const int32_t uv0Index = uv0 ? m0->uvSetIndex : -1;
  if (uv0Index == 0 && GVGeoNeedsTangents(g)) GVCalcGeoTangents(g);
  if (Ogre::SubMesh* s = GVFindSubMesh(mesh, names.solid)) {
    if (!uv0 || uv0->uvPairs || !uv0->uvCorners)
      GVUpdateOgreGeoBuffer(s, uv0Index, h, selector, solid, 0.0f, pool);
    else
      GVUpdateOgreGeoUVBuffer(s, uv0Index, h, selector, solid, 0.0f);
  }
  for (int32_t i = 1; i < materialCount(g); ++i) {
    GeoMaterial* m = materialOf(g, i);
    UVSet* uv = uvOf(g, m);
    if (m->mode == GV_DISPLAY_IGNORE || !uv) continue;
    Ogre::SubMesh* s = GVFindSubMesh(mesh, names.layer(i));
    if (!s) continue;
    if (uv->uvPairs)
      GVUpdateOgreGeoBuffer(s, m->uvSetIndex, h, selector, layered, m->layer * step, pool);
    else
      GVUpdateOgreGeoUVBuffer(s, m->uvSetIndex, h, selector, layered, m->layer * step);
  }
  if (refreshWire)
    if (Ogre::SubMesh* s = GVFindSubMesh(mesh, names.wire))
      GVUpdateOgreGeoBuffer(s, uv0Index, h, selector, layered, wireOffset(g), pool);
  if (Ogre::SceneNode* node = e->getParentSceneNode()) {
    node->setPosition(Ogre::Vector3::ZERO);
    node->setOrientation(Ogre::Quaternion::IDENTITY);
    node->setScale(Ogre::Vector3::UNIT_SCALE);
  }
  g->flags &= ~(GEO_FLAG_VIEW_REFRESHED | GEO_FLAG_FRAME_XFORM_SET);
}

void GVUpdateOgreObjects() {
  GVView* view = GVMainView();
  if (!gOgreData || !view || !view->camera || !*view->camera) return;
  const int32_t geoMode = (*view->camera)->geoDisplayMode;
  const bool wireAll = GVGeoModeShowsWire(geoMode) != 0;
  const int32_t selection = GVViewScene().currentGeo ? GVViewScene().currentGeo[0] : 0;
  const int32_t stateMode = GVSceneStateMode();
  const int32_t frame = GVSceneCurrentFrame();
  GVForEachSceneGeo([&](ObjHandle* h) {
    GObject* g = geoOf(h);
    if (!GVGeoEntity(g)) return;
    const int drive = GVGetGeoDriveMode(frame, g, stateMode);
    if (drive != 0)
      GVSetOgreGeoNodeTransform(h, drive);
    else
      GVUpdateOgreGeoMesh(h, -2, wireAll || GVGeoIdInSel(g->id, selection, GVSceneGeoList()));
  });
  if (GVScene().vehicle && gOgreData->mVehicleExplode && stateMode == 0)
    GVApplyVehicleExplode(gOgreData->mVehicleExplode);
  WorkerPool* pool = GVWorldWorkers(GVWorldOf(GVScene().world));
  GVUpdateOgreJelMeshes(pool);
  GVUpdateOgreGeoBounds();
  GVUpdateOgreJelBounds(pool);
}

void GVRecomputeOgreGeoMesh(ObjHandle* h) {
  GObject* g = geoOf(h);
  if (!g) return;
  if (GVGetGeoDriveMode(GVSceneCurrentFrame(), g, GVSceneStateMode()) != 0) GVApplyGeoTransform(g, -7);
  GVBuildGeoSeamLists(g);
  GVBuildGeoSmoothFaceLists(g);
  GVCalcGeoFaceNormals(g);
  GVCalcGeoVertexNormals(g);
  GVUpdateOgreGeoMesh(h, -7, 1);
  GVUpdateOgreObjects();
}

void GVRecreateOgreGeoObj(ObjHandle* h, int32_t materialIndex) {
  GObject* g = geoOf(h);
  if (!gOgreData || !g) return;
  GVDestroyOgreGeoObj(h);
  GVRemoveGeoMaterialUVSet(materialIndex, g);
  GVCreateOgreGeoObj(g->id, 16, -7);
  if (GVView* v = GVMainView()) GVRedrawView(v);
}

void GVGetOgreGeoBox(ObjHandle* h, float box[6]) {
  GObject* g = geoOf(h);
  for (int k = 0; k < 3; ++k) {
    box[k] = 0.0f;
    box[k + 3] = 0.0f;
  }
  if (!g) return;
  const bool live = GVSceneStateMode() == 0 && (g->flags & GEO_FLAG_BOUND) &&
                    (g->flags & (GEO_FLAG_VERTEX_BINDING | GEO_FLAG_CELL_BINDING)) && g->jel &&
                    GVJelAliveAt(g->jel, GVSceneCurrentFrame());
  const GVFloat3* v = live ? g->vertices : g->baseVertices;
  if (!v || g->vertexCount < 1) return;
  for (int k = 0; k < 3; ++k) {
    box[k] = v[1][k];
    box[k + 3] = v[1][k];
  }
  for (int32_t i = 2; i <= g->vertexCount; ++i)
    for (int k = 0; k < 3; ++k) {
      box[k] = std::min(box[k], v[i][k]);
      box[k + 3] = std::max(box[k + 3], v[i][k]);
    }
  const float pad = g->faceSize * 0.001f + gViewClip.depthStep;
  for (int k = 0; k < 3; ++k) {
    box[k] -= pad;
    box[k + 3] += pad;
  }
}

void GVUpdateOgreGeoBounds() {
  if (!gOgreData) return;
  GVForEachSceneGeo([](ObjHandle* h) {
    GObject* g = geoOf(h);
    Ogre::Entity* e = GVGeoEntity(g);
    if (!e) return;
    float b[6];
    GVGetOgreGeoBox(h, b);
    const float dx = b[3] - b[0], dy = b[4] - b[1], dz = b[5] - b[2];
    const float radius = 0.5f * std::sqrt(dx * dx + dy * dy + dz * dz);
    const float w = (highestLayer(g) + 1) * layerStep(g);
    e->getMesh()->_setBounds(Ogre::AxisAlignedBox(b[0] - w, b[1] - w, b[2] - w, b[3] + w, b[4] + w, b[5] + w), true);
    e->getMesh()->_setBoundingSphereRadius(radius);
  });
}

void GVGetOgreJelBox(HObject** cell, float box[6]) {
  HObject* jel = cell ? *cell : nullptr;
  for (int k = 0; k < 6; ++k) box[k] = 0.0f;
  if (!jel) return;
  float b[6];
  if (!GVJelBoundingBox(jel, -2, b)) return;
  const float w = 0.03f * jel->cellSize;
  const float out[6] = {b[0] - w, b[2] - w, b[4] - w, b[1] + w, b[3] + w, b[5] + w};
  std::copy(out, out + 6, box);
}

void GVUpdateOgreJelBounds(WorkerPool* pool) {
  if (!gOgreData || !gOgreData->mSceneMgr) return;
  // The boxes first, side by side (each from its own Jel's nodes).
  std::vector<HObject**> cells;
  GVForEachSceneJel([&](HObject** cell) { cells.push_back(cell); });
  std::vector<std::array<float, 6>> boxes(cells.size());
  GVRunTasks(pool, static_cast<int32_t>(cells.size()),
             [&](int32_t k) { GVGetOgreJelBox(cells[k], boxes[k].data()); });
  for (size_t k = 0; k < cells.size(); ++k) {
    HObject** cell = cells[k];
    HObject* jel = *cell;
    const float* b = boxes[k].data();
    const float dx = b[3] - b[0], dy = b[4] - b[1], dz = b[5] - b[2];
    const float radius = 0.5f * std::sqrt(dx * dx + dy * dy + dz * dz);
    if (Ogre::Entity* entity = GVOgreJelEntity(cell)) {
      Ogre::MeshPtr mesh = entity->getMesh();
      mesh->_setBounds(Ogre::AxisAlignedBox(b[0], b[1], b[2], b[3], b[4], b[5]), true);
      mesh->_setBoundingSphereRadius(radius);
    }
    if (Ogre::ManualObject* mo = GVOgreJelLattice(cell)) {
      const float w = 0.03f * jel->cellSize;
      mo->setBoundingBox(
          Ogre::AxisAlignedBox(b[0] - w, b[1] - w, b[2] - w, b[3] + w, b[4] + w, b[5] + w));
    }
  }
}

int32_t GVIsGeoJelDriven(ObjHandle* h) {
  GObject* g = geoOf(h);
  if (!g || !(g->flags & GEO_FLAG_BOUND) || !(g->flags & (GEO_FLAG_VERTEX_BINDING | GEO_FLAG_CELL_BINDING)))
    return 0;
  if (g->jelId < 1) return 0;
  HObject** cell = GVFindJel(GVScene().world, g->jelId);
  if (!cell || !*cell) return 0;
  const FrameParams& p = (*cell)->playParams;
  return p.startFrame <= 0 && (p.endFrame == 0 || p.endFrame >= 0) ? 1 : 0;
}

void GVEyeCamFollowGeo(int32_t id, float halfAngle) {
  const CameraRec* cam = nullptr;
  const SceneOpts* opts = GVScene().options;
  if (opts && opts->camera && *opts->camera && opts->mode != 1) {
    cam = *opts->camera;
  } else if (GVView* v = GVMainView()) {
    if (v->camera && *v->camera) cam = *v->camera;
  }
  if (!cam || id < 1 || !GVSceneGeoList()) return;
  GObject* g = geoOf(GVFindGeo(GVSceneGeoList(), id));
  if (g) GVGeoEyeToPoint(cam->eye, g, halfAngle);
}
