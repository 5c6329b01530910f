#include "GVAppWins/ogre_sky.h"

#include <OGRE/Ogre.h>
#include <OGRE/OgreRectangle2D.h>

#include <string>

#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/ogre_view.h"
#include "scene/display_settings.h"
#include "scene/scene_records.h"
#include "scene/work_folders.h"

namespace {

constexpr float kSkyCurvature = 10.0f;
const char* const kDefaultSky = "clouds.jpg";

const Ogre::String& defaultGroup() { return Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME; }

Ogre::Pass* firstPass(const Ogre::MaterialPtr& m) {
  if (!m || m->getNumTechniques() == 0) return nullptr;
  Ogre::Technique* t = m->getTechnique(0);
  return t->getNumPasses() > 0 ? t->getPass(0) : nullptr;
}

void removeMaterial(const char* name) {
  Ogre::MaterialManager& mm = Ogre::MaterialManager::getSingleton();
  if (mm.resourceExists(name, defaultGroup())) GVDisposeOgreMaterial(mm.getByName(name, defaultGroup()));
}

Ogre::MaterialPtr fetchOrCreate(const char* name) {
  Ogre::MaterialManager& mm = Ogre::MaterialManager::getSingleton();
  Ogre::MaterialPtr m = mm.getByName(name, defaultGroup());
  if (!m) m = mm.create(name, defaultGroup());
  return m;
}

void skiesOn(bool on) {
  if (gOgreData->mViewport) gOgreData->mViewport->setSkiesEnabled(on);
}

void skyDome(bool enable, const DisplaySettings* d) {
  const float tiling = d ? static_cast<float>(d->shadowCounts[0]) : 8.0f;
  const float distance = d ? d->shadowValues[4] : 200.0f;
  const int segments = d ? d->shadowCounts[1] : 16;
  gOgreData->mSceneMgr->setSkyDome(enable, gOgreData->mSkyMaterialName, kSkyCurvature, tiling, distance, true,
                                   Ogre::Quaternion::IDENTITY, segments, segments, -1, defaultGroup());
}

// Images the user saved lie in the application folder, which is none of the
// media folders: the folder is a location of the default group, indexed again
// when a name is not found there yet (a file saved since). The texture is
// loaded here, so that a file the engine cannot read is this image's fault
// alone and never stops the program's frames.
bool imageLoads(const std::string& name) {
  Ogre::ResourceGroupManager& groups = Ogre::ResourceGroupManager::getSingleton();
  Ogre::TextureManager& tm = Ogre::TextureManager::getSingleton();
  try {
    if (!groups.resourceExistsInAnyGroup(name)) {
      if (groups.resourceLocationExists(GVRootDir(), defaultGroup()))
        groups.removeResourceLocation(GVRootDir(), defaultGroup());
      groups.addResourceLocation(GVRootDir(), "FileSystem", defaultGroup(), false);
    }
    // A saved image is written again under the same name: read it afresh,
    // in place, so that materials showing it keep their texture.
    if (Ogre::TexturePtr tex = tm.getByName(name, Ogre::RGN_AUTODETECT))
      tex->reload();
    else
      tm.load(name, Ogre::RGN_AUTODETECT);
    return true;
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
    // Left in the manager, the texture would be tried again every frame.
    try {
      if (Ogre::TexturePtr tex = tm.getByName(name, Ogre::RGN_AUTODETECT)) tm.remove(tex);
    } catch (const Ogre::Exception&) {
    }
    return false;
  }
}

}  // namespace

void GVCreateOgreBackground(const char* imageName) {
  OgreData* d = gOgreData;
  if (!d || !d->mSceneMgr || !d->mBgMaterialName || !*d->mBgMaterialName) return;
  const bool fresh = d->mBackground == nullptr;
  if (!imageName) {
    removeMaterial(d->mBgMaterialName);
    delete d->mBackground;
    if (d->mBackgroundNode) d->mSceneMgr->destroySceneNode(d->mBackgroundNode);
    d->mBackground = nullptr;
    d->mBackgroundNode = nullptr;
    return;
  }
  Ogre::MaterialPtr m = fetchOrCreate(d->mBgMaterialName);
  // An image the engine cannot read leaves the scene's background colour.
  const bool loaded = imageLoads(imageName);
  if (Ogre::Pass* p = firstPass(m)) {
    p->removeAllTextureUnitStates();
    if (loaded) p->createTextureUnitState(imageName, 0);
    p->setDepthCheckEnabled(false);
    p->setDepthWriteEnabled(false);
    p->setLightingEnabled(false);
  }
  if (!d->mBackground) d->mBackground = new Ogre::Rectangle2D(true);
  d->mBackground->setCorners(-1.0f, 1.0f, 1.0f, -1.0f, true);
  d->mBackground->setMaterial(m);
  d->mBackground->setRenderQueueGroup(Ogre::RENDER_QUEUE_BACKGROUND);
  Ogre::AxisAlignedBox box;
  box.setInfinite();
  d->mBackground->setBoundingBox(box);
  if (!d->mBackgroundNode)
    d->mBackgroundNode = d->mSceneMgr->getRootSceneNode()->createChildSceneNode("Background", Ogre::Vector3::ZERO,
                                                                              Ogre::Quaternion::IDENTITY);
  if (fresh) d->mBackgroundNode->attachObject(d->mBackground);
  d->mBackground->setVisible(loaded);
}

void GVRemoveOgreSky() {
  if (!gOgreData || !gOgreData->mSceneMgr) return;
  const DisplaySettings* ds = GVScene().display;
  if (!ds) {
    skiesOn(false);
    return;
  }
  removeMaterial(gOgreData->mSkyMaterialName);
  try {
    skyDome(false, ds);
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
  }
  skiesOn(false);
}

void GVSetOgreSky() {
  if (!gOgreData || !gOgreData->mSceneMgr) return;
  const DisplaySettings* ds = GVScene().display;
  if (!ds) {
    skiesOn(false);
    return;
  }
  const int32_t mode = ds->backgroundFlags;
  const bool named = ds->imageName && ds->imageName[0];
  if (mode == 0 || mode == 1) GVRemoveOgreSky();
  if (mode == 0 || mode == 2) GVCreateOgreBackground(nullptr);
  if (mode & 1) GVCreateOgreBackground(named ? ds->imageName : nullptr);
  if (!(mode & 2)) return;
  const std::string image = named && imageLoads(ds->imageName) ? ds->imageName : kDefaultSky;
  Ogre::MaterialPtr m = fetchOrCreate(gOgreData->mSkyMaterialName);
  if (Ogre::Pass* p = firstPass(m)) {
    p->setLightingEnabled(false);
    p->setDepthWriteEnabled(false);
    p->removeAllTextureUnitStates();
    Ogre::TextureUnitState* tu = p->createTextureUnitState();
    tu->setTextureName(image, Ogre::TEX_TYPE_2D);
    tu->setTextureCoordSet(0);
    tu->setScrollAnimation(0.0f, 0.0f);
    tu->setScrollAnimation(ds->shadowValues[3], 0.0f);
  }
  try {
    skyDome(static_cast<bool>(m), ds);
    skiesOn(static_cast<bool>(m));
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
    skiesOn(false);
  }
}
