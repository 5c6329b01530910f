// The scene context: pointers to the scene's global records, handed to the
// logic system at start-up. The logic system keeps the record and reaches the
// scene through it.
#pragma once

#include <cstdint>

struct ObjHandle;
struct LightList;
struct SceneAuxRec;

struct SceneCtx {
  ObjHandle* geoList = nullptr;      // the Geo list handle
  ObjHandle* world = nullptr;        // the world handle (its word is the HWorld)
  void* globalBlock = nullptr;       // the global work block
  void* viewPair = nullptr;          // caller value 1: the view pair
  LightList* lights = nullptr;
  SceneAuxRec* auxA = nullptr;
  SceneAuxRec* auxB = nullptr;
  float* bounds = nullptr;           // caller value 2: the scene bounds (six floats)
  int32_t programCount = 1;          // the logic system's program count
};
