// The transform manipulator's record: what it is attached to, its handles and
// drag state, and the start transform of a drag.
#pragma once

#include <cstdint>

#include "GVAppWins/camera_record.h"

struct HWorld;
struct ObjHandle;

typedef int (*GVManipulatorEventFn)(int a, int event, intptr_t p1, intptr_t p2, void* context);

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
