// Categories 3 (TRIG) and 4 (VECTOR): trigonometry in degrees or, with line
// bit 16, radians; pi and the angle conversions; norms, components, matrix
// inverse, transpose, rotation matrices, rotation by a matrix, and points and
// orientations carried between a local frame (an AX variable) and the world.
//
// Matrices are nine floats in three rows. A vector v turned by a matrix M is
// the row vector v times M; a frame (O, M) takes a local point p to p M + O
// and a local orientation R to R M.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

enum : int32_t {
  kTrigCos = 0,
  kTrigSin = 1,
  kTrigTan = 2,
  kTrigAcos = 3,
  kTrigAsin = 4,
  kTrigAtan = 5,
  kTrigPi = 6,
  kTrigDeg = 7,
  kTrigRad = 8,
};
enum : int32_t {
  kVecNorm = 0,
  kVecCompnt = 1,
  kVecInvMtx = 2,
  kVecTranspose = 3,
  kVecRotMtx = 4,
  kVecRotByMtx = 5,
  kVecLocalToWorld = 6,
  kVecWorldToLocal = 7,
};

// Line bit of the angle commands: angles in radians.
constexpr uint32_t kLineRadians = 16;
constexpr float kLogicDegToRad = 0.01745329238474369f;
constexpr float kLogicRadToDeg = 57.2957763671875f;
constexpr float kLogicPi = 3.1415927f;

void GVBuildTrigCmds(LogicSystem* sys);
void GVBuildVectorCmds(LogicSystem* sys);

// TRIG: the f result of the line's argument (absent: 1 for COS and ACOS,
// else 0).
int32_t GVCmdCos(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdSin(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdTan(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdAcos(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdAsin(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdAtan(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdPi(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdDeg(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdRad(int32_t program, LogicLine* line, LogicSystem* sys);

// VECTOR. A missing argument of the needed kind, or a result of another
// kind, writes nothing.
// |f|, a vector's length or |det| into f; the unit vector; the matrix scaled
// to unit volume (a singular one unchanged).
int32_t GVCmdNorm(int32_t program, LogicLine* line, LogicSystem* sys);
// Component c (integer constant 1..3) of a vector into f (0 for another c);
// row c of a matrix into v (nothing for another c).
int32_t GVCmdCompnt(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdInvMtx(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdTranspose(int32_t program, LogicLine* line, LogicSystem* sys);
// The rotation about R / |R| by |R| for a rotation vector R (a v variable or
// up to three angles).
int32_t GVCmdRotMtx(int32_t program, LogicLine* line, LogicSystem* sys);
// v times M, or the product of two matrices.
int32_t GVCmdRotByMtx(int32_t program, LogicLine* line, LogicSystem* sys);
int32_t GVCmdLocalToWorld(int32_t program, LogicLine* line, LogicSystem* sys);
// The inverse of GVCmdLocalToWorld for the same frame.
int32_t GVCmdWorldToLocal(int32_t program, LogicLine* line, LogicSystem* sys);
