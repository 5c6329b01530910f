// The scene options: the render-to-texture view's mode, its own camera and
// colour and its option words, with their blocks in item-stream scene files
// (tag 85) and in the older tagged form.
#pragma once

#include <cstdint>
#include <cstdio>

#include "geo/geo_object.h"

struct CameraRec;
struct ItemStream;

// 13 words.
struct SceneOpts {
  int32_t mode;         // 1: the render-to-texture view mode; set by every reader
  CameraRec** camera;   // handle cell of the view's own camera (both new'd), or null
  GColour* colour;      // owned (new'd), or null
  int32_t fields[7];    // fields 3..9; 5: the camera does not follow the centre of
                        // mass, 6: the view camera is not reset at frame 0
  float floats[3];      // fields 10..12
};

// Field numbers of the scene formats within `fields`.
constexpr int kSceneOptsNoFollow = 5 - 3;
constexpr int kSceneOptsKeepCamera = 6 - 3;

// Every field but the mode zero. Returns the record.
SceneOpts* GVInitSceneOpts(SceneOpts* o);
// Frees the camera (record and cell) and the colour, nulls both, zeroes fields
// 3 to 12; the mode is kept.
void GVSceneOptsClear(SceneOpts* o);
// Frees the camera and the colour and nulls both pointers only.
void GVClearSceneOptsParts(SceneOpts* o);
// GVClearSceneOptsParts, then deletes the record (made with new).
void GVDeleteSceneOpts(SceneOpts* o);

// Tag 85 at the stream's cursors: ints mode and fields 3..9, floats 10..12,
// a camera flag and the camera's image, a colour flag and the colour. Count
// adds the sizes to the counting pass; Put writes the block whole or nothing
// (0). Get reads the block into a cleared record, sets field 6 to 0 and hands
// it over; a block that runs past its arrays is damaged: 0, record unchanged.
void GVCountSceneOptsItem(ItemStream* stream, const SceneOpts* o);
int GVPutSceneOptsItem(ItemStream* stream, const SceneOpts* o);
int GVGetSceneOptsItem(ItemStream* stream, SceneOpts* o);

// The tagged form: 13 words (the two pointer words unused), a camera flag and
// the camera's 128-byte stored form, a colour flag and the 20-byte colour.
// Read as the item-stream block is: field 6 ends 0. 1 read, 0 when the file
// ends early (record unchanged).
int GVReadSceneOptsTagged(SceneOpts* o, FILE* file);
// Its mirror, for tests and tools that make such files.
int GVWriteSceneOptsTagged(const SceneOpts* o, FILE* file);
