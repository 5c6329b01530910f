// The Geo side of Geo-against-Jel collisions: the broad-phase grid of a Geo's
// faces and the entry that runs the collision tests of one Geo against one
// part of one Jel.
// The tests themselves are the dynamics code's, reached through
// geo/geo_jel_tests.h; a caller may pass others in (the Geo tests pass stand-ins).
#pragma once

#include <cstdint>

#include "geo/geo_object.h"

struct ContactList;
class HAState;

// What the tests read of a Geo.
struct GeoCollisionMesh {
  const GVFloat3* vertices;
  const GVFloat3* displacement;
  const GVTriangle* triangles;
  const GVQuad* quads;
  const GVFloat3* faceNormals;
  ContactGrid* grid;
  int32_t vertexCount;
  int32_t triangleCount;
  int32_t quadCount;
  float faceSize;
  const int32_t* vertexFlags;
  const IntList* vertexToFaceLists;
  const GVFloat3* vertexVectors;
  const GVFloat3* vertexVectors2;
  const int32_t* creaseFlags;
  const float* vertexMinDot;
  int32_t* faceMarks;  // the Geo's face tags, scratch of the grid's duplicate removal
};

// The three tests of one collision: Jel nodes (and edges when withEdges)
// against the Geo's triangles or quads, recording into the node and edge
// lists; the vertex test records the Geo's vertices against the Jel's faces
// into one list. Each returns its hit result.
using GeoFaceTestFn = int32_t (*)(ContactList* nodes, ContactList* edges, int32_t part,
                                  const GeoCollisionMesh* mesh, float param, int32_t withEdges,
                                  HAState* state);
using GeoVertexTestFn = int32_t (*)(ContactList* list, int32_t part, const GeoCollisionMesh* mesh,
                                    float param, HAState* state);
struct GeoJelTests {
  GeoFaceTestFn triangles;
  GeoFaceTestFn quads;
  GeoVertexTestFn vertices;
};

// Fills the Geo's broad-phase grid with its faces: triangle centroids, or the
// triangles themselves with flag GEO_FLAG_COLLIDE_TRIANGLES, moved by their
// corners' displacement; quads by their centroids. With b other than 1 only
// faces whose corners all carry vertex flag 1 << b go in. A Geo with face size
// 0 gets an empty grid.
void GVBuildGeoCollisionGrid(GObject* geo, int32_t b);

// Runs the tests of collision kind 3..7 for the Geo against part p (1..31) of
// the Jel, recording into the three lists; keeps and returns the largest
// result of the step in contactMax (reset at the Jel's first sub-step). 0
// when the Geo lacks its topology tables, no Jel is given, the kind is 0 or p
// is outside 1..31.
// tests: the tests to run; null runs the dynamics code's.
int32_t GVCollideGeoWithJel(GObject* geo, ContactList* first, ContactList* second, ContactList* third,
                            HObject* jel, int32_t part, float param, int32_t kind,
                            const struct GeoJelTests* tests = nullptr);
