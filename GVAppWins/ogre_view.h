// The 3-D engine path of the view: the one OgreData record with every engine
// object the other parts reach for, start-up on the view window, the player
// camera and its viewport, the walls, a frame and shutdown.
//
// The view window's pixels live in a memory surface, so the engine draws into
// a render texture of the view's client size (made again on every resize) and
// each frame is read back into the window. The engine still needs a window of
// its own before any mesh or texture exists: a hidden 1 x 1 "RenderWin".
#pragma once

#include <OGRE/OgrePrerequisites.h>

#include <set>

#include "camera/camera_record.h"
#include "platform/win32.h"

namespace Ogre {
class Rectangle2D;
}

class OpenGLListener;
struct OgreJelMirror;
class RTTListener;
struct VehicleExplodeRec;

struct OgreData {
  Ogre::Root* mRoot = nullptr;
  Ogre::SceneManager* mSceneMgr = nullptr;
  Ogre::Camera* mCamera = nullptr;
  Ogre::Viewport* mViewport = nullptr;
  Ogre::RenderWindow* mWindow = nullptr;
  OpenGLListener* mGLListener = nullptr;
  RTTListener* mRttListener = nullptr;
  Ogre::ManualObject* mWalls = nullptr;
  Ogre::Rectangle2D* mBackground = nullptr;
  Ogre::SceneNode* mBackgroundNode = nullptr;
  const char* mBgMaterialName = "BGMaterial";
  const char* mSkyMaterialName = "GVSkyMaterial";
  int mShadowsInUse = 0;
  float mFactor = 0.75f;
  float mOffsetDistance = 0.02f;
  float mSelectOffset = 0.02f;
  float mNearClip = 0.0f;
  float mFarClip = 0.0f;
  VehicleExplodeRec* mVehicleExplode = nullptr;
  Ogre::Camera* mRttCamera = nullptr;

  // The view's render texture, its target and the window it is read back into.
  Ogre::Texture* mViewTexture = nullptr;
  Ogre::RenderTexture* mViewTarget = nullptr;
  HWND mViewWindow = nullptr;
  int mViewWidth = 0;
  int mViewHeight = 0;
  // The read-back image: a top-down 32-bit DIB section the view window is blitted from.
  HBITMAP mReadBackBitmap = nullptr;
  void* mReadBackBits = nullptr;
  // Our log manager: the engine's log goes to "Ogre.log" only.
  Ogre::LogManager* mLogManager = nullptr;
  // The Jel mirrors alive in this engine: a Jel's user word counts only when
  // it is one of them.
  std::set<OgreJelMirror*> mJelMirrors;
};

extern OgreData* gOgreData;

OgreData* GVInitOgreData(OgreData* data);
// Starts the engine on the view window. Returns 1, or 0 after showing why the
// engine could not start (everything started is shut down again and gOgreData
// is freed and null).
int GVInitOgre(HWND window, int width, int height);
void GVCreateOgreCamera();
void GVShutdownOgre(OgreData* data);

// The render texture follows the view window's client size; an empty client
// area keeps the texture it has. Returns 1 when a texture of that size exists.
int GVResizeOgreView(int width, int height);
// The view window's client area changed: the texture follows, the camera's
// aspect too unless the height is 0, and a frame is rendered.
void GVOgreWindowResized(int width, int height);
// Renders every target once and reads the view texture back into the view window.
void GVRenderOgreFrame();
// The two halves of GVRenderOgreFrame: every target rendered once, then the
// view texture read back into the view window.
void GVRenderOgreTargets();
void GVReadBackOgreView();

void GVCreateOgreWalls();
void GVUpdateOgreWalls(const float bounds[6]);

void GVApplyCameraToOgre(CameraRec** cell, Ogre::Camera* camera, int width, int height, float nearClip,
                         float farClip);
