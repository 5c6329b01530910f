#include "step_block.h"

#include <cstring>

#include "jel/frame_store.h"

StepBlock::StepBlock(int cx, int cy, int cz, float h) : nx(cx + 1), ny(cy + 1), nz(cz + 1) {
  const int n = nx * ny * nz;
  jel.allocate(n, 1, 0, 0);
  jel.cellSize = h;
  JelStateRec* st = GVFrameStateRecs(jel.frameStore, 0);
  JelNodeRec* nr = GVFrameNodeRecs(jel.frameStore, 0);
  MatterProps* mp = GVFrameMatter(jel.frameStore, 0);
  const float ox = -0.5f * cx * h, oy = -0.5f * cy * h, oz = -0.5f * cz * h;
  for (int z = 0; z < nz; ++z)
    for (int y = 0; y < ny; ++y)
      for (int x = 0; x < nx; ++x) {
        const int i = at(x, y, z);
        int32_t* w = st[i].w;
        std::memset(w, 0, sizeof st[i].w);
        w[kStateCellFlag] = (x < cx && y < cy && (cz == 0 || z < cz)) ? 1 : 0;
        w[kStateGridX] = x + 1;
        w[kStateGridX + 1] = y + 1;
        w[kStateGridX + 2] = z + 1;
        const int nb[6] = {x > 0 ? at(x - 1, y, z) : 0, x + 1 < nx ? at(x + 1, y, z) : 0,
                           y > 0 ? at(x, y - 1, z) : 0, y + 1 < ny ? at(x, y + 1, z) : 0,
                           z > 0 ? at(x, y, z - 1) : 0, z + 1 < nz ? at(x, y, z + 1) : 0};
        for (int k = 0; k < 6; ++k) w[kStateNbr + k] = nb[k];
        float* f = nr[i].f;
        std::memset(f, 0, sizeof nr[i].f);
        f[0] = f[3] = ox + x * h;
        f[1] = f[4] = oy + y * h;
        f[2] = f[5] = oz + z * h;
        mp[i] = MatterProps{};
        const bool boundary = x == 0 || y == 0 || z == 0 || x == cx || y == cy || z == cz;
        jel.partMask[i] = 2u | (boundary ? 4u : 8u);
        jel.nodeKind[i] = boundary ? 2 : 0;
      }
  jel.finalize();
  jel.createState();
}

void StepBlock::subStep() {
  jel.state->computeForces();
  jel.state->integrate();
}

void StepBlock::setMatter(const MatterProps& m) {
  HAState* s = jel.state;
  for (int i = 1; i <= s->nodeCount; ++i) s->matter[i] = m;
  s->deriveMatterCoefficients();
}

static uint64_t fnv(uint64_t hash, const void* data, size_t bytes) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (size_t k = 0; k < bytes; ++k) hash = (hash ^ p[k]) * 1099511628211ull;
  return hash;
}

uint64_t StepBlock::stateHash() const {
  const HAState* s = jel.state;
  const size_t n1 = static_cast<size_t>(s->nodeCount) + 1;
  uint64_t hash = 1469598103934665603ull;
  hash = fnv(hash, s->pos, sizeof(Vec3f) * n1);
  hash = fnv(hash, s->vel, sizeof(Vec3f) * n1);
  hash = fnv(hash, s->restLinks, sizeof(*s->restLinks) * n1);
  hash = fnv(hash, s->linkStrain, sizeof(*s->linkStrain) * n1);
  return hash;
}

double StepBlock::kineticEnergy() const {
  const HAState* s = jel.state;
  double e = 0.0;
  for (int i = 1; i <= s->nodeCount; ++i) {
    const float* v = s->vel[i];
    e += 0.5 * s->mass[i] * (double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
  }
  return e;
}
