// The live simulation state of one Jel: every per-node and per-face array the
// time step, the contacts and the commands read and write, the derived matter
// coefficients, the rest frames of the lattice and the broad-phase grid.
//
// All per-node arrays are plain arrays of nodeCount + 1 entries carved from one
// block that is allocated when the state is built and never resized: stepping
// allocates nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "jel/state_interface.h"
#include "jel/time_step.h"

class WorkerPool;

struct ContactGrid;

// Node class bits (nodeClass).
enum : uint32_t {
  kClassFull = 0x1,        // every cell around the node is solid
  kClassPartial = 0x2,
  kClassSingleCell = 0x4,  // exactly one solid cell around it
  kClassThinLink = 0x8,    // one of its links touches a single cell
  kClassThinX = 0x90,      // thin along x on both sides
  kClassThinY = 0xA0,
  kClassThinZ = 0xC0,
  kClassHalfX = 0x900,     // half-surrounded, with a full link along x
  kClassHalfY = 0xA00,
  kClassHalfZ = 0xC00,
  kClassEdgeLike = 0x1000,
  kClassCorner = 0x2000,   // one cell short of full
  kClassPlainSurface = 0x4000,
};

// Link slots (links): the node itself, then its neighbours along -x, +x, -y,
// +y, -z, +z (0 where there is none).
enum : int { kSelf = 0, kMinusX = 1, kPlusX = 2, kMinusY = 3, kPlusY = 4, kMinusZ = 5, kPlusZ = 6 };

// Face edge bits (faceEdgeFlags): the edge is open (the neighbouring face bends
// away by about a right angle).
enum : uint32_t { kFaceEdgeS0 = 0x10, kFaceEdgeS1 = 0x20, kFaceEdgeT0 = 0x40, kFaceEdgeT1 = 0x80 };

class HAState final : public HBState {
 public:
  // head: the owner's shared pointers; stamps: the owner's four normal stamps
  // (frameMarks), whose values this state refreshes. ownerFlags is the owner's
  // flags word.
  HAState(int32_t nodeCount, FrameParams* params, int32_t id, uint32_t groupMask, uint32_t* ownerFlags,
          float cellSize, int32_t faceCount, int32_t edgeCount, const JelHead& head, int32_t* stamps);
  ~HAState();
  HAState(const HAState&) = delete;
  HAState& operator=(const HAState&) = delete;

  // Cells, links, link reciprocals, node classes and face records from the
  // owner's tables.
  void linkLattice();
  void buildNodeClasses();
  void buildCellRuns();
  void buildStressRings();
  void buildFaceRecords();
  int32_t findFaceAcrossEdge(int32_t a, int32_t b, int32_t skipFace) const;
  void updateFaceNormals();
  // Rest metrics of the natural shape (start slot, floats 0..2 of each node).
  void setupRestFrames();
  void deriveMatterCoefficients();
  // Matter restored from a stored frame may have been edited there without its
  // sub-step ratio following; raises each node's ratio to what its matter needs
  // (a larger ratio set on purpose is kept), so stiffer matter never runs with
  // too few sub-steps.
  void raiseStepRatios();

  // Frames: copies between the live arrays and stored slot v of the frame store,
  // the full reset to the natural shape, and the rest shape from the current
  // positions.
  void saveToFrameStore(int32_t v);
  void loadFromFrameStore(int32_t v);
  // The state a frame starts from, kept so that a frame that leaves a
  // position or velocity non-finite can be taken back: every value a step
  // reads from one frame to the next (positions, velocities, link strains,
  // rest links, part vectors, carried words). isFinite: every position and
  // velocity is a number.
  // serial: the caller's mark of the frame the copy belongs to; restore
  // does nothing unless the copy carries it.
  void keepFiniteCopy(uint32_t serial);
  void restoreFiniteCopy(uint32_t serial);
  bool isFinite() const;
  // The stored part vectors of slot v (made when asked), and their save and
  // load with the slot.
  struct StoredPartVecs;
  StoredPartVecs* partVecsOfSlot(int32_t v, bool make);
  void savePartVecs(int32_t v);
  void loadPartVecs(int32_t v);
  void resetToNatural();
  void resetRestShape();
  // Per-node frames of the rest links (restFrame).
  void updateNodeFrames();

  // ---- the time step (time_step.cpp) ----
  // One sub-step is computeForces, then the edits of commands and contacts on
  // disp, then integrate. Both do nothing (beyond the stepping flag) outside
  // the Jel's lifespan or without a usable step time.
  void computeForces();
  void integrate();
  // The stress columns of node i's cell and the stresses of its +x, +y, +z
  // edges, in the node's frame, as the force phase forms them before turning
  // them into world axes; between computeForces and integrate they are the
  // sub-step's own. Zero without a usable step time or for node 0.
  void nodeFrameStresses(int32_t i, Vec3f cellStress[3], Vec3f edgeStress[3]) const;
  // The frame of node i's +x, +y or +z edge (axis 0, 1, 2): the mean of the
  // rest frames at its two ends, as the force phase forms it.
  void edgeFrameOf(int axis, int32_t i, float frame[9]) const;
  // The frame of the cell whose lowest corner is node i: per column a, the
  // mean of column a of the frames of its four a-edges (two in-plane ones in a
  // single layer; missing edges are the identity), as the force phase forms
  // it.
  void cellFrameOf(int32_t i, float frame[9]) const;
  // Co-rotates restLinks by spin.
  void rotateRestLinks();
  // Runs the 32 per-part rotation vectors through the given routines (null
  // entries skipped) while the owner's 0x10 flag is set, and records the frame.
  using PartVectorStep = void (*)(HAState* state, int32_t part, float v[3]);
  void advancePartVectors(const PartVectorStep steps[3]);

  // State interface (live frames -2, -3 and -4).
  void restoreFrame(int32_t frame) override;
  void storeFrame(int32_t frame) override;
  void getPartMass(int32_t part, int32_t frame, float* mass) override;
  void getPartMassSumVec0(int32_t part, int32_t frame, int32_t axes, float out[3]) override;
  void getPartMassPosSum(int32_t part, int32_t frame, int32_t axes, float out[3]) override;
  void getPartMomentum(int32_t part, int32_t frame, int32_t axes, float out[3]) override;
  void addPartVec0(int32_t part, int32_t frame, int32_t axes, const float v[3]) override;
  void translatePart(int32_t part, int32_t frame, int32_t axes, const float v[3]) override;
  void addPartVelocity(int32_t part, int32_t frame, int32_t axes, const float v[3]) override;
  void setPartVelocity(int32_t part, int32_t frame, int32_t axes, const float v[3]) override;
  void getPartAngMomentum(int32_t part, int32_t frame, int32_t axes, const float centre[3], float L[3],
                          float I[9]) override;
  void addPartSpin(int32_t part, int32_t frame, int32_t axes, const float centre[3],
                   const float omega[3]) override;
  void getPartMatterRange(int32_t part, int32_t frame, uint32_t mask, MatterProps* out) override;
  void setPartMatter(int32_t part, int32_t frame, uint32_t mask, MatterProps* values) override;
  void getFaceCentre(int32_t part, int32_t frame, int32_t face, int32_t axes, float out[3]) override;
  void moveFaceTo(int32_t part, int32_t frame, int32_t face, int32_t axes, const float target[3]) override;
  void getNodePosition(int32_t node, int32_t frame, int32_t axes, float out[3]) override;
  void setNodePosition(int32_t node, int32_t frame, int32_t axes, const float p[3]) override;
  void getNodeMatter(int32_t node, int32_t frame, uint32_t mask, MatterProps* out) override;
  void setNodeMatter(int32_t node, int32_t frame, uint32_t mask, const MatterProps* in) override;
  void getPartMatterSummary(int32_t part, int32_t frame, uint32_t mask, MatterProps* out) override;
  void applyPartMatter(int32_t part, int32_t frame, uint32_t mask, MatterProps* values) override;
  void updateNodeCoeffs(int32_t frame) override;
  void scaleNodeMatter(int32_t part, int32_t frame, int32_t mode) override;

  // ---- contact set-up (live_state_contacts.cpp) ----
  // Refills the broad-phase grid: kind 0 the surface faces at the centres of
  // their in-step corners, kind 1 the nodes at their committed positions keyed
  // by part mask. The grid box is the cube around the in-step bounds, widened
  // by two grid cells so that points still a little outside find the items.
  void rebuildContactGrid(float gridCellSize, int32_t kind);
  // Per node, the smallest cosine between its normal and the normals of its
  // faces (1 where it has none, and everywhere on a one-layer lattice).
  void computeNodeCreaseDots();


  // ---- scalars (params, the owner's play parameters, is in the head) ----
  int32_t active = 1;
  int32_t nodeCountCopy = 0;
  uint32_t* ownerFlags = nullptr;
  int32_t* ownerStamps = nullptr;  // the owner's four normal stamps

  // Status words of the contact and rigidify code, cleared by every force phase.
  int32_t rigidUpdateFrame = 0;
  int32_t contactStatus[2] = {};
  int32_t rigidContact = 0;
  int32_t collisionFlags = 0;
  int32_t contactSummary = 0;

  // Node dragging by the 3-D view.
  int32_t dragMode = 0;
  float dragDir[3] = {};
  float grabPoint[3] = {};
  float spareScalars[9] = {};

  // Per-part rotation vectors of the rigid parts (part 0..31).
  float impulseTable[32][3] = {};
  float partTurn[3] = {};  // turn fitted to a rigid part, before it is folded into its vector
  // Values the application's per-sub-step work carries from frame to frame
  // on this Jel (the vehicle's steering angle): kept with the stored frames
  // like the rotation vectors.
  float carriedWords[2] = {};
  // The rotation vectors, the carried words and the owner's rigid-pose flag
  // (0x10) as they were when each stored frame was saved, by the frame the
  // slot holds: a restored frame brings them back, so a run replayed from a
  // stored frame reads what the first run read. The start slot (the initial
  // frame, which scene files keep) and a frame saved by no run of this
  // session have none: restoring them zeroes the vectors and words and sets
  // partVecsStale, and the rigid-part code fits the vectors to the restored
  // shape before it next uses them.
  struct StoredPartVecs {
    int32_t frame = 0;
    bool rigidPoseCurrent = false;
    float vecs[32][3] = {};
    float carried[2] = {};
  };
  std::vector<StoredPartVecs> storedPartVecs;
  bool partVecsStale = false;
  std::vector<float> finiteCopy;  // keepFiniteCopy's values
  uint32_t finiteCopySerial = 0;

  // Owner tables repeated in pairs (-x, +x, -y, +y, -z, +z), set by linkLattice.
  int32_t* nbrPairs[6] = {};

  // ---- lattice ----
  int32_t (*cells)[8] = nullptr;  // element k: node reached by the -x (4), -y (2), -z (1) steps of k
  int32_t (*links)[7] = nullptr;  // self, -x, +x, -y, +y, -z, +z
  int32_t (*gridIndex)[3] = nullptr;
  Vec3f* linkRecip = nullptr;     // 1 / solid cells around the +x, +y, +z link

  // ---- rest-frame set-up ----
  float* restDet = nullptr;        // |det A|
  float* restCellDet = nullptr;    // r0 (times the solid flag)
  float* restSqrtDet = nullptr;    // sqrt |det A|
  Vec3f* restLinkDet = nullptr;    // r_x, r_y, r_z
  Mat3f* restMetricInv = nullptr;  // A^-1
  Mat3f* restCellInv = nullptr;    // R0 (times the solid flag)
  Mat3f* restLinkInv[3] = {};      // R1, R2, R3
  Mat3f* restMetric = nullptr;     // A
  Mat3f* cellMetric = nullptr;     // C
  Mat3f* linkMetric[3] = {};
  Vec3f (*naturalEdge)[3] = nullptr;  // natural +x, +y, +z edges over the cell size
  Vec3f (*avgCellEdge)[3] = nullptr;  // mean x, y, z edge of the cell at the node

  // ---- matter and coefficients ----
  MatterProps* matter = nullptr;
  // The matter fields the step reads every sub-step, kept beside the records
  // so that it reads a few bytes a node rather than whole records twice:
  // stepForce holds the constant force and scaleT, stepFlatZ flatZ.
  // Whatever writes matter calls matterChanged afterwards (for every node,
  // or for the one it wrote); the setters here and deriveMatterCoefficients
  // do.
  float (*stepForce)[4] = nullptr;
  float* stepFlatZ = nullptr;
  void matterChanged();
  void matterChanged(int32_t node);
  // The copies hold what the records do (the step checks it in debug builds).
  bool stepMatterCurrent() const;
  float (*coeffs)[11] = nullptr;
  float* mass = nullptr;
  Vec3f* normalCoef = nullptr;     // s0..s2
  Vec3f* shearCoef = nullptr;      // s3..s5
  Vec3f* edgeNormalCoef = nullptr; // s6..s8
  Vec3f* edgeShearCoef = nullptr;  // s9..s11
  Vec3f* edgeDampCoef = nullptr;   // s12..s14
  float (*area)[4] = nullptr;

  // ---- link strains (seven link slots per node) ----
  Vec3f (*restLinks)[7] = nullptr;
  Vec3f (*linkStrain)[7] = nullptr;
  Vec3f (*prevLinkStrain)[7] = nullptr;
  // Set when strains were read from a frame: a record may carry strains in
  // slots this lattice has no link for, which the next commit clears.
  bool strainsLoaded = false;
  // Whatever writes linkStrain or prevLinkStrain outside the step calls this:
  // the edge strains kept from them are then formed again.
  void strainsChanged() { edgeStrainsCurrent = prevEdgeStrainsCurrent = false; }

  // ---- step work (three vectors per node: x, y, z edge or column) ----
  Vec3f (*edgeStrain)[3] = nullptr;
  // The edge strains of prevLinkStrain: those of the step before, kept by
  // swapping the arrays at the commit while edgeStrain is current.
  Vec3f (*prevEdgeStrain)[3] = nullptr;
  bool edgeStrainsCurrent = false;      // edgeStrain: those of linkStrain
  bool prevEdgeStrainsCurrent = false;  // prevEdgeStrain: those of prevLinkStrain
  // (The cell and edge stresses in the node's frame are not kept: see
  // nodeFrameStresses.)
  // Rows 0 and 1 of a cell's world stress are kept as their sum and
  // difference (the forms the accelerations add), row 2 as it is.
  Vec3f (*worldCellStress)[3] = nullptr;
  Vec3f (*worldEdgeStress)[3] = nullptr;
  // Without a pool the accelerations read the world stresses of a node and
  // of nodes a few hundred before it, right behind the stress sweep, which
  // then keeps them in rings of stressRingNodes records instead of the whole
  // arrays, small enough to stay in cache: node j in record
  // ((j - 1) & (stressRingNodes - 1)) + 1, record 0 zero, one spare record at
  // the end (at most 32768 records). ringCells: each node's cells as ring
  // records, two bytes each (the accelerations turn its own, -x, -y and -z
  // numbers into ring records as they read them). stressRingNodes 0: no
  // rings (see buildStressRings).
  int32_t stressRingNodes = 0;
  std::vector<float> ringCellStress, ringEdgeStress;  // nine floats a record
  std::vector<std::array<uint16_t, 8>> ringCells;
  // Each node's acceleration (force phase) and the spin that turned its rest
  // links (commit phase). Nothing in the step reads them back: the step
  // writes them only while keepStepVectors is set, for whoever inspects a
  // sub-step; rotateRestLinks turns the rest links by spin.
  Vec3f* accel = nullptr;
  Vec3f* spin = nullptr;
  bool keepStepVectors = false;
  Vec3f* stepStartPos = nullptr;
  Vec3f* scratchVec[7] = {};

  // ---- group operations on parts (fix, orientation, shape, rigid pose) ----
  Vec3f* partRef = nullptr;       // fix references, orientation offsets, fixed-position targets
  Vec3f* restOffset = nullptr;    // captured shape: offsets from the part's centre
  Vec3f* rigidWork[3] = {};       // rotated rest offset, current offset, deviation
  Vec3f* pressureForce = nullptr; // face pressure accumulated over a part's faces

  // ---- per-node frames (identity at construction, entry 0 included) ----
  // The inverse of each rest frame, the edge frames and the cell frames are
  // not kept: the step forms them from restFrame where it needs them (see
  // edgeFrameOf, cellFrameOf).
  Mat3f* restFrame = nullptr;
  // Per node: how many nodes from it on have both ends of their cells' twelve
  // edges in runs of consecutive records, each present throughout or missing
  // throughout (see buildCellRuns); missing ends read cellRunIdentity, entry
  // 0's identity repeated.
  int32_t* cellRuns = nullptr;
  // How far ahead in node order a +x, +y or +z link reaches.
  int32_t linkReach = 0;
  // The edges of node i's cell along each axis a (the cell frame's column a):
  // edge k starts at out[a][k][0] and ends at out[a][k][1], its +a neighbour
  // (0 where missing).
  void cellEdges(int32_t i, int32_t out[3][4][2]) const {
    const int32_t* l = links[i];
    const int32_t px = l[kPlusX], py = l[kPlusY], pz = l[kPlusZ];
    const int32_t starts[3][4] = {
        {i, py, pz, links[pz][kPlusY]}, {i, pz, px, links[px][kPlusZ]}, {i, px, py, links[py][kPlusX]}};
    for (int a = 0; a < 3; ++a)
      for (int k = 0; k < 4; ++k) {
        out[a][k][0] = starts[a][k];
        out[a][k][1] = links[starts[a][k]][2 * a + 2];
      }
  }
  // The owner's derivative weights of each node in one word, what the step
  // reads instead of the three tables: per axis a, bits 4a..4a+3 hold
  // diffOneSided + 1 (two bits), diffCentral = 0.5 and diffSide (set by
  // linkLattice).
  int32_t* diffCodes = nullptr;
  static constexpr int32_t kCellRunMax = 64;
  float cellRunIdentity[9 * kCellRunMax];

  // ---- contacts ----
  Vec3f* contactPassCorr = nullptr;
  Vec3f* contactCorr = nullptr;
  Vec3f* reactionAccum = nullptr;
  uint32_t* contactFlags = nullptr;
  int32_t* contactAux = nullptr;  // companion word of contactFlags
  float* contactValue = nullptr;
  float* nodeCreaseDot = nullptr;
  uint32_t* nodeClass = nullptr;

  // ---- per-face records (faceCount + 1 entries) ----
  int32_t* faceContactCount = nullptr;
  float (*faceParamBounds)[4] = nullptr;  // s low, s high, t low, t high
  uint32_t* faceEdgeFlags = nullptr;

  ChanData* history[3] = {};
  ChanData* partRefStores[3] = {};  // fix, orientation and shape references; made on first use
  ContactGrid* contactGrid = nullptr;
  // Committed centre of every face (three floats a face, entry 0 unused) and
  // the bounds of the finite ones (low x, y, z, high x, y, z): refreshed with
  // the face grid, once a sub-step, for the collision searches.
  std::vector<float> faceCentres;
  float faceCentreBox[6] = {};
  // With the centres, per face: the unit normal of its diagonals and the
  // range of its corners along it, widened to hold every point of the face
  // within its parameter bounds (five floats a face, entry 0 unused).
  std::vector<float> faceSlabs;
  // Bounds of the committed node positions (low x, y, z, high x, y, z; the
  // whole space when one is not a number), refreshed once a sub-step while
  // contactStatus[1] is clear.
  float nodeBox[6] = {};
  std::vector<uint8_t> collisionScratch;  // a byte a node, for the collision searches
  // Every node whose contactPassCorr may be other than zero, each once (the
  // byte a node says which are listed): the collision passes clear and fold
  // only these.
  std::vector<int32_t> passTouched;
  std::vector<uint8_t> passTouchedFlag;
  // The items (nodes, then n + edge) a Jel-Jel search visits: those of the
  // searching Jel not beyond one side of the reach box, in item order.
  std::vector<int32_t> searchItems;

  // The pool the time step's node passes run on (not owned); null runs them
  // on the calling thread. The passes cut the nodes into chunks of a fixed
  // size and keep one partial sum per chunk, folded in chunk order, so the
  // result is the same for every pool.
  WorkerPool* workers = nullptr;
  // Nodes the step's sweeps run side by side: 1, 4 or 8, at most
  // GVStepLanesAvailable() (the constructor's choice). Results do not depend on it.
  int32_t stepLanes = 1;
  struct ChunkSums {
    double mass;
    double massPos[3];
    double massDisp[3];
    AngularSums angular;
  };
  std::vector<ChunkSums> chunkSums;  // one per chunk, sized with the arrays

  // False when the node arrays could not be allocated.
  bool allocated() const { return block_ != nullptr; }

 private:
  void carveArrays(char* base, size_t* size);
  void* block_ = nullptr;
};

// Writes the glue pair of node n into stored frame slot f (f >= 0) or, for the
// live frames -2 and -3, into the live glue arrays.
void GVSetFrameNodeFlags(HAState* state, int32_t node, int32_t frame, int32_t glueJel, int32_t glueNode);

// Folds one node's matter into a range record, per masked field: the largest
// value, the smallest density, and the smallest magnitude of each force.
void GVFoldMatterRange(const MatterProps* node, uint32_t mask, MatterProps* range);

// Part-level helpers over any state.
void GVGetGroupCentre(HBState* state, int32_t part, int32_t frame, int32_t axes, float out[3]);
void GVMovePartCentreTo(HBState* state, int32_t part, int32_t frame, const float target[3]);
void GVGetPartVelocity(HBState* state, int32_t part, int32_t axes, float out[3]);
void GVSetPartVelocityXZ(HBState* state, int32_t part, const float target[3]);
void GVGetPartAngVelocity(HBState* state, float out[3]);
void GVSetPartAngVelocity(HBState* state, const float target[3]);
// disp += a dt^2 for the part's nodes, only between the phases of a sub-step.
void GVAddPartAccel(HAState* state, int32_t part, int32_t axes, const float a[3]);
