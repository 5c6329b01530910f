// The application callbacks of the Jel editors (initial state, matter,
// structure, parts, groups, glue). Each editor reports what the user did
// with a code and one event bit; the callback refreshes the selection,
// re-steps the scene, binds a Jel's Geo again when its initial or natural
// state was re-set, and refuses structure edits that the vehicle or the scene
// forbids. The last argument is the main window; without it, or without its
// 3-D view, a callback does nothing (and answers 0).
#pragma once

#include <cstdint>

class HObject;
struct GObject;

// Events of the initial-state editor.
enum : uint32_t {
  kInitStateChooser = 0x1,
  kInitStateMode = 0x2,
  kInitStateResetNatural = 0x4,
  kInitStateResetA = 0x8,
  kInitStateResetB = 0x10,
  kInitStateSet = 0x800,
  kInitStatePlaceGeos = 0x40000,
  kInitStateNaturalKeyFramed = 0x80000,
  kInitStateInitialKeyFramed = 0x100000,
};

// Events of the structure editor.
enum : uint32_t {
  kEditStructChooser = 0x1,
  kEditStructModeChanged = 0x2,
  kEditStructMayStart = 0x4,
};

// The vehicle's group asked of the Jel group editor.
constexpr uint32_t kJelGroupVehicleGroup = 0x800;

void GVInitialStateCB(int32_t code, uint32_t event, float value, void* mainWindow);
void GVMatterDlgCB(int32_t code, uint32_t event, float value, void* mainWindow);
// Event 4: 1 when the Jel's structure may be rebuilt, else 0; other events 0.
int32_t GVEditStructCB(int32_t code, uint32_t event, int32_t jelId, void* mainWindow);
void GVEditPartCB(int32_t code, uint32_t event, int32_t jelId, int32_t part, void* mainWindow);
// Event 0x800: the vehicle's third group selector, made on first use; 0
// without a vehicle with a world. Other events 0.
int32_t GVEditJelGroupCB(int32_t code, uint32_t event, int32_t id, int32_t group, void* mainWindow);
void GVEditGlueCB(int32_t code, uint32_t event, int32_t first, int32_t second, void* mainWindow);

// Binds a Geo again to its Jel after the Jel's state was re-set: the Jel's
// deformation brought up to date, the Geo's start transform applied, the Geo
// bound anew with its bound flag (0x2) as it was; when the association is
// good (flag 0x20 clear) the Geos of the Jel are refreshed. 1 good, 0 too far
// outside (or a missing object).
int32_t GVRemassocGeoWithJel(GObject* geo, HObject* jel);
