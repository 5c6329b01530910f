// Typed access to the three channels of a Jel's frame store: per-node state
// records, node records and matter records.
#pragma once

#include <cstdint>

#include "jel/chan_data.h"

// Word numbers of a state record.
enum : int32_t {
  kStateCellFlag = 4,
  kStateGridX = 5,      // 5..7: grid indices x, y, z
  kStateNbr = 8,        // 8..13: neighbours -x, +x, -y, +y, -z, +z
  kStateGlueJel = 14,
  kStateGlueNode = 15,
  kStateGlueExtra = 16, // 16..18
};

// Float numbers of a node record.
enum : int32_t {
  kNodeNatural = 0,       // 0..2: natural-state position (start slot only)
  kNodePos = 3,           // 3..5
  kNodeVel = 6,           // 6..8
  kNodePrevLinkStrain = 9,// 9..29: x of link slots 0..6, then y, then z
  kNodeLinkStrain = 30,   // 30..50
  kNodeRestLinks = 51,    // 51..71
};

// The channels of a frame store.
constexpr int32_t kFrameStoreChannels = kChanStateRec | kChanNodeRec | kChanMatter;

// The last stored slot m of the node-record channel, or -1 when there is no
// store or it has no node records.
int32_t GVFrameStoreLast(const ChanData* store);

// The element arrays of slot k (n + 1 records each), or null when the slot or
// its array is missing.
JelStateRec* GVFrameStateRecs(const ChanData* store, int32_t slot);
JelNodeRec* GVFrameNodeRecs(const ChanData* store, int32_t slot);
MatterProps* GVFrameMatter(const ChanData* store, int32_t slot);

// The frame number labelling slot k of the node-record channel (0 when absent).
int32_t GVFrameStoreSlotFrame(const ChanData* store, int32_t slot);
