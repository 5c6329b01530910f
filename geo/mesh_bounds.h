// Bounding boxes of a Geo's vertices.
#pragma once

#include "geo/geo_object.h"

// Box of the current vertices as min x, max x, min y, max y, min z, max z.
// Returns 1, or 0 with the box left at +9e30 minima and -9e30 maxima when the
// Geo has no vertices or no current array.
int GVGetGeoBounds(const GObject* geo, float* box);
// The same over the base vertices.
int GVGetGeoBaseBounds(const GObject* geo, float* box);
