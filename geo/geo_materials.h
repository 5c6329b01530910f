// The three optional containers a Geo carries beside its mesh: named UV sets,
// materials and colour sets. Each container is a count and a heap array of
// that many records (0-based); the records own their names and arrays.
#pragma once

#include <cstdint>

#include "geo/geo_object.h"

// A UV entry addressed by the face entries: a vertex word and (u, v).
struct UVCorner {
  int32_t vertex;
  float u, v;
};

// One face entry of a UV set: three 32-bit words per triangle.
struct UVFace {
  int32_t corner[3];
};

struct UVSet {
  char* name;   // "" when made
  char* name2;  // "" when made
  int32_t uvCount;
  int32_t faceCount;
  uint32_t setBits;  // bits 0-7 flag byte, 8-15 chain link
  int32_t setWord;
  float (*uvPairs)[2];  // uvCount + 1, 1-based, or null
  UVCorner* uvCorners;  // uvCount + 1, 1-based, or null
  UVFace* uvFaces;      // faceCount + 1, 1-based, or null

  UVSet();
  ~UVSet();
  UVSet(const UVSet&) = delete;
  UVSet& operator=(const UVSet&) = delete;
};

struct GeoColourSet {
  char* name;  // "" when made
  int32_t entryCount;
  int32_t vectorCount;
  int32_t words[2];
  GColour* entries;           // entryCount + 1, or null
  int32_t (*vectors)[3];      // vectorCount + 1, or null

  GeoColourSet();
  ~GeoColourSet();
  GeoColourSet(const GeoColourSet&) = delete;
  GeoColourSet& operator=(const GeoColourSet&) = delete;
};

struct GeoMaterial {
  char* name;         // "" when made
  char* textureFile;  // "" when made
  GeoColourSet* colourSet;  // resolved from colourSetIndex; not owned
  int32_t colourSetIndex;
  int32_t uvSetIndex;
  UVSet* uvSet;  // resolved from uvSetIndex; not owned
  // Stored reference words: non-zero when the material refers to a colour set
  // or UV set; the pointers above are resolved from them after a read.
  int32_t colourSetRef;
  int32_t uvSetRef;
  GColour* colourA;  // ambient, owned (made with new), or null
  GColour* colourB;  // diffuse
  GColour* colourC;  // specular
  float shininess;
  int32_t mode;  // 1 when made
  float param1, param2;
  int32_t flag1, flag2;
  float param3, param4, param5;
  uint32_t word18;  // shadow bits
  int32_t layer;
  int32_t word20;

  GeoMaterial();
  ~GeoMaterial();
  GeoMaterial(const GeoMaterial&) = delete;
  GeoMaterial& operator=(const GeoMaterial&) = delete;
};

struct UVSetArray {
  int32_t count;
  UVSet* sets;
};
struct GeoMaterialArray {
  int32_t count;
  GeoMaterial* materials;
};
struct GeoColourSetArray {
  int32_t count;
  GeoColourSet* sets;
};

// Free a container with its records and null the holder's pointer.
void GVFreeUVSetArray(UVSetArray*& array);
void GVFreeGeoMaterialArray(GeoMaterialArray*& array);
void GVFreeColourSetArray(GeoColourSetArray*& array);
