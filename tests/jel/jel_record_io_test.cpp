#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "block_lattice.h"
#include "chan_store_fixtures.h"
#include "jel_record_fixtures.h"
#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/jel_record_io.h"
#include "records/binary_file.h"
#include "records/file_version.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

namespace {

using namespace jelrecord;

// ---- An independent writer of every record version ------------------------------

constexpr int32_t kKeep = INT32_MIN;

struct RecordOptions {
  int32_t version = 4;
  ChanHeaderForm form = kChanHeaderFull;  // versions 3 on; older ones fix their own
  // Overrides of the counts put in the record (kKeep: the Jel's own).
  int32_t nodeCount = kKeep;
  int32_t frameStoreCount = kKeep;
  int32_t thirdAuxCount = kKeep;
  int32_t partCount = kKeep;
  int32_t kindCount = kKeep;
  int32_t keptCount = 64;
};

void putWord(FILE* f, uint32_t v) { ASSERT_EQ(GVFileWriteU32(f, v), 1); }

void putFloat(FILE* f, float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  putWord(f, u);
}

void putStore(FILE* f, const ChanData* cd, int32_t countWord, ChanHeaderForm form) {
  if (!cd) return putWord(f, 0);
  putWord(f, static_cast<uint32_t>(countWord != kKeep ? countWord : cd->count));
  ASSERT_EQ(GVWriteChanData(cd, f, form), 1);
}

void writeTestRecord(FILE* f, const HObject& jel, const RecordOptions& o) {
  const int32_t v = o.version;
  const int32_t n = o.nodeCount != kKeep ? o.nodeCount : jel.nodeCount;
  putWord(f, 0xC0FFEEu);  // lead: not interpreted
  putWord(f, static_cast<uint32_t>(v));
  ChanHeaderForm form = o.form;
  if (v >= 3) {
    ASSERT_EQ(GVWriteString(f, jel.name), 1);
    putWord(f, static_cast<uint32_t>(jel.id));
    putWord(f, jel.groupMask);
    putWord(f, jel.flags);
    putWord(f, static_cast<uint32_t>(n));
    putFloat(f, jel.cellSize);
    putWord(f, 0x5555u);
  } else if (v >= 0) {
    unsigned char name[20] = {};
    std::memcpy(name, jel.name, std::min(sizeof name, std::strlen(jel.name)));
    ASSERT_EQ(std::fwrite(name, 1, sizeof name, f), sizeof name);
    putWord(f, static_cast<uint32_t>(jel.id));
    putWord(f, jel.groupMask);
    putWord(f, jel.flags);
    putWord(f, static_cast<uint32_t>(n));
    putFloat(f, jel.cellSize);
    putWord(f, 0xDEADu);
    putWord(f, 0xBEEFu);
    if (v < 2)
      for (int w = 12; w < 22; ++w) putWord(f, 0x10000u + w);  // once parameters, no longer data
    form = v == 2 ? kChanHeaderFull : kChanHeaderShort;
  }

  // Nine blocks; the first of the three dropped ones holds a real store.
  ChanData* dropped = makeFilledStore(4, 1, kChanFloat | kChanInt);
  putStore(f, jel.frameStore, o.frameStoreCount, form);
  putStore(f, jel.auxStores[0], kKeep, form);
  putStore(f, jel.auxStores[1], kKeep, form);
  if (v >= 2) putStore(f, jel.auxStores[2], o.thirdAuxCount, form);
  putStore(f, jel.auxStores[3], kKeep, form);
  putStore(f, dropped, kKeep, form);
  putWord(f, 0);
  putWord(f, 0);
  putStore(f, jel.posCache, kKeep, form);
  GVFreeChanData(dropped);

  const int32_t parts = o.partCount != kKeep ? o.partCount : n;
  putWord(f, static_cast<uint32_t>(parts));
  // Past the Jel's own nodes (counts made to disagree) the values are 0.
  for (int32_t i = 0; parts && i <= n; ++i) putWord(f, i <= jel.nodeCount ? jel.partMask[i] : 0u);
  const int32_t kinds = o.kindCount != kKeep ? o.kindCount : n;
  putWord(f, static_cast<uint32_t>(kinds));
  for (int32_t i = 0; kinds && i <= n; ++i)
    putWord(f, i <= jel.nodeCount ? static_cast<uint32_t>(jel.nodeKind[i]) : 0u);

  FrameParams p = jel.playParams;
  uint8_t raw[kFrameParamsFileBytes];
  GVFrameParamsToBytes(&p, raw);
  ASSERT_EQ(std::fwrite(raw, 1, sizeof raw, f), sizeof raw);
  if (v >= 4) {
    putWord(f, static_cast<uint32_t>(o.keptCount));
    for (int32_t i = 0; i < o.keptCount && i < 64; ++i) putWord(f, static_cast<uint32_t>(jel.fileBlock[i]));
  }
  if (v >= 2) putWord(f, 0x7777u);
}

Bytes testRecord(const HObject& jel, const RecordOptions& o) {
  return bytesOf([&](FILE* f) { writeTestRecord(f, jel, o); });
}

// ---- Checks ---------------------------------------------------------------------

// A refused read leaves the Jel as a default one.
void expectDefault(const HObject& jel) {
  EXPECT_EQ(jel.nodeCount, 0);
  EXPECT_EQ(jel.id, 0);
  EXPECT_EQ(jel.frameStore, nullptr);
  EXPECT_EQ(jel.posCache, nullptr);
  for (ChanData* s : jel.auxStores) EXPECT_EQ(s, nullptr);
  EXPECT_EQ(jel.partMask, nullptr);
  EXPECT_EQ(jel.pos, nullptr);
  EXPECT_EQ(jel.state, nullptr);
}

void expectPlayWordsAfterRead(const FrameParams& got, const FrameParams& sent) {
  for (int w = 0; w < kFrameParamsWords; ++w) {
    const uint32_t v = GVFrameParamsWord(&got, w);
    switch (w) {
      case 10: case 11: case 12: case 13: case 16:
        EXPECT_EQ(static_cast<int32_t>(v), sent.startFrame) << "word " << w;
        break;
      case 8: case 9:
        EXPECT_EQ(v, 0u) << "word " << w;
        break;
      case 17:
        EXPECT_EQ(v, 1u) << "word " << w;
        break;
      default:
        EXPECT_EQ(v, GVFrameParamsWord(&sent, w)) << "word " << w;
    }
  }
}

// Every field a record of version v carries, read back from src.
void expectRecordFields(const HObject& got, const HObject& src, int32_t v) {
  EXPECT_STREQ(got.name, src.name);
  EXPECT_EQ(got.id, src.id);
  EXPECT_EQ(got.groupMask, src.groupMask);
  EXPECT_EQ(got.flags, src.flags);
  EXPECT_EQ(got.nodeCount, src.nodeCount);
  EXPECT_EQ(got.cellSize, src.cellSize);
  EXPECT_EQ(storeBytes(got.frameStore), storeBytes(src.frameStore));
  EXPECT_TRUE(sameStore(got.auxStores[0], src.auxStores[0]));
  EXPECT_TRUE(sameStore(got.auxStores[1], src.auxStores[1]));
  EXPECT_TRUE(sameStore(got.auxStores[3], src.auxStores[3]));
  EXPECT_TRUE(sameStore(got.posCache, src.posCache));
  if (v >= 2) {
    EXPECT_TRUE(sameStore(got.auxStores[2], src.auxStores[2]));
  } else {
    // Made afresh: 32 elements, channel 8 with the second store's slots, all allocated.
    ASSERT_NE(got.auxStores[2], nullptr);
    EXPECT_EQ(got.auxStores[2]->count, 32);
    const ChanChannel* c = GVChanChannel(got.auxStores[2], kChanVec3);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->slotCount, GVChanChannel(src.auxStores[1], kChanVec3)->slotCount);
    for (int32_t k = 0; k <= c->slotCount; ++k) EXPECT_NE(c->slots[k].data, nullptr);
    for (int32_t flag : {2, 4, 16, 32, 64, 128, 0x4000}) EXPECT_EQ(GVChanChannel(got.auxStores[2], flag), nullptr);
  }
  for (int32_t i = 0; i <= src.nodeCount; ++i) {
    EXPECT_EQ(got.partMask[i], src.partMask[i]);
    EXPECT_EQ(got.nodeKind[i], src.nodeKind[i]);
  }
  ASSERT_NE(got.fileBlock, nullptr);
  for (int32_t i = 0; i < 64; ++i) EXPECT_EQ(got.fileBlock[i], v >= 4 ? src.fileBlock[i] : 0) << i;
  expectPlayWordsAfterRead(got.playParams, src.playParams);
}


// ---- Every version ----------------------------------------------------------------

TEST_F(JelRecordTest, EveryVersionReadsBackEveryField) {
  struct Case {
    int32_t version;
    ChanHeaderForm form;
  };
  const Case cases[] = {{0, kChanHeaderShort}, {1, kChanHeaderShort}, {2, kChanHeaderFull},
                        {3, kChanHeaderFull},  {4, kChanHeaderFull},  {7, kChanHeaderFull}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    auto src = makeRecordJel();
    RecordOptions o;
    o.version = c.version;
    o.form = c.form;
    const Bytes bytes = testRecord(*src, o);
    HObject got;
    ChanHeaderForm form = kChanHeaderFull;
    ASSERT_EQ(readInto(&got, bytes, bytes.size(), &form), kJelReadOk);
    expectRecordFields(got, *src, c.version);
    EXPECT_NE(got.state, nullptr);
    // Versions before 2 choose the short header form for the records after them.
    EXPECT_EQ(form, c.version < 2 ? kChanHeaderShort : kChanHeaderFull);
  }
}

TEST_F(JelRecordTest, FixedHeadNameStopsAtTwentyBytes) {
  auto src = makeRecordJel();
  GVSetString(&src->name, "AVeryLongJelNameThatRunsOn");
  RecordOptions o;
  o.version = 2;
  const Bytes bytes = testRecord(*src, o);
  HObject got;
  ASSERT_EQ(readInto(&got, bytes, bytes.size()), kJelReadOk);
  EXPECT_STREQ(got.name, "AVeryLongJelNameThat");
}

TEST_F(JelRecordTest, RecordWithoutHeadReadsAsEmptyJel) {
  HObject empty;
  const Bytes bytes = bytesOf([&](FILE* f) {
    putWord(f, 1);
    putWord(f, static_cast<uint32_t>(-1));
    for (int b = 0; b < 9; ++b) putWord(f, 0);
    putWord(f, 0);
    putWord(f, 0);
    uint8_t raw[kFrameParamsFileBytes];
    GVFrameParamsToBytes(&empty.playParams, raw);
    std::fwrite(raw, 1, sizeof raw, f);
  });
  HObject got;
  ASSERT_EQ(readInto(&got, bytes, bytes.size()), kJelReadOk);
  EXPECT_EQ(got.nodeCount, 0);
  EXPECT_EQ(got.state, nullptr);
  EXPECT_EQ(got.frameStore, nullptr);
}

// ---- Newest version and image: the writers mirror the readers ---------------------

TEST_F(JelRecordTest, NewestWriterPutsTheLayoutOfTheTestWriter) {
  auto src = makeRecordJel();
  Bytes mine = recordBytes(*src);
  RecordOptions o;
  Bytes theirs = testRecord(*src, o);
  // The three dropped blocks are written empty, and the lead, unused and
  // trailing words hold the writer's own values.
  HObject a, b;
  ASSERT_EQ(readInto(&a, mine, mine.size()), kJelReadOk);
  ASSERT_EQ(readInto(&b, theirs, theirs.size()), kJelReadOk);
  EXPECT_EQ(recordBytes(a), recordBytes(b));
  EXPECT_EQ(recordBytes(a), mine);
}

TEST_F(JelRecordTest, WriteReadWriteIsByteIdentical) {
  for (uint32_t flags : {0u, 1u, 2u}) {
    SCOPED_TRACE(flags);
    auto src = makeRecordJel(flags);
    const Bytes first = recordBytes(*src);
    HObject got;
    ASSERT_EQ(readInto(&got, first, first.size()), kJelReadOk);
    EXPECT_EQ(recordBytes(got), first);
    expectRecordFields(got, *src, 4);
  }
}

struct Image {
  ItemStream s;
  explicit Image(const HObject& jel) {
    jel.countArrays(&s);
    EXPECT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
    const uint32_t ints = s.intCount, floats = s.floatCount, bytes = s.byteCount;
    s.intCount = s.floatCount = s.byteCount = s.itemCount = 0;
    EXPECT_EQ(jel.writeArrays(&s), 1);
    EXPECT_EQ(s.intCount, ints);
    EXPECT_EQ(s.floatCount, floats);
    EXPECT_EQ(s.byteCount, bytes);
    s.intCount = s.floatCount = s.byteCount = 0;
  }
  ~Image() { GVItemStreamReset(&s); }
  std::vector<int32_t> ints() const { return std::vector<int32_t>(s.ints, s.ints + s.intSize); }
  std::vector<uint32_t> floatBits() const {
    std::vector<uint32_t> out(s.floatSize);
    if (s.floatSize) std::memcpy(out.data(), s.floats, 4 * out.size());
    return out;
  }
  Bytes bytes() const { return Bytes(s.bytes, s.bytes + s.byteSize); }
};

TEST_F(JelRecordTest, ImageRoundTripIsIdenticalAndCarriesEveryField) {
  for (uint32_t flags : {0u, 1u}) {
    SCOPED_TRACE(flags);
    auto src = makeRecordJel(flags);
    Image first(*src);
    HObject got;
    ASSERT_EQ(got.readArrays(&first.s), kJelReadOk);
    EXPECT_EQ(first.s.intCount, first.s.intSize);
    EXPECT_EQ(first.s.floatCount, first.s.floatSize);
    EXPECT_EQ(first.s.byteCount, first.s.byteSize);
    expectRecordFields(got, *src, 4);
    EXPECT_EQ(got.faceCount, src->faceCount);
    EXPECT_EQ(got.edgeCount, src->edgeCount);
    Image second(got);
    EXPECT_EQ(second.ints(), first.ints());
    EXPECT_EQ(second.floatBits(), first.floatBits());
    EXPECT_EQ(second.bytes(), first.bytes());
  }
}

TEST_F(JelRecordTest, ImageLeadsAndEndsWithTwoMarkerInts) {
  auto src = makeRecordJel();
  Image image(*src);
  const std::vector<int32_t> ints = image.ints();
  ASSERT_GE(ints.size(), 4u);
  EXPECT_EQ(ints[0], 1);
  EXPECT_EQ(ints[1], kJelRecordVersion);
  EXPECT_EQ(ints[2], 6);  // the name's length
  EXPECT_EQ(ints[ints.size() - 1], 0);
  EXPECT_EQ(ints[ints.size() - 2], 0);
  EXPECT_EQ(image.bytes(), (Bytes{'W', 'o', 'b', 'b', 'l', 'y'}));
}

TEST_F(JelRecordTest, ListImageOfSeveralJelsParsesInOrder) {
  auto a = makeRecordJel();
  auto b = makeRecordJel(1);
  b->id = 9;
  GVSetString(&b->name, "Second");
  ItemStream s;
  a->countArrays(&s);
  b->countArrays(&s);
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  s.intCount = s.floatCount = s.byteCount = 0;
  ASSERT_EQ(a->writeArrays(&s), 1);
  ASSERT_EQ(b->writeArrays(&s), 1);
  s.intCount = s.floatCount = s.byteCount = 0;
  std::unique_ptr<HObject> ra(HObject::HObjectFromArrays(&s));
  std::unique_ptr<HObject> rb(HObject::HObjectFromArrays(&s));
  ASSERT_TRUE(ra && rb);
  EXPECT_STREQ(ra->name, "Wobbly");
  EXPECT_STREQ(rb->name, "Second");
  EXPECT_EQ(rb->id, 9);
  EXPECT_EQ(s.intCount, s.intSize);
  EXPECT_EQ(s.floatCount, s.floatSize);
  GVItemStreamReset(&s);
}

TEST_F(JelRecordTest, WriterRefusesAnImageWithoutRoom) {
  auto src = makeRecordJel();
  ItemStream s;
  src->countArrays(&s);
  s.intCount -= 1;
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  s.intCount = s.floatCount = s.byteCount = 0;
  EXPECT_EQ(src->writeArrays(&s), 0);
  GVItemStreamReset(&s);
}

// ---- What a read rebuilds -----------------------------------------------------------

TEST_F(JelRecordTest, ReadStartsAtTheStartFrame) {
  auto src = makeRecordJel();
  FrameParams& p = src->playParams;
  p.loopStart = 1;
  p.recordFirst = 2;
  p.currentFrame = 40;
  p.computedFrame = 41;
  p.recordLast = 60;
  p.stateMode = -1;
  p.subStepIndex = 3;
  p.subSteps = 0;  // a Jel saved without sub-steps
  GVChanSlot(src->frameStore, kChanNodeRec, 0)->frame = 99;
  const Bytes bytes = recordBytes(*src);
  HObject got;
  ASSERT_EQ(readInto(&got, bytes, bytes.size()), kJelReadOk);
  expectPlayWordsAfterRead(got.playParams, p);
  EXPECT_EQ(GVChanSlot(got.frameStore, kChanNodeRec, 0)->frame, kStart);
  // The step time is defined however the record left the sub-steps.
  got.playParams.stepping = 1;
  got.playParams.timeStep = 0.0f;
  EXPECT_FLOAT_EQ(got.getTimeStep(), 1.0f / 25.0f);
}

TEST_F(JelRecordTest, LiveStateOnlyWithoutFlagBitOne) {
  for (uint32_t flags : {0u, 1u, 2u, 3u}) {
    SCOPED_TRACE(flags);
    auto src = makeRecordJel(flags);
    const Bytes bytes = recordBytes(*src);
    HObject got;
    ASSERT_EQ(readInto(&got, bytes, bytes.size()), kJelReadOk);
    EXPECT_EQ(got.state == nullptr, (flags & 1u) != 0);
    // Tables are rebuilt either way.
    EXPECT_EQ(got.faceCount, src->faceCount);
    EXPECT_EQ(got.edgeCount, src->edgeCount);
    ASSERT_NE(got.pos, nullptr);
    for (int32_t i = 1; i <= got.nodeCount; ++i)
      for (int a = 0; a < 3; ++a) EXPECT_EQ(got.pos[i][a], src->pos[i][a]);
  }
}

TEST_F(JelRecordTest, ReadJelUpdatesItsDeformation) {
  auto src = makeRecordJel();
  const Bytes bytes = recordBytes(*src);
  HObject got;
  ASSERT_EQ(readInto(&got, bytes, bytes.size()), kJelReadOk);
  // Rest block of cell size 0.5: the map scales lattice steps by the cell size.
  const int32_t i = 1;
  EXPECT_NEAR(got.deform[0][i], 0.5f, 1e-5f);
  EXPECT_NEAR(got.deform[4][i], 0.5f, 1e-5f);
  EXPECT_NEAR(got.deform[8][i], 0.5f, 1e-5f);
  EXPECT_NEAR(got.deform[1][i], 0.0f, 1e-5f);
}

// ---- Channel-data header form of later versions ---------------------------------------

TEST_F(JelRecordTest, LaterVersionsKeepTheLastFormAndReadBoth) {
  auto src = makeRecordJel();
  RecordOptions shortV3;
  shortV3.version = 3;
  shortV3.form = kChanHeaderShort;
  RecordOptions fullV3 = shortV3;
  fullV3.form = kChanHeaderFull;
  RecordOptions v1;
  v1.version = 1;

  struct Step {
    const RecordOptions* record;
    ChanHeaderForm formAfter;
  };
  // From the start (full): a short v3 record is read by falling back and
  // makes short the choice; a v1 record keeps it; a full v3 record falls
  // back to full again.
  const Step steps[] = {{&fullV3, kChanHeaderFull}, {&shortV3, kChanHeaderShort}, {&v1, kChanHeaderShort},
                        {&shortV3, kChanHeaderShort}, {&fullV3, kChanHeaderFull}};
  ChanHeaderForm form = kChanHeaderFull;
  for (const Step& step : steps) {
    const Bytes bytes = testRecord(*src, *step.record);
    HObject got;
    ASSERT_EQ(readInto(&got, bytes, bytes.size(), &form), kJelReadOk);
    expectRecordFields(got, *src, step.record->version);
    EXPECT_EQ(form, step.formAfter);
  }
}

TEST_F(JelRecordTest, ImageChoosesTheFullForm) {
  // Whatever form a file's reader has come to, an image reads in the full one.
  auto src = makeRecordJel();
  Image image(*src);
  HObject got;
  ASSERT_EQ(got.readArrays(&image.s), kJelReadOk);
  EXPECT_EQ(got.nodeCount, src->nodeCount);
  EXPECT_NE(got.state, nullptr);
}

// ---- Damaged records -------------------------------------------------------------------

TEST_F(JelRecordTest, EveryTruncationIsRefusedAndLeavesTheJelDefault) {
  auto src = makeRecordJel();
  const Bytes bytes = recordBytes(*src);
  for (size_t size = 0; size < bytes.size(); size += (size < 64 || bytes.size() - size < 256) ? 1 : 13) {
    HObject got;
    const int rc = readInto(&got, bytes, size);
    ASSERT_NE(rc, kJelReadOk) << size;
    if (size < 8) {
      EXPECT_EQ(rc, kJelReadNothing);
    }
    expectDefault(got);
  }
}

TEST_F(JelRecordTest, EveryImageTruncationIsRefusedWithCursorsKept) {
  auto src = makeRecordJel();
  Image image(*src);
  const uint32_t ints = image.s.intSize, floats = image.s.floatSize, bytes = image.s.byteSize;
  auto tryCut = [&](uint32_t i, uint32_t f, uint32_t b) {
    image.s.intSize = i;
    image.s.floatSize = f;
    image.s.byteSize = b;
    image.s.intCount = image.s.floatCount = image.s.byteCount = 0;
    HObject got;
    EXPECT_NE(got.readArrays(&image.s), kJelReadOk) << i << " " << f << " " << b;
    EXPECT_EQ(image.s.intCount, 0u);
    EXPECT_EQ(image.s.floatCount, 0u);
    EXPECT_EQ(image.s.byteCount, 0u);
    expectDefault(got);
  };
  for (uint32_t i = 0; i < ints; i += (ints - i < 100) ? 1 : 7) tryCut(i, floats, bytes);
  for (uint32_t f = 0; f < floats; f += (floats - f < 100) ? 1 : 31) tryCut(ints, f, bytes);
  for (uint32_t b = 0; b < bytes; ++b) tryCut(ints, floats, b);
  image.s.intSize = ints;
  image.s.floatSize = floats;
  image.s.byteSize = bytes;
}

TEST_F(JelRecordTest, CountsThatDisagreeAreRefused) {
  auto src = makeRecordJel();
  const int32_t n = src->nodeCount;
  struct Case {
    const char* what;
    RecordOptions o;
  };
  auto with = [](auto edit) {
    RecordOptions o;
    edit(o);
    return o;
  };
  const Case cases[] = {
      {"node count above the frame store's", with([n](RecordOptions& o) { o.nodeCount = n + 1; })},
      {"node count below the frame store's", with([n](RecordOptions& o) { o.nodeCount = n - 1; })},
      {"negative node count", with([](RecordOptions& o) { o.nodeCount = INT32_MIN + 1; })},
      {"frame store count", with([n](RecordOptions& o) { o.frameStoreCount = n + 2; })},
      {"third store count", with([](RecordOptions& o) { o.thirdAuxCount = 31; })},
      {"part masks", with([n](RecordOptions& o) { o.partCount = n - 1; })},
      {"node kinds", with([n](RecordOptions& o) { o.kindCount = n + 1; })},
      {"negative node kinds", with([](RecordOptions& o) { o.kindCount = 0x7fffffff; })},
      {"kept block above 64", with([](RecordOptions& o) { o.keptCount = 65; })},
      {"negative kept block", with([](RecordOptions& o) { o.keptCount = -1; })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes bytes = testRecord(*src, c.o);
    HObject got;
    const int rc = readInto(&got, bytes, bytes.size());
    EXPECT_TRUE(rc == kJelReadBadCount || rc == kJelReadTruncated) << rc;
    expectDefault(got);
  }
}

TEST_F(JelRecordTest, FrameStoresThatDoNotHoldTogetherAreRefused) {
  struct Case {
    const char* what;
    void (*damage)(HObject*);
  };
  const Case cases[] = {
      {"no frame store for the nodes",
       [](HObject* j) {
         GVFreeChanData(j->frameStore);
         j->frameStore = nullptr;
       }},
      {"matter channel missing", [](HObject* j) {
         ChanData* fs = GVNewChanData(j->nodeCount);
         GVAllocChannels(fs, kChanStateRec | kChanNodeRec, 0);
         GVAllocChannelFrame(fs, kChanStateRec | kChanNodeRec, 0);
         GVFreeChanData(j->frameStore);
         j->frameStore = fs;
       }},
      {"start slot without node records", [](HObject* j) { GVFreeChannelFrame(j->frameStore, kChanNodeRec, 0); }},
      {"channels out of step", [](HObject* j) {
         ChanData* fs = GVNewChanData(j->nodeCount);
         GVAllocChannels(fs, kChanStateRec, 3);
         GVAllocChannels(fs, kChanNodeRec | kChanMatter, 2);
         GVAllocChannelFrame(fs, kFrameStoreChannels, 0);
         GVFreeChanData(j->frameStore);
         j->frameStore = fs;
       }},
      {"more than 100 stored frames", [](HObject* j) { GVResizeChannels(j->frameStore, 101); }},
      {"a stored frame before frame 0", [](HObject* j) { GVChanSlot(j->frameStore, kChanNodeRec, 2)->frame = -60; }},
      {"position cache beyond its limit", [](HObject* j) { GVResizeChannels(j->posCache, 10002); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto src = makeRecordJel(1);
    c.damage(src.get());
    const Bytes bytes = recordBytes(*src);
    HObject got;
    EXPECT_EQ(readInto(&got, bytes, bytes.size()), kJelReadBadCount);
    expectDefault(got);
    Image image(*src);
    HObject fromImage;
    EXPECT_EQ(fromImage.readArrays(&image.s), kJelReadBadCount);
    expectDefault(fromImage);
  }
}

TEST_F(JelRecordTest, CellSizeThatIsNoLengthIsRefused) {
  for (float h : {0.0f, -0.5f, std::nanf(""), INFINITY}) {
    SCOPED_TRACE(h);
    auto src = makeRecordJel();
    src->cellSize = h;
    const Bytes bytes = recordBytes(*src);
    HObject got;
    EXPECT_EQ(readInto(&got, bytes, bytes.size()), kJelReadBadValue);
    expectDefault(got);
    Image image(*src);
    HObject fromImage;
    EXPECT_EQ(fromImage.readArrays(&image.s), kJelReadBadValue);
    expectDefault(fromImage);
  }
}

TEST_F(JelRecordTest, HugeNameLengthIsRefused) {
  auto src = makeRecordJel();
  Bytes bytes = recordBytes(*src);
  // Word 2 is the name's length in the newest version.
  bytes[8] = bytes[9] = bytes[10] = 0xff;
  bytes[11] = 0x7f;
  HObject got;
  EXPECT_EQ(readInto(&got, bytes, bytes.size()), kJelReadTruncated);
  expectDefault(got);
}

TEST_F(JelRecordTest, ImageCountsThatDisagreeAreRefused) {
  auto src = makeRecordJel();
  Image image(*src);
  const int32_t n = src->nodeCount;
  // Word 2 holds the name's length, then id, group mask, flags, node count.
  const uint32_t nodeWord = 3 + 3;
  struct Case {
    const char* what;
    uint32_t word;
    int32_t value;
  };
  const Case cases[] = {
      {"node count", nodeWord, n + 1},
      {"negative node count", nodeWord, -4},
      {"huge node count", nodeWord, kJelMaxNodes + 1},
      {"frame store count", nodeWord + 3, n - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int32_t saved = image.s.ints[c.word];
    image.s.ints[c.word] = c.value;
    image.s.intCount = image.s.floatCount = image.s.byteCount = 0;
    HObject got;
    EXPECT_EQ(got.readArrays(&image.s), kJelReadBadCount);
    EXPECT_EQ(image.s.intCount, 0u);
    expectDefault(got);
    image.s.ints[c.word] = saved;
  }
}

TEST_F(JelRecordTest, FactoriesGiveNullForDamageAndAJelOtherwise) {
  auto src = makeRecordJel();
  const Bytes bytes = recordBytes(*src);
  FILE* whole = fileOf(bytes, bytes.size());
  std::unique_ptr<HObject> jel(HObject::HObjectFromFile(whole));
  std::fclose(whole);
  ASSERT_NE(jel, nullptr);
  EXPECT_EQ(jel->id, src->id);
  FILE* cut = fileOf(bytes, bytes.size() / 2);
  EXPECT_EQ(HObject::HObjectFromFile(cut), nullptr);
  std::fclose(cut);
  EXPECT_EQ(HObject::HObjectFromFile(nullptr), nullptr);
  EXPECT_EQ(HObject::HObjectFromArrays(nullptr), nullptr);
}

TEST_F(JelRecordTest, ReadIntoAJelThatHoldsALatticeChangesNothing) {
  auto src = makeRecordJel();
  const Bytes bytes = recordBytes(*src);
  auto held = makeRecordJel();
  GVSetString(&held->name, "Kept");
  const Bytes before = recordBytes(*held);
  EXPECT_EQ(readInto(held.get(), bytes, bytes.size()), kJelReadNotEmpty);
  EXPECT_EQ(recordBytes(*held), before);
}

}  // namespace
