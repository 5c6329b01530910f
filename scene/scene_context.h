// The scene context: the record through which the logic system reaches the
// scene's global records, and the two auxiliary records that only the logic
// commands use (their pose tables, built on first use).
#pragma once

#include <cstdint>

struct GlobalWorkBlock;
struct LightList;
struct ObjHandle;

// Three ints and an owned block (made with new[]); all zero until a logic
// command builds its table in it.
struct SceneAuxRec {
  int32_t tag;
  int32_t kind;
  int32_t count;
  float* entries;
};

// The 3-D view's pointer event, written by the view's owner callback and
// consumed by the logic commands: pending flag and the view's current Jel id.
struct PointerEventRec {
  int32_t pending;
  int32_t jelId;
};

// Nine words, in the order the logic system reads them.
struct SceneCtx {
  ObjHandle* geoList;
  ObjHandle* world;
  GlobalWorkBlock* workBlock;
  PointerEventRec* pointerEvent;  // caller value 1
  LightList* lights;
  SceneAuxRec* auxA;
  SceneAuxRec* auxB;
  float* sceneBounds;             // caller value 2: x min, x max, y min, y max, z min, z max
  int32_t programCount;           // 1
};

// A new zeroed record (null when memory runs out).
SceneAuxRec* GVNewSceneAuxRec();
// Frees the block, zeroes the ints, deletes the record.
void GVFreeSceneAuxRec(SceneAuxRec* rec);

// Fills the context with the given records, the process-wide work block and a
// program count of 1. Returns the record.
SceneCtx* GVInitSceneCtx(SceneCtx* ctx, ObjHandle* geoList, ObjHandle* world, LightList* lights,
                         SceneAuxRec* auxA, SceneAuxRec* auxB, PointerEventRec* pointerEvent,
                         float* sceneBounds);
