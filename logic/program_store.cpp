#include "logic/program_store.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "jel/chan_data.h"

LogicProgram* GVLogicProgram(LogicSystem* sys, int32_t k) {
  if (!sys || !sys->programs || k < 0 || k > sys->programCount) return nullptr;
  return &sys->programs[k];
}

// ---- programs ----

template <typename T>
static T* ZeroedArray(int32_t count, bool* ok) {
  if (count <= 0) return nullptr;
  T* a = static_cast<T*>(std::calloc(static_cast<size_t>(count), sizeof(T)));
  if (!a) *ok = false;
  return a;
}

void GVLogicFreeProgramArrays(LogicProgram* prog) {
  if (!prog) return;
  std::free(prog->pp);
  std::free(prog->i);
  std::free(prog->f);
  std::free(prog->v);
  std::free(prog->m);
  std::free(prog->axVec);
  std::free(prog->axMat);
  prog->pp = prog->i = nullptr;
  prog->f = nullptr;
  prog->v = prog->axVec = nullptr;
  prog->m = prog->axMat = nullptr;
}

int32_t GVLogicAllocProgramArrays(LogicProgram* prog) {
  if (!prog) return 0;
  GVLogicFreeProgramArrays(prog);
  bool ok = true;
  prog->pp = ZeroedArray<int32_t>(prog->ppCount, &ok);
  prog->i = ZeroedArray<int32_t>(prog->iCount, &ok);
  prog->f = ZeroedArray<float>(prog->fCount, &ok);
  prog->v = ZeroedArray<float[3]>(prog->vCount, &ok);
  prog->m = ZeroedArray<float[9]>(prog->mCount, &ok);
  prog->axVec = ZeroedArray<float[3]>(prog->axCount, &ok);
  prog->axMat = ZeroedArray<float[9]>(prog->axCount, &ok);
  return ok ? 1 : 0;
}

static void FreeProgramLines(LogicProgram* prog) {
  LogicLine* l = prog->first;
  while (l) {
    LogicLine* next = l->next;
    GVLogicFreeLine(l);
    l = next;
  }
  prog->first = nullptr;
}

int32_t GVInitLogicPrograms(LogicSystem* sys, int32_t count) {
  if (!sys) return 0;
  if (count < 1) count = 1;
  if (count > kLogicMaxPrograms) return 0;
  // The array is sized by the count, so a store of another size is made anew.
  if (sys->programs) GVLogicFreeLines(sys);
  sys->programs = new (std::nothrow) LogicProgram[count + 1]();
  if (!sys->programs) {
    sys->programCount = 0;
    return 0;
  }
  sys->programCount = count;
  int32_t ok = 1;
  for (int32_t k = 0; k <= count; ++k) {
    LogicProgram& p = sys->programs[k];
    std::snprintf(p.name, sizeof p.name, "mCnstrt %d", k);
    p.topLine = 1;
    p.ppCount = p.iCount = p.fCount = p.vCount = p.mCount = p.axCount = kLogicDefaultVarCount;
    if (!GVLogicAllocProgramArrays(&p)) ok = 0;
  }
  std::snprintf(sys->programs[1].name, kLogicProgramNameSize, "Main");
  return ok;
}

void GVLogicFreeLines(LogicSystem* sys) {
  if (!sys) return;
  if (sys->programs) {
    for (int32_t k = 0; k <= sys->programCount; ++k) {
      FreeProgramLines(&sys->programs[k]);
      GVLogicFreeProgramArrays(&sys->programs[k]);
    }
    delete[] sys->programs;
    sys->programs = nullptr;
  }
  sys->programCount = 0;
}

void GVLogicClearProgram(LogicSystem* sys, int32_t program) {
  if (LogicProgram* p = GVLogicProgram(sys, program)) FreeProgramLines(p);
}

void GVLogicClearAllLines(LogicSystem* sys) {
  if (!sys || !sys->programs) return;
  for (int32_t k = 0; k <= sys->programCount; ++k) FreeProgramLines(&sys->programs[k]);
}

// ---- lines ----

LogicLine* GVLogicNewLine() {
  LogicLine* l = new (std::nothrow) LogicLine();
  if (!l) std::exit(1);
  return l;
}

LogicLine* GVLogicInsertLineAfter(LogicSystem* sys, int32_t program, LogicLine* after) {
  LogicProgram* p = GVLogicProgram(sys, program);
  if (!p || (p->first && !after)) return nullptr;
  LogicLine* l = GVLogicNewLine();
  if (!p->first) {
    p->first = l;
  } else {
    l->prev = after;
    l->next = after->next;
    if (after->next) after->next->prev = l;
    after->next = l;
  }
  return l;
}

LogicLine* GVLogicInsertLineBefore(LogicSystem* sys, int32_t program, LogicLine* before) {
  LogicProgram* p = GVLogicProgram(sys, program);
  if (!p || !before) return nullptr;
  LogicLine* l = GVLogicNewLine();
  l->next = before;
  l->prev = before->prev;
  if (before->prev) before->prev->next = l;
  else p->first = l;
  before->prev = l;
  return l;
}

LogicLine* GVLogicGetLine(LogicSystem* sys, int32_t program, int32_t n) {
  LogicProgram* p = GVLogicProgram(sys, program);
  if (!p || n < 1) return nullptr;
  LogicLine* l = p->first;
  while (l && --n > 0) l = l->next;
  return l;
}

void GVLogicFreeLine(LogicLine* line) {
  if (!line) return;
  GVFreeChanData(line->chan);
  std::free(line->comment);
  for (FGItem* it = line->fg; it;) {
    FGItem* next = it->next;
    delete it;
    it = next;
  }
  delete line;
}

// Empties every read of variable (type, index) from the top of the program,
// up to and including the first line that assigns it.
static void ClearReads(LogicProgram* p, int32_t type, int32_t index) {
  for (LogicLine* l = p->first; l; l = l->next) {
    for (int32_t a = 0; a < kLogicArgs; ++a)
      if (l->argType[a] == type && l->argVar[a] == index) l->argType[a] = l->argVar[a] = 0;
    if (l->resultType == type && l->resultVar == index) break;
  }
}

void GVLogicRemoveLine(LogicSystem* sys, LogicLine* line, int32_t program) {
  LogicProgram* p = GVLogicProgram(sys, program);
  if (!p || !p->first || !line) return;
  const int32_t type = line->resultType, index = line->resultVar;
  LogicLine* next = line->next;
  if (line == p->first) {
    p->first = next;
    if (next) next->prev = nullptr;
  } else if (line->prev) {
    line->prev->next = next;
    if (next) next->prev = line->prev;
  } else {
    return;  // not in this program
  }
  GVLogicFreeLine(line);
  if (next && type && index) ClearReads(p, type, index);
}

// ---- FG lists ----

void hinsertafter(FGItem* item, FGItem* target) {
  if (!item || !target || item == target || target->next == item) {
    std::fputs("hinsertafter : bad arguments\n", stderr);
    return;
  }
  item->prev = target;
  item->next = target->next;
  if (target->next) target->next->prev = item;
  target->next = item;
}

void createFGItem(LogicLine* line, int32_t key, float value, int32_t flags) {
  if (!line) return;
  FGItem* item = new (std::nothrow) FGItem{key, value, flags, nullptr, nullptr};
  if (!item) {
    std::fputs("createFGItem :- new failed\n", stderr);
    std::exit(1);
  }
  line->flags |= kLineRecorded;
  FGItem* first = line->fg;
  if (!first || key < first->key) {
    item->next = first;
    if (first) first->prev = item;
    line->fg = item;
    return;
  }
  FGItem* at = first;
  while (at->next && at->next->key <= key) at = at->next;
  if (at->key == key) {
    if (!(at->flags & kFGKeepValue)) at->value = value;
    delete item;
    return;
  }
  hinsertafter(item, at);
}

FGItem* GVLogicAppendFGItem(LogicLine* line, FGItem* last, int32_t key, float value, int32_t flags) {
  if (!line) return nullptr;
  if (!last && line->fg)
    for (last = line->fg; last->next; last = last->next) {
    }
  if (!last) {
    createFGItem(line, key, value, flags);
    return line->fg;
  }
  if (key < last->key) {  // out of order: placed from the head; the end stays
    createFGItem(line, key, value, flags);
    return last;
  }
  line->flags |= kLineRecorded;
  if (key == last->key) {
    if (!(last->flags & kFGKeepValue)) last->value = value;
    return last;
  }
  FGItem* item = new (std::nothrow) FGItem{key, value, flags, nullptr, nullptr};
  if (!item) {
    std::fputs("createFGItem :- new failed\n", stderr);
    std::exit(1);
  }
  item->prev = last;
  last->next = item;
  return item;
}

void GVLogicRemoveFGItem(LogicLine* line, FGItem* item) {
  if (!line || !item) return;
  FGItem* it = line->fg;
  while (it && it != item) it = it->next;
  if (!it) return;
  if (item->prev) item->prev->next = item->next;
  else line->fg = item->next;
  if (item->next) item->next->prev = item->prev;
  delete item;
}

// ---- checked variable access ----

template <typename T>
static T* Var(T* array, int32_t count, int32_t k) {
  return array && k >= 1 && k < count ? &array[k] : nullptr;
}

int32_t* GVLogicPPVar(LogicProgram* prog, int32_t k) { return prog ? Var(prog->pp, prog->ppCount, k) : nullptr; }
int32_t* GVLogicIntVar(LogicProgram* prog, int32_t k) { return prog ? Var(prog->i, prog->iCount, k) : nullptr; }
float* GVLogicFloatVar(LogicProgram* prog, int32_t k) { return prog ? Var(prog->f, prog->fCount, k) : nullptr; }

template <typename Row>
static float* Row0(Row* array, int32_t count, int32_t k) {
  Row* r = Var(array, count, k);
  return r ? *r : nullptr;
}
float* GVLogicVecVar(LogicProgram* prog, int32_t k) { return prog ? Row0(prog->v, prog->vCount, k) : nullptr; }
float* GVLogicMatVar(LogicProgram* prog, int32_t k) { return prog ? Row0(prog->m, prog->mCount, k) : nullptr; }
float* GVLogicAxVecVar(LogicProgram* prog, int32_t k) { return prog ? Row0(prog->axVec, prog->axCount, k) : nullptr; }
float* GVLogicAxMatVar(LogicProgram* prog, int32_t k) { return prog ? Row0(prog->axMat, prog->axCount, k) : nullptr; }

bool GVLogicArgValue(LogicProgram* prog, const LogicLine* line, int32_t a, LogicValue* out) {
  *out = LogicValue{false, 0, 0.0f};
  const int32_t k = line->argVar[a];
  switch (line->argType[a]) {
    case kLogicPP: {
      const int32_t* v = GVLogicPPVar(prog, k);
      if (!v) return false;
      out->f = static_cast<float>(*v);
      return true;
    }
    case kLogicInt: {
      const int32_t* v = GVLogicIntVar(prog, k);
      if (!v) return false;
      *out = LogicValue{true, *v, 0.0f};
      return true;
    }
    case kLogicFloat: {
      const float* v = GVLogicFloatVar(prog, k);
      if (!v) return false;
      out->f = *v;
      return true;
    }
    case kLogicIntConst:
      *out = LogicValue{true, line->argInt[a], 0.0f};
      return true;
    case kLogicFloatConst:
      out->f = line->argFloat[a];
      return true;
    default:
      return true;
  }
}
