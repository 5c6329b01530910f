// Category 5 (HPROPS): a program changes one matter field of a part of one
// Jel or a group of Jels while the scene runs, and reads it back. The value
// is clamped to the field's range and written into the live states only
// while the world steps; an f result always receives the part's current
// value.
//
// Arguments: Jel selection, part, value, and (all but HGRAVITY) the frame at
// which to apply the value (0 or absent: every step).
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

enum : int32_t {
  kPropScaleL = 0,
  kPropScaleT = 1,
  kPropDensity = 2,
  kPropElas = 3,
  kPropIncomp = 4,
  kPropDamping = 5,
  kPropFriction = 6,
  kPropGravity = 7,
  kPropFlatZ = 8,
};

void GVBuildPropsCmds(LogicSystem* sys);

int32_t GVCmdHScaleL(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHScaleT(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHDensity(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHElas(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHIncomp(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHDamping(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHFriction(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHFlatZ(int32_t program, LogicLine* line, LogicSystem* sys);
// The per-node force (Fx, Fy, Fz) on the line's axes (all without an axis
// bit), from a float or a v variable; never in the first step of a run.
int32_t GVCmdHGravity(int32_t program, LogicLine* line, LogicSystem* sys);
