#include "scene/light_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "stream_file.h"

using scenetest::Bytes;

namespace {

struct List {
  LightList l{};
  List() { GVNewLightList(&l); }
  ~List() { GVFreeLightListArray(&l); }
  const char* name(int i) { return GVGetLight(i, &l)->name; }
};

Bytes WriteLights(const LightList& l) {
  return scenetest::WriteBlock([&](ItemStream* s) { GVCountLightsItem(s, &l); },
                               [&](ItemStream* s) { return GVPutLightsItem(s, &l); });
}
int ReadLights(const Bytes& file, LightList* l) {
  ItemStream s;
  EXPECT_TRUE(scenetest::ReadBlock(file, &s));
  const int r = GVGetLightsItem(&s, l);
  GVItemStreamReset(&s);
  return r;
}
Bytes TaggedBytes(const LightList& l) {
  return scenetest::WriteFile([&](FILE* f) { EXPECT_EQ(GVWriteLightsTagged(f, &l), 1); });
}
int ReadTagged(const Bytes& b, LightList* l) {
  return scenetest::ReadFile(b, [l](FILE* f) { return GVReadLightsTagged(f, l); });
}

// Lights "L0", "L1", "L2" of kinds 1..3; the second on and without colour 2.
void ThreeLights(LightList* l) {
  GVAddLight(l);
  GVAddLight(l);
  for (int i = 0; i < 3; ++i) {
    GVSetLightName(&l->lights[i], ("L" + std::to_string(i)).c_str());
    l->lights[i].kind = i + 1;
    l->lights[i].angle2 = 10.0f * i;
    GVSetColour(l->lights[i].colour3, 5, 0.1f * i, 0.2f, 0.3f, 0.4f);
  }
  l->lights[1].flags = 1;
  delete l->lights[1].colour2;
  l->lights[1].colour2 = nullptr;
}

}  // namespace

TEST(LightList, EditsKeepOneLightAndTheOrder) {
  List list;
  EXPECT_EQ(GVDeleteLight(&list.l, 0), 1);
  ASSERT_NE(GVGetLight(0, &list.l), nullptr);
  ThreeLights(&list.l);
  EXPECT_EQ(GVAddLight(&list.l), 3);
  const LightRec* added = GVGetLight(3, &list.l);
  EXPECT_EQ(added->kind, 1);
  EXPECT_FLOAT_EQ(added->position[2], 20.0f);
  ASSERT_NE(added->colour3, nullptr);
  EXPECT_EQ(list.l.lights[1].colour2, nullptr);  // kept through the growth
  EXPECT_EQ(GVDeleteLight(&list.l, 4), 4);
  EXPECT_EQ(GVDeleteLight(&list.l, 0), 3);
  EXPECT_STREQ(list.name(0), "L1");
  EXPECT_STREQ(list.name(1), "L2");
  EXPECT_EQ(GVGetLight(3, &list.l), nullptr);

  // Lit: in use (kind not 0) and switched on.
  EXPECT_EQ(GVFirstLitLight(&list.l), 0);
  list.l.lights[0].kind = 0;
  EXPECT_EQ(GVFirstLitLight(&list.l), -1);
  EXPECT_EQ(GVToggleLight(&list.l, 1), 1);
  EXPECT_EQ(GVFirstLitLight(&list.l), 1);
  EXPECT_EQ(GVToggleLight(&list.l, 1), 0);
  EXPECT_EQ(GVToggleLight(&list.l, 5), 0);
  GVSetLightName(&list.l.lights[0], "AVeryLongLightNameIndeed");
  EXPECT_STREQ(list.name(0), "AVeryLongLightNameI");
}

TEST(LightList, BlocksRoundTripInBothForms) {
  List list;
  ThreeLights(&list.l);
  const Bytes image = WriteLights(list.l);
  const Bytes tagged = TaggedBytes(list.l);
  EXPECT_EQ(tagged.size(), 8u + 3 * 92 + 9 * 4 + 8 * 20);
  for (int form = 0; form < 2; ++form) {
    List back;
    ASSERT_EQ(form ? ReadTagged(tagged, &back.l) : ReadLights(image, &back.l), 1);
    ASSERT_EQ(back.l.count, 3);
    EXPECT_STREQ(back.name(2), "L2");
    EXPECT_EQ(back.l.lights[1].flags, 1);
    EXPECT_EQ(back.l.lights[1].colour2, nullptr);
    EXPECT_FLOAT_EQ(back.l.lights[2].colour3->r, 0.2f);
    EXPECT_EQ(WriteLights(back.l), image);
    EXPECT_EQ(TaggedBytes(back.l), tagged);
  }
}

TEST(LightList, EmptyLongOrDamagedBlocks) {
  List list;
  ThreeLights(&list.l);
  // Short arrays, or a count the arrays cannot hold, leave the list alone.
  scenetest::ExpectShortBlocksRefused(WriteLights(list.l), [&](ItemStream* s) { return GVGetLightsItem(s, &list.l); });
  ItemStream s;
  scenetest::FillStream(&s, {1000000000, 1, 1, 0}, {1.0f});
  EXPECT_EQ(GVGetLightsItem(&s, &list.l), 0);
  EXPECT_STREQ(list.name(2), "L2");
  // Count 0 reads as one default light.
  scenetest::FillStream(&s, {0, 1}, {});
  ASSERT_EQ(GVGetLightsItem(&s, &list.l), 1);
  EXPECT_EQ(list.l.count, 1);
  // A stored name longer than the field is cut; the stream stays in step.
  const std::string longName = "TwentyFiveCharacterNames!";
  scenetest::FillStream(&s, {1, 1, 1, 0, 0, 0, 0, static_cast<int32_t>(longName.size()), 0, 0, 0},
                        std::vector<float>(10), Bytes(longName.begin(), longName.end()));
  ASSERT_EQ(GVGetLightsItem(&s, &list.l), 1);
  EXPECT_STREQ(list.name(0), "TwentyFiveCharacter");
  EXPECT_EQ(s.intCount, s.intSize);
  GVItemStreamReset(&s);

  // Tagged: a name without terminator is cut; a count past the file's end is refused.
  Bytes tagged = TaggedBytes(list.l);
  std::memset(tagged.data() + 8, 'x', 20);
  ASSERT_EQ(ReadTagged(tagged, &list.l), 1);
  EXPECT_EQ(std::string(list.name(0)), std::string(19, 'x'));
  tagged[0] = 2;
  EXPECT_EQ(ReadTagged(tagged, &list.l), 0);
  ASSERT_EQ(ReadTagged(Bytes(8, 0), &list.l), 1);
  EXPECT_EQ(list.l.count, 1);
}
