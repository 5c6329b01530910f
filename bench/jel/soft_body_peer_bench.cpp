// The Jel sub-step beside the mass-spring soft body of the system's physics
// library on the same lattice: cells^3 unit cells, one node per lattice point,
// springs along the axes and the face diagonals, one solver iteration, one
// thread, stretched and spinning as in time_step_bench. Each iteration takes
// one sub-step of each, alternately, so both see the same machine load, and
// times each by this thread's processor time, which other processes sharing
// the core do not inflate; jel_rate and peer_rate are node-sub-steps per
// second and ratio is jel/peer.
#include <benchmark/benchmark.h>

#include <BulletSoftBody/btSoftBody.h>

#include <time.h>

#include <memory>
#include <vector>

#include "jel/live_state.h"
#include "step_block.h"

namespace {

struct PeerLattice {
  btSoftBodyWorldInfo info;
  std::unique_ptr<btSoftBody> body;

  explicit PeerLattice(int cells) {
    const int n = cells + 1;
    auto at = [n](int x, int y, int z) { return x + n * (y + n * z); };
    std::vector<btVector3> pos;
    std::vector<btScalar> mass(static_cast<size_t>(n) * n * n, 1.0f);
    for (int z = 0; z < n; ++z)
      for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) pos.emplace_back(x - 0.5f * cells, y - 0.5f * cells, z - 0.5f * cells);
    info.m_gravity.setZero();
    info.m_sparsesdf.Initialize();
    body = std::make_unique<btSoftBody>(&info, static_cast<int>(pos.size()), pos.data(), mass.data());
    auto link = [&](int x, int y, int z, int dx, int dy, int dz) {
      if (x + dx < n && y + dy < n && z + dz < n && x + dx >= 0 && y + dy >= 0)
        body->appendLink(at(x, y, z), at(x + dx, y + dy, z + dz), nullptr, false);
    };
    static const int kSteps[9][3] = {{1, 0, 0}, {0, 1, 0},  {0, 0, 1},  {1, 1, 0}, {1, -1, 0},
                                     {1, 0, 1}, {1, 0, -1}, {0, 1, 1}, {0, 1, -1}};
    for (int z = 0; z < n; ++z)
      for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
          for (const auto& d : kSteps)
            if (z + d[2] >= 0) link(x, y, z, d[0], d[1], d[2]);
    body->m_cfg.piterations = 1;
    body->updateConstants();
    for (int i = 0; i < body->m_nodes.size(); ++i) {
      btSoftBody::Node& node = body->m_nodes[i];
      node.m_x.setX(node.m_x.x() * 1.05f);
      node.m_q = node.m_x;
      node.m_v.setValue(-0.5f * node.m_x.y(), 0.5f * node.m_x.x(), 0);
    }
  }

  void subStep(btScalar dt) {
    body->predictMotion(dt);
    body->solveConstraints();
    body->integrateMotion();
  }
};

void BM_JelAgainstPeer(benchmark::State& st) {
  const int cells = static_cast<int>(st.range(0));
  StepBlock block(cells, cells, cells);
  HAState* s = block.state();
  s->workers = nullptr;
  for (int i = 1; i <= s->nodeCount; ++i) {
    float* p = s->pos[i];
    p[0] *= 1.05f;
    s->vel[i][0] = -0.5f * p[1];
    s->vel[i][1] = 0.5f * p[0];
  }
  PeerLattice peer(cells);
  auto now = [] {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
  };
  double jelSeconds = 0, peerSeconds = 0;
  for (auto _ : st) {
    const double t0 = now();
    s->computeForces();
    s->integrate();
    benchmark::DoNotOptimize(s->pos[1][0]);
    const double t1 = now();
    peer.subStep(1.0f / 600.0f);
    benchmark::DoNotOptimize(peer.body->m_nodes[0].m_x);
    const double t2 = now();
    jelSeconds += t1 - t0;
    peerSeconds += t2 - t1;
  }
  const double steps = static_cast<double>(st.iterations());
  const double jelRate = s->nodeCount * steps / jelSeconds;
  const double peerRate = peer.body->m_nodes.size() * steps / peerSeconds;
  st.counters["nodes"] = s->nodeCount;
  st.counters["jel_rate"] = jelRate;
  st.counters["peer_rate"] = peerRate;
  st.counters["ratio"] = jelRate / peerRate;
}
BENCHMARK(BM_JelAgainstPeer)->ArgName("cells")->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
