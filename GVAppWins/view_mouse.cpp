#include "GVAppWins/view_mouse.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "GVAppWins/gl_draw.h"
#include "GVAppWins/info_panels.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/ogre_jel_objects.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_picking.h"
#include "GVAppWins/view_window.h"
#include "dynamics/glue.h"
#include "dynamics/jel_selection.h"
#include "dynamics/motion_commands.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_jel_links.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "vehicle/vehicle_record.h"

namespace {

// Owner codes the view sends.
enum : int {
  kOwnerStructure = 4,
  kOwnerSpace = 0x400,
  kOwnerCameraMode = 0x1000,
  kOwnerQuery = 0x2000,
  kOwnerShiftRunning = 0x4000,
  kOwnerCtrlRunning = 0x8000,
  kOwnerKeyF = 0x10000,
  kOwnerKeyC = 0x20000,
  kOwnerBackslash = 0x40000,
  kOwnerSteerX = 0x80000,
  kOwnerSteerY = 0x100000,
  kOwnerCamHeight = 0x200000,
  kOwnerCamDistance = 0x400000,
  kOwnerCamFov = 0x800000,
  kOwnerCamHeading = 0x1000000,
  kOwnerCameraStep = 0x2000000,
  kOwnerKeyX = 0x4000000,
  kOwnerArrows = 0x8000000,
  kOwnerKeyO = 0x10000000,
  kOwnerStoreCamera = 0x40000000,
};

constexpr int32_t kAllAxes = 14;
constexpr int32_t kCommittedFrame = -2;

CameraRec* cameraOf(const GVView* v) { return v && v->camera ? *v->camera : nullptr; }
HWorld* worldOf(const GVView* v) { return v && v->world ? *v->world : nullptr; }
bool running(const GVView* v) { return v->running && *v->running != 0; }
int tell(GVView* v, int a, int code, intptr_t p1 = 0) { return GVTellViewOwner(v, a, code, p1, 0); }

bool vehicleDriving() {
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  return v && !GVVehicleIsEmpty(v);
}

// The cursor put on a client point of the view window.
void warpCursor(HWND window, float x, float y) {
  POINT p = {static_cast<int>(x), static_cast<int>(y)};
  ClientToScreen(window, &p);
  SetCursorPos(p.x, p.y);
}

// The drag is left alone while the render-to-texture settings keep a Geo off
// the engine's view.
bool textureHoldsView() {
  return GVOgreEnabled && gOgreData && GVScene().options && GVRttHidesGeo(GVScene().options);
}

void partCentre(HObject* jel, int32_t part, float c[3]) {
  float mass = 0.0f, sum[3] = {};
  jel->getPartMass(part, kCommittedFrame, &mass);
  jel->getPartMassPosSum(part, kCommittedFrame, kAllAxes, sum);
  for (int k = 0; k < 3; ++k) c[k] = mass != 0.0f ? sum[k] / mass : 0.0f;
}

void partVelocity(HObject* jel, float v[3]) {
  float mass = 0.0f, p[3] = {};
  jel->getPartMass(1, 0, &mass);
  jel->getPartMomentum(1, 0, kAllAxes, p);
  for (int k = 0; k < 3; ++k) v[k] = mass != 0.0f ? p[k] / mass : 0.0f;
}

void runningPress(GVView* view, HWND window, ViewDragRec& d, int32_t x, int32_t y) {
  if (textureHoldsView()) return;
  d.anchorX = x;
  d.anchorY = y;
  HWorld* world = worldOf(view);
  const CameraRec* cam = cameraOf(view);
  if (d.button == 1) {
    d.node = d.part = d.jelId = 0;
    GVPickNearestNode(world, -1, x, y, view->viewport, cam, &d.jelId, &d.node, d.grabScreen);
    if (!d.jelId || !d.node) return;
    warpCursor(window, d.grabScreen[0], d.grabScreen[1]);
    if (HObject** cell = GVFindJel(view->world, d.jelId)) GVSetJelGrabPoint(cell, d.node);
  } else if (d.button == 3) {
    d.node = 0;
    d.jelId = view->currentJel ? view->currentJel[0] : 0;
    d.part = view->currentJel && view->currentJel[1] ? view->currentJel[1] : 1;
    if (d.jelId == 0) {
      int32_t node = 0;
      GVPickNearestNode(world, -1, x, y, view->viewport, cam, &d.jelId, &node, d.grabScreen);
      d.part = 1;
    }
    HObject* jel = GVGetJelById(world, d.jelId);
    if (!jel || !cam || !view->viewport) return;
    float c[3], q[3];
    partCentre(jel, d.part, c);
    GVProjectPoint(cam, c, q);
    const ViewportRec& vp = *view->viewport;
    d.grabScreen[0] = q[0] * float(vp.width) * 0.5f + float(vp.centreX);
    d.grabScreen[1] = float(vp.centreY) - float(vp.height) * q[1] * 0.5f;
    d.grabScreen[2] = q[2];
    warpCursor(window, d.grabScreen[0], d.grabScreen[1]);
  }
}

void runningMove(GVView* view, ViewDragRec& d) {
  if (textureHoldsView()) return;
  HWorld* world = worldOf(view);
  HObject* jel = world ? GVGetJelById(world, d.jelId) : nullptr;
  if (!jel) return;
  if (GVScene().vehicle) {
    int32_t groups[kVehicleGroups] = {};
    if (const VehicleRec* v = GVVehicleOf(GVScene().vehicle)) GVVehicleGroups(v, groups);
    if (groups[kVehicleGroups - 1] != 0 && GVJelInSel(jel, groups[kVehicleGroups - 1])) return;
  }
  const CameraRec* cam = cameraOf(view);
  if (!cam || !view->viewport) return;
  if (d.active == 0) d.active = 1;
  d.grabScreen[0] = float(d.currentX);
  d.grabScreen[1] = float(d.currentY);
  float n[3];
  GVScreenToNormalised(view->viewport, d.grabScreen, n);
  for (int k = 0; k < 3; ++k) d.grabScreen[k] = n[k];
  GVUnprojectPoint(cam, n, d.grabWorld);
}

void partPickPress(GVView* view, ViewDragRec& d, int32_t x, int32_t y) {
  ViewInputState& in = gViewInput;
  HWorld* world = worldOf(view);
  const int32_t jel = view->currentJel ? view->currentJel[0] : 0;
  const int32_t part = view->currentJel ? view->currentJel[1] : 0;
  if (in.rectShown) {
    const int32_t rect[4] = {d.anchorX, d.anchorY, d.currentX, d.currentY};
    GVSelSetPartInRect(world, jel, part, view->viewport, cameraOf(view), rect, d.button == 1 ? 1 : 0);
    in.rectShown = 0;
    in.rectApplied = 1;
  } else {
    d.anchorX = x;
    d.anchorY = y;
  }
  GVSetMarkedPart(world, jel, part);
  GVRedrawView(view);
}

void reportStatus(GVView* view, const char* text) { GVShowStatusLine(view, text); }

}  // namespace

void GVViewEditStructure(GVView* view, int32_t x, int32_t y, int32_t button) {
  HWorld* world = worldOf(view);
  if (!world) return;
  LatticeBuilder* builder = view->builderCell ? *view->builderCell : nullptr;
  if (!builder) return;
  if (world->params.stateMode == 0) {
    GVViewMessage("Gv Warning: Edit Structure operations must be performed in Natural State mode");
    return;
  }
  const int32_t id = view->currentJel ? view->currentJel[0] : 0;
  if (id < 1) return;
  int32_t picked = 0, face = 0, kind = 0;
  GVPickNearestFace(world, id, x, y, view->viewport, cameraOf(view), &picked, &face, &kind);
  if (picked != id) return;
  const int32_t mode = button == 1 ? 1 : 0;
  HObject** cell = GVFindJel(view->world, id);
  if (!cell || !*cell) return;
  HObject* old = *cell;

  float before[3], omega[3] = {};
  partVelocity(old, before);
  GVGetSelAngVelocity(world, 1, id, 0, kAllAxes, omega);
  GeoList* geos = GVGeoListOf(view->geoList);
  std::vector<GObject*> bound;
  for (GObject* g = geos ? geos->head : nullptr; g; g = g->next)
    if (g->jel == old && (g->flags & GEO_FLAG_BOUND)) bound.push_back(g);
  GVUnbindGeosOfJelSel(geos, id);
  // The glue links go before the rebuild; a refused rebuild puts them back.
  struct Link {
    int32_t node, jel, partner;
  };
  std::vector<Link> links;
  for (int32_t i = 1; old->glueJel && old->glueNode && i <= old->nodeCount; ++i)
    if (old->glueJel[i] > 0 && old->glueNode[i] != 0) links.push_back({i, old->glueJel[i], old->glueNode[i]});
  GVUnglueSelParts(world, id, -1, 1, 0, 0.0f);

  if (face) {
    HObject* fresh = GVRebuildJelHandleAtFace(builder, cell, face, mode, view->world);
    if (!fresh) {
      // The old Jel stays where it was, with its Geos bound again.
      for (GObject* g : bound) g->flags |= GEO_FLAG_BOUND;
      for (const Link& l : links) {
        HObject* other = GVGetJelById(world, l.jel);
        if (!other || old->glueJel[l.node] != 0 || l.partner < 1 || l.partner > other->nodeCount) continue;
        old->setNodeGlue(l.node, l.jel, l.partner);
        other->setNodeGlue(l.partner, id, l.node);
      }
      reportStatus(view, "JEL structure not changed: the rebuilt lattice could not be made");
      return;
    }
    GVRebuildJelContactGrid(cell);
    float after[3], diff[3];
    partVelocity(fresh, after);
    for (int k = 0; k < 3; ++k) diff[k] = before[k] - after[k];
    if (fresh->playParams.mode != 4) fresh->addPartVelocity(1, 0, kAllAxes, diff);
    GVSetSelAngVelocity(world, 1, id, 0, kAllAxes, omega);
    const CameraRec* cam = cameraOf(view);
    GVCreateOgreJelObj(id, cam ? cam->jelDisplayMode : 32);
  }
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, -1)) j->restoreFrame(world->params.stateMode);
  GVResetSelToWorld(world, -1);
  world->cmdResolved = 0;
  world->cmdCount = 0;
  if (face) tell(view, 0, kOwnerStructure, id);
}

void GVViewMouseDown(GVView* view, HWND window) {
  if (!view || !view->drag || window != view->window || !worldOf(view) || !view->geoList) return;
  ViewInputState& in = gViewInput;
  ViewDragRec& d = *view->drag;
  const int32_t x = in.pressX, y = in.pressY;
  d.button = d.pressButton = in.button;
  d.previousX = x;
  d.previousY = y;
  if (vehicleDriving() && running(view)) {
    d.anchorX = d.currentX = x;
    d.anchorY = d.currentY = y;
    return;
  }
  if (view->toolMode != 0 || in.shiftHeld || in.ctrlHeld) {
    d.currentX = x;
    d.currentY = y;
    if (CameraRec* cam = cameraOf(view))
      for (int k = 0; k < 3; ++k) cam->savedRight[k] = cam->rot[k];
    return;
  }
  if (gViewModeFlags.moveTool) {
    if (in.button != 1) return;
    if (view->manipulator && !GVManipPress(view->manipulator, float(x), float(y))) gViewModeFlags.moveTool = 0;
    GVRedrawView(view);
    return;
  }
  if (gViewModeFlags.structureEdit) {
    GVViewEditStructure(view, x, y, in.button);
    return;
  }
  if (gViewModeFlags.partPick) {
    partPickPress(view, d, x, y);
    return;
  }
  if (running(view)) {
    runningPress(view, window, d, x, y);
    return;
  }
  GVPressSelect(view, x, y, in.button);
}

void GVViewMouseMove(GVView* view, HWND window) {
  if (!view || !view->drag || window != view->window || !worldOf(view)) return;
  ViewInputState& in = gViewInput;
  ViewDragRec& d = *view->drag;
  d.previousX = d.currentX;
  d.previousY = d.currentY;
  d.currentX = in.currentX;
  d.currentY = in.currentY;
  if (vehicleDriving() && running(view)) {
    GVTellViewOwner(view, d.button, kOwnerSteerX, d.currentX - d.previousX, 0);
    GVTellViewOwner(view, d.button, kOwnerSteerY, d.currentY - d.previousY, 0);
    return;
  }
  if (view->toolMode == 0 && !in.shiftHeld && !in.ctrlHeld) {
    if (running(view)) {
      runningMove(view, d);
    } else if (gViewModeFlags.structureEdit) {
    } else if (gViewModeFlags.moveTool) {
      if (d.button == 1 && view->manipulator) GVManipDrag(view->manipulator, float(d.currentX), float(d.currentY));
      GVRedrawView(view);
    } else if (gViewModeFlags.partPick && !in.rectApplied) {
      in.rectX = in.pressX;
      in.rectY = in.pressY;
      in.rectWidth = d.currentX - in.pressX;
      in.rectHeight = d.currentY - in.pressY;
      in.rectShown = 1;
      GVRedrawView(view);
    }
    return;
  }
  GVViewCameraDrag(view, &d);
  GVRedrawView(view);
  if (cameraOf(view)) GVShowCameraInfo(view);
}

void GVViewCameraDrag(GVView* view, ViewDragRec* drag) {
  CameraRec* cam = cameraOf(view);
  if (!cam || !drag) return;
  const int dx = drag->currentX - drag->previousX, dy = drag->currentY - drag->previousY;
  const bool left = drag->button == 1;
  const bool snap = left && std::abs(dx) <= 1 && std::abs(dy) <= 1;
  const bool orbit = cam->mode != 0;
  const float f = 0.7f * cam->fov;
  const bool tellVehicle = vehicleDriving() && view->owner;
  auto vehicleCode = [&](int code) {
    if (tellVehicle) tell(view, 0, code);
  };
  if (std::max(std::abs(dx), std::abs(dy)) > 0) {
    switch (view->toolMode) {
      case 0: {
        const float s = left ? 0.5f : 2.0f;
        const float w = orbit ? s : -f * s;
        if (std::abs(dx) >= 1) GVAddCameraHeading(cam, dx > 0 ? -w : w);
        if (std::abs(dy) >= 1) GVAddCameraElevation(cam, dy > 0 ? -w : w);
        if (snap) {
          GVSnapCameraAngles(cam, std::fabs(w));
          GVSnapCameraHeight(cam, 0.1f);
        }
        vehicleCode(kOwnerCamHeading);
        vehicleCode(kOwnerCamDistance);
        vehicleCode(kOwnerCamHeight);
        break;
      }
      case 1:
      case 2: {
        const float s = left ? 0.5f : 2.0f;
        const float t = orbit ? s : f * s;
        const int delta = view->toolMode == 1 ? dx : dy;
        const float step = orbit ? (delta > 0 ? -t : t) : (delta > 0 ? t : -t);
        if (view->toolMode == 1)
          GVAddCameraHeading(cam, step);
        else
          GVAddCameraElevation(cam, step);
        if (snap) GVSnapCameraAngles(cam, std::fabs(t));
        if (view->toolMode == 1) vehicleCode(kOwnerCamHeading);
        break;
      }
      case 3: {
        const float s = left ? 0.1f : 1.0f;
        GVRaiseCamera(cam, dy > 0 ? -s : s);
        if (snap) GVSnapCameraHeight(cam, 0.1f);
        vehicleCode(kOwnerCamHeight);
        break;
      }
      case 4: {
        const float s = left ? 0.1f : 1.0f;
        GVSlideCamera(cam, dx > 0 ? s : -s);
        break;
      }
      case 5: {
        const float s = left ? 0.1f : 0.3f;
        const int w = view->viewport ? view->viewport->width : 0, h = view->viewport ? view->viewport->height : 0;
        GVAddCameraFov(cam, dx > 0 ? -s : s, w, h);
        vehicleCode(kOwnerCamFov);
        break;
      }
      case 6: {
        const float s = left ? 0.1f : 0.5f;
        GVDollyCamera(cam, dx > 0 ? s : -s);
        vehicleCode(kOwnerCamDistance);
        break;
      }
      default:
        break;
    }
  }
  tell(view, 0, kOwnerCameraStep);
  GVSetViewProjection(view);
  HWorld* world = worldOf(view);
  if (view->sceneCamera && *view->sceneCamera && GVCurrentFrame(view->world) == 0 && world &&
      world->params.stateMode == 0 && tell(view, 0, kOwnerStoreCamera) != 0)
    GVCopyCamera(cam, *view->sceneCamera);
}

LRESULT GVViewKeyDown(GVView* view, WPARAM key) {
  if (!view) return 0;
  ViewInputState& in = gViewInput;
  CameraRec* cam = cameraOf(view);
  if (!in.shiftHeld && !in.ctrlHeld) in.savedCameraMode = cam && cam->mode != 0 ? 1 : 0;
  const int answer = tell(view, 0, kOwnerQuery);
  const bool isRunning = (answer & 1) != 0, vehicle = (answer & 2) != 0;
  // Any key hides the part rectangle.
  const bool wasShown = in.rectShown != 0;
  in.rectShown = 0;
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_UP:
      if (isRunning && vehicle) {
        const int p1 = key == VK_LEFT ? -1 : key == VK_RIGHT ? 1 : key == VK_DOWN ? -2 : 2;
        tell(view, 0, kOwnerArrows, p1);
      }
      break;
    case VK_SHIFT:
    case VK_CONTROL: {
      const bool shift = key == VK_SHIFT;
      if ((shift ? in.shiftHeld : in.ctrlHeld) || !cam) break;
      in.shiftHeld = shift ? 1 : 0;
      in.ctrlHeld = shift ? 0 : 1;
      if (!isRunning) {
        cam->mode = shift ? 1 : 0;
        tell(view, 0, kOwnerCameraMode);
      } else {
        tell(view, 0, shift ? kOwnerShiftRunning : kOwnerCtrlRunning);
      }
      break;
    }
    case VK_SPACE:
      tell(view, 0, kOwnerSpace);
      break;
    default:
      break;
  }
  if (wasShown) GVRedrawView(view);
  return 0;
}

LRESULT GVViewKeyUp(GVView* view) {
  if (!view) return 0;
  ViewInputState& in = gViewInput;
  const bool wasShown = in.rectShown != 0;
  in.rectShown = 0;
  CameraRec* cam = cameraOf(view);
  if ((in.shiftHeld || in.ctrlHeld) && cam) {
    tell(view, 0, kOwnerQuery);
    cam->mode = in.savedCameraMode ? 1 : 0;
    tell(view, 0, kOwnerCameraMode);
  }
  in.shiftHeld = in.ctrlHeld = 0;
  if (wasShown) GVRedrawView(view);
  return 0;
}

LRESULT GVViewChar(GVView* view, WPARAM ch) {
  if (!view) return 0;
  switch (ch) {
    case 'f':
    case 'F':
      tell(view, 0, kOwnerKeyF);
      break;
    case 'c':
    case 'C':
      tell(view, 0, kOwnerKeyC);
      break;
    case '\\':
      tell(view, 0, kOwnerBackslash);
      break;
    case 'x':
    case 'X':
      tell(view, 0, kOwnerQuery);
      tell(view, 0, kOwnerKeyX);
      break;
    case 'o':
    case 'O':
      tell(view, 0, kOwnerKeyO);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT GVViewButtonDown(HWND hwnd, GVView* view, int32_t button, LPARAM lParam) {
  EnableWindow(hwnd, TRUE);
  SetActiveWindow(hwnd);
  SetFocus(hwnd);
  SetCapture(hwnd);
  if (view && hwnd == view->window && view->drag) {
    ViewInputState& in = gViewInput;
    in.pressX = LOWORD(lParam);
    in.pressY = HIWORD(lParam);
    in.captured = hwnd;
    in.button = button;
    GVViewMouseDown(view, hwnd);
    gViewModeFlags.windowSize = 0;
  }
  return 0;
}

LRESULT GVViewPointerMove(HWND hwnd, GVView* view, LPARAM lParam) {
  ViewInputState& in = gViewInput;
  if (!view || hwnd != view->window || !cameraOf(view) || !view->drag || hwnd != in.captured || in.button == 0)
    return 0;
  in.currentX = GET_X_LPARAM(lParam);
  in.currentY = GET_Y_LPARAM(lParam);
  GVViewMouseMove(view, hwnd);
  return 0;
}

LRESULT GVViewButtonUp(GVView* view) {
  ReleaseCapture();
  if (!view || !view->drag) return 0;
  ViewInputState& in = gViewInput;
  ViewDragRec& d = *view->drag;
  d.active = d.node = d.part = d.jelId = d.button = 0;
  in.button = 0;
  if (!gViewModeFlags.structureEdit) {
    if (gViewModeFlags.moveTool) {
      if (view->manipulator && view->manipulator->dragging) GVManipRelease(view->manipulator);
    } else if (gViewModeFlags.partPick) {
      if (in.rectApplied) in.rectShown = 0;
      in.rectApplied = 0;
    }
  }
  GVRedrawView(view);
  const bool current = (view->currentGeo && view->currentGeo[0]) || (view->currentJel && view->currentJel[0]);
  if (!running(view) && !gViewModeFlags.moveTool && view->toolMode == 0 && !in.shiftHeld && !in.ctrlHeld && current)
    GVShowObjectInfo(view);
  return 0;
}
