// Routines the command functions share: componentwise clipping and negation,
// the readers of a line's object numbers, numbers, value argument and frame
// range, the axis mask, the guard of the commands that change the world, and
// the writers of their results.
//
// Every number a line holds may come from a scene file: variables go through
// the program store's checked accessors, and part numbers outside 1..31 and
// selections outside 1.. / -31..-1 select nothing.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

class HAState;
class HObject;
struct GObject;
struct FrameParams;
struct HWorld;
struct LogicProgram;

// out = the larger (respectively smaller) of a and b per component; b where a
// is not greater (not less). out may alias a or b.
void GVLogicVecMax(const float a[3], const float b[3], float out[3]);
void GVLogicVecMin(const float a[3], const float b[3], float out[3]);
// out = max(v, s) (respectively min) per component.
void GVLogicVecMaxScalar(const float v[3], float out[3], float s);
void GVLogicVecMinScalar(const float v[3], float out[3], float s);
// out = -m for all nine elements; out may alias m.
void GVMat3Negate(float out[9], const float m[9]);

// The world of the system's handle; null without a system, handle or world.
HWorld* GVLogicWorld(const LogicSystem* sys);
// What a command function opens with: the running program, the world, and
// the Jel selection and part of slots 1 and 2 (as GVLogicArgInt reads them).
// Open is false (the command does nothing) without a system, world or line.
struct LogicCmdCtx {
  LogicProgram* prog = nullptr;
  HWorld* world = nullptr;
  int32_t sel = 0;
  int32_t part = 0;
  bool Open(LogicSystem* sys, int32_t program, const LogicLine* line);
};

// One row of a category table, and the fill shared by the category builders:
// prefix and short name are the name; the infix " , " from command
// firstInfix on, the picked-constants flag from firstPicked on.
struct LogicCmdRow {
  const char* name;
  const char* key;
  uint32_t optionKind;
  int32_t layout;
  LogicCmdFn fn;
  uint32_t result;
  uint32_t args[kLogicArgs];
};
void GVLogicFillCmds(LogicCmd* cmds, const LogicCmdRow* rows, int32_t count, int32_t firstInfix,
                     int32_t firstPicked);

// The axis mask of a line: its bits 2, 4 and 8, or 14 when none is set.
uint32_t GVLogicAxisMask(const LogicLine* line);
// 1 for a part number in 1..31, else 0.
int32_t GVLogicPartOk(int32_t part);
// The live state of the Jel with that id, or null (no such Jel or none built).
HAState* GVLogicJelState(HWorld* world, int32_t id);
// The Geo with that id in the system's Geo list, or null (id below 1, no list
// or no such Geo).
GObject* GVLogicGeo(const LogicSystem* sys, int32_t id);
// True outside sub-stepping and at the last sub-step of a frame: the commands
// that act once per frame act then.
bool GVLogicAtLastSubStep(LogicSystem* sys);

// An object number, part or count of argument slot a (0..4): the i variable
// or the integer constant; 0 for any other slot.
int32_t GVLogicArgInt(LogicProgram* prog, const LogicLine* line, int32_t a);
// True when slot a holds an integer constant or an i variable the program has.
bool GVLogicArgIsInt(LogicProgram* prog, const LogicLine* line, int32_t a);
// A number of slot a from an i or f variable or an integer or float constant;
// false (out left alone) for any other slot or a variable the program lacks.
bool GVLogicArgNumber(LogicProgram* prog, const LogicLine* line, int32_t a, float* out);
// A float of slot a from an f variable or a float constant; false otherwise.
bool GVLogicArgFloat(LogicProgram* prog, const LogicLine* line, int32_t a, float* out);
// Copies the axis-masked components of the v variable of slot a into v (the
// others keep their values); false when the slot holds no such variable.
bool GVLogicArgVecMasked(LogicProgram* prog, const LogicLine* line, int32_t a, float v[3]);

// The value argument (third slot): a float constant or f variable goes to f,
// the selected components of a v variable to v (the others kept). 1 when the
// slot held one of these, 0 otherwise (f and v untouched).
int32_t GVLogicReadArg3(const LogicLine* line, int32_t program, LogicSystem* sys, float* f, float v[3]);
// The value of the Jel commands as a vector: a v variable's selected
// components (others 0), or a float spread onto all three components, or,
// when spreadOnAxes is set, onto the line's own axis bits only (none: zero).
// False when no value was given or it is not finite (v is then zero).
bool GVLogicReadValueVec(const LogicLine* line, int32_t program, LogicSystem* sys, bool spreadOnAxes,
                         float v[3]);

// Jel id and part from slots 1 and 2, the frame range [a, b] from slots 3 and
// 4 (0 when absent), a raised to the Jel's start frame when that is later.
// The result: the phase of the current step in the range (3 begins, 6 ends,
// 2 inside, 0 outside); 0 without a world.
int32_t GVLogicFrameRangeArgs(const LogicLine* line, int32_t program, LogicSystem* sys, int32_t* jel,
                              int32_t* part);

// The guard of the commands that change the world: the world is between the
// phases of a sub-step and the step does not hold the loop-start frame (the
// first step of a run restores the initial state and must stay untouched).
bool GVLogicSetterMayAct(LogicSystem* sys);
// The committed frame (-2) outside a sub-step, the in-step one (-3) inside.
int32_t GVLogicLiveFrame(const HWorld* world);

// True for a line whose result is an f or a v variable (a vector result).
bool GVLogicVecResultWanted(const LogicLine* line);
// Result writers; each writes only to a variable the program has (index 0 is
// none). A vector result: an f variable gets the length (no axis bit), the one
// selected component (one bit) or 0 (two or three); a v variable gets the
// selected components (all without a bit) and keeps the others.
void GVLogicWriteVecResult(LogicProgram* prog, const LogicLine* line, const float v[3]);
// A truth value, 1 or 0, to a PP result; with intToo also to an i result.
void GVLogicWriteTruth(LogicProgram* prog, const LogicLine* line, int32_t value, bool intToo);
// A PP result set to the value itself (the range phase of the constraint
// commands: 0, 2, 3 or 6).
void GVLogicWritePhase(LogicProgram* prog, const LogicLine* line, int32_t phase);

// The recorder behind the mouse-drag command: records the user's drag of a
// Jel part frame by frame into the line's channel data over the line's frame
// range, and plays it back on later runs (line option 0x2000: play only).
void GVLogicRecordMouseDrag(LogicLine* line, int32_t program, LogicSystem* sys);
// The longest frame range whose drag a line records.
constexpr int32_t kLogicMaxDragFrames = 100000;
