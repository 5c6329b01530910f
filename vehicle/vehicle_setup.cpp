// Set-up of a vehicle's Jels for driving (glue between the parts and the
// chassis, the parts the driving update uses, the heading node), its drive
// constants, and the vehicle panel's services.
#include "vehicle/vehicle_setup.h"

#include <initializer_list>
#include <algorithm>
#include <cmath>
#include <vector>

#include "dynamics/glue.h"
#include "dynamics/jel_selection.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "scene/scene_records.h"
#include "vehicle/vehicle_build.h"

namespace {


template <class F>
void forEachPart(VehicleRec* v, F f) {
  for (VhclPartRec** cell : {v->rotorL, v->rotorR, v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR})
    if (VhclPartRec* p = GVVhclPartOf(cell)) f(p);
}

int32_t motorOf(VhclPartRec** cell) {
  const VhclPartRec* p = GVVhclPartOf(cell);
  return p ? p->jelA : 0;
}

bool strongDrive(const VehicleRec* v) { return v->chassisPart == 1 && v->rigidWheels != 0; }

// Masked matter into part 1 of a Jel at its initial frame and its live state;
// Jels in replay keep theirs.
void writePart1(HObject* j, uint32_t mask, const MatterProps& values) {
  if (!j || j->playParams.mode == kWorldReplay) return;
  MatterProps m = values;
  j->setPartMatter(1, 0, mask, &m);
  if (j->state) {
    m = values;
    j->state->setPartMatter(1, kFrameCommitted, mask, &m);
  }
}

float matterSubSteps(HObject* j, float scale) {
  MatterProps m;
  GVSetMatterDefaults(&m);
  j->getNodeMatter(1, 0, kMatterAllFields, &m);
  return GVMatterSubSteps(&m, scale);
}

// Calls f for every Jel that is not one of the vehicle's own and has a node
// glued to one of the listed Jels.
template <class F>
void forEachGluedJel(VehicleRec* v, std::initializer_list<int32_t> to, F f) {
  for (HObject* j = v->world->head; j; j = GVNextJel(j)) {
    if (GVVehicleHasJel(v, j->id, 0) || !j->glueJel) continue;
    bool glued = false;
    for (int32_t i = 1; i <= j->nodeCount && !glued; ++i)
      for (int32_t id : to) glued = glued || (id != 0 && j->glueJel[i] == id);
    if (glued) f(j);
  }
}

// Centre of part 1 of a Jel at the committed live state.
bool liveCentre(const HWorld* world, int32_t id, float c[3]) {
  HObject* j = GVVehicleJel(world, id);
  if (!j || !j->state) return false;
  GVVehiclePart1Centre(&j, 1, kFrameCommitted, c);
  return true;
}

void setupType2(VehicleRec* v) {
  HWorld* w = v->world;
  GVVehicleValidate(v);
  for (int32_t id : {v->chassisJel, v->bodyJel, v->suspensionJel})
    if (HObject* j = GVVehicleJel(w, id)) j->setGroupBit(v->groupChassis, 1);
  if (v->groupChassis != 0) GVUnglueSelParts(w, v->groupChassis, v->groupChassis, 1, 1, 0.0f);

  GVVehicleGlueNearest(v, motorOf(v->wheelBL), v->chassisJel);
  GVVehicleGlueNearest(v, motorOf(v->wheelBR), v->chassisJel);
  for (auto side : {std::make_pair(v->rotorL, v->wheelFL), std::make_pair(v->rotorR, v->wheelFR)}) {
    VhclPartRec* rotor = GVVhclPartOf(side.first);
    if (rotor && !GVVhclPartIsEmpty(rotor)) {
      GVVehicleGlueNearest(v, motorOf(side.second), rotor->jelA);
      GVVehicleGlueNearest(v, rotor->jelB, v->chassisJel);
    } else {
      GVVehicleGlueNearest(v, motorOf(side.second), v->chassisJel);
    }
  }

  // Part 4 of the chassis: the cross-section through the front axle line.
  if (HObject* chassis = GVVehicleJel(w, v->chassisJel)) {
    float b[6];
    LatticeDims dims{};
    GVJelSelBounds(w, v->chassisJel, b);
    GVJelLatticeExtent(w, v->chassisJel, &dims);
    const float s = v->scale;
    const float x = b[0] + ((float(dims.maxIndex[0]) + 0.5f) - 3.0f) * s;
    for (int32_t i = 1; i <= chassis->nodeCount; ++i) {
      float p[3];
      chassis->getNodePosition(i, kFrameCommitted, kAxesAll, p);
      chassis->setNodePart(i, 4, std::fabs(p[0] - x) <= 0.6f * s ? 1 : 0);
    }
  }

  float ref[3];
  if (GVVehicleRefPoint(v, ref)) {
    for (VhclPartRec** cell : {v->rotorL, v->rotorR}) {
      const VhclPartRec* p = GVVhclPartOf(cell);
      if (!p) continue;
      for (int32_t id : {p->jelA, p->jelB}) {
        HObject* j = GVVehicleJel(w, id);
        if (!j || !j->state) continue;
        for (int32_t i = 1; i <= j->nodeCount; ++i) j->setNodePart(i, 5, 0);
        int32_t node = 0;
        float d2 = 0.0f;
        j->state->findNearestNode(1, kFrameCommitted, ref, &node, &d2);
        if (node && d2 < 0.1f * j->cellSize * j->cellSize) j->setNodePart(node, 5, 1);
      }
    }
  }
  GVVehicleFindHeadingNode(v);
  if (v->bodyJel && v->suspensionJel) GVVehicleGlueSuspension(v);
  GVVehicleSteerRatio(v);
}

void setupType3(VehicleRec* v) {
  HObject* chassis = GVVehicleJel(v->world, v->chassisJel);
  if (!chassis || !chassis->state) return;
  float b[6];
  GVJelBoundingBox(chassis->state, kFrameCommitted, b);
  const float at[3] = {b[0], b[3], 0.5f * (b[4] + b[5])};
  int32_t node = 0;
  float d2 = 0.0f;
  chassis->state->findNearestNode(1, kFrameCommitted, at, &node, &d2);
  v->headingNode = node;
  GVVehicleChassisParts(v, 0.25f);
}

}  // namespace

void GVVehicleSetupParts(VehicleRec* v) {
  if (!v || !v->world) return;
  if (v->type == 2) setupType2(v);
  if (v->type == 3) setupType3(v);
}

int32_t GVVehicleGlueNearest(VehicleRec* v, int32_t a, int32_t b) {
  if (!v || !v->world) return 0;
  HObject* ja = GVVehicleJel(v->world, a);
  HObject* jb = GVVehicleJel(v->world, b);
  if (!ja || !jb || !ja->state || !jb->state) return 0;
  const float r2 = (v->scale * 0.0625f) * v->scale;
  const int32_t n = ja->nodeCount;
  int32_t* partner = new int32_t[n + 1]();
  bool ok = true;
  for (int32_t i = 1; i <= n && ok; ++i) {
    float p[3], d2 = 0.0f;
    ja->getNodePosition(i, kFrameInitial, kAxesAll, p);
    jb->findNearestNode(1, kFrameInitial, p, &partner[i], &d2);
    const bool glued = ja->glueJel && ja->glueJel[i] != 0;
    ok = partner[i] != 0 && d2 <= r2 && !glued;
  }
  if (ok)
    for (int32_t i = 1; i <= n; ++i)
      GVGlueNodePair(v->world, a, b, i, partner[i], kGlueMake, jb->cellSize * 0.25f);
  delete[] partner;
  return ok ? 1 : 0;
}

void GVVehicleDriveTuning(VehicleRec* v, float* driveFactor, float* limitFactor) {
  if (!v) return;
  const float s = v->scale, t = v->scTFactor;
  const float drive = strongDrive(v) ? 12.0f : 4.0f, limit = strongDrive(v) ? 50.0f : 16.0f;
  v->driveGain = t * drive * s;
  v->limitGain = t * limit * t * s;
  v->speedLimit = 50.0f;
  if (driveFactor) *driveFactor = v->driveGain;
  if (limitFactor) *limitFactor = v->limitGain;
}

void GVVehicleSetDriveKind(VehicleRec* v, int32_t chassisPart, int32_t rigidWheels) {
  if (!v) return;
  v->chassisPart = chassisPart;
  v->rigidWheels = rigidWheels;
  GVVehicleDriveTuning(v, nullptr, nullptr);
  const float s = v->scale;
  if (v->type == 3 || ((v->type == 1 || v->type == 2) && strongDrive(v))) {
    v->defaultForceA = -5.0f * s;
    v->defaultForceB = -2.5f * s;
  } else if (v->type == 1 || v->type == 2) {
    v->defaultForceA = -2.0f * s;
    v->defaultForceB = -1.0f * s;
  }
}

void GVVehicleReadout(VehicleRec* v, VehicleReadout* out) {
  if (!v || !out) return;
  *out = {v->speed,         v->driveAxles, v->brakeAxles, v->heading,  v->defaultForceA, GVVehicleGetFy(v),
          v->frontGrip,     v->rearGrip,   v->driveGain,  v->limitGain, v->scTFactor};
}

void GVVehicleDriveInputs(VehicleRec* v, float* frontSpin, float* rearSpin, float* angle, int32_t* bodyId,
                          float* speedUp) {
  float front = 0.0f, rear = 0.0f, a = 0.0f, up = 0.0f;
  int32_t body = 0;
  if (v) {
    const int32_t fps = v->world ? v->world->params.fps : 0;
    if (fps >= 1) {
      front = -v->frontSpin / float(fps);
      rear = -v->rearSpin / float(fps);
    }
    a = -v->heading * 0.017453292f;
    if (v->suspensionJel != 0) {
      body = v->bodyJel;
      up = v->speedUp;
    }
  }
  if (frontSpin) *frontSpin = front;
  if (rearSpin) *rearSpin = rear;
  if (angle) *angle = a;
  if (bodyId) *bodyId = body;
  if (speedUp) *speedUp = up;
}

void GVVehicleSetFy(VehicleRec* v, float value) {
  if (!v || !v->world) return;
  forEachPart(v, [value](VhclPartRec* p) { GVVhclPartSetFy(p, value); });
  MatterProps m;
  GVSetMatterDefaults(&m);
  m.forceY = value;
  for (int32_t id : {v->chassisJel, v->bodyJel, v->suspensionJel}) {
    HObject* j = GVVehicleJel(v->world, id);
    if (!j) continue;
    MatterProps w = m;
    j->setPartMatter(1, 0, kMatterForceY, &w);
    GVSetSelMatter(v->world, id, kFrameCommitted, 1, kMatterForceY, &m);
  }
  forEachGluedJel(v, {v->chassisJel, v->bodyJel, v->suspensionJel}, [&m](HObject* j) { writePart1(j, kMatterForceY, m); });
}

float GVVehicleGetFy(VehicleRec* v) {
  if (!v || !v->world) return 0.0f;
  if (GVVehicleJel(v->world, v->chassisJel)) {
    MatterProps m;
    m.forceY = 0.0f;
    GVGetSelMatter(v->world, v->chassisJel, kMatterForceY, &m);
    return m.forceY;
  }
  for (VhclPartRec** cell : {v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR, v->rotorL, v->rotorR})
    if (VhclPartRec* p = GVVhclPartOf(cell))
      if (!GVVhclPartIsEmpty(p)) return GVVhclPartGetFy(p);
  return 0.0f;
}

void GVVehicleSetSteering(VehicleRec* v, float offset) {
  if (!v) return;
  v->wheelOffset = offset;
  GVVhclPartApplyOffset(GVVhclPartOf(v->wheelFL), -offset);
  GVVhclPartApplyOffset(GVVhclPartOf(v->wheelFR), offset);
  GVVhclPartApplyOffset(GVVhclPartOf(v->wheelBL), -offset);
  GVVhclPartApplyOffset(GVVhclPartOf(v->wheelBR), offset);
}

void GVVehicleSettle(VehicleRec* v) {
  if (!v || !v->world || v->groupChassis == 0) return;
  GVSelStoreFrame(v->world, v->groupChassis, 0);
  GVSetJelSelLowestY(v->world, v->groupChassis, GVScene().bounds[2]);
  GVSelStoreFrame(v->world, v->groupChassis, 0);
}

int32_t GVVehicleFindHeadingNode(VehicleRec* v) {
  if (!v || !v->world) return 0;
  float c[4][3];
  const int32_t motors[4] = {motorOf(v->wheelFL), motorOf(v->wheelFR), motorOf(v->wheelBL), motorOf(v->wheelBR)};
  for (int k = 0; k < 4; ++k)
    if (!liveCentre(v->world, motors[k], c[k])) c[k][0] = c[k][1] = c[k][2] = 0.0f;
  float front[3], rear[3], d[3];
  for (int k = 0; k < 3; ++k) {
    front[k] = 0.5f * (c[0][k] + c[1][k]);
    rear[k] = 0.5f * (c[2][k] + c[3][k]);
  }
  GVVecSub(d, rear, front);
  const float len = GVVecLength(d);
  for (int k = 0; k < 3; ++k) d[k] = len > 0.0f ? d[k] / len : 0.0f;
  const float scale = GVJelSelScale(v->world, v->chassisJel);
  float at[3];
  for (int k = 0; k < 3; ++k) at[k] = rear[k] + d[k] * scale * 0.5f;
  int32_t node = 0;
  if (HObject* chassis = GVVehicleJel(v->world, v->chassisJel)) {
    if (chassis->state) {
      float d2 = 0.0f;
      chassis->state->findNearestNode(1, kFrameCommitted, at, &node, &d2);
    }
  }
  v->headingNode = node;
  return node;
}

void GVVehicleChassisParts(VehicleRec* v, float fraction) {
  if (!v || !v->world) return;
  HObject* chassis = GVVehicleJel(v->world, v->chassisJel);
  if (!chassis || !chassis->state) return;
  float b[6];
  if (!GVJelBoundingBox(chassis->state, kFrameCommitted, b)) return;
  const float t = b[0] + (b[1] - b[0]) * (1.0f - fraction);
  const float floorY = b[2] + 0.2f * chassis->cellSize;
  for (int32_t i = 1; i <= chassis->nodeCount; ++i) {
    const float* p = chassis->state->pos[i];
    if (p[0] < t) {
      chassis->setNodePart(i, 4, 0);
      chassis->setNodePart(i, 5, p[1] < floorY ? 1 : 0);
    } else {
      chassis->setNodePart(i, 5, 0);
      chassis->setNodePart(i, 4, 1);
    }
  }
}

void GVVehicleSetScaleT(VehicleRec* v, float value) {
  if (!v || !v->world) return;
  forEachPart(v, [value](VhclPartRec* p) { GVVhclPartSetScaleT(p, value); });
  v->scTFactor = value;
  MatterProps m;
  GVSetMatterDefaults(&m);
  m.fRatio = std::max(1.0f, value * v->fRatioFactor);
  m.scaleT = value;
  const uint32_t mask = kMatterFRatio | kMatterScaleT;
  for (int32_t id : {v->chassisJel, v->bodyJel}) {
    HObject* j = GVVehicleJel(v->world, id);
    if (!j) continue;
    writePart1(j, mask, m);
    MatterProps now;
    now.fRatio = 0.0f;
    GVGetSelMatter(v->world, id, kMatterFRatio, &now);
    const float need = matterSubSteps(j, v->scale);
    if (now.fRatio < need) {
      MatterProps r = m;
      r.fRatio = need;
      writePart1(j, kMatterFRatio, r);
    }
  }
  if (HObject* susp = GVVehicleJel(v->world, v->suspensionJel)) {
    MatterProps s = m;
    writePart1(susp, kMatterScaleT, s);
    MatterProps now;
    GVSetMatterDefaults(&now);
    susp->getNodeMatter(1, 0, kMatterAllFields, &now);
    s.fRatio = GVVehicleSuspensionFRatio(&now, susp->cellSize);
    writePart1(susp, mask, s);
  }
  HObject* chassis = GVVehicleJel(v->world, v->chassisJel);
  forEachGluedJel(v, {v->chassisJel, v->bodyJel}, [&](HObject* j) {
    MatterProps w = m;
    if (v->groupExtra != 0 && GVJelInSel(j, v->groupExtra)) {
      j->applyPartMatter(1, 0, mask, &w);
      const float need = matterSubSteps(j, v->scale);
      MatterProps now;
      now.fRatio = 0.0f;
      if (chassis) GVGetSelMatter(v->world, chassis->id, kMatterFRatio, &now);
      if (chassis && now.fRatio < need) {
        MatterProps r;
        GVSetMatterDefaults(&r);
        r.fRatio = need;
        writePart1(chassis, kMatterFRatio, r);
      }
    } else {
      writePart1(j, mask, w);
    }
  });
  GVVehicleDriveTuning(v, nullptr, nullptr);
}

float GVVehicleSuspensionFRatio(const MatterProps* m, float cellSize) {
  if (!m) return 1.0f;
  const float steps = std::max(1.0f, GVMatterSubSteps(m, cellSize));
  const float scT = std::max(1.0f, m->scaleT);
  return std::ceil(steps / scT) * scT;
}

void GVVehicleSelCentre(HWorld* world, int32_t selection, int32_t frame, float c[3]) {
  std::vector<HObject*> jels;
  for (HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) jels.push_back(j);
  GVVehiclePart1Centre(jels.data(), static_cast<int32_t>(jels.size()), frame, c);
}
