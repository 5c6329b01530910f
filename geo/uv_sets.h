// Operations on a Geo's UV sets, materials and colour sets: lookups, deep
// copies, the default sets made from the mesh, the rule that gives one
// material per usable UV set, the chain links and layer numbers, and the
// removal of a set together with the material that uses it.
#pragma once

#include <cstdint>

#include "geo/geo_materials.h"

// A Geo holds at most this many UV sets.
constexpr int32_t kGeoMaxUVSets = 20;

// Material display modes.
enum : int32_t {
  GEO_MAT_OPAQUE = 1,
  GEO_MAT_TRANSPARENT = 2,
  GEO_MAT_IGNORE = 4,  // not counted in layer numbers
  GEO_MAT_ALPHA_MASK = 8,
  GEO_MAT_RTT_OPAQUE = 16,
  GEO_MAT_RTT_TRANSPARENT = 32,
  GEO_MAT_RTT_ALPHA_MASK = 64,
};

// Bit of a UV set's flag byte tested by the un-merge.
constexpr uint32_t kUVSetFlagged = 0x2;

// The chain link (bits 8-15 of setBits).
int32_t GVUVSetChainLink(const UVSet* set);
void GVSetUVSetChainLink(UVSet* set, int32_t link);

// The k-th record, or null for a missing container, k = -1 or k out of range.
UVSet* GVGetUVSet(const UVSetArray* array, int32_t k);
GeoMaterial* GVGetGeoMaterial(const GeoMaterialArray* array, int32_t k);
GeoColourSet* GVGetColourSet(const GeoColourSetArray* array, int32_t k);
// Index of the first material whose uvSetIndex is s, else -1.
int32_t GVFindMaterialOfUVSet(const GeoMaterialArray* array, int32_t s);

// Replace the container's records by n new ones (old records freed). More than
// kGeoMaxUVSets sets, or n below 1, give an empty container. Materials: a count
// below 1 counts as 1. Return 1, or 0 when memory runs out (container empty).
int GVNewUVSetArray(UVSetArray* array, int32_t n);
int GVNewGeoMaterialArray(GeoMaterialArray* array, int32_t n);
int GVNewColourSetArray(GeoColourSetArray* array, int32_t n);
// Grows the container by one new material; returns its index, -1 when memory
// runs out (container unchanged).
int32_t GVAddGeoMaterial(GeoMaterialArray* array);

// Deep copies of one record into another. Material references (uvSet,
// colourSet) are copied as they are: whoever copies whole containers
// re-resolves them. Return 1, or 0 when memory runs out.
int GVCopyUVSet(UVSet* dst, const UVSet* src);
int GVCopyGeoMaterial(GeoMaterial* dst, const GeoMaterial* src);
int GVCopyColourSet(GeoColourSet* dst, const GeoColourSet* src);
// The destination container's records replaced by copies of the source's.
int GVCopyUVSets(UVSetArray* dst, const UVSetArray* src);
int GVCopyGeoMaterials(GeoMaterialArray* dst, const GeoMaterialArray* src);
int GVCopyColourSets(GeoColourSetArray* dst, const GeoColourSetArray* src);

// Removes set k (1 <= k < count): the other sets keep their order and every
// chain link is renumbered (a link to k takes k's own link). Materials that
// point into the container must be re-resolved by the caller
// (GVResolveGeoMaterialRefs); GVRemoveGeoMaterialUVSet does so.
void GVRemoveUVSet(UVSetArray* array, int32_t k);
// 1 when a set from index 1 on has kUVSetFlagged in its flag byte.
int GVGeoHasFlaggedUVSet(const UVSetArray* array);

// New heap copies of the Geo's material strings through *out, null when absent.
void GVGetGeoMatName(const GObject* geo, char** out);
void GVGetGeoMatString2(const GObject* geo, char** out);
void GVGetGeoMatScript(const GObject* geo, char** out);
// 1 when all three material strings are present and non-empty.
int GVGeoHasMatStrings(const GObject* geo);

// -1 when the Geo already has a UV container; else makes one with n sets
// (empty for n below 1 or above kGeoMaxUVSets) and returns 0; -2 when memory
// runs out.
int GVNewGeoUVSets(GObject* geo, int32_t n);
// Set 0 becomes "AllFaces" with one zeroed pair per vertex. -1 no container,
// -2 no sets, -3 no array, -6 out of memory; else 0.
int GVAddAllFacesUVSet(GObject* geo);
// Set 1 becomes "MostFacesA" with uvs zeroed corners and faces zeroed face
// entries. -1 no container, -2 fewer than two sets, -3 no array, -4 uvs
// above the vertex count (or negative), -5 faces above the triangle count (or
// negative), -6 out of memory; else 0. Nothing changes on failure.
int GVAddMostFacesAUVSet(GObject* geo, int32_t faces, int32_t uvs);
// Replaces the UV sets and materials by one set "AllFaces_00" projected from
// the base vertices along the axis of least extent. An extent of 0 along a
// kept axis gives 0 on that coordinate. 0, or -6 when memory runs out.
int GVAddAllFaces00UVSet(GObject* geo);

// One material per usable set (sorted by descending UV count with sort).
// Returns the number of materials made, 0 when memory runs out.
int32_t GVBuildGeoMaterials(GObject* geo, int sort);
// Keeps valid materials (material 0 moved off a "map1" set), else rebuilds
// them and colours the first.
void GVEnsureGeoMaterials(GObject* geo);
void GVSetGeoFirstMatColour(GObject* geo);
// Removes the UV set of material i and rebuilds the materials, keeping the
// settings of every material whose set survives.
void GVRemoveGeoMaterialUVSet(int32_t i, GObject* geo);
// Bits 8-15 of each used set become the uvSetIndex of the material before.
void GVLinkGeoMaterialUVSets(GObject* geo);
// Layer number of UV set k (see GVCalcGeoMaterialLayers).
int32_t GVGeoUVSetLayer(const GObject* geo, int32_t k);
void GVCalcGeoMaterialLayers(GObject* geo);

// After the containers of a Geo are read or copied: each material with a
// colour-set reference gets the set at colourSetIndex, each with a UV-set
// reference the set at uvSetIndex (null when out of range).
void GVResolveGeoMaterialRefs(GObject* geo);
// UV-corner vertex words outside 0..vertexCount (from a damaged file) become
// 0. Returns how many were cleared.
int32_t GVCheckGeoUVSets(GObject* geo);
