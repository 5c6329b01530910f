#include "jel/jel_object.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "jel/chan_data.h"
#include "jel/deformation_map.h"
#include "jel/frame_store.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "records/heap_string.h"

namespace {

template <class T>
T* newArray(int32_t count) {
  return new T[static_cast<size_t>(count)]();
}

template <class T>
void freeArray(T*& p) {
  delete[] p;
  p = nullptr;
}

template <class T>
T* copyArray(const T* src, int32_t count) {
  if (!src) return nullptr;
  T* p = newArray<T>(count);
  std::memcpy(static_cast<void*>(p), src, sizeof(T) * static_cast<size_t>(count));
  return p;
}

bool axisOn(int32_t axes, int k) { return (axes & (2 << k)) != 0; }

// The live frames that the Jel forwards to its state.
bool isLive(int32_t frame) { return frame == kFrameCommitted || frame == kFrameInStep; }

void defaultPlayParams(FrameParams* p, int32_t endFrame) {
  *p = FrameParams();
  p->timeStep = 0.0f;
  p->startFrame = 0;
  p->endFrame = endFrame;
  p->fps = 30;
  p->subStepIndex = 1;
  p->subSteps = 1;
  p->loopLength = 100;
}

void rotateAbout(const float R[9], const float c[3], float p[3]) {
  const float d[3] = {p[0] - c[0], p[1] - c[1], p[2] - c[2]};
  float r[3];
  GVMat3MulVec(r, R, d);
  for (int k = 0; k < 3; ++k) p[k] = r[k] + c[k];
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

HObject::HObject() {
  defaultPlayParams(&playParams, 100);
  params = &playParams;
  clearOwn();
}

HObject::HObject(int32_t nodeCount_, int32_t id_, int32_t count, int32_t endFrame) : HObject() {
  allocate(nodeCount_, id_, count, endFrame);
}

void HObject::clearOwn() {
  handle = nullptr;
  GVSetString(&name, "");
  flags = 0;
  userWord = nullptr;
  removalCB = nullptr;
  for (auto& d : deform) d = nullptr;
  searchMarks = nullptr;
  for (auto& a : aliases) a = nullptr;
  state = nullptr;
  next = nullptr;
  nodeFrame = nullptr;
  screenProj = nullptr;
  markedParts[0] = markedParts[2] = markedParts[3] = 0;
}

HObject::~HObject() {
  if (removalCB) removalCB(handle, id, userWord);
  GVFreeChanData(frameStore);
  for (auto& s : auxStores) GVFreeChanData(s);
  GVFreeChanData(posCache);
  frameStore = nullptr;
  posCache = nullptr;
  for (auto& s : auxStores) s = nullptr;
  freeArray(partMask);
  freeArray(nodeKind);
  freeArray(glueJel);
  freeArray(glueNode);
  for (auto& g : glueExtra) freeArray(g);
  freeArray(fileBlock);
  freeLatticeTables();
  freeArray(pos);
  freeArray(vel);
  freeArray(disp);
  for (auto& d : deform) freeArray(d);
  GVFreeDeformScratch(deformScratch);
  deformScratch = nullptr;
  freeArray(searchMarks);
  freeArray(screenProj);
  delete state;
  state = nullptr;
  delete nodeFrame;
  GVFreeString(&name);
}

int32_t HObject::allocate(int32_t n, int32_t id_, int32_t count, int32_t endFrame) {
  if (n < 1 || id_ < 1 || count < 0 || endFrame < 0) return 0;
  if (frameStore || partMask || pos) return 0;  // already a lattice: rebuild through a new object
  GVSetString(&name, "");
  nodeCount = n;
  id = id_;
  const int32_t n1 = n + 1;

  frameStore = GVNewChanData(n);
  GVAllocChannels(frameStore, kFrameStoreChannels, 0);
  GVAllocChannelFrame(frameStore, kFrameStoreChannels, 0);
  const int32_t auxCounts[4] = {n, n, 32, n};
  for (int k = 0; k < 4; ++k) {
    auxStores[k] = GVNewChanData(auxCounts[k]);
    GVAllocChannels(auxStores[k], kChanVec3, 0);
    GVAllocChannelFrame(auxStores[k], kChanVec3, 0);
  }
  fileBlock = newArray<int32_t>(64);
  posCache = nullptr;

  partMask = newArray<uint32_t>(n1);
  nodeKind = newArray<int32_t>(n1);
  glueJel = newArray<int32_t>(n1);
  glueNode = newArray<int32_t>(n1);
  for (auto& g : glueExtra) g = newArray<int32_t>(n1);
  allocLatticeTables(n);
  pos = newArray<Vec3f>(n1);
  vel = newArray<Vec3f>(n1);
  disp = newArray<Vec3f>(n1);
  screenProj = newArray<NodeScreenRec>(n1);
  for (auto& d : deform) d = newArray<float>(n1);
  searchMarks = newArray<int32_t>(n1);

  defaultPlayParams(&playParams, endFrame);
  params = &playParams;
  return 1;
}

int32_t HObject::copyFrom(const HObject* src, int32_t newId) {
  if (!src || newId < 1 || src == this) return 0;
  if (frameStore || partMask || pos) return 0;  // copy into a fresh object only
  const int32_t n1 = src->nodeCount + 1;
  groupMask = src->groupMask;
  nodeCount = src->nodeCount;
  cellSize = src->cellSize;
  faceCount = src->faceCount;
  edgeCount = src->edgeCount;
  flags = src->flags;
  GVCopyFrameParamsBlock(&playParams, &src->playParams);
  params = &playParams;
  GVSetString(&name, src->name);
  for (int32_t& m : frameMarks) m = -1;

  frameStore = GVCopyChanData(src->frameStore);
  for (int k = 0; k < 4; ++k) auxStores[k] = GVCopyChanData(src->auxStores[k]);
  posCache = GVCopyChanData(src->posCache);
  partMask = copyArray(src->partMask, n1);
  nodeKind = copyArray(src->nodeKind, n1);
  glueJel = copyArray(src->glueJel, n1);
  glueNode = copyArray(src->glueNode, n1);
  for (int k = 0; k < 3; ++k) glueExtra[k] = copyArray(src->glueExtra[k], n1);
  fileBlock = copyArray(src->fileBlock, 64);
  if (src->cellFlag) {
    allocLatticeTables(nodeCount);
    std::memcpy(cellFlag, src->cellFlag, sizeof(int32_t) * n1);
    for (int k = 0; k < 6; ++k) std::memcpy(nbr[k], src->nbr[k], sizeof(int32_t) * n1);
    for (int k = 0; k < 3; ++k) {
      std::memcpy(nbrRepeat[k], src->nbrRepeat[k], sizeof(int32_t) * n1);
      std::memcpy(diffSide[k], src->diffSide[k], sizeof(int32_t) * n1);
      std::memcpy(linkCells[k], src->linkCells[k], sizeof(int32_t) * n1);
    }
    std::memcpy(diffCentral, src->diffCentral, sizeof(Vec3f) * n1);
    std::memcpy(diffOneSided, src->diffOneSided, sizeof(Vec3f) * n1);
    std::memcpy(nodeVolume, src->nodeVolume, sizeof(float) * n1);
  }
  pos = copyArray(src->pos, n1);
  vel = copyArray(src->vel, n1);
  disp = src->disp ? copyArray(src->disp, n1) : (src->pos ? newArray<Vec3f>(n1) : nullptr);
  faces = copyArray(src->faces, src->faceCount + 1);
  edges = copyArray(src->edges, src->edgeCount + 1);
  std::memcpy(markedParts, src->markedParts, sizeof markedParts);
  screenProj = copyArray(src->screenProj, n1);
  for (int k = 0; k < 9; ++k) deform[k] = src->deform[k] ? newArray<float>(n1) : nullptr;
  if (src->searchMarks) searchMarks = newArray<int32_t>(n1);
  id = newId;
  finalize();
  return createState();
}

int32_t HObject::createState() {
  delete state;
  state = nullptr;
  // Without a start frame there is nothing to build a state from.
  if (!frameStore || frameStore->count == 0) return 1;
  const ChanChannel* records = GVChanChannel(frameStore, kChanStateRec);
  if (!records || !records->slots) return 1;
  const JelHead& head = *this;
  state = new HAState(nodeCount, &playParams, id, groupMask, &flags, cellSize, faceCount, edgeCount, head,
                      frameMarks);
  if (!state->allocated()) {
    delete state;
    state = nullptr;
    return 0;
  }
  state->linkLattice();
  state->setupRestFrames();
  state->restoreFrame(kFrameInitial);
  return 1;
}

// ---------------------------------------------------------------------------
// Ids, groups and parts

char* HObject::getNameCopy() const {
  if (!name) return nullptr;
  char* copy = nullptr;
  GVSetString(&copy, name);
  return copy;
}

void HObject::setNodeGlue(int32_t node, int32_t glueJel, int32_t glueNode) {
  if (!state) return;
  GVSetFrameNodeFlags(state, node, kFrameCommitted, glueJel, glueNode);
  GVSetFrameNodeFlags(state, node, 0, glueJel, glueNode);
}

// The glue Jel ids go with every stored frame: keep slot 0's state records in step.
static void copyGlueIdsToStartSlot(HObject* jel) {
  if (!jel->state || !jel->glueJel) return;
  JelStateRec* st = GVFrameStateRecs(jel->frameStore, 0);
  if (!st) return;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) st[i].w[kStateGlueJel] = jel->glueJel[i];
}

void HObject::offsetIds(int32_t k) {
  // Whole-word arithmetic: the ids were checked before they move.
  auto add = [k](int32_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(k)); };
  id = add(id);
  if (glueJel)
    for (int32_t i = 1; i <= nodeCount; ++i)
      if (glueJel[i] > 0) glueJel[i] = add(glueJel[i]);
  copyGlueIdsToStartSlot(this);
}

void HObject::replaceGlueJelId(int32_t a, int32_t b) {
  if (glueJel)
    for (int32_t i = 1; i <= nodeCount; ++i)
      if (glueJel[i] > 0 && glueJel[i] == a) glueJel[i] = b;
  copyGlueIdsToStartSlot(this);
}

void HObject::remapGlueJelIds(int32_t count, const int32_t* table) {
  if (glueJel) {
    for (int32_t i = 1; i <= nodeCount; ++i) {
      if (glueJel[i] <= 0) continue;
      int32_t at = 0;
      for (int32_t j = 1; table && j <= count; ++j)
        if (table[j] == glueJel[i]) {
          at = j;
          break;
        }
      glueJel[i] = at;
    }
  }
  copyGlueIdsToStartSlot(this);
}

uint32_t HObject::setGroupBit(int32_t v, int32_t mode) {
  if (v < -31 || v > -1) return 0;
  const uint32_t bit = 1u << (-v);
  if (mode == 1)
    groupMask |= bit;
  else if (mode == 2)
    groupMask ^= bit;
  else if (mode == 0 || mode == -1)
    groupMask &= ~bit;
  if (state) state->groupMask = groupMask;
  return groupMask & bit;
}

uint32_t HObject::setNodePart(int32_t node, int32_t p, int32_t mode) {
  if (!frameStore || !partMask || node < 0 || node > nodeCount || p < 3 || p > 31) return 0;
  const uint32_t bit = 1u << p;
  if (mode == 1)
    partMask[node] |= bit;
  else if (mode == 2)
    partMask[node] ^= bit;
  else if (mode == 0)
    partMask[node] &= ~bit;
  return partMask[node] & bit;
}

int32_t HObject::firstNodeInPart(int32_t p) const {
  if (!partMask || p < 0 || p > 31) return 0;
  for (int32_t i = 1; i <= nodeCount; ++i)
    if (partMask[i] & (1u << p)) return i;
  return 0;
}

int32_t HObject::firstNodeInPartChecked(int32_t p) const {
  return (p >= 1 && p <= 31) ? firstNodeInPart(p) : 0;
}

void GVGetPartCentre(HObject* jel, int32_t part, int32_t frame, int32_t axes, float out[3]) {
  if (!jel || !out) return;
  if (frame < kFrameInitial) {
    if (jel->state) GVGetGroupCentre(jel->state, part, frame, axes, out);
    return;
  }
  float m = 0.0f, s[3] = {0, 0, 0};
  jel->HBState::getPartMass(part, frame, &m);
  if (frame == kFrameInitial)
    jel->HBState::getPartMassSumVec0(part, frame, axes, s);
  else
    jel->HBState::getPartMassPosSum(part, frame, axes, s);
  for (int k = 0; k < 3; ++k)
    if (axisOn(axes, k)) out[k] = m != 0.0f ? s[k] / m : 0.0f;
}

float GVGetLivePartMass(HObject* jel, int32_t part) {
  if (!jel || !jel->state) return 0.0f;
  float m = 0.0f;
  jel->state->getPartMass(part, kFrameCommitted, &m);
  return m;
}

int32_t GVObjInSel(int32_t id, uint32_t groupMask, int32_t v) {
  if (v >= 0) return v == id ? 1 : 0;
  if (v >= -31) return (groupMask >> (-v)) & 1u ? 1 : 0;
  return 0;
}

int32_t GVIsJelFlat(const HObject* jel) { return jel && jel->isFlat() ? 1 : 0; }

// ---------------------------------------------------------------------------
// Geometry edits

void HObject::getLatticeDims(LatticeDims* out) const {
  if (!out) return;
  out->cellSize = cellSize;
  for (int k = 0; k < 3; ++k) {
    out->maxIndex[k] = 0;
    out->scale[k] = 1.0f;
  }
  const JelStateRec* st = GVFrameStateRecs(frameStore, 0);
  if (!st) return;
  for (int32_t i = 1; i <= nodeCount; ++i)
    for (int k = 0; k < 3; ++k)
      if (st[i].w[kStateGridX + k] > out->maxIndex[k]) out->maxIndex[k] = st[i].w[kStateGridX + k];
}

// Link slots (0 and those whose neighbour exists) that carry a rest link; all
// of them for a node without z neighbours.
static bool linkSlotLive(const JelStateRec* st, int32_t i, int k) {
  if (k == 0) return true;
  const bool noZ = st[i].w[kStateNbr + 4] == 0 && st[i].w[kStateNbr + 5] == 0;
  return noZ || st[i].w[kStateNbr + k - 1] != 0;
}

int32_t HObject::rescale(float s) {
  if (!(s >= 0.01f) || !(cellSize >= 0.01f) || !frameStore) return 0;
  JelNodeRec* nr = GVFrameNodeRecs(frameStore, 0);
  JelStateRec* st = GVFrameStateRecs(frameStore, 0);
  MatterProps* mp = GVFrameMatter(frameStore, 0);
  if (!nr || !st) return 0;
  float c[3] = {0, 0, 0};
  GVGetPartCentre(this, 1, 0, kAxesAll, c);
  const float f = s / cellSize;
  cellSize = s;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    float* r = nr[i].f;
    for (int k = 0; k < 3; ++k) {
      r[kNodeNatural + k] = (r[kNodeNatural + k] - c[k]) * f + c[k];
      r[kNodePos + k] = (r[kNodePos + k] - c[k]) * f + c[k];
      r[kNodeVel + k] *= f;
    }
    if (mp) mp[i].scaleL *= f;
    for (int k = 0; k < 7; ++k)
      if (linkSlotLive(st, i, k))
        for (int a = 0; a < 3; ++a) r[kNodeRestLinks + 7 * a + k] *= f;
  }
  // The normals follow the new shape even within the same frame.
  for (int32_t& m : frameMarks) m = -1;
  finalize();
  return createState();
}

int32_t HObject::getNodeFrame(int32_t part, int32_t frame, int32_t key1, int32_t key2, float posOut[3],
                              float matOut[9]) {
  if (frame == 0) frame = kFrameCommitted;
  if (!nodeFrame) {
    nodeFrame = new NodeFrameRecord;
    GVSetNodeFrameRecord(nodeFrame, 0x7fffffff, 0, 0, 0, 0, nullptr, nullptr);
  }
  NodeFrameRecord* r = nodeFrame;
  if (!(r->frame == frame && r->key1 == key1 && r->key2 == key2 && r->part == part)) {
    const int32_t node = firstNodeInPartChecked(part);
    float p[3] = {0, 0, 0}, m[9];
    GVMat3Identity(m);
    int32_t result = 0;
    if (state && node) result = HBState::nodeTangents(state, node, p, m);
    if (!state) {
      if (posOut) std::memcpy(posOut, r->pos, sizeof r->pos);
      if (matOut) std::memcpy(matOut, r->mat, sizeof r->mat);
      return 0;
    }
    GVSetNodeFrameRecord(r, frame, key1, key2, result, part, p, m);
  }
  if (posOut) std::memcpy(posOut, r->pos, sizeof r->pos);
  if (matOut) std::memcpy(matOut, r->mat, sizeof r->mat);
  return r->result;
}

// The node frame's position moved on by the node's velocity over one step.
static void advanceFramePos(HObject* jel, int32_t part, float p[3]) {
  const float dt = jel->getTimeStep();
  const int32_t node = jel->firstNodeInPartChecked(part);
  if (dt > 1e-5f && node && jel->vel)
    for (int k = 0; k < 3; ++k) p[k] += jel->vel[node][k] * dt;
}

int32_t GVGetJelNodeFrameLive(HObject* jel, int32_t part, int32_t key, float point[3]) {
  if (!jel || !point) return 0;
  float p[3], m[9];
  const int32_t result = jel->getNodeFrame(part, kFrameCommitted, key, 0, p, m);
  advanceFramePos(jel, part, p);
  float q[3];
  GVMat3MulVec(q, m, point);
  for (int k = 0; k < 3; ++k) point[k] = q[k] + p[k];
  return result;
}

int32_t GVGetJelNodeFrameRest(HObject* jel, int32_t part, int32_t key, float point[3]) {
  if (!jel || !point) return 0;
  float p[3], m[9], inv[9];
  const int32_t result = jel->getNodeFrame(part, kFrameInitial, key, 0, p, m);
  advanceFramePos(jel, part, p);
  GVMat3Inverse(m, inv, nullptr);
  const float d[3] = {point[0] - p[0], point[1] - p[1], point[2] - p[2]};
  GVMat3MulVec(point, inv, d);
  return result;
}

void HObject::setFrameVelFromLive(float factor) {
  JelNodeRec* nr = GVFrameNodeRecs(frameStore, 0);
  if (!nr || !pos) return;
  for (int32_t i = 1; i <= nodeCount; ++i)
    for (int k = 0; k < 3; ++k) nr[i].f[kNodeVel + k] = (pos[i][k] - nr[i].f[kNodePos + k]) * factor;
}

void HObject::rotateLiveState(const float R[9], const float c[3]) {
  for (int32_t& m : frameMarks) m = -1;
  if (!state) return;
  for (int32_t& m : state->frameMarks) m = -1;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    rotateAbout(R, c, pos[i]);
    float v[3];
    GVMat3MulVec(v, R, vel[i]);
    std::memcpy(vel[i], v, sizeof v);
    const bool noZ = state->links[i][5] == 0 && state->links[i][6] == 0;
    for (int k = 0; k < 7; ++k) {
      if (k != 0 && !noZ && state->links[i][k] == 0) continue;
      GVMat3MulVec(v, R, state->restLinks[i][k]);
      std::memcpy(state->restLinks[i][k], v, sizeof v);
    }
  }
}

void HObject::loadStateRotated(const float R[9], const float c[3]) {
  for (int32_t& m : frameMarks) m = -1;
  JelNodeRec* nr = GVFrameNodeRecs(frameStore, 0);
  const JelStateRec* st = GVFrameStateRecs(frameStore, 0);
  if (!nr || !pos || !vel) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    const float* r = nr[i].f;
    std::memcpy(pos[i], &r[kNodePos], sizeof(Vec3f));
    rotateAbout(R, c, pos[i]);
    GVMat3MulVec(vel[i], R, &r[kNodeVel]);
    if (!state || !st) continue;
    for (int k = 0; k < 7; ++k) {
      if (!linkSlotLive(st, i, k)) continue;
      const float v[3] = {r[kNodeRestLinks + k], r[kNodeRestLinks + 7 + k], r[kNodeRestLinks + 14 + k]};
      GVMat3MulVec(state->restLinks[i][k], R, v);
    }
  }
  if (state) {
    for (int32_t& m : state->frameMarks) m = -1;
    state->updateNodeFrames();
  }
}

float HObject::getTimeStep() const {
  if (playParams.stepping == 0) return 0.0f;
  if (playParams.timeStep > 1e-5f) return playParams.timeStep;
  const int32_t steps = playParams.fps * playParams.subSteps;
  return steps != 0 ? 1.0f / static_cast<float>(steps) : 0.0f;
}

// ---------------------------------------------------------------------------
// Frame store

// Removes stored slot k (1..m) from the frame store and, when they are in step
// with it, from the auxiliary stores.
static void removeSlot(HObject* jel, int32_t k) {
  const int32_t m = GVFrameStoreLast(jel->frameStore);
  if (k < 1 || k > m) return;
  ChanData* stores[5] = {jel->frameStore, jel->auxStores[0], jel->auxStores[1], jel->auxStores[2],
                         jel->auxStores[3]};
  for (ChanData* s : stores) {
    if (!s) continue;
    const ChanChannel* c = GVChanChannel(s, kChanVec3);
    if (!c) c = GVChanChannel(s, kChanVecBlock);
    if (s != jel->frameStore && (!c || c->slotCount != m)) continue;
    if (k < m) GVShiftSlotsDown(s, k);
    GVResizeChannels(s, m - 1);
  }
}

void HObject::removeStoredFrame(int32_t frame) {
  const int32_t m = GVFrameStoreLast(frameStore);
  for (int32_t k = 1; k <= m; ++k)
    if (GVFrameStoreSlotFrame(frameStore, k) == frame) {
      removeSlot(this, k);
      return;
    }
}

void HObject::dropFramesUpTo(int32_t frame) {
  for (int32_t k = 1; k <= GVFrameStoreLast(frameStore);) {
    if (GVFrameStoreSlotFrame(frameStore, k) <= frame)
      removeSlot(this, k);
    else
      ++k;
  }
}

static void labelStartSlot(HObject* jel) {
  for (int32_t flag : {kChanStateRec, kChanNodeRec, kChanMatter}) {
    ChanSlot* s = GVChanSlot(jel->frameStore, flag, 0);
    if (s) s->frame = jel->playParams.startFrame;
  }
}

void HObject::setCurrentFrame(int32_t f) {
  if (f < 0) f = 0;
  const int32_t m = f < playParams.startFrame ? f : playParams.startFrame;
  if (playParams.lastRecordedFrame > m) playParams.lastRecordedFrame = m;
  if (playParams.highestComputedFrame > m) playParams.highestComputedFrame = m;
  playParams.startFrame = f;
  labelStartSlot(this);
  dropFramesUpTo(f);
}

void HObject::restoreFrame(int32_t frame) {
  labelStartSlot(this);
  if (state) state->restoreFrame(frame);
}

void HObject::storeFrame(int32_t frame) {
  if (frame < kFrameInitial || !frameStore || frame > GVFrameStoreLast(frameStore)) return;
  if (frame == 0 || frame == kFrameInitial) dropFramesUpTo(playParams.currentFrame);
  if (frame == kFrameInitial && (frameMarks[0] != playParams.currentFrame ||
                                 frameMarks[1] != playParams.subStepIndex)) {
    computeFaceNormals();
    frameMarks[0] = playParams.currentFrame;
    frameMarks[1] = playParams.subStepIndex;
  }
  if (state) state->storeFrame(frame);
}

void HObject::getPartMatterRange(int32_t part, int32_t frame, uint32_t mask, MatterProps* out) {
  if (!out) return;
  if (frame < kFrameInitial) {
    if (state) state->getPartMatterRange(part, frame, mask, out);
    return;
  }
  const int32_t slot = frame < 0 ? 0 : frame;
  if (slot > GVFrameStoreLast(frameStore)) return;
  const MatterProps* mp = GVFrameMatter(frameStore, slot);
  if (!mp) return;
  for (int32_t i = 1; i <= nodeCount; ++i)
    if (inPart(i, part)) GVFoldMatterRange(&mp[i], mask, out);
}

void HObject::getFaceCentre(int32_t part, int32_t frame, int32_t face, int32_t axes, float out[3]) {
  if (!out) return;
  if (isLive(frame)) {
    if (state) state->getFaceCentre(part, frame, face, axes, out);
    return;
  }
  if (!faces || face < 1 || face > faceCount) return;
  float m = 0.0f, sum[3] = {0, 0, 0};
  for (int c = 0; c < 4; ++c) {
    const int32_t j = faces[face][c];
    const float mj = (state && j >= 1 && j <= nodeCount) ? state->mass[j] : 0.0f;
    float p[3] = {0, 0, 0};
    getNodePositionAlias(j, frame, kAxesAll, p);
    m += mj;
    for (int k = 0; k < 3; ++k) sum[k] += mj * p[k];
  }
  const float f = m != 0.0f ? 1.0f / m : 0.0f;
  for (int k = 0; k < 3; ++k)
    if (axisOn(axes, k)) out[k] = sum[k] * f;
}

void HObject::moveFaceTo(int32_t part, int32_t frame, int32_t face, int32_t axes, const float target[3]) {
  if (state) state->moveFaceTo(part, frame, face, axes, target);
}

void HObject::getNodePosition(int32_t node, int32_t frame, int32_t axes, float out[3]) {
  if (!out || node < 1 || node > nodeCount) return;
  const float* p = nullptr;
  if (frame == kFrameInStep) {
    if (state) state->getNodePosition(node, frame, axes, out);
    return;
  }
  if (frame == kFrameCommitted) {
    p = pos ? pos[node] : nullptr;
  } else if (frame == kFrameInitial || (frame >= 0 && frame <= GVFrameStoreLast(frameStore))) {
    const JelNodeRec* nr = GVFrameNodeRecs(frameStore, frame < 0 ? 0 : frame);
    if (nr) p = &nr[node].f[frame == kFrameInitial ? kNodeNatural : kNodePos];
  }
  if (!p) return;
  for (int k = 0; k < 3; ++k)
    if (axisOn(axes, k)) out[k] = p[k];
}

void HObject::setNodePosition(int32_t node, int32_t frame, int32_t axes, const float p[3]) {
  if (frame == kFrameInStep && state) state->setNodePosition(node, frame, axes, p);
}

void HObject::getNodeMatter(int32_t node, int32_t frame, uint32_t mask, MatterProps* out) {
  if (!out) return;
  if (frame < 0) {
    if (state) state->getNodeMatter(node, frame, mask, out);
    return;
  }
  if (node < 1 || node > nodeCount || frame > GVFrameStoreLast(frameStore)) return;
  const MatterProps* mp = GVFrameMatter(frameStore, frame);
  if (mp) GVCopyMatterMasked(&mp[node], mask, out);
}

void HObject::setNodeMatter(int32_t node, int32_t frame, uint32_t mask, const MatterProps* in) {
  if (!in || node < 1 || node > nodeCount || !cellFlag || cellFlag[node] == 0) return;
  if (frame < 0) {
    if (state) state->setNodeMatter(node, frame, mask, in);
    return;
  }
  if (frame > GVFrameStoreLast(frameStore)) return;
  MatterProps* mp = GVFrameMatter(frameStore, frame);
  if (mp) GVCopyMatterMasked(in, mask, &mp[node]);
}

void HObject::getPartMatterSummary(int32_t part, int32_t frame, uint32_t mask, MatterProps* out) {
  if (!out) return;
  MatterProps work;
  for (int f = 0; f < kMatterFields; ++f) GVMatterSetField(&work, f, 0.0f);
  work.fRatio = 1.0f;
  work.density = 9e30f;
  if (frame == kFrameInitial)
    getPartMatterRange(part, 0, mask, &work);
  else if (frame < kFrameInitial) {
    if (state) state->getPartMatterRange(part, frame, mask, &work);
  } else {
    getPartMatterRange(part, frame, mask, &work);
  }
  work.fRatio = std::ceil(work.fRatio);
  GVCopyMatterMasked(&work, mask, out);
}

void HObject::applyPartMatter(int32_t part, int32_t frame, uint32_t mask, MatterProps* values) {
  if (frame >= 0)
    setPartMatter(part, frame, mask, values);
  else if (state)
    state->setPartMatter(part, frame, mask, values);
}

void HObject::updateNodeCoeffs(int32_t frame) {
  if (playParams.fps <= 0 || cellSize < 0.01f || cellSize > 100.0f) return;
  if (frame < 0) {
    if (isLive(frame) && state) state->updateNodeCoeffs(frame);
    return;
  }
  if (frame > GVFrameStoreLast(frameStore)) return;
  MatterProps* mp = GVFrameMatter(frameStore, frame);
  if (!mp) return;
  const float fps = static_cast<float>(playParams.fps);
  for (int32_t i = 1; i <= nodeCount; ++i) mp[i].fRatio = GVMatterStepRatio(&mp[i], cellSize, fps);
}

void HObject::scaleNodeMatter(int32_t part, int32_t frame, int32_t mode) {
  if (frame < 0) {
    if (isLive(frame) && state) state->scaleNodeMatter(part, frame, mode);
    return;
  }
  if (frame > GVFrameStoreLast(frameStore)) return;
  MatterProps* mp = GVFrameMatter(frameStore, frame);
  if (!mp) return;
  for (int32_t i = 1; i <= nodeCount; ++i) GVScaleNodeMatter(&mp[i], mode, cellSize);
}
