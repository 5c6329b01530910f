#include "scene/display_settings.h"

#include "geo/record_codec.h"
#include "records/heap_string.h"
#include "records/record_image.h"

namespace {

template <typename C>
void displayFields(C& c, DisplaySettings& d) {
  GVWalkColour(c, d.background);
  GVWalkColour(c, d.background2);
  c.str(d.imageName);
  c.i32(d.optionWord);
  c.i32(d.backgroundFlags);
  for (int32_t& w : d.frameWords) c.i32(w);
  c.f32(d.renderValue1);
  for (int32_t& w : d.optionInts) c.i32(w);
  for (float& v : d.shadowValues) c.f32(v);
  for (int32_t& w : d.shadowCounts) c.i32(w);
  for (int32_t& w : d.optionInts3) c.i32(w);
  for (float& v : d.optionFloats) c.f32(v);
}

template <typename T>
T clampTo(T v, T lo, T hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

DisplaySettings* GVInitDisplaySettings(DisplaySettings* d) {
  if (!d) return nullptr;
  d->imageName = nullptr;
  GVResetDisplaySettings(d);
  return d;
}

void GVResetDisplaySettings(DisplaySettings* d) {
  if (!d) return;
  char* name = d->imageName;
  *d = DisplaySettings{};
  d->imageName = name;
  GVSetColour(&d->background, 1, 0.75f, 0.75f, 0.75f, 1.0f);
  GVSetColour(&d->background2, 1, 0.95f, 0.95f, 0.95f, 1.0f);
  GVSetString(&d->imageName, "");
  d->renderValue1 = 0.3f;
  const float shadow[5] = {150.0f, 100.0f, 0.0f, 0.02f, 200.0f};
  for (int i = 0; i < 5; ++i) d->shadowValues[i] = shadow[i];
  d->shadowCounts[0] = 8;
  d->shadowCounts[1] = 16;
  d->shadowCounts[2] = 512;
}

void GVFreeDisplaySettingsText(DisplaySettings* d) {
  if (d) GVFreeString(&d->imageName);
}

void GVValidateShadowFields(float* v4, float* v5, int32_t* count1, int32_t* count2) {
  if (!(*v4 >= 0.0f)) *v4 = 0.02f;
  if (!(*v5 >= 10.0f)) *v5 = 200.0f;
  if (*count1 < 2) *count1 = 8;
  if (*count2 < 2) *count2 = 16;
  GVClampShadowFields(v4, v5, count1, count2);
}

void GVClampShadowFields(float* v4, float* v5, int32_t* count1, int32_t* count2) {
  *v4 = clampTo(*v4, 0.0f, 0.2f);
  *v5 = clampTo(*v5, 10.0f, 1000.0f);
  *count1 = clampTo(*count1, 2, 64);
  *count2 = clampTo(*count2, 2, 64);
}

void GVValidateDisplaySettings(DisplaySettings* d) {
  if (!d) return;
  GVValidateShadowFields(&d->shadowValues[3], &d->shadowValues[4], &d->shadowCounts[0], &d->shadowCounts[1]);
}

void GVClampDisplaySettings(DisplaySettings* d) {
  if (!d) return;
  GVClampShadowFields(&d->shadowValues[3], &d->shadowValues[4], &d->shadowCounts[0], &d->shadowCounts[1]);
}

void GVCountDisplayItem(ItemStream* stream, const DisplaySettings* d) {
  GVCountImageOf(stream, d, displayFields<ImageCodecCore>);
}

int GVPutDisplayItem(ItemStream* stream, const DisplaySettings* d) {
  if (!stream || !stream->ints || !stream->floats) return 0;
  return GVPutImageOf(stream, d, displayFields<ImageCodecCore>);
}

namespace {

// Reads the record into a fresh copy and hands it over, validated, only when
// the whole record read.
template <typename Codec>
int readDisplay(Codec& c, DisplaySettings* d) {
  DisplaySettings read;
  GVInitDisplaySettings(&read);
  displayFields(c, read);
  if (!c.ok) {
    GVFreeDisplaySettingsText(&read);
    return 0;
  }
  if (!read.imageName) GVSetString(&read.imageName, "");  // an empty name is stored as length 0
  GVValidateDisplaySettings(&read);
  GVFreeDisplaySettingsText(d);
  *d = read;
  return 1;
}

}  // namespace

int GVGetDisplayFromStream(ItemStream* stream, DisplaySettings* d) {
  if (!stream || !d) return 0;
  ImageCodecCore c(stream, ImageCodecCore::kRead);
  return readDisplay(c, d);
}

int GVReadDisplayTagged(FILE* file, DisplaySettings* d) {
  if (!file || !d) return 0;
  FileCodecCore c(file, false);
  return readDisplay(c, d);
}

int GVWriteDisplayTagged(FILE* file, const DisplaySettings* d) {
  if (!file || !d) return 0;
  DisplaySettings copy = *d;
  FileCodecCore c(file, true);
  displayFields(c, copy);
  return c.ok ? 1 : 0;
}
