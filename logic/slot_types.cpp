#include "logic/slot_types.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "jel/chan_data.h"
#include "logic/arg_layouts.h"
#include "logic/command_args.h"
#include "logic/line_services.h"
#include "logic/logic_persistence.h"
#include "logic/logic_system.h"
#include "logic/object_refs.h"
#include "logic/program_store.h"

namespace {

constexpr int32_t kTypeBits = 9;
constexpr uint32_t kConstTypes = kLogicIntConst | kLogicFloatConst;
constexpr uint32_t kVarTypes = kLogicPP | kLogicInt | kLogicFloat | kLogicVec | kLogicMat | kLogicAxes;
constexpr int32_t kGrowBy = 5;
constexpr int32_t kMaxSteppedVar = 1000;  // variable steps look at indices below this

// Variable kinds in the order of the program's counts; the type bit of kind
// k is 2 << k.
enum VarKind : int32_t { kPP, kI, kF, kV, kM, kAX };

bool IsVarType(int32_t t) { return t > 0 && (static_cast<uint32_t>(t) & kVarTypes) && !(t & (t - 1)); }
bool IsConstType(int32_t t) {
  return t == static_cast<int32_t>(kLogicIntConst) || t == static_cast<int32_t>(kLogicFloatConst);
}
// True when t is a single type bit the mask allows.
bool Allowed(int32_t t, uint32_t mask) {
  return t > 0 && !(t & (t - 1)) && (static_cast<uint32_t>(t) & mask) == static_cast<uint32_t>(t);
}

int32_t KindOfType(int32_t t) {
  for (int32_t k = kPP; k <= kAX; ++k)
    if (t == 2 << k) return k;
  return -1;
}

int32_t* CountOf(LogicProgram* p, int32_t kind) {
  switch (kind) {
    case kPP: return &p->ppCount;
    case kI: return &p->iCount;
    case kF: return &p->fCount;
    case kV: return &p->vCount;
    case kM: return &p->mCount;
    default: return &p->axCount;
  }
}

// Calls f(line) for the lines before the position (every line for 0).
template <typename F>
void ForLinesAbove(LogicSystem* sys, int32_t program, int32_t position, F f) {
  const LogicProgram* p = GVLogicProgram(sys, program);
  int32_t n = 1;
  for (const LogicLine* l = p ? p->first : nullptr; l && (position == 0 || n < position); l = l->next, ++n) f(l);
}

// A new array of count entries: the old ones copied, the rest `fill`.
template <typename T>
T* Grown(const T* old, int32_t oldCount, int32_t count, const T& fill) {
  T* a = static_cast<T*>(std::malloc(sizeof(T) * static_cast<size_t>(count)));
  if (!a) return nullptr;
  const int32_t keep = old ? std::clamp(oldCount, 0, count) : 0;
  if (keep) std::memcpy(a, old, sizeof(T) * static_cast<size_t>(keep));
  for (int32_t k = keep; k < count; ++k) std::memcpy(&a[k], &fill, sizeof(T));
  return a;
}

// Arrays grow no further than a scene file can hold them.
bool GrowthOk(int32_t current, int32_t count) { return count > current && count <= kLogicMaxStoredVars; }

template <typename T>
int32_t Resize(T*& array, int32_t& current, int32_t count, const T& fill) {
  if (!GrowthOk(current, count)) return 0;
  T* a = Grown(array, current, count, fill);
  if (!a) return 0;
  std::free(array);
  array = a;
  current = count;
  return 1;
}

const float kZero3[3] = {0, 0, 0};
const float kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

int32_t ResizeKind(LogicProgram* p, int32_t kind, int32_t count) {
  switch (kind) {
    case kPP: return GVLogicResizePP(p, count);
    case kI: return GVLogicResizeI(p, count);
    case kF: return GVLogicResizeF(p, count);
    case kV: return GVLogicResizeV(p, count);
    case kM: return GVLogicResizeM(p, count);
    default: return GVLogicResizeAX(p, count);
  }
}

int32_t Unused(LogicSystem* sys, int32_t program, int32_t kind) {
  LogicProgram* p = GVLogicProgram(sys, program);
  if (!p) return 0;
  const int32_t count = *CountOf(p, kind);
  std::vector<char> used(static_cast<size_t>(std::max(count, 1)), 0);
  for (const LogicLine* l = p->first; l; l = l->next)
    if (l->resultType == 2 << kind && l->resultVar >= 1 && l->resultVar < count) used[l->resultVar] = 1;
  for (int32_t k = 1; k < count; ++k)
    if (!used[k]) return k;
  const int32_t old = std::max(count, 0);
  return ResizeKind(p, kind, old + kGrowBy) ? old + 1 : 0;
}

// The nearest result index of the type above the position, after (next) or
// before (previous) the current one; 0 when none.
int32_t AdjacentResultVar(LogicSystem* sys, int32_t program, int32_t position, int32_t type, int32_t index,
                          bool next) {
  int32_t best = 0;
  ForLinesAbove(sys, program, position, [&](const LogicLine* l) {
    const int32_t k = l->resultVar;
    if (l->resultType != type || k <= 0 || k >= kMaxSteppedVar) return;
    if (next ? k > index && (!best || k < best) : k < index && k > best) best = k;
  });
  return best;
}

void StepSlotVar(int32_t& type, uint32_t mask, LogicSystem* sys, int32_t program, int32_t position,
                 int32_t& index, bool next) {
  if (mask == kLogicNone) {
    type = index = 0;
    return;
  }
  if (type != 0) {
    const int32_t k = AdjacentResultVar(sys, program, position, type, index, next);
    index = k ? k
              : (next ? GVLogicFirstResultVar(program, position, type, sys)
                      : GVLogicLastResultVar(program, position, type, sys));
    return;
  }
  type = GVLogicNextType(kLogicNone, mask);
  if (type)
    index = next ? GVLogicFirstResultVar(program, position, type, sys)
                 : GVLogicLastResultVar(program, position, type, sys);
}

uint32_t ArgMask(const LogicCmd* cmd, int32_t a) { return cmd ? cmd->argMask[a] : kLogicNone; }

}  // namespace

// ---- types and variables ----

int32_t GVLogicNextType(int32_t type, uint32_t mask) {
  int32_t k = 0;
  for (int32_t j = 0; j < kTypeBits; ++j)
    if (type == 1 << j) k = j;
  for (int32_t j = k + 1; j < kTypeBits; ++j)
    if (mask & (1u << j)) return 1 << j;
  for (int32_t j = 0; j <= k; ++j)
    if (mask & (1u << j)) return 1 << j;
  return 0;
}

uint32_t GVLogicAvailableTypes(int32_t program, int32_t position, LogicSystem* sys) {
  uint32_t types = kConstTypes;
  ForLinesAbove(sys, program, position, [&](const LogicLine* l) { types |= static_cast<uint32_t>(l->resultType); });
  return types;
}

int32_t GVLogicFirstResultVar(int32_t program, int32_t position, int32_t type, LogicSystem* sys) {
  int32_t best = 0;
  ForLinesAbove(sys, program, position, [&](const LogicLine* l) {
    if (l->resultType == type && l->resultVar > 0 && (!best || l->resultVar < best)) best = l->resultVar;
  });
  return best;
}

int32_t GVLogicLastResultVar(int32_t program, int32_t position, int32_t type, LogicSystem* sys) {
  int32_t best = 0;
  ForLinesAbove(sys, program, position, [&](const LogicLine* l) {
    if (l->resultType == type && l->resultVar > best) best = l->resultVar;
  });
  return best;
}

int32_t GVLogicSlotVarDefined(int32_t program, int32_t position, int32_t type, int32_t index,
                              LogicSystem* sys) {
  if (IsConstType(type)) return 1;
  int32_t found = 0;
  ForLinesAbove(sys, program, position, [&](const LogicLine* l) {
    if ((l->resultType & type) && l->resultVar == index) found = 1;
  });
  return found;
}

int32_t GVLogicUnusedPP(LogicSystem* sys, int32_t program) { return Unused(sys, program, kPP); }
int32_t GVLogicUnusedI(LogicSystem* sys, int32_t program) { return Unused(sys, program, kI); }
int32_t GVLogicUnusedF(LogicSystem* sys, int32_t program) { return Unused(sys, program, kF); }
int32_t GVLogicUnusedV(LogicSystem* sys, int32_t program) { return Unused(sys, program, kV); }
int32_t GVLogicUnusedM(LogicSystem* sys, int32_t program) { return Unused(sys, program, kM); }
int32_t GVLogicUnusedAX(LogicSystem* sys, int32_t program) { return Unused(sys, program, kAX); }

int32_t GVLogicResizePP(LogicProgram* prog, int32_t count) {
  return prog ? Resize(prog->pp, prog->ppCount, count, int32_t{0}) : 0;
}
int32_t GVLogicResizeI(LogicProgram* prog, int32_t count) {
  return prog ? Resize(prog->i, prog->iCount, count, int32_t{0}) : 0;
}
int32_t GVLogicResizeF(LogicProgram* prog, int32_t count) {
  return prog ? Resize(prog->f, prog->fCount, count, 0.0f) : 0;
}
int32_t GVLogicResizeV(LogicProgram* prog, int32_t count) {
  return prog ? Resize(prog->v, prog->vCount, count, kZero3) : 0;
}
int32_t GVLogicResizeM(LogicProgram* prog, int32_t count) {
  return prog ? Resize(prog->m, prog->mCount, count, kIdentity) : 0;
}
int32_t GVLogicResizeAX(LogicProgram* prog, int32_t count) {
  if (!prog || !GrowthOk(prog->axCount, count)) return 0;
  // Both arrays or neither.
  float(*vec)[3] = Grown(prog->axVec, prog->axCount, count, kZero3);
  float(*mat)[9] = Grown(prog->axMat, prog->axCount, count, kIdentity);
  if (!vec || !mat) {
    std::free(vec);
    std::free(mat);
    return 0;
  }
  std::free(prog->axVec);
  std::free(prog->axMat);
  prog->axVec = vec;
  prog->axMat = mat;
  prog->axCount = count;
  return 1;
}

// ---- slot steps ----

void GVLogicCycleSlotType(int32_t& type, uint32_t mask, LogicSystem* sys, int32_t program, int32_t position,
                          int32_t& index) {
  const int32_t old = type;
  type = GVLogicNextType(type, mask);
  if (type && type != old) index = GVLogicFirstResultVar(program, position, type, sys);
}

void GVLogicNextSlotVar(int32_t& type, uint32_t mask, LogicSystem* sys, int32_t program, int32_t position,
                        int32_t& index) {
  StepSlotVar(type, mask, sys, program, position, index, true);
}

void GVLogicPrevSlotVar(int32_t& type, uint32_t mask, LogicSystem* sys, int32_t program, int32_t position,
                        int32_t& index) {
  StepSlotVar(type, mask, sys, program, position, index, false);
}

void GVLogicNextCmdIndex(LogicLine* line, LogicSystem* sys) {
  if (!line || !sys || !sys->categories || line->category < 0 || line->category >= kLogicCategories) return;
  const int32_t highest = sys->categories[line->category].highest;
  line->command = line->command < highest ? line->command + 1 : 0;
  if (line->category == kLogicControl && line->command == 0) line->command = 1;
}

int32_t GVLogicSetSlotConst(LogicSystem* sys, int32_t program, int32_t position, int32_t& type, uint32_t mask,
                            int32_t& index) {
  if (type == 0 && (mask & kConstTypes)) {
    type = static_cast<int32_t>(mask & kLogicIntConst ? kLogicIntConst : kLogicFloatConst);
    index = 0;
    return 0;
  }
  if (GVLogicSlotVarDefined(program, position, type, index, sys)) return 0;
  GVLogicNextSlotVar(type, mask, sys, program, position, index);
  if (type && index) return 1;
  // No variable to read: a constant (an integer one when both are allowed,
  // so the slot holds one type).
  type = static_cast<int32_t>(mask & kLogicIntConst ? kLogicIntConst : mask & kLogicFloatConst);
  index = 0;
  return 1;
}

// ---- line repair ----

void GVLogicSetupSlots(LogicLine* line, LogicSystem* sys, int32_t program, int32_t column) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  if (!cmd) return;
  switch (cmd->layoutKind) {
    case 1: GVLogicSetupEquSlots(sys, program, line); break;
    case 2: GVLogicSetupAddSlots(sys, program, line); break;
    case 3: GVLogicSetupMulSlots(sys, program, line); break;
    case 4: GVLogicSetupDivSlots(sys, program, line); break;
    case 5: GVLogicSetupClipSlots(sys, program, line); break;
    case 6: GVLogicSetupRotMtxSlots(sys, program, line); break;
    case 7: GVLogicSetupNormSlots(sys, program, line); break;
    case 8: GVLogicSetupCompSlots(sys, program, line); break;
    case 9: GVLogicSetupVecArgSlots(sys, program, line, column != 0); break;
    default: break;
  }
}

void GVLogicFixResultSlot(LogicLine* line, int32_t program, LogicSystem* sys) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  if (!cmd) return;
  const uint32_t mask = cmd->resultMask;
  if (mask & kLogicNone) {  // an optional result starts empty
    line->resultType = line->resultVar = 0;
  } else if (line->resultType == 0) {
    line->resultType = GVLogicNextType(0, mask);
    line->resultVar = GVLogicFirstResultVar(program, 0, line->resultType, sys);
  } else if (IsVarType(line->resultType) && line->resultVar == 0) {
    line->resultVar = 1;
  }
}

void GVLogicAssignResultVar(LogicSystem* sys, int32_t program, LogicLine* line) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  if (!cmd) return;
  if (line->resultType == static_cast<int32_t>(kLogicNone)) line->resultType = line->resultVar = 0;
  if (line->resultType == 0) line->resultType = GVLogicNextType(kLogicNone, cmd->resultMask);
  static int32_t (*const kUnused[])(LogicSystem*, int32_t) = {GVLogicUnusedPP, GVLogicUnusedI, GVLogicUnusedF,
                                                              GVLogicUnusedV,  GVLogicUnusedM, GVLogicUnusedAX};
  const int32_t kind = KindOfType(line->resultType);
  if (kind >= 0) line->resultVar = kUnused[kind](sys, program);
}

void GVLogicFixLineTypes(LogicSystem* sys, int32_t program, int32_t position, LogicLine* line) {
  if (!line) return;
  GVLogicSetupSlots(line, sys, program, 1);
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  if (!cmd) return;
  if (line->resultType && !Allowed(line->resultType, cmd->resultMask)) {
    line->resultType = GVLogicNextType(0, cmd->resultMask);
    line->resultVar = GVLogicFirstResultVar(program, 0, line->resultType, sys);
  }
  if (IsVarType(line->resultType) && line->resultVar == 0) line->resultVar = 1;
  const uint32_t available = GVLogicAvailableTypes(program, position, sys);
  for (int32_t a = 0; a < kLogicArgs; ++a) {
    if (!line->argType[a] || Allowed(line->argType[a], cmd->argMask[a])) continue;
    line->argType[a] = GVLogicNextType(0, available & cmd->argMask[a]);
    line->argVar[a] = GVLogicFirstResultVar(program, position, line->argType[a], sys);
  }
  if (line->resultVar == 0 || !IsVarType(line->resultType)) line->resultType = line->resultVar = 0;
  for (int32_t a = 0; a < kLogicArgs; ++a)
    if (line->argVar[a] == 0 && !IsConstType(line->argType[a])) line->argType[a] = 0;
}

// ---- editing steps ----

void GVLogicCycleColumn(LogicSystem* sys, int32_t program, int32_t step, int32_t column, LogicLine* line,
                        int32_t position) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  if (!line || !sys || !sys->categories) return;
  if (column == 1 && cmd) {
    if (step < 0) GVLogicPrevSlotVar(line->resultType, cmd->resultMask, sys, program, 0, line->resultVar);
    else if (step > 0) GVLogicNextSlotVar(line->resultType, cmd->resultMask, sys, program, 0, line->resultVar);
    else {
      GVLogicCycleSlotType(line->resultType, cmd->resultMask, sys, program, 0, line->resultVar);
      line->resultVar = 1;
    }
  } else if (column == 4) {
    if (line->category < 0 || line->category >= kLogicCategories) line->category = line->command = 0;
    const int32_t highest = std::max(sys->categories[line->category].highest, 0);
    if (step < 0) {
      line->command = line->command < 1 ? highest : std::min(line->command - 1, highest);
      if (line->category == kLogicControl && line->command == 0) line->command = 1;
    } else if (step == 0) {
      line->category = line->category < kLogicCategories - 1 ? line->category + 1 : 0;
      line->command = line->category == kLogicControl ? 1 : 0;
    } else {
      GVLogicNextCmdIndex(line, sys);
    }
  } else if (column >= 5 && column <= 9 && cmd) {
    const int32_t a = column - 5;
    const uint32_t cmdMask = cmd->argMask[a];
    const uint32_t mask = cmdMask & GVLogicAvailableTypes(program, position, sys);
    int32_t& type = line->argType[a];
    int32_t& index = line->argVar[a];
    constexpr uint32_t kObject = kLogicQualGeo | kLogicQualJel | kLogicQualPart;
    if (a < 2 && type == 0 && (cmdMask & kObject)) {
      type = kLogicIntConst;
      index = 0;
    }
    if (type == static_cast<int32_t>(kLogicIntConst) && cmd->pickedConstants &&
        (cmdMask & (kObject | kLogicQualLight)) && step != 0)
      GVLogicStepObjectConst(line, column, sys, step);
    else if (step < 0) GVLogicPrevSlotVar(type, mask, sys, program, position, index);
    else if (step == 0) GVLogicCycleSlotType(type, mask, sys, program, position, index);
    else GVLogicNextSlotVar(type, mask, sys, program, position, index);
  } else {
    return;
  }
  GVLogicFixLineTypes(sys, program, position, line);
}

void GVLogicResetColumn(LogicSystem* sys, int32_t program, int32_t column, LogicLine* line, int32_t startFrame,
                        int32_t currentFrame) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  if (!line || (column != 4 && !cmd)) return;
  if (column == 1) {
    const uint32_t kind = cmd->optionKind;
    if ((kind & kLogicOptDragRecord) && line->chan) {
      // The drag was recorded from frame s on (argument 3).
      double s = 0.0;
      if (line->argType[2] == static_cast<int32_t>(kLogicIntConst)) s = line->argInt[2];
      else if (line->argType[2] == static_cast<int32_t>(kLogicFloatConst)) s = std::trunc(line->argFloat[2]);
      else if (const int32_t* v = line->argType[2] == static_cast<int32_t>(kLogicInt)
                                      ? GVLogicIntVar(GVLogicProgram(sys, program), line->argVar[2])
                                      : nullptr)
        s = *v;
      const double first = static_cast<double>(currentFrame) - s;
      if (startFrame < currentFrame && first > 0 && first < line->chan->count)
        GVLogicClearDragRecord(line, static_cast<int32_t>(first));
      else if (currentFrame <= startFrame)
        GVLogicDropDragRecord(line);
    }
    if (kind & kLogicOptCurve) {
      for (FGItem* it = line->fg; it;) {
        FGItem* next = it->next;
        if (it->key >= currentFrame) GVLogicRemoveFGItem(line, it);
        it = next;
      }
    }
    if ((cmd->resultMask & kLogicNone) && !line->fg && (!(kind & kLogicOptDragRecord) || !line->chan))
      line->resultType = line->resultVar = 0;
  } else if (column == 4) {
    line->flags = 0;
    line->category = line->command = line->resultType = line->resultVar = 0;
    for (int32_t a = 0; a < kLogicArgs; ++a) {
      line->argType[a] = line->argVar[a] = line->argInt[a] = 0;
      line->argFloat[a] = 0.0f;
    }
  } else if (column >= 5 && column <= 9) {
    if (column < GVLogicColumnKind(line, sys)) return;
    const int32_t a = column - 5;
    if (ArgMask(cmd, a) & kLogicNone) line->argType[a] = line->argVar[a] = 0;
  } else {
    return;
  }
  GVLogicFixLineTypes(sys, program, GVLogicLineNumber(program, line, sys), line);
}

// ---- options ----

namespace {

// One step through a group of exclusive option bits: from none to the first,
// then along the sequence; after the last to none or back to the first.
uint32_t NextInSequence(uint32_t current, const uint32_t* seq, int32_t n, bool toNone, bool backward) {
  auto at = [&](int32_t i) { return backward ? seq[n - 1 - i] : seq[i]; };
  for (int32_t i = 0; i < n; ++i)
    if (current == at(i)) return i + 1 < n ? at(i + 1) : (toNone ? 0u : at(0));
  return at(0);
}

struct OptionGroup {
  uint32_t kindBit;
  uint32_t seq[3];
  int32_t n;       // 1: an on/off toggle
  bool toNone;     // the sequence returns to none after its last bit
  bool reverses;   // direction 3 runs it backward
};

const OptionGroup kOptionGroups[] = {
    {kLogicOptComponents, {kLineComponentX, kLineComponentY, kLineComponentZ}, 3, true, true},
    {kLogicOptBit2000, {0x2000}, 1, false, false},
    {kLogicOptRadians, {16}, 1, false, false},
    {kLogicOptTwoModes, {0x10000, 0x20000}, 2, false, false},
    {kLogicOptThreeModes, {0x8000, 0x10000, 0x20000}, 3, true, true},
    {kLogicOptThreeModesB, {0x40000, 0x80000, 0x100000}, 3, false, true},
    {kLogicOptTwoModesB, {0x80000, 0x100000}, 2, false, true},
    {kLogicOptBit200000, {0x200000}, 1, false, false},
    {kLogicOptBit800000, {0x800000}, 1, false, false},
    {kLogicOptBit400000, {0x400000}, 1, false, false},
};

// HCOLL Hh naming one Jel twice: equal parts collide as one part with
// itself (0x10000), different parts with each other (0x20000).
void ForceSameJelMode(LogicLine* line) {
  auto ic = [&](int32_t a) {
    return line->argType[a] == static_cast<int32_t>(kLogicIntConst) ? line->argInt[a] : 0;
  };
  if (line->argType[0] != static_cast<int32_t>(kLogicIntConst) ||
      line->argType[1] != static_cast<int32_t>(kLogicIntConst) || line->argInt[0] <= 0 ||
      line->argInt[0] != line->argInt[1])
    return;
  const int32_t p1 = ic(2), p2 = ic(3) ? ic(3) : p1;
  line->flags = (line->flags & ~0x30000u) | (p1 == p2 ? 0x10000u : 0x20000u);
}

}  // namespace

void GVLogicCycleOption(LogicLine* line, int32_t direction, LogicSystem* sys) {
  const uint32_t kind = GVLogicCmdFlags(line, sys);
  for (const OptionGroup& g : kOptionGroups) {
    if (!(kind & g.kindBit)) continue;
    uint32_t bits = 0;
    for (int32_t i = 0; i < g.n; ++i) bits |= g.seq[i];
    if (g.n == 1) {
      line->flags ^= bits;
    } else if (direction == 1 || direction == 3) {
      if (g.kindBit == kLogicOptTwoModes) line->flags &= ~0x8000u;
      const uint32_t next = NextInSequence(line->flags & bits, g.seq, g.n, g.toNone, g.reverses && direction == 3);
      line->flags = (line->flags & ~bits) | next;
    }
    if (g.kindBit == kLogicOptComponents) {
      int32_t program = 0;
      for (int32_t k = 1; sys && k <= sys->programCount && !program; ++k)
        if (GVLogicLineNumber(k, line, sys)) program = k;
      GVLogicSetupSlots(line, sys, program, 0);
    }
    break;
  }
  if ((kind & kLogicOptTwoModes) && (kind & kLogicOptSameJelModes)) ForceSameJelMode(line);
}
