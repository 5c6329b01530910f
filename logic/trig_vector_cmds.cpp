#include "logic/trig_vector_cmds.h"

#include <cmath>

#include "jel/vector_math.h"
#include "logic/cmd_operands.h"
#include "logic/command_args.h"
#include "logic/program_store.h"

namespace {

using Operands = LogicLineOperands;

bool IsVec(const LogicOperand& x) { return x.type == kLogicVec; }
bool IsMat(const LogicOperand& x) { return x.type == kLogicMat; }
bool IsAxes(const LogicOperand& x) { return x.type == kLogicAxes; }

// ---- TRIG ----

enum class AngleUse { None, In, Out };

// The f result of fn applied to the argument (or `absent`); angles going in
// or coming out are converted from or to degrees unless the line says
// radians.
int32_t Trig(int32_t program, LogicLine* line, LogicSystem* sys, float absent, AngleUse use, float (*fn)(float)) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o) || o.r.type != kLogicFloat) return 0;
  float x = GVLogicIsScalar(o.a[0]) ? static_cast<float>(GVLogicScalarValue(o.a[0])) : absent;
  const bool degrees = !(line->flags & kLineRadians);
  if (use == AngleUse::In && degrees) x *= kLogicDegToRad;
  float y = fn(x);
  if (use == AngleUse::Out && degrees) y *= kLogicRadToDeg;
  *o.r.fp = y;
  return 0;
}

}  // namespace

int32_t GVCmdCos(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Trig(program, line, sys, 1.0f, AngleUse::In, [](float x) { return std::cos(x); });
}
int32_t GVCmdSin(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Trig(program, line, sys, 0.0f, AngleUse::In, [](float x) { return std::sin(x); });
}
int32_t GVCmdTan(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Trig(program, line, sys, 0.0f, AngleUse::In, [](float x) { return std::tan(x); });
}
int32_t GVCmdAcos(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Trig(program, line, sys, 1.0f, AngleUse::Out, [](float x) { return std::acos(x); });
}
int32_t GVCmdAsin(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Trig(program, line, sys, 0.0f, AngleUse::Out, [](float x) { return std::asin(x); });
}
int32_t GVCmdAtan(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Trig(program, line, sys, 0.0f, AngleUse::Out, [](float x) { return std::atan(x); });
}
int32_t GVCmdPi(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Trig(program, line, sys, 0.0f, AngleUse::None, [](float) { return kLogicPi; });
}
int32_t GVCmdDeg(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Trig(program, line, sys, 0.0f, AngleUse::None, [](float x) { return x * kLogicRadToDeg; });
}
int32_t GVCmdRad(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Trig(program, line, sys, 0.0f, AngleUse::None, [](float x) { return x * kLogicDegToRad; });
}

// ---- VECTOR ----

int32_t GVCmdNorm(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o)) return 0;
  const LogicOperand &r = o.r, &x = o.a[0];
  if (r.type == kLogicFloat) {
    if (x.type == kLogicFloat) *r.fp = std::fabs(*x.fp);
    else if (IsVec(x)) *r.fp = GVVecLength(x.vec);
    else if (IsMat(x)) *r.fp = GVMat3AbsDet(x.mat);
  } else if (IsVec(r) && IsVec(x)) {
    GVVecNormalise(x.vec, r.vec);
  } else if (IsMat(r) && IsMat(x)) {
    if (GVMat3AbsDet(x.mat) == 0.0f) GVMat3Copy(r.mat, x.mat);
    else GVMat3UnitVolume(x.mat, r.mat);
  }
  return 0;
}

int32_t GVCmdCompnt(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o) || o.a[1].type != kLogicIntConst) return 0;
  const int32_t c = o.a[1].ic;
  const bool inRange = c >= 1 && c <= 3;
  if (o.r.type == kLogicFloat && IsVec(o.a[0])) *o.r.fp = inRange ? o.a[0].vec[c - 1] : 0.0f;
  else if (IsVec(o.r) && IsMat(o.a[0]) && inRange) GVVec3Copy(o.r.vec, o.a[0].mat + 3 * (c - 1));
  return 0;
}

int32_t GVCmdInvMtx(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (GVLogicLoadOperands(sys, program, line, &o) && IsMat(o.r) && IsMat(o.a[0]))
    GVMat3InvertChecked(o.a[0].mat, o.r.mat);
  return 0;
}

int32_t GVCmdTranspose(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (GVLogicLoadOperands(sys, program, line, &o) && IsMat(o.r) && IsMat(o.a[0]))
    GVMat3Transpose(o.r.mat, o.a[0].mat);
  return 0;
}

int32_t GVCmdRotMtx(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o) || !IsMat(o.r)) return 0;
  float rv[3] = {0.0f, 0.0f, 0.0f};
  if (IsVec(o.a[0])) {
    GVVec3Copy(rv, o.a[0].vec);
  } else if (!GVLogicIsScalar(o.a[0])) {
    return 0;
  } else {
    for (int k = 0; k < 3; ++k)
      if (GVLogicIsScalar(o.a[k])) rv[k] = static_cast<float>(GVLogicScalarValue(o.a[k]));
  }
  if (!(line->flags & kLineRadians))
    for (float& c : rv) c *= kLogicDegToRad;
  GVMat3FromRotVector(rv, o.r.mat);
  return 0;
}

int32_t GVCmdRotByMtx(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o) || !IsMat(o.a[1])) return 0;
  if (IsVec(o.r) && IsVec(o.a[0])) GVMat3MulVec(o.r.vec, o.a[1].mat, o.a[0].vec);
  else if (IsMat(o.r) && IsMat(o.a[0])) GVMat3Mul(o.r.mat, o.a[0].mat, o.a[1].mat);
  return 0;
}

// Carries the first argument through the frame (O, M) of the AX second
// argument: points as p M + O (or (p - O) M^-1 towards local), orientations
// as R M (or R M^-1). The vector part moves when the result and the first
// argument both have one, the matrix part likewise; everything is read
// before anything is written, so the result may be either argument.
static int32_t Transform(int32_t program, LogicLine* line, LogicSystem* sys, bool toLocal) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o) || !IsAxes(o.a[1])) return 0;
  const LogicOperand &r = o.r, &x = o.a[0];
  float frame[9];
  if (toLocal) GVMat3InvertTo(o.a[1].mat, frame);
  else GVMat3Copy(frame, o.a[1].mat);
  const bool point = (IsVec(r) || IsAxes(r)) && (IsVec(x) || IsAxes(x));
  const bool turn = (IsMat(r) || IsAxes(r)) && (IsMat(x) || IsAxes(x));
  float p[3], m[9];
  if (point) {
    if (toLocal) GVMat3MulVec(p, frame, GVVecSub(p, x.vec, o.a[1].vec));
    else GVVec3AddTo(GVMat3MulVec(p, frame, x.vec), o.a[1].vec, p);
  }
  if (turn) GVMat3Mul(m, x.mat, frame);
  if (point) GVVec3Copy(r.vec, p);
  if (turn) GVMat3Copy(r.mat, m);
  return 0;
}

int32_t GVCmdLocalToWorld(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Transform(program, line, sys, false);
}
int32_t GVCmdWorldToLocal(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Transform(program, line, sys, true);
}

// ---- the catalogue ----

void GVBuildTrigCmds(LogicSystem* sys) {
  constexpr uint32_t N = kLogicNone, F = kLogicFloat;
  constexpr uint32_t kNumber = kLogicInt | kLogicFloat | kLogicFloatConst;
  constexpr uint32_t R = kLogicOptRadians;
  static const LogicCmdRow kRows[9] = {
      {"COS", "cmd_cos", R, 0, GVCmdCos, F, {kNumber, N, N, N, N}},
      {"SIN", "cmd_sin", R, 0, GVCmdSin, F, {kNumber, N, N, N, N}},
      {"TAN", "cmd_tan", R, 0, GVCmdTan, F, {kNumber, N, N, N, N}},
      {"ACOS", "cmd_acos", R, 0, GVCmdAcos, F, {kNumber, N, N, N, N}},
      {"ASIN", "cmd_asin", R, 0, GVCmdAsin, F, {kNumber, N, N, N, N}},
      {"ATAN", "cmd_atan", R, 0, GVCmdAtan, F, {kNumber, N, N, N, N}},
      {"PI", "cmd_pi", 0, 0, GVCmdPi, F, {N, N, N, N, N}},
      {"DEG", "cmd_deg", 0, 0, GVCmdDeg, F, {kNumber, N, N, N, N}},
      {"RAD", "cmd_rad", 0, 0, GVCmdRad, F, {kNumber, N, N, N, N}},
  };
  if (LogicCmd* c = GVLogicBeginCategory(sys, kLogicTrig, 9)) GVLogicFillCmds(c, kRows, 9, 9, 9);
}

void GVBuildVectorCmds(LogicSystem* sys) {
  constexpr uint32_t N = kLogicNone, I = kLogicInt, F = kLogicFloat, V = kLogicVec, M = kLogicMat, AX = kLogicAxes,
                     IC = kLogicIntConst, FC = kLogicFloatConst;
  static const LogicCmdRow kRows[8] = {
      {"NORM", "cmd_norm", 0, 7, GVCmdNorm, F | V | M, {F | V | M, N, N, N, N}},
      {"COMPNT", "cmd_comp", 0, 8, GVCmdCompnt, F | V, {V | M, I | IC, N, N, N}},
      {"INV_MTX", "cmd_invm", 0, 0, GVCmdInvMtx, M, {M, N, N, N, N}},
      {"TRANSPOSE", "cmd_transp", 0, 0, GVCmdTranspose, M, {M, N, N, N, N}},
      {"ROT_MTX", "cmd_rotmtx", kLogicOptRadians, 6, GVCmdRotMtx, M, {I | F | V | FC, N | I | F | FC, N | I | F | FC, N, N}},
      {"ROT_by_MTX", "cmd_rotbymtx", 0, 0, GVCmdRotByMtx, V | M, {V | M, M, N, N, N}},
      {"TF_L_to_W", "cmd_ltow", 0, 0, GVCmdLocalToWorld, V | M | AX, {V | M | AX, AX, N, N, N}},
      {"TF_W_to_L", "cmd_wtol", 0, 0, GVCmdWorldToLocal, V | M | AX, {V | M | AX, AX, N, N, N}},
  };
  LogicCmd* c = GVLogicBeginCategory(sys, kLogicVector, 8);
  if (!c) return;
  GVLogicFillCmds(c, kRows, 8, 1, 8);
  c[kVecTranspose].infix = "";  // one argument, like NORM
}
