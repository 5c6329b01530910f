// The Geo object: one render mesh of a scene with its vertices, faces, derived
// arrays, transform slots, key-frame track, lattice bindings and attachment.
//
// Per-vertex and per-face arrays are 1-based: an array for n elements holds
// n + 1 entries and entry 0 stays zero. Every array and sub-record a Geo points
// to is owned by it, allocated with GVNewGeoArray (or `new` for single
// records) and freed by the destructor; a Geo without a mesh has all counts 0
// and no arrays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <new>

#include "jel/deformation_map.h"

struct ItemStream;
struct ObjHandle;
struct ContactGrid;
struct KeyTrack;
struct UVSetArray;
struct GeoMaterialArray;
struct GeoColourSetArray;
struct GObject;
struct GeoNormalLists;
class HObject;

typedef float GVFloat3[3];
typedef int32_t GVTriangle[3];
typedef int32_t GVQuad[4];
typedef uint32_t GVWordPair[2];

// Geo flag bits (the Geo's `flags` word).
enum : uint32_t {
  GEO_FLAG_COLLIDE_TRIANGLES = 0x1,  // collision grid holds whole triangles
  GEO_FLAG_BOUND = 0x2,              // follows the deformation of its Jel
  GEO_FLAG_PICK_BACK_FACES = 0x4,
  GEO_FLAG_TOO_FAR_OUTSIDE = 0x20,   // some bound vertex lies far outside its cell
  GEO_FLAG_VERTEX_BINDING = 0x200,
  GEO_FLAG_CELL_BINDING = 0x400,
  GEO_FLAG_UV_CHAINED = 0x20000,
  GEO_FLAG_SEAM_LISTS = 0x40000,
  GEO_FLAG_VIEW_REFRESHED = 0x100000,
  GEO_FLAG_CELL_BINDING2 = 0x400000,
  GEO_FLAG_FRAME_XFORM_SET = 0x2000000,
};

// Bit of a vertex's `vertexFlags` entry: the vertex follows the binding and the
// transform slots.
constexpr int32_t GEO_VERTEX_BOUND = 0x2;

// A colour block: a mode word and red, green, blue, alpha.
struct GColour {
  int32_t mode;
  float r, g, b, a;
};

// One transform slot: maps a base point p to M * (s . p) + t.
struct GTransform {
  float position[3];
  float matrix[9];  // column form, as GVMat3MulVec applies it
  float scale[3];
};

// Growable lists of 32-bit ints or floats (0-based entries).
struct IntList {
  int32_t count;
  int32_t* items;
};
struct FloatList {
  int32_t count;
  float* items;
};

// The per-vertex lattice binding (GeoVertBind: Jel id, cell node, local
// coordinates) and the block-shaped cell binding (GeoCellBind) are the
// deformation map's own records.
// Attachment of a Geo to other Geos and Jels: nine integer words, then fifteen
// floats, in the order they are stored.
struct GeoAttach {
  int32_t type;  // 0 none, 1..9
  int32_t geo0;  // anchor Geo at the start
  int32_t geoZ;  // anchor Geo at the end
  int32_t jelStart;
  int32_t jelEnd;
  int32_t partStart;
  int32_t partEnd;
  int32_t intWords[2];
  float appliedLength;
  float driveAngle;
  float wantedLength;
  float startPoint[3];
  float endPoint[3];
  float floatWords[6];
};

// Called by the destructor, first, when set: (handle, id, user data).
typedef void (*GeoReleaseFn)(ObjHandle* handle, int32_t id, void* userData);

// Transform slot indices in `xform` (selectors -1, 0, -5, -2/-3, -4).
enum : int {
  GEO_SLOT_START = 0,
  GEO_SLOT_BIRTH = 1,
  GEO_SLOT_BIRTH_NEXT = 2,
  GEO_SLOT_FRAME = 3,
  GEO_SLOT_FRAME2 = 4,
  GEO_SLOT_COUNT = 5,
};

struct GObject {
  ObjHandle* handle;  // cell holding this Geo; reset leaves it alone
  void* releaseUserData;
  GeoReleaseFn releaseCallback;
  char* name;  // heap string; "no name" after reset
  int32_t id;
  int32_t jelId;  // bound Jel, 0 none
  HObject* jel;
  uint32_t flags;
  float faceSize;
  int32_t meshMode;
  int32_t contactMax;
  uint32_t groupMask;  // bit g = group g
  int32_t vertexCount;
  int32_t triangleCount;
  int32_t quadCount;
  int32_t extraPairCount;
  int32_t extraWord;
  float slotScale;  // stored with the birth-next and second frame slots
  int32_t materialType;  // 0 none, 1 properties, 2 script
  GColour colourA, colourB, colourC;
  float surfaceParam;
  float surfaceFloats[4];
  int32_t surfaceInts[3];
  GTransform xform[GEO_SLOT_COUNT];
  float slotTail[3];

  GVFloat3* vertices;      // current positions
  GVFloat3* baseVertices;  // rest positions, the input of the transforms
  GeoVertBind* vertBinds;
  GeoVertBind* vertBinds2;
  GVTriangle* triangles;
  GVQuad* quads;
  IntList* seamLists;        // vertexCount + 1 lists
  IntList* vertexFaceLists;  // one per vertex (vertexCount + 1)
  FloatList* vertexLists3;   // weights of vertexFaceLists
  GVFloat3* vertexNormals;
  GVFloat3* triangleVectors;  // triangleCount + 1
  GVFloat3* renderNormals;
  IntList* coincidentLists;     // vertexCount + 1 lists
  IntList* vertexToFaceLists;   // one per vertex
  FloatList* vertexToFaceLists2;
  GVFloat3* vertexVectors;
  int32_t* creaseFlags;
  float* vertexMinDot;
  GVFloat3* vertexVectors2;
  int32_t (*faceWork)[2];
  GColour* vertexExtras;
  GeoColourSetArray* colourSets;
  UVSetArray* uvSets;
  GeoMaterialArray* materials;
  char* matFile;
  char* matName2;
  char* matScript;
  GVFloat3* faceNormals;  // one per face of the first non-empty kind, plus one
  int32_t* faceTags;      // as many entries as faceNormals
  GVWordPair* extraPairs;
  GVFloat3* vertexDisplacement;
  int32_t* vertexFlags;   // GEO_VERTEX_BOUND and others
  int32_t* vertexFlags2;
  GObject* next;  // next Geo of the list
  ContactGrid* broadPhase;
  KeyTrack* keyTrack;
  GeoCellBind* cellBind;
  GeoCellBind* cellBind2;
  GeoAttach* attach;
  // The vertex face lists and weights laid out flat for the per-frame vertex
  // normals (mesh_normals.h); made on first use, dropped whenever the lists
  // are rebuilt. Never stored.
  GeoNormalLists* normalLists;

  // Strings none, then reset.
  GObject();
  // Frees everything the Geo owns, after calling releaseCallback when set.
  ~GObject();
  GObject(const GObject&) = delete;
  GObject& operator=(const GObject&) = delete;

  // Strings none, reset, then the deep copy (GVCopyGeo) of the source under a
  // new name and id. Returns the copy's result (1 copied, 0 refused).
  int constructCopy(const GObject* source, const char* newName, int32_t newId);
  // Strings none, reset, then the scene-file record reader (GVReadGeo) or the
  // image record reader (GVReadGeoImage). Return the reader's result.
  int constructFromFile(FILE* file);
  int constructFromImage(ItemStream* image);

  // Back to the state of a fresh record. Array and sub-record pointers become
  // null WITHOUT being freed: reset is for records whose arrays were released
  // or never made (the destructor and GVBuildGeoFromDesc free first).
  void reset();

  // Frees every array, container and sub-record and sets the pointers to null;
  // strings, counts and scalars are kept. No callback is called.
  void releaseArrays();
};

// Description from which a mesh is allocated.
struct GeoMeshDesc {
  char* name;  // heap string, "" by default
  int32_t jelId;
  uint32_t flags;
  int32_t vertexCount;
  int32_t triangleCount;
  int32_t quadCount;
  int32_t extraPairCount;
  float slotScale;
  // Optional placements of the start, birth and birth-next slots.
  const float* startPosition;
  const float* startMatrix;
  const float* birthPosition;
  const float* birthMatrix;
  const float* birthNextPosition;
  const float* birthNextMatrix;
  // Filled by the build so that the caller can fill the arrays.
  GVFloat3* vertices;
  GVFloat3* baseVertices;
  GVTriangle* triangles;
  GVQuad* quads;
  GVWordPair* extraPairs;
};

// Largest vertex, face or pair count a build accepts.
constexpr int32_t kGeoMaxCount = 0x3fffffff;

void GVInitGeoMeshDesc(GeoMeshDesc* desc);   // all zero, name ""
void GVResetGeoMeshDesc(GeoMeshDesc* desc);  // frees the name, then as GVInitGeoMeshDesc

// Resets the Geo and allocates its arrays from the description (every array
// zeroed, vertex flags 2, render vectors (1, 0, 0)). Arrays the Geo already
// held are freed first. Returns 1, or 0 (Geo untouched apart from
// releaseUserData) for a missing Geo or description, id 0, a missing or empty
// name or a count outside 0..kGeoMaxCount; 0 with the Geo left reset when
// memory runs out.
int GVBuildGeoFromDesc(GObject* geo, GeoMeshDesc* desc, int32_t id);

// 1 when the selection picks the Geo: the Geo's id (1 or more), -1 (every
// Geo), or -2..-31 with that group bit of its group mask; else 0.
int GVGeoMatchesSel(int32_t selection, const GObject* geo);

// A new heap copy of the Geo's name through *out, or null when it has none.
void GVGetGeoName(const GObject* geo, char** out);

// Colour blocks.
void GVCopyColour(GColour* dst, const GColour* src);
void GVSetColour(GColour* c, int32_t mode, float r, float g, float b, float a);
// Mode from the int array, four floats from the float array of an item-stream
// image, at their cursors. 1 read; 0 (nothing taken) when an array is missing
// or too short.
int GVReadColourImage(ItemStream* image, GColour* c);
// Its mirror: 1 put; 0 (nothing put) when an array is missing or full.
int GVPutColourImage(ItemStream* image, const GColour* c);

// A vertex number of the Geo: 1..vertexCount.
inline bool GVGeoVertexOk(const GObject* g, int32_t v) { return v >= 1 && v <= g->vertexCount; }

// Int and float lists.
void GVInitIntList(IntList* list);
void GVFreeIntList(IntList* list);
// Keeps the first min(count, n) entries, new entries 0; n <= 0 empties it.
// Returns 1, or 0 (list unchanged) when memory runs out.
int GVResizeIntList(IntList* list, int32_t n);
// Appends one entry; 0 (list unchanged) when memory runs out.
int GVAppendInt(IntList* list, int32_t value);
int GVCopyIntList(IntList* dst, const IntList* src);
void GVInitFloatList(FloatList* list);
void GVFreeFloatList(FloatList* list);
// As GVResizeIntList, except that n below 1 leaves the list unchanged.
int GVResizeFloatList(FloatList* list, int32_t n);
int GVCopyFloatList(FloatList* dst, const FloatList* src);
// Arrays of n empty lists, and their release (each list's entries first).
IntList* GVNewIntListArray(int32_t n);
void GVFreeIntListArray(IntList*& lists, int32_t n);
FloatList* GVNewFloatListArray(int32_t n);
void GVFreeFloatListArray(FloatList*& lists, int32_t n);

float GVFloor(float x);

// Zeroed array of n elements of a Geo; null when memory runs out or n < 1.
template <typename T>
T* GVNewGeoArray(int64_t n) {
  if (n < 1 || static_cast<uint64_t>(n) > SIZE_MAX / sizeof(T)) return nullptr;
  return new (std::nothrow) T[static_cast<size_t>(n)]();
}
template <typename T>
void GVFreeGeoArray(T*& p) {
  delete[] p;
  p = nullptr;
}
