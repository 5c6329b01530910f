// The scene's list of Geos: a singly linked list in append order that owns its
// Geos and reports every addition and removal through one change callback,
// with the selection queries and navigation the editors use.
//
// A selection is an id of 1 or more (one Geo), -1 (every Geo) or -2..-31 (the
// group whose bit of the group mask is the negated value); 0 names nothing.
// Group navigation speaks of group values -1..-31 for bits 1..31.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "geo/geo_object.h"

struct ItemStream;

// (list handle, Geo id or selection, 1 added / 0 removed).
typedef void (*GeoListChangeFn)(ObjHandle* listHandle, int32_t idOrSelection, int32_t added);

struct GeoList {
  GObject* head;
  ObjHandle* handle;  // cell holding the list; the callback's first argument
  void* owner;        // the owner's word, for its callback
  GeoListChangeFn changeCallback;
};

// Reads one Geo record into a reset Geo (the record readers of scene files and
// of item-stream images). Returns 1 when the record was read, 0 when not.
typedef int (*GeoFileRecordReader)(GObject* geo, FILE* file);
typedef int (*GeoImageRecordReader)(GObject* geo, ItemStream* image);

void GVInitGeoList(GeoList* list);  // all fields zero

// Appends the Geo and calls the callback with (handle, id, 1); nothing for a
// missing Geo or one already in the list.
void GVAddGeo(GeoList* list, GObject* geo);
// Calls the callback with (handle, id, 0), then unlinks the Geo (not freed).
// Nothing for a missing Geo or an empty list.
void GVRemoveGeo(GeoList* list, GObject* geo);
GObject* GVGetGeoById(const GeoList* list, int32_t id);  // null for id < 1 or none
// Id of the first Geo named exactly `name`; 0 when none or no name.
int32_t GVFindGeoByName(const GeoList* list, const char* name);

// Deletes the Geos the selection picks: the callback (handle, s, 0) first and
// again before every further deletion from the head; later members go
// silently. A deleted Geo is destroyed, and its handle cell cleared and freed.
void GVDeleteGeoSel(GeoList* list, int32_t selection);
// Callback (handle, -1, 0), every Geo deleted, then head and handle null.
void GVClearGeoList(GeoList* list);

// Empties the list as GVClearGeoList does (keeping handle), reads a u32 count
// and appends that many Geos read by `reader`; a record the reader cannot read
// is appended in its reset state. 1 read; 0 for a missing file or reader, when
// memory runs out, or when a record fails at the end of the file or without
// consuming anything (the Geos read so far stay listed): a damaged count must
// not fill the list with empty Geos. The scene reader adds the record reader
// and the link pass of the Geos to their Jels.
int GVReadGeoListWith(GeoList* list, FILE* file, GeoFileRecordReader reader);
// The same from an item-stream image (count from the int array at its cursor);
// 0 when the image is empty, when the count exceeds the ints left, or as above.
int GVReadGeoListImageWith(GeoList* list, ItemStream* image, GeoImageRecordReader reader);

// Cleans the name in the buffer (capacity bytes with the terminator) and makes
// it unique among the Geos: "Box" becomes "Box2", "Box7" "Box8" (or higher
// when those are taken). Returns -1 for an empty name or when no unique name
// fits the buffer (buffer unchanged apart from the cleaning), 1 when the name
// was kept as given, 0 when it was changed.
int GVMakeUniqueGeoName(const GeoList* list, char* name, size_t capacity);

// Bounds (min x, max x, min y, max y, min z, max z) of the selected Geos'
// current vertices; 1 when some selected Geo had vertices, else 0 with the
// box at +9e30 / -9e30.
int GVGeoSelBounds(const GeoList* list, int32_t selection, float* box);
int32_t GVGeoSelVertexCount(const GeoList* list, int32_t selection);
int32_t GVGeoSelFaceCount(const GeoList* list, int32_t selection);
// For group values -31..-1: mode 1 sets, 0 or -1 clears the bit in every
// selected Geo; returns the bit's value in the last selected Geo, 0 otherwise.
uint32_t GVSetGeoSelGroupBit(GeoList* list, int32_t selection, int32_t group, int32_t mode);

// Group navigation over the groups in use (union of the group masks).
int32_t GVNextGeoGroupSel(const GeoList* list, int32_t group, int32_t wrap);
int32_t GVPrevGeoGroupSel(const GeoList* list, int32_t group, int32_t wrap);
// The group value just above the highest group in use: -(h + 1) for h <= 29,
// 0 for 30 or 31, -1 when no group bit is in use.
int32_t GVNewGeoGroupSel(const GeoList* list);

int32_t GVFirstGeoInSel(const GeoList* list, int32_t selection);
int32_t GVNextGeoInSel(const GeoList* list, int32_t selection, int32_t currentId, int32_t wrap);

// Dialog navigation: every Geo in list order, then every used group upwards,
// then back to the first Geo (GVPrevGeoSel walks it backwards).
int32_t GVNextGeoSel(const GeoList* list, int32_t current);
int32_t GVPrevGeoSel(const GeoList* list, int32_t current);

// Relinks the Geo as the last one; returns the id of the Geo that followed
// it, 0 (no change) when there is none to move.
int32_t GVMoveGeoToEnd(GeoList* list, int32_t id);
