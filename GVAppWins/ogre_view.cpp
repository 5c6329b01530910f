#include "GVAppWins/ogre_view.h"
#include "GVAppWins/vehicle_explode.h"

#include <OGRE/Ogre.h>
#include <OGRE/OgreRectangle2D.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/ogre_lights.h"
#include "GVAppWins/ogre_listeners.h"
#include "GVAppWins/ogre_rtt.h"
#include "GVAppWins/view_window.h"
#include "platform/screen_image.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/work_folders.h"

OgreData* gOgreData = nullptr;

static const char* const kRenderSystem = "OpenGL Rendering Subsystem";
static const char* const kViewTextureName = "GVViewTexture";
// The engine divides by the tangent of half the field of view.
static constexpr float kMinOgreFov = 1.0e-3f;

OgreData* GVInitOgreData(OgreData* data) {
  if (data) *data = OgreData();
  return data;
}

// Writes the engine's own description to its log and shows the one message.
static void reportStartFailure(const std::string& what, const std::string& detail) {
  if (Ogre::LogManager* log = Ogre::LogManager::getSingletonPtr())
    log->logMessage("Gelvane Demo: " + what + ": " + detail, Ogre::LML_CRITICAL);
  char text[512];
  std::snprintf(text, sizeof text, "Gv error: %s (%s)", what.c_str(), detail.c_str());
  GVViewMessage(text);
}

static void startEngine(OgreData* d, HWND window, int width, int height) {
  d->mLogManager = new Ogre::LogManager();
  d->mLogManager->createLog("Ogre.log", true, false, false);
  d->mRoot = new Ogre::Root("plugins.cfg", "ogre.cfg", "Ogre.log");
  d->mRoot->restoreConfig();

  Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
  for (const char* folder : {"media", "media/materials/programs", "media/materials/scripts",
                             "media/materials/textures", "media/fonts"})
    groups.addResourceLocation(folder, "FileSystem", "General", false);
  // The engine's own shadow programs, which texture shadows load; an engine
  // installed without them still starts, without texture shadows.
  if (access(GV_OGRE_SHADOW_MEDIA, R_OK) == 0)
    groups.addResourceLocation(GV_OGRE_SHADOW_MEDIA, "FileSystem", "General", false);

  Ogre::RenderSystem* rs = d->mRoot->getRenderSystemByName(kRenderSystem);
  if (!rs) OGRE_EXCEPT(Ogre::Exception::ERR_ITEM_NOT_FOUND, "no " + std::string(kRenderSystem), "GVInitOgre");
  d->mRoot->setRenderSystem(rs);
  rs->setConfigOption("Full Screen", "No");
  char mode[64];
  std::snprintf(mode, sizeof mode, "%d x %d", width, height);
  rs->setConfigOption("Video Mode", mode);
  d->mRoot->initialise(false, "Gelvane Demo", Ogre::BLANKSTRING);

  Ogre::NameValuePairList params;
  params["hidden"] = "true";
  d->mWindow = d->mRoot->createRenderWindow("RenderWin", 1, 1, false, &params);
  d->mWindow->setAutoUpdated(false);
  d->mViewWindow = window;

  d->mSceneMgr = d->mRoot->createSceneManager("DefaultSceneManager", "mSceneMgr");
  d->mSceneMgr->setAmbientLight(Ogre::ColourValue(0.95f, 0.95f, 0.95f, 1.0f));
  groups.initialiseAllResourceGroups();

  if (!GVResizeOgreView(width, height)) GVResizeOgreView(1, 1);
  if (gOgreData) GVCreateOgreCamera();
  GVSetDirRoot();
}

int GVInitOgre(HWND window, int width, int height) {
  OgreData* d = gOgreData;
  if (!d) return 0;
  std::string failure;
  if (!GVGLAvailable()) {
    reportStartFailure("can't start Ogre", "no X display for OpenGL");
  } else {
    try {
      startEngine(d, window, width, height);
      return 1;
    } catch (const Ogre::Exception& e) {
      reportStartFailure("can't start Ogre", e.getDescription());
    } catch (const std::exception& e) {
      reportStartFailure("can't start Ogre", e.what());
    }
  }
  GVShutdownOgre(d);
  delete d;
  gOgreData = nullptr;
  return 0;
}

void GVCreateOgreCamera() {
  OgreData* d = gOgreData;
  if (!d || !d->mSceneMgr || !d->mViewTarget) return;
  d->mCamera = d->mSceneMgr->createCamera("PlayerCam");
  GVView* view = GVMainView();
  if (view && view->camera && *view->camera && view->viewport) {
    const bool usable = gViewClip.nearClip >= 1.0f && gViewClip.farClip >= 5.0f;
    const float nearClip = usable ? gViewClip.nearClip : 1.0f;
    const float farClip = usable ? gViewClip.farClip : 20.0f;
    GVViewportFromWindow(view->viewport, view->window);
    GVApplyCameraToOgre(view->camera, d->mCamera, view->viewport->width, view->viewport->height, nearClip,
                        farClip);
  } else {
    d->mCamera->setPosition(0.0f, 5.0f, 50.0f);
    d->mCamera->lookAt(0.0f, 8.0f, 0.0f);
    d->mCamera->setNearClipDistance(5.0f);
    d->mCamera->setFarClipDistance(1000.0f);
  }
  d->mViewport = d->mViewTarget->addViewport(d->mCamera, 0, 0.0f, 0.0f, 1.0f, 1.0f);
  d->mViewport->setOverlaysEnabled(false);
  GVResetOgreLighting();
  GVCreateOgreWalls();
  d->mGLListener = new OpenGLListener();
  d->mSceneMgr->addRenderQueueListener(d->mGLListener);
}

static void releaseViewTexture(OgreData* d) {
  if (d->mViewTarget) d->mViewTarget->removeAllViewports();
  if (d->mViewTexture) Ogre::TextureManager::getSingleton().remove(d->mViewTexture->getHandle());
  d->mViewTexture = nullptr;
  d->mViewTarget = nullptr;
  if (d->mReadBackBitmap) DeleteObject(d->mReadBackBitmap);
  d->mReadBackBitmap = nullptr;
  d->mReadBackBits = nullptr;
  d->mViewWidth = d->mViewHeight = 0;
}

int GVResizeOgreView(int width, int height) {
  OgreData* d = gOgreData;
  if (!d || !d->mRoot || width <= 0 || height <= 0) return 0;
  if (d->mViewTexture && width == d->mViewWidth && height == d->mViewHeight) return 1;
  try {
    // The viewport moves to the new target with its settings.
    Ogre::ColourValue background = d->mViewport ? d->mViewport->getBackgroundColour() : Ogre::ColourValue();
    releaseViewTexture(d);
    d->mViewport = nullptr;
    Ogre::TexturePtr texture = Ogre::TextureManager::getSingleton().createManual(
        kViewTextureName, Ogre::ResourceGroupManager::INTERNAL_RESOURCE_GROUP_NAME, Ogre::TEX_TYPE_2D,
        static_cast<Ogre::uint>(width), static_cast<Ogre::uint>(height), 0, Ogre::PF_X8R8G8B8,
        Ogre::TU_RENDERTARGET);
    d->mViewTexture = texture.get();
    d->mViewTarget = texture->getBuffer()->getRenderTarget();
    d->mViewTarget->setAutoUpdated(true);
    d->mViewWidth = width;
    d->mViewHeight = height;
    if (d->mCamera) {
      d->mViewport = d->mViewTarget->addViewport(d->mCamera, 0, 0.0f, 0.0f, 1.0f, 1.0f);
      d->mViewport->setOverlaysEnabled(false);
      d->mViewport->setBackgroundColour(background);
    }
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
    releaseViewTexture(d);
    d->mViewport = nullptr;
    return 0;
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  d->mReadBackBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &d->mReadBackBits, nullptr, 0);
  if (!d->mReadBackBitmap) d->mReadBackBits = nullptr;
  return 1;
}

void GVOgreWindowResized(int width, int height) {
  OgreData* d = gOgreData;
  if (!d) return;
  GVResizeOgreView(width, height);
  if (d->mCamera && d->mViewTarget && height != 0)
    d->mCamera->setAspectRatio(static_cast<float>(d->mViewWidth) / static_cast<float>(d->mViewHeight));
  if (d->mCamera) d->mCamera->yaw(Ogre::Radian(0.0f));
  GVRenderOgreFrame();
}

// The engine fills the unused byte; window pixels keep it clear.
static void clearUnusedBytes(uint32_t* row, int count) {
  for (int x = 0; x < count; ++x) row[x] &= 0x00ffffffu;
}

// The view texture into the view window, top row first. When the window's
// client area holds the whole texture, the engine writes straight into the
// window's own pixels; otherwise through the read-back image and a blit,
// which clips it to the client area.
static void readBackIntoWindow(OgreData* d) {
  if (!d->mViewTarget || !d->mReadBackBits || !d->mViewWindow) return;
  const int w = d->mViewWidth, h = d->mViewHeight;
  const Ogre::Box whole(0, 0, static_cast<uint32_t>(w), static_cast<uint32_t>(h));
  GVSurface* surface = GVWindowSurface(d->mViewWindow);
  RECT client;
  if (surface && GVWindowClientInSurface(d->mViewWindow, &client) && client.left >= 0 && client.top >= 0 &&
      client.right - client.left >= w && client.bottom - client.top >= h && client.left + w <= surface->width &&
      client.top + h <= surface->height) {
    uint32_t* first = surface->row(client.top) + client.left;
    Ogre::PixelBox box(static_cast<uint32_t>(w), static_cast<uint32_t>(h), 1, Ogre::PF_X8R8G8B8, first);
    box.rowPitch = static_cast<uint32_t>(surface->width);
    box.slicePitch = box.rowPitch * static_cast<uint32_t>(h);
    d->mViewTarget->copyContentsToMemory(whole, box);
    for (int y = 0; y < h; ++y) clearUnusedBytes(surface->row(client.top + y) + client.left, w);
    surface->addDamage(RECT{client.left, client.top, client.left + w, client.top + h});
    return;
  }
  uint32_t* pixels = static_cast<uint32_t*>(d->mReadBackBits);
  d->mViewTarget->copyContentsToMemory(whole, Ogre::PixelBox(static_cast<uint32_t>(w), static_cast<uint32_t>(h), 1,
                                                             Ogre::PF_X8R8G8B8, pixels));
  for (int y = 0; y < h; ++y) clearUnusedBytes(pixels + static_cast<size_t>(y) * static_cast<size_t>(w), w);
  HDC dc = GetDC(d->mViewWindow);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, d->mReadBackBitmap);
  BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(d->mViewWindow, dc);
}

static bool frameReady(const OgreData* d) { return d && d->mRoot && d->mViewport && d->mWindow; }

void GVRenderOgreTargets() {
  OgreData* d = gOgreData;
  if (!frameReady(d)) return;
  try {
    d->mRoot->renderOneFrame();
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
  }
}

void GVReadBackOgreView() {
  OgreData* d = gOgreData;
  if (!frameReady(d)) return;
  try {
    readBackIntoWindow(d);
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
  }
}

void GVRenderOgreFrame() {
  OgreData* d = gOgreData;
  if (!frameReady(d)) return;
  try {
    d->mRoot->renderOneFrame();
    readBackIntoWindow(d);
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
  }
}

void GVShutdownOgre(OgreData* d) {
  if (!d) return;
  GVForgetOgreJelMirrors(d);
  GVRemoveOgreRtt(d);
  if (GVScene().options) GVSceneOptsClear(GVScene().options);
  delete d->mVehicleExplode;
  d->mVehicleExplode = nullptr;
  GVReleaseViewBrush(d->mViewWindow);
  if (d->mRoot) {
    if (d->mBackground) delete d->mBackground;
    d->mBackground = nullptr;
    if (d->mBackgroundNode && d->mSceneMgr) d->mSceneMgr->destroySceneNode(d->mBackgroundNode);
    d->mBackgroundNode = nullptr;
    Ogre::MaterialManager& materials = Ogre::MaterialManager::getSingleton();
    if (materials.resourceExists(d->mBgMaterialName, Ogre::RGN_DEFAULT))
      materials.remove(d->mBgMaterialName, Ogre::RGN_DEFAULT);

    releaseViewTexture(d);
    d->mViewport = nullptr;
    if (d->mWindow) {
      d->mWindow->removeAllViewports();
      d->mRoot->getRenderSystem()->destroyRenderWindow(d->mWindow->getName());
      d->mWindow = nullptr;
    }
    if (d->mSceneMgr) {
      d->mSceneMgr->setShadowTechnique(Ogre::SHADOWTYPE_NONE);
      if (materials.resourceExists(d->mSkyMaterialName, Ogre::RGN_DEFAULT))
        materials.remove(d->mSkyMaterialName, Ogre::RGN_DEFAULT);
      if (d->mGLListener) {
        d->mSceneMgr->removeRenderQueueListener(d->mGLListener);
        delete d->mGLListener;
        d->mGLListener = nullptr;
      }
      d->mSceneMgr->destroyAllManualObjects();
      d->mSceneMgr->destroyAllLights();
      d->mSceneMgr->destroyAllEntities();
      d->mSceneMgr->destroyAllCameras();
      d->mSceneMgr->clearScene();
      d->mRoot->destroySceneManager(d->mSceneMgr);
      d->mSceneMgr = nullptr;
    }
    d->mCamera = nullptr;
    d->mRttCamera = nullptr;
    d->mWalls = nullptr;
    d->mRoot->shutdown();
    delete d->mRoot;
    d->mRoot = nullptr;
  }
  delete d->mRttListener;
  d->mRttListener = nullptr;
  GVForgetOverlayPass();
  delete d->mLogManager;
  d->mLogManager = nullptr;
}

void GVApplyCameraToOgre(CameraRec** cell, Ogre::Camera* camera, int width, int height, float nearClip,
                         float farClip) {
  if (!camera || !cell || !*cell) return;
  const CameraRec* c = *cell;
  camera->setFOVy(Ogre::Radian(std::max(c->fov, kMinOgreFov)));
  // An empty client area has no aspect: the camera keeps the one it has.
  if (width > 0 && height > 0) camera->setAspectRatio(static_cast<float>(width) / static_cast<float>(height));
  camera->setNearClipDistance(nearClip);
  camera->setFarClipDistance(farClip);
  camera->setPosition(c->eye[0], c->eye[1], c->eye[2]);
  camera->lookAt(c->target[0], c->target[1], c->target[2]);
  Ogre::Matrix3 rows(c->rot[0], c->rot[1], c->rot[2], c->rot[3], c->rot[4], c->rot[5], c->rot[6], c->rot[7],
                     c->rot[8]);
  camera->setOrientation(Ogre::Quaternion(rows.Transpose()));
  camera->roll(Ogre::Radian(0.0f));
}
