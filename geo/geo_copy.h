// Deep copy of a Geo under a new name and id.
#pragma once

#include "geo/geo_object.h"

// Builds the destination from the source's counts under the new name and id
// and copies the mesh, flags, colours, per-vertex arrays, material strings,
// key-frame track, bindings, attachment and transform slots. Returns 1, or 0
// for a missing source or destination, id 0, a missing or empty name, or when
// memory runs out. A copy holds no extra pairs.
int GVCopyGeo(GObject* dst, const GObject* src, const char* newName, int32_t newId);

// Copy of a cell binding: its node table (entry 0 the count n, n + 1 entries)
// duplicated and the other words copied. Null when src is null or memory runs
// out.
GeoCellBind* GVCopyCellBind(const GeoCellBind* src);
