#include "logic/cmd_operands.h"

#include "logic/logic_numbers.h"
#include "logic/program_store.h"

static LogicOperand Resolve(LogicProgram* prog, int32_t type, int32_t k, int32_t ic, float fc) {
  LogicOperand x;
  switch (type) {
    case kLogicPP: x.ip = GVLogicPPVar(prog, k); break;
    case kLogicInt: x.ip = GVLogicIntVar(prog, k); break;
    case kLogicFloat: x.fp = GVLogicFloatVar(prog, k); break;
    case kLogicVec: x.vec = GVLogicVecVar(prog, k); break;
    case kLogicMat: x.mat = GVLogicMatVar(prog, k); break;
    case kLogicAxes:
      x.vec = GVLogicAxVecVar(prog, k);
      x.mat = GVLogicAxMatVar(prog, k);
      break;
    case kLogicIntConst: x.ic = ic; break;
    case kLogicFloatConst: x.fc = fc; break;
    default: return x;
  }
  const bool constant = type == kLogicIntConst || type == kLogicFloatConst;
  if (constant || x.ip || x.fp || x.vec || x.mat) x.type = type;
  return x;
}

LogicOperand GVLogicOperandArg(LogicProgram* prog, const LogicLine* line, int32_t a) {
  if (!line || a < 0 || a >= kLogicArgs) return LogicOperand();
  return Resolve(prog, line->argType[a], line->argVar[a], line->argInt[a], line->argFloat[a]);
}

LogicOperand GVLogicOperandResult(LogicProgram* prog, const LogicLine* line) {
  if (!line) return LogicOperand();
  const int32_t t = line->resultType;
  if (t == kLogicIntConst || t == kLogicFloatConst) return LogicOperand();
  return Resolve(prog, t, line->resultVar, 0, 0.0f);
}

bool GVLogicIsScalar(const LogicOperand& x) {
  return x.type == kLogicInt || x.type == kLogicFloat || x.type == kLogicIntConst || x.type == kLogicFloatConst;
}

bool GVLogicIsIntKind(const LogicOperand& x) { return x.type == kLogicInt || x.type == kLogicIntConst; }

double GVLogicScalarValue(const LogicOperand& x) {
  switch (x.type) {
    case kLogicPP:
    case kLogicInt: return *x.ip;
    case kLogicFloat: return *x.fp;
    case kLogicIntConst: return x.ic;
    case kLogicFloatConst: return x.fc;
    default: return 0.0;
  }
}

void GVLogicPutScalar(const LogicOperand& r, double value) {
  if (r.type == kLogicInt) *r.ip = GVLogicTruncInt(value);
  else if (r.type == kLogicFloat) *r.fp = static_cast<float>(value);
}

bool GVLogicLoadOperands(LogicSystem* sys, int32_t program, const LogicLine* line, LogicLineOperands* out) {
  if (!sys || !line) return false;
  out->prog = GVLogicProgram(sys, program);
  if (!out->prog) return false;
  out->r = GVLogicOperandResult(out->prog, line);
  for (int32_t a = 0; a < kLogicArgs; ++a) out->a[a] = GVLogicOperandArg(out->prog, line, a);
  return true;
}
