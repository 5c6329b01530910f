// The meshes of the Create Geo dialogs: the closed box and the flat pane, and
// the three shapes swept from a profile drawn on a canvas (a volume of
// revolution, an extruded closed cylinder, an extruded open surface). Each
// builder makes a finished Geo in a new handle cell, with its UV sets and
// derived data, and leaves it out of the scene: the caller lists it (so a
// refused build never touches the scene). Nothing here draws or opens windows.
#pragma once

#include <cstdint>
#include <vector>

struct ObjHandle;

// Geo names typed into the create dialogs hold at most this many bytes with
// the terminator.
constexpr int kGeoNameSize = 100;

// Vertices along an edge of a box or a pane that a typed count may ask for.
constexpr int32_t kGeoEdgeMaxCount = 256;

// Points and segments a swept shape takes at most.
constexpr int32_t kSweptMaxPoints = 2048;
constexpr int32_t kSweptMaxSegments = 2048;

// A box of lengths lx, ly, lz centred on the origin with nx, ny, nz vertices
// along its edges: six faces of their own vertices, every triangle wound
// clockwise seen from outside, UV set "AllFaces". Null when the name is empty,
// a count is below 2, a length below 0.01, or memory runs out.
ObjHandle* GVBuildBlockGeo(const char* name, int32_t id, const float length[3], const int32_t count[3]);
// A flat rectangle in the plane z = 0 (Geo flag 0x4), the box's front face
// alone: nx x ny vertices, UV set "AllFaces". Refused as the box is.
ObjHandle* GVBuildPlaneGeo(const char* name, int32_t id, float lx, float ly, int32_t nx, int32_t ny);

// A profile drawn on a canvas: P points (canvas pixels, x then y, in records
// of three floats; record 0 unused), the segment or layer count S, the
// canvas's client size and its scale in pixels per unit. The canvas centre is
// the model origin and y points up.
struct GVSweptProfile {
  const float* points = nullptr;  // 3 * (count + 1) floats
  int32_t count = 0;
  int32_t segments = 16;
  int32_t width = 0, height = 0;
  float scale = 1.0f;
  int32_t triangles = 1;  // 0: the revolution keeps quads
};

// Model coordinates of profile point p (1-based).
void GVProfilePoint(const GVSweptProfile& profile, int32_t p, float* fx, float* fy);

// The revolution of the profile about the y axis: (S + 1) rings of P vertices,
// entry r * P + p (1-based, ring S repeating ring 0), and one quad entry per
// vertex entry, a first index of 0 marking no face. The arrays grow to fit and
// never shrink; `entries` is (S + 1) * P.
struct GVRevolution {
  std::vector<float> vertices;  // 3 per entry
  std::vector<int32_t> quads;   // 4 per entry
  int32_t entries = 0;
};
// Recomputed after every change of the points or the segment count; fewer
// than two points give no faces. False when memory runs out (entries 0).
bool GVComputeRevolution(const GVSweptProfile& profile, GVRevolution* out);

// The three swept Geos. The revolution takes its vertices and faces from the
// computed revolution; the two extrusions are built from the points and
// always use triangles. Null with fewer than two points, an empty name, or
// when memory runs out.
ObjHandle* GVBuildRevolutionGeo(const char* name, int32_t id, const GVSweptProfile& profile,
                                const GVRevolution& revolution);
ObjHandle* GVBuildCylinderGeo(const char* name, int32_t id, const GVSweptProfile& profile);
ObjHandle* GVBuildSurfaceGeo(const char* name, int32_t id, const GVSweptProfile& profile);

// The Geo of the cell made part of the scene's Geo list; with replaceId, the
// Geo of that id (and its render objects) goes first.
void GVPlaceNewGeo(ObjHandle* list, ObjHandle* cell, int32_t replaceId);
