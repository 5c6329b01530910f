// The Geo-id block list: up to ten blocks read with a scene, each starting
// with four Geo ids. One list is process-wide; the importers keep temporary
// lists of the same form.
#pragma once

#include <cstdint>
#include <cstdio>

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

// The tagged file form: u32 count n, then n blocks of 64 bytes (four ids and
// the twelve further words). The blocks are read into a new array that
// replaces the list's (its old blocks freed) only when all of them read: 1.
// 0, the list unchanged, when the file ends early or the count is above ten
// or more than the rest of the file holds.
int GVReadGeoIdBlocks(FILE* file, GeoIdBlockList* list);
// Its mirror, for tests and tools that make such files.
int GVWriteGeoIdBlocks(FILE* file, const GeoIdBlockList* list);

// The four ids of the block through an id table of `count` old ids (entry i,
// 1-based, holds the old id of new id i): each becomes its position, 0 when
// absent; 0 stays 0.
void GVRemapGeoIdBlock(GeoIdBlock* block, const int32_t* oldIds, int32_t count);
