// The stored frames of a Jel (slot 0 the start frame, then up to 100 frames in
// frame order) and its per-frame position cache.
#include <cstring>
#include <initializer_list>

#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

namespace {

constexpr int32_t kMaxStoredFrames = 100;
constexpr int32_t kMaxCachedFrames = 10000;

// The per-frame channel of an auxiliary store: vec3 per element, or the block
// of 32 vec3 arrays.
int32_t auxChannel(const ChanData* s) {
  if (GVChanChannel(s, kChanVec3)) return kChanVec3;
  if (GVChanChannel(s, kChanVecBlock)) return kChanVecBlock;
  return 0;
}

}  // namespace

int32_t HObject::findOrMakeSlot(int32_t f) {
  int32_t m = GVFrameStoreLast(frameStore);
  if (m < 0) return 0;
  for (int32_t k = 1; k <= m; ++k) {
    const int32_t fk = GVFrameStoreSlotFrame(frameStore, k);
    if (fk == f) return k;
    if (m == kMaxStoredFrames) {
      const int32_t before = GVFrameStoreSlotFrame(frameStore, k - 1);
      if (f > before && f < fk) return 0;
    }
  }
  if (m == kMaxStoredFrames && GVFrameStoreSlotFrame(frameStore, m) <= f) return m;

  if (m == 0 || (GVFrameStoreSlotFrame(frameStore, m) != 0 && m < kMaxStoredFrames)) {
    const int32_t grown = m + 1;
    GVResizeChannels(frameStore, grown);
    GVAllocChannelFrame(frameStore, kFrameStoreChannels, grown);
    for (int a = 0; a < 4; ++a) {
      ChanData* s = auxStores[a];
      const int32_t ch = auxChannel(s);
      if (!ch) continue;
      GVResizeChannels(s, grown);
      if (ch == kChanVec3)
        GVAllocChannelFrame(s, kChanVec3, grown);
      else
        GVAllocChannelFrame(s, kChanVecBlock, grown);
    }
    m = grown;
  }
  for (int32_t k = 1; k <= m; ++k) {
    const int32_t fk = GVFrameStoreSlotFrame(frameStore, k);
    if (fk == 0) return k;
    if (fk > f) {
      GVInsertSlot(frameStore, k);
      for (ChanData* s : auxStores) {
        const ChanChannel* c = GVChanChannel(s, auxChannel(s));
        if (c && c->slotCount == m) GVInsertSlot(s, k);
      }
      return k;
    }
  }
  return 0;
}

int32_t HObject::recordFrame(int32_t f) {
  if (!frameStore || !state) return -1;
  if (playParams.currentFrame != playParams.computedFrame || playParams.mode == 4) return -1;
  if (f <= playParams.startFrame) return -1;
  const int32_t k = findOrMakeSlot(f);
  if (k <= 0) return -1;
  for (int32_t flag : {kChanNodeRec, kChanStateRec, kChanMatter}) {
    ChanSlot* s = GVChanSlot(frameStore, flag, k);
    if (s) s->frame = f;
  }
  for (ChanData* aux : auxStores) {
    ChanSlot* s = GVChanSlot(aux, kChanVec3, k);
    if (s) s->frame = f;
  }
  state->saveToFrameStore(k);
  return k;
}

int32_t HObject::cacheBase() const {
  return playParams.startFrame > playParams.recordFirst ? playParams.startFrame : playParams.recordFirst;
}

void HObject::reserveCachedFrames() {
  const int32_t b = cacheBase();
  const int32_t end = playParams.endFrame;
  const int32_t last = (end != 0 && end < playParams.recordLast) ? end : playParams.recordLast;
  const uint32_t span = static_cast<uint32_t>(last - b);
  if (span >= static_cast<uint32_t>(kMaxCachedFrames)) return;
  const int32_t count = last - b + 1;
  // Slots 0..count, both when the cache is made and when it grows: frames b
  // to last and one spare.
  if (!posCache) {
    posCache = GVNewChanData(nodeCount);
    if (!posCache) return;
    GVAllocChannels(posCache, kChanVec3, count);
  } else {
    const ChanChannel* c = GVChanChannel(posCache, kChanVec3);
    if (c && c->slotCount < count) GVResizeChannels(posCache, count);
  }
  for (int32_t k = 0; k <= count; ++k) {
    const ChanSlot* s = GVChanSlot(posCache, kChanVec3, k);
    if (s && !s->data) GVAllocChannelFrame(posCache, kChanVec3, k);
  }
}

void HObject::storeCachedPositions(int32_t f) {
  if (!posCache || !pos) return;
  const int32_t k = f - cacheBase();
  if (static_cast<uint32_t>(k) > static_cast<uint32_t>(kMaxCachedFrames) || f < playParams.recordFirst) return;
  if (playParams.recordLast != 0 && playParams.recordLast < f) {
    playParams.lastRecordedFrame = playParams.recordLast;
    return;
  }
  playParams.lastRecordedFrame = f;
  if (f < playParams.startFrame || (playParams.endFrame != 0 && f > playParams.endFrame)) return;
  float* slot = GVChanVec3s(posCache, k);
  if (!slot) return;
  std::memcpy(slot + 3, pos[1], sizeof(Vec3f) * nodeCount);
}

void HObject::loadCachedPositions(int32_t f) {
  const int32_t b = cacheBase();
  int32_t k = f - b;
  if (playParams.endFrame != 0 && playParams.endFrame < f) k = playParams.endFrame - b;
  playParams.currentFrame = f;
  playParams.subStepIndex = playParams.subSteps;
  if (!pos) return;
  if (f > playParams.startFrame) {
    if (static_cast<uint32_t>(k) > static_cast<uint32_t>(kMaxCachedFrames) || f > playParams.lastRecordedFrame)
      return;
    const float* slot = posCache ? GVChanVec3s(posCache, k) : nullptr;
    if (slot) std::memcpy(pos[1], slot + 3, sizeof(Vec3f) * nodeCount);
    return;
  }
  const JelNodeRec* nr = GVFrameNodeRecs(frameStore, 0);
  if (!nr) return;
  for (int32_t i = 1; i <= nodeCount; ++i) std::memcpy(pos[i], &nr[i].f[kNodePos], sizeof(Vec3f));
}
