// The logic system: the command catalogue (eleven categories in a fixed
// order) and the programs it runs, with the callback into the application.
// A line names its command by (category index, command index); both numbers
// are stored in scene files, so the order of categories and of the commands
// within each category never changes.
#pragma once

#include <cstdint>

struct LogicLine;
struct LogicProgram;
struct LogicSystem;
struct HWorld;
struct ObjHandle;
struct SceneCtx;

// Type bits: in masks, and as the single type value held by a line slot.
enum : uint32_t {
  kLogicNone = 1,          // the slot may stay empty
  kLogicPP = 2,            // truth variable (int 0/1)
  kLogicInt = 4,           // integer variable
  kLogicFloat = 8,         // float variable
  kLogicVec = 16,          // vector variable (3 floats)
  kLogicMat = 32,          // matrix variable (9 floats)
  kLogicAxes = 64,         // axes variable (vector and matrix)
  kLogicIntConst = 128,    // the slot's integer constant
  kLogicFloatConst = 256,  // the slot's float constant
};

// Qualifier bits (masks only): what an integer constant means.
enum : uint32_t {
  kLogicQualGeo = 0x8000,
  kLogicQualJel = 0x20000,
  kLogicQualPart = 0x40000,
  kLogicQualLight = 0x80000,
  kLogicQualOnOff = 0x100000,
  kLogicQualCount = 0x200000,       // stepped within 1..10 by the editor
  kLogicQualFirstPair = 0x400000,
  kLogicQualSecondPair = 0x800000,
  kLogicQualGeoListOrder = 0x1000000,
};

// Option kinds of a command (which option bits its lines may carry).
enum : uint32_t {
  kLogicOptComponents = 2,
  kLogicOptCurve = 4,          // the result is a curve of keyed values (the FG list)
  kLogicOptDragRecord = 0x80,  // records a mouse drag into the line's channel data
  kLogicOptBit2000 = 16,
  kLogicOptRadians = 64,
  kLogicOptTwoModes = 0x100,
  kLogicOptThreeModes = 0x200,
  kLogicOptThreeModesB = 0x400,
  kLogicOptTwoModesB = 0x800,
  kLogicOptBit200000 = 0x1000,
  kLogicOptBit400000 = 0x2000,
  kLogicOptBit800000 = 0x8000,
  kLogicOptPasteReport = 0x4000,
  kLogicOptTypedSecondColumn = 0x10000,
  kLogicOptComment = 0x20000,
  kLogicOptSameJelModes = 0x40000,  // with two modes: one Jel named twice picks the mode
};

// Control roles of the CONTROL commands.
enum : int32_t {
  kLogicRoleIf = 1,
  kLogicRoleIfNot = 2,
  kLogicRoleEndIf = 4,
  kLogicRoleBreak = 8,
  kLogicRoleLoop = 16,
  kLogicRoleEndLoop = 32,
  kLogicRoleComment = 64,
};

// Category indices.
enum : int32_t {
  kLogicControl = 0,
  kLogicLogic = 1,
  kLogicArithmetic = 2,
  kLogicTrig = 3,
  kLogicVector = 4,
  kLogicProps = 5,
  kLogicDyn1 = 6,
  kLogicDyn2 = 7,
  kLogicCamera = 8,
  kLogicDrawing = 9,
  kLogicEffects = 10,
};
constexpr int32_t kLogicCategories = 11;
constexpr int32_t kLogicArgs = 5;

// A command function: (program index, line, system); the value is ignored by
// the interpreter. Results go into the program's variables.
using LogicCmdFn = int32_t (*)(int32_t program, LogicLine* line, LogicSystem* sys);
// The application callback: (mode, a, b, c, unused).
using LogicAppCB = int32_t (*)(int32_t mode, int32_t a, int32_t b, int32_t c, void* unused);

struct LogicCmd {
  const char* prefix;       // shown before the arguments
  const char* name;         // the name in the command list
  const char* infix;        // shown between the arguments
  uint32_t optionKind;
  int32_t role;             // control role, CONTROL only
  LogicCmdFn fn;            // null: nothing is called
  uint32_t resultMask;
  uint32_t argMask[kLogicArgs];
  int32_t layoutKind;       // argument-layout kind 0..9
  int32_t pickedConstants;  // 1: object constants are stepped, not typed
  int32_t spare[2];
  const char* key;          // help key ("cmd_if")
};

struct LogicCategory {
  const char* name;
  int32_t highest;  // highest command index (count - 1); -1 without commands
  LogicCmd* cmds;
};

struct LogicSystem {
  int32_t word1;
  int32_t layoutFlag;        // layout of the last logic block read: 0 single, 1 counted
  int32_t highestCategory;   // 10
  int32_t programCount;      // programs 0..programCount exist
  int32_t storedWord;        // travels with the programs in scene files
  LogicCategory* categories;
  LogicProgram* programs;    // 0: the editor's copy buffer, 1: "Main"
  ObjHandle* geoList;
  HWorld** world;            // the world cell
  LogicAppCB appCB;          // may be null
  SceneCtx* ctx;
  int32_t word12;
  int32_t minSubSteps;       // the frame driver steps at least this many sub-steps per frame
  int32_t word14;
};

// Stores ctx; with a context, takes the program count, Geo list and world from
// it, builds the eleven categories in their fixed order and creates the
// programs. A failed allocation leaves that array null.
void GVInitLogic(SceneCtx* ctx, LogicSystem* sys);
// Frees every program (lines and variables), the command arrays and the
// category array; the pointers are cleared.
void GVFreeLogic(LogicSystem* sys);

// The category's name (one table for every slot), "" outside 0..10.
const char* GVLogicCategoryName(int32_t category);
// The shared start of a category builder: names the slot and gives it count
// command records, each reset with GVInitCmdRecord. Returns the array, or
// null when the system has no categories, the index is out of range or
// memory runs out (the slot then holds no commands).
LogicCmd* GVLogicBeginCategory(LogicSystem* sys, int32_t category, int32_t count);
void GVZeroCmdRecord(LogicCmd* cmd);
// Empty texts, no option, role, function or layout, every mask 1 (none).
void GVInitCmdRecord(int32_t category, LogicSystem* sys, int32_t command);

// The command record a line names, or null when the category or command
// index lies outside the catalogue (negative ones included).
const LogicCmd* GVLogicLineCmd(const LogicSystem* sys, const LogicLine* line);
