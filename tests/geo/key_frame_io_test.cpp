#include "geo/key_frame_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "geo/key_frames.h"
#include "geo/key_interp.h"
#include "records/binary_file.h"
#include "records/item_stream.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes fileBytes(FILE* f) {
  std::rewind(f);
  Bytes out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back((unsigned char)c);
  return out;
}

FILE* fileWith(const Bytes& b) {
  FILE* f = std::tmpfile();
  if (!b.empty()) std::fwrite(b.data(), 1, b.size(), f);
  std::rewind(f);
  return f;
}

// Three keys with every channel, so that the middle key carries control keys.
void makeTrack(KeyTrack* t) {
  GVKeyTrackInit(t);
  for (int i = 0; i < 3; ++i) {
    float tr[3] = {float(i), 2.0f * i, -1.0f}, rot[3] = {0.1f * i, 0.2f, -0.3f * i},
          sc[3] = {1.0f + i, 1, 1};
    GVKeyTrackSetKey(10 * i, t, 0, tr, rot, sc);
  }
  t->flags |= KEY_CHAN_VALUE;
  t->firstKey->value = 4.5;
  t->firstKey->keyTime = 1.25;
  t->firstKey->keyWord = 7;
  GVKeyTrackRebuild(t);
}

Bytes writeTrackFile(const KeyTrack* t) {
  FILE* f = std::tmpfile();
  EXPECT_EQ(GVWriteKeyTrack(t, f), 1);
  Bytes b = fileBytes(f);
  std::fclose(f);
  return b;
}

TEST(KeyFrameFile, TrackWriteReadWriteIsByteIdentical) {
  KeyTrack t;
  makeTrack(&t);
  Bytes first = writeTrackFile(&t);

  KeyTrack back;
  GVKeyTrackInit(&back);
  FILE* f = fileWith(first);
  ASSERT_EQ(GVReadKeyTrack(&back, f), 1);
  std::fclose(f);
  ASSERT_EQ(GVKeyTrackKeyCount(&back), 3);
  EXPECT_EQ(back.flags, t.flags);
  EXPECT_EQ(back.evalTime, -99.0);
  const KeyFrame* k = back.firstKey;
  EXPECT_EQ(k->value, 4.5);
  EXPECT_EQ(k->keyTime, 1.25);
  EXPECT_EQ(k->keyWord, 7);
  EXPECT_NE(k->next->inKey, nullptr);
  EXPECT_FLOAT_EQ(k->next->next->scale[0], 3.0f);

  // The track's own image (cache and all) is rewritten as read; the rebuild after
  // reading only resets the evaluation time.
  back.evalTime = t.evalTime;
  EXPECT_EQ(writeTrackFile(&back), first);

  double v1, v2;
  float m1[9], m2[9];
  GVEvalKeyTrack(&t, &v1, nullptr, m1, nullptr, 13.0);
  GVEvalKeyTrack(&back, &v2, nullptr, m2, nullptr, 13.0);
  EXPECT_EQ(v1, v2);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(m1[i], m2[i]);
  GVTruncKeyTrack(INT32_MIN, &t);
  GVTruncKeyTrack(INT32_MIN, &back);
}

TEST(KeyFrameFile, KeyWithoutBlocksAndAnyIgnoredWords) {
  FILE* f = std::tmpfile();
  GVFileWriteF64(f, 2.0);
  GVFileWriteI32(f, 12);
  GVFileWriteI32(f, 3);
  GVFileWriteF64(f, 0.5);
  for (int i = 0; i < 8; ++i) GVFileWriteU32(f, 0xdeadbeefu);
  for (int i = 0; i < 6; ++i) GVFileWriteU32(f, 0);
  GVFileWriteU32(f, 0x12345678u);
  std::rewind(f);
  KeyFrame k;
  GVInitKeyFrame(&k);
  ASSERT_EQ(GVReadKeyFrame(&k, f), 1);
  EXPECT_EQ(k.frame, 12);
  EXPECT_EQ(k.value, 0.5);
  EXPECT_EQ(k.translation, nullptr);
  EXPECT_EQ(k.quat, nullptr);
  EXPECT_EQ(k.inKey, nullptr);
  EXPECT_EQ(GVFileRemaining(f), 0);
  std::fclose(f);
}

// Every cut of a valid file is refused, and the track keeps what it held.
TEST(KeyFrameFile, TruncatedOrOverstatedRecordsAreRefused) {
  KeyTrack t;
  makeTrack(&t);
  Bytes good = writeTrackFile(&t);
  GVTruncKeyTrack(INT32_MIN, &t);

  KeyTrack target;
  GVKeyTrackInit(&target);
  float r[3] = {0, 0, 0};
  GVKeyTrackSetKey(77, &target, 0, r, r, nullptr);
  for (size_t cut = 0; cut < good.size(); cut += 3) {
    Bytes part(good.begin(), good.begin() + cut);
    FILE* f = fileWith(part);
    EXPECT_EQ(GVReadKeyTrack(&target, f), 0) << "cut at " << cut;
    std::fclose(f);
    ASSERT_EQ(GVKeyTrackKeyCount(&target), 1);
    EXPECT_EQ(target.firstKey->frame, 77);
  }
  // A key count far beyond the file.
  Bytes big = good;
  big[96] = 0xff;
  big[97] = 0xff;
  big[98] = 0xff;
  big[99] = 0x7f;
  FILE* f = fileWith(big);
  EXPECT_EQ(GVReadKeyTrack(&target, f), 0);
  std::fclose(f);
  EXPECT_EQ(GVKeyTrackKeyCount(&target), 1);
  GVTruncKeyTrack(INT32_MIN, &target);
}

TEST(KeyFrameFile, ControlKeysNestedWithoutEndAreRefused) {
  FILE* f = std::tmpfile();
  for (int depth = 0; depth < 40; ++depth) {
    GVFileWriteF64(f, 0);
    GVFileWriteI32(f, depth);
    GVFileWriteI32(f, 0);
    GVFileWriteF64(f, 0);
    for (int i = 0; i < 8; ++i) GVFileWriteU32(f, 0);
    for (int i = 0; i < 4; ++i) GVFileWriteU32(f, 0);
    GVFileWriteU32(f, 1);  // an inKey follows, again and again
  }
  std::rewind(f);
  KeyFrame k;
  GVInitKeyFrame(&k);
  EXPECT_EQ(GVReadKeyFrame(&k, f), 0);
  GVFreeKeyFrameParts(&k);
  std::fclose(f);
}

// Counting pass, allocation, filling pass, parse: the same values, and a second
// image equal to the first.
struct Image {
  ItemStream s;
  explicit Image(const KeyTrack* t) {
    EXPECT_EQ(GVPutKeyTrack(&s, t), 1);
    EXPECT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
    s.byteCount = s.intCount = s.floatCount = s.itemCount = 0;
    EXPECT_EQ(GVPutKeyTrack(&s, t), 1);
  }
  ~Image() { GVItemStreamReset(&s); }
  void rewind() { s.byteCount = s.intCount = s.floatCount = s.itemCount = 0; }
};

TEST(KeyFrameImage, PutGetPutGivesTheSameImage) {
  KeyTrack t;
  makeTrack(&t);
  Image a(&t);
  uint32_t ints = a.s.intCount, floats = a.s.floatCount, items = a.s.itemCount;
  EXPECT_EQ(ints, a.s.intSize);
  a.rewind();
  KeyTrack back;
  GVKeyTrackInit(&back);
  ASSERT_EQ(GVGetKeyTrack(&back, &a.s), 1);
  EXPECT_EQ(a.s.intCount, ints);
  EXPECT_EQ(a.s.floatCount, floats);
  EXPECT_EQ(a.s.itemCount, items);
  back.evalTime = t.evalTime;
  Image b(&back);
  ASSERT_EQ(b.s.intSize, ints);
  for (uint32_t i = 0; i < ints; ++i) EXPECT_EQ(a.s.ints[i], b.s.ints[i]) << i;
  for (uint32_t i = 0; i < floats; ++i) EXPECT_EQ(a.s.floats[i], b.s.floats[i]) << i;
  for (uint32_t i = 0; i < items; ++i) EXPECT_EQ(a.s.items[i], b.s.items[i]) << i;
  GVTruncKeyTrack(INT32_MIN, &t);
  GVTruncKeyTrack(INT32_MIN, &back);
}

TEST(KeyFrameImage, ShortArraysAreRefused) {
  KeyTrack t;
  makeTrack(&t);
  Image a(&t);
  KeyTrack back;
  GVKeyTrackInit(&back);
  // Pretend the file held fewer ints than the track needs.
  for (uint32_t keep : {0u, 3u, a.s.intSize / 2, a.s.intSize - 1}) {
    uint32_t full = a.s.intSize;
    a.s.intSize = keep;
    a.rewind();
    EXPECT_EQ(GVGetKeyTrack(&back, &a.s), 0) << keep;
    EXPECT_EQ(back.firstKey, nullptr);
    a.s.intSize = full;
  }
  // A negative key count.
  a.rewind();
  a.s.ints[2] = -1;
  EXPECT_EQ(GVGetKeyTrack(&back, &a.s), 0);
  GVTruncKeyTrack(INT32_MIN, &t);
}

}  // namespace
