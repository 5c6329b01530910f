// The one id rule of every scene reader and importer. The Geos and Jels a file
// brings may join the scene only when each id is at least 1, no id comes twice
// among the Geos nor among the Jels, and each id, moved by its offset, stays
// below the largest int (so the id after the highest can still be made); the
// ids they name (bindings, attachments, glue) must not pass it either. A file
// that breaks the rule is refused as damaged, with the scene unchanged.
#pragma once

#include <cstdint>

#include "records/record_ids.h"

struct GeoList;
struct HWorld;

bool GVFileIdsUsable(const GeoList* geos, const HWorld* world, int64_t geoOffset, int64_t jelOffset);
