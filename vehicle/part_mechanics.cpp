// What the driving update does to one part inside a sub-step, between the
// force phase and the commit: turn a rotator's two cubes to the steering
// angle, and drive, brake and shape a wheel about its motor's axle. Everything
// here edits in-step displacements (frame -3) only; Jels in replay are never
// moved.
#include <initializer_list>
#include <cmath>
#include <cstring>

#include "dynamics/motion_commands.h"
#include "dynamics/rigid_parts.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_part.h"
#include "vehicle/wheel_rim.h"

namespace {

// sin(pi / 8): the rim twist between the two rings of a 16-segment wheel.
constexpr float kRingTwist = 0.382683f;
constexpr float kSqrt2 = 1.414f;
// With rigid wheels (the strong drive) the drive changes a wheel's spin by at
// most what this many times the wheel's gravity gives its rim in a sub-step.
// The strong constants (a rim acceleration of 100 times the default gravity,
// three times the weak drive's top speed) throw the vehicle into the air
// within a second and its rigid wheels then run it non-finite; at five
// gravities it stays on the floor. The weak drive keeps its own limit.
constexpr float kRimGravities = 5.0f;
// Faces of a cube Jel across its lattice z: the motor's axle runs through them.
constexpr int32_t kAxleFaceA = 1;
constexpr int32_t kAxleFaceB = 2;

struct PartStates {
  HAState* a = nullptr;
  HAState* b = nullptr;
};

// Both live states when both Jels exist, have one and may be moved.
bool liveStates(const VhclPartRec* p, PartStates* out) {
  if (!p || !p->world) return false;
  out->a = GVVehicleJelMovable(p->world, p->jelA);
  out->b = GVVehicleJelMovable(p->world, p->jelB);
  return out->a && out->b;
}

// Centre of part 1 over both Jels at the in-step positions.
void pairCentre(const VhclPartRec* p, float c[3]) {
  HObject* jels[2] = {GVVehicleJel(p->world, p->jelA), GVVehicleJel(p->world, p->jelB)};
  GVVehiclePart1Centre(jels, 2, kFrameInStep, c);
}

// Largest acceleration of the wheel's rim the drive gives: kRimGravities
// times the wheel's gravity (Fy x Sc_T^2); no bound without gravity.
float rimAccelBound(const HAState* wheel) {
  if (wheel->nodeCount < 1 || !wheel->matter) return HUGE_VALF;
  const MatterProps& m = wheel->matter[1];
  const float g = std::fabs(m.forceY) * m.scaleT * m.scaleT;
  return g > 0.0f ? kRimGravities * g : HUGE_VALF;
}

bool runStart(const VhclPartRec* p) { return GVFrameIsTime(&p->world->params, 0.0f) == 1; }

void capture(const PartStates& s) {
  GVCapturePartShape(s.a, 1);
  GVCapturePartShape(s.b, 1);
}

void moveBy(float v[3], const float a[3], float f) {
  for (int k = 0; k < 3; ++k) v[k] += f * a[k];
}

// Every node's new position onto the plane across the axle through its
// layer's axle point: layers 1 and 3 through a1, layers 2 and 4 through a2.
void keepPlanar(HAState* w, const float axle[3], const float a1[3], const float a2[3]) {
  for (int32_t i = 1; i <= w->nodeCount && i <= 36; ++i) {
    const float* base = ((i - 1) / 9) % 2 == 0 ? a1 : a2;
    float d = 0.0f;
    for (int k = 0; k < 3; ++k) d += (w->pos[i][k] + w->disp[i][k] - base[k]) * axle[k];
    for (int k = 0; k < 3; ++k) w->disp[i][k] -= d * axle[k];
  }
}

void placeNode(HAState* w, int32_t node, const float p[3]) {
  if (node >= 1 && node <= w->nodeCount)
    for (int k = 0; k < 3; ++k) w->disp[node][k] = p[k] - w->pos[node][k];
}

void setGrip(const PartStates& s, float grip) {
  MatterProps m;
  GVSetMatterDefaults(&m);
  m.friction = grip;
  for (HAState* st : {s.a, s.b}) {
    MatterProps v = m;
    st->setPartMatter(1, kFrameInStep, kMatterFriction, &v);
  }
}

// The 16-segment wheel's rings centred on c and turned back to their built
// twist about the axle.
void pairRings(HAState* w, const float c[3], const float axle[3]) {
  GVWheelCentreHalves(w, c);
  float twist[3];
  GVWheelRimAngularVelocity(w, c, twist);
  GVWheelTwistHalves(w, c, axle, kRingTwist - GVVecDot(axle, twist));
}

}  // namespace

void GVVhclPartCaptureShapes(VhclPartRec* p) {
  PartStates s;
  if (liveStates(p, &s)) capture(s);
}

void GVSteerRotatorPart(VhclPartRec* p, float angle) {
  PartStates s;
  if (!liveStates(p, &s)) return;
  float c1[3];
  pairCentre(p, c1);
  GVVhclPartSaveDisplacementsP(p);
  float origin[3], frame[9];
  if (!HBState::nodeTangents(s.a, 1, origin, frame)) GVMat3Identity(frame);
  float turns[2][9];
  const float halfA[3] = {0.0f, -0.5f * angle, 0.0f}, halfB[3] = {0.0f, 0.5f * angle, 0.0f};
  GVRotationFromVector(halfA, turns[0]);
  GVRotationFromVector(halfB, turns[1]);
  float centre[3];
  pairCentre(p, centre);

  // Each rotor becomes an exact cube of the cell size, in the lattice frame of
  // rotor A turned by its half of the angle, and both share one centre.
  HAState* rotors[2] = {s.a, s.b};
  for (int r = 0; r < 2; ++r) {
    HAState* st = rotors[r];
    float m[9];
    GVMat3Mul(m, frame, turns[r]);
    const float h = 0.5f * st->cellSize;
    for (int32_t i = 1; i <= st->nodeCount && i <= 8; ++i) {
      const float corner[3] = {(i - 1) & 1 ? h : -h, (i - 1) & 2 ? h : -h, (i - 1) & 4 ? h : -h};
      float x[3];
      GVMat3MulVec(x, m, corner);
      st->setNodePosition(i, kFrameInStep, kAxesAll, x);
    }
    GVMovePartCentreTo(st, 1, kFrameInStep, centre);
  }

  if (runStart(p)) {
    capture(s);
    return;
  }
  GVApplyPartRotationDrive(s.a, 1);
  GVApplyPartRotationDrive(s.b, 1);
  if (p->groupSel == 0) return;
  float c2[3], back[3];
  pairCentre(p, c2);
  GVVecSub(back, c1, c2);
  s.a->translatePart(1, kFrameInStep, kAxesAll, back);
  s.b->translatePart(1, kFrameInStep, kAxesAll, back);
  GVVhclPartFollowFrame(p, c1);
}

void GVDriveWheelPart(VhclPartRec* p, WheelRequest* q, float shift) {
  if (!q) return;
  q->result = 0.0f;
  PartStates s;
  if (!liveStates(p, &s)) return;
  HAState* motor = s.a;
  HAState* wheel = s.b;
  const bool ring36 = wheel->nodeCount == 36;

  float c1[3];
  pairCentre(p, c1);
  GVVhclPartSaveDisplacementsP(p);
  if (runStart(p)) {
    capture(s);
    return;
  }

  // The motor is the axle: kept rigid, its two z faces give the axle points.
  GVApplyPartRotationDrive(motor, 1);
  float p1[3] = {0, 0, 0}, p2[3] = {0, 0, 0}, axle[3];
  motor->getFaceCentre(1, kFrameInStep, kAxleFaceA, kAxesAll, p1);
  motor->getFaceCentre(1, kFrameInStep, kAxleFaceB, kAxesAll, p2);
  GVVecSub(axle, p2, p1);
  GVVecNormalise(axle, axle);
  const float cell = wheel->cellSize;
  for (float* v : {c1, p1, p2}) moveBy(v, axle, cell * shift);
  if (q->hubWidth >= 0.1f && q->hubWidth <= 1.0f) {
    const float f = (1.0f - q->hubWidth) * 0.5f * cell;
    moveBy(p1, axle, f);
    moveBy(p2, axle, -f);
  }

  if (ring36)
    pairRings(wheel, c1, axle);
  else
    GVMovePartCentreTo(wheel, 1, kFrameInStep, c1);

  // Drive and brake act on the wheel's spin relative to its motor.
  const float k = 1.0f / (cell * kSqrt2);
  float drive0 = -q->driveFactor * q->throttle * k;
  const float rimAccel = q->rigidWheels ? std::fmin(q->limitFactor, rimAccelBound(wheel)) : q->limitFactor;
  const float limit = wheel->stepTime() * rimAccel * k;
  float wm[3] = {0, 0, 0}, ww[3] = {0, 0, 0};
  GVGetPartAngVelocity(motor, wm);
  GVGetPartAngVelocity(wheel, ww);
  const float r = GVVecDot(axle, ww) - GVVecDot(axle, wm);
  if (q->drive && q->gear != 0 && q->driveMode == 2) {
    if (q->gear == -1) drive0 = -drive0;
    float t = drive0 - r;
    if (q->noCounterDrive && ((q->gear == 1 && t > 0.0f) || (q->gear == -1 && t < 0.0f))) t = 0.0f;
    t = std::fmax(-limit, std::fmin(limit, t));
    float target[3];
    std::memcpy(target, ww, sizeof target);
    moveBy(target, axle, t);
    GVSetPartAngVelocity(wheel, target);
  }
  if (q->brake && q->driveMode == 1) {
    const float b = -r * q->throttle * 0.1f;
    float target[3];
    std::memcpy(target, ww, sizeof target);
    moveBy(target, axle, b);
    GVSetPartAngVelocity(wheel, target);
  }
  q->result = -r;

  keepPlanar(wheel, axle, p1, p2);
  placeNode(wheel, 5, p1);
  placeNode(wheel, 14, p2);
  if (ring36) {
    placeNode(wheel, 23, p1);
    placeNode(wheel, 32, p2);
  }

  GVSetSelPosition(p->world, 1, p->groupSel, kFrameInStep, kAxesAll, c1, nullptr, nullptr);
  GVVhclPartFollowFrame(p, c1);
  if (q->rigidWheels) GVApplyPartRotationDrive(wheel, 1);
  setGrip(s, q->grip);
}
