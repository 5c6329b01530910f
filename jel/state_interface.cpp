#include "jel/state_interface.h"

#include <cassert>
#include <cstring>

#include "jel/frame_store.h"
#include "jel/vector_math.h"

namespace {

constexpr float kFar = 9e30f;

bool axisOn(int32_t axes, int k) { return (axes & (2 << k)) != 0; }

// Node records of stored slot f, null when the store lacks them or f is past
// its last slot.
JelNodeRec* slotNodes(const ChanData* store, int32_t f) {
  if (!store || f < 0 || f > GVFrameStoreLast(store)) return nullptr;
  return GVFrameNodeRecs(store, f);
}

MatterProps* slotMatter(const ChanData* store, int32_t f) {
  if (!store || f < 0 || f > GVFrameStoreLast(store)) return nullptr;
  return GVFrameMatter(store, f);
}

}  // namespace

HBState::HBState() { initParams(); }

HBState::HBState(int32_t id_, int32_t nodeCount_, float cellSize_, uint32_t groupMask_,
                 const JelHead& head) {
  initParams();
  static_cast<JelHead&>(*this) = head;
  id = id_;
  nodeCount = nodeCount_;
  cellSize = cellSize_;
  groupMask = groupMask_;
}

void HBState::initParams() {
  static_cast<JelHead&>(*this) = JelHead();
  id = 0;
  groupMask = 2;
  nodeCount = 0;
  cellSize = 1.0f;
  faceCount = 0;
  edgeCount = 0;
  for (int32_t& m : frameMarks) m = -1;
  params = nullptr;
}

float HBState::stepTime() const {
  if (!params) return 0.0f;
  if (params->timeStep >= 1e-5f) return params->timeStep;
  const int32_t steps = params->subSteps * params->fps;
  return steps != 0 ? 1.0f / static_cast<float>(steps) : 0.0f;
}

float HBState::invStepTime() const {
  if (!params) return 0.0f;
  if (params->timeStep >= 1e-5f) return 1.0f / params->timeStep;
  return static_cast<float>(params->subSteps * params->fps);
}

bool HBState::readOnly() const { return params && params->mode == 4; }

float HBState::storedNodeMass(int32_t slot, int32_t i) const {
  const MatterProps* m = slotMatter(frameStore, slot);
  if (!m || !nodeVolume) return 0.0f;
  return m[i].density * nodeVolume[i];
}

void HBState::getPartMass(int32_t part, int32_t frame, float* mass) {
  if (!mass || frame < kFrameCommitted) return;
  const int32_t f = frame < 0 ? 0 : frame;
  if (!slotNodes(frameStore, f) || !slotMatter(frameStore, f)) return;
  float sum = 0.0f;
  for (int32_t i = 1; i <= nodeCount; ++i)
    if (inPart(i, part)) sum += storedNodeMass(f, i);
  *mass += sum;
}

void HBState::getPartMassSumVec0(int32_t part, int32_t frame, int32_t axes, float out[3]) {
  if (frame < kFrameInitial) return;
  const int32_t f = frame < 0 ? 0 : frame;
  const JelNodeRec* rec = slotNodes(frameStore, f);
  if (!rec || !slotMatter(frameStore, f)) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    const float m = storedNodeMass(f, i);
    for (int k = 0; k < 3; ++k)
      if (axisOn(axes, k)) out[k] += m * rec[i].f[kNodeNatural + k];
  }
}

void HBState::getPartMassPosSum(int32_t part, int32_t frame, int32_t axes, float out[3]) {
  if (frame == kFrameCommitted) {
    if (!pos || !slotMatter(frameStore, 0)) return;
    for (int32_t i = 1; i <= nodeCount; ++i) {
      if (!inPart(i, part)) continue;
      const float m = storedNodeMass(0, i);
      for (int k = 0; k < 3; ++k)
        if (axisOn(axes, k)) out[k] += m * pos[i][k];
    }
    return;
  }
  const JelNodeRec* rec = slotNodes(frameStore, frame);
  if (!rec || !slotMatter(frameStore, frame)) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    const float m = storedNodeMass(frame, i);
    for (int k = 0; k < 3; ++k)
      if (axisOn(axes, k)) out[k] += m * rec[i].f[kNodePos + k];
  }
}

void HBState::getPartMomentum(int32_t part, int32_t frame, int32_t axes, float out[3]) {
  const JelNodeRec* rec = slotNodes(frameStore, frame);
  if (!rec || !slotMatter(frameStore, frame)) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    const float m = storedNodeMass(frame, i);
    for (int k = 0; k < 3; ++k)
      if (axisOn(axes, k)) out[k] += m * rec[i].f[kNodeVel + k];
  }
}

// Adds (or sets) v on the selected axes of one float triple of every node of
// the part in stored slot f.
static void editStoredTriple(HBState* s, int32_t part, int32_t f, int32_t axes, const float v[3],
                             int32_t first, bool set) {
  JelNodeRec* rec = slotNodes(s->frameStore, f);
  if (!rec) return;
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k) {
      if (!axisOn(axes, k)) continue;
      float& x = rec[i].f[first + k];
      x = set ? v[k] : x + v[k];
    }
  }
}

void HBState::addPartVec0(int32_t part, int32_t frame, int32_t axes, const float v[3]) {
  if (frame < kFrameInitial) return;
  editStoredTriple(this, part, frame < 0 ? 0 : frame, axes, v, kNodeNatural, false);
}

void HBState::translatePart(int32_t part, int32_t frame, int32_t axes, const float v[3]) {
  if (frame == kFrameCommitted) {
    if (!pos) return;
    for (int32_t i = 1; i <= nodeCount; ++i) {
      if (!inPart(i, part)) continue;
      for (int k = 0; k < 3; ++k)
        if (axisOn(axes, k)) pos[i][k] += v[k];
    }
    return;
  }
  if (frame < 0) return;
  editStoredTriple(this, part, frame, axes, v, kNodePos, false);
}

void HBState::addPartVelocity(int32_t part, int32_t frame, int32_t axes, const float v[3]) {
  if (frame < 0) return;
  editStoredTriple(this, part, frame, axes, v, kNodeVel, false);
}

void HBState::setPartVelocity(int32_t part, int32_t frame, int32_t axes, const float v[3]) {
  if (frame < 0) return;
  editStoredTriple(this, part, frame, axes, v, kNodeVel, true);
}

void HBState::getPartAngMomentum(int32_t part, int32_t frame, int32_t /*axes*/, const float centre[3],
                                 float L[3], float I[9]) {
  const JelNodeRec* rec = slotNodes(frameStore, frame);
  if (!rec || !slotMatter(frameStore, frame)) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    const float m = storedNodeMass(frame, i);
    const float* p = &rec[i].f[kNodePos];
    const float* u = &rec[i].f[kNodeVel];
    const float r[3] = {p[0] - centre[0], p[1] - centre[1], p[2] - centre[2]};
    L[0] += m * (r[1] * u[2] - r[2] * u[1]);
    L[1] += m * (r[2] * u[0] - r[0] * u[2]);
    L[2] += m * (r[0] * u[1] - r[1] * u[0]);
    GVInertiaAddPoint(I, m, r);
  }
  GVInertiaSymmetrise(I);
}

void HBState::addPartSpin(int32_t part, int32_t frame, int32_t axes, const float centre[3],
                          const float omega[3]) {
  JelNodeRec* rec = slotNodes(frameStore, frame);
  if (!rec) return;
  float w[3];
  for (int k = 0; k < 3; ++k) w[k] = axisOn(axes, k) ? omega[k] : 0.0f;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    if (!inPart(i, part)) continue;
    const float* p = &rec[i].f[kNodePos];
    float* u = &rec[i].f[kNodeVel];
    const float r[3] = {p[0] - centre[0], p[1] - centre[1], p[2] - centre[2]};
    u[0] += w[1] * r[2] - w[2] * r[1];
    u[1] += w[2] * r[0] - w[0] * r[2];
    u[2] += w[0] * r[1] - w[1] * r[0];
  }
}

void HBState::getPartMatterRange(int32_t, int32_t, uint32_t, MatterProps*) {}

void HBState::setPartMatter(int32_t part, int32_t frame, uint32_t mask, MatterProps* values) {
  if (!values) return;
  GVClampMatter(values, mask);
  MatterProps* m = slotMatter(frameStore, frame);
  if (!m) return;
  for (int32_t i = 1; i <= nodeCount; ++i)
    if (inPart(i, part)) GVCopyMatterMasked(values, mask, &m[i]);
}

void HBState::getFaceCentreAlias(int32_t part, int32_t frame, int32_t face, int32_t axes, float out[3]) {
  getFaceCentre(part, frame, face, axes, out);
}

void HBState::findNearestNode(int32_t part, int32_t frame, const float point[3], int32_t* node,
                              float* distSq) {
  float best = kFar;
  int32_t bestNode = 0;
  const JelNodeRec* rec = nullptr;
  int32_t first = kNodePos;
  bool available = false;
  if (frame >= 0) {
    rec = slotNodes(frameStore, frame);
    available = rec != nullptr;
  } else if (frame == kFrameInitial) {
    rec = slotNodes(frameStore, 0);
    first = kNodeNatural;
    available = rec != nullptr;
  } else if (frame == kFrameCommitted) {
    available = pos != nullptr;
  } else if (frame == kFrameInStep) {
    available = pos != nullptr && disp != nullptr;
  }
  if (available) {
    for (int32_t i = 1; i <= nodeCount; ++i) {
      if (!inPart(i, part)) continue;
      float q[3];
      for (int k = 0; k < 3; ++k) {
        if (rec)
          q[k] = rec[i].f[first + k];
        else
          q[k] = frame == kFrameInStep ? pos[i][k] + disp[i][k] : pos[i][k];
      }
      const float d0 = q[0] - point[0], d1 = q[1] - point[1], d2 = q[2] - point[2];
      const float d = d0 * d0 + d1 * d1 + d2 * d2;
      if (d < best) {
        best = d;
        bestNode = i;
      }
    }
  }
  if (node) *node = bestNode;
  if (distSq) *distSq = best;
}

void HBState::findNearestNodeAlias(int32_t part, int32_t frame, const float point[3], int32_t* node,
                                   float* distSq) {
  findNearestNode(part, frame, point, node, distSq);
}

void HBState::getNodePositionAlias(int32_t node, int32_t frame, int32_t axes, float out[3]) {
  getNodePosition(node, frame, axes, out);
}

void HBState::setNodePositionAlias(int32_t node, int32_t frame, int32_t axes, const float p[3]) {
  setNodePosition(node, frame, axes, p);
}

void HBState::getNodeMatterAlias(int32_t node, int32_t frame, uint32_t mask, MatterProps* out) {
  getNodeMatter(node, frame, mask, out);
}

void HBState::setNodeMatterAlias(int32_t node, int32_t frame, uint32_t mask, const MatterProps* in) {
  setNodeMatter(node, frame, mask, in);
}

void HBState::getPartMatterSummaryAlias(int32_t part, int32_t frame, uint32_t mask, MatterProps* out) {
  getPartMatterSummary(part, frame, mask, out);
}

void HBState::applyPartMatterAlias(int32_t part, int32_t frame, uint32_t mask, MatterProps* values) {
  applyPartMatter(part, frame, mask, values);
}

int32_t HBState::nodeTangents(const HBState* state, int32_t node, float posOut[3], float frameOut[9]) {
  if (!state || node <= 0 || node > state->nodeCount || (!posOut && !frameOut)) return 0;
  if (!state->pos) return 0;
  const Vec3f* p = state->pos;
  static const float kZero[3] = {0, 0, 0};
  auto at = [&](int32_t j) -> const float* { return j > 0 ? p[j] : kZero; };
  float t[9];
  for (int a = 0; a < 3; ++a) {
    const int32_t minus = state->neighbour(kNbrMinusX + a, node);
    const int32_t plus = state->neighbour(kNbrPlusX + a, node);
    const float s = state->diffOneSided ? state->diffOneSided[node][a] : 0.0f;
    float v[3];
    if (s == 0.0f) {
      for (int k = 0; k < 3; ++k) v[k] = 0.5f * (at(plus)[k] - at(minus)[k]);
    } else if (s == 1.0f) {
      for (int k = 0; k < 3; ++k) v[k] = at(plus)[k] - p[node][k];
    } else {
      for (int k = 0; k < 3; ++k) v[k] = p[node][k] - at(minus)[k];
    }
    GVVecNormalise(v, &t[3 * a]);
  }
  if (frameOut) std::memcpy(frameOut, t, sizeof t);
  if (posOut) std::memcpy(posOut, p[node], sizeof(float) * 3);
  return 1;
}

int32_t GVJelBoundingBox(HBState* state, int32_t frame, float out[6]) {
  out[0] = out[2] = out[4] = kFar;
  out[1] = out[3] = out[5] = -kFar;
  if (!state) return 0;
  int32_t found = 0;
  for (int32_t i = 1; i <= state->nodeCount; ++i) {
    if (!state->inPart(i, 1)) continue;
    float p[3] = {0, 0, 0};
    state->getNodePositionAlias(i, frame, kAxesAll, p);
    for (int k = 0; k < 3; ++k) {
      if (p[k] < out[2 * k]) out[2 * k] = p[k];
      if (p[k] > out[2 * k + 1]) out[2 * k + 1] = p[k];
    }
    found = 1;
  }
  return found;
}

void GVCopyFrameParamsBlock(FrameParams* dst, const FrameParams* src) {
  if (dst && src) *dst = *src;
}

void GVSetNodeFrameRecord(NodeFrameRecord* record, int32_t frame, int32_t key1, int32_t key2,
                          int32_t result, int32_t part, const float v[3], const float m[9]) {
  if (!record) return;
  record->frame = frame;
  record->key1 = key1;
  record->key2 = key2;
  record->result = result;
  record->part = part;
  for (int k = 0; k < 3; ++k) record->pos[k] = v ? v[k] : 0.0f;
  for (int k = 0; k < 9; ++k) record->mat[k] = m ? m[k] : (k % 4 == 0 ? 1.0f : 0.0f);
}

bool HBState::isFlat() const {
  if (nodeCount < 1) return false;
  return neighbour(kNbrMinusZ, 1) == 0 && neighbour(kNbrPlusZ, 1) == 0;
}
