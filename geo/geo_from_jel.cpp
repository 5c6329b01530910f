#include "geo/geo_from_jel.h"

#include <vector>

#include "geo/geo_collision.h"
#include "geo/geo_object.h"
#include "geo/geo_transform.h"
#include "geo/mesh_bounds.h"
#include "geo/mesh_derived.h"
#include "geo/uv_sets.h"
#include "jel/frame_store.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"

// The six sides in vertex order: -x, +x, -y, +y, -z, +z.
static constexpr int kSides = 6;
static constexpr int32_t kSideAxis[kSides] = {-1, 1, -2, 2, -3, 3};

// 0..5 for an axis code, -1 for 0.
static int sideOf(int32_t axis) {
  if (axis == 0) return -1;
  const int a = axis < 0 ? -axis : axis;
  return 2 * (a - 1) + (axis > 0 ? 1 : 0);
}

static bool validFace(const HObject* jel, int32_t f) {
  for (int k = 0; k < 4; ++k) {
    const int32_t c = jel->faces[f][k];
    if (c < 1 || c > jel->nodeCount) return false;
  }
  return true;
}

int32_t GVJelFaceAxis(const HObject* jel, int32_t face) {
  if (!jel || !jel->faces || face < 1 || face > jel->faceCount) return 0;
  float n[3];
  if (jel->faceNormals) {
    GVVec3Copy(n, jel->faceNormals[face]);
  } else {
    if (!jel->pos || !validFace(jel, face)) return 0;
    const int32_t* c = jel->faces[face];
    float a[3], b[3], cr[3];
    GVVecSub(a, jel->pos[c[3]], jel->pos[c[1]]);
    GVVecSub(b, jel->pos[c[2]], jel->pos[c[0]]);
    cr[0] = a[1] * b[2] - a[2] * b[1];
    cr[1] = a[2] * b[0] - a[0] * b[2];
    cr[2] = a[0] * b[1] - a[1] * b[0];
    GVVecNormalise(cr, n);
  }
  for (int32_t a = 0; a < 3; ++a) {
    if (n[a] > 0.9f) return a + 1;
    if (n[a] < -0.9f) return -(a + 1);
  }
  return 0;
}

// (u, v) in grid steps of a vertex on the given side of a node at grid
// offsets (i, j, k) in a lattice whose largest indices are (X, Y, Z).
static void sideUV(int side, int32_t i, int32_t j, int32_t k, const int32_t* max, float* uv) {
  int32_t u = 0, v = 0;
  switch (kSideAxis[side]) {
    case -1: u = k; v = max[1] - j; break;
    case 1: u = max[2] - k; v = max[1] - j; break;
    case -2:
    case 2: u = i; v = k; break;
    case -3: u = max[0] - i; v = max[1] - j; break;
    case 3: u = i; v = max[1] - j; break;
  }
  uv[0] = static_cast<float>(u);
  uv[1] = static_cast<float>(v);
}

int32_t GVCreateGeoFromJel(ObjHandle* list, HObject* jel, const char* name) {
  if (!GVGeoListOf(list) || !jel || !name || !*name || !jel->pos) return 0;
  const int32_t n = jel->nodeCount;
  const int32_t faces = jel->faces ? jel->faceCount : 0;

  // Side of every face, and the sides that touch every node.
  std::vector<int> faceSide(static_cast<size_t>(faces) + 1, -1);
  std::vector<uint8_t> nodeSides(static_cast<size_t>(n) + 1, 0);
  for (int32_t f = 1; f <= faces; ++f) {
    if (!validFace(jel, f)) continue;
    const int side = sideOf(GVJelFaceAxis(jel, f));
    if (side < 0) continue;
    faceSide[static_cast<size_t>(f)] = side;
    for (int k = 0; k < 4; ++k) nodeSides[static_cast<size_t>(jel->faces[f][k])] |= static_cast<uint8_t>(1u << side);
  }
  // Vertices by side, then by node: node -> vertex per side, vertex -> node.
  std::vector<int32_t> vertexOf[kSides];
  std::vector<int32_t> nodeOf(1, 0);
  std::vector<int> sideOfVertex(1, -1);
  for (int side = 0; side < kSides; ++side) {
    vertexOf[side].assign(static_cast<size_t>(n) + 1, 0);
    for (int32_t i = 1; i <= n; ++i)
      if (nodeSides[static_cast<size_t>(i)] & (1u << side)) {
        vertexOf[side][static_cast<size_t>(i)] = static_cast<int32_t>(nodeOf.size());
        nodeOf.push_back(i);
        sideOfVertex.push_back(side);
      }
  }
  const int32_t vertexCount = static_cast<int32_t>(nodeOf.size()) - 1;

  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, name);
  desc.vertexCount = vertexCount;
  desc.triangleCount = 2 * faces;
  ObjHandle* cell = GVCreateGeo();
  const int32_t id = GVNextGeoId(list);
  const int built = cell ? GVBuildGeoFromMesh(cell, &desc, id) : 0;
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
  GObject* geo = GVGeoOf(cell);
  if (!built) {
    delete geo;
    delete cell;
    return 0;
  }

  for (int32_t v = 1; v <= vertexCount; ++v) {
    GVVec3Copy(geo->baseVertices[v], jel->pos[nodeOf[static_cast<size_t>(v)]]);
    GVVec3Copy(geo->vertices[v], jel->pos[nodeOf[static_cast<size_t>(v)]]);
  }
  // Triangles grouped by side, each side in the Jel's face order; faces along
  // no axis leave their two triangles (0, 0, 0) at the end.
  int32_t t = 1;
  for (int side = 0; side < kSides; ++side)
    for (int32_t f = 1; f <= faces; ++f) {
      if (faceSide[static_cast<size_t>(f)] != side) continue;
      int32_t c[4];
      for (int k = 0; k < 4; ++k) c[k] = vertexOf[side][static_cast<size_t>(jel->faces[f][k])];
      const int32_t tris[2][3] = {{c[0], c[1], c[2]}, {c[0], c[2], c[3]}};
      for (const auto& tri : tris) {
        for (int k = 0; k < 3; ++k) geo->triangles[t][k] = tri[k];
        ++t;
      }
    }

  GVApplyGeoTransform(geo, GEO_SEL_START);
  GVRebuildGeo(geo);

  float box[6];
  if (GVGetGeoBounds(geo, box)) {
    const float centre[3] = {(box[0] + box[1]) * 0.5f, (box[2] + box[3]) * 0.5f, (box[4] + box[5]) * 0.5f};
    for (int32_t v = 1; v <= vertexCount; ++v)
      for (int a = 0; a < 3; ++a) geo->baseVertices[v][a] -= centre[a];
    GVSetGeoTransformPos(centre, GEO_SEL_START, geo);
    GVSetGeoTransformPos(centre, GEO_SEL_FRAME, geo);
  }
  GVApplyGeoTransform(geo, GEO_SEL_FRAME);

  if (GVNewGeoUVSets(geo, 1) != 0 || GVAddAllFacesUVSet(geo) != 0) {
    delete geo;
    delete cell;
    return 0;
  }
  LatticeDims dims;
  jel->getLatticeDims(&dims);
  const JelStateRec* states = jel->frameStore ? GVFrameStateRecs(jel->frameStore, 0) : nullptr;
  UVSet* set = GVGetUVSet(geo->uvSets, 0);
  for (int32_t v = 1; v <= vertexCount; ++v) {
    const int32_t node = nodeOf[static_cast<size_t>(v)];
    int32_t g[3] = {0, 0, 0};
    if (states && node >= 1 && node <= n)
      for (int a = 0; a < 3; ++a) g[a] = states[node].w[kStateGridX + a];
    sideUV(sideOfVertex[static_cast<size_t>(v)], g[0] - 1, g[1] - 1, g[2] - 1, dims.maxIndex, set->uvPairs[v]);
  }

  if (GVIsJelFlat(jel)) geo->flags |= GEO_FLAG_PICK_BACK_FACES;
  GVAddGeoToScene(list, cell);
  GVBuildGeoCollisionGrid(geo, 1);
  return id;
}
