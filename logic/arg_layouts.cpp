#include "logic/arg_layouts.h"

#include "logic/line_services.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "logic/slot_types.h"

namespace {

constexpr int32_t PP = kLogicPP, I = kLogicInt, F = kLogicFloat, V = kLogicVec, M = kLogicMat, AX = kLogicAxes,
                  FC = kLogicFloatConst;
constexpr uint32_t kScalar = kLogicInt | kLogicFloat | kLogicFloatConst;
constexpr uint32_t kVars = kLogicPP | kLogicInt | kLogicFloat | kLogicVec | kLogicMat | kLogicAxes;

bool Has(uint32_t set, int32_t t) { return t > 0 && (set & static_cast<uint32_t>(t)); }
bool IsScalar(int32_t t) { return t == I || t == F || t == FC; }
bool IsBig(int32_t t) { return t == V || t == M || t == AX; }  // vector, matrix or axes

// One line being set up: its slots and what the lines above it produce.
struct Layout {
  LogicSystem* sys;
  int32_t program;
  LogicLine* line;
  const LogicCmd* cmd;
  int32_t pos;
  uint32_t avail;

  Layout(LogicSystem* s, int32_t p, LogicLine* l)
      : sys(s), program(p), line(l), cmd(GVLogicLineCmd(s, l)), pos(GVLogicLineNumber(p, l, s)),
        avail(GVLogicAvailableTypes(p, pos, s)) {}
  bool ok() const { return cmd != nullptr; }

  int32_t& t(int32_t a) { return line->argType[a]; }
  int32_t& r() { return line->resultType; }
  bool produced(int32_t type) const { return Has(avail, type); }
  int32_t lowest(int32_t type) { return GVLogicFirstResultVar(program, pos, type, sys); }

  void clear(int32_t a) { line->argType[a] = line->argVar[a] = 0; }
  void clearFrom(int32_t a) {
    for (; a < kLogicArgs; ++a) clear(a);
  }
  void floatConst(int32_t a) {
    line->argType[a] = FC;
    line->argVar[a] = 0;
  }
  void toVar(int32_t a, int32_t type) {
    line->argType[a] = type;
    line->argVar[a] = lowest(type);
  }
  // The next allowed type produced above, with its lowest variable; withVar
  // skips the constants.
  void step(int32_t a, bool withVar = false) {
    const uint32_t mask = cmd->argMask[a] & avail & (withVar ? kVars : ~0u);
    GVLogicCycleSlotType(line->argType[a], mask, sys, program, pos, line->argVar[a]);
  }
  // The slot holds one of the types (allowed and available): a constant or
  // a variable produced above.
  void set(int32_t a, uint32_t types) {
    const uint32_t mask = types & cmd->argMask[a] & avail;
    int32_t& type = line->argType[a];
    if (type && !Has(mask, type)) clear(a);
    GVLogicSetSlotConst(sys, program, pos, type, mask, line->argVar[a]);
  }
  // The result steps to the next allowed type whose variables can be read
  // above (vectors and matrices only when produced), with a variable.
  void stepResult() {
    const uint32_t mask = cmd->resultMask & ~((kLogicVec | kLogicMat) & ~avail);
    GVLogicCycleSlotType(line->resultType, mask, sys, program, 0, line->resultVar);
    if (Has(kVars, line->resultType) && line->resultVar == 0) line->resultVar = 1;
  }
  // Cuts the arguments from `from` on at their first gap; the number kept.
  int32_t cutAtGap(int32_t from) {
    for (int32_t a = from; a < kLogicArgs; ++a)
      if (t(a) == 0) {
        clearFrom(a);
        return a;
      }
    return kLogicArgs;
  }
  // Arguments from `from` on that hold a vector, matrix or axes become floats.
  void bigToFloat(int32_t from) {
    for (int32_t a = from; a < kLogicArgs; ++a)
      if (IsBig(t(a))) floatConst(a);
  }
};

}  // namespace

void GVLogicSetupEquSlots(LogicSystem* sys, int32_t program, LogicLine* line) {
  Layout L(sys, program, line);
  if (!L.ok()) return;
  L.clear(3);
  L.clear(4);
  if (L.t(0) == 0 || L.t(1) == 0) L.clearFrom(1);  // cut at the first gap
  if (L.r() == 0) {
    L.r() = GVLogicNextType(0, L.cmd->resultMask);
    line->resultVar = L.lowest(L.r());
  }
  if (L.r() != PP && L.r() != I && L.t(0) == PP) L.step(0);
  switch (L.r()) {
    case PP:
      L.set(0, PP | I | FC);
      L.clearFrom(1);
      break;
    case I:
    case F:
      if (IsBig(L.t(0))) L.floatConst(0);
      L.set(0, kScalar);
      L.clearFrom(1);
      break;
    case V:
      if (L.t(0) == PP) {
        L.set(0, ~0u);
      } else if (L.t(0) == V) {
        L.clearFrom(1);
      } else if (L.t(0) == M) {
        L.step(0);
        L.clearFrom(1);
      } else if (L.t(0) == AX) {
        L.set(0, AX);
        L.clearFrom(1);
      } else if (IsScalar(L.t(0))) {
        // A vector from three scalars.
        for (int32_t a = 1; a <= 2; ++a) {
          if (L.t(a) == 0) {
            L.t(a) = L.t(0);
            line->argVar[a] = line->argVar[0];
          } else if (!IsScalar(L.t(a))) {
            L.floatConst(a);
          }
        }
        L.clear(3);
      }
      break;
    case M:
      if (L.t(0) == I || L.t(0) == F) L.step(0);
      if (L.t(0) == 0 || (Has(kVars, L.t(0)) && line->argVar[0] == 0)) L.floatConst(0);
      L.set(0, V | M | AX | FC);
      if (L.t(0) == FC || L.t(0) == M || L.t(0) == AX) L.clearFrom(1);
      if (L.t(0) == V)  // a matrix from three column vectors
        for (int32_t a = 0; a <= 2; ++a) L.toVar(a, V);
      break;
    case AX:
      if (L.t(0) == 0 || (Has(kVars, L.t(0)) && line->argVar[0] == 0)) L.floatConst(0);
      if (L.t(0) == I || L.t(0) == F) L.step(0);
      if (L.t(0) == FC || L.t(0) == M || L.t(0) == AX) L.clearFrom(1);
      L.set(0, V | M | AX | FC);
      if (L.t(0) == V) {  // the origin, then the orientation
        if (L.t(1) != 0) {
          if (L.lowest(M)) L.set(1, M);
          else L.clear(1);
        }
        L.clearFrom(2);
      }
      break;
    default:
      break;
  }
}

void GVLogicSetupAddSlots(LogicSystem* sys, int32_t program, LogicLine* line) {
  Layout L(sys, program, line);
  if (!L.ok()) return;
  const int32_t k = L.cutAtGap(2);
  if ((L.r() == V || L.r() == M) && !L.produced(L.r())) L.stepResult();
  const int32_t r = L.r();
  for (int32_t a = 0; a < k; ++a) {
    if (IsScalar(r) && !IsScalar(L.t(a))) L.floatConst(a);
    else if (r && !IsScalar(r) && L.t(a) != r) L.toVar(a, r);
  }
}

void GVLogicSetupMulSlots(LogicSystem* sys, int32_t program, LogicLine* line) {
  Layout L(sys, program, line);
  if (!L.ok()) return;
  if (L.t(0) == 0 || L.t(1) == 0) L.clearFrom(2);
  else L.cutAtGap(2);
  if (L.r() == 0 || line->resultVar == 0) {
    L.r() = I;
    line->resultVar = 1;
  }
  if (L.r() == V && !L.produced(V)) L.stepResult();
  if (L.r() == M && !L.produced(M)) L.r() = I;
  if (IsScalar(L.r())) {
    if (L.t(0) == M || L.t(0) == AX) L.step(0);
    if (IsScalar(L.t(0))) {  // a product of scalars
      L.set(0, kScalar);
      L.bigToFloat(1);
    } else if (L.t(0) == V) {  // a dot product
      if (L.t(1) != V) L.toVar(1, V);
      L.clearFrom(2);
    }
  } else if (L.r() == V) {
    if (IsScalar(L.t(0))) L.step(0, true);
    if (L.t(0) == V) {
      if (IsScalar(L.t(1))) {  // a scaled vector
        L.set(1, kScalar);
        L.bigToFloat(2);
      } else if (L.t(1) == V || L.t(1) == M) {  // a cross product, or a vector times a matrix
        L.set(1, V | M);
        L.clearFrom(2);
      }
    } else if (L.t(0) == M) {  // a matrix times a vector
      if (L.t(1) != V) L.toVar(1, V);
      L.clearFrom(2);
    }
  } else if (L.r() == M) {
    if (L.t(0) == I || L.t(0) == F || L.t(0) == V || L.t(0) == FC) L.step(0, true);
    if (L.t(0) == M) {
      if (IsScalar(L.t(1))) {
        L.set(1, kScalar);
        L.bigToFloat(2);
      } else if (L.t(1) == V) {
        L.step(1, true);
        L.clearFrom(2);
      } else if (L.t(1) == M) {  // a matrix product
        L.set(1, M);
        L.clearFrom(2);
      }
    }
  }
}

void GVLogicSetupDivSlots(LogicSystem* sys, int32_t program, LogicLine* line) {
  Layout L(sys, program, line);
  if (!L.ok()) return;
  if (L.t(0) == 0 || L.t(1) == 0) L.clearFrom(2);
  else L.cutAtGap(2);
  if (L.r() && !IsScalar(L.r()) && !L.produced(L.r())) L.stepResult();
  L.bigToFloat(1);  // a divisor is a scalar
  const int32_t r = L.r();
  const bool match = IsScalar(r) ? IsScalar(L.t(0)) : L.t(0) == r;
  if (!match) L.step(0);
}

void GVLogicSetupClipSlots(LogicSystem* sys, int32_t program, LogicLine* line) {
  Layout L(sys, program, line);
  if (!L.ok()) return;
  if (L.t(1) == V) L.floatConst(1);  // the bound is a scalar
  const int32_t r = L.r();
  if (IsScalar(r) && !IsScalar(L.t(0))) L.step(0);
  else if (r == V && L.t(0) != V) L.step(0);
}

void GVLogicSetupRotMtxSlots(LogicSystem* sys, int32_t program, LogicLine* line) {
  Layout L(sys, program, line);
  if (!L.ok()) return;
  if (L.t(0) == V) {  // a rotation vector
    L.clearFrom(1);
  } else if (IsScalar(L.t(0))) {  // three angles
    for (int32_t a = 1; a <= 2; ++a)
      if (!IsScalar(L.t(a))) L.floatConst(a);
    L.clearFrom(3);
  }
}

void GVLogicSetupNormSlots(LogicSystem* sys, int32_t program, LogicLine* line) {
  Layout L(sys, program, line);
  if (!L.ok()) return;
  if ((L.r() == V || L.r() == M) && !L.produced(L.r())) L.stepResult();
  const int32_t r = L.r();
  if (IsScalar(r)) {  // the length
    L.set(0, ~0u);
  } else if ((r == V || r == M) && L.t(0) != r) {
    L.step(0);
    L.set(0, ~0u);
  }
}

void GVLogicSetupCompSlots(LogicSystem* sys, int32_t program, LogicLine* line) {
  Layout L(sys, program, line);
  if (!L.ok()) return;
  // A component of a vector, or a column of a matrix.
  const uint32_t results = L.cmd->resultMask & ((L.produced(V) ? I | F : 0u) | (L.produced(M) ? V : 0u));
  if (!Has(results, L.r())) {
    GVLogicCycleSlotType(line->resultType, results, sys, program, 0, line->resultVar);
    if (Has(kVars, L.r()) && line->resultVar == 0) line->resultVar = 1;
  }
  const int32_t r = L.r();
  const int32_t need = IsScalar(r) ? V : r == V ? M : 0;
  if (need && L.t(0) != need) {
    L.step(0);
    L.set(0, ~0u);
    L.t(1) = kLogicIntConst;
    line->argVar[1] = 0;
  }
}

void GVLogicSetupVecArgSlots(LogicSystem* sys, int32_t program, LogicLine* line, bool floatZero) {
  Layout L(sys, program, line);
  if (!L.ok()) return;
  const uint32_t axes = line->flags & (kLineComponentX | kLineComponentY | kLineComponentZ);
  const int32_t c = (axes & 2 ? 1 : 0) + (axes & 4 ? 1 : 0) + (axes & 8 ? 1 : 0);
  // A single float takes exactly one component.
  if (c != 1 && L.t(2) == F) {
    L.step(2);
    L.set(2, ~0u);
  }
  if ((L.t(2) == F || L.t(2) == V) && !L.produced(L.t(2))) {
    L.step(2);
    L.set(2, ~0u);
  }
  if (floatZero && L.t(2) == F && !L.produced(F)) {
    L.floatConst(2);
    line->argFloat[2] = 0.0f;
  }
}
