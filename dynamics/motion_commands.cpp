#include "dynamics/motion_commands.h"


#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

static bool AxisOn(int32_t axes, int k) { return (axes >> (k + 1)) & 1; }
static bool Writable(const HObject* j) { return j->playParams.mode != kWorldReplay; }

// The state that answers for a Jel at a frame: the live state inside a step
// (null without one), the Jel itself otherwise.
static HBState* ReaderAt(HObject* j, int32_t frame) {
  if (frame < kFrameCommitted) return j->state;
  return j;
}

// Mass and mass-weighted position sum of the part over the selection.
static void SelMassAndSum(HWorld* world, int32_t part, int32_t selection, int32_t frame, float* mass,
                          float sum[3]) {
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    HBState* s = ReaderAt(j, frame);
    if (!s) continue;
    s->getPartMass(part, frame, mass);
    if (frame == kFrameInitial)
      s->getPartMassSumVec0(part, frame, kAxesAll, sum);
    else
      s->getPartMassPosSum(part, frame, kAxesAll, sum);
  }
}

void GVGetSelPosition(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes, float out[3],
                      const float* origin, const float* matrix) {
  if (!world || !out || selection == 0) return;
  float m = 0.0f, s[3] = {0, 0, 0};
  SelMassAndSum(world, part, selection, frame, &m, s);
  float c[3] = {0, 0, 0};
  if (m != 0.0f)
    for (int k = 0; k < 3; ++k) c[k] = s[k] / m;
  if (!origin && !matrix) {
    for (int k = 0; k < 3; ++k) out[k] = c[k];
    return;
  }
  if (origin)
    for (int k = 0; k < 3; ++k) c[k] -= origin[k];
  if (matrix) {
    float inv[9], local[3];
    GVMat3Inverse(matrix, inv, nullptr);
    GVMat3MulVec(local, inv, c);
    for (int k = 0; k < 3; ++k) c[k] = local[k];
  }
  for (int k = 0; k < 3; ++k)
    if (AxisOn(axes, k)) out[k] = c[k];
}

void GVSetSelPosition(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes,
                      const float target[3], const float* origin, const float* matrix) {
  if (!world || !target || selection == 0) return;
  if (frame >= kFrameInitial && part != 0 && part != 1) return;
  float c[3] = {0, 0, 0};
  GVGetSelPosition(world, part, selection, frame, axes, c, origin, matrix);
  float d[3];
  for (int k = 0; k < 3; ++k) d[k] = AxisOn(axes, k) ? target[k] - c[k] : 0.0f;
  if (matrix) {
    float w[3];
    GVMat3MulVec(w, matrix, d);
    for (int k = 0; k < 3; ++k) d[k] = w[k];
  }
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || !Writable(j)) continue;
    if (frame == kFrameInitial) {
      j->addPartVec0(part, frame, kAxesAll, d);
    } else if (frame < 0) {
      if (j->state) j->state->translatePart(part, frame, kAxesAll, d);
    } else {
      j->translatePart(part, frame, kAxesAll, d);
    }
  }
}

void GVGetSelVelocity(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes, float out[3]) {
  if (!world || !out || selection == 0) return;
  float m = 0.0f, p[3] = {0, 0, 0};
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    if (frame < kFrameInitial) {
      if (j->state) j->state->getPartMass(part, frame, &m);
    } else {
      j->getPartMass(part, frame, &m);
    }
    // The rest shape has no velocity: the live state answers nothing there.
    if (frame < 0) {
      if (j->state) j->state->getPartMomentum(part, frame, kAxesAll, p);
    } else {
      j->getPartMomentum(part, frame, kAxesAll, p);
    }
  }
  for (int k = 0; k < 3; ++k)
    if (AxisOn(axes, k)) out[k] = m != 0.0f ? p[k] / m : 0.0f;
}

void GVSetSelVelocity(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes,
                      const float target[3]) {
  if (!world || !target || selection == 0) return;
  float mean[3] = {0, 0, 0};
  GVGetSelVelocity(world, part, selection, frame, axes, mean);
  float d[3];
  for (int k = 0; k < 3; ++k) d[k] = AxisOn(axes, k) ? target[k] - mean[k] : 0.0f;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || !Writable(j)) continue;
    if (frame < 0) {
      if (j->state) j->state->addPartVelocity(part, frame, kAxesAll, d);
    } else {
      j->addPartVelocity(part, frame, kAxesAll, d);
    }
  }
}

void GVSetSelNodeVelocities(HWorld* world, int32_t selection, int32_t frame, const float velocity[3]) {
  if (!world || !velocity || selection == 0) return;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || !Writable(j)) continue;
    if (frame < 0) {
      if (j->state) j->state->setPartVelocity(1, frame, kAxesAll, velocity);
    } else {
      j->setPartVelocity(1, frame, kAxesAll, velocity);
    }
  }
}

// Angular velocity about c over the selection (zero when nothing has mass).
static void SelSpin(HWorld* world, int32_t part, int32_t selection, int32_t frame, const float c[3],
                    float w[3]) {
  float m = 0.0f, L[3] = {0, 0, 0}, I[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    HBState* s = frame < kFrameInitial ? static_cast<HBState*>(j->state) : j;
    if (!s) continue;
    s->getPartMass(part, frame, &m);
    s->getPartAngMomentum(part, frame, kAxesAll, c, L, I);
  }
  // Per unit mass, so that the inverse stays well inside float range for
  // heavy selections.
  const float f = m != 0.0f ? 1.0f / m : 0.0f;
  for (float& x : L) x *= f;
  for (float& x : I) x *= f;
  float inv[9];
  GVMat3Inverse(I, inv, nullptr);  // a singular tensor gives no spin
  GVMat3MulVec(w, inv, L);
}

void GVGetSelAngVelocity(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes,
                         float out[3]) {
  if (!world || !out || selection == 0) return;
  float c[3] = {0, 0, 0}, w[3];
  GVGetSelPosition(world, part, selection, frame, kAxesAll, c, nullptr, nullptr);
  SelSpin(world, part, selection, frame, c, w);
  for (int k = 0; k < 3; ++k)
    if (AxisOn(axes, k)) out[k] = w[k];
}

void GVSetSelAngVelocity(HWorld* world, int32_t part, int32_t selection, int32_t frame, int32_t axes,
                         const float target[3]) {
  if (!world || !target || selection == 0) return;
  float c[3] = {0, 0, 0}, w[3];
  GVGetSelPosition(world, part, selection, frame, kAxesAll, c, nullptr, nullptr);
  SelSpin(world, part, selection, frame, c, w);
  float d[3];
  for (int k = 0; k < 3; ++k) d[k] = AxisOn(axes, k) ? target[k] - w[k] : 0.0f;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || !Writable(j)) continue;
    if (frame < 0) {
      if (j->state) j->state->addPartSpin(part, frame, kAxesAll, c, d);
    } else {
      j->addPartSpin(part, frame, kAxesAll, c, d);
    }
  }
}

void GVSelApplyForce(HWorld* world, int32_t selection, int32_t part, int32_t axes, const float force[3]) {
  if (!world || !force || selection == 0) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection) && j->state) GVAddPartAccel(j->state, part, axes, force);
}

static bool SameExtents(const HObject* a, const HObject* b) {
  LatticeDims da{}, db{};
  a->getLatticeDims(&da);
  b->getLatticeDims(&db);
  for (int k = 0; k < 3; ++k)
    if (da.maxIndex[k] != db.maxIndex[k]) return false;
  return true;
}

void GVAttractJels(HWorld* world, int32_t idA, int32_t idB, int32_t part, float spring, float damping) {
  if (!world || idA < 1 || idB < 1) return;
  HObject* a = GVGetJelById(world, idA);
  HObject* b = GVGetJelById(world, idB);
  if (!a || !b || a->nodeCount != b->nodeCount || !SameExtents(a, b)) return;
  if (!a->state || !b->state || !Writable(a)) return;
  const int32_t steps = world->params.subSteps * world->params.fps;
  const float dt = steps > 0 ? 1.0f / static_cast<float>(steps) : 0.0f;
  const float k = dt * dt;
  if (k == 0.0f) return;
  const Vec3f* pa = a->pos;
  const Vec3f* pb = b->pos;
  const Vec3f* va = a->vel;
  const Vec3f* vb = b->vel;
  Vec3f* da = a->disp;
  const Vec3f* db = b->disp;
  for (int32_t i = 1; i <= a->nodeCount; ++i) {
    if (!a->inPart(i, part)) continue;
    for (int c = 0; c < 3; ++c) {
      const float d = (pb[i][c] + db[i][c]) - (pa[i][c] + da[i][c]);
      const float v = vb[i][c] - va[i][c];
      da[i][c] += (spring * d + damping * v) * k;
    }
  }
}

// Both Jels exist with live states, and ids and parts are 1 or more.
static bool FindPair(HWorld* world, int32_t idA, int32_t partA, int32_t idB, int32_t partB, HObject** a,
                     HObject** b) {
  if (!world || idA < 1 || idB < 1 || partA < 1 || partB < 1) return false;
  *a = GVGetJelById(world, idA);
  *b = GVGetJelById(world, idB);
  return *a && *b && (*a)->state && (*b)->state;
}

float GVGetJelDistance(HWorld* world, int32_t idA, int32_t partA, int32_t idB, int32_t partB) {
  HObject *a, *b;
  if (!FindPair(world, idA, partA, idB, partB, &a, &b)) return 0.0f;
  float ca[3] = {0, 0, 0}, cb[3] = {0, 0, 0}, d[3];
  GVGetPartCentre(a, partA, kFrameInStep, kAxesAll, ca);
  GVGetPartCentre(b, partB, kFrameInStep, kAxesAll, cb);
  return GVVecLength(GVVecSub(d, ca, cb));
}

void GVSetJelDistance(HWorld* world, int32_t idA, int32_t partA, int32_t idB, int32_t partB, float target) {
  HObject *a, *b;
  if (!FindPair(world, idA, partA, idB, partB, &a, &b)) return;
  const float ma = GVGetLivePartMass(a, partA);
  const float mb = GVGetLivePartMass(b, partB);
  const float total = ma + mb;
  if (!(total > 0.0f)) return;  // no mass: nothing to share the move by
  float ca[3] = {0, 0, 0}, cb[3] = {0, 0, 0}, d[3], n[3];
  GVGetGroupCentre(a->state, partA, kFrameInStep, kAxesAll, ca);
  GVGetGroupCentre(b->state, partB, kFrameInStep, kAxesAll, cb);
  GVVecSub(d, ca, cb);
  const float s = target - GVVecLength(d);
  GVVecNormalise(d, n);
  for (int k = 0; k < 3; ++k) {
    const float m = s * n[k];
    ca[k] += m * mb / total;
    cb[k] -= m * ma / total;
  }
  GVMovePartCentreTo(a->state, partA, kFrameInStep, ca);
  GVMovePartCentreTo(b->state, partB, kFrameInStep, cb);
}
