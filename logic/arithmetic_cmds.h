// Category 2 (ARITHMETIC): assignment and conversion between the variable
// kinds, sums, products and quotients of scalars, vectors and matrices,
// remainders, roots, exponentials and logarithms, repeatable random numbers,
// range mapping, clipping, and pulse trains over the frame counter.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

enum : int32_t {
  kArEqu = 0,
  kArAdd = 1,
  kArSub = 2,
  kArMul = 3,
  kArDiv = 4,
  kArMod = 5,
  kArSqrt = 6,
  kArExp = 7,
  kArLog = 8,
  kArRandom = 9,
  kArRangeIn = 10,
  kArRangeOut = 11,
  kArPulseSaw = 12,
  kArPulseBlk = 13,
  kArClipL = 14,
  kArClipU = 15,
};

// Line bit of the pulse commands: the pulse's sign is drawn per period.
constexpr uint32_t kLineRandomSign = 0x800000;

void GVBuildArithmeticCmds(LogicSystem* sys);

// = and x write to any result variable the program has; the others need a
// non-zero result index too (which every existing variable has).
int32_t GVCmdEqu(int32_t program, LogicLine* line, LogicSystem* sys);
// + and -: the first argument plus, or minus, the sum of the others of the
// result's class.
int32_t GVCmdAddSub(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdMul(int32_t program, LogicLine* line, LogicSystem* sys);
// A divisor below 1e-30 in size is taken as 1e-30.
int32_t GVCmdDiv(int32_t program, LogicLine* line, LogicSystem* sys);
// Remainder with the sign of the dividend; 0 for a divisor below 1.
int32_t GVCmdMod(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdSqrt(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdExp(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdLog(int32_t program, LogicLine* line, LogicSystem* sys);
// Index (default: the current frame) and range (default 1000) into the
// shared random table.
int32_t GVCmdRandom(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdRangeIn(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdRangeOut(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdPulseSaw(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdPulseBlk(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdClipL(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdClipU(int32_t program, LogicLine* line, LogicSystem* sys);
