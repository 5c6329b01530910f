// What the callbacks of the Geo and scene editors read of their editors (the
// key-frame editor and the Jel editors are in scene/editor_links.h). Each
// editor sets its entries while it exists (copy-modify-set, as the service
// table); an empty entry means that editor is not there, and a callback that
// needs it does nothing.
#pragma once

#include <cstdint>

struct CameraRec;

struct GeoEditorLinks {
  // Geo properties editor: the Geo it shows; its part and Jel chosen for
  // soft-transform level 1 or 2; its fields refreshed from the scene.
  int32_t (*geoEditorGeo)() = nullptr;
  void (*geoEditorLevel)(int32_t level, int32_t* part, int32_t* jel) = nullptr;
  void (*geoEditorUpdateFields)() = nullptr;
  // Geo part editor and Geo group editor: their chosen Geo (0 for none).
  int32_t (*geoPartEditorGeo)() = nullptr;
  int32_t (*groupEditorGeo)() = nullptr;
  // Render editor: its Geo and the material file and auxiliary name it holds.
  int32_t (*renderEditorGeo)() = nullptr;
  const char* (*renderEditorMatFile)() = nullptr;
  const char* (*renderEditorMatAux)() = nullptr;
  // Attachments editor: its Geo and its Jel.
  int32_t (*attachEditorGeo)() = nullptr;
  int32_t (*attachEditorJel)() = nullptr;
  // Global scene editor: the Geo it names.
  int32_t (*sceneEditorGeo)() = nullptr;
  // Lights editor: whether it is shown, its kept copy of the view camera
  // (taken when the view starts looking from a light) and its fields
  // refreshed from the light list.
  int32_t (*lightsEditorVisible)() = nullptr;
  CameraRec* (*lightsEditorCamera)() = nullptr;
  void (*lightsEditorUpdateFields)() = nullptr;
  // Whether it looks through its light now (1), and that light's index.
  int32_t (*lightsEditorCameraOn)() = nullptr;
  int32_t (*lightsEditorLight)() = nullptr;
};

const GeoEditorLinks& GVGeoEditorLinks();
void GVSetGeoEditorLinks(const GeoEditorLinks& links);
