// Sub-steps of a pile of ten 6 x 6 x 6-cell Jels in a box of Geo triangles,
// with every collision on: each pair of Jels both ways, and every Jel's nodes
// and edges against the box, resolved by the dynamic-command records.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "collision_scene.h"
#include "dynamics/collision_response.h"
#include "dynamics/dyn_cmd.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

// Every heap allocation of the program is counted, so the benchmark can
// report how many a running scene still makes per sub-step.
static std::atomic<long> gAllocations{0};

void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept { return operator new(size, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

constexpr int kJels = 10;
constexpr int kCells = 6;
constexpr float kCell = 0.25f;

void AddBox(TriMesh* box, float half, float height) {
  const float n = 16;
  // Floor facing up, then four walls facing in.
  const float fo[3] = {-half, 0, -half}, fu[3] = {0, 0, 2 * half}, fv[3] = {2 * half, 0, 0};
  box->addRect(fo, fu, fv, n, n);
  const float w1o[3] = {-half, 0, -half}, w1u[3] = {0, height, 0}, w1v[3] = {0, 0, 2 * half};
  box->addRect(w1o, w1u, w1v, n, n);  // -x wall, normal +x
  const float w2o[3] = {half, 0, -half}, w2u[3] = {0, 0, 2 * half}, w2v[3] = {0, height, 0};
  box->addRect(w2o, w2u, w2v, n, n);  // +x wall, normal -x
  const float w3o[3] = {-half, 0, -half}, w3u[3] = {2 * half, 0, 0}, w3v[3] = {0, height, 0};
  box->addRect(w3o, w3u, w3v, n, n);  // -z wall, normal +z
  const float w4o[3] = {-half, 0, half}, w4u[3] = {0, height, 0}, w4v[3] = {2 * half, 0, 0};
  box->addRect(w4o, w4u, w4v, n, n);  // +z wall, normal -z
  box->finish();
}

struct Pile {
  Pile() {
    WorldServices s = saved;
    GVInstallCollisionServices(&s);
    GVSetWorldServices(s);
    AddBox(&box, 1.8f, 6.0f);
    scene.subSteps = 4;
    MatterProps m;
    m.forceY = -9.8f;
    m.friction = 0.3f;
    const float side = kCells * kCell;
    for (int k = 0; k < kJels; ++k) {
      const int layer = k / 4, slot = k % 4;
      const float corner[3] = {-1.7f + (slot % 2) * (side + 0.15f) + 0.05f * layer,
                               0.05f + layer * (side + 0.1f), -1.7f + (slot / 2) * (side + 0.15f)};
      HObject* jel = NewBlockJel(kCells, kCells, kCells, kCell, k + 1, corner);
      SetJelMatter(jel, m);
      scene.add(jel);
    }
    scene.work = [this]() {
      GVSetupJelCollision(&scene.world, -1, -1, 1, 1, 0.0f, 0.0f, 2);
      for (HObject* j : scene.jels) {
        GVCollideJelGeoTris(&scene.world.contacts[3], &scene.world.contacts[4], 2, &box.mesh, 1.0f, 1, j->state);
        DynCmdArgs args;
        args.key1 = j->id;
        args.type = kDynCmdGeoJel;
        args.passes = 3;
        GVAddDynCmdRec(&scene.world, args);
      }
    };
  }
  ~Pile() { GVSetWorldServices(saved); }

  WorldServices saved = GVWorldServices();
  TriMesh box;
  SceneRunner scene;
};

void BM_CollisionPileSubSteps(benchmark::State& st) {
  Pile pile;
  GVSetWorldThreads(&pile.scene.world, static_cast<int32_t>(st.range(0)));
  for (int f = 0; f < 20; ++f) pile.scene.frame();  // let the pile settle into contact
  const long before = gAllocations.load();
  for (auto _ : st) {
    pile.scene.frame();
    benchmark::DoNotOptimize(pile.scene.jels[0]->state->pos[1][1]);
  }
  const double allocations = static_cast<double>(gAllocations.load() - before);
  int32_t contacts = 0;
  for (int32_t k = 0; k < pile.scene.world.cmdCount; ++k) {
    const DynCmdRec& r = pile.scene.world.cmds[k];
    if (r.jelContacts) contacts += r.jelContacts->count;
    if (r.geoContacts) contacts += r.geoContacts->count;
  }
  st.counters["contacts"] = contacts;
  st.counters["allocs_per_substep"] = allocations / (static_cast<double>(st.iterations()) * pile.scene.subSteps);
  st.counters["substeps_per_s"] =
      benchmark::Counter(static_cast<double>(pile.scene.subSteps), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CollisionPileSubSteps)->ArgName("threads")->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
