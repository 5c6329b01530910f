// The scene's vehicle in scene files: the vehicle item of the item stream
// (written and read) and the vehicle record of the older tagged form (read
// only, versions 0 to 3), with the holder operations that read a new record
// into a cell. Both readers end with the same re-linking and repairs: the
// heading node chosen when unset, the rigid parts' rest shapes captured,
// heading and speed zeroed, the steering ratio computed, hub width and
// sub-step factor brought into range.
#pragma once

#include <cstdint>
#include <cstdio>

#include "records/obj_handle.h"

struct HWorld;
struct ItemStream;
struct VehicleRec;

// Version of the tagged record's newest form.
constexpr int32_t kVehicleTaggedVersion = 3;

// Counting pass: adds the item's ints and floats to the stream's counts
// (nothing without a stream or record).
void GVCountVehicleItem(ItemStream* image, const VehicleRec* v);
// Filling pass: puts the item at the cursors; 0 when the arrays lack room.
int32_t GVPutVehicleItem(const VehicleRec* v, ItemStream* image);
// Reads the item at the cursors into the record (its parts made anew against
// the world); 1, or 0 for a missing world, record or stream, and for a short
// or damaged item: then the cursors and the record are as they were.
int32_t GVGetVehicleItem(HWorld* world, VehicleRec* v, ItemStream* image);

// Reads a tagged vehicle record from the file's position; 1, or 0 for a
// missing world or file, an unknown version (above 3 or negative) or a short
// read, the record then left as far as it got.
int32_t GVReadVehicleTagged(VehicleRec* v, FILE* file, HWorld* world);

// A new record in the cell, read from a tagged file or an image; the reader's
// result (the cell holds the record either way; the caller frees it on 0).
int32_t GVInitVehicleFromFile(ObjHandle* cell, FILE* file, HWorld* world);
int32_t GVInitVehicleFromImage(ObjHandle* cell, ItemStream* image, HWorld* world);
// Reads an image into the cell's record; on success the record points back at
// the cell and the result is 1, else 0.
int32_t GVReloadVehicleFromImage(ObjHandle* cell, ItemStream* image, HWorld* world);
