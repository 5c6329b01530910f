// Geo records of scene and object files and of item-stream images.
//
// Files carry five record versions (1 to 5); every version is read, the
// newest (5) is written. Images have one form. Each reader fills a Geo from
// its reset state and rebuilds the data derived from the mesh; older versions
// get the defaults and the fix-up their layouts need. Every count and index
// of a record is checked against the record's own counts and against what the
// file or image still holds: a damaged record is refused and leaves the Geo
// reset.
#pragma once

#include <cstdint>
#include <cstdio>

#include "geo/geo_object.h"

struct GeoList;
struct HWorld;
struct ItemStream;

// Version the writer gives its records.
constexpr uint32_t kGeoRecordVersion = 5;

// Reads one file record into the Geo (whatever it held is released first).
// Returns 1 when read (a version-0 record reads as a reset Geo), 0 when the
// record is damaged or cut short, or its version is above 5: the Geo is then
// left reset.
int GVReadGeo(FILE* file, GObject* geo);
// Writes the Geo as a version-5 record. 1, or 0 when the file refused bytes.
int GVWriteGeo(FILE* file, const GObject* geo);

// Reads one image record at the image's cursors. 1, or 0 (Geo left reset)
// when the int or float array is missing, ends early, or holds a damaged
// record.
int GVReadGeoImage(GObject* geo, ItemStream* image);
// Adds what GVPutGeoImage puts to the counts of a counting pass.
void GVCountGeoImage(ItemStream* image, const GObject* geo);
// Puts the Geo's image at the cursors. 1, or 0 when the arrays lack room.
int GVPutGeoImage(ItemStream* image, const GObject* geo);

// After a version 1 or 2 record: a Geo that follows neither a Jel nor an
// attachment nor key frames takes its birth transform as its start and frame
// transforms.
void GVFixLegacyGeo(GObject* geo);

// Cell binding from an image: words 2-8, then the node count n and n + 1
// table entries (entry 0 the count). 1, or 0 (record untouched) when the
// image ends early or n is impossible.
int GVReadCellBindImage(ItemStream* image, GeoCellBind* bind);

// The Geo list blocks: the Geo count, then each Geo's record in list order.
// The readers replace the list's Geos (see GVReadGeoListWith), then link the
// Geos read to the world's Jels (GVRelinkGeosToJels; not without a world).
int GVReadGeoList(GeoList* list, FILE* file, HWorld* world);
int GVWriteGeoList(const GeoList* list, FILE* file);
int GVReadGeoListImage(GeoList* list, ItemStream* image, HWorld* world);
void GVCountGeoListImage(ItemStream* image, const GeoList* list);
int GVPutGeoListImage(ItemStream* image, const GeoList* list);
