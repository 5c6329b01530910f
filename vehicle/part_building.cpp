// Building the two Jels of a vehicle part: rotor and motor cubes, and the
// wheel, rounded onto a circle and turned half a segment. A 16-segment wheel is
// two 8-segment rings of one Jel, laid over each other and turned a segment
// apart; the wheel drive keeps them paired.
#include <initializer_list>
#include <cmath>
#include <cstring>
#include <new>

#include "dynamics/rigid_parts.h"
#include "dynamics/world.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "records/heap_string.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_part.h"
#include "vehicle/wheel_rim.h"

namespace {

constexpr float kPi = 3.1415927f;

MatterProps partMatter(float cell, float density, float bulge, float friction) {
  MatterProps m;
  m.fRatio = 1.0f;
  m.scaleL = cell;
  m.scaleT = 1.0f;
  m.density = density;
  m.elasticity = 1.0f;
  m.damping = 1.0f;
  m.bulge = bulge;
  m.friction = friction;
  m.forceX = m.forceY = m.forceZ = 0.0f;
  m.flatZ = 1.0f;
  return m;
}

MatterProps cubeMatter(float cell) { return partMatter(cell, 4.0f, 0.35f, 0.0f); }

MatterProps wheelMatter(float cell, bool eight) { return partMatter(cell, eight ? 1.0f : 0.5f, 0.5f, 1.0f); }

// A lattice of nx x ny x nz grid points: filled whole, or (split) as two
// blocks of two point layers each with no cells between them.
HObject* buildLattice(float cell, int32_t nx, int32_t ny, int32_t nz, bool split, int32_t id, MatterProps matter) {
  LatticeSpec spec;
  spec.cellSize = cell;
  spec.nx = nx;
  spec.ny = ny;
  spec.nz = nz;
  LatticeBuilder b;
  if (!GVInitLatticeBuilder(&spec, &b)) return nullptr;
  if (split) {
    GVGridFillBox(1, nx, &b, 1, 1, ny, 2);
    GVGridFillBox(1, nx, &b, 1, 3, ny, 2);
  } else {
    GVGridFillAll(&b);
  }
  HObject* jel = GVCreateJelFromBuilder(&b, id, 0, 0, &matter);
  GVFreeLatticeBuilder(&b);
  return jel;
}

// Names the Jel, puts it in the groups, adds it to the world and refreshes its
// normals. Null (the Jel destroyed) when it cannot be added.
HObject* adopt(HWorld* world, HObject* jel, const char* name, int32_t group, int32_t group2, uint32_t flags) {
  if (!jel) return nullptr;
  GVSetString(&jel->name, name ? name : "");
  jel->setGroupBit(group, 1);
  jel->setGroupBit(group2, 1);
  jel->flags |= flags;
  if (!GVVehicleAddJel(world, jel)) {
    delete jel;
    return nullptr;
  }
  jel->computeFaceNormals();
  jel->computeNodeNormals();
  return jel;
}

int32_t pickId(const HWorld* world, int32_t id) { return id >= 1 && !GVVehicleJel(world, id) ? id : GVVehicleNextJelId(world); }

int32_t* zeroTable(const HObject* jel) { return jel ? new (std::nothrow) int32_t[jel->nodeCount + 1]() : nullptr; }

void captureShape(HObject* jel) {
  if (jel && jel->state) GVCapturePartShape(jel->state, 1);
}

void initialCentre(HObject* jel, float c[3]) { GVVehiclePart1Centre(&jel, 1, kFrameInitial, c); }

void rotationAboutZ(float angle, float R[9]) {
  const float v[3] = {0.0f, 0.0f, angle};
  GVRotationFromVector(v, R);
}

// Rounds the wheel onto the circle through its farthest node, stacks the two
// rings of a 16-segment wheel, and turns it half a segment (and the second ring
// a whole segment further). The result becomes the wheel's rest and initial
// shape.
void roundWheel(HObject* wheel, float cell, bool eight) {
  HAState* s = wheel->state;
  if (!s) return;
  const int32_t n = wheel->nodeCount;
  float c[3] = {0, 0, 0};
  GVGetGroupCentre(s, 1, kFrameCommitted, kAxisX | kAxisY, c);
  float R = 0.0f;
  for (int32_t i = 1; i <= n; ++i)
    R = std::fmax(R, std::hypot(s->pos[i][0] - c[0], s->pos[i][1] - c[1]));
  for (int32_t i = 1; i <= n; ++i) {
    if (GVWheelIsHub(i, n)) continue;
    const float dx = s->pos[i][0] - c[0], dy = s->pos[i][1] - c[1];
    const float d = std::hypot(dx, dy);
    if (d <= 0.0f) continue;
    s->pos[i][0] = c[0] + dx * R / d;
    s->pos[i][1] = c[1] + dy * R / d;
  }
  if (n == 36)
    for (int32_t i = 1; i <= n; ++i) s->pos[i][2] += i <= 18 ? cell : -cell;
  float M[9];
  rotationAboutZ(eight ? kPi / 8.0f : -kPi / 16.0f, M);
  wheel->rotateLiveState(M, c);
  if (n == 36) {
    rotationAboutZ(kPi / 8.0f, M);
    GVWheelTurnSecondHalf(s, c, M);
  }
  wheel->storeFrame(kFrameInitial);
  wheel->restoreFrame(kFrameInitial);
  wheel->storeFrame(0);
  wheel->computeFaceNormals();
  wheel->computeNodeNormals();
}

void markWheelParts(HObject* wheel, int32_t flags) {
  const int32_t n = wheel->nodeCount, half = n / 2;
  wheel->setNodePart(1, 4, 1);
  wheel->setNodePart(10, 4, 1);
  if (!(flags & kWheelHalfParts)) return;
  for (int32_t i = 1; i <= n; ++i) wheel->setNodePart(i, i <= half ? 6 : 7, 1);
  if (n >= 28) {
    wheel->setNodePart(19, 5, 1);
    wheel->setNodePart(28, 5, 1);
  }
}

}  // namespace

// A new wheel Jel of the kind asked (rounded and turned), in the world.
HObject* GVBuildVehicleWheelJel(HWorld* world, int32_t id, float cell, int32_t flags, const char* name,
                                int32_t group, int32_t group2) {
  const bool eight = (flags & kWheelEightSegments) != 0;
  HObject* wheel =
      adopt(world, buildLattice(cell, 3, 3, eight ? 2 : 4, !eight, pickId(world, id), wheelMatter(cell, eight)),
            name, group, group2, kJelVehicleWheel);
  if (!wheel) return nullptr;
  captureShape(wheel);
  markWheelParts(wheel, flags);
  roundWheel(wheel, cell, eight);
  return wheel;
}

void GVCreateVhclRotPart(VhclPartRec* part, int32_t groupSel, HWorld* world, int32_t idA, int32_t idB,
                         const char* nameA, const char* nameB, float cell) {
  if (!part || !world) return;
  part->world = world;
  part->groupSel = groupSel;
  HObject* a = adopt(world, buildLattice(cell, 2, 2, 2, false, pickId(world, idA), cubeMatter(cell)), nameA,
                     groupSel, 0, kJelVehicleMotor);
  HObject* b = adopt(world, buildLattice(cell, 2, 2, 2, false, pickId(world, idB), cubeMatter(cell)), nameB,
                     groupSel, 0, kJelVehicleMotor);
  delete[] part->nodeTableA;
  delete[] part->nodeTableB;
  part->nodeTableA = zeroTable(a);
  part->nodeTableB = zeroTable(b);
  if (b) {
    float c[3];
    initialCentre(b, c);
    const float back[3] = {-c[0], -c[1], -c[2]};
    b->addPartVec0(1, kFrameInitial, kAxesAll, back);
    b->restoreFrame(kFrameInitial);
  }
  part->jelA = part->jelAKey = a ? a->id : 0;
  part->jelB = part->jelBKey = b ? b->id : 0;
  captureShape(a);
  captureShape(b);
}

void GVCreateVhclWheelPart(VhclPartRec* part, HWorld* world, int32_t motorId, int32_t wheelId, int32_t groupSel,
                           int32_t groupAll, float cell, int32_t flags, const char* motorName,
                           const char* wheelName) {
  if (!part || !world) return;
  part->world = world;
  part->groupSel = groupSel;
  HObject* motor = adopt(world, buildLattice(cell, 2, 2, 2, false, pickId(world, motorId), cubeMatter(cell)),
                         motorName, groupSel, 0, kJelVehicleMotor);
  HObject* wheel = GVBuildVehicleWheelJel(world, wheelId, cell, flags, wheelName, groupSel, groupAll);
  part->jelA = part->jelAKey = motor ? motor->id : 0;
  part->jelB = part->jelBKey = wheel ? wheel->id : 0;
  captureShape(motor);
}

int32_t GVVhclPartSetWheelKind(VhclPartRec* part, int32_t mode) {
  if (!part || !part->world) return 0;
  HWorld* world = part->world;
  HObject* old = GVVehicleJel(world, part->jelB);
  if (!old || !((mode == 1 && old->nodeCount == 36) || (mode == 2 && old->nodeCount == 18))) return 0;
  const bool eight = mode == 1;
  MatterProps matter;
  old->getNodeMatter(1, 0, kMatterAllFields, &matter);
  HObject* wheel = buildLattice(old->cellSize, 3, 3, eight ? 2 : 4, !eight, old->id, matter);
  if (!wheel) return 0;
  GVSetString(&wheel->name, old->name);
  wheel->groupMask = old->groupMask;
  if (wheel->state) wheel->state->groupMask = old->groupMask;
  wheel->flags |= kJelVehicleWheel;
  wheel->vehicleLink = old->vehicleLink;
  markWheelParts(wheel, old->partMask && old->nodeCount >= 1 && (old->partMask[1] & (1u << 6)) ? kWheelHalfParts : 0);
  roundWheel(wheel, old->cellSize, eight);

  // The new wheel takes the old one's place: same initial centre, same place
  // in the list, same handle cell.
  float from[3], to[3], move[3];
  initialCentre(wheel, from);
  initialCentre(old, to);
  GVVecSub(move, to, from);
  wheel->addPartVec0(1, kFrameInitial, kAxesAll, move);
  wheel->restoreFrame(kFrameInitial);
  wheel->storeFrame(kFrameInitial);
  // Through the world's own list operations, so that its listeners hear of
  // the old wheel's removal and the new one's addition. The handle cell
  // stays: it holds the old wheel while that goes (its removal call-back
  // finds it there) and then the new one.
  HObject** cell = old->handle;
  const int32_t before = GVRemoveJel(world, old);
  wheel->userWord = old->userWord;
  delete old;
  wheel->handle = cell;
  if (cell) *cell = wheel;
  GVInsertJelAfter(world, wheel, before);
  captureShape(wheel);
  return 1;
}
