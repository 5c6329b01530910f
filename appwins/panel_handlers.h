// The application's answers to the main window's permanent panels: the move
// tool, the time bar, the camera and animation panels, the key-frame button
// bar, the logic control window and the vehicle controls. Each panel calls its
// handler with a request code and the main window as user value; a handler
// does nothing (and answers 0) without the main window or its 3-D view.
#pragma once

#include <cstdint>

// Move tool: off 0 puts the manipulator into the mode (1 translate, 2 rotate,
// 3 scale) on the selection and answers 1 when it could be placed; off
// non-zero switches it off and answers 0.
int GVMoveToolCB(int mode, int off, void* user);

// Time bar: what 2 and 4 answer the view's current Geo and Jel ids (0 for
// none), 0x20 a press or drag over the frame, 8 a release there, 1 the new
// last frame (answered unchanged).
int GVTimeBarCB(int code, int what, int value, void* user);

// Camera panel: request 1 the view's camera mode, 2 whether the point of
// interest is fixed.
int GVCameraPanelQueryCB(int what, void* user);
// Codes 1 reset the selection display, 2-7 camera drag modes, 8 fix the point
// of interest, 9 look at the selection, 10 level the camera, 11 drag modes off.
int GVCameraPanelCB(int code, int state, void* user);

// Animation panel's state requests (1-6 of the dialog) read from the world.
int GVAnimPanelQueryCB(int what, int item, void* dialog);
// Codes 1-9: state toggle, to start, step back, single step, play control,
// world mode cycle, clear stored frames, loop toggle, loop length.
int GVAnimPanelCB(int direction, int code, int value, void* user);

// Key-frame button bar: 0x400 asks the current Geo, 0x40 a Geo's keys
// changed, 0x100 and 0x200 go to a key frame, 0x800 a status text.
int32_t GVKeyFrameBarCB(int32_t frame, int32_t event, int32_t geoId, const char* text, void* user);

// Logic control window: 8 re-step, 0x10 restart, 2 redraw, 0x20 select a Geo,
// 0x40 select a Jel.
int32_t GVLogicPanelCB(int32_t id, int32_t event, int32_t extra, void* user);

// Vehicle controls: 1 build, 0x10 / 0x100 restart, 0x20 camera follow, 0x2000
// re-step, 0x4000 wheel kind, 0x8000 / 0x10000 wheel-offset warnings, 0x20000
// status cleared; refused in a fly-away scene where the vehicle acts.
int32_t GVVehiclePanelCB(int32_t value, int32_t event, float fvalue, void* user);

// What the time bar draws of the scene: the world's play marks, the key
// frames of the selected Geos, the stored frames of the selected Jels.
void GVInstallTimeBarOwner();
