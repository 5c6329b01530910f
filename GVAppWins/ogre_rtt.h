// Render-to-texture: a second camera "RTTCam" renders the Geos the scene
// options select into the texture "RttTex", which a Geo material layer of
// display type 16, 32 or 64 shows; around each texture update only those Geos
// are visible (mode 0). The scene options' words 3..7 are its fields[0..4]:
// texture width and height, the Geo selection, the mode and the alpha flag.
#pragma once

#include <OGRE/OgrePrerequisites.h>
#include <OGRE/OgreTexture.h>

#include <cstdint>

struct DisplaySettings;
struct GColour;
struct GVView;
struct OgreData;
struct SceneOpts;

// Flags of the creation functions.
constexpr int32_t kRttFromView = 1;     // camera and size from the view
constexpr int32_t kRttRebuild = 2;      // stored camera and colour when present
constexpr int32_t kRttAssignment = 4;   // stored colour when present

// The options' fields.
constexpr int kRttWidth = 0;
constexpr int kRttHeight = 1;
constexpr int kRttSelection = 2;
constexpr int kRttMode = 3;
constexpr int kRttAlpha = 4;

Ogre::TexturePtr GVGetRttTexture();
Ogre::RenderTarget* GVGetRttTarget();
void GVRemoveOgreRtt(OgreData* data);
Ogre::RenderTarget* GVCreateRttTexture(SceneOpts* opts, OgreData* data, GVView* view, int32_t alpha, int32_t flags);
Ogre::Camera* GVCreateRttCamera(OgreData* data, GVView* view, SceneOpts* opts, int32_t flags);
Ogre::Viewport* GVSetupRttViewport(Ogre::Camera* camera, Ogre::RenderTarget* target, GVView* view,
                                   const DisplaySettings* colour, SceneOpts* opts, int32_t alpha, int32_t flags);
int32_t GVCreateOgreRtt(SceneOpts* opts, GVView* view, const DisplaySettings* colour, int32_t alpha, int32_t flags);
int32_t GVFindRttDisplayMode();
int32_t GVFindRttDisplayGeo();
void GVRebuildOgreRtt();
int32_t GVEnsureOgreRtt();
void GVCreateRttForGeo(GVView* view, int32_t alpha, int32_t flags);
void GVShowOgreGeosForRtt(int32_t show);
bool GVIsOgreRttCreated();
int32_t GVRttDisabled(int32_t strict);
void GVSyncOgreCamera();
