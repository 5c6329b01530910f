#include "collision_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "dynamics/contact_list.h"
#include "dynamics/dyn_cmd.h"
#include "dynamics/world_runner.h"
#include "jel/contact_grid.h"
#include "jel/deformation_map.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

HObject* NewBlockJel(int cx, int cy, int cz, float h, int32_t id, const float corner[3]) {
  const int nx = cx + 1, ny = cy + 1, nz = cz + 1;
  auto at = [&](int x, int y, int z) { return 1 + x + nx * (y + ny * z); };
  HObject* jel = new HObject();
  jel->allocate(nx * ny * nz, id, 0, 0);
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
        f[0] = f[3] = corner[0] + x * h;
        f[1] = f[4] = corner[1] + y * h;
        f[2] = f[5] = corner[2] + z * h;
        mp[i] = MatterProps{};
        const bool boundary = x == 0 || y == 0 || z == 0 || x == cx || y == cy || z == cz;
        jel->partMask[i] = 2u | (boundary ? 4u : 8u);
        jel->nodeKind[i] = boundary ? 2 : 0;
      }
  jel->finalize();
  jel->createState();
  jel->playParams.endFrame = 0;
  jel->computeNodeNormals();
  return jel;
}

void SetJelMatter(HObject* jel, const MatterProps& m) {
  HAState* s = jel->state;
  for (int i = 1; i <= s->nodeCount; ++i) s->matter[i] = m;
  s->deriveMatterCoefficients();
}

// ---------------------------------------------------------------------------

TriMesh::~TriMesh() { GVFreeContactGrid(grid); }

void TriMesh::addRect(const float o[3], const float u[3], const float v[3], int nu, int nv) {
  const int32_t base = static_cast<int32_t>(vertices.size() / 3);
  for (int j = 0; j <= nv; ++j)
    for (int i = 0; i <= nu; ++i) {
      for (int a = 0; a < 3; ++a) {
        vertices.push_back(o[a] + u[a] * i / nu + v[a] * j / nv);
        displacement.push_back(0.0f);
      }
    }
  float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (float& c : n) c /= len;
  auto id = [&](int i, int j) { return base + i + (nu + 1) * j; };
  for (int j = 0; j < nv; ++j)
    for (int i = 0; i < nu; ++i) {
      const int32_t t[2][3] = {{id(i, j), id(i + 1, j), id(i + 1, j + 1)}, {id(i, j), id(i + 1, j + 1), id(i, j + 1)}};
      for (const auto& tri : t) {
        triangles.insert(triangles.end(), tri, tri + 3);
        normals.insert(normals.end(), n, n + 3);
      }
    }
}

float DeepestNodeInside(const HObject* a, HObject* b) {
  // b's own lattice arrays, carried by its live positions.
  DeformLattice L = GVJelDeformLattice(b);
  L.pos = b->state->pos;
  GVUpdateLatticeDeform(&L, 0);
  const bool flat = GVLatticeIsFlat(&L) != 0;
  float deepest = 0.0f;
  for (int32_t i = 1; i <= a->state->nodeCount; ++i) {
    const float* p = a->state->pos[i];
    GeoVertBind at;
    float back[3];
    if (!GVLatticeLocatePoint(&L, p, &at) || !GVLatticeEvalTrilinear(&L, &at, back)) continue;
    const float uvw[3] = {at.u, at.v, at.w};
    bool inside = std::fabs(back[0] - p[0]) + std::fabs(back[1] - p[1]) + std::fabs(back[2] - p[2]) < 1e-3f * b->cellSize;
    for (int k = 0; k < (flat ? 2 : 3); ++k) inside = inside && uvw[k] >= 0.0f && uvw[k] <= 1.0f;
    if (!inside) continue;
    float depth = 1e30f;
    for (int k = 0; k < (flat ? 2 : 3); ++k) {
      // Whole solid cells beyond this one on the low and the high side.
      int32_t low = 0, high = 0;
      for (int32_t c = b->nbr[k][at.cellNode]; c && b->cellFlag[c]; c = b->nbr[k][c]) ++low;
      for (int32_t c = b->nbr[3 + k][at.cellNode]; c && b->cellFlag[c]; c = b->nbr[3 + k][c]) ++high;
      depth = std::fmin(depth, (uvw[k] + float(low)) * b->cellSize);
      depth = std::fmin(depth, (1.0f - uvw[k] + float(high)) * b->cellSize);
    }
    deepest = std::fmax(deepest, depth);
  }
  return deepest;
}

void TriMesh::finish() {
  mesh = GeoTestMesh{};
  mesh.vertices = reinterpret_cast<const float(*)[3]>(vertices.data());
  mesh.displacement = reinterpret_cast<const float(*)[3]>(displacement.data());
  mesh.triangles = reinterpret_cast<const int32_t(*)[3]>(triangles.data());
  mesh.faceNormals = reinterpret_cast<const float(*)[3]>(normals.data());
  mesh.vertexCount = static_cast<int32_t>(vertices.size() / 3) - 1;
  mesh.triangleCount = static_cast<int32_t>(triangles.size() / 3) - 1;
  frames.resize(static_cast<size_t>(mesh.triangleCount) + 1);
  GVFillGeoTriFrames(&mesh, frames.data());
  mesh.triFrames = frames.data();
  float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
  float size = 0.0f;
  auto P = [&](int32_t v, int a) { return vertices[3 * v + a] + displacement[3 * v + a]; };
  for (int32_t v = 1; v <= mesh.vertexCount; ++v)
    for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], P(v, a)), hi[a] = std::max(hi[a], P(v, a));
  for (int32_t t = 1; t <= mesh.triangleCount; ++t)
    for (int k = 0; k < 3; ++k) {
      const int32_t p = triangles[3 * t + k], q = triangles[3 * t + (k + 1) % 3];
      float d2 = 0.0f;
      for (int a = 0; a < 3; ++a) d2 += (P(p, a) - P(q, a)) * (P(p, a) - P(q, a));
      size = std::max(size, std::sqrt(d2));
    }
  mesh.faceSize = size;
  float side = 0.0f;
  for (int a = 0; a < 3; ++a) side = std::max(side, hi[a] - lo[a]);
  for (int a = 0; a < 3; ++a) {
    const float grow = 0.5f * (side - (hi[a] - lo[a])) + 2.0f * size;
    lo[a] -= grow;
    hi[a] += grow;
  }
  if (!grid) grid = GVNewContactGrid();
  GVOctreeSetup(grid, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2], size, mesh.triangleCount);
  for (int32_t t = 1; t <= mesh.triangleCount; ++t) {
    float c[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k)
      for (int a = 0; a < 3; ++a) c[a] += P(triangles[3 * t + k], a) / 3.0f;
    GVOctreeAddItem(grid, t, c[0], c[1], c[2]);
  }
  mesh.grid = grid;
}

// ---------------------------------------------------------------------------

SceneRunner::SceneRunner() { world.params.endFrame = 0; }

SceneRunner::~SceneRunner() = default;  // the world deletes its Jels

void SceneRunner::add(HObject* jel) {
  GVAddJel(&world, jel);
  jels.push_back(jel);
}

// The frame driver's callback: the sub-steps asked for, and the
// application's work in every sub-step.
static int32_t SceneWork(void* owner, int32_t selection, void* user) {
  (void)owner;
  SceneRunner* runner = static_cast<SceneRunner*>(user);
  if (selection == 0) return runner->subSteps;
  if (runner->work) runner->work();
  return 1;
}

void SceneRunner::frame() {
  world.owner = &world;
  world.callbackUser = this;
  GVStepWorldFrames(&world, SceneWork);
  ++frameCount;
}

double SceneRunner::kineticEnergy() const {
  double e = 0.0;
  for (const HObject* j : jels) {
    const HAState* s = j->state;
    for (int32_t i = 1; i <= s->nodeCount; ++i)
      e += 0.5 * s->mass[i] * (s->vel[i][0] * s->vel[i][0] + s->vel[i][1] * s->vel[i][1] + s->vel[i][2] * s->vel[i][2]);
  }
  return e;
}
