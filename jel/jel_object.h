// The Jel as a scene object: one deformable lattice of mass nodes with its
// name, id, group mask, lattice tables, surface faces and edges, stored frames
// and play parameters. It owns its live state and rebuilds it whenever the
// lattice changes.
#pragma once

#include <cstdint>
#include <cstdio>

#include "jel/frame_params.h"
#include "jel/node_picking.h"
#include "jel/chan_data.h"
#include "jel/state_interface.h"

class HAState;
class HObject;
struct DeformScratch;
struct CameraRec;
struct ViewportRec;
struct ItemStream;

// Called by the destructor before anything is freed.
using JelRemovalCB = void (*)(HObject** handle, int32_t id, void* user);

// Flags word bits.
enum : uint32_t {
  kJelNoLiveState = 1,   // read from a file without a live state
  kJelVec3History = 2,   // the second to fourth auxiliary stores keep vec3 per frame
};

struct LatticeDims {
  float cellSize;
  int32_t maxIndex[3];  // largest x, y, z grid index of the start frame
  float scale[3];
};

class HObject final : public HBState {
 public:
  HObject();
  HObject(int32_t nodeCount, int32_t id, int32_t count, int32_t endFrame);
  ~HObject();
  HObject(const HObject&) = delete;
  HObject& operator=(const HObject&) = delete;

  // Records in scene files and item-stream images (jel/jel_record_io.h gives
  // the results). A reader fills a default-constructed object and rebuilds its
  // tables and live state; on any refusal the object stays default. The
  // factories return a new Jel, or null when the record is refused.
  static HObject* HObjectFromFile(FILE* file, ChanHeaderForm* form = nullptr);
  static HObject* HObjectFromArrays(ItemStream* stream);
  // form: the header form the records of one file are read with, carried
  // from record to record (see jel/jel_record_io.h); null starts afresh.
  int32_t read(FILE* file, ChanHeaderForm* form = nullptr);
  int32_t readArrays(ItemStream* stream);
  // The file record of the newest version; 1, or 0 when the file refused it.
  int32_t write(FILE* file) const;
  // The image: what it adds to the counts, and the fill at the cursors (0 and
  // nothing meaningful put when the arrays lack room).
  void countArrays(ItemStream* stream) const;
  int32_t writeArrays(ItemStream* stream) const;

  void clearOwn();
  // Everything a fresh Jel of n nodes needs; 0 (nothing changed) when a bound fails.
  int32_t allocate(int32_t n, int32_t id, int32_t count, int32_t endFrame);
  // A deep copy of src under newId; 0 for a null source or newId < 1.
  int32_t copyFrom(const HObject* src, int32_t newId);
  // A new live state from the start frame (none without one); 0, and no live
  // state, when there is no memory for the state's arrays.
  int32_t createState();
  // The glue link of a node, live and in the start slot (so that a restart,
  // which reloads the start slot, keeps it); nothing without a live state.
  void setNodeGlue(int32_t node, int32_t glueJel, int32_t glueNode);

  // Lattice tables, surface faces, edges and normals from the start frame.
  void finalize();
  void allocLatticeTables(int32_t n);
  void clearLatticeTables();
  void freeLatticeTables();
  void buildSurfaceFaces();
  void buildFlatEdges();
  void buildSolidEdges();
  void buildSmallLatticeEdges();
  void computeFaceNormals();
  void computeNodeNormals();
  void computeEdgeNormals();
  // Face normals, then node normals, when the frame or sub-step moved on since
  // they were last computed.
  void updateNormals();

  char* getNameCopy() const;
  void offsetIds(int32_t k);
  void replaceGlueJelId(int32_t a, int32_t b);
  void remapGlueJelIds(int32_t count, const int32_t* table);
  uint32_t setGroupBit(int32_t v, int32_t mode);
  uint32_t setNodePart(int32_t node, int32_t p, int32_t mode);
  int32_t firstNodeInPart(int32_t p) const;
  int32_t firstNodeInPartChecked(int32_t p) const;
  void getLatticeDims(LatticeDims* out) const;
  int32_t rescale(float s);
  int32_t getNodeFrame(int32_t part, int32_t frame, int32_t key1, int32_t key2, float posOut[3],
                       float matOut[9]);
  void setFrameVelFromLive(float factor);
  void rotateLiveState(const float R[9], const float c[3]);
  void loadStateRotated(const float R[9], const float c[3]);
  void setCurrentFrame(int32_t f);
  float getTimeStep() const;

  // Frame store: at most 100 stored frames after the start slot, in frame order.
  void removeStoredFrame(int32_t frame);
  void dropFramesUpTo(int32_t frame);
  // The slot that holds (or will hold) frame f; 0 when a full store has no
  // room between two stored frames.
  int32_t findOrMakeSlot(int32_t f);
  // Stores the live state as stored frame f; the slot, or -1 when refused.
  int32_t recordFrame(int32_t f);

  // Position cache: slot k holds the positions of frame base + k.
  void reserveCachedFrames();
  void storeCachedPositions(int32_t f);
  void loadCachedPositions(int32_t f);
  int32_t cacheBase() const;

  // Screen-space picking over the live positions. Pixel points are view
  // client pixels (y down); projected points are (pixel x, pixel y, depth).
  void markVisibleEdges(const CameraRec* cam);
  void projectNodes(const CameraRec* cam);
  // Part bit p (3..31) on the nodes strictly inside the rectangle; returns
  // how many nodes lay inside.
  int32_t setPartInRect(const ViewportRec* vp, const CameraRec* cam, int32_t p, int32_t mode, int32_t x0,
                        int32_t y0, int32_t x1, int32_t y1);
  void forEachFace(void* context, JelFaceCB cb) const;
  // Each returns the node, edge or face found (0 for none) and writes it and
  // the other results to the outputs given (any may be null).
  int32_t pickNearestNode(int32_t x, int32_t y, const ViewportRec* vp, const CameraRec* cam, int32_t* node,
                          float point[3]) const;
  int32_t pickNearestEdge(int32_t x, int32_t y, const ViewportRec* vp, const CameraRec* cam, int32_t* edge,
                          int32_t* dir, float point[3]) const;
  // The facing surface face whose projected centre lies within sqrt(1000)
  // pixels; point receives the face centre in world coordinates.
  int32_t pickFace(int32_t x, int32_t y, const ViewportRec* vp, const CameraRec* cam, int32_t* face,
                   int32_t* kind, float point[3]) const;
  // The surface face whose projected centre lies nearest, facing or not (for
  // one-layer lattices); point receives the projected centre.
  int32_t pickNearestFaceCentre(int32_t x, int32_t y, const ViewportRec* vp, const CameraRec* cam,
                                int32_t* face, int32_t* kind, float point[3]) const;

  // State interface: stored frames here, live frames forwarded to the state.
  void restoreFrame(int32_t frame) override;
  void storeFrame(int32_t frame) override;
  void getPartMatterRange(int32_t part, int32_t frame, uint32_t mask, MatterProps* out) override;
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

  char* name = nullptr;
  uint32_t flags = 0;
  HObject** handle = nullptr;
  void* userWord = nullptr;
  JelRemovalCB removalCB = nullptr;
  int32_t vehicleLink = 0;  // the vehicle code's link value
  FrameParams playParams;
  float* deform[9] = {};
  DeformScratch* deformScratch = nullptr;  // made on first use
  int32_t* searchMarks = nullptr;
  int32_t* aliases[6] = {};  // x border flags, +x, y border flags, +y, z border flags, +z
  HAState* state = nullptr;
  HObject* next = nullptr;
  NodeFrameRecord* nodeFrame = nullptr;
  NodeScreenRec* screenProj = nullptr;
  uint32_t markedParts[4] = {};
};

// The Jel after j in its list; a Jel linked to itself ends the list.
inline HObject* GVNextJel(const HObject* j) { return j->next == j ? nullptr : j->next; }
int32_t GVIsJelFlat(const HObject* jel);
int32_t GVObjInSel(int32_t id, uint32_t groupMask, int32_t v);
// Centre of mass of a part at a frame; the zero vector for a part without mass.
void GVGetPartCentre(HObject* jel, int32_t part, int32_t frame, int32_t axes, float out[3]);
float GVGetLivePartMass(HObject* jel, int32_t part);
int32_t GVGetJelNodeFrameLive(HObject* jel, int32_t part, int32_t key, float point[3]);
int32_t GVGetJelNodeFrameRest(HObject* jel, int32_t part, int32_t key, float point[3]);
