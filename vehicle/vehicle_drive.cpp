// The driving update by vehicle type. Type 2 turns the rotator parts toward
// the steering angle, drives and brakes the wheels about their axles, keeps
// the chassis rigid, glues the parts to the chassis and carries the whole
// vehicle so that its own work moves neither its centre nor its turn; then it
// steps the suspension, which the world runner leaves to it (held flag).
#include "vehicle/vehicle_drive.h"

#include <initializer_list>
#include <algorithm>
#include <cmath>

#include "dynamics/glue.h"
#include "dynamics/group_ops.h"
#include "dynamics/motion_commands.h"
#include "dynamics/rigid_parts.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/chase_camera.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_carry.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_setup.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr int32_t kMaxVehicleStates = kVehicleJelIds;


// Live states of the vehicle's Jels that may be moved.
int32_t movableStates(VehicleRec* v, HAState* out[kMaxVehicleStates]) {
  int32_t n = 0;
  GVVehicleForEachJel(v, [&](HObject* j) {
    if (j->state && j->playParams.mode != kWorldReplay && !j->state->readOnly()) out[n++] = j->state;
  });
  return n;
}

float clampf(float x, float lo, float hi) { return std::max(lo, std::min(hi, x)); }

void driveAxle(VehicleRec* v, const DriveInputs& in, VhclPartRec** left, VhclPartRec** right, bool drive,
               bool brake, float grip, float* spin) {
  WheelRequest q;
  q.rigidWheels = v->rigidWheels;
  q.brake = brake;
  q.drive = drive;
  q.driveFactor = v->driveGain * v->driveScale;
  q.limitFactor = v->limitGain * v->limitScale;
  q.gear = in.gear;
  q.driveMode = in.driveMode;
  q.throttle = in.throttle;
  q.noCounterDrive = in.noCounterDrive;
  q.grip = grip;
  q.hubWidth = v->hubWidth;
  float sum = 0.0f;
  int32_t present = 0;
  for (auto wheel : {std::make_pair(left, -v->wheelOffset), std::make_pair(right, v->wheelOffset)}) {
    VhclPartRec* p = GVVhclPartOf(wheel.first);
    if (!p) continue;
    GVDriveWheelPart(p, &q, wheel.second);
    sum += q.result;
    ++present;
  }
  *spin = present ? sum / float(present) : 0.0f;
}

void applyPartGlue(VehicleRec* v) {
  HWorld* w = v->world;
  if (v->chassisJel != 0)
    for (VhclPartRec** cell : {v->rotorL, v->rotorR, v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR})
      if (VhclPartRec* p = GVVhclPartOf(cell)) GVSelApplyGlue(w, v->chassisJel, 1, p->groupSel, 1);
  for (auto side : {std::make_pair(v->wheelFL, v->rotorL), std::make_pair(v->wheelFR, v->rotorR)}) {
    VhclPartRec* wheel = GVVhclPartOf(side.first);
    VhclPartRec* rotor = GVVhclPartOf(side.second);
    if (wheel && rotor && wheel->jelA) GVSelApplyGlue(w, wheel->jelA, 1, rotor->groupSel, 1);
  }
}

// The steering angle is carried from frame to frame by a Jel of the vehicle
// (the chassis, else the first Jel with a live state), so that a restored
// frame brings back the angle it was stored with.
HAState* headingKeeper(VehicleRec* v, int32_t preferred) {
  if (HAState* s = GVVehicleJelState(v->world, preferred)) return s;
  HAState* first = nullptr;
  GVVehicleForEachJel(v, [&](HObject* j) {
    if (!first && j->state) first = j->state;
  });
  return first;
}

void captureChassis(VehicleRec* v) {
  const int32_t ids[2] = {v->chassisJel, v->bodyJel};
  const int32_t parts[2] = {v->chassisPart, 1};
  for (int k = 0; k < 2; ++k)
    if (HAState* s = GVVehicleJelState(v->world, ids[k])) GVCapturePartShape(s, parts[k]);
}

void keepChassisRigid(VehicleRec* v, bool capture) {
  HWorld* w = v->world;
  const int32_t ids[2] = {v->chassisJel, v->bodyJel};
  const int32_t parts[2] = {v->chassisPart, 1};
  if (capture) captureChassis(v);
  for (int k = 0; k < 2; ++k) {
    HObject* j = GVVehicleJel(w, ids[k]);
    if (j && j->state && j->playParams.mode != kWorldReplay) GVApplyPartRotationDrive(j->state, parts[k]);
  }
}

// ---- suspension ----

// The columns of the suspension's chassis-glued nodes, pulled toward the
// suspension axis through their chassis anchors. Adds the corrections'
// momentum and angular momentum (about c) to P and L; the axis is found once.
struct SuspensionWork {
  HAState* susp = nullptr;
  HAState* chassis = nullptr;
  HAState* body = nullptr;
  int32_t chassisId = 0;
  int32_t part = 0;
  float axis[3] = {0, 0, 0};
  bool haveAxis = false;
  float P[3] = {0, 0, 0};
  float L[3] = {0, 0, 0};
  float centre[3] = {0, 0, 0};
};

void newPosition(const HAState* s, int32_t i, float out[3]) {
  for (int k = 0; k < 3; ++k) out[k] = s->pos[i][k] + s->disp[i][k];
}

bool gluedToChassis(const SuspensionWork& w, int32_t i) {
  const HAState* s = w.susp;
  return s->inPart(i, w.part) && s->glueJel && s->glueJel[i] == w.chassisId && s->glueNode &&
         s->glueNode[i] >= 1 && s->glueNode[i] <= w.chassis->nodeCount;
}

void findAxis(SuspensionWork& w) {
  for (int32_t i = 1; i <= w.susp->nodeCount; ++i) {
    if (!gluedToChassis(w, i)) continue;
    const int32_t c = w.susp->glueNode[i];
    int32_t n = w.chassis->neighbour(kNbrPlusY, c);
    float sign = 1.0f;
    if (!n) {
      n = w.chassis->neighbour(kNbrMinusY, c);
      sign = -1.0f;
    }
    if (!n) continue;
    float a[3], b[3], d[3];
    newPosition(w.chassis, c, a);
    newPosition(w.chassis, n, b);
    GVVecSub(d, b, a);
    for (float& x : d) x *= sign;
    GVVecNormalise(d, w.axis);
    w.haveAxis = GVVecLength(w.axis) > 0.0f;
    return;
  }
}

void correctColumns(SuspensionWork& w, float gain) {
  HAState* s = w.susp;
  if (!w.haveAxis) return;
  for (int32_t g = 1; g <= s->nodeCount; ++g) {
    if (!gluedToChassis(w, g)) continue;
    float anchor[3];
    newPosition(w.chassis, s->glueNode[g], anchor);
    // The column runs away from the chassis, down the suspension's posts.
    const int32_t dir = s->neighbour(kNbrMinusY, g) ? kNbrMinusY : kNbrPlusY;
    for (int32_t i = g, steps = 0; i && steps <= s->nodeCount; i = s->neighbour(dir, i), ++steps) {
      float p[3], o[3];
      newPosition(s, i, p);
      GVVecSub(o, p, anchor);
      const float along = GVVecDot(o, w.axis);
      float corr[3], r[3], c[3];
      for (int k = 0; k < 3; ++k) corr[k] = -gain * (o[k] - along * w.axis[k]);
      for (int k = 0; k < 3; ++k) {
        s->disp[i][k] += corr[k];
        w.P[k] += s->mass[i] * corr[k];
        r[k] = p[k] - w.centre[k];
        corr[k] *= s->mass[i];
      }
      GVVecCross(c, r, corr);
      for (int k = 0; k < 3; ++k) w.L[k] += c[k];
    }
  }
}

// The corrections' reaction, once, on part 1 of the body.
void applyReaction(SuspensionWork& w, HObject* body) {
  const float m = GVGetLivePartMass(body, 1);
  if (m <= 0.0f) return;
  float I[9], inv[9], omega[3], v[3], negL[3];
  GVGetPart1Inertia(w.body, w.centre, I);
  GVMat3Inverse(I, inv, nullptr);
  for (int k = 0; k < 3; ++k) {
    v[k] = -w.P[k] / m;
    negL[k] = -w.L[k];
  }
  GVMat3MulVec(omega, inv, negL);
  for (float x : omega)
    if (!std::isfinite(x)) return;
  GVAddPart1Spin(w.body, omega, w.centre, v);
}

}  // namespace

void GVVehicleCaptureShapes(VehicleRec* v) {
  if (!v || !v->world) return;
  if (v->chassisPart != 0) captureChassis(v);
  for (VhclPartRec** cell : {v->rotorL, v->rotorR, v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR})
    GVVhclPartCaptureShapes(GVVhclPartOf(cell));
}

DriveInputs& GVDriveInputs() {
  static DriveInputs inputs;
  return inputs;
}

void GVVehicleSaveDisplacements(VehicleRec* v) {
  HAState* states[kMaxVehicleStates];
  const int32_t n = movableStates(v, states);
  for (int32_t k = 0; k < n; ++k) GVSavePart1Displacements(states[k]);
}

void GVVehicleSaveOffsets(VehicleRec* v, const float centre[3]) {
  HAState* states[kMaxVehicleStates];
  const int32_t n = movableStates(v, states);
  for (int32_t k = 0; k < n; ++k) GVSavePart1Offsets(states[k], centre);
}

void GVVehicleAddRotation(VehicleRec* v, const float omega[3]) {
  HAState* states[kMaxVehicleStates];
  const int32_t n = movableStates(v, states);
  for (int32_t k = 0; k < n; ++k) GVAddPartRotation(states[k], 1, omega);
}

void GVVehicleCarryRotation(VehicleRec* v, const float refCentre[3]) {
  if (!v || !v->world || !refCentre) return;
  GVVehicleSaveOffsets(v, refCentre);
  HAState* states[kMaxVehicleStates];
  const int32_t n = movableStates(v, states);
  float omega[3];
  GVCarryTurn(states, n, omega);
  GVVehicleAddRotation(v, omega);
}

void GVUpdateVehicleType2(VehicleRec* v, const DriveInputs& in) {
  if (!v || !v->world) return;
  HWorld* w = v->world;
  const bool start = w->params.fps >= 1 && GVFrameIsTime(&w->params, 0.0f) == 1;

  HAState* keeper = headingKeeper(v, v->chassisJel);
  if (keeper) v->heading = keeper->carriedWords[0];
  const float d = clampf(in.steerTarget - v->heading, -0.5f, 0.5f);
  v->heading = clampf(v->heading + d, -40.0f, 40.0f);
  if (keeper) keeper->carriedWords[0] = v->heading;
  const float a = v->heading * kPi / 180.0f;
  float aL = a, aR = a;
  if (GVVhclPartOf(v->rotorL) && GVVhclPartOf(v->rotorR) && v->steerRatio > 0.0001f) {
    const float delta = a - std::atan(a);
    if (a >= 0.0f) aL = a - delta;
    if (a <= 0.0f) aR = a - delta;
  }

  for (int pass = 1; pass <= 2; ++pass) {
    float c1[3] = {0, 0, 0};
    if (v->groupChassis != 0) GVVehicleSelCentre(w, v->groupChassis, kFrameInStep, c1);
    GVVehicleSaveDisplacements(v);
    if (v->chassisPart != 0) keepChassisRigid(v, start && pass == 1);
    GVSteerRotatorPart(GVVhclPartOf(v->rotorL), aL);
    GVSteerRotatorPart(GVVhclPartOf(v->rotorR), aR);
    driveAxle(v, in, v->wheelFL, v->wheelFR, v->driveAxles == 1 || v->driveAxles == 3,
              v->brakeAxles == 1 || v->brakeAxles == 3, v->frontGrip, &v->frontSpin);
    driveAxle(v, in, v->wheelBL, v->wheelBR, v->driveAxles == 2 || v->driveAxles == 3,
              v->brakeAxles == 2 || v->brakeAxles == 3, v->rearGrip, &v->rearSpin);
    applyPartGlue(v);

    v->speed = 0.0f;
    const bool lastSubstep = !w->params.stepping || w->params.subStepIndex >= w->params.subSteps;
    if (lastSubstep && in.gear == 1) {
      float vel[3] = {0, 0, 0};
      GVGetSelVelocity(w, 1, v->chassisJel, kFrameCommitted, kAxesAll, vel);
      v->speed = GVVecLength(vel);
    }

    if (v->groupChassis != 0) {
      float c2[3], back[3];
      GVVehicleSelCentre(w, v->groupChassis, kFrameInStep, c2);
      GVVecSub(back, c1, c2);
      for (HObject* j = w->head; j; j = GVNextJel(j))
        if (GVJelInSel(j, v->groupChassis) && j->playParams.mode != kWorldReplay && j->state)
          j->state->translatePart(1, kFrameInStep, kAxesAll, back);
      GVVehicleCarryRotation(v, c1);
    }
  }

  if (!start && v->chassisJel && v->bodyJel && v->suspensionJel && v->chassisPart)
    GVStepVehicleSuspension(v, v->bodyJel, v->suspensionJel, v->chassisJel, v->suspPart, 0.5f);
}

void GVStepVehicleSuspension(VehicleRec* v, int32_t bodyId, int32_t suspensionId, int32_t chassisId,
                             int32_t suspPart, float gain) {
  if (!v || !v->world || suspensionId < 1 || v->suspensionJel == 0) return;
  HWorld* w = v->world;
  HObject* susp = GVVehicleJel(w, suspensionId);
  HObject* chassis = GVVehicleJel(w, chassisId);
  HObject* body = GVVehicleJel(w, bodyId);
  if (!susp || !susp->state || susp->state->readOnly()) return;

  const int32_t worldSteps = std::max(1, w->params.subSteps);
  const int32_t worldIndex = w->params.stepping ? w->params.subStepIndex : worldSteps;
  const int32_t need = GVCalcSubstepsNeeded(susp->state);
  const int32_t n = std::max(1, (need + worldSteps - 1) / worldSteps);
  FrameParams& sp = susp->playParams;
  sp.subSteps = worldSteps * n;
  if (susp->state->params && susp->state->params != &sp) susp->state->params->subSteps = sp.subSteps;

  SuspensionWork work;
  work.susp = susp->state;
  work.chassis = chassis ? chassis->state : nullptr;
  work.body = body ? body->state : nullptr;
  work.chassisId = chassisId;
  work.part = suspPart;
  const bool constrain = work.chassis && work.body;
  if (constrain) GVGetGroupCentre(work.body, 1, kFrameCommitted, kAxesAll, work.centre);

  for (int32_t i = 1; i <= n; ++i) {
    sp.subStepIndex = (worldIndex - 1) * n + i;
    susp->state->computeForces();
    sp.stepping = 1;
    if (constrain) {
      GVSelApplyGlue(w, suspensionId, suspPart, chassisId, 1);
      if (i == 1) findAxis(work);
      correctColumns(work, gain);
      if (i == n) {
        applyReaction(work, body);
        GVSelApplyGlue(w, suspensionId, v->suspBodyPart, bodyId, 1);
      }
    }
    sp.stepping = 0;
    susp->state->integrate();
  }

  if (worldIndex >= worldSteps) {
    sp.computedFrame += 1;
    sp.currentFrame = sp.computedFrame;
    sp.subStepIndex = 1;
    sp.highestComputedFrame = std::max(sp.highestComputedFrame, sp.computedFrame);
  }
}

void GVUpdateVehicleType3(VehicleRec* v, int32_t blockJelId, const DriveInputs& in) {
  if (!v || !v->world) return;
  HObject* j = GVVehicleJel(v->world, blockJelId);
  if (!j || !j->state) return;
  LatticeDims dims{};
  j->getLatticeDims(&dims);
  const int32_t nx = dims.maxIndex[0], ny = dims.maxIndex[1], nz = dims.maxIndex[2];
  if (int64_t(j->nodeCount) != int64_t(nx) * ny * nz) return;
  HAState* s = j->state;
  const bool movable = j->playParams.mode != kWorldReplay && !s->readOnly();
  const float dt = j->getTimeStep();
  if (movable) {
    const float floorBox[6] = {0, 0, 0, 0, 0, 0};
    GVConstrainPartToBox(s, 2, kWallMinY, floorBox);
  }

  // Part 7 is emptied and refilled from the node list below (a count, then
  // 1-based node indices; out-of-range entries are skipped). The list is
  // empty: no node of the block is singled out.
  for (int32_t i = 1; i <= j->nodeCount; ++i) j->setNodePart(i, 7, 0);
  static const int32_t kPart7Nodes[] = {0};
  for (int32_t k = 1; k <= kPart7Nodes[0]; ++k)
    if (kPart7Nodes[k] >= 1 && kPart7Nodes[k] <= j->nodeCount) j->setNodePart(kPart7Nodes[k], 7, 1);

  int32_t c = ((nz / 2) * ny + 1) * nx;
  if (nx > 2) c -= 1;
  float origin[3], t[9];
  if (!HBState::nodeTangents(s, c, origin, t)) return;
  const float* t1 = t;
  const float* t2 = t + 3;

  const float rate = v->steerRate;
  v->heading = s->carriedWords[0];
  const float d = clampf(in.steerTarget - v->heading, -rate, rate);
  v->heading = clampf(v->heading + d, -50.0f, 50.0f);
  s->carriedWords[0] = v->heading;
  const float a = v->heading * kPi / 180.0f;
  const float h = t2[1] > 0.0f ? -a / 2.0f : a / 2.0f;
  const float rv[3] = {0.0f, h, 0.0f};
  float R[9], H[3];
  GVRotationFromVector(rv, R);
  GVMat3MulVec(H, R, t1);

  if (v->driveAxles != 0 && in.gear != 0 && movable) {
    float m = 0.0f, mom[3] = {0, 0, 0}, vel[3] = {0, 0, 0};
    s->getPartMass(4, kFrameInStep, &m);
    s->getPartMomentum(4, kFrameInStep, kAxesAll, mom);
    for (int k = 0; k < 3; ++k) vel[k] = m != 0.0f ? mom[k] / m : 0.0f;
    float F = in.driveMode == 2 ? v->driveGain * in.throttle : 0.0f;
    if (in.gear == -1) F = -F;
    float delta[3];
    for (int k = 0; k < 3; ++k) delta[k] = F * H[k] - vel[k];
    const float len = GVVecLength(delta);
    const float inv = len > 0.00001f ? 1.0f / len : 0.0f;
    float step = std::min(len, dt * v->limitGain);
    if (in.driveMode == 1) step *= in.throttle;
    float target[3];
    for (int k = 0; k < 3; ++k) target[k] = vel[k] + step * delta[k] * inv;
    GVSetPartVelocityXZ(s, 4, target);
  }

  if (movable) {
    const float k = v->rearGrip * dt / 30.0f;
    float axis[3];
    GVVecNormalise(H, axis);
    for (int32_t i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, 5) || !s->contactFlags[i]) continue;
      float along[3], diff[3];
      const float dot = GVVecDot(s->disp[i], axis);
      for (int q = 0; q < 3; ++q) along[q] = dot * axis[q];
      GVVecSub(diff, along, s->disp[i]);
      const float len = GVVecLength(diff);
      if (len <= 0.00001f) continue;
      const float move = std::min(k, len);
      for (int q = 0; q < 3; ++q) s->disp[i][q] += move * diff[q] / len;
    }

    float m = 0.0f, mom[3] = {0, 0, 0};
    s->getPartMass(5, kFrameInStep, &m);
    s->getPartMomentum(5, kFrameInStep, kAxesAll, mom);
    if (m != 0.0f) {
      float vel[3], t1u[3];
      for (int q = 0; q < 3; ++q) vel[q] = mom[q] / m;
      GVVecNormalise(t1, t1u);
      const float along = GVVecDot(vel, t1u);
      const float change[3] = {along * t1u[0] - vel[0], 0.0f, along * t1u[2] - vel[2]};
      s->addPartVelocity(5, kFrameInStep, kAxisX | kAxisZ, change);
    }
  }
}

void GVDriveSceneVehicle(HWorld** /*world*/) {
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  if (!v || !v->world) return;
  // Called outside a step (after a restore, or for the frame shown again)
  // there is no sub-step to drive: the frame stays as it was restored, and at
  // time 0, the start of a run, the parts' shapes are recorded.
  if (!v->world->params.stepping) {
    if (v->type == 2 && v->world->params.fps >= 1 && GVFrameIsTime(&v->world->params, 0.0f) == 1)
      GVVehicleCaptureShapes(v);
    return;
  }
  if (v->type == 2) GVUpdateVehicleType2(v, GVDriveInputs());
  if (v->type == 3) GVUpdateVehicleType3(v, v->chassisJel, GVDriveInputs());
}

int32_t GVSceneVehicleSubsteps(float* factor) {
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  if (factor) *factor = v ? v->subStepFactor : 1.0f;
  return v && v->world ? GVSubstepsPerFrame(v->world) : 1;
}

int32_t GVSceneVehicleCameraFollow() {
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  if (!v || GVVehicleIsEmpty(v)) return 0;
  GVVehicleCameraFollow();
  return 1;
}

void GVSceneVehicleDriveInputs(float* steering, float* frontSpin, float* rearSpin, float* speedUp, int32_t* bodyJel) {
  GVVehicleDriveInputs(GVVehicleOf(GVScene().vehicle), frontSpin, rearSpin, steering, bodyJel, speedUp);
}

void GVInstallVehicleServices(SceneServices* services) {
  if (!services) return;
  services->driveVehicle = GVDriveSceneVehicle;
  services->vehicleSubsteps = GVSceneVehicleSubsteps;
  services->vehicleCameraFollow = GVSceneVehicleCameraFollow;
  services->vehicleDriveInputs = GVSceneVehicleDriveInputs;
  services->deleteVehicle = GVDeleteVehicle;
}

void GVRemoveVehicleServices(SceneServices* services) {
  if (!services) return;
  services->driveVehicle = nullptr;
  services->vehicleSubsteps = nullptr;
  services->vehicleCameraFollow = nullptr;
  services->vehicleDriveInputs = nullptr;
  services->deleteVehicle = nullptr;
}
