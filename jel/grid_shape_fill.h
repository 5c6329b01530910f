#pragma once
// Filling a lattice builder's grid from a shape: marking the cells that points
// of a mesh fall in, filling the inside of a closed shell of cells, and turning
// grid coordinates into lattice locations of the Jel built from the grid.

#include <cstdint>

#include "jel/deformation_map.h"
#include "jel/lattice_builder.h"

// Fills every empty cell that no path of empty cells joins to the grid's outer
// layer of cells, occupying its corners. Returns the number of cells added.
int32_t GVGridFillInterior(LatticeBuilder* b);

// Grid coordinates of a point (grid centred on the origin) go into the
// record's u, v, w; the cell holding the point is made solid. A point outside
// the grid clears the record's Jel id and cell node.
void GVGridCoordsOfPoint(LatticeBuilder* b, const float point[3], GeoVertBind* rec);

// Turns the grid coordinates left in the record by GVGridCoordsOfPoint into a
// location in the Jel built from the grid (through the grid -> node map).
// Returns the cell node, 0 (and a zero record) outside the grid.
int32_t GVGridLocateInJel(const LatticeBuilder* b, int32_t jelId, GeoVertBind* rec);
