// The scene's lights, ambient light, background colour and texture shadows
// mirrored into the engine, and the tangents that the bump-map and shadow
// material scripts read. The light list and the display settings are the
// source of truth: one engine light "Light%d" per list entry; indices 10 and
// 11 stand for the background colour and the ambient light. Every operation
// does nothing while the engine is not running.
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct GObject;
struct ObjHandle;

// Change-mask bits of GVUpdateOgreLight.
enum : int32_t {
  kLightNothing = 0x1,
  kLightWhole = 0x2,
  kLightBackground = 0x4,
  kLightAmbient = 0x8,
  kLightDiffuse = 0x10,
  kLightSpecular = 0x20,
  kLightPosition = 0x40 | 0x80 | 0x100,
  kLightDirection = 0x200 | 0x400 | 0x800,
  kLightSpotInner = 0x1000,
  kLightSpotOuter = 0x2000,
};
// Flags of GVComputeOgreShadowExtents.
constexpr int32_t kShadowExtentNear = 0x400000;
constexpr int32_t kShadowExtentFar = 0x800000;
// Masks of GVUpdateOgreShadowSettings.
constexpr int32_t kShadowFarDistance = 0x1;
constexpr int32_t kShadowExtrusion = 0x2;
constexpr int32_t kShadowTextureSize = 0x4;
// The shadow type that switches texture shadows on.
constexpr int32_t kOgreTextureShadows = 5;

void GVCreateOgreLightFromGVLight(int32_t index);
void GVUpdateOgreLight(int32_t mask, int32_t index);
void GVResetOgreLighting();
void GVRecreateOgreLightsForScene();
// Deletes light i from the list, then rebuilds every engine light.
void GVResetOgreLights(int32_t index);
// The rebuild alone, for callers that removed the light themselves.
void GVRebuildOgreLights();
void GVRenderFrameWithWideLight(int32_t index);
// The view window's class gets the toolkit's brush back and the brush made
// for the background colour is freed (engine shutdown).
void GVReleaseViewBrush(HWND window);

void GVSetupOgreShadowTextures(int32_t type);
void GVUpdateOgreShadowSettings(int32_t mask);
int32_t GVOgreShadowsNeeded();
void GVSetOgreLightsCastShadows();
void GVComputeOgreShadowExtents(int32_t index, int32_t flags);
void GVSetOgreGeoCastShadows(int32_t geoId);
void GVSetOgreGeoSubEntityMaterial(int32_t geoId);
// GVSceneUsesShadowScript lives with the Geo editors' callbacks.

// 1 when the Geo's material script is one that reads tangents.
int32_t GVGeoNeedsTangents(GObject* geo);
void GVUpdateGeoTangents(GObject* geo);
// Per-vertex tangents (the Geo's render vectors) from the first UV set's
// (u, v) pairs over the triangles and the quads (each as two triangles);
// 1 when computed.
int32_t GVCalcGeoTangents(GObject* geo);
