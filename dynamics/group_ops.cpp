#include "dynamics/group_ops.h"

#include <cmath>
#include <cstring>

#include "dynamics/rigid_parts.h"
#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

namespace {

bool canWrite(const HAState* s) { return s && s->pos && s->disp && s->mass && !s->readOnly(); }
bool storedPart(int32_t part) { return part >= 1 && part <= 31; }
bool finite3(const float* v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }

// Store of a reference kind (0 fix, 1 orientation, 2 shape), -1 for an unknown kind.
int storeIndex(int32_t kind) {
  if (kind == kPartRefFix || kind == kPartRefFixPos) return 0;
  if (kind == kPartRefOrient) return 1;
  if (kind == kPartRefShape) return 2;
  return -1;
}

Vec3f* refArray(HAState* s, int32_t kind) { return kind == kPartRefShape ? s->restOffset : s->partRef; }

// Inverse of a matrix the caller gave, or false when it is singular or not
// finite: such a matrix has no inverse to undo.
bool invertGiven(const float* m, float* out) {
  for (int k = 0; k < 9; ++k)
    if (!std::isfinite(m[k])) return false;
  float det = 0.0f;
  GVMat3Inverse(m, out, &det);
  float size = 0.0f;
  for (int k = 0; k < 9; ++k) size = std::fmax(size, std::fabs(m[k]));
  return det > 1e-12f * size * size * size && det > 0.0f;
}

// Mass-weighted centre of the part at pos (+ disp when inStep); zero without mass.
void partCentre(const HAState* s, int32_t part, bool inStep, float c[3]) {
  PartSums sums;
  GVAddPartSums(s, part, &sums);
  float u[3];
  GVPartSumsMeans(sums, c, u);
  if (inStep)
    for (int k = 0; k < 3; ++k) c[k] += u[k];
}

// Mass-weighted centre of an arbitrary per-node array over the part.
void arrayCentre(const HAState* s, int32_t part, const Vec3f* a, float c[3]) {
  double m = 0.0, sum[3] = {0.0, 0.0, 0.0};
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    m += s->mass[i];
    for (int k = 0; k < 3; ++k) sum[k] += static_cast<double>(s->mass[i]) * a[i][k];
  }
  for (int k = 0; k < 3; ++k) c[k] = m != 0.0 ? static_cast<float>(sum[k] / m) : 0.0f;
}

// The rotation w that best carries the offsets r (from the centre) along the
// displacements d: w = I^-1 sum m (r x d), I the inertia tensor of r.
void bestTurn(const HAState* s, int32_t part, const Vec3f* r, const Vec3f* d, float w[3]) {
  double I[9] = {}, L[3] = {};
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    const double m = s->mass[i];
    const float* ri = r[i];
    float t[3];
    GVVecCross(t, ri, d[i]);
    const double rr = ri[0] * ri[0] + ri[1] * ri[1] + ri[2] * ri[2];
    for (int a = 0; a < 3; ++a) {
      L[a] += m * t[a];
      for (int b = 0; b < 3; ++b) I[3 * b + a] += m * ((a == b ? rr : 0.0) - ri[a] * ri[b]);
    }
  }
  float If[9], inv[9], Lf[3];
  for (int k = 0; k < 9; ++k) If[k] = static_cast<float>(I[k]);
  for (int k = 0; k < 3; ++k) Lf[k] = static_cast<float>(L[k]);
  GVInvertPartFrame(If, inv);
  GVMat3MulVec(w, inv, Lf);
}

// Target t = M r + o (either may be missing) of one reference r.
void fixTarget(const float* r, const float* matrix, const float* offset, float t[3]) {
  if (matrix)
    GVMat3MulVec(t, matrix, r);
  else
    std::memcpy(t, r, sizeof(float) * 3);
  if (offset)
    for (int k = 0; k < 3; ++k) t[k] += offset[k];
}

void fixBegin(HAState* s, int32_t part, const float* offset, const float* matrix, int32_t kind) {
  if (!canWrite(s)) return;
  float inv[9];
  const bool turn = matrix && invertGiven(matrix, inv);
  const bool stepping = s->params && s->params->stepping;
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float r[3];
    for (int k = 0; k < 3; ++k) r[k] = s->pos[i][k] + (stepping ? s->disp[i][k] : 0.0f) - (offset ? offset[k] : 0.0f);
    if (turn) GVMat3MulVec(r, inv, r);
    std::memcpy(s->partRef[i], r, sizeof r);
  }
  GVStorePartRef(s, part, kind);
}

// One wall test of a node along axis a: base is the committed position, x the
// node's whole displacement along the axis. Returns the wall bit hit (0 for
// none) and in d the displacement that puts the node on that wall.
uint32_t wallHit(uint32_t axes, int a, const float* box, float base, float x, float* d) {
  const uint32_t lo = 2u << (2 * a), hi = 4u << (2 * a);
  const float dLo = box[2 * a] - base;
  if ((axes & lo) && dLo > x) {
    *d = dLo;
    return lo;
  }
  const float dHi = box[2 * a + 1] - base;
  if ((axes & hi) && dHi < x) {
    *d = dHi;
    return hi;
  }
  return 0;
}

// Box test of every node of the part against pos + disp (+ contactCorr when
// correcting). The change goes into disp, or into contactCorr when correcting;
// friction acts on the node's whole sliding motion either way.
int32_t boxPass(HAState* s, int32_t part, uint32_t axes, const float* box, bool correct) {
  if (!canWrite(s) || !box) return 0;
  const float k = GVReactionScale(s);
  if (k == 0.0f) return 0;
  uint32_t hits = 0;
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float* T = correct ? s->contactCorr[i] : s->disp[i];
    float X[3];
    for (int a = 0; a < 3; ++a) X[a] = s->disp[i][a] + (correct ? s->contactCorr[i][a] : 0.0f);
    for (int a = 0; a < 3; ++a) {
      float d = 0.0f;
      const uint32_t hit = wallHit(axes, a, box, s->pos[i][a], X[a], &d);
      if (!hit) continue;
      hits |= hit;
      if (!correct) s->contactFlags[i] |= kNodeOnWall;
      const float normal = d - X[a];
      const int b = (a + 1) % 3, c = (a + 2) % 3;
      float t[2] = {-X[b], -X[c]};
      const float tl = std::sqrt(t[0] * t[0] + t[1] * t[1]);
      const float budget = std::fabs(normal * s->matter[i].friction);
      if (budget < tl) {
        const float f = budget / tl;
        t[0] *= f;
        t[1] *= f;
      }
      T[a] += normal;
      T[b] += t[0];
      T[c] += t[1];
      X[a] = d;
      X[b] += t[0];
      X[c] += t[1];
      const float mk = s->mass[i] * k;
      s->reactionAccum[i][a] += mk * normal;
      s->reactionAccum[i][b] += mk * t[0];
      s->reactionAccum[i][c] += mk * t[1];
    }
  }
  return static_cast<int32_t>(hits);
}

}  // namespace

float GVReactionScale(const HAState* s) {
  if (!s || !s->params) return 0.0f;
  const float f = static_cast<float>(s->params->subSteps) * static_cast<float>(s->params->fps);
  return f * f;
}

// ---------------------------------------------------------------------------
// Stored references

int32_t GVStorePartRef(HAState* s, int32_t part, int32_t kind) {
  const int idx = storeIndex(kind);
  if (!s || idx < 0 || !storedPart(part)) return 0;
  ChanData*& store = s->partRefStores[idx];
  if (!store) {
    store = GVNewChanData(s->nodeCount);
    if (!store) return 0;
  }
  GVAllocChannels(store, kChanVec3, 31);
  float* slot = GVChanVec3s(store, part);
  if (!slot) {
    if (!GVAllocChannelFrame(store, kChanVec3, part)) return 0;
    slot = GVChanVec3s(store, part);
    if (!slot) return 0;
  }
  std::memcpy(slot, refArray(s, kind), sizeof(Vec3f) * (s->nodeCount + 1));
  return 1;
}

int32_t GVLoadPartRef(HAState* s, int32_t kind, int32_t part) {
  const int idx = storeIndex(kind);
  if (!s || idx < 0 || !storedPart(part) || !s->partRefStores[idx]) return 0;
  const float* slot = GVChanVec3s(s->partRefStores[idx], part);
  if (!slot) return 0;
  Vec3f* dst = refArray(s, kind);
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (s->inPart(i, part)) std::memcpy(dst[i], slot + 3 * i, sizeof(Vec3f));
  return 1;
}

// ---------------------------------------------------------------------------
// Fix family

void GVFixPartBegin(HAState* s, int32_t part, const float* offset, const float* matrix) {
  fixBegin(s, part, offset, matrix, kPartRefFix);
}

void GVFixPosPartBegin(HAState* s, int32_t part, const float* offset, const float* matrix) {
  if (!storedPart(part)) return;
  fixBegin(s, part, offset, matrix, kPartRefFixPos);
}

void GVFixPartStep(HAState* s, const float* matrix, int32_t part, const float* offset) {
  if (!canWrite(s)) return;
  GVLoadPartRef(s, kPartRefFix, part);
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float t[3];
    fixTarget(s->partRef[i], matrix, offset, t);
    for (int k = 0; k < 3; ++k) s->disp[i][k] = t[k] - s->pos[i][k];
    s->contactFlags[i] |= kNodeFixed;
  }
}

void GVFixPartCorrect(HAState* s, const float* matrix, int32_t part, const float* offset) {
  if (!canWrite(s)) return;
  GVLoadPartRef(s, kPartRefFix, part);
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float t[3];
    fixTarget(s->partRef[i], matrix, offset, t);
    for (int k = 0; k < 3; ++k) s->contactCorr[i][k] = t[k] - s->pos[i][k] - s->disp[i][k];
  }
}

void GVFixOriPartBegin(HAState* s, int32_t part, const float* matrix) {
  if (!canWrite(s)) return;
  float inv[9];
  const bool turn = matrix && invertGiven(matrix, inv);
  const bool stepping = s->params && s->params->stepping;
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float x[3];
    for (int k = 0; k < 3; ++k) x[k] = s->pos[i][k] + (stepping ? s->disp[i][k] : 0.0f);
    if (turn) GVMat3MulVec(x, inv, x);
    std::memcpy(s->partRef[i], x, sizeof x);
  }
  // The centre of the (turned back) positions, so the offsets sum to zero.
  float c[3];
  arrayCentre(s, part, s->partRef, c);
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (s->inPart(i, part))
      for (int k = 0; k < 3; ++k) s->partRef[i][k] -= c[k];
  GVStorePartRef(s, part, kPartRefOrient);
}

void GVFixOriPartStep(HAState* s, int32_t part, const float* matrix) {
  if (!canWrite(s)) return;
  if (!GVLoadPartRef(s, kPartRefOrient, part) && storedPart(part)) return;
  Vec3f* cur = s->rigidWork[1];
  Vec3f* dev = s->rigidWork[2];
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k) cur[i][k] = s->pos[i][k] + s->disp[i][k];
    if (matrix)
      GVMat3MulVec(dev[i], matrix, s->partRef[i]);
    else
      std::memcpy(dev[i], s->partRef[i], sizeof(Vec3f));
  }
  float cc[3], ct[3];
  arrayCentre(s, part, cur, cc);
  arrayCentre(s, part, dev, ct);
  // r: offset of the present in-step position; dev: how far each node is from
  // its turned offset. The best rigid turn towards the targets follows.
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    for (int k = 0; k < 3; ++k) {
      cur[i][k] -= cc[k];
      dev[i][k] = (dev[i][k] - ct[k]) - cur[i][k];
    }
  }
  float w[3];
  bestTurn(s, part, cur, dev, w);
  if (!finite3(w)) return;
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float t[3];
    GVVecCross(t, w, cur[i]);
    for (int k = 0; k < 3; ++k) s->disp[i][k] += t[k];
  }
}

// ---------------------------------------------------------------------------
// Walls and plane

int32_t GVConstrainPartToBox(HAState* s, int32_t part, uint32_t axes, const float box[6]) {
  return boxPass(s, part, axes, box, false);
}

int32_t GVCorrectPartToBox(HAState* s, int32_t part, uint32_t axes, const float box[6]) {
  return boxPass(s, part, axes, box, true);
}

int32_t GVConstrainPartToPlane(HAState* s, int32_t part, const float point[3], const float normal[3]) {
  if (!canWrite(s) || !point || !normal) return 0;
  const float k = GVReactionScale(s);
  if (k == 0.0f) return 0;
  int32_t moved = 0;
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float* D = s->disp[i];
    float x[3];
    for (int a = 0; a < 3; ++a) x[a] = point[a] - (s->pos[i][a] + D[a]);
    const float depth = GVVecDot(normal, x);
    if (!(depth > 0.0f)) continue;
    const float dn = GVVecDot(D, normal);
    float tang[3];
    for (int a = 0; a < 3; ++a) tang[a] = -(D[a] - dn * normal[a]);
    GVVecClampLength(tang, tang, s->matter[i].friction * depth);
    float change[3];
    for (int a = 0; a < 3; ++a) {
      change[a] = depth * normal[a] + tang[a];
      D[a] += change[a];
      s->reactionAccum[i][a] += s->mass[i] * k * change[a];
    }
    moved = 1;
  }
  return moved;
}

// ---------------------------------------------------------------------------
// Centre stepping and dragging

void GVStepPartCentreTo(HAState* s, int32_t part, int32_t i, int32_t n, const float target[3]) {
  if (!canWrite(s) || !target || n == 0 || !s->stepStartPos) return;
  const float f = static_cast<float>(i) / static_cast<float>(n);
  float c0[3], c[3];
  arrayCentre(s, part, s->stepStartPos, c0);
  partCentre(s, part, true, c);
  float move[3];
  for (int k = 0; k < 3; ++k) move[k] = c0[k] + f * (target[k] - c0[k]) - c[k];
  for (int32_t j = 1; j <= s->nodeCount; ++j)
    if (s->inPart(j, part))
      for (int k = 0; k < 3; ++k) s->disp[j][k] += move[k];
}

void GVDragNodeStep(HAState* s, DragCmd* drag) {
  if (!canWrite(s) || !drag || !s->params) return;
  const int32_t S = s->params->subSteps;
  const int32_t sub = s->params->subStepIndex;
  if (drag->node == 0) {
    GVStepPartCentreTo(s, drag->part, sub, S, drag->target);
    return;
  }
  const int32_t node = drag->node;
  if (node < 1 || node > s->nodeCount || !s->stepStartPos) return;
  const float f = S != 0 ? static_cast<float>(sub) / static_cast<float>(S) : 0.0f;
  const float* saved = s->stepStartPos[node];
  const float* P = s->pos[node];
  float* D = s->disp[node];
  float delta[3];
  for (int k = 0; k < 3; ++k) delta[k] = saved[k] + f * (drag->target[k] - saved[k]) - P[k];
  if (s->dragMode == 0) {
    std::memcpy(D, delta, sizeof delta);
    return;
  }
  drag->state = s->dragMode + 100;
  const float* n = s->dragDir;
  const float along = GVVecDot(delta, n);
  for (int k = 0; k < 3; ++k) delta[k] -= along * n[k];
  if (s->dragMode == 2) {
    // Keep the node at its distance from the grab point.
    const float* g = s->grabPoint;
    float before[3], after[3];
    for (int k = 0; k < 3; ++k) {
      before[k] = P[k] - g[k];
      after[k] = P[k] + delta[k] - g[k];
    }
    const float r0 = GVVecLength(before), r1 = GVVecLength(after);
    if (r1 > 1e-6f)
      for (int k = 0; k < 3; ++k) delta[k] = g[k] + after[k] * (r0 / r1) - P[k];
  }
  std::memcpy(D, delta, sizeof delta);
}

void GVMouseDragPart(HAState* s, int32_t a, int32_t b, int32_t mode) {
  if (!s || !s->pos) return;
  s->dragMode = mode == 1 || mode == 2 ? mode : 0;
  if (a < 1 || a > s->nodeCount || b < 1 || b > s->nodeCount) {
    s->dragMode = 0;
    return;
  }
  const bool stepping = s->params && s->params->stepping && s->disp;
  float pa[3], pb[3];
  for (int k = 0; k < 3; ++k) {
    pa[k] = s->pos[a][k] + (stepping ? s->disp[a][k] : 0.0f);
    pb[k] = s->pos[b][k] + (stepping ? s->disp[b][k] : 0.0f);
  }
  float d[3];
  GVVecSub(d, pb, pa);
  GVVecNormalise(d, s->dragDir);
  std::memcpy(s->grabPoint, pa, sizeof pa);
}

// ---------------------------------------------------------------------------
// Glue links

int32_t GVBreakNodeLink(HAState* s, int32_t a, int32_t b, float threshold) {
  if (!s || !s->pos || !s->disp) return 0;
  if (a < 1 || a > s->nodeCount || b < 1 || b > s->nodeCount) return 0;
  if (!(threshold < 1e-10f)) {
    float d[3];
    for (int k = 0; k < 3; ++k) d[k] = (s->pos[b][k] + s->disp[b][k]) - (s->pos[a][k] + s->disp[a][k]);
    if (!(GVVecDot(d, d) * GVReactionScale(s) >= threshold)) return 0;
  }
  GVSetFrameNodeFlags(s, a, kFrameCommitted, 0, 0);
  GVSetFrameNodeFlags(s, b, kFrameCommitted, 0, 0);
  return 1;
}

// ---------------------------------------------------------------------------
// Expansion

void GVExpandPart(HAState* s, int32_t part, float scale) {
  if (!canWrite(s) || !(scale >= 1e-5f)) return;
  GVLoadPartRef(s, kPartRefShape, part);
  float c[3], cp[3];
  partCentre(s, part, true, c);
  partCentre(s, part, false, cp);
  // The part's turn in this sub-step before the move, from the offsets about
  // the committed centre and the displacements they had.
  Vec3f* off = s->rigidWork[1];
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (s->inPart(i, part))
      for (int k = 0; k < 3; ++k) off[i][k] = s->pos[i][k] - cp[k];
  float before[3];
  bestTurn(s, part, off, s->disp, before);

  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float r[3];
    for (int k = 0; k < 3; ++k) r[k] = s->pos[i][k] + s->disp[i][k] - c[k];
    const float len = GVVecLength(r);
    const float f = len >= 1e-5f ? scale * GVVecLength(s->restOffset[i]) / len : 0.0f;
    for (int k = 0; k < 3; ++k) s->disp[i][k] = c[k] + r[k] * f - s->pos[i][k];
  }

  // Placing the nodes along their radii loses or adds some of that turn: add
  // back the difference as a rigid turn about the centre.
  float after[3], w[3];
  bestTurn(s, part, off, s->disp, after);
  for (int k = 0; k < 3; ++k) w[k] = before[k] - after[k];
  if (!finite3(w)) return;
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, part)) continue;
    float r[3], t[3];
    for (int k = 0; k < 3; ++k) r[k] = s->pos[i][k] + s->disp[i][k] - c[k];
    GVVecCross(t, w, r);
    for (int k = 0; k < 3; ++k) s->disp[i][k] += t[k];
  }
}

// ---------------------------------------------------------------------------
// Face pressure

void GVApplyFacePressure(HAState* s, int32_t part, const float velocity[3], float ramp, int32_t half) {
  if (!s || !s->pressureForce || !velocity || !s->params) return;
  std::memset(s->pressureForce, 0, sizeof(Vec3f) * (s->nodeCount + 1));
  if (!s->faces || !s->faceNormals || s->faceCount < 1) return;
  const float rate = static_cast<float>(s->params->subSteps) * static_cast<float>(s->params->fps);
  if (rate == 0.0f) return;
  s->updateFaceNormals();
  const bool flat = s->isFlat();
  const float fade = ramp / rate;
  float w[3];
  for (int k = 0; k < 3; ++k) w[k] = velocity[k] / rate;
  for (int32_t f = 1; f <= s->faceCount; ++f) {
    const int32_t* c = s->faces[f];
    bool inside = true;
    for (int k = 0; k < 4 && inside; ++k)
      inside = c[k] >= 1 && c[k] <= s->nodeCount && s->inPart(c[k], part);
    if (!inside) continue;
    const float* nf = s->faceNormals[f];
    for (int k = 0; k < 4; ++k) {
      const int32_t j = c[k];
      float rel[3];
      GVVecSub(rel, w, s->disp[j]);
      float p = GVVecDot(nf, rel);
      if (!flat && !(p < 0.0f)) continue;
      if (fade < 1.0f) p *= fade;
      // Density over mass is the node's inverse volume: a pressure per area.
      const float m = s->mass[j];
      p = m > 0.0f ? p * s->matter[j].density * 0.125f / m : 0.0f;
      if (half && !s->inPart(j, 2)) p *= 0.5f;
      for (int a = 0; a < 3; ++a) s->pressureForce[j][a] += p * nf[a];
    }
  }
}
