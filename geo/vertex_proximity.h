// Finds the vertices that lie within a tolerance of each other without
// comparing every pair: vertices are sorted into cubic cells as large as the
// tolerance, so a vertex's close partners all lie in its own and the 26
// surrounding cells.
#pragma once

#include <cstdint>
#include <vector>

#include "geo/geo_object.h"

class GVCloseVertexIndex {
 public:
  // Indexes vertices 1..n of pos, only those with include[i] != 0 when include
  // is given. A tolerance that is not a positive finite number finds nothing.
  GVCloseVertexIndex(const GVFloat3* pos, int32_t n, float tol, const uint8_t* include);

  // Replaces out by the indexed vertices j > i, in ascending order, whose
  // squared distance from vertex i is strictly below tol * tol (computed in
  // float, as the mesh code does everywhere).
  void laterPartners(int32_t i, std::vector<int32_t>& out) const;

 private:
  struct Entry {
    int64_t cell[3];
    int32_t index;
  };
  void cellOf(const float* p, int64_t* cell) const;

  const GVFloat3* pos_;
  float tolSq_;
  double invTol_;
  bool active_;
  float origin_[3];
  std::vector<Entry> entries_;
};
