// Reads arbitrary bytes as a Jel-list block, once from a file and once as the
// ints of an item-stream image. The Jel record stands in as two words (id, mode;
// an id below 1 is damage). A block that reads must give exactly its declared
// Jels; one that fails must leave the Jel already listed in place.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/jel_object.h"
#include "records/item_stream.h"

static HObject* FromFile(FILE* f, ChanHeaderForm*) {
  int32_t w[2];
  if (std::fread(w, 4, 2, f) != 2 || w[0] < 1) return nullptr;
  HObject* j = new HObject();
  j->id = w[0];
  j->playParams.mode = w[1];
  return j;
}

static HObject* FromImage(ItemStream* s) {
  if (!GVItemStreamHasRoom(s, 0, 2, 0, 0) || s->ints[s->intCount] < 1) return nullptr;
  HObject* j = new HObject();
  j->id = s->ints[s->intCount];
  j->playParams.mode = s->ints[s->intCount + 1];
  s->intCount += 2;
  return j;
}

static int32_t Count(const HWorld& w) {
  int32_t n = 0;
  for (const HObject* j = w.head; j; j = j->next) ++n;
  return n;
}

static void Check(const HWorld& w, int32_t result, int32_t declared) {
  if (result == 1 && Count(w) != declared) std::abort();
  if (result == 0 && (Count(w) != 1 || w.head->id != 777)) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WorldServices s;
  s.jelFromFile = FromFile;
  s.jelFromImage = FromImage;
  GVSetWorldServices(s);

  if (size >= 4) {
    HWorld w;
    HObject* keep = new HObject();
    keep->id = 777;
    GVAddJel(&w, keep);
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    int32_t declared;
    std::memcpy(&declared, data, 4);
    Check(w, GVReadJelList(&w, f), declared);
    std::fclose(f);
  }

  ItemStream img;
  img.intCount = static_cast<uint32_t>(size / 4);
  if (img.intCount > 0 && GVItemStreamAlloc(&img) == kItemStreamOk) {
    std::memcpy(img.ints, data, img.intCount * 4);
    const int32_t declared = img.ints[0];
    img.intCount = 0;
    HWorld w;
    HObject* keep = new HObject();
    keep->id = 777;
    GVAddJel(&w, keep);
    Check(w, GVReadJelListImage(&w, &img), declared);
    GVItemStreamReset(&img);
  }
  return 0;
}
