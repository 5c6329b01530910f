// The small numeric layer under the whole model: 3-vectors, 3x3 matrices,
// rotation vectors, frame-time queries over FrameParams, masked FrameParams
// copies, matrix and bounds put/get in item-stream arrays, and one- and
// two-digit number parsing.
//
// A vector is three consecutive floats; a matrix nine floats m0..m8 applied in
// the column form: element i of M*v is m_i*x + m_(i+3)*y + m_(i+6)*z, so
// (m0,m1,m2), (m3,m4,m5), (m6,m7,m8) are the images of the x, y, z axes.
// A rotation vector is axis times angle in radians (right-hand rule).
// Outputs may alias inputs only where a routine says so. Nothing here allocates
// or keeps state; no routine reports an error (zero lengths and singular
// matrices give zeros).
#pragma once

#include <cmath>

#include <cstdint>

#include "jel/frame_params.h"

struct ItemStream;

// --- vectors ---
float GVFabs(float a);
float GVSqrt(float a);
float* GVVecSub(float* out, const float* a, const float* b);        // out = a - b
// out = a * s; inline, for the collision passes' inner loops.
inline float* GVVecScale(float* out, const float* a, float s) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] * s;
  return out;
}
// Dot product, length and normalising: inline, for the per-vertex passes of
// the mesh normals.
inline float GVVecDot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline float GVVecLength(const float* a) { return std::sqrt(GVVecDot(a, a)); }
inline void GVVecNormalise(const float* in, float* out) {  // zero stays zero; may alias
  const float len = GVVecLength(in);
  const float k = len == 0.0f ? 0.0f : 1.0f / len;
  GVVecScale(out, in, k);
}
float* GVVecMulComponents(float* out, const float* a, const float* b);
void GVVec3Copy(float* out, const float* in);                        // nothing on null
const float* GVVec3AddTo(const float* a, const float* b, float* out); // nothing on null; returns a
// Zero when max or |in| is 0; in when max >= |in|; else in scaled to length max.
void GVVecClampLength(const float* in, float* out, float max);
void GVVecClampLengthTo(const float* v, float* out, const float* ref);
// The part of b that opposes a: zero unless a.b < 0; else b * min(1, -2 a.b / |b|^2).
void GVVecOpposingPart(const float* a, float* out, const float* b);

// --- matrices (every routine below may alias out with an input) ---
float* GVMat3Copy(float* out, const float* in);
void GVMat3CopyChecked(float* out, const float* in);
void GVMat3Identity(float* m);
void GVMat3ScaleInPlace(float* m, float s);
void GVMat3Scale(float* out, const float* m, float s);
const float* GVMat3AddTo(const float* a, const float* b, float* out);  // nothing on null; returns a
void GVMat3Transpose(float* out, const float* m);                       // nothing on null
// Column form; inline, for the collision passes' inner loops.
inline float* GVMat3MulVec(float* out, const float* m, const float* v) {
  const float x = v[0], y = v[1], z = v[2];
  for (int i = 0; i < 3; ++i) out[i] = m[i] * x + m[i + 3] * y + m[i + 6] * z;
  return out;
}
float* GVMat3RowMulVec(float* out, const float* m, const float* v);     // transposed
// Column form: the product applies a first and then b.
float* GVMat3Mul(float* out, const float* a, const float* b);
void GVMat3MulTo(const float* a, const float* b, float* out);          // nothing on null
// out_(3r+c) = sum_k a_(3r+k) * b_(3c+k).
float* GVMat3MulTransposed(float* out, const float* a, const float* b);
// Triple j (the image of axis j) scaled by v_j.
float* GVMat3MulDiag(float* out, const float* m, const float* v);
void GVMat3ScaleRows(const float* m, const float* v, float* out);      // nothing on null
float GVMat3AbsDet(const float* m);
// m scaled to |det| 1; a singular matrix gives zeros.
void GVMat3UnitVolume(const float* m, float* out);
// Inverse by cofactors; a singular matrix gives zeros. detOut (may be null)
// receives |det|.
float* GVMat3Inverse(const float* m, float* out, float* detOut);
// Adjugate divided by |det| (the negated inverse when det < 0); detOut gets |det|.
void GVMat3InverseAbsDet(const float* m, float* detOut, float* out);
void GVMat3InvertTo(const float* m, float* out);
// Inverse into out, returning |det|; 0 and nothing written on a null pointer.
float GVMat3InvertChecked(const float* m, float* out);

// --- rotations ---
void GVRotationFromVector(const float* r, float* out);   // nothing when out is null
void GVRotationFromVectorB(const float* r, float* out);  // double intermediates
void GVMat3FromRotVector(const float* r, float* out);    // nothing on null
void GVMat3FromAxisAngle(const float* r, float* out);    // through the double form
// Rotation vector of a rotation matrix: 0 for the identity (out zero), 1
// otherwise, -1 when out is null.
int GVRotVectorFromMat3(const float* m, float* out);

// --- frame time over FrameParams (a frame rate of 0 answers 0) ---
float GVFrameTime(const FrameParams* p);
// 1 when t lies in the current sub-step's time window, else 0.
int GVFrameIsTime(const FrameParams* p, float t);
void GVFrameGetSubstep(const FrameParams* p, int32_t* indexOut, int32_t* countOut);
// Where the current sub-step lies against the time range [a, b]: 3 the range
// starts in it, 6 the range ends in it, 2 it lies inside the range (a start
// below one sub-step or an end below one sub-step count as open), else 0.
int GVFrameTimeRangeState(const FrameParams* p, float a, float b);

// Copy-mask bits of FrameParams words (word 4, the time step, has none).
constexpr uint32_t kFrameParamsMaskBits[kFrameParamsWords] = {
    0x1,   0x2,   0x4,    0x40000, 0,      0x8,    0x10,   0x20,    0x40,    0x80,
    0x100, 0x200, 0x400,  0x800,   0x1000, 0x2000, 0x20000, 0x4000, 0x8000, 0x10000,
};
void GVCopyFrameParams(const FrameParams* src, uint32_t mask, FrameParams* dst);

// Item-stream image of FrameParams: words 0..3 from the int array, word 4 from
// the float array, words 5..19 from the int array, each cursor advancing.
int GVReadFrameParamsImage(uint32_t* intIndex, const int32_t* intArray, FrameParams* dst,
                           const float* floatArray, uint32_t* floatIndex);
// Its mirror for writers: 19 ints and 1 float.
int GVWriteFrameParamsImage(uint32_t* intIndex, int32_t* intArray, const FrameParams* src,
                            float* floatArray, uint32_t* floatIndex);

// --- item-stream float arrays (a null array moves nothing) ---
void GVStreamPutMat3(uint32_t* index, const float* m, float* floatArray);
void GVStreamGetMat3(uint32_t* index, float* m, const float* floatArray);
// Scene bounds (min x, max x, min y, max y, min z, max z) as the six floats
// min x, min y, min z, max x, max y, max z at the stream's float cursor. Both
// return 1 when moved, 0 when the float array is missing or has no room for
// six (nothing is then put or taken).
int GVPutBoundsItem(ItemStream* stream, const float* bounds);
int GVGetBoundsItem(ItemStream* stream, float* bounds);

// --- text ---
int GVDigitValue(int c);                // 0..9, or -1 for a non-digit
int GVParseSmallInt(const char* text);  // one or two digits; anything else 0

// Cofactors of m laid out as the elements of its inverse (before the division by
// the determinant), and the determinant. Inline because the time step takes
// one per node and sub-step; a template so that it can run on several nodes at
// once. Vectors are passed by address only: the time step's sweeps for wider
// instruction sets call it too, and a vector argument or result would not
// cross between the two compilations the same way.
template <class T>
inline void GVMat3Cofactors(const T* m, T c[9], T* det) {
  c[0] = m[4] * m[8] - m[5] * m[7];
  c[1] = -(m[1] * m[8] - m[2] * m[7]);
  c[2] = m[1] * m[5] - m[2] * m[4];
  c[3] = -(m[3] * m[8] - m[5] * m[6]);
  c[4] = m[0] * m[8] - m[2] * m[6];
  c[5] = -(m[0] * m[5] - m[2] * m[3]);
  c[6] = m[3] * m[7] - m[4] * m[6];
  c[7] = -(m[0] * m[7] - m[1] * m[6]);
  c[8] = m[0] * m[4] - m[1] * m[3];
  *det = m[0] * c[0] + m[1] * c[3] + m[2] * c[6];
}

// Adds a point of mass m at offset r from the centre to an inertia tensor. Only
// the diagonal and elements 1, 5, 6 are summed; GVInertiaSymmetrise copies them
// to their mirror places once the sum is complete.
inline void GVInertiaAddPoint(float* I, float m, const float* r) {
  const float s = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
  I[0] += m * (s - r[0] * r[0]);
  I[4] += m * (s - r[1] * r[1]);
  I[8] += m * (s - r[2] * r[2]);
  I[1] -= m * r[0] * r[1];
  I[5] -= m * r[1] * r[2];
  I[6] -= m * r[0] * r[2];
}

// out = a × b; out may be a or b. Returns out.
inline float* GVVecCross(float* out, const float* a, const float* b) {
  const float x = a[1] * b[2] - a[2] * b[1];
  const float y = a[2] * b[0] - a[0] * b[2];
  const float z = a[0] * b[1] - a[1] * b[0];
  out[0] = x;
  out[1] = y;
  out[2] = z;
  return out;
}

inline void GVInertiaSymmetrise(float* I) {
  I[3] = I[1];
  I[7] = I[5];
  I[2] = I[6];
}
