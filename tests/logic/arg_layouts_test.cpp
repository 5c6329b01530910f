#include "logic/arg_layouts.h"

#include <gtest/gtest.h>

#include "logic/dyn1_cmds.h"
#include "logic/program_store.h"
#include "logic/slot_types.h"
#include "logic/trig_vector_cmds.h"
#include "logic_fixture.h"

namespace {

constexpr int32_t kEqu = 0, kAdd = 1, kDiv = 4;
constexpr int32_t V = kLogicVec, F = kLogicFloat, FC = kLogicFloatConst, IC = kLogicIntConst, M = kLogicMat;

// A store whose first lines produce v 3 and f 1.
struct Above : LogicStore {
  Above() {
    Add(kLogicArithmetic, kEqu, VVar(3), {FConst(1), FConst(2), FConst(3)});
    Add(kLogicDyn1, kDyn1CurTime, FVar(1));
  }
  LogicLine* Setup(int32_t cat, int32_t cmd, Arg result, std::initializer_list<Arg> args, uint32_t flags = 0) {
    LogicLine* l = Add(cat, cmd, result, args, flags);
    GVLogicSetupSlots(l, &sys, 1, 1);
    return l;
  }
};

void ExpectArg(const LogicLine* l, int32_t a, int32_t type, int32_t var) {
  EXPECT_EQ(l->argType[a], type) << "argument " << a + 1;
  EXPECT_EQ(l->argVar[a], var) << "argument " << a + 1;
}

}  // namespace

TEST(ArgLayouts, OperandsFollowTheResult) {
  Above s;
  // + with a vector result produced above: both operands read it.
  LogicLine* add = s.Setup(kLogicArithmetic, kAdd, VVar(3), {FVar(1), FVar(1)});
  ExpectArg(add, 0, V, 3);
  ExpectArg(add, 1, V, 3);
  // + with a float result: a vector operand becomes a float constant.
  add = s.Setup(kLogicArithmetic, kAdd, FVar(2), {FVar(1), VVar(3), FVar(1)});
  ExpectArg(add, 1, FC, 0);
  ExpectArg(add, 2, F, 1);
  // + with a matrix result when no matrix is produced above: the result steps on.
  add = s.Setup(kLogicArithmetic, kAdd, MVar(1), {FVar(1), FVar(1)});
  EXPECT_NE(add->resultType, M);

  // A divisor is a scalar; the dividend matches the result.
  LogicLine* div = s.Setup(kLogicArithmetic, kDiv, VVar(3), {FVar(1), VVar(3)});
  ExpectArg(div, 0, V, 3);
  ExpectArg(div, 1, FC, 0);

  // "=" making a vector of three scalars fills the empty ones with the first.
  LogicLine* equ = s.Setup(kLogicArithmetic, kEqu, VVar(4), {FVar(1)});
  ExpectArg(equ, 1, F, 1);
  ExpectArg(equ, 2, F, 1);
  ExpectArg(equ, 3, 0, 0);
}

TEST(ArgLayouts, RotationComponentAndVectorArguments) {
  Above s;
  LogicLine* rot = s.Setup(kLogicVector, kVecRotMtx, MVar(1), {VVar(3), FConst(1), FConst(2)});
  ExpectArg(rot, 0, V, 3);
  for (int32_t a = 1; a < kLogicArgs; ++a) ExpectArg(rot, a, 0, 0);
  rot = s.Setup(kLogicVector, kVecRotMtx, MVar(1), {FVar(1), VVar(3)});
  ExpectArg(rot, 1, FC, 0);

  // COMPNT with a float result reads a component of a vector produced above.
  LogicLine* comp = s.Setup(kLogicVector, kVecCompnt, FVar(2), {MVar(1), IConst(1)});
  ExpectArg(comp, 0, V, 3);
  ExpectArg(comp, 1, IC, 0);

  // HPOS with two components cannot take a single float.
  LogicLine* pos = s.Setup(kLogicDyn1, kDyn1HPos, {}, {IConst(1), IConst(1), FVar(1)}, 2 | 4);
  EXPECT_NE(pos->argType[2], F);
  pos = s.Setup(kLogicDyn1, kDyn1HPos, {}, {IConst(1), IConst(1), FVar(1)}, 2);
  ExpectArg(pos, 2, F, 1);
}
