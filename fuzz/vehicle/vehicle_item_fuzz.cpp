// Feeds arbitrary bytes, taken as an item-stream container, to the vehicle
// item reader. The world holds two vehicle Jels (ids 1 and 2) that read ids
// can name. An item that reads must put back into exactly its counted size,
// and a refused one must leave the cursors where they were.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/vehicle/fuzz_world.h"
#include "scene/item_stream.h"
#include "vehicle/vehicle_io.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"

static void putBack(const VehicleRec* v) {
  ItemStream out;
  GVCountVehicleItem(&out, v);
  const uint32_t ints = out.intCount, floats = out.floatCount;
  if (GVItemStreamAlloc(&out) != kItemStreamOk) std::abort();
  out.intCount = out.floatCount = 0;
  if (GVPutVehicleItem(v, &out) != 1 || out.intCount != ints || out.floatCount != floats) std::abort();
  GVItemStreamReset(&out);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  ItemStream stream;
  if (GVItemStreamRead(&stream, f) == kItemStreamOk) {
    HWorld world;
    AddFuzzCube(&world, 1);
    AddFuzzCube(&world, 2);
    stream.byteCount = stream.intCount = stream.floatCount = stream.itemCount = 0;
    ObjHandle* cell = GVNewVehicle();
    if (GVGetVehicleItem(&world, GVVehicleOf(cell), &stream)) {
      putBack(GVVehicleOf(cell));
    } else if (stream.intCount != 0 || stream.floatCount != 0) {
      std::abort();
    }
    GVDeleteVehicleHandle(cell);
  }
  GVItemStreamReset(&stream);
  std::fclose(f);
  return 0;
}
