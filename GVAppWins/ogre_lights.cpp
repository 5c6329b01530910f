#include "GVAppWins/ogre_lights.h"

#include <OGRE/Ogre.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "dynamics/world.h"
#include "geo/geo_materials.h"
#include "geo/geo_transform.h"
#include "geo/uv_sets.h"
#include "scene/display_settings.h"
#include "geo/geo_list_services.h"
#include "scene/light_list.h"
#include "records/obj_handle.h"
#include "scene/scene_records.h"
#include "toolkit/fonts_pens.h"

namespace {

constexpr int32_t kBackgroundLight = 10;
constexpr int32_t kAmbientLight = 11;
constexpr float kDegree = 0.0174533f;
constexpr float kUpdateFalloff = 0.1f;

// The brush the view window's class was last given here; the toolkit's own
// brush, installed at registration, is never deleted.
HBRUSH gViewBrush = nullptr;

GObject* geoOf(ObjHandle* h) { return h ? static_cast<GObject*>(h->object) : nullptr; }

Ogre::SceneManager* sceneMgr() { return gOgreData ? gOgreData->mSceneMgr : nullptr; }

std::string lightName(int32_t i) { return "Light" + std::to_string(i); }

Ogre::Light* engineLight(int32_t i) {
  Ogre::SceneManager* sm = sceneMgr();
  const std::string name = lightName(i);
  return sm && sm->hasLight(name) ? sm->getLight(name) : nullptr;
}

const GeoMaterial* firstLayer(const GObject* g) { return GVGeoMaterialAt(g, 0); }
uint32_t shadowBits(const GObject* g) {
  const GeoMaterial* m = firstLayer(g);
  return m ? m->word18 : 0u;
}

void setBackgroundColour() {
  if (!gOgreData->mViewport) return;
  // The view's own link to the background colour stands in for the display
  // settings where a view runs without them.
  const DisplaySettings* d = GVScene().display;
  const float* bg = d ? &d->background.r : GVViewScene().background;
  gOgreData->mViewport->setBackgroundColour(bg ? Ogre::ColourValue(bg[0], bg[1], bg[2], 1.0f)
                                               : Ogre::ColourValue(0.5f, 0.5f, 0.5f, 1.0f));
}

void setAmbientLight() {
  const DisplaySettings* d = GVScene().display;
  if (Ogre::SceneManager* sm = sceneMgr())
    sm->setAmbientLight(d ? Ogre::ColourValue(d->background2.r, d->background2.g, d->background2.b, 1.0f)
                          : Ogre::ColourValue(1.0f, 1.0f, 1.0f, 1.0f));
}

BYTE channel(float c) { return static_cast<BYTE>(static_cast<int>(c * 255.0f) & 0xff); }

// The view window's class brush follows the background colour.
void setViewBrush() {
  const DisplaySettings* d = GVScene().display;
  if (gViewBrush) DeleteObject(gViewBrush);
  gViewBrush = CreateSolidBrush(d ? RGB(channel(d->background.r), channel(d->background.g), channel(d->background.b))
                                  : RGB(0xBF, 0xBF, 0xBF));
  GVView* view = GVMainView();
  if (view && view->window) SetClassLongA(view->window, GCL_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(gViewBrush));
}

void applyType(Ogre::Light* l, const LightRec* r) {
  switch (r->kind) {
    case 1: l->setType(Ogre::Light::LT_POINT); break;
    case 2: l->setType(Ogre::Light::LT_DIRECTIONAL); break;
    case 3: l->setType(Ogre::Light::LT_SPOTLIGHT); break;
    default: break;
  }
}
void applyPosition(Ogre::Light* l, const LightRec* r) {
  if (r->kind == 1 || r->kind == 3) l->setPosition(r->position[0], r->position[1], r->position[2]);
}
// The engine refuses a zero direction; the light keeps the one it has.
void applyDirection(Ogre::Light* l, const LightRec* r) {
  if (r->kind != 2 && r->kind != 3) return;
  const Ogre::Vector3 dir(r->direction[0], r->direction[1], r->direction[2]);
  if (dir.squaredLength() > 0.0f) l->setDirection(dir);
}
Ogre::ColourValue colourOf(const GColour* c) { return Ogre::ColourValue(c->r, c->g, c->b); }
bool castsShadows(const LightRec* r, int32_t wanted) { return wanted && r->kind != 0 && (r->flags & 1); }

// Steps shared by creation and update: the scene's shadow distances, the
// light's clip range (computed when unset) and its own shadow far distance.
void applyShadowRange(Ogre::Light* l, int32_t i, LightRec* r) {
  Ogre::SceneManager* sm = sceneMgr();
  if (const DisplaySettings* d = GVScene().display) {
    sm->setShadowFarDistance(d->shadowValues[0]);
    sm->setShadowDirectionalLightExtrusionDistance(d->shadowValues[1]);
  }
  if (r->param1 < 0.001f) GVComputeOgreShadowExtents(i, kShadowExtentNear);
  if (r->param1 > r->param2) GVComputeOgreShadowExtents(i, kShadowExtentFar);
  l->setShadowNearClipDistance(r->param1);
  l->setShadowFarClipDistance(r->param2);
  l->setShadowFarDistance(sm->getShadowFarDistance());
}

void createAllLights() {
  GVCreateOgreLightFromGVLight(kBackgroundLight);
  GVCreateOgreLightFromGVLight(kAmbientLight);
  if (const LightList* list = GVScene().lights)
    for (int32_t i = 0; i < list->count; ++i) GVCreateOgreLightFromGVLight(i);
}

// The end frame of the run, as the frame step counts it.
int32_t endFrame() {
  HWorld* w = GVScene().world ? *GVScene().world : nullptr;
  return w ? w->params.endFrame : 0;
}

// Smallest and largest squared distance from p to the Geo's vertices: its
// base vertices through the transform slot that places it at the frame, else
// its current vertices.
bool vertexDistances(const GObject* g, const float p[3], int32_t frame, float* nearest, float* farthest) {
  if (g->vertexCount < 1) return false;
  const int drive = GVGetGeoDriveMode(frame, g, GVSceneStateMode());
  const GVFloat3* v = drive != 0 ? g->baseVertices : g->vertices;
  if (!v) return false;
  float t[3] = {0, 0, 0}, m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1}, s[3] = {1, 1, 1};
  if (drive != 0) GVGetGeoTransform(g, drive, t, m, s, nullptr);
  float lo = 9e30f, hi = 0.0f;
  for (int32_t i = 1; i <= g->vertexCount; ++i) {
    float q[3] = {v[i][0], v[i][1], v[i][2]};
    if (drive != 0) {
      const float a[3] = {q[0] * s[0], q[1] * s[1], q[2] * s[2]};
      // The slot's matrix holds the image of x first.
      for (int k = 0; k < 3; ++k) q[k] = m[k] * a[0] + m[3 + k] * a[1] + m[6 + k] * a[2] + t[k];
    }
    const float dx = q[0] - p[0], dy = q[1] - p[1], dz = q[2] - p[2];
    const float d2 = dx * dx + dy * dy + dz * dz;
    lo = std::min(lo, d2);
    hi = std::max(hi, d2);
  }
  *nearest = lo;
  *farthest = hi;
  return true;
}

}  // namespace

void GVReleaseViewBrush(HWND window) {
  if (!gViewBrush) return;
  if (window) SetClassLongA(window, GCL_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(QwPens.brushBackground));
  DeleteObject(gViewBrush);
  gViewBrush = nullptr;
}

void GVCreateOgreLightFromGVLight(int32_t i) {
  Ogre::SceneManager* sm = sceneMgr();
  if (!sm) return;
  const int32_t wanted = GVOgreShadowsNeeded();
  if (i == kBackgroundLight) {
    setBackgroundColour();
    return;
  }
  if (i == kAmbientLight) {
    setAmbientLight();
    return;
  }
  LightRec* r = GVGetLight(i, GVScene().lights);
  if (!r) return;
  if (sm->hasLight(lightName(i))) {
    char text[200];
    std::snprintf(text, sizeof text, "GVCreateOgreLightFromGVLight: Light %d already exists!!..aborting light creation!",
                  static_cast<int>(i));
    GVViewMessage(text);
    return;
  }
  Ogre::Light* l = sm->createLight(lightName(i));
  applyType(l, r);
  l->setVisible(r->kind != 0);
  applyPosition(l, r);
  applyDirection(l, r);
  l->setCastShadows(castsShadows(r, wanted));
  if (r->colour2) l->setDiffuseColour(colourOf(r->colour2));
  if (r->colour3) l->setSpecularColour(colourOf(r->colour3));
  if (r->kind == 3) {
    l->setSpotlightInnerAngle(Ogre::Radian(r->angle1 * kDegree));
    l->setSpotlightOuterAngle(Ogre::Radian(r->angle2 * kDegree));
  }
  applyShadowRange(l, i, r);
}

void GVUpdateOgreLight(int32_t mask, int32_t i) {
  if (!sceneMgr() || (mask & kLightNothing)) return;
  const int32_t wanted = GVOgreShadowsNeeded();
  if (mask & kLightBackground) {
    setBackgroundColour();
    setViewBrush();
    return;
  }
  if (mask & kLightAmbient) {
    setAmbientLight();
    return;
  }
  LightRec* r = GVGetLight(i, GVScene().lights);
  Ogre::Light* l = r ? engineLight(i) : nullptr;
  if (!l) return;
  l->setCastShadows(castsShadows(r, wanted));
  if (mask & kLightWhole) {
    applyType(l, r);
    applyPosition(l, r);
    applyDirection(l, r);
    if (r->kind == 3) {
      l->setSpotlightInnerAngle(Ogre::Radian(r->angle1 * kDegree));
      l->setSpotlightOuterAngle(Ogre::Radian(r->angle2 * kDegree));
      l->setSpotlightFalloff(kUpdateFalloff);
    }
    l->setVisible(r->kind != 0);
  } else if (mask & kLightDiffuse) {
    if (r->colour2) l->setDiffuseColour(colourOf(r->colour2));
  } else if (mask & kLightSpecular) {
    if (r->colour3) l->setSpecularColour(colourOf(r->colour3));
  } else if (mask & kLightSpotInner) {
    if (r->kind == 3) {
      l->setSpotlightInnerAngle(Ogre::Radian(r->angle1 * kDegree));
      l->setSpotlightFalloff(kUpdateFalloff);
    }
  } else if (mask & kLightSpotOuter) {
    if (r->kind == 3) {
      l->setSpotlightOuterAngle(Ogre::Radian(r->angle2 * kDegree));
      l->setSpotlightFalloff(kUpdateFalloff);
    }
  }
  if (mask & kLightPosition) applyPosition(l, r);
  if (mask & kLightDirection) applyDirection(l, r);
  applyShadowRange(l, i, r);
}

void GVResetOgreLighting() {
  Ogre::SceneManager* sm = sceneMgr();
  if (!sm) return;
  if (DisplaySettings* d = GVScene().display) GVResetDisplaySettings(d);
  if (LightList* list = GVScene().lights) GVResetLightList(list);
  GVRecreateOgreLightsForScene();
}

void GVRecreateOgreLightsForScene() {
  Ogre::SceneManager* sm = sceneMgr();
  if (!sm) return;
  sm->destroyAllLights();
  GVCreateOgreLightFromGVLight(kBackgroundLight);
  GVOgreShadowsNeeded();
  setAmbientLight();
  if (const LightList* list = GVScene().lights)
    for (int32_t i = 0; i < list->count; ++i) GVCreateOgreLightFromGVLight(i);
}

void GVResetOgreLights(int32_t i) {
  if (!sceneMgr() || !GVScene().lights) return;
  GVDeleteLight(GVScene().lights, i);
  GVRebuildOgreLights();
}

void GVRebuildOgreLights() {
  if (!sceneMgr() || !GVScene().lights) return;
  sceneMgr()->destroyAllLights();
  createAllLights();
}

void GVRenderFrameWithWideLight(int32_t i) {
  LightRec* r = sceneMgr() ? GVGetLight(i, GVScene().lights) : nullptr;
  Ogre::Light* l = r ? engineLight(i) : nullptr;
  if (!l) return;
  l->setShadowNearClipDistance(10000.0f);
  l->setShadowFarClipDistance(10000.0f);
  GVRenderOgreFrame();
  l->setShadowNearClipDistance(r->param1);
  l->setShadowFarClipDistance(r->param2);
}

void GVSetupOgreShadowTextures(int32_t type) {
  Ogre::TextureManager& tm = Ogre::TextureManager::getSingleton();
  Ogre::PixelFormat format = Ogre::PF_UNKNOWN;
  for (Ogre::PixelFormat f : {Ogre::PF_FLOAT16_R, Ogre::PF_FLOAT32_R, Ogre::PF_X8R8G8B8})
    if (format == Ogre::PF_UNKNOWN && tm.isFormatSupported(Ogre::TEX_TYPE_2D, f, Ogre::TU_RENDERTARGET)) format = f;
  Ogre::SceneManager* sm = sceneMgr();
  if (!sm) return;
  if (type == kOgreTextureShadows) {
    if (format != Ogre::PF_UNKNOWN) sm->setShadowTexturePixelFormat(format);
    sm->setShadowTextureSelfShadow(false);
    sm->setShadowCasterRenderBackFaces(false);
    sm->setShadowDirLightTextureOffset(0.6f);
    GVUpdateOgreShadowSettings(kShadowTextureSize);
    GVUpdateOgreShadowSettings(kShadowFarDistance);
    GVUpdateOgreShadowSettings(kShadowExtrusion);
    try {
      sm->setShadowTechnique(Ogre::SHADOWTYPE_TEXTURE_ADDITIVE_INTEGRATED);
    } catch (const Ogre::Exception& e) {
      // The engine's shadow programs are missing: the scene goes on unshadowed.
      Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
      sm->setShadowTechnique(Ogre::SHADOWTYPE_NONE);
    }
  } else {
    sm->setShadowTechnique(Ogre::SHADOWTYPE_NONE);
  }
  if (const LightList* list = GVScene().lights)
    for (int32_t i = 0; i < list->count; ++i) GVUpdateOgreLight(0x200, i);
}

void GVUpdateOgreShadowSettings(int32_t mask) {
  Ogre::SceneManager* sm = sceneMgr();
  DisplaySettings* d = GVScene().display;
  if (!sm || !d) return;
  if (d->shadowCounts[2] < 512) d->shadowCounts[2] = 512;
  if (!(d->shadowValues[0] >= 0.001f)) d->shadowValues[0] = 100.0f;
  if (mask & kShadowTextureSize) sm->setShadowTextureSize(static_cast<uint16_t>(d->shadowCounts[2]));
  if (mask & kShadowFarDistance) sm->setShadowFarDistance(d->shadowValues[0]);
  if (mask & kShadowExtrusion) sm->setShadowDirectionalLightExtrusionDistance(d->shadowValues[1]);
  if (mask & kShadowFarDistance) {
    const int32_t lit = GVFirstLitLight(GVScene().lights);
    if (Ogre::Light* l = lit >= 0 ? engineLight(lit) : nullptr) l->setShadowFarDistance(d->shadowValues[0]);
  }
}

int32_t GVOgreShadowsNeeded() {
  if (!gOgreData) return 0;
  bool casts = false, receives = false;
  GVForEachSceneGeo([&](ObjHandle* h) {
    if (const GObject* g = geoOf(h)) {
      casts = casts || (shadowBits(g) & 1u);
      receives = receives || (shadowBits(g) & 2u);
    }
  });
  if (!casts || !receives) return 0;
  gOgreData->mShadowsInUse = 1;
  return 1;
}

void GVSetOgreLightsCastShadows() {
  if (!sceneMgr()) return;
  const int32_t wanted = GVOgreShadowsNeeded();
  const LightList* list = GVScene().lights;
  for (int32_t i = 0; list && i < list->count; ++i)
    if (Ogre::Light* l = engineLight(i)) l->setCastShadows(castsShadows(GVGetLight(i, GVScene().lights), wanted));
}

void GVComputeOgreShadowExtents(int32_t i, int32_t flags) {
  LightRec* r = GVGetLight(i, GVScene().lights);
  if (!r || !(flags & (kShadowExtentNear | kShadowExtentFar))) return;
  const int32_t frame = endFrame();
  float nearest = 9e10f, farthest = 1e-10f;
  bool any = false;
  GVForEachSceneGeo([&](ObjHandle* h) {
    const GObject* g = geoOf(h);
    float lo = 0.0f, hi = 0.0f;
    if (!g || !(shadowBits(g) & 3u) || !vertexDistances(g, r->position, frame, &lo, &hi)) return;
    any = true;
    nearest = std::min(nearest, lo);
    farthest = std::max(farthest, hi);
  });
  if (!any) {
    r->param1 = r->param2 = 0.0f;
    return;
  }
  if (flags & kShadowExtentNear) r->param1 = 0.8f * std::sqrt(nearest);
  if (flags & kShadowExtentFar) r->param2 = 1.2f * std::sqrt(farthest);
}

void GVSetOgreGeoCastShadows(int32_t id) {
  if (!sceneMgr() || id < 1 || !GVSceneGeoList()) return;
  const GObject* g = geoOf(GVFindGeo(GVSceneGeoList(), id));
  if (Ogre::Entity* e = GVGeoEntity(g)) e->setCastShadows((shadowBits(g) & 1u) != 0);
}

void GVSetOgreGeoSubEntityMaterial(int32_t id) {
  if (!sceneMgr() || id < 1 || !GVSceneGeoList()) return;
  const GObject* g = geoOf(GVFindGeo(GVSceneGeoList(), id));
  Ogre::Entity* e = GVGeoEntity(g);
  if (!e) return;
  const GeoOgreNames names(g);
  Ogre::SubEntity* sub = GVFindSubEntity(e, names.solid);
  if (!sub) return;
  const bool script = g->materialType == 2 && g->matFile && g->matFile[0] && g->matName2 && g->matName2[0];
  const Ogre::String& autoGroup = Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME;
  Ogre::MaterialPtr mat =
      script ? Ogre::MaterialManager::getSingleton().getByName(g->matName2, autoGroup) : sub->getMaterial();
  if (!mat) return;
  mat->setReceiveShadows((shadowBits(g) & 2u) != 0);
  sub->setMaterial(mat);
  // The property material is the Geo's own "%sGMAT"; without it the
  // sub-entity keeps what it has.
  const std::string name = script ? std::string(g->matName2) : names.material;
  if (Ogre::MaterialManager::getSingleton().resourceExists(name, Ogre::RGN_DEFAULT) || script)
    sub->setMaterialName(name, autoGroup);
}

int32_t GVGeoNeedsTangents(GObject* g) {
  if (!g || g->materialType != 2 || !g->matFile || !g->matFile[0]) return 0;
  for (const char* name : {"BumpMap0.material", "BumpMap1.material", "Shadow0.material", "gvEffects.material",
                           "gvShadow.material"})
    if (std::strcmp(g->matFile, name) == 0) return 1;
  return 0;
}

void GVUpdateGeoTangents(GObject* g) {
  if (gOgreData && g && GVGeoNeedsTangents(g)) GVCalcGeoTangents(g);
}

int32_t GVCalcGeoTangents(GObject* g) {
  const UVSet* uv = g && g->uvSets && g->uvSets->count > 0 ? GVGetUVSet(g->uvSets, 0) : nullptr;
  if (!uv || !uv->uvPairs || g->vertexCount < 1 || !g->vertices) return 0;
  const int32_t tris = g->triangles ? g->triangleCount : 0;
  const int32_t quads = g->quads ? g->quadCount : 0;
  if (tris + quads < 1) return 0;
  // One vector per triangle, then two per quad (a, b, c) and (a, c, d).
  const int32_t faces = tris + 2 * quads;
  GVFreeGeoArray(g->triangleVectors);
  g->triangleVectors = GVNewGeoArray<GVFloat3>(faces + 1);
  if (!g->renderNormals) g->renderNormals = GVNewGeoArray<GVFloat3>(g->vertexCount + 1);
  if (!g->triangleVectors || !g->renderNormals) return 0;
  GVFloat3* out = g->renderNormals;
  for (int32_t i = 0; i <= g->vertexCount; ++i) out[i][0] = out[i][1] = out[i][2] = 0.0f;
  auto usable = [&](int32_t v) { return v >= 1 && v <= g->vertexCount && v <= uv->uvCount; };
  int32_t slot = 0;
  auto face = [&](int32_t a, int32_t b, int32_t c) {
    float* t = g->triangleVectors[++slot];
    t[0] = t[1] = t[2] = 0.0f;
    if (!usable(a) || !usable(b) || !usable(c)) return;
    const GVFloat3* p = g->vertices;
    const Ogre::Vector3 tan = Ogre::Math::calculateTangentSpaceVector(
        Ogre::Vector3(p[a][0], p[a][1], p[a][2]), Ogre::Vector3(p[b][0], p[b][1], p[b][2]),
        Ogre::Vector3(p[c][0], p[c][1], p[c][2]), uv->uvPairs[a][0], uv->uvPairs[a][1], uv->uvPairs[b][0],
        uv->uvPairs[b][1], uv->uvPairs[c][0], uv->uvPairs[c][1]);
    if (!std::isfinite(tan.x) || !std::isfinite(tan.y) || !std::isfinite(tan.z)) return;
    t[0] = tan.x;
    t[1] = tan.y;
    t[2] = tan.z;
    for (int32_t v : {a, b, c})
      for (int k = 0; k < 3; ++k) out[v][k] += t[k];
  };
  for (int32_t t = 1; t <= tris; ++t) face(g->triangles[t][0], g->triangles[t][1], g->triangles[t][2]);
  for (int32_t q = 1; q <= quads; ++q) {
    const int32_t* c = g->quads[q];
    face(c[0], c[1], c[2]);
    face(c[0], c[2], c[3]);
  }
  for (int32_t i = 1; i <= g->vertexCount; ++i) {
    const float len = std::sqrt(out[i][0] * out[i][0] + out[i][1] * out[i][1] + out[i][2] * out[i][2]);
    if (len > 0.0f)
      for (int k = 0; k < 3; ++k) out[i][k] /= len;
  }
  return 1;
}
