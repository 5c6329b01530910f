// Categories 0 (CONTROL) and 1 (LOGIC). CONTROL commands do no work of their
// own: the interpreter applies their control roles. LOGIC commands compute
// truth values (0 or 1) into PP variables, which IF and IF NOT test.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

// CONTROL command indices.
enum : int32_t {
  kCtlEmpty = 0,
  kCtlIf = 1,
  kCtlIfNot = 2,
  kCtlEndIf = 3,
  kCtlBreak = 4,
  kCtlLoop = 5,
  kCtlEndLoop = 6,
  kCtlComment = 7,
};
// LOGIC command indices.
enum : int32_t {
  kLogPP = 0,
  kLogNot = 1,
  kLogAnd = 2,
  kLogOr = 3,
  kLogEqual = 4,
  kLogLess = 5,
  kLogLessEq = 6,
  kLogGreater = 7,
  kLogGreaterEq = 8,
};

void GVBuildControlCmds(LogicSystem* sys);
void GVBuildLogicCmds(LogicSystem* sys);

int32_t GVNoOp(int32_t program, LogicLine* line, LogicSystem* sys);

// Each writes its truth value into the PP variable of the line's result slot
// and returns it; a line naming a variable the program does not have writes
// nothing and returns 0.
int32_t GVCmdPequ(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdNot(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdAnd(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdOr(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdIsEqual(int32_t program, LogicLine* line, LogicSystem* sys);
// Chained: a < b < c holds when every present pair holds. Only lines whose
// result is a PP variable are evaluated.
int32_t GVCmdIsLess(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdIsLessEq(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdIsGreater(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdIsGreaterEq(int32_t program, LogicLine* line, LogicSystem* sys);
