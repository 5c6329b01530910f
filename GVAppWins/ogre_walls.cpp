#include <OGRE/Ogre.h>

#include "GVAppWins/box_edges.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_links.h"

static const char* const kWallsName = "gvwallsMO";
static const char* const kWallsMesh = "gvwallsMESH";

static const float* sceneBounds() {
  static const float kDefaultBounds[6] = {-12, 12, 0, 24, -12, 12};
  const float* b = GVViewScene().bounds;
  return b ? b : kDefaultBounds;
}

static Ogre::AxisAlignedBox boxOf(const float b[6]) {
  return Ogre::AxisAlignedBox(b[0], b[2], b[4], b[1], b[3], b[5]);
}

void GVCreateOgreWalls() {
  OgreData* d = gOgreData;
  if (!d || !d->mSceneMgr) return;
  float corners[8][3];
  GVBoxCorners(sceneBounds(), corners);
  const Ogre::String group = Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME;
  try {
    // Building again replaces the walls and the mesh an earlier build left.
    if (d->mSceneMgr->hasManualObject(kWallsName)) {
      Ogre::ManualObject* old = d->mSceneMgr->getManualObject(kWallsName);
      if (Ogre::SceneNode* node = old->getParentSceneNode()) d->mSceneMgr->destroySceneNode(node);
      d->mSceneMgr->destroyManualObject(old);
    }
    Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
    if (meshes.resourceExists(kWallsMesh, group)) meshes.remove(kWallsMesh, group);

    d->mWalls = d->mSceneMgr->createManualObject(kWallsName);
    Ogre::ManualObject* walls = d->mWalls;
    walls->setDynamic(true);
    walls->estimateVertexCount(24);
    walls->estimateIndexCount(24);
    walls->begin("BaseWhiteNoLighting", Ogre::RenderOperation::OT_LINE_LIST, group);
    const Ogre::ColourValue grey(0.6f, 0.6f, 0.6f, 1.0f);
    Ogre::uint32 k = 0;
    GVForEachBoxEdge(corners, [&](const float* a, const float* b) {
      walls->position(a[0], a[1], a[2]);
      walls->colour(grey);
      walls->position(b[0], b[1], b[2]);
      walls->colour(grey);
      walls->index(k);
      walls->index(k + 1);
      k += 2;
    });
    walls->end();
    walls->convertToMesh(kWallsMesh, group);
    walls->setBoundingBox(boxOf(sceneBounds()));
    walls->setCastShadows(false);
    d->mSceneMgr->getRootSceneNode()
        ->createChildSceneNode(Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY)
        ->attachObject(walls);
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
    if (d->mWalls && !d->mWalls->getParentSceneNode()) d->mSceneMgr->destroyManualObject(d->mWalls);
    d->mWalls = nullptr;
    GVViewMessage("GVCreateOgreWalls: cannot create Ogre walls!!");
  }
}

void GVUpdateOgreWalls(const float b[6]) {
  OgreData* d = gOgreData;
  if (!d || !d->mWalls || !b) return;
  float corners[8][3];
  GVBoxCorners(b, corners);
  Ogre::ManualObject* walls = d->mWalls;
  try {
    walls->beginUpdate(0);
    GVForEachBoxEdge(corners, [&](const float* p, const float* q) {
      walls->position(p[0], p[1], p[2]);
      walls->position(q[0], q[1], q[2]);
    });
    walls->end();
    walls->setBoundingBox(boxOf(b));
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
  }
}
