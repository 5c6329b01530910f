#include "logic/line_services.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "jel/chan_data.h"
#include "logic/dyn1_cmds.h"
#include "logic/effects_cmds.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/scene_records.h"

namespace {

constexpr int32_t kFirstArgColumn = 5;
constexpr int32_t kLastArgColumn = 9;
constexpr uint32_t kScalarTypes = kLogicInt | kLogicFloat | kLogicFloatConst;
constexpr int32_t kEqu = 0;  // ARITHMETIC "="
// Option kind: the first argument column stays typed in place although the
// command's object numbers are picked.
constexpr uint32_t kOptTypedFirstColumn = 0x8000000;

// Argument slot (0..4) of a column, -1 for any other column.
int32_t ArgOfColumn(int32_t column) {
  return column >= kFirstArgColumn && column <= kLastArgColumn ? column - kFirstArgColumn : -1;
}

bool IsEquLine(const LogicLine* line) {
  return line->category == kLogicArithmetic && line->command == kEqu;
}

bool IsEmptyLine(const LogicLine* line) { return line->category == kLogicControl && line->command == 0; }

// Appends text to the string in buf, cut to fit.
void Append(char* buf, size_t size, const char* text) {
  const size_t used = strnlen(buf, size);
  if (used + 1 >= size) return;
  std::snprintf(buf + used, size - used, "%s", text);
}

template <typename F>
void ForEachLine(LogicSystem* sys, int32_t program, F f) {
  LogicProgram* p = GVLogicProgram(sys, program);
  for (LogicLine* l = p ? p->first : nullptr; l;) {
    LogicLine* next = l->next;  // f may free l
    f(l);
    l = next;
  }
}

// The first argument slot from `from` on whose mask has the bit; -1 when none.
int32_t SlotWithBit(const LogicCmd* cmd, uint32_t bit, int32_t from) {
  for (int32_t a = from; a < kLogicArgs; ++a)
    if (cmd->argMask[a] & bit) return a;
  return -1;
}

// The integer constant of slot a when it is one and a is among the slots
// (0-based) whose constants are reported; else 0.
int32_t ReportedConst(const LogicLine* line, int32_t a, int32_t lo, int32_t hi, int32_t also = -1) {
  if (a < 0 || line->argType[a] != static_cast<int32_t>(kLogicIntConst)) return 0;
  return (a >= lo && a <= hi) || a == also ? line->argInt[a] : 0;
}

}  // namespace

// ---- lines ----

int32_t GVLogicLineNumber(int32_t program, const LogicLine* line, const LogicSystem* sys) {
  const LogicProgram* p = GVLogicProgram(const_cast<LogicSystem*>(sys), program);
  if (!p || !line) return 0;
  int32_t n = 1;
  for (const LogicLine* l = p->first; l; l = l->next, ++n)
    if (l == line) return n;
  return 0;
}

LogicLine* GVLogicFindGeoPointerIn(const LogicSystem* sys) {
  const LogicProgram* p = GVLogicProgram(const_cast<LogicSystem*>(sys), 1);
  for (LogicLine* l = p ? p->first : nullptr; l; l = l->next)
    if (l->category == kLogicEffects && l->command == kFxGeoPointer) return l;
  return nullptr;
}

LogicLine* GVLogicFindGeoPointer() { return GVLogicFindGeoPointerIn(GVScene().logic); }

// ---- command record ----

uint32_t GVLogicCmdFlags(const LogicLine* line, const LogicSystem* sys) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  return cmd ? cmd->optionKind : 0;
}

const char* GVLogicCmdPrefix(const LogicLine* line, const LogicSystem* sys) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  return cmd ? cmd->prefix : nullptr;
}

const char* GVLogicCmdInfix(const LogicLine* line, const LogicSystem* sys) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  return cmd ? cmd->infix : nullptr;
}

uint32_t GVLogicColumnMask(const LogicLine* line, int32_t column, const LogicSystem* sys) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  if (!cmd) return 0;
  if (column == 1) return cmd->resultMask;
  const int32_t a = ArgOfColumn(column);
  return a >= 0 ? cmd->argMask[a] : 0;
}

// ---- display ----

int32_t GVLogicColumnKind(const LogicLine* line, const LogicSystem* sys) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  if (!cmd) return 0;
  // "=" builds a vector from three scalars and a matrix from three vectors.
  if (IsEquLine(line) && line->resultType == static_cast<int32_t>(kLogicVec))
    return line->argType[0] & kScalarTypes ? 7 : 5;
  if (IsEquLine(line) && line->resultType == static_cast<int32_t>(kLogicMat))
    return line->argType[0] == static_cast<int32_t>(kLogicVec) ? 7 : 5;
  for (int32_t a = kLogicArgs - 1; a >= 0; --a) {
    const uint32_t m = cmd->argMask[a];
    if (!(m & kLogicNone) || (m != kLogicNone && line->argType[a] != 0)) return a + kFirstArgColumn;
  }
  return 0;
}

void GVLogicArgText(int32_t lastColumn, int32_t column, const LogicSystem* sys, const LogicLine* line,
                    char* buf, size_t size) {
  const int32_t a = ArgOfColumn(column);
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  if (!buf || size == 0 || !cmd || a < 0 || column > lastColumn || cmd->argMask[a] == kLogicNone) return;
  char text[32];
  const int32_t k = line->argVar[a];
  switch (line->argType[a]) {
    case kLogicPP: std::snprintf(text, sizeof text, "PP%d", k); break;
    case kLogicInt: std::snprintf(text, sizeof text, "i %d", k); break;
    case kLogicFloat: std::snprintf(text, sizeof text, "f %d", k); break;
    case kLogicVec: std::snprintf(text, sizeof text, "v %d", k); break;
    case kLogicMat: std::snprintf(text, sizeof text, "m %d", k); break;
    case kLogicAxes: std::snprintf(text, sizeof text, "AX %d", k); break;
    case kLogicIntConst: std::snprintf(text, sizeof text, "%d", line->argInt[a]); break;
    case kLogicFloatConst:
      // A float constant given to a matrix or axes "=" is the identity.
      if (a == 0 && IsEquLine(line) && line->resultVar != 0 &&
          (line->resultType == static_cast<int32_t>(kLogicMat) ||
           line->resultType == static_cast<int32_t>(kLogicAxes)))
        std::snprintf(text, sizeof text, "1");
      else
        std::snprintf(text, sizeof text, "%g", static_cast<double>(line->argFloat[a]));
      break;
    default: std::snprintf(text, sizeof text, "%s", cmd->argMask[a] & kLogicNone ? "." : "$"); break;
  }
  Append(buf, size, text);
}

int32_t GVLogicColumnIsConst(const LogicLine* line, int32_t column, const LogicSystem* sys) {
  const LogicCmd* cmd = GVLogicLineCmd(sys, line);
  const int32_t a = ArgOfColumn(column);
  if (!cmd || a < 0) return 0;
  const int32_t t = line->argType[a];
  if (t != static_cast<int32_t>(kLogicIntConst) && t != static_cast<int32_t>(kLogicFloatConst)) return 0;
  if (!cmd->pickedConstants || column >= 7) return 1;
  if (column == 6) return cmd->optionKind & kLogicOptTypedSecondColumn ? 1 : 0;
  return cmd->optionKind & kOptTypedFirstColumn ? 1 : 0;
}

// ---- object numbers ----

bool GVLogicLineGeoRefs(const LogicLine* line, const LogicSystem* sys, int32_t* slot1, int32_t* id1,
                        int32_t* slot2, int32_t* id2) {
  int32_t s1 = 0, i1 = 0, s2 = 0, i2 = 0;
  if (const LogicCmd* cmd = GVLogicLineCmd(sys, line)) {
    const int32_t a = SlotWithBit(cmd, kLogicQualGeo, 0);
    const int32_t b = a >= 0 ? SlotWithBit(cmd, kLogicQualGeo, a + 1) : -1;
    s1 = a + 1;
    s2 = b + 1;
    i1 = ReportedConst(line, a, 0, 1, 4);
    i2 = ReportedConst(line, b, 0, 1);
  }
  if (slot1) *slot1 = s1;
  if (id1) *id1 = i1;
  if (slot2) *slot2 = s2;
  if (id2) *id2 = i2;
  return i1 != 0 || i2 != 0;
}

bool GVLogicLineJelRefs(const LogicLine* line, const LogicSystem* sys, LogicJelRefs* out) {
  LogicJelRefs r{};
  if (const LogicCmd* cmd = GVLogicLineCmd(sys, line)) {
    const int32_t j1 = SlotWithBit(cmd, kLogicQualJel, 0);
    const int32_t j2 = j1 >= 0 ? SlotWithBit(cmd, kLogicQualJel, j1 + 1) : -1;
    const int32_t p1 = SlotWithBit(cmd, kLogicQualPart, 0);
    const int32_t p2 = p1 >= 0 ? SlotWithBit(cmd, kLogicQualPart, p1 + 1) : -1;
    r = {j1 + 1, p1 + 1, ReportedConst(line, j1, 0, 1), ReportedConst(line, p1, 1, 3),
         j2 + 1, p2 + 1, ReportedConst(line, j2, 0, 1), ReportedConst(line, p2, 2, 3)};
  }
  if (out) *out = r;
  return r.jel != 0 || r.jel2 != 0;
}

// ---- comments ----

void GVLogicSetLineComment(LogicLine* line, const char* text) {
  if (!line) return;
  const size_t n = text ? std::strlen(text) : 0;
  if (n == 0) {
    std::free(line->comment);
    line->comment = nullptr;
    return;
  }
  // The text may lie inside the old comment: it is copied before that goes.
  if (!line->comment || std::strlen(line->comment) != n) {
    char* fresh = static_cast<char*>(std::malloc(n + 1));
    if (!fresh) return;  // the old comment stays
    std::memcpy(fresh, text, n + 1);
    std::free(line->comment);
    line->comment = fresh;
    return;
  }
  std::memmove(line->comment, text, n + 1);
}

// ---- a new program ----

void GVLogicEnsureLine(LogicSystem* sys, int32_t program) {
  LogicProgram* p = GVLogicProgram(sys, program);
  if (!p || p->first) return;
  LogicLine* l = nullptr;
  for (int32_t k = 1; k <= 5; ++k) {
    l = GVLogicInsertLineAfter(sys, program, l);
    if (k == 2) {
      l->category = kLogicDyn1;
      l->command = kDyn1CurTime;
      l->resultType = kLogicFloat;
      l->resultVar = 1;
    }
  }
}

// ---- selection and the copy buffer ----

LogicLine* GVLogicCopyLine(const LogicLine* src) {
  if (!src) return nullptr;
  LogicLine* l = GVLogicNewLine();
  l->flags = src->flags;
  l->category = src->category;
  l->command = src->command;
  l->resultType = src->resultType;
  l->resultVar = src->resultVar;
  for (int32_t a = 0; a < kLogicArgs; ++a) {
    l->argType[a] = src->argType[a];
    l->argVar[a] = src->argVar[a];
    l->argInt[a] = src->argInt[a];
    l->argFloat[a] = src->argFloat[a];
  }
  GVLogicSetLineComment(l, src->comment);
  if (src->chan) l->chan = GVCopyChanData(src->chan);
  return l;
}

// Links a detached line after `after` (null: it starts the empty program).
static void LinkAfter(LogicProgram* p, LogicLine* after, LogicLine* l) {
  if (!after) {
    p->first = l;
    return;
  }
  l->prev = after;
  l->next = after->next;
  if (after->next) after->next->prev = l;
  after->next = l;
}

void GVLogicSelectRange(int32_t program, int32_t from, int32_t to, LogicSystem* sys) {
  int32_t n = 0;
  ForEachLine(sys, program, [&](LogicLine* l) {
    ++n;
    if (n >= from && n <= to) l->flags |= kLineSelected;
    else l->flags &= ~kLineSelected;
  });
}

void GVLogicClearSelection(int32_t program, LogicSystem* sys) {
  ForEachLine(sys, program, [](LogicLine* l) { l->flags &= ~kLineSelected; });
}

void GVLogicCopySelected(int32_t program, LogicSystem* sys) {
  LogicProgram* buffer = GVLogicProgram(sys, 0);
  if (!buffer || !GVLogicProgram(sys, program) || program == 0) return;
  GVLogicClearProgram(sys, 0);
  LogicLine* last = nullptr;
  ForEachLine(sys, program, [&](LogicLine* l) {
    if (!(l->flags & kLineSelected)) return;
    LogicLine* copy = GVLogicCopyLine(l);
    LinkAfter(buffer, last, copy);
    last = copy;
  });
}

int32_t GVLogicPasteBuffer(LogicLine* after, int32_t program, LogicSystem* sys) {
  LogicProgram* p = GVLogicProgram(sys, program);
  if (!p || program == 0 || (p->first && !after) || (after && !GVLogicLineNumber(program, after, sys)))
    return 0;
  int32_t report = 0;
  ForEachLine(sys, 0, [&](LogicLine* l) {
    if (!(l->flags & kLineSelected)) return;
    LogicLine* copy = GVLogicCopyLine(l);
    LinkAfter(p, after, copy);
    after = copy;
    if (GVLogicCmdFlags(copy, sys) & kLogicOptPasteReport) report = 1;
  });
  return report;
}

void GVLogicDeleteSelected(int32_t program, LogicSystem* sys) {
  ForEachLine(sys, program, [&](LogicLine* l) {
    if (l->flags & kLineSelected) GVLogicRemoveLine(sys, l, program);
  });
}

void GVLogicToggleSelectedOff(int32_t program, LogicSystem* sys) {
  ForEachLine(sys, program, [](LogicLine* l) {
    if (!(l->flags & kLineSelected)) return;
    l->flags ^= kLineOff;
    if (IsEmptyLine(l)) l->flags &= ~kLineOff;
  });
}
