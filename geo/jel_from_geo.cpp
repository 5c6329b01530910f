#include "geo/jel_from_geo.h"

#include <cstring>
#include <memory>
#include <new>

#include "geo/geo_binding.h"
#include "geo/geo_jel_links.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "jel/deformation_map.h"
#include "jel/grid_shape_fill.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/matter.h"
#include "records/heap_string.h"

// Cell-size floor of a Jel made from Geos.
static constexpr float kMinCellSize = 0.01f;
// Subdivision depth that no real triangle reaches (edges halve per level).
static constexpr int32_t kMaxSubdivision = 40;

LatticeBuilder* GVPrepareGeoLattice(int32_t dimMode, int32_t axis, int32_t count, const float bounds[6],
                                    float centre[3], MatterProps* matter) {
  if ((dimMode != 2 && dimMode != 3) || axis == 0 || count < 2 || !bounds) return nullptr;
  LatticeDims dims;
  if (!GVCalcGridDims(bounds, count, axis, &dims)) return nullptr;
  LatticeSpec spec;
  spec.cellSize = dims.cellSize < kMinCellSize ? kMinCellSize : dims.cellSize;
  spec.nx = dims.maxIndex[0];
  spec.ny = dims.maxIndex[1];
  spec.nz = dims.maxIndex[2];
  if (dimMode == 2 && spec.nz > 1) spec.nz = 1;
  if (dimMode == 3 && spec.nz < 2) spec.nz = 2;
  if (spec.nx > kGeoJelMaxAxisPoints || spec.ny > kGeoJelMaxAxisPoints || spec.nz > kGeoJelMaxAxisPoints)
    return nullptr;
  if (matter) matter->scaleL = spec.cellSize;
  if (centre)
    for (int a = 0; a < 3; ++a) centre[a] = 0.5f * (bounds[2 * a] + bounds[2 * a + 1]);
  LatticeBuilder* b = new (std::nothrow) LatticeBuilder();
  if (!b) return nullptr;
  if (!GVInitLatticeBuilder(&spec, b)) {
    GVDestroyLatticeBuilder(b);
    return nullptr;
  }
  return b;
}

static void registerPoint(LatticeBuilder* b, const float p[3], const float centre[3]) {
  const float q[3] = {p[0] - centre[0], p[1] - centre[1], p[2] - centre[2]};
  GeoVertBind scratch;
  GVGridCoordsOfPoint(b, q, &scratch);
}

void GVGridCoordsOfGeoVerts(LatticeBuilder* b, GObject* geo, const float centre[3]) {
  if (!b || !geo || !centre || geo->vertexCount < 1 || !geo->vertices || !geo->vertBinds) return;
  for (int32_t i = 1; i <= geo->vertexCount; ++i) {
    if (!geo->vertexFlags || !(geo->vertexFlags[i] & GEO_VERTEX_BOUND)) continue;
    const float q[3] = {geo->vertices[i][0] - centre[0], geo->vertices[i][1] - centre[1],
                        geo->vertices[i][2] - centre[2]};
    GVGridCoordsOfPoint(b, q, &geo->vertBinds[i]);
  }
}

static float distSq(const float a[3], const float b[3]) {
  const float d[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
  return d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
}

static void midpoint(const float a[3], const float b[3], float out[3]) {
  for (int k = 0; k < 3; ++k) out[k] = 0.5f * (a[k] + b[k]);
}

void GVMarkTriangleInGrid(LatticeBuilder* b, const float p1[3], const float p2[3], const float p3[3],
                          int32_t depth, const float centre[3], float threshold) {
  if (!b || !p1 || !p2 || !p3 || !centre || depth > kMaxSubdivision) return;
  float e = distSq(p1, p2);
  const float e23 = distSq(p2, p3), e31 = distSq(p3, p1);
  if (e23 > e) e = e23;
  if (e31 > e) e = e31;
  if (!(e >= 0.99f * threshold)) return;
  float m12[3], m23[3], m31[3];
  midpoint(p1, p2, m12);
  midpoint(p2, p3, m23);
  midpoint(p3, p1, m31);
  registerPoint(b, m12, centre);
  registerPoint(b, m23, centre);
  registerPoint(b, m31, centre);
  GVMarkTriangleInGrid(b, m12, p2, m23, depth + 1, centre, threshold);
  GVMarkTriangleInGrid(b, m12, m23, m31, depth + 1, centre, threshold);
  GVMarkTriangleInGrid(b, p1, m12, m31, depth + 1, centre, threshold);
  GVMarkTriangleInGrid(b, m31, m23, p3, depth + 1, centre, threshold);
}

static bool flaggedCorner(const GObject* geo, int32_t v) {
  return v >= 1 && v <= geo->vertexCount && geo->vertexFlags && (geo->vertexFlags[v] & GEO_VERTEX_BOUND);
}

void GVFeedGeoFacesToGrid(LatticeBuilder* b, GObject* geo, int32_t axis, int32_t count, const float bounds[6],
                          const float centre[3]) {
  if (count < 2 || axis == 0 || !b || !geo || !bounds || !centre || !geo->vertices) return;
  LatticeDims dims;
  GVCalcGridDims(bounds, count, axis, &dims);
  const float cell = dims.cellSize < kMinCellSize ? kMinCellSize : dims.cellSize;
  const float threshold = cell * cell;
  const GVFloat3* v = geo->vertices;
  for (int32_t t = 1; geo->triangles && t <= geo->triangleCount; ++t) {
    const int32_t* c = geo->triangles[t];
    if (flaggedCorner(geo, c[0]) && flaggedCorner(geo, c[1]) && flaggedCorner(geo, c[2]))
      GVMarkTriangleInGrid(b, v[c[0]], v[c[1]], v[c[2]], 1, centre, threshold);
  }
  for (int32_t q = 1; geo->quads && q <= geo->quadCount; ++q) {
    const int32_t* c = geo->quads[q];
    if (!flaggedCorner(geo, c[0]) || !flaggedCorner(geo, c[1]) || !flaggedCorner(geo, c[2]) ||
        !flaggedCorner(geo, c[3]))
      continue;
    GVMarkTriangleInGrid(b, v[c[0]], v[c[1]], v[c[2]], 1, centre, threshold);
    GVMarkTriangleInGrid(b, v[c[0]], v[c[2]], v[c[3]], 1, centre, threshold);
  }
}

HObject* GVBuildJelFromGrid(LatticeBuilder* b, int32_t jelId, int32_t creation, int32_t fillMode,
                            int32_t fillFlags, MatterProps* matter) {
  if (jelId < 1 || !b) return nullptr;
  if ((fillFlags & 2) && b->nx >= 3) GVGridMirrorX(b);
  if ((fillFlags & 4) && b->ny >= 3) GVGridMirrorY(b);
  if ((fillFlags & 8) && b->nz >= 3) GVGridMirrorZ(b);
  if (fillMode == 11)
    GVGridFillInterior(b);
  else if (fillMode == 13)
    GVGridFillAll(b);
  return GVCreateJelFromBuilder(b, jelId, creation < 0 ? 0 : creation, 0, matter);
}

void GVBindGeoVertsFromGrid(LatticeBuilder* b, GObject* geo, int32_t jelId) {
  if (!b || !geo || !geo->vertBinds) return;
  for (int32_t i = 1; i <= geo->vertexCount; ++i)
    if (flaggedCorner(geo, i)) GVGridLocateInJel(b, jelId, &geo->vertBinds[i]);
}

static void scaleBy(float v[3], float m) {
  const float k = m != 0.0f ? 1.0f / m : 1.0f;
  for (int a = 0; a < 3; ++a) v[a] *= k;
}

void GVPlaceJelOnGeo(HObject* jel, const char* name, GObject* geo, const float centre[3]) {
  if (!jel || !name || !name[0] || !centre) return;
  GVSetString(&jel->name, name);
  float m = 0.0f;
  jel->getPartMass(1, kFrameCommitted, &m);
  float c0[3] = {0.0f, 0.0f, 0.0f};
  jel->getPartMassSumVec0(1, kFrameInitial, kAxesAll, c0);
  scaleBy(c0, m);
  const float target[3] = {centre[0] + c0[0], centre[1] + c0[1], centre[2] + c0[2]};
  // The natural state onto the target...
  float c[3] = {0.0f, 0.0f, 0.0f};
  jel->getPartMassSumVec0(1, kFrameInitial, kAxesAll, c);
  scaleBy(c, m);
  const float shift[3] = {target[0] - c[0], target[1] - c[1], target[2] - c[2]};
  jel->addPartVec0(1, kFrameInitial, kAxesAll, shift);
  // ...and the start frame too.
  float m0 = 0.0f;
  jel->getPartMass(1, 0, &m0);
  float c1[3] = {0.0f, 0.0f, 0.0f};
  jel->getPartMassPosSum(1, 0, kAxesAll, c1);
  scaleBy(c1, m0);
  const float shift0[3] = {target[0] - c1[0], target[1] - c1[1], target[2] - c1[2]};
  jel->translatePart(1, 0, kAxesAll, shift0);
  if (geo) GVRealignJelToGeo(geo, jel);
}

LatticeBuilder* GVPrepareGeoGroupLattice(GeoList* list, int32_t geoSel, int32_t dimMode, int32_t axis,
                                         int32_t count, const float bounds[6], float centre[3],
                                         MatterProps* matter) {
  if (!GVFirstGeoInSel(list, geoSel)) return nullptr;
  return GVPrepareGeoLattice(dimMode, axis, count, bounds, centre, matter);
}

HObject* GVCreateJelFromGeos(GeoList* list, int32_t geoSel, int32_t jelId, int32_t creation,
                             int32_t frameSel, const char* name, int32_t fillMode, int32_t fillFlags,
                             int32_t dimMode, int32_t axis, int32_t count, MatterProps* matter) {
  if (!list || !matter) return nullptr;
  GVApplyGeoSelTransform(list, geoSel);
  float bounds[6];
  GVGeoSelBounds(list, geoSel, bounds);
  if (axis >= 1 && axis <= 3 && !(bounds[2 * axis - 1] - bounds[2 * axis - 2] >= 0.01f)) return nullptr;
  float centre[3] = {0.0f, 0.0f, 0.0f};
  std::unique_ptr<LatticeBuilder, void (*)(LatticeBuilder*)> b(
      GVPrepareGeoGroupLattice(list, geoSel, dimMode, axis, count, bounds, centre, matter), GVDestroyLatticeBuilder);
  const int32_t first = GVFirstGeoInSel(list, geoSel);
  if (!b || !first) return nullptr;
  for (GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(geoSel, g)) continue;
    GVGridCoordsOfGeoVerts(b.get(), g, centre);
    GVFeedGeoFacesToGrid(b.get(), g, axis, count, bounds, centre);
  }
  HObject* jel = GVBuildJelFromGrid(b.get(), jelId, creation, fillMode, fillFlags, matter);
  if (!jel) return nullptr;
  for (GObject* g = list->head; g; g = g->next)
    if (GVGeoMatchesSel(geoSel, g)) GVBindGeoVertsFromGrid(b.get(), g, jelId);
  b.reset();
  GVPlaceJelOnGeo(jel, name, GVGetGeoById(list, first), centre);
  matter->scaleL = jel->cellSize;
  jel->applyPartMatterAlias(1, 0, 2, matter);
  jel->restoreFrame(frameSel);
  GVUpdateJelDeform(jel, 1);
  for (GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(geoSel, g)) continue;
    g->flags |= GEO_FLAG_BOUND;
    g->jel = jel;
    g->jelId = jel->id;
    GVCopyGeoTransformSlots(g, frameSel);
  }
  return jel;
}
