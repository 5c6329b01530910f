// The collision tests of the dynamics code run on a Geo's mesh, for the
// Geo-against-Jel collision entry of the Geo code: node and edge tests against
// triangles or quads, and the vertex test against the Jel's faces. They sit
// with the Geo code, which knows the mesh; the dynamics code knows no Geo.
#pragma once

#include <cstdint>

struct ContactList;
struct GeoCollisionMesh;
class HAState;

// Jel nodes (and edges when withEdges) against the Geo's triangles or quads,
// recording into the node and edge lists; the vertex test records the Geo's
// vertices against the Jel's faces into one list. Each returns its hit
// result.
int32_t GVGeoJelTriangleTest(ContactList* nodes, ContactList* edges, int32_t part, const GeoCollisionMesh* mesh,
                             float reach, int32_t withEdges, HAState* state);
int32_t GVGeoJelQuadTest(ContactList* nodes, ContactList* edges, int32_t part, const GeoCollisionMesh* mesh,
                         float reach, int32_t withEdges, HAState* state);
int32_t GVGeoJelVertexTest(ContactList* list, int32_t part, const GeoCollisionMesh* mesh, float reach,
                           HAState* state);
