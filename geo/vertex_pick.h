// Picking a Geo vertex in the 3-D view: the bound vertex whose projection lies
// nearest a pixel.
#pragma once

#include <cstdint>

#include "geo/geo_object.h"

struct CameraRec;
struct ViewportRec;

// Nearest vertex with vertex flag GEO_VERTEX_BOUND to pixel (x, y): its index
// (0 when none) through *index and, when position is given, its pixel x, y and
// projected depth. Vertices facing away from the camera are skipped unless the
// Geo has GEO_FLAG_PICK_BACK_FACES, and so are vertices at or behind the eye.
void GVPickGeoVertexInView(const GObject* geo, const CameraRec* camera, const ViewportRec* view,
                           int32_t x, int32_t y, int32_t* index, float* position);
