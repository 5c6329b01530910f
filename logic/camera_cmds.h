// Categories 8 (CAMERA) and 9 (DRAWING). CAMERA holds camera commands that
// are catalogue entries without an effect, a zoom that reads its value and
// changes nothing, and two commands that move a scene light: to a Geo's
// position plus an offset, or to a given position. DRAWING shows a part of a
// Jel as the view's selection.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

enum : int32_t {
  kCamPoiFix = 0,
  kCamPoi = 1,
  kCamPos = 2,
  kCamPan = 3,
  kCamTilt = 4,
  kCamUp = 5,
  kCamTrack = 6,
  kCamPoiDist = 7,
  kCamZoom = 8,
  kCamLightAtGeo = 9,
  kCamLightPos = 10,
  kCamCount = 11,
};

// What a moved light asks the view to bring up to date: its visibility and
// position.
constexpr int32_t kLogicLightUpdate = 0x40 | 0x80 | 0x100;

void GVBuildCameraCmds(LogicSystem* sys);
void GVBuildDrawingCmds(LogicSystem* sys);

int32_t GVCmdCamZoom(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdLightAtGeo(int32_t program, LogicLine* line, LogicSystem* sys);
// Sets a light's position; while the scene runs, in the last sub-step of a
// frame only.
int32_t GVCmdLightPos(int32_t program, LogicLine* line, LogicSystem* sys);
// Asks the application to make the Jel part the view's selection, once per
// frame and only while the view is not dragging.
int32_t GVCmdDrawPart(int32_t program, LogicLine* line, LogicSystem* sys);
