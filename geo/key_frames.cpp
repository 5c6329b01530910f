#include "geo/key_frames.h"

#include <cmath>
#include <cstring>
#include <new>

#include "geo/key_interp.h"
#include "jel/vector_math.h"

namespace {

const float kWeightInner = 0.6667f;
const float kWeightEnd = 0.5f;

template <typename T>
T* newBlock(int n) {
  T* p = new (std::nothrow) T[n];
  if (p) std::memset(p, 0, sizeof(T) * n);
  return p;
}

template <typename T>
void freeBlock(T*& p) {
  delete[] p;
  p = nullptr;
}

// Makes dst's block match src's: freed when src has none, allocated and copied
// otherwise. Returns 0 when memory is short.
template <typename T>
int copyBlock(T*& dst, const T* src, int n) {
  if (!src) {
    freeBlock(dst);
    return 1;
  }
  if (!dst && !(dst = newBlock<T>(n))) return 0;
  std::memcpy(dst, src, sizeof(T) * n);
  return 1;
}

void resetOwnFields(KeyFrame* k) {
  k->keyTime = 0.0;
  k->frame = 0;
  k->value = 0.0;
  k->keyWord = 0;
  if (k->translation) k->translation[0] = k->translation[1] = k->translation[2] = 0.0f;
  if (k->rotation) k->rotation[0] = k->rotation[1] = k->rotation[2] = 0.0f;
  if (k->scale) k->scale[0] = k->scale[1] = k->scale[2] = 1.0f;
  if (k->quat) k->quat[0] = k->quat[1] = k->quat[2] = k->quat[3] = 0.0;
}

void linkAfter(KeyTrack* track, KeyFrame* key, KeyFrame* after) {
  if (!after) {
    key->prev = nullptr;
    key->next = track->firstKey;
    if (track->firstKey) track->firstKey->prev = key;
    track->firstKey = key;
    return;
  }
  key->prev = after;
  key->next = after->next;
  if (after->next) after->next->prev = key;
  after->next = key;
}

void unlink(KeyTrack* track, KeyFrame* key) {
  if (key->prev)
    key->prev->next = key->next;
  else if (track->firstKey == key)
    track->firstKey = key->next;
  if (key->next) key->next->prev = key->prev;
  key->next = key->prev = nullptr;
}

// The quaternion of a key's rotation: its own block, or one made from its angles
// when a damaged or hand-made key lacks it.
const double* keyQuat(const KeyFrame* k, double* scratch) {
  if (k && k->quat) return k->quat;
  float m[9];
  if (k && k->rotation)
    GVMat3FromEuler(k->rotation, m);
  else
    GVMat3Identity(m);
  GVQuatFromMat3Near(scratch, m, nullptr);
  return scratch;
}

const float kZero3[3] = {0.0f, 0.0f, 0.0f};
const float kOne3[3] = {1.0f, 1.0f, 1.0f};

const float* vecOr(const float* v, const float* fallback) { return v ? v : fallback; }

void rebuildKey(KeyTrack* track, KeyFrame* k) {
  KeyFrame* p = k->prev;
  KeyFrame* n = k->next;
  if (!p || !n) {
    if (k->inKey) {
      GVDeleteKeyFrame(k->inKey);
      k->inKey = nullptr;
    }
    if (k->outKey) {
      GVDeleteKeyFrame(k->outKey);
      k->outKey = nullptr;
    }
    return;
  }
  uint32_t flags = track->flags;
  if (!k->inKey) k->inKey = GVNewKeyFrame();
  if (!k->outKey) k->outKey = GVNewKeyFrame();
  if (!k->inKey || !k->outKey) return;  // evaluation falls back to straight segments
  KeyFrame* in = k->inKey;
  KeyFrame* out = k->outKey;
  if (!GVKeyFrameAllocBlocks(in, flags) || !GVKeyFrameAllocBlocks(out, flags)) return;

  float wIn = p->prev ? kWeightInner : kWeightEnd;
  float wOut = n->next ? kWeightInner : kWeightEnd;

  if (flags & KEY_CHAN_VALUE) {
    double a = ((2.0 * k->value - p->value) + n->value) * 0.5;
    double o = a;
    double i = 2.0 * k->value - o;
    in->value = i + (k->value - i) * wIn;
    out->value = o + (k->value - o) * wOut;
  }
  auto blend = [&](const float* kv, const float* pv, const float* nv, float* iv, float* ov) {
    for (int c = 0; c < 3; ++c) {
      float a = ((2.0f * kv[c] - pv[c]) + nv[c]) * 0.5f;
      float o = a;
      float i = 2.0f * kv[c] - o;
      iv[c] = i + (kv[c] - i) * wIn;
      ov[c] = o + (kv[c] - o) * wOut;
    }
  };
  if (flags & KEY_CHAN_TRANSLATION)
    blend(vecOr(k->translation, kZero3), vecOr(p->translation, kZero3),
          vecOr(n->translation, kZero3), in->translation, out->translation);
  if (flags & KEY_CHAN_SCALE)
    blend(vecOr(k->scale, kOne3), vecOr(p->scale, kOne3), vecOr(n->scale, kOne3), in->scale,
          out->scale);
  if (flags & KEY_CHAN_ROTATION) {
    double sp[4], sk[4], sn[4], d[4], a[4], i[4];
    const double* qp = keyQuat(p, sp);
    const double* qk = keyQuat(k, sk);
    const double* qn = keyQuat(n, sn);
    GVQuatDouble(qp, qk, d);
    GVQuatBisect(d, qn, a);
    GVQuatDouble(a, qk, i);
    GVQuatSlerp(i, qk, wIn, in->quat);
    GVQuatSlerp(a, qk, wOut, out->quat);
  }
}

}  // namespace

KeyFrame* GVNewKeyFrame() {
  KeyFrame* k = new (std::nothrow) KeyFrame;
  if (k) GVInitKeyFrame(k);
  return k;
}

void GVInitKeyFrame(KeyFrame* key) {
  if (!key) return;
  key->keyTime = 0.0;
  key->frame = 0;
  key->keyWord = 0;
  key->value = 0.0;
  key->translation = key->rotation = key->scale = nullptr;
  key->quat = nullptr;
  key->inKey = key->outKey = key->next = key->prev = nullptr;
  GVResetKeyFrame(key);
}

void GVResetKeyFrame(KeyFrame* key) {
  if (!key) return;
  resetOwnFields(key);
  GVResetKeyFrame(key->inKey);
  for (KeyFrame* o = key->outKey; o; o = o->outKey) {
    resetOwnFields(o);
    GVResetKeyFrame(o->inKey);
  }
}

void GVFreeKeyFrameParts(KeyFrame* key) {
  if (!key) return;
  freeBlock(key->translation);
  freeBlock(key->rotation);
  freeBlock(key->scale);
  freeBlock(key->quat);
  if (key->inKey) GVDeleteKeyFrame(key->inKey);
  if (key->outKey) GVDeleteKeyFrame(key->outKey);
  key->inKey = key->outKey = nullptr;
}

void GVDeleteKeyFrame(KeyFrame* key) {
  if (!key) return;
  GVFreeKeyFrameParts(key);
  delete key;
}

int GVCopyKeyFrame(KeyFrame* dst, const KeyFrame* src) {
  if (!dst || !src || dst == src) return dst != nullptr;
  dst->keyTime = src->keyTime;
  dst->frame = src->frame;
  dst->keyWord = src->keyWord;
  dst->value = src->value;
  int ok = copyBlock(dst->translation, src->translation, 3) &&
           copyBlock(dst->rotation, src->rotation, 3) && copyBlock(dst->scale, src->scale, 3) &&
           copyBlock(dst->quat, src->quat, 4);
  KeyFrame** dstCtl[2] = {&dst->inKey, &dst->outKey};
  const KeyFrame* srcCtl[2] = {src->inKey, src->outKey};
  for (int c = 0; c < 2 && ok; ++c) {
    if (!srcCtl[c]) {
      GVDeleteKeyFrame(*dstCtl[c]);
      *dstCtl[c] = nullptr;
      continue;
    }
    if (!*dstCtl[c] && !(*dstCtl[c] = GVNewKeyFrame())) ok = 0;
    if (ok) ok = GVCopyKeyFrame(*dstCtl[c], srcCtl[c]);
  }
  return ok;
}

int GVKeyFrameAllocBlocks(KeyFrame* key, uint32_t flags) {
  if (!key) return 0;
  if ((flags & KEY_CHAN_TRANSLATION) && !key->translation &&
      !(key->translation = newBlock<float>(3)))
    return 0;
  if ((flags & KEY_CHAN_ROTATION) && !key->rotation && !(key->rotation = newBlock<float>(3)))
    return 0;
  if ((flags & KEY_CHAN_ROTATION) && !key->quat) {
    if (!(key->quat = newBlock<double>(4))) return 0;
    key->quat[0] = 1.0;
  }
  if (flags & KEY_CHAN_SCALE) {
    if (!key->scale) {
      if (!(key->scale = newBlock<float>(3))) return 0;
      key->scale[0] = key->scale[1] = key->scale[2] = 1.0f;
    }
  }
  return 1;
}

void GVKeyFrameOffset(KeyFrame* control, const float* v) {
  if (!v) return;
  for (KeyFrame* k = control; k; k = k->outKey) {
    if (k->translation)
      for (int c = 0; c < 3; ++c) k->translation[c] += v[c];
    GVKeyFrameOffset(k->inKey, v);
  }
}

void GVKeyFrameShiftOrigin(KeyFrame* key, const float* c) {
  if (!key || !c) return;
  float r[9], sc[3], d[3];
  if (key->rotation)
    GVRotationFromVectorB(key->rotation, r);
  else
    GVMat3Identity(r);
  const float* s = vecOr(key->scale, kOne3);
  for (int i = 0; i < 3; ++i) sc[i] = s[i] * c[i];
  GVMat3MulVec(d, r, sc);
  if (key->translation)
    for (int i = 0; i < 3; ++i) key->translation[i] += d[i];
  GVKeyFrameOffset(key->inKey, d);
  GVKeyFrameOffset(key->outKey, d);
}

void GVKeyTrackInit(KeyTrack* track) {
  if (!track) return;
  track->flags = 0;
  track->trackWord = 0;
  track->firstKey = nullptr;
  track->reserved1 = 0;
  track->evalTime = -99.0;
  track->cachedValue = 0.0;
  for (int i = 0; i < 3; ++i) {
    track->cachedTranslation[i] = 0.0f;
    track->cachedScale[i] = 1.0f;
  }
  GVMat3Identity(track->cachedMatrix);
  track->reserved2 = 0;
}

int GVKeyTrackKeyCount(const KeyTrack* track) {
  int n = 0;
  for (const KeyFrame* k = track ? track->firstKey : nullptr; k; k = k->next) ++n;
  return n;
}

KeyFrame* GVKeyTrackLastKey(const KeyTrack* track) {
  KeyFrame* k = track ? track->firstKey : nullptr;
  while (k && k->next) k = k->next;
  return k;
}

KeyFrame* GVKeyTrackInsertCopyAfter(KeyTrack* track, const KeyFrame* source, KeyFrame* after) {
  if (!track || (!after && track->firstKey)) return nullptr;
  KeyFrame* k = GVNewKeyFrame();
  if (!k) return nullptr;
  if (source && !GVCopyKeyFrame(k, source)) {
    GVDeleteKeyFrame(k);
    return nullptr;
  }
  linkAfter(track, k, after);
  return k;
}

int GVKeyTrackAdoptAfter(KeyTrack* track, KeyFrame* key, KeyFrame* after) {
  if (!track || !key || (!after && track->firstKey)) return 0;
  linkAfter(track, key, after);
  return 1;
}

KeyFrame* GVKeyTrackInsertAfter(KeyTrack* track, KeyFrame* after) {
  return GVKeyTrackInsertCopyAfter(track, nullptr, after);
}

KeyFrame* GVKeyTrackInsertBefore(KeyTrack* track, KeyFrame* before) {
  if (!track || !before) return nullptr;
  KeyFrame* k = GVNewKeyFrame();
  if (!k) return nullptr;
  if (before->prev) {
    linkAfter(track, k, before->prev);
  } else {
    k->prev = nullptr;
    k->next = before;
    before->prev = k;
    if (track->firstKey == before) track->firstKey = k;
  }
  return k;
}

KeyFrame* GVKeyTrackFindKey(const KeyTrack* track, int frame) {
  for (KeyFrame* k = track ? track->firstKey : nullptr; k; k = k->next)
    if (k->frame == frame) return k;
  return nullptr;
}

KeyFrame* GVKeyTrackFindOrInsert(KeyTrack* track, int frame) {
  if (!track) return nullptr;
  track->flags = KEY_CHAN_TRANSLATION | KEY_CHAN_ROTATION | KEY_CHAN_SCALE;
  KeyFrame* k = GVKeyTrackFindKey(track, frame);
  if (!k) {
    KeyFrame* first = track->firstKey;
    if (!first) {
      k = GVKeyTrackInsertAfter(track, nullptr);
    } else if (frame < first->frame) {
      k = GVKeyTrackInsertBefore(track, first);
    } else {
      KeyFrame* after = first;
      while (after->next && after->next->frame < frame) after = after->next;
      k = GVNewKeyFrame();
      if (k) linkAfter(track, k, after);
    }
    if (!k) return nullptr;
  }
  if (!GVKeyFrameAllocBlocks(k, track->flags)) return nullptr;
  GVResetKeyFrame(k);
  if (k->quat) k->quat[0] = 1.0;  // a reset rotation of (0, 0, 0) is the unit quaternion
  k->frame = frame;
  track->evalTime = -99.0;
  return k;
}

void GVKeyTrackRemoveKey(KeyFrame* key, KeyTrack* track) {
  if (!key || !track) return;
  unlink(track, key);
  GVDeleteKeyFrame(key);
  GVKeyTrackRebuild(track);
}

void GVTruncKeyTrack(int frame, KeyTrack* track) {
  if (!track) return;
  KeyFrame* k = track->firstKey;
  while (k && k->frame < frame) k = k->next;
  if (k) {
    if (k->prev)
      k->prev->next = nullptr;
    else
      track->firstKey = nullptr;
    while (k) {
      KeyFrame* n = k->next;
      GVDeleteKeyFrame(k);
      k = n;
    }
  }
  GVKeyTrackRebuild(track);
}

void GVKeyTrackRebuild(KeyTrack* track) {
  if (!track) return;
  for (KeyFrame* k = track->firstKey; k; k = k->next) rebuildKey(track, k);
  track->evalTime = -99.0;
}

int GVKeyTrackCopy(KeyTrack* dst, const KeyTrack* src) {
  if (!dst || !src || dst == src) return 0;
  GVTruncKeyTrack(INT32_MIN, dst);
  dst->flags = src->flags;
  dst->trackWord = src->trackWord;
  KeyFrame* after = nullptr;
  for (const KeyFrame* k = src->firstKey; k; k = k->next) {
    after = GVKeyTrackInsertCopyAfter(dst, k, after);
    if (!after) {
      GVTruncKeyTrack(INT32_MIN, dst);
      return 0;
    }
  }
  GVKeyTrackRebuild(dst);
  return 1;
}

KeyFrame* GVFindKeySegment(const KeyTrack* track, double t, int* code) {
  int c = KEY_SEG_NONE;
  KeyFrame* found = nullptr;
  KeyFrame* first = track ? track->firstKey : nullptr;
  if (first && t < first->frame) {
    if (code) *code = KEY_SEG_BEFORE;
    return first;
  }
  for (KeyFrame* k = first; k; k = k->next) {
    if (std::fabs(k->frame - t) < 0.0001) {
      found = k;
      c = KEY_SEG_ON_KEY;
    } else if (k->frame < t) {
      if (!k->next) {
        if (code) *code = KEY_SEG_AFTER;
        return k;
      }
      if (k->next->frame > t) {
        found = k;
        c = KEY_SEG_INSIDE;
      }
    }
  }
  if (code) *code = c;
  return found;
}

namespace {

struct EvalResult {
  double value = 0.0;
  float translation[3] = {0.0f, 0.0f, 0.0f};
  float matrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  float scale[3] = {1.0f, 1.0f, 1.0f};
};

void evalOnKey(const KeyFrame* k, uint32_t flags, EvalResult* r) {
  if (flags & KEY_CHAN_VALUE) r->value = k->value;
  if (flags & KEY_CHAN_TRANSLATION) GVVec3Copy(r->translation, vecOr(k->translation, kZero3));
  if (flags & KEY_CHAN_SCALE) GVVec3Copy(r->scale, vecOr(k->scale, kOne3));
  if (flags & KEY_CHAN_ROTATION) {
    if (k->rotation)
      GVMat3FromEuler(k->rotation, r->matrix);
    else
      GVMat3Identity(r->matrix);
  }
}

// Interpolation inside the segment k..n. The curve degree follows which of the
// two keys have outer neighbours; a control key that is missing (memory was short
// at the last rebuild) gives the straight segment instead.
void evalInside(const KeyFrame* k, const KeyFrame* n, uint32_t flags, double u, EvalResult* r) {
  const KeyFrame* c1 = k->prev ? k->outKey : nullptr;  // after k
  const KeyFrame* c2 = n->next ? n->inKey : nullptr;   // before n
  if ((k->prev && !c1) || (n->next && !c2)) c1 = c2 = nullptr;

  if (flags & KEY_CHAN_VALUE) {
    if (c1 && c2)
      r->value = GVScalarBezier3(k->value, c1->value, c2->value, n->value, u);
    else if (c1 || c2)
      r->value = GVScalarBezier2(k->value, (c1 ? c1 : c2)->value, n->value, u);
    else
      r->value = (1.0 - u) * k->value + u * n->value;
  }
  auto vec = [&](const float* a, const float* ca, const float* cb, const float* b, float* out) {
    if (ca && cb)
      GVVecBezier3(a, ca, cb, b, u, out);
    else if (ca || cb)
      GVVecBezier2(a, ca ? ca : cb, b, u, out);
    else
      GVVecLerp(out, a, b, u);
  };
  if (flags & KEY_CHAN_TRANSLATION)
    vec(vecOr(k->translation, kZero3), c1 ? vecOr(c1->translation, kZero3) : nullptr,
        c2 ? vecOr(c2->translation, kZero3) : nullptr, vecOr(n->translation, kZero3),
        r->translation);
  if (flags & KEY_CHAN_SCALE)
    vec(vecOr(k->scale, kOne3), c1 ? vecOr(c1->scale, kOne3) : nullptr,
        c2 ? vecOr(c2->scale, kOne3) : nullptr, vecOr(n->scale, kOne3), r->scale);
  if (flags & KEY_CHAN_ROTATION) {
    double s0[4], s1[4], s2[4], s3[4], q[4];
    const double* q0 = keyQuat(k, s0);
    const double* q3 = keyQuat(n, s3);
    if (c1 && c2)
      GVQuatBezier3(q0, keyQuat(c1, s1), keyQuat(c2, s2), q3, u, q);
    else if (c1 || c2)
      GVQuatBezier2(q0, keyQuat(c1 ? c1 : c2, s1), q3, u, q);
    else
      GVQuatSlerp(q0, q3, u, q);
    GVQuatToMat3(q, r->matrix);
  }
}

void copyOut(const KeyTrack* track, double* value, float* translation, float* matrix,
             float* scale) {
  uint32_t f = track->flags;
  if ((f & KEY_CHAN_VALUE) && value) *value = track->cachedValue;
  if ((f & KEY_CHAN_TRANSLATION) && translation) GVVec3Copy(translation, track->cachedTranslation);
  if ((f & KEY_CHAN_ROTATION) && matrix) GVMat3Copy(matrix, track->cachedMatrix);
  if ((f & KEY_CHAN_SCALE) && scale) GVVec3Copy(scale, track->cachedScale);
}

}  // namespace

int GVEvalKeyTrack(KeyTrack* track, double* value, float* translation, float* matrix, float* scale,
                   double t) {
  if (!track || !track->firstKey) return 0;
  if (std::fabs(t - track->evalTime) < 0.001) {
    copyOut(track, value, translation, matrix, scale);
    return 1;
  }
  int code = KEY_SEG_NONE;
  KeyFrame* k = GVFindKeySegment(track, t, &code);
  if (!k) return 0;
  EvalResult r;
  if (code == KEY_SEG_BEFORE || code == KEY_SEG_AFTER) {
    t = k->frame;
    code = KEY_SEG_ON_KEY;
  }
  const KeyFrame* n = k->next;
  double d = n ? double(n->frame) - double(k->frame) : 0.0;
  if (code == KEY_SEG_INSIDE && d >= 0.0001)
    evalInside(k, n, track->flags, (t - k->frame) / d, &r);
  else
    evalOnKey(k, track->flags, &r);

  track->evalTime = t;
  uint32_t f = track->flags;
  if (f & KEY_CHAN_VALUE) track->cachedValue = r.value;
  if (f & KEY_CHAN_TRANSLATION) GVVec3Copy(track->cachedTranslation, r.translation);
  if (f & KEY_CHAN_ROTATION) GVMat3Copy(track->cachedMatrix, r.matrix);
  if (f & KEY_CHAN_SCALE) GVVec3Copy(track->cachedScale, r.scale);
  copyOut(track, value, translation, matrix, scale);
  return 1;
}
