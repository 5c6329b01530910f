// Queries and small edits over a selection of the world's Jels: bounds,
// counts, group and Jel navigation for the dialogs, part masks, placement and
// the nearest node. "First" means first in list order. A group is named by
// its selection value -g (g in 1..31).
#pragma once

#include <cstdint>

class HObject;
struct HWorld;
struct LatticeDims;

// Bounds (min x, max x, min y, max y, min z, max z) of the selected Jels'
// committed live positions, widened to hold the origin; 1 when some Jel
// contributed.
int32_t GVJelSelBounds(const HWorld* world, int32_t selection, float out[6]);
// Cell size, largest grid index per axis (never below 0) and unit scales of
// the Jel with that id; 0 (nothing written) for an id below 1, a missing Jel
// or a Jel without nodes.
int32_t GVJelLatticeExtent(const HWorld* world, int32_t id, LatticeDims* out);
int32_t GVJelSelNodeCount(const HWorld* world, int32_t selection);
int32_t GVJelSelFaceCount(const HWorld* world, int32_t selection);
// Tangent frame of a node of the first selected Jel; 0 when none matches or
// it has no live state.
int32_t GVJelSelNodeTangents(const HWorld* world, int32_t selection, int32_t node, float posOut[3],
                             float frameOut[9]);

// request 1 sets, 2 toggles, 0 or -1 clears group bit g (given as -g); other
// requests only read. The bit of the last matching Jel after the change.
int32_t GVSetJelSelGroupBit(HWorld* world, int32_t selection, int32_t group, int32_t request);
int32_t GVFirstJelSelInGroup(const HWorld* world, int32_t selection, int32_t group);
int32_t GVNextJelGroupSel(const HWorld* world, int32_t current, int32_t wrap);
int32_t GVPrevJelGroupSel(const HWorld* world, int32_t current, int32_t wrap);
// The selection value of a new group above the highest used one.
int32_t GVNewJelGroupSel(const HWorld* world);
int32_t GVNextJelInSel(const HWorld* world, int32_t selection, int32_t id, int32_t wrap);
// Dialog navigation over the active Jels and the used groups.
int32_t GVNextJelSel(const HWorld* world, int32_t current);
int32_t GVPrevJelSel(const HWorld* world, int32_t current);
int32_t GVPrevPartIndex(const HWorld* world, int32_t selection, int32_t part);
uint32_t GVJelSelPartMask(const HWorld* world, int32_t selection);

// Moves the selected Jels in y so that their lowest node lies at y.
void GVSetJelSelLowestY(HWorld* world, int32_t selection, float y);
void GVRotateJelSel(HWorld* world, int32_t selection, const float centre[3], const float R[9]);
// The node of the selection nearest to the point at the live state; 0 when
// no Jel has a node. dist receives the distance, node and jelId the node.
int32_t GVNearestJelNode(const HWorld* world, int32_t selection, const float point[3], float* dist,
                         int32_t* node, int32_t* jelId);

// Deletes every Jel, destroys and frees the world held in the cell, and
// frees the cell (made with new).
void GVFreeJelWorld(HWorld** handle);
