// Category 10 (EFFECTS): the small behaviours of characters in a running
// scene. A Jel follows the mouse or is driven the way a pointer Geo points
// when the view reports a pointer event; eye Geos turn towards the camera or a
// point; Geos are turned by program values, alone or carried by another Geo;
// a mouth Geo is scaled and two brow Geos are tilted through repeatable
// pseudo-random poses; one Jel's part is pulled towards another Jel's shape.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

enum : int32_t {
  kFxMouse = 0,
  kFxGeoPointer = 1,
  kFxEyeCam = 2,
  kFxEyePoint = 3,
  kFxTrackColl = 4,
  kFxGeoRot1 = 5,
  kFxGeoRot2 = 6,
  kFxMouseDrag = 7,
  kFxTalk = 8,
  kFxBrow = 9,
  kFxAttract = 10,
  kFxCount = 11,
};

// The half-angle (degrees) of the cone within which the eye commands look.
constexpr float kLogicEyeCone = 53.0f;

void GVBuildEffectsCmds(LogicSystem* sys);

// The mouse-drag recorder (GVLogicRecordMouseDrag) of the line.
int32_t GVCmdMouseFollow(int32_t program, LogicLine* line, LogicSystem* sys);
// Consumes the view's pending pointer event (one with a Jel) in the last
// sub-step of a frame and gives part 1 of that Jel the mean velocity s along
// the pointer Geo's x axis, flattened onto the ground plane.
int32_t GVCmdGeoPointer(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdEyeCam(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdEyePoint(int32_t program, LogicLine* line, LogicSystem* sys);
// Turns a Geo from its start orientation about its own axes; in the
// natural-state mode it puts the Geo back at its start transform.
int32_t GVCmdGeoRot1(int32_t program, LogicLine* line, LogicSystem* sys);
// Carries Geo 2 (its start transform) on Geo 1 (its frame transform), turned
// about its own axes.
int32_t GVCmdGeoRot2(int32_t program, LogicLine* line, LogicSystem* sys);
// While the view drags, constrains the drag of a Jel part to the part's own
// axis (from its lowest to its highest node).
int32_t GVCmdMouseDrag(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdGeoTalk(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdGeoBrow(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdAttract(int32_t program, LogicLine* line, LogicSystem* sys);
