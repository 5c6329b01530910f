#pragma once
// The per-node deformation map of a Jel lattice: for every node the 3x3
// derivative of its live position with respect to lattice coordinates. With it
// the lattice is a continuous map from (cell node, u, v, w) to world space,
// which bound meshes are carried by and which point location inverts.

#include <cstdint>

class HObject;
class WorkerPool;

// One lattice location: the cell's lowest-corner node and the local
// coordinates inside it (0..1 in the cell, along +x, +y, +z).
struct GeoVertBind {
  int32_t jelId = 0;  // 0 = not located
  int32_t cellNode = 0;
  float u = 0.0f, v = 0.0f, w = 0.0f;
};

// Binding of a mesh to a part of a Jel that forms a solid box of nodes.
enum GeoCellBindStatus : int32_t {
  kCellBindAccepted = 0,
  kCellBindPartEmpty = 2,
  kCellBindWrongCount = 3,
  kCellBindNotBox = 4,
};

struct GeoCellBind {
  int32_t* nodes = nullptr;  // owned: [0] = count, then the box's nodes x-fastest
  HObject* jel = nullptr;
  int32_t jelId = 0;
  int32_t part = 0;
  int32_t cornerNode = 0;
  int32_t nx = 0, ny = 0, nz = 0;
  int32_t status = 0;
};

void GVFreeCellBind(GeoCellBind* bind);

// Buffers of the per-vertex pass, sized by the largest lattice they served
// and reused, so that a running scene allocates nothing. Each Jel owns one.
struct DeformScratch;
DeformScratch* GVNewDeformScratch();
void GVFreeDeformScratch(DeformScratch* scratch);

// The lattice arrays the map reads and writes, all 1-based with n + 1 entries
// (entry 0 zero). A Jel object lends its own arrays through this view.
struct DeformLattice {
  int32_t id = 0;
  int32_t nodeCount = 0;
  float cellSize = 1.0f;
  const float (*pos)[3] = nullptr;
  const int32_t* nbr[6] = {};  // -x, -y, -z, +x, +y, +z
  const int32_t* cellFlag = nullptr;
  const float (*diffCentral)[3] = nullptr;
  const float (*diffOneSided)[3] = nullptr;
  const int32_t* diffSide[3] = {};
  float* deform[9] = {};  // M00, M01, M02, M10, ... row = world axis, column = lattice axis
  int32_t* searchMark = nullptr;
  // Read by the seam pass only.
  const uint32_t* partMask = nullptr;
  const int32_t* glueJel = nullptr;
  const int32_t* glueNode = nullptr;
  const int32_t* glueFlag = nullptr;  // first of the further glue words
  int32_t faceCount = 0;
  const int32_t (*faces)[4] = nullptr;
  // The per-vertex pass's buffers; without them it takes the plain path.
  DeformScratch* scratch = nullptr;
};

// One layer thick: node 1 has neither a -z nor a +z neighbour.
int GVLatticeIsFlat(const DeformLattice* L);

void GVUpdateLatticeDeform(DeformLattice* L, int seam);
void GVFixLatticeSeamDeform(DeformLattice* L);
// Column `axis` of node i's deformation matrix.
void GVDeformColumn(const DeformLattice* L, int32_t node, int axis, float out[3]);

// World position of a location; returns 0 and writes nothing for an
// unlocated record, a cell node outside 1..n or a node without a cell.
int GVLatticeEvalTrilinear(const DeformLattice* L, const GeoVertBind* rec, float out[3]);
// Vertices 1..count of a bound mesh from their locations. With a pool, more
// than kDeformPiece vertices run in pieces side by side (every vertex is
// written by one piece from the same inputs: the result is that of one
// thread).
constexpr int32_t kDeformPiece = 4096;
void GVLatticeDeformVerts(const DeformLattice* L, const GeoVertBind* recs, float (*verts)[3],
                          int32_t count, int bilinear, WorkerPool* pool = nullptr);

int32_t GVLatticeLocatePoint(DeformLattice* L, const float point[3], GeoVertBind* rec);
int32_t GVLatticeTrackPoint(const DeformLattice* L, const float point[3], GeoVertBind* rec);

int GVLatticeCheckPartBlock(const DeformLattice* L, HObject* jel, int32_t part, GeoCellBind* bind);
// Location of a point in an accepted box; `corner` is the box corner node's
// rest position. Returns the cell node; 0 when an input is missing or the
// point's grid coordinates are not finite (nothing written).
int32_t GVBlockCellOfPointAt(const float point[3], const float corner[3], float cellSize, int flat,
                             const GeoCellBind* bind, GeoVertBind* out);

// The same services on a Jel object's own arrays. The view lends them (the
// Jel's stored positions among them) to the lattice routines.
DeformLattice GVJelDeformLattice(HObject* jel);
void GVUpdateJelDeform(HObject* jel, int seam);
int GVLatticeTrilinear(const GeoVertBind* rec, HObject* jel, float out[3]);
void GVDeformVertsTrilinear(const GeoVertBind* recs, float (*verts)[3], HObject* jel, int32_t count,
                            WorkerPool* pool = nullptr);
void GVDeformVertsBilinear(const GeoVertBind* recs, float (*verts)[3], HObject* jel, int32_t count,
                           WorkerPool* pool = nullptr);
int32_t GVLocatePointInJel(HObject* jel, const float point[3], GeoVertBind* rec);
int32_t GVLocatePointFromCell(HObject* jel, const float point[3], GeoVertBind* rec);
int GVCheckPartBlock(HObject* jel, int32_t part, GeoCellBind* bind);
// The box corner is read in the Jel's natural state.
int32_t GVBlockCellOfPoint(const float point[3], HObject* jel, const GeoCellBind* bind, GeoVertBind* out);
