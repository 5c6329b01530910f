#include "jel/matter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

TEST(Matter, DefaultsInFieldOrder) {
  const float want[kMatterFields] = {1, 1, 1, 1, 1, 1, 0.35f, 0, 0, 0, 0, 1};
  MatterProps fresh;
  float got[kMatterFields];
  GVMatterToFloats(&fresh, got);
  for (int f = 0; f < kMatterFields; ++f) {
    EXPECT_EQ(got[f], want[f]) << "field " << f;
    EXPECT_EQ(GVMatterFieldInfo(f).defaultValue, want[f]) << "field " << f;
  }
  MatterProps edited;
  edited.density = 7;
  edited.forceY = -3;
  GVSetMatterDefaults(&edited);
  GVMatterToFloats(&edited, got);
  for (int f = 0; f < kMatterFields; ++f) EXPECT_EQ(got[f], want[f]);
}

TEST(Matter, MaskBitsAreDistinctAndLabelled) {
  const uint32_t order[kMatterFields] = {8, 2, 4, 64, 16, 128, 32, 256, 512, 1024, 2048, 4096};
  std::set<uint32_t> seen;
  uint32_t all = 0;
  for (int f = 0; f < kMatterFields; ++f) {
    EXPECT_EQ(GVMatterFieldInfo(f).maskBit, order[f]);
    seen.insert(order[f]);
    all |= order[f];
  }
  EXPECT_EQ(seen.size(), size_t(kMatterFields));
  EXPECT_EQ(all, uint32_t(kMatterAllFields));
  EXPECT_STREQ(GVMatterFieldInfo(0).label, "F-Ratio");
  EXPECT_STREQ(GVMatterFieldInfo(6).logicKeyword, "HINCOMP");
  EXPECT_STREQ(GVMatterFieldInfo(11).label, "FlatZ");
}

TEST(Matter, FloatsRoundTrip) {
  float in[kMatterFields];
  for (int f = 0; f < kMatterFields; ++f) in[f] = 0.5f + f;
  MatterProps m;
  GVMatterFromFloats(&m, in);
  EXPECT_EQ(m.elasticity, 4.5f);
  EXPECT_EQ(m.flatZ, 11.5f);
  float out[kMatterFields];
  GVMatterToFloats(&m, out);
  for (int f = 0; f < kMatterFields; ++f) {
    EXPECT_EQ(out[f], in[f]);
    EXPECT_EQ(GVMatterField(&m, f), in[f]);
  }
  GVMatterSetField(&m, 7, 0.25f);
  EXPECT_EQ(m.friction, 0.25f);
}

TEST(Matter, MaskedCopyTouchesOnlySelectedFields) {
  for (int f = 0; f < kMatterFields; ++f) {
    MatterProps src, dst;
    float vals[kMatterFields];
    for (int i = 0; i < kMatterFields; ++i) vals[i] = 100.0f + i;
    GVMatterFromFloats(&src, vals);
    GVCopyMatterMasked(&src, GVMatterFieldInfo(f).maskBit, &dst);
    MatterProps defaults;
    for (int i = 0; i < kMatterFields; ++i)
      EXPECT_EQ(GVMatterField(&dst, i), i == f ? vals[i] : GVMatterField(&defaults, i))
          << "mask of field " << f << ", field " << i;
  }
}

TEST(Matter, ClampTable) {
  struct Case {
    uint32_t mask;
    int field;
    float in, want;
  } cases[] = {
      {kMatterDensity, 3, 0.001f, 0.01f},  {kMatterDensity, 3, 5000, 1000},
      {kMatterDensity, 3, 0.01f, 0.01f},   {kMatterDensity, 3, 1000, 1000},
      {kMatterBulge, 6, 2.5f, 2},          {kMatterBulge, 6, -0.1f, 0},
      {kMatterFRatio, 0, 0.5f, 1},         {kMatterFRatio, 0, 2000, 1000},
      {kMatterElasticity, 4, 101, 100},    {kMatterDamping, 5, -1, 0},
      {kMatterFriction, 7, 1.5f, 1},       {kMatterFlatZ, 11, -2, 0},
      {kMatterAllFields, 1, -3, -3},       {kMatterAllFields, 9, 1e6f, 1e6f},
      {0, 3, 0.001f, 0.001f},              {kMatterElasticity, 3, 0.001f, 0.001f},
  };
  for (const Case& c : cases) {
    MatterProps m;
    GVMatterSetField(&m, c.field, c.in);
    GVClampMatter(&m, c.mask);
    EXPECT_EQ(GVMatterField(&m, c.field), c.want) << "mask " << c.mask << " field " << c.field << " in " << c.in;
  }
  GVClampMatter(nullptr, kMatterAllFields);
}

TEST(Matter, SubSteps) {
  MatterProps m;
  EXPECT_EQ(GVMatterSubSteps(&m, 1.0f), 1.0f);
  m.elasticity = 10;
  EXPECT_EQ(GVMatterSubSteps(&m, 1.0f), 10.0f);
  m.bulge = 1.5f;
  EXPECT_EQ(GVMatterSubSteps(&m, 1.0f), 15.0f);
  EXPECT_EQ(GVMatterSubSteps(&m, 0.005f), -1.0f);
  EXPECT_EQ(GVMatterSubSteps(&m, 150.0f), -1.0f);
  EXPECT_GT(GVMatterSubSteps(&m, 0.01f), 0.0f);
  EXPECT_GT(GVMatterSubSteps(&m, 100.0f), 0.0f);
  // Damping can dominate.
  MatterProps d;
  d.damping = 7.5f;
  EXPECT_EQ(GVMatterSubSteps(&d, 1.0f), 8.0f);
}

TEST(Matter, LimitsAreTheInverseOfSubSteps) {
  MatterProps m;
  float e = -1, d = -1;
  GVMatterLimitsForSubSteps(&e, &d, &m, 10, 1.0f);
  EXPECT_FLOAT_EQ(d, 10.0f);
  EXPECT_FLOAT_EQ(e, 10.0f);
  m.bulge = 1.2f;
  GVMatterLimitsForSubSteps(&e, &d, &m, 10, 1.0f);
  EXPECT_FLOAT_EQ(e, 7.071068f);

  // A record at its limits needs no more than n sub-steps, over scales and bulges.
  const float scales[] = {0.01f, 0.3f, 1.0f, 2.5f, 7.0f, 100.0f};
  const float bulges[] = {0.0f, 0.35f, 1.0f, 1.01f, 2.0f};
  for (int n = 1; n <= 1000; n += (n < 40 ? 1 : 97))
    for (float s : scales)
      for (float b : bulges) {
        MatterProps r;
        r.bulge = b;
        r.scaleL = 1.5f;
        r.scaleT = 0.8f;
        GVMatterLimitsForSubSteps(&r.elasticity, &r.damping, &r, n, s);
        EXPECT_LE(GVMatterSubSteps(&r, s), float(n))
            << "n " << n << " s " << s << " bulge " << b;
      }

  // Refusals write nothing.
  float e2 = 5, d2 = 6;
  GVMatterLimitsForSubSteps(&e2, &d2, &m, 0, 1.0f);
  GVMatterLimitsForSubSteps(&e2, &d2, &m, 10, 0.001f);
  MatterProps tiny;
  tiny.scaleL = 0.001f;
  GVMatterLimitsForSubSteps(&e2, &d2, &tiny, 10, 1.0f);
  MatterProps noTime;
  noTime.scaleT = 0.0f;
  GVMatterLimitsForSubSteps(&e2, &d2, &noTime, 10, 1.0f);
  GVMatterLimitsForSubSteps(nullptr, &d2, &m, 10, 1.0f);
  EXPECT_EQ(e2, 5.0f);
  EXPECT_EQ(d2, 6.0f);
}

TEST(Matter, ElementInitialisersAndWorkBlock) {
  float face[4] = {1, 2, 3, 4};
  GVInitVec4Zero(face);
  for (float v : face) EXPECT_EQ(v, 0.0f);
  int32_t cell[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  GVInitBlock32Zero(cell);
  for (int32_t v : cell) EXPECT_EQ(v, 0);

  GlobalWorkBlock* b = GVGlobalWorkBlock();
  b->words[13] = 5;
  b->floats[5] = 2.0f;
  EXPECT_EQ(GVInitGlobalBlock(), 0);
  for (int32_t w : b->words) EXPECT_EQ(w, 0);
  for (float f : b->floats) EXPECT_EQ(f, 0.0f);
}

}  // namespace
