// Steps the menu commands and the creation callbacks share: the display
// modes of the view camera, and the closing sequence that makes an object
// current and brings the view and the panels up to date.
#pragma once

#include <cstdint>

struct CameraRec;
struct ObjHandle;

// The view camera, null without a view or camera.
CameraRec* GVCommandCamera();
// The view camera's Geo (jel false) or Jel display mode; 0 without a camera.
int32_t GVCommandDisplayMode(bool jel);
// A display mode of 1 (nothing shown) becomes 2 so that a new object shows,
// and the main window's chooser follows; other modes stay.
void GVRaiseDisplayMode(bool jel);

// A Geo just added to the scene: the logic system's collision data (when
// asked), face and vertex normals, and its render objects in the view's Geo
// display mode.
void GVTakeNewGeo(ObjHandle* geo, bool prepareCollision);
// The same, with the collision data, for the Geo of that id; a missing Geo is
// named in the message box ("<caller>: bad geo <id>") and gives false.
bool GVTakeNewGeoById(int32_t id, const char* caller);

// The closing steps of a command that made or chose an object: the move tool
// is reset, the Geo (or, with jelId non-zero, the Jel) becomes the view's
// current object, every panel is refreshed with (panelGeo, panelJel), the
// view redrawn and the object information shown.
void GVShowNewCurrentGeo(int32_t geoId);
void GVShowNewCurrentJel(int32_t jelId, int32_t panelGeo);
// After a deletion: the selection display reset as after an open (unless a
// pick is pending), panels refreshed with (0, 0), the transform tool released
// when its target may no longer move.
void GVAfterObjectsDeleted();
// The transform tool's mode buttons released when the manipulator may not
// move what it holds.
void GVReleaseStuckTransformTool();
// The beep of a refused action and a status-line text.
void GVRefuseWithStatus(const char* text, bool beep);
