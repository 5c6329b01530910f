// The scene's display settings: background colours, background image or sky,
// the time-bar frames kept with a scene, and the shadow and render values, with
// their defaults and their block in item-stream scene files (tag 80).
#pragma once

#include <cstdint>
#include <cstdio>

#include "geo/geo_object.h"

struct ItemStream;

// 36 words; the comments give the word numbers that the scene formats use.
struct DisplaySettings {
  GColour background;         // 0-4
  GColour background2;        // 5-9
  char* imageName;            // 10: background image file; a heap text, never absent once reset
  int32_t optionWord;         // 11
  int32_t backgroundFlags;    // 12: bit 0 image shown, bit 1 sky shown
  int32_t frameWords[4];      // 13-16: time-bar first and last frame, loop length, loop flag
  float renderValue1;         // 17
  int32_t optionInts[2];      // 18, 19: option ints 1 and 2
  float shadowValues[5];      // 20-24: far distance first; 4 in 0..0.2, 5 in 10..1000
  int32_t shadowCounts[3];    // 25-27: 1 and 2 in 2..64
  int32_t optionInts3[4];     // 28-31: option ints 3 to 6; 3 is the fly-away flag
  float optionFloats[4];      // 32-35
};

// Nulls the image name, then resets. Returns the record.
DisplaySettings* GVInitDisplaySettings(DisplaySettings* d);
// Every field to its default; the image name is freed and becomes a new empty
// text.
void GVResetDisplaySettings(DisplaySettings* d);
void GVFreeDisplaySettingsText(DisplaySettings* d);
// Replaces out-of-range shadow values and counts as a reader must: value 4
// below 0 becomes 0.02, value 5 below 10 becomes 200, counts 1 and 2 below 2
// become 8 and 16; then value 4 is clamped into 0..0.2, value 5 into 10..1000,
// counts 1 and 2 into 2..64. A value that is not a number counts as below.
void GVValidateDisplaySettings(DisplaySettings* d);
// Only the clamps of that rule (both scene formats share them).
void GVClampDisplaySettings(DisplaySettings* d);
// The same two rules on the four values wherever a record keeps them (the
// older display records of the tagged form hold them too).
void GVValidateShadowFields(float* v4, float* v5, int32_t* count1, int32_t* count2);
void GVClampShadowFields(float* v4, float* v5, int32_t* count1, int32_t* count2);

// The tag-80 block at the stream's cursors: two colours, the image name, then
// 16 ints and 18 floats in field order (18 ints, 18 floats and the name's
// bytes in all). Count adds its sizes to the counting pass. Put writes the
// block whole, or nothing when the arrays are missing or lack room (0). Get
// reads it into the record and validates it; a block that runs past its arrays
// is damaged: 0, record unchanged.
void GVCountDisplayItem(ItemStream* stream, const DisplaySettings* d);
int GVPutDisplayItem(ItemStream* stream, const DisplaySettings* d);
int GVGetDisplayFromStream(ItemStream* stream, DisplaySettings* d);

// The same record in the older tagged file form (tag 80): each colour as its
// mode word and four floats, the name as a length and its bytes, then fields
// 11 to 35 as 4-byte values. Read and validated into a copy that replaces the
// record only when whole: 1; 0 when the file ends early (record unchanged).
int GVReadDisplayTagged(FILE* file, DisplaySettings* d);
// Its mirror, for tests and tools that make such files.
int GVWriteDisplayTagged(FILE* file, const DisplaySettings* d);
