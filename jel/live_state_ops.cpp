// The state operations on the live frames: -2 the committed state, -3 the state
// inside a step (pos + disp, velocity disp / dt), -4 the displacement alone.
#include <cmath>
#include <cstring>

#include "jel/live_state.h"
#include "jel/vector_math.h"

namespace {

bool axisOn(int32_t axes, int k) { return (axes & (2 << k)) != 0; }
bool isLive(int32_t frame) { return frame <= kFrameCommitted && frame >= kFrameDispOnly; }

// Every field of a matter record at zero, for the summary's work record.
MatterProps zeroMatter() {
  MatterProps m;
  m.fRatio = m.scaleL = m.scaleT = m.density = m.elasticity = m.damping = 0.0f;
  m.bulge = m.friction = m.forceX = m.forceY = m.forceZ = m.flatZ = 0.0f;
  return m;
}

}  // namespace

void GVFoldMatterRange(const MatterProps* node, uint32_t mask, MatterProps* range) {
  if (!node || !range) return;
  for (int f = 0; f < kMatterFields; ++f) {
    if (!(mask & GVMatterFieldInfo(f).maskBit)) continue;
    const float v = GVMatterField(node, f);
    const float out = GVMatterField(range, f);
    if (f == 3) {
      if (v < out) GVMatterSetField(range, f, v);
    } else if (f >= 8 && f <= 10) {
      if (std::fabs(v) < std::fabs(out)) GVMatterSetField(range, f, std::fabs(v));
    } else if (v > out) {
      GVMatterSetField(range, f, v);
    }
  }
}

void HAState::getPartMass(int32_t part, int32_t frame, float* out) {
  if (!out || !isLive(frame)) return;
  float sum = 0.0f;
  for (int32_t i = 1; i <= nodeCount; ++i)
    if (inPart(i, part)) sum += mass[i];
  *out += sum;
}

void HAState::getPartMassSumVec0(int32_t, int32_t, int32_t, float*) {}

void HAState::getPartMassPosSum(int32_t part, int32_t frame, int32_t axes, float out[3]) {
  if (!isLive(frame)) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k) {
      if (!axisOn(axes, k)) continue;
      float p = frame == kFrameDispOnly ? disp[i][k] : pos[i][k];
      if (frame == kFrameInStep) p += disp[i][k];
      out[k] += mass[i] * p;
    }
  }
}

void HAState::getPartMomentum(int32_t part, int32_t frame, int32_t axes, float out[3]) {
  if (!isLive(frame)) return;
  const float inv = invStepTime();
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k) {
      if (!axisOn(axes, k)) continue;
      out[k] += frame == kFrameCommitted ? mass[i] * vel[i][k] : mass[i] * disp[i][k] * inv;
    }
  }
}

void HAState::addPartVec0(int32_t, int32_t, int32_t, const float*) {}

void HAState::translatePart(int32_t part, int32_t frame, int32_t axes, const float v[3]) {
  if (!isLive(frame)) return;
  Vec3f* target = frame == kFrameCommitted ? pos : disp;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k)
      if (axisOn(axes, k)) target[i][k] += v[k];
  }
}

void HAState::addPartVelocity(int32_t part, int32_t frame, int32_t axes, const float v[3]) {
  if (!isLive(frame)) return;
  const bool committed = frame == kFrameCommitted;
  const float dt = committed ? 1.0f : stepTime();
  Vec3f* target = committed ? vel : disp;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k)
      if (axisOn(axes, k)) target[i][k] += v[k] * dt;
  }
}

void HAState::setPartVelocity(int32_t part, int32_t frame, int32_t axes, const float v[3]) {
  if (frame != kFrameCommitted && frame != kFrameInStep) return;
  const bool committed = frame == kFrameCommitted;
  const float dt = committed ? 1.0f : stepTime();
  Vec3f* target = committed ? vel : disp;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k)
      if (axisOn(axes, k)) target[i][k] = v[k] * dt;
  }
}

void HAState::getPartAngMomentum(int32_t part, int32_t frame, int32_t /*axes*/, const float centre[3],
                                 float L[3], float I[9]) {
  if (frame != kFrameCommitted && frame != kFrameInStep) return;
  const bool inStep = frame == kFrameInStep;
  const float inv = invStepTime();
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    const float m = mass[i];
    float r[3], u[3];
    for (int k = 0; k < 3; ++k) {
      r[k] = pos[i][k] + (inStep ? disp[i][k] : 0.0f) - centre[k];
      u[k] = inStep ? disp[i][k] * inv : vel[i][k];
    }
    L[0] += m * (r[1] * u[2] - r[2] * u[1]);
    L[1] += m * (r[2] * u[0] - r[0] * u[2]);
    L[2] += m * (r[0] * u[1] - r[1] * u[0]);
    GVInertiaAddPoint(I, m, r);
  }
  GVInertiaSymmetrise(I);
}

void HAState::addPartSpin(int32_t part, int32_t frame, int32_t /*axes*/, const float centre[3],
                          const float w[3]) {
  if (frame != kFrameCommitted && frame != kFrameInStep) return;
  const bool inStep = frame == kFrameInStep;
  const float dt = stepTime();
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    float r[3];
    for (int k = 0; k < 3; ++k) r[k] = pos[i][k] + (inStep ? disp[i][k] : 0.0f) - centre[k];
    const float c[3] = {w[1] * r[2] - w[2] * r[1], w[2] * r[0] - w[0] * r[2], w[0] * r[1] - w[1] * r[0]};
    for (int k = 0; k < 3; ++k) {
      if (inStep)
        disp[i][k] += dt * c[k];
      else
        vel[i][k] += c[k];
    }
  }
}

void HAState::getPartMatterRange(int32_t part, int32_t frame, uint32_t mask, MatterProps* out) {
  if (!out || frame >= kFrameInitial) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    GVFoldMatterRange(&matter[i], mask, out);
  }
}

void HAState::setPartMatter(int32_t part, int32_t frame, uint32_t mask, MatterProps* values) {
  if (!values) return;
  GVClampMatter(values, mask);
  if (frame >= kFrameInitial) return;
  for (int32_t i = 1; i <= nodeCount; ++i)
    if (inPart(i, part)) GVCopyMatterMasked(values, mask, &matter[i]);
  matterChanged();
  // Scales, elasticity, bulge, density and damping feed the coefficients.
  if (mask & (2u | 4u | 16u | 32u | 64u | 128u)) deriveMatterCoefficients();
}

void HAState::getFaceCentre(int32_t /*part*/, int32_t frame, int32_t face, int32_t axes, float out[3]) {
  if (!out || !faces || face < 1 || face > faceCount) return;
  if (frame != kFrameCommitted && frame != kFrameInStep) return;
  float m = 0.0f, sum[3] = {0, 0, 0};
  for (int c = 0; c < 4; ++c) {
    const int32_t j = faces[face][c];
    if (j < 1 || j > nodeCount) continue;
    m += mass[j];
    for (int k = 0; k < 3; ++k)
      sum[k] += mass[j] * (pos[j][k] + (frame == kFrameInStep ? disp[j][k] : 0.0f));
  }
  const float f = m > 0.0f ? 1.0f / m : 0.0f;
  for (int k = 0; k < 3; ++k)
    if (axisOn(axes, k)) out[k] = sum[k] * f;
}

void HAState::moveFaceTo(int32_t part, int32_t frame, int32_t face, int32_t axes, const float target[3]) {
  if (readOnly() || !target || !faces || face < 1 || face > faceCount) return;
  if (frame != kFrameCommitted && frame != kFrameInStep) return;
  float c[3] = {0, 0, 0};
  getFaceCentre(part, kFrameInStep, face, kAxesAll, c);
  for (int k = 0; k < 4; ++k) {
    const int32_t j = faces[face][k];
    if (j < 1 || j > nodeCount) continue;
    for (int a = 0; a < 3; ++a)
      if (axisOn(axes, a)) disp[j][a] += target[a] - c[a];
  }
}

void HAState::getNodePosition(int32_t node, int32_t frame, int32_t axes, float out[3]) {
  if (!out || node < 1 || node > nodeCount) return;
  if (frame != kFrameCommitted && frame != kFrameInStep) return;
  for (int k = 0; k < 3; ++k)
    if (axisOn(axes, k)) out[k] = pos[node][k] + (frame == kFrameInStep ? disp[node][k] : 0.0f);
}

void HAState::setNodePosition(int32_t node, int32_t frame, int32_t axes, const float p[3]) {
  if (!p || readOnly() || frame != kFrameInStep || node < 1 || node > nodeCount) return;
  for (int k = 0; k < 3; ++k)
    if (axisOn(axes, k)) disp[node][k] = p[k] - pos[node][k];
}

void HAState::getNodeMatter(int32_t node, int32_t frame, uint32_t mask, MatterProps* out) {
  if (!out || node < 1 || node > nodeCount) return;
  if (frame != kFrameCommitted && frame != kFrameInStep) return;
  GVCopyMatterMasked(&matter[node], mask, out);
}

void HAState::setNodeMatter(int32_t node, int32_t frame, uint32_t mask, const MatterProps* in) {
  if (!in || readOnly() || node < 1 || node > nodeCount) return;
  if (frame != kFrameCommitted && frame != kFrameInStep) return;
  GVCopyMatterMasked(in, mask, &matter[node]);
  matterChanged(node);
}

void HAState::getPartMatterSummary(int32_t part, int32_t frame, uint32_t mask, MatterProps* out) {
  if (!out || (frame != kFrameCommitted && frame != kFrameInStep)) return;
  MatterProps work = zeroMatter();
  work.fRatio = 1.0f;
  work.density = 9e30f;
  getPartMatterRange(part, frame, mask, &work);
  work.fRatio = std::trunc(work.fRatio);
  GVCopyMatterMasked(&work, mask, out);
}

void HAState::applyPartMatter(int32_t part, int32_t frame, uint32_t mask, MatterProps* values) {
  if (readOnly() || (frame != kFrameCommitted && frame != kFrameInStep)) return;
  setPartMatter(part, frame, mask, values);
}

void HAState::updateNodeCoeffs(int32_t frame) {
  if (frame >= 0 || !params || params->fps < 1) return;
  if (cellSize < 0.01f || cellSize > 100.0f) return;
  const float fps = static_cast<float>(params->fps);
  for (int32_t i = 1; i <= nodeCount; ++i) matter[i].fRatio = GVMatterStepRatio(&matter[i], cellSize, fps);
}

void HAState::raiseStepRatios() {
  if (!params || params->fps < 1) return;
  if (cellSize < 0.01f || cellSize > 100.0f) return;
  const float fps = static_cast<float>(params->fps);
  for (int32_t i = 1; i <= nodeCount; ++i) {
    const float r = GVMatterStepRatio(&matter[i], cellSize, fps);
    if (!(matter[i].fRatio >= r)) matter[i].fRatio = r;
  }
}

void HAState::scaleNodeMatter(int32_t /*part*/, int32_t frame, int32_t mode) {
  if (frame >= 0 || !frameStore) return;
  for (int32_t i = 1; i <= nodeCount; ++i) GVScaleNodeMatter(&matter[i], mode, cellSize);
  matterChanged();
}

// ---------------------------------------------------------------------------
// Part-level helpers

void GVGetGroupCentre(HBState* state, int32_t part, int32_t frame, int32_t axes, float out[3]) {
  if (!state || !out) return;
  float m = 0.0f, s[3] = {0, 0, 0};
  state->getPartMass(part, frame, &m);
  state->getPartMassPosSum(part, frame, axes, s);
  for (int k = 0; k < 3; ++k)
    if (axisOn(axes, k)) out[k] = m != 0.0f ? s[k] / m : 0.0f;
}

void GVMovePartCentreTo(HBState* state, int32_t part, int32_t frame, const float target[3]) {
  if (!state || !target || state->readOnly()) return;
  float c[3] = {0, 0, 0};
  GVGetGroupCentre(state, part, frame, kAxesAll, c);
  const float d[3] = {target[0] - c[0], target[1] - c[1], target[2] - c[2]};
  state->translatePart(part, frame, kAxesAll, d);
}

void GVGetPartVelocity(HBState* state, int32_t part, int32_t axes, float out[3]) {
  if (!state || !out) return;
  float m = 0.0f, p[3] = {0, 0, 0};
  state->getPartMass(part, kFrameInStep, &m);
  state->getPartMomentum(part, kFrameInStep, axes, p);
  for (int k = 0; k < 3; ++k)
    if (axisOn(axes, k)) out[k] = m != 0.0f ? p[k] / m : 0.0f;
}

void GVSetPartVelocityXZ(HBState* state, int32_t part, const float target[3]) {
  if (!state || !target || state->readOnly()) return;
  const int32_t xz = kAxisX | kAxisZ;
  float u[3] = {0, 0, 0};
  GVGetPartVelocity(state, part, xz, u);
  const float d[3] = {target[0] - u[0], 0.0f, target[2] - u[2]};
  state->addPartVelocity(part, kFrameInStep, xz, d);
}

void GVGetPartAngVelocity(HBState* state, float out[3]) {
  if (!state || !out) return;
  float c[3] = {0, 0, 0};
  GVGetGroupCentre(state, 1, kFrameInStep, kAxesAll, c);
  float m = 0.0f, L[3] = {0, 0, 0}, I[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  state->getPartMass(1, kFrameInStep, &m);
  state->getPartAngMomentum(1, kFrameInStep, kAxesAll, c, L, I);
  const float f = m != 0.0f ? 1.0f / m : 0.0f;
  for (float& x : L) x *= f;
  for (float& x : I) x *= f;
  float inv[9];
  GVMat3Inverse(I, inv, nullptr);
  GVMat3MulVec(out, inv, L);
}

void GVSetPartAngVelocity(HBState* state, const float target[3]) {
  if (!state || !target || state->readOnly()) return;
  float c[3] = {0, 0, 0}, w0[3] = {0, 0, 0};
  GVGetGroupCentre(state, 1, kFrameInStep, kAxesAll, c);
  GVGetPartAngVelocity(state, w0);
  const float d[3] = {target[0] - w0[0], target[1] - w0[1], target[2] - w0[2]};
  state->addPartSpin(1, kFrameInStep, kAxesAll, c, d);
}

void GVAddPartAccel(HAState* state, int32_t part, int32_t axes, const float a[3]) {
  if (!state || !a || state->readOnly() || !state->params || !state->params->stepping) return;
  const float dt = state->stepTime();
  const float f = dt * dt;
  for (int32_t i = 1; i <= state->nodeCount; ++i) {
    if (!state->inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k)
      if (axisOn(axes, k)) state->disp[i][k] += a[k] * f;
  }
}
