// Slot types and variables of the lines being edited, and the editing steps
// of the logic control window. A variable may be read by an argument only
// when an earlier line writes it as its result: the types and variables
// "produced above" a line are those of the results of the lines before it
// (the integer and float constants are always available). Every step ends by
// repairing the line so that its slots agree with the command's masks.
//
// Positions count lines from 1; position 0 stands for "below every line"
// (result columns may use any variable of their type).
#pragma once

#include <cstdint>

struct LogicLine;
struct LogicProgram;
struct LogicSystem;

// ---- types and variables ----

// The next of the nine type bits after type that mask allows, wrapping
// through the lowest; 0 when the mask allows none of them.
int32_t GVLogicNextType(int32_t type, uint32_t mask);
// The result types of the lines before the position, with both constants.
uint32_t GVLogicAvailableTypes(int32_t program, int32_t position, LogicSystem* sys);
// The lowest (highest) non-zero result index of that type among the lines
// before the position; 0 when none.
int32_t GVLogicFirstResultVar(int32_t program, int32_t position, int32_t type, LogicSystem* sys);
int32_t GVLogicLastResultVar(int32_t program, int32_t position, int32_t type, LogicSystem* sys);
// 1 for a constant type, or when a line before the position writes the
// variable (type, index).
int32_t GVLogicSlotVarDefined(int32_t program, int32_t position, int32_t type, int32_t index,
                              LogicSystem* sys);

// A variable of the kind that no line writes, for a new result: the lowest
// free index, or, when all are taken, the count grows by 5 and the old count
// + 1 is given. 0 when the program is missing or the growth failed.
int32_t GVLogicUnusedPP(LogicSystem* sys, int32_t program);
int32_t GVLogicUnusedI(LogicSystem* sys, int32_t program);
int32_t GVLogicUnusedF(LogicSystem* sys, int32_t program);
int32_t GVLogicUnusedV(LogicSystem* sys, int32_t program);
int32_t GVLogicUnusedM(LogicSystem* sys, int32_t program);
int32_t GVLogicUnusedAX(LogicSystem* sys, int32_t program);
// Grows the kind's array to count entries: old values kept, new ones zero
// (identity for the matrices of m and AX). 1 on success; on failure (memory,
// a count not above the current one or above what a scene file holds) count
// and array stay as they were.
int32_t GVLogicResizePP(LogicProgram* prog, int32_t count);
int32_t GVLogicResizeI(LogicProgram* prog, int32_t count);
int32_t GVLogicResizeF(LogicProgram* prog, int32_t count);
int32_t GVLogicResizeV(LogicProgram* prog, int32_t count);
int32_t GVLogicResizeM(LogicProgram* prog, int32_t count);
int32_t GVLogicResizeAX(LogicProgram* prog, int32_t count);

// ---- slot steps (type and index of one slot, by reference) ----

// The next allowed type; when it changes, the lowest variable of it
// produced above.
void GVLogicCycleSlotType(int32_t& type, uint32_t mask, LogicSystem* sys, int32_t program, int32_t position,
                          int32_t& index);
// The next (previous) variable of the slot's type produced above, wrapping;
// an empty slot takes the first allowed type; mask 1 empties the slot.
void GVLogicNextSlotVar(int32_t& type, uint32_t mask, LogicSystem* sys, int32_t program, int32_t position,
                        int32_t& index);
void GVLogicPrevSlotVar(int32_t& type, uint32_t mask, LogicSystem* sys, int32_t program, int32_t position,
                        int32_t& index);
// The next command of the line's category, wrapping to 0 (to 1 in CONTROL).
void GVLogicNextCmdIndex(LogicLine* line, LogicSystem* sys);
// Gives an argument slot something valid: an empty slot a constant, a slot
// reading a variable not produced above the next one that is, or else a
// constant. 1 when it changed a filled slot.
int32_t GVLogicSetSlotConst(LogicSystem* sys, int32_t program, int32_t position, int32_t& type, uint32_t mask,
                            int32_t& index);

// ---- line repair ----

// Sets the slots up by the command's argument layout (arg_layouts.h);
// `column` is the column being edited (0 when none).
void GVLogicSetupSlots(LogicLine* line, LogicSystem* sys, int32_t program, int32_t column);
// An optional result becomes empty; a required one gets a type (the first
// allowed) and a variable.
void GVLogicFixResultSlot(LogicLine* line, int32_t program, LogicSystem* sys);
// Gives the line a fresh result variable of its (first allowed) type.
void GVLogicAssignResultVar(LogicSystem* sys, int32_t program, LogicLine* line);
// Layout set-up, then every slot whose type the masks do not allow gets an
// allowed one; slots left without a variable are emptied.
void GVLogicFixLineTypes(LogicSystem* sys, int32_t program, int32_t position, LogicLine* line);

// ---- editing steps of the window ----

// Steps column 1, 4 or 5..9 of the line at the position: -1 previous, 1 next,
// 0 the next type (result, argument) or category (command).
void GVLogicCycleColumn(LogicSystem* sys, int32_t program, int32_t step, int32_t column, LogicLine* line,
                        int32_t position);
// Resets a column: the result drops what was recorded from the current frame
// on (and then an optional result); the command makes the empty line; an
// argument column, the last one shown, is emptied when optional.
void GVLogicResetColumn(LogicSystem* sys, int32_t program, int32_t column, LogicLine* line, int32_t startFrame,
                        int32_t currentFrame);
// Steps the line's options by its command's option kind: direction 1
// forward, 3 backward (the on/off options toggle for any direction).
void GVLogicCycleOption(LogicLine* line, int32_t direction, LogicSystem* sys);
