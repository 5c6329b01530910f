// Face and vertex normals of a Geo, computed from its current vertices.
#pragma once

#include "geo/geo_object.h"

class WorkerPool;

// Each pass may be given a pool: it then runs in pieces side by side (every
// face or vertex is written by one piece, from the same inputs, so the
// results are those of one thread). Meshes of at most kGeoNormalsPiece faces
// and vertices make one piece and never use it.
constexpr int32_t kGeoNormalsPiece = 4096;

// Unit normal (l - a) x (b - a) of every triangle (l = c) into faceNormals;
// (0, 0, 0) for a degenerate face. Nothing without the arrays.
void GVCalcGeoTriNormals(GObject* geo, WorkerPool* pool = nullptr);
// The same for the quads (l = d; the third corner does not enter).
void GVCalcGeoQuadNormals(GObject* geo, WorkerPool* pool = nullptr);
// Triangles when the Geo has any, else quads.
void GVCalcGeoFaceNormals(GObject* geo, WorkerPool* pool = nullptr);
// vertexNormals from the smooth face lists and their weights, and
// vertexVectors from the vertex-to-face lists and theirs, each only when its
// lists, weights and output exist. Nothing without faceNormals. The lists are
// read through geo->normalLists, one flat copy of them made on the first call
// (the same faces, weights and order, so the same sums bit for bit); whoever
// rebuilds or edits the lists drops it with GVDropGeoNormalLists.
void GVCalcGeoVertexNormals(GObject* geo, WorkerPool* pool = nullptr);
// Frees geo->normalLists; the next vertex-normal pass makes it again.
void GVDropGeoNormalLists(GObject* geo);
