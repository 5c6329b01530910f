#include "scene/light_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "stream_file.h"

using scenetest::Bytes;

namespace {

struct List {
  LightList l{};
  List() { GVNewLightList(&l); }
  ~List() { GVFreeLightListArray(&l); }
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

// Three lights told apart by name and kind; the second has no colour 2.
void ThreeLights(LightList* l) {
  GVAddLight(l);
  GVAddLight(l);
  for (int i = 0; i < 3; ++i) {
    LightRec* light = GVGetLight(i, l);
    GVSetLightName(light, ("Lamp" + std::to_string(i)).c_str());
    light->kind = i + 1;
    light->flags = i & 1;
    light->angle2 = 10.0f * i;
    light->option3 = 7 * i;
    GVSetColour(light->colour3, 5, 0.1f * i, 0.2f, 0.3f, 0.4f);
  }
  delete l->lights[1].colour2;
  l->lights[1].colour2 = nullptr;
}

}  // namespace

TEST(LightList, EditsKeepOneLightAndTheOrder) {
  List list;
  EXPECT_EQ(GVDeleteLight(&list.l, 0), 1);
  ASSERT_EQ(list.l.count, 1);
  ASSERT_NE(GVGetLight(0, &list.l), nullptr);

  GVSetLightName(GVGetLight(0, &list.l), "A");
  EXPECT_EQ(GVAddLight(&list.l), 1);
  GVSetLightName(GVGetLight(1, &list.l), "B");
  EXPECT_EQ(GVAddLight(&list.l), 2);
  const LightRec* added = GVGetLight(2, &list.l);
  EXPECT_STREQ(added->name, "");
  EXPECT_EQ(added->kind, 1);
  EXPECT_FLOAT_EQ(added->position[2], 20.0f);
  ASSERT_NE(added->colour3, nullptr);
  EXPECT_FLOAT_EQ(added->colour3->a, 1.0f);
  EXPECT_STREQ(GVGetLight(0, &list.l)->name, "A");  // copied over when the array grew
  GVSetLightName(GVGetLight(2, &list.l), "C");

  EXPECT_EQ(GVDeleteLight(&list.l, 3), 3);
  EXPECT_EQ(GVDeleteLight(&list.l, 0), 2);
  EXPECT_STREQ(GVGetLight(0, &list.l)->name, "B");
  EXPECT_STREQ(GVGetLight(1, &list.l)->name, "C");
  EXPECT_EQ(GVGetLight(2, &list.l), nullptr);
  EXPECT_EQ(GVGetLight(-1, &list.l), nullptr);

  // Lit means in use and switched on; kind 0 never counts.
  EXPECT_EQ(GVFirstLitLight(&list.l), -1);
  list.l.lights[0].kind = 0;
  list.l.lights[0].flags = 1;
  EXPECT_EQ(GVFirstLitLight(&list.l), -1);
  EXPECT_EQ(GVToggleLight(&list.l, 1), 1);
  EXPECT_EQ(GVFirstLitLight(&list.l), 1);
  EXPECT_EQ(GVToggleLight(&list.l, 1), 0);
  EXPECT_EQ(GVToggleLight(&list.l, 5), 0);

  // Names are cut to the field.
  GVSetLightName(GVGetLight(0, &list.l), "AVeryLongLightNameIndeed");
  EXPECT_STREQ(GVGetLight(0, &list.l)->name, "AVeryLongLightNameI");
}

TEST(LightList, BlocksRoundTripInBothForms) {
  List list;
  ThreeLights(&list.l);
  const Bytes first = WriteLights(list.l);
  const Bytes tagged = TaggedBytes(list.l);
  EXPECT_EQ(tagged.size(), 8u + 3 * 92 + 9 * 4 + 8 * 20);
  for (int form = 0; form < 2; ++form) {
    List back;
    ASSERT_EQ(form ? ReadTagged(tagged, &back.l) : ReadLights(first, &back.l), 1);
    ASSERT_EQ(back.l.count, 3);
    EXPECT_STREQ(back.l.lights[2].name, "Lamp2");
    EXPECT_EQ(back.l.lights[2].kind, 3);
    EXPECT_EQ(back.l.lights[1].flags, 1);
    EXPECT_EQ(back.l.lights[1].colour2, nullptr);
    ASSERT_NE(back.l.lights[0].colour2, nullptr);
    EXPECT_EQ(back.l.lights[2].colour3->mode, 5);
    EXPECT_FLOAT_EQ(back.l.lights[2].colour3->r, 0.2f);
    EXPECT_EQ(WriteLights(back.l), first);
    EXPECT_EQ(TaggedBytes(back.l), tagged);
  }
  // A copy carries a missing colour as missing.
  LightRec copy;
  GVInitLightRec(&copy);
  GVCopyLightRec(&list.l.lights[1], &copy);
  EXPECT_EQ(copy.colour2, nullptr);
  EXPECT_STREQ(copy.name, "Lamp1");
  GVFreeLightRec(&copy);
}

TEST(LightList, EmptyOrDamagedBlocks) {
  // Count 0 reads as one default light.
  List list;
  ThreeLights(&list.l);
  ItemStream s;
  scenetest::FillStream(&s, {0, 1}, {});
  ASSERT_EQ(GVGetLightsItem(&s, &list.l), 1);
  EXPECT_EQ(list.l.count, 1);
  EXPECT_STREQ(list.l.lights[0].name, "");

  // A count the arrays cannot hold is refused before anything is allocated.
  ThreeLights(&list.l);
  scenetest::FillStream(&s, {1000000000, 1, 1, 0}, {1.0f});
  EXPECT_EQ(GVGetLightsItem(&s, &list.l), 0);
  EXPECT_EQ(list.l.count, 3);
  // A block cut short leaves the list as it was.
  Bytes file = WriteLights(list.l);
  ItemStream full;
  ASSERT_TRUE(scenetest::ReadBlock(file, &full));
  scenetest::FillStream(&s, {full.ints, full.ints + full.intSize - 1},
                        {full.floats, full.floats + full.floatSize}, {full.bytes, full.bytes + full.byteSize});
  GVItemStreamReset(&full);
  EXPECT_EQ(GVGetLightsItem(&s, &list.l), 0);
  EXPECT_EQ(list.l.count, 3);
  EXPECT_STREQ(list.l.lights[2].name, "Lamp2");

  // A stored name longer than the field is cut, the stream stays in step.
  const char* longName = "TwentyFiveCharacterNames!";
  std::vector<int32_t> ints = {1, 1, 1, 0, 0, 0, 0, static_cast<int32_t>(std::strlen(longName)), 0, 0, 0};
  scenetest::FillStream(&s, ints, std::vector<float>(10, 0.0f), Bytes(longName, longName + std::strlen(longName)));
  ASSERT_EQ(GVGetLightsItem(&s, &list.l), 1);
  EXPECT_STREQ(list.l.lights[0].name, "TwentyFiveCharacter");
  EXPECT_EQ(list.l.lights[0].colour1, nullptr);
  EXPECT_EQ(s.intCount, s.intSize);
  GVItemStreamReset(&s);

  // Tagged: a name without terminator is cut; a count past the file's end is refused.
  Bytes tagged = TaggedBytes(list.l);
  std::memset(tagged.data() + 8, 'x', 20);
  ASSERT_EQ(ReadTagged(tagged, &list.l), 1);
  EXPECT_EQ(std::string(list.l.lights[0].name), std::string(19, 'x'));
  tagged[0] = 2;
  EXPECT_EQ(ReadTagged(tagged, &list.l), 0);
  EXPECT_EQ(list.l.count, 1);
  Bytes none(8, 0);
  ASSERT_EQ(ReadTagged(none, &list.l), 1);
  EXPECT_EQ(list.l.count, 1);
  EXPECT_NE(list.l.lights[0].colour1, nullptr);
}
