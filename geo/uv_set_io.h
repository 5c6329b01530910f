// Stored forms of a Geo's UV sets, materials and colour sets: the record
// forms inside Geo records of scene and object files (the legacy fixed-size
// form and the current one with counted strings) and their item-stream images.
//
// Every reader has a writer beside it that produces exactly what it reads.
// Readers check each declared count against what the file or image still holds
// before allocating, and clear UV face words that point outside their set; a
// container of more UV sets than a Geo may hold reads as an empty container,
// its records read and dropped so that the reader stays in step.
#pragma once

#include <cstdint>
#include <cstdio>

#include "geo/geo_materials.h"

struct ItemStream;

// File forms. legacy = 1 selects the fixed-size form. Readers fill the given
// container (its old records are freed) and return 1, or 0 when the file ends
// or a count is impossible: the container is then left empty. Writers return
// 1, or 0 when the file refused the bytes.
int GVReadUVSets(FILE* file, int legacy, UVSetArray* array);
int GVWriteUVSets(FILE* file, int legacy, const UVSetArray* array);
int GVReadGeoMaterials(FILE* file, int legacy, GeoMaterialArray* array);
int GVWriteGeoMaterials(FILE* file, int legacy, const GeoMaterialArray* array);
int GVReadColourSets(FILE* file, int legacy, GeoColourSetArray* array);
int GVWriteColourSets(FILE* file, int legacy, const GeoColourSetArray* array);

// One record of each kind; same results.
int GVReadUVSet(FILE* file, int legacy, UVSet* set);
int GVWriteUVSet(FILE* file, int legacy, const UVSet* set);
int GVReadGeoMaterial(FILE* file, int legacy, GeoMaterial* material);
int GVWriteGeoMaterial(FILE* file, int legacy, const GeoMaterial* material);
int GVReadColourSet(FILE* file, int legacy, GeoColourSet* set);
int GVWriteColourSet(FILE* file, int legacy, const GeoColourSet* set);

// Item-stream images, read and written at the stream's cursors (its counts).
// Readers: 1, or 0 when a stream ends early or a count is impossible (the
// container is left empty). Count functions add what the put functions will
// put to the counts of the counting pass; put functions return 1, or 0 when
// the arrays lack room.
int GVReadUVSetsImage(ItemStream* image, UVSetArray* array);
void GVCountUVSetsImage(ItemStream* image, const UVSetArray* array);
int GVPutUVSetsImage(ItemStream* image, const UVSetArray* array);
int GVReadGeoMaterialsImage(ItemStream* image, GeoMaterialArray* array);
void GVCountGeoMaterialsImage(ItemStream* image, const GeoMaterialArray* array);
int GVPutGeoMaterialsImage(ItemStream* image, const GeoMaterialArray* array);
int GVReadColourSetsImage(ItemStream* image, GeoColourSetArray* array);
void GVCountColourSetsImage(ItemStream* image, const GeoColourSetArray* array);
int GVPutColourSetsImage(ItemStream* image, const GeoColourSetArray* array);
