#include "GVAppWins/ogre_listeners.h"

#include <OGRE/OgreMaterialManager.h>
#include <OGRE/OgrePass.h>
#include <OGRE/OgreRenderQueue.h>
#include <OGRE/OgreViewport.h>
#include <OGRE/OgreSceneManager.h>
#include <OGRE/OgreTechnique.h>

#include "GVAppWins/gl_draw.h"
#include "GVAppWins/ogre_rtt.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_window.h"
#include "scene/scene_records.h"

// Looked up once per engine start: the material dies with the engine.
static Ogre::Pass* sOverlayPass = nullptr;

void GVForgetOverlayPass() { sOverlayPass = nullptr; }

void OpenGLListener::renderQueueStarted(Ogre::uint8, const Ogre::String&, bool&) {}

// The last queue group the scene manager renders: the overlays go on top of all of it.
static Ogre::uint8 lastQueueGroup(Ogre::SceneManager* mgr) {
  const Ogre::RenderQueue::RenderQueueGroupMap& groups = mgr->getRenderQueue()->_getQueueGroups();
  for (int k = Ogre::RENDER_QUEUE_COUNT - 1; k > 0; --k)
    if (groups[k]) return static_cast<Ogre::uint8>(k);
  return 0;
}

void OpenGLListener::renderQueueEnded(Ogre::uint8 queueGroupId, const Ogre::String&, bool&) {
  if (!gOgreData || !gOgreData->mSceneMgr || !GVMainView()) return;
  if (!sOverlayPass) {
    Ogre::MaterialPtr white = Ogre::MaterialManager::getSingleton().getByName(
        "BaseWhite", Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
    if (!white || !white->getTechnique(0)) return;
    sOverlayPass = white->getTechnique(0)->getPass(0);
  }
  if (sOverlayPass) gOgreData->mSceneMgr->_setPass(sOverlayPass, true, false);
  // Shadow-texture and render-to-texture renders pass through here too; the
  // overlays belong to the view's own viewport only, once it has drawn its
  // last queue.
  Ogre::Viewport* vp = gOgreData->mSceneMgr->getCurrentViewport();
  Ogre::SceneManager* mgr = gOgreData->mSceneMgr;
  if (!vp || vp != gOgreData->mViewport ||
      mgr->_getCurrentRenderStage() == Ogre::SceneManager::IRS_RENDER_TO_TEXTURE ||
      queueGroupId != lastQueueGroup(mgr))
    return;
  GVDrawOgreOverlays(GVMainView());
}

// While the texture renders, the overlays stay out of it and only the Geos it
// shows are visible; afterwards the main view's visibility comes back.
void RTTListener::preRenderTargetUpdate(const Ogre::RenderTargetEvent&) {
  if (mView) mView->flags |= kViewOverlayOff;
  if (GVScene().options) GVShowOgreGeosForRtt(1);
}

void RTTListener::postRenderTargetUpdate(const Ogre::RenderTargetEvent&) {
  if (mView) mView->flags &= ~kViewOverlayOff;
  if (GVScene().options) GVShowOgreGeosForRtt(0);
}
