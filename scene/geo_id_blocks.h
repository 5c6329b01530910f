// The Geo-id block list: up to ten blocks read with a scene, each starting
// with four Geo ids. One list is process-wide; the importers keep temporary
// lists of the same form.
#pragma once

#include <cstdint>

constexpr int kGeoIdBlockSlots = 10;

struct GeoIdBlock {
  int32_t geoIds[4];
  uint32_t rest[12];  // kept as read
};

struct GeoIdBlockList {
  int32_t count = 0;
  GeoIdBlock** blocks = nullptr;  // kGeoIdBlockSlots pointers when made
};

GeoIdBlockList& GVGeoIdBlocks();  // the process-wide list

// Count 0 and a new array of ten null pointers (none when memory is short).
void GVInitGeoIdBlockList(GeoIdBlockList* list);
// Frees the blocks among the first count slots and sets the count to 0; the
// array stays.
void GVFreeGeoIdBlocks(GeoIdBlockList* list);
// The same, then frees the array.
void GVDeleteGeoIdBlockList(GeoIdBlockList* list);
// Every block of the process-wide list, whatever the count, forgets the Geo
// id (ids below 1 are left alone).
void GVClearGeoIdFromBlocks(int32_t geoId);
