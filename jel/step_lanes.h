// Lanes of the time step's sweeps (included by jel/time_step.cpp only).
//
// A pass does the same arithmetic for one node or for N consecutive nodes
// side by side (one per lane of an N-float vector). Every lane runs exactly the
// operations of the one-node form, in the same order, so every width gives the
// same bits; selects stand in for the one-node branches. The file is compiled
// without contraction into fused multiply-adds, which would round differently
// in different widths.
//
// Four lanes are plain SSE, part of every x86-64. Eight lanes (AVX2) are used
// only by the sweeps compiled for AVX2 (jel/time_step.cpp), and only where the
// processor has it: the state picks its width when it is made
// (GVStepLanesAvailable).
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__GNUC__)
#define GV_FOUR_LANES 1
typedef float Float4 __attribute__((vector_size(16)));
typedef int32_t Mask4 __attribute__((vector_size(16)));
#if defined(__clang__)
#define GV_SHUFFLE(a, b, i, j, k, l) __builtin_shufflevector(a, b, i, j, k, l)
#else
#define GV_SHUFFLE(a, b, i, j, k, l) __builtin_shuffle(a, b, Mask4{i, j, k, l})
#endif
#if defined(__SSE__)
#include <xmmintrin.h>
#endif
#endif

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define GV_WIDE_LANES 1
#include <immintrin.h>
typedef float Float8 __attribute__((vector_size(32)));
typedef int32_t Int8 __attribute__((vector_size(32)));
#define GV_AVX2 __attribute__((target("avx2"), always_inline)) inline
#endif

// Every lane structure offers: F (floats), M (lane masks), I (node numbers);
// index(first) = first, first + 1, ...; toFloat(v) the ints of v as floats;
// loadInt / load gather base[node * stride + off]; loadInts reads
// base[first..first+N-1]; loadRecord / storeRecord move the records of S
// floats of nodes first..first+N-1 (one after another in memory) to and from
// S lanes; bits(m) has bit l set where lane l of m is; loadRecordWithin does
// the same where every node up to first+N exists (up to node last), loadAt
// for the records of any N nodes.

struct OneLane {
  static constexpr int N = 1;
  using F = float;
  using M = bool;
  using I = int32_t;
  static F splat(float v) { return v; }
  static F sel(M m, F a, F b) { return m ? a : b; }
  static M both(M a, M b) { return a && b; }
  static M either(M a, M b) { return a || b; }
  static M notm(M a) { return !a; }
  static M isZero(F v) { return v == 0.0f; }
  static bool any(M m) { return m; }
  static unsigned bits(M m) { return m ? 1u : 0u; }
  static F sqrt(F v) { return std::sqrt(v); }
  static I index(int32_t first) { return first; }
  static M nonZero(I v) { return v != 0; }
  static F toFloat(I v) { return static_cast<float>(v); }
  static I loadInt(const int32_t* base, I node, int stride, int off) { return base[node * stride + off]; }
  static I loadInts(const int32_t* base, int32_t first) { return base[first]; }
  static F load(const float* base, I node, int stride, int off) { return base[node * stride + off]; }
  template <int S>
  static void loadRecord(const float* base, int32_t first, F* out) {
    for (int k = 0; k < S; ++k) out[k] = base[first * S + k];
  }
  template <int S>
  static void storeRecord(float* base, int32_t first, const F* in) {
    for (int k = 0; k < S; ++k) base[first * S + k] = in[k];
  }
  template <int S>
  static void loadRecordWithin(const float* base, int32_t first, int32_t, F* out) {
    loadRecord<S>(base, first, out);
  }
  template <int S>
  static void loadAt(const float* base, I node, int32_t, F* out) {
    for (int k = 0; k < S; ++k) out[k] = base[node * S + k];
  }
};

#ifdef GV_FOUR_LANES
struct FourLanes {
  static constexpr int N = 4;
  using F = Float4;
  using M = Mask4;
  using I = Mask4;
  static F splat(float v) { return F{v, v, v, v}; }
  static F sel(M m, F a, F b) { return (F)((m & (M)a) | (~m & (M)b)); }
  static M both(M a, M b) { return a & b; }
  static M either(M a, M b) { return a | b; }
  static M notm(M a) { return ~a; }
  static M isZero(F v) { return v == splat(0.0f); }
  static bool any(M m) { return bits(m) != 0; }
  static unsigned bits(M m) {
#if defined(__SSE__)
    return static_cast<unsigned>(_mm_movemask_ps((__m128)m));
#else
    return (m[0] ? 1u : 0u) | (m[1] ? 2u : 0u) | (m[2] ? 4u : 0u) | (m[3] ? 8u : 0u);
#endif
  }
  static F sqrt(F v) {
#if defined(__SSE__)
    return (F)_mm_sqrt_ps((__m128)v);
#else
    return F{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
  }
  static I index(int32_t first) { return I{first, first + 1, first + 2, first + 3}; }
  static M nonZero(I v) { return v != I{0, 0, 0, 0}; }
  static F toFloat(I v) { return __builtin_convertvector(v, F); }
  static I loadInt(const int32_t* base, I node, int stride, int off) {
    return I{base[node[0] * stride + off], base[node[1] * stride + off], base[node[2] * stride + off],
             base[node[3] * stride + off]};
  }
  static I loadInts(const int32_t* base, int32_t first) {
    I v;
    std::memcpy(&v, base + first, sizeof v);
    return v;
  }
  static F load(const float* base, I node, int stride, int off) {
    return F{base[node[0] * stride + off], base[node[1] * stride + off], base[node[2] * stride + off],
             base[node[3] * stride + off]};
  }
  // The records are turned into S lanes four columns at a time.
  static void transpose(F& a, F& b, F& c, F& d) {
    const F t0 = GV_SHUFFLE(a, b, 0, 4, 1, 5), t1 = GV_SHUFFLE(c, d, 0, 4, 1, 5);
    const F t2 = GV_SHUFFLE(a, b, 2, 6, 3, 7), t3 = GV_SHUFFLE(c, d, 2, 6, 3, 7);
    a = GV_SHUFFLE(t0, t1, 0, 1, 4, 5);
    b = GV_SHUFFLE(t0, t1, 2, 3, 6, 7);
    c = GV_SHUFFLE(t2, t3, 0, 1, 4, 5);
    d = GV_SHUFFLE(t2, t3, 2, 3, 6, 7);
  }
  template <int S>
  static void loadRecord(const float* base, int32_t first, F* out) {
    const float* r = base + static_cast<size_t>(first) * S;
    int k = 0;
    for (; k + 4 <= S; k += 4) {
      F v[4];
      for (int l = 0; l < 4; ++l) std::memcpy(&v[l], r + l * S + k, sizeof(F));
      transpose(v[0], v[1], v[2], v[3]);
      for (int l = 0; l < 4; ++l) out[k + l] = v[l];
    }
    for (; k < S; ++k) out[k] = F{r[k], r[S + k], r[2 * S + k], r[3 * S + k]};
  }
  template <int S>
  static void storeRecord(float* base, int32_t first, const F* in) {
    float* r = base + static_cast<size_t>(first) * S;
    int k = 0;
    for (; k + 4 <= S; k += 4) {
      F v[4] = {in[k], in[k + 1], in[k + 2], in[k + 3]};
      transpose(v[0], v[1], v[2], v[3]);
      for (int l = 0; l < 4; ++l) std::memcpy(r + l * S + k, &v[l], sizeof(F));
    }
    for (; k < S; ++k)
      for (int l = 0; l < 4; ++l) r[l * S + k] = in[k][l];
  }
  template <int S>
  static void loadRecordWithin(const float* base, int32_t first, int32_t, F* out) {
    loadRecord<S>(base, first, out);
  }
  template <int S>
  static void loadAt(const float* base, I node, int32_t, F* out) {
    for (int k = 0; k < S; ++k) out[k] = load(base, node, S, k);
  }
};
#endif

#ifdef GV_WIDE_LANES
// The wide forms keep every 128-bit block of a vector to four consecutive
// nodes: a record move reads four-float columns of nodes l, l+4, ... into the
// blocks of one vector and transposes within the blocks.
struct EightLanes {
  static constexpr int N = 8;
  using F = Float8;
  using M = Int8;
  using I = Int8;
  GV_AVX2 static F splat(float v) { return (F)_mm256_set1_ps(v); }
  GV_AVX2 static F sel(M m, F a, F b) { return (F)((m & (M)a) | (~m & (M)b)); }
  GV_AVX2 static M both(M a, M b) { return a & b; }
  GV_AVX2 static M either(M a, M b) { return a | b; }
  GV_AVX2 static M notm(M a) { return ~a; }
  GV_AVX2 static M isZero(F v) { return v == splat(0.0f); }
  GV_AVX2 static bool any(M m) { return _mm256_movemask_ps((__m256)m) != 0; }
  GV_AVX2 static unsigned bits(M m) { return static_cast<unsigned>(_mm256_movemask_ps((__m256)m)); }
  GV_AVX2 static F sqrt(F v) { return (F)_mm256_sqrt_ps((__m256)v); }
  GV_AVX2 static I index(int32_t first) { return (I)_mm256_set1_epi32(first) + I{0, 1, 2, 3, 4, 5, 6, 7}; }
  GV_AVX2 static M nonZero(I v) { return v != (I)_mm256_setzero_si256(); }
  GV_AVX2 static F toFloat(I v) { return (F)_mm256_cvtepi32_ps((__m256i)v); }
  GV_AVX2 static I loadInt(const int32_t* base, I node, int stride, int off) {
    return (I)_mm256_i32gather_epi32(base + off, (__m256i)(node * stride), 4);
  }
  GV_AVX2 static I loadInts(const int32_t* base, int32_t first) {
    return (I)_mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + first));
  }
  GV_AVX2 static F load(const float* base, I node, int stride, int off) {
    return (F)_mm256_i32gather_ps(base + off, (__m256i)(node * stride), 4);
  }
  GV_AVX2 static void transpose(__m256& a, __m256& b, __m256& c, __m256& d) {
    const __m256 t0 = _mm256_unpacklo_ps(a, b), t1 = _mm256_unpacklo_ps(c, d);
    const __m256 t2 = _mm256_unpackhi_ps(a, b), t3 = _mm256_unpackhi_ps(c, d);
    a = _mm256_shuffle_ps(t0, t1, 0x44);
    b = _mm256_shuffle_ps(t0, t1, 0xee);
    c = _mm256_shuffle_ps(t2, t3, 0x44);
    d = _mm256_shuffle_ps(t2, t3, 0xee);
  }
  template <int S>
  GV_AVX2 static void loadRecord(const float* base, int32_t first, F* out) {
    const float* r = base + static_cast<size_t>(first) * S;
    int k = 0;
    for (; k + 4 <= S; k += 4) {
      __m256 v[4];
      for (int l = 0; l < 4; ++l)
        v[l] = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(r + l * S + k)),
                                    _mm_loadu_ps(r + (l + 4) * S + k), 1);
      transpose(v[0], v[1], v[2], v[3]);
      for (int l = 0; l < 4; ++l) out[k + l] = (F)v[l];
    }
    const __m256i rows = _mm256_setr_epi32(0, S, 2 * S, 3 * S, 4 * S, 5 * S, 6 * S, 7 * S);
    for (; k < S; ++k) out[k] = (F)_mm256_i32gather_ps(r + k, rows, 4);
  }
  // The columns left over after the last whole four are transposed too and
  // stored as four-float blocks first, lane by lane in order, each reaching
  // into the start of the next lane's record, which the next block or the
  // whole columns then write; the last lane's block is masked to its record.
  template <int S>
  GV_AVX2 static void storeRecord(float* base, int32_t first, const F* in) {
    float* r = base + static_cast<size_t>(first) * S;
    constexpr int tail = S % 4, k0 = S - tail;
    if constexpr (tail != 0) {
      __m256 v[4];
      for (int c = 0; c < 4; ++c) v[c] = c < tail ? (__m256)in[k0 + c] : _mm256_setzero_ps();
      transpose(v[0], v[1], v[2], v[3]);
      for (int l = 0; l < 8; ++l) {
        const __m128 block = l < 4 ? _mm256_castps256_ps128(v[l]) : _mm256_extractf128_ps(v[l - 4], 1);
        if (l < 7) {
          _mm_storeu_ps(r + l * S + k0, block);
        } else {
          const __m128i mask = _mm_setr_epi32(-1, tail > 1 ? -1 : 0, tail > 2 ? -1 : 0, 0);
          _mm_maskstore_ps(r + l * S + k0, mask, block);
        }
      }
    }
    for (int k = 0; k < k0; k += 4) {
      __m256 v[4] = {(__m256)in[k], (__m256)in[k + 1], (__m256)in[k + 2], (__m256)in[k + 3]};
      transpose(v[0], v[1], v[2], v[3]);
      for (int l = 0; l < 4; ++l) {
        _mm_storeu_ps(r + l * S + k, _mm256_castps256_ps128(v[l]));
        _mm_storeu_ps(r + (l + 4) * S + k, _mm256_extractf128_ps(v[l], 1));
      }
    }
  }
  // loadRecord where the records of nodes first..first+8 all exist (last is
  // the last node): the columns left over after the last whole four are read
  // as four-float blocks too, reaching a few floats into the record of node
  // first+8.
  template <int S>
  GV_AVX2 static void loadRecordWithin(const float* base, int32_t first, int32_t last, F* out) {
    if (S % 4 == 0 || first + 8 > last) return loadRecord<S>(base, first, out);
    const float* r = base + static_cast<size_t>(first) * S;
    for (int k = 0; k < S; k += 4) {
      __m256 v[4];
      for (int l = 0; l < 4; ++l)
        v[l] = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(r + l * S + k)),
                                    _mm_loadu_ps(r + (l + 4) * S + k), 1);
      transpose(v[0], v[1], v[2], v[3]);
      for (int l = 0; l < 4 && k + l < S; ++l) out[k + l] = (F)v[l];
    }
  }
  // The records of nodes node[0..7]: read as blocks where they are nodes
  // j, j+1, ..., j+7 of a row (j > 0), gathered otherwise.
  template <int S>
  GV_AVX2 static void loadAt(const float* base, I node, int32_t last, F* out) {
    const I row = index(node[0]);
    if (node[0] > 0 && _mm256_movemask_ps((__m256)(node == row)) == 0xff)
      return loadRecordWithin<S>(base, node[0], last, out);
    for (int k = 0; k < S; ++k) out[k] = load(base, node, S, k);
  }
};
#endif

// Rows of a record of three 3-vectors (nine floats) as x, y, z lanes.
struct Rows {
#ifdef GV_FOUR_LANES
  using F = Float4;
  static F zero() { return F{0.0f, 0.0f, 0.0f, 0.0f}; }
  static F splat(float v) { return F{v, v, v, v}; }
  // Row r of the record at m, read as four floats: the last row's fourth is
  // the first of the next record (the arrays read so end with a spare one).
  static F row(const float* m, int r) {
    F v;
    std::memcpy(&v, m + 3 * r, sizeof(F));
    return v;
  }
  static void put(F v, float* out) {
    for (int c = 0; c < 3; ++c) out[c] = v[c];
  }
#else
  struct F {
    float v[3];
    F operator+(F o) const { return {{v[0] + o.v[0], v[1] + o.v[1], v[2] + o.v[2]}}; }
    F operator-(F o) const { return {{v[0] - o.v[0], v[1] - o.v[1], v[2] - o.v[2]}}; }
    F operator*(F o) const { return {{v[0] * o.v[0], v[1] * o.v[1], v[2] * o.v[2]}}; }
    F& operator+=(F o) { return *this = *this + o; }
  };
  static F zero() { return F{{0.0f, 0.0f, 0.0f}}; }
  static F splat(float v) { return F{{v, v, v}}; }
  static F row(const float* m, int r) { return F{{m[3 * r], m[3 * r + 1], m[3 * r + 2]}}; }
  static void put(F v, float* out) {
    for (int c = 0; c < 3; ++c) out[c] = v.v[c];
  }
#endif
};
