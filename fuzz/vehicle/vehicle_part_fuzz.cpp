// Feeds arbitrary bytes to the vehicle part readers: as a tagged part block
// (both kinds) and, taken as an item-stream container, as part images (both
// kinds). The world holds one vehicle Jel (id 1) so that read ids can name it.
// A part image that reads must put back into exactly its counted size.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "fuzz/vehicle/fuzz_world.h"
#include "jel/jel_object.h"
#include "scene/item_stream.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_part.h"

static void rewindStream(ItemStream* s) { s->byteCount = s->intCount = s->floatCount = s->itemCount = 0; }

static void putBack(const VhclPartRec* p, bool rotator) {
  ItemStream out;
  rotator ? GVCountVhclRotPart(&out) : GVCountVhclWheelPart(&out);
  const uint32_t ints = out.intCount, floats = out.floatCount;
  if (GVItemStreamAlloc(&out) != kItemStreamOk) std::abort();
  rewindStream(&out);
  if ((rotator ? GVPutVhclRotPart(p, &out) : GVPutVhclWheelPart(p, &out)) != 1) std::abort();
  if (out.intCount != ints || out.floatCount != floats) std::abort();
  GVItemStreamReset(&out);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HWorld world;
  AddFuzzCube(&world, 1);
  for (bool rotator : {true, false}) {
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!f) continue;
    VhclPartRec** cell = GVNewVhclPartCell();
    if (rotator)
      GVReadVhclRotPart(*cell, f, &world);
    else
      GVReadVhclWheelPart(f, *cell, &world);
    GVFreeVhclPartCell(cell);
    std::fclose(f);
  }

  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  ItemStream stream;
  if (GVItemStreamRead(&stream, f) == kItemStreamOk) {
    for (bool rotator : {true, false}) {
      rewindStream(&stream);
      VhclPartRec** cell = GVNewVhclPartCell();
      const int32_t ok = rotator ? GVReadVhclRotPartImage(*cell, &world, &stream)
                                 : GVReadVhclWheelPartImage(*cell, &world, &stream);
      if (ok) putBack(*cell, rotator);
      GVFreeVhclPartCell(cell);
    }
  }
  GVItemStreamReset(&stream);
  std::fclose(f);
  return 0;
}
