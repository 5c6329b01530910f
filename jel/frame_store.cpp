#include "jel/frame_store.h"

int32_t GVFrameStoreLast(const ChanData* store) {
  const ChanChannel* c = GVChanChannel(store, kChanNodeRec);
  return c ? c->slotCount : -1;
}

static void* slotArray(const ChanData* store, int32_t flag, int32_t slot) {
  const ChanSlot* s = GVChanSlot(store, flag, slot);
  return s ? s->data : nullptr;
}

JelStateRec* GVFrameStateRecs(const ChanData* store, int32_t slot) {
  return static_cast<JelStateRec*>(slotArray(store, kChanStateRec, slot));
}

JelNodeRec* GVFrameNodeRecs(const ChanData* store, int32_t slot) {
  return static_cast<JelNodeRec*>(slotArray(store, kChanNodeRec, slot));
}

MatterProps* GVFrameMatter(const ChanData* store, int32_t slot) {
  return static_cast<MatterProps*>(slotArray(store, kChanMatter, slot));
}

int32_t GVFrameStoreSlotFrame(const ChanData* store, int32_t slot) {
  const ChanSlot* s = GVChanSlot(store, kChanNodeRec, slot);
  return s ? s->frame : 0;
}
