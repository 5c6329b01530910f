// Building a Jel around a group of Geos: a lattice grid sized from the
// group's bounds, the cells their vertices and faces pass through made solid,
// the Jel made from the grid, the group's vertices bound to its cells, and the
// Jel placed and aligned on the group.
//
// The steps share one lattice builder, made by the preparing step and owned
// by its caller (GVDestroyLatticeBuilder frees it).
#pragma once

#include <cstdint>

#include "geo/geo_object.h"

class HObject;
struct GeoList;
struct LatticeBuilder;
struct MatterProps;

// Largest number of grid points along an axis of a Jel made from Geos.
constexpr int32_t kGeoJelMaxAxisPoints = 100;

// A new builder for the group bounds (min x, max x, min y, max y,
// min z, max z): `count` points along `axis` (1 x, 2 y, 3 z, 4 the largest
// extent), one z layer for dimension mode 2 (flat), at least two for mode 3
// (solid). Writes the cell size into the matter record's Sc_L and the middle of
// the bounds into centre. Builds nothing for bad arguments or more than
// kGeoJelMaxAxisPoints points along an axis (null).
LatticeBuilder* GVPrepareGeoLattice(int32_t dimMode, int32_t axis, int32_t count, const float bounds[6],
                                    float centre[3], MatterProps* matter);
// Grid coordinates of every flagged vertex (relative to centre) into its
// primary binding entry; their cells become solid.
void GVGridCoordsOfGeoVerts(LatticeBuilder* b, GObject* geo, const float centre[3]);
// The cells the Geo's faces pass through become solid.
void GVFeedGeoFacesToGrid(LatticeBuilder* b, GObject* geo, int32_t axis, int32_t count, const float bounds[6],
                          const float centre[3]);
// Subdivides the triangle until its longest squared edge is below 0.99 x
// threshold, marking the cell of every midpoint.
void GVMarkTriangleInGrid(LatticeBuilder* b, const float p1[3], const float p2[3], const float p3[3],
                          int32_t depth, const float centre[3], float threshold);
// The Jel from the prepared grid: symmetry fill flags 2 / 4 / 8 mirror in x /
// y / z, fill mode 11 fills the enclosed inside, 13 the whole box. Null for a
// Jel id below 1, without a builder, or when the Jel cannot be made.
HObject* GVBuildJelFromGrid(LatticeBuilder* b, int32_t jelId, int32_t creation, int32_t fillMode,
                            int32_t fillFlags, MatterProps* matter);
// Grid coordinates left in the flagged vertices' entries become cells of the Jel.
void GVBindGeoVertsFromGrid(LatticeBuilder* b, GObject* geo, int32_t jelId);
// For a non-empty name names the Jel, moves it onto the group's centre and
// realigns it to the Geo's transform slots.
void GVPlaceJelOnGeo(HObject* jel, const char* name, GObject* geo, const float centre[3]);

// The whole road: a Jel enclosing the selected Geos, which end bound to it.
// Null for a group flat along the chosen axis, an empty selection, a grid past
// the axis limit, a Jel id below 1 or a failed creation.
HObject* GVCreateJelFromGeos(GeoList* list, int32_t geoSel, int32_t jelId, int32_t creation,
                             int32_t frameSel, const char* name, int32_t fillMode, int32_t fillFlags,
                             int32_t dimMode, int32_t axis, int32_t count, MatterProps* matter);
// GVPrepareGeoLattice when the selection holds a Geo, else null.
LatticeBuilder* GVPrepareGeoGroupLattice(GeoList* list, int32_t geoSel, int32_t dimMode, int32_t axis,
                                         int32_t count, const float bounds[6], float centre[3],
                                         MatterProps* matter);
