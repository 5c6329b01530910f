#include "jel/deformation_map.h"

#include <cassert>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "jel/vector_math.h"
#include "jel/worker_pool.h"

namespace {

enum { kNx = 0, kNy = 1, kNz = 2, kPx = 3, kPy = 4, kPz = 5 };

constexpr int32_t kSearchBudget = 50000;
constexpr int32_t kPinnedBudget = 10;

struct Mat3 {
  float m[9];  // column form: m[c * 3 + r]
};

bool validNode(const DeformLattice* L, int32_t i) { return i >= 1 && i <= L->nodeCount; }

int32_t nb(const DeformLattice* L, int dir, int32_t i) {
  const int32_t* t = L->nbr[dir];
  return t ? t[i] : 0;
}

// Neighbour along lattice axis a on the + or - side; 0 when missing or
// outside the node range (tables from files are not trusted to be in range).
int32_t step(const DeformLattice* L, int32_t i, int axis, bool plus) {
  if (!validNode(L, i)) return 0;
  const int32_t j = nb(L, plus ? 3 + axis : axis, i);
  return validNode(L, j) ? j : 0;
}

void loadMatrix(const DeformLattice* L, int32_t i, Mat3* M) {
  // Arrays are row-major by component name: deform[r * 3 + c] is row r, column c.
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) M->m[c * 3 + r] = L->deform[r * 3 + c][i];
}

void storeColumn(DeformLattice* L, int32_t i, int c, const float col[3]) {
  for (int r = 0; r < 3; ++r) L->deform[r * 3 + c][i] = col[r];
}

void corners(const DeformLattice* L, int32_t cell, int32_t out[8]) {
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i) {
        int32_t n = cell;
        if (i) n = step(L, n, 0, true);
        if (j) n = step(L, n, 1, true);
        if (k) n = step(L, n, 2, true);
        out[k * 4 + j * 2 + i] = n;
      }
}

// Position and blended Jacobian of the map at (u, v, w) in a cell.
void evaluate(const DeformLattice* L, int32_t cell, bool flat, const float uvw[3], float X[3],
              Mat3* J) {
  int32_t c[8];
  corners(L, cell, c);
  X[0] = X[1] = X[2] = 0.0f;
  if (J) std::memset(J->m, 0, sizeof J->m);
  const int layers = flat ? 1 : 2;
  for (int k = 0; k < layers; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i) {
        const int32_t n = c[k * 4 + j * 2 + i];
        float weight = (i ? uvw[0] : 1.0f - uvw[0]) * (j ? uvw[1] : 1.0f - uvw[1]);
        if (!flat) weight *= k ? uvw[2] : 1.0f - uvw[2];
        const float d[3] = {uvw[0] - i, uvw[1] - j, flat ? uvw[2] : uvw[2] - k};
        Mat3 M;
        loadMatrix(L, n, &M);
        for (int r = 0; r < 3; ++r) {
          const float mapped = M.m[r] * d[0] + M.m[3 + r] * d[1] + M.m[6 + r] * d[2];
          X[r] += weight * (L->pos[n][r] + mapped);
        }
        if (J)
          for (int e = 0; e < 9; ++e) J->m[e] += weight * M.m[e];
      }
}

bool cellUsable(const DeformLattice* L, int32_t cell) {
  return validNode(L, cell) && L->cellFlag[cell] != 0;
}

// Newton step Δ = adj(J) r / sqrt(G), G the Gram determinant of J's columns.
void newtonStep(const Mat3& J, const float r[3], float delta[3]) {
  const float* a = J.m;  // columns a[0..2], a[3..5], a[6..8]
  // adj(J) rows are the cross products of column pairs.
  const float c12[3] = {a[4] * a[8] - a[5] * a[7], a[5] * a[6] - a[3] * a[8], a[3] * a[7] - a[4] * a[6]};
  const float c20[3] = {a[7] * a[2] - a[8] * a[1], a[8] * a[0] - a[6] * a[2], a[6] * a[1] - a[7] * a[0]};
  const float c01[3] = {a[1] * a[5] - a[2] * a[4], a[2] * a[3] - a[0] * a[5], a[0] * a[4] - a[1] * a[3]};
  const double det = double(a[0]) * c12[0] + double(a[1]) * c12[1] + double(a[2]) * c12[2];
  const double gram = det * det;
  if (gram == 0.0) {
    delta[0] = delta[1] = delta[2] = 0.0f;
    return;
  }
  const double s = 1.0 / std::sqrt(gram);
  delta[0] = float((c12[0] * r[0] + c12[1] * r[1] + c12[2] * r[2]) * s);
  delta[1] = float((c20[0] * r[0] + c20[1] * r[1] + c20[2] * r[2]) * s);
  delta[2] = float((c01[0] * r[0] + c01[1] * r[1] + c01[2] * r[2]) * s);
}

float clampf(float x, float lo, float hi) { return x < lo ? lo : (x > hi ? hi : x); }

struct Search {
  int32_t cell;
  float uvw[3];
  float bestDev = 9e30f;
  int32_t bestCell = 1;
  float bestUvw[3] = {0.5f, 0.5f, 0.5f};
};

// One Newton iteration in the current cell; returns the step size and leaves
// the deviation from the cell centre in *dev.
float iterate(const DeformLattice* L, bool flat, const float point[3], Search* s, float* dev) {
  for (float& c : s->uvw) c = clampf(c, -1.0f, 2.0f);
  float X[3];
  Mat3 J;
  evaluate(L, s->cell, flat, s->uvw, X, &J);
  const float r[3] = {point[0] - X[0], point[1] - X[1], point[2] - X[2]};
  float delta[3];
  newtonStep(J, r, delta);
  float stepSize = 0.0f, d = 0.0f;
  for (int a = 0; a < 3; ++a) {
    s->uvw[a] += delta[a];
    stepSize = std::fmax(stepSize, std::fabs(delta[a]));
    d = std::fmax(d, std::fabs(s->uvw[a] - 0.5f));
  }
  if (d < s->bestDev) {
    s->bestDev = d;
    s->bestCell = s->cell;
    std::memcpy(s->bestUvw, s->uvw, sizeof s->uvw);
  }
  *dev = d;
  return stepSize;
}

// The chain of cell moves toward the local coordinates; marks (when given)
// keep a search from walking back into cells it has left.
bool moveCell(const DeformLattice* L, Search* s, const int32_t* marks) {
  bool moved = false;
  for (int a = 0; a < 3; ++a) {
    for (int side = 0; side < 2; ++side) {
      const bool plus = side == 0;
      if (plus ? !(s->uvw[a] > 1.0f) : !(s->uvw[a] < 0.0f)) continue;
      const int32_t n = step(L, s->cell, a, plus);
      if (!cellUsable(L, n) || (marks && marks[n])) continue;
      s->cell = n;
      s->uvw[a] += plus ? -1.0f : 1.0f;
      moved = true;
    }
  }
  return moved;
}

void writeRecord(GeoVertBind* rec, int32_t id, int32_t cell, const float uvw[3]) {
  rec->jelId = id;
  rec->cellNode = cell;
  rec->u = uvw[0];
  rec->v = uvw[1];
  rec->w = uvw[2];
}

bool hasPart(const DeformLattice* L, int32_t i, int32_t part) {
  return L->partMask && ((L->partMask[i] >> (uint32_t(part) & 31u)) & 1u);
}

}  // namespace

void GVFreeCellBind(GeoCellBind* bind) {
  if (!bind) return;
  delete[] bind->nodes;
  bind->nodes = nullptr;
}

int GVLatticeIsFlat(const DeformLattice* L) {
  if (!L || L->nodeCount < 1) return 0;
  return nb(L, kNz, 1) == 0 && nb(L, kPz, 1) == 0;
}

void GVDeformColumn(const DeformLattice* L, int32_t node, int axis, float out[3]) {
  for (int r = 0; r < 3; ++r) out[r] = L->deform[r * 3 + axis][node];
}

void GVUpdateLatticeDeform(DeformLattice* L, int seam) {
  if (!L) return;
  const float(*P)[3] = L->pos;
  for (int32_t i = 1; i <= L->nodeCount; ++i) {
    float col[3][3];
    for (int a = 0; a < 3; ++a) {
      const int32_t m = step(L, i, a, false);
      const int32_t q = step(L, i, a, true);
      const int32_t s = (L->diffSide[a] && L->diffSide[a][i]) ? q : m;
      const float wc = L->diffCentral[i][a];
      const float wo = L->diffOneSided[i][a];
      for (int r = 0; r < 3; ++r) {
        // Missing neighbours carry zero weight; skip them so entry 0 is never read.
        float v = 0.0f;
        if (wc != 0.0f) v += (P[q][r] - P[m][r]) * wc;
        if (wo != 0.0f) v += (P[s][r] - P[i][r]) * wo;
        col[a][r] = v;
      }
    }
    if (nb(L, kNz, i) == 0 && nb(L, kPz, i) == 0) {
      // A node of a single layer: the z column is the layer normal, one cell long.
      float c[3];
      GVVecCross(c, col[0], col[1]);
      const float len2 = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
      const float k = len2 > 1e-5f ? L->cellSize / std::sqrt(len2) : len2;
      for (int r = 0; r < 3; ++r) col[2][r] = c[r] * k;
    }
    for (int a = 0; a < 3; ++a) storeColumn(L, i, a, col[a]);
  }
  if (seam) GVFixLatticeSeamDeform(L);
}

// Axis and sign of the edge from `from` to `to`; -1 when `to` is no neighbour.
static int edgeAxis(const DeformLattice* L, int32_t from, int32_t to, int* sign) {
  static const int dirs[6] = {kNx, kPx, kNy, kPy, kNz, kPz};
  for (int d : dirs) {
    if (to != 0 && nb(L, d, from) == to) {
      *sign = d >= 3 ? 1 : -1;
      return d % 3;
    }
  }
  return -1;
}

struct FaceAxes {
  int axisA, signA, axisB, signB, normal, orient;
};

static bool faceEdgeAxes(const DeformLattice* L, const int32_t c[4], FaceAxes* f) {
  f->axisA = edgeAxis(L, c[0], c[3], &f->signA);
  f->axisB = edgeAxis(L, c[0], c[1], &f->signB);
  if (f->axisA < 0 || f->axisB < 0 || f->axisA == f->axisB) return false;
  f->normal = 3 - f->axisA - f->axisB;
  f->orient = f->axisB == (f->axisA + 1) % 3 ? 1 : -1;
  if (f->signA != f->signB) f->orient = -f->orient;
  return true;
}

static int32_t seamNeighbour(const DeformLattice* L, int32_t i, int axis, float side) {
  return step(L, i, axis, side > 0.9f);
}

void GVFixLatticeSeamDeform(DeformLattice* L) {
  if (!L || !L->faces || !L->glueJel || !L->glueNode || !L->glueFlag || !L->partMask) return;
  for (int32_t f = 1; f <= L->faceCount; ++f) {
    const int32_t* c = L->faces[f];
    bool ok = true;
    int32_t g[4];
    for (int k = 0; k < 4 && ok; ++k)
      ok = validNode(L, c[k]) && hasPart(L, c[k], 1) && L->glueJel[c[k]] >= 1 &&
           L->glueJel[c[k]] == L->glueJel[c[0]] && L->glueFlag[c[k]] != 0 &&
           validNode(L, L->glueNode[c[k]]);
    if (!ok || L->glueJel[c[0]] != L->id) continue;
    for (int k = 0; k < 4; ++k) g[k] = L->glueNode[c[k]];
    FaceAxes mine, other;
    if (!faceEdgeAxes(L, c, &mine) || !faceEdgeAxes(L, g, &other)) continue;
    int map[3];
    float sigma[3];
    // An in-face axis maps with the product of the two edge signs: the glued
    // edges run the same way in the world, so a lattice axis that runs
    // against its edge meets the partner's axis through both signs.
    map[mine.axisA] = other.axisA;
    sigma[mine.axisA] = float(mine.signA * other.signA);
    map[mine.axisB] = other.axisB;
    sigma[mine.axisB] = float(mine.signB * other.signB);
    map[mine.normal] = other.normal;
    sigma[mine.normal] = float(mine.orient * other.orient);
    for (int a = 0; a < 3; ++a)
      for (int k = 0; k < 4; ++k) {
        const int32_t i = c[k], j = g[k];
        const int b = map[a];
        const float w = L->diffOneSided[i][a];
        if (w == 0.0f) continue;
        const float wj = L->diffOneSided[j][b];
        float col[3];
        if (wj >= -0.1f && wj <= 0.1f) {
          if (a != mine.normal) continue;
          // Across the seam: a central difference from the neighbour on the
          // material side (x) to the partner's neighbour beyond the seam (y).
          // With w = +1 x lies ahead along +a, with w = -1 behind, so the
          // difference x - y is taken with w's sign (the opposite sign turns
          // the column over).
          const int32_t x = seamNeighbour(L, i, a, w);
          const int32_t y = seamNeighbour(L, j, b, -w * sigma[a]);
          for (int r = 0; r < 3; ++r) col[r] = (L->pos[x][r] - L->pos[y][r]) * (0.5f * w);
        } else {
          GVDeformColumn(L, j, b, col);
          for (float& v : col) v *= sigma[a];
        }
        storeColumn(L, i, a, col);
      }
  }
}

int GVLatticeEvalTrilinear(const DeformLattice* L, const GeoVertBind* rec, float out[3]) {
  if (!L || !rec || !out || rec->jelId == 0 || !cellUsable(L, rec->cellNode)) return 0;
  const float uvw[3] = {rec->u, rec->v, rec->w};
  evaluate(L, rec->cellNode, GVLatticeIsFlat(L) != 0, uvw, out, nullptr);
  return 1;
}

// The trilinear pass runs over every bound vertex after every frame, so it
// reads each node's position and matrix as one 64-byte record: position,
// then the three matrix columns, each padded to four floats. The records are
// packed once per pass into a buffer that only grows (with the largest Jel
// seen), so a running scene allocates nothing. Same sums as evaluate(); a
// missing corner reads the zero entry 0, as step() gives it.
//
// Where every cell's odd corners are the +x neighbours of its even ones (any
// lattice the builder makes), the wide paths read pair records instead: a
// node's record beside its +x neighbour's, chunk by chunk, so that two
// corners' chunk is one aligned load.
namespace {
struct alignas(64) NodePack {
  float f[16];
};
// Chunk j of the node in f[8j..8j+3], of its +x neighbour in f[8j+4..8j+7].
struct alignas(128) PairPack {
  float f[32];
};
// The eight corners of the cell whose low corner is the node, x fastest;
// all 0 when the node has no solid cell.
struct alignas(32) CellCorners {
  int32_t c[8];
};
}  // namespace

struct DeformScratch {
  std::unique_ptr<NodePack[]> pack;
  std::unique_ptr<PairPack[]> pairs;
  std::unique_ptr<CellCorners[]> corners;
  int64_t cap = 0;
  int64_t pairCap = 0;
};

DeformScratch* GVNewDeformScratch() { return new (std::nothrow) DeformScratch; }
void GVFreeDeformScratch(DeformScratch* scratch) { delete scratch; }

// Node i's 16 floats: position, then the three columns, each padded.
static void nodeRecord(const DeformLattice* L, int32_t i, float* P) {
  P[0] = L->pos[i][0];
  P[1] = L->pos[i][1];
  P[2] = L->pos[i][2];
  P[3] = 0.0f;
  for (int c = 0; c < 3; ++c) {
    for (int r = 0; r < 3; ++r) P[4 + 4 * c + r] = L->deform[r * 3 + c][i];
    P[7 + 4 * c] = 0.0f;
  }
}

// The corner lists; false when they could not be made. *paired tells whether
// every odd corner is the +x neighbour of the corner before it.
static bool packCorners(const DeformLattice* L, bool* paired) {
  DeformScratch* sc = L->scratch;
  if (!sc) return false;
  const int64_t need = int64_t(L->nodeCount) + 1;
  if (need > sc->cap) {
    sc->pack.reset();
    sc->corners.reset(new (std::nothrow) CellCorners[size_t(need)]);
    sc->cap = sc->corners ? need : 0;
    if (!sc->cap) return false;
  }
  CellCorners* corners = sc->corners.get();
  corners[0] = CellCorners{};
  bool pairs = true;
  for (int32_t i = 1; i < need; ++i) {
    int32_t* c = corners[i].c;
    if (L->cellFlag[i] == 0) {
      corners[i] = CellCorners{};
      continue;
    }
    c[0] = i;
    c[1] = step(L, i, 0, true);
    c[2] = step(L, i, 1, true);
    c[3] = step(L, c[1], 1, true);
    c[4] = step(L, i, 2, true);
    c[5] = step(L, c[1], 2, true);
    c[6] = step(L, c[2], 2, true);
    c[7] = step(L, c[3], 2, true);
    for (int k = 2; k < 8 && pairs; k += 2) pairs = c[k + 1] == step(L, c[k], 0, true);
  }
  *paired = pairs;
  return true;
}

static const NodePack* packNodes(const DeformLattice* L) {
  DeformScratch* sc = L->scratch;
  const int64_t need = int64_t(L->nodeCount) + 1;
  if (!sc->pack) sc->pack.reset(new (std::nothrow) NodePack[size_t(sc->cap)]);
  NodePack* out = sc->pack.get();
  if (!out) return nullptr;
  for (int32_t i = 0; i < need; ++i) nodeRecord(L, i, out[i].f);
  return out;
}

static const PairPack* packPairs(const DeformLattice* L) {
  DeformScratch* sc = L->scratch;
  const int64_t need = int64_t(L->nodeCount) + 1;
  if (need > sc->pairCap) {
    sc->pairs.reset(new (std::nothrow) PairPack[size_t(need)]);
    sc->pairCap = sc->pairs ? need : 0;
    if (!sc->pairCap) return nullptr;
  }
  PairPack* out = sc->pairs.get();
  for (int32_t i = 0; i < need; ++i) {
    float own[16], next[16];
    nodeRecord(L, i, own);
    nodeRecord(L, i ? step(L, i, 0, true) : 0, next);
    for (int j = 0; j < 4; ++j) {
      std::memcpy(out[i].f + 8 * j, own + 4 * j, 4 * sizeof(float));
      std::memcpy(out[i].f + 8 * j + 4, next + 4 * j, 4 * sizeof(float));
    }
  }
  return out;
}

// Bindings in random cells would wait on a cache miss for the cell's corner
// list and again for its corner records: both are fetched some vertices
// ahead, the corner list twice as far ahead as the records it names. Only the
// even corners are asked for (each one's +x neighbour record follows it in
// memory, or shares its pair record), and only where the cell changes: a mesh
// in order then pays almost nothing. Forced inline: GCC takes a function
// holding only prefetches for one without effects and drops the call.
#if defined(__GNUC__)
template <class Rec>
__attribute__((always_inline)) static inline void prefetchAhead(const DeformLattice* L, const Rec* pack,
                                                                const GeoVertBind* recs, int32_t v, int32_t count) {
  constexpr int32_t kAhead = 4;
  const CellCorners* corners = L->scratch->corners.get();
  if (v + 2 * kAhead <= count) {
    const int32_t far = recs[v + 2 * kAhead].cellNode;
    if (far > 0 && far <= L->nodeCount && far != recs[v + 2 * kAhead - 1].cellNode) __builtin_prefetch(&corners[far]);
  }
  if (v + kAhead <= count) {
    const int32_t near = recs[v + kAhead].cellNode;
    if (near > 0 && near <= L->nodeCount && near != recs[v + kAhead - 1].cellNode) {
      const int32_t* c = corners[near].c;
      for (int k = 0; k < 8; k += 2)
        for (size_t line = 0; line < sizeof(Rec); line += 64)
          __builtin_prefetch(reinterpret_cast<const char*>(&pack[c[k]]) + line);
    }
  }
}
#else
template <class Rec>
static inline void prefetchAhead(const DeformLattice*, const Rec*, const GeoVertBind*, int32_t, int32_t) {}
#endif

// Vertex v's cell corners, after asking for the records some vertices ahead;
// null for an unbound vertex or one whose cell node has no solid cell. A
// binding past the lattice sets *stop: the pass ends there and later
// vertices keep their values.
template <class Rec>
static inline const int32_t* vertexCorners(const DeformLattice* L, const Rec* pack, const GeoVertBind* recs,
                                           int32_t v, int32_t count, bool* stop) {
  prefetchAhead(L, pack, recs, v, count);
  const int32_t cell = recs[v].cellNode;
  if (cell == 0) return nullptr;
  if (cell < 0 || cell > L->nodeCount) {
    *stop = true;
    return nullptr;
  }
  const int32_t* c = L->scratch->corners[cell].c;
  return c[0] == 0 ? nullptr : c;
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same pass with fused multiply-adds, taken where the processor has them.
__attribute__((target("fma"))) static void deformVertsFma(const DeformLattice* L, const NodePack* pack,
                                                           const GeoVertBind* recs, float (*verts)[3],
                                                           int32_t count) {
  for (int32_t v = 1; v <= count; ++v) {
    bool stop = false;
    const int32_t* c = vertexCorners(L, pack, recs, v, count, &stop);
    if (stop) return;
    if (!c) continue;
    const float u = recs[v].u, w1 = recs[v].v, w2 = recs[v].w;
    const float wx[2] = {1.0f - u, u}, wy[2] = {1.0f - w1, w1}, wz[2] = {1.0f - w2, w2};
    const float dx[2] = {u, u - 1.0f}, dy[2] = {w1, w1 - 1.0f}, dz[2] = {w2, w2 - 1.0f};
    __m128 acc[2] = {_mm_setzero_ps(), _mm_setzero_ps()};
    for (int k = 0; k < 8; ++k) {
      const int i = k & 1, j = (k >> 1) & 1, l = k >> 2;
      const float* P = pack[c[k]].f;
      const float wt = wx[i] * wy[j] * wz[l];
      __m128 t = _mm_mul_ps(_mm_load_ps(P + 12), _mm_set1_ps(wt * dz[l]));
      t = _mm_fmadd_ps(_mm_load_ps(P + 8), _mm_set1_ps(wt * dy[j]), t);
      t = _mm_fmadd_ps(_mm_load_ps(P + 4), _mm_set1_ps(wt * dx[i]), t);
      acc[k & 1] = _mm_add_ps(acc[k & 1], _mm_fmadd_ps(_mm_load_ps(P), _mm_set1_ps(wt), t));
    }
    alignas(16) float X[4];
    _mm_store_ps(X, _mm_add_ps(acc[0], acc[1]));
    verts[v][0] = X[0];
    verts[v][1] = X[1];
    verts[v][2] = X[2];
  }
}

// The eight corners' weights, lane k for corner k (i = k & 1, j = (k >> 1) &
// 1, l = k >> 2): w the trilinear weight, and w times the offset from the
// corner along each axis.
struct CornerWeights {
  __m256 wt, wdx, wdy, wdz;
};
__attribute__((target("avx2,fma"), always_inline)) static inline CornerWeights cornerWeights(const GeoVertBind& rec) {
  const __m256 one = _mm256_set1_ps(1.0f);
  const __m256 U = _mm256_set1_ps(rec.u), V = _mm256_set1_ps(rec.v), W = _mm256_set1_ps(rec.w);
  const __m256 wx = _mm256_blend_ps(_mm256_sub_ps(one, U), U, 0xAA);
  const __m256 wy = _mm256_blend_ps(_mm256_sub_ps(one, V), V, 0xCC);
  const __m256 wz = _mm256_blend_ps(_mm256_sub_ps(one, W), W, 0xF0);
  const __m256 dx = _mm256_blend_ps(U, _mm256_sub_ps(U, one), 0xAA);
  const __m256 dy = _mm256_blend_ps(V, _mm256_sub_ps(V, one), 0xCC);
  const __m256 dz = _mm256_blend_ps(W, _mm256_sub_ps(W, one), 0xF0);
  const __m256 wt = _mm256_mul_ps(_mm256_mul_ps(wx, wy), wz);
  return {wt, _mm256_mul_ps(wt, dx), _mm256_mul_ps(wt, dy), _mm256_mul_ps(wt, dz)};
}

__attribute__((target("avx2,fma"), always_inline)) static inline void storeVertex(__m256 acc, float* out) {
  alignas(16) float X[4];
  _mm_store_ps(X, _mm_add_ps(_mm256_castps256_ps128(acc), _mm256_extractf128_ps(acc, 1)));
  out[0] = X[0];
  out[1] = X[1];
  out[2] = X[2];
}

// Chunk j of corners k (record P) and k + 1 (record Q, or P's pair record).
template <class Rec>
__attribute__((target("avx2,fma"), always_inline)) static inline __m256 pairChunk(const float* P, const float* Q,
                                                                                  int j) {
  if constexpr (sizeof(Rec) == sizeof(PairPack)) return _mm256_load_ps(P + 8 * j);
  return _mm256_loadu2_m128(Q + 4 * j, P + 4 * j);
}

// A 256-bit register in the low half of a 512-bit one (the high half zero;
// made without the undefined-register casts, which this compiler warns of).
__attribute__((target("avx512f"), always_inline)) static inline __m512 widen(__m256 x) {
  const __m512d zero = _mm512_setzero_pd();
  return _mm512_castpd_ps(_mm512_mask_insertf64x4(zero, 0xFF, zero, _mm256_castps_pd(x), 0));
}

// Lane block m of the result is lane pick[4m] of x (the weights of corner k + m).
__attribute__((target("avx512f"), always_inline)) static inline __m512 spread(__m512i pick, __m512 x) {
  return _mm512_mask_permutexvar_ps(x, 0xFFFF, pick, x);
}

template <int kHalf>
__attribute__((target("avx512f"), always_inline)) static inline __m256 half(__m512 x) {
  const __m512d d = _mm512_castps_pd(x);
  return _mm256_castpd_ps(_mm512_mask_extractf64x4_pd(_mm256_setzero_pd(), 0xF, d, kHalf));
}

// Chunk j of corners k .. k + 3 from the pair records of corners k and k + 2.
__attribute__((target("avx512f,avx2,fma"), always_inline)) static inline __m512 quadChunk(const float* P,
                                                                                          const float* Q, int j) {
  const __m512d low = _mm512_castps_pd(widen(_mm256_load_ps(P + 8 * j)));
  const __m256d high = _mm256_load_pd(reinterpret_cast<const double*>(Q + 8 * j));
  return _mm512_castpd_ps(_mm512_mask_insertf64x4(low, 0xFF, low, high, 1));
}

// The same sums two corners at a time: corner k in the low half and k + 1 in
// the high half of each register, so the halves are the two accumulators of
// the pass above, and the weights of all eight corners are made at once. Every
// product and sum is the one above, in the same order: the vertices come out
// bit for bit the same. With pair records (Rec = PairPack) the two corners'
// chunk is one load.
template <class Rec>
__attribute__((target("avx2,fma"))) static void deformVertsAvx2(const DeformLattice* L, const Rec* pack,
                                                                 const GeoVertBind* recs, float (*verts)[3],
                                                                 int32_t count) {
  for (int32_t v = 1; v <= count; ++v) {
    bool stop = false;
    const int32_t* c = vertexCorners(L, pack, recs, v, count, &stop);
    if (stop) return;
    if (!c) continue;
    const CornerWeights w = cornerWeights(recs[v]);
    __m256 acc = _mm256_setzero_ps();
    for (int k = 0; k < 8; k += 2) {
      const float* P = pack[c[k]].f;
      const float* Q = pack[c[k + 1]].f;
      const __m256i pick = _mm256_setr_epi32(k, k, k, k, k + 1, k + 1, k + 1, k + 1);
      __m256 t = _mm256_mul_ps(pairChunk<Rec>(P, Q, 3), _mm256_permutevar8x32_ps(w.wdz, pick));
      t = _mm256_fmadd_ps(pairChunk<Rec>(P, Q, 2), _mm256_permutevar8x32_ps(w.wdy, pick), t);
      t = _mm256_fmadd_ps(pairChunk<Rec>(P, Q, 1), _mm256_permutevar8x32_ps(w.wdx, pick), t);
      acc = _mm256_add_ps(acc, _mm256_fmadd_ps(pairChunk<Rec>(P, Q, 0), _mm256_permutevar8x32_ps(w.wt, pick), t));
    }
    storeVertex(acc, verts[v]);
  }
}

// The same sums four corners at a time: the products of corners k .. k + 3
// in one register, then added into the two-corner accumulator of the pass
// above, corners k and k + 1 first.
__attribute__((target("avx512f,avx2,fma"))) static void deformVertsAvx512(const DeformLattice* L,
                                                                           const PairPack* pack,
                                                                           const GeoVertBind* recs,
                                                                           float (*verts)[3], int32_t count) {
  for (int32_t v = 1; v <= count; ++v) {
    bool stop = false;
    const int32_t* c = vertexCorners(L, pack, recs, v, count, &stop);
    if (stop) return;
    if (!c) continue;
    const CornerWeights w = cornerWeights(recs[v]);
    const __m512 wt = widen(w.wt), wdx = widen(w.wdx), wdy = widen(w.wdy), wdz = widen(w.wdz);
    __m256 acc = _mm256_setzero_ps();
    for (int k = 0; k < 8; k += 4) {
      const float* P = pack[c[k]].f;
      const float* Q = pack[c[k + 2]].f;
      const __m512i pick = _mm512_setr_epi32(k, k, k, k, k + 1, k + 1, k + 1, k + 1, k + 2, k + 2, k + 2, k + 2,
                                             k + 3, k + 3, k + 3, k + 3);
      __m512 t = _mm512_mul_ps(quadChunk(P, Q, 3), spread(pick, wdz));
      t = _mm512_fmadd_ps(quadChunk(P, Q, 2), spread(pick, wdy), t);
      t = _mm512_fmadd_ps(quadChunk(P, Q, 1), spread(pick, wdx), t);
      t = _mm512_fmadd_ps(quadChunk(P, Q, 0), spread(pick, wt), t);
      acc = _mm256_add_ps(acc, half<0>(t));
      acc = _mm256_add_ps(acc, half<1>(t));
    }
    storeVertex(acc, verts[v]);
  }
}
#endif

// The processor's instruction sets the passes may use.
struct CpuKernels {
  bool fma = false, avx2 = false, avx512 = false;
};
static const CpuKernels& cpuKernels() {
  static const CpuKernels k = [] {
    CpuKernels c;
#if defined(__x86_64__) && defined(__GNUC__)
    c.fma = __builtin_cpu_supports("fma");
    c.avx2 = c.fma && __builtin_cpu_supports("avx2");
    c.avx512 = c.avx2 && __builtin_cpu_supports("avx512f");
#endif
    return c;
  }();
  return k;
}

// The buffers of one pass over solid cells: pair records when the processor
// reads two corners per load and every cell's corners pair up, else node
// records. Made once per pass, then only read.
struct SolidPacks {
  const PairPack* pairs = nullptr;
  const NodePack* nodes = nullptr;
};

// False when the buffers could not be made; the caller then takes the plain path.
static bool makeSolidPacks(const DeformLattice* L, SolidPacks* out) {
  bool paired = false;
  if (!packCorners(L, &paired)) return false;
#if defined(__x86_64__) && defined(__GNUC__)
  if (cpuKernels().avx2 && paired) {
    out->pairs = packPairs(L);
    if (out->pairs) return true;
  }
#endif
  out->nodes = packNodes(L);
  return out->nodes != nullptr;
}

static void deformVertsSolid(const DeformLattice* L, const SolidPacks& packs, const GeoVertBind* recs,
                             float (*verts)[3], int32_t count) {
#if defined(__x86_64__) && defined(__GNUC__)
  const CpuKernels& cpu = cpuKernels();
  if (packs.pairs) {
    if (cpu.avx512)
      deformVertsAvx512(L, packs.pairs, recs, verts, count);
    else
      deformVertsAvx2(L, packs.pairs, recs, verts, count);
    return;
  }
#endif
  const NodePack* pack = packs.nodes;
#if defined(__x86_64__) && defined(__GNUC__)
  if (cpu.avx2) {
    deformVertsAvx2(L, pack, recs, verts, count);
    return;
  }
  if (cpu.fma) {
    deformVertsFma(L, pack, recs, verts, count);
    return;
  }
#endif
  for (int32_t v = 1; v <= count; ++v) {
    bool stop = false;
    const int32_t* c = vertexCorners(L, pack, recs, v, count, &stop);
    if (stop) return;
    if (!c) continue;
    const float u = recs[v].u, w1 = recs[v].v, w2 = recs[v].w;
    const float wx[2] = {1.0f - u, u}, wy[2] = {1.0f - w1, w1}, wz[2] = {1.0f - w2, w2};
    const float dx[2] = {u, u - 1.0f}, dy[2] = {w1, w1 - 1.0f}, dz[2] = {w2, w2 - 1.0f};
    // Two accumulators and a summation tree per corner keep the add chains
    // short; the pass is bound by their latency, not by the loads.
#if defined(__SSE2__)
    __m128 acc[2] = {_mm_setzero_ps(), _mm_setzero_ps()};
    for (int k = 0; k < 8; ++k) {
      const int i = k & 1, j = (k >> 1) & 1, l = k >> 2;
      const float* P = pack[c[k]].f;
      const float wt = wx[i] * wy[j] * wz[l];
      const __m128 t0 = _mm_add_ps(_mm_mul_ps(_mm_load_ps(P), _mm_set1_ps(wt)),
                                   _mm_mul_ps(_mm_load_ps(P + 4), _mm_set1_ps(wt * dx[i])));
      const __m128 t1 = _mm_add_ps(_mm_mul_ps(_mm_load_ps(P + 8), _mm_set1_ps(wt * dy[j])),
                                   _mm_mul_ps(_mm_load_ps(P + 12), _mm_set1_ps(wt * dz[l])));
      acc[k & 1] = _mm_add_ps(acc[k & 1], _mm_add_ps(t0, t1));
    }
    alignas(16) float X[4];
    _mm_store_ps(X, _mm_add_ps(acc[0], acc[1]));
#else
    float X[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 8; ++k) {
      const int i = k & 1, j = (k >> 1) & 1, l = k >> 2;
      const float* P = pack[c[k]].f;
      const float wt = wx[i] * wy[j] * wz[l];
      const float a = wt * dx[i], b = wt * dy[j], e = wt * dz[l];
      for (int r = 0; r < 4; ++r) X[r] += (P[r] * wt + P[4 + r] * a) + (P[8 + r] * b + P[12 + r] * e);
    }
#endif
    verts[v][0] = X[0];
    verts[v][1] = X[1];
    verts[v][2] = X[2];
  }
}

// A binding past the lattice ends the pass; later vertices keep their values.
static bool bindingPastLattice(const DeformLattice* L, int32_t cell) { return cell < 0 || cell > L->nodeCount; }

static void deformVertsPlain(const DeformLattice* L, const GeoVertBind* recs, float (*verts)[3], int32_t count,
                             int bilinear) {
  for (int32_t v = 1; v <= count; ++v) {
    const int32_t cell = recs[v].cellNode;
    if (cell == 0) continue;
    if (bindingPastLattice(L, cell)) return;
    if (L->cellFlag[cell] == 0) continue;
    const float uvw[3] = {recs[v].u, recs[v].v, recs[v].w};
    evaluate(L, cell, bilinear != 0, uvw, verts[v], nullptr);
  }
}

void GVLatticeDeformVerts(const DeformLattice* L, const GeoVertBind* recs, float (*verts)[3],
                          int32_t count, int bilinear, WorkerPool* pool) {
  if (!L || !recs || !verts) return;
  SolidPacks packs;
  const bool solid = !bilinear && L->pos && L->cellFlag && L->deform[8] && makeSolidPacks(L, &packs);
  // Vertices first.. of n, through arrays shifted so the kernels see 1..n.
  auto range = [&](int32_t first, int32_t n) {
    if (solid)
      deformVertsSolid(L, packs, recs + (first - 1), verts + (first - 1), n);
    else
      deformVertsPlain(L, recs + (first - 1), verts + (first - 1), n, bilinear);
  };
  if (!pool || count <= kDeformPiece) {
    range(1, count);
    return;
  }
  // Pieces side by side, each vertex written by one of them from the same
  // inputs; all of them end before a binding past the lattice.
  int32_t end = count;
  for (int32_t v = 1; v <= count; ++v)
    if (bindingPastLattice(L, recs[v].cellNode)) {
      end = v - 1;
      break;
    }
  GVRunInPieces(pool, end, kDeformPiece, [&](int32_t first, int32_t last) { range(first, last - first + 1); });
}

int32_t GVLatticeLocatePoint(DeformLattice* L, const float point[3], GeoVertBind* rec) {
  if (!rec) return 0;
  if (!L || !point || L->nodeCount < 1 || !L->searchMark) {
    *rec = GeoVertBind{};
    return 0;
  }
  const bool flat = GVLatticeIsFlat(L) != 0;
  const int32_t n = L->nodeCount;
  Search s;
  s.cell = validNode(L, rec->cellNode) ? rec->cellNode : 1;
  s.uvw[0] = s.uvw[1] = s.uvw[2] = 0.5f;
  std::memset(L->searchMark, 0, sizeof(int32_t) * (size_t(n) + 1));
  int32_t budget = kSearchBudget;
  int32_t cursor = 1, pinned = 0;
  bool converged = false;
  for (int32_t counter = 1; counter <= budget; ++counter) {
    if (s.cell == 0) {
      *rec = GeoVertBind{};
      return 0;
    }
    L->searchMark[s.cell] = 1;
    float dev;
    const float stepSize = iterate(L, flat, point, &s, &dev);
    if (stepSize < 0.001f && dev <= 0.5f) {
      converged = true;
      break;
    }
    if (moveCell(L, &s, L->searchMark) || dev <= 0.5f) continue;
    // Stuck outside the cell: restart from the next cell of the scan, and
    // once the scan is exhausted settle on the best cell seen.
    int32_t restart;
    if (!pinned) {
      restart = cursor;
      int32_t next = cursor + 1;
      while (next <= n && L->cellFlag[next] == 0) ++next;
      if (next <= n) {
        cursor = next;
      } else {
        cursor = pinned = s.bestCell;
        budget = kPinnedBudget;
        if (counter > kPinnedBudget) counter = 1;
      }
    } else {
      restart = pinned;
      if (pinned == s.bestCell) {
        budget = kPinnedBudget;
        if (counter > kPinnedBudget) counter = 1;
      }
    }
    if (restart != s.cell) {
      s.cell = restart;
      s.uvw[0] = s.uvw[1] = 0.0f;
      if (!flat) s.uvw[2] = 0.0f;
    }
  }
  // An exhausted search reports the cell that came closest rather than
  // wherever the walk stopped.
  if (converged)
    writeRecord(rec, L->id, s.cell, s.uvw);
  else
    writeRecord(rec, L->id, s.bestCell, s.bestUvw);
  return L->id;
}

int32_t GVLatticeTrackPoint(const DeformLattice* L, const float point[3], GeoVertBind* rec) {
  if (!rec) return 0;
  if (!L || !point || L->nodeCount < 1) {
    *rec = GeoVertBind{};
    return 0;
  }
  Search s;
  s.cell = validNode(L, rec->cellNode) ? rec->cellNode : 1;
  s.uvw[0] = s.uvw[1] = s.uvw[2] = 0.5f;
  float dev;
  iterate(L, GVLatticeIsFlat(L) != 0, point, &s, &dev);
  // One chain of moves only; it cannot return to the cell it left, so the
  // marks of earlier searches are not consulted.
  moveCell(L, &s, nullptr);
  if (L->nodeCount == 1)
    writeRecord(rec, L->id, s.bestCell, s.bestUvw);
  else
    writeRecord(rec, L->id, s.cell, s.uvw);
  return L->id;
}

int GVLatticeCheckPartBlock(const DeformLattice* L, HObject* jel, int32_t part, GeoCellBind* bind) {
  if (!bind) return 0;
  GVFreeCellBind(bind);
  *bind = GeoCellBind{};
  bind->jel = jel;
  bind->part = part;
  if (!L) {
    bind->status = kCellBindPartEmpty;
    return 0;
  }
  bind->jelId = L->id;
  const int32_t n = L->nodeCount;
  int32_t corner = 0;
  for (int32_t i = 1; i <= n && !corner; ++i)
    if (hasPart(L, i, part)) corner = i;
  if (!corner) {
    bind->status = kCellBindPartEmpty;
    return 0;
  }
  if (L->cellFlag[corner] == 0) {
    bind->status = kCellBindNotBox;
    return 0;
  }
  const bool flat = GVLatticeIsFlat(L) != 0;
  int32_t extent[3] = {1, 1, 1};
  for (int a = 0; a < (flat ? 2 : 3); ++a) {
    int32_t cur = corner;
    for (;;) {
      const int32_t next = step(L, cur, a, true);
      if (!next || !hasPart(L, next, part)) break;
      // Every node but the last of a walk starts a cell of the box.
      if (L->cellFlag[cur] == 0 || extent[a] >= n) {
        bind->status = kCellBindNotBox;
        return 0;
      }
      ++extent[a];
      cur = next;
    }
  }
  int32_t inPart = 0;
  for (int32_t i = 1; i <= n; ++i) inPart += hasPart(L, i, part) ? 1 : 0;
  const int64_t total = int64_t(extent[0]) * extent[1] * extent[2];
  if (total != inPart) {
    bind->status = kCellBindWrongCount;
    return 0;
  }
  int32_t whole = 0;
  for (int32_t i = 1; i <= n; ++i) {
    if (!hasPart(L, i, part) || L->cellFlag[i] == 0) continue;
    int32_t c[8];
    corners(L, i, c);
    bool all = true;
    for (int k = 1; k < (flat ? 4 : 8) && all; ++k) all = c[k] != 0 && hasPart(L, c[k], part);
    whole += all ? 1 : 0;
  }
  const int64_t cells = int64_t(extent[0] - 1) * (extent[1] - 1) * (flat ? 1 : extent[2] - 1);
  if (whole != cells) {
    bind->status = kCellBindNotBox;
    return 0;
  }
  bind->nodes = new (std::nothrow) int32_t[size_t(total) + 1];
  if (!bind->nodes) {
    bind->status = kCellBindNotBox;
    return 0;
  }
  int32_t k = 0;
  for (int32_t z = 0, zs = corner; z < extent[2]; ++z, zs = step(L, zs, 2, true))
    for (int32_t y = 0, ys = zs; y < extent[1]; ++y, ys = step(L, ys, 1, true))
      for (int32_t x = 0, xs = ys; x < extent[0]; ++x, xs = step(L, xs, 0, true))
        bind->nodes[++k] = xs;
  bind->nodes[0] = int32_t(total);
  bind->cornerNode = corner;
  bind->nx = extent[0];
  bind->ny = extent[1];
  bind->nz = extent[2];
  bind->status = kCellBindAccepted;
  return 1;
}

int32_t GVBlockCellOfPointAt(const float point[3], const float corner[3], float cellSize, int flat,
                             const GeoCellBind* bind, GeoVertBind* out) {
  if (!point || !corner || !bind || !bind->nodes || !out || !(cellSize > 0.0f)) return 0;
  const float s = 1.0f / cellSize;
  const int32_t ext[3] = {bind->nx, bind->ny, bind->nz};
  int32_t idx[3];
  float local[3];
  for (int a = 0; a < 3; ++a) {
    const float g = (point[a] - corner[a]) * s + 1.0f;
    // A cell too small for its reciprocal (a damaged file's) or a point
    // beyond float range lies in no cell.
    if (!std::isfinite(g)) return 0;
    const float fl = std::floor(clampf(g, -1e8f, 1e8f));
    int32_t i = int32_t(fl);
    float l = g - fl;
    if (l > 1.0f) { ++i; l -= 1.0f; }
    if (l < 0.0f) { --i; l += 1.0f; }
    if (i < 1) { l += float(i - 1); i = 1; }
    if (i >= ext[a]) { l += float(i - ext[a] + 1); i = ext[a] - 1; }
    idx[a] = i;
    local[a] = l;
  }
  if (flat) {
    idx[2] = 1;
    local[2] -= 1.0f;
  }
  // A box one node long on an axis has no cell there; stay on its only node.
  for (int a = 0; a < 3; ++a)
    if (idx[a] < 1) idx[a] = 1;
  const int64_t entry = (int64_t(idx[2] - 1) * bind->ny + (idx[1] - 1)) * bind->nx + idx[0];
  if (entry < 1 || entry > bind->nodes[0]) return 0;
  const int32_t node = bind->nodes[entry];
  writeRecord(out, bind->jelId, node, local);
  return node;
}
