// The scene-bounds box as corners and edges: corner k (1..8) takes the maximum
// of x, y, z for bits 0, 1, 2 of k - 1; each edge stands once, at its
// lower-numbered corner. The engine's walls and the GL overlay both walk it.
#pragma once

// Neighbour corners of corner k in row k - 1; 0 is none.
extern int gBoxEdges[8][3];

void GVInitBoxEdges();
// Corner k - 1 of the box of bounds (xmin, xmax, ymin, ymax, zmin, zmax).
void GVBoxCorners(const float bounds[6], float corners[8][3]);

// Calls fn(a, b) for the twelve edges in table order (corner 1 to 8, each row
// left to right).
template <class Fn>
void GVForEachBoxEdge(const float corners[8][3], Fn fn) {
  for (int i = 0; i < 8; ++i)
    for (int j : gBoxEdges[i])
      if (j > 0) fn(corners[i], corners[j - 1]);
}
