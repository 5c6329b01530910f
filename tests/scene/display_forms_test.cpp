#include "scene/display_forms.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "scene/display_settings.h"
#include "scene/stream_file.h"

using scenetest::Bytes;
using scenetest::ReadFile;
using scenetest::WriteFile;

namespace {

Bytes FormAFile(void (*edit)(DisplayFormA*)) {
  DisplayFormA a;
  GVDisplayFormADefaults(&a);
  edit(&a);
  return WriteFile([&](FILE* f) { ASSERT_EQ(GVWriteDisplayFormA(f, &a), 1); });
}

// The settings' shadow values 4 and 5 and counts 1 and 2 after the record is
// read and copied in.
std::vector<float> ReadIntoSettings(const Bytes& file) {
  DisplaySettings d;
  GVInitDisplaySettings(&d);
  DisplayFormA a;
  GVDisplayFormADefaults(&a);
  EXPECT_EQ(ReadFile(file, [&](FILE* f) { return GVReadDisplayFormA(f, &a); }), 1);
  GVClampDisplayFormA(&a);
  GVDisplayFromFormA(&d, &a);
  GVFreeDisplaySettingsText(&d);
  return {d.shadowValues[3], d.shadowValues[4], float(d.shadowCounts[0]), float(d.shadowCounts[1])};
}

TEST(DisplayFormA, IsEightyEightBytesAndItsShadowValuesAreCheckedAsTheSceneReaderDoes) {
  const Bytes plain = FormAFile([](DisplayFormA*) {});
  ASSERT_EQ(plain.size(), size_t(kDisplayFormABytes));
  float v;  // offset 72: the fifth shadow value (200 by default)
  std::memcpy(&v, &plain[72], 4);
  EXPECT_EQ(v, 200.0f);

  struct Case {
    void (*edit)(DisplayFormA*);
    float v4, v5;
    int32_t c1, c2;
  } cases[] = {
      {[](DisplayFormA* a) { a->shadowValues[4] = 5.0f; }, 0.02f, 200.0f, 8, 16},
      {[](DisplayFormA* a) { a->shadowValues[3] = 0.5f; }, 0.2f, 200.0f, 8, 16},
      {[](DisplayFormA* a) { a->shadowValues[3] = -1.0f; a->shadowValues[4] = 5000.0f; }, 0.02f, 1000.0f, 8, 16},
      {[](DisplayFormA* a) { a->shadowCounts[0] = 1; a->shadowCounts[1] = 99; }, 0.02f, 200.0f, 8, 64},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadIntoSettings(FormAFile(c.edit)), (std::vector<float>{c.v4, c.v5, float(c.c1), float(c.c2)}));
  }
  // Cut short: refused, the record as it was.
  Bytes cut = FormAFile([](DisplayFormA* a) { a->renderValue1 = 9.0f; });
  cut.pop_back();
  DisplayFormA a;
  GVDisplayFormADefaults(&a);
  EXPECT_EQ(ReadFile(cut, [&](FILE* f) { return GVReadDisplayFormA(f, &a); }), 0);
  EXPECT_EQ(a.renderValue1, 0.3f);
}

TEST(DisplayFormB, TextWithoutEndIsCutAndCopiedAsANewName) {
  DisplayFormB b;
  GVDisplayFormBInit(&b);
  std::memset(b.text, 'x', sizeof b.text);  // no zero byte at all
  b.optionWord = 7;
  b.optionInts[3] = 4;
  b.optionFloats[0] = 2.5f;
  const Bytes file = WriteFile([&](FILE* f) { ASSERT_EQ(GVWriteDisplayFormB(f, &b), 1); });
  ASSERT_EQ(file.size(), size_t(kDisplayFormBBytes));

  DisplayFormB read;
  GVDisplayFormBInit(&read);
  ASSERT_EQ(ReadFile(file, [&](FILE* f) { return GVReadDisplayFormB(f, &read); }), 1);
  DisplaySettings d;
  GVInitDisplaySettings(&d);
  ASSERT_EQ(GVDisplayFromFormB(&d, &read), 1);
  EXPECT_EQ(std::strlen(d.imageName), 255u);
  EXPECT_EQ(d.optionWord, 7);
  EXPECT_EQ(d.optionInts3[3], 4);
  EXPECT_EQ(d.optionFloats[0], 2.5f);
  GVFreeDisplaySettingsText(&d);
}

TEST(DisplayTagged, WritesReadsAndWritesTheSameBytesAndRefusesACutRecord) {
  DisplaySettings d;
  GVInitDisplaySettings(&d);
  d.frameWords[1] = 90;
  d.shadowValues[3] = 0.1f;
  const Bytes file = WriteFile([&](FILE* f) { ASSERT_EQ(GVWriteDisplayTagged(f, &d), 1); });
  EXPECT_EQ(file.size(), size_t(20 + 20 + 4 + 25 * 4));
  DisplaySettings r;
  GVInitDisplaySettings(&r);
  r.frameWords[0] = 5;
  ASSERT_EQ(ReadFile(file, [&](FILE* f) { return GVReadDisplayTagged(f, &r); }), 1);
  EXPECT_EQ(WriteFile([&](FILE* f) { GVWriteDisplayTagged(f, &r); }), file);
  Bytes cut(file.begin(), file.end() - 1);
  r.frameWords[0] = 5;
  EXPECT_EQ(ReadFile(cut, [&](FILE* f) { return GVReadDisplayTagged(f, &r); }), 0);
  EXPECT_EQ(r.frameWords[0], 5);
  GVFreeDisplaySettingsText(&d);
  GVFreeDisplaySettingsText(&r);
}

}  // namespace
