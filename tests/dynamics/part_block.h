// A small solid block of nodes built as a Jel object, for the group-operation
// and constraint-command tests, and a plain free-flight sub-step so those tests
// can move a Jel without depending on its elastic forces.
#pragma once

#include <cstdint>
#include <memory>

#include "jel/jel_object.h"
#include "jel/live_state.h"

struct PartBlock {
  // nx x ny x nz nodes of spacing h whose lowest corner is at origin; nz = 1
  // gives a single layer. Every node is in part 1; matter is the default.
  PartBlock(int nx, int ny, int nz, float h = 1.0f, const float origin[3] = nullptr, int id = 1);

  HAState* state() const { return jel->state; }
  int at(int x, int y, int z) const { return 1 + x + nx * (y + ny * z); }
  int nodeCount() const { return jel->nodeCount; }
  // Adds the nodes for which pick(x, y, z) holds to part p.
  template <class F>
  void addPart(int p, F pick) {
    for (int z = 0; z < nz; ++z)
      for (int y = 0; y < ny; ++y)
        for (int x = 0; x < nx; ++x)
          if (pick(x, y, z)) jel->partMask[at(x, y, z)] |= 1u << p;
  }
  void setFriction(float f);
  void setVelocity(const float v[3]);

  // First half of a free-flight sub-step: disp = vel h + g h^2, stepping flag
  // set, frame-start positions saved on the first sub-step.
  void beginStep(const float gravity[3]);
  // Second half: vel = disp / h, pos += disp, disp = 0.
  void commitStep();

  // Hands the Jel to a new owner (a world); the block keeps using it.
  HObject* release() { return owned.release(); }

  int nx, ny, nz;
  std::unique_ptr<HObject> owned;
  HObject* jel = nullptr;
};

// Largest change of any pair distance between two position sets of the part.
float MaxPairDistanceChange(const HAState* s, int part, const Vec3f* a, const Vec3f* b);
