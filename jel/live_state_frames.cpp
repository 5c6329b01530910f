// Storing the live state into the Jel's frame store and restoring it.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

namespace {

// Record order of the neighbours in a state record: -x, +x, -y, +y, -z, +z.
const int kRecordNbr[6] = {kNbrMinusX, kNbrPlusX, kNbrMinusY, kNbrPlusY, kNbrMinusZ, kNbrPlusZ};

// Seven link vectors to and from the x-block, y-block, z-block layout of a
// node record.
void putLinks(float* f, const Vec3f* v) {
  for (int k = 0; k < 7; ++k)
    for (int a = 0; a < 3; ++a) f[7 * a + k] = v[k][a];
}

void getLinks(const float* f, Vec3f* v) {
  for (int k = 0; k < 7; ++k)
    for (int a = 0; a < 3; ++a) v[k][a] = f[7 * a + k];
}

}  // namespace

void HAState::saveToFrameStore(int32_t v) {
  if (!frameStore || v < 0 || v > GVFrameStoreLast(frameStore)) return;
  JelStateRec* st = GVFrameStateRecs(frameStore, v);
  JelNodeRec* nr = GVFrameNodeRecs(frameStore, v);
  MatterProps* mp = GVFrameMatter(frameStore, v);
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (st) {
      int32_t* w = st[i].w;
      w[kStateCellFlag] = cellFlag ? cellFlag[i] : 0;
      for (int k = 0; k < 3; ++k) w[kStateGridX + k] = gridIndex[i][k];
      for (int k = 0; k < 6; ++k) w[kStateNbr + k] = nbr[kRecordNbr[k]] ? nbr[kRecordNbr[k]][i] : 0;
      w[kStateGlueJel] = glueJel ? glueJel[i] : 0;
      w[kStateGlueNode] = glueNode ? glueNode[i] : 0;
      for (int k = 0; k < 3; ++k) w[kStateGlueExtra + k] = glueExtra[k] ? glueExtra[k][i] : 0;
    }
    if (nr) {
      float* f = nr[i].f;
      std::memcpy(&f[kNodePos], pos[i], sizeof(Vec3f));
      std::memcpy(&f[kNodeVel], vel[i], sizeof(Vec3f));
      putLinks(&f[kNodePrevLinkStrain], prevLinkStrain[i]);
      putLinks(&f[kNodeLinkStrain], linkStrain[i]);
      putLinks(&f[kNodeRestLinks], restLinks[i]);
    }
    if (mp) mp[i] = matter[i];
  }
  if (ownerFlags && params) {
    if (params->currentFrame == rigidUpdateFrame + 1)
      *ownerFlags |= 0x10u;
    else
      *ownerFlags &= ~0x10u;
  }
  savePartVecs(v);
}

HAState::StoredPartVecs* HAState::partVecsOfSlot(int32_t v, bool make) {
  // A free slot (v >= 1 labelled 0) holds no frame.
  const int32_t frame = GVFrameStoreSlotFrame(frameStore, v);
  if (v >= 1 && frame == 0) return nullptr;
  for (StoredPartVecs& r : storedPartVecs)
    if (r.frame == frame) return &r;
  if (!make) return nullptr;
  // Records of frames no slot holds any longer go first.
  const int32_t last = GVFrameStoreLast(frameStore);
  const auto gone = [&](const StoredPartVecs& r) {
    for (int32_t k = 0; k <= last; ++k)
      if (GVFrameStoreSlotFrame(frameStore, k) == r.frame && (k == 0 || r.frame != 0)) return false;
    return true;
  };
  storedPartVecs.erase(std::remove_if(storedPartVecs.begin(), storedPartVecs.end(), gone), storedPartVecs.end());
  storedPartVecs.emplace_back();
  storedPartVecs.back().frame = frame;
  return &storedPartVecs.back();
}

void HAState::savePartVecs(int32_t v) {
  if (v < 1) return;  // the start slot is reset from, not restored (see loadPartVecs)
  StoredPartVecs* r = partVecsOfSlot(v, true);
  if (!r) return;
  std::memcpy(r->vecs, impulseTable, sizeof impulseTable);
  std::memcpy(r->carried, carriedWords, sizeof carriedWords);
  r->rigidPoseCurrent = ownerFlags && (*ownerFlags & 0x10u);
}

void HAState::loadPartVecs(int32_t v) {
  // The start slot, which scene files keep, is always reset from: a run from
  // the initial frame reads the same whether the scene was saved and loaded
  // in between or not.
  const StoredPartVecs* r = v >= 1 ? partVecsOfSlot(v, false) : nullptr;
  partVecsStale = !r;
  if (!r) {
    std::memset(impulseTable, 0, sizeof impulseTable);
    std::memset(carriedWords, 0, sizeof carriedWords);
    return;
  }
  std::memcpy(impulseTable, r->vecs, sizeof impulseTable);
  std::memcpy(carriedWords, r->carried, sizeof carriedWords);
  if (ownerFlags) *ownerFlags = r->rigidPoseCurrent ? (*ownerFlags | 0x10u) : (*ownerFlags & ~0x10u);
}

void HAState::loadFromFrameStore(int32_t v) {
  if (!frameStore || v < 0 || v > GVFrameStoreLast(frameStore)) return;
  const JelStateRec* st = GVFrameStateRecs(frameStore, v);
  const JelNodeRec* nr = GVFrameNodeRecs(frameStore, v);
  const MatterProps* mp = GVFrameMatter(frameStore, v);
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (st) {
      const int32_t* w = st[i].w;
      for (int k = 0; k < 3; ++k) gridIndex[i][k] = w[kStateGridX + k];
      if (glueJel) glueJel[i] = w[kStateGlueJel];
      if (glueNode) glueNode[i] = w[kStateGlueNode] >= 0 ? w[kStateGlueNode] : 0;
      for (int k = 0; k < 3; ++k)
        if (glueExtra[k]) glueExtra[k][i] = w[kStateGlueExtra + k];
    }
    if (nr) {
      const float* f = nr[i].f;
      std::memcpy(pos[i], &f[kNodePos], sizeof(Vec3f));
      std::memcpy(vel[i], &f[kNodeVel], sizeof(Vec3f));
      getLinks(&f[kNodePrevLinkStrain], prevLinkStrain[i]);
      getLinks(&f[kNodeLinkStrain], linkStrain[i]);
      getLinks(&f[kNodeRestLinks], restLinks[i]);
      strainsLoaded = true;
    }
    if (mp) matter[i] = mp[i];
  }
  if (mp) matterChanged();
  if (strainsLoaded) strainsChanged();
  loadPartVecs(v);
  for (int32_t i = 1; i <= nodeCount; ++i) {
    contactFlags[i] = 0;
    contactAux[i] = 0;
    disp[i][0] = disp[i][1] = disp[i][2] = 0.0f;
  }
}

namespace {

// The finite copy holds whole arrays one after another, nodes 1..n of each:
// positions, velocities, then the seven link vectors per node of the
// previous strains, the strains and the rest links; then the impulse table
// and the carried words.
constexpr size_t kCopyNodeFloats = 6 + 3 * 21;
constexpr size_t kCopyTailFloats = 32 * 3 + 2;

// The arrays of the copy in their order, with their floats per node.
template <class F>
static void eachCopiedArray(HAState* s, F&& fn) {
  fn(static_cast<void*>(s->pos + 1), size_t{3});
  fn(static_cast<void*>(s->vel + 1), size_t{3});
  fn(static_cast<void*>(s->prevLinkStrain + 1), size_t{21});
  fn(static_cast<void*>(s->linkStrain + 1), size_t{21});
  fn(static_cast<void*>(s->restLinks + 1), size_t{21});
}

}  // namespace

void HAState::keepFiniteCopy(uint32_t serial) {
  finiteCopySerial = serial;
  const size_t n = static_cast<size_t>(nodeCount);
  finiteCopy.resize(n * kCopyNodeFloats + kCopyTailFloats);
  float* f = finiteCopy.data();
  eachCopiedArray(this, [&](const void* first, size_t floats) {
    if (n > 0) std::memcpy(f, first, n * floats * sizeof(float));
    f += n * floats;
  });
  std::memcpy(f, impulseTable, sizeof impulseTable);
  std::memcpy(f + 96, carriedWords, sizeof carriedWords);
}

void HAState::restoreFiniteCopy(uint32_t serial) {
  const size_t n = static_cast<size_t>(nodeCount);
  if (serial != finiteCopySerial || finiteCopy.size() != n * kCopyNodeFloats + kCopyTailFloats) return;
  const float* f = finiteCopy.data();
  eachCopiedArray(this, [&](void* first, size_t floats) {
    if (n > 0) std::memcpy(first, f, n * floats * sizeof(float));
    f += n * floats;
  });
  for (int32_t i = 1; i <= nodeCount; ++i) {
    disp[i][0] = disp[i][1] = disp[i][2] = 0.0f;
    contactFlags[i] = 0;
    contactAux[i] = 0;
  }
  std::memcpy(impulseTable, f, sizeof impulseTable);
  std::memcpy(carriedWords, f + 96, sizeof carriedWords);
  strainsChanged();
  updateNodeFrames();
}

bool HAState::isFinite() const {
  for (int32_t i = 1; i <= nodeCount; ++i)
    for (int k = 0; k < 3; ++k)
      if (!std::isfinite(pos[i][k]) || !std::isfinite(vel[i][k])) return false;
  return true;
}

void HAState::resetToNatural() {
  const JelNodeRec* nr = GVFrameNodeRecs(frameStore, 0);
  if (!frameStore || !nr || GVFrameStoreLast(frameStore) < 0) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    std::memcpy(pos[i], &nr[i].f[kNodeNatural], sizeof(Vec3f));
    vel[i][0] = vel[i][1] = vel[i][2] = 0.0f;
    contactFlags[i] = 0;
    contactAux[i] = 0;
  }
  for (int32_t i = 1; i <= nodeCount; ++i) {
    const bool flatNode = links[i][5] == 0 && links[i][6] == 0;
    for (int k = 0; k < 7; ++k) {
      const int32_t j = links[i][k];
      for (int a = 0; a < 3; ++a) {
        linkStrain[i][k][a] = prevLinkStrain[i][k][a] = 0.0f;
        restLinks[i][k][a] = j ? pos[j][a] - pos[i][a] : 0.0f;
      }
    }
    // A single layer keeps an out-of-plane rest link so its frames stay whole.
    if (flatNode) {
      restLinks[i][5][2] = 0.0f;
      restLinks[i][6][2] = cellSize;
    }
  }
  strainsChanged();
  std::memset(impulseTable, 0, sizeof impulseTable);
  std::memset(carriedWords, 0, sizeof carriedWords);
  partVecsStale = false;
}

void HAState::resetRestShape() {
  JelNodeRec* nr = GVFrameNodeRecs(frameStore, 0);
  if (!frameStore || !nr || GVFrameStoreLast(frameStore) < 0) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    float* f = nr[i].f;
    std::memcpy(&f[kNodeNatural], pos[i], sizeof(Vec3f));
    for (int k = 0; k < 7; ++k) {
      const int32_t j = links[i][k];
      if (!j) continue;
      for (int a = 0; a < 3; ++a) {
        restLinks[i][k][a] = pos[j][a] - pos[i][a];
        f[kNodeRestLinks + 7 * a + k] = restLinks[i][k][a];
        f[kNodePrevLinkStrain + 7 * a + k] = 0.0f;
        f[kNodeLinkStrain + 7 * a + k] = 0.0f;
      }
    }
  }
  setupRestFrames();
  deriveMatterCoefficients();
  updateNodeFrames();
}

void HAState::storeFrame(int32_t v) {
  if (v == -1) {
    resetRestShape();
    saveToFrameStore(0);
  } else if (v >= 0) {
    saveToFrameStore(v);
  }
}

void HAState::restoreFrame(int32_t v) {
  if (params) {
    params->subSteps = 1;
    params->subStepIndex = 0;
    if (v == -1 || v == 0) {
      params->currentFrame = params->computedFrame = params->startFrame;
    } else if (v >= 1 && v <= GVFrameStoreLast(frameStore)) {
      params->currentFrame = params->computedFrame = GVFrameStoreSlotFrame(frameStore, v);
    }
  }
  if (v == -1) {
    loadFromFrameStore(0);
    resetToNatural();
  } else if (v >= 0) {
    loadFromFrameStore(v);
  }
  raiseStepRatios();
  deriveMatterCoefficients();
  updateNodeFrames();
  if (v >= -1) {
    for (int32_t i = 1; i <= nodeCount; ++i) {
      contactFlags[i] = 0;
      contactAux[i] = 0;
    }
  }
}

void HAState::updateNodeFrames() {
  const int32_t n = nodeCount;
  const float s = cellSize >= 0.01f ? 1.0f / cellSize : 0.0f;
  const bool flat = isFlat();
  for (int32_t i = 1; i <= n; ++i) {
    const Vec3f* r = restLinks[i];
    float* F = restFrame[i];
    for (int a = 0; a < 3; ++a) {
      float col[3];
      if (a == 2 && flat) {
        for (int m = 0; m < 3; ++m) col[m] = r[6][m] - r[0][m];
      } else {
        const float one = diffOneSided ? diffOneSided[i][a] : 0.0f;
        const float half = diffCentral ? diffCentral[i][a] : 0.0f;
        const int side = 2 * a + 1 + ((diffSide[a] && diffSide[a][i]) ? 1 : 0);
        for (int m = 0; m < 3; ++m)
          col[m] = one * (r[side][m] - r[0][m]) + half * (r[2 * a + 2][m] - r[2 * a + 1][m]);
      }
      for (int m = 0; m < 3; ++m) F[3 * m + a] = col[m] * s;
    }
  }
}

void GVSetFrameNodeFlags(HAState* s, int32_t node, int32_t frame, int32_t glueJel, int32_t glueNode) {
  if (!s || node < 1 || node > s->nodeCount) return;
  if (frame >= 0) {
    JelStateRec* st = GVFrameStateRecs(s->frameStore, frame);
    if (!st) return;
    st[node].w[kStateGlueJel] = glueJel;
    st[node].w[kStateGlueNode] = glueNode;
  } else if (frame == kFrameCommitted || frame == kFrameInStep) {
    if (s->glueJel) s->glueJel[node] = glueJel;
    if (s->glueNode) s->glueNode[node] = glueNode;
  }
}
