// Channel-data stores filled with recognisable values, and comparisons, for the
// channel-data tests.
#pragma once

#include <cstdint>

#include "jel/chan_data.h"

// Flag of channel index 0..7.
inline int32_t chanFlagAt(int c) {
  constexpr int32_t flags[kChanCount] = {2, 4, 8, 16, 32, 64, 128, 0x4000};
  return flags[c];
}

// A store of count n whose channels in mask have slots 0..m. Every slot but the
// last (when m >= 2) has its array, elements 1..n hold values unique to channel,
// slot and element (element 0 stays zero), and slot words and frames are set;
// block slots hold about two thirds of their entries.
ChanData* makeFilledStore(int32_t n, int32_t m, int32_t mask);

// Same count, channels, slot counts, slot words and frames, and element bytes.
bool sameStore(const ChanData* a, const ChanData* b);

// After a count change from oldCount to newCount: elements 1..min of now equal
// those of old, every other element of now is all zero bytes.
bool sameElements(const void* now, const void* old, int elementBytes, int32_t oldCount,
                  int32_t newCount);
