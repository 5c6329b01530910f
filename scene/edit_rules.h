// Renaming objects (their render objects are named after them, so a rename
// rebuilds those), and the tests the editors and the 3-D view's tools ask
// before they move, rotate or scale an object. The tests depend on the
// world's state-mode word: -1 natural state, 0 initial state.
//
// Refusals with a message write it on the view's status line and beep; silent
// refusals (no view, a tool or the view busy) leave no trace.
#pragma once

#include <cstdint>

#include "records/obj_handle.h"

class HObject;

// Tools of the transform tests.
enum : int32_t {
  kToolSelect = 1,  // refused like rotate and scale while a view tool is active
  kToolRotate = 2,
  kToolScale = 3,
  kToolMove = 5,
  kToolMoveAlt = 6,
};

// Renames the Geo (or Jel) with the id: the name is cleaned in place first; a
// name the cleaner had to change or could not use, or one another object
// already has (its own included), is refused: 0, nothing changed. Also 0
// without a started render system, a view, or such an object. 1 renamed, with
// the render objects rebuilt under the new name.
int32_t GVRenameGeo(char* name, int32_t id);
int32_t GVRenameJel(char* name, int32_t id);

// 1 refused, 0 allowed (a key-framed Geo is allowed with the notice below).
int32_t GVIsGeoReconfigureBlocked(ObjHandle* geo, int32_t stateMode);
// The notice of a key-framed Geo given a new transform.
extern const char kKeyframedGeoNotice[];
// For a Jel id, or every Jel of a group selection: 1 refused, 0 allowed.
int32_t GVIsJelTransformBlocked(int32_t selection, int32_t stateMode, int32_t tool);
// In initial-state mode: 1 when some Geo of the scene follows its Jel (flag
// 0x200) and has key frames; 0 otherwise and for selection 0.
int32_t GVJelHasKeyframedGeo(int32_t selection);
// 0 in natural-state mode; else 1 when the Geo follows a Jel (0x200) without
// being bound to it (0x2).
int32_t GVIsGeoAttachmentFree(ObjHandle* geo);
// -11 for an empty handle, else the Geo's drive mode at the frame.
int32_t GVGetGeoDriveModeSafe(ObjHandle* geo, int32_t frame, int32_t stateMode);

// Destroy callbacks: the object's render objects go with it. Nothing for null.
void GVDestroyGeoOgreCB(ObjHandle* geo);
void GVDestroyJelOgreCB(HObject** jel, int32_t id, void* user);

// Render objects of a newly built vehicle (nothing without a started render
// system): the Jels of the non-zero ids of the fifteen; the four Geos from
// firstId with their normals. Either turns the view camera's display mode from
// 1 (none) to 32 so that the new parts show, selecting the chooser item.
void GVCreateOgreVehicleJelObjs(int32_t mode, const int32_t jelIds[15]);
void GVCreateOgreVehicleGeoObj(int32_t firstId, int32_t mode);

// Info-panel warnings of refused structure edits.
enum : int32_t {
  kWarnFlyAway = 4,
  kWarnCheckAttachments = 5,
  kWarnPartJel = 6,
  kWarnSuspensionJel = 7,
  kWarnBikeJel = 8,
};

// May the structure of the Jel with this id be rebuilt? 1 when there is no
// vehicle or it is empty, or when none of these holds: the Jel is in the
// group of one of the vehicle's six parts (warning 6), it is the suspension
// (7), the vehicle has wheels on one side only and the Jel is its chassis of
// 60 nodes and 58 faces or its body of 62 and 60 (8), the scene is a fly-away
// scene (4). A refusal beeps, shows its warning in the info panel and gives 0.
// *vehicleThere tells whether a non-empty vehicle was consulted.
int32_t GVJelStructureEditAllowed(int32_t jelId, int32_t* vehicleThere = nullptr);

// The 1-based display chooser item of a display mode: 1, 2, 16, 32 give 1 to
// 4; anything else 1.
int32_t GVDisplayModeItem(int32_t mode);
