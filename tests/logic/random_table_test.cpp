#include "logic/random_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "logic/pose_tables.h"
#include "scene/scene_context.h"

TEST(RandomTable, RebuildsTheSameValuesAndRefusesOversizedTables) {
  RandomTable t{};
  EXPECT_EQ(GVBuildRandomTable(&t, 10001), 0);
  EXPECT_EQ(t.floats, nullptr);
  ASSERT_EQ(GVBuildRandomTable(&t, 500), 1);
  const std::vector<float> first(t.floats, t.floats + 500);
  for (float v : first) {
    EXPECT_GE(v, 0.0f);
    EXPECT_LE(v, 1.0f);
  }
  ASSERT_EQ(GVBuildRandomTable(&t, 500), 1);
  EXPECT_EQ(std::vector<float>(t.floats, t.floats + 500), first);
  EXPECT_EQ(GVRandomValue(&t, 503), first[3]);
  EXPECT_EQ(GVRandomValue(&t, -1), 0.0f);
  EXPECT_EQ(GVRandomPick(&t, -1, 10, 1), 0);
  EXPECT_EQ(GVRandomPick(&t, 3, 0, 1), 0);
  for (int32_t i = 0; i < 500; ++i) {
    const int32_t in = GVRandomPick(&t, i, 4, 1), ex = GVRandomPick(&t, i, 4, 0);
    EXPECT_TRUE(in >= 0 && in <= 4 && ex >= 1 && ex <= 4) << i;
  }
  EXPECT_EQ(GVBuildRandomTable(&t, 10000), 1);
  GVFreeRandomTable(&t);
  EXPECT_EQ(t.count, 0);
  EXPECT_EQ(t.floats, nullptr);
}

TEST(RandomTable, SharedTableIsBuiltOnFirstUseAndFreed) {
  GVFreeRandomTables();
  EXPECT_EQ(GVSharedRandomTable().count, 0);
  const float v = GVSharedRandomValue(1234);
  EXPECT_EQ(GVSharedRandomTable().count, kRandomTableDefault);
  RandomTable own{};
  GVBuildRandomTable(&own, kRandomTableDefault);
  EXPECT_EQ(v, GVRandomValue(&own, 234));
  GVFreeRandomTable(&own);
  GVFreeRandomTables();
  const RandomTable& t = GVSharedRandomTable();
  EXPECT_TRUE(t.mode == 0 && t.seed == 0 && t.divisor == 0 && t.count == 0 && !t.floats && !t.ints);
}

TEST(PoseTables, EntriesAndIndexRule) {
  SceneAuxRec* rec = GVNewSceneAuxRec();
  ASSERT_EQ(GVInitPoseTable(rec, 0.5f), 1);
  EXPECT_EQ(rec->tag, 9);
  EXPECT_EQ(rec->count, 12);
  float p[3];
  GVGetPose(rec, 0, 1.0f, p);  // top left of the grid
  EXPECT_EQ(std::vector<float>(p, p + 3), (std::vector<float>{0.5f, 0.5f, 1.0f}));
  GVGetPose(rec, 9 + 12, 0.5f, p);  // stretched across, index taken modulo
  EXPECT_EQ(std::vector<float>(p, p + 3), (std::vector<float>{1.5f, 1.0f, 1.0f}));
  GVGetPose(rec, -4, 1.0f, p);
  EXPECT_EQ(p[0], 0.5f);
  // The brow table replaces the talk table's entries.
  ASSERT_EQ(GVInitBrowTable(rec, -0.25f, 0.5f), 1);
  EXPECT_EQ(rec->kind, 20);
  EXPECT_EQ(rec->count, 29);
  GVGetBrowPose(rec, 1, 2.0f, p);
  EXPECT_EQ(std::vector<float>(p, p + 3), (std::vector<float>{1.0f, 0.0f, -1.0f}));
  GVGetBrowPose(rec, 6, 1.0f, p);
  EXPECT_EQ(std::vector<float>(p, p + 3), (std::vector<float>{-0.25f, 0.0f, 0.0f}));
  GVGetBrowPose(rec, 28, 1.0f, p);
  EXPECT_EQ(std::vector<float>(p, p + 3), (std::vector<float>{0.0f, 0.0f, 0.0f}));
  GVFreeSceneAuxRec(rec);
}
