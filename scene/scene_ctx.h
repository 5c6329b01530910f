// The scene context: pointers to the scene's global records, handed to the
// logic system at start-up. The logic system keeps the record and reaches the
// scene through it.
#pragma once

#include <cstdint>

struct GlobalWorkBlock;
struct HWorld;
struct ObjHandle;
struct LightList;
struct SceneAuxRec;

struct SceneCtx {
  ObjHandle* geoList = nullptr;      // the Geo list handle
  HWorld** world = nullptr;          // the world cell
  GlobalWorkBlock* globalBlock = nullptr;
  int32_t* viewPair = nullptr;       // caller value 1: the view pair (two words)
  LightList* lights = nullptr;
  SceneAuxRec* auxA = nullptr;
  SceneAuxRec* auxB = nullptr;
  float* bounds = nullptr;           // caller value 2: the scene bounds (six floats)
  int32_t programCount = 1;          // the logic system's program count
};

// Fills the record from the scene's records (the light list and auxiliary
// records stay null until the scene has them). Returns rec.
SceneCtx* GVInitSceneCtx(SceneCtx* rec, int32_t* viewPair, float* bounds);
