#include "scene/geo_id_blocks.h"

#include <new>

#include "geo/geo_attach.h"
#include "geo/record_codec.h"

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

namespace {

template <typename C>
void blockFields(C& c, GeoIdBlock& b) {
  for (int32_t& id : b.geoIds) c.i32(id);
  for (uint32_t& w : b.rest) c.u32(w);
}

constexpr int64_t kGeoIdBlockBytes = 64;

}  // namespace

int GVReadGeoIdBlocks(FILE* file, GeoIdBlockList* list) {
  if (!file || !list) return 0;
  FileCodecCore c(file, false);
  uint32_t n = 0;
  c.u32(n);
  if (!c.roomInFile(n, kGeoIdBlockBytes, kGeoIdBlockSlots)) return 0;
  GeoIdBlockList read;
  GVInitGeoIdBlockList(&read);
  if (!read.blocks) return 0;
  for (uint32_t i = 0; i < n && c.ok; ++i) {
    GeoIdBlock* b = new (std::nothrow) GeoIdBlock{};
    if (!b) break;
    read.blocks[i] = b;
    read.count = static_cast<int32_t>(i + 1);
    blockFields(c, *b);
  }
  if (!c.ok || read.count != static_cast<int32_t>(n)) {
    GVDeleteGeoIdBlockList(&read);
    return 0;
  }
  GVDeleteGeoIdBlockList(list);
  *list = read;
  return 1;
}

int GVWriteGeoIdBlocks(FILE* file, const GeoIdBlockList* list) {
  if (!file || !list) return 0;
  FileCodecCore c(file, true);
  uint32_t n = 0;
  const int32_t slots = list->blocks ? (list->count < kGeoIdBlockSlots ? list->count : kGeoIdBlockSlots) : 0;
  for (int32_t i = 0; i < slots; ++i)
    if (list->blocks[i]) ++n;
  c.u32(n);
  for (int32_t i = 0; i < slots; ++i) {
    if (!list->blocks[i]) continue;
    GeoIdBlock copy = *list->blocks[i];
    blockFields(c, copy);
  }
  return c.ok ? 1 : 0;
}

void GVRemapGeoIdBlock(GeoIdBlock* block, const int32_t* oldIds, int32_t count) {
  if (!block) return;
  for (int32_t& id : block->geoIds) id = GVIdTablePosition(id, count, oldIds);
}
