// Mesh topology a Geo needs for collisions: coincident-vertex groups, the
// faces around each vertex merged across them with their weights, closed-fan
// and over-shared-edge flags, and the crease flags that tell whether the mesh
// bends away from or towards each vertex's normal.
#pragma once

#include <cstdint>

#include "geo/geo_object.h"

// Bits of a vertex's creaseFlags word.
enum : int32_t {
  kCreaseScratch = 0x1,          // scratch mark of the coincident search
  kCreaseCoincidentLater = 0x400,  // coincident with an earlier vertex
  kCreaseCoincident = 0x800,
  kCreaseCoincidentMerge = 0x1000,  // face lists merge across this vertex's group
  kCreaseClosedFan = 0x4000,
  kCreaseBelow = 0x10000,   // an edge dips below the tangent plane
  kCreaseAbove = 0x20000,   // an edge rises above it
  kCreaseOverShared = 0x40000,  // on an edge of more than two triangles
};
// Bits cleared before the topology is rebuilt (the seam bit survives).
constexpr int32_t kCreaseTopologyResetMask = 0xfdc01;

// 1 when the triangle holds both a and b.
int GVTriHasEdge(const int32_t* tri, int32_t a, int32_t b);

void GVAllocGeoTopology(GObject* geo);
void GVFreeGeoTopology(GObject* geo);
// Clears the topology bits; when a table is missing, makes them all and
// rebuilds coincident lists, vertex-to-face lists, normals and crease flags.
void GVEnsureGeoTopology(GObject* geo);

// Groups of vertices closer than faceSize * 0.0001 (each vertex in at most one
// group) and their membership bits.
void GVBuildGeoCoincidentLists(GObject* geo);
// Faces around each vertex, over-shared edge and closed fan bits, merge across
// coincident groups, weights.
void GVBuildGeoVertexFaceLists(GObject* geo);
void GVBuildGeoVertexFaceWeights(GObject* geo);
// First face of list, other than 0 and skip, whose triangle holds a and b; 0
// when none.
int32_t GVFindEdgeNeighbourTri(const GObject* geo, const IntList* list, int32_t skip, int32_t a,
                               int32_t b);
// Walks across shared edges around v from triangle start, leaving it across
// its edge from v to the corner that is not c; c when the walk comes back to
// c, else 0. A walk
// longer than v's face list ends with 0.
int32_t GVWalkTriFan(const GObject* geo, int32_t start, const IntList* list, int32_t c, int32_t v);
// The group (lists 1..G) holding v, or null.
const IntList* GVFindSeamGroup(const IntList* lists, int32_t v);
// Smallest cosine between each vertex normal and its faces' normals, and the
// crease bits of each triangle edge's start.
void GVCalcGeoCreaseFlags(GObject* geo);
