// Screen-space services of a Jel object for the mouse tools and the drawing of
// the 3-D view: per-node screen records, visible lattice edges, rectangle
// selection into a part, and the node, edge or surface face nearest to a
// screen point. The operations themselves are HObject members.
#pragma once

#include <cstdint>

class HObject;

// One record per node (1-based), eleven 32-bit words.
struct NodeScreenRec {
  int32_t edgeTo[3];   // +x, +y, +z partner of a visible edge; 0 = none drawn
  int32_t spare;       // not written by the picking code
  uint32_t outcode;    // kOut* bits
  float cam[3];        // x and y times the projection scales, depth (positive in front)
  float screen[2];     // x / depth and y / depth; 0 when the depth is 0
  int32_t spare2;      // not written by the picking code
};
static_assert(sizeof(NodeScreenRec) == 44, "eleven words per node");

enum : uint32_t {
  kOutRight = 2,
  kOutLeft = 4,
  kOutAbove = 8,
  kOutBelow = 16,
  kOutBehind = 64,
};

// Camera modes that change how visible edges are marked.
enum : int32_t {
  kCameraNoEdges = 0,     // nothing is marked
  kCameraLatticeEdges = 4 // every lattice link away from a one-sided border
};

// Plane kinds of a surface face (which lattice directions it spans).
enum : int32_t { kFaceSpansYZ = 1, kFaceSpansZX = 2, kFaceSpansXY = 3 };

// Rectangle selection modes.
enum : int32_t { kRectClear = 0, kRectSet = 1, kRectToggle = 2 };

// Largest squared pixel distance at which a face centre can still be picked.
constexpr float kPickFaceLimit = 1000.0f;

// Called once per surface face with its four corners (live positions) and
// the Jel's display word (word 0 of its marked-part mask).
using JelFaceCB = void (*)(void* context, HObject** handle, const float c0[3], const float c1[3],
                           const float c2[3], const float c3[3], uint32_t displayWord);
