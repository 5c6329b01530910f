#include "jel/vector_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "records/item_stream.h"

namespace {

const float kPi = 3.1415927f;

void ExpectVec(const float* got, float x, float y, float z, float tol = 1e-6f) {
  EXPECT_NEAR(got[0], x, tol);
  EXPECT_NEAR(got[1], y, tol);
  EXPECT_NEAR(got[2], z, tol);
}

void ExpectMat(const float* got, const float* want, float tol = 1e-6f) {
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(got[i], want[i], tol) << "element " << i;
}

TEST(VectorMath, NormaliseAndClampEdgeCases) {
  float out[3] = {9, 9, 9};
  const float zero[3] = {0, 0, 0};
  GVVecNormalise(zero, out);
  ExpectVec(out, 0, 0, 0);

  const float v[3] = {3, 4, 0};
  GVVecClampLength(v, out, 2.0f);
  ExpectVec(out, 1.2f, 1.6f, 0);
  GVVecClampLength(v, out, 10.0f);
  ExpectVec(out, 3, 4, 0);
  GVVecClampLength(v, out, 0.0f);
  ExpectVec(out, 0, 0, 0);

  const float ref[3] = {0, 0, 2};
  GVVecClampLengthTo(v, out, ref);
  EXPECT_NEAR(GVVecLength(out), 2.0f, 1e-6f);

  // In place.
  float w[3] = {0, 5, 0};
  GVVecNormalise(w, w);
  ExpectVec(w, 0, 1, 0);
}

TEST(VectorMath, OpposingPart) {
  const float a[3] = {1, 0, 0};
  const float against[3] = {-1, 0, 0};
  const float along[3] = {1, 0, 0};
  const float glancing[3] = {-0.25f, 1, 0};
  float out[3];
  GVVecOpposingPart(a, out, against);
  ExpectVec(out, -1, 0, 0);
  GVVecOpposingPart(a, out, along);
  ExpectVec(out, 0, 0, 0);
  // p = 0.25, |b|^2 = 1.0625: k = 0.5 / 1.0625.
  GVVecOpposingPart(a, out, glancing);
  const float k = 0.5f / 1.0625f;
  ExpectVec(out, -0.25f * k, k, 0);
}

TEST(VectorMath, NullCheckedVariantsTolerateNull) {
  float v[3] = {1, 2, 3};
  GVVec3Copy(nullptr, v);
  GVVec3Copy(v, nullptr);
  EXPECT_EQ(GVVec3AddTo(v, nullptr, v), v);
  ExpectVec(v, 1, 2, 3);
  float m[9];
  GVMat3Identity(m);
  GVMat3CopyChecked(nullptr, m);
  GVMat3Transpose(nullptr, m);
  GVMat3MulTo(m, nullptr, m);
  GVMat3ScaleRows(m, nullptr, m);
  GVRotationFromVector(v, nullptr);
  GVMat3FromRotVector(nullptr, m);
  EXPECT_EQ(GVMat3InvertChecked(nullptr, m), 0.0f);
  EXPECT_EQ(GVRotVectorFromMat3(m, nullptr), -1);
}

TEST(VectorMath, ColumnFormMapsAxesToTriples) {
  const float m[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const float axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int j = 0; j < 3; ++j) {
    float out[3];
    GVMat3MulVec(out, m, axes[j]);
    ExpectVec(out, m[3 * j], m[3 * j + 1], m[3 * j + 2]);
    // The row form is the transpose.
    GVMat3RowMulVec(out, m, axes[j]);
    ExpectVec(out, m[j], m[j + 3], m[j + 6]);
  }
}

TEST(VectorMath, ProductAppliesFirstThenSecond) {
  const float ra[3] = {0.3f, -0.2f, 0.9f};
  const float rb[3] = {-1.1f, 0.4f, 0.25f};
  float a[9], b[9], ab[9];
  GVRotationFromVector(ra, a);
  GVRotationFromVector(rb, b);
  const float stretch[3] = {2.0f, 1.0f, 0.5f};
  GVMat3MulDiag(b, b, stretch);
  GVMat3Mul(ab, a, b);
  const float p[3] = {0.7f, -1.3f, 2.2f};
  float step[3], twice[3], once[3];
  GVMat3MulVec(step, a, p);
  GVMat3MulVec(twice, b, step);
  GVMat3MulVec(once, ab, p);
  ExpectVec(once, twice[0], twice[1], twice[2], 1e-5f);

  // Product with the transpose of b, and aliasing of out with an input.
  float bt[9], expect[9];
  GVMat3Transpose(bt, b);
  GVMat3Mul(expect, a, bt);
  float got[9];
  GVMat3MulTransposed(got, a, b);
  ExpectMat(got, expect, 1e-6f);
  GVMat3MulTo(a, b, a);
  ExpectMat(a, ab, 1e-6f);
}

TEST(VectorMath, InverseRoundTripAndSingular) {
  const float m[9] = {2, 1, 0, -1, 3, 0.5f, 0.25f, 0, 4};
  float inv[9], det = -1;
  GVMat3Inverse(m, inv, &det);
  EXPECT_NEAR(det, GVMat3AbsDet(m), 1e-5f);
  float prod[9], id[9];
  GVMat3Mul(prod, m, inv);
  GVMat3Identity(id);
  ExpectMat(prod, id, 1e-5f);

  // Negative determinant: the abs-det form is the negated inverse.
  const float flip[9] = {0, 1, 0, 1, 0, 0, 0, 0, 1};
  float f1[9], f2[9], d2;
  GVMat3Inverse(flip, f1, nullptr);
  GVMat3InverseAbsDet(flip, &d2, f2);
  EXPECT_FLOAT_EQ(d2, 1.0f);
  for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(f2[i], -f1[i]);

  const float singular[9] = {1, 2, 3, 2, 4, 6, 0, 1, 1};
  float out[9];
  det = 7;
  GVMat3Inverse(singular, out, &det);
  for (float v : out) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(det, 0.0f);
  GVMat3UnitVolume(singular, out);
  for (float v : out) EXPECT_EQ(v, 0.0f);

  float copy[9];
  GVMat3Copy(copy, m);
  GVMat3InvertTo(copy, copy);  // in place
  ExpectMat(copy, inv, 1e-6f);
}

TEST(VectorMath, UnitVolume) {
  float two[9], out[9], id[9];
  GVMat3Identity(id);
  GVMat3Scale(two, id, 2.0f);
  GVMat3UnitVolume(two, out);
  ExpectMat(out, id, 1e-6f);
  const float m[9] = {3, 0, 1, 0, 0.5f, 0, -2, 0, 2};
  GVMat3UnitVolume(m, out);
  EXPECT_NEAR(GVMat3AbsDet(out), 1.0f, 1e-5f);
}

TEST(VectorMath, RotationQuarterTurnAboutZ) {
  const float r[3] = {0, 0, kPi / 2};
  float m[9];
  GVRotationFromVector(r, m);
  const float x[3] = {1, 0, 0};
  float out[3];
  GVMat3MulVec(out, m, x);
  ExpectVec(out, 0, 1, 0);

  float back[3];
  EXPECT_EQ(GVRotVectorFromMat3(m, back), 1);
  ExpectVec(back, 0, 0, kPi / 2, 1e-5f);

  float id[9];
  GVMat3Identity(id);
  EXPECT_EQ(GVRotVectorFromMat3(id, back), 0);
  ExpectVec(back, 0, 0, 0);

  const float half[9] = {-1, 0, 0, 0, -1, 0, 0, 0, 1};
  EXPECT_EQ(GVRotVectorFromMat3(half, back), 1);
  ExpectVec(back, 0, 0, 3.1415927f);

  const float zero[3] = {0, 0, 0};
  GVRotationFromVector(zero, m);
  ExpectMat(m, id);
}

TEST(VectorMath, RotationInvariantsOverManyVectors) {
  std::srand(7);
  for (int n = 0; n < 200; ++n) {
    float r[3];
    for (float& c : r) c = (std::rand() / float(RAND_MAX) - 0.5f) * 5.0f;  // angles up to ~4.3
    float m[9], mb[9];
    GVRotationFromVector(r, m);
    GVRotationFromVectorB(r, mb);
    ExpectMat(m, mb, 2e-6f);
    // Orthonormal with determinant +1.
    float mt[9], prod[9], id[9];
    GVMat3Transpose(mt, m);
    GVMat3Mul(prod, m, mt);
    GVMat3Identity(id);
    ExpectMat(prod, id, 1e-5f);
    EXPECT_NEAR(GVMat3AbsDet(m), 1.0f, 1e-5f);
    // The axis is fixed.
    float axisImage[3];
    GVMat3MulVec(axisImage, m, r);
    ExpectVec(axisImage, r[0], r[1], r[2], 1e-5f);
    // Back to a rotation vector giving the same matrix (angles above pi wrap).
    float back[3], again[9];
    GVRotVectorFromMat3(m, back);
    EXPECT_LE(GVVecLength(back), kPi + 1e-4f);
    GVRotationFromVector(back, again);
    ExpectMat(again, m, 2e-3f);
  }
}

TEST(VectorMath, MaskedProductsAndScales) {
  const float m[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const float v[3] = {2, 3, 4};
  float out[9];
  GVMat3MulDiag(out, m, v);
  const float want[9] = {2, 4, 6, 12, 15, 18, 28, 32, 36};
  ExpectMat(out, want);
  GVMat3ScaleRows(m, v, out);
  ExpectMat(out, want);
  float sum[9];
  GVMat3AddTo(m, want, sum);
  EXPECT_FLOAT_EQ(sum[8], 45.0f);
  float s[9];
  GVMat3Copy(s, m);
  GVMat3ScaleInPlace(s, -1.0f);
  EXPECT_FLOAT_EQ(s[4], -5.0f);
}

FrameParams Params(int frame, int fps, int stepping, int index, int count) {
  FrameParams p;
  p.currentFrame = frame;
  p.fps = fps;
  p.stepping = stepping;
  p.subStepIndex = index;
  p.subSteps = count;
  return p;
}

TEST(FrameTime, Queries) {
  FrameParams p = Params(10, 30, 0, 1, 1);
  EXPECT_FLOAT_EQ(GVFrameTime(&p), 0.33333334f);
  p = Params(10, 30, 1, 2, 4);
  EXPECT_FLOAT_EQ(GVFrameTime(&p), 10.5f / 30.0f);
  p = Params(10, 0, 1, 2, 4);
  EXPECT_EQ(GVFrameTime(&p), 0.0f);
  EXPECT_EQ(GVFrameIsTime(&p, 0.0f), 0);
  EXPECT_EQ(GVFrameTimeRangeState(&p, 0.0f, 1.0f), 0);

  // The index is counted only while stepping.
  p = Params(10, 30, 0, 2, 4);
  EXPECT_FLOAT_EQ(GVFrameTime(&p), 10.0f / 30.0f);

  int32_t index = -1, count = -1;
  p = Params(3, 30, 1, 2, 4);
  GVFrameGetSubstep(&p, &index, &count);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(count, 4);
  p.stepping = 0;
  GVFrameGetSubstep(&p, &index, nullptr);
  EXPECT_EQ(index, 4);
}

TEST(FrameTime, IsTimeWindowsTileTheTimeline) {
  // Over consecutive sub-steps each instant falls in exactly one window.
  const int fps = 30, count = 4;
  for (int k = 0; k < 40; ++k) {
    float t = k * (1.0f / 120.0f) + 0.003f;
    int hits = 0;
    for (int frame = 0; frame < 12; ++frame)
      for (int idx = 0; idx < count; ++idx) {
        FrameParams p = Params(frame, fps, 1, idx, count);
        hits += GVFrameIsTime(&p, t);
      }
    EXPECT_EQ(hits, 1) << "t = " << t;
  }
}

TEST(FrameTime, RangeState) {
  // Frame 10 at 30 fps, one sub-step: window [0.3333, 0.3667).
  FrameParams p = Params(10, 30, 0, 1, 1);
  struct Case {
    float a, b;
    int want;
  } cases[] = {
      {0.34f, 1.0f, 3},      // starts in this sub-step
      {0.1f, 0.35f, 6},      // ends in it
      {0.1f, 1.0f, 2},       // runs through it
      {0.1f, 0.2f, 0},       // already over
      {0.5f, 1.0f, 0},       // not yet begun
      {0.0f, 0.0f, 2},       // start 0 and end 0: open range
      {0.01f, 0.00001f, 2},  // an end below one window counts as open
      {0.1f, 0.00001f, 2},
  };
  for (const Case& c : cases) EXPECT_EQ(GVFrameTimeRangeState(&p, c.a, c.b), c.want) << c.a << " " << c.b;
  // An end at or below 0.00001 never gives 6, even in the first window.
  FrameParams first = Params(0, 30, 0, 1, 1);
  EXPECT_NE(GVFrameTimeRangeState(&first, 0.5f, 0.00001f), 6);
}

TEST(FrameParamsCopy, MaskSelectsWordsAndNeverTimeStep) {
  FrameParams src, dst;
  for (int w = 0; w < kFrameParamsWords; ++w) {
    GVFrameParamsSetWord(&src, w, 1000 + w);
    GVFrameParamsSetWord(&dst, w, 0);
  }
  src.timeStep = 0.25f;
  GVCopyFrameParams(&src, 0xffffffffu, &dst);
  for (int w = 0; w < kFrameParamsWords; ++w) {
    if (w == kFrameParamsTimeStepWord)
      EXPECT_EQ(dst.timeStep, 0.0f);
    else
      EXPECT_EQ(GVFrameParamsWord(&dst, w), 1000u + w) << "word " << w;
  }
  // One bit at a time moves exactly its word.
  for (int w = 0; w < kFrameParamsWords; ++w) {
    if (w == kFrameParamsTimeStepWord) continue;
    FrameParams d;
    for (int i = 0; i < kFrameParamsWords; ++i) GVFrameParamsSetWord(&d, i, 0);
    GVCopyFrameParams(&src, kFrameParamsMaskBits[w], &d);
    for (int i = 0; i < kFrameParamsWords; ++i)
      EXPECT_EQ(GVFrameParamsWord(&d, i), i == w ? 1000u + w : 0u) << "bit of word " << w << ", word " << i;
  }
  FrameParams d2;
  GVCopyFrameParams(&src, 0x10000, &d2);
  EXPECT_EQ(d2.loopLength, 1019);
}

TEST(FrameParamsImage, ReadTakesWordFourFromFloats) {
  int32_t ints[21];
  float floats[3] = {9, 0.125f, 9};
  ints[0] = -7;
  for (int i = 1; i < 21; ++i) ints[i] = 100 + i;
  uint32_t ii = 1, fi = 1;
  FrameParams p;
  EXPECT_EQ(GVReadFrameParamsImage(&ii, ints, &p, floats, &fi), 0);
  EXPECT_EQ(ii, 20u);
  EXPECT_EQ(fi, 2u);
  EXPECT_EQ(p.loopFlag, 101);
  EXPECT_EQ(p.stepping, 104);
  EXPECT_EQ(p.timeStep, 0.125f);
  EXPECT_EQ(p.fps, 105);
  EXPECT_EQ(p.loopLength, 119);

  int32_t outInts[21] = {};
  float outFloats[3] = {};
  uint32_t oi = 1, of = 1;
  GVWriteFrameParamsImage(&oi, outInts, &p, outFloats, &of);
  EXPECT_EQ(oi, 20u);
  EXPECT_EQ(of, 2u);
  for (int i = 1; i < 20; ++i) EXPECT_EQ(outInts[i], ints[i]);
  EXPECT_EQ(outFloats[1], 0.125f);
}

TEST(StreamArrays, Mat3PutGetAndNullArray) {
  float arr[20] = {};
  const float m[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  uint32_t idx = 2;
  GVStreamPutMat3(&idx, m, arr);
  EXPECT_EQ(idx, 11u);
  EXPECT_EQ(arr[2], 1.0f);
  EXPECT_EQ(arr[10], 9.0f);
  GVStreamPutMat3(&idx, m, nullptr);
  EXPECT_EQ(idx, 11u);
  float back[9];
  idx = 2;
  GVStreamGetMat3(&idx, back, arr);
  EXPECT_EQ(idx, 11u);
  ExpectMat(back, m, 0);
  GVStreamGetMat3(&idx, back, nullptr);
  EXPECT_EQ(idx, 11u);
}

TEST(StreamArrays, BoundsItemOrderAndRoom) {
  ItemStream s;
  s.floatCount = 7;
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  s.floatCount = 1;
  const float bounds[6] = {-12, 12, 0, 24, -12, 12};
  EXPECT_EQ(GVPutBoundsItem(&s, bounds), 1);
  EXPECT_EQ(s.floatCount, 7u);
  const float want[6] = {-12, 0, -12, 12, 24, 12};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(s.floats[1 + i], want[i]);
  // No room for a second block: nothing put.
  EXPECT_EQ(GVPutBoundsItem(&s, bounds), 0);
  EXPECT_EQ(s.floatCount, 7u);

  s.floatCount = 1;
  float back[6] = {};
  EXPECT_EQ(GVGetBoundsItem(&s, back), 1);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(back[i], bounds[i]);
  EXPECT_EQ(GVGetBoundsItem(&s, back), 0);
  GVItemStreamReset(&s);
  EXPECT_EQ(GVGetBoundsItem(&s, back), 0);
}

TEST(SmallInt, Parse) {
  struct Case {
    const char* text;
    int want;
  } cases[] = {{"7", 7}, {"42", 42}, {"123", 0}, {"4x", 0}, {"x4", 0}, {"", 0}, {nullptr, 0}, {"x", 0}, {"09", 9}};
  for (const Case& c : cases) EXPECT_EQ(GVParseSmallInt(c.text), c.want) << (c.text ? c.text : "(null)");
  EXPECT_EQ(GVDigitValue('0'), 0);
  EXPECT_EQ(GVDigitValue('9'), 9);
  EXPECT_EQ(GVDigitValue('a'), -1);
  EXPECT_EQ(GVDigitValue('/'), -1);
}

}  // namespace
