#include "logic/control_logic_cmds.h"

#include "logic/program_store.h"

// ---- CONTROL ----

int32_t GVNoOp(int32_t, LogicLine*, LogicSystem*) { return 0; }

void GVBuildControlCmds(LogicSystem* sys) {
  LogicCmd* c = GVLogicBeginCategory(sys, kLogicControl, 8);
  if (!c) return;
  struct Row {
    const char* prefix;
    const char* name;
    int32_t role;
    const char* key;
  };
  static const Row kRows[8] = {
      {".", ".", 0, "cmd_empty"},
      {"IF", "IF", kLogicRoleIf, "cmd_if"},
      {"IF NOT", "IF NOT", kLogicRoleIfNot, "cmd_if"},
      {"END IF", "END IF", kLogicRoleEndIf, "cmd_if"},
      {"BREAK !", "BREAK !", kLogicRoleBreak, "cmd_break"},
      {"LOOP", "LOOP", kLogicRoleLoop, "cmd_loop"},
      {"ENDLOOP", "ENDLOOP", kLogicRoleEndLoop, "cmd_loop"},
      {"", "COMMENT", kLogicRoleComment, "cmd_comment"},
  };
  for (int32_t k = 0; k < 8; ++k) {
    c[k].prefix = kRows[k].prefix;
    c[k].name = kRows[k].name;
    c[k].role = kRows[k].role;
    c[k].key = kRows[k].key;
    c[k].fn = GVNoOp;
  }
  c[kCtlIf].argMask[0] = kLogicPP;
  c[kCtlIfNot].argMask[0] = kLogicPP;
  c[kCtlLoop].argMask[0] = kLogicQualCount | kLogicIntConst;  // the repeat count
  c[kCtlLoop].pickedConstants = 1;
  c[kCtlComment].optionKind = kLogicOptComment;
}

// ---- LOGIC ----

void GVBuildLogicCmds(LogicSystem* sys) {
  LogicCmd* c = GVLogicBeginCategory(sys, kLogicLogic, 9);
  if (!c) return;
  constexpr uint32_t kNumber = kLogicInt | kLogicFloat | kLogicFloatConst;  // 0x10C
  constexpr uint32_t kNumberOrNone = kNumber | kLogicNone;                 // 0x10D
  struct Row {
    const char* prefix;
    const char* name;
    const char* infix;
    LogicCmdFn fn;
    uint32_t args[kLogicArgs];
    const char* key;
  };
  static const Row kRows[9] = {
      {"", "PP", "", GVCmdPequ, {kLogicPP | kLogicIntConst, 1, 1, 1, 1}, "cmd_pequ"},
      {"NOT", "NOT", "", GVCmdNot, {kLogicPP, 1, 1, 1, 1}, "cmd_not"},
      {"", "AND", "  and  ", GVCmdAnd, {kLogicPP, kLogicPP, kLogicPP | kLogicNone, 1, 1}, "cmd_and"},
      {"", "OR", "  or  ", GVCmdOr, {kLogicPP, kLogicPP, kLogicPP | kLogicNone, 1, 1}, "cmd_or"},
      {"", "==", "  ==  ", GVCmdIsEqual, {kNumber, kNumber, 1, 1, 1}, "cmd_isequ"},
      {"", "<", "  <  ", GVCmdIsLess, {kNumber, kNumber, kNumberOrNone, kNumberOrNone, kNumberOrNone}, "cmd_isless"},
      {"", "<=", "  <=  ", GVCmdIsLessEq, {kNumber, kNumber, kNumberOrNone, kNumberOrNone, kNumberOrNone}, "cmd_isleq"},
      {"", ">", "  >  ", GVCmdIsGreater, {kNumber, kNumber, kNumberOrNone, kNumberOrNone, kNumberOrNone}, "cmd_isgrt"},
      {"", ">=", "  >=  ", GVCmdIsGreaterEq, {kNumber, kNumber, kNumberOrNone, kNumberOrNone, kNumberOrNone}, "cmd_isgeq"},
  };
  for (int32_t k = 0; k < 9; ++k) {
    c[k].prefix = kRows[k].prefix;
    c[k].name = kRows[k].name;
    c[k].infix = kRows[k].infix;
    c[k].fn = kRows[k].fn;
    c[k].resultMask = kLogicPP;
    for (int32_t a = 0; a < kLogicArgs; ++a) c[k].argMask[a] = kRows[k].args[a];
    c[k].key = kRows[k].key;
  }
}

// The line's program and its result variable; null when either is missing.
static int32_t* ResultPP(LogicSystem* sys, int32_t program, const LogicLine* line, LogicProgram** prog) {
  if (!sys || !line) return nullptr;
  *prog = GVLogicProgram(sys, program);
  return GVLogicPPVar(*prog, line->resultVar);
}

static int32_t Put(int32_t* result, int32_t value) {
  *result = value;
  return value;
}

int32_t GVCmdPequ(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicProgram* p;
  int32_t* r = ResultPP(sys, program, line, &p);
  if (!r) return 0;
  int32_t v = 0;
  if (line->argType[0] == kLogicPP) {
    const int32_t* x = GVLogicPPVar(p, line->argVar[0]);
    if (!x) return 0;
    v = *x;
  } else if (line->argType[0] == kLogicIntConst) {
    v = line->argInt[0];
  }
  return Put(r, v > 0 ? 1 : 0);
}

int32_t GVCmdNot(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicProgram* p;
  int32_t* r = ResultPP(sys, program, line, &p);
  if (!r) return 0;
  if (line->argType[0] != kLogicPP) return Put(r, 1);
  const int32_t* x = GVLogicPPVar(p, line->argVar[0]);
  if (!x) return 0;
  return Put(r, *x == 0 ? 1 : 0);
}

// AND starts true and any zero PP argument makes it false; OR starts false
// and any nonzero one makes it true. Arguments of other types are ignored.
static int32_t Junction(int32_t program, LogicLine* line, LogicSystem* sys, bool isAnd) {
  LogicProgram* p;
  int32_t* r = ResultPP(sys, program, line, &p);
  if (!r) return 0;
  int32_t v = isAnd ? 1 : 0;
  for (int32_t a = 0; a < kLogicArgs; ++a) {
    if (line->argType[a] != kLogicPP) continue;
    const int32_t* x = GVLogicPPVar(p, line->argVar[a]);
    if (!x) return 0;
    if (isAnd && *x == 0) v = 0;
    if (!isAnd && *x != 0) v = 1;
  }
  return Put(r, v);
}

int32_t GVCmdAnd(int32_t program, LogicLine* line, LogicSystem* sys) { return Junction(program, line, sys, true); }
int32_t GVCmdOr(int32_t program, LogicLine* line, LogicSystem* sys) { return Junction(program, line, sys, false); }

enum class Order { Equal, Less, LessEq, Greater, GreaterEq };

// Integer pairs compare as integers, any other pair as floats (an integer
// converts exactly enough and NaN fails every order).
template <typename T>
static bool Holds(Order o, T a, T b) {
  switch (o) {
    case Order::Equal: return a == b;
    case Order::Less: return a < b;
    case Order::LessEq: return a <= b;
    case Order::Greater: return a > b;
    case Order::GreaterEq: return a >= b;
  }
  return false;
}

static float AsFloat(const LogicValue& v) { return v.isInt ? static_cast<float>(v.i) : v.f; }

static bool PairHolds(Order o, const LogicValue& a, const LogicValue& b) {
  if (a.isInt && b.isInt) return Holds(o, a.i, b.i);
  return Holds(o, AsFloat(a), AsFloat(b));
}

int32_t GVCmdIsEqual(int32_t program, LogicLine* line, LogicSystem* sys) {
  LogicProgram* p;
  int32_t* r = ResultPP(sys, program, line, &p);
  LogicValue a, b;
  if (!r || !GVLogicArgValue(p, line, 0, &a) || !GVLogicArgValue(p, line, 1, &b)) return 0;
  return Put(r, PairHolds(Order::Equal, a, b) ? 1 : 0);
}

static int32_t Chain(int32_t program, LogicLine* line, LogicSystem* sys, Order o) {
  if (!line || line->resultType != static_cast<int32_t>(kLogicPP)) return 0;
  LogicProgram* p;
  int32_t* r = ResultPP(sys, program, line, &p);
  if (!r) return 0;
  LogicValue v[kLogicArgs];
  for (int32_t a = 0; a < kLogicArgs; ++a)
    if (!GVLogicArgValue(p, line, a, &v[a])) return 0;
  int32_t result = 1;
  for (int32_t a = 0; a + 1 < kLogicArgs; ++a) {
    if (line->argType[a + 1] == 0) continue;
    if (!PairHolds(o, v[a], v[a + 1])) {
      result = 0;
      break;
    }
  }
  return Put(r, result);
}

int32_t GVCmdIsLess(int32_t program, LogicLine* line, LogicSystem* sys) { return Chain(program, line, sys, Order::Less); }
int32_t GVCmdIsLessEq(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Chain(program, line, sys, Order::LessEq);
}
int32_t GVCmdIsGreater(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Chain(program, line, sys, Order::Greater);
}
int32_t GVCmdIsGreaterEq(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Chain(program, line, sys, Order::GreaterEq);
}
