// The four Geos that draw a vehicle's wheels ("GWheelFL", "GWheelFR",
// "GWheelBL", "GWheelBR"): the two built-in front wheel meshes, the back
// wheels copied from them, and their placing on and binding to the wheel Jels.
#pragma once

#include <cstdint>

#include "records/obj_handle.h"

constexpr int32_t kWheelGeoVertices = 224;
constexpr int32_t kWheelGeoTriangles = 316;
// Geo flag of a vehicle's wheel Geo.
constexpr uint32_t kGeoFlagVehicleWheel = 0x80000;

extern const char* const kWheelGeoNames[4];  // FL, FR, BL, BR

// A new Geo (in a new cell, not listed) holding the left or right front wheel
// mesh under the id; null when the cell or the mesh cannot be made.
ObjHandle* GVBuildWheelGeoFL(int32_t id);
ObjHandle* GVBuildWheelGeoFR(int32_t id);
// A new Geo (in a new cell, not listed) copied from the scene's Geo sourceId
// under the new name and id; null for an id below 1, an empty name, a missing
// source or when memory runs out.
ObjHandle* GVCopyWheelGeo(int32_t sourceId, int32_t newId, const char* name);
// Deletes those of the four wheel Geos (found by name) that exist.
void GVDeleteWheelGeos(ObjHandle* list);
// In natural-state mode, with a vehicle: the four wheel Geos from id g on,
// listed, placed on their wheel Jels and bound to them. With a 3-D view, a
// Geo already named like a wheel Geo refuses the whole command with a status
// line naming it.
void GVCreateVhcl_2x2(int32_t g);
// The wheel Geos (found by name) placed on and bound again to the wheel Jels
// the vehicle now has (after its wheels were rebuilt), in natural-state mode.
void GVRebindWheelGeos();
