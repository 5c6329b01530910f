#include "geo/geo_jel_tests.h"

#include "dynamics/collision_tests.h"
#include "geo/geo_collision.h"

// The part of a Geo the tests read; a vertex's normal over its faces decides
// which faces it can meet.
static GeoTestMesh View(const GeoCollisionMesh* m) {
  GeoTestMesh v;
  if (!m) return v;
  v.vertices = m->vertices;
  v.displacement = m->displacement;
  v.triangles = m->triangles;
  v.quads = m->quads;
  v.faceNormals = m->faceNormals;
  v.grid = m->grid;
  v.vertexCount = m->vertexCount;
  v.triangleCount = m->triangleCount;
  v.quadCount = m->quadCount;
  v.faceSize = m->faceSize;
  v.vertexNormals = m->vertexVectors;
  v.creaseFlags = m->creaseFlags;
  v.faceMarks = m->faceMarks;
  return v;
}

int32_t GVGeoJelTriangleTest(ContactList* nodes, ContactList* edges, int32_t part, const GeoCollisionMesh* mesh,
                             float reach, int32_t withEdges, HAState* state) {
  const GeoTestMesh v = View(mesh);
  return GVCollideJelGeoTris(nodes, edges, part, &v, reach, withEdges, state);
}

int32_t GVGeoJelQuadTest(ContactList* nodes, ContactList* edges, int32_t part, const GeoCollisionMesh* mesh,
                         float reach, int32_t withEdges, HAState* state) {
  const GeoTestMesh v = View(mesh);
  return GVCollideJelGeoQuads(nodes, edges, part, &v, reach, withEdges, state);
}

int32_t GVGeoJelVertexTest(ContactList* list, int32_t part, const GeoCollisionMesh* mesh, float reach,
                           HAState* state) {
  const GeoTestMesh v = View(mesh);
  return GVCollideGeoVertsJel(list, part, &v, reach, state);
}
