// A Geo made from the surface of a Jel: one vertex per node and side of the
// lattice, two triangles per surface face, and a UV set laid out in grid steps.
#pragma once

#include <cstdint>

#include "records/obj_handle.h"

class HObject;

// Axis code of a Jel surface face: 1 / -1 when its normal's x component lies
// above 0.9 / below -0.9, else 2 / -2 for y, else 3 / -3 for z; 0 for a face
// along no axis or a face number outside 1..face count.
int32_t GVJelFaceAxis(const HObject* jel, int32_t face);

// What the create command shows when the Jel already has a bound Geo, or a
// Geo made from it.
constexpr const char* kGeoFromJelBoundExistsMessage = "CreateGeoFromJelCB: cannot create ... massoc'd Geo already exists!";
constexpr const char* kGeoFromJelExistsMessage = "CreateGeoFromJelCB: cannot create ... corresponding geo already exists!";

// Builds the Geo, appends it to the list with the next free id and returns
// that id; 0 (list unchanged) without a list or Jel, for a missing or empty
// name, or when memory runs out.
int32_t GVCreateGeoFromJel(ObjHandle* list, HObject* jel, const char* name);
