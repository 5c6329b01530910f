#include "jel/frame_store.h"
#include "jel/chan_data.h"
static const ChanChannel* chan(const ChanData* s, uint32_t flag){ if(!s) return nullptr; const ChanChannel* c=&s->chan[GVChanIndex(flag)]; return c->slots? c: nullptr; }
int32_t GVFrameStoreLast(const ChanData* s){ auto*c=chan(s,kChanNodeRecs); return c? c->count : -1; }
static void* slotData(const ChanData* s, uint32_t f, int32_t k){ auto*c=chan(s,f); if(!c||k<0||k>c->count) return nullptr; return c->slots[k].data; }
JelStateRec* GVFrameStateRecs(const ChanData* s, int32_t k){ return (JelStateRec*)slotData(s,kChanStateRecs,k);} 
JelNodeRec* GVFrameNodeRecs(const ChanData* s, int32_t k){ return (JelNodeRec*)slotData(s,kChanNodeRecs,k);} 
MatterProps* GVFrameMatter(const ChanData* s, int32_t k){ return (MatterProps*)slotData(s,kChanMatter,k);} 
int32_t GVFrameStoreSlotFrame(const ChanData* s, int32_t k){ auto*c=chan(s,kChanNodeRecs); if(!c||k<0||k>c->count) return 0; return c->slots[k].frame; }
