// Category 6 (HDYN_1): the simulation clock (frame, time, sub-steps) and its
// tests, and the commands that drive Jel parts: force, position, linear and
// angular velocity, wind, distance and expansion. Their argument, axis-mask,
// stepping-guard and result rules are in logic/command_args.h.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

enum : int32_t {
  kDyn1CurFrame = 0,
  kDyn1CurTime = 1,
  kDyn1IsFrame = 2,
  kDyn1IsTime = 3,
  kDyn1IsInFrange = 4,
  kDyn1IsInTrange = 5,
  kDyn1FRatio = 6,
  kDyn1HForce = 7,
  kDyn1HPos = 8,
  kDyn1HVel = 9,
  kDyn1HVelU = 10,
  kDyn1HAngVelD = 11,
  kDyn1HAngVelR = 12,
  kDyn1HWind = 13,
  kDyn1HDist = 14,
  kDyn1HExpand = 15,
  kDyn1Count = 16,
};

// The most sub-steps per frame a program may ask for.
constexpr int32_t kLogicMaxSubSteps = 1000;

void GVBuildDyn1Cmds(LogicSystem* sys);

int32_t GVCmdCurFrame(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdCurTime(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdIsFrame(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdIsTime(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdIsInFrange(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdIsInTrange(int32_t program, LogicLine* line, LogicSystem* sys);
// Sets the system's minimum sub-steps per frame, kept within 1..kLogicMaxSubSteps.
int32_t GVCmdFRatio(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHForce(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHPos(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHVel(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHVelU(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHAngVelD(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHAngVelR(int32_t program, LogicLine* line, LogicSystem* sys);
// Wind on the faces of a part; HDYN_2's HVISC is the same command.
int32_t GVCmdHWind(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHDist(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdHExpand(int32_t program, LogicLine* line, LogicSystem* sys);
