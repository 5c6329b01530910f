#include "scene/display_settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "records/heap_string.h"
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

struct Display {
  DisplaySettings d;
  Display() { GVInitDisplaySettings(&d); }
  ~Display() { GVFreeDisplaySettingsText(&d); }
};

}  // namespace

TEST(DisplaySettings, BlockRoundTripsThroughAFileByteForByte) {
  Display saved, back;
  GVSetColour(&saved.d.background2, 4, 0.5f, 0.6f, 0.7f, 0.8f);
  GVSetString(&saved.d.imageName, "sky_dome.png");
  saved.d.frameWords[3] = 12;
  saved.d.optionInts3[3] = 17;
  saved.d.optionFloats[2] = -4.5f;
  const Bytes first = WriteDisplay(saved.d);
  ItemStream s;
  ASSERT_TRUE(scenetest::ReadBlock(first, &s));
  EXPECT_EQ(s.intSize, 18u);  // and the tag: 19 in the scene file
  EXPECT_EQ(s.floatSize, 18u);
  EXPECT_EQ(s.byteSize, std::strlen("sky_dome.png"));
  GVItemStreamReset(&s);
  ASSERT_EQ(ReadDisplay(first, &back.d), 1);
  EXPECT_STREQ(back.d.imageName, "sky_dome.png");
  EXPECT_EQ(back.d.background2.mode, 4);
  EXPECT_EQ(back.d.optionInts3[3], 17);
  EXPECT_EQ(WriteDisplay(back.d), first);
  // An empty name comes back as an empty text, not as none.
  GVResetDisplaySettings(&saved.d);
  ASSERT_EQ(ReadDisplay(WriteDisplay(saved.d), &back.d), 1);
  ASSERT_NE(back.d.imageName, nullptr);
  EXPECT_STREQ(back.d.imageName, "");
}

TEST(DisplaySettings, ReaderReplacesAndClampsShadowValues) {
  struct Case {
    int field;  // 3, 4: shadow value; 10, 11: shadow count 1, 2
    float stored, expected;
  } cases[] = {{3, -1.0f, 0.02f}, {3, 0.5f, 0.2f}, {4, 5.0f, 200.0f}, {4, 5000.0f, 1000.0f},
               {10, 100, 64},     {10, 1, 8},      {11, 0, 16}};
  for (const Case& c : cases) {
    Display x;
    int32_t* count = c.field >= 10 ? &x.d.shadowCounts[c.field - 10] : nullptr;
    if (count)
      *count = static_cast<int32_t>(c.stored);
    else
      x.d.shadowValues[c.field] = c.stored;
    ASSERT_EQ(ReadDisplay(WriteDisplay(x.d), &x.d), 1);
    EXPECT_FLOAT_EQ(count ? static_cast<float>(*count) : x.d.shadowValues[c.field], c.expected) << c.field;
  }
}

TEST(DisplaySettings, ShortBlocksAreRefusedAndChangeNothing) {
  Display saved, target;
  GVSetString(&saved.d.imageName, "a.png");
  saved.d.renderValue1 = 0.9f;
  scenetest::ExpectShortBlocksRefused(WriteDisplay(saved.d),
                                      [&](ItemStream* s) { return GVGetDisplayFromStream(s, &target.d); });
  EXPECT_STREQ(target.d.imageName, "");
  EXPECT_FLOAT_EQ(target.d.renderValue1, 0.3f);
  // Without room the writer puts nothing at all.
  ItemStream s;
  scenetest::FillStream(&s, std::vector<int32_t>(17), std::vector<float>(18), Bytes(20));
  EXPECT_EQ(GVPutDisplayItem(&s, &saved.d), 0);
  EXPECT_EQ(s.intCount + s.floatCount + s.byteCount, 0u);
  GVItemStreamReset(&s);
}
