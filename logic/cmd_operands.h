// The slots of a running line resolved against its program's variables: what
// the computing commands (ARITHMETIC, TRIG, VECTOR) read and write. A slot
// whose variable the program does not have counts as empty, so a line from a
// file never reaches outside the variable arrays.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

struct LogicProgram;

struct LogicOperand {
  int32_t type = 0;       // the slot's type bit; 0 when empty or not resolved
  int32_t* ip = nullptr;  // PP or i variable
  float* fp = nullptr;    // f variable
  float* vec = nullptr;   // v variable, or the origin of an AX variable
  float* mat = nullptr;   // m variable, or the matrix of an AX variable
  int32_t ic = 0;         // integer constant
  float fc = 0.0f;        // float constant
};

// Argument slot a (0..4), and the result slot (whose constants are unused).
LogicOperand GVLogicOperandArg(LogicProgram* prog, const LogicLine* line, int32_t a);
LogicOperand GVLogicOperandResult(LogicProgram* prog, const LogicLine* line);

// i, f, integer constant or float constant.
bool GVLogicIsScalar(const LogicOperand& x);
// i variable or integer constant.
bool GVLogicIsIntKind(const LogicOperand& x);
// A scalar's value (PP reads its 0/1); 0 for anything else.
double GVLogicScalarValue(const LogicOperand& x);
// Puts a number into an i (truncated, saturated) or f result; other slots
// are left alone.
void GVLogicPutScalar(const LogicOperand& r, double value);

// The running program and every slot of a line.
struct LogicLineOperands {
  LogicProgram* prog = nullptr;
  LogicOperand r;
  LogicOperand a[kLogicArgs];
};
// False when the system, the line or the program is missing.
bool GVLogicLoadOperands(LogicSystem* sys, int32_t program, const LogicLine* line, LogicLineOperands* out);
