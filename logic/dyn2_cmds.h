// Category 7 (HDYN_2): axes of Geos and Jel parts, the constraints switched
// on over frame ranges (fix, fixed position or orientation, rigid, glue), the
// refresh of the collision search structures, collisions between Jels and
// between Geos and Jels, the scene walls, planes and viscous flow. The rules
// of HDYN_1 (logic/command_args.h) hold here too.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

enum : int32_t {
  kDyn2GAxes = 0,
  kDyn2HAxes = 1,
  kDyn2HFix = 2,
  kDyn2HFixPos = 3,
  kDyn2HFixOri = 4,
  kDyn2HRig = 5,
  kDyn2GMotion = 6,
  kDyn2HMotion = 7,
  kDyn2HCollHh = 8,
  kDyn2HCollgH = 9,
  kDyn2HCollGh = 10,
  kDyn2HWalls = 11,
  kDyn2HPlane = 12,
  kDyn2HGlue = 13,
  kDyn2HVisc = 14,
  kDyn2Count = 15,
};

// The most passes per sub-step a rigid line may ask for.
constexpr int32_t kLogicMaxRigidPasses = 100;

void GVBuildDyn2Cmds(LogicSystem* sys);

int32_t GVCmdGAxes(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHAxes(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHFix(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHFixPos(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHFixOri(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHRig(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdGMotion(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHMotion(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHCollHh(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHCollgH(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHCollGh(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHWalls(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHPlane(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHGlue(int32_t program, LogicLine* line, LogicSystem* sys);
