#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "chan_store_fixtures.h"
#include "jel/chan_data.h"
#include "records/file_version.h"
#include "records/item_stream.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Sets the process-wide file-version word for one test and puts it back.
struct VersionScope {
  int32_t saved;
  explicit VersionScope(int32_t v) : saved(GVGetFileVersion()) { GVSetFileVersion(v); }
  ~VersionScope() { GVSetFileVersion(saved); }
};

const int32_t kVersions[] = {-3, 0, 1, 2, 3, 4, 19, 1000};

Bytes fileOf(const ChanData* cd, ChanHeaderForm form) {
  FILE* f = std::tmpfile();
  EXPECT_EQ(GVWriteChanData(cd, f, form), 1);
  Bytes bytes(static_cast<size_t>(std::ftell(f)));
  std::rewind(f);
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
  return bytes;
}

// Reads bytes as a file into a fresh store of count n; *out gets the store.
int readBytes(const Bytes& bytes, int32_t n, ChanHeaderForm form, ChanData** out) {
  FILE* f = std::tmpfile();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  *out = GVNewChanData(n);
  const int rc = GVReadChanData(*out, f, form);
  std::fclose(f);
  return rc;
}

uint32_t wordAt(const Bytes& b, size_t i) {
  return uint32_t(b[4 * i]) | uint32_t(b[4 * i + 1]) << 8 | uint32_t(b[4 * i + 2]) << 16 |
         uint32_t(b[4 * i + 3]) << 24;
}

void putWordAt(Bytes& b, size_t i, uint32_t v) {
  for (int k = 0; k < 4; ++k) b[4 * i + k] = static_cast<unsigned char>(v >> (8 * k));
}

// Image of a store: counting pass, allocation, filling pass.
struct Image {
  ItemStream s;
  uint32_t countedInts = 0, countedFloats = 0;
  explicit Image(const ChanData* cd) {
    GVCountChanData(cd, &s);
    countedInts = s.intCount;
    countedFloats = s.floatCount;
    EXPECT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
    s.intCount = s.floatCount = 0;
    EXPECT_EQ(GVPutChanData(cd, &s), 1);
  }
  ~Image() { GVItemStreamReset(&s); }
  std::vector<int32_t> ints() const { return std::vector<int32_t>(s.ints, s.ints + s.intCount); }
  std::vector<uint32_t> floatBits() const {
    std::vector<uint32_t> v(s.floatCount);
    if (s.floatCount) std::memcpy(v.data(), s.floats, 4 * v.size());
    return v;
  }
  // Rewinds the cursors for parsing what was put.
  void rewindForParse() {
    s.intSize = s.intCount;
    s.floatSize = s.floatCount;
    s.intCount = s.floatCount = 0;
  }
};

}  // namespace

TEST(ChanDataFile, EmptyHeadersAre68And60Bytes) {
  ChanData* cd = GVNewChanData(7);
  EXPECT_EQ(fileOf(cd, kChanHeaderFull).size(), 68u);
  EXPECT_EQ(fileOf(cd, kChanHeaderShort).size(), 60u);
  GVFreeChanData(cd);
}

TEST(ChanDataFile, WriteReadWriteIsByteIdenticalForEveryVersion) {
  for (int32_t version : kVersions) {
    VersionScope scope(version);
    for (ChanHeaderForm form : {kChanHeaderFull, kChanHeaderShort}) {
      ChanData* cd = makeFilledStore(9, 3, kChanAll);
      const Bytes first = fileOf(cd, form);
      ChanData* back = nullptr;
      ASSERT_EQ(readBytes(first, 9, form, &back), kChanReadOk) << version;
      EXPECT_EQ(fileOf(back, form), first) << version << " " << form;
      // The short form has no room for the vector-block channel.
      if (form == kChanHeaderShort) {
        EXPECT_EQ(GVChanChannel(back, kChanVecBlock), nullptr);
        ChanData* carried = GVNewChanData(9);  // the seven channels the short form holds
        for (int c = 0; c < 7; ++c) std::swap(carried->channels[c], cd->channels[c]);
        EXPECT_TRUE(sameStore(back, carried)) << version;
        GVFreeChanData(carried);
      } else {
        EXPECT_TRUE(sameStore(back, cd)) << version;
      }
      GVFreeChanData(cd);
      GVFreeChanData(back);
    }
  }
}

// From version 1 on, channels 2, 32 and 64 are stored shuffled: the same words
// in another order. The other channels never move.
TEST(ChanDataFile, VersionShufflesOnlyChannels2And32And64) {
  for (int32_t flag : {kChanInt, kChanFloat, kChanVec3, kChanStateRec, kChanNodeRec, kChanMatter}) {
    ChanData* cd = makeFilledStore(40, 0, flag);
    Bytes plain, shuffled;
    {
      VersionScope v(0);
      plain = fileOf(cd, kChanHeaderFull);
    }
    {
      VersionScope v(4);
      shuffled = fileOf(cd, kChanHeaderFull);
    }
    ASSERT_EQ(plain.size(), shuffled.size());
    const bool moves = flag == kChanInt || flag == kChanStateRec || flag == kChanNodeRec;
    EXPECT_EQ(plain != shuffled, moves) << flag;
    std::vector<uint32_t> a, b;
    for (size_t i = 0; i < plain.size() / 4; ++i) {
      a.push_back(wordAt(plain, i));
      b.push_back(wordAt(shuffled, i));
    }
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, b) << flag;
    GVFreeChanData(cd);
  }
}

// A version-1 table has step 1, which never grows: the identity order.
TEST(ChanDataFile, VersionOneStoresIndexOrder) {
  ChanData* cd = makeFilledStore(5, 1, kChanInt | kChanStateRec | kChanNodeRec);
  Bytes v0, v1;
  {
    VersionScope v(0);
    v0 = fileOf(cd, kChanHeaderFull);
  }
  {
    VersionScope v(1);
    v1 = fileOf(cd, kChanHeaderFull);
  }
  EXPECT_EQ(v0, v1);
  GVFreeChanData(cd);
}

// Shuffled element 0 is dropped by the reader; the index-order form keeps it.
TEST(ChanDataFile, ElementZeroOfShuffledChannels) {
  for (int32_t version : {0, 4}) {
    VersionScope scope(version);
    ChanData* cd = makeFilledStore(3, 0, kChanStateRec | kChanNodeRec | kChanVec3);
    GVChanStateRecs(cd, 0)[0].w[5] = 77;
    GVChanNodeRecs(cd, 0)[0].f[0] = 1.5f;
    GVChanVec3s(cd, 0)[1] = 2.5f;
    const Bytes first = fileOf(cd, kChanHeaderFull);
    ChanData* back = nullptr;
    ASSERT_EQ(readBytes(first, 3, kChanHeaderFull, &back), kChanReadOk);
    EXPECT_EQ(GVChanStateRecs(back, 0)[0].w[5], version ? 0 : 77);
    EXPECT_EQ(GVChanNodeRecs(back, 0)[0].f[0], version ? 0.0f : 1.5f);
    EXPECT_EQ(GVChanVec3s(back, 0)[1], 2.5f);
    EXPECT_EQ(GVChanStateRecs(back, 0)[1].w[5], GVChanStateRecs(cd, 0)[1].w[5]);
    EXPECT_EQ(fileOf(back, kChanHeaderFull), first);
    GVFreeChanData(cd);
    GVFreeChanData(back);
  }
}

TEST(ChanDataFile, RefusesCountsAgainstTheRecordAndTheFile) {
  ChanData* cd = makeFilledStore(4, 2, kChanVec3 | kChanMatter);
  const Bytes good = fileOf(cd, kChanHeaderFull);
  GVFreeChanData(cd);
  struct Case {
    const char* what;
    size_t word;
    uint32_t value;
    int32_t expectCount;
  };
  // Header words: 0 count, then (m, presence) per channel; channel 8 is index 2.
  const Case cases[] = {
      {"count differs from the caller's", 0, 5, 4},
      {"caller expects another count", 0, 4, 3},
      {"negative slot count", 5, 0xffffffffu, 4},
      {"slot count past the file", 5, 1000000000u, 4},
      {"largest slot count", 5, 0x7fffffffu, 4},
      {"absent channel's slot count is ignored", 3, 0x7fffffffu, 4},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    putWordAt(bad, c.word, c.value);
    ChanData* back = nullptr;
    const int rc = readBytes(bad, c.expectCount, kChanHeaderFull, &back);
    if (c.word == 3) {
      EXPECT_EQ(rc, kChanReadOk) << c.what;
    } else {
      EXPECT_EQ(rc, kChanReadBadCount) << c.what;
      for (const ChanChannel& ch : back->channels) EXPECT_EQ(ch.slots, nullptr) << c.what;
    }
    GVFreeChanData(back);
  }
}

// Cut anywhere, a file yields a short or refused read, never a crash or a leak,
// and every slot array that was kept is whole.
TEST(ChanDataFile, TruncatedFilesKeepOnlyWholeArrays) {
  VersionScope scope(4);
  ChanData* cd = makeFilledStore(3, 2, kChanAll);
  const Bytes good = fileOf(cd, kChanHeaderFull);
  for (size_t cut = 0; cut < good.size(); ++cut) {
    const Bytes part(good.begin(), good.begin() + static_cast<long>(cut));
    ChanData* back = nullptr;
    const int rc = readBytes(part, 3, kChanHeaderFull, &back);
    ASSERT_TRUE(rc == kChanReadShort || rc == kChanReadBadCount) << cut;
    for (int c = 0; c < kChanCount; ++c) {
      const int32_t flag = chanFlagAt(c);
      const ChanChannel* ch = GVChanChannel(back, flag);
      if (!ch || flag == kChanVecBlock) continue;
      for (int32_t k = 0; k <= ch->slotCount; ++k) {
        if (!ch->slots[k].data) continue;
        const size_t bytes = (3 + 1) * 4u * GVChanElementWords(flag);
        EXPECT_EQ(std::memcmp(ch->slots[k].data, GVChanSlot(cd, flag, k)->data, bytes), 0) << cut;
      }
    }
    GVFreeChanData(back);
  }
  GVFreeChanData(cd);
}

TEST(ChanDataFile, RefusesARecordThatHoldsChannelsAndMissingArguments) {
  ChanData* cd = makeFilledStore(2, 0, kChanVec3);
  const Bytes bytes = fileOf(cd, kChanHeaderFull);
  FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  EXPECT_EQ(GVReadChanData(cd, f, kChanHeaderFull), kChanReadNotEmpty);
  EXPECT_EQ(GVReadChanData(nullptr, f, kChanHeaderFull), kChanReadNothing);
  ChanData* empty = GVNewChanData(2);
  EXPECT_EQ(GVReadChanData(empty, nullptr, kChanHeaderFull), kChanReadNothing);
  EXPECT_EQ(GVReadChanData(empty, f, kChanHeaderFull), kChanReadOk);
  EXPECT_TRUE(sameStore(empty, cd));
  std::fclose(f);
  GVFreeChanData(cd);
  GVFreeChanData(empty);
}

TEST(ChanDataImage, CountPutGetPutIsIdenticalForEveryVersion) {
  for (int32_t version : kVersions) {
    VersionScope scope(version);
    ChanData* cd = makeFilledStore(6, 3, kChanAll);
    Image first(cd);
    // The counting pass counts exactly what the filling pass puts.
    EXPECT_EQ(first.s.intCount, first.countedInts);
    EXPECT_EQ(first.s.floatCount, first.countedFloats);
    first.rewindForParse();
    ChanData* back = GVNewChanData(6);
    ASSERT_EQ(GVGetChanData(back, &first.s), kChanReadOk) << version;
    EXPECT_EQ(first.s.intCount, first.s.intSize);
    EXPECT_EQ(first.s.floatCount, first.s.floatSize);
    EXPECT_TRUE(sameStore(back, cd)) << version;
    Image second(back);
    first.s.intCount = first.s.intSize;
    first.s.floatCount = first.s.floatSize;
    EXPECT_EQ(second.ints(), first.ints()) << version;
    EXPECT_EQ(second.floatBits(), first.floatBits()) << version;
    GVFreeChanData(cd);
    GVFreeChanData(back);
  }
}

// In the image a node record is written link slot by link slot; the file keeps
// memory order.
TEST(ChanDataImage, NodeRecordsUseImageOrder) {
  VersionScope scope(0);
  ChanData* cd = GVNewChanData(1);
  GVAllocChannels(cd, kChanNodeRec, 0);
  GVAllocChannelFrame(cd, kChanNodeRec, 0);
  for (int i = 0; i < 72; ++i) GVChanNodeRecs(cd, 0)[1].f[i] = static_cast<float>(i);
  Image image(cd);
  ASSERT_EQ(image.s.floatCount, 144u);
  const float* node = image.s.floats + 72;
  for (int i = 0; i < 9; ++i) EXPECT_EQ(node[i], i);
  EXPECT_EQ(node[9], 9);    // link slot 0: 9, 16, 23, ...
  EXPECT_EQ(node[10], 16);
  EXPECT_EQ(node[17], 65);
  EXPECT_EQ(node[18], 10);  // link slot 1
  EXPECT_EQ(node[71], 71);
  const Bytes file = fileOf(cd, kChanHeaderFull);
  float second;
  const uint32_t bits = wordAt(file, 17 + 3 + 72 + 10);
  std::memcpy(&second, &bits, 4);
  EXPECT_EQ(second, 10.0f);
  GVFreeChanData(cd);
}

// An image cut short anywhere, or one whose counts disagree, is refused before
// anything is taken: cursors and record stay as they were.
TEST(ChanDataImage, BadImagesAreRefusedWhole) {
  VersionScope scope(4);
  ChanData* cd = makeFilledStore(2, 2, kChanAll);
  Image image(cd);
  const uint32_t ints = image.s.intCount, floats = image.s.floatCount;
  image.rewindForParse();
  auto expectRefused = [&](const char* what) {
    ChanData* back = GVNewChanData(2);
    EXPECT_EQ(GVGetChanData(back, &image.s), kChanReadBadCount) << what;
    EXPECT_EQ(image.s.intCount, 0u) << what;
    EXPECT_EQ(image.s.floatCount, 0u) << what;
    for (const ChanChannel& ch : back->channels) EXPECT_EQ(ch.slots, nullptr) << what;
    GVFreeChanData(back);
  };
  for (uint32_t cut = 0; cut < ints; ++cut) {
    image.s.intSize = cut;
    expectRefused("ints cut");
  }
  image.s.intSize = ints;
  for (uint32_t cut = 0; cut < floats; ++cut) {
    image.s.floatSize = cut;
    expectRefused("floats cut");
  }
  image.s.floatSize = floats;
  const int32_t header[] = {0, 3};
  for (int word : header) {
    const int32_t saved = image.s.ints[word];
    image.s.ints[word] = word == 0 ? 3 : -1;  // another count; a negative slot count
    expectRefused("header");
    image.s.ints[word] = saved;
  }
  ChanData* back = GVNewChanData(2);
  EXPECT_EQ(GVGetChanData(back, &image.s), kChanReadOk);
  EXPECT_TRUE(sameStore(back, cd));
  image.rewindForParse();
  EXPECT_EQ(GVGetChanData(back, &image.s), kChanReadNotEmpty);
  EXPECT_EQ(GVGetChanData(back, nullptr), kChanReadNothing);
  GVFreeChanData(back);
  GVFreeChanData(cd);
}

TEST(ChanDataImage, PutNeedsRoomForTheWholeImage) {
  ChanData* cd = makeFilledStore(2, 1, kChanVec3 | kChanInt);
  ItemStream s;
  GVCountChanData(cd, &s);
  s.intCount -= 1;  // one int short
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  s.intCount = s.floatCount = 0;
  EXPECT_EQ(GVPutChanData(cd, &s), 0);
  EXPECT_EQ(s.intCount, 0u);
  EXPECT_EQ(s.floatCount, 0u);
  GVItemStreamReset(&s);
  GVFreeChanData(cd);
}
