#include "scene/geo_id_blocks.h"

#include <new>

static GeoIdBlockList gBlocks;

GeoIdBlockList& GVGeoIdBlocks() { return gBlocks; }

void GVInitGeoIdBlockList(GeoIdBlockList* list) {
  if (!list) return;
  list->count = 0;
  list->blocks = new (std::nothrow) GeoIdBlock*[kGeoIdBlockSlots]();
}

void GVFreeGeoIdBlocks(GeoIdBlockList* list) {
  if (!list) return;
  if (list->blocks) {
    const int32_t n = list->count < kGeoIdBlockSlots ? list->count : kGeoIdBlockSlots;
    for (int32_t i = 0; i < n; ++i) {
      delete list->blocks[i];
      list->blocks[i] = nullptr;
    }
  }
  list->count = 0;
}

void GVDeleteGeoIdBlockList(GeoIdBlockList* list) {
  GVFreeGeoIdBlocks(list);
  if (!list) return;
  delete[] list->blocks;
  list->blocks = nullptr;
}

void GVClearGeoIdFromBlocks(int32_t geoId) {
  if (geoId < 1 || !gBlocks.blocks) return;
  for (int i = 0; i < kGeoIdBlockSlots; ++i) {
    GeoIdBlock* b = gBlocks.blocks[i];
    if (!b) continue;
    for (int32_t& id : b->geoIds)
      if (id == geoId) id = 0;
  }
}
