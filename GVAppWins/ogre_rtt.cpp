#include "GVAppWins/ogre_rtt.h"

#include <OGRE/Ogre.h>

#include <new>
#include <string>

#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_listeners.h"
#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "geo/geo_materials.h"
#include "geo/uv_sets.h"
#include "scene/display_settings.h"
#include "geo/geo_list_services.h"
#include "records/obj_handle.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"

namespace {

const char* const kRttTexture = "RttTex";
const char* const kRttCamera = "RTTCam";
constexpr float kRttNear = 1.0f;
constexpr float kRttFar = 100.0f;

GObject* geoOf(ObjHandle* h) { return h ? static_cast<GObject*>(h->object) : nullptr; }

const Ogre::String& defaultGroup() { return Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME; }

bool isRttMode(int32_t mode) {
  return mode == GV_DISPLAY_RTT_OPAQUE || mode == GV_DISPLAY_RTT_TRANSPARENT || mode == GV_DISPLAY_RTT_ALPHA_MASK;
}

// The first render-to-texture layer of the Geo list: its mode and Geo id.
bool findRttLayer(int32_t* mode, int32_t* geoId) {
  bool found = false;
  GVForEachSceneGeo([&](ObjHandle* h) {
    const GObject* g = geoOf(h);
    if (found || !g || g->materialType == 2) return;
    for (int32_t i = 0; i < GVGeoMaterialCount(g) && !found; ++i) {
      const GeoMaterial* m = GVGeoMaterialAt(g, i);
      const UVSet* uv = GVGeoMaterialUV(g, m);
      if (m && uv && uv->setWord == 0 && isRttMode(m->mode)) {
        *mode = m->mode;
        *geoId = g->id;
        found = true;
      }
    }
  });
  return found;
}

// Takes the texture's target out of service and the texture out of the manager.
void releaseRttTexture(OgreData* d) {
  Ogre::TexturePtr tex = GVGetRttTexture();
  if (!tex) return;
  Ogre::RenderTarget* target = GVGetRttTarget();
  if (target) {
    if (d->mRttListener) target->removeListener(d->mRttListener);
    target->removeAllViewports();
    target->setAutoUpdated(false);
    target->setActive(false);
  }
  delete d->mRttListener;
  d->mRttListener = nullptr;
  Ogre::TextureManager::getSingleton().remove(tex);
}

Ogre::TexturePtr createManualTexture(const char* name, int width, int height, bool alpha) {
  return Ogre::TextureManager::getSingleton().createManual(
      name, defaultGroup(), Ogre::TEX_TYPE_2D, static_cast<Ogre::uint>(width), static_cast<Ogre::uint>(height), 0,
      alpha ? Ogre::PF_A8R8G8B8 : Ogre::PF_R8G8B8, Ogre::TU_RENDERTARGET, nullptr, false, 0, Ogre::BLANKSTRING);
}

void logEngineError(const Ogre::Exception& e) {
  Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
}

}  // namespace

Ogre::TexturePtr GVGetRttTexture() {
  // A root whose render system never started has no texture manager.
  if (!gOgreData || !gOgreData->mRoot || !Ogre::TextureManager::getSingletonPtr()) return Ogre::TexturePtr();
  return Ogre::TextureManager::getSingleton().getByName(kRttTexture, defaultGroup());
}

Ogre::RenderTarget* GVGetRttTarget() {
  Ogre::TexturePtr tex = GVGetRttTexture();
  if (!tex) return nullptr;
  Ogre::HardwarePixelBufferSharedPtr buffer = tex->getBuffer(0, 0);
  return buffer ? buffer->getRenderTarget(0) : nullptr;
}

void GVRemoveOgreRtt(OgreData* d) {
  if (!d || !d->mRoot) return;
  try {
    releaseRttTexture(d);
    if (d->mRttCamera && d->mSceneMgr) d->mSceneMgr->destroyCamera(d->mRttCamera);
  } catch (const Ogre::Exception& e) {
    logEngineError(e);
  }
  d->mRttCamera = nullptr;
}

Ogre::RenderTarget* GVCreateRttTexture(SceneOpts* o, OgreData* d, GVView* view, int32_t alpha, int32_t flags) {
  if (!o || !d || !d->mRoot) return nullptr;
  int width = o->fields[kRttWidth] != 0 ? o->fields[kRttWidth] : 800;
  int height = o->fields[kRttHeight] != 0 ? o->fields[kRttHeight] : 600;
  if ((flags & kRttFromView) && view && view->viewport) {
    width = view->viewport->width;
    height = view->viewport->height;
  }
  if (width < 1 || height < 1) return nullptr;
  releaseRttTexture(d);
  Ogre::TexturePtr tex = createManualTexture(kRttTexture, width, height, alpha != 0);
  Ogre::RenderTarget* target = tex ? tex->getBuffer(0, 0)->getRenderTarget(0) : nullptr;
  if (!target) return nullptr;
  target->setAutoUpdated(true);
  o->fields[kRttWidth] = width;
  o->fields[kRttHeight] = height;
  o->fields[kRttAlpha] = alpha;
  if (!d->mRttListener) {
    d->mRttListener = new RTTListener(view);
    target->addListener(d->mRttListener);
  }
  return target;
}

Ogre::Camera* GVCreateRttCamera(OgreData* d, GVView* view, SceneOpts* o, int32_t flags) {
  if (!d || !d->mSceneMgr || !view || !o) return nullptr;
  if (d->mSceneMgr->hasCamera(kRttCamera)) d->mSceneMgr->destroyCamera(kRttCamera);
  d->mRttCamera = d->mSceneMgr->createCamera(kRttCamera);
  if (!d->mRttCamera) return nullptr;
  CameraRec** source = view->camera;
  int width = view->viewport ? view->viewport->width : 0;
  int height = view->viewport ? view->viewport->height : 0;
  const bool stored = (flags & kRttRebuild) && o->camera && *o->camera && !(flags & kRttFromView);
  if (stored) {
    source = o->camera;
    width = o->fields[kRttWidth];
    height = o->fields[kRttHeight];
  }
  GVApplyCameraToOgre(source, d->mRttCamera, width, height, kRttNear, kRttFar);
  if (!stored && view->camera && *view->camera) {
    if (!o->camera) {
      o->camera = new (std::nothrow) CameraRec*(nullptr);
      if (o->camera) GVNewCamera(o->camera);
    }
    if (o->camera && *o->camera) GVCopyCamera(*view->camera, *o->camera);
  }
  return d->mRttCamera;
}

Ogre::Viewport* GVSetupRttViewport(Ogre::Camera* camera, Ogre::RenderTarget* target, GVView* view,
                                   const DisplaySettings* colour, SceneOpts* o, int32_t alpha, int32_t flags) {
  if (!camera || !target || !o) return nullptr;
  if (view) view->flags |= kViewOverlayOff;
  target->removeAllViewports();
  Ogre::Viewport* vp = target->addViewport(camera, 0, 0.0f, 0.0f, 1.0f, 1.0f);
  if (!vp) {
    if (view) view->flags &= ~kViewOverlayOff;
    return nullptr;
  }
  const bool saved = (flags & (kRttRebuild | kRttAssignment)) && o->colour;
  Ogre::ColourValue c(0.5f, 0.5f, 0.5f);
  if (saved)
    c = Ogre::ColourValue(o->colour->r, o->colour->g, o->colour->b);
  else if (colour)
    c = Ogre::ColourValue(colour->background.r, colour->background.g, colour->background.b);
  c.a = alpha ? 0.0f : 1.0f;
  vp->setBackgroundColour(c);
  vp->setAutoUpdated(true);
  vp->setClearEveryFrame(true, Ogre::FBT_COLOUR | Ogre::FBT_DEPTH);
  vp->setOverlaysEnabled(false);
  vp->update();
  target->setActive(true);
  target->_updateViewport(vp, true);
  if (!saved) {
    if (!o->colour) o->colour = new (std::nothrow) GColour{1, 0, 0, 0, 1};
    if (o->colour) {
      o->colour->r = c.r;
      o->colour->g = c.g;
      o->colour->b = c.b;
    }
  }
  if (view) view->flags &= ~kViewOverlayOff;
  return vp;
}

int32_t GVCreateOgreRtt(SceneOpts* o, GVView* view, const DisplaySettings* colour, int32_t alpha, int32_t flags) {
  if (!view || !gOgreData) return 0;
  try {
    Ogre::RenderTarget* target = GVCreateRttTexture(o, gOgreData, view, alpha, flags);
    Ogre::Camera* camera = target ? GVCreateRttCamera(gOgreData, view, o, flags) : nullptr;
    return camera && GVSetupRttViewport(camera, target, view, colour, o, alpha, flags) ? 1 : 0;
  } catch (const Ogre::Exception& e) {
    logEngineError(e);
    view->flags &= ~kViewOverlayOff;
    return 0;
  }
}

int32_t GVFindRttDisplayMode() {
  int32_t mode = 0, id = 0;
  return findRttLayer(&mode, &id) ? mode : 0;
}

int32_t GVFindRttDisplayGeo() {
  int32_t mode = 0, id = 0;
  return findRttLayer(&mode, &id) ? id : 0;
}

void GVRebuildOgreRtt() {
  SceneOpts* o = GVScene().options;
  const int32_t mode = gOgreData && o ? GVFindRttDisplayMode() : 0;
  if (mode == 0) return;
  GVCreateOgreRtt(o, GVMainView(), GVScene().display, mode == GV_DISPLAY_RTT_OPAQUE ? 0 : 1, kRttRebuild);
}

int32_t GVEnsureOgreRtt() {
  SceneOpts* o = GVScene().options;
  GVView* view = GVMainView();
  if (!gOgreData || !view || !GVScene().display || !o) return 0;
  const int32_t mode = GVFindRttDisplayMode();
  if (mode == 0) return 0;
  if (!GVIsOgreRttCreated())
    GVCreateOgreRtt(o, view, GVScene().display, mode == GV_DISPLAY_RTT_OPAQUE ? 0 : 1, kRttAssignment);
  return 1;
}

void GVCreateRttForGeo(GVView* view, int32_t alpha, int32_t flags) {
  if (!gOgreData || !view || !view->camera || !*view->camera) return;
  SceneOpts* o = GVScene().options;
  GVCreateOgreRtt(o, view, GVScene().display, alpha, flags);
  if (!o) return;
  if (const int32_t id = GVFindRttDisplayGeo()) {
    const int32_t mode = (*view->camera)->geoDisplayMode;
    GVSetOgreGeoMaterial(id, mode);
  }
}

void GVShowOgreGeosForRtt(int32_t show) {
  const SceneOpts* o = GVScene().options;
  if (!gOgreData || !GVMainView() || !o || o->fields[kRttSelection] == 0) return;
  const int32_t selection = o->fields[kRttSelection];
  const bool allVisible = o->fields[kRttMode] != 0;
  GVForEachSceneGeo([&](ObjHandle* h) {
    const GObject* g = geoOf(h);
    Ogre::Entity* e = GVGeoEntity(g);
    if (!e) return;
    const bool selected = GVGeoMatchesSel(selection, g) != 0;
    e->setVisible(allVisible || (show == 1 && selected) || (show == 0 && !selected));
  });
}

bool GVIsOgreRttCreated() { return gOgreData && gOgreData->mRttCamera; }

int32_t GVRttDisabled(int32_t strict) {
  const SceneOpts* o = GVScene().options;
  if (!o || !o->camera || !*o->camera || o->fields[kRttSelection] == 0) return 1;
  if (!strict) return 0;
  return o->fields[kRttMode] == 1 ? 0 : 1;
}

void GVSyncOgreCamera() {
  SceneOpts* o = GVScene().options;
  GVView* view = GVMainView();
  if (!gOgreData || !gOgreData->mCamera || !o || !view || !view->camera || !*view->camera || !o->camera ||
      !*o->camera)
    return;
  int width = 0, height = 0;
  if (o->fields[kRttMode] == 0) {
    if (view->sceneCamera && *view->sceneCamera) GVCopyCamera(*view->sceneCamera, *view->camera);
    if (view->viewport) {
      width = view->viewport->width;
      height = view->viewport->height;
    }
  } else {
    GVCopyCamera(*o->camera, *view->camera);
    width = o->fields[kRttWidth];
    height = o->fields[kRttHeight];
  }
  GVApplyCameraToOgre(view->camera, gOgreData->mCamera, width, height, kRttNear, kRttFar);
}
