#include "runner_scene.h"

#include <cmath>
#include <cstring>

#include "dynamics/constraint_cmds.h"
#include "dynamics/world_runner.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

const float kSceneBox[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};

HObject* MakeDropJel(int cx, int cy, int cz, float h, const float corner[3], int32_t id, float fy) {
  const int nx = cx + 1, ny = cy + 1, nz = cz + 1;
  const int n = nx * ny * nz;
  auto at = [&](int x, int y, int z) { return 1 + x + nx * (y + ny * z); };
  HObject* jel = new HObject();
  jel->allocate(n, id, 0, 0);
  jel->cellSize = h;
  JelStateRec* st = GVFrameStateRecs(jel->frameStore, 0);
  JelNodeRec* nr = GVFrameNodeRecs(jel->frameStore, 0);
  MatterProps* mp = GVFrameMatter(jel->frameStore, 0);
  for (int z = 0; z < nz; ++z)
    for (int y = 0; y < ny; ++y)
      for (int x = 0; x < nx; ++x) {
        const int i = at(x, y, z);
        int32_t* w = st[i].w;
        std::memset(w, 0, sizeof st[i].w);
        w[kStateCellFlag] = (x < cx && y < cy && z < cz) ? 1 : 0;
        w[kStateGridX] = x + 1;
        w[kStateGridX + 1] = y + 1;
        w[kStateGridX + 2] = z + 1;
        const int nb[6] = {x > 0 ? at(x - 1, y, z) : 0, x + 1 < nx ? at(x + 1, y, z) : 0,
                           y > 0 ? at(x, y - 1, z) : 0, y + 1 < ny ? at(x, y + 1, z) : 0,
                           z > 0 ? at(x, y, z - 1) : 0, z + 1 < nz ? at(x, y, z + 1) : 0};
        for (int k = 0; k < 6; ++k) w[kStateNbr + k] = nb[k];
        float* f = nr[i].f;
        std::memset(f, 0, sizeof nr[i].f);
        f[0] = f[3] = corner[0] + x * h;
        f[1] = f[4] = corner[1] + y * h;
        f[2] = f[5] = corner[2] + z * h;
        mp[i] = MatterProps{};
        mp[i].forceY = fy;
        const bool boundary = x == 0 || y == 0 || z == 0 || x == cx || y == cy || z == cz;
        jel->partMask[i] = 2u | (boundary ? 4u : 8u);
        jel->nodeKind[i] = boundary ? 2 : 0;
      }
  jel->finalize();
  jel->createState();
  jel->storeFrame(0);  // the start slot takes the rest links of the live state
  return jel;
}

int32_t SceneFrameCB(void* owner, int32_t selection, void* user) {
  SceneDriver* drv = static_cast<SceneDriver*>(user);
  if (!owner) {
    if (selection != 0) return 1;
    if (drv) ++drv->asked;
    return drv ? drv->subSteps : 1;
  }
  HWorld* world = static_cast<HWorld*>(owner);
  if (drv) {
    ++drv->work;
    if (world->params.stepping) ++drv->workInStep;
  }
  GVSelWalls(world, selection, 1, kSceneBox);
  if (world->params.stateMode != -1) return 1;
  static const float kZero[3] = {0, 0, 0};
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, -1) && j->state && j->playParams.mode != kWorldReplay)
      j->state->setPartVelocity(1, kFrameInStep, kAxesAll, kZero);
  return 1;
}

int32_t SceneAfterCB(void*, int32_t, void* user) {
  if (SceneDriver* drv = static_cast<SceneDriver*>(user)) ++drv->after;
  return 0;
}

void AttachDriver(HWorld* world, SceneDriver* driver) {
  world->owner = world;
  world->callbackUser = driver;
  driver->world = world;
}

static uint64_t Fnv(uint64_t hash, const void* data, size_t bytes) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  for (size_t k = 0; k < bytes; ++k) hash = (hash ^ p[k]) * 1099511628211ull;
  return hash;
}

uint64_t WorldStateHash(const HWorld* world) {
  uint64_t hash = 1469598103934665603ull;
  for (const HObject* j = world->head; j; j = GVNextJel(j)) {
    const size_t bytes = sizeof(Vec3f) * static_cast<size_t>(j->nodeCount);
    hash = Fnv(hash, j->pos[1], bytes);
    hash = Fnv(hash, j->vel[1], bytes);
  }
  return hash;
}

std::vector<float> WorldPositions(const HWorld* world) {
  std::vector<float> out;
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    out.insert(out.end(), &j->pos[1][0], &j->pos[1][0] + 3 * j->nodeCount);
  return out;
}

float LowestY(const HObject* jel) {
  float y = 9e30f;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) y = std::fmin(y, jel->pos[i][1]);
  return y;
}

float LargestSpeed(const HObject* jel) {
  float v = 0.0f;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) {
    const float* u = jel->vel[i];
    v = std::fmax(v, std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]));
  }
  return v;
}
