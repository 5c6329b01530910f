// Data a Geo derives from its vertices and faces: seam groups of coincident
// vertices, the smooth face lists and their corner-angle weights, render
// normals, the face size, and the rebuild of all of it; beside them the small
// per-Geo services of setting a vertex, grid dimensions for a Jel made around
// a Geo, distance ranges and the renumbering of the ids a Geo holds.
#pragma once

#include <cstdint>

#include "geo/geo_object.h"

struct LatticeDims;

// Per-vertex bits of creaseFlags owned by the seam search.
constexpr int32_t kCreaseSeam = 0x2000;
constexpr int32_t kCreaseSeamScratch = 0x80000;

// Sets base vertex i and current vertex i; the base entry, or null when i is
// outside 0..vertexCount or an array is missing.
float* GVSetGeoVertex(int32_t i, GObject* geo, float x, float y, float z);

// Number of faces of the Geo's face kind: its triangles, else its quads.
int32_t GVGeoFaceCount(const GObject* geo);

// Seam groups (list 0: the group count G; lists 1..G: vertices closer than
// faceSize * 0.0001 to the group's first member) and seam bits. Only for Geos
// with GEO_FLAG_SEAM_LISTS, which stays set only while some group exists.
void GVBuildGeoSeamLists(GObject* geo);
// Faces around each vertex, merged across seam groups, then their weights.
void GVBuildGeoSmoothFaceLists(GObject* geo);
// Weights of the smooth face lists (the lists are built first when missing).
void GVBuildGeoFaceWeights(GObject* geo);
// Corner-angle weights of each vertex's triangles (equal weights for quads),
// normalised to sum 1, into weights (one list per vertex, replaced). Corners
// off a vertex's own faces are found through its group in groups (seam or
// coincident lists, may be null).
void GVCalcGeoFaceWeights(GObject* geo, const IntList* groups, const IntList* faceLists,
                          FloatList* weights);
// v when v is a corner of triangle face; else the first other member of group
// that is; else 0.
int32_t GVFindSeamPartnerCorner(const IntList* group, const GObject* geo, int32_t face, int32_t v);

// Zeroed render vectors (one per face) when missing.
void GVAllocGeoTriVectors(GObject* geo);
// Normalised sum of the render vectors of the faces around each vertex.
void GVCalcGeoRenderNormals(GObject* geo);
// 0.75 x the largest distance of a face corner from its face centroid; stored
// and returned (0 without faces).
float GVCalcGeoFaceSize(GObject* geo);
// Everything derived, from the start transform on.
void GVRebuildGeo(GObject* geo);

// Grid of a Jel around a box (min x, max x, min y, max y, min z, max z) with
// n nodes along axis a (1 x, 2 y, 3 z, 4 the largest extent). Returns the z
// node count, or 0 (cell size and counts 0) for n < 2 or a outside 1..4.
// The node counts go to out->maxIndex.
int32_t GVCalcGridDims(const float* box, int32_t n, int32_t a, LatticeDims* out);
// Smallest and largest squared distance from p to the current vertices (-7)
// or to the base vertices placed by the frame transform (-2). Outputs start at
// 9e10 and 1e-10.
void GVGeoVertexDistanceRange(int32_t selector, const float* p, const GObject* geo, float* minSq,
                              float* maxSq);

// Id renumbering of the Geo's own id and the Jel ids and Geo ids it holds.
void GVShiftGeoIds(GObject* geo, int32_t offset);
// The largest Jel id the Geo names: its binding, cell bindings, per-vertex
// entries and attachment; 0 when it names none.
int32_t GVGeoLargestJelRef(const GObject* geo);
void GVReplaceGeoJelId(GObject* geo, int32_t oldId, int32_t newId);
// Each positive Jel id becomes its 1-based position in ids[1..count], 0 when
// absent.
void GVRenumberGeoJelIds(GObject* geo, int32_t count, const int32_t* ids);
int32_t GVGeoVertexIsBound(int32_t i, const GObject* geo);

// Shared by the smooth and the vertex-to-face lists: the faces around each
// vertex (triangles, then quads), vertexCount + 1 lists; null when memory runs
// out.
IntList* GVBuildGeoFaceListArray(const GObject* geo);
// For every group (lists 1..G of groups) of two or more members whose first
// member has memberBit in creaseFlags: the first member's list gains the faces
// of every further member with the bit, and each further member gets a copy.
void GVMergeGeoGroupFaceLists(GObject* geo, const IntList* groups, IntList* faceLists, int32_t memberBit);
