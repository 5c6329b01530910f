// The scene context: the record through which the logic system reaches the
// scene's global records, and the two auxiliary records that only the logic
// commands use (their pose tables, built on first use).
#pragma once

#include <cstdint>

struct GlobalWorkBlock;
struct LightList;
struct HWorld;
struct ObjHandle;

// Three ints and an owned block (made with new[]); all zero until a logic
// command builds its table in it.
struct SceneAuxRec {
  int32_t tag;
  int32_t kind;
  int32_t count;
  float* entries;
};

// Nine words, in the order the logic system reads them.
struct SceneCtx {
  ObjHandle* geoList = nullptr;
  HWorld** world = nullptr;
  GlobalWorkBlock* workBlock = nullptr;
  int32_t* viewPair = nullptr;    // caller value 1: the view's pointer event (pending flag, Jel id)
  LightList* lights = nullptr;
  SceneAuxRec* auxA = nullptr;
  SceneAuxRec* auxB = nullptr;
  float* sceneBounds = nullptr;   // caller value 2: x min, x max, y min, y max, z min, z max
  int32_t programCount = 1;
};

// A new zeroed record (null when memory runs out).
SceneAuxRec* GVNewSceneAuxRec();
// Frees the block, zeroes the ints, deletes the record.
void GVFreeSceneAuxRec(SceneAuxRec* rec);

// Fills the context with the given records, the process-wide work block and a
// program count of 1. Returns the record.
SceneCtx* GVInitSceneCtx(SceneCtx* ctx, ObjHandle* geoList, HWorld** world, LightList* lights,
                         SceneAuxRec* auxA, SceneAuxRec* auxB, int32_t* viewPair, float* sceneBounds);
