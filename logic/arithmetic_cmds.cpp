#include "logic/arithmetic_cmds.h"

#include <cmath>

#include "jel/vector_math.h"
#include "logic/cmd_operands.h"
#include "logic/command_args.h"
#include "logic/logic_numbers.h"
#include "logic/program_store.h"
#include "logic/random_table.h"
#include "scene/scene_access.h"

namespace {

using Operands = LogicLineOperands;

bool IsVec(const LogicOperand& x) { return x.type == kLogicVec; }
bool IsMat(const LogicOperand& x) { return x.type == kLogicMat; }
bool IsScalarResult(const LogicOperand& r) { return r.type == kLogicInt || r.type == kLogicFloat; }

// A scalar argument as an integer: integers as they are, floats truncated;
// anything else gives the default.
int32_t IntOf(const LogicOperand& x, int32_t absent) {
  if (GVLogicIsIntKind(x)) return x.type == kLogicInt ? *x.ip : x.ic;
  if (GVLogicIsScalar(x)) return GVLogicTruncInt(GVLogicScalarValue(x));
  return absent;
}

float FloatOf(const LogicOperand& x, float absent = 0.0f) {
  return GVLogicIsScalar(x) ? static_cast<float>(GVLogicScalarValue(x)) : absent;
}

// The frame the commands count with: the world's, one on at the last sub-step.
int32_t FrameOf(LogicSystem* sys, int32_t noWorld) {
  return GVLogicWorld(sys) ? GVCurrentFrame(sys->world) : noWorld;
}

void Put3(float* out, float x, float y, float z) {
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

}  // namespace

// ---- = ----

int32_t GVCmdEqu(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o)) return 0;
  const LogicOperand& r = o.r;
  const LogicOperand& x = o.a[0];
  switch (r.type) {
    case kLogicPP: {
      int32_t v = 0;
      if (x.type == kLogicPP || x.type == kLogicInt) v = *x.ip;
      else if (x.type == kLogicFloatConst) v = GVLogicTruncInt(x.fc);
      *r.ip = v != 0 ? 1 : 0;
      break;
    }
    case kLogicInt:
      *r.ip = (x.type == kLogicPP || x.type == kLogicInt) ? *x.ip
              : (x.type == kLogicFloat || x.type == kLogicFloatConst) ? GVLogicTruncInt(GVLogicScalarValue(x))
                                                                       : 0;
      break;
    case kLogicFloat:
      *r.fp = (x.type == kLogicInt || x.type == kLogicFloat || x.type == kLogicFloatConst)
                  ? static_cast<float>(GVLogicScalarValue(x))
                  : 0.0f;
      break;
    case kLogicVec:
      if (x.type == kLogicVec || x.type == kLogicAxes) GVVec3Copy(r.vec, x.vec);
      else if (GVLogicIsScalar(x)) Put3(r.vec, FloatOf(x), FloatOf(o.a[1]), FloatOf(o.a[2]));
      break;
    case kLogicMat:
      if (x.type == kLogicMat || x.type == kLogicAxes) {
        GVMat3Copy(r.mat, x.mat);
      } else if (IsVec(x) && IsVec(o.a[1]) && IsVec(o.a[2])) {
        float m[9];
        for (int k = 0; k < 3; ++k) GVVec3Copy(m + 3 * k, o.a[k].vec);
        GVMat3Copy(r.mat, m);
      } else {
        GVMat3Identity(r.mat);
      }
      break;
    case kLogicAxes:
      if (x.type == kLogicFloatConst) {
        Put3(r.vec, 0.0f, 0.0f, 0.0f);
        GVMat3Identity(r.mat);
      } else if (IsVec(x)) {
        GVVec3Copy(r.vec, x.vec);
        if (IsMat(o.a[1])) GVMat3Copy(r.mat, o.a[1].mat);
        else GVMat3Identity(r.mat);
      } else if (IsMat(x)) {
        GVMat3Copy(r.mat, x.mat);
      } else if (x.type == kLogicAxes) {
        GVVec3Copy(r.vec, x.vec);
        GVMat3Copy(r.mat, x.mat);
      }
      break;
    default:
      break;
  }
  return 0;
}

// ---- + and - ----

int32_t GVCmdAddSub(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o)) return 0;
  const LogicOperand& r = o.r;
  const LogicOperand& first = o.a[0];
  if (!r.type || !first.type) return 0;
  const bool minus = line->command == kArSub;
  if (IsScalarResult(r) && GVLogicIsScalar(first)) {
    int32_t isum = 0;
    double fsum = 0.0;
    for (int a = 1; a < kLogicArgs; ++a) {
      const LogicOperand& x = o.a[a];
      if (GVLogicIsIntKind(x)) isum = GVLogicWrapAdd(isum, IntOf(x, 0));
      else if (GVLogicIsScalar(x)) fsum += static_cast<float>(GVLogicScalarValue(x));
    }
    if (minus) {
      isum = GVLogicWrapNeg(isum);
      fsum = -fsum;
    }
    if (r.type == kLogicInt) *r.ip = GVLogicWrapAdd(GVLogicTruncInt(isum + fsum), IntOf(first, 0));
    else *r.fp = static_cast<float>(isum + fsum + GVLogicScalarValue(first));
  } else if (IsVec(r) && IsVec(first) && IsVec(o.a[1])) {
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (int a = 1; a < kLogicArgs; ++a)
      if (IsVec(o.a[a])) GVVec3AddTo(sum, o.a[a].vec, sum);
    for (int k = 0; k < 3; ++k) r.vec[k] = minus ? first.vec[k] - sum[k] : first.vec[k] + sum[k];
  } else if (IsMat(r) && IsMat(first)) {
    float sum[9] = {};
    for (int a = 1; a < kLogicArgs; ++a)
      if (IsMat(o.a[a])) GVMat3AddTo(sum, o.a[a].mat, sum);
    for (int k = 0; k < 9; ++k) r.mat[k] = minus ? first.mat[k] - sum[k] : first.mat[k] + sum[k];
  }
  return 0;
}

// ---- x ----

int32_t GVCmdMul(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o)) return 0;
  const LogicOperand& r = o.r;
  const LogicOperand& first = o.a[0];
  const LogicOperand& second = o.a[1];
  // The scalar factors: from the first argument when it is a number, else
  // from the second on.
  int32_t iprod = 1;
  double fprod = 1.0;
  for (int a = GVLogicIsScalar(first) ? 0 : 1; a < kLogicArgs; ++a) {
    const LogicOperand& x = o.a[a];
    if (GVLogicIsIntKind(x)) iprod = GVLogicWrapMul(iprod, IntOf(x, 1));
    else if (GVLogicIsScalar(x)) fprod = static_cast<float>(fprod * GVLogicScalarValue(x));
  }
  const double p = iprod * fprod;
  switch (r.type) {
    case kLogicInt:
      if (GVLogicIsScalar(first)) *r.ip = GVLogicTruncInt(p);
      break;
    case kLogicFloat:
      if (GVLogicIsScalar(first)) *r.fp = static_cast<float>(p);
      else if (IsVec(first) && IsVec(second)) *r.fp = GVVecDot(first.vec, second.vec);
      break;
    case kLogicVec:
      if (IsVec(first) && IsVec(second)) GVVecCross(r.vec, first.vec, second.vec);
      else if (IsVec(first) && IsMat(second)) GVMat3MulVec(r.vec, second.mat, first.vec);
      else if (IsVec(first)) GVVecScale(r.vec, first.vec, static_cast<float>(p));
      else if (IsMat(first) && IsVec(second)) GVMat3RowMulVec(r.vec, first.mat, second.vec);
      break;
    case kLogicMat:
      if (IsMat(first) && IsMat(second)) GVMat3Mul(r.mat, first.mat, second.mat);
      else if (IsMat(first)) GVMat3Scale(r.mat, first.mat, static_cast<float>(p));
      break;
    default:
      break;
  }
  return 0;
}

// ---- / ----

int32_t GVCmdDiv(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o)) return 0;
  const LogicOperand& r = o.r;
  const LogicOperand& first = o.a[0];
  const LogicOperand& divisor = o.a[1];
  if (!r.type || (divisor.type && !GVLogicIsScalar(divisor))) return 0;
  float d = FloatOf(divisor, 1.0f);
  if (std::fabs(d) < 1e-30f) d = 1e-30f;
  const float q = 1.0f / d;
  if (IsScalarResult(r) && GVLogicIsScalar(first)) GVLogicPutScalar(r, GVLogicScalarValue(first) * q);
  else if (IsVec(r) && IsVec(first)) GVVecScale(r.vec, first.vec, q);
  else if (IsMat(r) && IsMat(first)) GVMat3Scale(r.mat, first.mat, q);
  return 0;
}

// ---- MOD, SQRT, EXP, LOG ----

int32_t GVCmdMod(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o) || !IsScalarResult(o.r)) return 0;
  const int32_t a = IntOf(o.a[0], 1);
  const int32_t b = IntOf(o.a[1], 1);
  GVLogicPutScalar(o.r, b >= 1 ? a % b : 0);
  return 0;
}

// The f result of a function of one number (0 when absent).
static int32_t Unary(int32_t program, LogicLine* line, LogicSystem* sys, float (*fn)(float)) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o) || o.r.type != kLogicFloat) return 0;
  *o.r.fp = fn(FloatOf(o.a[0]));
  return 0;
}

int32_t GVCmdSqrt(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Unary(program, line, sys, [](float x) { return x <= 0.0f ? 0.0f : std::sqrt(x); });
}
int32_t GVCmdExp(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Unary(program, line, sys, [](float x) { return std::exp(x); });
}
int32_t GVCmdLog(int32_t program, LogicLine* line, LogicSystem* sys) {
  return Unary(program, line, sys, [](float x) { return x <= 0.0f ? 0.0f : std::log(x); });
}

// ---- RANDOM, RANGE_IN, RANGE_OUT ----

int32_t GVCmdRandom(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o)) return 0;
  const int32_t i = GVLogicIsScalar(o.a[0]) ? IntOf(o.a[0], 0) : FrameOf(sys, 1);
  const int32_t n = IntOf(o.a[1], 1000);
  if (o.r.type == kLogicInt) *o.r.ip = GVSeededRandomInt(i, n, 1);
  else if (o.r.type == kLogicFloat) *o.r.fp = GVSharedRandomValue(i);
  return 0;
}

int32_t GVCmdRangeIn(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o) || o.r.type != kLogicFloat) return 0;
  const float lo = FloatOf(o.a[0]), x = FloatOf(o.a[1]), hi = FloatOf(o.a[2]);
  *o.r.fp = hi == lo ? 0.0f : (x - lo) / (hi - lo);
  return 0;
}

int32_t GVCmdRangeOut(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o)) return 0;
  const LogicOperand &a = o.a[0], &b = o.a[2];
  const float t = FloatOf(o.a[1]);
  if (o.r.type == kLogicFloat) {
    const float fa = FloatOf(a), fb = FloatOf(b);
    *o.r.fp = fa + (fb - fa) * t;
  } else if (IsVec(o.r)) {
    // A number at either end counts as the zero vector.
    for (int k = 0; k < 3; ++k) {
      const float ak = IsVec(a) ? a.vec[k] : 0.0f, bk = IsVec(b) ? b.vec[k] : 0.0f;
      o.r.vec[k] = ak + (bk - ak) * t;
    }
  }
  return 0;
}

// ---- PULSE_SAW, PULSE_BLK ----

namespace {

struct Pulse {
  int32_t frame, period, width;
  float jitter;
};

Pulse PulseArgs(LogicSystem* sys, const Operands& o) {
  Pulse p;
  p.frame = FrameOf(sys, 0);
  const int32_t period = IntOf(o.a[0], 0), width = IntOf(o.a[1], 0);
  p.period = period < 3 ? 3 : period;
  p.width = width < 3 ? 3 : width;
  p.jitter = FloatOf(o.a[2]);
  return p;
}

int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

// -1 when the line draws its sign and this period's draw says so, else 1.
int32_t PulseSign(const LogicLine* line, const Pulse& p) {
  if (!(line->flags & kLineRandomSign)) return 1;
  return GVSeededRandomInt(Wrap(static_cast<int64_t>(p.frame / p.period) + 1), 1, 1) == 1 ? -1 : 1;
}

}  // namespace

int32_t GVCmdPulseSaw(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o) || o.r.type != kLogicFloat) return 0;
  const Pulse p = PulseArgs(sys, o);
  const int32_t teeth = GVLogicIsIntKind(o.a[3]) ? IntOf(o.a[3], 1) : 1;
  const int32_t m =
      teeth > 1 ? GVSeededRandomInt(Wrap(static_cast<int64_t>(p.frame / p.period) + p.period + p.width + 8), teeth, 0)
                : 1;
  const int64_t start = GVPulseStart(p.frame, p.width, p.period, m, p.jitter);
  *o.r.fp = GVPulseSawValue(p.frame, start, p.width, m) * static_cast<float>(PulseSign(line, p));
  return 0;
}

int32_t GVCmdPulseBlk(int32_t program, LogicLine* line, LogicSystem* sys) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o)) return 0;
  const Pulse p = PulseArgs(sys, o);
  const int64_t d = p.frame - GVPulseStart(p.frame, p.width, p.period, 1, p.jitter);
  const bool on = d >= 0 && d <= p.width - 1;
  const int32_t sign = PulseSign(line, p);
  if (o.r.type == kLogicPP) *o.r.ip = on ? 1 : 0;
  else if (o.r.type == kLogicInt) *o.r.ip = on ? sign : 0;
  else if (o.r.type == kLogicFloat) *o.r.fp = on ? static_cast<float>(sign) : 0.0f;
  return 0;
}

// ---- CLIP_L, CLIP_U ----

static int32_t Clip(int32_t program, LogicLine* line, LogicSystem* sys, bool lower) {
  Operands o;
  if (!GVLogicLoadOperands(sys, program, line, &o)) return 0;
  const LogicOperand &r = o.r, &x = o.a[0], &bound = o.a[1];
  if (!r.type || r.type != x.type) return 0;
  if (r.type == kLogicInt) {
    const int32_t a = *x.ip, b = IntOf(bound, 0);
    *r.ip = lower ? (a > b ? a : b) : (a < b ? a : b);
  } else if (r.type == kLogicFloat) {
    // As the vector clips: the bound wins unless the value passes it.
    const float a = *x.fp, b = FloatOf(bound);
    *r.fp = lower ? (a > b ? a : b) : (a < b ? a : b);
  } else if (IsVec(r) && IsVec(bound)) {
    (lower ? GVLogicVecMax : GVLogicVecMin)(x.vec, bound.vec, r.vec);
  } else if (IsVec(r)) {
    (lower ? GVLogicVecMaxScalar : GVLogicVecMinScalar)(x.vec, r.vec, FloatOf(bound));
  }
  return 0;
}

int32_t GVCmdClipL(int32_t program, LogicLine* line, LogicSystem* sys) { return Clip(program, line, sys, true); }
int32_t GVCmdClipU(int32_t program, LogicLine* line, LogicSystem* sys) { return Clip(program, line, sys, false); }

// ---- the catalogue ----

void GVBuildArithmeticCmds(LogicSystem* sys) {
  constexpr uint32_t N = kLogicNone, PP = kLogicPP, I = kLogicInt, F = kLogicFloat, V = kLogicVec, M = kLogicMat,
                     AX = kLogicAxes, IC = kLogicIntConst, FC = kLogicFloatConst;
  constexpr uint32_t kOperand = I | F | V | M | FC;
  constexpr uint32_t kNumber = I | F | FC;
  constexpr uint32_t kAnyNumber = I | F | IC | FC;
  constexpr uint32_t kSign = kLogicOptBit800000;
  static const LogicCmdRow kRows[16] = {
      {"=", "cmd_equ", 0, 1, GVCmdEqu, PP | I | F | V | M | AX,
       {PP | I | F | V | M | AX | FC, N | kOperand, N | kOperand, N, N}},
      {"+", "cmd_add", 0, 2, GVCmdAddSub, I | F | V | M, {kOperand, kOperand, N | kOperand, N | kOperand, N | kOperand}},
      {"-", "cmd_sub", 0, 2, GVCmdAddSub, I | F | V | M, {kOperand, kOperand, N | kOperand, N | kOperand, N | kOperand}},
      {"x", "cmd_mul", 0, 3, GVCmdMul, I | F | V | M, {kOperand, kOperand, N | kOperand, N | kOperand, N | kOperand}},
      {"/", "cmd_div", 0, 4, GVCmdDiv, I | F | V | M, {kOperand, kNumber, N, N, N}},
      {"MOD", "cmd_mod", 0, 0, GVCmdMod, I | F, {kNumber, kNumber, N, N, N}},
      {"SQRT", "cmd_sqrt", 0, 0, GVCmdSqrt, F, {kNumber, N, N, N, N}},
      {"EXP", "cmd_exp", 0, 0, GVCmdExp, F, {kNumber, N, N, N, N}},
      {"LOG", "cmd_log", 0, 0, GVCmdLog, F, {kNumber, N, N, N, N}},
      {"RANDOM", "cmd_rnd", 0, 0, GVCmdRandom, I | F, {N | kAnyNumber, N | kAnyNumber, N, N, N}},
      {"RANGE_IN", "cmd_rngin", 0, 0, GVCmdRangeIn, F, {kNumber, kNumber, kNumber, N, N}},
      {"RANGE_OUT", "cmd_rngin", 0, 0, GVCmdRangeOut, F, {kNumber | V, kNumber, kNumber | V, N, N}},
      {"PULSE_SAW", "cmd_plssaw", kSign, 0, GVCmdPulseSaw, F, {kAnyNumber, kAnyNumber, kAnyNumber, N | I | IC, N}},
      {"PULSE_BLK", "cmd_plsblk", kSign, 0, GVCmdPulseBlk, PP | I | F, {kAnyNumber, kAnyNumber, N | kAnyNumber, N, N}},
      {"CLIP_L", "cmd_cliplu", 0, 5, GVCmdClipL, I | F | V, {kNumber | V, kNumber | V, N, N, N}},
      {"CLIP_U", "cmd_cliplu", 0, 5, GVCmdClipU, I | F | V, {kNumber | V, kNumber | V, N, N, N}},
  };
  // The operators show their name between the operands (no prefix); the
  // pulses have short prefixes. Null keeps the name as the prefix.
  static const char* const kTexts[16][2] = {
      {"", "  ,  "},   {"", "  +  "},  {"", "  -  "},  {"", "  x  "},          {"", "  /  "},
      {"", "  mod  "}, {nullptr, ""},  {nullptr, ""},  {nullptr, ""},          {nullptr, " , "},
      {nullptr, "  <  "}, {nullptr, "  <  "}, {"pSAW", " , "}, {"pBLK", " , "}, {nullptr, " , "},
      {nullptr, " , "},
  };
  LogicCmd* c = GVLogicBeginCategory(sys, kLogicArithmetic, 16);
  if (!c) return;
  GVLogicFillCmds(c, kRows, 16, 16, 16);
  for (int32_t k = 0; k < 16; ++k) {
    if (kTexts[k][0]) c[k].prefix = kTexts[k][0];
    c[k].infix = kTexts[k][1];
  }
}
