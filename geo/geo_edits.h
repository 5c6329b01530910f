// Whole-Geo edits on the scene's Geo list: mirrored copies, re-centring a
// Geo's base mesh, the checks a group must pass before it is merged, the
// connectivity queries behind splitting a merged Geo, and freeing a list.
//
// The list is passed as its handle cell (the scene keeps the cell); every
// operation does nothing, or returns 0, for a missing list.
#pragma once

#include <cstddef>
#include <cstdint>

#include "geo/geo_list.h"
#include "records/obj_handle.h"

// A copy of Geo sourceId mirrored in z, named by nameFormat (one "%s" for the
// source name, e.g. "%s_INV") made unique, with the next free id, appended to
// the list. Returns the new id; 0 when there is no such Geo, the format is not
// a plain one-"%s" pattern, or no usable name results.
int32_t GVInvertGeo(ObjHandle* list, int32_t sourceId, const char* nameFormat);

// Moves the base mesh's bounding-box centre to the origin and puts it into
// the start and frame transforms, then places the vertices by the frame
// transform; only while the start transform's scale is 1 (within 0.0001).
void GVCentreGeoBase(ObjHandle* geo);

// 0 when the group's Geos together have triangles and quads, else 1.
int GVGeoGroupIsUniform(const GeoList* list, int32_t group);
// UV-set count of the selection's first Geo when every selected Geo has its
// material count, UV-set count and flagged-set answer; else 0.
int32_t GVGeoSelUVSetCount(const GeoList* list, int32_t selection);
// The group's UV sets in all when at most 20; else 0.
int32_t GVGeoGroupUVSetTotal(const GeoList* list, int32_t group);

// marks has vertexCount + 1 entries; every vertex a chain of triangles joins
// to a marked vertex gets marked (non-zero). Returns the marked count; 0 for
// a missing Geo or mark array.
int32_t GVFloodMarkVerts(const GeoList* list, int32_t id, int32_t* marks);
// Vertices no triangle uses; -1 for a missing Geo. work (vertexCount + 1
// entries) is scratch and may be null.
int32_t GVCountLooseVerts(const GeoList* list, int32_t id, int32_t* work);

// A new Geo of one connected piece of Geo id, placed by its frame transform:
// keep 1 takes the piece that holds vertex 1, keep 0 the rest. Vertices keep
// their order; their current positions become the new base. Returns the new
// id; 0 when the kept part is empty or the whole Geo, or on failure.
int32_t GVSplitGeoPiece(ObjHandle* list, int32_t id, int32_t keep, const char* name);
// Splits Geo current into "GA_<id><depth>" and "GB_<id><depth>" and the B part
// again until nothing splits; intermediate B parts other than root are
// deleted. Non-zero when current was split.
int32_t GVSplitGeoRecursive(ObjHandle* list, int32_t root, int32_t current, int32_t depth);
// Splits a merged Geo into its connected pieces, which get consecutive ids
// from the next free id (written to first and last). Returns their number; 0
// when the Geo is one piece; -1 without a list or for id < 1; -2 for a Geo
// that is missing or has a vertex no triangle uses. The Geo itself stays.
int32_t GVUnMergeGeo(ObjHandle* list, int32_t id, int32_t* first, int32_t* last);

// The text the un-merge command shows for a selection and the result of
// GVUnMergeGeo on it (a group selection is refused before any split).
void GVUnMergeMessage(int32_t selection, int32_t result, char* out, size_t capacity);

// What the INVERT GEO command shows when no copy was made.
constexpr const char* kInvertGeoBadNameMessage = "Warning: INVERT GEO: Bad name! ... GEO NOT copied!";

// Deletes every Geo and the list, then frees the cell; *cell becomes null.
void GVFreeGeoList(ObjHandle** cell);
