// Argument layouts of the computing and motion commands: after an edit, a
// line's result and argument types are made to agree for the command's
// family: operands of + take the result's type, a divisor is a scalar, NORM's
// operand matches its result, COMPNT reads a component of a vector or a column
// of a matrix, and so on. Only slot types, variable indices and constants of
// the line change; variables never do.
#pragma once

#include <cstdint>

struct LogicLine;
struct LogicSystem;

void GVLogicSetupEquSlots(LogicSystem* sys, int32_t program, LogicLine* line);      // =
void GVLogicSetupAddSlots(LogicSystem* sys, int32_t program, LogicLine* line);      // +, -
void GVLogicSetupMulSlots(LogicSystem* sys, int32_t program, LogicLine* line);      // x
void GVLogicSetupDivSlots(LogicSystem* sys, int32_t program, LogicLine* line);      // /
void GVLogicSetupClipSlots(LogicSystem* sys, int32_t program, LogicLine* line);     // CLIP_L, CLIP_U
void GVLogicSetupRotMtxSlots(LogicSystem* sys, int32_t program, LogicLine* line);   // ROT_MTX
void GVLogicSetupNormSlots(LogicSystem* sys, int32_t program, LogicLine* line);     // NORM
void GVLogicSetupCompSlots(LogicSystem* sys, int32_t program, LogicLine* line);     // COMPNT
// HPOS, HVEL, HVELU, HANGVELd, HANGVELr; with floatZero, a value argument
// left reading an f variable not produced above becomes the float 0.
void GVLogicSetupVecArgSlots(LogicSystem* sys, int32_t program, LogicLine* line, bool floatZero);
