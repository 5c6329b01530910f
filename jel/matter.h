// The matter record every Jel node carries, its field mask, defaults and clamps,
// and the rule that turns matter into sub-steps per frame and back.
#pragma once

#include <cstdint>

struct MatterProps {
  float fRatio = 1.0f;      // sub-steps this node needs (derived; editable)
  float scaleL = 1.0f;      // "Sc_L"
  float scaleT = 1.0f;      // "Sc_T"
  float density = 1.0f;
  float elasticity = 1.0f;
  float damping = 1.0f;
  float bulge = 0.35f;      // incompressibility
  float friction = 0.0f;
  float forceX = 0.0f;      // constant force
  float forceY = 0.0f;
  float forceZ = 0.0f;
  float flatZ = 1.0f;
};

constexpr int kMatterFields = 12;

// Mask bits of the fields (not in field order).
enum : uint32_t {
  kMatterFRatio = 8,
  kMatterScaleL = 2,
  kMatterScaleT = 4,
  kMatterDensity = 64,
  kMatterElasticity = 16,
  kMatterDamping = 128,
  kMatterBulge = 32,
  kMatterFriction = 256,
  kMatterForceX = 512,
  kMatterForceY = 1024,
  kMatterForceZ = 2048,
  kMatterFlatZ = 4096,
  kMatterAllFields = 0x1ffe,
};

// The range of the length and time scales (Sc_L, Sc_T) a user or a program
// sets; the record itself keeps what it is given (a lattice's cell size).
constexpr float kMatterScaleMin = 0.01f;
constexpr float kMatterScaleMax = 100.0f;

// One row of the field table, by field index 0..11.
struct MatterFieldInfo {
  const char* label;         // the matter editor's label, e.g. "F-Ratio"
  const char* logicKeyword;  // the logic keyword that edits the field, or null
  uint32_t maskBit;
  float defaultValue;
  bool clamped;
  float low, high;           // clamp range when clamped
};

const MatterFieldInfo& GVMatterFieldInfo(int field);
float GVMatterField(const MatterProps* m, int field);
void GVMatterSetField(MatterProps* m, int field, float value);

// The record as its twelve floats in field order (files and images) and back.
void GVMatterToFloats(const MatterProps* m, float out[kMatterFields]);
void GVMatterFromFloats(MatterProps* m, const float in[kMatterFields]);

void GVSetMatterDefaults(MatterProps* m);
void GVInitVec4Zero(float* record);     // one 4-float record (per face)
void GVInitBlock32Zero(int32_t* block); // one record of eight words (per node cell)

// Copies the fields of src selected by mask into dst; other fields untouched.
void GVCopyMatterMasked(const MatterProps* src, uint32_t mask, MatterProps* dst);
// Clamps, in place, the selected fields that have a range. Nothing for a null
// record or mask 0.
void GVClampMatter(MatterProps* m, uint32_t mask);

// The F-Ratio rule: the sub-steps per frame a node's matter needs at this
// cell size and frame rate, at least 1 (not rounded). Callers check the cell
// size and frame rate.
float GVMatterStepRatio(const MatterProps* m, float cellSize, float fps);
// Sub-steps per frame the record needs at the given scale at 30 frames a
// second, as a float (a whole number, at least 1); -1 when scale is outside
// [0.01, 100].
float GVMatterSubSteps(const MatterProps* m, float scale);
// Folds the length scale (mode bit 2) and the time scale (bit 4) of a node's
// matter into its elasticity, damping and forces, leaving scales of the cell
// size and 1.
void GVScaleNodeMatter(MatterProps* m, int32_t mode, float cellSize);
// The largest Elasticity and Damping that need no more than steps sub-steps.
// Nothing is written when an output is missing, steps < 1, scale < 0.01, or a
// length or time scale of the record is below 0.01.
void GVMatterLimitsForSubSteps(float* elasticityOut, float* dampingOut, const MatterProps* m,
                               int32_t steps, float scale);

// The process-wide work block that the scene context hands to the logic system,
// the 3-D view and the camera dialog; its users define the fields.
struct GlobalWorkBlock {
  int32_t words[14];
  float floats[6];
};
GlobalWorkBlock* GVGlobalWorkBlock();
// Zeroes the work block; run at start-up. Returns 0.
int GVInitGlobalBlock();
