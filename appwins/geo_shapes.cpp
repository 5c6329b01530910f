#include "appwins/geo_shapes.h"

#include <cmath>
#include <cstring>
#include <new>

#include "geo/geo_collision.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/mesh_derived.h"
#include "geo/uv_sets.h"
#include "records/heap_string.h"
#include "scene/geo_id_blocks.h"
#include "geo/geo_list_services.h"
#include "scene/scene_services.h"

namespace {

constexpr float kMinLength = 0.01f;

void freeCell(ObjHandle* cell) {
  if (!cell) return;
  delete GVGeoOf(cell);
  delete cell;
}

// A new Geo cell with its arrays made for the counts; null when refused.
ObjHandle* newGeo(const char* name, int32_t id, int32_t vertices, int32_t triangles, int32_t quads) {
  if (!name || !name[0]) return nullptr;
  ObjHandle* cell = GVCreateGeo();
  if (!cell) return nullptr;
  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, name);
  desc.vertexCount = vertices;
  desc.triangleCount = triangles;
  desc.quadCount = quads;
  const int built = GVBuildGeoFromMesh(cell, &desc, id);
  GVSetString(&desc.name, nullptr);
  if (!built) {
    freeCell(cell);
    return nullptr;
  }
  return cell;
}

void setTriangle(GObject* g, int32_t t, int32_t a, int32_t b, int32_t c) {
  g->triangles[t][0] = a;
  g->triangles[t][1] = b;
  g->triangles[t][2] = c;
}

// The "AllFaces" set (and "MostFacesA" with two sets); null pairs when it
// cannot be made.
float (*newAllFaces(GObject* g, int32_t sets))[2] {
  if (GVNewGeoUVSets(g, sets) != 0 || GVAddAllFacesUVSet(g) != 0) return nullptr;
  return g->uvSets->sets[0].uvPairs;
}

// Everything derived from the new mesh, then the collision grid.
void finish(GObject* g) {
  GVRebuildGeo(g);
  GVBuildGeoCollisionGrid(g, 1);
}

// Profile parameters t_1 = 0 .. t_n = 1 along a polyline by arc length; evenly
// spaced when the polyline has no length.
void arcParams(const std::vector<float>& xyz, int32_t n, std::vector<float>* t) {
  t->assign(n + 1, 0.0f);
  double length = 0.0;
  std::vector<double> run(n + 1, 0.0);
  for (int32_t p = 2; p <= n; ++p) {
    const float* a = &xyz[3 * (p - 1)];
    const float* b = &xyz[3 * p];
    const double dx = b[0] - a[0], dy = b[1] - a[1], dz = b[2] - a[2];
    length += std::sqrt(dx * dx + dy * dy + dz * dz);
    run[p] = length;
  }
  for (int32_t p = 1; p <= n; ++p)
    (*t)[p] = length > 0.0 ? float(run[p] / length) : n > 1 ? float(p - 1) / float(n - 1) : 0.0f;
}

// The profile's model points as 3-D records (1-based), z 0; with `close`, one
// more record repeating point 1.
std::vector<float> modelPoints(const GVSweptProfile& pr, bool close) {
  const int32_t n = pr.count + (close ? 1 : 0);
  std::vector<float> xyz(3 * (n + 1), 0.0f);
  for (int32_t p = 1; p <= n; ++p) GVProfilePoint(pr, p <= pr.count ? p : 1, &xyz[3 * p], &xyz[3 * p + 1]);
  return xyz;
}

bool profileOk(const char* name, const GVSweptProfile& pr) {
  return name && name[0] && pr.points && pr.count >= 2 && pr.count <= kSweptMaxPoints && pr.segments >= 2 &&
         pr.segments <= kSweptMaxSegments && pr.scale > 0.0f;
}

}  // namespace

// ---- box and pane ----

ObjHandle* GVBuildBlockGeo(const char* name, int32_t id, const float len[3], const int32_t n[3]) {
  if (!len || !n) return nullptr;
  for (int k = 0; k < 3; ++k)
    if (n[k] < 2 || !(len[k] >= kMinLength)) return nullptr;
  const int32_t nx = n[0], ny = n[1], nz = n[2];
  const int64_t v64 = 2 * (int64_t(nx) * ny + int64_t(ny) * nz + int64_t(nz) * nx);
  const int64_t t64 = 4 * (int64_t(nx - 1) * (ny - 1) + int64_t(ny - 1) * (nz - 1) + int64_t(nz - 1) * (nx - 1));
  if (v64 > kGeoMaxCount || t64 > kGeoMaxCount) return nullptr;
  ObjHandle* cell = newGeo(name, id, int32_t(v64), int32_t(t64), 0);
  GObject* g = GVGeoOf(cell);
  if (!g) return nullptr;
  const float d[3] = {len[0] / float(nx - 1), len[1] / float(ny - 1), len[2] / float(nz - 1)};
  const float h[3] = {len[0] / 2, len[1] / 2, len[2] / 2};
  std::vector<float> uv(2 * (v64 + 1), 0.0f);

  // Each face pair: the fixed axis, the fast and slow grid axes.
  struct Pair {
    int fixed, fast, slow;
  };
  const Pair pairs[3] = {{2, 0, 1}, {0, 1, 2}, {1, 2, 0}};
  int32_t v = 0, t = 0;
  for (const Pair& pr : pairs) {
    const int32_t na = n[pr.fast], nb = n[pr.slow];
    for (int side = -1; side <= 1; side += 2) {
      const int32_t first = v + 1;
      for (int32_t b = 0; b < nb; ++b)
        for (int32_t a = 0; a < na; ++a) {
          float p[3];
          p[pr.fixed] = float(side) * h[pr.fixed];
          p[pr.fast] = float(a) * d[pr.fast] - h[pr.fast];
          p[pr.slow] = float(b) * d[pr.slow] - h[pr.slow];
          GVSetGeoVertex(++v, g, p[0], p[1], p[2]);
          const float fa = float(a) / float(na - 1), fb = float(b) / float(nb - 1);
          float u = 0, w = 0;
          if (pr.fixed == 2) {  // x fast, y slow
            u = side > 0 ? fa : 1 - fa;
            w = 1 - fb;
          } else if (pr.fixed == 0) {  // y fast, z slow
            u = side > 0 ? 1 - fb : fb;
            w = 1 - fa;
          } else {  // z fast, x slow
            u = side > 0 ? fb : 1 - fb;
            w = fa;
          }
          uv[2 * v] = u, uv[2 * v + 1] = w;
        }
      for (int32_t b = 0; b + 1 < nb; ++b)
        for (int32_t a = 0; a + 1 < na; ++a) {
          const int32_t c = first + b * na + a;
          if (side > 0) {
            setTriangle(g, ++t, c, c + na, c + na + 1);
            setTriangle(g, ++t, c, c + na + 1, c + 1);
          } else {
            setTriangle(g, ++t, c, c + na + 1, c + na);
            setTriangle(g, ++t, c, c + 1, c + na + 1);
          }
        }
    }
  }
  finish(g);
  float(*pairsUV)[2] = newAllFaces(g, 1);
  if (!pairsUV) {
    freeCell(cell);
    return nullptr;
  }
  for (int32_t i = 1; i <= g->vertexCount; ++i) pairsUV[i][0] = uv[2 * i], pairsUV[i][1] = uv[2 * i + 1];
  return cell;
}

ObjHandle* GVBuildPlaneGeo(const char* name, int32_t id, float lx, float ly, int32_t nx, int32_t ny) {
  if (nx < 2 || ny < 2 || !(lx >= kMinLength) || !(ly >= kMinLength)) return nullptr;
  const int64_t v64 = int64_t(nx) * ny, t64 = 2 * int64_t(nx - 1) * (ny - 1);
  if (v64 > kGeoMaxCount || t64 > kGeoMaxCount) return nullptr;
  ObjHandle* cell = newGeo(name, id, int32_t(v64), int32_t(t64), 0);
  GObject* g = GVGeoOf(cell);
  if (!g) return nullptr;
  const float dx = lx / float(nx - 1), dy = ly / float(ny - 1);
  int32_t v = 0, t = 0;
  for (int32_t b = 0; b < ny; ++b)
    for (int32_t a = 0; a < nx; ++a) GVSetGeoVertex(++v, g, float(a) * dx - lx / 2, float(b) * dy - ly / 2, 0.0f);
  for (int32_t b = 0; b + 1 < ny; ++b)
    for (int32_t a = 0; a + 1 < nx; ++a) {
      const int32_t c = 1 + b * nx + a;
      setTriangle(g, ++t, c, c + nx, c + nx + 1);
      setTriangle(g, ++t, c, c + nx + 1, c + 1);
    }
  g->flags |= GEO_FLAG_PICK_BACK_FACES;
  finish(g);
  float(*uv)[2] = newAllFaces(g, 1);
  if (!uv) {
    freeCell(cell);
    return nullptr;
  }
  for (int32_t b = 0, i = 0; b < ny; ++b)
    for (int32_t a = 0; a < nx; ++a) {
      ++i;
      uv[i][0] = float(a) / float(nx - 1);
      uv[i][1] = 1.0f - float(b) / float(ny - 1);
    }
  return cell;
}

// ---- swept shapes ----

void GVProfilePoint(const GVSweptProfile& pr, int32_t p, float* fx, float* fy) {
  const float px = pr.points[3 * p], py = pr.points[3 * p + 1];
  *fx = (2.0f * px - float(pr.width)) / (2.0f * pr.scale);
  *fy = -(2.0f * py - float(pr.height)) / (2.0f * pr.scale);
}

bool GVComputeRevolution(const GVSweptProfile& pr, GVRevolution* out) {
  if (!out) return false;
  const int32_t P = pr.points ? pr.count : 0, S = pr.segments < 2 ? 2 : pr.segments;
  const int64_t entries = int64_t(S + 1) * P;
  out->entries = 0;
  if (P < 1 || !(pr.scale > 0.0f)) return true;
  try {
    if (int64_t(out->vertices.size()) < 3 * (entries + 1)) out->vertices.resize(3 * (entries + 1));
    if (int64_t(out->quads.size()) < 4 * (entries + 1)) out->quads.resize(4 * (entries + 1));
  } catch (const std::bad_alloc&) {
    return false;
  }
  float* V = out->vertices.data();
  int32_t* Q = out->quads.data();
  const float twoPi = 6.2831853f, halfPi = 1.5707964f;
  for (int32_t r = 0; r < S; ++r) {
    const float theta = float(r) * twoPi / float(S) + halfPi;
    const float c = std::cos(theta), s = std::sin(theta);
    for (int32_t p = 1; p <= P; ++p) {
      float fx, fy;
      GVProfilePoint(pr, p, &fx, &fy);
      float* v = V + 3 * (r * P + p);
      v[0] = fx * c, v[1] = fy, v[2] = -fx * s;
    }
  }
  std::memcpy(V + 3 * (S * P + 1), V + 3, sizeof(float) * 3 * P);
  // A profile drawn from the top down turns its faces the other way.
  const bool topDown = P >= 2 && pr.points[3 * 1 + 1] < pr.points[3 * P + 1];
  for (int32_t r = 0; r <= S; ++r)
    for (int32_t p = 1; p <= P; ++p) {
      const int32_t k = r * P + p;
      int32_t* q = Q + 4 * k;
      if (r == S || p == P) {
        q[0] = q[1] = q[2] = q[3] = 0;
      } else if (topDown) {
        q[0] = k, q[1] = k + P, q[2] = k + P + 1, q[3] = k + 1;
      } else {
        q[0] = k, q[1] = k + 1, q[2] = k + P + 1, q[3] = k + P;
      }
    }
  out->entries = int32_t(entries);
  return true;
}

ObjHandle* GVBuildRevolutionGeo(const char* name, int32_t id, const GVSweptProfile& pr, const GVRevolution& rev) {
  if (!profileOk(name, pr)) return nullptr;
  const int32_t P = pr.count, S = pr.segments;
  if (rev.entries != (S + 1) * P) return nullptr;
  const int32_t F = S * (P - 1);
  const bool tri = pr.triangles != 0;
  ObjHandle* cell = newGeo(name, id, rev.entries, tri ? 2 * F : 0, tri ? 0 : F);
  GObject* g = GVGeoOf(cell);
  if (!g) return nullptr;
  for (int32_t i = 1; i <= rev.entries; ++i) {
    const float* v = &rev.vertices[3 * i];
    GVSetGeoVertex(i, g, v[0], v[1], v[2]);
  }
  int32_t f = 0;
  for (int32_t i = 1; i <= rev.entries; ++i) {
    const int32_t* q = &rev.quads[4 * i];
    if (q[0] == 0) continue;
    if (tri) {
      setTriangle(g, ++f, q[0], q[1], q[2]);
      setTriangle(g, ++f, q[0], q[2], q[3]);
    } else {
      ++f;
      for (int k = 0; k < 4; ++k) g->quads[f][k] = q[k];
    }
  }
  finish(g);
  float(*uv)[2] = newAllFaces(g, 1);
  if (!uv) {
    freeCell(cell);
    return nullptr;
  }
  std::vector<float> t;
  arcParams(rev.vertices, P, &t);  // ring 0 is entries 1..P
  for (int32_t r = 0; r <= S; ++r)
    for (int32_t p = 1; p <= P; ++p) uv[r * P + p][0] = float(r) / float(S), uv[r * P + p][1] = t[p];
  return cell;
}

ObjHandle* GVBuildCylinderGeo(const char* name, int32_t id, const GVSweptProfile& pr) {
  if (!profileOk(name, pr)) return nullptr;
  const int32_t P = pr.count, S = pr.segments, R = P + 1;
  const int32_t V = S * R + 2, T = 2 * P * S, sideT = 2 * P * (S - 1);
  ObjHandle* cell = newGeo(name, id, V, T, 0);
  GObject* g = GVGeoOf(cell);
  if (!g) return nullptr;
  const std::vector<float> ring = modelPoints(pr, true);
  const float half = float(S - 1) / 2.0f;
  float cx = 0, cy = 0;
  for (int32_t p = 1; p <= P; ++p) cx += ring[3 * p], cy += ring[3 * p + 1];
  cx /= float(P), cy /= float(P);
  auto vid = [R](int32_t a, int32_t p) { return (a - 1) * R + p; };
  for (int32_t a = 1; a <= S; ++a)
    for (int32_t p = 1; p <= R; ++p) GVSetGeoVertex(vid(a, p), g, ring[3 * p], ring[3 * p + 1], float(a - 1) - half);
  const int32_t c0 = S * R + 1, c1 = S * R + 2;
  GVSetGeoVertex(c0, g, cx, cy, -half);
  GVSetGeoVertex(c1, g, cx, cy, half);
  int32_t t = 0;
  for (int32_t a = 1; a < S; ++a)
    for (int32_t p = 1; p <= P; ++p) {
      setTriangle(g, ++t, vid(a, p), vid(a, p + 1), vid(a + 1, p + 1));
      setTriangle(g, ++t, vid(a, p), vid(a + 1, p + 1), vid(a + 1, p));
    }
  for (int32_t p = 1; p <= P; ++p) setTriangle(g, ++t, vid(1, p), c0, vid(1, p + 1));
  for (int32_t p = 1; p <= P; ++p) setTriangle(g, ++t, vid(S, p), vid(S, p + 1), c1);
  finish(g);
  float(*uv)[2] = newAllFaces(g, 2);
  if (!uv || GVAddMostFacesAUVSet(g, sideT, S * R) != 0) {
    freeCell(cell);
    return nullptr;
  }
  std::vector<float> tp;
  arcParams(ring, R, &tp);
  UVSet& most = g->uvSets->sets[1];
  for (int32_t a = 1; a <= S; ++a)
    for (int32_t p = 1; p <= R; ++p) {
      const int32_t i = vid(a, p);
      uv[i][0] = float(a - 1) / float(S - 1), uv[i][1] = 1.0f - tp[p];
      most.uvCorners[i] = UVCorner{i, uv[i][0], uv[i][1]};
    }
  uv[c0][0] = uv[c0][1] = uv[c1][0] = uv[c1][1] = 0.0f;
  // The side triangles come first and their corners are their ring vertices.
  for (int32_t f = 1; f <= sideT; ++f)
    for (int k = 0; k < 3; ++k) most.uvFaces[f].corner[k] = g->triangles[f][k];
  return cell;
}

ObjHandle* GVBuildSurfaceGeo(const char* name, int32_t id, const GVSweptProfile& pr) {
  if (!profileOk(name, pr)) return nullptr;
  const int32_t P = pr.count, S = pr.segments;
  ObjHandle* cell = newGeo(name, id, S * P, 2 * (S - 1) * (P - 1), 0);
  GObject* g = GVGeoOf(cell);
  if (!g) return nullptr;
  const std::vector<float> line = modelPoints(pr, false);
  const float half = float(S - 1) / 2.0f;
  for (int32_t a = 0; a < S; ++a)
    for (int32_t p = 1; p <= P; ++p) GVSetGeoVertex(a * P + p, g, line[3 * p], line[3 * p + 1], float(a) - half);
  int32_t t = 0;
  for (int32_t a = 0; a + 1 < S; ++a)
    for (int32_t p = 1; p < P; ++p) {
      const int32_t b = a * P + p;
      setTriangle(g, ++t, b, b + 1, b + P + 1);
      setTriangle(g, ++t, b, b + P + 1, b + P);
    }
  g->flags |= GEO_FLAG_PICK_BACK_FACES;
  finish(g);
  float(*uv)[2] = newAllFaces(g, 1);
  if (!uv) {
    freeCell(cell);
    return nullptr;
  }
  std::vector<float> tp;
  arcParams(line, P, &tp);
  for (int32_t a = 0; a < S; ++a)
    for (int32_t p = 1; p <= P; ++p) uv[a * P + p][0] = float(a) / float(S - 1), uv[a * P + p][1] = 1.0f - tp[p];
  return cell;
}

void GVPlaceNewGeo(ObjHandle* list, ObjHandle* cell, int32_t replaceId) {
  if (!GVGeoListOf(list) || !GVGeoOf(cell)) return;
  if (replaceId >= 1) {
    if (GObject* old = GVGeoOf(GVFindGeo(list, replaceId))) {
      const SceneServices& sv = GVSceneServices();
      if (sv.destroyGeoRenderObj) sv.destroyGeoRenderObj(old);
      GVClearGeoIdFromBlocks(replaceId);
      GVDeleteGeos(list, replaceId);
    }
  }
  GVAddGeoToScene(list, cell);
}
