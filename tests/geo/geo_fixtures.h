// Small meshes for the Geo tests.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "camera/camera_record.h"
#include "geo/geo_object.h"

namespace geotest {

using V3 = std::array<float, 3>;
using Tri = std::array<int32_t, 3>;
using Quad = std::array<int32_t, 4>;

// A new Geo (from new, as the list expects) built with these base vertices
// and faces; its current vertices are the base placed by slot -1. Null when
// the build refuses.
GObject* makeGeo(int32_t id, const char* name, const std::vector<V3>& verts,
                 const std::vector<Tri>& tris = {}, const std::vector<Quad>& quads = {});

// A named Geo without a mesh, with this id and group mask.
GObject* makeBareGeo(int32_t id, const char* name, uint32_t groupMask = 2);

// The eight corners of an axis-aligned box and its twelve outward triangles.
std::vector<V3> boxCorners(V3 lo, V3 hi);
std::vector<Tri> boxTriangles();

// An 800 x 600 view, and a camera on the z axis at ez looking at the origin.
ViewportRec pickView();
CameraRec pickCamera(float ez);
// The pixel a point projects to in that view.
void pixelOf(const CameraRec& cam, const float* p, int32_t* x, int32_t* y);

}  // namespace geotest
