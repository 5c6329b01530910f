#include "dynamics/glue.h"

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

int32_t GVGlueNodePair(HWorld* world, int32_t idA, int32_t idB, int32_t a, int32_t b, int32_t mode, float d) {
  if (!world) return 0;
  HObject* ja = LiveJel(world, idA);
  HObject* jb = LiveJel(world, idB);
  if (!ja || !jb || !NodeInRange(ja, a) || !NodeInRange(jb, b)) return 0;
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

int32_t GVGlueSelParts(HWorld* world, int32_t sel1, int32_t sel2, int32_t p1, int32_t p2, float d) {
  if (!world) return 0;
  int32_t result = 0;
  for (HObject* j1 = world->head; j1; j1 = GVNextJel(j1)) {
    if (j1->id == 0 || !GVJelInSel(j1, sel1)) continue;
    for (HObject* j2 = world->head; j2; j2 = GVNextJel(j2)) {
      if (j2->id == 0 || !GVJelInSel(j2, sel2)) continue;
      for (int32_t i = 1; i <= j1->nodeCount; ++i) {
        if (!j1->inPart(i, p1)) continue;
        for (int32_t j = 1; j <= j2->nodeCount; ++j)
          if (j2->inPart(j, p2) && PairRule(sel1, sel2, j1, j2, i, j))
            result |= GVGlueNodePair(world, j1->id, j2->id, i, j, kGlueMake, d);
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
