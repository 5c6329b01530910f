// The vehicle commands of the vehicle controls, the scene-open handlers and
// shutdown: building (or rebuilding) the scene's vehicle of a kind and
// settling it on the floor, removing it, checking its wheel Geos, and carrying
// Geo attachments over to the Jels of a rebuilt vehicle.
#pragma once

#include <cstdint>

#include "records/obj_handle.h"

// Builder flags of a vehicle kind: 0 a plain chassis with its cross plate; 1
// to 5 with body and suspension and more posts; other kinds as 1.
int32_t GVVehicleKindFlags(int32_t kind);

struct VehicleRec;

// The drive settings of a first build: chassis part 1 kept rigid, soft
// wheels, Sc_T 5, Fy -0.5, grips 0.7, both axles driven, front brakes.
void GVVehicleFirstSettings(VehicleRec* v);
// Builds the scene's vehicle of the kind (nA, nB 0: 9 and 8), replacing the
// one there (whose chassis part, rigid wheels, drive settings and suspension
// matter are kept), settles it through 200 frames into its initial state,
// makes its wheel Geos and render objects (geoMode for the wheel Geos) and,
// with wheel-kind mode 1 or 2, changes its wheels' kind. The vehicle's cell,
// or null when it could not be made (the old vehicle is gone by then).
ObjHandle* GVMakeVehicle(int32_t kind, int32_t nA, int32_t nB, int32_t wheelKindMode, int32_t geoMode);
// Removes the scene's vehicle: the Geos bound to its wheels, its Jels, the
// record and its cell, and its scene services.
void GVDeleteVehicle();
// 0 when a Geo on one of the four wheel Jels is bound to a cell numbered
// above 18 (it was bound to a 16-segment wheel); 1 otherwise, without a
// vehicle and for wheels on one side only.
int32_t GVVehicleWheelGeosOk();
// The id of the new list at the place the id has in the old one (a body
// replaced by none maps to the new chassis); 0 when absent or id < 1.
int32_t GVVehicleMapJelId(int32_t id, const int32_t newIds[15], const int32_t oldIds[15]);
// Points the Jel ids of every Geo attachment that name a Jel of the old list
// at the new one's, and applies the attachments again.
void GVVehicleRemapGeoAttachments(const int32_t oldIds[15], const int32_t newIds[15]);
