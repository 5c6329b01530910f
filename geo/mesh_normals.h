// Face and vertex normals of a Geo, computed from its current vertices.
#pragma once

#include "geo/geo_object.h"

// Unit normal (l - a) x (b - a) of every triangle (l = c) into faceNormals;
// (0, 0, 0) for a degenerate face. Nothing without the arrays.
void GVCalcGeoTriNormals(GObject* geo);
// The same for the quads (l = d; the third corner does not enter).
void GVCalcGeoQuadNormals(GObject* geo);
// Triangles when the Geo has any, else quads.
void GVCalcGeoFaceNormals(GObject* geo);
// vertexNormals from the smooth face lists and their weights, and
// vertexVectors from the vertex-to-face lists and theirs, each only when its
// lists, weights and output exist. Nothing without faceNormals.
void GVCalcGeoVertexNormals(GObject* geo);
