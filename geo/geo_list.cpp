#include "geo/geo_list.h"

#include <cstring>
#include <string>

#include "geo/mesh_bounds.h"
#include "records/binary_file.h"
#include "records/heap_string.h"
#include "records/item_stream.h"
#include "records/obj_handle.h"

static void notify(const GeoList* list, int32_t idOrSelection, int32_t added) {
  if (list->changeCallback) list->changeCallback(list->handle, idOrSelection, added);
}

// A listed Geo takes its handle cell with it.
static void destroyGeo(GObject* geo) {
  ObjHandle* cell = geo->handle;
  delete geo;
  if (cell) {
    cell->object = nullptr;
    delete cell;
  }
}

static bool inList(const GeoList* list, const GObject* geo) {
  for (const GObject* g = list->head; g; g = g->next)
    if (g == geo) return true;
  return false;
}

static bool isGroupValue(int32_t v) { return v >= -31 && v <= -1; }

// Union of the group masks, group bits 1..31 only.
static uint32_t usedGroups(const GeoList* list) {
  uint32_t u = 0;
  for (const GObject* g = list->head; g; g = g->next) u |= g->groupMask;
  return u & ~1u;
}

void GVInitGeoList(GeoList* list) {
  if (!list) return;
  list->head = nullptr;
  list->handle = nullptr;
  list->owner = nullptr;
  list->changeCallback = nullptr;
}

void GVAddGeo(GeoList* list, GObject* geo) {
  if (!list || !geo || inList(list, geo)) return;
  geo->next = nullptr;
  if (!list->head) {
    list->head = geo;
  } else {
    GObject* last = list->head;
    while (last->next) last = last->next;
    last->next = geo;
  }
  notify(list, geo->id, 1);
}

void GVRemoveGeo(GeoList* list, GObject* geo) {
  if (!list || !geo || !inList(list, geo)) return;
  notify(list, geo->id, 0);
  if (list->head == geo) {
    list->head = geo->next;
    geo->next = nullptr;
    return;
  }
  for (GObject* g = list->head; g->next; g = g->next) {
    if (g->next == geo) {
      g->next = geo->next;
      geo->next = nullptr;
      return;
    }
  }
}

GObject* GVGetGeoById(const GeoList* list, int32_t id) {
  if (!list || id < 1) return nullptr;
  for (GObject* g = list->head; g; g = g->next)
    if (g->id == id) return g;
  return nullptr;
}

int32_t GVFindGeoByName(const GeoList* list, const char* name) {
  if (!list || !name) return 0;
  for (const GObject* g = list->head; g; g = g->next)
    if (g->name && std::strcmp(g->name, name) == 0) return g->id;
  return 0;
}

void GVDeleteGeoSel(GeoList* list, int32_t selection) {
  if (!list) return;
  for (;;) {
    notify(list, selection, 0);
    if (!list->head || selection == 0) return;
    GObject* head = list->head;
    if (!GVGeoMatchesSel(selection, head)) break;
    list->head = head->next;
    destroyGeo(head);
    if (selection >= 0) return;
  }
  GObject* prev = list->head;
  while (prev->next) {
    GObject* g = prev->next;
    const bool picked = selection >= 1 ? g->id == selection
                                       : isGroupValue(selection) && ((g->groupMask >> -selection) & 1u);
    if (picked) {
      prev->next = g->next;
      destroyGeo(g);
    } else {
      prev = g;
    }
  }
}

// Deletes every Geo after the one callback (handle, -1, 0).
static void emptyList(GeoList* list) {
  notify(list, -1, 0);
  if (list->head) {
    GObject* head = list->head;
    list->head = head->next;
    destroyGeo(head);
  }
  GVDeleteGeoSel(list, -1);
}

void GVClearGeoList(GeoList* list) {
  if (!list) return;
  emptyList(list);
  list->head = nullptr;
  list->handle = nullptr;
}

int GVReadGeoListWith(GeoList* list, FILE* file, GeoFileRecordReader reader) {
  if (!list || !file || !reader) return 0;
  emptyList(list);
  uint32_t count = 0;
  if (!GVFileReadU32(file, &count)) return 0;
  for (uint32_t i = 0; i < count; ++i) {
    GObject* geo = new (std::nothrow) GObject;
    if (!geo) return 0;
    const long before = std::ftell(file);
    if (!reader(geo, file) && (std::feof(file) || std::ftell(file) == before)) {
      // A count larger than the file holds must not fill the list with empty Geos.
      delete geo;
      return 0;
    }
    GVAddGeo(list, geo);
  }
  return 1;
}

int GVReadGeoListImageWith(GeoList* list, ItemStream* image, GeoImageRecordReader reader) {
  if (!list || !image || !reader) return 0;
  if (image->byteSize == 0 && image->intSize == 0 && image->floatSize == 0 && image->itemSize == 0)
    return 0;
  if (!image->ints || image->intCount >= image->intSize) return 0;
  const int32_t count = image->ints[image->intCount];
  // Every record takes at least one int, so a larger count is damage.
  if (count < 0 || static_cast<uint32_t>(count) > image->intSize - image->intCount - 1) return 0;
  emptyList(list);
  ++image->intCount;
  for (int32_t i = 0; i < count; ++i) {
    GObject* geo = new (std::nothrow) GObject;
    if (!geo) return 0;
    const uint32_t before = image->intCount;
    if (!reader(geo, image) && (image->intCount >= image->intSize || image->intCount == before)) {
      delete geo;
      return 0;
    }
    GVAddGeo(list, geo);
  }
  return 1;
}

// Also sees Geos with id 0 (records that could not be read keep their name).
static bool nameTaken(const GeoList* list, const char* name) {
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next)
    if (g->name && std::strcmp(g->name, name) == 0) return true;
  return false;
}

int GVMakeUniqueGeoName(const GeoList* list, char* name, size_t capacity) {
  if (!name || capacity == 0) return -1;
  const int cleaned = GVCleanName(name);
  // A name the cleaning emptied names nothing.
  if (cleaned == -1 || !name[0]) return -1;
  if (!nameTaken(list, name)) return cleaned;

  const size_t len = std::strlen(name);
  size_t stemLen = len;
  while (stemLen > 1 && name[stemLen - 1] >= '0' && name[stemLen - 1] <= '9') --stemLen;
  const std::string stem(name, stemLen);
  unsigned long long v = 0;
  for (size_t i = stemLen; i < len; ++i) {
    v = v * 10 + static_cast<unsigned>(name[i] - '0');
    if (v > 1000000000000000000ull) v = 1000000000000000000ull;
  }
  if (v == 0) v = 1;
  std::string candidate;
  do {
    ++v;
    candidate = stem + std::to_string(v);
  } while (nameTaken(list, candidate.c_str()));
  if (candidate.size() + 1 > capacity) return -1;
  std::memcpy(name, candidate.c_str(), candidate.size() + 1);
  return 0;
}

int GVGeoSelBounds(const GeoList* list, int32_t selection, float* box) {
  if (!box) return 0;
  box[0] = box[2] = box[4] = 9e30f;
  box[1] = box[3] = box[5] = -9e30f;
  if (!list) return 0;
  int any = 0;
  for (const GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(selection, g)) continue;
    float b[6];
    if (!GVGetGeoBounds(g, b)) continue;
    any = 1;
    for (int a = 0; a < 3; ++a) {
      if (b[2 * a] < box[2 * a]) box[2 * a] = b[2 * a];
      if (b[2 * a + 1] > box[2 * a + 1]) box[2 * a + 1] = b[2 * a + 1];
    }
  }
  return any;
}

int32_t GVGeoSelVertexCount(const GeoList* list, int32_t selection) {
  int32_t n = 0;
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next)
    if (GVGeoMatchesSel(selection, g)) n += g->vertexCount;
  return n;
}

int32_t GVGeoSelFaceCount(const GeoList* list, int32_t selection) {
  int32_t n = 0;
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next)
    if (GVGeoMatchesSel(selection, g)) n += g->triangleCount + g->quadCount;
  return n;
}

uint32_t GVSetGeoSelGroupBit(GeoList* list, int32_t selection, int32_t group, int32_t mode) {
  if (!list || !isGroupValue(group)) return 0;
  const uint32_t bit = 1u << -group;
  uint32_t state = 0;
  for (GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(selection, g)) continue;
    if (mode == 1)
      g->groupMask |= bit;
    else if (mode == 0 || mode == -1)
      g->groupMask &= ~bit;
    state = g->groupMask & bit;
  }
  return state;
}

// Scans the used group bits from `first` towards `last` (step +1 or -1): the
// used bit after bit -group when bit -group is itself used; otherwise, or when
// none follows, the wrap target `first` used bit when group is 0 or wrap is
// set, else 0.
static int32_t stepGroup(const GeoList* list, int32_t group, int32_t wrap, int first, int last,
                         int step) {
  if (!list) return 0;
  const uint32_t used = usedGroups(list);
  if (!used) return 0;
  bool passed = false;
  int wrapBit = 0;
  for (int bit = first; bit != last + step; bit += step) {
    if (!((used >> bit) & 1u)) continue;
    if (passed) return -bit;
    if (!wrapBit) wrapBit = bit;
    if (bit == -group) passed = true;
  }
  return (group == 0 || wrap == 1) ? -wrapBit : 0;
}

int32_t GVNextGeoGroupSel(const GeoList* list, int32_t group, int32_t wrap) {
  return stepGroup(list, group, wrap, 1, 31, 1);
}

int32_t GVPrevGeoGroupSel(const GeoList* list, int32_t group, int32_t wrap) {
  return stepGroup(list, group, wrap, 31, 1, -1);
}

int32_t GVNewGeoGroupSel(const GeoList* list) {
  const uint32_t used = list ? usedGroups(list) : 0;
  if (!used) return -1;
  int h = 31;
  while (!((used >> h) & 1u)) --h;
  return h <= 29 ? -(h + 1) : 0;
}

int32_t GVFirstGeoInSel(const GeoList* list, int32_t selection) {
  if (!list || selection == 0) return 0;
  for (const GObject* g = list->head; g; g = g->next)
    if (GVGeoMatchesSel(selection, g)) return g->id;
  return 0;
}

int32_t GVNextGeoInSel(const GeoList* list, int32_t selection, int32_t currentId, int32_t wrap) {
  const int32_t first = GVFirstGeoInSel(list, selection);
  if (!first) return 0;
  bool passed = false;
  for (const GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(selection, g)) continue;
    if (passed) return g->id;
    if (currentId != 0 && g->id == currentId) passed = true;
  }
  return (currentId == 0 || wrap == 1) ? first : 0;
}

static const GObject* lastGeo(const GeoList* list) {
  const GObject* g = list->head;
  while (g && g->next) g = g->next;
  return g;
}

int32_t GVNextGeoSel(const GeoList* list, int32_t current) {
  if (!list) return 0;
  const int32_t firstId = list->head ? list->head->id : 0;
  int32_t group = current;
  if (current >= 0) {
    if (current == 0) return firstId;
    const GObject* g = GVGetGeoById(list, current);
    if (g && g->next) return g->next->id;
    group = 0;  // from the last Geo, start before the lowest group
  }
  const int32_t next = GVNextGeoGroupSel(list, group, 0);
  return next ? next : firstId;
}

int32_t GVPrevGeoSel(const GeoList* list, int32_t current) {
  if (!list || !list->head) return 0;
  int32_t group = current;
  if (current > 0) {
    const GObject* prev = nullptr;
    const GObject* g = list->head;
    while (g && g->id != current) {
      prev = g;
      g = g->next;
    }
    if (g && prev) return prev->id;
    group = 0;  // from the first Geo, the highest group
  }
  const int32_t previous = GVPrevGeoGroupSel(list, group, 0);
  return previous ? previous : lastGeo(list)->id;
}

int32_t GVMoveGeoToEnd(GeoList* list, int32_t id) {
  if (!list || id == 0) return 0;
  GObject* prev = nullptr;
  GObject* geo = nullptr;
  GObject* tail = nullptr;
  for (GObject* g = list->head; g; g = g->next) {
    if (!geo && g->id == id) {
      geo = g;
      prev = tail;
    }
    tail = g;
  }
  if (!geo || geo == tail) return 0;
  GObject* follower = geo->next;
  if (prev)
    prev->next = follower;
  else
    list->head = follower;
  tail->next = geo;
  geo->next = nullptr;
  return follower->id;
}
