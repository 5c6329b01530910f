#include "scene/light_list.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "records/binary_file.h"
#include "geo/record_codec.h"
#include "records/heap_string.h"
#include "records/record_image.h"

namespace {

// Least a light takes in each stored form, for checking declared counts
// against what is left before allocating: 9 ints and 10 floats in the item
// stream; the 92-byte record and three colour flags in the tagged form.
constexpr int64_t kLightMinInts = 9;
constexpr int64_t kLightMinFloats = 10;
constexpr int64_t kLightMinTaggedBytes = 92 + 3 * 4;
// More lights than any 32-bit scene could have held.
constexpr int64_t kMaxLights = 0x00ffffff;

GColour* newWhite() {
  GColour* c = new (std::nothrow) GColour;
  if (c) GVSetColour(c, 1, 1.0f, 1.0f, 1.0f, 1.0f);
  return c;
}

void copyOptionalColour(const GColour* src, GColour*& dst) {
  if (!src) {
    delete dst;
    dst = nullptr;
    return;
  }
  if (!dst && !(dst = new (std::nothrow) GColour)) return;
  GVCopyColour(dst, src);
}

// The numeric fields in the order both stored forms keep them after the name
// (the tagged form has the colour placeholders between direction and angles).
template <typename C>
void lightPlace(C& c, LightRec& l) {
  for (float& v : l.position) c.f32(v);
  for (float& v : l.direction) c.f32(v);
}
template <typename C>
void lightShape(C& c, LightRec& l) {
  c.f32(l.angle1);
  c.f32(l.angle2);
  c.f32(l.param1);
  c.f32(l.param2);
  c.i32(l.option1);
  c.i32(l.option2);
  c.i32(l.option3);
}
template <typename C>
void lightColours(C& c, LightRec& l) {
  GVWalkOptionalColour(c, l.colour1);
  GVWalkOptionalColour(c, l.colour2);
  GVWalkOptionalColour(c, l.colour3);
}

// The name as a counted string; a longer stored name is cut to 19 characters.
void imageName(ImageCodecCore& c, char* name) {
  if (!c.ok) return;
  if (c.reading()) {
    c.ok = GVItemStreamGetString(c.s, name, kLightNameSize) == 1;
    return;
  }
  char text[kLightNameSize];
  std::memcpy(text, name, kLightNameSize);
  text[kLightNameSize - 1] = '\0';
  if (c.mode == ImageCodecCore::kCount)
    GVStreamCountString(c.s, text);
  else
    c.ok = GVItemStreamPutString(c.s, text) == 1;
}

void lightImage(ImageCodecCore& c, LightRec& l) {
  c.i32(l.kind);
  c.i32(l.flags);
  lightPlace(c, l);
  lightShape(c, l);
  imageName(c, l.name);
  lightColours(c, l);
}

// The 92-byte record image (its colour pointers stored as unused words), then
// the three optional colours.
void lightTagged(FileCodecCore& c, LightRec& l) {
  if (c.ok) {
    c.ok = c.writing() ? GVFileWriteBytes(c.f, l.name, kLightNameSize) == 1
                       : GVFileReadBytes(c.f, l.name, kLightNameSize) == 1;
    l.name[kLightNameSize - 1] = '\0';
  }
  c.i32(l.kind);
  c.i32(l.flags);
  lightPlace(c, l);
  for (int i = 0; i < 3; ++i) {
    uint32_t placeholder = 0;
    c.u32(placeholder);
  }
  lightShape(c, l);
  lightColours(c, l);
}

// The list block of either form: count, array flag, lights. On reading, the
// lights go to a new array handed to the list only when all were read.
template <typename C, typename Room, typename Light>
void lightsBlock(C& c, LightList& list, Room room, Light light) {
  int32_t count = list.count;
  int32_t present = list.lights ? 1 : 0;
  c.i32(count);
  c.i32(present);
  if (!c.ok) return;
  if (c.writing()) {
    if (present)
      for (int32_t i = 0; i < count && c.ok; ++i) light(c, list.lights[i]);
    return;
  }
  const bool many = present != 0 && count >= 1;
  if (many && !room(count)) {
    c.ok = false;
    return;
  }
  const int32_t n = many ? count : 1;
  LightRec* lights = GVNewLightArray(n);
  if (!lights) {
    c.ok = false;
    return;
  }
  if (many)
    for (int32_t i = 0; i < n && c.ok; ++i) light(c, lights[i]);
  if (!c.ok) {
    GVFreeLightArray(lights, n);
    return;
  }
  GVFreeLightListArray(&list);
  list.count = n;
  list.lights = lights;
}

}  // namespace

void GVInitLightRec(LightRec* light) {
  if (!light) return;
  std::memset(light->name, 0, sizeof light->name);
  light->kind = 1;
  light->flags = 0;
  const float position[3] = {0.0f, 10.0f, 20.0f};
  const float direction[3] = {0.0f, 0.0f, -1.0f};
  std::memcpy(light->position, position, sizeof position);
  std::memcpy(light->direction, direction, sizeof direction);
  light->colour1 = newWhite();
  light->colour2 = newWhite();
  light->colour3 = newWhite();
  light->angle1 = light->angle2 = 90.0f;
  light->param1 = light->param2 = 0.0f;
  light->option1 = light->option2 = light->option3 = 0;
}

void GVFreeLightRec(LightRec* light) {
  if (!light) return;
  for (GColour** c : {&light->colour1, &light->colour2, &light->colour3}) {
    delete *c;
    *c = nullptr;
  }
}

void GVCopyLightRec(const LightRec* src, LightRec* dst) {
  if (!src || !dst || src == dst) return;
  std::memcpy(dst->name, src->name, sizeof dst->name);
  dst->name[kLightNameSize - 1] = '\0';
  std::memcpy(dst->position, src->position, sizeof dst->position);
  std::memcpy(dst->direction, src->direction, sizeof dst->direction);
  dst->kind = src->kind;
  dst->flags = src->flags;
  dst->angle1 = src->angle1;
  dst->angle2 = src->angle2;
  dst->param1 = src->param1;
  dst->param2 = src->param2;
  dst->option1 = src->option1;
  dst->option2 = src->option2;
  dst->option3 = src->option3;
  copyOptionalColour(src->colour1, dst->colour1);
  copyOptionalColour(src->colour2, dst->colour2);
  copyOptionalColour(src->colour3, dst->colour3);
}

void GVSetLightName(LightRec* light, const char* name) {
  if (!light) return;
  std::memset(light->name, 0, sizeof light->name);
  if (name) std::strncpy(light->name, name, kLightNameSize - 1);
}

LightRec* GVNewLightArray(int32_t count) {
  if (count < 1) return nullptr;
  LightRec* lights = new (std::nothrow) LightRec[count];
  if (lights)
    for (int32_t i = 0; i < count; ++i) GVInitLightRec(&lights[i]);
  return lights;
}

void GVFreeLightArray(LightRec* lights, int32_t count) {
  if (!lights) return;
  for (int32_t i = 0; i < count; ++i) GVFreeLightRec(&lights[i]);
  delete[] lights;
}

LightList* GVNewLightList(LightList* list) {
  if (!list) return nullptr;
  list->count = 1;
  list->lights = GVNewLightArray(1);
  return list;
}

void GVFreeLightListArray(LightList* list) {
  if (!list) return;
  GVFreeLightArray(list->lights, list->count);
  list->lights = nullptr;
  list->count = 0;
}

void GVResetLightList(LightList* list) {
  GVFreeLightListArray(list);
  GVNewLightList(list);
}

int32_t GVAddLight(LightList* list) {
  if (!list) return 0;
  const int32_t old = list->lights ? list->count : 0;
  LightRec* lights = GVNewLightArray(old + 1);
  if (lights)
    for (int32_t i = 0; i < old; ++i) GVCopyLightRec(&list->lights[i], &lights[i]);
  GVFreeLightListArray(list);
  list->count = old + 1;
  list->lights = lights;
  return old;
}

int32_t GVDeleteLight(LightList* list, int32_t index) {
  if (!list) return 0;
  if (list->count < 2) return 1;
  if (index < 0 || index >= list->count || !list->lights) return list->count;
  const int32_t n = list->count - 1;
  LightRec* lights = GVNewLightArray(n);
  if (lights)
    for (int32_t i = 0, j = 0; i < list->count; ++i)
      if (i != index) GVCopyLightRec(&list->lights[i], &lights[j++]);
  GVFreeLightListArray(list);
  list->count = n;
  list->lights = lights;
  return n;
}

LightRec* GVGetLight(int32_t index, LightList* list) {
  if (!list || !list->lights || index < 0 || index >= list->count) return nullptr;
  return &list->lights[index];
}

int32_t GVFirstLitLight(const LightList* list) {
  if (!list || !list->lights) return -1;
  for (int32_t i = 0; i < list->count; ++i)
    if (list->lights[i].kind != 0 && (list->lights[i].flags & 1)) return i;
  return -1;
}

int32_t GVToggleLight(LightList* list, int32_t index) {
  LightRec* light = GVGetLight(index, list);
  if (!light) return 0;
  light->flags ^= 1;
  return light->flags & 1;
}

// --- item stream ---

void GVCountLightItem(ItemStream* stream, const LightRec* light) { GVCountImageOf(stream, light, lightImage); }
int GVPutLightItem(ItemStream* stream, const LightRec* light) { return GVPutImageOf(stream, light, lightImage); }
int GVGetLightItem(ItemStream* stream, LightRec* light) { return GVGetImageOf(stream, light, lightImage); }

static void lightsImage(ImageCodecCore& c, LightList& list) {
  const auto room = [&c](int32_t n) {
    const ItemStream* s = c.s;
    const int64_t intsLeft = s->intCount <= s->intSize ? s->intSize - s->intCount : 0;
    const int64_t floatsLeft = s->floatCount <= s->floatSize ? s->floatSize - s->floatCount : 0;
    return n <= kMaxLights && n * kLightMinInts <= intsLeft && n * kLightMinFloats <= floatsLeft;
  };
  lightsBlock(c, list, room, lightImage);
}

void GVCountLightsItem(ItemStream* stream, const LightList* list) { GVCountImageOf(stream, list, lightsImage); }
int GVPutLightsItem(ItemStream* stream, const LightList* list) { return GVPutImageOf(stream, list, lightsImage); }
int GVGetLightsItem(ItemStream* stream, LightList* list) { return GVGetImageOf(stream, list, lightsImage); }

// --- older tagged form ---

static int lightsTagged(FILE* file, LightList& list, bool writing) {
  if (!file) return 0;
  FileCodecCore c(file, writing);
  const auto room = [&c](int32_t n) { return c.roomInFile(n, kLightMinTaggedBytes, kMaxLights); };
  lightsBlock(c, list, room, lightTagged);
  return c.ok ? 1 : 0;
}

int GVReadLightsTagged(FILE* file, LightList* list) {
  return list ? lightsTagged(file, *list, false) : 0;
}

int GVWriteLightsTagged(FILE* file, const LightList* list) {
  if (!list) return 0;
  LightList copy = *list;
  return lightsTagged(file, copy, true);
}

int GVReadLightRecTagged(FILE* file, LightRec* light) {
  if (!file || !light) return 0;
  FileCodecCore c(file, false);
  lightTagged(c, *light);
  return c.ok ? 1 : 0;
}
