// A Jel block built through the Jel object the way the lattice builder fills
// one: start-slot records (cell flags, grid indices, neighbours, positions,
// default matter), the lattice tables, then the live state. Shared by the
// time-step tests and benchmark.
#pragma once

#include <cstdint>

#include "jel/jel_object.h"
#include "jel/live_state.h"

struct StepBlock {
  // cx x cy x cz solid cells of size h centred on the origin; cz = 0 gives a
  // single node layer (a flat Jel).
  StepBlock(int cx, int cy, int cz, float h = 1.0f);

  HAState* state() const { return jel.state; }
  int nodeCount() const { return jel.nodeCount; }
  int at(int x, int y, int z) const { return 1 + x + nx * (y + ny * z); }

  // One sub-step: force phase then commit phase.
  void subStep();
  // Every node's matter set to m, then the coefficients derived again.
  void setMatter(const MatterProps& m);
  // A hash of positions, velocities, rest links and link strains.
  uint64_t stateHash() const;
  // Kinetic energy from the committed velocities.
  double kineticEnergy() const;

  int nx, ny, nz;
  HObject jel;
};
