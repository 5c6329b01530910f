// Lattice tables of a Jel: surface faces, edges and their normals.
#pragma once

#include <cstdint>

#include "jel/state_interface.h"

// Unit normal of every face (a, b, c, d): (d - b) x (c - a), normalised; the
// zero vector for a degenerate face. Entries 1..faceCount of out are written.
void GVComputeFaceNormals(const int32_t (*faces)[4], int32_t faceCount, const Vec3f* pos,
                          int32_t nodeCount, Vec3f* out);
