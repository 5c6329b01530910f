// The state interface of a Jel: the head that a Jel object and its live state
// share, and the 33 operations that every caller uses to query or edit a part of
// a Jel at some frame.
#pragma once

#include <cstdint>

#include "jel/frame_params.h"
#include "jel/matter.h"

struct ChanData;

// Frame selectors understood by the state operations.
enum : int32_t {
  kFrameInitial = -1,   // the initial frame: rest shape, floats 0..2 of the start slot's node records
  kFrameCommitted = -2, // committed live state (pos)
  kFrameInStep = -3,    // live state inside a step (pos + disp)
  kFrameDispOnly = -4,  // the in-step displacement alone
};

// Axis mask bits.
enum : int32_t { kAxisX = 2, kAxisY = 4, kAxisZ = 8, kAxesAll = 14 };

// Neighbour table order.
enum : int32_t { kNbrMinusX, kNbrMinusY, kNbrMinusZ, kNbrPlusX, kNbrPlusY, kNbrPlusZ };

using Vec3f = float[3];
using Mat3f = float[9];

// Every pointer that a Jel object hands to its live state. The arrays belong to
// the Jel object; the live state holds copies of the pointers, so an edit
// through either is seen by both. Per-node arrays hold nodeCount + 1 entries and
// entry 0 holds no node.
struct JelHead {
  ChanData* frameStore = nullptr;
  ChanData* auxStores[4] = {};
  ChanData* posCache = nullptr;
  uint32_t* partMask = nullptr;
  int32_t* nodeKind = nullptr;
  int32_t* glueJel = nullptr;
  int32_t* glueNode = nullptr;
  int32_t* glueExtra[3] = {};
  int32_t* cellFlag = nullptr;
  int32_t* nbr[6] = {};         // -x, -y, -z, +x, +y, +z; 0 = none
  int32_t* nbrRepeat[3] = {};   // +x, +y, +z again
  int32_t* diffSide[3] = {};    // 1 where the solid side along the axis is +
  int32_t* linkCells[3] = {};   // solid cells (0..4) around the +x, +y, +z link
  int32_t* fileBlock = nullptr; // 64 words kept for the scene file
  Vec3f* diffCentral = nullptr; // 0.5 per axis with material on both sides
  Vec3f* diffOneSided = nullptr;// +1, 0 or -1 per axis: the solid side
  float* nodeVolume = nullptr;
  int32_t (*faces)[4] = nullptr;  // faceCount + 1 entries
  int32_t (*edges)[2] = nullptr;  // edgeCount + 1 entries
  Vec3f* faceNormals = nullptr;
  Vec3f* nodeNormals = nullptr;
  Vec3f* edgeNormals = nullptr;
  Vec3f* pos = nullptr;
  Vec3f* vel = nullptr;
  Vec3f* disp = nullptr;
};

// The record behind a Jel object's node-frame query: the key of the last
// question and its answer.
struct NodeFrameRecord {
  int32_t frame;
  int32_t key1;
  int32_t key2;
  int32_t result;
  int32_t part;
  float pos[3];
  float mat[9];
};

class HBState : public JelHead {
 public:
  HBState();
  HBState(int32_t id, int32_t nodeCount, float cellSize, uint32_t groupMask, const JelHead& head);

  // Gives the object the default head: id 0, group mask 2, no nodes, cell size
  // 1, no normals computed and every shared pointer null.
  void initParams();

  // Slot order matters only for the reader of this header: keep it.
  virtual void restoreFrame(int32_t frame) = 0;                                         // 0
  virtual void storeFrame(int32_t frame) = 0;                                           // 1
  virtual void getPartMass(int32_t part, int32_t frame, float* mass);                   // 2
  virtual void getPartMassSumVec0(int32_t part, int32_t frame, int32_t axes, float out[3]);  // 3
  virtual void getPartMassPosSum(int32_t part, int32_t frame, int32_t axes, float out[3]);   // 4
  virtual void getPartMomentum(int32_t part, int32_t frame, int32_t axes, float out[3]);     // 5
  virtual void addPartVec0(int32_t part, int32_t frame, int32_t axes, const float v[3]);     // 6
  virtual void translatePart(int32_t part, int32_t frame, int32_t axes, const float v[3]);   // 7
  virtual void addPartVelocity(int32_t part, int32_t frame, int32_t axes, const float v[3]); // 8
  virtual void setPartVelocity(int32_t part, int32_t frame, int32_t axes, const float v[3]); // 9
  virtual void getPartAngMomentum(int32_t part, int32_t frame, int32_t axes, const float centre[3],
                                  float L[3], float I[9]);                              // 10
  virtual void addPartSpin(int32_t part, int32_t frame, int32_t axes, const float centre[3],
                           const float omega[3]);                                       // 11
  virtual void getPartMatterRange(int32_t part, int32_t frame, uint32_t mask, MatterProps* out);  // 12
  virtual void setPartMatter(int32_t part, int32_t frame, uint32_t mask, MatterProps* values);     // 13
  virtual void getFaceCentre(int32_t part, int32_t frame, int32_t face, int32_t axes, float out[3]) = 0;  // 14
  virtual void getFaceCentreAlias(int32_t part, int32_t frame, int32_t face, int32_t axes, float out[3]); // 15
  virtual void moveFaceTo(int32_t part, int32_t frame, int32_t face, int32_t axes,
                          const float target[3]) = 0;                                   // 16
  virtual void findNearestNode(int32_t part, int32_t frame, const float point[3], int32_t* node,
                               float* distSq);                                          // 17
  virtual void findNearestNodeAlias(int32_t part, int32_t frame, const float point[3], int32_t* node,
                                    float* distSq);                                     // 18
  virtual void getNodePosition(int32_t node, int32_t frame, int32_t axes, float out[3]) = 0;       // 19
  virtual void getNodePositionAlias(int32_t node, int32_t frame, int32_t axes, float out[3]);      // 20
  virtual void setNodePosition(int32_t node, int32_t frame, int32_t axes, const float p[3]) = 0;   // 21
  virtual void setNodePositionAlias(int32_t node, int32_t frame, int32_t axes, const float p[3]);  // 22
  virtual void getNodeMatter(int32_t node, int32_t frame, uint32_t mask, MatterProps* out) = 0;    // 23
  virtual void getNodeMatterAlias(int32_t node, int32_t frame, uint32_t mask, MatterProps* out);   // 24
  virtual void setNodeMatter(int32_t node, int32_t frame, uint32_t mask, const MatterProps* in) = 0;  // 25
  virtual void setNodeMatterAlias(int32_t node, int32_t frame, uint32_t mask, const MatterProps* in); // 26
  virtual void getPartMatterSummary(int32_t part, int32_t frame, uint32_t mask, MatterProps* out) = 0;   // 27
  virtual void getPartMatterSummaryAlias(int32_t part, int32_t frame, uint32_t mask, MatterProps* out);  // 28
  virtual void applyPartMatter(int32_t part, int32_t frame, uint32_t mask, MatterProps* values) = 0;     // 29
  virtual void applyPartMatterAlias(int32_t part, int32_t frame, uint32_t mask, MatterProps* values);    // 30
  virtual void updateNodeCoeffs(int32_t frame) = 0;                                      // 31
  virtual void scaleNodeMatter(int32_t part, int32_t frame, int32_t mode) = 0;           // 32

  // The unit lattice tangents at a node from the live positions: one-sided at
  // the border of the material, central inside it. Returns 0 (writing nothing)
  // for node 0, a node out of range or when both outputs are missing.
  static int32_t nodeTangents(const HBState* state, int32_t node, float posOut[3], float frameOut[9]);

  // A lattice one node layer thick: node 1 has neither a -z nor a +z neighbour.
  bool isFlat() const;

  // Neighbour of node i in direction dir (kNbrMinusX..kNbrPlusZ); 0 for none, for
  // a missing table and for an index outside 1..nodeCount.
  int32_t neighbour(int32_t dir, int32_t i) const {
    if (i <= 0 || i > nodeCount || !nbr[dir]) return 0;
    const int32_t j = nbr[dir][i];
    return j > 0 && j <= nodeCount ? j : 0;
  }

  // 1 when the cell whose lowest corner is node j is solid (0 for j = 0).
  int32_t solidCell(int32_t j) const { return j > 0 && j <= nodeCount && cellFlag && cellFlag[j] ? 1 : 0; }

  // True when node i belongs to part p (the part number is taken modulo 32).
  bool inPart(int32_t i, int32_t part) const {
    return partMask && ((partMask[i] >> (static_cast<uint32_t>(part) & 31u)) & 1u);
  }

  int32_t id = 0;
  uint32_t groupMask = 2;
  int32_t nodeCount = 0;
  float cellSize = 1.0f;
  int32_t faceCount = 0;
  int32_t edgeCount = 0;
  int32_t frameMarks[4] = {-1, -1, -1, -1};  // face normals (frame, sub-step), node normals
  FrameParams* params = nullptr;             // the owner's play parameters

  // Step time dt and 1/dt from the play parameters: the time-step word when it
  // is at least 1e-5, else from sub-steps x frame rate; 0 when neither gives one.
  float stepTime() const;
  float invStepTime() const;
  // Replay mode: the state is read-only.
  bool readOnly() const;

 protected:
  // Destroyed only through the derived types, never through this base.
  ~HBState() = default;
  HBState(const HBState&) = default;
  HBState& operator=(const HBState&) = default;

  // Mass of node i in stored slot f: its density there times its volume.
  float storedNodeMass(int32_t slot, int32_t i) const;
};

// Bounds of part 1 at a frame: (min x, max x, min y, max y, min z, max z).
// Returns 1 when part 1 has a node; else 0 with out at (9e30, -9e30, ...).
int32_t GVJelBoundingBox(HBState* state, int32_t frame, float out[6]);

void GVCopyFrameParamsBlock(FrameParams* dst, const FrameParams* src);

void GVSetNodeFrameRecord(NodeFrameRecord* record, int32_t frame, int32_t key1, int32_t key2,
                          int32_t result, int32_t part, const float v[3], const float m[9]);
