#include "part_block.h"

#include <cmath>
#include <cstring>

#include "jel/frame_store.h"

PartBlock::PartBlock(int nx_, int ny_, int nz_, float h, const float origin[3], int id) : nx(nx_), ny(ny_), nz(nz_) {
  const int n = nx * ny * nz;
  owned = std::make_unique<HObject>(n, id, 0, 100);
  jel = owned.get();
  jel->cellSize = h;
  JelStateRec* st = GVFrameStateRecs(jel->frameStore, 0);
  JelNodeRec* nr = GVFrameNodeRecs(jel->frameStore, 0);
  MatterProps* mp = GVFrameMatter(jel->frameStore, 0);
  const float o[3] = {origin ? origin[0] : 0.0f, origin ? origin[1] : 0.0f, origin ? origin[2] : 0.0f};
  for (int z = 0; z < nz; ++z)
    for (int y = 0; y < ny; ++y)
      for (int x = 0; x < nx; ++x) {
        const int i = at(x, y, z);
        const bool solid = x < nx - 1 && y < ny - 1 && (nz == 1 || z < nz - 1);
        st[i].w[kStateCellFlag] = solid ? 1 : 0;
        st[i].w[kStateGridX] = x + 1;
        st[i].w[kStateGridX + 1] = y + 1;
        st[i].w[kStateGridX + 2] = z + 1;
        const int nbr[6] = {x > 0 ? at(x - 1, y, z) : 0,      x < nx - 1 ? at(x + 1, y, z) : 0,
                            y > 0 ? at(x, y - 1, z) : 0,      y < ny - 1 ? at(x, y + 1, z) : 0,
                            z > 0 ? at(x, y, z - 1) : 0,      z < nz - 1 ? at(x, y, z + 1) : 0};
        for (int k = 0; k < 6; ++k) st[i].w[kStateNbr + k] = nbr[k];
        const float p[3] = {o[0] + x * h, o[1] + y * h, o[2] + z * h};
        for (int a = 0; a < 3; ++a) nr[i].f[kNodeNatural + a] = nr[i].f[kNodePos + a] = p[a];
        GVSetMatterDefaults(&mp[i]);
        jel->partMask[i] = 2u;
      }
  jel->finalize();
  jel->createState();
  jel->playParams.fps = 30;
  jel->playParams.subSteps = 1;
  jel->playParams.timeStep = 0.0f;
  jel->playParams.mode = 0;
  jel->playParams.subStepIndex = 1;
}

void PartBlock::setFriction(float f) {
  for (int i = 1; i <= nodeCount(); ++i) state()->matter[i].friction = f;
}

void PartBlock::setVelocity(const float v[3]) {
  for (int i = 1; i <= nodeCount(); ++i) std::memcpy(state()->vel[i], v, sizeof(float) * 3);
}

void PartBlock::beginStep(const float g[3]) {
  HAState* s = state();
  const float h = s->stepTime();
  s->params->stepping = 1;
  for (int i = 1; i <= s->nodeCount; ++i) {
    if (s->params->subStepIndex == 1) std::memcpy(s->stepStartPos[i], s->pos[i], sizeof(Vec3f));
    for (int k = 0; k < 3; ++k) s->disp[i][k] = s->vel[i][k] * h + (g ? g[k] : 0.0f) * h * h;
    s->contactFlags[i] = 0;
    s->reactionAccum[i][0] = s->reactionAccum[i][1] = s->reactionAccum[i][2] = 0.0f;
  }
}

void PartBlock::commitStep() {
  HAState* s = state();
  const float inv = s->invStepTime();
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) {
      s->vel[i][k] = s->disp[i][k] * inv;
      s->pos[i][k] += s->disp[i][k];
      s->disp[i][k] = 0.0f;
    }
  s->params->stepping = 0;
}

float MaxPairDistanceChange(const HAState* s, int part, const Vec3f* a, const Vec3f* b) {
  float worst = 0.0f;
  for (int i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    for (int j = i + 1; j <= s->nodeCount; ++j) {
      if (!s->inPart(j, part)) continue;
      float da = 0.0f, db = 0.0f;
      for (int k = 0; k < 3; ++k) {
        da += (a[i][k] - a[j][k]) * (a[i][k] - a[j][k]);
        db += (b[i][k] - b[j][k]) * (b[i][k] - b[j][k]);
      }
      worst = std::fmax(worst, std::fabs(std::sqrt(da) - std::sqrt(db)));
    }
  }
  return worst;
}
