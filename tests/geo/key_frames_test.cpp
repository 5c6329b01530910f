#include "geo/key_frames.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geo/key_interp.h"

namespace {

// A track of keys on the value and translation channels: (frame, value, x).
struct Key {
  int frame;
  double value;
  float x;
};

class Track {
 public:
  explicit Track(uint32_t flags = KEY_CHAN_VALUE | KEY_CHAN_TRANSLATION) {
    GVKeyTrackInit(&t);
    t.flags = flags;
  }
  ~Track() { GVTruncKeyTrack(INT32_MIN, &t); }
  KeyFrame* add(const Key& k) {
    KeyFrame* key = GVKeyTrackInsertAfter(&t, GVKeyTrackLastKey(&t));
    GVKeyFrameAllocBlocks(key, t.flags);
    key->frame = k.frame;
    key->value = k.value;
    if (key->translation) key->translation[0] = k.x;
    return key;
  }
  double value(double time) {
    double v = -1;
    EXPECT_EQ(GVEvalKeyTrack(&t, &v, nullptr, nullptr, nullptr, time), 1);
    return v;
  }
  KeyTrack t;
};

TEST(KeyTrack, SingleKeyHoldsEverywhereAndClampsTheCache) {
  Track tr;
  tr.add({5, 2.5, 1.0f});
  GVKeyTrackRebuild(&tr.t);
  for (double time : {-10.0, 5.0, 100.0}) EXPECT_DOUBLE_EQ(tr.value(time), 2.5);
  EXPECT_DOUBLE_EQ(tr.t.evalTime, 5.0);  // the last evaluation was clamped to the key
  Track empty;
  double v;
  EXPECT_EQ(GVEvalKeyTrack(&empty.t, &v, nullptr, nullptr, nullptr, 1.0), 0);
}

TEST(KeyTrack, EvaluationCacheWindow) {
  Track tr;
  tr.add({0, 0.0, 0});
  KeyFrame* last = tr.add({10, 10.0, 0});
  GVKeyTrackRebuild(&tr.t);
  EXPECT_DOUBLE_EQ(tr.value(4.0), 4.0);
  last->value = 20.0;  // changed behind the track's back: only a fresh evaluation sees it
  EXPECT_DOUBLE_EQ(tr.value(4.0005), 4.0);
  EXPECT_NEAR(tr.value(4.002), 8.004, 1e-9);
}

TEST(KeyTrack, TwoKeysInterpolateStraightWithoutControlKeys) {
  Track tr(KEY_CHAN_VALUE | KEY_CHAN_TRANSLATION | KEY_CHAN_ROTATION);
  KeyFrame* a = tr.add({0, 1.0, 0.0f});
  KeyFrame* b = tr.add({10, 3.0, 5.0f});
  a->quat[0] = 1.0;
  b->quat[0] = std::cos(0.5);
  b->quat[3] = std::sin(0.5);  // one radian about z
  GVKeyTrackRebuild(&tr.t);
  EXPECT_EQ(a->inKey, nullptr);
  EXPECT_EQ(b->outKey, nullptr);
  double v;
  float tr3[3], m[9];
  ASSERT_EQ(GVEvalKeyTrack(&tr.t, &v, tr3, m, nullptr, 2.5), 1);
  EXPECT_DOUBLE_EQ(v, 1.5);
  EXPECT_FLOAT_EQ(tr3[0], 1.25f);
  EXPECT_NEAR(std::atan2(m[1], m[0]), 0.25, 1e-6);
}

TEST(KeyTrack, ControlKeyWeightsFollowTheNeighbours) {
  Track tr;
  tr.add({0, 0.0, 0});
  KeyFrame* mid = tr.add({10, 10.0, 0});
  tr.add({20, 0.0, 0});
  GVKeyTrackRebuild(&tr.t);
  ASSERT_NE(mid->inKey, nullptr);
  // a = ((2·10 − 0) + 0)/2 = 10; out = 10 + (10 − 10)·0.5; in = 10 likewise.
  EXPECT_DOUBLE_EQ(mid->outKey->value, 10.0);
  EXPECT_DOUBLE_EQ(mid->inKey->value, 10.0);

  Track four;
  four.add({0, 0.0, 0});
  KeyFrame* k1 = four.add({10, 10.0, 0});
  KeyFrame* k2 = four.add({20, 30.0, 0});
  four.add({30, 30.0, 0});
  GVKeyTrackRebuild(&four.t);
  // k1: P has no previous key (w_in 0.5), N has a next key (w_out 0.6667).
  double a = ((2 * 10.0 - 0.0) + 30.0) * 0.5;  // 25
  double in = 2 * 10.0 - a;                     // −5
  EXPECT_NEAR(k1->inKey->value, in + (10.0 - in) * 0.5, 1e-6);
  EXPECT_NEAR(k1->outKey->value, a + (10.0 - a) * 0.6667f, 1e-6);
  // k2: P has a previous key (w_in 0.6667), N has none (w_out 0.5).
  a = ((2 * 30.0 - 10.0) + 30.0) * 0.5;  // 40
  in = 2 * 30.0 - a;                     // 20
  EXPECT_NEAR(k2->inKey->value, in + (30.0 - in) * 0.6667f, 1e-6);
  EXPECT_NEAR(k2->outKey->value, a + (30.0 - a) * 0.5, 1e-6);
  // The curve passes through every key and is continuous across them.
  EXPECT_NEAR(four.value(10.0), 10.0, 1e-9);
  EXPECT_NEAR(four.value(9.999), four.value(10.001), 0.05);
  EXPECT_NEAR(four.value(20.0), 30.0, 1e-9);
}

// Keys turning steadily about one axis: the control quaternions must turn about
// the same axis, otherwise the interpolated rotation would wobble off it.
TEST(KeyTrack, RotationControlKeysStayOnTheTurningAxis) {
  KeyTrack t;
  GVKeyTrackInit(&t);
  for (int i = 0; i < 4; ++i) {
    float r[3] = {0, 0, 0.4f * i};
    ASSERT_NE(GVKeyTrackSetKey(10 * i, &t, 0, nullptr, r, nullptr), nullptr);
  }
  for (KeyFrame* k = t.firstKey; k; k = k->next)
    for (KeyFrame* c : {k->inKey, k->outKey})
      if (c) {
        EXPECT_NEAR(c->quat[1], 0.0, 1e-9);
        EXPECT_NEAR(c->quat[2], 0.0, 1e-9);
      }
  for (double time : {3.0, 15.0, 27.0}) {
    float m[9];
    ASSERT_EQ(GVEvalKeyTrack(&t, nullptr, nullptr, m, nullptr, time), 1);
    EXPECT_NEAR(m[8], 1.0f, 1e-6);                             // z stays put
    EXPECT_NEAR(std::atan2(m[1], m[0]), 0.04 * time, 2e-3);  // steady turn
  }
  GVTruncKeyTrack(0, &t);
  EXPECT_EQ(t.firstKey, nullptr);
}

TEST(KeyTrack, ListOperations) {
  Track tr;
  KeyFrame* a = tr.add({0, 1, 0});
  KeyFrame* c = tr.add({20, 3, 0});
  EXPECT_EQ(GVKeyTrackInsertAfter(&tr.t, nullptr), nullptr);  // not empty
  KeyFrame* b = GVKeyTrackInsertBefore(&tr.t, c);
  b->frame = 10;
  EXPECT_EQ(a->next, b);
  EXPECT_EQ(c->prev, b);
  KeyFrame* first = GVKeyTrackInsertBefore(&tr.t, a);
  EXPECT_EQ(tr.t.firstKey, first);
  GVKeyTrackRemoveKey(first, &tr.t);
  EXPECT_EQ(tr.t.firstKey, a);
  EXPECT_EQ(a->prev, nullptr);

  // Find-or-insert: an existing frame comes back reset, the flags become 14.
  a->translation[0] = 9.0f;
  KeyFrame* again = GVKeyTrackFindOrInsert(&tr.t, 0);
  EXPECT_EQ(again, a);
  EXPECT_EQ(tr.t.flags, 14u);
  EXPECT_EQ(a->translation[0], 0.0f);
  EXPECT_EQ(a->scale[0], 1.0f);
  EXPECT_EQ(a->rotation[2], 0.0f);
  KeyFrame* mid = GVKeyTrackFindOrInsert(&tr.t, 15);
  EXPECT_EQ(mid->prev, b);
  EXPECT_EQ(mid->next, c);
  KeyFrame* before = GVKeyTrackFindOrInsert(&tr.t, -5);
  EXPECT_EQ(tr.t.firstKey, before);
  EXPECT_EQ(GVKeyTrackKeyCount(&tr.t), 5);

  tr.value(3.0);
  GVTruncKeyTrack(100, &tr.t);  // nothing removed, still rebuilt
  EXPECT_EQ(GVKeyTrackKeyCount(&tr.t), 5);
  EXPECT_EQ(tr.t.evalTime, -99.0);
  GVTruncKeyTrack(15, &tr.t);
  EXPECT_EQ(GVKeyTrackKeyCount(&tr.t), 3);
  EXPECT_EQ(GVKeyTrackLastKey(&tr.t), b);
  EXPECT_EQ(b->next, nullptr);
}

TEST(KeyTrack, SegmentSearchCodes) {
  Track tr;
  tr.add({0, 0, 0});
  tr.add({10, 0, 0});
  int code;
  EXPECT_EQ(GVFindKeySegment(&tr.t, -1, &code)->frame, 0);
  EXPECT_EQ(code, KEY_SEG_BEFORE);
  EXPECT_EQ(GVFindKeySegment(&tr.t, 0.00005, &code)->frame, 0);
  EXPECT_EQ(code, KEY_SEG_ON_KEY);
  EXPECT_EQ(GVFindKeySegment(&tr.t, 5, &code)->frame, 0);
  EXPECT_EQ(code, KEY_SEG_INSIDE);
  EXPECT_EQ(GVFindKeySegment(&tr.t, 10, &code)->frame, 10);
  EXPECT_EQ(code, KEY_SEG_ON_KEY);
  EXPECT_EQ(GVFindKeySegment(&tr.t, 11, &code)->frame, 10);
  EXPECT_EQ(code, KEY_SEG_AFTER);
  Track empty;
  EXPECT_EQ(GVFindKeySegment(&empty.t, 3, &code), nullptr);
  EXPECT_EQ(code, KEY_SEG_NONE);
}

// On a key the matrix comes from its angles, between keys from the quaternions.
TEST(KeyTrack, OnKeyMatrixComesFromTheAngles) {
  Track tr(KEY_CHAN_ROTATION);
  KeyFrame* a = tr.add({0, 0, 0});
  KeyFrame* b = tr.add({10, 0, 0});
  a->rotation[2] = 0.5f;  // the quaternions say identity
  a->quat[0] = b->quat[0] = 1.0;
  GVKeyTrackRebuild(&tr.t);
  float m[9];
  GVEvalKeyTrack(&tr.t, nullptr, nullptr, m, nullptr, 0.0);
  EXPECT_NEAR(std::atan2(m[1], m[0]), 0.5, 1e-6);
  GVEvalKeyTrack(&tr.t, nullptr, nullptr, m, nullptr, 5.0);
  EXPECT_NEAR(m[0], 1.0f, 1e-6);
}

TEST(KeyTrack, CopiesAreDeepAndShiftMovesControlKeys) {
  Track src;
  src.add({0, 0, 1});
  src.add({10, 0, 2});
  src.add({20, 0, 4});
  GVKeyTrackRebuild(&src.t);
  Track dst;
  dst.add({99, 0, 0});
  ASSERT_EQ(GVKeyTrackCopy(&dst.t, &src.t), 1);
  ASSERT_EQ(GVKeyTrackKeyCount(&dst.t), 3);
  KeyFrame* mid = dst.t.firstKey->next;
  EXPECT_NE(mid, src.t.firstKey->next);
  EXPECT_NE(mid->translation, src.t.firstKey->next->translation);
  ASSERT_NE(mid->outKey, nullptr);
  float outBefore = mid->outKey->translation[0];
  float shift[3] = {1, 0, 0};
  GVKeyFrameShiftOrigin(mid, shift);  // no rotation, unit scale: a plain offset
  EXPECT_FLOAT_EQ(mid->translation[0], 3.0f);
  EXPECT_FLOAT_EQ(mid->outKey->translation[0], outBefore + 1.0f);
  EXPECT_FLOAT_EQ(src.t.firstKey->next->translation[0], 2.0f);
}

}  // namespace
