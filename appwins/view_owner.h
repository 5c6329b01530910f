// GVViewOwnerCB: the application's receiver of the 3-D view's one-bit events
// and of the panels and editors that were given the view's owner callback.
// It refreshes what an event affects (render objects, info panel, time bar,
// logic lines, open editors) and keeps a few process-wide values: the
// vehicle's driving inputs, the chase camera's follow values, the picked-Jel
// pair of the logic system and the restart of the scene.
#pragma once

#include <cstdint>

// The events, one bit each.
enum GVViewEvent : uint32_t {
  kViewGeoPicked = 0x1,
  kViewJelPicked = 0x2,
  kViewJelCreated = 0x4,
  kViewGeoTransform = 0x8,
  kViewGeoPlacement = 0x10,
  kViewJelStructure = 0x20,
  kViewJelRealigned = 0x40,
  kViewMoveToolEnded = 0x80,
  kViewStatusText = 0x200,
  kViewRestart = 0x400,
  kViewClearInfo = 0x800,
  kViewCameraMode = 0x1000,
  kViewVehicleQuery = 0x2000,
  kViewDriveForward = 0x4000,
  kViewDriveReverse = 0x8000,
  kViewLogicPick = 0x10000,
  kViewNextJel = 0x20000,
  kViewDriveNeutral = 0x40000,
  kViewSteerDrag = 0x80000,
  kViewCamHeight = 0x200000,
  kViewCamDistance = 0x400000,
  kViewCamFov = 0x800000,
  kViewCamHeading = 0x1000000,
  kViewLightChanged = 0x2000000,
  kViewAnimMode = 0x4000000,
  kViewDriveKeys = 0x8000000,
  kViewOpenScene = 0x10000000,
  kViewRttQuery = 0x40000000,
};

// source: 0 an editor or panel reports, 1 the view reports a pick of its own;
// mask: one event; id: the Geo or Jel id, or a signed step for the driving
// events; extra: the text of the status event; user: the main window.
// Returns 0, except for the two queries: kViewVehicleQuery answers bit 0
// while the scene runs and bit 1 for a non-empty vehicle, kViewRttQuery
// non-zero while render-to-texture is off.
int GVViewOwnerCB(int source, int mask, intptr_t id, intptr_t extra, void* user);

// The centre of mass (part 1 at that frame) of the Jels of a selection, over
// group masks as unsigned bits; the origin when their mass is 0. 1 when some
// Jel had mass.
int GVSelectionCentre(int32_t selection, int32_t frame, float centre[3]);
