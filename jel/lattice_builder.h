#pragma once
// The design grid of a Jel before the Jel exists: which grid points carry a
// node and which grid cells are solid. Filled cell by cell, by boxes or by
// mirroring, classified, and then turned into a Jel object.
//
// Grid point (x, y, z), 1-based, has index ((z - 1) * ny + (y - 1)) * nx + x;
// coordinates outside the grid give index 0, whose entries are a sink. Every
// per-point array has nx * ny * nz + 1 entries. Cell (x, y, z) is the unit cube
// with lowest corner (x, y, z); a grid one point thick in z still has cells at
// z = 1.

#include <cstdint>

#include "jel/lattice_design.h"

// Largest number of grid points per axis and in total that a builder accepts;
// dimensions come from files and dialogs and size every per-point array.
constexpr int32_t kGridMaxAxisPoints = 1024;
constexpr int32_t kGridMaxPoints = 4 * 1024 * 1024;

struct LatticeBuilder {
  LatticeBuilder() = default;
  explicit LatticeBuilder(const LatticeSpec* spec);
  LatticeBuilder(const LatticeBuilder&) = delete;
  LatticeBuilder& operator=(const LatticeBuilder&) = delete;
  ~LatticeBuilder();

  LatticeBuilder** handle = nullptr;  // holding cell; null for the process-wide builder
  float cellSize = 1.0f;
  int32_t nx = 2, ny = 2, nz = 2;
  float scale[3] = {1.0f, 1.0f, 1.0f};

  int32_t* pointFlag = nullptr;    // 1 where a node stands
  int32_t* cellFlag = nullptr;     // the cell whose lowest corner is this point is solid
  int32_t* oneSided[3] = {};       // -1, 0, +1 per axis
  int32_t* balance[3] = {};        // low-side minus high-side solid cells, -4..4
  int32_t* pointClass = nullptr;   // 0..3
  int32_t* nodeOfPoint = nullptr;  // node number standing at the point, 0 none
  float (*restPos)[3] = nullptr;   // rest position of the point, grid centred on the origin
  int32_t (*pointList)[3] = nullptr;  // entries 1..count: (x, y, z) of node k
  int32_t pointCount = 0;          // entries in the point list after the last listing
  int32_t allocated = 0;           // entries per array (nx * ny * nz + 1), 0 without arrays

  int32_t points() const { return nx * ny * nz; }
};

// Stores the grid layout and allocates cleared arrays for it. Returns 1, or 0
// (no arrays, dimensions 0) for a missing builder, a non-positive or non-finite
// cell size, or dimensions outside 1..kGridMaxAxisPoints or above
// kGridMaxPoints in total.
int GVInitLatticeBuilder(const LatticeSpec* spec, LatticeBuilder* b);
void GVFreeLatticeBuilder(LatticeBuilder* b);
// Frees the arrays and then the record itself (a builder made with new).
void GVDestroyLatticeBuilder(LatticeBuilder* b);
void GVClearLatticeGrid(LatticeBuilder* b);
// Reallocates for the builder's current dimensions; same result as init.
int GVReallocLatticeGrid(LatticeBuilder* b);
// The builder's own layout (cell size, dimensions, scales).
void GVGetLatticeSpec(const LatticeBuilder* b, LatticeSpec* out);
void GVSetLatticeSpec(LatticeBuilder* b, const LatticeSpec* spec);

int32_t GVGridIndex(int32_t x, int32_t y, int32_t z, const LatticeBuilder* b);
// Solid flag of cell (x, y, z); 0 for a cell outside the grid.
int32_t GVGridCellSolid(int32_t x, int32_t y, int32_t z, const LatticeBuilder* b);
int32_t GVGridListOccupied(LatticeBuilder* b);
void GVGridAddCell(int32_t x, int32_t y, int32_t z, LatticeBuilder* b);
void GVGridRemoveCell(int32_t x, int32_t y, int32_t z, LatticeBuilder* b);
void GVGridRecomputeCorners(int32_t x, int32_t y, int32_t z, LatticeBuilder* b);
void GVGridFillBox(int32_t startX, int32_t countX, LatticeBuilder* b, int32_t startY,
                   int32_t startZ, int32_t countY, int32_t countZ);
void GVGridFillAll(LatticeBuilder* b);
void GVGridMirrorX(LatticeBuilder* b);
void GVGridMirrorY(LatticeBuilder* b);
void GVGridMirrorZ(LatticeBuilder* b);
void GVGridClassifyPoints(LatticeBuilder* b);
