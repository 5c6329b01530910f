// Small hand-built lattices for the state tests: an nx x ny x nz block of
// nodes on a grid of spacing h, whose cells are solid where a predicate says.
// Every table a Jel object would hold is derived here from grid coordinates,
// independently of the library's own table builder.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "jel/frame_params.h"
#include "jel/live_state.h"

struct BlockLattice {
  using SolidFn = std::function<bool(int, int, int)>;

  // nz = 1 gives a single-layer (flat) lattice whose cells lie in z = 0.
  BlockLattice(int nx, int ny, int nz, float h, SolidFn solid = nullptr, int storedFrames = 0);
  ~BlockLattice();
  BlockLattice(const BlockLattice&) = delete;
  BlockLattice& operator=(const BlockLattice&) = delete;

  int index(int x, int y, int z) const { return 1 + x + nx * (y + ny * z); }
  bool inside(int x, int y, int z) const { return x >= 0 && y >= 0 && z >= 0 && x < nx && y < ny && z < nz; }
  // Node at grid (x, y, z), 0 outside the block.
  int at(int x, int y, int z) const { return inside(x, y, z) ? index(x, y, z) : 0; }
  bool cellSolid(int x, int y, int z) const;  // the cell whose lowest corner is (x, y, z)
  int solidCellCount() const;

  // A live state built the way the Jel object builds one.
  std::unique_ptr<HAState> makeState();

  int nx, ny, nz;
  float h;
  int n;
  int faceCount = 0;
  SolidFn solid;
  JelHead head;
  FrameParams params;
  uint32_t flags = 0;
  int32_t stamps[4] = {-1, -1, -1, -1};
  std::vector<int> gx, gy, gz;  // grid coordinates per node

 private:
  std::vector<std::vector<int32_t>> ints_;
  std::vector<std::vector<uint32_t>> uints_;
  std::vector<std::vector<float>> floats_;
  int32_t* intArray(size_t count);
  float* floatArray(size_t count);
};


class HObject;

// A Jel object built from the block the way the lattice builder fills one:
// slot-0 records (1-based grid indices, neighbours, cell flags, natural and
// initial positions, default matter), then its tables and live state.
std::unique_ptr<HObject> makeBlockJel(int nx, int ny, int nz, float h, BlockLattice::SolidFn solid = nullptr,
                                      int id = 1);
