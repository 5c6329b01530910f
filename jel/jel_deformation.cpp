// The deformation map on a Jel object: its arrays lent to the lattice routines.

#include "jel/deformation_map.h"
#include "jel/jel_object.h"

DeformLattice GVJelDeformLattice(HObject* jel) {
  DeformLattice L;
  L.id = jel->id;
  L.nodeCount = jel->pos && jel->cellFlag && jel->deform[8] ? jel->nodeCount : 0;
  L.cellSize = jel->cellSize;
  L.pos = jel->pos;
  for (int d = 0; d < 6; ++d) L.nbr[d] = jel->nbr[d];
  L.cellFlag = jel->cellFlag;
  L.diffCentral = jel->diffCentral;
  L.diffOneSided = jel->diffOneSided;
  for (int a = 0; a < 3; ++a) L.diffSide[a] = jel->diffSide[a];
  for (int e = 0; e < 9; ++e) L.deform[e] = jel->deform[e];
  L.searchMark = jel->searchMarks;
  L.partMask = jel->partMask;
  L.glueJel = jel->glueJel;
  L.glueNode = jel->glueNode;
  L.glueFlag = jel->glueExtra[0];
  L.faceCount = jel->faces ? jel->faceCount : 0;
  L.faces = jel->faces;
  if (!jel->deformScratch) jel->deformScratch = GVNewDeformScratch();
  L.scratch = jel->deformScratch;
  return L;
}

void GVUpdateJelDeform(HObject* jel, int seam) {
  if (!jel) return;
  DeformLattice L = GVJelDeformLattice(jel);
  GVUpdateLatticeDeform(&L, seam);
}

int GVLatticeTrilinear(const GeoVertBind* rec, HObject* jel, float out[3]) {
  if (!jel) return 0;
  const DeformLattice L = GVJelDeformLattice(jel);
  return GVLatticeEvalTrilinear(&L, rec, out);
}

void GVDeformVertsTrilinear(const GeoVertBind* recs, float (*verts)[3], HObject* jel, int32_t count,
                            WorkerPool* pool) {
  if (!jel) return;
  const DeformLattice L = GVJelDeformLattice(jel);
  GVLatticeDeformVerts(&L, recs, verts, count, GVLatticeIsFlat(&L), pool);
}

void GVDeformVertsBilinear(const GeoVertBind* recs, float (*verts)[3], HObject* jel, int32_t count,
                           WorkerPool* pool) {
  if (!jel) return;
  const DeformLattice L = GVJelDeformLattice(jel);
  GVLatticeDeformVerts(&L, recs, verts, count, 1, pool);
}

int32_t GVLocatePointInJel(HObject* jel, const float point[3], GeoVertBind* rec) {
  if (!jel) {
    if (rec) *rec = GeoVertBind{};
    return 0;
  }
  DeformLattice L = GVJelDeformLattice(jel);
  return GVLatticeLocatePoint(&L, point, rec);
}

int32_t GVLocatePointFromCell(HObject* jel, const float point[3], GeoVertBind* rec) {
  if (!jel) {
    if (rec) *rec = GeoVertBind{};
    return 0;
  }
  const DeformLattice L = GVJelDeformLattice(jel);
  return GVLatticeTrackPoint(&L, point, rec);
}

int GVCheckPartBlock(HObject* jel, int32_t part, GeoCellBind* bind) {
  if (!bind) return 0;
  if (!jel) return GVLatticeCheckPartBlock(nullptr, nullptr, part, bind);
  const DeformLattice L = GVJelDeformLattice(jel);
  return GVLatticeCheckPartBlock(&L, jel, part, bind);
}

int32_t GVBlockCellOfPoint(const float point[3], HObject* jel, const GeoCellBind* bind, GeoVertBind* out) {
  if (!point || !jel || !bind || !bind->nodes || !out) return 0;
  float corner[3] = {0.0f, 0.0f, 0.0f};
  jel->getNodePositionAlias(bind->cornerNode, kFrameInitial, kAxesAll, corner);
  return GVBlockCellOfPointAt(point, corner, jel->cellSize, GVIsJelFlat(jel), bind, out);
}
