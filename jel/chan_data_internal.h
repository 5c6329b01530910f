// Element-array helpers shared by the store operations and the file and image
// forms of channel data. Not for use outside the channel-data code.
#pragma once

#include <cstdint>

#include "jel/chan_data.h"

// Flag of channel index 0..7.
int32_t GVChanFlagAt(int index);
// A new element array of channel index for count n, initialised as a fresh
// slot (a zeroed block for the vector-block channel); null when out of memory.
void* GVChanAllocArray(int index, int32_t n);
// Frees an element array of channel index (with its entries for a block).
void GVChanFreeArray(int index, void* data);
// A zeroed array of n + 1 vec3.
void* GVChanAllocVec3s(int32_t n);
// Frees every channel of the record and leaves them absent.
void GVChanFreeChannels(ChanData* cd);
