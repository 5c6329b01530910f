#include "GVAppWins/view_picking.h"

#include "GVAppWins/info_panels.h"
#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/view_window.h"
#include "dynamics/world.h"
#include "geo/geo_jel_links.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "jel/jel_object.h"
#include "scene/edit_rules.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"

namespace {

constexpr float kNoPick = 9e30f;
constexpr float kMissing = 9e20f;

HWorld* worldOf(const GVView* view) { return view && view->world ? *view->world : nullptr; }
CameraRec* cameraOf(const GVView* view) { return view && view->camera ? *view->camera : nullptr; }

float distSq(int32_t x, int32_t y, const float p[3]) {
  const float dx = float(x) - p[0], dy = float(y) - p[1];
  return dx * dx + dy * dy;
}

void clearMarks(HWorld* world) {
  for (HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j))
    for (uint32_t& w : j->markedParts) w = 0;
}

bool nothingCurrent(const GVView* view) {
  return (!view->currentGeo || view->currentGeo[0] == 0) && (!view->currentJel || view->currentJel[0] == 0);
}

void clearInfoWhenNothingCurrent(GVView* view) {
  if (nothingCurrent(view)) GVClearInfoPanel(view);
}

}  // namespace

int GVTellViewOwner(GVView* view, int a, int code, intptr_t p1, intptr_t p2) {
  if (!view || !view->owner) return 0;
  return view->owner(a, code, p1, p2, view->ownerContext);
}

int32_t GVPickNearestNode(HWorld* world, int32_t sel, int32_t x, int32_t y, const ViewportRec* vp,
                          const CameraRec* cam, int32_t* jelId, int32_t* node, float point[3]) {
  return GVPickNearestJelNode(&world, sel, x, y, vp, cam, node, jelId, point);
}

int32_t GVPickNearestFace(HWorld* world, int32_t sel, int32_t x, int32_t y, const ViewportRec* vp,
                          const CameraRec* cam, int32_t* jelId, int32_t* face, int32_t* orientation) {
  float best = kNoPick;
  int32_t bestJel = 0, bestFace = 0, bestKind = 0;
  for (HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, sel)) continue;
    int32_t f = 0, kind = 0;
    float p[3] = {};
    HObject* cell = j;
    float screen[3] = {};
    if (GVJelHandleIsFlat(&cell)) {
      // A one-layer lattice changes at its edges.
      if (!j->pickNearestEdge(x, y, vp, cam, &f, &kind, p)) continue;
      for (int k = 0; k < 3; ++k) screen[k] = p[k];
    } else {
      if (!j->pickFace(x, y, vp, cam, &f, &kind, p)) continue;
      float q[3];
      GVProjectPoint(cam, p, q);
      GVNormalisedToScreen(vp, q, screen);
    }
    const float d = distSq(x, y, screen);
    if (f >= 1 && d < best) {
      best = d;
      bestJel = j->id;
      bestFace = f;
      bestKind = kind;
    }
  }
  if (jelId) *jelId = bestJel;
  if (face) *face = bestFace;
  if (orientation) *orientation = bestKind;
  return bestJel;
}

void GVSetMarkedPart(HWorld* world, int32_t sel, int32_t p) {
  for (HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j)) {
    for (uint32_t& w : j->markedParts) w = 0;
    if (GVJelInSel(j, sel) && p >= 1 && p <= 30) j->markedParts[0] = 1u << p;
  }
}

void GVRefreshViewHighlights(GVView* view) {
  CameraRec* cam = cameraOf(view);
  if (!view || !cam) return;
  GVOgreShowGeoSelection(view->currentGeo ? view->currentGeo[0] : 0, cam->geoDisplayMode);
  GVOgreShowJelSelection(view->currentJel ? view->currentJel[0] : 0, cam->jelDisplayMode);
}

void GVSetCurrentGeo(GVView* view, int32_t id) {
  if (!view || !view->currentGeo) return;
  view->currentGeo[0] = id;
  if (id != 0 && view->currentJel) view->currentJel[0] = view->currentJel[2] = 0;
  GVRefreshViewHighlights(view);
  clearMarks(worldOf(view));
  GVTellViewOwner(view, 1, 1, view->currentGeo[0], 0);
  clearInfoWhenNothingCurrent(view);
}

void GVSetCurrentJel(GVView* view, int32_t id) {
  if (!view || !view->currentJel) return;
  if (id == 0 && gViewModeFlags.partPick) return;
  view->currentJel[0] = id;
  if (id != 0 && view->currentGeo) view->currentGeo[0] = view->currentGeo[2] = 0;
  GVRefreshViewHighlights(view);
  if (view->currentJel[1] != 0 && id != 0) GVSelectJel(view, view->currentJel[1], id);
  GVTellViewOwner(view, 1, 2, view->currentJel[0], 0);
  clearInfoWhenNothingCurrent(view);
}

void GVSelectJel(GVView* view, int32_t p, int32_t id) {
  if (!view || !view->currentJel) return;
  if (p == 0 && gViewModeFlags.partPick) return;
  if (view->currentJel[0] != 0) view->currentJel[0] = id;
  view->currentJel[1] = p;
  if (id != 0 && view->currentGeo) view->currentGeo[0] = 0;
  GVRefreshViewHighlights(view);
  if (HWorld* world = worldOf(view)) {
    if (p == 0)
      clearMarks(world);
    else
      GVSetMarkedPart(world, id, p);
    GVTellViewOwner(view, 1, 2, view->currentJel[0], 0);
  }
}

void GVPressSelect(GVView* view, int32_t x, int32_t y, int32_t button) {
  if (!view || !view->currentGeo || !view->currentJel) return;
  int32_t* geo = view->currentGeo;
  int32_t* jel = view->currentJel;
  if (ViewDragRec* d = view->drag) {
    d->part = d->jelId = 0;
    d->anchorX = x;
    d->anchorY = y;
  }
  const CameraRec* cam = cameraOf(view);
  HWorld* world = worldOf(view);
  int32_t jelId = 0, node = 0;
  float jelPoint[3] = {};
  GVPickNearestNode(world, -1, x, y, view->viewport, cam, &jelId, &node, jelPoint);

  // The Geos as they stand at the frame shown.
  GeoList* list = GVGeoListOf(view->geoList);
  const int32_t frame = GVCurrentFrame(view->world);
  const int32_t stateMode = world ? world->params.stateMode : 0;
  for (GObject* g = list ? list->head : nullptr; g; g = g->next) {
    const int32_t drive = GVGetGeoDriveModeSafe(g->handle, frame, stateMode);
    if (drive != 0 && drive != -11) GVApplyGeoTransform(g, drive);
  }
  int32_t geoId = 0, vertex = 0;
  float geoPoint[3] = {};
  GVPickGeoVertex(list, cam, view->viewport, x, y, &geoId, &vertex, geoPoint);

  const float jelScore = jelId ? distSq(x, y, jelPoint) : kMissing;
  const float geoScore = geoId ? distSq(x, y, geoPoint) : kMissing;
  const bool left = button == 1, right = button == 3;
  if (jelScore < kPickLimitSq && (jelScore < geoScore || left)) {
    jel[0] = jelId;
    jel[2] = node;
    geo[0] = geo[2] = 0;
    GVSetCurrentJel(view, jelId);
  } else if (geoScore < kPickLimitSq && (geoScore < jelScore || right)) {
    geo[0] = geoId;
    geo[2] = vertex;
    jel[0] = jel[2] = 0;
    GVSetCurrentGeo(view, geoId);
  } else {
    GVSetCurrentGeo(view, 0);
    if (!gViewModeFlags.partPick) {
      jel[0] = 0;
      GVRefreshViewHighlights(view);
      GVTellViewOwner(view, 1, 2, 0, 0);
      clearInfoWhenNothingCurrent(view);
    }
  }
  if (geo[0] != 0)
    GVTellViewOwner(view, 0, 1, geo[0], 0);
  else
    GVTellViewOwner(view, 0, 2, jel[0], 0);
}
