#include "jel/matter.h"

#include <cassert>
#include <cmath>
#include <cstring>

static float MatterProps::*const kFieldMembers[kMatterFields] = {
    &MatterProps::fRatio,     &MatterProps::scaleL,  &MatterProps::scaleT,   &MatterProps::density,
    &MatterProps::elasticity, &MatterProps::damping, &MatterProps::bulge,    &MatterProps::friction,
    &MatterProps::forceX,     &MatterProps::forceY,  &MatterProps::forceZ,   &MatterProps::flatZ,
};

static const MatterFieldInfo kFieldInfo[kMatterFields] = {
    {"F-Ratio", nullptr, kMatterFRatio, 1.0f, true, 1.0f, 1000.0f},
    {"Sc_L", "HSCALE_L", kMatterScaleL, 1.0f, false, 0.0f, 0.0f},
    {"Sc_T", "HSCALE_T", kMatterScaleT, 1.0f, false, 0.0f, 0.0f},
    {"Density", "HDENSITY", kMatterDensity, 1.0f, true, 0.01f, 1000.0f},
    {"Elasticity", "HELAS", kMatterElasticity, 1.0f, true, 0.0f, 100.0f},
    {"Damping", "HDAMPING", kMatterDamping, 1.0f, true, 0.0f, 100.0f},
    {"Bulge", "HINCOMP", kMatterBulge, 0.35f, true, 0.0f, 2.0f},
    {"Friction", "HFRICTION", kMatterFriction, 0.0f, true, 0.0f, 1.0f},
    {"Fx", nullptr, kMatterForceX, 0.0f, false, 0.0f, 0.0f},
    {"Fy", nullptr, kMatterForceY, 0.0f, false, 0.0f, 0.0f},
    {"Fz", nullptr, kMatterForceZ, 0.0f, false, 0.0f, 0.0f},
    {"FlatZ", "HFLAT_Z", kMatterFlatZ, 1.0f, true, 0.0f, 1.0f},
};

const MatterFieldInfo& GVMatterFieldInfo(int field) {
  assert(field >= 0 && field < kMatterFields);
  return kFieldInfo[field];
}

float GVMatterField(const MatterProps* m, int field) {
  assert(field >= 0 && field < kMatterFields);
  return m->*kFieldMembers[field];
}

void GVMatterSetField(MatterProps* m, int field, float value) {
  assert(field >= 0 && field < kMatterFields);
  m->*kFieldMembers[field] = value;
}

void GVMatterToFloats(const MatterProps* m, float out[kMatterFields]) {
  for (int f = 0; f < kMatterFields; ++f) out[f] = m->*kFieldMembers[f];
}

void GVMatterFromFloats(MatterProps* m, const float in[kMatterFields]) {
  for (int f = 0; f < kMatterFields; ++f) m->*kFieldMembers[f] = in[f];
}

void GVSetMatterDefaults(MatterProps* m) { *m = MatterProps{}; }

void GVInitVec4Zero(float* record) { std::memset(record, 0, 4 * sizeof(float)); }

void GVInitBlock32Zero(int32_t* block) { std::memset(block, 0, 8 * sizeof(int32_t)); }

void GVCopyMatterMasked(const MatterProps* src, uint32_t mask, MatterProps* dst) {
  for (int f = 0; f < kMatterFields; ++f)
    if (mask & kFieldInfo[f].maskBit) dst->*kFieldMembers[f] = src->*kFieldMembers[f];
}

void GVClampMatter(MatterProps* m, uint32_t mask) {
  if (!m || mask == 0) return;
  for (int f = 0; f < kMatterFields; ++f) {
    const MatterFieldInfo& info = kFieldInfo[f];
    if (!info.clamped || !(mask & info.maskBit)) continue;
    float& v = m->*kFieldMembers[f];
    if (v < info.low) v = info.low;
    if (v > info.high) v = info.high;
  }
}

// The unrounded sub-step ratio of a record for the factor k (time and length
// scales over the lattice scale); the live state stores this as fRatio.
float GVMatterStepRatio(const MatterProps* m, float cellSize, float fps) {
  const float k = m->scaleT * m->scaleL * 30.0f / (cellSize * fps);
  float e = m->elasticity * k;
  if (m->bulge > 1.0f) e *= 1.4142137f;
  float r = e > 1.0f ? e : 1.0f;
  if (r < m->damping * k) r = m->damping * k;
  return r;
}

float GVMatterSubSteps(const MatterProps* m, float scale) {
  if (scale < 0.01f || scale > 100.0f) return -1.0f;
  return std::ceil(GVMatterStepRatio(m, scale, 30.0f));
}

void GVMatterLimitsForSubSteps(float* elasticityOut, float* dampingOut, const MatterProps* m,
                               int32_t steps, float scale) {
  // A time scale near zero would divide by zero below, as would the length scale.
  if (!elasticityOut || !dampingOut || m->scaleL < 0.01f || m->scaleT < 0.01f || scale < 0.01f ||
      steps < 1)
    return;
  const float n = static_cast<float>(steps);
  const float x = n * scale / (m->scaleT * m->scaleL);
  MatterProps limit = *m;
  limit.damping = x;
  limit.elasticity = m->bulge > 1.0f ? x * 0.7071068f : x;
  // 0.7071068 * 1.4142137 and the scale factors round a little above 1, which
  // would make a record at its limits need one sub-step more than asked. Step
  // each limit down by single units in the last place until the forward rule
  // agrees (a few steps at most).
  const float k = m->scaleT * m->scaleL / scale;
  for (int guard = 0; guard < 64; ++guard) {
    const float elasticTerm = limit.elasticity * k * (m->bulge > 1.0f ? 1.4142137f : 1.0f);
    const bool elasticOver = elasticTerm > n;
    const bool dampingOver = limit.damping * k > n;
    if (!elasticOver && !dampingOver) break;
    if (elasticOver) limit.elasticity = std::nextafter(limit.elasticity, 0.0f);
    if (dampingOver) limit.damping = std::nextafter(limit.damping, 0.0f);
  }
  *dampingOut = limit.damping;
  *elasticityOut = limit.elasticity;
}

static GlobalWorkBlock gWorkBlock;

GlobalWorkBlock* GVGlobalWorkBlock() { return &gWorkBlock; }

int GVInitGlobalBlock() {
  gWorkBlock = GlobalWorkBlock{};
  return 0;
}

void GVScaleNodeMatter(MatterProps* m, int32_t mode, float cellSize) {
  const float inv = cellSize >= 0.001f ? 1.0f / cellSize : 0.0f;
  if (mode != 0) {
    const float k = mode == 2 ? m->scaleL * inv : mode == 4 ? m->scaleT : m->scaleT * m->scaleL * inv;
    m->elasticity *= k;
    m->damping *= k;
  }
  if (mode & 4) {
    const float t2 = m->scaleT * m->scaleT;
    m->forceX *= t2;
    m->forceY *= t2;
    m->forceZ *= t2;
  }
  if (mode & 2) m->scaleL = cellSize;
  if (mode & 4) m->scaleT = 1.0f;
}
