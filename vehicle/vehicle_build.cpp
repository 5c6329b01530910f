// Building the 2x2 vehicle. The chassis, body and suspension are lattices of
// grid boxes (a run of p points from a covers points a .. a + p - 1); the
// rotator and motor-wheel parts are made by the part code and placed here at
// the chassis's corners.
#include "vehicle/vehicle_build.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "dynamics/glue.h"
#include "dynamics/jel_selection.h"
#include "dynamics/rigid_parts.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/live_state.h"
#include "records/heap_string.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_setup.h"

namespace {

struct Box {
  int32_t x0, xn, y0, yn, z0, zn;
};

enum class Lattice { Chassis, Body, Suspension };

MatterProps latticeMatter(float s, Lattice kind, int32_t nA, int32_t nB) {
  MatterProps m;
  m.fRatio = 1.0f;
  m.scaleL = s;
  m.scaleT = 1.0f;
  m.density = 1.0f;
  m.elasticity = 1.0f;
  m.damping = 1.0f;
  m.bulge = 0.35f;
  m.friction = 0.0f;
  m.forceX = m.forceY = m.forceZ = 0.0f;
  m.flatZ = 1.0f;
  if (kind == Lattice::Suspension) {
    m.fRatio = 3.0f;
    m.elasticity = nA <= 2 && nB <= 2 ? 0.9f : 0.5f;
    m.damping = 3.0f;
  }
  return m;
}

// The posts of the body (y[1, 3]) and of the suspension (y[1, q]) by the post
// flags: at both ends of the lattice, on both sides.
int32_t addPosts(Box* out, int32_t flags, int32_t nA, int32_t nB, int32_t q) {
  int32_t n = 0;
  auto pair = [&](int32_t xa, int32_t xn, int32_t za, int32_t zb, int32_t zn) {
    for (int32_t x : {xa, 2})
      for (int32_t z : {za, zb}) out[n++] = {x, xn, 1, q, z, zn};
  };
  if (flags & kBuildBody) pair(nA - 2, 2, 2, nB - 2, 2);
  if (flags & kBuildPostsWide) pair(nA - 3, 3, 2, nB - 2, 2);
  if (flags & kBuildPostsLong) pair(nA - 2, 2, 2, nB - 3, 3);
  return n;
}

int32_t boxesOf(Lattice kind, int32_t nA, int32_t nB, int32_t flags, Box* out) {
  const int32_t h = nA / 2;
  int32_t n = 0;
  auto flat = [&](int32_t x0, int32_t xn, int32_t z0, int32_t zn) { out[n++] = {x0, xn, 1, 2, z0, zn}; };
  switch (kind) {
    case Lattice::Chassis:
      if (flags & kBuildBody) {
        flat(2, nA - 2, 2, 2);
        flat(2, nA - 2, nB - 2, 2);
        flat(nA - 2, 2, 1, nB);
        flat(h, 2, 2, nB - 2);
        flat(2, 2, 1, nB);
      } else {
        flat(h, nA - h + 1, 3, nB - 4);
        flat(2, nA - 4, 2, 2);
        flat(2, nA - 4, nB - 2, 2);
        flat(nA - 2, 2, 1, nB);
        flat(h, 2, 2, nB - 2);
        flat(2, 2, 1, nB);
        flat(1, 2, 3, 2);
        flat(1, 2, nB - 3, 2);
        if (flags & kBuildCrossPlate) out[n++] = {nA - 5, 2, 2, 2, 3, nB - 4};
      }
      return n;
    case Lattice::Body:
      flat(nA - 1, 2, 2, nB - 2);
      flat(2, nA - 2, 2, 2);
      flat(2, nA - 2, nB - 2, 2);
      flat(2, 2, 2, nB - 2);
      flat(nA - 2, 2, 2, nB - 2);
      flat(h, 2, 2, nB - 2);
      flat(1, 2, 3, 2);
      flat(1, 2, nB - 3, 2);
      if (flags & kBuildBodyPosts) n += addPosts(out + n, flags, nA, nB, 3);
      return n;
    case Lattice::Suspension:
      return addPosts(out, flags, nA, nB, flags & kBuildBodyPosts ? 3 : 2);
  }
  return n;
}

void centreAt(HObject* j, int32_t frame, float c[3]) { GVVehiclePart1Centre(&j, 1, frame, c); }

HObject* buildLatticeJel(VehicleRec* v, Lattice kind, int32_t id, const char* name, float s, int32_t group,
                         int32_t nA, int32_t nB, int32_t flags) {
  if (!v || !v->world) return nullptr;
  LatticeSpec spec;
  spec.cellSize = s;
  spec.nx = nA;
  spec.ny = kind == Lattice::Body ? 6 : 4;
  spec.nz = nB;
  LatticeBuilder b;
  if (!GVInitLatticeBuilder(&spec, &b)) return nullptr;
  Box boxes[24];
  const int32_t count = boxesOf(kind, nA, nB, flags, boxes);
  for (int32_t k = 0; k < count; ++k) {
    const Box& x = boxes[k];
    GVGridFillBox(x.x0, x.xn, &b, x.y0, x.z0, x.yn, x.zn);
  }
  MatterProps matter = latticeMatter(s, kind, nA, nB);
  HObject* j = GVCreateJelFromBuilder(&b, id, 0, 0, &matter);
  GVFreeLatticeBuilder(&b);
  if (!j) return nullptr;

  // Half a point (half a cell for the suspension) towards -x, so the three
  // lattices and the parts line up on the chassis's grid points.
  const float d = kind == Lattice::Suspension ? 0.5f * s : 0.5f;
  float c[3], target[3], move[3];
  centreAt(j, 0, c);
  target[0] = c[0] - d;
  target[1] = c[1];
  target[2] = c[2];
  for (int k = 0; k < 3; ++k) move[k] = target[k] - c[k];
  j->addPartVec0(1, 0, kAxesAll, move);
  centreAt(j, 0, c);
  for (int k = 0; k < 3; ++k) move[k] = target[k] - c[k];
  j->addPartVec0(1, 0, kAxesAll, move);

  const int32_t faces = j->faceCount, nodes = j->nodeCount;
  // The moved rest shape becomes the live state and the start frame.
  j->restoreFrame(kFrameInitial);
  j->storeFrame(kFrameInitial);
  GVSetString(&j->name, name ? name : "");
  j->setGroupBit(group, 1);
  if (!GVVehicleAddJel(v->world, j)) {
    delete j;
    return nullptr;
  }
  if (faces != j->faceCount || nodes != j->nodeCount || j->frameMarks[0] < 0) {
    j->computeFaceNormals();
    j->computeNodeNormals();
  }
  return j;
}

void captureShape(HObject* j, int32_t part) {
  if (j && j->state && part != 0) GVCapturePartShape(j->state, part);
}

void formatName(char* out, size_t size, const char* pattern, int32_t number) {
  std::snprintf(out, size, pattern, number);
}

int32_t linkOf(const HWorld* world, int32_t id) {
  const HObject* j = GVVehicleJel(world, id);
  return j ? j->vehicleLink : 0;
}

// The suspension's top post layer goes into part suspPart (the chassis side),
// its bottom layer into part suspBodyPart (the body side).
void markSuspensionParts(HObject* susp, int32_t suspPart, int32_t bodyPart) {
  if (!susp || !susp->state) return;
  HAState* s = susp->state;
  int32_t top = 0;
  for (int32_t i = 1; i <= s->nodeCount; ++i) top = std::max(top, s->gridIndex[i][1]);
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    susp->setNodePart(i, suspPart, s->gridIndex[i][1] == top ? 1 : 0);
    susp->setNodePart(i, bodyPart, s->gridIndex[i][1] == 1 ? 1 : 0);
  }
}

}  // namespace

HObject* GVBuildChassisJel(VehicleRec* v, int32_t id, const char* name, float s, int32_t group, int32_t nA,
                           int32_t nB, int32_t flags) {
  return buildLatticeJel(v, Lattice::Chassis, id, name, s, group, nA, nB, flags);
}

HObject* GVBuildBodyJel(VehicleRec* v, int32_t id, const char* name, float s, int32_t group, int32_t nA,
                        int32_t nB, int32_t flags) {
  return buildLatticeJel(v, Lattice::Body, id, name, s, group, nA, nB, flags);
}

HObject* GVBuildSuspensionJel(VehicleRec* v, int32_t id, const char* name, float s, int32_t group, int32_t nA,
                              int32_t nB, int32_t flags) {
  return buildLatticeJel(v, Lattice::Suspension, id, name, s, group, nA, nB, flags);
}

void GVBuildBodySuspJels(VehicleRec* v, float s, int32_t group, int32_t nA, int32_t nB, int32_t flags) {
  if (!v || !v->world) return;
  char name[32];
  formatName(name, sizeof name, "V%d_body", v->number);
  HObject* body = GVBuildBodyJel(v, v->bodyJel, name, s, group, nA, nB, flags);
  formatName(name, sizeof name, "V%d_susp", v->number);
  HObject* susp = GVBuildSuspensionJel(v, v->suspensionJel, name, s, group, nA, nB, flags);
  v->bodyJel = body ? body->id : 0;
  v->suspensionJel = susp ? susp->id : 0;
  v->suspBodyPart = 7;
  v->suspPart = 6;
  markSuspensionParts(susp, v->suspPart, v->suspBodyPart);
  captureShape(body, 1);
}

void GVBuildVehicle2x2(VehicleRec* v, HWorld* world, const int32_t ids[kVehicleJelIds], const int32_t groups[9],
                       float s, int32_t nA, int32_t nB, int32_t flags) {
  if (!v || !ids || !groups) return;
  const int32_t links[3] = {linkOf(v->world, v->chassisJel), linkOf(v->world, v->bodyJel),
                            linkOf(v->world, v->suspensionJel)};
  GVVehicleFreeParts(v);

  v->world = world;
  v->groupChassis = groups[0];
  v->groupAll = groups[7];
  v->groupExtra = groups[8];
  v->scale = s;
  v->heading = 0.0f;
  v->number = 1;
  v->type = 2;
  v->chassisJel = ids[0];
  if (!world) return;

  HObject* chassis = GVBuildChassisJel(v, ids[0], "V1_chass", s, v->groupChassis, nA, nB, flags);
  v->chassisJel = chassis ? chassis->id : 0;
  captureShape(chassis, v->chassisPart);

  nA = std::clamp(nA, 7, 20);
  nB = std::clamp(nB, 6, 20);
  const bool body = (flags & kBuildBody) != 0;
  if (body) {
    v->bodyJel = ids[1];
    v->suspensionJel = ids[2];
    GVBuildBodySuspJels(v, s, v->groupChassis, nA, nB, flags);
  }

  // The part points on the chassis's corners.
  float b[6] = {0, 0, 0, 0, 0, 0};
  LatticeDims dims{};
  GVJelSelBounds(world, v->chassisJel, b);
  GVJelLatticeExtent(world, v->chassisJel, &dims);
  const float ex = float(dims.maxIndex[0]);
  const float xF = body ? b[1] - 0.5f * s : b[0] + (ex + 0.5f - 3.0f) * s;
  const float xB = body ? b[0] + 0.5f * s : b[0] + 1.5f * s;
  const float y = b[2] + 0.5f * s, zL = b[4] + 0.5f * s, zR = b[5] - 0.5f * s;

  char na[32], nb[32];
  struct Slot {
    VhclPartRec*** cell;
    const char* a;
    const char* b;
    float x, z;
    bool wheel;
  };
  const Slot slots[6] = {{&v->rotorL, "V%d_rotAL", "V%d_rotBL", xF, zL, false},
                         {&v->rotorR, "V%d_rotAR", "V%d_rotBR", xF, zR, false},
                         {&v->wheelFL, "V%d_motFL", "V%d_whlFL", xF, zL, true},
                         {&v->wheelFR, "V%d_motFR", "V%d_whlFR", xF, zR, true},
                         {&v->wheelBL, "V%d_motBL", "V%d_whlBL", xB, zL, true},
                         {&v->wheelBR, "V%d_motBR", "V%d_whlBR", xB, zR, true}};
  for (int k = 0; k < 6; ++k) {
    const Slot& sl = slots[k];
    formatName(na, sizeof na, sl.a, v->number);
    formatName(nb, sizeof nb, sl.b, v->number);
    const int32_t idA = ids[3 + 2 * k], idB = ids[4 + 2 * k];
    *sl.cell = sl.wheel ? GVNewVhclWheelPart(world, idA, idB, na, nb, s, groups[1 + k], v->groupAll, 0)
                        : GVNewVhclRotPart(world, idA, idB, na, nb, s, groups[1 + k]);
    VhclPartRec* p = *sl.cell ? **sl.cell : nullptr;
    if (!p) continue;
    const float at[3] = {sl.x, y, sl.z};
    GVVhclPartPlaceAt(p, at);
    for (int32_t id : {p->jelA, p->jelB})
      if (HObject* j = GVVehicleJel(world, id)) j->setGroupBit(v->groupChassis, 1);
  }

  GVVehicleForEachJel(v, [](HObject* j) { j->restoreFrame(0); });
  GVResetSelToWorld(world, v->groupChassis);
  GVVehicleSetupParts(v);
  GVVehicleSetDriveKind(v, 1, 0);
  delete[] v->aux;
  v->aux = new (std::nothrow) float[5]();
  v->auxCount = v->aux ? 5 : 0;
  GVVehicleFindHeadingNode(v);
  for (int k = 0; k < 3; ++k)
    if (links[k] != 0) GVVehicleMarkPartJels(v, links[k]);
  // The marking leaves the suspension out; it keeps its own link too.
  HObject* susp = GVVehicleJel(world, v->suspensionJel);
  if (susp && links[2] != 0) susp->vehicleLink = links[2];
}

void GVVehicleGlueSuspension(VehicleRec* v) {
  if (!v || !v->world) return;
  HObject* chassis = GVVehicleJel(v->world, v->chassisJel);
  HObject* body = GVVehicleJel(v->world, v->bodyJel);
  HObject* susp = GVVehicleJel(v->world, v->suspensionJel);
  if (!chassis || !body || !susp || !susp->state || !chassis->state || !body->state) return;
  susp->flags |= 4;
  const float r2 = susp->cellSize * susp->cellSize;
  HAState* s = susp->state;
  // A node holds one glue link: partner nodes already glued elsewhere (to the
  // parts, which are glued first) are left to their partners.
  auto linked = [](const HObject* j, int32_t i, int32_t otherId, int32_t node) {
    return j->glueJel && j->glueJel[i] == otherId && j->glueNode[i] == node;
  };
  auto tie = [&](int32_t part, HObject* other) {
    for (int32_t i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, part)) continue;
      float p[3], d2 = 0.0f;
      int32_t node = 0;
      s->getNodePosition(i, kFrameCommitted, kAxesAll, p);
      other->state->findNearestNode(1, kFrameCommitted, p, &node, &d2);
      if (node == 0 || d2 > r2) {
        if (s->glueJel && s->glueJel[i] != 0)
          GVGlueNodePair(v->world, susp->id, s->glueJel[i], i, s->glueNode[i], kGlueRemove, 0.0f);
        continue;
      }
      const bool mine = linked(other, node, susp->id, i);
      if (d2 < 0.1f * r2) {
        if (!mine && other->glueJel && other->glueJel[node] != 0) continue;
        other->setNodePart(node, part, 1);
        GVGlueNodePair(v->world, susp->id, other->id, i, node, kGlueMake, 0.1f * susp->cellSize);
      } else if (mine) {
        GVGlueNodePair(v->world, susp->id, other->id, i, node, kGlueRemove, 0.0f);
      }
    }
  };
  tie(v->suspBodyPart, body);
  tie(v->suspPart, chassis);
}

int32_t GVVehicleRefPoint(VehicleRec* v, float out[3]) {
  if (!v || !v->world || !out) return 0;
  const bool susp = v->bodyJel && v->suspensionJel && GVVehicleJel(v->world, v->suspensionJel);
  const int32_t id = susp ? v->suspensionJel : v->chassisJel;
  if (!GVVehicleJel(v->world, id)) return 0;
  float b[6];
  LatticeDims dims{};
  GVJelSelBounds(v->world, id, b);
  GVJelLatticeExtent(v->world, id, &dims);
  const float s = v->scale;
  out[0] = b[0] + float(dims.maxIndex[0] / 2 - 1) * s;
  out[1] = b[2] + s;
  out[2] = b[4] + float(dims.maxIndex[2] / 2) * s;
  return 1;
}
