#include "dynamics/glue.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "dynamics/group_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

static bool Writable(const HObject* j) { return j->playParams.mode != kWorldReplay; }
static bool NodeInRange(const HObject* j, int32_t n) { return n >= 1 && n <= j->nodeCount; }

// A Jel with a live state found by id (ids below 1 find nothing).
static HObject* LiveJel(HWorld* world, int32_t id) {
  if (id < 1) return nullptr;
  HObject* j = GVGetJelById(world, id);
  return j && j->state && j->pos && j->disp ? j : nullptr;
}

static bool HasLink(const HObject* j, int32_t node) {
  return j->glueJel && j->glueNode && j->glueJel[node] > 0 && j->glueNode[node] != 0;
}

// Each unordered pair once: a single Jel on either side fixes the order,
// two groups take the lower id first; within one Jel the lower node first.
static bool PairRule(int32_t sel1, int32_t sel2, const HObject* j1, const HObject* j2, int32_t i, int32_t j) {
  return (sel1 > 0 || sel2 > 0 || j1->id <= j2->id) && (j1 != j2 || i < j);
}

static int32_t GlueNodes(HWorld* world, HObject* ja, HObject* jb, int32_t a, int32_t b, int32_t mode, float d) {
  if (!NodeInRange(ja, a) || !NodeInRange(jb, b)) return 0;
  if (ja == jb && a == b) return 0;  // a node is not glued to itself
  double dist2 = 0.0;
  for (int k = 0; k < 3; ++k) {
    const double c = (double(jb->pos[b][k]) + jb->disp[b][k]) - (double(ja->pos[a][k]) + ja->disp[a][k]);
    dist2 += c * c;
  }
  if (mode == kGlueMake) {
    if (!(dist2 < double(d) * d)) return 0;
    ja->setNodeGlue(a, jb->id, b);
    jb->setNodeGlue(b, ja->id, a);
    return 1;
  }
  if (mode != kGlueRemove) return 0;
  if (!(d < 1e-10f)) {
    const double ma = ja->state->mass[a], mb = jb->state->mass[b];
    const double f = double(world->params.subSteps) * world->params.fps;
    const double k = ma + mb != 0.0 ? ma * mb * f * f / (ma + mb) : 0.0;
    if (!(double(d) * d <= dist2 * k * k)) return 0;
  }
  ja->setNodeGlue(a, 0, 0);
  jb->setNodeGlue(b, 0, 0);
  return 1;
}

int32_t GVGlueNodePair(HWorld* world, int32_t idA, int32_t idB, int32_t a, int32_t b, int32_t mode, float d) {
  if (!world) return 0;
  HObject* ja = LiveJel(world, idA);
  HObject* jb = LiveJel(world, idB);
  return ja && jb ? GlueNodes(world, ja, jb, a, b, mode, d) : 0;
}

namespace {

// The nodes of one Jel's part sorted by the cube of side `side` that holds
// their in-step position, so that the partners within that distance of a
// point are found among the 27 cubes around it instead of among all nodes.
struct NodeCubes {
  struct Entry {
    int64_t cube[3];
    int32_t node;
    bool operator<(const Entry& o) const {
      return std::lexicographical_compare(cube, cube + 3, o.cube, o.cube + 3);
    }
  };
  NodeCubes(const HObject* j, int32_t part, double side_) : side(side_) {
    for (int32_t n = 1; n <= j->nodeCount; ++n) {
      if (!j->inPart(n, part)) continue;
      Entry e;
      e.node = n;
      if (!cubeOf(j, n, e.cube)) {
        // A position no cube can hold: one cube for all.
        side = 0.0;
        for (Entry& f : entries) f.cube[0] = f.cube[1] = f.cube[2] = 0;
        cubeOf(j, n, e.cube);
      }
      entries.push_back(e);
    }
    std::sort(entries.begin(), entries.end());
  }
  // Without a usable side every node shares cube 0.
  bool cubeOf(const HObject* j, int32_t n, int64_t* cube) const {
    for (int k = 0; k < 3; ++k) {
      cube[k] = 0;
      if (side <= 0.0) continue;
      const double c = std::floor((double(j->pos[n][k]) + j->disp[n][k]) / side);
      if (!(std::fabs(c) < 1e15)) return false;
      cube[k] = static_cast<int64_t>(c);
    }
    return true;
  }
  // The candidate partners of node n of Jel j, in ascending order: the nodes
  // in the 27 cubes around it.
  void near(const HObject* j, int32_t n, std::vector<int32_t>* out) const {
    out->clear();
    int64_t c[3];
    if (!cubeOf(j, n, c)) {
      for (const Entry& e : entries) out->push_back(e.node);
      std::sort(out->begin(), out->end());
      return;
    }
    Entry key;
    for (int64_t dz = -1; dz <= 1; ++dz)
      for (int64_t dy = -1; dy <= 1; ++dy)
        for (int64_t dx = -1; dx <= 1; ++dx) {
          key.cube[0] = c[0] + dx;
          key.cube[1] = c[1] + dy;
          key.cube[2] = c[2] + dz;
          auto range = std::equal_range(entries.begin(), entries.end(), key);
          for (auto it = range.first; it != range.second; ++it) out->push_back(it->node);
        }
    std::sort(out->begin(), out->end());
  }
  double side;
  std::vector<Entry> entries;
};

}  // namespace

int32_t GVGlueSelParts(HWorld* world, int32_t sel1, int32_t sel2, int32_t p1, int32_t p2, float d) {
  if (!world) return 0;
  // Cubes a little larger than d: rounding in the cube index can then never
  // put two nodes closer than d more than one cube apart. Beyond a sane
  // distance (or for no distance at all) every pair is a candidate.
  const double side = d > 0.0f && d < 1e6f ? double(d) * 1.001 + 1e-6 : 0.0;
  std::vector<int32_t> partners;
  int32_t result = 0;
  for (HObject* j1 = world->head; j1; j1 = GVNextJel(j1)) {
    if (j1->id == 0 || !GVJelInSel(j1, sel1)) continue;
    for (HObject* j2 = world->head; j2; j2 = GVNextJel(j2)) {
      if (j2->id == 0 || !GVJelInSel(j2, sel2)) continue;
      // The Jels the ids stand for, looked up once per pair of Jels.
      HObject* ja = LiveJel(world, j1->id);
      HObject* jb = LiveJel(world, j2->id);
      if (!ja || !jb) continue;
      // Candidates in ascending node order, as the plain double loop takes
      // them: where a node has several partners, the last one binds.
      const NodeCubes table(j2, p2, side);
      for (int32_t i = 1; i <= j1->nodeCount; ++i) {
        if (!j1->inPart(i, p1)) continue;
        table.near(j1, i, &partners);
        for (int32_t j : partners)
          if (PairRule(sel1, sel2, j1, j2, i, j)) result |= GlueNodes(world, ja, jb, i, j, kGlueMake, d);
      }
    }
  }
  return result;
}

int32_t GVUnglueSelParts(HWorld* world, int32_t sel1, int32_t sel2, int32_t p1, int32_t p2, float d) {
  if (!world) return 0;
  int32_t result = 0;
  for (HObject* j1 = world->head; j1; j1 = GVNextJel(j1)) {
    if (j1->id == 0 || !GVJelInSel(j1, sel1)) continue;
    for (int32_t i = 1; i <= j1->nodeCount; ++i) {
      if (!j1->inPart(i, p1) || !HasLink(j1, i)) continue;
      HObject* j2 = GVGetJelById(world, j1->glueJel[i]);
      const int32_t j = j1->glueNode[i];
      if (!j2 || !GVJelInSel(j2, sel2) || !NodeInRange(j2, j) || !j2->inPart(j, p2)) continue;
      // A half link (the partner no longer points back) is removed from
      // whichever side finds it.
      if (PairRule(sel1, sel2, j1, j2, i, j) || !HasLink(j2, j))
        result |= GVGlueNodePair(world, j1->id, j2->id, i, j, kGlueRemove, d);
    }
  }
  return result;
}

void GVSelApplyGlue(HWorld* world, int32_t sel1, int32_t p1, int32_t sel2, int32_t p2) {
  if (!world) return;
  for (HObject* j1 = world->head; j1; j1 = GVNextJel(j1)) {
    if (j1->id == 0 || !GVJelInSel(j1, sel1) || !Writable(j1)) continue;
    for (int32_t i = 1; i <= j1->nodeCount; ++i) {
      if (!j1->inPart(i, p1) || !HasLink(j1, i)) continue;
      HObject* j2 = GVGetJelById(world, j1->glueJel[i]);
      const int32_t j = j1->glueNode[i];
      if (!j2 || !GVJelInSel(j2, sel2) || !Writable(j2) || !NodeInRange(j2, j) || !j2->inPart(j, p2)) continue;
      if (PairRule(sel1, sel2, j1, j2, i, j)) GVApplyGluePair(world, j1->id, j2->id, i, j);
    }
  }
}

int32_t GVApplyGluePair(HWorld* world, int32_t idA, int32_t idB, int32_t a, int32_t b) {
  if (!world) return 0;
  HObject* ja = LiveJel(world, idA);
  HObject* jb = LiveJel(world, idB);
  if (!ja || !jb || !NodeInRange(ja, a) || !NodeInRange(jb, b)) return 0;
  if (!Writable(ja) || !Writable(jb)) return 0;
  const float ma = ja->state->mass[a], mb = jb->state->mass[b];
  const float total = ma + mb;
  if (!(total > 0.0f)) return 0;
  for (int k = 0; k < 3; ++k) {
    const float c = (ma * (ja->pos[a][k] + ja->disp[a][k]) + mb * (jb->pos[b][k] + jb->disp[b][k])) / total;
    ja->disp[a][k] = c - ja->pos[a][k];
    jb->disp[b][k] = c - jb->pos[b][k];
  }
  return 1;
}

float GVGlueDistanceForSel(const HWorld* world, int32_t selection) {
  if (!world) return 0.0f;
  float smallest = 9e10f;
  bool found = false;
  for (const HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    found = true;
    if (j->cellSize < smallest) smallest = j->cellSize;
  }
  return found ? 0.2f * smallest : 0.0f;
}
