// Merging the Geos of a group into one Geo that holds all their vertices,
// triangles and quads. The sources are removed from the scene's list and
// deleted; the new Geo is appended.
#pragma once

#include <cstdint>

#include "records/obj_handle.h"

// What the merge command shows when a merge is refused.
constexpr const char* kGeoMergeRefusedMessage =
    "Geo group not merged ... Geos in group must have corresponding UVSets";

// Set k of the new Geo joins set k of every source (their UV sets must
// correspond). Returns the new Geo's handle; null when refused (no list, group
// 0, empty name, id < 1, triangles mixed with quads, UV sets that do not
// correspond) or when memory runs out, the scene then unchanged.
ObjHandle* GVMergeGeoGroup(ObjHandle* list, int32_t group, const char* name, int32_t newId);
// Set 0 "AllFaces1" joins every source's set 0; every set of every source
// follows as a set of its own. Refused also when the group's sets number 0 or
// more than 19 (with set 0 they must fit in 20), or a source lacks set-0 pairs,
// or the last source has no materials.
ObjHandle* GVMergeGeoGroupUV(ObjHandle* list, int32_t group, const char* name, int32_t newId);
