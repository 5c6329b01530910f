// Scene access to the Geo list: the list and its Geos reached through handle
// cells. Every function does nothing (or returns null / 0) for a null handle
// or an empty cell.
#pragma once

#include <cstdint>

#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "records/obj_handle.h"

inline GeoList* GVGeoListOf(const ObjHandle* cell) {
  return cell ? static_cast<GeoList*>(cell->object) : nullptr;
}
inline GObject* GVGeoOf(const ObjHandle* cell) {
  return cell ? static_cast<GObject*>(cell->object) : nullptr;
}

// Stores a new empty list in the cell, its handle set to the cell; the cell
// holds null when memory runs out.
void GVNewGeoList(ObjHandle* cell);
// Deletes every Geo (GVDeleteGeos with -1), tears the list down, frees it and
// clears the cell.
void GVDeleteGeoList(ObjHandle* cell);

// Appends / unlinks the Geo of a handle; the list's change callback is called
// with 1 / 0.
void GVAddGeoToScene(ObjHandle* list, ObjHandle* geo);
void GVRemoveGeoFromScene(ObjHandle* list, ObjHandle* geo);

// Handle of the Geo with that id; null for id < 1 or no such Geo.
ObjHandle* GVFindGeo(ObjHandle* list, int32_t id);
// Largest Geo id plus one; 1 for an empty list.
int32_t GVNextGeoId(ObjHandle* list);
// Deletes the Geos the selection picks with their handle cells, calling the
// change callback as GVDeleteGeoSel does; selection 0 deletes nothing.
void GVDeleteGeos(ObjHandle* list, int32_t selection);
ObjHandle* GVFirstGeo(ObjHandle* list);
ObjHandle* GVNextGeo(ObjHandle* geo);

// A new cell (allocated with new) holding a new default Geo; null when memory
// runs out.
ObjHandle* GVCreateGeo();
// Fills the cell with a new default Geo that keeps the cell's address; the
// cell must come from `new`, as the Geo's deletion frees it. Returns the cell,
// or null (cell emptied) when memory runs out.
ObjHandle* GVInitGeoHandle(ObjHandle* cell);
// Fills the cell with a new Geo copied from the source's Geo under a new name
// and id (GObject::constructCopy); a refused copy leaves a default Geo. Returns
// the cell, or null (cell emptied) when memory runs out.
ObjHandle* GVNewGeoCopy(ObjHandle* cell, ObjHandle* source, const char* name, int32_t newId);
// 0 for an empty handle, else GVBuildGeoFromDesc on its Geo.
int GVBuildGeoFromMesh(ObjHandle* geo, GeoMeshDesc* desc, int32_t id);
