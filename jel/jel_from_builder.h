#pragma once
// Turning a lattice builder's grid into a Jel object, copying a Jel back into
// a grid, and rebuilding a Jel with one cell added or removed (Edit Structure).
//
// Nodes are numbered along the builder's point list: the occupied grid points
// in z, then y, then x order, x fastest. Every node is in part 1; nodes on the
// surface of the solid are in part 2, the others in part 3.

#include <cstdint>

#include "jel/lattice_builder.h"
#include "jel/matter.h"

class HObject;
struct ContactGrid;
struct JelStateRec;
struct JelNodeRec;

// Fills the grid -> node map and, per node, the cell flag, grid indices and
// six neighbour links (-x, +x, -y, +y, -z, +z) of its start-frame state record.
// Two neighbouring points are linked when both carry a node and a solid cell
// holds the edge between them; a one-layer grid has no z links.
void GVGridNumberNodes(LatticeBuilder* b, JelStateRec* recs);
// Rest positions of the grid points (centred on the origin) into the builder
// and into the natural and initial positions of the first `count` node records.
void GVGridRestPositions(LatticeBuilder* b, JelNodeRec* recs, int32_t count);
void GVSetPartsFromGrid(const LatticeBuilder* b, HObject* jel, int32_t count);
// Shifts the Jel's grid indices so each axis starts at 1 and sets the builder's
// layout to the Jel's lattice summary (no reallocation).
void GVNormaliseGridIndices(LatticeBuilder* b, HObject* jel);
// Adds 1 to every node's grid index on axis 1 (x), 2 (y) or 3 (z).
void GVShiftGridIndices(int32_t axis, HObject* jel, LatticeBuilder* b);
// Solid cells of the Jel into the grid (with their corners).
void GVCopyJelToGrid(LatticeBuilder* b, const HObject* jel);

void GVJelGridOrigin(const HObject* jel, float out[3]);
void GVJelMeanPosition(const HObject* jel, float out[3]);
void GVTranslateJel(const float target[3], HObject* jel);
void GVKeepJelInPlace(HObject* jel, const float origin[3]);
// One matter record into every node of the start frame; the defaults when none.
void GVFillAllMatter(const MatterProps* matter, HObject* jel);

// A new Jel from the grid, with its live state and start frame stored; null
// when the grid has no node or the Jel cannot be made. The matter record's
// F-Ratio is set from the builder's cell size.
HObject* GVCreateJelFromBuilder(LatticeBuilder* b, int32_t id, int32_t count, int32_t endFrame,
                                MatterProps* matter);

// A broad-phase grid of the Jel's committed node positions whose item ids are
// the nodes' part masks; the caller owns it. Null without a live state.
ContactGrid* GVTakeJelContactGrid(const HObject* jel);
// Part bits 4 and up from the old Jel's nodes to the new Jel's nodes at the
// same places (where exactly one old node is near); frees the grid.
void GVTransferPartsByGrid(ContactGrid* grid, HObject* jel);

// Edit Structure: a new Jel with a cell added (action 1) or removed (action 0)
// at surface face f of a solid Jel, or at edge e of a one-layer Jel, carrying
// the old one's id, name, groups, user word and removal callback; null on
// failure. The old Jel is left whole: its owner puts the new one in its place
// (GVReplaceJel for a Jel in a world, GVSwapJelInHandle otherwise), so that
// whatever holds the old one can let go of it first.
HObject* GVRebuildJelAtFace(LatticeBuilder* b, HObject* jel, int32_t action, int32_t face);
HObject* GVRebuildJelAtEdge(LatticeBuilder* b, HObject* jel, int32_t action, int32_t edge);
// The new Jel takes the old one's handle cell and the old one is destroyed
// (its removal callback runs while the handle still holds it).
void GVSwapJelInHandle(HObject* old, HObject* fresh);
