#pragma once
// The seven-word summary of a lattice grid: spacing, grid points per axis and
// per-axis scales. Shared by the lattice builder and the Jel object, whose
// lattice summary has the same form.

#include <cstdint>

struct LatticeSpec {
  float cellSize = 1.0f;
  int32_t nx = 2;
  int32_t ny = 2;
  int32_t nz = 2;
  float scale[3] = {1.0f, 1.0f, 1.0f};
};

// Copies all seven fields; nothing when either side is missing.
void GVCopyLatticeSpec(LatticeSpec* dst, const LatticeSpec* src);
