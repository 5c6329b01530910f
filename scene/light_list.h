// The scene's lights: one process-wide list, created with one default light and
// never empty, edited by the lights editor, drawn by the render code and
// carried by the scene files (tag 9 of the item stream, a block of the older
// tagged form).
#pragma once

#include <cstdint>
#include <cstdio>

#include "geo/geo_object.h"

struct ItemStream;

constexpr int kLightNameSize = 20;  // with the terminator

// 23 words. A light is in use when its kind is non-zero and lit when it is in
// use and flag bit 0 is set.
struct LightRec {
  char name[kLightNameSize];
  int32_t kind;
  int32_t flags;  // bit 0 switched on
  float position[3];
  float direction[3];
  GColour* colour1;  // owned; each may be null
  GColour* colour2;
  GColour* colour3;
  float angle1, angle2;
  float param1, param2;
  int32_t option1, option2, option3;
};

struct LightList {
  int32_t count;    // at least 1 once built
  LightRec* lights; // count lights, or null after an allocation failure
};

// The default light: "" , kind 1, off, at (0, 10, 20) looking down -z, three
// white colours (mode 1), angles 90, the rest 0. Colours that cannot be
// allocated stay null.
void GVInitLightRec(LightRec* light);
// Frees the three colours and nulls them.
void GVFreeLightRec(LightRec* light);
// Copies every field; a colour the source has is copied into the destination's
// (allocated when missing), a colour it lacks is freed in the destination. The
// name is always terminated.
void GVCopyLightRec(const LightRec* src, LightRec* dst);
// Sets the name, cut to 19 characters.
void GVSetLightName(LightRec* light, const char* name);

// count default lights in one block; null when memory runs out.
LightRec* GVNewLightArray(int32_t count);
// Each light, then the block; nothing for null.
void GVFreeLightArray(LightRec* lights, int32_t count);
// Count 1 and one default light (array null when memory runs out). Returns the
// list.
LightList* GVNewLightList(LightList* list);
// Frees the array (nothing when null) and nulls it; count 0.
void GVFreeLightListArray(LightList* list);
// Gives the list one default light again.
void GVResetLightList(LightList* list);
// Appends a default light; returns its index (the old count). On an allocation
// failure the list keeps the new count with a null array.
int32_t GVAddLight(LightList* list);
// Removes the light at the index, keeping the others in order; returns the new
// count. Below two lights nothing happens and 1 is returned; an index outside
// 0..count-1 changes nothing and returns the count.
int32_t GVDeleteLight(LightList* list, int32_t index);
// Null for a missing list or array, or an index outside 0..count-1.
LightRec* GVGetLight(int32_t index, LightList* list);
// Index of the first lit light, or -1.
int32_t GVFirstLitLight(const LightList* list);
// Flips flag bit 0: 1 when the light is now on, 0 when now off or no such light.
int32_t GVToggleLight(LightList* list, int32_t index);

// Item stream, tag 9: the count, a 1 when the array exists, then each light
// (kind, flags; 10 floats; three options; the name; three optional colours).
// Count adds its sizes to the counting pass. Put writes the block whole, or
// nothing when the arrays lack room (0). Get replaces the list's lights; a
// count or flag of 0 gives one default light. A block that runs past its arrays
// or declares more lights than the arrays can hold is damaged: 0, list
// unchanged.
void GVCountLightsItem(ItemStream* stream, const LightList* list);
int GVPutLightsItem(ItemStream* stream, const LightList* list);
int GVGetLightsItem(ItemStream* stream, LightList* list);
// One light of the block.
void GVCountLightItem(ItemStream* stream, const LightRec* light);
int GVPutLightItem(ItemStream* stream, const LightRec* light);
int GVGetLightItem(ItemStream* stream, LightRec* light);

// Older tagged form: a count, an array flag, then per light its 92-byte record
// image and three optional 20-byte colours. Replaces the list's lights (one
// default light when the count or the flag is 0). 1 read; 0 when the file
// ends early or the count is more than the rest of the file can hold: the list
// is then unchanged.
int GVReadLightsTagged(FILE* file, LightList* list);
int GVReadLightRecTagged(FILE* file, LightRec* light);
// The writer of the same form, for tests and tools that make such files.
int GVWriteLightsTagged(FILE* file, const LightList* list);
