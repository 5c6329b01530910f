#include "geo/vertex_proximity.h"

#include <algorithm>
#include <cmath>

// Cells further out than this are clamped: points that far apart in tolerance
// units can only meet in a clamped cell, where the exact distance test still
// decides.
static constexpr double kCellLimit = 4.0e18;

static bool keyLess(const int64_t* a, const int64_t* b) {
  if (a[0] != b[0]) return a[0] < b[0];
  if (a[1] != b[1]) return a[1] < b[1];
  return a[2] < b[2];
}

GVCloseVertexIndex::GVCloseVertexIndex(const GVFloat3* pos, int32_t n, float tol,
                                       const uint8_t* include)
    : pos_(pos), tolSq_(tol * tol), invTol_(0.0), active_(false), origin_{0.0f, 0.0f, 0.0f} {
  if (!pos || n < 1 || !(tol > 0.0f) || !std::isfinite(tol) || !(tolSq_ > 0.0f)) return;
  active_ = true;
  // Cells a little larger than the tolerance, so that float rounding of a
  // distance just below it can never put the pair two cells apart.
  invTol_ = 1.0 / (static_cast<double>(tol) * 1.001);
  bool first = true;
  for (int32_t i = 1; i <= n; ++i) {
    for (int a = 0; a < 3; ++a) {
      const float v = pos[i][a];
      if (!std::isfinite(v)) continue;
      if (first || v < origin_[a]) origin_[a] = v;
    }
    first = false;
  }
  entries_.reserve(static_cast<size_t>(n));
  for (int32_t i = 1; i <= n; ++i) {
    if (include && !include[i]) continue;
    Entry e;
    cellOf(pos[i], e.cell);
    e.index = i;
    entries_.push_back(e);
  }
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    if (keyLess(a.cell, b.cell)) return true;
    if (keyLess(b.cell, a.cell)) return false;
    return a.index < b.index;
  });
}

void GVCloseVertexIndex::cellOf(const float* p, int64_t* cell) const {
  for (int a = 0; a < 3; ++a) {
    double c = std::floor((static_cast<double>(p[a]) - origin_[a]) * invTol_);
    if (!std::isfinite(c)) c = -kCellLimit;  // a non-finite point matches nothing anyway
    c = std::max(-kCellLimit, std::min(kCellLimit, c));
    cell[a] = static_cast<int64_t>(c);
  }
}

void GVCloseVertexIndex::laterPartners(int32_t i, std::vector<int32_t>& out) const {
  out.clear();
  if (!active_) return;
  const float* p = pos_[i];
  int64_t home[3];
  cellOf(p, home);
  for (int64_t dx = -1; dx <= 1; ++dx) {
    for (int64_t dy = -1; dy <= 1; ++dy) {
      const int64_t lo[3] = {home[0] + dx, home[1] + dy, home[2] - 1};
      const int64_t hi[3] = {home[0] + dx, home[1] + dy, home[2] + 1};
      auto it = std::lower_bound(entries_.begin(), entries_.end(), lo,
                                 [](const Entry& e, const int64_t* key) { return keyLess(e.cell, key); });
      for (; it != entries_.end() && !keyLess(hi, it->cell); ++it) {
        const int32_t j = it->index;
        if (j <= i) continue;
        const float* q = pos_[j];
        const float d0 = q[0] - p[0], d1 = q[1] - p[1], d2 = q[2] - p[2];
        if (d0 * d0 + d1 * d1 + d2 * d2 < tolSq_) out.push_back(j);
      }
    }
  }
  std::sort(out.begin(), out.end());
}
