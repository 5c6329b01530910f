#include "jel/vector_math.h"

#include <cassert>
#include <cmath>
#include <cstring>

#include "records/item_stream.h"

float GVFabs(float a) { return std::fabs(a); }

float GVSqrt(float a) { return std::sqrt(a); }

float* GVVecSub(float* out, const float* a, const float* b) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
  return out;
}

float* GVVecMulComponents(float* out, const float* a, const float* b) {
  for (int i = 0; i < 3; ++i) out[i] = a[i] * b[i];
  return out;
}

void GVVec3Copy(float* out, const float* in) {
  if (!out || !in) return;
  std::memmove(out, in, 3 * sizeof(float));
}

const float* GVVec3AddTo(const float* a, const float* b, float* out) {
  if (!a || !b || !out) return a;
  for (int i = 0; i < 3; ++i) out[i] = a[i] + b[i];
  return a;
}

void GVVecClampLength(const float* in, float* out, float max) {
  float len = GVVecLength(in);
  if (max == 0.0f || len == 0.0f) {
    out[0] = out[1] = out[2] = 0.0f;
  } else if (max >= len) {
    GVVec3Copy(out, in);
  } else {
    GVVecScale(out, in, max / len);
  }
}

void GVVecClampLengthTo(const float* v, float* out, const float* ref) {
  GVVecClampLength(v, out, GVVecLength(ref));
}

void GVVecOpposingPart(const float* a, float* out, const float* b) {
  float p = -GVVecDot(a, b);
  if (p <= 0.0f) {
    out[0] = out[1] = out[2] = 0.0f;
    return;
  }
  // p > 0 implies |b| > 0.
  float k = 2.0f * p / GVVecDot(b, b);
  if (k >= 1.0f)
    GVVec3Copy(out, b);
  else
    GVVecScale(out, b, k);
}

float* GVMat3Copy(float* out, const float* in) {
  std::memmove(out, in, 9 * sizeof(float));
  return out;
}

void GVMat3CopyChecked(float* out, const float* in) {
  if (out && in) GVMat3Copy(out, in);
}

void GVMat3Identity(float* m) {
  for (int i = 0; i < 9; ++i) m[i] = (i % 4 == 0) ? 1.0f : 0.0f;
}

void GVMat3ScaleInPlace(float* m, float s) {
  for (int i = 0; i < 9; ++i) m[i] *= s;
}

void GVMat3Scale(float* out, const float* m, float s) {
  for (int i = 0; i < 9; ++i) out[i] = m[i] * s;
}

const float* GVMat3AddTo(const float* a, const float* b, float* out) {
  if (!a || !b || !out) return a;
  for (int i = 0; i < 9; ++i) out[i] = a[i] + b[i];
  return a;
}

void GVMat3Transpose(float* out, const float* m) {
  if (!out || !m) return;
  const float t[9] = {m[0], m[3], m[6], m[1], m[4], m[7], m[2], m[5], m[8]};
  GVMat3Copy(out, t);
}

float* GVMat3RowMulVec(float* out, const float* m, const float* v) {
  const float x = v[0], y = v[1], z = v[2];
  for (int i = 0; i < 3; ++i) out[i] = m[3 * i] * x + m[3 * i + 1] * y + m[3 * i + 2] * z;
  return out;
}

float* GVMat3Mul(float* out, const float* a, const float* b) {
  float t[9];
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i)
      t[3 * j + i] = b[i] * a[3 * j] + b[3 + i] * a[3 * j + 1] + b[6 + i] * a[3 * j + 2];
  return GVMat3Copy(out, t);
}

void GVMat3MulTo(const float* a, const float* b, float* out) {
  if (a && b && out) GVMat3Mul(out, a, b);
}

float* GVMat3MulTransposed(float* out, const float* a, const float* b) {
  float t[9];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      t[3 * r + c] = a[3 * r] * b[3 * c] + a[3 * r + 1] * b[3 * c + 1] + a[3 * r + 2] * b[3 * c + 2];
  return GVMat3Copy(out, t);
}

float* GVMat3MulDiag(float* out, const float* m, const float* v) {
  const float s[3] = {v[0], v[1], v[2]};
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) out[3 * j + i] = m[3 * j + i] * s[j];
  return out;
}

void GVMat3ScaleRows(const float* m, const float* v, float* out) {
  if (m && v && out) GVMat3MulDiag(out, m, v);
}

static float Det(const float* m) {
  return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
         m[2] * (m[3] * m[7] - m[4] * m[6]);
}

float GVMat3AbsDet(const float* m) { return std::fabs(Det(m)); }

void GVMat3UnitVolume(const float* m, float* out) {
  float d = GVMat3AbsDet(m);
  float s = d == 0.0f ? 0.0f : 1.0f / d;
  GVMat3Scale(out, m, std::pow(s, 0.33333334f));
}

float* GVMat3Inverse(const float* m, float* out, float* detOut) {
  float c[9];
  float det;
  GVMat3Cofactors(m, c, &det);
  float s = det == 0.0f ? 0.0f : 1.0f / det;
  GVMat3Scale(out, c, s);
  if (detOut) *detOut = std::fabs(det);
  return out;
}

void GVMat3InverseAbsDet(const float* m, float* detOut, float* out) {
  float c[9];
  float det;
  GVMat3Cofactors(m, c, &det);
  float ad = std::fabs(det);
  float s = ad == 0.0f ? 0.0f : 1.0f / ad;
  GVMat3Scale(out, c, s);
  if (detOut) *detOut = ad;
}

void GVMat3InvertTo(const float* m, float* out) { GVMat3Inverse(m, out, nullptr); }

float GVMat3InvertChecked(const float* m, float* out) {
  if (!m || !out) return 0.0f;
  float det;
  GVMat3Inverse(m, out, &det);
  return det;
}

// The quaternion-to-matrix step shared by both precisions.
template <typename Real>
static void RotationFromVector(const float* r, float* out) {
  const Real rx = r[0], ry = r[1], rz = r[2];
  const Real theta = std::sqrt(rx * rx + ry * ry + rz * rz);
  const Real k = theta == Real(0) ? Real(0) : Real(1) / theta;
  const Real h = theta / Real(2);
  const Real w = std::cos(h);
  const Real sh = std::sin(h);
  const Real x = rx * k * sh, y = ry * k * sh, z = rz * k * sh;
  out[0] = static_cast<float>(1 - 2 * (y * y + z * z));
  out[4] = static_cast<float>(1 - 2 * (x * x + z * z));
  out[8] = static_cast<float>(1 - 2 * (x * x + y * y));
  out[1] = static_cast<float>(2 * (x * y + w * z));
  out[3] = static_cast<float>(2 * (x * y - w * z));
  out[2] = static_cast<float>(2 * (x * z - w * y));
  out[6] = static_cast<float>(2 * (x * z + w * y));
  out[5] = static_cast<float>(2 * (y * z + w * x));
  out[7] = static_cast<float>(2 * (y * z - w * x));
}

void GVRotationFromVector(const float* r, float* out) {
  if (!out) return;
  float t[9];
  RotationFromVector<float>(r, t);
  GVMat3Copy(out, t);
}

void GVRotationFromVectorB(const float* r, float* out) {
  if (!out) return;
  float t[9];
  RotationFromVector<double>(r, t);
  GVMat3Copy(out, t);
}

void GVMat3FromRotVector(const float* r, float* out) {
  if (r && out) GVRotationFromVector(r, out);
}

void GVMat3FromAxisAngle(const float* r, float* out) {
  if (r && out) GVRotationFromVectorB(r, out);
}

int GVRotVectorFromMat3(const float* m, float* out) {
  if (!out) return -1;
  const float eps = 0.0001f;
  if (std::fabs(m[1] - m[3]) < eps && std::fabs(m[5] - m[7]) < eps && std::fabs(m[6] - m[2]) < eps) {
    if (std::fabs(m[1] + m[3]) < eps && std::fabs(m[5] + m[7]) < eps && std::fabs(m[2] + m[6]) < eps &&
        std::fabs(m[0] - 1) < eps && std::fabs(m[4] - 1) < eps && std::fabs(m[8] - 1) < eps) {
      out[0] = out[1] = out[2] = 0.0f;
      return 0;
    }
    // A half turn: the axis comes from the symmetric part.
    const float xx = (m[0] + 1) / 2, yy = (m[4] + 1) / 2, zz = (m[8] + 1) / 2;
    const float xy = (m[1] + m[3]) / 4, yz = (m[5] + m[7]) / 4, xz = (m[2] + m[6]) / 4;
    float x, y, z;
    if (xx > yy && xx > zz) {
      x = std::sqrt(xx);
      y = xy / x;
      z = xz / x;
    } else if (yy > zz) {
      y = std::sqrt(yy);
      x = xy / y;
      z = yz / y;
    } else {
      z = std::sqrt(zz);
      x = xz / z;
      y = yz / z;
    }
    float axis[3] = {x, y, z};
    float len2 = GVVecDot(axis, axis);
    if (len2 > 0.0f) GVVecScale(axis, axis, 1.0f / std::sqrt(len2));
    GVVecScale(out, axis, 3.1415927f);
    return 1;
  }
  const float a[3] = {m[5] - m[7], m[6] - m[2], m[1] - m[3]};
  float s = GVVecLength(a);
  float k = s == 0.0f ? 0.0f : 1.0f / s;
  float c = (m[0] + m[4] + m[8] - 1) * 0.5f;
  if (c < -1.0f) c = -1.0f;
  if (c > 1.0f) c = 1.0f;
  GVVecScale(out, a, k * std::acos(c));
  return 1;
}

// Current frame plus the sub-step fraction while stepping; divisor is the
// sub-step count the caller divides the index by.
static float FrameWithSubstep(const FrameParams* p, int32_t divisor) {
  float f = static_cast<float>(p->currentFrame);
  if (p->stepping != 0 && divisor > 0) f += static_cast<float>(p->subStepIndex) / static_cast<float>(divisor);
  return f;
}

float GVFrameTime(const FrameParams* p) {
  if (p->fps == 0) return 0.0f;
  return FrameWithSubstep(p, p->subSteps) / static_cast<float>(p->fps);
}

// Start and length of the current sub-step's time window; false when the frame
// rate is 0.
static bool SubstepWindow(const FrameParams* p, float* t0, float* d) {
  if (p->fps == 0) return false;
  const int32_t s = p->subSteps > 0 ? p->subSteps : 1;
  *t0 = FrameWithSubstep(p, s) / static_cast<float>(p->fps);
  const int64_t product = static_cast<int64_t>(p->fps) * s;
  *d = 1.0f / static_cast<float>(product);
  return true;
}

int GVFrameIsTime(const FrameParams* p, float t) {
  float t0, d;
  if (!SubstepWindow(p, &t0, &d)) return 0;
  const float tt = t + 0.000001f;
  return (t0 <= tt && tt < t0 + d) ? 1 : 0;
}

void GVFrameGetSubstep(const FrameParams* p, int32_t* indexOut, int32_t* countOut) {
  if (indexOut) *indexOut = p->stepping != 0 ? p->subStepIndex : p->subSteps;
  if (countOut) *countOut = p->subSteps;
}

int GVFrameTimeRangeState(const FrameParams* p, float a, float b) {
  float t0, d;
  if (!SubstepWindow(p, &t0, &d)) return 0;
  t0 -= 0.000001f;
  if (t0 <= a && a < t0 + d) return 3;
  if (b > 0.00001f && t0 <= b && b < t0 + d) return 6;
  // Compared with the bare window length: a start or an end below one sub-step
  // counts as an open side of the range.
  if (a <= t0 || a < d) return (t0 < b || b < d) ? 2 : 0;
  return 0;
}

void GVCopyFrameParams(const FrameParams* src, uint32_t mask, FrameParams* dst) {
  for (int w = 0; w < kFrameParamsWords; ++w) {
    if (w == kFrameParamsTimeStepWord || !(mask & kFrameParamsMaskBits[w])) continue;
    GVFrameParamsSetWord(dst, w, GVFrameParamsWord(src, w));
  }
}

int GVReadFrameParamsImage(uint32_t* intIndex, const int32_t* intArray, FrameParams* dst,
                           const float* floatArray, uint32_t* floatIndex) {
  struct {
    uint32_t* ii;
    const int32_t* ints;
    uint32_t* fi;
    const float* floats;
    void i32(int32_t& v) { v = ints[(*ii)++]; }
    void f32(float& v) { v = floats[(*fi)++]; }
  } in{intIndex, intArray, floatIndex, floatArray};
  GVCodeFrameParamsImage(in, *dst);
  return 0;
}

int GVWriteFrameParamsImage(uint32_t* intIndex, int32_t* intArray, const FrameParams* src,
                            float* floatArray, uint32_t* floatIndex) {
  struct {
    uint32_t* ii;
    int32_t* ints;
    uint32_t* fi;
    float* floats;
    void i32(int32_t v) { ints[(*ii)++] = v; }
    void f32(float v) { floats[(*fi)++] = v; }
  } out{intIndex, intArray, floatIndex, floatArray};
  GVCodeFrameParamsImage(out, *src);
  return 0;
}

void GVStreamPutMat3(uint32_t* index, const float* m, float* floatArray) {
  if (!floatArray) return;
  std::memcpy(floatArray + *index, m, 9 * sizeof(float));
  *index += 9;
}

void GVStreamGetMat3(uint32_t* index, float* m, const float* floatArray) {
  if (!floatArray) return;
  std::memcpy(m, floatArray + *index, 9 * sizeof(float));
  *index += 9;
}

// Stream order of the bounds block: the three minima, then the three maxima.
static const int kBoundsStreamOrder[6] = {0, 2, 4, 1, 3, 5};

int GVPutBoundsItem(ItemStream* stream, const float* bounds) {
  if (!stream->floats || !GVItemStreamHasRoom(stream, 0, 0, 6, 0)) return 0;
  for (int i : kBoundsStreamOrder) stream->floats[stream->floatCount++] = bounds[i];
  return 1;
}

int GVGetBoundsItem(ItemStream* stream, float* bounds) {
  if (!stream->floats || !GVItemStreamHasRoom(stream, 0, 0, 6, 0)) return 0;
  for (int i : kBoundsStreamOrder) bounds[i] = stream->floats[stream->floatCount++];
  return 1;
}

int GVDigitValue(int c) { return (c >= '0' && c <= '9') ? c - '0' : -1; }

int GVParseSmallInt(const char* text) {
  if (!text || !text[0]) return 0;
  const int first = GVDigitValue(static_cast<unsigned char>(text[0]));
  if (first < 0) return 0;
  if (!text[1]) return first;
  const int second = GVDigitValue(static_cast<unsigned char>(text[1]));
  if (second < 0 || text[2]) return 0;
  return 10 * first + second;
}
