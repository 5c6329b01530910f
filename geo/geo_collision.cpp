#include "geo/geo_collision.h"

#include "geo/geo_jel_tests.h"

#include <algorithm>
#include <cmath>

#include "geo/mesh_bounds.h"
#include "jel/contact_grid.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"

static bool cornersIncluded(const GObject* g, const int32_t* c, int n, int32_t b, int32_t m) {
  for (int k = 0; k < n; ++k)
    if (!GVGeoVertexOk(g, c[k])) return false;
  if (b == 1) return true;
  if (!g->vertexFlags) return false;
  for (int k = 0; k < n; ++k)
    if (!(g->vertexFlags[c[k]] & m)) return false;
  return true;
}

// Centroid of n corners times k, moved by their mean displacement.
static void faceCentre(const GObject* g, const int32_t* c, int n, float k, float* out) {
  out[0] = out[1] = out[2] = 0.0f;
  float d[3] = {0.0f, 0.0f, 0.0f};
  for (int i = 0; i < n; ++i) {
    for (int a = 0; a < 3; ++a) {
      out[a] += g->vertices[c[i]][a];
      if (g->vertexDisplacement) d[a] += g->vertexDisplacement[c[i]][a];
    }
  }
  for (int a = 0; a < 3; ++a) out[a] = out[a] * k + d[a] / static_cast<float>(n);
}

void GVBuildGeoCollisionGrid(GObject* geo, int32_t b) {
  if (!geo || !geo->broadPhase) return;
  ContactGrid* grid = geo->broadPhase;
  const int32_t m = (b >= 0 && b < 31) ? (1 << b) : 0;
  float box[6];
  GVGetGeoBounds(geo, box);
  const float ext[3] = {box[1] - box[0], box[3] - box[2], box[5] - box[4]};
  float len = std::max(ext[0], std::max(ext[1], ext[2]));
  if (!(len > 0.0f)) len = 0.0f;
  float side = geo->faceSize;
  GVOctreeLevelsFor(&side, len);
  for (int a = 0; a < 3; ++a) {
    const float grow = (len - ext[a]) * 0.5f + (side - len) * 0.5f;
    box[2 * a] -= grow;
    box[2 * a + 1] += grow;
  }
  const bool tris = geo->triangleCount > 0 && geo->triangles;
  const int32_t count = tris ? geo->triangleCount : (geo->quads ? geo->quadCount : 0);
  // A face size of 0 is refused by the set-up: the grid stays empty and every
  // insertion below does nothing, so no subdivision can run away.
  if (!GVOctreeSetup(grid, box[0], box[2], box[4], box[1], box[3], box[5], geo->faceSize, count) ||
      !grid->root || !geo->vertices)
    return;
  if (tris) {
    const float sizeSq = geo->faceSize * geo->faceSize;
    for (int32_t t = 1; t <= geo->triangleCount; ++t) {
      const int32_t* c = geo->triangles[t];
      if (!cornersIncluded(geo, c, 3, b, m)) continue;
      if (geo->flags & GEO_FLAG_COLLIDE_TRIANGLES) {
        float p[3][3];
        for (int k = 0; k < 3; ++k) {
          GVVec3Copy(p[k], geo->vertices[c[k]]);
          if (geo->vertexDisplacement)
            for (int a = 0; a < 3; ++a) p[k][a] += geo->vertexDisplacement[c[k]][a];
        }
        GVOctreeAddTriangle(grid, t, p[0], p[1], p[2], sizeSq);
      } else {
        float centre[3];
        faceCentre(geo, c, 3, 0.3333333f, centre);
        GVOctreeAddItem(grid, t, centre[0], centre[1], centre[2]);
      }
    }
    return;
  }
  for (int32_t q = 1; q <= count; ++q) {
    const int32_t* c = geo->quads[q];
    if (!cornersIncluded(geo, c, 4, b, m)) continue;
    float centre[3];
    faceCentre(geo, c, 4, 0.25f, centre);
    GVOctreeNodeInsert(grid, grid->root, q, centre, grid->minCorner, grid->maxCorner, grid->levelCount, 0, 0);
  }
}

static GeoCollisionMesh meshOf(const GObject* g) {
  GeoCollisionMesh m;
  m.vertices = g->vertices;
  m.displacement = g->vertexDisplacement;
  m.triangles = g->triangles;
  m.quads = g->quads;
  m.faceNormals = g->faceNormals;
  m.grid = g->broadPhase;
  m.vertexCount = g->vertexCount;
  m.triangleCount = g->triangleCount;
  m.quadCount = g->quadCount;
  m.faceSize = g->faceSize;
  m.vertexFlags = g->vertexFlags;
  m.vertexToFaceLists = g->vertexToFaceLists;
  m.vertexVectors = g->vertexVectors;
  m.vertexVectors2 = g->vertexVectors2;
  m.creaseFlags = g->creaseFlags;
  m.vertexMinDot = g->vertexMinDot;
  m.faceMarks = g->faceTags;
  return m;
}

int32_t GVCollideGeoWithJel(GObject* geo, ContactList* first, ContactList* second, ContactList* third,
                            HObject* jel, int32_t part, float param, int32_t kind, const GeoJelTests* tests) {
  static const GeoJelTests kDynamicsTests = {GVGeoJelTriangleTest, GVGeoJelQuadTest, GVGeoJelVertexTest};
  const GeoJelTests& run = tests ? *tests : kDynamicsTests;
  if (!geo || !geo->vertexVectors || !geo->creaseFlags || !geo->vertexMinDot || !jel || kind == 0 ||
      part < 1 || part > 31)
    return 0;
  if (part == 2 && GVIsJelFlat(jel)) part = 1;
  int32_t substep = 0, substeps = 0;
  GVFrameGetSubstep(&jel->playParams, &substep, &substeps);
  if (substep == 1) geo->contactMax = 0;

  const GeoCollisionMesh mesh = meshOf(geo);
  HAState* state = jel->state;
  auto faceTest = [&](int32_t withEdges) -> int32_t {
    if (geo->triangleCount > 0) return run.triangles(second, third, part, &mesh, param, withEdges, state);
    if (!geo->vertices) return 0;
    return run.quads(second, third, part, &mesh, param, withEdges, state);
  };
  auto vertexTest = [&]() -> int32_t {
    return run.vertices(first, part, &mesh, param, state);
  };
  int32_t result = 0;
  switch (kind) {
    case 3: result = faceTest(1); break;
    case 4: result = faceTest(1); result += vertexTest(); break;
    case 5: result = vertexTest(); break;
    case 6: result = vertexTest(); result += faceTest(1); break;
    case 7: result = faceTest(0); break;
    default: break;
  }
  if (result > geo->contactMax) geo->contactMax = result;
  return geo->contactMax;
}
