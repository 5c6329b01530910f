#pragma once
// A small stand-in for a Jel's lattice tables, made from a builder grid, so
// the deformation map can be tested without a whole Jel object.

#include <cstdint>
#include <memory>

#include "jel/deformation_map.h"
#include "jel/lattice_builder.h"

struct GridLattice {
  int32_t n = 0;
  std::unique_ptr<float[][3]> pos, central, oneSided;
  std::unique_ptr<int32_t[]> nbr[6], cellFlag, side[3], marks, glueJel, glueNode, glueFlag;
  std::unique_ptr<uint32_t[]> partMask;
  std::unique_ptr<float[]> deform[9];
  std::unique_ptr<int32_t[][3]> grid;  // grid indices per node
  DeformLattice view;

  // Numbers the builder's occupied points x-fastest, links neighbours across
  // solid cells and derives the difference weights; positions are the grid
  // points times the cell size.
  explicit GridLattice(LatticeBuilder* b, int32_t id = 7);
  int32_t node(int32_t x, int32_t y, int32_t z) const;
  void rotate(const float R[9], const float t[3]);  // pos = R pos + t, column form
};

// A builder of nx x ny x nz points with the given cells made solid.
std::unique_ptr<LatticeBuilder> MakeGrid(int32_t nx, int32_t ny, int32_t nz, float cell = 1.0f);
