// The program store: each program's name, typed variables and doubly linked
// list of lines; each line's command, result and argument slots, comment,
// curve of keyed values (the FG list) and recorded channel data.
//
// Variables are numbered from 1 in lines; index 0 means no variable. Every
// number in a line may come from a scene file, so readers of variables go
// through the checked accessors below.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

struct ChanData;

// Line flag bits (the option bits of the catalogue's option kinds share the word).
enum : uint32_t {
  kLineComponentX = 2,
  kLineComponentY = 4,
  kLineComponentZ = 8,
  kLineNotRun = 0x100,     // did not run in the last interpreter pass
  kLineSelected = 0x200,   // selected in the editor
  kLineOff = 0x400,        // switched off
  kLineRecorded = 0x4000,  // holds an FG list or recorded channel data
};

constexpr int32_t kLogicVarTypes = 6;  // PP, i, f, v, m, AX
constexpr int32_t kLogicDefaultVarCount = 10;
constexpr int32_t kLogicProgramNameSize = 20;
// The most programs a store is made with (scenes hold 1).
constexpr int32_t kLogicMaxPrograms = 1000;

struct FGItem {
  int32_t key;
  float value;
  int32_t flags;  // 2: the value is kept when the same key is added again
  FGItem* prev;
  FGItem* next;
};
constexpr int32_t kFGKeepValue = 2;

struct LogicLine {
  uint32_t flags;
  int32_t category;
  int32_t command;
  int32_t resultType;  // one type bit, 0 for none
  int32_t resultVar;
  int32_t argType[kLogicArgs];  // one type bit each, 0 for an empty slot
  int32_t argVar[kLogicArgs];
  int32_t argInt[kLogicArgs];
  float argFloat[kLogicArgs];
  FGItem* fg;
  ChanData* chan;
  char* comment;
  LogicLine* prev;
  LogicLine* next;
};

struct LogicProgram {
  char name[kLogicProgramNameSize];
  int32_t topLine;  // first line shown by the logic control window (1-based)
  // Variable counts in the order PP, i, f, v, m, AX.
  int32_t ppCount, iCount, fCount, vCount, mCount, axCount;
  int32_t* pp;
  int32_t* i;
  float* f;
  float (*v)[3];
  float (*m)[9];
  float (*axVec)[3];
  float (*axMat)[9];
  LogicLine* first;
  int32_t listHead;  // stays empty; its item count travels in scene files
};

// The program of index k, null without a program array or outside 0..count.
LogicProgram* GVLogicProgram(LogicSystem* sys, int32_t k);

// Recreates programs 0..count (count raised to 1): the old programs are freed
// with their lines, then every program gets "mCnstrt %d", top line 1, ten
// zeroed variables of each type; program 1 is "Main". 0 when count is above
// kLogicMaxPrograms or memory runs out (the program array is then null).
int32_t GVInitLogicPrograms(LogicSystem* sys, int32_t count);
// Allocates the seven variable arrays of the program's counts, zero-filled
// (negative counts give none), freeing any old ones. 0 when memory runs out.
int32_t GVLogicAllocProgramArrays(LogicProgram* prog);
void GVLogicFreeProgramArrays(LogicProgram* prog);

// A cleared line; the process ends with status 1 when memory runs out.
LogicLine* GVLogicNewLine();
// A new line after `after` (null: first line of an empty program), or null
// when the program does not exist or `after` is null in a non-empty program.
LogicLine* GVLogicInsertLineAfter(LogicSystem* sys, int32_t program, LogicLine* after);
// A new line before `before` (it becomes the first line when `before` was);
// null when the program does not exist or `before` is null.
LogicLine* GVLogicInsertLineBefore(LogicSystem* sys, int32_t program, LogicLine* before);
// Unlinks and frees the line. When it had a successor and a result variable,
// the reads of that variable are emptied from the top of the program down to
// and including its next remaining assignment.
void GVLogicRemoveLine(LogicSystem* sys, LogicLine* line, int32_t program);
// Frees the line's channel data, comment and FG items, then the line.
void GVLogicFreeLine(LogicLine* line);
// Line n (from 1) of a program, null when there is none.
LogicLine* GVLogicGetLine(LogicSystem* sys, int32_t program, int32_t n);
void GVLogicClearProgram(LogicSystem* sys, int32_t program);
void GVLogicClearAllLines(LogicSystem* sys);
// Frees every program's lines and variables, then the program array; the
// program count becomes 0.
void GVLogicFreeLines(LogicSystem* sys);

// Adds a point to the line's FG list, kept sorted by key, and marks the line
// recorded. An existing key keeps its item: its value is replaced unless the
// item has kFGKeepValue. Prints "createFGItem :- new failed" and ends the
// process with status 1 when memory runs out.
void createFGItem(LogicLine* line, int32_t key, float value, int32_t flags);
// createFGItem in constant time for points that come in rising key order:
// `last` is the list's last item (null: found here). A key above it goes
// after it, its own key meets it; a lower key is placed by createFGItem.
// Returns the list's last item.
FGItem* GVLogicAppendFGItem(LogicLine* line, FGItem* last, int32_t key, float value, int32_t flags);
// Links item after target. A null or identical target, or a target already
// followed by item, prints "hinsertafter : bad arguments" and links nothing.
void hinsertafter(FGItem* item, FGItem* target);
// Unlinks the item from the line's FG list and frees it; an item not in the
// list is left alone.
void GVLogicRemoveFGItem(LogicLine* line, FGItem* item);

// ---- checked variable access ----

// Variable k of a program, or null when k lies outside 1..count-1 (index 0
// means no variable) or the array is missing.
int32_t* GVLogicPPVar(LogicProgram* prog, int32_t k);
int32_t* GVLogicIntVar(LogicProgram* prog, int32_t k);
float* GVLogicFloatVar(LogicProgram* prog, int32_t k);
float* GVLogicVecVar(LogicProgram* prog, int32_t k);    // 3 floats
float* GVLogicMatVar(LogicProgram* prog, int32_t k);    // 9 floats
// An axes variable: its origin (3 floats) and its matrix (9 floats).
float* GVLogicAxVecVar(LogicProgram* prog, int32_t k);
float* GVLogicAxMatVar(LogicProgram* prog, int32_t k);

// The value of argument slot a (0..4) for the comparing commands: i variables
// and integer constants are integer-valued, f variables, float constants and
// PP variables are read as floats, and any other slot (empty included) is the
// float 0. False when the slot names a variable the program does not have.
struct LogicValue {
  bool isInt;
  int32_t i;
  float f;
};
bool GVLogicArgValue(LogicProgram* prog, const LogicLine* line, int32_t a, LogicValue* out);
