#include "jel/chan_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "chan_store_fixtures.h"

namespace {

const int32_t kAllFlags[kChanCount] = {kChanInt,      kChanFloat,    kChanVec3,   kChanMat3,
                                       kChanStateRec, kChanNodeRec, kChanMatter, kChanVecBlock};

}  // namespace

TEST(ChanData, NewRecordHasNoChannels) {
  ChanData* cd = GVNewChanData(12);
  ASSERT_NE(cd, nullptr);
  EXPECT_EQ(cd->count, 12);
  for (int32_t flag : kAllFlags) EXPECT_EQ(GVChanChannel(cd, flag), nullptr);
  EXPECT_EQ(GVChanSlot(cd, kChanVec3, 0), nullptr);
  GVFreeChanData(cd);
  EXPECT_EQ(GVNewChanData(-1), nullptr);
  GVFreeChanData(nullptr);
}

TEST(ChanData, AllocChannelsStopsAtAnExistingChannel) {
  ChanData* cd = GVNewChanData(3);
  ASSERT_EQ(GVAllocChannels(cd, kChanInt, 2), 1);
  // Channel 2 exists: the call ends there and channel 4 is not made either.
  EXPECT_EQ(GVAllocChannels(cd, kChanInt | kChanFloat, 5), 0);
  EXPECT_EQ(GVChanChannel(cd, kChanInt)->slotCount, 2);
  EXPECT_EQ(GVChanChannel(cd, kChanFloat), nullptr);
  // Channels before the existing one in flag order are made.
  ASSERT_EQ(GVAllocChannels(cd, kChanMat3, 1), 1);
  EXPECT_EQ(GVAllocChannels(cd, kChanVec3 | kChanMat3 | kChanMatter, 4), 0);
  EXPECT_EQ(GVChanChannel(cd, kChanVec3)->slotCount, 4);
  EXPECT_EQ(GVChanChannel(cd, kChanMat3)->slotCount, 1);
  EXPECT_EQ(GVChanChannel(cd, kChanMatter), nullptr);
  EXPECT_EQ(GVAllocChannels(cd, kChanNodeRec, -1), 0);
  EXPECT_EQ(GVChanChannel(cd, kChanNodeRec), nullptr);
  const ChanSlot* s = GVChanSlot(cd, kChanVec3, 4);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->word, 0);
  EXPECT_EQ(s->frame, 0);
  EXPECT_EQ(s->data, nullptr);
  EXPECT_EQ(GVChanSlot(cd, kChanVec3, 5), nullptr);
  GVFreeChanData(cd);
}

// A fresh matter slot is a range seed: F-Ratio 1 and Density 9e30, every other
// field 0, not the default matter record.
TEST(ChanData, NewSlotsHoldTheirInitialContent) {
  const int32_t n = 4;
  ChanData* cd = GVNewChanData(n);
  ASSERT_EQ(GVAllocChannels(cd, kChanAll, 0), 1);
  ASSERT_EQ(GVAllocChannelFrame(cd, kChanAll, 0), 1);
  for (int i = 0; i <= n; ++i) {
    EXPECT_EQ(GVChanInts(cd, 0)[i], 0);
    EXPECT_EQ(GVChanFloats(cd, 0)[i], 0.0f);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(GVChanVec3s(cd, 0)[3 * i + j], 0.0f);
    for (int j = 0; j < 9; ++j) EXPECT_EQ(GVChanMat3s(cd, 0)[9 * i + j], 0.0f);
    for (int32_t w : GVChanStateRecs(cd, 0)[i].w) EXPECT_EQ(w, 0);
    for (float f : GVChanNodeRecs(cd, 0)[i].f) EXPECT_EQ(f, 0.0f);
    const MatterProps& m = GVChanMatter(cd, 0)[i];
    for (int field = 0; field < kMatterFields; ++field) {
      const float expected = field == 0 ? 1.0f : field == 3 ? 9e30f : 0.0f;
      EXPECT_EQ(GVMatterField(&m, field), expected) << field;
    }
  }
  for (const ChanSlot& e : GVChanBlock(cd, 0)->entries) {
    EXPECT_EQ(e.data, nullptr);
    EXPECT_EQ(e.word, 0);
  }
  GVFreeChanData(cd);
}

TEST(ChanData, AllocChannelFrameEndsAtTheFirstRefusal) {
  ChanData* cd = GVNewChanData(2);
  ASSERT_EQ(GVAllocChannels(cd, kChanInt | kChanStateRec, 1), 1);
  // Channel 8 is absent: 2 is allocated, 32 is not reached.
  EXPECT_EQ(GVAllocChannelFrame(cd, kChanInt | kChanVec3 | kChanStateRec, 1), 0);
  EXPECT_NE(GVChanInts(cd, 1), nullptr);
  EXPECT_EQ(GVChanStateRecs(cd, 1), nullptr);
  // Slot 1 of channel 2 already has an array: the same pointer stays.
  int32_t* before = GVChanInts(cd, 1);
  EXPECT_EQ(GVAllocChannelFrame(cd, kChanInt | kChanStateRec, 1), 0);
  EXPECT_EQ(GVChanInts(cd, 1), before);
  EXPECT_EQ(GVChanStateRecs(cd, 1), nullptr);
  EXPECT_EQ(GVAllocChannelFrame(cd, kChanStateRec, 2), 0);  // no slot 2
  EXPECT_EQ(GVAllocChannelFrame(cd, kChanStateRec, -1), 0);
  EXPECT_EQ(GVAllocChannelFrame(cd, kChanStateRec, 1), 1);
  GVFreeChannelFrame(cd, kChanInt | kChanStateRec, 1);
  EXPECT_EQ(GVChanInts(cd, 1), nullptr);
  EXPECT_EQ(GVChanStateRecs(cd, 1), nullptr);
  GVFreeChanData(cd);
}

TEST(ChanData, ResizeChannelsKeepsLeadingSlots) {
  ChanData* cd = GVNewChanData(3);
  ASSERT_EQ(GVAllocChannels(cd, kChanVec3 | kChanVecBlock, 3), 1);
  void* kept[2];
  for (int k = 0; k <= 3; ++k) {
    ASSERT_EQ(GVAllocChannelFrame(cd, kChanVec3 | kChanVecBlock, k), 1);
    GVChanSlot(cd, kChanVec3, k)->frame = 10 * k;
    if (k < 2) kept[k] = GVChanSlot(cd, kChanVec3, k)->data;
  }
  // Arrays past the new end are freed (the leak checker watches).
  ASSERT_EQ(GVResizeChannels(cd, 1), 1);
  EXPECT_EQ(GVChanChannel(cd, kChanVec3)->slotCount, 1);
  EXPECT_EQ(GVChanChannel(cd, kChanVecBlock)->slotCount, 1);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(GVChanSlot(cd, kChanVec3, k)->data, kept[k]);
    EXPECT_EQ(GVChanSlot(cd, kChanVec3, k)->frame, 10 * k);
  }
  ASSERT_EQ(GVResizeChannels(cd, 4), 1);
  for (int k = 2; k <= 4; ++k) {
    EXPECT_EQ(GVChanSlot(cd, kChanVec3, k)->data, nullptr);
    EXPECT_EQ(GVChanSlot(cd, kChanVec3, k)->frame, 0);
  }
  EXPECT_EQ(GVChanSlot(cd, kChanVec3, 1)->data, kept[1]);
  EXPECT_EQ(GVResizeChannels(cd, -1), 0);
  EXPECT_EQ(GVChanChannel(cd, kChanVec3)->slotCount, 4);
  GVFreeChanData(cd);
}

// Frame-store bookkeeping: slots 1..4 hold frames 10..40.
TEST(ChanData, ShiftSlotsDownAndInsertSlotMoveArrays) {
  ChanData* cd = GVNewChanData(1);
  ASSERT_EQ(GVAllocChannels(cd, kChanNodeRec | kChanMatter, 4), 1);
  void* arrays[5];
  for (int k = 0; k <= 4; ++k) {
    ASSERT_EQ(GVAllocChannelFrame(cd, kChanNodeRec | kChanMatter, k), 1);
    ChanSlot* s = GVChanSlot(cd, kChanNodeRec, k);
    s->frame = 10 * k;
    s->word = 1;
    arrays[k] = s->data;
  }
  auto frames = [&] {
    std::vector<int32_t> f;
    for (int k = 0; k <= 4; ++k) f.push_back(GVChanSlot(cd, kChanNodeRec, k)->frame);
    return f;
  };
  GVShiftSlotsDown(cd, 2);
  EXPECT_EQ(frames(), (std::vector<int32_t>{0, 10, 30, 40, 0}));
  EXPECT_EQ(GVChanSlot(cd, kChanNodeRec, 2)->data, arrays[3]);
  const ChanSlot* last = GVChanSlot(cd, kChanNodeRec, 4);
  EXPECT_EQ(last->data, arrays[2]);  // the removed array goes to the end
  EXPECT_EQ(last->word, 0);

  GVInsertSlot(cd, 1);
  EXPECT_EQ(frames(), (std::vector<int32_t>{0, 0, 10, 30, 40}));
  EXPECT_EQ(GVChanSlot(cd, kChanNodeRec, 1)->data, arrays[2]);  // the last array reused
  EXPECT_EQ(GVChanSlot(cd, kChanNodeRec, 1)->word, 0);
  EXPECT_EQ(GVChanSlot(cd, kChanNodeRec, 3)->data, arrays[3]);

  GVShiftSlotsDown(cd, 0);  // slot 0 is the start frame: never moved
  GVShiftSlotsDown(cd, 9);
  GVInsertSlot(cd, 9);
  EXPECT_EQ(frames(), (std::vector<int32_t>{0, 0, 10, 30, 40}));
  GVInsertSlot(cd, 4);
  EXPECT_EQ(frames(), (std::vector<int32_t>{0, 0, 10, 30, 0}));
  EXPECT_EQ(GVChanSlot(cd, kChanNodeRec, 4)->data, arrays[4]);
  GVFreeChanData(cd);
}

TEST(ChanData, CopyIsDeepAndIndependent) {
  ChanData* src = makeFilledStore(5, 3, kChanAll);
  ChanData* copy = GVCopyChanData(src);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(sameStore(src, copy));
  for (int c = 0; c < kChanCount; ++c) {
    const ChanChannel* a = GVChanChannel(src, kAllFlags[c]);
    const ChanChannel* b = GVChanChannel(copy, kAllFlags[c]);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a->slots, b->slots);
    ASSERT_NE(a->slots[1].data, nullptr);
    EXPECT_NE(a->slots[1].data, b->slots[1].data);
  }
  GVChanVec3s(copy, 1)[3] += 1.0f;
  GVChanBlock(copy, 1)->entries[0].frame = 99;
  EXPECT_FALSE(sameStore(src, copy));
  GVFreeChanData(src);
  GVFreeChanData(copy);
  EXPECT_EQ(GVCopyChanData(nullptr), nullptr);
}

TEST(ChanData, ResizeCountKeepsLeadingElementsAndZeroesNewOnes) {
  for (int32_t newCount : {2, 5, 9}) {
    ChanData* cd = makeFilledStore(5, 2, kChanAll);
    ChanData* before = GVCopyChanData(cd);
    ASSERT_EQ(GVResizeChanData(cd, newCount), 1);
    EXPECT_EQ(cd->count, newCount);
    for (int c = 0; c < kChanCount; ++c) {
      const int32_t flag = kAllFlags[c];
      const ChanChannel* ch = GVChanChannel(cd, flag);
      for (int32_t k = 0; k <= ch->slotCount; ++k) {
        const void* now = ch->slots[k].data;
        const void* old = GVChanSlot(before, flag, k)->data;
        ASSERT_EQ(now == nullptr, old == nullptr);
        if (!now) continue;
        if (flag == kChanVecBlock) {
          const ChanBlock* nb = static_cast<const ChanBlock*>(now);
          const ChanBlock* ob = static_cast<const ChanBlock*>(old);
          for (int e = 0; e < kChanBlockEntries; ++e) {
            if (!nb->entries[e].data) continue;
            EXPECT_TRUE(sameElements(nb->entries[e].data, ob->entries[e].data, 12, 5, newCount));
          }
          continue;
        }
        EXPECT_TRUE(sameElements(now, old, 4 * GVChanElementWords(flag), 5, newCount)) << flag;
      }
    }
    GVFreeChanData(cd);
    GVFreeChanData(before);
  }
  ChanData* cd = GVNewChanData(3);
  EXPECT_EQ(GVResizeChanData(cd, -2), 0);
  EXPECT_EQ(cd->count, 3);
  GVFreeChanData(cd);
}

TEST(ChanData, SaveAndLoadBlockCarryThirtyTwoVectorSlots) {
  const int32_t n = 6;
  ChanData* history = GVNewChanData(n);
  ASSERT_EQ(GVAllocChannels(history, kChanVec3, kChanBlockEntries - 1), 1);
  for (int e = 0; e < kChanBlockEntries; e += 3) {
    ASSERT_EQ(GVAllocChannelFrame(history, kChanVec3, e), 1);
    for (int i = 3; i < 3 * (n + 1); ++i) GVChanVec3s(history, e)[i] = float(100 * e + i);
  }
  ChanData* aux = GVNewChanData(n);
  ASSERT_EQ(GVChanDataSaveBlock(aux, history, 2), 1);
  ChanBlock* block = GVChanBlock(aux, 2);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GVChanChannel(aux, kChanVecBlock)->slotCount, 2);
  for (int e = 0; e < kChanBlockEntries; ++e) {
    ASSERT_EQ(block->entries[e].data != nullptr, e % 3 == 0) << e;
    if (!block->entries[e].data) continue;
    EXPECT_EQ(std::memcmp(block->entries[e].data, GVChanVec3s(history, e), 12 * (n + 1)), 0);
  }

  ChanData* restored = GVNewChanData(n);
  ASSERT_EQ(GVChanDataLoadBlock(aux, restored, 2), 1);
  EXPECT_TRUE(sameStore(restored, history));

  // A source slot without an array clears its entry on the next save.
  GVFreeChannelFrame(history, kChanVec3, 3);
  ASSERT_EQ(GVChanDataSaveBlock(aux, history, 2), 1);
  EXPECT_EQ(block->entries[3].data, nullptr);
  EXPECT_NE(block->entries[6].data, nullptr);

  ChanData* other = GVNewChanData(n + 1);
  EXPECT_EQ(GVChanDataSaveBlock(other, history, 0), 0);  // counts differ
  EXPECT_EQ(GVChanDataLoadBlock(aux, other, 2), 0);
  EXPECT_EQ(GVChanDataSaveBlock(aux, history, 5), 0);     // past the block channel's slots
  EXPECT_EQ(GVChanDataLoadBlock(aux, restored, 1), 0);    // slot 1 holds no block
  for (ChanData* cd : {history, aux, restored, other}) GVFreeChanData(cd);
}

TEST(ChanData, NullRecordsAreIgnored) {
  EXPECT_EQ(GVAllocChannels(nullptr, kChanAll, 1), 0);
  EXPECT_EQ(GVAllocChannelFrame(nullptr, kChanAll, 0), 0);
  EXPECT_EQ(GVResizeChannels(nullptr, 1), 0);
  GVFreeChannelFrame(nullptr, kChanAll, 0);
  GVShiftSlotsDown(nullptr, 1);
  GVInsertSlot(nullptr, 1);
  EXPECT_EQ(GVResizeChanData(nullptr, 1), 0);
  EXPECT_EQ(GVChanDataSaveBlock(nullptr, nullptr, 0), 0);
  EXPECT_EQ(GVChanDataLoadBlock(nullptr, nullptr, 0), 0);
  EXPECT_EQ(GVChanInts(nullptr, 0), nullptr);
  EXPECT_EQ(GVChanIndex(3), -1);
  EXPECT_EQ(GVChanIndex(kChanVecBlock), 7);
}
