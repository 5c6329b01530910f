#include "block_lattice.h"

#include "jel/chan_data.h"
#include "jel/frame_store.h"
#include "jel/lattice_tables.h"

BlockLattice::BlockLattice(int nx_, int ny_, int nz_, float h_, SolidFn solid_, int storedFrames)
    : nx(nx_), ny(ny_), nz(nz_), h(h_), n(nx_ * ny_ * nz_), solid(std::move(solid_)) {
  const size_t n1 = static_cast<size_t>(n) + 1;
  gx.assign(n1, 0);
  gy.assign(n1, 0);
  gz.assign(n1, 0);
  for (int z = 0; z < nz; ++z)
    for (int y = 0; y < ny; ++y)
      for (int x = 0; x < nx; ++x) {
        const int i = index(x, y, z);
        gx[i] = x, gy[i] = y, gz[i] = z;
      }

  uints_.emplace_back(n1, 0u);
  head.partMask = uints_.back().data();
  head.nodeKind = intArray(n1);
  head.glueJel = intArray(n1);
  head.glueNode = intArray(n1);
  for (auto& g : head.glueExtra) g = intArray(n1);
  head.cellFlag = intArray(n1);
  for (auto& t : head.nbr) t = intArray(n1);
  for (auto& t : head.nbrRepeat) t = intArray(n1);
  for (auto& t : head.diffSide) t = intArray(n1);
  for (auto& t : head.linkCells) t = intArray(n1);
  head.fileBlock = intArray(64);
  head.diffCentral = reinterpret_cast<Vec3f*>(floatArray(3 * n1));
  head.diffOneSided = reinterpret_cast<Vec3f*>(floatArray(3 * n1));
  head.nodeVolume = floatArray(n1);
  head.pos = reinterpret_cast<Vec3f*>(floatArray(3 * n1));
  head.vel = reinterpret_cast<Vec3f*>(floatArray(3 * n1));
  head.disp = reinterpret_cast<Vec3f*>(floatArray(3 * n1));
  head.nodeNormals = reinterpret_cast<Vec3f*>(floatArray(3 * n1));

  const bool flat = nz == 1;
  for (int i = 1; i <= n; ++i) {
    const int x = gx[i], y = gy[i], z = gz[i];
    head.partMask[i] = 2u;  // part 1: the whole Jel
    head.cellFlag[i] = cellSolid(x, y, z) ? 1 : 0;
    head.nbr[kNbrMinusX][i] = at(x - 1, y, z);
    head.nbr[kNbrMinusY][i] = at(x, y - 1, z);
    head.nbr[kNbrMinusZ][i] = at(x, y, z - 1);
    head.nbr[kNbrPlusX][i] = at(x + 1, y, z);
    head.nbr[kNbrPlusY][i] = at(x, y + 1, z);
    head.nbr[kNbrPlusZ][i] = at(x, y, z + 1);
    for (int k = 0; k < 3; ++k) head.nbrRepeat[k][i] = head.nbr[3 + k][i];

    // The eight cells around the node, by their offsets (0 or -1 per axis).
    int cells = 0;
    int lowSide[3] = {0, 0, 0}, highSide[3] = {0, 0, 0};
    int linkCount[3] = {0, 0, 0};
    for (int dz = -1; dz <= 0; ++dz)
      for (int dy = -1; dy <= 0; ++dy)
        for (int dx = -1; dx <= 0; ++dx) {
          if (flat && dz == -1) continue;
          if (!cellSolid(x + dx, y + dy, z + dz)) continue;
          ++cells;
          const int d[3] = {dx, dy, dz};
          for (int k = 0; k < 3; ++k) {
            if (d[k] == 0)
              highSide[k] = 1;
            else
              lowSide[k] = 1;
            if (d[k] == 0) ++linkCount[k];  // cells on the + side of the node hold its +k link
          }
        }
    for (int k = 0; k < 3; ++k) {
      const bool hasPlus = head.nbr[3 + k][i] != 0;
      head.linkCells[k][i] = hasPlus || (k == 2 && flat) ? linkCount[k] : 0;
      float dir = static_cast<float>(highSide[k] - lowSide[k]);
      if (k == 2 && flat) dir = 0.0f;
      head.diffOneSided[i][k] = dir;
      head.diffCentral[i][k] = (k == 2 && flat) ? 0.0f : (dir == 0.0f ? 0.5f : 0.0f);
      head.diffSide[k][i] = dir == 1.0f ? 1 : 0;
    }
    head.nodeVolume[i] = h * h * h * static_cast<float>(cells) * 0.125f;
    head.pos[i][0] = x * h, head.pos[i][1] = y * h, head.pos[i][2] = z * h;
  }

  // Surface faces, ordered so that their normals leave the solid.
  std::vector<int32_t> faceList(4, 0);
  auto addFace = [&](int a, int b, int c, int d) { faceList.insert(faceList.end(), {a, b, c, d}); };
  auto flag = [&](int j) { return j ? head.cellFlag[j] : 0; };
  for (int i = 1; i <= n; ++i) {
    const int px = head.nbr[kNbrPlusX][i], py = head.nbr[kNbrPlusY][i];
    const int mz = head.nbr[kNbrMinusZ][i];
    if (px && py && head.nbr[kNbrPlusX][py] && flag(i) != flag(mz)) {
      const int c = head.nbr[kNbrPlusX][py];
      if (!flat && flag(mz) - flag(i) != 1)
        addFace(i, px, c, py);
      else
        addFace(i, py, c, px);
    }
  }
  for (int i = 1; i <= n; ++i) {
    const int pz = head.nbr[kNbrPlusZ][i], px = head.nbr[kNbrPlusX][i];
    const int my = head.nbr[kNbrMinusY][i];
    if (pz && px && head.nbr[kNbrPlusZ][px] && flag(i) != flag(my)) {
      const int d = head.nbr[kNbrPlusZ][px];
      if (flag(my) - flag(i) != 1)
        addFace(i, pz, d, px);
      else
        addFace(i, px, d, pz);
    }
  }
  for (int i = 1; i <= n; ++i) {
    const int py = head.nbr[kNbrPlusY][i], pz = head.nbr[kNbrPlusZ][i];
    const int mx = head.nbr[kNbrMinusX][i];
    if (py && pz && head.nbr[kNbrPlusY][pz] && flag(i) != flag(mx)) {
      const int d = head.nbr[kNbrPlusY][pz];
      if (flag(mx) - flag(i) != 1)
        addFace(i, py, d, pz);
      else
        addFace(i, pz, d, py);
    }
  }
  faceCount = static_cast<int>(faceList.size() / 4) - 1;
  ints_.emplace_back(std::move(faceList));
  head.faces = reinterpret_cast<int32_t(*)[4]>(ints_.back().data());
  head.faceNormals = reinterpret_cast<Vec3f*>(floatArray(3 * (faceCount + 1)));
  GVComputeFaceNormals(head.faces, faceCount, head.pos, n, head.faceNormals);

  // Frame store: slot 0 holds the natural and initial state.
  ChanData* store = GVNewChanData(n);
  GVAllocChannels(store, kFrameStoreChannels, storedFrames);
  for (int k = 0; k <= storedFrames; ++k) GVAllocChannelFrame(store, kFrameStoreChannels, k);
  for (int k = 0; k <= storedFrames; ++k) {
    JelNodeRec* nr = GVFrameNodeRecs(store, k);
    JelStateRec* st = GVFrameStateRecs(store, k);
    MatterProps* mp = GVFrameMatter(store, k);
    for (int i = 1; i <= n; ++i) {
      for (int a = 0; a < 3; ++a) {
        nr[i].f[kNodeNatural + a] = head.pos[i][a];
        nr[i].f[kNodePos + a] = head.pos[i][a];
        nr[i].f[kNodeVel + a] = 0.0f;
      }
      st[i].w[kStateCellFlag] = head.cellFlag[i];
      st[i].w[kStateGridX] = gx[i];
      st[i].w[kStateGridX + 1] = gy[i];
      st[i].w[kStateGridX + 2] = gz[i];
      GVSetMatterDefaults(&mp[i]);
    }
  }
  head.frameStore = store;
  params.fps = 30;
  params.subSteps = 1;
}

BlockLattice::~BlockLattice() { GVFreeChanData(head.frameStore); }

bool BlockLattice::cellSolid(int x, int y, int z) const {
  const int zCells = nz == 1 ? 1 : nz - 1;
  if (x < 0 || y < 0 || z < 0 || x >= nx - 1 || y >= ny - 1 || z >= zCells) return false;
  return solid ? solid(x, y, z) : true;
}

int BlockLattice::solidCellCount() const {
  int count = 0;
  const int zCells = nz == 1 ? 1 : nz - 1;
  for (int z = 0; z < zCells; ++z)
    for (int y = 0; y < ny - 1; ++y)
      for (int x = 0; x < nx - 1; ++x) count += cellSolid(x, y, z) ? 1 : 0;
  return count;
}

std::unique_ptr<HAState> BlockLattice::makeState() {
  auto s = std::make_unique<HAState>(n, &params, 1, 2u, &flags, h, faceCount, 0, head, stamps);
  s->linkLattice();
  s->setupRestFrames();
  s->restoreFrame(kFrameInitial);
  return s;
}

int32_t* BlockLattice::intArray(size_t count) {
  ints_.emplace_back(count, 0);
  return ints_.back().data();
}

float* BlockLattice::floatArray(size_t count) {
  floats_.emplace_back(count, 0.0f);
  return floats_.back().data();
}

#include "jel/jel_object.h"

std::unique_ptr<HObject> makeBlockJel(int nx, int ny, int nz, float h, BlockLattice::SolidFn solid, int id) {
  BlockLattice t(nx, ny, nz, h, solid);
  auto jel = std::make_unique<HObject>(t.n, id, 0, 100);
  jel->cellSize = h;
  JelStateRec* st = GVFrameStateRecs(jel->frameStore, 0);
  JelNodeRec* nr = GVFrameNodeRecs(jel->frameStore, 0);
  MatterProps* mp = GVFrameMatter(jel->frameStore, 0);
  static const int kRecordNbr[6] = {kNbrMinusX, kNbrPlusX, kNbrMinusY, kNbrPlusY, kNbrMinusZ, kNbrPlusZ};
  for (int i = 1; i <= t.n; ++i) {
    st[i].w[kStateCellFlag] = t.head.cellFlag[i];
    st[i].w[kStateGridX] = t.gx[i] + 1;
    st[i].w[kStateGridX + 1] = t.gy[i] + 1;
    st[i].w[kStateGridX + 2] = t.gz[i] + 1;
    for (int k = 0; k < 6; ++k) st[i].w[kStateNbr + k] = t.head.nbr[kRecordNbr[k]][i];
    for (int a = 0; a < 3; ++a) nr[i].f[kNodeNatural + a] = nr[i].f[kNodePos + a] = t.head.pos[i][a];
    GVSetMatterDefaults(&mp[i]);
    jel->partMask[i] = 2u;
  }
  jel->finalize();
  jel->createState();
  return jel;
}
