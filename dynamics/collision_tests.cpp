#include "dynamics/collision_tests.h"

#include <cassert>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "dynamics/collision_shared.h"
#include "dynamics/contact_list.h"
#include "dynamics/contact_nodes.h"
#include "jel/contact_grid.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

// Collision-state flags of a live state.
constexpr int32_t kCollGeoNodes = 0x20;
constexpr int32_t kCollGeoVerts = 0x40;
// Friction of a contact resolved by the Geo node tests is capped so that a
// sheet of contacts cannot lock a Jel on a slope.
constexpr float kGeoFrictionCap = 0.2f;
// Share of a vertex contact's correction per relaxation pass, spread over the
// face's contacts.
constexpr float kVertexRelax = 0.7f / 3.0f;
constexpr int kVertexRelaxPasses = 3;

using namespace collide;

static const float kZero3[3] = {0.0f, 0.0f, 0.0f};

// ---------------------------------------------------------------------------
// Projections

const float* GVNodeShiftVector(const HAState* state, int32_t node) {
  if (!state || !state->restLinks || !ValidNode(state, node)) return kZero3;
  return state->restLinks[node][6];
}

struct FaceCorners {
  float c[4][3];
};

static void LoadCorners(const HAState* st, int32_t face, float shift, FaceCorners* fc) {
  const int32_t* f = st->faces[face];
  for (int k = 0; k < 4; ++k) {
    const int32_t j = ValidNode(st, f[k]) ? f[k] : 0;
    const float* sh = GVNodeShiftVector(st, j);
    for (int a = 0; a < 3; ++a) fc->c[k][a] = (j ? st->pos[j][a] : 0.0f) + shift * sh[a];
  }
}

// Inlined into the projection's loop: it runs five times a projection.
__attribute__((always_inline)) static inline void Bilinear(const FaceCorners& fc, float u, float v, float X[3], float Xu[3], float Xv[3]) {
  const float* c0 = fc.c[0];
  const float* c1 = fc.c[1];
  const float* c2 = fc.c[2];
  const float* c3 = fc.c[3];
  for (int a = 0; a < 3; ++a) {
    X[a] = c0[a] * (1 - u) * (1 - v) + c1[a] * (1 - u) * v + c2[a] * u * v + c3[a] * u * (1 - v);
    Xu[a] = (1 - v) * (c3[a] - c0[a]) + v * (c2[a] - c1[a]);
    Xv[a] = u * (c2[a] - c3[a]) + (1 - u) * (c1[a] - c0[a]);
  }
}

// Gauss-Newton projections of P + offset on N faces side by side: each lane
// runs exactly the arithmetic of a lone projection, so that the processor
// can overlap the lanes' long chains of dependent steps.
#if defined(__SSE2__)
// The steps of four projections in the four lanes of SSE registers, each
// operation the one the lone form makes, in the same order (no fused
// multiply-add): the same (u, v) bits. A lane whose system turns singular
// keeps its (u, v) from then on, as the lone form stops.
static void StepFourFaces(const FaceCorners* fc, const float target[3], int32_t iterations, float u4[4],
                          float v4[4]) {
  __m128 C[4][3], D30[3], D21[3], D23[3], D10[3], T[3];
  for (int k = 0; k < 4; ++k)
    for (int a = 0; a < 3; ++a) C[k][a] = _mm_setr_ps(fc[0].c[k][a], fc[1].c[k][a], fc[2].c[k][a], fc[3].c[k][a]);
  for (int a = 0; a < 3; ++a) {
    D30[a] = _mm_sub_ps(C[3][a], C[0][a]);
    D21[a] = _mm_sub_ps(C[2][a], C[1][a]);
    D23[a] = _mm_sub_ps(C[2][a], C[3][a]);
    D10[a] = _mm_sub_ps(C[1][a], C[0][a]);
    T[a] = _mm_set1_ps(target[a]);
  }
  const auto dot = [](const __m128* a, const __m128* b) {
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(a[0], b[0]), _mm_mul_ps(a[1], b[1])), _mm_mul_ps(a[2], b[2]));
  };
  const __m128 one = _mm_set1_ps(1.0f), zero = _mm_setzero_ps();
  __m128 u = zero, v = zero, live = _mm_cmpeq_ps(zero, zero);
  for (int32_t it = 0; it < iterations; ++it) {
    const __m128 nu = _mm_sub_ps(one, u), nv = _mm_sub_ps(one, v);
    __m128 Xu[3], Xv[3], r[3];
    for (int a = 0; a < 3; ++a) {
      __m128 X = _mm_mul_ps(_mm_mul_ps(C[0][a], nu), nv);
      X = _mm_add_ps(X, _mm_mul_ps(_mm_mul_ps(C[1][a], nu), v));
      X = _mm_add_ps(X, _mm_mul_ps(_mm_mul_ps(C[2][a], u), v));
      X = _mm_add_ps(X, _mm_mul_ps(_mm_mul_ps(C[3][a], u), nv));
      Xu[a] = _mm_add_ps(_mm_mul_ps(nv, D30[a]), _mm_mul_ps(v, D21[a]));
      Xv[a] = _mm_add_ps(_mm_mul_ps(u, D23[a]), _mm_mul_ps(nu, D10[a]));
      r[a] = _mm_sub_ps(T[a], X);
    }
    const __m128 a11 = dot(Xu, Xu), a12 = dot(Xu, Xv), a22 = dot(Xv, Xv);
    const __m128 det = _mm_sub_ps(_mm_mul_ps(a11, a22), _mm_mul_ps(a12, a12));
    live = _mm_andnot_ps(_mm_cmpeq_ps(det, zero), live);
    const __m128 bu = dot(Xu, r), bv = dot(Xv, r);
    const __m128 du = _mm_div_ps(_mm_sub_ps(_mm_mul_ps(a22, bu), _mm_mul_ps(a12, bv)), det);
    const __m128 dv = _mm_div_ps(_mm_sub_ps(_mm_mul_ps(a11, bv), _mm_mul_ps(a12, bu)), det);
    u = _mm_or_ps(_mm_and_ps(live, _mm_add_ps(u, du)), _mm_andnot_ps(live, u));
    v = _mm_or_ps(_mm_and_ps(live, _mm_add_ps(v, dv)), _mm_andnot_ps(live, v));
  }
  _mm_storeu_ps(u4, u);
  _mm_storeu_ps(v4, v);
}
#endif

// Only the first `lanes` projections are written out.
template <int N>
static void ProjectFacesOnce(const FaceCorners* fc, const float P[3], const float offset[3], int32_t iterations,
                             SurfaceProjection* out, int lanes = N) {
  float target[3], X[N][3], Xu[N][3], Xv[N][3], r[N][3];
  for (int a = 0; a < 3; ++a) target[a] = P[a] + offset[a];
  float u[N], v[N];
  bool live[N];
  for (int l = 0; l < N; ++l) {
    u[l] = v[l] = 0.0f;
    live[l] = true;
  }
#if defined(__SSE2__)
  if (N == 4) {
    StepFourFaces(fc, target, iterations, u, v);
    iterations = 0;
  }
#endif
  for (int32_t it = 0; it < iterations; ++it) {
    for (int l = 0; l < N; ++l) {
      if (!live[l]) continue;
      Bilinear(fc[l], u[l], v[l], X[l], Xu[l], Xv[l]);
      Sub(r[l], target, X[l]);
      const float a11 = Dot(Xu[l], Xu[l]), a12 = Dot(Xu[l], Xv[l]), a22 = Dot(Xv[l], Xv[l]);
      const float det = a11 * a22 - a12 * a12;
      if (det == 0.0f) {
        live[l] = false;
        continue;
      }
      const float bu = Dot(Xu[l], r[l]), bv = Dot(Xv[l], r[l]);
      u[l] += (a22 * bu - a12 * bv) / det;
      v[l] += (a11 * bv - a12 * bu) / det;
    }
  }
  for (int l = 0; l < lanes; ++l) {
    Bilinear(fc[l], u[l], v[l], X[l], Xu[l], Xv[l]);
    float n[3];
    GVVecCross(n, Xu[l], Xv[l]);
    if (Dot(n, n) == 0.0f) {
      float d1[3], d2[3];
      Sub(d1, fc[l].c[3], fc[l].c[1]);
      Sub(d2, fc[l].c[2], fc[l].c[0]);
      GVVecCross(n, d1, d2);
    }
    Normalise(n, out[l].normal);
    Copy3(out[l].point, X[l]);
    Copy3(out[l].offset, offset);
    out[l].s = u[l];
    out[l].t = v[l];
    Sub(r[l], target, X[l]);
    out[l].dist = Dot(out[l].normal, r[l]);
  }
}

static void ProjectFaceOnce(const FaceCorners& fc, const float P[3], const float offset[3], int32_t iterations,
                            SurfaceProjection* out) {
  ProjectFacesOnce<1>(&fc, P, offset, iterations, out);
}

void GVProjectOnFaces(const HAState* state, const int32_t* faces, int32_t count, const float P[3],
                      int32_t iterations, SurfaceProjection* out) {
  const float zero[3] = {0.0f, 0.0f, 0.0f};
  FaceCorners fc[4];
  int32_t k = 0;
  for (; count - k >= 4; k += 4) {
    for (int l = 0; l < 4; ++l) LoadCorners(state, faces[k + l], 0.0f, &fc[l]);
    ProjectFacesOnce<4>(fc, P, zero, iterations, out + k);
  }
#if defined(__SSE2__)
  if (count - k >= 2) {
    // Two or three in the four lanes, the last repeated in the others.
    const int32_t lanes = count - k;
    for (int l = 0; l < 4; ++l) LoadCorners(state, faces[k + (l < lanes ? l : lanes - 1)], 0.0f, &fc[l]);
    ProjectFacesOnce<4>(fc, P, zero, iterations, out + k, lanes);
    k = count;
  }
#else
  if (count - k >= 2) {
    for (int l = 0; l < 2; ++l) LoadCorners(state, faces[k + l], 0.0f, &fc[l]);
    ProjectFacesOnce<2>(fc, P, zero, iterations, out + k);
    k += 2;
  }
#endif
  if (k < count) GVProjectOnFace(state, faces[k], P, nullptr, iterations, 0u, 0.0f, 0.0f, &out[k]);
}

void GVProjectOnFace(const HAState* state, int32_t face, const float P[3], const float D[3], int32_t iterations,
                     uint32_t options, float offsetLength, float cornerShift, SurfaceProjection* out) {
  // Each projection writes every field of out.
  if (!state || !state->pos || !ValidFace(state, face) || !P) {
    *out = SurfaceProjection{};
    return;
  }
  if (!D) D = kZero3;
  FaceCorners fc;
  float offset[3] = {0, 0, 0};
  LoadCorners(state, face, (options & kProjShiftCorners) ? cornerShift : 0.0f, &fc);
  if (options & kProjOffset) GVVecScale(offset, D, offsetLength);
  ProjectFaceOnce(fc, P, offset, iterations, out);
  if (!(options & (kProjOffsetTowards | kProjShiftTowards))) return;

  // Second run: the node side's offset turned towards the surface, and the
  // face side's sheet shifted towards the point.
  float side = 1.0f;
  if (options & kProjOffsetTowards) {
    float toSurface[3];
    Sub(toSurface, out->point, P);
    const float a = Dot(toSurface, D) < 0.0f ? -std::fabs(offsetLength) : std::fabs(offsetLength);
    GVVecScale(offset, D, a);
  }
  float shift = 0.0f;
  if (options & kProjShiftTowards) {
    side = out->dist >= 0.0f ? 1.0f : -1.0f;
    const float* sh = GVNodeShiftVector(state, state->faces[face][0]);
    const float along = Dot(out->normal, sh) >= 0.0f ? 1.0f : -1.0f;
    shift = side * along * std::fabs(cornerShift);
  } else if (options & kProjShiftCorners) {
    shift = cornerShift;
  }
  LoadCorners(state, face, shift, &fc);
  ProjectFaceOnce(fc, P, offset, iterations, out);
  // A one-layer sheet has no inside: its front is the side the point is on.
  if (side < 0.0f) {
    for (float& c : out->normal) c = -c;
    out->dist = -out->dist;
  }
}

static void ProjectTriOnce(const float O[3], const float A[3], const float B[3], const float P[3],
                           const float offset[3], const float N[3], SurfaceProjection* out) {
  float e1[3], e2[3], r[3], target[3];
  Sub(e1, B, A);
  Sub(e2, A, O);
  for (int a = 0; a < 3; ++a) target[a] = P[a] + offset[a];
  Sub(r, target, O);
  const float a11 = Dot(e1, e1), a12 = Dot(e1, e2), a22 = Dot(e2, e2);
  const float det = a11 * a22 - a12 * a12;
  float s = 0.0f, t = 0.0f;
  if (det != 0.0f) {
    const float b1 = Dot(e1, r), b2 = Dot(e2, r);
    s = (a22 * b1 - a12 * b2) / det;
    t = (a11 * b2 - a12 * b1) / det;
  }
  for (int a = 0; a < 3; ++a) out->point[a] = O[a] + s * e1[a] + t * e2[a];
  out->s = s;
  out->t = t;
  Copy3(out->normal, N);
  Copy3(out->offset, offset);
  Sub(r, target, out->point);
  out->dist = Dot(N, r);
}

void GVProjectOnTriangle(const float O[3], const float A[3], const float B[3], const float P[3], const float D[3],
                         const float N[3], uint32_t options, float offsetLength, SurfaceProjection* out) {
  if (!O || !A || !B || !P || !N) {
    *out = SurfaceProjection{};
    return;
  }
  if (!D) D = kZero3;
  float offset[3] = {0, 0, 0};
  if (options & kProjOffset) GVVecScale(offset, D, offsetLength);
  ProjectTriOnce(O, A, B, P, offset, N, out);
  if (!(options & kProjOffsetTowards)) return;
  float toSurface[3];
  Sub(toSurface, out->point, P);
  const float a = Dot(toSurface, D) < 0.0f ? -std::fabs(offsetLength) : std::fabs(offsetLength);
  GVVecScale(offset, D, a);
  ProjectTriOnce(O, A, B, P, offset, N, out);
}

// ---------------------------------------------------------------------------
// Face and node routines

float GVContactStepTime(const HAState* state) {
  if (!state || !state->params) return 0.0f;
  const float n = static_cast<float>(state->params->subSteps) * static_cast<float>(state->params->fps);
  return n > 0.0f ? 1.0f / n : 0.0f;
}

// The slab of every face between its corners' lowest and highest reach
// along the normal of its diagonals. A point of the face at parameters
// within [-0.05, 1.05] (the widest parameter bounds) is a mix of the corners
// whose weights sum to 1 and whose negative ones sum to at least -0.105, so
// it lies within the slab widened by 0.105 of its depth on each side.
static void FillFaceSlabs(HAState* state) {
  state->faceSlabs.resize(kFaceSlabFloats * (static_cast<size_t>(state->faceCount) + 1));
  float* slabs = state->faceSlabs.data();
  for (int a = 0; a < kFaceSlabFloats; ++a) slabs[a] = 0.0f;
  for (int32_t f = 1; f <= state->faceCount; ++f) {
    FaceCorners fc;
    LoadCorners(state, f, 0.0f, &fc);
    float d1[3], d2[3], n[3];
    Sub(d1, fc.c[2], fc.c[0]);
    Sub(d2, fc.c[3], fc.c[1]);
    GVVecCross(n, d1, d2);
    float* slab = slabs + kFaceSlabFloats * f;
    Normalise(n, slab);
    float lo = Dot(slab, fc.c[0]), hi = lo;
    for (int k = 1; k < 4; ++k) {
      const float d = Dot(slab, fc.c[k]);
      lo = d < lo ? d : lo;
      hi = d > hi ? d : hi;
    }
    const float widen = 0.11f * (hi - lo);
    slab[3] = lo - widen;
    slab[4] = hi + widen;
  }
}

void GVEnsureNodeBox(HAState* state) {
  if (!state || state->contactStatus[1]) return;
  state->contactStatus[1] = 1;
  float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
  bool finite = true;
  for (int32_t i = 1; state->pos && i <= state->nodeCount; ++i) {
    const float* p = state->pos[i];
    for (int a = 0; a < 3; ++a) {
      lo[a] = p[a] < lo[a] ? p[a] : lo[a];
      hi[a] = p[a] > hi[a] ? p[a] : hi[a];
      finite = finite && p[a] == p[a];
    }
  }
  for (int a = 0; a < 3; ++a) {
    state->nodeBox[a] = finite ? lo[a] : -INFINITY;
    state->nodeBox[3 + a] = finite ? hi[a] : INFINITY;
  }
}

bool GVFaceBeyondReach(const HAState* state, int32_t face, const float P[3], float reach) {
  return FaceBeyondReach(state, face, P, reach);
}

void GVEnsureFaceGrid(HAState* state) {
  if (!state || state->contactStatus[0]) return;
  state->rebuildContactGrid(0.5f * state->cellSize, 0);
  state->contactStatus[0] = 1;
  // The face centres the searches measure against, with their bounds.
  float* box = state->faceCentreBox;
  for (int a = 0; a < 3; ++a) {
    box[a] = INFINITY;
    box[3 + a] = -INFINITY;
  }
  if (!state->faces || state->faceCount < 1 || !state->pos) {
    state->faceCentres.clear();
    state->faceSlabs.clear();
    return;
  }
  FillFaceSlabs(state);
  state->faceCentres.resize(3 * (static_cast<size_t>(state->faceCount) + 1));
  float* centres = state->faceCentres.data();
  centres[0] = centres[1] = centres[2] = 0.0f;
  for (int32_t f = 1; f <= state->faceCount; ++f) {
    const int32_t* c = state->faces[f];
    float* centre = centres + 3 * f;
    GVQuadCentre(state, c[0], c[1], c[2], c[3], centre);
    // A NaN centre never compares, so it widens nothing: no point is ever
    // near it either.
    for (int a = 0; a < 3; ++a) {
      if (centre[a] < box[a]) box[a] = centre[a];
      if (centre[a] > box[3 + a]) box[3 + a] = centre[a];
    }
  }
}



void GVFaceCorrDispAt(const HAState* state, int32_t face, float s, float t, float out[3]) {
  FaceCorrDispAt(state, face, s, t, out);
}

void GVFaceMassFrame(const HAState* state, int32_t face, float* mass, float* invMass, float centre[3],
                     float invInertia[9]) {
  *mass = *invMass = 0.0f;
  centre[0] = centre[1] = centre[2] = 0.0f;
  for (int k = 0; k < 9; ++k) invInertia[k] = 0.0f;
  if (!state || !state->pos || !state->mass || !ValidFace(state, face)) return;
  const int32_t* f = state->faces[face];
  float m[4], M = 0.0f;
  const float* x[4];
  for (int k = 0; k < 4; ++k) {
    const int32_t j = ValidNode(state, f[k]) ? f[k] : 0;
    m[k] = j ? state->mass[j] : 0.0f;
    x[k] = j ? state->pos[j] : kZero3;
    M += m[k];
  }
  const float inv = M != 0.0f ? 1.0f / M : 0.0f;
  for (int k = 0; k < 4; ++k)
    for (int a = 0; a < 3; ++a) centre[a] += M != 0.0f ? m[k] * x[k][a] * inv : 0.25f * x[k][a];
  *mass = M;
  *invMass = inv;
  if (M == 0.0f) return;
  float J[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int k = 0; k < 4; ++k) {
    float r[3];
    Sub(r, x[k], centre);
    const float w = m[k] * inv, rr = Dot(r, r);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) J[3 * i + j] += w * ((i == j ? rr : 0.0f) - r[i] * r[j]);
  }
  GVMat3Inverse(J, invInertia, nullptr);
}


void GVNodeImpulse(HAState* state, int32_t a, int32_t b, const float c[3], float k, float out[3]) {
  NodeImpulse(state, a, b, c, k, out);
}

void GVNodeAngImpulse(const HAState* state, int32_t a, int32_t b, const float centre[3], const float c[3],
                      float out[3]) {
  NodeAngImpulse(state, a, b, centre, c, out);
}

void GVFaceAddRigidCorr(HAState* state, const int32_t corners[4], const float centre[3], const float v[3],
                        const float w[3]) {
  FaceAddRigidCorr(state, corners, centre, v, w);
}

void GVClearFaceContactCounts(HAState* state) {
  if (!state || !state->faceContactCount) return;
  for (int32_t f = 1; f <= state->faceCount; ++f) state->faceContactCount[f] = 0;
}

float GVMaxNodeMass(const HAState* state, int32_t c0, int32_t c1, int32_t c2, int32_t c3) {
  if (!state || !state->mass) return 0.0f;
  const int32_t c[4] = {c0, c1, c2, c3};
  float best = 0.0f;
  for (int k = 0; k < 4; ++k) {
    if (c[k] < 0 || c[k] > state->nodeCount) return 0.0f;
    if (k == 0 || state->mass[c[k]] > best) best = state->mass[c[k]];
  }
  return best;
}

void GVQuadCentre(const HAState* state, int32_t c0, int32_t c1, int32_t c2, int32_t c3, float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  if (!state || !state->pos) return;
  const int32_t c[4] = {c0, c1, c2, c3};
  for (int k = 0; k < 4; ++k) {
    if (!ValidNode(state, c[k])) continue;
    for (int a = 0; a < 3; ++a) out[a] += 0.25f * state->pos[c[k]][a];
  }
}

void GVNodeOffset(const HAState* state, const float point[3], int32_t a, int32_t b, float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  if (!state || !state->pos || !ValidNode(state, a)) return;
  for (int k = 0; k < 3; ++k) out[k] = state->pos[a][k];
  if (b != 0 && ValidNode(state, b))
    for (int k = 0; k < 3; ++k) out[k] = 0.5f * (out[k] + state->pos[b][k]);
  for (int k = 0; k < 3; ++k) out[k] -= point[k];
}

// ---------------------------------------------------------------------------
// Shared pieces of the tests

static bool Touches(float dist, float r) {
  return !EndsBehind(dist, r) || (std::fabs(dist) < kRestEps && std::fabs(r) < kRestEps);
}

FaceReach GVFaceReach(const HAState* st, int32_t face, float s, float t, float dist) {
  return FaceReachOf(st, face, s, t, dist);
}

// Hit list of the grid around a point, or null when the grid cannot answer.
static const int32_t* QueryGrid(ContactGrid* grid, const float p[3]) {
  if (!grid || !grid->root) return nullptr;
  int32_t x = -1, y = -1, z = -1;
  if (!GVOctreeLocate(grid, p, &x, &y, &z)) return nullptr;
  return GVOctreeQuery(grid, x, y, z);
}


// ---------------------------------------------------------------------------
// Point against faces

int32_t GVCollidePointFaces(HAState* state, ContactList* list, int32_t part, const PointFaceQuery& q,
                            const int32_t* hits, SurfaceProjection* out) {
  SurfaceProjection best{};
  best.s = best.t = 100.0f;
  if (out) *out = best;
  if (!state || !state->pos || !state->disp || !state->faces || !q.point || !q.second || !hits) return 0;
  const float h = state->cellSize;
  const float reach = q.reach < h ? q.reach : h;
  // A wheel keeps one best face per half: its two rims meet the ground apart.
  const bool wheel = state->ownerFlags && (*state->ownerFlags & kWheelFlag) && state->nodeCount == kWheelNodes;
  const float start = reach * 0.6f * q.factor * 30.0f;
  float bestDist[3] = {start, start, start};
  float nearest = 1e30f;
  int32_t bestFace = 0;
  for (int32_t k = 1; k <= hits[0]; ++k) {
    const int32_t f = hits[k];
    // Faces go into the grid as single points, so none repeats; one that did
    // would only be tried again and find nothing nearer.
    if (!ValidFace(state, f)) continue;
    const int32_t* c = state->faces[f];
    if (!ValidNode(state, c[0]) || !state->inPart(c[0], part)) continue;
    const int32_t half = wheel ? (c[0] > kWheelHalfNode ? 2 : 1) : 0;
    float centre[3], off[3];
    GVQuadCentre(state, c[0], c[1], c[2], c[3], centre);
    Sub(off, q.point, centre);
    if (Dot(off, off) >= h * h) continue;
    if (q.normal && state->faceNormals && Dot(state->faceNormals[f], q.normal) >= 0.0f) continue;
    SurfaceProjection pr;
    GVProjectOnFace(state, f, q.point, nullptr, 4, q.options | kProjShiftCorners, 0.0f, q.cornerShift, &pr);
    if (!(std::fabs(pr.dist) < bestDist[half])) continue;
    float F[3], move[3];
    FaceDispAt(state, f, pr.s, pr.t, F);
    Sub(move, q.second, q.point);
    const float r = Dot(move, pr.normal) - Dot(F, pr.normal);
    bool touch = Touches(pr.dist, r);
    const FaceReach fr = FaceReachOf(state, f, pr.s, pr.t, pr.dist);
    if (fr == FaceReach::Outside) continue;
    if (fr == FaceReach::EdgeTouch) touch = true;
    bestDist[half] = std::fabs(pr.dist);
    if (bestDist[half] < nearest) {
      nearest = bestDist[half];
      bestFace = f;
      best = pr;
    }
    if (touch) {
      if (list) GVContactDropLastIf(list, state, state, q.item, 0, static_cast<uint32_t>(half));
      continue;
    }
    float Y[3], gap[3];
    for (int a = 0; a < 3; ++a) Y[a] = pr.point[a] + F[a];
    Sub(gap, Y, q.second);
    const float depth = Dot(gap, pr.normal);
    if (depth <= 0.0f || !list) continue;
    const float v2[3] = {pr.s, pr.t, pr.dist};
    GVContactUpdateOrAppend(list, state, state, 0, q.item, 0, f, static_cast<uint32_t>(half), depth,
                            ProjectionVectors(pr, v2));
  }
  if (out) *out = best;
  return bestFace;
}

// ---------------------------------------------------------------------------
// Geo vertices against Jel faces

static bool MeshUsable(const GeoTestMesh* m) { return m && m->vertices && m->vertexCount > 0; }

static void VertexPoints(const GeoTestMesh* m, int32_t v, float p[3], float e[3]) {
  for (int a = 0; a < 3; ++a) {
    p[a] = m->vertices[v][a];
    e[a] = p[a] + (m->displacement ? m->displacement[v][a] : 0.0f);
  }
}

// Records the vertices' contacts into list; 0 when the inputs are missing.
// sheetSide: a one-layer Jel's faces are shifted to the vertex's side (the
// recording pass; the self-contained pass takes the faces as they are).
static int32_t RecordVertexContacts(ContactList* list, int32_t part, const GeoTestMesh* m, float reach,
                                    HAState* st, bool sheetSide) {
  const float dt = GVContactStepTime(st);
  if (dt == 0.0f) return 0;
  st->updateFaceNormals();
  GVEnsureFaceGrid(st);
  const bool flat = st->isFlat();
  int32_t kept = 0;
  for (int32_t v = 1; v <= m->vertexCount; ++v) {
    if (m->creaseFlags && (m->creaseFlags[v] & 0x400)) continue;
    float p[3], e[3];
    VertexPoints(m, v, p, e);
    const int32_t* hits = QueryGrid(st->contactGrid, e);
    if (!hits || hits[0] == 0) continue;  // this vertex only: the others still collide
    PointFaceQuery q;
    q.point = p;
    q.second = e;
    q.normal = m->vertexNormals ? m->vertexNormals[v] : nullptr;
    q.item = v;
    q.reach = reach;
    q.factor = dt;
    q.options = flat && sheetSide ? kProjShiftTowards : 0u;
    if (GVCollidePointFaces(st, list, part, q, hits, nullptr)) ++kept;
  }
  return kept;
}

int32_t GVCollideGeoVertsRecord(ContactList* list, int32_t part, const GeoTestMesh* mesh, float reach,
                                HAState* state) {
  if (!state || !list || !MeshUsable(mesh) || !state->faces || !state->contactCorr) return 0;
  RecordVertexContacts(list, part, mesh, reach, state, true);
  GVClearFaceContactCounts(state);
  return 0;
}

// Corner weight of a contact at face coordinate x towards the corner.
static float CornerWeight(float x) { return x * (3.0f - 2.0f * x); }

int32_t GVCollideGeoVertsRelax(int32_t part, const GeoTestMesh* mesh, float reach, HAState* state) {
  if (!state || !MeshUsable(mesh) || !state->faces || !state->contactCorr || !state->contactPassCorr) return 0;
  GVClearCollDisp(part, state);
  GVClearPassCorr(state);
  ContactList list;
  GVContactListReset(&list);
  RecordVertexContacts(&list, part, mesh, reach, state, false);
  GVClearFaceContactCounts(state);
  for (ContactRec* r = list.first; r; r = r->next)
    if (ValidFace(state, r->face)) state->faceContactCount[r->face] += 1;

  int32_t kept = 0;
  bool corrected = false;
  for (int pass = 0; pass < kVertexRelaxPasses; ++pass) {
    kept = 0;
    for (ContactRec* r = list.first; r; r = r->next) {
      if (r->nodeSide != state || r->faceSide != state || !ValidFace(state, r->face)) continue;
      const float s = r->vec2[0], t = r->vec2[1];
      // Each pass sees the corrections of the earlier ones.
      float X[3], e[3], p[3], d[3];
      GVFaceCorrDispAt(state, r->face, s, t, X);
      for (int a = 0; a < 3; ++a) X[a] += r->vec3[a];
      VertexPoints(mesh, r->nodeA, p, e);
      Sub(d, X, e);
      const float depth = Dot(r->vec1, d);
      if (!(depth > 0.0f)) continue;
      const int32_t* c = state->faces[r->face];
      float corr[3];
      FrictionLimited(d, r->vec1, depth, FrictionOf(state, c[0]) * depth, corr);
      const int32_t count = state->faceContactCount[r->face] > 0 ? state->faceContactCount[r->face] : 1;
      const float k = kVertexRelax / static_cast<float>(count);
      // Corner 0 at (0, 0), 3 at (1, 0), 1 at (0, 1), 2 at (1, 1).
      const float w[4] = {CornerWeight(1 - s) * CornerWeight(1 - t), CornerWeight(1 - s) * CornerWeight(t),
                          CornerWeight(s) * CornerWeight(t), CornerWeight(s) * CornerWeight(1 - t)};
      for (int j = 0; j < 4; ++j) {
        if (!ValidNode(state, c[j])) continue;
        TouchPassCorr(state, c[j]);
        for (int a = 0; a < 3; ++a) state->contactPassCorr[c[j]][a] -= corr[a] * k * w[j];
      }
      ++kept;
      corrected = true;
    }
    FoldPass(state);
  }
  GVFreeContacts(&list);
  if (!corrected) return 0;
  GVApplyCollDisp(part, state);
  return kept;
}

int32_t GVCollideGeoVertsJel(ContactList* list, int32_t part, const GeoTestMesh* mesh, float reach, HAState* state) {
  if (!state) return 0;
  state->collisionFlags |= kCollGeoVerts;
  return list ? GVCollideGeoVertsRecord(list, part, mesh, reach, state)
              : GVCollideGeoVertsRelax(part, mesh, reach, state);
}

// ---------------------------------------------------------------------------
// Jel nodes and edges against Geo triangles and quads

namespace {

// Part p of a one-layer Jel is its whole node set.
int32_t EffectivePart(const HAState* st, int32_t part) { return (part == 2 && st->isFlat()) ? 1 : part; }

// The item's elements and committed point; false for one that is not searched.
bool MakeItemPoint(const HAState* st, int32_t i, int32_t part, GeoNodeItem* it) {
  *it = GeoNodeItem{};
  const int32_t n = st->nodeCount;
  if (i <= n) {
    it->a = i;
  } else {
    const int32_t e = i - n;
    if (!st->edges) return false;
    it->a = st->edges[e][0];
    it->b = st->edges[e][1];
    if (!ValidNode(st, it->a) || !ValidNode(st, it->b)) return false;
  }
  if (!ValidNode(st, it->a)) return false;
  if (!st->inPart(it->a, part) && !(it->b && st->inPart(it->b, part))) return false;
  for (int k = 0; k < 3; ++k) it->P[k] = st->pos[it->a][k];
  if (it->b)
    for (int k = 0; k < 3; ++k) it->P[k] = 0.5f * (it->P[k] + st->pos[it->b][k]);
  return true;
}

// The rest of the item: in-step point, normal and shift.
void FinishItem(const HAState* st, int32_t i, bool flat, GeoNodeItem* it) {
  const int32_t n = st->nodeCount;
  NodeStepPos(st, it->a, it->b, it->S);
  if (it->b == 0 && st->nodeNormals)
    Copy3(it->normal, st->nodeNormals[it->a]);
  else if (it->b != 0 && st->edgeNormals)
    Copy3(it->normal, st->edgeNormals[i - n]);
  it->D = GVNodeShiftVector(st, it->a);
  // A solid lattice collides at its surface nodes themselves; a one-layer
  // sheet is given a thickness along its out-of-plane rest vector, taken on
  // the side facing the surface.
  if (flat) {
    it->offsetLength = 0.71f;
    it->options = kProjOffsetTowards;
  }
}

bool MakeItem(const HAState* st, int32_t i, int32_t part, bool flat, GeoNodeItem* it) {
  if (!MakeItemPoint(st, i, part, it)) return false;
  FinishItem(st, i, flat, it);
  return true;
}

void TriCorner(const GeoTestMesh* m, int32_t v, float p[3], float e[3]) {
  for (int a = 0; a < 3; ++a) {
    p[a] = m->vertices[v][a];
    e[a] = m->displacement ? m->displacement[v][a] : 0.0f;
  }
}

bool TriUsable(const GeoTestMesh* m, const int32_t* c, int n) {
  for (int k = 0; k < n; ++k)
    if (c[k] < 1 || c[k] > m->vertexCount) return false;
  return true;
}

// The item's point with its offset, when the offset does not depend on the
// projection; false for one turned towards the surface.
bool KnownTarget(const GeoNodeItem& it, float target[3]) {
  if (it.options & kProjOffsetTowards) return false;
  const float k = (it.options & kProjOffset) ? it.offsetLength : 0.0f;
  const float* D = it.D ? it.D : kZero3;
  for (int a = 0; a < 3; ++a) target[a] = it.P[a] + D[a] * k;
  return true;
}

// Whether a target at tn along a triangle's normal lies farther than best
// from it, on one side, by more than rounding: its corners reach lo..hi
// along the normal, size is their largest coordinate sum. The distance of a
// projection that lands inside the triangle is a mix of the corners'
// distances, so such a triangle could only be rejected after projecting.
bool SpanBeyondBest(float tn, float lo, float hi, float size, const float target[3], float best) {
  const float scale = std::fabs(tn) > size ? std::fabs(tn) : size;
  const float limit =
      best + 1e-5f * (1.0f + scale + std::fabs(target[0]) + std::fabs(target[1]) + std::fabs(target[2]));
  return tn - hi > limit || tn - lo < -limit;
}

// The corners' range along N and their largest coordinate sum.
void TriSpan(const GeoTestMesh* m, int32_t i0, int32_t i1, int32_t i2, const float N[3], float* lo, float* hi,
             float* size) {
  *lo = INFINITY, *hi = -INFINITY, *size = 0.0f;
  for (const int32_t v : {i0, i1, i2}) {
    const float* p = m->vertices[v];
    const float d = Dot(N, p), extent = std::fabs(p[0]) + std::fabs(p[1]) + std::fabs(p[2]);
    *lo = d < *lo ? d : *lo;
    *hi = d > *hi ? d : *hi;
    *size = extent > *size ? extent : *size;
  }
}

void TriCentroid(const GeoTestMesh* m, int32_t i0, int32_t i1, int32_t i2, float centroid[3]) {
  float O[3], A[3], B[3], dO[3], dA[3], dB[3];
  TriCorner(m, i0, O, dO);
  TriCorner(m, i1, A, dA);
  TriCorner(m, i2, B, dB);
  for (int a = 0; a < 3; ++a) centroid[a] = (O[a] + A[a] + B[a] + dO[a] + dA[a] + dB[a]) * (1.0f / 3.0f);
}

// Tries triangle (i0, i1, i2) of a face with normal N against the item.
// Returns true when it is nearer than *best; sets *touch for an item that
// rests on it or does not end the sub-step behind it. framed: the caller
// has passed the facing, span and reach tests on the triangle's kept frame,
// which hold the same values, so they are not made again.
bool TryTriangle(const GeoTestMesh* m, int32_t i0, int32_t i1, int32_t i2, const float N[3], const GeoNodeItem& it,
                 float reachSq, bool anyFacing, bool framed, float* best, bool* touch, GeoNodeHit* hit) {
  if (!framed) {
    if (!anyFacing && !(Dot(N, it.normal) < 0.0f)) return false;
    float target[3];
    if (KnownTarget(it, target)) {
      float lo, hi, size;
      TriSpan(m, i0, i1, i2, N, &lo, &hi, &size);
      if (SpanBeyondBest(Dot(N, target), lo, hi, size, target, *best)) return false;
    }
    float centroid[3], off[3];
    TriCentroid(m, i0, i1, i2, centroid);
    Sub(off, centroid, it.P);
    if (!(Dot(off, off) < reachSq * 2.1f)) return false;
  }
  float O[3], A[3], B[3], dO[3], dA[3], dB[3];
  TriCorner(m, i0, O, dO);
  TriCorner(m, i1, A, dA);
  TriCorner(m, i2, B, dB);
  SurfaceProjection pr;
  GVProjectOnTriangle(O, A, B, it.P, it.D, N, it.options, it.offsetLength, &pr);
  // Only a triangle the point projects into can hold it.
  if (!(std::fabs(pr.s - 0.5f) <= 0.5f && std::fabs(pr.t - 0.5f) <= 0.5f && pr.s <= pr.t)) return false;
  if (!(std::fabs(pr.dist) < *best)) return false;
  float F[3], move[3];
  for (int a = 0; a < 3; ++a) F[a] = dO[a] * (1 - pr.t) + dA[a] * (pr.t - pr.s) + dB[a] * pr.s;
  Sub(move, it.S, it.P);
  const float r = Dot(move, N) - Dot(F, N);
  *best = std::fabs(pr.dist);
  *touch = Touches(pr.dist, r);
  float Y[3], S[3], gap[3];
  for (int a = 0; a < 3; ++a) {
    Y[a] = pr.point[a] + F[a];
    S[a] = it.S[a] + pr.offset[a];
  }
  Sub(gap, Y, S);
  hit->dist = pr.dist;
  hit->depth = Dot(gap, N);
  Copy3(hit->normal, N);
  Copy3(hit->contact, Y);
  Copy3(hit->offset, pr.offset);
  hit->st[0] = pr.s;
  hit->st[1] = pr.t;
  hit->st[2] = pr.dist;
  return true;
}

void TriNormal(const GeoTestMesh* m, int32_t face, const int32_t* c, float N[3]) {
  if (m->faceNormals) {
    Copy3(N, m->faceNormals[face]);
    return;
  }
  float e1[3], e2[3];
  Sub(e1, m->vertices[c[1]], m->vertices[c[0]]);
  Sub(e2, m->vertices[c[2]], m->vertices[c[0]]);
  GVVecCross(N, e1, e2);
  GVVecNormalise(N, N);
}

}  // namespace

void GVFillGeoTriFrames(const GeoTestMesh* m, GeoTriFrame* frames) {
  if (!m || !frames || !m->triangles) return;
  for (int32_t t = 1; t <= m->triangleCount; ++t) {
    GeoTriFrame& fr = frames[t];
    const int32_t* c = m->triangles[t];
    if (!m->vertices || !TriUsable(m, c, 3)) {
      fr = GeoTriFrame{{0.0f, 0.0f, 0.0f}, INFINITY, -INFINITY, 0.0f, {NAN, NAN, NAN}};
      continue;
    }
    TriNormal(m, t, c, fr.normal);
    TriSpan(m, c[0], c[1], c[2], fr.normal, &fr.lo, &fr.hi, &fr.size);
    TriCentroid(m, c[0], c[1], c[2], fr.centroid);
  }
}

namespace {

// Every hit id a face number of 1..count.
bool HitsWithin(const int32_t* hits, int32_t count) {
  for (int32_t k = 1; k <= hits[0]; ++k)
    if (hits[k] < 1 || hits[k] > count) return false;
  return true;
}

// The Geo grid's hits around a point; null when the query failed or found
// nothing. *largest keeps the largest count seen, repeats included; then a
// face that went into the grid as several points is kept once.
const int32_t* QueryGeoFaces(const GeoTestMesh* m, const float p[3], int32_t* largest) {
  const int32_t* hits = QueryGrid(m->grid, p);
  if (!hits || hits[0] == 0) return nullptr;
  if (hits[0] > *largest) *largest = hits[0];
  const int32_t marked = m->triangleCount > 0 ? m->triangleCount : m->quadCount;
  if (m->grid->spillFlag && m->faceMarks && HitsWithin(hits, marked)) GVOctreeClearMarks(m->faceMarks, m->grid);
  return hits;
}

}  // namespace

bool GVCollidePointTris(HAState* st, ContactList* list, int32_t kind, const GeoNodeItem& it, const GeoTestMesh* m,
                        const int32_t* hits, float reach, float factor, GeoNodeHit* out) {
  if (!st || !m || !m->triangles || !hits || !out) return false;
  if (reach > st->cellSize) reach = st->cellSize;
  const float reachSq = reach * reach;
  float best = reach * factor * 30.0f * 0.6f;
  const bool anyFacing = st->isFlat() || Dot(it.normal, it.normal) == 0.0f;
  bool found = false;
  GeoNodeHit hit;  // written whole by every triangle that is tried
  float target[3];
  const bool known = KnownTarget(it, target);
  for (int32_t k = 1; k <= hits[0]; ++k) {
    const int32_t t = hits[k];
    if (t < 1 || t > m->triangleCount) continue;
    // The kept frame turns away most triangles before their corners are
    // read, by the first tests of TryTriangle with the same arithmetic.
    if (const GeoTriFrame* fr = m->triFrames ? &m->triFrames[t] : nullptr) {
      if (!anyFacing && !(Dot(fr->normal, it.normal) < 0.0f)) continue;
      if (known && SpanBeyondBest(Dot(fr->normal, target), fr->lo, fr->hi, fr->size, target, best)) continue;
      float off[3];
      Sub(off, fr->centroid, it.P);
      if (!(Dot(off, off) < reachSq * 2.1f)) continue;
    }
    const int32_t* c = m->triangles[t];
    if (!TriUsable(m, c, 3)) continue;
    float N[3];
    TriNormal(m, t, c, N);
    bool touch = false;
    if (!TryTriangle(m, c[0], c[1], c[2], N, it, reachSq, anyFacing, m->triFrames != nullptr, &best, &touch, &hit))
      continue;
    hit.face = t;
    found = true;
    if (touch) {
      if (list) GVContactDropLastNode(list, st, it.a, it.b);
      continue;
    }
    if (hit.depth <= 0.0f) continue;
    *out = hit;
    if (!list) continue;
    ContactVectors v;
    v.v1 = hit.normal;
    v.v2 = hit.st;
    v.v3 = hit.contact;
    v.v4 = hit.offset;
    GVContactUpdateOrAppend(list, st, nullptr, kind, it.a, it.b, t, 0, hit.depth, v);
  }
  return found;
}

int32_t GVCollidePointQuads(const HAState* st, const GeoNodeItem& it, const GeoTestMesh* m, const int32_t* hits,
                            float reach, float factor, GeoNodeHit* nearest, bool* touch) {
  if (!st || !m || !m->quads || !hits || !nearest || !touch) return 0;
  if (reach > st->cellSize) reach = st->cellSize;
  const float reachSq = reach * reach;
  float best = reach * factor * 30.0f * 0.5f;
  const bool anyFacing = st->isFlat() || Dot(it.normal, it.normal) == 0.0f;
  int32_t found = 0;
  for (int32_t k = 1; k <= hits[0]; ++k) {
    const int32_t q = hits[k];
    if (q < 1 || q > m->quadCount) continue;
    const int32_t* c = m->quads[q];
    if (!TriUsable(m, c, 4)) continue;
    float N[3];
    TriNormal(m, q, c, N);
    const int32_t halves[2][3] = {{c[0], c[1], c[2]}, {c[0], c[2], c[3]}};
    for (const auto& h : halves) {
      GeoNodeHit hit;
      bool t = false;
      if (!TryTriangle(m, h[0], h[1], h[2], N, it, reachSq, anyFacing, false, &best, &t, &hit)) continue;
      hit.face = q;
      *nearest = hit;
      *touch = t;
      found = q;
    }
  }
  return found;
}

namespace {

// Nodes with a record of this state in the node list take the Geo-contact
// mark, so that an edge between two of them is not searched again.
void MarkRecordedNodes(HAState* st, const ContactList* nodes) {
  if (!nodes || !st->contactFlags) return;
  for (const ContactRec* r = nodes->first; r; r = r->next)
    if (r->nodeSide == st && ValidNode(st, r->nodeA)) st->contactFlags[r->nodeA] |= kGeoContactMark;
}

bool EdgeBothMarked(const HAState* st, const GeoNodeItem& it) {
  return it.b != 0 && Marked(st, it.a) && Marked(st, it.b);
}

// Steps shared by the record and relax forms: every item against the hits
// of the Geo's grid, recorded into the node and edge lists. Returns the
// largest hit count seen. In the recording form a solid lattice's node is
// offset along its shift vector by minus its crease dot, so that a node on a
// sharp edge meets the surface where its faces would.
int32_t SearchTriangles(HAState* st, ContactList* nodes, ContactList* edges, int32_t part, const GeoTestMesh* m,
                        float reach, int32_t withEdges, float dt, bool recording) {
  const int32_t n = st->nodeCount;
  const int32_t items = n + (withEdges && st->edges ? st->edgeCount : 0);
  const bool flat = st->isFlat();
  int32_t largest = 0;
  for (int32_t i = 1; i <= items; ++i) {
    if (i == n + 1) MarkRecordedNodes(st, nodes);
    GeoNodeItem it;
    if (!MakeItemPoint(st, i, part, &it) || EdgeBothMarked(st, it)) continue;
    const int32_t* hits = QueryGeoFaces(m, it.P, &largest);
    if (!hits) continue;  // this item only
    FinishItem(st, i, flat, &it);
    if (recording && !flat && it.b == 0 && st->nodeCreaseDot) {
      it.offsetLength = -st->nodeCreaseDot[it.a];
      it.options = kProjOffset;
    }
    GeoNodeHit hit;
    GVCollidePointTris(st, it.b ? edges : nodes, it.b ? 2 : 1, it, m, hits, reach, dt, &hit);
  }
  return largest;
}

bool TriMeshUsable(const GeoTestMesh* m) {
  return MeshUsable(m) && m->triangles && m->triangleCount > 0 && m->grid;
}

void ApplyNodeShares(HAState* st, int32_t a, int32_t b, const float c[3]) {
  int32_t nodes[2];
  float shares[2][3];
  const int n = NodeShares(st, a, b, c, nodes, shares);
  for (int e = 0; e < n; ++e) {
    TouchPassCorr(st, nodes[e]);
    for (int q = 0; q < 3; ++q) st->contactPassCorr[nodes[e]][q] += shares[e][q];
  }
}

}  // namespace

int32_t GVCollideJelGeoTrisRecord(ContactList* nodes, ContactList* edges, int32_t part, const GeoTestMesh* mesh,
                                  float reach, int32_t withEdges, HAState* state) {
  if (!state || !nodes || !edges || !TriMeshUsable(mesh) || !state->pos || !state->disp) return 0;
  const float dt = GVContactStepTime(state);
  if (dt == 0.0f) return 0;
  part = EffectivePart(state, part);
  GVClearGeoContactMarks(state);
  SearchTriangles(state, nodes, edges, part, mesh, reach, withEdges, dt, true);
  return 0;
}

int32_t GVCollideJelGeoTrisRelax(int32_t part, const GeoTestMesh* mesh, float reach, int32_t withEdges,
                                 HAState* state) {
  if (!state || !TriMeshUsable(mesh) || !state->pos || !state->disp || !state->contactCorr ||
      !state->contactPassCorr)
    return 0;
  const float dt = GVContactStepTime(state);
  if (dt == 0.0f) return 0;
  part = EffectivePart(state, part);
  GVClearPassCorr(state);
  GVClearCollDisp(part, state);
  GVClearGeoContactMarks(state);
  ContactList nodes, edges, all;
  GVContactListReset(&nodes);
  GVContactListReset(&edges);
  GVContactListReset(&all);
  const int32_t largest = SearchTriangles(state, &nodes, &edges, part, mesh, reach, withEdges, dt, false);
  GVContactListJoin(&all, &nodes, &edges);

  const bool flat = state->isFlat();
  bool corrected = false;
  for (ContactRec* r = all.first; r; r = r->next) {
    if (r->nodeSide != state) continue;
    float S[3], d[3];
    NodeCorrPos(state, r->nodeA, r->nodeB, S);
    if (flat)
      for (int a = 0; a < 3; ++a) S[a] += r->vec4[a];
    Sub(d, r->vec3, S);
    const float p = Dot(d, r->vec1);
    if (p > 0.0f) {
      float mu = FrictionOf(state, r->nodeA);
      if (mu > kGeoFrictionCap) mu = kGeoFrictionCap;
      float c[3];
      FrictionLimited(d, r->vec1, p, mu * p, c);
      ApplyNodeShares(state, r->nodeA, r->nodeB, c);
      corrected = true;
    }
    // Node contacts are folded one by one so that the next sees this one.
    if (r->nodeB == 0 && (state->collisionFlags & kCollGeoNodes)) FoldPass(state);
  }
  GVFreeContacts(&all);
  FoldPass(state);
  if (!corrected) return 0;
  GVApplyCollDisp(part, state);
  return largest;
}

int32_t GVCollideJelGeoTris(ContactList* nodes, ContactList* edges, int32_t part, const GeoTestMesh* mesh,
                            float reach, int32_t withEdges, HAState* state) {
  if (!state) return 0;
  state->collisionFlags |= kCollGeoNodes;
  if (!nodes && !edges) return GVCollideJelGeoTrisRelax(part, mesh, reach, withEdges, state);
  return GVCollideJelGeoTrisRecord(nodes, edges, part, mesh, reach, withEdges, state);
}

int32_t GVCollideJelGeoQuads(ContactList* nodes, ContactList* edges, int32_t part, const GeoTestMesh* mesh,
                             float reach, int32_t withEdges, HAState* state) {
  (void)edges;
  if (!state || !MeshUsable(mesh) || !mesh->quads || mesh->quadCount < 1 || !mesh->grid || !state->pos ||
      !state->disp || !state->contactCorr || !state->contactPassCorr)
    return 0;
  const float dt = GVContactStepTime(state);
  if (dt == 0.0f) return 0;
  state->collisionFlags |= kCollGeoNodes;
  part = EffectivePart(state, part);
  GVClearPassCorr(state);
  GVClearCollDisp(part, state);
  GVClearGeoContactMarks(state);
  const int32_t n = state->nodeCount;
  const int32_t items = n + (withEdges && state->edges ? state->edgeCount : 0);
  const bool flat = state->isFlat();
  int32_t largest = 0;
  bool corrected = false;
  for (int32_t i = 1; i <= items; ++i) {
    if (i == n + 1) MarkRecordedNodes(state, nodes);
    GeoNodeItem it;
    if (!MakeItem(state, i, part, flat, &it) || EdgeBothMarked(state, it)) continue;
    const int32_t* hits = QueryGeoFaces(mesh, it.P, &largest);
    if (!hits) continue;
    GeoNodeHit nearest;
    bool touch = false;
    const bool hitAny = GVCollidePointQuads(state, it, mesh, hits, reach, dt, &nearest, &touch) != 0;
    if (!hitAny || touch || nearest.depth <= 0.0f) continue;
    float S[3], d[3];
    NodeCorrPos(state, it.a, it.b, S);
    for (int a = 0; a < 3; ++a) S[a] += nearest.offset[a];
    Sub(d, nearest.contact, S);
    const float p = Dot(d, nearest.normal);
    if (!(p > 0.0f)) continue;
    float mu = FrictionOf(state, it.a);
    if (mu > kGeoFrictionCap) mu = kGeoFrictionCap;
    float c[3];
    FrictionLimited(d, nearest.normal, p, mu * p, c);
    // One contact never moves a node by more than a cell.
    GVVecClampLength(c, c, state->cellSize);
    ApplyNodeShares(state, it.a, it.b, c);
    if (it.b == 0 && state->contactFlags) state->contactFlags[it.a] |= kGeoContactMark;
    corrected = true;
  }
  FoldPass(state);
  if (!corrected) return 0;
  GVApplyCollDisp(part, state);
  return largest;
}
