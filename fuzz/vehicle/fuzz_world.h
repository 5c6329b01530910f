// The fuzz targets' world: vehicle Jels (2 x 2 x 2 cubes) that read ids can
// name.
#pragma once

#include <cstdint>

#include "dynamics/world.h"
#include "jel/jel_from_builder.h"
#include "jel/lattice_builder.h"
#include "vehicle/vehicle_jels.h"

inline void AddFuzzCube(HWorld* world, int32_t id) {
  LatticeBuilder b;
  LatticeSpec spec;
  GVInitLatticeBuilder(&spec, &b);
  GVGridFillAll(&b);
  GVVehicleAddJel(world, GVCreateJelFromBuilder(&b, id, 0, 0, nullptr));
  GVFreeLatticeBuilder(&b);
}
