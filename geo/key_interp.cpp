#include "geo/key_interp.h"

#include <cmath>

#include "geo/key_frames.h"
#include "jel/vector_math.h"

namespace {

const double kTwoPi = 6.2831854820251465;  // 2π as the float nearest to it
const double kPi = 3.1415927410125732;

double lerp(double a, double b, double u) { return (1.0 - u) * a + u * b; }

float lerpf(float a, float b, float u) { return (1.0f - u) * a + u * b; }

double dot4(const double* a, const double* b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

double clampUnit(double v) {
  if (v >= 0.999999) return 1.0;
  if (v <= -0.999999) return -1.0;
  return v;
}

// Rx · Ry · Rz from sines and cosines, in the layout of GVMat3MulVec.
void anglesMatrix(const double* s, const double* c, double* m) {
  m[0] = c[1] * c[2];
  m[1] = s[0] * s[1] * c[2] + c[0] * s[2];
  m[2] = -c[0] * s[1] * c[2] + s[0] * s[2];
  m[3] = -c[1] * s[2];
  m[4] = -s[0] * s[1] * s[2] + c[0] * c[2];
  m[5] = c[0] * s[1] * s[2] + s[0] * c[2];
  m[6] = s[1];
  m[7] = -s[0] * c[1];
  m[8] = c[0] * c[1];
}

const float kZeroAngles[3] = {0.0f, 0.0f, 0.0f};

const float* anglesOf(const KeyFrame* k) { return k && k->rotation ? k->rotation : kZeroAngles; }

}  // namespace

double GVScalarBezier2(double p0, double p1, double p2, double u) {
  return lerp(lerp(p0, p1, u), lerp(p1, p2, u), u);
}

double GVScalarBezier3(double p0, double p1, double p2, double p3, double u) {
  double a = lerp(p0, p1, u), b = lerp(p1, p2, u), c = lerp(p2, p3, u);
  return lerp(lerp(a, b, u), lerp(b, c, u), u);
}

void GVVecBezier2(const float* p0, const float* p1, const float* p2, double u, float* out) {
  float uf = float(u);
  for (int i = 0; i < 3; ++i)
    out[i] = lerpf(lerpf(p0[i], p1[i], uf), lerpf(p1[i], p2[i], uf), uf);
}

void GVVecBezier3(const float* p0, const float* p1, const float* p2, const float* p3, double u,
                  float* out) {
  float uf = float(u);
  for (int i = 0; i < 3; ++i) {
    float a = lerpf(p0[i], p1[i], uf), b = lerpf(p1[i], p2[i], uf), c = lerpf(p2[i], p3[i], uf);
    out[i] = lerpf(lerpf(a, b, uf), lerpf(b, c, uf), uf);
  }
}

void GVVecLerp(float* out, const float* a, const float* b, double u) {
  float uf = float(u), vf = float(1.0 - u);
  for (int i = 0; i < 3; ++i) out[i] = vf * a[i] + uf * b[i];
}

void GVQuatSlerp(const double* a, const double* b, double u, double* out) {
  double d = dot4(a, b);
  if (d > 0.999999) d = 1.0;
  if (d < -0.999999) d = -1.0;
  double theta = std::acos(d);
  double s = std::sin(theta);
  if (std::fabs(s) < 1e-5) {
    GVQuatCopy(out, a);
    return;
  }
  double ka = std::sin((1.0 - u) * theta) / s;
  double kb = std::sin(u * theta) / s;
  double r[4];
  for (int i = 0; i < 4; ++i) r[i] = a[i] * ka + b[i] * kb;
  GVQuatCopy(out, r);
}

void GVQuatBezier2(const double* q0, const double* q1, const double* q2, double u, double* out) {
  double a[4], b[4];
  GVQuatSlerp(q0, q1, u, a);
  GVQuatSlerp(q1, q2, u, b);
  GVQuatSlerp(a, b, u, out);
}

void GVQuatBezier3(const double* q0, const double* q1, const double* q2, const double* q3, double u,
                   double* out) {
  double a[4], b[4], c[4], ab[4], bc[4];
  GVQuatSlerp(q0, q1, u, a);
  GVQuatSlerp(q1, q2, u, b);
  GVQuatSlerp(q2, q3, u, c);
  GVQuatSlerp(a, b, u, ab);
  GVQuatSlerp(b, c, u, bc);
  GVQuatSlerp(ab, bc, u, out);
}

// The first quaternion reflected through the second, as 2K − P is for scalars:
// the control-key rebuild mirrors its neighbours through the key this way.
void GVQuatDouble(const double* p, const double* q, double* out) {
  double k = 2.0 * dot4(p, q);
  double r[4];
  for (int i = 0; i < 4; ++i) r[i] = k * q[i] - p[i];
  GVQuatCopy(out, r);
}

void GVQuatBisect(const double* a, const double* b, double* out) {
  double s[4];
  for (int i = 0; i < 4; ++i) s[i] = a[i] + b[i];
  double l = std::sqrt(dot4(s, s));
  double k = l > 1e-5 ? 1.0 / l : l;
  for (int i = 0; i < 4; ++i) out[i] = s[i] * k;
}

void GVQuatCopy(double* out, const double* q) {
  if (!out || !q) return;
  for (int i = 0; i < 4; ++i) out[i] = q[i];
}

double GVQuatDistSq(const double* a, const double* b) {
  if (!a || !b) return 0.0;
  double s = 0.0;
  for (int i = 0; i < 4; ++i) s += (b[i] - a[i]) * (b[i] - a[i]);
  return s;
}

int GVQuatPickNearest(const double* c1, const double* c2, const double* c3, const double* c4,
                      double* out, const double* reference) {
  if (!c1 || !out) return 0;
  if (!reference) {
    GVQuatCopy(out, c1);
    return 1;
  }
  const double* cands[4] = {c1, c2, c3, c4};
  double best = 9e20;
  int chosen = 1;
  for (int i = 0; i < 4; ++i) {
    if (!cands[i]) continue;
    double d = GVQuatDistSq(reference, cands[i]);
    if (d < best) {
      best = d;
      chosen = i + 1;
    }
  }
  GVQuatCopy(out, cands[chosen - 1]);
  return chosen;
}

void GVQuatHalfTurnPair(double v, double* out) {
  if (v * v > 0.25) {
    out[0] = out[1] = out[2] = out[3] = 0.0;
    return;
  }
  double s = std::sqrt(1.0 - 4.0 * v * v);
  double a = std::sqrt((1.0 + s) / 2.0);
  double b = std::sqrt((1.0 - s) / 2.0);
  out[0] = a;
  out[1] = b;
  out[2] = -a;
  out[3] = -b;
}

void GVQuatFromMat3Near(double* out, const float* m, const double* reference) {
  double trace = double(m[0]) + m[4] + m[8] + 1.0;
  double w = std::sqrt(trace > 0.0 ? trace : 0.0) * 0.5;
  double q[4];
  if (w > 0.25) {
    double k = 0.25 / w;
    q[0] = w;
    q[1] = (double(m[5]) - m[7]) * k;
    q[2] = (double(m[6]) - m[2]) * k;
    q[3] = (double(m[1]) - m[3]) * k;
  } else {
    // Near a half turn w carries little precision; take the largest of x, y and z
    // from the diagonal instead and the rest from the symmetric and skew parts.
    // At an exact half turn w comes out as 0 and the candidates are ±axis.
    double xx = 1.0 + m[0] - m[4] - m[8], yy = 1.0 - m[0] + m[4] - m[8],
           zz = 1.0 - m[0] - m[4] + m[8];
    if (xx >= yy && xx >= zz) {
      double s = std::sqrt(xx > 0.0 ? xx : 0.0) * 2.0;  // 4x
      q[1] = 0.25 * s;
      q[0] = (double(m[5]) - m[7]) / s;
      q[2] = (double(m[1]) + m[3]) / s;
      q[3] = (double(m[2]) + m[6]) / s;
    } else if (yy >= zz) {
      double s = std::sqrt(yy > 0.0 ? yy : 0.0) * 2.0;  // 4y
      q[2] = 0.25 * s;
      q[0] = (double(m[6]) - m[2]) / s;
      q[1] = (double(m[1]) + m[3]) / s;
      q[3] = (double(m[5]) + m[7]) / s;
    } else {
      double s = std::sqrt(zz > 0.0 ? zz : 0.0) * 2.0;  // 4z
      q[3] = 0.25 * s;
      q[0] = (double(m[1]) - m[3]) / s;
      q[1] = (double(m[2]) + m[6]) / s;
      q[2] = (double(m[5]) + m[7]) / s;
    }
    if (std::fabs(q[0]) <= 1e-5) q[0] = 0.0;
    double l = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (l > 0.0)
      for (double& c : q) c /= l;
    else
      q[0] = 1.0;
  }
  double nq[4] = {-q[0], -q[1], -q[2], -q[3]};
  GVQuatPickNearest(q, nq, nullptr, nullptr, out, reference);
}

void GVQuatToMat3(const double* q, float* out) {
  double w = q[0], x = q[1], y = q[2], z = q[3];
  // Element i + 3j is row i, column j.
  out[0] = float(1.0 - 2.0 * (y * y + z * z));
  out[3] = float(2.0 * (x * y - w * z));
  out[6] = float(2.0 * (x * z + w * y));
  out[1] = float(2.0 * (x * y + w * z));
  out[4] = float(1.0 - 2.0 * (x * x + z * z));
  out[7] = float(2.0 * (y * z - w * x));
  out[2] = float(2.0 * (x * z - w * y));
  out[5] = float(2.0 * (y * z + w * x));
  out[8] = float(1.0 - 2.0 * (x * x + y * y));
}

void GVMat3FromEuler(const float* angles, float* out) {
  float m[9], r[9];
  GVMat3Identity(m);
  for (int axis = 0; axis < 3; ++axis) {
    float v[3] = {0.0f, 0.0f, 0.0f};
    v[axis] = angles[axis];
    GVMat3FromAxisAngle(v, r);
    GVMat3MulTo(r, m, m);  // m · r: the running matrix on the left
  }
  GVMat3Copy(out, m);
}

double GVAngleUnwrap(double a, double reference) {
  double n = std::round((reference - a) / kTwoPi);  // halves away from zero
  return a + kTwoPi * n;
}

double GVAnglesMatrixError(const float* m, const double* sines, const double* cosines) {
  double r[9];
  anglesMatrix(sines, cosines, r);
  double worst = 0.0;
  for (int i = 0; i < 9; ++i) {
    double d = std::fabs(double(m[i]) - r[i]);
    if (d > worst) worst = d;
  }
  return worst;
}

int GVMat3ToAnglesNear(const KeyFrame* b, int mode, const KeyFrame* a, const float* m, float* out,
                       double t) {
  if (!m || !out) return 0;
  // Reference angles.
  double ref[3] = {0.0, 0.0, 0.0};
  if (mode == -1) {
    const float* rb = anglesOf(b);
    for (int i = 0; i < 3; ++i) ref[i] = rb[i];
  } else if (mode == 2 || mode < -1) {
    const float* ra = anglesOf(a);
    const float* rb = anglesOf(b);
    double span = (a && b) ? double(b->frame) - double(a->frame) : 0.0;
    double u = span != 0.0 ? (t - a->frame) / span : 0.0;
    for (int i = 0; i < 3; ++i) ref[i] = ra[i] + (double(rb[i]) - ra[i]) * u;
  }

  double ang[3];
  double m6 = m[6];
  if (std::fabs(std::fabs(m6) - 1.0) >= 1e-5) {
    double sy = m6;
    if (sy >= 0.999999) sy = 1.0;
    if (sy < -0.999999) sy = -1.0;
    double b1 = std::asin(sy);
    double ys[2] = {b1, kPi - b1};
    double bestErr = 1000.0, bestSum = 1000.0;
    double byErr[3] = {0, 0, 0}, bySum[3] = {0, 0, 0};
    int below = 0;
    for (double yv : ys) {
      double c = std::cos(yv);
      double ca = clampUnit(m[8] / c), cz = clampUnit(m[0] / c);
      double xa = std::acos(ca), za = std::acos(cz);
      for (int sx = 0; sx < 2; ++sx)
        for (int sz = 0; sz < 2; ++sz) {
          double cand[3] = {sx ? -xa : xa, yv, sz ? -za : za};
          double s[3], co[3];
          for (int i = 0; i < 3; ++i) {
            s[i] = std::sin(cand[i]);
            co[i] = std::cos(cand[i]);
          }
          double err = GVAnglesMatrixError(m, s, co);
          if (err < bestErr) {
            bestErr = err;
            for (int i = 0; i < 3; ++i) byErr[i] = cand[i];
          }
          if (err < 0.001) {
            ++below;
            double sum = std::fabs(cand[0]) + std::fabs(cand[1]) + std::fabs(cand[2]);
            if (sum < bestSum) {
              bestSum = sum;
              for (int i = 0; i < 3; ++i) bySum[i] = cand[i];
            }
          }
        }
    }
    const double* pick = below >= 2 ? bySum : byErr;
    for (int i = 0; i < 3; ++i) ang[i] = pick[i];
    if (below > 0) {
      // acos loses precision near 0 and π; on the chosen branch (the sign of cos y)
      // the angles follow exactly from atan2 of the matrix terms.
      double sc = std::cos(ang[1]) >= 0.0 ? 1.0 : -1.0;
      double cy = sc * std::sqrt(double(m[0]) * m[0] + double(m[3]) * m[3]);
      ang[0] = std::atan2(-double(m[7]) * sc, double(m[8]) * sc);
      ang[1] = std::atan2(double(m[6]), cy);
      ang[2] = std::atan2(-double(m[3]) * sc, double(m[0]) * sc);
    }
  } else {
    // Gimbal lock: y is ±π/2 and only one combination φ of x and z is fixed, x + z
    // when sin y = 1 and z − x when sin y = −1.
    bool p = m6 > 0.0;
    ang[1] = std::asin(p ? 1.0 : -1.0);
    double k = p ? 0.5 * (double(m[4]) - m[2]) : 0.5 * (double(m[4]) + m[2]);
    double h = p ? 0.5 * (double(m[5]) + m[1]) : 0.5 * (double(m[1]) - m[5]);
    k = clampUnit(k);
    h = clampUnit(h);
    double phi = std::acos(k);
    if (std::fabs(std::sin(phi) - h) >= 1e-5) {
      phi = -phi;
      if (std::fabs(std::sin(phi) - h) >= 1e-5) return 0;
    }
    if (phi > kPi) phi -= kTwoPi;
    if (phi <= -kPi) phi += kTwoPi;
    // x and z such that x + z = φ (p) or z − x = φ (not p), given x.
    auto zFromX = [&](double x) { return p ? phi - x : phi + x; };
    auto xFromZ = [&](double z) { return p ? phi - z : z - phi; };
    const float* ra = anglesOf(a);
    const float* rb = anglesOf(b);
    bool twoRefs = (mode == 2 || mode < -1) && a && b;
    double dx = twoRefs ? double(rb[0]) - ra[0] : 0.0;
    double dz = twoRefs ? double(rb[2]) - ra[2] : 0.0;
    if (mode == 0 || mode == 1 || (!twoRefs && mode != -1)) {
      ang[0] = p ? phi * 0.5 : -phi * 0.5;
      ang[2] = phi * 0.5;
    } else if (mode == -1 || std::fabs(dx) < 1e-5) {
      ang[0] = ref[0];
      ang[2] = zFromX(ang[0]);
    } else if (std::fabs(dz) < 1e-5) {
      ang[2] = ref[2];
      ang[0] = xFromZ(ang[2]);
    } else {
      // Share φ in the ratio of the references' own changes.
      double wx = std::fabs(dx) / (std::fabs(dx) + std::fabs(dz));
      ang[0] = p ? phi * wx : -phi * wx;
      ang[2] = zFromX(ang[0]);
    }
  }
  for (int i = 0; i < 3; ++i) out[i] = float(GVAngleUnwrap(ang[i], ref[i]));
  return 1;
}

int GVKeyAnglesFromMatrix(const KeyFrame* key, const float* m, float* out, double t) {
  if (key && key->prev && key->next) return GVMat3ToAnglesNear(key->next, 2, key->prev, m, out, t);
  if (key && key->prev) return GVMat3ToAnglesNear(key->prev, -1, nullptr, m, out, t);
  if (key && key->next) return GVMat3ToAnglesNear(key->next, -1, nullptr, m, out, t);
  return GVMat3ToAnglesNear(nullptr, 0, nullptr, m, out, t);
}

int GVKeyTrackAnglesFromMatrix(KeyTrack* track, const float* m, float* out, int useMatrix,
                               double t) {
  int code = KEY_SEG_NONE;
  KeyFrame* k = GVFindKeySegment(track, t, &code);
  switch (code) {
    case KEY_SEG_BEFORE:
    case KEY_SEG_AFTER:
      return GVMat3ToAnglesNear(k, -1, nullptr, m, out, t);
    case KEY_SEG_INSIDE:
      return GVMat3ToAnglesNear(k->next, 2, k, m, out, t);
    case KEY_SEG_ON_KEY:
      if (useMatrix) return GVKeyAnglesFromMatrix(k, m, out, t);
      if (!out) return 0;
      GVVec3Copy(out, anglesOf(k));
      return 1;
    default:
      return GVMat3ToAnglesNear(nullptr, 0, nullptr, m, out, t);
  }
}

KeyFrame* GVKeyTrackSetKey(int frame, KeyTrack* track, float value, const float* translation,
                           const float* rotation, const float* scale) {
  if (!track) return nullptr;
  KeyFrame* k = GVKeyTrackFindKey(track, frame);
  if (!k) k = GVKeyTrackFindOrInsert(track, frame);
  if (!k) return nullptr;
  uint32_t f = track->flags;
  if (!GVKeyFrameAllocBlocks(k, f)) return nullptr;
  if (f & KEY_CHAN_VALUE) k->value = value;
  if ((f & KEY_CHAN_TRANSLATION) && translation) GVVec3Copy(k->translation, translation);
  if ((f & KEY_CHAN_ROTATION) && rotation) GVVec3Copy(k->rotation, rotation);
  if ((f & KEY_CHAN_SCALE) && scale) GVVec3Copy(k->scale, scale);
  if (f & KEY_CHAN_ROTATION) {
    // Each key's quaternion is taken in the sign nearest to its predecessor's, so
    // that interpolation between them takes the short way round.
    for (KeyFrame* q = k; q; q = q->next) {
      if (q != k && (!q->rotation || !q->prev)) break;
      if (!q->quat && !GVKeyFrameAllocBlocks(q, KEY_CHAN_ROTATION)) break;
      float m[9];
      GVMat3FromEuler(q->rotation, m);
      GVQuatFromMat3Near(q->quat, m, q->prev ? q->prev->quat : nullptr);
    }
  }
  GVKeyTrackRebuild(track);
  return k;
}

KeyFrame* GVKeyTrackSetKeyFromMatrix(const float* m, KeyTrack* track, int frame, float value,
                                     const float* translation, const float* scale) {
  float angles[3];
  if (!GVMat3ToAnglesNear(nullptr, 0, nullptr, m, angles, frame)) return nullptr;
  return GVKeyTrackSetKey(frame, track, value, translation, angles, scale);
}
