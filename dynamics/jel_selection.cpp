#include "dynamics/jel_selection.h"

#include <algorithm>
#include <cmath>

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"


int32_t GVJelSelBounds(const HWorld* world, int32_t selection, float out[6]) {
  if (!out) return 0;
  for (int k = 0; k < 3; ++k) {
    out[2 * k] = 9e30f;
    out[2 * k + 1] = -9e30f;
  }
  int32_t any = 0;
  if (world) {
    for (const HObject* j = world->head; j; j = GVNextJel(j)) {
      if (!GVJelInSel(j, selection) || !j->pos) continue;
      for (int32_t i = 1; i <= j->nodeCount; ++i)
        for (int k = 0; k < 3; ++k) {
          out[2 * k] = std::min(out[2 * k], j->pos[i][k]);
          out[2 * k + 1] = std::max(out[2 * k + 1], j->pos[i][k]);
        }
      any = any || j->nodeCount > 0;
    }
  }
  for (int k = 0; k < 3; ++k) {
    out[2 * k] = std::min(out[2 * k], 0.0f);
    out[2 * k + 1] = std::max(out[2 * k + 1], 0.0f);
  }
  return any;
}

int32_t GVJelLatticeExtent(const HWorld* world, int32_t id, LatticeDims* out) {
  if (!world || !out || id < 1) return 0;
  const HObject* j = GVGetJelById(world, id);
  if (!j || j->nodeCount < 1) return 0;
  j->getLatticeDims(out);
  for (int32_t& m : out->maxIndex) m = std::max(m, 0);
  return 1;
}

int32_t GVJelSelNodeCount(const HWorld* world, int32_t selection) {
  int32_t n = 0;
  if (world)
    for (const HObject* j = world->head; j; j = GVNextJel(j))
      if (GVJelInSel(j, selection)) n += j->nodeCount;
  return n;
}

int32_t GVJelSelFaceCount(const HWorld* world, int32_t selection) {
  int32_t n = 0;
  if (world)
    for (const HObject* j = world->head; j; j = GVNextJel(j))
      if (GVJelInSel(j, selection)) n += j->faceCount;
  return n;
}

int32_t GVJelSelNodeTangents(const HWorld* world, int32_t selection, int32_t node, float posOut[3],
                             float frameOut[9]) {
  if (!world) return 0;
  for (const HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    if (!j->state) return 0;
    return HBState::nodeTangents(j->state, node, posOut, frameOut);
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Groups

static bool GroupInRange(int32_t g) { return g >= 1 && g <= 31; }

// Group bits 1..31 carried by any Jel.
static uint32_t UsedGroups(const HWorld* world) {
  uint32_t used = 0;
  if (world)
    for (const HObject* j = world->head; j; j = GVNextJel(j)) used |= j->groupMask;
  return used & ~1u;
}

static int32_t LowestBit(uint32_t bits) {
  for (int32_t g = 1; g <= 31; ++g)
    if (bits >> g & 1u) return g;
  return 0;
}

static int32_t HighestBit(uint32_t bits) {
  for (int32_t g = 31; g >= 1; --g)
    if (bits >> g & 1u) return g;
  return 0;
}

static int32_t UsedAbove(uint32_t used, int32_t g) {
  for (int32_t k = g + 1; k <= 31; ++k)
    if (used >> k & 1u) return k;
  return 0;
}

static int32_t UsedBelow(uint32_t used, int32_t g) {
  for (int32_t k = g - 1; k >= 1; --k)
    if (used >> k & 1u) return k;
  return 0;
}

int32_t GVSetJelSelGroupBit(HWorld* world, int32_t selection, int32_t group, int32_t request) {
  if (!world || !GroupInRange(-group)) return 0;
  int32_t result = 0;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) result = j->setGroupBit(group, request) ? 1 : 0;
  return result;
}

int32_t GVFirstJelSelInGroup(const HWorld* world, int32_t selection, int32_t group) {
  if (!world || !GroupInRange(-group)) return 0;
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection) && (j->groupMask >> (-group) & 1u)) return 1;
  return 0;
}

int32_t GVNextJelGroupSel(const HWorld* world, int32_t current, int32_t wrap) {
  const uint32_t used = UsedGroups(world);
  if (!used) return 0;
  const int32_t g = -current;
  if (GroupInRange(g) && (used >> g & 1u)) {
    if (const int32_t k = UsedAbove(used, g)) return -k;
  }
  return current == 0 || wrap == 1 ? -LowestBit(used) : 0;
}

int32_t GVPrevJelGroupSel(const HWorld* world, int32_t current, int32_t wrap) {
  const uint32_t used = UsedGroups(world);
  if (!used) return 0;
  const int32_t g = -current;
  if (GroupInRange(g) && (used >> g & 1u)) {
    if (const int32_t k = UsedBelow(used, g)) return -k;
  }
  return current == 0 || wrap == 1 ? -HighestBit(used) : 0;
}

int32_t GVNewJelGroupSel(const HWorld* world) {
  const int32_t g = HighestBit(UsedGroups(world));
  if (g == 0) return -1;
  if (g >= 30) return 0;
  return -(g + 1);
}

static const HObject* FirstInSel(const HWorld* world, int32_t selection) {
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) return j;
  return nullptr;
}

int32_t GVNextJelInSel(const HWorld* world, int32_t selection, int32_t id, int32_t wrap) {
  if (!world) return 0;
  const HObject* first = FirstInSel(world, selection);
  if (id == 0) return first ? first->id : 0;
  const HObject* at = GVGetJelById(world, id);
  if (at)
    for (const HObject* j = GVNextJel(at); j; j = GVNextJel(j))
      if (GVJelInSel(j, selection)) return j->id;
  return wrap && first ? first->id : 0;
}

static int32_t FirstActive(const HWorld* world) {
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j)) return j->id;
  return 0;
}

static int32_t LastActive(const HWorld* world) {
  int32_t id = 0;
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelActive(j)) id = j->id;
  return id;
}

int32_t GVNextJelSel(const HWorld* world, int32_t current) {
  if (!world) return 0;
  const uint32_t used = UsedGroups(world);
  if (current > 0) {
    const HObject* at = GVGetJelById(world, current);
    if (at)
      for (const HObject* j = GVNextJel(at); j; j = GVNextJel(j))
        if (GVJelActive(j)) return j->id;
    if (used) return -LowestBit(used);
    return FirstActive(world);
  }
  if (current == 0) {
    if (const int32_t id = FirstActive(world)) return id;
    return used ? -LowestBit(used) : 0;
  }
  if (GroupInRange(-current))
    if (const int32_t k = UsedAbove(used, -current)) return -k;
  if (const int32_t id = FirstActive(world)) return id;
  return used ? -LowestBit(used) : 0;
}

int32_t GVPrevJelSel(const HWorld* world, int32_t current) {
  if (!world) return 0;
  const uint32_t used = UsedGroups(world);
  if (current > 0) {
    int32_t prev = 0;
    for (const HObject* j = world->head; j && j->id != current; j = GVNextJel(j))
      if (GVJelActive(j)) prev = j->id;
    if (prev) return prev;
    if (used) return -HighestBit(used);
    return LastActive(world);
  }
  if (current == 0) {
    if (used) return -HighestBit(used);
    return LastActive(world);
  }
  if (GroupInRange(-current))
    if (const int32_t k = UsedBelow(used, -current)) return -k;
  if (const int32_t id = LastActive(world)) return id;
  return used ? -HighestBit(used) : 0;
}

uint32_t GVJelSelPartMask(const HWorld* world, int32_t selection) {
  uint32_t u = 0;
  if (!world) return 0;
  for (const HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || !j->partMask) continue;
    for (int32_t i = 1; i <= j->nodeCount; ++i) u |= j->partMask[i];
  }
  return u;
}

int32_t GVPrevPartIndex(const HWorld* world, int32_t selection, int32_t part) {
  const uint32_t u = GVJelSelPartMask(world, selection);
  if (part >= 1 && part <= 31) {
    const int32_t k = UsedBelow(u, part);
    if (k) return k;
  }
  return HighestBit(u);
}

// ---------------------------------------------------------------------------
// Placement and picking

void GVSetJelSelLowestY(HWorld* world, int32_t selection, float y) {
  if (!world) return;
  float lowest = 9e30f;
  for (const HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || !j->pos) continue;
    for (int32_t i = 1; i <= j->nodeCount; ++i) lowest = std::min(lowest, j->pos[i][1]);
  }
  if (lowest >= 9e30f) return;  // no node selected
  const float dy = y - lowest;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || !j->pos) continue;
    for (int32_t i = 1; i <= j->nodeCount; ++i) j->pos[i][1] += dy;
  }
}

void GVRotateJelSel(HWorld* world, int32_t selection, const float centre[3], const float R[9]) {
  if (!world || !centre || !R) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) j->rotateLiveState(R, centre);
}

int32_t GVNearestJelNode(const HWorld* world, int32_t selection, const float point[3], float* dist,
                         int32_t* node, int32_t* jelId) {
  if (!world || !point) return 0;
  float best = 9e30f;
  int32_t bestNode = 0, bestJel = 0;
  for (const HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || !j->state) continue;
    int32_t n = 0;
    float d2 = 9e30f;
    j->state->findNearestNode(1, kFrameCommitted, point, &n, &d2);
    if (n > 0 && d2 < best) {
      best = d2;
      bestNode = n;
      bestJel = j->id;
    }
  }
  if (!bestNode) return 0;
  if (dist) *dist = std::sqrt(best);
  if (node) *node = bestNode;
  if (jelId) *jelId = bestJel;
  return bestNode;
}

void GVFreeJelWorld(HWorld** handle) {
  if (!handle) return;
  delete *handle;  // the destructor deletes every Jel
  *handle = nullptr;
  delete handle;
}
