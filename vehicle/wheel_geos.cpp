#include "vehicle/wheel_geos.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "geo/geo_binding.h"
#include "geo/geo_materials.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "geo/uv_sets.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/state_interface.h"
#include "jel/vector_math.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"

const char* const kWheelGeoNames[4] = {"GWheelFL", "GWheelFR", "GWheelBL", "GWheelBR"};

namespace {

// The wheel is a surface of revolution about z, its outer face towards -z on
// the left and +z on the right: a tyre band (with a seam column, so that the
// tread texture wraps once around), a dished outer face with a hub cap over
// its centre, and a flat inner face.
constexpr int kSeg = 20;     // segments of the tyre and of both faces
constexpr int kCapSeg = 16;  // segments of the hub cap
constexpr float kPi = 3.14159265f;

struct Ring {
  float r;    // radius
  float out;  // distance towards the outer face
};
constexpr Ring kTread[6] = {{1.10f, 0.45f},  {1.32f, 0.44f},  {1.40f, 0.30f},
                            {1.40f, -0.30f}, {1.32f, -0.44f}, {1.10f, -0.45f}};
constexpr Ring kOuterFace[2] = {{1.10f, 0.45f}, {0.50f, 0.40f}};
constexpr Ring kCapRing = {0.55f, 0.41f};
constexpr float kCapCentre = 0.50f;
constexpr Ring kInnerFace[2] = {{1.10f, -0.45f}, {0.40f, -0.40f}};
constexpr float kInnerCentre = -0.40f;

constexpr int kTreadFirst = 1;
constexpr int kOuterFirst = kTreadFirst + 6 * (kSeg + 1);
constexpr int kCapFirst = kOuterFirst + 2 * kSeg;  // the centre, then the ring
constexpr int kInnerFirst = kCapFirst + 1 + kCapSeg;
constexpr int kInnerCentreVertex = kInnerFirst + 2 * kSeg;
static_assert(kInnerCentreVertex == kWheelGeoVertices, "wheel vertex count");

// UV sets and what they cover.
enum : int { kSetAll = 0, kSetInner = 1, kSetFace = 2, kSetTread = 3, kSetCount = 4 };
const char* const kSetNames[kSetCount] = {"AllFaces", "map1_1", "map1_2", "AllFaces1_4"};
// Material k draws UV set kMaterialSet[k] with texture kMaterialTexture[k].
constexpr int kMaterialSet[4] = {kSetAll, kSetFace, kSetInner, kSetTread};
const char* const kMaterialTexture[4] = {"", "WheelSide5.jpg", "", "TyreSRound2.jpg"};

constexpr float kFaceSize = 0.4711640f;
const float kColour[4] = {0.75f, 0.75f, 0.85f, 0.5f};
const float kPlaceFL[3] = {3.49928f, 1.35356f, -3.50653f};
const float kPlaceFR[3] = {3.49896f, 1.35495f, 3.51192f};
const float kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const float kOne[3] = {1, 1, 1};
const float kZero[3] = {0, 0, 0};

struct WheelMesh {
  float side;  // -1 left (outer face towards -z), +1 right
  std::vector<float> xyz;       // 3 per vertex, 1-based
  std::vector<float> treadUV;   // 2 per vertex
  std::vector<int32_t> tris;    // 3 per triangle, 0-based list
  std::vector<int> triSet;      // UV set of each triangle

  explicit WheelMesh(float s) : side(s), xyz(3 * (kWheelGeoVertices + 1)), treadUV(2 * (kWheelGeoVertices + 1)) {}

  void put(int v, float r, float angle, float out) {
    xyz[3 * v] = r * std::cos(angle);
    xyz[3 * v + 1] = r * std::sin(angle);
    xyz[3 * v + 2] = side * out;
  }
  const float* at(int v) const { return &xyz[3 * v]; }

  // Wound so that the face's normal points away from the wheel's centre.
  void tri(int a, int b, int c, int set) {
    float e1[3], e2[3], n[3], m[3];
    GVVecSub(e1, at(b), at(a));
    GVVecSub(e2, at(c), at(a));
    GVVecCross(n, e1, e2);
    for (int k = 0; k < 3; ++k) m[k] = at(a)[k] + at(b)[k] + at(c)[k];
    if (GVVecDot(n, m) < 0.0f) std::swap(b, c);
    tris.insert(tris.end(), {a, b, c});
    triSet.push_back(set);
  }
  void quad(int a, int b, int c, int d, int set) {
    tri(a, b, c, set);
    tri(a, c, d, set);
  }
  // Planar mapping of a face, seen from outside the wheel.
  void planarUV(int v, float extent, float uv[2]) const {
    uv[0] = 0.5f + side * at(v)[0] / extent;
    uv[1] = 0.5f - at(v)[1] / extent;
  }
};

WheelMesh makeWheelMesh(float side) {
  WheelMesh m(side);
  const auto angle = [](int k, int n) { return 2.0f * kPi * static_cast<float>(k) / static_cast<float>(n); };
  for (int r = 0; r < 6; ++r)
    for (int k = 0; k <= kSeg; ++k) {
      const int v = kTreadFirst + r * (kSeg + 1) + k;
      m.put(v, kTread[r].r, angle(k % kSeg, kSeg), kTread[r].out);
      m.treadUV[2 * v] = static_cast<float>(k) / kSeg;
      m.treadUV[2 * v + 1] = static_cast<float>(r) / 5.0f;
    }
  for (int r = 0; r < 2; ++r)
    for (int k = 0; k < kSeg; ++k) {
      m.put(kOuterFirst + r * kSeg + k, kOuterFace[r].r, angle(k, kSeg), kOuterFace[r].out);
      m.put(kInnerFirst + r * kSeg + k, kInnerFace[r].r, angle(k, kSeg), kInnerFace[r].out);
    }
  m.put(kCapFirst, 0.0f, 0.0f, kCapCentre);
  for (int k = 0; k < kCapSeg; ++k) m.put(kCapFirst + 1 + k, kCapRing.r, angle(k, kCapSeg), kCapRing.out);
  m.put(kInnerCentreVertex, 0.0f, 0.0f, kInnerCentre);

  for (int r = 0; r < 5; ++r)
    for (int k = 0; k < kSeg; ++k) {
      const int a = kTreadFirst + r * (kSeg + 1) + k, b = a + kSeg + 1;
      m.quad(a, a + 1, b + 1, b, kSetTread);
    }
  for (int k = 0; k < kSeg; ++k) {
    const int k1 = (k + 1) % kSeg;
    m.quad(kOuterFirst + k, kOuterFirst + k1, kOuterFirst + kSeg + k1, kOuterFirst + kSeg + k, kSetFace);
    m.quad(kInnerFirst + k, kInnerFirst + k1, kInnerFirst + kSeg + k1, kInnerFirst + kSeg + k, kSetInner);
    m.tri(kInnerFirst + kSeg + k, kInnerFirst + kSeg + k1, kInnerCentreVertex, kSetInner);
  }
  for (int k = 0; k < kCapSeg; ++k)
    m.tri(kCapFirst, kCapFirst + 1 + k, kCapFirst + 1 + (k + 1) % kCapSeg, kSetFace);
  return m;
}

// UV set s over its own triangles: one corner per vertex the set uses.
bool fillCornerSet(GObject* g, const WheelMesh& m, int s) {
  UVSet& set = g->uvSets->sets[s];
  std::vector<int32_t> cornerOf(kWheelGeoVertices + 1, 0);
  std::vector<int32_t> vertexOf(1, 0);
  int32_t faces = 0;
  for (size_t t = 0; t < m.triSet.size(); ++t) {
    if (m.triSet[t] != s) continue;
    ++faces;
    for (int c = 0; c < 3; ++c) {
      const int32_t v = m.tris[3 * t + c];
      if (!cornerOf[v]) {
        cornerOf[v] = static_cast<int32_t>(vertexOf.size());
        vertexOf.push_back(v);
      }
    }
  }
  const int32_t corners = static_cast<int32_t>(vertexOf.size()) - 1;
  set.uvCorners = GVNewGeoArray<UVCorner>(corners + 1);
  set.uvFaces = GVNewGeoArray<UVFace>(faces + 1);
  if (!set.uvCorners || !set.uvFaces) return false;
  GVSetString(&set.name, kSetNames[s]);
  set.uvCount = corners;
  set.faceCount = faces;
  for (int32_t i = 1; i <= corners; ++i) {
    const int32_t v = vertexOf[i];
    float uv[2];
    if (s == kSetTread) {
      uv[0] = m.treadUV[2 * v];
      uv[1] = m.treadUV[2 * v + 1];
    } else {
      m.planarUV(v, 2.2f, uv);
    }
    set.uvCorners[i] = {v, uv[0], uv[1]};
  }
  int32_t f = 0;
  for (size_t t = 0; t < m.triSet.size(); ++t) {
    if (m.triSet[t] != s) continue;
    ++f;
    for (int c = 0; c < 3; ++c) set.uvFaces[f].corner[c] = cornerOf[m.tris[3 * t + c]];
  }
  return true;
}

bool fillUVSetsAndMaterials(GObject* g, const WheelMesh& m) {
  if (GVNewGeoUVSets(g, kSetCount) != 0 || GVAddAllFacesUVSet(g) != 0) return false;
  for (int32_t v = 1; v <= kWheelGeoVertices; ++v) m.planarUV(v, 2.8f, g->uvSets->sets[kSetAll].uvPairs[v]);
  for (int s = kSetInner; s < kSetCount; ++s)
    if (!fillCornerSet(g, m, s)) return false;
  g->materials = new (std::nothrow) GeoMaterialArray{0, nullptr};
  if (!g->materials || !GVNewGeoMaterialArray(g->materials, 4)) return false;
  for (int k = 0; k < 4; ++k) {
    GeoMaterial& mat = g->materials->materials[k];
    mat.uvSetIndex = kMaterialSet[k];
    mat.uvSet = &g->uvSets->sets[kMaterialSet[k]];
    mat.uvSetRef = 1;
    GVSetString(&mat.textureFile, kMaterialTexture[k]);
  }
  return true;
}

ObjHandle* buildWheelGeo(int32_t id, const char* name, float side, const float place[3]) {
  ObjHandle* cell = GVCreateGeo();
  GObject* g = GVGeoOf(cell);
  if (!g) {
    delete cell;
    return nullptr;
  }
  const WheelMesh m = makeWheelMesh(side);
  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, name);
  desc.flags = GEO_FLAG_SEAM_LISTS;
  desc.vertexCount = kWheelGeoVertices;
  desc.triangleCount = kWheelGeoTriangles;
  bool ok = GVBuildGeoFromDesc(g, &desc, id) == 1;
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
  if (ok) {
    for (int32_t v = 1; v <= kWheelGeoVertices; ++v) GVSetGeoVertex(v, g, m.at(v)[0], m.at(v)[1], m.at(v)[2]);
    for (int32_t t = 0; t < kWheelGeoTriangles; ++t)
      for (int c = 0; c < 3; ++c) g->triangles[t + 1][c] = m.tris[3 * t + c];
    ok = fillUVSetsAndMaterials(g, m);
  }
  if (!ok) {
    GVDeleteGeoHandle(cell);
    return nullptr;
  }
  for (GColour* c : {&g->colourA, &g->colourB, &g->colourC}) GVSetColour(c, 1, kColour[0], kColour[1], kColour[2], kColour[3]);
  g->groupMask = 2;
  g->faceSize = kFaceSize;
  GVSetGeoTransform(g, GEO_SEL_START, place, kIdentity, kOne, 0.0f);
  for (int sel : {GEO_SEL_BIRTH, GEO_SEL_BIRTH_NEXT, GEO_SEL_FRAME}) GVSetGeoTransform(g, sel, kZero, kIdentity, kOne, 0.0f);
  GVBuildGeoSeamLists(g);
  GVBuildGeoSmoothFaceLists(g);
  GVApplyGeoTransform(g, GEO_SEL_FRAME);
  return cell;
}

// The Geo on its wheel Jel: placed at the centre of the Jel's live lattice,
// where the binding locates its vertices, and bound to it.
void placeOnWheel(GObject* geo, HObject* wheel) {
  if (!wheel || !wheel->state) {
    GVValidateGeoMassoc(geo, -1);
    geo->flags &= ~(GEO_FLAG_VERTEX_BINDING | GEO_FLAG_BOUND);
    geo->jel = nullptr;
    geo->jelId = 0;
    return;
  }
  float box[6], centre[3];
  GVJelBoundingBox(wheel->state, kFrameCommitted, box);
  for (int k = 0; k < 3; ++k) centre[k] = 0.5f * (box[2 * k] + box[2 * k + 1]);
  GVSetGeoTransform(geo, GEO_SEL_START, centre, kIdentity, kOne, 0.0f);
  GVSetGeoTransform(geo, GEO_SEL_FRAME, centre, kIdentity, kOne, 0.0f);
  GVApplyGeoTransform(geo, GEO_SEL_START);
  GVMassocGeo(geo, wheel);
  geo->jelId = wheel->id;
  geo->flags |= GEO_FLAG_VERTEX_BINDING | GEO_FLAG_BOUND;
}

}  // namespace

ObjHandle* GVBuildWheelGeoFL(int32_t id) { return buildWheelGeo(id, kWheelGeoNames[0], -1.0f, kPlaceFL); }

ObjHandle* GVBuildWheelGeoFR(int32_t id) { return buildWheelGeo(id, kWheelGeoNames[1], 1.0f, kPlaceFR); }

ObjHandle* GVCopyWheelGeo(int32_t sourceId, int32_t newId, const char* name) {
  if (sourceId < 1 || newId < 1 || !name || !*name) return nullptr;
  ObjHandle* source = GVFindGeo(GVScene().geoList, sourceId);
  if (!source) return nullptr;
  ObjHandle* cell = new (std::nothrow) ObjHandle();
  if (!cell) return nullptr;
  if (!GVNewGeoCopy(cell, source, name, newId)) {
    delete cell;
    return nullptr;
  }
  return cell;
}

void GVDeleteWheelGeos(ObjHandle* list) {
  GeoList* l = GVGeoListOf(list);
  for (const char* name : kWheelGeoNames)
    if (const int32_t id = l ? GVFindGeoByName(l, name) : 0) GVDeleteGeos(list, id);
}

void GVCreateVhcl_2x2(int32_t g) {
  const SceneServices& sv = GVSceneServices();
  ObjHandle* listCell = GVScene().geoList;
  GeoList* list = GVGeoListOf(listCell);
  if (sv.showStatusLine && list) {
    for (const char* name : kWheelGeoNames) {
      if (!GVFindGeoByName(list, name)) continue;
      char text[160];
      std::snprintf(text, sizeof text,
                    "GVCreateVhcl_2x2 cannot create Geo wheels ... 'stray' Geo wheel \"%s\" must be deleted!", name);
      sv.showStatusLine(text);
      return;
    }
  }
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  HWorld* world = v ? v->world : nullptr;
  if (!list || !world || world->params.stateMode != -1) return;
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(v, ids);
  GVSelUpdateJelDeform(world, -1);
  for (int k = 0; k < 4; ++k) {
    ObjHandle* cell = k == 0   ? GVBuildWheelGeoFL(g)
                      : k == 1 ? GVBuildWheelGeoFR(g + 1)
                               : GVCopyWheelGeo(g + k - 2, g + k, kWheelGeoNames[k]);
    GObject* geo = GVGeoOf(cell);
    if (!geo) return;
    geo->flags |= kGeoFlagVehicleWheel;
    GVAddGeoToScene(listCell, cell);
    placeOnWheel(geo, GVVehicleJel(world, ids[kVehicleWheelSlots[k]]));
  }
}

void GVRebindWheelGeos() {
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  GeoList* list = GVGeoListOf(GVScene().geoList);
  HWorld* world = v ? v->world : nullptr;
  if (!list || !world || world->params.stateMode != -1) return;
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(v, ids);
  GVSelUpdateJelDeform(world, -1);
  const SceneServices& sv = GVSceneServices();
  for (int k = 0; k < 4; ++k) {
    GObject* geo = GVGetGeoById(list, GVFindGeoByName(list, kWheelGeoNames[k]));
    if (!geo) continue;
    placeOnWheel(geo, GVVehicleJel(world, ids[kVehicleWheelSlots[k]]));
    if (sv.updateGeoMesh) sv.updateGeoMesh(geo);
  }
}
