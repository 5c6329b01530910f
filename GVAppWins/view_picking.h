// The view's current object and the picks that choose it: the nearest Jel
// node or Jel face to a screen point, the press rule that chooses between a
// Jel node and a Geo vertex, and the current Geo / Jel / part with their
// highlights, marked parts and owner reports.
#pragma once

#include <cstdint>

struct CameraRec;
struct GVView;
struct HWorld;
struct ViewportRec;

// A press farther than this (squared pixels) from a candidate picks nothing.
constexpr float kPickLimitSq = 2500.0f;

// Over the Jels of the selection, the node whose projection lies nearest
// (x, y); the Jel earlier in the list wins a tie. Returns the Jel id (0: none)
// and writes the node and, when asked, its projected pixel point.
int32_t GVPickNearestNode(HWorld* world, int32_t sel, int32_t x, int32_t y, const ViewportRec* vp,
                          const CameraRec* cam, int32_t* jelId, int32_t* node, float point[3]);
// Over the Jels of the selection, the surface face under (x, y) (one-layer
// Jels: the nearest edge), ranked by the pixel distance of each Jel's pick.
// Returns the Jel id (0: none) with the face (or edge) and its direction code.
int32_t GVPickNearestFace(HWorld* world, int32_t sel, int32_t x, int32_t y, const ViewportRec* vp,
                          const CameraRec* cam, int32_t* jelId, int32_t* face, int32_t* orientation);
// Clears every Jel's marked parts; the Jels of the selection get part p
// marked when 1 <= p <= 30.
void GVSetMarkedPart(HWorld* world, int32_t sel, int32_t p);

void GVSetCurrentGeo(GVView* view, int32_t id);
void GVSetCurrentJel(GVView* view, int32_t id);
void GVSelectJel(GVView* view, int32_t p, int32_t id);
// Both highlights redrawn for the current records.
void GVRefreshViewHighlights(GVView* view);
// The press rule: a Jel node or a Geo vertex within 50 pixels becomes the
// current object (left prefers the Jel, right the Geo); nothing clears both.
void GVPressSelect(GVView* view, int32_t x, int32_t y, int32_t button);
// The owner callback of the view, when set: (a, code, p1, p2).
int GVTellViewOwner(GVView* view, int a, int code, intptr_t p1, intptr_t p2);
