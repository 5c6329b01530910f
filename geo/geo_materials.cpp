#include "geo/geo_materials.h"

#include "records/heap_string.h"

UVSet::UVSet()
    : name(nullptr),
      name2(nullptr),
      uvCount(0),
      faceCount(0),
      setBits(0),
      setWord(0),
      uvPairs(nullptr),
      uvCorners(nullptr),
      uvFaces(nullptr) {
  GVSetString(&name, "");
  GVSetString(&name2, "");
}

UVSet::~UVSet() {
  GVFreeGeoArray(uvPairs);
  GVFreeGeoArray(uvCorners);
  GVFreeGeoArray(uvFaces);
  GVSetString(&name, nullptr);
  GVSetString(&name2, nullptr);
}

GeoColourSet::GeoColourSet()
    : name(nullptr), entryCount(0), vectorCount(0), words{0, 0}, entries(nullptr), vectors(nullptr) {
  GVSetString(&name, "");
}

GeoColourSet::~GeoColourSet() {
  GVFreeGeoArray(entries);
  GVFreeGeoArray(vectors);
  GVSetString(&name, nullptr);
}

GeoMaterial::GeoMaterial()
    : name(nullptr),
      textureFile(nullptr),
      colourSet(nullptr),
      colourSetIndex(0),
      uvSetIndex(0),
      uvSet(nullptr),
      colourSetRef(0),
      uvSetRef(0),
      colourA(nullptr),
      colourB(nullptr),
      colourC(nullptr),
      shininess(0.0f),
      mode(1),
      param1(0.0f),
      param2(0.0f),
      flag1(0),
      flag2(0),
      param3(0.0f),
      param4(0.0f),
      param5(0.0f),
      word18(0),
      layer(0),
      word20(0) {
  GVSetString(&name, "");
  GVSetString(&textureFile, "");
}

GeoMaterial::~GeoMaterial() {
  delete colourA;
  delete colourB;
  delete colourC;
  GVSetString(&name, nullptr);
  GVSetString(&textureFile, nullptr);
}

void GVFreeUVSetArray(UVSetArray*& array) {
  if (!array) return;
  delete[] array->sets;
  delete array;
  array = nullptr;
}

void GVFreeGeoMaterialArray(GeoMaterialArray*& array) {
  if (!array) return;
  delete[] array->materials;
  delete array;
  array = nullptr;
}

void GVFreeColourSetArray(GeoColourSetArray*& array) {
  if (!array) return;
  delete[] array->sets;
  delete array;
  array = nullptr;
}
