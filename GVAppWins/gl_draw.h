// The plain OpenGL path of the view and the editing overlays both paths draw.
// Every routine here records the capabilities and the colour it changes and
// puts them back on leaving; point size and line width go back to 1.
//
// Overlay layers, in drawing order: drag rectangle, marked nodes, glue links,
// the exploded view's links, then the manipulator layers (world-axes triad and
// manipulator, GVDrawManipulatorLayers), then the text panels.
#pragma once

#include <cstdint>

#include "geo/geo_object.h"

class HObject;
struct CameraRec;
struct GVView;
struct SceneOpts;
struct VehicleExplodeRec;

// ---- plain path ----
void GVDrawGLFrame(GVView* view);
void GVInitGLLighting();
void GVSetGLGeoMaterial();
void GVSetGLJelMaterial(const GVView* view);
void GVDrawGLGeos(GVView* view, const CameraRec* camera);
void GVDrawGLJels(GVView* view, int32_t selection);
// One face: the quad is drawn as triangles (p0, p1, p3) and (p1, p2, p3).
// highlight 0 black outlines, 1 or 2 pale yellow; colour may be null.
void GVDrawGLQuad(int32_t twoSided, const CameraRec* camera, int32_t mode, int32_t highlight,
                  const GColour* colour, const float p0[3], const float p1[3], const float p2[3],
                  const float p3[3]);
void GVDrawGLTriangle(int32_t twoSided, const CameraRec* camera, int32_t mode, int32_t highlight,
                      const GColour* colour, const float p0[3], const float p1[3], const float p2[3]);
// Face callbacks for HObject::forEachFace; the context is a GVJelFaceContext.
struct GVJelFaceContext {
  const CameraRec* camera;
  int32_t mode;
};
void GVDrawJelFace(void* context, HObject** handle, const float c0[3], const float c1[3], const float c2[3],
                   const float c3[3], uint32_t displayWord);
void GVDrawJelFaceHighlighted(void* context, HObject** handle, const float c0[3], const float c1[3],
                              const float c2[3], const float c3[3], uint32_t displayWord);
// True when the render-to-texture settings name a Geo selection (word 5) and
// their mode (word 6) is 0: that Geo is left to the texture.
bool GVRttHidesGeo(const SceneOpts* options);

// ---- overlays ----
void GVDrawMarkedNodes(GVView* view);
void GVRectCornerToWorld(GVView* view, CameraRec** camera, const float window[2], float world[3]);
void GVDrawDragRectangle(GVView* view, float x, float y, float w, float h);
void GVDrawGlueLinks(GVView* view);
void GVDrawVehicleLinks(GVView* view, int32_t bodyId, int32_t suspensionId, int32_t chassisId, int32_t group1,
                        int32_t group2, float ox, float oy, float oz);
void GVDrawVehicleLinkOverlay(const VehicleExplodeRec* record, GVView* view);
void GVDrawBoundsBox(GVView* view, const float* bounds);
// The view's preview shape, when it has one, alone on a light grey ground:
// black outlines, then faces filled in violet.
bool GVViewPreviewShown(const GVView* view);
void GVDrawViewPreview(GVView* view);
// The manipulator's layers: the world-axes triad when view flag 2 is set, the
// manipulator in move-tool mode; both need the view's manipulator.
void GVDrawManipulatorLayers(GVView* view);
// The overlay pass inside the engine's frame.
void GVDrawOgreOverlays(GVView* view);
