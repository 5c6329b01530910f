// Broad-phase octree: items (nodes, faces, triangle pieces) stored as points in
// an axis-aligned box; a query returns the items of the 3 x 3 x 3 finest cells
// around a point. Used by the collision tests and the lattice builder.
#pragma once

#include <cstdint>

// One node of the tree. Above the regular levels a node only routes; an item
// lives in a node at depth >= the grid's level count, one item per node.
struct OctreeNode {
  int32_t depth;          // 0 at the root
  int32_t item;           // item id stored here, 0 = none
  float point[3];         // position of the stored item
  OctreeNode** children;  // 8 entries (null until used), owned; null for a leaf
  intptr_t itemData;      // caller's word stored with the item
};

struct ContactGrid {
  float minCorner[3];
  float maxCorner[3];
  int32_t levelCount;     // regular subdivision levels L
  float cellSize;         // the size asked for at set-up
  float smallestCell;     // the x extent halved L times
  OctreeNode* root;       // owned; null before set-up or after a refused set-up
  int32_t capacity;       // largest number of hits a query keeps
  int32_t* hitList;       // capacity + 1 entries, owned: [0] count, [1..count] ids
  int32_t spillFlag;      // 1 once a triangle went in as more than one point
  // Storage kept between set-ups, so that refilling the grid every sub-step
  // allocates nothing once it has grown to the scene: nodes and child arrays
  // of the previous tree (chained through itemData and element 0), and the
  // room of the hit list.
  OctreeNode* spareNodes;
  OctreeNode** spareChildren;
  int32_t hitRoom;
  // Nodes and child arrays made so far (in the tree or spare) and in the
  // last tree: each set-up keeps some spares beyond the last tree's, so that
  // a tree that changes a little from one refill to the next draws on them.
  int32_t nodesMade, childrenMade;
  int32_t nodesUsed, childrenUsed;
  // The items of every finest cell, in tree order, laid out one cell after
  // another in cell index order (the occupied cells of a row side by side,
  // so a query copies one run a row); rebuilt on the first query after an
  // insertion.
  int32_t* flatItems;
  int32_t flatRoom;
  int32_t flatValid;
  // For grids of at most kOctreeTableLevels levels, each finest cell's place
  // in the flat list by cell index; an entry counts only when its stamp is
  // the grid's current one, so a refill never clears the table.
  int32_t (*cellTable)[3];  // first, count, stamp
  int32_t cellTableSize;
  int32_t cellStamp;
  // Per row of finest cells (z, y), bit x set when cell (x, y, z) holds
  // items: a query reads only the cells that do. Then, at rowRoom, the same
  // for the cells with items within one cell. Rebuilt with the table.
  uint64_t* rowBits;
  int32_t rowRoom;
  // The split value of every box of the first splitLevels levels, per axis in
  // heap order (box k splits into 2k and 2k + 1) and then in order along the
  // axis, for locating a point without recomputing the midpoints; valid for
  // the corners in splitBox.
  float* splitTable;
  int32_t splitRoom;
  int32_t splitLevels;
  float splitBox[6];
  int32_t splitSorted;   // 1 when each axis's splits rise along it
  float splitScale[3];   // 1 / the box's extent per axis
  // Points of the items of GVOctreeFillItems (item k + 1 at entry k), a
  // scratch cell per item (then as many words for sorting), and the item count while the grid holds them
  // only in the flat list (fillCount > 0: the tree is the bare root).
  float (*itemPoints)[3];
  int32_t* itemCells;
  int32_t itemRoom;
  int32_t fillCount;
  // 1 while every item went in once as one point (a query then holds no
  // repeated id); set by the caller that filled the grid so, cleared by a
  // set-up and by every later insertion.
  int32_t distinctItems;
};

constexpr int kOctreeTableLevels = 6;
// Deepest level whose split values a grid keeps for locating points.
constexpr int kOctreeSplitLevels = 8;

// Deepest node that can exist; an item that would need a deeper one is dropped.
constexpr int kOctreeMaxDepth = 30;

// Callback of the traversals: (item, item data, user word, point x, y, z).
using OctreeVisitFn = void (*)(int32_t item, intptr_t itemData, void* user, float x, float y,
                               float z);

// Allocates a zeroed grid; GVFreeContactGrid frees it with its tree and hit list.
ContactGrid* GVNewContactGrid();
void GVFreeContactGrid(ContactGrid* grid);

void GVOctreeInit(ContactGrid* grid);
// Frees the tree, the hit list and the kept storage of a grid that is not
// itself freed (one set up in place after GVOctreeInit).
void GVOctreeRelease(ContactGrid* grid);

// Replaces the tree and hit list of the grid by empty ones over the box and
// returns the hit list (the old tree's storage is reused). A cell size that is not a positive finite number, a
// bound that is not finite or a negative capacity is refused: the grid is left
// without a tree (insertions and queries then do nothing) and null is returned.
// The level count is capped at kOctreeMaxDepth.
int32_t* GVOctreeSetup(ContactGrid* grid, float minX, float minY, float minZ, float maxX,
                       float maxY, float maxZ, float cellSize, int32_t capacity);

// Halvings of the extent until a cell is no larger than cellSize (at least 1);
// the final cell size goes to *smallest. -1 for a cell size that is not a
// positive finite number or an extent that is not finite.
int GVOctreeHalvingLevels(float extent, float cellSize, float* smallest);

// Doublings of *size until it exceeds bound (at least 1); the final size is
// written back. 0, with *size unchanged, for a size that is not a positive
// finite number or a bound that is not finite.
int GVOctreeLevelsFor(float* size, float bound);

void GVOctreeAddItem(ContactGrid* grid, int32_t item, float x, float y, float z);

// Room for count item points (null when it cannot be made), to be filled and
// then put in with GVOctreeFillItems.
float (*GVOctreeItemPoints(ContactGrid* grid, int32_t count))[3];
// Puts items 1..count at the points of GVOctreeItemPoints into a grid fresh
// from set-up: queries find exactly what count GVOctreeAddItem calls in id
// order would give. A grid of at most kOctreeTableLevels levels is laid out
// for queries at once, without the tree; a later insertion builds the tree
// first. The visitors walk the tree only: visit such a grid after inserting.
void GVOctreeFillItems(ContactGrid* grid, int32_t count);

// Inserts the triangle abc, split at edge midpoints while an edge's squared
// length exceeds sizeSq. Returns the number of points stored; sets the spill
// flag when that is more than one. 0 for a threshold that is not a positive
// finite number or a corner that is not finite.
int GVOctreeAddTriangle(ContactGrid* grid, int32_t item, const float* a, const float* b,
                        const float* c, float sizeSq);

// Inserts a point item below node, whose box is lo..hi and depth is depth.
// New nodes come from the grid's spare storage (grid may be null).
void GVOctreeNodeInsert(ContactGrid* grid, OctreeNode* node, int32_t item, const float* point, const float* lo,
                        const float* hi, int32_t levelCount, intptr_t itemData, int32_t depth);

// Cell paths of a point; true when the point is inside the bounds (the bounds
// themselves included). Outside (or not finite): all three paths are -1.
// Without a tree the paths are left as they are and the result is false.
bool GVOctreeLocate(const ContactGrid* grid, const float* point, int32_t* xPath,
                    int32_t* yPath, int32_t* zPath);

// Empties the hit list and fills it with the items of the 27 cells around the
// given cell (ids may repeat). Returns the hit list, null without one.
int32_t* GVOctreeQuery(ContactGrid* grid, int32_t xPath, int32_t yPath, int32_t zPath);

// Removes repeated ids from the hit list, keeping the order of first
// occurrences. flags[id] must exist for every id in the list; bit 0 is used
// and left clear.
void GVOctreeClearMarks(int32_t* flags, ContactGrid* grid);

void GVOctreeVisitLeaves(const OctreeNode* node, void* user, OctreeVisitFn visit);
void GVOctreeVisitPath(const OctreeNode* root, int32_t levelCount, int32_t xPath, int32_t yPath,
                       int32_t zPath, void* user, OctreeVisitFn visit);
void GVOctreeVisitNeighbourhood(const OctreeNode* root, int32_t levelCount, int32_t xPath,
                                int32_t yPath, int32_t zPath, void* user, OctreeVisitFn visit);

// Appends a non-zero id while the list is below capacity; ignores it otherwise.
void GVOctreeHitAppend(int32_t item, int32_t* hitList, int32_t capacity);

// Frees the subtree below node (children first, then the child array); the
// caller deletes the node itself.
void GVOctreeFree(OctreeNode* node);
