#include "jel/lattice_tables.h"

#include <cmath>

void GVComputeFaceNormals(const int32_t (*faces)[4], int32_t faceCount, const Vec3f* pos,
                          int32_t nodeCount, Vec3f* out) {
  if (!faces || !pos || !out) return;
  for (int32_t f = 1; f <= faceCount; ++f) {
    const int32_t* c = faces[f];
    bool valid = true;
    for (int k = 0; k < 4; ++k) valid = valid && c[k] >= 1 && c[k] <= nodeCount;
    float n[3] = {0, 0, 0};
    if (valid) {
      const float* a = pos[c[0]];
      const float* b = pos[c[1]];
      const float* cc = pos[c[2]];
      const float* d = pos[c[3]];
      const float u[3] = {d[0] - b[0], d[1] - b[1], d[2] - b[2]};
      const float v[3] = {cc[0] - a[0], cc[1] - a[1], cc[2] - a[2]};
      n[0] = u[1] * v[2] - u[2] * v[1];
      n[1] = u[2] * v[0] - u[0] * v[2];
      n[2] = u[0] * v[1] - u[1] * v[0];
      const float len2 = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
      if (len2 > 0.0f) {
        const float inv = 1.0f / std::sqrt(len2);
        for (float& x : n) x *= inv;
      } else {
        n[0] = n[1] = n[2] = 0.0f;
      }
    }
    for (int k = 0; k < 3; ++k) out[f][k] = n[k];
  }
}

// ---------------------------------------------------------------------------
// Tables of a Jel object from the records of its start frame.

#include <cstring>

#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"

namespace {

// Record order of the neighbours in a state record: -x, +x, -y, +y, -z, +z.
const int kRecordNbr[6] = {kNbrMinusX, kNbrPlusX, kNbrMinusY, kNbrPlusY, kNbrMinusZ, kNbrPlusZ};

template <class T>
void freeArray(T*& p) {
  delete[] p;
  p = nullptr;
}

void normaliseInPlace(float* v) { GVVecNormalise(v, v); }

}  // namespace

void HObject::allocLatticeTables(int32_t n) {
  if (cellFlag || n < 0) return;
  const size_t n1 = static_cast<size_t>(n) + 1;
  cellFlag = new int32_t[n1]();
  for (auto& t : nbr) t = new int32_t[n1]();
  for (auto& t : nbrRepeat) t = new int32_t[n1]();
  for (auto& t : diffSide) t = new int32_t[n1]();
  for (auto& t : linkCells) t = new int32_t[n1]();
  diffCentral = new Vec3f[n1]();
  diffOneSided = new Vec3f[n1]();
  nodeVolume = new float[n1]();
  for (int k = 0; k < 3; ++k) {
    aliases[2 * k] = diffSide[k];
    aliases[2 * k + 1] = nbrRepeat[k];
  }
}

void HObject::clearLatticeTables() {
  if (!cellFlag) return;
  const size_t n1 = static_cast<size_t>(nodeCount) + 1;
  std::memset(cellFlag, 0, sizeof(int32_t) * n1);
  for (auto* t : nbr) std::memset(t, 0, sizeof(int32_t) * n1);
  for (int k = 0; k < 3; ++k) {
    std::memset(nbrRepeat[k], 0, sizeof(int32_t) * n1);
    std::memset(diffSide[k], 0, sizeof(int32_t) * n1);
    std::memset(linkCells[k], 0, sizeof(int32_t) * n1);
  }
  std::memset(diffCentral, 0, sizeof(Vec3f) * n1);
  std::memset(diffOneSided, 0, sizeof(Vec3f) * n1);
  std::memset(nodeVolume, 0, sizeof(float) * n1);
  if (vel) std::memset(vel, 0, sizeof(Vec3f) * n1);
  if (disp) std::memset(disp, 0, sizeof(Vec3f) * n1);
}

void HObject::freeLatticeTables() {
  if (cellFlag) {
    freeArray(cellFlag);
    for (auto& t : nbr) freeArray(t);
    for (auto& t : nbrRepeat) freeArray(t);
    for (auto& t : diffSide) freeArray(t);
    for (auto& t : linkCells) freeArray(t);
    freeArray(diffCentral);
    freeArray(diffOneSided);
    freeArray(nodeVolume);
    freeArray(faces);
    freeArray(edges);
    for (auto& a : aliases) a = nullptr;
  }
  freeArray(faceNormals);
  freeArray(nodeNormals);
  freeArray(edgeNormals);
}

void HObject::finalize() {
  const JelStateRec* st = GVFrameStateRecs(frameStore, 0);
  const JelNodeRec* nr = GVFrameNodeRecs(frameStore, 0);
  if (!st || nodeCount < 1) return;
  allocLatticeTables(nodeCount);
  clearLatticeTables();
  const int32_t n = nodeCount;
  auto valid = [n](int32_t j) { return j >= 1 && j <= n ? j : 0; };

  for (int32_t i = 1; i <= n; ++i) {
    const int32_t* w = st[i].w;
    cellFlag[i] = w[kStateCellFlag] != 0 ? 1 : 0;
    for (int k = 0; k < 6; ++k) nbr[kRecordNbr[k]][i] = valid(w[kStateNbr + k]);
    for (int k = 0; k < 3; ++k) nbrRepeat[k][i] = nbr[kNbrPlusX + k][i];
    if (nr && pos && vel) {
      std::memcpy(pos[i], &nr[i].f[kNodePos], sizeof(Vec3f));
      std::memcpy(vel[i], &nr[i].f[kNodeVel], sizeof(Vec3f));
    }
  }

  const float h3 = cellSize * cellSize * cellSize;
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t mx = neighbour(kNbrMinusX, i), my = neighbour(kNbrMinusY, i), mz = neighbour(kNbrMinusZ, i);
    auto diag = [&](int32_t viaA, int dirB, int32_t viaB, int dirA) {
      const int32_t j = neighbour(dirB, viaA);
      return j ? j : neighbour(dirA, viaB);
    };
    const int32_t xy = diag(my, kNbrMinusX, mx, kNbrMinusY);
    const int32_t xz = diag(mz, kNbrMinusX, mx, kNbrMinusZ);
    const int32_t yz = diag(mz, kNbrMinusY, my, kNbrMinusZ);
    int32_t xyz = neighbour(kNbrMinusX, yz);
    if (!xyz) xyz = neighbour(kNbrMinusY, xz);
    if (!xyz) xyz = neighbour(kNbrMinusZ, xy);
    const int32_t c0 = solidCell(i), cx = solidCell(mx), cy = solidCell(my), cz = solidCell(mz);
    const int32_t cxy = solidCell(xy), cxz = solidCell(xz), cyz = solidCell(yz), cxyz = solidCell(xyz);

    const int32_t plus[3] = {c0 | cy | cz | cyz, c0 | cx | cz | cxz, c0 | cx | cy | cxy};
    const int32_t minus[3] = {cx | cxz | cxy | cxyz, cy | cxy | cyz | cxyz, cz | cxz | cyz | cxyz};
    const bool flatNode = mz == 0 && neighbour(kNbrPlusZ, i) == 0;
    for (int k = 0; k < 3; ++k) {
      int32_t dir = plus[k] - minus[k];
      if (k == 2 && flatNode) dir = 0;
      diffOneSided[i][k] = static_cast<float>(dir);
      diffCentral[i][k] = (dir == 0 && !(k == 2 && flatNode)) ? 0.5f : 0.0f;
      diffSide[k][i] = dir == 1 ? 1 : 0;
    }
    linkCells[0][i] = c0 + cy + cz + cyz;
    linkCells[1][i] = c0 + cx + cz + cxz;
    linkCells[2][i] = c0 + cx + cy + cxy;
    nodeVolume[i] = h3 * static_cast<float>(c0 + cx + cy + cz + cxy + cxz + cyz + cxyz) * 0.125f;
  }

  buildSurfaceFaces();
  if (isFlat()) {
    buildFlatEdges();
  } else {
    LatticeDims dims;
    getLatticeDims(&dims);
    const bool small = (n == 18 && dims.maxIndex[2] == 2) || (n == 36 && dims.maxIndex[2] == 4) ||
                       (n == 27 && dims.maxIndex[2] == 3);
    if (small)
      buildSmallLatticeEdges();
    else
      buildSolidEdges();
  }

  updateNormals();
}

void HObject::updateNormals() {
  const int32_t frame = playParams.currentFrame, sub = playParams.subStepIndex;
  if (frameMarks[0] != frame || frameMarks[1] != sub) {
    computeFaceNormals();
    frameMarks[0] = frame;
    frameMarks[1] = sub;
  }
  if (frameMarks[2] != frame || frameMarks[3] != sub) {
    computeNodeNormals();
    frameMarks[2] = frame;
    frameMarks[3] = sub;
  }
}

void HObject::buildSurfaceFaces() {
  const bool flat = isFlat();
  auto flag = [&](int32_t j) { return solidCell(j); };
  // Pass 0 counts, pass 1 fills.
  int32_t count = 0;
  int32_t(*table)[4] = nullptr;
  for (int pass = 0; pass < 2; ++pass) {
    int32_t f = 0;
    auto add = [&](int32_t a, int32_t b, int32_t c, int32_t d, bool swap) {
      ++f;
      if (!table) return;
      table[f][0] = a;
      table[f][1] = swap ? d : b;
      table[f][2] = c;
      table[f][3] = swap ? b : d;
    };
    for (int32_t i = 1; i <= nodeCount; ++i) {
      const int32_t a = neighbour(kNbrPlusX, i), b = neighbour(kNbrPlusY, i);
      const int32_t c = neighbour(kNbrPlusX, b), below = neighbour(kNbrMinusZ, i);
      if (a && b && c && flag(i) != flag(below)) add(i, b, c, a, !flat && flag(below) - flag(i) != 1);
    }
    for (int32_t i = 1; i <= nodeCount; ++i) {
      const int32_t c = neighbour(kNbrPlusZ, i), a = neighbour(kNbrPlusX, i);
      const int32_t d = neighbour(kNbrPlusZ, a), below = neighbour(kNbrMinusY, i);
      if (c && a && d && flag(i) != flag(below)) add(i, a, d, c, flag(below) - flag(i) != 1);
    }
    for (int32_t i = 1; i <= nodeCount; ++i) {
      const int32_t b = neighbour(kNbrPlusY, i), c = neighbour(kNbrPlusZ, i);
      const int32_t d = neighbour(kNbrPlusY, c), below = neighbour(kNbrMinusX, i);
      if (b && c && d && flag(i) != flag(below)) add(i, c, d, b, flag(below) - flag(i) != 1);
    }
    if (pass == 0) {
      count = f;
      // Keep the table (and what shares it) when the count is unchanged.
      if (!faces || count != faceCount) {
        freeArray(faces);
        freeArray(faceNormals);
        faces = new int32_t[count + 1][4]();
      }
      table = faces;
    }
  }
  faceCount = count;
}

// Fills the edge table from a rule; pass 0 counts, pass 1 fills.
template <class Rule>
static void buildEdges(HObject* jel, Rule rule) {
  int32_t count = 0;
  int32_t(*table)[2] = nullptr;
  for (int pass = 0; pass < 2; ++pass) {
    int32_t e = 0;
    auto add = [&](int32_t a, int32_t b) {
      ++e;
      if (table) table[e][0] = a, table[e][1] = b;
    };
    rule(add);
    if (pass == 0) {
      count = e;
      if (!jel->edges || count != jel->edgeCount) {
        delete[] jel->edges;
        delete[] jel->edgeNormals;
        jel->edgeNormals = nullptr;
        jel->edges = new int32_t[count + 1][2]();
      }
      table = jel->edges;
    }
  }
  jel->edgeCount = count;
}

void HObject::buildFlatEdges() {
  buildEdges(this, [&](auto add) {
    for (int32_t i = 1; i <= nodeCount; ++i) {
      const int32_t px = neighbour(kNbrPlusX, i);
      if (px && solidCell(i) != solidCell(neighbour(kNbrMinusY, i))) add(i, px);
    }
    for (int32_t i = 1; i <= nodeCount; ++i) {
      const int32_t py = neighbour(kNbrPlusY, i);
      if (py && solidCell(i) != solidCell(neighbour(kNbrMinusX, i))) add(i, py);
    }
  });
}

void HObject::buildSolidEdges() {
  buildEdges(this, [&](auto add) {
    for (int axis = 0; axis < 3; ++axis)
      for (int32_t i = 1; i <= nodeCount; ++i) {
        const int32_t j = neighbour(kNbrPlusX + axis, i);
        if (j && linkCells[axis][i] == 1) add(i, j);
      }
  });
}

void HObject::buildSmallLatticeEdges() {
  // The z edges of these few-node lattices run round their first layers, so
  // that a rim of edge midpoints is drawn as well as the corners.
  const int32_t run = nodeCount == 18 ? 9 : 18;
  buildEdges(this, [&](auto add) {
    for (int axis = 0; axis < 2; ++axis)
      for (int32_t i = 1; i <= nodeCount; ++i) {
        const int32_t j = neighbour(kNbrPlusX + axis, i);
        if (j && linkCells[axis][i] == 1) add(i, j);
      }
    for (int32_t k = 1; k <= run && k <= nodeCount; ++k) {
      const int32_t j = neighbour(kNbrPlusZ, k);
      if (j && linkCells[2][k] < 4) add(k, j);
    }
  });
}

void HObject::computeFaceNormals() {
  if (!faces || faceCount < 1 || !pos) return;
  if (!faceNormals) faceNormals = new Vec3f[faceCount + 1]();
  GVComputeFaceNormals(faces, faceCount, pos, nodeCount, faceNormals);
}

void HObject::computeNodeNormals() {
  if (!faceNormals || !faces) return;
  if (!nodeNormals) nodeNormals = new Vec3f[nodeCount + 1]();
  std::memset(nodeNormals, 0, sizeof(Vec3f) * (nodeCount + 1));
  for (int32_t f = 1; f <= faceCount; ++f)
    for (int c = 0; c < 4; ++c) {
      const int32_t j = faces[f][c];
      if (j < 1 || j > nodeCount) continue;
      for (int k = 0; k < 3; ++k) nodeNormals[j][k] += faceNormals[f][k];
    }
  for (int32_t i = 1; i <= nodeCount; ++i) normaliseInPlace(nodeNormals[i]);
  computeEdgeNormals();
}

void HObject::computeEdgeNormals() {
  if (!edges || !nodeNormals) return;
  if (!edgeNormals) edgeNormals = new Vec3f[edgeCount + 1]();
  nodeNormals[0][0] = nodeNormals[0][1] = nodeNormals[0][2] = 0.0f;
  for (int32_t e = 1; e <= edgeCount; ++e) {
    const int32_t a = edges[e][0] >= 1 && edges[e][0] <= nodeCount ? edges[e][0] : 0;
    const int32_t b = edges[e][1] >= 1 && edges[e][1] <= nodeCount ? edges[e][1] : 0;
    float m[3];
    for (int k = 0; k < 3; ++k) m[k] = 0.5f * (nodeNormals[a][k] + nodeNormals[b][k]);
    GVVecNormalise(m, edgeNormals[e]);
  }
}
