#include "jel/live_state.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "jel/chan_data.h"
#include "jel/contact_grid.h"
#include "jel/frame_store.h"
#include "jel/lattice_tables.h"
#include "jel/vector_math.h"

namespace {

constexpr size_t kAlign = 64;

// Hands out sub-arrays of one block. Run once without a base to size the
// block, then again to place every array.
struct Carver {
  char* base;
  size_t off = 0;
  template <class T>
  void take(T*& p, size_t count) {
    off = (off + kAlign - 1) & ~(kAlign - 1);
    p = base ? reinterpret_cast<T*>(base + off) : nullptr;
    off += sizeof(T) * count;
  }
};

void setIdentity(float* m) {
  for (int k = 0; k < 9; ++k) m[k] = (k % 4 == 0) ? 1.0f : 0.0f;
}

float dot3(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Flat nodes carry no out-of-plane metric: keep the z row and column neutral.
void flattenMetric(float* m) {
  m[2] = m[5] = m[6] = m[7] = 0.0f;
  m[8] = 1.0f;
}

// The block of the node arrays. A large one asks for huge pages where the
// system offers them: the step's sweeps walk some thirty arrays side by side,
// and on small pages each of those streams enters a new page every few
// hundred nodes, each a page-table walk once the block outgrows what the
// translation caches hold.
void* allocNodeBlock(size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr size_t kHuge = size_t{2} << 20;
  if (size >= 2 * kHuge) {
    const size_t whole = (size + kHuge - 1) & ~(kHuge - 1);
    void* p = std::aligned_alloc(kHuge, whole);
    if (p) madvise(p, whole, MADV_HUGEPAGE);
    return p;
  }
#endif
  return std::aligned_alloc(kAlign, size);
}

}  // namespace

void HAState::carveArrays(char* base, size_t* size) {
  const size_t n1 = static_cast<size_t>(nodeCount) + 1;
  const size_t f1 = static_cast<size_t>(faceCount) + 1;
  Carver c{base};
  c.take(cells, n1);
  c.take(links, n1);
  c.take(gridIndex, n1);
  c.take(linkRecip, n1);
  c.take(restDet, n1);
  c.take(restCellDet, n1);
  c.take(restSqrtDet, n1);
  c.take(restLinkDet, n1);
  c.take(restMetricInv, n1);
  c.take(restCellInv, n1);
  for (auto& m : restLinkInv) c.take(m, n1);
  c.take(restMetric, n1);
  c.take(cellMetric, n1);
  for (auto& m : linkMetric) c.take(m, n1);
  c.take(naturalEdge, n1);
  c.take(avgCellEdge, n1);
  c.take(matter, n1);
  c.take(stepForce, n1);
  c.take(stepFlatZ, n1);
  c.take(coeffs, n1);
  c.take(mass, n1);
  c.take(normalCoef, n1);
  c.take(shearCoef, n1);
  c.take(edgeNormalCoef, n1);
  c.take(edgeShearCoef, n1);
  c.take(edgeDampCoef, n1);
  c.take(area, n1);
  c.take(restLinks, n1);
  c.take(linkStrain, n1);
  c.take(prevLinkStrain, n1);
  c.take(edgeStrain, n1);
  c.take(prevEdgeStrain, n1);
  // A spare record after the last: the acceleration sweep reads rows as four
  // floats.
  c.take(worldCellStress, n1 + 1);
  c.take(worldEdgeStress, n1 + 1);
  c.take(accel, n1);
  c.take(spin, n1);
  c.take(stepStartPos, n1);
  for (auto& v : scratchVec) c.take(v, n1);
  c.take(partRef, n1);
  c.take(restOffset, n1);
  for (auto& v : rigidWork) c.take(v, n1);
  c.take(pressureForce, n1);
  c.take(restFrame, n1);
  c.take(cellRuns, n1);
  c.take(diffCodes, n1);
  c.take(contactPassCorr, n1);
  c.take(contactCorr, n1);
  c.take(reactionAccum, n1);
  c.take(contactFlags, n1);
  c.take(contactAux, n1);
  c.take(contactValue, n1);
  c.take(nodeCreaseDot, n1);
  c.take(nodeClass, n1);
  c.take(faceContactCount, f1);
  c.take(faceParamBounds, f1);
  c.take(faceEdgeFlags, f1);
  *size = c.off;
}

HAState::HAState(int32_t nodeCount_, FrameParams* params_, int32_t id_, uint32_t groupMask_,
                 uint32_t* ownerFlags_, float cellSize_, int32_t faceCount_, int32_t edgeCount_,
                 const JelHead& head, int32_t* stamps)
    : HBState(id_, nodeCount_ < 0 ? 0 : nodeCount_, cellSize_, groupMask_, head) {
  params = params_;
  active = 1;
  nodeCountCopy = nodeCount;
  ownerFlags = ownerFlags_;
  ownerStamps = stamps;
  faceCount = faceCount_ < 0 ? 0 : faceCount_;
  edgeCount = edgeCount_ < 0 ? 0 : edgeCount_;
  if (stamps)
    for (int k = 0; k < 4; ++k) frameMarks[k] = stamps[k];

  size_t size = 0;
  carveArrays(nullptr, &size);
  size = (size + kAlign - 1) & ~(kAlign - 1);
  block_ = allocNodeBlock(size);
  if (!block_) {
    // No room for the arrays: a state of no nodes, which the owner refuses
    // (allocated() is false) in every build.
    nodeCount = nodeCountCopy = faceCount = edgeCount = 0;
    return;
  }
  std::memset(block_, 0, size);
  carveArrays(static_cast<char*>(block_), &size);
  stepLanes = GVStepLanesAvailable();
  chunkSums.resize(static_cast<size_t>((nodeCount + kStepChunkNodes - 1) / kStepChunkNodes));

  const int32_t n = nodeCount;
  for (int32_t i = 0; i <= n; ++i) {
    new (&matter[i]) MatterProps();
    GVSetMatterDefaults(&matter[i]);
    setIdentity(restFrame[i]);
  }
  matterChanged();
  // The committed positions and the displacement are the owner's arrays: a new
  // state starts them from zero until a frame is restored into them.
  if (pos) std::memset(pos, 0, sizeof(Vec3f) * (n + 1));
  if (disp) std::memset(disp, 0, sizeof(Vec3f) * (n + 1));

  for (auto& h : history) {
    h = GVNewChanData(n);
    GVAllocChannels(h, 8, 31);
  }
  contactGrid = GVNewContactGrid();
}

HAState::~HAState() {
  for (auto& h : history) GVFreeChanData(h);
  for (auto& s : partRefStores) GVFreeChanData(s);
  GVFreeContactGrid(contactGrid);
  std::free(block_);
}

// ---------------------------------------------------------------------------
// Cells, links and node classes

void HAState::linkLattice() {
  const int32_t n = nodeCount;
  if (cellFlag) {
    nbrPairs[0] = nbr[kNbrMinusX];
    nbrPairs[1] = nbrRepeat[0];
    nbrPairs[2] = nbr[kNbrMinusY];
    nbrPairs[3] = nbrRepeat[1];
    nbrPairs[4] = nbr[kNbrMinusZ];
    nbrPairs[5] = nbrRepeat[2];
    std::memset(spin, 0, sizeof(Vec3f) * (n + 1));
    std::memset(prevLinkStrain, 0, sizeof(*prevLinkStrain) * (n + 1));
    std::memset(linkStrain, 0, sizeof(*linkStrain) * (n + 1));
    strainsChanged();
  }

  // A diagonal corner reached by two paths: one path alone is taken, two paths
  // that disagree leave the corner empty.
  auto corner = [&](int32_t i, int32_t a, int32_t b) {
    const int32_t c1 = neighbour(a, neighbour(b, i));
    const int32_t c2 = neighbour(b, neighbour(a, i));
    if (c1 == 0) return c2;
    if (c2 == 0 || c2 == c1) return c1;
    return 0;
  };

  for (int32_t i = 1; i <= n; ++i) {
    int32_t* c = cells[i];
    c[0] = i;
    c[4] = neighbour(kNbrMinusX, i);
    c[2] = neighbour(kNbrMinusY, i);
    c[1] = neighbour(kNbrMinusZ, i);
    c[6] = corner(i, kNbrMinusX, kNbrMinusY);
    c[5] = corner(i, kNbrMinusX, kNbrMinusZ);
    c[3] = corner(i, kNbrMinusY, kNbrMinusZ);
    int32_t far = neighbour(kNbrMinusX, c[3]);
    if (!far) far = neighbour(kNbrMinusY, c[5]);
    if (!far) far = neighbour(kNbrMinusZ, c[6]);
    c[7] = far;

    int32_t* l = links[i];
    l[0] = i;
    l[1] = neighbour(kNbrMinusX, i);
    l[2] = neighbour(kNbrPlusX, i);
    l[3] = neighbour(kNbrMinusY, i);
    l[4] = neighbour(kNbrPlusY, i);
    l[5] = neighbour(kNbrMinusZ, i);
    l[6] = neighbour(kNbrPlusZ, i);

    for (int k = 0; k < 3; ++k) {
      const int32_t count = linkCells[k] ? linkCells[k][i] : 0;
      linkRecip[i][k] = count != 0 ? 1.0f / static_cast<float>(count) : 0.0f;
    }

    int32_t code = 0;
    for (int a = 0; a < 3; ++a) {
      const float one = diffOneSided ? diffOneSided[i][a] : 0.0f;
      const float half = diffCentral ? diffCentral[i][a] : 0.0f;
      const bool plus = diffSide[a] && diffSide[a][i];
      // The lattice tables hold only these values.
      assert((one == -1.0f || one == 0.0f || one == 1.0f) && (half == 0.0f || half == 0.5f));
      code |= (static_cast<int32_t>(one) + 1 + (half != 0.0f ? 4 : 0) + (plus ? 8 : 0)) << (4 * a);
    }
    diffCodes[i] = code;
  }
  buildNodeClasses();
  buildCellRuns();
  buildStressRings();
  buildFaceRecords();
}

void HAState::buildStressRings() {
  const int32_t n = nodeCount;
  // How far back the accelerations read: the node's cells and low links.
  int32_t back = 0;
  for (int32_t i = 1; i <= n; ++i) {
    for (int k = 0; k < 8; ++k)
      if (cells[i][k]) back = std::max(back, i - cells[i][k]);
    for (int k : {kMinusX, kMinusY, kMinusZ})
      if (links[i][k]) back = std::max(back, i - links[i][k]);
  }
  // Room for that and for the sweep's lead (a block and a lag of a few
  // groups); a ring past what a core's cache holds gains nothing.
  int32_t size = 256;
  while (size < back + 256) size *= 2;
  ringCellStress.clear();
  ringEdgeStress.clear();
  ringCells.clear();
  stressRingNodes = 0;
  if (size > (1 << 15) || size >= n) return;
  stressRingNodes = size;
  auto slot = [&](int32_t j) { return j ? ((j - 1) & (size - 1)) + 1 : 0; };
  ringCellStress.assign(9 * (static_cast<size_t>(size) + 2), 0.0f);
  ringEdgeStress.assign(9 * (static_cast<size_t>(size) + 2), 0.0f);
  ringCells.assign(static_cast<size_t>(n) + 1, {});
  for (int32_t i = 1; i <= n; ++i) {
    for (int k = 0; k < 8; ++k) ringCells[i][k] = static_cast<uint16_t>(slot(cells[i][k]));
  }
}

void HAState::buildCellRuns() {
  for (int32_t k = 0; k < kCellRunMax; ++k) setIdentity(&cellRunIdentity[9 * k]);
  const int32_t n = nodeCount;
  linkReach = 0;
  int32_t next[24] = {};
  for (int32_t i = n; i >= 1; --i) {
    int32_t edges[3][4][2];
    cellEdges(i, edges);
    const int32_t* e = edges[0][0];
    bool run = i < n;
    for (int k = 0; k < 24; ++k) run = run && (e[k] ? next[k] == e[k] + 1 : next[k] == 0);
    cellRuns[i] = run ? cellRuns[i + 1] + 1 : 1;
    std::memcpy(next, e, sizeof next);
    for (int k : {kPlusX, kPlusY, kPlusZ})
      if (links[i][k]) linkReach = std::max(linkReach, links[i][k] - i);
  }
  cellRuns[0] = 0;
}

void HAState::buildNodeClasses() {
  const bool flat = isFlat();
  const int32_t full = flat ? 4 : 8;
  const int32_t half = 4;
  const int32_t linkFull = flat ? 2 : 4;
  const int32_t cornerCount = flat ? 3 : 7;
  auto lc = [&](int axis, int32_t j) { return j > 0 && linkCells[axis] ? linkCells[axis][j] : 0; };

  for (int32_t i = 1; i <= nodeCount; ++i) {
    int32_t s = 0;
    for (int k = 0; k < 8; ++k)
      if (!flat || (k % 2) == 0) s += solidCell(cells[i][k]);

    uint32_t w = (s == full) ? kClassFull : kClassPartial;
    // Thin along an axis: the node's own link and the one before it touch one cell.
    for (int axis = 0; axis < 3; ++axis) {
      if (axis == 2 && flat) break;
      const int32_t minus = neighbour(kNbrMinusX + axis, i);
      const int32_t plus = neighbour(kNbrPlusX + axis, i);
      if (minus && plus && lc(axis, i) == 1 && lc(axis, minus) == 1) {
        w |= (axis == 0) ? kClassThinX : (axis == 1) ? kClassThinY : kClassThinZ;
        break;
      }
    }
    if (s == 1) w |= kClassSingleCell;
    if (lc(0, i) == 1 || lc(1, i) == 1 || lc(2, i) == 1) w |= kClassThinLink;
    if (s == half) {
      static const uint32_t kHalf[3] = {kClassHalfX, kClassHalfY, kClassHalfZ};
      for (int axis = 0; axis < 3; ++axis) {
        const int32_t minus = neighbour(kNbrMinusX + axis, i);
        if (lc(axis, i) == linkFull || lc(axis, minus) == linkFull) w |= kHalf[axis];
      }
    }
    if (w & (kClassSingleCell | kClassThinLink)) w |= kClassEdgeLike;
    if (s == cornerCount) w |= kClassCorner;
    if (!(w & (0x80u | 0x4u | 0x1u | 0x800u)) && (flat ? s == 2 : s != 7)) w |= kClassPlainSurface;
    nodeClass[i] = w;
  }
}

int32_t HAState::findFaceAcrossEdge(int32_t a, int32_t b, int32_t skipFace) const {
  if (!faces) return 0;
  for (int32_t f = 1; f <= faceCount; ++f) {
    if (f == skipFace) continue;
    const int32_t* c = faces[f];
    for (int k = 0; k < 4; ++k) {
      const int32_t p = c[k], q = c[(k + 1) & 3];
      if ((p == a && q == b) || (p == b && q == a)) return f;
    }
  }
  return 0;
}

void HAState::buildFaceRecords() {
  if (!faces || !faceNormals) return;
  // Every face's four edges, by their ends (lower first) and then by face:
  // the face across an edge from f is the first other face of its run, as
  // findFaceAcrossEdge finds it.
  struct EdgeOf {
    uint64_t ends;
    int32_t face;
    bool operator<(const EdgeOf& o) const { return ends != o.ends ? ends < o.ends : face < o.face; }
  };
  auto key = [](int32_t a, int32_t b) {
    const uint32_t lo = static_cast<uint32_t>(std::min(a, b)), hi = static_cast<uint32_t>(std::max(a, b));
    return (static_cast<uint64_t>(lo) << 32) | hi;
  };
  std::vector<EdgeOf> edges;
  edges.reserve(4 * static_cast<size_t>(faceCount));
  for (int32_t f = 1; f <= faceCount; ++f)
    for (int k = 0; k < 4; ++k) edges.push_back({key(faces[f][k], faces[f][(k + 1) & 3]), f});
  std::sort(edges.begin(), edges.end());
  for (int32_t f = 1; f <= faceCount; ++f) {
    const int32_t* c = faces[f];
    const float* nf = faceNormals[f];
    auto across = [&](int32_t a, int32_t b) {
      const uint64_t k = key(a, b);
      int32_t g = 0;
      for (auto it = std::lower_bound(edges.begin(), edges.end(), EdgeOf{k, 0}); it != edges.end() && it->ends == k;
           ++it)
        if (it->face != f) {
          g = it->face;
          break;
        }
      return dot3(nf, faceNormals[g]);
    };
    const float d01 = across(c[0], c[1]);
    const float d12 = across(c[1], c[2]);
    const float d23 = across(c[2], c[3]);
    const float d30 = across(c[3], c[0]);
    float* r = faceParamBounds[f];
    r[0] = d01 > 0.1f ? -0.05f * d01 : 0.0f;
    r[1] = d23 > 0.1f ? 1.0f + 0.05f * d23 : 1.0f;
    r[2] = d30 > 0.1f ? -0.05f * d30 : 0.0f;
    r[3] = d12 > 0.1f ? 1.0f + 0.05f * d12 : 1.0f;
    uint32_t w = 0;
    if (std::fabs(d01) < 0.1f) w |= kFaceEdgeS0;
    if (std::fabs(d23) < 0.1f) w |= kFaceEdgeS1;
    if (std::fabs(d30) < 0.1f) w |= kFaceEdgeT0;
    if (std::fabs(d12) < 0.1f) w |= kFaceEdgeT1;
    faceEdgeFlags[f] = w;
  }
}

void HAState::updateFaceNormals() {
  if (!params || !faces || !faceNormals || !pos) return;
  const int32_t frame = params->currentFrame;
  const int32_t sub = params->subStepIndex;
  int32_t* stamp = ownerStamps ? ownerStamps : frameMarks;
  if (stamp[0] == frame && stamp[1] == sub) return;
  GVComputeFaceNormals(faces, faceCount, pos, nodeCount, faceNormals);
  stamp[0] = frame;
  stamp[1] = sub;
  frameMarks[0] = frame;
  frameMarks[1] = sub;
}

// ---------------------------------------------------------------------------
// Rest frames

void HAState::setupRestFrames() {
  const JelNodeRec* rec = GVFrameNodeRecs(frameStore, 0);
  if (!rec || GVFrameStoreLast(frameStore) < 0) return;
  const int32_t n = nodeCount;
  const float g = cellSize > 0.01f ? 1.0f / cellSize : 0.0f;
  static const float kZero[3] = {0, 0, 0};
  auto V = [&](int32_t j) -> const float* { return j > 0 ? &rec[j].f[kNodeNatural] : kZero; };

  for (int32_t i = 1; i <= n; ++i) {
    const bool flatNode = neighbour(kNbrMinusZ, i) == 0 && neighbour(kNbrPlusZ, i) == 0;
    float F[9];
    for (int k = 0; k < 3; ++k) {
      const int32_t minus = neighbour(kNbrMinusX + k, i);
      const int32_t plus = neighbour(kNbrPlusX + k, i);
      const float halfW = diffCentral ? diffCentral[i][k] : 0.0f;
      const float side = diffOneSided ? diffOneSided[i][k] : 0.0f;
      const int32_t toward = (diffSide[k] && diffSide[k][i]) ? plus : minus;
      for (int a = 0; a < 3; ++a)
        F[3 * a + k] = g * ((V(plus)[a] - V(minus)[a]) * halfW + (V(toward)[a] - V(i)[a]) * side);
      // Natural edge along +k; a missing link has no edge.
      for (int a = 0; a < 3; ++a) naturalEdge[i][k][a] = plus ? (V(plus)[a] - V(i)[a]) * g : 0.0f;
    }
    float* A = restMetric[i];
    GVMat3MulTransposed(A, F, F);
    if (flatNode) flattenMetric(A);
    float det = 0.0f;
    GVMat3Inverse(A, restMetricInv[i], &det);
    restDet[i] = det;
    restSqrtDet[i] = std::sqrt(det);
  }

  // Mean edges of the cell whose lowest corner is each node (missing nodes add
  // nothing, the mean stays over four).
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t px = neighbour(kNbrPlusX, i), py = neighbour(kNbrPlusY, i), pz = neighbour(kNbrPlusZ, i);
    auto diag = [&](int d1, int d2) {
      const int32_t j = neighbour(d2, neighbour(d1, i));
      return j ? j : neighbour(d1, neighbour(d2, i));
    };
    const int32_t pyz = diag(kNbrPlusY, kNbrPlusZ);
    const int32_t pxz = diag(kNbrPlusX, kNbrPlusZ);
    const int32_t pxy = diag(kNbrPlusX, kNbrPlusY);
    const int32_t around[3][4] = {{i, py, pz, pyz}, {i, px, pz, pxz}, {i, px, py, pxy}};
    for (int k = 0; k < 3; ++k) {
      float sum[3] = {0, 0, 0};
      for (int32_t j : around[k])
        if (j)
          for (int a = 0; a < 3; ++a) sum[a] += naturalEdge[j][k][a];
      for (int a = 0; a < 3; ++a) avgCellEdge[i][k][a] = 0.25f * sum[a];
    }
  }

  // Cells that share the +k link of a node: elements of its cell record.
  static const int kLinkCells[3][4] = {{0, 1, 2, 3}, {0, 1, 4, 5}, {0, 2, 4, 6}};
  for (int32_t i = 1; i <= n; ++i) {
    const bool flatNode = neighbour(kNbrMinusZ, i) == 0 && neighbour(kNbrPlusZ, i) == 0;
    float* C = cellMetric[i];
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) C[3 * a + b] = dot3(avgCellEdge[i][a], avgCellEdge[i][b]);
    if (flatNode) flattenMetric(C);

    for (int k = 0; k < 3; ++k) {
      float u[3][3];
      std::memcpy(u[k], naturalEdge[i][k], sizeof u[k]);
      for (int a = 0; a < 3; ++a) {
        if (a == k) continue;
        float sum[3] = {0, 0, 0};
        for (int e : kLinkCells[k]) {
          const int32_t cnode = cells[i][e];
          if (!solidCell(cnode)) continue;
          for (int m = 0; m < 3; ++m) sum[m] += avgCellEdge[cnode][a][m];
        }
        for (int m = 0; m < 3; ++m) u[a][m] = sum[m] * linkRecip[i][k];
      }
      float* L = linkMetric[k][i];
      for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) L[3 * a + b] = dot3(u[a], u[b]);
      if (flatNode) flattenMetric(L);
      float det = 0.0f;
      GVMat3InverseAbsDet(L, &det, restLinkInv[k][i]);
      restLinkDet[i][k] = det;
    }
    float det = 0.0f;
    GVMat3InverseAbsDet(C, &det, restCellInv[i]);
    const float solid = static_cast<float>(solidCell(i));
    for (int m = 0; m < 9; ++m) restCellInv[i][m] *= solid;
    restCellDet[i] = det * solid;
  }
}

// ---------------------------------------------------------------------------
// Matter coefficients

void HAState::matterChanged(int32_t node) {
  if (node < 0 || node > nodeCount) return;
  const MatterProps& M = matter[node];
  float* f = stepForce[node];
  f[0] = M.forceX;
  f[1] = M.forceY;
  f[2] = M.forceZ;
  f[3] = M.scaleT;
  stepFlatZ[node] = M.flatZ;
}

void HAState::matterChanged() {
  for (int32_t i = 0; i <= nodeCount; ++i) matterChanged(i);
}

bool HAState::stepMatterCurrent() const {
  for (int32_t i = 0; i <= nodeCount; ++i) {
    const MatterProps& M = matter[i];
    const float want[5] = {M.forceX, M.forceY, M.forceZ, M.scaleT, M.flatZ};
    const float have[5] = {stepForce[i][0], stepForce[i][1], stepForce[i][2], stepForce[i][3], stepFlatZ[i]};
    if (std::memcmp(want, have, sizeof want) != 0) return false;
  }
  return true;
}

void HAState::deriveMatterCoefficients() {
  matterChanged();
  const float h = cellSize;
  const float c0 = h, c1 = h * h;
  const float c2 = h != 0.0f ? 1.0f / h : 0.0f;
  const float c3 = c2 * c2;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    const MatterProps& M = matter[i];
    const float Y = 150.0f * M.elasticity * M.elasticity * M.density;
    float nu = M.bulge > 1.0f ? 0.31f + 0.07f * M.bulge : 0.38f * M.bulge;
    // Poisson's ratio near 1/2 makes the bulk term blow up: keep it below.
    if (!(nu <= 0.49f)) nu = 0.49f;
    if (!(nu >= 0.0f)) nu = 0.0f;
    const float st = M.scaleT * M.scaleL;
    const float c5 = Y * nu / ((1.0f - 2.0f * nu) * (1.0f + nu)) * st * st;
    const float c4 = Y / (2.0f * (1.0f + nu)) * st * st;
    const float c6 = c5 * c2, c7 = c4 * c2;
    float* c = coeffs[i];
    c[0] = c0;
    c[1] = c1;
    c[2] = c2;
    c[3] = c3;
    c[4] = c4;
    c[5] = c5;
    c[6] = c6;
    c[7] = c7;
    c[8] = c7 + c6;
    c[9] = 2.0f * c7 + c6;
    const float c9 = c[9];

    mass[i] = M.density * (nodeVolume ? nodeVolume[i] : 0.0f);

    float a[4];
    a[0] = static_cast<float>(solidCell(i)) * 0.25f * std::sqrt(std::fabs(restCellDet[i])) * c1;
    for (int k = 0; k < 3; ++k) {
      const float count = linkCells[k] ? static_cast<float>(linkCells[k][i]) : 0.0f;
      a[k + 1] = count * 0.25f * std::sqrt(std::fabs(restLinkDet[i][k])) * c1;
    }
    std::memcpy(area[i], a, sizeof a);

    const float* R0 = restCellInv[i];
    const float d1 = restLinkInv[0][i][0], d2 = restLinkInv[1][i][4], d3 = restLinkInv[2][i][8];
    for (int k = 0; k < 3; ++k) {
      normalCoef[i][k] = a[0] * c6 * R0[4 * k];
      shearCoef[i][k] = a[0] * c7 * R0[4 * k];
    }
    edgeNormalCoef[i][0] = a[1] * c9 * d1;
    edgeNormalCoef[i][1] = a[2] * c9 * d2;
    edgeNormalCoef[i][2] = a[3] * c9 * d3;
    edgeShearCoef[i][0] = a[1] * c7 * d1;
    edgeShearCoef[i][1] = a[2] * c7 * d2;
    edgeShearCoef[i][2] = a[3] * c7 * d3;
    const float gd = 3.0f * M.scaleT * M.scaleL * M.density * M.damping;
    edgeDampCoef[i][0] = gd * a[1] * d1;
    edgeDampCoef[i][1] = gd * a[2] * d2;
    edgeDampCoef[i][2] = gd * a[3] * d3;

  }
}
