#include "scene/display_forms.h"

#include <cstring>

#include "geo/record_codec.h"
#include "scene/display_settings.h"
#include "records/heap_string.h"
#include "records/record_image.h"

namespace {

template <typename C>
void formAFields(C& c, DisplayFormA& a) {
  GVWalkColour(c, a.background);
  GVWalkColour(c, a.background2);
  c.f32(a.renderValue1);
  c.i32(a.optionInt1);
  c.i32(a.backgroundFlags);
  c.i32(a.optionInt2);
  for (float& v : a.shadowValues) c.f32(v);
  for (int32_t& n : a.shadowCounts) c.i32(n);
}

template <typename C>
void formBFields(C& c, DisplayFormB& b) {
  if (c.ok) c.ok = c.writing() ? GVFileWriteBytes(c.f, b.text, sizeof b.text) == 1
                               : GVFileReadBytes(c.f, b.text, sizeof b.text) == 1;
  c.i32(b.optionWord);
  for (int32_t& n : b.optionInts) c.i32(n);
  for (float& v : b.optionFloats) c.f32(v);
}

}  // namespace

void GVDisplayFormADefaults(DisplayFormA* a) {
  if (!a) return;
  *a = DisplayFormA{};
  GVSetColour(&a->background, 1, 0.75f, 0.75f, 0.75f, 1.0f);
  GVSetColour(&a->background2, 1, 0.95f, 0.95f, 0.95f, 1.0f);
  a->renderValue1 = 0.3f;
  const float shadow[5] = {150.0f, 100.0f, 0.0f, 0.02f, 200.0f};
  for (int i = 0; i < 5; ++i) a->shadowValues[i] = shadow[i];
  a->shadowCounts[0] = 8;
  a->shadowCounts[1] = 16;
  a->shadowCounts[2] = 512;
}

int GVReadDisplayFormA(FILE* file, DisplayFormA* a) {
  if (!file || !a) return 0;
  DisplayFormA read = *a;
  FileCodecCore c(file, false);
  formAFields(c, read);
  if (!c.ok) return 0;
  GVValidateShadowFields(&read.shadowValues[3], &read.shadowValues[4], &read.shadowCounts[0],
                         &read.shadowCounts[1]);
  *a = read;
  return 1;
}

void GVClampDisplayFormA(DisplayFormA* a) {
  if (a) GVClampShadowFields(&a->shadowValues[3], &a->shadowValues[4], &a->shadowCounts[0], &a->shadowCounts[1]);
}

void GVDisplayFromFormA(DisplaySettings* d, const DisplayFormA* a) {
  if (!d || !a) return;
  d->background = a->background;
  d->background2 = a->background2;
  d->renderValue1 = a->renderValue1;
  d->optionInts[0] = a->optionInt1;
  d->backgroundFlags = a->backgroundFlags;
  d->optionInts[1] = a->optionInt2;
  std::memcpy(d->shadowValues, a->shadowValues, sizeof d->shadowValues);
  std::memcpy(d->shadowCounts, a->shadowCounts, sizeof d->shadowCounts);
}

int GVWriteDisplayFormA(FILE* file, const DisplayFormA* a) {
  if (!file || !a) return 0;
  DisplayFormA copy = *a;
  FileCodecCore c(file, true);
  formAFields(c, copy);
  return c.ok ? 1 : 0;
}

void GVDisplayFormBInit(DisplayFormB* b) {
  if (b) *b = DisplayFormB{};
}

int GVReadDisplayFormB(FILE* file, DisplayFormB* b) {
  if (!file || !b) return 0;
  DisplayFormB read = *b;
  FileCodecCore c(file, false);
  formBFields(c, read);
  if (!c.ok) return 0;
  read.text[kDisplayFormBText - 1] = '\0';
  *b = read;
  return 1;
}

int GVDisplayFromFormB(DisplaySettings* d, const DisplayFormB* b) {
  if (!d || !b) return 0;
  char* name = nullptr;
  if (!GVSetString(&name, b->text)) return 0;
  GVFreeString(&d->imageName);
  d->imageName = name;
  d->optionWord = b->optionWord;
  std::memcpy(d->optionInts3, b->optionInts, sizeof d->optionInts3);
  std::memcpy(d->optionFloats, b->optionFloats, sizeof d->optionFloats);
  return 1;
}

int GVWriteDisplayFormB(FILE* file, const DisplayFormB* b) {
  if (!file || !b) return 0;
  DisplayFormB copy = *b;
  FileCodecCore c(file, true);
  formBFields(c, copy);
  return c.ok ? 1 : 0;
}
