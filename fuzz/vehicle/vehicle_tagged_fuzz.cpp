// Feeds arbitrary bytes to the tagged vehicle record reader (every version,
// with its part blocks and auxiliary array). The world holds two vehicle Jels
// (ids 1 and 2) that read ids can name.
#include <cstdint>
#include <cstdio>

#include "fuzz/vehicle/fuzz_world.h"
#include "vehicle/vehicle_io.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!f) return 0;
  HWorld world;
  AddFuzzCube(&world, 1);
  AddFuzzCube(&world, 2);
  ObjHandle* cell = GVNewVehicle();
  GVReadVehicleTagged(GVVehicleOf(cell), f, &world);
  GVDeleteVehicleHandle(cell);
  std::fclose(f);
  return 0;
}
