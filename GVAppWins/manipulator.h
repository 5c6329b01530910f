// The transform manipulator: the on-screen gizmo of the 3-D view that moves,
// rotates and scales the attached Geo or Jel. This file holds its record, the
// screen/world geometry it works in, the hit tests of its handles, its OpenGL
// drawing, attaching it to objects and the press/drag/release operations that
// turn mouse movement into edits of a Geo's transform slot or a Jel's state.
//
// Screen points are view-window client pixels (y down). Angles are radians.
#pragma once

#include <cstdint>

#include "camera/camera_record.h"

struct GVView;
struct HWorld;
struct ObjHandle;

typedef int (*GVManipulatorEventFn)(int a, int event, intptr_t p1, intptr_t p2, void* context);

// Events sent through the callback (a, event, p1, p2).
enum : int {
  kManipGeoChanged = 1,   // a = mode, p1 = Geo id
  kManipGeoDone = 2,      // drag ended on a Geo
  kManipJelChanged = 4,   // a = mode, p1 = Jel id
  kManipJelDone = 8,      // drag ended on a Jel
  kManipReset = 16,       // reset after a refusal
  kManipWarning = 128,    // p2 = the warning text
};

struct GVManipulator {
  ObjHandle* geoList = nullptr;
  HWorld** world = nullptr;
  int32_t geoId = 0;
  int32_t jelId = 0;
  ViewportRec* viewport = nullptr;
  CameraRec** camera = nullptr;
  int32_t mode = 0;       // 0 off, 1 move, 2 rotate, 3 scale
  int32_t handle = 0;     // 1..3 axis, 4 centre
  int32_t dragDirection = 0;
  float size = 200.0f;    // pixels
  float worldRadius = 1.0f;
  float ringTangent[2] = {};
  float pressPoint[2] = {};
  float startAngle = 0.0f;
  float angle = 0.0f;
  float startParam = 0.0f;
  float param = 0.0f;
  float moveReadout = 0.0f;
  float rotateReadout = 0.0f;
  float scaleReadout = 1.0f;
  float position[3] = {};
  float freeTarget[3] = {};
  float rayDistance = 0.0f;
  float scaleMax = 2.0f;
  float scaleFullDrag = 10.0f;
  int32_t dragging = 0;
  void* eventContext = nullptr;
  GVManipulatorEventFn eventCB = nullptr;
  float startPosition[3] = {};
  float startRotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  float startScale[3] = {1, 1, 1};
};

void GVInitManipulator(GVManipulator* m, ObjHandle* geoList, HWorld** world, ViewportRec* viewport,
                       CameraRec** camera, void* view);

// ---- geometry (every operation is a no-op answering 0 without a camera) ----
// World point to (pixel x, pixel y, projected depth).
void GVManipWorldToPixel(const GVManipulator* m, const float world[3], float out[3]);
// The point at projected depth 10 on the mouse ray through the pixel.
void GVManipPixelToWorld(const GVManipulator* m, float x, float y, CameraRec** camera, float out[3]);
// World length that spans `pixels` / 2 on screen at the position.
float GVManipWorldSize(const GVManipulator* m, float pixels);
float GVManipEyeDistance(const GVManipulator* m);
// The point on the mouse ray at the ray distance from the eye.
int GVManipRayPoint(const GVManipulator* m, float x, float y, float out[3]);
// Rotate mode: ring 1..3 within 50 pixels, else 0.
int GVManipPickRing(const GVManipulator* m, float x, float y);
// Squared pixel distance from the point to the ring; 10000 for no hit.
float GVManipRingDistance(const GVManipulator* m, int axis, float x, float y);
// Angle of the mouse on the picked ring and the ring's screen tangent there.
int GVManipRingAngleAt(const GVManipulator* m, float x, float y, float tangent[2], float* angle);
// Move and scale modes: 4 within 7 pixels of the centre, else axis 1..3
// within 20 pixels of its screen line, else 0.
int GVManipPickAxis(const GVManipulator* m, float x, float y);
// Squared pixel distance to the axis's screen line; 1000 for an axis seen end-on.
float GVManipAxisDistance(const GVManipulator* m, int axis, float x, float y);
// The mouse position along the picked axis, in axis units.
int GVManipAxisParam(const GVManipulator* m, float x, float y, float* t);

// ---- drawing (immediate-mode OpenGL inside the overlay pass) ----
void GVDrawManipulator(GVManipulator* m);
void GVDrawRotateRings(GVManipulator* m);
void GVDrawRing(GVManipulator* m, int axis);
void GVDrawAxisHandles(GVManipulator* m);
void GVDrawAxisArm(GVManipulator* m, int axis, float length, float headLength, float headRadius, int highlighted);
// The small axis triad at the world origin (arms of 25 pixels).
void GVDrawWorldAxes(GVManipulator* m);

int GVNearlyEqual(float p, float q);
// centre + M (point - centre), M in column form.
void GVRotateAboutPoint(const float matrix[9], const float centre[3], const float point[3], float out[3]);

// ---- attaching and dragging ----
// Stores the ids, asks the permission check and places the manipulator.
int GVSetManipulatorFromSelection(int32_t geoId, int32_t jelId, GVManipulator* m);
// 1 allowed; 0 refused, the record reset (mode 0, ids 0) and event 16 sent.
int GVCheckMoveToolTarget(GVManipulator* m);
void GVPlaceManipulatorAtGeo(GVManipulator* m);
int GVManipPress(GVManipulator* m, float x, float y);
void GVManipDrag(GVManipulator* m, float x, float y);
void GVManipApply(GVManipulator* m);
void GVManipRelease(GVManipulator* m);
// Start angle plus one degree per pixel of travel along the ring tangent.
int GVManipDragAngle(const GVManipulator* m, float x, float y, float* angle);
// Within half a degree of a multiple of 45 degrees: that multiple.
float GVSnapAngle45(float angle);
// Within 0.02 of a whole number: that number.
float GVSnapToInteger(float d);

// ---- the view's layer ----
// Sets the mode and places the manipulator; 0 without one or when refused.
int GVManipulatorAttach(GVView* view, int32_t mode, int32_t geoId, int32_t jelId);
void GVManipulatorRecentre(GVView* view);
// 1 when there is no active manipulator or its target may be moved.
int GVManipulatorCanMove(GVView* view);
