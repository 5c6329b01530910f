#include "scene/display_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "scene/heap_string.h"
#include "stream_file.h"

using scenetest::Bytes;

namespace {

Bytes WriteDisplay(const DisplaySettings& d) {
  return scenetest::WriteBlock([&](ItemStream* s) { GVCountDisplayItem(s, &d); },
                               [&](ItemStream* s) { return GVPutDisplayItem(s, &d); });
}

int ReadDisplay(const Bytes& file, DisplaySettings* d) {
  ItemStream s;
  EXPECT_TRUE(scenetest::ReadBlock(file, &s));
  const int r = GVGetDisplayFromStream(&s, d);
  GVItemStreamReset(&s);
  return r;
}

// Every field away from its default (and within the clamps).
void Scramble(DisplaySettings* d) {
  GVSetColour(&d->background, 3, 0.1f, 0.2f, 0.3f, 0.4f);
  GVSetColour(&d->background2, 4, 0.5f, 0.6f, 0.7f, 0.8f);
  GVSetString(&d->imageName, "sky_dome.png");
  int32_t k = 10;
  for (int32_t* w : {&d->optionWord, &d->backgroundFlags, &d->frameWords[0], &d->frameWords[3], &d->optionInts[1],
                     &d->shadowCounts[2], &d->optionInts3[0], &d->optionInts3[3]})
    *w = k++;
  d->renderValue1 = 0.75f;
  d->shadowValues[0] = 99.0f;
  d->shadowValues[3] = 0.1f;
  d->shadowValues[4] = 500.0f;
  d->shadowCounts[0] = 33;
  d->optionFloats[2] = -4.5f;
}

}  // namespace

TEST(DisplaySettings, BlockRoundTripsThroughAFileByteForByte) {
  DisplaySettings d;
  GVInitDisplaySettings(&d);
  Scramble(&d);
  const Bytes first = WriteDisplay(d);
  ItemStream s;
  ASSERT_TRUE(scenetest::ReadBlock(first, &s));
  // 18 ints, 18 floats and the name.
  EXPECT_EQ(s.intSize, 18u);
  EXPECT_EQ(s.floatSize, 18u);
  EXPECT_EQ(s.byteSize, std::strlen("sky_dome.png"));
  DisplaySettings back;
  GVInitDisplaySettings(&back);
  ASSERT_EQ(GVGetDisplayFromStream(&s, &back), 1);
  GVItemStreamReset(&s);
  EXPECT_STREQ(back.imageName, "sky_dome.png");
  EXPECT_EQ(back.background.mode, 3);
  EXPECT_FLOAT_EQ(back.background2.b, 0.7f);
  EXPECT_EQ(back.optionInts3[3], 17);
  EXPECT_FLOAT_EQ(back.optionFloats[2], -4.5f);
  EXPECT_EQ(WriteDisplay(back), first);

  // The defaults, with an empty name, come back as they went.
  GVResetDisplaySettings(&d);
  const Bytes plain = WriteDisplay(d);
  ASSERT_EQ(ReadDisplay(plain, &back), 1);
  ASSERT_NE(back.imageName, nullptr);
  EXPECT_STREQ(back.imageName, "");
  EXPECT_EQ(WriteDisplay(back), plain);
  GVFreeDisplaySettingsText(&d);
  GVFreeDisplaySettingsText(&back);
}

TEST(DisplaySettings, ReaderReplacesAndClampsShadowValues) {
  struct Case {
    int field;  // 3, 4: shadow value; 10, 11: shadow count
    float stored;
    float expected;
  } cases[] = {{3, -1.0f, 0.02f}, {3, 0.5f, 0.2f},  {4, 5.0f, 200.0f},  {4, 5000.0f, 1000.0f},
               {10, 100, 64},     {10, 1, 8},       {11, 0, 16},        {11, 70, 64}};
  for (const Case& c : cases) {
    DisplaySettings d;
    GVInitDisplaySettings(&d);
    if (c.field < 10)
      d.shadowValues[c.field] = c.stored;
    else
      d.shadowCounts[c.field - 10] = static_cast<int32_t>(c.stored);
    ASSERT_EQ(ReadDisplay(WriteDisplay(d), &d), 1);
    const float got = c.field < 10 ? d.shadowValues[c.field] : static_cast<float>(d.shadowCounts[c.field - 10]);
    EXPECT_FLOAT_EQ(got, c.expected) << "field " << c.field << " stored " << c.stored;
    GVFreeDisplaySettingsText(&d);
  }
}

TEST(DisplaySettings, BlockRunningPastItsArraysIsDamagedAndChangesNothing) {
  DisplaySettings d;
  GVInitDisplaySettings(&d);
  Scramble(&d);
  const Bytes file = WriteDisplay(d);
  ItemStream full;
  ASSERT_TRUE(scenetest::ReadBlock(file, &full));
  const std::vector<int32_t> ints(full.ints, full.ints + full.intSize);
  const std::vector<float> floats(full.floats, full.floats + full.floatSize);
  const Bytes bytes(full.bytes, full.bytes + full.byteSize);
  GVItemStreamReset(&full);

  DisplaySettings target;
  GVInitDisplaySettings(&target);
  ItemStream s;
  // One int, one float or the name's last byte short.
  scenetest::FillStream(&s, {ints.begin(), ints.end() - 1}, floats, bytes);
  EXPECT_EQ(GVGetDisplayFromStream(&s, &target), 0);
  scenetest::FillStream(&s, ints, {floats.begin(), floats.end() - 1}, bytes);
  EXPECT_EQ(GVGetDisplayFromStream(&s, &target), 0);
  scenetest::FillStream(&s, ints, floats, {bytes.begin(), bytes.end() - 1});
  EXPECT_EQ(GVGetDisplayFromStream(&s, &target), 0);
  GVItemStreamReset(&s);
  EXPECT_STREQ(target.imageName, "");
  EXPECT_FLOAT_EQ(target.background.r, 0.75f);

  // Without room the writer puts nothing at all.
  scenetest::FillStream(&s, std::vector<int32_t>(17), std::vector<float>(18), Bytes(20));
  EXPECT_EQ(GVPutDisplayItem(&s, &d), 0);
  EXPECT_EQ(s.intCount + s.floatCount + s.byteCount, 0u);
  GVItemStreamReset(&s);
  GVFreeDisplaySettingsText(&d);
  GVFreeDisplaySettingsText(&target);
}
